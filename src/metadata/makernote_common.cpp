// Reading helpers every maker-note decoder shares: where the note lies, tag values by type,
// texts, and the orientation turn of AF geometry.
#include <cstring>

#include "core/pathname.h"
#include "core/texts.h"
#include "metadata/makernote.h"

namespace lv {

std::string trimText(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\0' || s[a] == '\t')) a++;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\0' || s[b - 1] == '\t')) b--;
    return s.substr(a, b - a);
}

std::string makeOf(ByteView b, const ExifSummary& s) { return trimText(refText(b, s.make)); }
std::string modelOf(ByteView b, const ExifSummary& s) { return trimText(refText(b, s.model)); }

bool startsWithNoCase(const std::string& s, const char* prefix) {
    size_t n = std::strlen(prefix);
    return s.size() >= n && upperAscii(s.substr(0, n)) == upperAscii(prefix);
}

bool containsNoCase(const std::string& s, const char* what) {
    return upperAscii(s).find(upperAscii(what)) != std::string::npos;
}

int64_t makerNoteStart(ByteView b, const ExifSummary& s, int64_t* base, bool* le) {
    if (s.makerNotePos > 0 && b.has(s.makerNotePos, 2)) {
        *base = s.makerNoteBase >= 0 ? s.makerNoteBase : s.tiffBase;
        *le = s.makerNoteLittleEndian;
        return s.makerNotePos;
    }
    // Some writers put the MakerNote into IFD0 instead of the EXIF IFD.
    if (s.ifd0Pos > 0) {
        int64_t e = findTag(b, s.ifd0Pos, s.littleEndian, 0x927C);
        int64_t p = e ? entryDataPos(b, s.tiffBase, e, s.littleEndian) : -1;
        if (p > 0 && b.has(p, 2) && entryCount(b, e, s.littleEndian) >= 8) {
            *base = s.tiffBase;
            *le = s.littleEndian;
            return p;
        }
    }
    // A raw converter keeps the original note in DNGPrivateData: "Adobe" NUL "MakN", a big-endian
    // count, the original byte order and the note's original offset, then the note itself.
    if (s.ifd0Pos <= 0) return 0;
    int64_t e = findTag(b, s.ifd0Pos, s.littleEndian, 0xC634);
    if (!e) return 0;
    int64_t p = entryDataPos(b, s.tiffBase, e, s.littleEndian);
    if (p < 0 || !bytesAt(b, p, std::string_view("Adobe\0MakN", 10))) return 0;
    uint32_t count = readU32(b, p + 10, false);
    if (count < 8 || !b.has(p + 14, 6)) return 0;
    bool order = bytesAt(b, p + 14, "II");
    if (!order && !bytesAt(b, p + 14, "MM")) return 0;
    uint32_t original = readU32(b, p + 16, false);
    int64_t start = p + 20;
    *le = order;
    *base = start - int64_t(original);
    return start;
}

TagData tagData(ByteView b, const MakerNoteIfd& m, uint16_t tag, uint32_t maxCount) {
    TagData t;
    if (m.ifdPos <= 0) return t;
    int64_t e = findTag(b, m.ifdPos, m.le, tag);
    if (!e) return t;
    uint16_t type = entryType(b, e, m.le);
    uint32_t count = entryCount(b, e, m.le);
    int size = tiffTypeSize(type);
    if (size == 0 || count < 1 || count > maxCount) return t;
    int64_t pos = int64_t(size) * count <= 4 ? e + 8 : m.base + int64_t(readU32(b, e + 8, m.le));
    if (!b.has(pos, int64_t(size) * count)) return t;
    t.pos = pos;
    t.count = count;
    t.size = size;
    t.type = type;
    return t;
}

int64_t tagInt(ByteView b, const MakerNoteIfd& m, const TagData& t, uint32_t i, int64_t def) {
    if (!t.found() || i >= t.count) return def;
    int64_t p = t.pos + int64_t(i) * t.size;
    switch (t.type) {
        case 1: case 2: case 7: return readByte(b, p);
        case 6: return int8_t(readByte(b, p));
        case 3: return readU16(b, p, m.le);
        case 8: return readI16(b, p, m.le);
        case 9: case 10: return readI32(b, p, m.le);
        default: return readU32(b, p, m.le);
    }
}

int64_t tagFirst(ByteView b, const MakerNoteIfd& m, uint16_t tag, int64_t def) {
    return tagInt(b, m, tagData(b, m, tag), 0, def);
}

std::string tagText(ByteView b, const MakerNoteIfd& m, uint16_t tag) {
    TagData t = tagData(b, m, tag);
    if (!t.found() || t.size != 1) return {};
    uint32_t n = t.count < 256 ? t.count : 256;
    std::string s(reinterpret_cast<const char*>(b.data + t.pos), n);
    size_t nul = s.find('\0');
    if (nul != std::string::npos) s.resize(nul);
    // A control character means the offset was misread and this is binary data, not text.
    for (char c : s)
        if ((unsigned char)c < 0x20 && c != '\t') return {};
    return trimText(s);
}

double tagRational(ByteView b, const MakerNoteIfd& m, uint16_t tag, uint32_t index) {
    TagData t = tagData(b, m, tag);
    if (!t.found() || index >= t.count || (t.type != 5 && t.type != 10)) return 0;
    int64_t p = t.pos + int64_t(index) * 8;
    if (t.type == 10) {
        int32_t n = readI32(b, p, m.le), d = readI32(b, p + 4, m.le);
        return d ? double(n) / d : 0;
    }
    return readRational(b, p, m.le);
}

int tagShort(ByteView b, const MakerNoteIfd& m, const TagData& t, uint32_t i, int def) {
    if (!t.found() || i >= t.count) return def;
    return readI16(b, t.pos + int64_t(i) * 2, m.le);
}

int64_t subIfdPos(ByteView b, const MakerNoteIfd& m, uint16_t tag) {
    if (m.ifdPos <= 0) return 0;
    int64_t e = findTag(b, m.ifdPos, m.le, tag);
    if (!e) return 0;
    uint16_t type = entryType(b, e, m.le);
    // Type 13 (IFD) and LONG hold an offset; UNDEFINED blocks hold the IFD itself.
    int64_t p = (type == 7 && entryCount(b, e, m.le) <= 4) ? e + 8 : m.base + int64_t(readU32(b, e + 8, m.le));
    if (!b.has(p, 2) || ifdEntryCount(b, p, m.le) == 0) return 0;
    return p;
}

void turnBox(int orientation, double* u, double* v, double* w, double* h) {
    double U = *u, V = *v, W = *w, H = *h;
    switch (orientation) {
        case 3: *u = 1 - U; *v = 1 - V; break;
        case 6: *u = 1 - V; *v = U; *w = H; *h = W; break;
        case 8: *u = V; *v = 1 - U; *w = H; *h = W; break;
        default: break;
    }
}

// A point (1-based, in a w x h sensor frame) turned to the displayed image.
void turnPoint(int orientation, int* x, int* y, int* w, int* h) {
    int X = *x, Y = *y, W = *w, H = *h;
    switch (orientation) {
        case 3: *x = W + 1 - X; *y = H + 1 - Y; break;
        case 6: *x = H + 1 - Y; *y = X; *w = H; *h = W; break;
        case 8: *x = Y; *y = W + 1 - X; *w = H; *h = W; break;
        default: break;
    }
    if (*x < 1) *x = 1;
    if (*y < 1) *y = 1;
}

void setAfPointPixels(ShotInfo* s, int orientation, int x, int y, int frameW, int frameH) {
    if (s->afPointX > 0 || frameW <= 0 || frameH <= 0 || x <= 0 || y <= 0 || x > frameW || y > frameH) return;
    turnPoint(orientation, &x, &y, &frameW, &frameH);
    s->afPointX = x;
    s->afPointY = y;
    s->afFrameWidth = frameW;
    s->afFrameHeight = frameH;
}

Bytes readJpegFromFile(PhotoFile& f, ByteView head, uint64_t offset, uint64_t length, uint64_t minLen,
                       uint64_t maxLen) {
    if (length < minLen || length > maxLen || offset == 0 || offset > f.size || length > f.size - offset) return {};
    Bytes out;
    if (!readRange(f, head, offset, length, &out) || out.size() != length) return {};
    if (out.size() < 2 || out[0] != 0xFF || out[1] != 0xD8) return {};
    return out;
}

bool summaryOfHead(ByteView head, ExifSummary* s) { return readExifSummary(head, identifyContainer(head), s); }

std::string metaText(const char* key, const char* fallback) {
    std::string t = text(key);
    return t == key ? std::string(fallback) : t;
}

}  // namespace lv
