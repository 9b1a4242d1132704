#include "metadata/tiff.h"

#include <cstdlib>

#include "metadata/preview.h"

namespace lv {

// [SECTION] integer readers
uint8_t readByte(ByteView b, int64_t pos) { return b.has(pos, 1) ? b.data[pos] : 0; }

uint16_t readU16(ByteView b, int64_t pos, bool le) {
    if (!b.has(pos, 2)) return 0;
    const uint8_t* p = b.data + pos;
    return le ? uint16_t(p[0] | (p[1] << 8)) : uint16_t((p[0] << 8) | p[1]);
}

int16_t readI16(ByteView b, int64_t pos, bool le) { return int16_t(readU16(b, pos, le)); }

uint32_t readU32(ByteView b, int64_t pos, bool le) {
    if (!b.has(pos, 4)) return 0;
    const uint8_t* p = b.data + pos;
    return le ? uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24
              : uint32_t(p[3]) | uint32_t(p[2]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[0]) << 24;
}

int32_t readI32(ByteView b, int64_t pos, bool le) { return int32_t(readU32(b, pos, le)); }

bool bytesAt(ByteView b, int64_t pos, std::string_view s) {
    if (!b.has(pos, int64_t(s.size()))) return false;
    for (size_t i = 0; i < s.size(); i++)
        if (b.data[pos + int64_t(i)] != uint8_t(s[i])) return false;
    return true;
}

// [SECTION] IFD walking
int ifdEntryCount(ByteView b, int64_t ifdPos, bool le) {
    if (!b.has(ifdPos, 2)) return 0;
    int n = readU16(b, ifdPos, le);
    return n > kMaxIfdEntries ? 0 : n;
}

int64_t ifdEntryPos(ByteView b, int64_t ifdPos, int i) {
    if (ifdPos < 0 || i < 0) return 0;
    int64_t p = ifdPos + 2 + 12 * int64_t(i);
    return b.has(p, 12) ? p : 0;
}

int64_t findTag(ByteView b, int64_t ifdPos, bool le, uint16_t tag) {
    int n = ifdEntryCount(b, ifdPos, le);
    for (int i = 0; i < n; i++) {
        int64_t e = ifdEntryPos(b, ifdPos, i);
        if (!e) return 0;
        if (readU16(b, e, le) == tag) return e;
    }
    return 0;
}

uint16_t entryTag(ByteView b, int64_t e, bool le) { return readU16(b, e, le); }
uint16_t entryType(ByteView b, int64_t e, bool le) { return readU16(b, e + 2, le); }
uint32_t entryCount(ByteView b, int64_t e, bool le) { return readU32(b, e + 4, le); }

uint32_t entryValue(ByteView b, int64_t e, bool le) {
    if (e <= 0 || !b.has(e, 12)) return 0;
    switch (readU16(b, e + 2, le)) {
        case 1: case 2: case 6: case 7: return readByte(b, e + 8);
        case 3: case 8: return readU16(b, e + 8, le);
        default: return readU32(b, e + 8, le);
    }
}

int tiffTypeSize(uint16_t type) {
    static const int kSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4, 0, 0, 8, 8, 8};
    return type < sizeof(kSizes) / sizeof(kSizes[0]) ? kSizes[type] : 0;
}

int64_t entryDataPos(ByteView b, int64_t base, int64_t e, bool le) {
    if (e <= 0 || !b.has(e, 12)) return -1;
    int size = tiffTypeSize(entryType(b, e, le));
    if (!size) return -1;
    uint64_t bytes = uint64_t(entryCount(b, e, le)) * uint64_t(size);
    if (bytes > 0x7FFFFFFFull) return -1;
    if (bytes <= 4) return e + 8;
    return base + int64_t(readU32(b, e + 8, le));
}

uint32_t nextIfd(ByteView b, int64_t ifdPos, bool le) {
    // An unreadable or oversized count leaves nowhere to find the link; an IFD that merely has
    // no entries still has one.
    if (!b.has(ifdPos, 2) || readU16(b, ifdPos, le) > kMaxIfdEntries) return 0;
    return readU32(b, ifdPos + 2 + 12 * int64_t(ifdEntryCount(b, ifdPos, le)), le);
}

namespace {

std::string trimmedText(ByteView b, int64_t pos, int64_t count) {
    if (count <= 0 || !b.has(pos, count)) return {};
    const char* p = reinterpret_cast<const char*>(b.data + pos);
    size_t n = 0;
    while (n < size_t(count) && p[n]) n++;
    size_t s = 0;
    while (s < n && p[s] == ' ') s++;
    while (n > s && p[n - 1] == ' ') n--;
    return std::string(p + s, n - s);
}

}  // namespace

std::string stringValue(ByteView b, int64_t base, int64_t e, bool le) {
    if (e <= 0 || !b.has(e, 12) || entryType(b, e, le) != 2) return {};
    uint32_t count = entryCount(b, e, le);
    if (count < 2 || count > 64) return {};
    int64_t pos = count <= 4 ? e + 8 : base + int64_t(readU32(b, e + 8, le));
    return trimmedText(b, pos, count);
}

double readRational(ByteView b, int64_t pos, bool le) {
    if (!b.has(pos, 8)) return 0;
    uint32_t d = readU32(b, pos + 4, le);
    return d ? double(readU32(b, pos, le)) / double(d) : 0;
}

std::string refText(ByteView b, StringRef r) { return trimmedText(b, r.pos, r.count); }

// [SECTION] EXIF summary
namespace {

// A string reference: inline for count <= 4, else base + stored offset.
StringRef stringRef(ByteView b, int64_t base, int64_t e, bool le) {
    StringRef r;
    r.count = entryCount(b, e, le);
    r.pos = r.count <= 4 ? e + 8 : base + int64_t(readU32(b, e + 8, le));
    return r;
}

// The tags of one IFD already taken: a repeated entry (a corrupt or doctored file) must not
// override the first, which is the one every other reader of the file sees.
struct TagsTaken {
    uint16_t tags[32] = {};
    int n = 0;
    bool first(uint16_t tag) {
        for (int i = 0; i < n; i++)
            if (tags[i] == tag) return false;
        if (n < 32) tags[n++] = tag;
        return true;
    }
};

// The EXIF IFD tags the summary takes.
bool isSummaryTag(uint16_t tag) {
    static const uint16_t kTags[] = {0xA434, 0xA433, 0xA431, 0x9003, 0x9291, 0x829A, 0x829D, 0x9204, 0x920A,
                                     0x8827, 0x9207, 0xA405, 0xA002, 0xA003, 0xA432, 0x927C};
    for (uint16_t t : kTags)
        if (t == tag) return true;
    return false;
}

}  // namespace

bool readExifSummary(ByteView buf, int formatIndex, ExifSummary* out) {
    ExifSummary s;
    *out = s;
    if (buf.size < 12) return false;
    int64_t t = formatIndex < 0 ? 0 : locateTiff(buf, formatIndex);
    if (t < 0 || !buf.has(t, 8)) return false;
    s.tiffBase = t;
    s.littleEndian = tiffLittleEndian(buf, t);
    bool le = s.littleEndian;
    s.makerNoteBase = t;
    s.makerNoteLittleEndian = le;
    s.ifd0Pos = t + int64_t(readU32(buf, t + 4, le));

    int64_t exifIfd = 0;
    StringRef ifd0Date;
    TagsTaken taken0;
    int n0 = ifdEntryCount(buf, s.ifd0Pos, le);
    for (int i = 0; i < n0; i++) {
        int64_t e = ifdEntryPos(buf, s.ifd0Pos, i);
        if (!e) break;
        uint16_t tag = entryTag(buf, e, le);
        if (tag != 0x010F && tag != 0x0110 && tag != 0x0131 && tag != 0x9003 && tag != 0x8769) continue;
        if (!taken0.first(tag)) continue;
        switch (tag) {
            case 0x010F: s.make = stringRef(buf, t, e, le); break;
            case 0x0110: s.model = stringRef(buf, t, e, le); break;
            case 0x0131: s.software = stringRef(buf, t, e, le); break;
            case 0x9003: ifd0Date = stringRef(buf, t, e, le); break;
            case 0x8769: exifIfd = t + int64_t(entryValue(buf, e, le)); break;
        }
    }

    int64_t exifBase = t;
    bool ele = le;
    int64_t exifBlock = -1, mnBlock = -1;
    if (formatIndex >= 0) locateSecondaryBlocks(buf, formatIndex, &exifBlock, &mnBlock);
    if (exifBlock >= 0 && buf.has(exifBlock, 8)) {
        exifBase = exifBlock;
        ele = tiffLittleEndian(buf, exifBlock);
        exifIfd = exifBlock + int64_t(readU32(buf, exifBlock + 4, ele));
    }
    s.exifBase = exifBase;
    s.exifLittleEndian = ele;

    if (exifIfd > 0) {
        s.exifIfdPos = exifIfd;
        int n = ifdEntryCount(buf, exifIfd, ele);
        TagsTaken takenExif;
        for (int i = 0; i < n; i++) {
            int64_t e = ifdEntryPos(buf, exifIfd, i);
            if (!e) break;
            uint16_t tag = entryTag(buf, e, ele);
            if (!isSummaryTag(tag) || !takenExif.first(tag)) continue;
            int64_t off = exifBase + int64_t(readU32(buf, e + 8, ele));
            bool rational8 = buf.has(off, 8);
            switch (tag) {
                case 0xA434: s.lensModel = stringRef(buf, exifBase, e, ele); break;
                case 0xA433: s.lensMake = stringRef(buf, exifBase, e, ele); break;
                case 0xA431: s.bodySerial = stringRef(buf, exifBase, e, ele); break;
                case 0x9003: s.dateTimeOriginal = stringRef(buf, exifBase, e, ele); break;
                case 0x9291: {
                    uint32_t c = entryCount(buf, e, ele);
                    s.subSecCount = int(c > 0x7FFFFFFF ? 0x7FFFFFFF : c);
                    if (c >= 1 && c <= 4)
                        s.subSecInline = readU32(buf, e + 8, true);
                    else
                        s.subSecOffset = off;
                    break;
                }
                case 0x829A:
                    if (rational8) s.exposureTimeNum = readU32(buf, off, ele), s.exposureTimeDen = readU32(buf, off + 4, ele);
                    break;
                case 0x829D:
                    if (rational8) s.fNumberNum = readU32(buf, off, ele), s.fNumberDen = readU32(buf, off + 4, ele);
                    break;
                case 0x9204:
                    if (rational8) s.exposureBiasNum = readI32(buf, off, ele), s.exposureBiasDen = readI32(buf, off + 4, ele);
                    break;
                case 0x920A:
                    if (rational8) s.focalLengthNum = readU32(buf, off, ele), s.focalLengthDen = readU32(buf, off + 4, ele);
                    break;
                case 0x8827: s.iso = int(entryValue(buf, e, ele)); break;
                case 0x9207: s.meteringMode = int(entryValue(buf, e, ele)); break;
                case 0xA405: s.focalLength35 = int(entryValue(buf, e, ele)); break;
                case 0xA002: s.pixelWidth = int(entryValue(buf, e, ele)); break;
                case 0xA003: s.pixelHeight = int(entryValue(buf, e, ele)); break;
                case 0xA432:
                    if (entryCount(buf, e, ele) == 4 && buf.has(off, 32))
                        for (int k = 0; k < 4; k++) s.lensSpec[k] = readRational(buf, off + 8 * k, ele);
                    break;
                case 0x927C:
                    s.makerNotePos = off;
                    s.makerNoteLength = entryCount(buf, e, ele);
                    s.makerNoteBase = exifBase;
                    s.makerNoteLittleEndian = ele;
                    break;
            }
        }
    }
    if (!s.dateTimeOriginal.count && ifd0Date.count) s.dateTimeOriginal = ifd0Date;

    if (mnBlock >= 0 && buf.has(mnBlock, 8)) {
        bool mle = tiffLittleEndian(buf, mnBlock);
        s.makerNoteBase = mnBlock;
        s.makerNotePos = mnBlock + int64_t(readU32(buf, mnBlock + 4, mle));
        s.makerNoteLength = 0;
        s.makerNoteLittleEndian = mle;
    }
    *out = s;
    return n0 > 0;
}

int readOrientationAt(ByteView buf, int64_t t) {
    if (t < 0 || !buf.has(t, 8)) return 1;
    bool le = tiffLittleEndian(buf, t);
    int64_t e = findTag(buf, t + int64_t(readU32(buf, t + 4, le)), le, 0x0112);
    if (!e) return 1;
    uint32_t v = entryValue(buf, e, le);
    return v >= 1 && v <= 8 ? int(v) : 1;
}

bool setJpegOrientation(Bytes* jpeg, int value) {
    ByteView b(*jpeg);
    int64_t t = findExifTiff(b, 0);
    if (t < 0 || !b.has(t, 8)) return true;
    bool le = tiffLittleEndian(b, t);
    int64_t e = findTag(b, t + int64_t(readU32(b, t + 4, le)), le, 0x0112);
    if (!e) return true;
    if (entryType(b, e, le) != 3 || entryCount(b, e, le) != 1 || !b.has(e + 8, 2)) return false;
    uint8_t* v = jpeg->data() + e + 8;
    v[le ? 0 : 1] = uint8_t(value);
    v[le ? 1 : 0] = 0;
    return true;
}

int readOrientation(ByteView buf, int formatIndex) {
    int64_t t = formatIndex < 0 ? 0 : locateOrientationTiff(buf, formatIndex);
    return readOrientationAt(buf, t);
}

std::string subSecText(ByteView buf, const ExifSummary& s) {
    if (s.subSecCount <= 0) return {};
    if (s.subSecCount <= 4) {
        std::string r;
        for (int i = 0; i < s.subSecCount; i++) {
            char c = char((s.subSecInline >> (8 * i)) & 0xFF);
            if (!c) break;
            r += c;
        }
        return r;
    }
    return refText(buf, StringRef{s.subSecOffset, uint32_t(s.subSecCount)});
}

namespace {

// A decimal field at fixed characters; -1 when any character is not a digit.
int digitsAt(std::string_view s, size_t pos, size_t n) {
    if (pos + n > s.size()) return -1;
    int v = 0;
    for (size_t i = pos; i < pos + n; i++) {
        char c = s[i];
        if (c == ' ' && v == 0) continue;  // cameras sometimes pad fields with spaces
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

}  // namespace

double captureSerial(std::string_view date, std::string_view subSec) {
    static const int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    if (date.size() < 19) return 0;
    int year = digitsAt(date, 0, 4), month = digitsAt(date, 5, 2), day = digitsAt(date, 8, 2);
    int hour = digitsAt(date, 11, 2), minute = digitsAt(date, 14, 2), second = digitsAt(date, 17, 2);
    if (year < 2000 || month < 1 || month > 12 || day < 1 || hour < 0 || minute < 0 || second < 0) return 0;
    // Real days: every Gregorian leap day before the date counts, so 29 February has a serial of
    // its own and gaps across it are measured right. The day is not checked against the month.
    auto leapYearsThrough = [](int64_t y) { return y / 4 - y / 100 + y / 400; };
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int64_t days = int64_t(year - 2000) * 365 + leapYearsThrough(year - 1) - leapYearsThrough(1999) +
                   kDaysBeforeMonth[month - 1] + (leap && month > 2 ? 1 : 0) + (day - 1);
    double serial = double(days) * 86400.0 + hour * 3600.0 + minute * 60.0 + second;
    // Only the leading digits count: "50 " and "500" both mean half a second.
    while (!subSec.empty() && subSec.front() == ' ') subSec.remove_prefix(1);
    size_t n = 0;
    while (n < subSec.size() && subSec[n] >= '0' && subSec[n] <= '9') n++;
    if (n > 0) {
        double v = 0;
        for (size_t i = 0; i < n && i < 9; i++) v = v * 10 + (subSec[i] - '0');
        size_t used = n < 9 ? n : 9;
        double div = used == 1 ? 10 : used == 2 ? 100 : 1000;
        // Longer texts (microseconds) are scaled so that the value stays below one second.
        if (used > 3)
            for (size_t i = 3; i < used; i++) div *= 10;
        serial += v / div;
    }
    return serial;
}

double captureSerialOf(ByteView buf, const ExifSummary& s) {
    return captureSerial(refText(buf, s.dateTimeOriginal), subSecText(buf, s));
}

// [SECTION] JPEG segments
Segment findJpegSegment(ByteView b, int64_t start, uint8_t marker, std::string_view id) {
    Segment r;
    if (readByte(b, start) != 0xFF || readByte(b, start + 1) != 0xD8 || !b.has(start, 2)) return r;
    int64_t p = start + 2;
    while (b.has(p, 2)) {
        if (b.data[p] != 0xFF) break;
        while (b.has(p + 1, 1) && b.data[p + 1] == 0xFF) p++;
        if (!b.has(p, 4)) break;
        uint8_t m = b.data[p + 1];
        if (!((m >= 0xE0 && m <= 0xEF) || m == 0xFE)) break;
        int64_t len = readU16(b, p + 2, false);
        if (len < 2) break;
        if (m == marker && bytesAt(b, p + 4, id)) {
            r.pos = p + 4 + int64_t(id.size());
            r.length = len - 2 - int64_t(id.size());
            if (r.length < 0) r.length = 0;
            return r;
        }
        p += len + 2;
    }
    return r;
}

int64_t findExifTiff(ByteView b, int64_t start) {
    Segment s = findJpegSegment(b, start, 0xE1, std::string_view("Exif\0\0", 6));
    return s.pos >= 0 && b.has(s.pos, 1) ? s.pos : -1;
}

std::string findXmpPacket(ByteView b, int64_t start) {
    std::string id(kXmpNamespace);
    id += '\0';
    Segment s = findJpegSegment(b, start, 0xE1, id);
    if (s.pos < 0 || !b.has(s.pos, s.length)) return {};
    return std::string(reinterpret_cast<const char*>(b.data + s.pos), size_t(s.length));
}

FrameSize jpegFrameSize(ByteView b, int64_t start) {
    FrameSize r;
    if (readByte(b, start) != 0xFF || readByte(b, start + 1) != 0xD8 || !b.has(start, 2)) return r;
    int64_t p = start + 2;
    while (b.has(p, 2)) {
        if (b.data[p] != 0xFF) return r;
        uint8_t m = b.data[p + 1];
        bool sof = (m >= 0xC0 && m <= 0xC3) || (m >= 0xC5 && m <= 0xC7) || (m >= 0xC9 && m <= 0xCB) ||
                   (m >= 0xCD && m <= 0xCF);
        if (sof) {
            if (!b.has(p, 9)) return r;
            r.marker = m;
            r.height = readU16(b, p + 5, false);
            r.width = readU16(b, p + 7, false);
            return r;
        }
        if (m == 0xDA) return r;
        if (m == 0xFF) {
            p += 1;
        } else if ((m >= 0xD0 && m <= 0xD7) || m == 0x01) {
            p += 2;
        } else {
            if (!b.has(p + 2, 2)) return r;
            p += 2 + readU16(b, p + 2, false);
        }
    }
    return r;
}

}  // namespace lv
