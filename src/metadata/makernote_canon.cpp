// Canon maker notes: the CameraSettings, ShotInfo, ProcessingInfo and FileInfo arrays and the
// AFInfo2 record with its in-focus and selected masks.
#include "core/pathname.h"
#include "metadata/makernote.h"

namespace lv {

// [SECTION] value tables
static const CodeText kAfAreaMode[] = {
    {0, "Off (Manual Focus)"},
    {1, "AF Point Expansion (surround)"},
    {2, "Single-point AF"},
    {4, "Auto"},
    {5, "Face Detect AF"},
    {6, "Face + Tracking"},
    {7, "Zone AF"},
    {8, "AF Point Expansion (4 point)"},
    {9, "Spot AF"},
    {10, "AF Point Expansion (8 point)"},
    {11, "Flexizone Multi (49 point)"},
    {12, "Flexizone Multi (9 point)"},
    {13, "Flexizone Single"},
    {14, "Large Zone AF"},
    {15, "Large Zone AF (vertical)"},
    {16, "Large Zone AF (horizontal)"},
    {19, "Flexible Zone AF 1"},
    {20, "Flexible Zone AF 2"},
    {21, "Flexible Zone AF 3"},
    {22, "Whole Area AF"},
};

static const CodeText kFocusMode[] = {
    {0, "AF-S"}, {4, "AF-S"}, {256, "AF-S"}, {1, "AF-C"},  {5, "AF-C"},  {257, "AF-C"},
    {2, "AI Focus"}, {258, "AI Focus"}, {3, "MF"}, {6, "MF"}, {16, "Pan Focus"}, {519, "Movie Servo AF"},
};

static const CodeText kDrive[] = {
    {1, "Continuous"},
    {3, "Continuous, Speed Priority"},
    {4, "Continuous, Low"},
    {5, "Continuous, High"},
    {10, "Continuous, Silent"},
};

static const CodeText kStabilisation[] = {
    {0, "Off"}, {255, "Off"}, {1, "On"}, {2, "Shoot only"}, {3, "Panning"}, {4, "Dynamic"},
};

static const CodeText kPictureStyle[] = {
    {1, "Standard"},     {2, "Portrait"},     {3, "Landscape"},    {4, "Neutral"},  {5, "Faithful"},
    {6, "Monochrome"},   {7, "Auto"},         {8, "Fine Detail"},  {33, "User Def. 1"},
    {34, "User Def. 2"}, {35, "User Def. 3"}, {65, "PC 1"},        {66, "PC 2"},    {67, "PC 3"},
};

static const CodeText kWhiteBalance[] = {
    {0, "Auto"},          {1, "Daylight"},  {2, "Cloudy"},  {3, "Tungsten"},
    {4, "Fluorescent"},   {5, "Flash"},     {6, "Custom"},  {7, "Black & White"},
    {8, "Shade"},         {9, "Manual"},    {14, "Daylight Fluorescent"},
    {15, "Custom 1"},     {16, "Custom 2"}, {17, "Underwater"},
    {18, "Custom 3"},     {19, "Custom 4"}, {23, "Auto (ambience priority)"},
};

// [SECTION] decoding
struct CanonNote {
    MakerNoteIfd ifd;
    int orientation = 1;
    int drive = -1, focus = -1, stab = -1;
    int wb = -1, sequence = -1, kelvin = -1, style = -1, shutterMode = -1;
    int afAreaMode = -1;
    bool hasBox = false;
    double u = 0, v = 0, w = 0, h = 0;
    int cameraTemp = -1000;
    std::string firmware, lens;
};

// The AF box from AFInfo2: the in-focus points, else a partial selection (all points selected
// only says the camera chose freely, which is no position at all).
static void readAfInfo2(ByteView b, CanonNote* n) {
    const MakerNoteIfd& m = n->ifd;
    TagData t = tagData(b, m, 0x0026);
    if (!t.found() || t.size != 2) return;
    n->afAreaMode = tagShort(b, m, t, 1);
    int count = tagShort(b, m, t, 2), valid = tagShort(b, m, t, 3);
    int W = tagShort(b, m, t, 6), H = tagShort(b, m, t, 7);
    if (count < 1 || count > 8192 || valid < 1 || valid > count || W <= 0 || H <= 0) return;
    uint32_t words = uint32_t((count + 15) / 16);
    uint32_t need = 8 + 4 * uint32_t(count) + 2 * words;
    if (t.count < need) return;
    uint32_t inFocus = 8 + 4 * uint32_t(count), selected = inFocus + words;
    auto bit = [&](uint32_t mask, int i) { return (tagShort(b, m, t, mask + uint32_t(i / 16), 0) >> (i % 16)) & 1; };
    int focused = 0, chosen = 0;
    for (int i = 0; i < count; i++) {
        focused += bit(inFocus, i);
        chosen += bit(selected, i);
    }
    uint32_t mask = inFocus;
    if (focused == 0) {
        bool partial = (chosen >= 1 && chosen <= valid - 1) || (valid == 1 && chosen == 1);
        if (!partial) return;
        mask = selected;
    }
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    bool any = false;
    for (int i = 0; i < count; i++) {
        if (!bit(mask, i)) continue;
        double pw = tagShort(b, m, t, 8 + uint32_t(i), 0), ph = tagShort(b, m, t, 8 + uint32_t(count + i), 0);
        double px = tagShort(b, m, t, 8 + uint32_t(2 * count + i), 0);
        double py = tagShort(b, m, t, 8 + uint32_t(3 * count + i), 0);
        double x0 = px - pw / 2, x1 = px + pw / 2, y0 = py - ph / 2, y1 = py + ph / 2;
        if (!any || x0 < xmin) xmin = x0;
        if (!any || x1 > xmax) xmax = x1;
        if (!any || y0 < ymin) ymin = y0;
        if (!any || y1 > ymax) ymax = y1;
        any = true;
    }
    if (!any) return;
    n->u = (W / 2.0 + (xmin + xmax) / 2) / W;
    n->v = (H / 2.0 - (ymin + ymax) / 2) / H;
    n->w = (xmax - xmin) / W;
    n->h = (ymax - ymin) / H;
    turnBox(n->orientation, &n->u, &n->v, &n->w, &n->h);
    n->hasBox = true;
}

// Bodies from before AFInfo2 (EOS 350D, 30D, 5D and their time) keep AFInfo (0x0012): point count,
// valid count, two image sizes, one point size for all, X and Y positions from the image centre
// (Y upwards), then the in-focus mask. Its box says where the camera focused, as AFInfo2's does.
static void readAfInfo(ByteView b, CanonNote* n) {
    const MakerNoteIfd& m = n->ifd;
    TagData t = tagData(b, m, 0x0012);
    if (!t.found() || t.size != 2) return;
    int count = tagShort(b, m, t, 0), valid = tagShort(b, m, t, 1);
    int W = tagShort(b, m, t, 4), H = tagShort(b, m, t, 5);
    int pw = tagShort(b, m, t, 6), ph = tagShort(b, m, t, 7);
    if (count < 1 || count > 512 || valid < 1 || valid > count || W <= 0 || H <= 0 || pw <= 0 || ph <= 0) return;
    uint32_t inFocus = 8 + 2 * uint32_t(count), words = uint32_t((count + 15) / 16);
    if (t.count < inFocus + words) return;
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    bool any = false;
    for (int i = 0; i < valid; i++) {
        if (!((tagShort(b, m, t, inFocus + uint32_t(i / 16), 0) >> (i % 16)) & 1)) continue;
        double px = tagShort(b, m, t, 8 + uint32_t(i), 0), py = tagShort(b, m, t, 8 + uint32_t(count + i), 0);
        if (!any || px - pw / 2.0 < xmin) xmin = px - pw / 2.0;
        if (!any || px + pw / 2.0 > xmax) xmax = px + pw / 2.0;
        if (!any || py - ph / 2.0 < ymin) ymin = py - ph / 2.0;
        if (!any || py + ph / 2.0 > ymax) ymax = py + ph / 2.0;
        any = true;
    }
    if (!any) return;
    n->u = (W / 2.0 + (xmin + xmax) / 2) / W;
    n->v = (H / 2.0 - (ymin + ymax) / 2) / H;
    n->w = (xmax - xmin) / W;
    n->h = (ymax - ymin) / H;
    turnBox(n->orientation, &n->u, &n->v, &n->w, &n->h);
    n->hasBox = n->u >= 0 && n->u <= 1 && n->v >= 0 && n->v <= 1;
}

static bool readCanon(ByteView b, const ExifSummary& s, CanonNote* n) {
    if (b.size < 16 || s.tiffBase < 0) return false;
    if (!startsWithNoCase(makeOf(b, s), "CANON")) return false;
    int64_t base = 0;
    bool le = true;
    int64_t start = makerNoteStart(b, s, &base, &le);
    if (start <= 0 || !b.has(start, 2)) return false;
    n->ifd = {start, start, base, le};
    n->orientation = readOrientationAt(b, s.tiffBase);
    const MakerNoteIfd& m = n->ifd;

    TagData cs = tagData(b, m, 0x0001);
    if (cs.size == 2) {
        n->drive = tagShort(b, m, cs, 5);
        n->focus = tagShort(b, m, cs, 7);
        n->stab = tagShort(b, m, cs, 34);
    }
    TagData si = tagData(b, m, 0x0004);
    if (si.size == 2) {
        n->wb = tagShort(b, m, si, 7);
        n->sequence = tagShort(b, m, si, 9);
        // Only EOS bodies record it; compacts leave a constant there.
        int raw = tagShort(b, m, si, 12, 0);
        if (raw > 0 && containsNoCase(modelOf(b, s), "EOS")) n->cameraTemp = raw - 128;
    }
    TagData pi = tagData(b, m, 0x00A0);
    if (pi.size == 2) {
        n->kelvin = tagShort(b, m, pi, 9);
        n->style = tagShort(b, m, pi, 10);
    }
    TagData fi = tagData(b, m, 0x0093);
    if (fi.size == 2) n->shutterMode = tagShort(b, m, fi, 23);
    readAfInfo2(b, n);
    if (!n->hasBox && !tagData(b, m, 0x0026).found()) readAfInfo(b, n);
    n->firmware = tagText(b, m, 0x0007);
    if (startsWithNoCase(n->firmware, "Firmware Version ")) n->firmware = n->firmware.substr(17);
    else if (startsWithNoCase(n->firmware, "Firmware ")) n->firmware = n->firmware.substr(9);
    n->lens = tagText(b, m, 0x0095);
    return true;
}

static int canonShutterType(int mode) {
    switch (mode) {
        case 0: return 0;
        case 1: return 2;
        case 2: return 1;
        default: return -1;
    }
}

// Newer bodies record the stabiliser with 256 added (a second stabiliser in the body) and picture
// styles from 0x81; both mean the same setting as the plain code.
static std::string stabText(int code) { return lookup(kStabilisation, code >= 256 && code <= 260 ? code - 256 : code); }
static std::string styleText(int code) { return lookup(kPictureStyle, code >= 0x81 && code <= 0x88 ? code - 0x80 : code); }

// PowerShot, IXUS (IXY in Japan, ELPH in America) bodies have their zoom built in.
static bool canonBuiltInLens(const std::string& model) {
    std::string u = upperAscii(model);
    for (const char* family : {"POWERSHOT", "IXUS", "IXY", "ELPH"})
        if (u.find(family) != std::string::npos) return true;
    return false;
}

bool decodeCanon(ByteView b, const ExifSummary& s, ShotInfo* out) {
    CanonNote n;
    if (!readCanon(b, s, &n)) return false;
    if (canonBuiltInLens(modelOf(b, s))) out->fixedLens = true;
    out->shutterType = canonShutterType(n.shutterMode);
    out->focusMode = lookup(kFocusMode, n.focus);
    out->afArea = lookup(kAfAreaMode, n.afAreaMode);
    out->driveMode = lookup(kDrive, n.drive);
    if (n.stab >= 0) out->stabMode = stabText(n.stab);
    out->whiteBalance = lookup(kWhiteBalance, n.wb);
    if (!out->whiteBalance.empty() && n.kelvin > 0) out->whiteBalance += " (" + std::to_string(n.kelvin) + " K)";
    out->photoStyle = styleText(n.style);
    if (out->afPointX == 0 && n.hasBox) {
        setAfPointFraction(out, n.u, n.v);
        out->afAreaWidth = n.w;
        out->afAreaHeight = n.h;
    }
    if (n.sequence > 0) out->frameNumber = n.sequence;
    if (n.cameraTemp > -100 && n.cameraTemp < 100) {
        out->cameraTemp = n.cameraTemp;
        out->hasCameraTemp = true;
    }
    if (out->cameraFirmware.empty()) out->cameraFirmware = n.firmware;
    // Named as the newer bodies write the same lens into EXIF (no maker word), so one lens has one
    // name for the lens filter whichever body took the photo, and a Sigma or Tamron lens is not
    // called a Canon.
    if (out->lensModel.empty() && !n.lens.empty()) out->lensModel = lensName("", n.lens);
    return true;
}

bool quickCanon(ByteView b, const ExifSummary& s, PhotoMeta* out) {
    CanonNote n;
    if (!readCanon(b, s, &n)) return false;
    out->focusClass = focusClassOf(lookup(kFocusMode, n.focus));
    out->shutterType = canonShutterType(n.shutterMode);
    out->continuousDrive = !lookup(kDrive, n.drive).empty();
    if (n.sequence >= 0) out->burstIndex = n.sequence;
    if (out->lens.empty() && !n.lens.empty()) out->lens = lensName("", n.lens);
    return true;
}

}  // namespace lv
