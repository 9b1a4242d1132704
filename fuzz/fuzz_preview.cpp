// Recognition and preview location over an in-memory file: nothing may crash, hang or allocate
// beyond the length limits, whatever the bytes.
#include <cstddef>
#include <cstdint>

#include "metadata/preview.h"
#include "metadata/tiff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lv::ByteView bytes(data, size);
    lv::PhotoFile f = lv::photoFromMemory(bytes);
    lv::PreviewResult r = lv::extractPreviewFrom(f);
    if (!r.head.empty()) {
        lv::ExifSummary s;
        lv::readExifSummary(r.head, r.formatIndex, &s);
        lv::captureSerialOf(r.head, s);
        lv::readOrientation(r.head, r.formatIndex);
        lv::listEmbeddedImages(f, r.head, r.formatIndex);
    }
    lv::PhotoFile t = lv::photoFromMemory(bytes);
    lv::extractThumbnailFrom(t);
    return 0;
}
