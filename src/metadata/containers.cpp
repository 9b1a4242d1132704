// The container table: how each RAW container is recognised by its bytes, where its TIFF
// structures lie, and which embedded image is its preview.
#include <algorithm>
#include <cstring>

#include "core/pathname.h"
#include "metadata/file_ifd.h"
#include "metadata/preview.h"

namespace lv {

namespace {

// [SECTION] shared checks
bool isSoi(ByteView b) { return b.size >= 2 && b.data[0] == 0xFF && b.data[1] == 0xD8; }

bool fits(const PhotoFile& f, uint64_t off, uint64_t len) { return off <= f.size && len <= f.size - off; }

// Reads an embedded JPEG that must fit in the file and begin with SOI; fills *where.
Bytes takeJpeg(PhotoFile& f, ByteView head, uint64_t off, uint64_t len, const char* source, EmbeddedImage* where) {
    Bytes out;
    if (!fits(f, off, len) || len == 0 || len > kMaxReadBytes) return out;
    if (!readRange(f, head, off, len, &out) || out.size() != len || !isSoi(out)) return {};
    if (where) {
        FrameSize fs = jpegFrameSize(out, 0);
        where->source = source;
        where->offset = off;
        where->length = len;
        where->width = fs.width;
        where->height = fs.height;
        where->marker = fs.marker;
    }
    return out;
}

std::string ifd0String(ByteView h, uint16_t tag, uint32_t minCount, uint32_t maxCount) {
    bool le = tiffLittleEndian(h, 0);
    int64_t ifd0 = int64_t(readU32(h, 4, le));
    int64_t e = findTag(h, ifd0, le, tag);
    if (!e || entryType(h, e, le) != 2) return {};
    uint32_t n = entryCount(h, e, le);
    if (n < minCount || n > maxCount) return {};
    int64_t pos = n <= 4 ? e + 8 : int64_t(readU32(h, e + 8, le));
    if (!h.has(pos, n)) return {};
    std::string s(reinterpret_cast<const char*>(h.data + pos), n);
    s = s.substr(0, s.find('\0'));
    while (!s.empty() && s.back() == ' ') s.pop_back();
    while (!s.empty() && s.front() == ' ') s.erase(0, 1);
    return s;
}

bool ifd0Has(ByteView h, uint16_t tag) {
    bool le = tiffLittleEndian(h, 0);
    return findTag(h, int64_t(readU32(h, 4, le)), le, tag) != 0;
}

std::string makeOfHead(ByteView h) { return upperAscii(ifd0String(h, 0x010F, 2, 64)); }

// [SECTION] signatures
bool sig3fr(ByteView h) {
    return isTiffRaw(h) && !ifd0Has(h, 0xC612) && ifd0Has(h, 0xC614) && makeOfHead(h) == "HASSELBLAD";
}
bool sigDng(ByteView h) { return !isSoi(h) && isTiffRaw(h) && ifd0Has(h, 0xC612); }
bool sigOrf(ByteView h) {
    if (isSoi(h) || h.size < 8 || !bytesAt(h, 0, "II")) return false;
    uint16_t m = readU16(h, 2, true);
    return m == 0x4F52 || m == 0x5352;
}
bool sigArw(ByteView h) {
    if (isSoi(h) || !isTiffRaw(h) || ifd0Has(h, 0xC612) || !ifd0Has(h, 0x0201) || !ifd0Has(h, 0x0202)) return false;
    std::string make = makeOfHead(h);
    if (make == "SONY") return true;
    if (make != "HASSELBLAD") return false;
    std::string model = upperAscii(ifd0String(h, 0x0110, 2, 64));
    for (const char* w : {"LUNAR", "STELLAR", "HV"})
        if (model.find(w) != std::string::npos) return true;
    return false;
}
bool sigCr2(ByteView h) { return isTiffRaw(h) && bytesAt(h, 8, "CR") && readByte(h, 10) == 2; }
bool sigCr3(ByteView h) { return h.size >= 12 && bytesAt(h, 4, "ftyp") && bytesAt(h, 8, "crx "); }
bool sigNef(ByteView h) {
    if (!isTiffRaw(h) || ifd0Has(h, 0xC612)) return false;
    std::string make = upperAscii(ifd0String(h, 0x010F, 5, 64));
    return make == "NIKON" || make.rfind("NIKON ", 0) == 0;
}
bool sigPef(ByteView h) {
    return isTiffRaw(h) && !ifd0Has(h, 0xC612) && upperAscii(ifd0String(h, 0x0110, 7, 128)).rfind("PENTAX", 0) == 0;
}
bool sigRaf(ByteView h) { return h.size >= 92 && bytesAt(h, 0, "FUJIFILMCCD-RAW"); }
bool sigRw2(ByteView h) { return !isSoi(h) && h.size >= 8 && bytesAt(h, 0, "II") && readU16(h, 2, true) == 0x0055; }
bool sigX3f(ByteView h) { return h.size >= 28 && bytesAt(h, 0, "FOVb"); }
bool sigJpeg(ByteView h) { return isSoi(h); }

// [SECTION] TIFF locators
int64_t tiffAtZero(ByteView) { return 0; }

int64_t rafJpegOffset(ByteView h) { return int64_t(readU32(h, 84, false)); }
int64_t tiffRaf(ByteView h) {
    int64_t j = rafJpegOffset(h);
    return j >= 92 && h.has(j, 2) ? findExifTiff(h, j) : -1;
}

// RW2: IFD0 tag 0x002E, count = length, value = offset of the embedded JPEG.
bool rw2Jpeg(ByteView h, uint64_t* off, uint64_t* len) {
    int64_t e = findTag(h, int64_t(readU32(h, 4, true)), true, 0x002E);
    if (!e) return false;
    *len = entryCount(h, e, true);
    *off = readU32(h, e + 8, true);
    return true;
}
int64_t tiffRw2(ByteView h) {
    uint64_t off = 0, len = 0;
    if (!rw2Jpeg(h, &off, &len) || off >= h.size) return -1;
    static const char kExif[] = {'E', 'x', 'i', 'f', 0, 0};
    const uint8_t* begin = h.data + off;
    const uint8_t* end = h.data + h.size;
    const uint8_t* hit = std::search(begin, end, kExif, kExif + 6);
    if (hit == end || hit + 6 >= end) return -1;
    return int64_t(hit - h.data) + 6;
}

int64_t tiffJpeg(ByteView h) { return findExifTiff(h, 0); }

// [SECTION] CR3 boxes
struct Box {
    int64_t content = -1;  // right after the 8- or 16-byte header
    int64_t end = 0;
};

const uint8_t kUuidPreview[16] = {0xea, 0xf4, 0x2b, 0x5e, 0x1c, 0x98, 0x4b, 0x88,
                                  0xb9, 0xfb, 0xb7, 0xdc, 0x40, 0x6e, 0x4d, 0x16};
const uint8_t kUuidCanon[16] = {0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                                0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};

Box findBox(ByteView h, int64_t start, int64_t end, const char* type, const uint8_t* uuid = nullptr) {
    if (end > h.length()) end = h.length();
    int64_t p = start;
    while (p >= 0 && p + 8 <= end) {
        uint64_t size = readU32(h, p, false);
        int64_t hdr = 8;
        if (size == 1) {
            if (readU32(h, p + 8, false) != 0) break;
            size = readU32(h, p + 12, false);
            hdr = 16;
        } else if (size == 0) {
            size = uint64_t(end - p);
        }
        if (size > 0x7FFFFFFFu || size < uint64_t(hdr)) break;
        if (bytesAt(h, p + 4, std::string_view(type, 4)) &&
            (!uuid || (h.has(p + hdr, 16) && std::memcmp(h.data + p + hdr, uuid, 16) == 0)))
            return Box{p + hdr, p + int64_t(size)};
        p += int64_t(size);
    }
    return Box{};
}

// A box inside Canon's metadata uuid box of "moov".
Box canonBox(ByteView h, const char* type) {
    if (!sigCr3(h)) return Box{};
    Box moov = findBox(h, 0, h.length(), "moov");
    if (moov.content < 0) return Box{};
    Box u = findBox(h, moov.content, moov.end, "uuid", kUuidCanon);
    if (u.content < 0) return Box{};
    return findBox(h, u.content + 16, u.end, type);
}

int64_t cmtBlock(ByteView h, const char* type) {
    Box b = canonBox(h, type);
    if (b.content < 0 || !(bytesAt(h, b.content, "II") || bytesAt(h, b.content, "MM"))) return -1;
    return b.content;
}
int64_t tiffCr3(ByteView h) { return cmtBlock(h, "CMT1"); }
void secondaryCr3(ByteView h, int64_t* exif, int64_t* mn) {
    *exif = cmtBlock(h, "CMT2");
    *mn = cmtBlock(h, "CMT3");
}
bool thumbCr3(ByteView h, int64_t* off, int64_t* len) {
    Box b = canonBox(h, "THMB");
    if (b.content < 0) return false;
    int64_t n = readU32(h, b.content + 8, false);
    int64_t start = b.content + 16;
    if (n < 16 || start + n > b.end) return false;
    *off = start;
    *len = n;
    return true;
}

// The first sample of the first track: the full-size JPEG a CR3 holds beside its raw data
// (moov/trak/mdia/minf/stbl: the size from stsz, the place from co64 or stco).
bool cr3TrackOnePlace(ByteView h, uint64_t* off, uint64_t* len) {
    if (!sigCr3(h)) return false;
    Box b = findBox(h, 0, h.length(), "moov");
    for (const char* type : {"trak", "mdia", "minf", "stbl"})
        if (b.content >= 0) b = findBox(h, b.content, b.end, type);
    if (b.content < 0) return false;
    Box sz = findBox(h, b.content, b.end, "stsz");
    if (sz.content < 0 || !h.has(sz.content, 12)) return false;
    uint64_t n = readU32(h, sz.content + 4, false);
    if (n == 0 && readU32(h, sz.content + 8, false) >= 1 && h.has(sz.content + 12, 4)) n = readU32(h, sz.content + 12, false);
    Box co = findBox(h, b.content, b.end, "co64");
    uint64_t at = 0;
    if (co.content >= 0 && h.has(co.content, 16) && readU32(h, co.content + 4, false) >= 1) {
        at = uint64_t(readU32(h, co.content + 8, false)) << 32 | readU32(h, co.content + 12, false);
    } else {
        co = findBox(h, b.content, b.end, "stco");
        if (co.content < 0 || !h.has(co.content, 12) || readU32(h, co.content + 4, false) < 1) return false;
        at = readU32(h, co.content + 8, false);
    }
    if (n < 1024 || at == 0) return false;
    *off = at;
    *len = n;
    return true;
}

// [SECTION] X3F: the directory's JPEG head appended to the head, with a trailer naming it
struct X3fTrailer {
    uint32_t jpegOffset = 0, jpegLength = 0, headPos = 0, headLength = 0;
};
bool x3fTrailer(ByteView h, X3fTrailer* t) {
    if (!sigX3f(h) || h.size < 20) return false;
    int64_t p = h.length() - 20;
    if (!bytesAt(h, p, "X3Fh")) return false;
    t->jpegOffset = readU32(h, p + 4, true);
    t->jpegLength = readU32(h, p + 8, true);
    t->headPos = readU32(h, p + 12, true);
    t->headLength = readU32(h, p + 16, true);
    return t->headPos < 0x80000000u && t->headLength >= 2 && int64_t(t->headPos) + t->headLength == p &&
           t->jpegOffset > 0 && t->jpegLength >= 1024;
}
int64_t tiffX3f(ByteView h) {
    X3fTrailer t;
    return x3fTrailer(h, &t) ? findExifTiff(h, t.headPos) : -1;
}

bool growX3f(PhotoFile& f, Bytes* head) {
    if (f.size < 32) return false;
    Bytes b;
    if (!readRange(f, *head, f.size - 4, 4, &b) || b.size() != 4) return false;
    uint64_t dir = readU32(b, 0, true);
    Bytes d;
    if (!readRange(f, *head, dir, 12, &d) || d.size() != 12 || !bytesAt(d, 0, "SECd")) return false;
    uint32_t n = readU32(d, 8, true);
    if (n < 1 || n > 64) return false;
    if (!readRange(f, *head, dir, 12 + 12 * uint64_t(n), &d) || d.size() != 12 + 12 * size_t(n)) return false;
    struct Entry {
        uint32_t off, len;
    };
    std::vector<Entry> images;
    for (uint32_t i = 0; i < n; i++) {
        int64_t e = 12 + 12 * int64_t(i);
        if (bytesAt(d, e + 8, "IMA2") || bytesAt(d, e + 8, "IMAG"))
            images.push_back({readU32(d, e, true), readU32(d, e + 4, true)});
    }
    std::stable_sort(images.begin(), images.end(), [](const Entry& a, const Entry& b) { return a.len > b.len; });
    for (const Entry& im : images) {
        Bytes sec;
        if (im.len < 1052 || !fits(f, im.off, im.len)) continue;
        if (!readRange(f, *head, im.off, 30, &sec) || sec.size() != 30) continue;
        if (!bytesAt(sec, 0, "SECi") || readU32(sec, 8, true) != 2 || readU32(sec, 12, true) != 18 ||
            sec[28] != 0xFF || sec[29] != 0xD8)
            continue;
        uint32_t jOff = im.off + 28, jLen = im.len - 28;
        uint32_t take = jLen < 98304 ? jLen : 98304;
        Bytes jh;
        if (!readRange(f, *head, jOff, take, &jh) || jh.size() != take) continue;
        uint32_t at = uint32_t(head->size());
        head->insert(head->end(), jh.begin(), jh.end());
        uint8_t tr[20] = {'X', '3', 'F', 'h'};
        uint32_t v[4] = {jOff, jLen, at, take};
        for (int k = 0; k < 4; k++)
            for (int i = 0; i < 4; i++) tr[4 + 4 * k + i] = uint8_t(v[k] >> (8 * i));
        head->insert(head->end(), tr, tr + 20);
        return true;
    }
    return false;
}

// [SECTION] preview locators
// DNG's JPEG IFD: (offset, length, width, height) or false.
bool dngJpegIfd(const FileIfd& ifd, uint64_t* off, uint64_t* len, int64_t* w, int64_t* h) {
    int64_t comp = fileIfdValue(ifd, 0x0103);
    int64_t photo = fileIfdValue(ifd, 0x0106);
    if ((comp != 6 && comp != 7) || photo == 32803 || photo == 34892) return false;
    *w = fileIfdValue(ifd, 0x0100, 0);
    *h = fileIfdValue(ifd, 0x0101, 0);
    if (*w <= 0 || *h <= 0) return false;
    int64_t o = 0, l = 0;
    if (fileIfdCount(ifd, 0x0111) == 1 && fileIfdCount(ifd, 0x0117) == 1) {
        o = fileIfdValue(ifd, 0x0111, 0);
        l = fileIfdValue(ifd, 0x0117, 0);
    }
    if (o < 1 || l < 17) {
        o = fileIfdValue(ifd, 0x0201, 0);
        l = fileIfdValue(ifd, 0x0202, 0);
    }
    if (o <= 0 || l <= 16 || uint64_t(l) > kMaxPreview64) return false;
    *off = ifd.base + uint64_t(o);
    *len = uint64_t(l);
    return true;
}

std::string ifdName(const WalkedIfd& w) {
    std::string s = "IFD" + std::to_string(w.chainIndex);
    if (w.subIndex >= 0) s = "SubIFD" + std::to_string(w.subIndex) + " of " + s;
    return s;
}

Bytes previewDng(PhotoFile& f, ByteView head, EmbeddedImage* where) {
    uint64_t bestOff = 0, bestLen = 0;
    int64_t bestArea = -1;
    std::string bestName;
    for (const WalkedIfd& w : walkTiffIfds(f, head, true)) {
        uint64_t o, l;
        int64_t wd, ht;
        if (!dngJpegIfd(w.ifd, &o, &l, &wd, &ht)) continue;
        if (wd * ht > bestArea) bestArea = wd * ht, bestOff = o, bestLen = l, bestName = ifdName(w) + " JPEG";
    }
    if (bestArea < 0) return {};
    return takeJpeg(f, head, bestOff, bestLen, bestName.c_str(), where);
}

bool thumbDng(ByteView h, int64_t* off, int64_t* len) {
    PhotoFile mem = photoFromMemory(h);
    for (const WalkedIfd& w : walkTiffIfds(mem, h, true)) {
        uint64_t o, l;
        int64_t wd, ht;
        if (!(fileIfdValue(w.ifd, 0x00FE, 0) & 1) || !dngJpegIfd(w.ifd, &o, &l, &wd, &ht)) continue;
        if (wd > 1024 || ht > 1024) continue;
        *off = int64_t(o);
        *len = int64_t(l);
        return true;
    }
    return false;
}

Bytes preview3fr(PhotoFile& f, ByteView head, EmbeddedImage* where) {
    Bytes b = previewDng(f, head, where);
    if (!b.empty()) return b;
    b = rgbStripTiff(f, head, 1);
    if (!b.empty() && where) {
        where->source = "RGB strip (as TIFF)";
        where->offset = 0;
        where->length = b.size();
        where->width = int(readU32(b, 8 + 2 + 8, true));
        where->height = int(readU32(b, 8 + 2 + 12 + 8, true));
        where->marker = 0;
    }
    return b;
}

// Olympus/OM maker note: its IFD position, offset base and byte order.
bool olympusNote(ByteView h, int64_t mn, int64_t tiffBase, bool tiffLe, int64_t* ifd, int64_t* base, bool* le) {
    if (mn <= 0) return false;
    if (bytesAt(h, mn, std::string_view("OM SYSTEM\0\0\0", 12))) {
        *base = mn;
        *le = !bytesAt(h, mn + 12, "MM");
        *ifd = mn + 16;
    } else if (bytesAt(h, mn, std::string_view("OLYMPUS\0", 8))) {
        *base = mn;
        *le = !bytesAt(h, mn + 8, "MM");
        *ifd = mn + 12;
    } else if (bytesAt(h, mn, std::string_view("OLYMP\0", 6))) {
        *base = tiffBase;
        *le = tiffLe;
        *ifd = mn + 8;
    } else {
        return false;
    }
    return h.has(mn, 16);
}

bool orfPreviewPlace(ByteView head, int orfIndex, uint64_t* off, uint64_t* len) {
    ExifSummary s;
    readExifSummary(head, orfIndex, &s);
    int64_t ifd, base;
    bool le;
    if (!olympusNote(head, s.makerNotePos, s.tiffBase, s.littleEndian, &ifd, &base, &le)) return false;
    int64_t e = findTag(head, ifd, le, 0x2020);
    if (!e) return false;
    int64_t sub = base + int64_t(readU32(head, e + 8, le));
    int64_t es = findTag(head, sub, le, 0x0101), el = findTag(head, sub, le, 0x0102);
    if (!es || !el) return false;
    uint64_t start = entryValue(head, es, le), length = entryValue(head, el, le);
    if (start == 0 || length < 1024 || length > kMaxPreview16) return false;
    *off = uint64_t(base) + start;
    *len = length;
    return true;
}

Bytes previewOrf(PhotoFile& f, ByteView head, EmbeddedImage* where) {
    uint64_t off, len;
    if (!orfPreviewPlace(head, 2, &off, &len)) return {};
    return takeJpeg(f, head, off, len, "maker-note PreviewImage", where);
}

Bytes previewArw(PhotoFile& f, ByteView head, EmbeddedImage* where) {
    bool le = tiffLittleEndian(head, 0);
    int64_t ifd0 = int64_t(readU32(head, 4, le));
    int64_t eo = findTag(head, ifd0, le, 0x0201), el = findTag(head, ifd0, le, 0x0202);
    if (!eo || !el) return {};
    uint64_t off = entryValue(head, eo, le), len = entryValue(head, el, le);
    if (off == 0 || len < 1024 || len > kMaxPreview16) return {};
    return takeJpeg(f, head, off, len, "IFD0 JPEGInterchangeFormat", where);
}

Bytes previewCr2(PhotoFile& f, ByteView head, EmbeddedImage* where) {
    bool le = tiffLittleEndian(head, 0);
    int64_t ifd0 = int64_t(readU32(head, 4, le));
    int64_t eo = findTag(head, ifd0, le, 0x0111), el = findTag(head, ifd0, le, 0x0117);
    if (!eo || !el || entryCount(head, eo, le) != 1 || entryCount(head, el, le) != 1) return {};
    uint64_t off = entryValue(head, eo, le), len = entryValue(head, el, le);
    if (off == 0 || len < 1024 || len > kMaxPreview64) return {};
    return takeJpeg(f, head, off, len, "IFD0 strip", where);
}

bool cr3PreviewPlace(ByteView h, const PhotoFile& f, uint64_t* off, uint64_t* len) {
    Box u = findBox(h, 0, h.length(), "uuid", kUuidPreview);
    if (u.content < 0) return false;
    Box p = findBox(h, u.content + 16 + 8, u.end, "PRVW");
    if (p.content < 0) return false;
    uint64_t n = readU32(h, p.content + 12, false);
    uint64_t start = uint64_t(p.content) + 16;
    if (n < 1024 || n > kMaxPreview16 || start + n > uint64_t(p.end) || !fits(f, start, n)) return false;
    *off = start;
    *len = n;
    return true;
}

Bytes previewCr3(PhotoFile& f, ByteView head, EmbeddedImage* where) {
    uint64_t off, len;
    if (!cr3PreviewPlace(head, f, &off, &len)) return {};
    return takeJpeg(f, head, off, len, "CR3 PRVW", where);
}

// The Nikon maker note's preview IFD, read from the file.
bool nikonPreviewIfd(PhotoFile& f, ByteView head, int nefIndex, FileIfd* out) {
    ExifSummary s;
    readExifSummary(head, nefIndex, &s);
    int64_t mn = s.makerNotePos;
    if (mn <= 0 || !bytesAt(head, mn, std::string_view("Nikon\0", 6)) || !head.has(mn, 16)) return false;
    int64_t t = mn + 10;
    if (!(bytesAt(head, t, "II") || bytesAt(head, t, "MM"))) return false;
    bool le = bytesAt(head, t, "II");
    if (readU16(head, t + 2, le) != 42) return false;
    int64_t e = findTag(head, t + int64_t(readU32(head, t + 4, le)), le, 0x0011);
    if (!e) return false;
    uint32_t rel = entryValue(head, e, le);
    return rel && readFileIfd(f, head, uint64_t(t), rel, le, out);
}

// The NEF choice: the smallest candidate at least 1080 pixels on its short side, else the largest.
Bytes previewNef(PhotoFile& f, ByteView head, EmbeddedImage* where) {
    struct Cand {
        uint64_t off, len;
        std::string name;
    };
    std::vector<Cand> cands;
    std::vector<WalkedIfd> ifds = walkTiffIfds(f, head, true, 8);
    for (const WalkedIfd& w : ifds) {
        if (w.chainIndex != 0) break;  // IFD0 and its SubIFDs only
        uint64_t o, l;
        if (jpegCandidate(w.ifd, &o, &l)) cands.push_back({o, l, ifdName(w) + " JPEG"});
    }
    FileIfd mn;
    uint64_t o, l;
    if (nikonPreviewIfd(f, head, 6, &mn) && jpegCandidate(mn, &o, &l)) cands.push_back({o, l, "maker-note PreviewIFD"});
    if (cands.size() > 12) cands.resize(12);

    int best = -1;
    int64_t bestArea = 0;
    bool bestLarge = false;
    for (size_t i = 0; i < cands.size(); i++) {
        const Cand& c = cands[i];
        if (!fits(f, c.off, c.len)) continue;
        Bytes first;
        if (!readRange(f, head, c.off, c.len < 4096 ? c.len : 4096, &first)) continue;
        FrameSize fs = jpegFrameSize(first, 0);
        if (!fs.marker) continue;
        bool large = std::min(fs.width, fs.height) >= 1080;
        int64_t area = int64_t(fs.width) * fs.height;
        bool take = best < 0 || (large && !bestLarge) || (large && bestLarge && area < bestArea) ||
                    (!large && !bestLarge && area > bestArea);
        if (take) best = int(i), bestArea = area, bestLarge = large;
    }
    if (best < 0) return {};
    return takeJpeg(f, head, cands[size_t(best)].off, cands[size_t(best)].len, cands[size_t(best)].name.c_str(), where);
}

Bytes previewPef(PhotoFile& f, ByteView head, EmbeddedImage* where) {
    uint64_t bestOff = 0, bestLen = 0;
    std::string bestName;
    for (const WalkedIfd& w : walkTiffIfds(f, head, false)) {
        uint64_t o, l;
        if (jpegCandidate(w.ifd, &o, &l) && fits(f, o, l) && l > bestLen)
            bestOff = o, bestLen = l, bestName = ifdName(w) + " JPEG";
    }
    if (!bestLen) return {};
    return takeJpeg(f, head, bestOff, bestLen, bestName.c_str(), where);
}

Bytes previewRaf(PhotoFile& f, ByteView head, EmbeddedImage* where) {
    uint64_t off = readU32(head, 84, false), len = readU32(head, 88, false);
    if (off < 92 || len < 1024 || len > kMaxPreview64) return {};
    return takeJpeg(f, head, off, len, "RAF header JPEG", where);
}

Bytes previewRw2(PhotoFile& f, ByteView head, EmbeddedImage* where) {
    uint64_t off, len;
    // No length limit is written into the format; 64 MiB bounds the allocation all the same.
    if (!rw2Jpeg(head, &off, &len) || off == 0 || len <= 16 || len > kMaxPreview64) return {};
    return takeJpeg(f, head, off, len, "JpgFromRaw (0x002E)", where);
}

Bytes previewX3f(PhotoFile& f, ByteView head, EmbeddedImage* where) {
    X3fTrailer t;
    if (!x3fTrailer(head, &t) || t.jpegLength > kMaxPreview64) return {};
    return takeJpeg(f, head, t.jpegOffset, t.jpegLength, "X3F image section", where);
}

Bytes previewJpeg(PhotoFile& f, ByteView head, EmbeddedImage* where) {
    return takeJpeg(f, head, 0, f.size, "the file itself", where);
}

}  // namespace

// [SECTION] table
bool isTiffRaw(ByteView h) {
    if (h.size < 16 || !(bytesAt(h, 0, "II") || bytesAt(h, 0, "MM"))) return false;
    bool le = h.data[0] == 'I';
    return readU16(h, 2, le) == 42 && readU32(h, 4, le) > 0;
}

const std::vector<ContainerFormat>& containerFormats() {
    static const std::vector<ContainerFormat> table = {
        {"3FR/FFF", ".3FR;.FFF", sig3fr, tiffAtZero, preview3fr, nullptr, nullptr, nullptr, nullptr},
        {"DNG", ".DNG", sigDng, tiffAtZero, previewDng, nullptr, nullptr, thumbDng, nullptr},
        {"ORF", ".ORF", sigOrf, tiffAtZero, previewOrf, nullptr, nullptr, nullptr, nullptr},
        {"ARW/ARQ", ".ARW;.ARQ", sigArw, tiffAtZero, previewArw, nullptr, nullptr, nullptr, nullptr},
        {"CR2", ".CR2", sigCr2, tiffAtZero, previewCr2, nullptr, nullptr, nullptr, nullptr},
        {"CR3", ".CR3", sigCr3, tiffCr3, previewCr3, tiffCr3, secondaryCr3, thumbCr3, nullptr},
        {"NEF/NRW", ".NEF;.NRW", sigNef, tiffAtZero, previewNef, nullptr, nullptr, nullptr, nullptr},
        {"PEF", ".PEF", sigPef, tiffAtZero, previewPef, nullptr, nullptr, nullptr, nullptr},
        {"RAF", ".RAF", sigRaf, tiffRaf, previewRaf, tiffRaf, nullptr, nullptr, nullptr},
        {"RW2/RWL", ".RW2;.RWL", sigRw2, tiffRw2, previewRw2, nullptr, nullptr, nullptr, nullptr},
        {"X3F", ".X3F", sigX3f, tiffX3f, previewX3f, tiffX3f, nullptr, nullptr, growX3f},
        {"JPEG", ".JPG;.JPEG", sigJpeg, tiffJpeg, previewJpeg, tiffJpeg, nullptr, nullptr, nullptr},
    };
    return table;
}

int containerCount() { return int(containerFormats().size()); }

const char* containerLabel(int i) { return i >= 0 && i < containerCount() ? containerFormats()[size_t(i)].label : ""; }

int identifyContainer(ByteView head) {
    const std::vector<ContainerFormat>& t = containerFormats();
    for (size_t i = 0; i < t.size(); i++)
        if (t[i].signature(head)) return int(i);
    return -1;
}

int64_t locateTiff(ByteView head, int i) {
    if (i < 0 || i >= containerCount()) return -1;
    return containerFormats()[size_t(i)].tiffLocator(head);
}

void locateSecondaryBlocks(ByteView head, int i, int64_t* exif, int64_t* mn) {
    *exif = *mn = -1;
    if (i < 0 || i >= containerCount() || !containerFormats()[size_t(i)].secondaryLocator) return;
    containerFormats()[size_t(i)].secondaryLocator(head, exif, mn);
}

int64_t locateOrientationTiff(ByteView head, int i) {
    if (i < 0 || i >= containerCount() || !containerFormats()[size_t(i)].orientationLocator) return 0;
    return containerFormats()[size_t(i)].orientationLocator(head);
}

// [SECTION] what info lists
namespace {

void addImage(PhotoFile& f, ByteView head, std::vector<EmbeddedImage>* out, std::string source, uint64_t off,
              uint64_t len) {
    for (const EmbeddedImage& e : *out)
        if (e.offset == off && e.length == len) return;
    EmbeddedImage im;
    im.source = std::move(source);
    im.offset = off;
    im.length = len;
    Bytes first;
    // The frame header can follow a long EXIF segment.
    if (fits(f, off, len) && readRange(f, head, off, len < 65536 ? len : 65536, &first)) {
        FrameSize fs = jpegFrameSize(first, 0);
        im.width = fs.width;
        im.height = fs.height;
        im.marker = fs.marker;
    }
    out->push_back(std::move(im));
}

}  // namespace

std::vector<EmbeddedImage> listEmbeddedImages(PhotoFile& f, ByteView head, int fi) {
    std::vector<EmbeddedImage> out;
    const char* label = containerLabel(fi);
    std::string lab = label;
    if (isTiffRaw(head) && lab != "ORF" && lab != "RW2/RWL") {
        for (const WalkedIfd& w : walkTiffIfds(f, head, true)) {
            int64_t o = fileIfdValue(w.ifd, 0x0201, 0), l = fileIfdValue(w.ifd, 0x0202, 0);
            if (o > 0 && l > 16) addImage(f, head, &out, ifdName(w) + " JPEGInterchangeFormat", w.ifd.base + uint64_t(o), uint64_t(l));
            int64_t comp = fileIfdValue(w.ifd, 0x0103);
            if ((comp == 6 || comp == 7) && fileIfdCount(w.ifd, 0x0111) == 1 && fileIfdCount(w.ifd, 0x0117) == 1) {
                o = fileIfdValue(w.ifd, 0x0111, 0);
                l = fileIfdValue(w.ifd, 0x0117, 0);
                if (o > 0 && l > 16) addImage(f, head, &out, ifdName(w) + " strip", uint64_t(o), uint64_t(l));
            }
        }
    }
    if (lab == "NEF/NRW") {
        FileIfd mn;
        if (nikonPreviewIfd(f, head, fi, &mn)) {
            int64_t o = fileIfdValue(mn, 0x0201, 0), l = fileIfdValue(mn, 0x0202, 0);
            if (o > 0 && l > 16) addImage(f, head, &out, "maker-note PreviewIFD", mn.base + uint64_t(o), uint64_t(l));
        }
    }
    uint64_t off, len;
    if (lab == "ORF" && orfPreviewPlace(head, fi, &off, &len)) addImage(f, head, &out, "maker-note PreviewImage", off, len);
    if (lab == "CR3") {
        if (cr3PreviewPlace(head, f, &off, &len)) addImage(f, head, &out, "CR3 PRVW", off, len);
        int64_t to, tl;
        if (thumbCr3(head, &to, &tl)) addImage(f, head, &out, "CR3 THMB", uint64_t(to), uint64_t(tl));
        // Not the viewer's choice (it would read megabytes for each photo), but listed.
        if (cr3TrackOnePlace(head, &off, &len)) addImage(f, head, &out, "CR3 track 1", off, len);
    }
    if (lab == "RAF") {
        off = readU32(head, 84, false);
        len = readU32(head, 88, false);
        if (off >= 92 && len > 16) addImage(f, head, &out, "RAF header JPEG", off, len);
    }
    if (lab == "RW2/RWL" && rw2Jpeg(head, &off, &len) && off && len > 16)
        addImage(f, head, &out, "JpgFromRaw (0x002E)", off, len);
    X3fTrailer t;
    if (lab == "X3F" && x3fTrailer(head, &t)) addImage(f, head, &out, "X3F image section", t.jpegOffset, t.jpegLength);
    // The classic EXIF thumbnail (IFD1 of the TIFF the container locates).
    int64_t tb = locateTiff(head, fi);
    if (tb >= 0 && uint64_t(tb) < f.headFileBytes && !isTiffRaw(head)) {
        bool le = tiffLittleEndian(head, tb);
        int64_t ifd1 = nextIfd(head, tb + int64_t(readU32(head, tb + 4, le)), le);
        if (ifd1) {
            int64_t p = tb + ifd1;
            int64_t eo = findTag(head, p, le, 0x0201), el = findTag(head, p, le, 0x0202);
            if (eo && el && entryValue(head, eo, le) > 0 && entryValue(head, el, le) >= 16)
                addImage(f, head, &out, "EXIF IFD1 thumbnail", uint64_t(tb) + entryValue(head, eo, le), entryValue(head, el, le));
        }
    }
    return out;
}

}  // namespace lv
