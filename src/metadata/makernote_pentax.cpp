// Pentax maker notes (Pentax and Ricoh-made K bodies): focus, AF point selection, custom image,
// drive, shake reduction, lens by its code, level and light value.
#include "core/pathname.h"
#include "metadata/makernote.h"

namespace lv {

// [SECTION] value tables
static const CodeText kFocus[] = {
    {0, "AF"},   {1, "AF (macro)"}, {2, "MF (Infinity)"}, {3, "MF"}, {4, "AF (macro)"}, {5, "MF (pan focus)"},
    {16, "AF-S"}, {17, "AF-C"}, {18, "AF-A"}, {32, "AF (contrast detect)"}, {33, "AF-C (contrast detect)"},
    {272, "AF-S"}, {273, "AF-C"}, {274, "AF-A"}, {288, "AF (contrast detect)"},
};
static const CodeText kWhiteBalance[] = {
    {0, "Auto"},   {1, "Daylight"}, {2, "Shade"}, {3, "Fluorescent"}, {4, "Tungsten"}, {5, "Manual"},
    {6, "Daylight Fluorescent"}, {7, "Day White Fluorescent"}, {8, "White Fluorescent"}, {9, "Flash"},
    {10, "Cloudy"}, {11, "Warm White Fluorescent"}, {14, "Multi Auto"}, {15, "Colour Temperature Enhancement"},
    {17, "Kelvin"},
};
static const CodeText kCustomImage[] = {
    {0, "Natural"}, {1, "Bright"}, {2, "Portrait"}, {3, "Landscape"}, {4, "Vibrant"}, {5, "Monochrome"},
    {6, "Muted"}, {7, "Reversal Film"}, {8, "Bleach Bypass"}, {9, "Radiant"}, {10, "Cross Processing"}, {11, "Flat"},
};
static const CodeText kDrive[] = {
    {1, "Continuous"}, {2, "Continuous (Lo)"}, {3, "Burst"}, {4, "Continuous (Medium)"}, {5, "Continuous (Low)"},
};
static const CodeText kShake[] = {
    {0, "Off"}, {1, "On"}, {4, "Off"}, {5, "On but disabled"}, {6, "On (video)"}, {7, "On"}, {8, "Off"},
    {12, "Off"}, {15, "On"}, {16, "Off"}, {20, "Off"}, {23, "On"}, {39, "On"}, {135, "On"}, {167, "On"},
};
// Selected AF point (tag 0x000E), the values that name no point.
static const CodeText kAfSelected[] = {
    {65531, "Select"}, {65532, "Face detection"}, {65533, "Auto-area"}, {65534, "Centre point"}, {65535, "Auto-area"},
};
// Its second value on the bodies with an expandable area.
static const CodeText kAfExpanded[] = {
    {0, "Single point"}, {1, "Expanded area (S)"}, {3, "Expanded area (M)"}, {5, "Expanded area (L)"}};

// [SECTION] AF point layouts
// The phase-detect points as the viewfinder shows them: centred rows, numbered left to right and
// top to bottom from 1, on an even pitch given as fractions of the frame.
struct AfLayout {
    int rows[5];
    int rowCount;
    double pitchX, pitchY;
};
static const AfLayout kAf11 = {{3, 5, 3, 0, 0}, 3, 0.09, 0.14};      // SAFOX VIII to X
static const AfLayout kAf27 = {{5, 5, 7, 5, 5}, 5, 0.075, 0.1};      // SAFOX 11 (K-3, KP, 645Z)
static const AfLayout kAf33 = {{5, 7, 9, 7, 5}, 5, 0.055, 0.085};    // SAFOX 12 (K-1)

enum class AfFamily { none, p11, p27, p33 };

static AfFamily afFamily(const std::string& modelUpper) {
    static const char* const k33[] = {"PENTAX K-1", "PENTAX K-1 MARK II"};
    static const char* const k27[] = {"PENTAX K-3", "PENTAX K-3 II", "PENTAX KP", "PENTAX 645Z"};
    for (const char* m : k33)
        if (modelUpper == m) return AfFamily::p33;
    for (const char* m : k27)
        if (modelUpper == m) return AfFamily::p27;
    // The K-3 Mark III's 101-point module is not mapped; the mirrorless K-01 and Q bodies focus
    // on the sensor and number no points.
    if (modelUpper.rfind("PENTAX K-3 MARK III", 0) == 0 || modelUpper == "PENTAX K-01") return AfFamily::none;
    if (modelUpper.rfind("PENTAX K", 0) == 0 || modelUpper.rfind("PENTAX *IST", 0) == 0 || modelUpper == "PENTAX 645D")
        return AfFamily::p11;
    return AfFamily::none;
}

static const AfLayout* layoutOf(AfFamily f) {
    return f == AfFamily::p11 ? &kAf11 : f == AfFamily::p27 ? &kAf27 : f == AfFamily::p33 ? &kAf33 : nullptr;
}

// Centre of point n (1-based) as fractions of the sensor frame; false when there is no such point.
static bool pointPosition(const AfLayout& l, int n, double* u, double* v) {
    if (n < 1) return false;
    int first = 1;
    for (int r = 0; r < l.rowCount; r++) {
        if (n < first + l.rows[r]) {
            int col = n - first;
            *u = 0.5 + (col - (l.rows[r] - 1) / 2.0) * l.pitchX;
            *v = 0.5 + (r - (l.rowCount - 1) / 2.0) * l.pitchY;
            return true;
        }
        first += l.rows[r];
    }
    return false;
}

// The older bodies' AF record (tag 0x021F) names the points in focus at byte 11; the first one
// it names is the point that was used.
static const int kInFocus11[] = {0, 9, 10, 11, 5, 6, 7, 1, 2, 3, 8, 9, 1, 10, 2, 11, 3, 4, 5, 6, 7};

// The points in focus when the camera chose them (auto area), as a point number, else 0.
static int pointInFocus(ByteView b, const MakerNoteIfd& m, AfFamily f, const std::string& modelUpper) {
    if (f == AfFamily::p11) {
        TagData t = tagData(b, m, 0x021F);
        if (!t.found() || t.size != 1 || t.count <= 11) return 0;
        int code = readByte(b, t.pos + 11);
        return code < int(sizeof kInFocus11 / sizeof kInFocus11[0]) ? kInFocus11[code] : 0;
    }
    if (f == AfFamily::p27 && (modelUpper == "PENTAX K-3" || modelUpper == "PENTAX K-3 II")) {
        // One bit per point, bit 0 the top-left point.
        TagData t = tagData(b, m, 0x000F);
        if (!t.found() || t.size != 4) return 0;
        uint32_t bits = uint32_t(tagInt(b, m, t, 0, 0));
        for (int i = 0; i < 27; i++)
            if (bits & (1u << i)) return i + 1;
        return 0;
    }
    if (f == AfFamily::p33) {
        // Two bits per point from the high bits of byte 4; the upper bit marks focus.
        TagData t = tagData(b, m, 0x0245);
        if (!t.found() || t.size != 1 || t.count < 13) return 0;
        for (int i = 0; i < 33; i++) {
            int byte = readByte(b, t.pos + 4 + i / 4);
            if ((byte >> (6 - 2 * (i % 4))) & 0x02) return i + 1;
        }
    }
    return 0;
}

static const struct PentaxLens {
    int series, number;
    const char* name;
} kLenses[] = {
    {3, 17, "smc PENTAX-FA SOFT 85mm F2.8"},
    {3, 18, "smc PENTAX-F 1.7X AF ADAPTER"},
    {3, 19, "smc PENTAX-F 24-50mm F4"},
    {3, 20, "smc PENTAX-F 35-80mm F4-5.6"},
    {3, 21, "smc PENTAX-F 80-200mm F4.7-5.6"},
    {3, 22, "smc PENTAX-F FISH-EYE 17-28mm F3.5-4.5"},
    {3, 24, "smc PENTAX-F 35-135mm F3.5-4.5"},
    {3, 26, "smc PENTAX-F* 250-600mm F5.6 ED[IF]"},
    {3, 30, "PENTAX-F 70-200mm F4-5.6"},
    {3, 32, "smc PENTAX-F 50mm F1.4"},
    {3, 33, "smc PENTAX-F 50mm F1.7"},
    {3, 34, "smc PENTAX-F 135mm F2.8 [IF]"},
    {3, 35, "smc PENTAX-F 28mm F2.8"},
    {3, 38, "smc PENTAX-F* 300mm F4.5 ED[IF]"},
    {3, 39, "smc PENTAX-F* 600mm F4 ED[IF]"},
    {3, 40, "smc PENTAX-F Macro 100mm F2.8"},
    {3, 50, "smc PENTAX-FA 28-70mm F4 AL"},
    {3, 53, "smc PENTAX-FA 28-80mm F3.5-5.6 AL"},
    {3, 247, "smc PENTAX-DA FISH-EYE 10-17mm F3.5-4.5 ED[IF]"},
    {3, 248, "smc PENTAX-DA 12-24mm F4 ED AL[IF]"},
    {3, 250, "smc PENTAX-DA 50-200mm F4-5.6 ED"},
    {3, 251, "smc PENTAX-DA 40mm F2.8 Limited"},
    {3, 252, "smc PENTAX-DA 18-55mm F3.5-5.6 AL"},
    {3, 253, "smc PENTAX-DA 14mm F2.8 ED[IF]"},
    {3, 254, "smc PENTAX-DA 16-45mm F4 ED AL"},
    {4, 1, "smc PENTAX-FA SOFT 28mm F2.8"},
    {4, 2, "smc PENTAX-FA 80-320mm F4.5-5.6"},
    {4, 3, "smc PENTAX-FA 43mm F1.9 Limited"},
    {4, 6, "smc PENTAX-FA 35-80mm F4-5.6"},
    {4, 12, "smc PENTAX-FA 50mm F1.4"},
    {4, 15, "smc PENTAX-FA 28-105mm F4-5.6 [IF]"},
    {4, 19, "Tamron SP AF 90mm F2.8 (172E)"},
    {4, 20, "smc PENTAX-FA 28-80mm F3.5-5.6"},
    {4, 23, "smc PENTAX-FA 20-35mm F4 AL"},
    {4, 24, "smc PENTAX-FA 77mm F1.8 Limited"},
    {4, 28, "smc PENTAX-FA 35mm F2 AL"},
    {4, 34, "smc PENTAX-FA 24-90mm F3.5-4.5 AL[IF]"},
    {4, 35, "smc PENTAX-FA 100-300mm F4.7-5.8"},
    {4, 38, "smc PENTAX-FA 28-105mm F3.2-4.5 AL[IF]"},
    {4, 39, "smc PENTAX-FA 31mm F1.8 AL Limited"},
    {4, 43, "smc PENTAX-FA 28-90mm F3.5-5.6"},
    {4, 44, "smc PENTAX-FA J 75-300mm F4.5-5.8 AL"},
    {4, 46, "smc PENTAX-FA J 28-80mm F3.5-5.6 AL"},
    {4, 47, "smc PENTAX-FA J 18-35mm F4-5.6 AL"},
    {4, 51, "smc PENTAX-D FA 50mm F2.8 Macro"},
    {4, 52, "smc PENTAX-D FA 100mm F2.8 Macro"},
    {4, 214, "smc PENTAX-DA 35mm F2.4 AL"},
    {4, 229, "smc PENTAX-DA 18-55mm F3.5-5.6 AL II"},
    {4, 231, "smc PENTAX-DA 18-250mm F3.5-6.3 ED AL [IF]"},
    {4, 243, "smc PENTAX-DA 70mm F2.4 Limited"},
    {4, 244, "smc PENTAX-DA 21mm F3.2 AL Limited"},
    {4, 247, "smc PENTAX-DA FISH-EYE 10-17mm F3.5-4.5 ED[IF]"},
    {4, 248, "smc PENTAX-DA 12-24mm F4 ED AL [IF]"},
    {4, 250, "smc PENTAX-DA 50-200mm F4-5.6 ED"},
    {4, 251, "smc PENTAX-DA 40mm F2.8 Limited"},
    {4, 252, "smc PENTAX-DA 18-55mm F3.5-5.6 AL"},
    {4, 253, "smc PENTAX-DA 14mm F2.8 ED[IF]"},
    {4, 254, "smc PENTAX-DA 16-45mm F4 ED AL"},
    {7, 0, "smc PENTAX-DA 21mm F3.2 AL Limited"},
    {7, 58, "smc PENTAX-D FA Macro 100mm F2.8 WR"},
    {7, 202, "smc PENTAX-DA L 18-55mm F3.5-5.6 AL WR"},
    {7, 203, "HD PENTAX-DA 55-300mm F4-5.8 ED WR"},
    {7, 204, "HD PENTAX-DA 15mm F4 ED AL Limited"},
    {7, 205, "HD PENTAX-DA 35mm F2.8 Macro Limited"},
    {7, 206, "HD PENTAX-DA 70mm F2.4 Limited"},
    {7, 207, "HD PENTAX-DA 21mm F3.2 ED AL Limited"},
    {7, 208, "HD PENTAX-DA 40mm F2.8 Limited"},
    {7, 212, "smc PENTAX-DA 50mm F1.8"},
    {7, 213, "smc PENTAX-DA 40mm F2.8 XS"},
    {7, 214, "smc PENTAX-DA 35mm F2.4 AL"},
    {7, 216, "smc PENTAX-DA L 55-300mm F4-5.8 ED"},
    {7, 217, "smc PENTAX-DA 50-200mm F4-5.6 ED WR"},
    {7, 218, "smc PENTAX-DA 18-55mm F3.5-5.6 AL WR"},
    {7, 221, "smc PENTAX-DA L 50-200mm F4-5.6 ED"},
    {7, 222, "smc PENTAX-DA L 18-55mm F3.5-5.6"},
    {7, 224, "smc PENTAX-DA 15mm F4 ED AL Limited"},
    {7, 229, "smc PENTAX-DA 18-55mm F3.5-5.6 AL II"},
    {7, 231, "smc PENTAX-DA 18-250mm F3.5-6.3 ED AL [IF]"},
    {7, 233, "smc PENTAX-DA 35mm F2.8 Macro Limited"},
    {7, 236, "smc PENTAX-DA 55-300mm F4-5.8 ED"},
    {7, 243, "smc PENTAX-DA 70mm F2.4 Limited"},
    {7, 244, "smc PENTAX-DA 21mm F3.2 AL Limited"},
    {8, 59, "HD PENTAX-D FA 150-450mm F4.5-5.6 ED DC AW"},
    {8, 60, "HD PENTAX-D FA* 70-200mm F2.8 ED DC AW"},
    {8, 61, "HD PENTAX-D FA 28-105mm F3.5-5.6 ED DC WR"},
    {8, 62, "HD PENTAX-D FA 24-70mm F2.8 ED SDM WR"},
    {8, 63, "HD PENTAX-D FA 15-30mm F2.8 ED SDM WR"},
    {8, 64, "HD PENTAX-D FA* 50mm F1.4 SDM AW"},
    {8, 65, "HD PENTAX-D FA 70-210mm F4 ED SDM WR"},
    {8, 66, "HD PENTAX-D FA 85mm F1.4 ED SDM AW"},
    {8, 67, "HD PENTAX-D FA 21mm F2.4 ED Limited DC WR"},
    {8, 195, "HD PENTAX DA* 16-50mm F2.8 ED PLM AW"},
    {8, 196, "HD PENTAX-DA* 11-18mm F2.8 ED DC AW"},
    {8, 197, "HD PENTAX-DA 55-300mm F4.5-6.3 ED PLM WR RE"},
    {8, 198, "smc PENTAX-DA L 18-50mm F4-5.6 DC WR RE"},
    {8, 199, "HD PENTAX-DA 18-50mm F4-5.6 DC WR RE"},
    {8, 200, "HD PENTAX-DA 16-85mm F3.5-5.6 ED DC WR"},
    {8, 209, "HD PENTAX-DA 20-40mm F2.8-4 ED Limited DC WR"},
    {8, 210, "smc PENTAX-DA 18-270mm F3.5-6.3 ED SDM"},
    {8, 211, "HD PENTAX-DA 560mm F5.6 ED AW"},
    {8, 215, "smc PENTAX-DA 18-135mm F3.5-5.6 ED AL [IF] DC WR"},
    {8, 226, "smc PENTAX-DA* 55mm F1.4 SDM"},
    {8, 227, "smc PENTAX-DA* 60-250mm F4 [IF] SDM"},
    {8, 232, "smc PENTAX-DA 17-70mm F4 AL [IF] SDM"},
    {8, 234, "smc PENTAX-DA* 300mm F4 ED [IF] SDM"},
    {8, 235, "smc PENTAX-DA* 200mm F2.8 ED [IF] SDM"},
    {8, 241, "smc PENTAX-DA* 50-135mm F2.8 ED [IF] SDM"},
    {8, 242, "smc PENTAX-DA* 16-50mm F2.8 ED AL [IF] SDM"},
    {9, 3, "HD PENTAX-FA 43mm F1.9 Limited"},
    {9, 24, "HD PENTAX-FA 77mm F1.8 Limited"},
    {9, 39, "HD PENTAX-FA 31mm F1.8 AL Limited"},
    {9, 247, "HD PENTAX-DA FISH-EYE 10-17mm F3.5-4.5 ED [IF]"},
};

// [SECTION] reading
// The shutter count (tag 0x005D) is stored scrambled with the note's own date (0x0006) and time
// (0x0007) bytes; without both it cannot be read.
static std::string shutterCount(ByteView b, const MakerNoteIfd& m) {
    TagData count = tagData(b, m, 0x005D), date = tagData(b, m, 0x0006), time = tagData(b, m, 0x0007);
    if (!count.found() || count.size != 1 || count.count != 4) return {};
    if (!date.found() || date.size != 1 || date.count != 4 || !time.found() || time.size != 1 || time.count < 3)
        return {};
    uint32_t c = readU32(b, count.pos, false), d = readU32(b, date.pos, false);
    uint32_t t = uint32_t(readByte(b, time.pos)) << 24 | uint32_t(readByte(b, time.pos + 1)) << 16 |
                 uint32_t(readByte(b, time.pos + 2)) << 8;
    uint32_t n = c ^ d ^ (0xFFFFFFFFu - t);
    // A count beyond any shutter's life means the date or time bytes were edited.
    if (n == 0 || n > 5000000) return {};
    return std::to_string(n);
}

// Shutter (tag 0x0087): 0 the mechanical shutter, 1 electronic; -1 when not recorded.
static int shutterType(ByteView b, const MakerNoteIfd& m) {
    int64_t v = tagFirst(b, m, 0x0087);
    return v == 0 ? 0 : v == 1 ? 1 : -1;
}

// The sensor temperature in tenths of a degree, at byte 12 of the temperature record (tag 0x03FF)
// of the bodies that write one there; other bodies use the tag for something else.
static void sensorTemperature(ByteView b, const MakerNoteIfd& m, const std::string& modelUpper, ShotInfo* out) {
    static const char* const kModels[] = {"PENTAX K-5", "PENTAX K-5 II", "PENTAX K-5 II S", "PENTAX K-30",
                                          "PENTAX K-01", "PENTAX K-50", "PENTAX K-500", "PENTAX K-3",
                                          "PENTAX K-3 II", "PENTAX K-3 MARK III"};
    bool listed = false;
    for (const char* k : kModels) listed = listed || modelUpper == k;
    TagData t = tagData(b, m, 0x03FF);
    if (!listed || !t.found() || t.size != 1 || t.count < 14) return;
    int tenths = readI16(b, t.pos + 12, m.le);
    if (tenths <= -500 || tenths >= 1000) return;
    out->sensorTemp = tenths / 10.0;
    out->hasSensorTemp = true;
}

// Pixel shift (tag 0x0243, first byte 1) takes four frames for one picture.
static bool pixelShift(ByteView b, const MakerNoteIfd& m) {
    TagData t = tagData(b, m, 0x0243);
    return t.found() && t.size == 1 && readByte(b, t.pos) == 1;
}

static bool pentaxIfd(ByteView b, const ExifSummary& s, MakerNoteIfd* m) {
    std::string make = upperAscii(makeOf(b, s)), model = upperAscii(modelOf(b, s));
    bool pentax = make.rfind("PENTAX", 0) == 0 || model.rfind("PENTAX", 0) == 0 || make.rfind("ASAHI", 0) == 0;
    if (!pentax) return false;
    int64_t base = 0;
    bool le = s.littleEndian;
    int64_t start = makerNoteStart(b, s, &base, &le);
    if (start <= 0) return false;
    // "PENTAX " NUL: byte order, then the IFD; offsets from the note's start. "AOC" NUL: byte
    // order, then the IFD; offsets from the TIFF.
    if (bytesAt(b, start, std::string_view("PENTAX \0", 8))) {
        bool ole = bytesAt(b, start + 8, "II");
        if (!ole && !bytesAt(b, start + 8, "MM")) return false;
        // Rewriting tools sometimes keep the "MM" mark over little-endian entries: trust the
        // order whose entry count is sane.
        if (ifdEntryCount(b, start + 10, ole) == 0 && ifdEntryCount(b, start + 10, !ole) > 0) ole = !ole;
        *m = {start, start + 10, start, ole};
        return true;
    }
    if (bytesAt(b, start, std::string_view("AOC\0", 4))) {
        bool ole = bytesAt(b, start + 4, "II");
        if (!ole && !bytesAt(b, start + 4, "MM")) ole = le;  // some bodies leave it blank
        if (ifdEntryCount(b, start + 6, ole) == 0 && ifdEntryCount(b, start + 6, !ole) > 0) ole = !ole;
        *m = {start, start + 6, base, ole};
        return true;
    }
    return false;
}

static std::string lensByCode(int series, int number) {
    for (const PentaxLens& l : kLenses)
        if (l.series == series && l.number == number) return l.name;
    return {};
}

static std::string driveText(ByteView b, const MakerNoteIfd& m) {
    TagData t = tagData(b, m, 0x0034);
    return t.found() ? lookup(kDrive, tagInt(b, m, t, 0)) : std::string();
}

// Ricoh's GR bodies write the same tags with their own focus modes.
static const CodeText kRicohFocus[] = {{2, "MF (Infinity)"}, {3, "MF"}, {5, "MF (Snap)"}, {16, "AF-S"}, {17, "AF-C"},
                                       {272, "AF-S"}, {273, "AF-C"}};

std::string pentaxFocusText(ByteView b, const MakerNoteIfd& m, bool ricoh) {
    int64_t code = tagFirst(b, m, 0x000D);
    return ricoh ? lookup(kRicohFocus, code) : lookup(kFocus, code);
}

std::string pentaxDriveText(ByteView b, const MakerNoteIfd& m) { return driveText(b, m); }

// AF area text and AF point. The 27- and 33-point bodies can widen a selected point or select a
// zone of nine around it; the others select single points.
static void pentaxAfArea(ByteView b, const MakerNoteIfd& m, const std::string& modelUpper, int orientation,
                         ShotInfo* out) {
    TagData sel = tagData(b, m, 0x000E);
    if (!sel.found()) return;
    int64_t first = tagInt(b, m, sel, 0), second = tagInt(b, m, sel, 1, 0);
    AfFamily family = afFamily(modelUpper);
    bool wide = family == AfFamily::p27 || family == AfFamily::p33;
    int maxPoint = family == AfFamily::p33 ? 33 : family == AfFamily::p27 ? 27 : family == AfFamily::p11 ? 11 : 999;
    std::string area = lookup(kAfSelected, first);
    int point = 0;
    bool centre = first == 65534;
    if (area.empty() && first >= 1 && first <= maxPoint) {
        area = wide ? lookup(kAfExpanded, second) : "Select";
        point = int(first);
    } else if (area.empty() && wide && first >= 257 && first <= 256 + maxPoint) {
        area = "Zone select";
        point = int(first - 256);  // the zone's middle point
    } else if (first == 65535 || first == 65533) {
        point = pointInFocus(b, m, family, modelUpper);
    }
    if (area == "Auto-area" && out->focusMode.find("contrast") != std::string::npos) area = "Auto-area, contrast detect";
    out->afArea = area;
    if (isManualFocusText(out->focusMode)) return;
    double u = 0.5, v = 0.5, w = 0, h = 0;
    const AfLayout* layout = layoutOf(family);
    if (layout && point > 0 ? pointPosition(*layout, point, &u, &v) : centre && family != AfFamily::none) {
        turnBox(orientation, &u, &v, &w, &h);
        if (out->afPointX == 0) setAfPointFraction(out, u, v);
    }
}

void pentaxTags(ByteView b, const MakerNoteIfd& m, bool ricoh, ShotInfo* out) {
    out->focusMode = pentaxFocusText(b, m, ricoh);
    // Ricoh's bodies number their own areas: only the texts that name no point apply.
    if (ricoh) pentaxAfArea(b, m, std::string(), 1, out);
    out->whiteBalance = lookup(kWhiteBalance, tagFirst(b, m, 0x0019));
    int64_t kelvin = tagFirst(b, m, 0x0050);
    if (!out->whiteBalance.empty() && kelvin > 0 && tagFirst(b, m, 0x0019) == 17)
        out->whiteBalance += " (" + std::to_string(kelvin) + " K)";
    out->photoStyle = lookup(kCustomImage, tagFirst(b, m, 0x004F));
    out->driveMode = driveText(b, m);
    TagData sr = tagData(b, m, 0x005C);
    if (sr.found() && sr.count >= 2) out->stabMode = lookup(kShake, tagInt(b, m, sr, 1));

    TagData lens = tagData(b, m, 0x003F);
    if (lens.found() && lens.count >= 2) {
        std::string name = lensByCode(int(tagInt(b, m, lens, 0)), int(tagInt(b, m, lens, 1)));
        // Code 0 0 means no lens contacts (manual or adapted glass), 1 0 a K or M lens and 2 0 an
        // A lens, all focused by hand and unnamed; other codes missing from the table are real AF
        // lenses we cannot name, which must not be called manual.
        bool noContacts = tagInt(b, m, lens, 0) <= 2 && tagInt(b, m, lens, 1) == 0;
        if (out->lensModel.empty()) {
            if (!name.empty())
                out->lensModel = name;
            else if (out->fixedLens)
                out->lensModel = "Built-in, no detail found";
            else if (noContacts)
                out->lensModel = "Not recorded (manual or adapted lens)";
        }
    }
    TagData temp = tagData(b, m, 0x0047);
    if (temp.found()) {
        int t = int8_t(readByte(b, temp.pos));
        if (t > -100 && t < 100) {
            out->cameraTemp = t;
            out->hasCameraTemp = true;
        }
    }
    TagData level = tagData(b, m, 0x022B);
    if (level.found() && level.size == 1 && level.count >= 3) {
        out->hasLevel = true;
        out->roll = -int8_t(readByte(b, level.pos + 1)) / 2.0;
        out->pitch = -int8_t(readByte(b, level.pos + 2)) / 2.0;
    }
    TagData lv = tagData(b, m, 0x002D);
    if (lv.found()) {
        int64_t raw = lv.type == 3 ? int16_t(tagInt(b, m, lv, 0)) : int32_t(tagInt(b, m, lv, 0));
        out->lightValue = raw / 1024.0;
        out->hasLightValue = true;
    }
}

// The compacts and outdoor cameras sold under the Pentax name have their lens built in.
static bool builtInLens(const std::string& modelUpper) {
    static const char* const kPrefixes[] = {"PENTAX OPTIO", "PENTAX WG-", "PENTAX MX-1", "PENTAX XG-1", "PENTAX EI-"};
    for (const char* p : kPrefixes)
        if (modelUpper.rfind(p, 0) == 0) return true;
    return false;
}

bool decodePentax(ByteView b, const ExifSummary& s, ShotInfo* out) {
    MakerNoteIfd m;
    if (!pentaxIfd(b, s, &m)) return false;
    // Before the lens code is read, so a built-in lens is never called manual.
    if (builtInLens(upperAscii(modelOf(b, s)))) out->fixedLens = true;
    pentaxTags(b, m, false, out);
    if (out->fixedLens && out->lensModel.empty()) out->lensModel = "Built-in, no detail found";
    pentaxAfArea(b, m, upperAscii(modelOf(b, s)), readOrientationAt(b, s.tiffBase), out);
    if (out->shutterCount.empty()) out->shutterCount = shutterCount(b, m);
    if (pixelShift(b, m)) out->driveMode = "Pixel Shift Resolution";
    out->shutterType = shutterType(b, m);
    sensorTemperature(b, m, upperAscii(modelOf(b, s)), out);
    return true;
}

bool quickPentax(ByteView b, const ExifSummary& s, PhotoMeta* out) {
    MakerNoteIfd m;
    if (!pentaxIfd(b, s, &m)) return false;
    out->focusClass = focusClassOf(lookup(kFocus, tagFirst(b, m, 0x000D)));
    out->continuousDrive = !driveText(b, m).empty();
    out->shutterType = shutterType(b, m);
    if (out->lens.empty()) {
        TagData lens = tagData(b, m, 0x003F);
        if (lens.found() && lens.count >= 2) out->lens = lensByCode(int(tagInt(b, m, lens, 0)), int(tagInt(b, m, lens, 1)));
    }
    return true;
}

Bytes thumbPentax(PhotoFile& f, ByteView head) {
    ExifSummary s;
    MakerNoteIfd m;
    if (!summaryOfHead(head, &s) || !pentaxIfd(head, s, &m)) return {};
    int64_t start = tagFirst(head, m, 0x0004, -1), length = tagFirst(head, m, 0x0003, -1);
    if (start <= 0 || length <= 0) return {};
    return readJpegFromFile(f, head, uint64_t(m.base + start), uint64_t(length), 1024, 2097152);
}

}  // namespace lv
