// Nikon maker notes: an embedded TIFF after the "Nikon" header, plain-text focus and white
// balance, AFInfo2 with the AF area in image pixels, lens data, shutter count and the preview IFD.
#include <cmath>
#include <cstdlib>

#include "core/pathname.h"
#include "metadata/makernote.h"

namespace lv {

// [SECTION] value tables
static const CodeText kAreaPhase[] = {
    {0, "Single-point"},
    {1, "Dynamic-area"},
    {2, "Dynamic-area (closest subject)"},
    {3, "Group-area"},
    {4, "Dynamic-area (9 points)"},
    {5, "Dynamic-area (21 points)"},
    {6, "Dynamic-area (51 points)"},
    {7, "Dynamic-area (51 points, 3D-tracking)"},
    {8, "Auto-area"},
    {9, "3D-tracking"},
    {10, "Single-point (wide)"},
    {11, "Dynamic-area (wide)"},
    {12, "3D-tracking (wide)"},
    {13, "Group-area"},
    {14, "Dynamic-area (25 points)"},
    {15, "Dynamic-area (72 points)"},
    {16, "Group-area (horizontal)"},
    {17, "Group-area (vertical)"},
    {18, "Dynamic-area (49 points)"},
    {128, "Single-point"},
    {129, "Auto-area"},
    {130, "3D-tracking"},
    {131, "Face priority"},
    {192, "Pinpoint"},
    {193, "Single-point"},
    {194, "Dynamic-area"},
    {195, "Wide-area (S)"},
    {196, "Wide-area (L)"},
    {197, "Auto-area"},
    {198, "Auto-area (people)"},
    {199, "Auto-area (animals)"},
    {200, "Wide-area (C1)"},
    {201, "Wide-area (C2)"},
    {202, "Auto-area (vehicles)"},
    {203, "3D-tracking"},
};
static const CodeText kAreaContrast[] = {
    {0, "Contrast-detect"},  {1, "Normal-area"},     {2, "Wide-area"},    {3, "Face priority"},
    {4, "Subject tracking"}, {128, "Single-point"},  {129, "Auto-area"},  {130, "3D-tracking"},
    {131, "Face priority"},  {192, "Pinpoint"},      {193, "Single-point"}, {194, "Dynamic-area"},
    {195, "Wide-area (S)"},  {196, "Wide-area (L)"}, {197, "Auto-area"},  {198, "Auto-area (people)"},
    {199, "Auto-area (animals)"},
};
// The older AFInfo record (0x0088), byte 0.
static const CodeText kAreaOld[] = {{0, "Single-point"}, {1, "Dynamic-area"}, {2, "Dynamic-area (closest subject)"},
                                   {3, "Group-area"},   {4, "Single-point (wide)"}, {5, "Dynamic-area (wide)"}};
static const CodeText kDLighting[] = {{0, "Off"}, {1, "Low"}, {3, "Normal"}, {5, "High"}, {7, "Extra High"},
                                      {8, "Extra High 1"}, {9, "Extra High 2"}, {0xFFFF, "Auto"}};
static const CodeText kVr[] = {{1, "On"}, {2, "Off"}};

// Older bodies record only which of their few AF points was used, not where it lies. The points'
// places in the viewfinder, approximately, as fractions of the frame. The older AFInfo numbers
// them Center, Top, Bottom, Mid-left, Mid-right, Upper-left, Upper-right, Lower-left,
// Lower-right, Far left, Far right; AFInfo2 (11-point bodies) counts from 1 in its own order.
struct PointPlace {
    double x, y;
};
static const PointPlace kPlaces11[] = {
    {0.50, 0.50}, {0.50, 0.32}, {0.50, 0.68}, {0.36, 0.50}, {0.64, 0.50}, {0.36, 0.38},
    {0.64, 0.38}, {0.36, 0.62}, {0.64, 0.62}, {0.24, 0.50}, {0.76, 0.50},
};
// AFInfo2's 11-point numbering (1 Center, 2 Top, 3 Bottom, 4 Mid-left, 5 Upper-left, 6 Lower-left,
// 7 Far left, 8 Mid-right, 9 Upper-right, 10 Lower-right, 11 Far right) into the order above.
static const int kInfo2To11[] = {-1, 0, 1, 2, 3, 5, 7, 9, 4, 6, 8, 10};
// The 51-point grid: rows A-E, eleven columns in B-D and nine (centred) in A and E; point n by name.
static const char* const kPoints51[] = {
    "", "C6", "B6", "A5", "D6", "E5", "C7", "B7", "A6", "D7", "E6", "C5", "B5", "A4", "D5", "E4", "C8", "B8",
    "A7", "D8", "E7", "C9", "B9", "A8", "D9", "E8", "C10", "B10", "A9", "D10", "E9", "C11", "B11", "D11",
    "C4", "B4", "A3", "D4", "E3", "C3", "B3", "A2", "D3", "E2", "C2", "B2", "A1", "D2", "E1", "C1", "B1",
    "D1"
};

// [SECTION] reading
static bool nikonMake(const std::string& make) {
    std::string u = upperAscii(make);
    return u.rfind("NIKON", 0) == 0;
}

// The maker-note IFD: after "Nikon" NUL, a complete TIFF header 10 bytes in; older bodies write a
// bare IFD in the TIFF's byte order.
static bool nikonIfd(ByteView b, const ExifSummary& s, MakerNoteIfd* m) {
    if (!nikonMake(makeOf(b, s))) return false;
    int64_t base = 0;
    bool le = s.littleEndian;
    int64_t start = makerNoteStart(b, s, &base, &le);
    if (start <= 0) return false;
    if (bytesAt(b, start, std::string_view("Nikon\0", 6))) {
        int64_t t = start + 10;
        if (!b.has(start, 16)) return false;
        bool tle = bytesAt(b, t, "II");
        if (!tle && !bytesAt(b, t, "MM")) return false;
        if (readU16(b, t + 2, tle) != 42) return false;
        *m = {start, t + int64_t(readU32(b, t + 4, tle)), t, tle};
        return true;
    }
    *m = {start, start, base, le};
    return true;
}

// "1.00i", "01.00.h1": the firmware text at the start of ShotInfo, before its enciphered part.
static std::string shotInfoFirmware(ByteView b, const MakerNoteIfd& m) {
    TagData t = tagData(b, m, 0x0091);
    if (!t.found() || t.size != 1 || t.count < 9) return {};
    std::string v;
    for (uint32_t i = 4; i < t.count && i < 12; i++) {
        char c = char(readByte(b, t.pos + i));
        bool digit = c >= '0' && c <= '9', dot = c == '.', lower = c >= 'a' && c <= 'z';
        if (digit || dot) {
            v += c;
        } else if (lower && !v.empty()) {
            v += c;
            char n = char(readByte(b, t.pos + i + 1));
            if (i + 1 < t.count && i + 1 < 12 && n >= '0' && n <= '9') v += n;
            break;
        } else {
            break;
        }
    }
    if (v.empty() || v[0] < '0' || v[0] > '9' || v.find('.') == std::string::npos) return {};
    return v;
}

static std::string number1(double v) {
    long long t = (long long)std::floor(v * 10 + 0.5);
    std::string s = std::to_string(t / 10);
    if (t % 10) s += "." + std::to_string(t % 10);
    return s;
}

// "24-70 mm f/4" from the four lens rationals.
static std::string lensFromData(ByteView b, const MakerNoteIfd& m) {
    double f0 = tagRational(b, m, 0x0084, 0), f1 = tagRational(b, m, 0x0084, 1);
    double a0 = tagRational(b, m, 0x0084, 2), a1 = tagRational(b, m, 0x0084, 3);
    if (f0 <= 0 || f1 <= 0) return {};
    std::string s = number1(f0);
    if (std::fabs(f1 - f0) > 0.05) s += "-" + number1(f1);
    s += " mm";
    if (a0 > 0) {
        s += " f/" + number1(a0);
        if (a1 > 0 && std::fabs(a1 - a0) > 0.05) s += "-" + number1(a1);
    }
    return s;
}

struct NikonNote {
    MakerNoteIfd ifd;
    std::string focus, model;
    int shootingMode = -1;
};

static bool readNikon(ByteView b, const ExifSummary& s, NikonNote* n) {
    if (!nikonIfd(b, s, &n->ifd)) return false;
    n->model = upperAscii(modelOf(b, s));
    n->focus = tagText(b, n->ifd, 0x0007);
    n->shootingMode = int(tagFirst(b, n->ifd, 0x0089));
    return true;
}

bool decodeNikon(ByteView b, const ExifSummary& s, ShotInfo* out) {
    NikonNote n;
    if (!readNikon(b, s, &n)) return false;
    const MakerNoteIfd& m = n.ifd;
    if (n.model.rfind("COOLPIX", 0) == 0 || (n.model.size() > 1 && n.model[0] == 'E' && n.model[1] >= '0' && n.model[1] <= '9'))
        out->fixedLens = true;
    out->focusMode = n.focus;
    std::string wb = tagText(b, m, 0x0005);
    if (wb == "AUTO0") wb += " (keep white)";
    else if (wb == "AUTO2") wb += " (keep warm)";
    out->whiteBalance = wb;
    int64_t adl = tagFirst(b, m, 0x0022);
    out->dynamicRange = lookup(kDLighting, adl);
    TagData vr = tagData(b, m, 0x001F);
    if (vr.found() && vr.size == 1 && vr.count >= 5) out->stabMode = lookup(kVr, readByte(b, vr.pos + 4));
    if (n.shootingMode >= 0 && (n.shootingMode & 1)) out->driveMode = "Continuous";
    int64_t count = tagFirst(b, m, 0x00A7);
    if (count > 0) out->shutterCount = std::to_string(count);
    std::string fw = shotInfoFirmware(b, m);
    if (fw.empty()) {
        std::string sw = trimText(refText(b, s.software));
        if (startsWithNoCase(sw, "VER.")) fw = trimText(sw.substr(4));
        else if (startsWithNoCase(sw, "VER ")) fw = trimText(sw.substr(4));
    }
    out->cameraFirmware = fw;
    if (out->lensModel.empty()) out->lensModel = lensFromData(b, m);

    TagData oldAf = tagData(b, m, 0x0088);
    // Some bodies type it as one LONG; the bytes are the record either way.
    if (oldAf.found()) out->afArea = lookup(kAreaOld, readByte(b, oldAf.pos));
    bool oldPoint = oldAf.found() && int64_t(oldAf.count) * oldAf.size >= 2;
    int oldIndex = oldPoint ? readByte(b, oldAf.pos + 1) : -1;
    TagData iso = tagData(b, m, 0x0002);
    if (iso.found() && iso.count >= 2 && tagInt(b, m, iso, 1) > 0 && s.iso <= 0) out->isoText = std::to_string(tagInt(b, m, iso, 1));
    // The AF point as a named point of the viewfinder, for bodies with no AF rectangle.
    int orientationOld = readOrientationAt(b, s.tiffBase);
    auto placePoint = [&](double x, double y) {
        if (out->afPointX > 0 || isManualFocusText(n.focus) || startsWithNoCase(n.focus, "MANUAL")) return;
        double w = 0, h = 0;
        turnBox(orientationOld, &x, &y, &w, &h);
        setAfPointFraction(out, x, y);
    };
    TagData af = tagData(b, m, 0x00B7);
    if (af.found() && af.size == 1 && af.count >= 8) {
        int contrast = readByte(b, af.pos + 4), mode = readByte(b, af.pos + 5);
        out->afArea = contrast ? lookup(kAreaContrast, mode) : lookup(kAreaPhase, mode);
        // Version 0100 keeps the AF rectangle at 0x10, later versions at 0x2A.
        bool v1 = bytesAt(b, af.pos, "0100") || bytesAt(b, af.pos, "0101");
        int64_t at = af.pos + (v1 ? 0x10 : 0x2A);
        if (b.has(at, 12) && int64_t(af.count) >= at - af.pos + 12 && !isManualFocusText(n.focus) &&
            !startsWithNoCase(n.focus, "MANUAL")) {
            int W = readU16(b, at, m.le), H = readU16(b, at + 2, m.le);
            int x = readU16(b, at + 4, m.le), y = readU16(b, at + 6, m.le);
            int aw = readU16(b, at + 8, m.le), ah = readU16(b, at + 10, m.le);
            int orientation = readOrientationAt(b, s.tiffBase);
            if (W > 0 && H > 0 && x > 0 && y > 0) {
                setAfPointPixels(out, orientation, x, y, W, H);
                if (aw > 0 && ah > 0) {
                    double u = 0.5, v = 0.5, w = double(aw) / W, h = double(ah) / H;
                    turnBox(orientation, &u, &v, &w, &h);
                    out->afAreaWidth = w;
                    out->afAreaHeight = h;
                }
            }
        }
    }
    // A named point only when the record gave no AF rectangle (live-view contrast AF does).
    if (af.found() && af.size == 1 && af.count >= 8 && (bytesAt(b, af.pos, "0100") || bytesAt(b, af.pos, "0101"))) {
        int phase = readByte(b, af.pos + 6), primary = readByte(b, af.pos + 7);
        if (phase == 2 && primary >= 1 && primary <= 11) {
            const PointPlace& p = kPlaces11[kInfo2To11[primary]];
            placePoint(p.x, p.y);
        } else if (phase == 1 && primary >= 1 && primary <= 51) {
            const char* name = kPoints51[primary];
            int row = name[0] - 'A', col = std::atoi(name + 1) + (row == 0 || row == 4 ? 1 : 0);
            placePoint(0.5 + (col - 6) * 0.04, 0.5 + (row - 2) * 0.07);
        }
    }
    if (oldIndex >= 0 && oldIndex <= 10) placePoint(kPlaces11[oldIndex].x, kPlaces11[oldIndex].y);
    return true;
}

bool quickNikon(ByteView b, const ExifSummary& s, PhotoMeta* out) {
    NikonNote n;
    if (!readNikon(b, s, &n)) return false;
    out->focusClass = focusClassOf(n.focus);
    out->continuousDrive = n.shootingMode >= 0 && (n.shootingMode & 1);
    if (out->lens.empty()) out->lens = lensFromData(b, n.ifd);
    return true;
}

// [SECTION] preview IFD
bool nikonPreviewRange(ByteView head, const ExifSummary& s, PhotoFile* file, uint64_t* offset, uint64_t* length) {
    MakerNoteIfd m;
    if (!nikonIfd(head, s, &m) || m.base <= 0) return false;
    int64_t e = findTag(head, m.ifdPos, m.le, 0x0011);
    if (!e) return false;
    int64_t ifd = m.base + int64_t(readU32(head, e + 8, m.le));
    Bytes grown;
    ByteView view = head;
    if (!head.has(ifd, 2 + 12) && file) {
        // The preview IFD lies past the head: read just that directory.
        if (ifd < 0 || uint64_t(ifd) + 2 > file->size) return false;
        if (!readRange(*file, head, uint64_t(ifd), 2 + 12 * 64 + 4, &grown) || grown.size() < 2) return false;
        view = ByteView(grown);
        ifd = 0;
    }
    int64_t o = findTag(view, ifd, m.le, 0x0201), l = findTag(view, ifd, m.le, 0x0202);
    if (!o || !l) return false;
    uint32_t start = entryValue(view, o, m.le), len = entryValue(view, l, m.le);
    if (start < 1 || len < 16 || len > 4194304) return false;
    *offset = uint64_t(m.base) + start;
    *length = len;
    return true;
}

Bytes thumbNikon(PhotoFile& f, ByteView head) {
    ExifSummary s;
    if (!summaryOfHead(head, &s)) return {};
    uint64_t offset = 0, length = 0;
    if (!nikonPreviewRange(head, s, &f, &offset, &length)) return {};
    return readJpegFromFile(f, head, offset, length, 16, 4194304);
}

}  // namespace lv
