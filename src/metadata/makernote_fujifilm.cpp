// Fujifilm maker notes: always little-endian, offsets from the note's own start; film
// simulations, white balance with fine tuning, dynamic range, AF-C custom sets, drive with speed.
#include <cmath>
#include <cstdio>
#include <vector>

#include "core/pathname.h"
#include "metadata/makernote.h"

namespace lv {

// [SECTION] value tables
static const CodeText kFilm[] = {
    {0x000, "Provia/Standard"},
    {0x100, "Studio Portrait"},
    {0x110, "Studio Portrait Enhanced Saturation"},
    {0x120, "Astia/Soft"},
    {0x130, "Studio Portrait Increased Sharpness"},
    {0x200, "Velvia/Vivid"},
    {0x300, "Studio Portrait Ex"},
    {0x400, "Velvia"},
    {0x500, "Pro Neg. Std"},
    {0x501, "Pro Neg. Hi"},
    {0x600, "Classic Chrome"},
    {0x700, "Eterna"},
    {0x800, "Classic Negative"},
    {0x900, "Bleach Bypass"},
    {0xA00, "Nostalgic Neg"},
};
// Monochrome simulations are recorded as a colour setting instead of a film mode.
static const CodeText kMono[] = {
    {0x300, "Monochrome"}, {0x301, "Monochrome + R"}, {0x302, "Monochrome + Ye"}, {0x303, "Monochrome + G"},
    {0x310, "Sepia"},      {0x500, "Acros"},          {0x501, "Acros + R"},       {0x502, "Acros + Ye"},
    {0x503, "Acros + G"},
};
static const CodeText kWhiteBalance[] = {
    {0x000, "Auto"},
    {0x001, "Auto (white priority)"},
    {0x002, "Auto (ambiance priority)"},
    {0x100, "Daylight"},
    {0x200, "Cloudy"},
    {0x300, "Daylight Fluorescent"},
    {0x301, "Day White Fluorescent"},
    {0x302, "White Fluorescent"},
    {0x303, "Warm White Fluorescent"},
    {0x304, "Living Room Warm White Fluorescent"},
    {0x400, "Incandescent"},
    {0x500, "Flash"},
    {0x600, "Underwater"},
    {0xF00, "Custom"},
    {0xF01, "Custom 2"},
    {0xF02, "Custom 3"},
    {0xF03, "Custom 4"},
    {0xF04, "Custom 5"},
};
static const CodeText kAfMode[] = {{1, "Single Point"}, {256, "Zone"}, {512, "Wide/Tracking"}};
static const CodeText kStabType[] = {{0, "None"}, {1, "Optical"}, {2, "Body-only"}, {3, "Optical"},
                                     {258, "Body-only + Digital"}, {512, "Digital"}};
static const CodeText kDrive[] = {{1, "Continuous Low"}, {2, "Continuous High"}};
static const CodeText kStrength[] = {{0, "Off"}, {32, "Weak"}, {64, "Strong"}};
static const CodeText kGrainSize[] = {{16, "small"}, {32, "large"}};
static const CodeText kZone[] = {{0, "Front"}, {1, "Auto"}, {2, "Center"}};
// The AF-C word: tracking sensitivity in bits 0-3, speed tracking in 4-7, zone switching in 8-11;
// the five presets are fixed combinations of the three.
static const CodeText kAfcSet[] = {{0x102, "Set 1"}, {0x203, "Set 2"}, {0x122, "Set 3"}, {0x010, "Set 4"}, {0x123, "Set 5"}};
// FocusSettings bits 8-11, for bodies without the AF mode tag.
static const CodeText kAfAreaBits[] = {{0, "Single Point"}, {1, "Zone"}, {2, "Wide/Tracking"}};

// Image adjustments: the camera's code for each step of -4..+4.
struct CodeStep {
    int code;
    int step;
};
static const CodeStep kColourSteps[] = {{0x000, 0},  {0x080, 1},  {0x100, 2},  {0x0C0, 3}, {0x0E0, 4},
                                        {0x180, -1}, {0x400, -2}, {0x4C0, -3}, {0x4E0, -4}};
static const CodeStep kSharpSteps[] = {{0x00, -4}, {0x01, -3}, {0x02, -2}, {0x82, -1}, {0x03, 0},
                                       {0x84, 1},  {0x04, 2},  {0x05, 3},  {0x06, 4}};
static const CodeStep kNoiseSteps[] = {{0x000, 0},  {0x180, 1},  {0x100, 2},  {0x1C0, 3}, {0x1E0, 4},
                                       {0x280, -1}, {0x200, -2}, {0x2C0, -3}, {0x2E0, -4}};

static const char* const kFixedLensModels[] = {"X70", "XF10", "X10", "X30", "FINEPIX HS20EXR", "FINEPIX HS50EXR",
                                               "FINEPIX S5200", "FINEPIX S9500", "FINEPIX S9600"};

// [SECTION] reading
template <size_t N>
static bool stepOf(const CodeStep (&table)[N], int64_t code, int* step) {
    for (const CodeStep& c : table)
        if (c.code == code) {
            *step = c.step;
            return true;
        }
    return false;
}

static std::string signedStep(int v) { return v > 0 ? "+" + std::to_string(v) : std::to_string(v); }

// "Colour +2, sharpness -1, noise reduction -4, clarity +3": only the settings moved from 0.
static std::string adjustmentText(ByteView b, const MakerNoteIfd& m) {
    std::string out;
    auto add = [&](const char* name, int v) {
        if (v == 0) return;
        out += std::string(out.empty() ? "" : ", ") + name + " " + signedStep(v);
    };
    int v = 0;
    // Monochrome simulations reuse the colour tag for their filter; those codes are not steps.
    if (stepOf(kColourSteps, tagFirst(b, m, 0x1003), &v)) add("Colour", v);
    if (stepOf(kSharpSteps, tagFirst(b, m, 0x1001), &v)) add("sharpness", v);
    if (stepOf(kNoiseSteps, tagFirst(b, m, 0x100E), &v)) add("noise reduction", v);
    TagData clarity = tagData(b, m, 0x100F);
    if (clarity.found()) {
        int64_t c = tagInt(b, m, clarity, 0, 0);
        if (clarity.type == 4) c = int32_t(c);
        if (c % 1000 == 0 && c >= -5000 && c <= 5000) add("clarity", int(c / 1000));
    }
    if (!out.empty() && out[0] >= 'a' && out[0] <= 'z') out[0] = char(out[0] - 'a' + 'A');
    return out;
}

static bool fujiIfd(ByteView b, const ExifSummary& s, MakerNoteIfd* m) {
    int64_t base = 0;
    bool le = true;
    int64_t start = makerNoteStart(b, s, &base, &le);
    if (start <= 0 || !bytesAt(b, start, "FUJIFILM")) return false;
    int64_t ifd = start + int64_t(readU32(b, start + 8, true));
    if (!b.has(ifd, 2)) return false;
    *m = {start, ifd, start, true};
    return true;
}

static std::string focusText(ByteView b, const MakerNoteIfd& m) {
    // Newer bodies say AF-S / AF-C in the low bits of FocusSettings; older ones only auto or manual.
    int64_t settings = tagFirst(b, m, 0x102D);
    if (settings >= 0) {
        switch (settings & 0xF) {
            case 0: return "MF";
            case 1: return "AF-S";
            case 2: return "AF-C";
            default: break;
        }
    }
    int64_t mode = tagFirst(b, m, 0x1021);
    if (mode == 1) return "MF";
    if (mode == 0) return "AF";
    return {};
}

static bool fujiAccepts(ByteView b, const ExifSummary& s, MakerNoteIfd* m) {
    std::string make = upperAscii(makeOf(b, s));
    if (make.rfind("FUJI", 0) != 0 && make.rfind("GENERAL IMAGING", 0) != 0) return false;
    return fujiIfd(b, s, m);
}

bool decodeFujifilm(ByteView b, const ExifSummary& s, ShotInfo* out) {
    MakerNoteIfd m;
    if (!fujiAccepts(b, s, &m)) return false;
    std::string model = upperAscii(modelOf(b, s));
    bool x100 = model.find("X100") != std::string::npos;
    for (const char* fixed : kFixedLensModels)
        if (model == fixed) out->fixedLens = true;
    // Every FinePix is a compact or bridge camera with its zoom built in, except the Pro bodies
    // (S1 Pro to S5 Pro, IS Pro) that take Nikon lenses.
    if (model.rfind("FINEPIX", 0) == 0 && model.find("PRO") == std::string::npos) out->fixedLens = true;
    if (x100) {
        out->fixedLens = true;
        if (out->lensModel.empty()) out->lensModel = "23mm F2";
    }

    out->focusMode = focusText(b, m);
    out->afArea = lookup(kAfMode, tagFirst(b, m, 0x1022));
    int64_t focusSettings = tagFirst(b, m, 0x102D);
    if (out->afArea.empty() && focusSettings >= 0) out->afArea = lookup(kAfAreaBits, (focusSettings >> 8) & 0xF);

    int64_t afc = tagFirst(b, m, 0x102E);
    if (afc >= 0 && out->focusMode == "AF-C") {
        std::string set = lookup(kAfcSet, afc);
        if (set.empty())
            set = "Custom (track " + std::to_string(afc & 0xF) + ", speed " + std::to_string((afc >> 4) & 0xF) +
                  ", zone " + lookup(kZone, (afc >> 8) & 0xF) + ")";
        out->afcSet = set;
    }

    TagData stab = tagData(b, m, 0x1422);
    if (stab.found() && stab.count >= 2) {
        int64_t type = tagInt(b, m, stab, 0), mode = tagInt(b, m, stab, 1);
        std::string t = lookup(kStabType, type);
        if (type == 0)
            out->stabMode = "None";
        else if (mode == 0)
            out->stabMode = "Off";
        else
            out->stabMode = (t.empty() ? std::string("On") : t) + (mode == 2 ? ", Mode 2" : "");
    }

    std::string film = lookup(kFilm, tagFirst(b, m, 0x1401));
    std::string mono = lookup(kMono, tagFirst(b, m, 0x1003));
    out->photoStyle = mono.empty() ? film : mono;

    std::string wb = lookup(kWhiteBalance, tagFirst(b, m, 0x1002));
    if (!wb.empty()) {
        int64_t kelvin = tagFirst(b, m, 0x1005);
        if (kelvin > 0) wb += " (" + std::to_string(kelvin) + " K)";
        TagData ft = tagData(b, m, 0x100A);
        int64_t r = tagInt(b, m, ft, 0, 0), bl = tagInt(b, m, ft, 1, 0);
        if (ft.type == 4) r = int32_t(r), bl = int32_t(bl);  // stored as LONG, meant signed
        if (r % 20 == 0 && bl % 20 == 0) r /= 20, bl /= 20;  // steps of 20 on recent bodies
        if (r || bl) wb += " (R" + std::string(r > 0 ? "+" : "") + std::to_string(r) + ", B" + (bl > 0 ? "+" : "") +
                           std::to_string(bl) + ")";
    }
    out->whiteBalance = wb;

    // Dynamic range: the D-range priority when it is on (0 = its auto setting, whose strength is in
    // 0x1444; 1 = a fixed strength in 0x1445; each tag exists only in its case), else the DR percentage.
    int64_t drp = tagFirst(b, m, 0x1443), drpAuto = tagFirst(b, m, 0x1444), drpFixed = tagFirst(b, m, 0x1445);
    static const CodeText kPriority[] = {{1, "Weak"}, {2, "Strong"}, {3, "Plus"}};
    if (drp == 0 && !lookup(kPriority, drpAuto).empty()) {
        out->dynamicRange = "DR-P Auto " + lookup(kPriority, drpAuto);
    } else if (drp == 1 && !lookup(kPriority, drpFixed).empty()) {
        out->dynamicRange = "DR-P " + lookup(kPriority, drpFixed);
    } else {
        // The development range is valid only when it was set by hand; in auto the camera records
        // what it chose separately.
        int64_t setting = tagFirst(b, m, 0x1402);
        int64_t pct = -1;
        if (setting == 0) pct = tagFirst(b, m, 0x140B);
        else if (setting == 1) pct = tagFirst(b, m, 0x1403);
        else if (setting == 0x100) pct = 100;
        else if (setting == 0x200) pct = 230;
        else if (setting == 0x201) pct = 400;
        if (pct > 0 && pct <= 1600) out->dynamicRange = "DR" + std::to_string(pct) + (setting == 0 ? " (auto)" : "");
    }
    out->adjustment = adjustmentText(b, m);

    // Tone curve steps: the camera stores -16 per step (-64 is +4), half steps as 8.
    TagData hi = tagData(b, m, 0x1041), sh = tagData(b, m, 0x1040);
    if (hi.found() || sh.found()) {
        auto steps = [&](const TagData& t) {
            int64_t raw = tagInt(b, m, t, 0, 0);
            if (t.type == 4 || t.type == 9) raw = int32_t(raw);
            double v = -double(raw) / 16;
            char buf[32];
            std::snprintf(buf, sizeof buf, v == std::floor(v) ? "%+.0f" : "%+.1f", v);
            return std::string(v == 0 ? "0" : buf);
        };
        std::string h = steps(hi), d = steps(sh);
        if (h != "0" || d != "0") out->tone = "Highlight " + h + ", shadow " + d;
    }
    std::vector<std::string> effects;
    std::string grain = lookup(kStrength, tagFirst(b, m, 0x1047));
    if (!grain.empty() && grain != "Off") {
        std::string size = lookup(kGrainSize, tagFirst(b, m, 0x104C));
        effects.push_back("Grain " + grain + (size.empty() ? "" : ", " + size));
    }
    std::string chrome = lookup(kStrength, tagFirst(b, m, 0x1048));
    if (!chrome.empty() && chrome != "Off") effects.push_back("Colour chrome " + chrome);
    std::string blue = lookup(kStrength, tagFirst(b, m, 0x104E));
    if (!blue.empty() && blue != "Off") effects.push_back("Colour chrome FX blue " + blue);
    for (const std::string& e : effects) out->effects += (out->effects.empty() ? "" : ", ") + e;

    int64_t shutter = tagFirst(b, m, 0x1050);
    if (shutter == 0) out->shutterType = 0;
    else if (shutter == 1 || shutter == 2) out->shutterType = 1;
    else if (shutter == 3) out->shutterType = 2;

    int64_t drive = tagFirst(b, m, 0x1103);
    if (drive >= 0) {
        std::string d = lookup(kDrive, drive & 0xFF);
        int fps = int((drive >> 24) & 0xFF);
        if (!d.empty() && fps > 0) d += " (" + std::to_string(fps) + " fps)";
        out->driveMode = d;
    }
    int64_t seq = tagFirst(b, m, 0x1101);
    if (seq > 0 && !out->driveMode.empty()) out->frameNumber = int(seq);
    return true;
}

bool quickFujifilm(ByteView b, const ExifSummary& s, PhotoMeta* out) {
    MakerNoteIfd m;
    if (!fujiAccepts(b, s, &m)) return false;
    out->focusClass = focusClassOf(focusText(b, m));
    int64_t drive = tagFirst(b, m, 0x1103);
    out->continuousDrive = drive >= 0 && !lookup(kDrive, drive & 0xFF).empty();
    int64_t seq = tagFirst(b, m, 0x1101);
    if (seq >= 0) out->burstIndex = int(seq);
    int64_t shutter = tagFirst(b, m, 0x1050);
    if (shutter == 0) out->shutterType = 0;
    else if (shutter == 1 || shutter == 2) out->shutterType = 1;
    else if (shutter == 3) out->shutterType = 2;
    if (out->lens.empty() && upperAscii(modelOf(b, s)).find("X100") != std::string::npos) out->lens = "23mm F2";
    return true;
}

}  // namespace lv
