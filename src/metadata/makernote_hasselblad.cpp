// Hasselblad: the maker note is mostly text; the shutter used and the camera's AF record are read
// from it. The thumbnail is the RGB strip preview reduced to about thumbnail size.
#include <cstring>

#include "core/pathname.h"
#include "metadata/makernote.h"

namespace lv {

// How far into the note the texts are looked for, so a large note costs little.
static const int64_t kNoteScan = 65536;

// Position of text in the first bytes of the note, or -1.
static int64_t noteFind(ByteView b, int64_t start, const char* text) {
    size_t n = std::strlen(text);
    int64_t end = start + kNoteScan;
    if (end > b.length()) end = b.length();
    for (int64_t p = start; p + int64_t(n) <= end; p++)
        if (std::memcmp(b.data + p, text, n) == 0) return p;
    return -1;
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
    if (noteFind(b, start, "ELECTRONIC SHUTTER") >= 0) return 1;
    if (noteFind(b, start, "FLASH SYNC") >= 0) return 3;
    return -1;
}

// The camera's AF record: "AF_DEBUG_INFO:" and a line of text. "NO VALID ..." says the camera had
// no AF result (manual focus or a failed search); otherwise the line is shown as the camera wrote
// it, cut at the first control character and at 64 characters.
static std::string afDebugText(ByteView b, int64_t start) {
    if (start <= 0) return {};
    int64_t p = noteFind(b, start, "AF_DEBUG_INFO:");
    if (p < 0) return {};
    p += 14;
    while (b.has(p, 1) && readByte(b, p) == ' ') p++;
    std::string line;
    for (; b.has(p, 1) && line.size() < 64; p++) {
        uint8_t c = readByte(b, p);
        if (c < 0x20 || c > 0x7E) break;
        line += char(c);
    }
    line = trimText(line);
    if (startsWithNoCase(line, "NO VALID")) return {};
    return line;
}

bool decodeHasselblad(ByteView b, const ExifSummary& s, ShotInfo* out) {
    int64_t start = 0;
    if (!hasselbladAccepts(b, s, &start)) return false;
    out->shutterType = shutterOf(b, start);
    if (out->afArea.empty()) out->afArea = afDebugText(b, start);
    return true;
}

bool quickHasselblad(ByteView b, const ExifSummary& s, PhotoMeta* out) {
    int64_t start = 0;
    if (!hasselbladAccepts(b, s, &start)) return false;
    out->shutterType = shutterOf(b, start);
    return true;
}

// The largest whole factor that keeps the reduced strip at least as large as the strip's
// thumbnail cell (160 x 106), so the thumbnail is scaled down, never up.
static int hasselbladReduction(int width, int height) {
    int f = width / 160 < height / 106 ? width / 160 : height / 106;
    return f < 1 ? 1 : f;
}

Bytes thumbHasselblad(PhotoFile& f, ByteView head) {
    ExifSummary s;
    if (!summaryOfHead(head, &s) || upperAscii(makeOf(head, s)) != "HASSELBLAD") return {};
    Bytes full = rgbStripTiff(f, head, 1);
    if (full.size() < 8) return {};
    // The synthesised TIFF is little-endian with LONG width, height and strip offset.
    ByteView t(full);
    int64_t ifd = readU32(t, 4, true);
    int64_t ew = findTag(t, ifd, true, 0x0100), eh = findTag(t, ifd, true, 0x0101), eo = findTag(t, ifd, true, 0x0111);
    if (!ew || !eh || !eo) return {};
    int64_t w = entryValue(t, ew, true), h = entryValue(t, eh, true), off = entryValue(t, eo, true);
    int factor = hasselbladReduction(int(w), int(h));
    if (factor == 1 || w <= 0 || h <= 0 || !t.has(off, w * h * 3)) return full;
    return synthesiseRgbTiff(ByteView(full.data() + off, size_t(w * h * 3)), int(w), int(h), factor);
}

}  // namespace lv
