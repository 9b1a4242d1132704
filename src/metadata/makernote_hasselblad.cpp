// Hasselblad: the maker note is mostly text; the shutter used and whether AF data exists are
// read from it. The thumbnail is the RGB strip preview reduced.
#include <cstring>

#include "core/pathname.h"
#include "metadata/makernote.h"

namespace lv {

// True when text occurs in the first bytes of the note (bounded, so a large note costs little).
static bool noteContains(ByteView b, int64_t start, const char* text) {
    size_t n = std::strlen(text);
    int64_t end = start + 65536;
    if (end > b.length()) end = b.length();
    for (int64_t p = start; p + int64_t(n) <= end; p++)
        if (std::memcmp(b.data + p, text, n) == 0) return true;
    return false;
}

static bool hasselbladAccepts(ByteView b, const ExifSummary& s, int64_t* start) {
    if (upperAscii(makeOf(b, s)) != "HASSELBLAD") return false;
    int64_t base = 0;
    bool le = true;
    *start = makerNoteStart(b, s, &base, &le);
    return true;
}

static int shutterOf(ByteView b, int64_t start) {
    if (start <= 0) return -1;
    if (noteContains(b, start, "ELECTRONIC SHUTTER")) return 1;
    if (noteContains(b, start, "FLASH SYNC")) return 3;
    return -1;
}

bool decodeHasselblad(ByteView b, const ExifSummary& s, ShotInfo* out) {
    int64_t start = 0;
    if (!hasselbladAccepts(b, s, &start)) return false;
    out->shutterType = shutterOf(b, start);
    return true;
}

bool quickHasselblad(ByteView b, const ExifSummary& s, PhotoMeta* out) {
    int64_t start = 0;
    if (!hasselbladAccepts(b, s, &start)) return false;
    out->shutterType = shutterOf(b, start);
    return true;
}

Bytes thumbHasselblad(PhotoFile& f, ByteView head) {
    ExifSummary s;
    if (!summaryOfHead(head, &s) || upperAscii(makeOf(head, s)) != "HASSELBLAD") return {};
    return rgbStripTiff(f, head, 8);
}

}  // namespace lv
