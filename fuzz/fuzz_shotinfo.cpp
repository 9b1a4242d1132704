// The maker-note decoders and the shot information over an in-memory file: every vendor's
// decoder runs on whatever the bytes say, and nothing may crash, hang or read out of bounds.
#include <cstddef>
#include <cstdint>

#include "metadata/makernote.h"
#include "metadata/preview.h"
#include "metadata/shot_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lv::ByteView bytes(data, size);
    lv::PhotoFile f = lv::photoFromMemory(bytes);
    lv::Bytes head;
    if (!lv::readHead(f, &head)) head.assign(data, data + size);
    lv::ShotInfo s = lv::buildShotInfoFromHead("fuzz.bin", lv::ByteView(head));
    lv::shotInfoText(s);
    lv::readPhotoMetaFromHead(lv::ByteView(head));
    lv::makerNoteCheck(bytes);
    // Every decoder, not only the one the Make selects: a body can lie about its maker.
    lv::ExifSummary e;
    if (lv::readExifSummary(lv::ByteView(head), lv::identifyContainer(lv::ByteView(head)), &e)) {
        size_t n = 0;
        const lv::Vendor* v = lv::vendorTable(&n);
        for (size_t i = 0; i < n; i++) {
            lv::ShotInfo one;
            v[i].full(lv::ByteView(head), e, &one);
            lv::PhotoMeta m;
            v[i].quick(lv::ByteView(head), e, &m);
            if (v[i].thumbnail) {
                lv::PhotoFile t = lv::photoFromMemory(bytes);
                v[i].thumbnail(t, lv::ByteView(head));
            }
            if (v[i].mainPreview) {
                lv::PhotoFile t = lv::photoFromMemory(bytes);
                v[i].mainPreview(t, lv::ByteView(head));
            }
        }
    }
    return 0;
}
