// The JPEG marker-segment operations from every start position a caller might give.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "metadata/tiff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lv::ByteView b(data, size);
    int64_t starts[] = {0, 1, 2, int64_t(size) / 2, int64_t(size) - 2, -1};
    for (int64_t s : starts) {
        lv::findJpegSegment(b, s, 0xE1, std::string_view("Exif\0\0", 6));
        lv::findJpegSegment(b, s, 0xE0, "");
        lv::findExifTiff(b, s);
        lv::findXmpPacket(b, s);
        lv::jpegFrameSize(b, s);
    }
    return 0;
}
