// Panasonic maker notes (and the Leica bodies Panasonic builds): focus, AF area and point,
// stabilisation with the level, photo style and burst.
#include <cmath>

#include "core/pathname.h"
#include "metadata/makernote.h"

namespace lv {

// [SECTION] value tables
static const CodeText kFocus[] = {{1, "AF"}, {2, "MF"}, {4, "AF"}, {5, "AF-C"}, {6, "AF-S"}, {7, "AF-C"}, {8, "AF-F"}};
// AF area: the two bytes of the tag as one code (first * 256 + second).
static const CodeText kAfArea[] = {
    {0x0001, "9-area"},         {0x0010, "3-area (high speed)"}, {0x0017, "23-area"},
    {0x0031, "49-area"},        {0x00E1, "225-area"},            {0x0100, "Spot Focusing"},
    {0x0101, "5-area"},         {0x1000, "1-area"},              {0x1010, "1-area (high speed)"},
    {0x1020, "1-area +"},       {0x1100, "Full Area"},
    {0x2000, "Tracking"},       {0x2001, "3-area (left)"},       {0x2010, "Zone"},                {0x2012, "Zone (H/V)"},
    {0x2002, "3-area (center)"}, {0x2003, "3-area (right)"},     {0x4000, "Face Detect"},         {0x4001, "Face Detect (animal on)"},
    {0x4002, "Face Detect (animal off)"}, {0x8000, "Pinpoint focus"}, {0xF000, "Tracking"},
};
// What the subject detection was set to look for (0 = off).
static const CodeText kSubject[] = {
    {1, "Human Eye/Face/Body"}, {2, "Animal"},           {3, "Human Eye/Face"},    {4, "Animal Body"},
    {5, "Animal Eye/Body"},     {6, "Car"},              {7, "Motorcycle"},        {8, "Car (main part)"},
    {9, "Motorcycle (helmet)"}, {10, "Train"},           {11, "Train (main part)"}, {12, "Airplane"},
    {13, "Airplane (nose)"},
};
static const CodeText kStab[] = {
    {2, "Optical"},  {3, "Off"},                {4, "Mode 2"},  {5, "Optical, Panning"},
    {6, "Body-only"}, {7, "Body-only, Panning"}, {9, "Dual IS"}, {10, "Dual IS, Panning"},
    {11, "Dual2 IS"}, {12, "Dual2 IS, Panning"},
};
static const CodeText kStyle[] = {
    {0, "Auto"}, {1, "Standard"}, {2, "Vivid"}, {3, "Natural"}, {4, "Monochrome"}, {5, "Landscape"},
    {6, "Portrait"}, {11, "L.Monochrome"}, {12, "Like709"}, {15, "L.Monochrome D"},
    {17, "V-Log"}, {18, "Cinelike D2"},
};

// [SECTION] reading
// The note's IFD after one of its headers; kind 1 "Panasonic", 2 a Leica header.
int panasonicMakerNote(ByteView b, const ExifSummary& s, MakerNoteIfd* m) {
    int64_t base = 0;
    bool le = s.littleEndian;
    int64_t start = makerNoteStart(b, s, &base, &le);
    if (start <= 0 || !b.has(start, 20)) return 0;
    if (bytesAt(b, start, "Panasonic")) {
        *m = {start, start + 12, base, le};
        return 1;
    }
    if (bytesAt(b, start, std::string_view("LEICA CAMERA AG\0", 16))) {
        *m = {start, start + 18, base, le};
        return 2;
    }
    if (bytesAt(b, start, "LEICA")) {
        *m = {start, start + 8, base, le};
        return 2;
    }
    return 0;
}

static bool leicaMake(const std::string& make) { return upperAscii(make) == "LEICA CAMERA AG"; }

static bool panasonicAccepts(ByteView b, const ExifSummary& s, MakerNoteIfd* m) {
    int kind = panasonicMakerNote(b, s, m);
    if (kind == 1) return true;
    // Leica's own bodies (Make "LEICA CAMERA AG") belong to the Leica decoder.
    return kind == 2 && !leicaMake(makeOf(b, s));
}

// 0 mechanical, 1 electronic, 2 hybrid (electronic first curtain).
static int shutterCode(int64_t v) { return v >= 0 && v <= 2 ? int(v) : -1; }

static std::string focusText(ByteView b, const MakerNoteIfd& m) { return lookup(kFocus, tagFirst(b, m, 0x0007)); }

// Burst mode: 1 on, 2 infinite, 4 unlimited.
static bool burst(ByteView b, const MakerNoteIfd& m) {
    int64_t v = tagFirst(b, m, 0x002A);
    return v == 1 || v == 2 || v == 4;
}

bool decodePanasonic(ByteView b, const ExifSummary& s, ShotInfo* out) {
    MakerNoteIfd m;
    if (!panasonicAccepts(b, s, &m)) return false;
    out->focusMode = focusText(b, m);
    TagData area = tagData(b, m, 0x000F);
    if (area.found() && area.count >= 2) out->afArea = lookup(kAfArea, tagInt(b, m, area, 0) * 256 + tagInt(b, m, area, 1));

    std::string stab = lookup(kStab, tagFirst(b, m, 0x001A));
    int64_t roll = tagFirst(b, m, 0x0090, INT64_MIN), pitch = tagFirst(b, m, 0x0091, INT64_MIN);
    if (roll != INT64_MIN && pitch != INT64_MIN) {
        out->hasLevel = true;
        out->roll = int16_t(roll) / 10.0;
        out->pitch = -int16_t(pitch) / 10.0;
        if (!stab.empty()) stab += " (roll " + formatLevel(out->roll) + ", pitch " + formatLevel(out->pitch) + ")";
    }
    out->stabMode = stab;
    out->photoStyle = lookup(kStyle, tagFirst(b, m, 0x0089));
    out->subject = lookup(kSubject, tagFirst(b, m, 0x00E9));
    if (burst(b, m)) {
        out->driveMode = "Continuous";
        int64_t fps = tagFirst(b, m, 0x0077);
        if (fps > 0) out->driveMode += " (" + std::to_string(fps) + " fps)";
        int64_t seq = tagFirst(b, m, 0x002B);
        if (seq > 0) out->frameNumber = int(seq);
    }
    // The sensor-shift high-resolution mode combines frames into a larger picture.
    if (tagFirst(b, m, 0x00BB) == 4097) {
        std::string mode = "High-Res Mode";
        int64_t mp = int64_t(s.pixelWidth) * s.pixelHeight / 1000000;
        if (mp > 0) mode += " (" + std::to_string(mp) + " MP)";
        out->driveMode = mode;
    }
    out->shutterType = shutterCode(tagFirst(b, m, 0x009F));

    // Lens: "NO-LENS" and "N/A" mean none was reported.
    std::string lens = tagText(b, m, 0x0051);
    if (equalsIgnoreCase(lens, "NO-LENS") || equalsIgnoreCase(lens, "N/A")) lens.clear();
    if (out->lensModel.empty() || equalsIgnoreCase(out->lensModel, "NO-LENS") || equalsIgnoreCase(out->lensModel, "N/A"))
        out->lensModel = lens;
    std::string model = upperAscii(modelOf(b, s));
    // Interchangeable-lens bodies are DMC-G*/GH*/GF*/GX*/GM*, DC-G*/S* and the box cameras DC-BGH1 and
    // DC-BS1H; the rest have a built-in lens.
    bool interchangeable = model.rfind("DMC-G", 0) == 0 || model.rfind("DC-G", 0) == 0 || model.rfind("DC-S", 0) == 0 ||
                           model.rfind("DC-BGH", 0) == 0 || model.rfind("DC-BS", 0) == 0;
    if (!interchangeable) {
        out->fixedLens = true;
        if (out->lensModel.empty()) out->lensModel = "Built-in, no detail found";
    }

    TagData point = tagData(b, m, 0x004D);
    if (point.found() && point.count >= 2 && point.size == 8 && !isManualFocusText(out->focusMode)) {
        double u = tagRational(b, m, 0x004D, 0), v = tagRational(b, m, 0x004D, 1), w = 0, h = 0;
        if (u > 0 && u < 1 && v > 0 && v < 1) {
            // The AF area's size as fractions of the image; all ones-bits (about 4194304) when the
            // camera had none to report, as in manual focus.
            double aw = tagRational(b, m, 0x00DE, 0), ah = tagRational(b, m, 0x00DE, 1);
            if (aw > 0 && aw <= 1 && ah > 0 && ah <= 1) w = aw, h = ah;
            turnBox(readOrientationAt(b, s.tiffBase), &u, &v, &w, &h);
            setAfPointFraction(out, u, v);
            if (w > 0 && h > 0) {
                out->afAreaWidth = w;
                out->afAreaHeight = h;
            }
        }
    }
    return true;
}

bool quickPanasonic(ByteView b, const ExifSummary& s, PhotoMeta* out) {
    MakerNoteIfd m;
    if (!panasonicAccepts(b, s, &m)) return false;
    out->focusClass = focusClassOf(focusText(b, m));
    out->continuousDrive = burst(b, m);
    out->shutterType = shutterCode(tagFirst(b, m, 0x009F));
    std::string lens = tagText(b, m, 0x0051);
    if (equalsIgnoreCase(out->lens, "NO-LENS") || equalsIgnoreCase(out->lens, "N/A")) out->lens.clear();
    if (out->lens.empty() && !equalsIgnoreCase(lens, "NO-LENS") && !equalsIgnoreCase(lens, "N/A")) out->lens = lens;
    return true;
}

}  // namespace lv
