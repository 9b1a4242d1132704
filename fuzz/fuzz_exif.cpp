// The EXIF summary, orientation and capture time of a buffer read as every container.
#include <cstddef>
#include <cstdint>

#include "metadata/preview.h"
#include "metadata/tiff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lv::ByteView b(data, size);
    for (int i = -1; i < lv::containerCount(); i++) {
        lv::ExifSummary s;
        lv::readExifSummary(b, i, &s);
        lv::refText(b, s.make);
        lv::refText(b, s.model);
        lv::refText(b, s.lensModel);
        lv::captureSerialOf(b, s);
        lv::readOrientation(b, i);
        int64_t e = -1, m = -1;
        lv::locateSecondaryBlocks(b, i, &e, &m);
    }
    lv::identifyContainer(b);
    return 0;
}
