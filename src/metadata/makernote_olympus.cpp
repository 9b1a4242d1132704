// OM System / Olympus maker notes: the camera-settings and focus-info sub-IFDs hold focus,
// stabilisation, picture mode, gradation, drive, subject detection, level and focus distance.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/pathname.h"
#include "metadata/makernote.h"

namespace lv {

// [SECTION] value tables
static const CodeText kStab[] = {{0, "Off"}, {1, "On (all directions)"}, {2, "On (vertical)"}, {3, "On (horizontal)"},
                                 {4, "On (auto)"}};
static const CodeText kSubject[] = {{1, "Motorsports"}, {2, "Airplanes"}, {3, "Trains"}, {4, "Birds"},
                                    {5, "Dogs & cats"}, {6, "Human"}};
static const CodeText kGradation[] = {{-1, "Low key"}, {0, "Normal"}, {1, "High key"}};
static const CodeText kPictureMode[] = {
    {1, "Vivid"},        {2, "Natural"},     {3, "Muted"},       {4, "Portrait"},  {5, "i-Enhance"},
    {6, "e-Portrait"},   {7, "Color Creator"}, {9, "Color Profile 1"}, {10, "Color Profile 2"},
    {11, "Color Profile 3"}, {12, "Monochrome Profile 1"}, {13, "Monochrome Profile 2"},
    {14, "Monochrome Profile 3"}, {17, "Art Mode"}, {18, "Monochrome Profile 4"}, {256, "Monotone"}, {512, "Sepia"},
};
static const CodeText kArtFilter[] = {
    {1, "Soft Focus"},     {2, "Pop Art"},        {3, "Pale & Light Color"}, {4, "Light Tone"},
    {5, "Pin Hole"},       {6, "Grainy Film"},    {9, "Diorama"},            {10, "Cross Process"},
    {12, "Fish Eye"},      {13, "Drawing"},       {14, "Gentle Sepia"},      {20, "Dramatic Tone"},
    {21, "Punk"},          {23, "Sparkle"},       {24, "Watercolor"},        {25, "Key Line"},
    {27, "Miniature"},     {28, "Reflection"},    {29, "Fragmented"},        {36, "Vintage"},
    {39, "Partial Color"}, {42, "Bleach Bypass"}, {44, "Instant Film"},
};
static const CodeText kWhiteBalance[] = {
    {0, "Auto"},       {1, "Auto"},         {16, "Shade"},       {17, "Cloudy"},      {18, "Daylight"},
    {20, "Tungsten"},  {21, "Tungsten"},    {23, "Flash"},       {33, "Daylight Fluorescent"},
    {34, "Neutral White Fluorescent"},      {35, "Cool White Fluorescent"}, {36, "White Fluorescent"},
    {48, "Tungsten"},  {67, "Underwater"},  {256, "One Touch WB 1"}, {257, "One Touch WB 2"},
    {258, "One Touch WB 3"}, {259, "One Touch WB 4"}, {512, "Custom WB 1"}, {513, "Custom WB 2"},
    {514, "Custom WB 3"}, {515, "Custom WB 4"},
};

// [SECTION] reading
bool olympusMakerNote(ByteView b, const ExifSummary& s, MakerNoteIfd* m) {
    int64_t base = 0;
    bool le = s.littleEndian;
    int64_t start = makerNoteStart(b, s, &base, &le);
    if (start <= 0 || !b.has(start, 16)) return false;
    // The long forms carry their own byte order and count offsets from the note's start.
    if (bytesAt(b, start, std::string_view("OM SYSTEM\0\0\0", 12))) {
        bool ole = bytesAt(b, start + 12, "II");
        *m = {start, start + 16, start, ole};
        return true;
    }
    if (bytesAt(b, start, std::string_view("OLYMPUS\0", 8))) {
        bool ole = bytesAt(b, start + 8, "II");
        *m = {start, start + 12, start, ole};
        return true;
    }
    if (bytesAt(b, start, std::string_view("OLYMP\0", 6))) {
        *m = {start, start + 8, base, le};
        return true;
    }
    return false;
}

static bool olympusMake(const std::string& make) {
    std::string u = upperAscii(make);
    return u.rfind("OLYMPUS", 0) == 0 || u.rfind("OM DIGITAL", 0) == 0 || u.rfind("OM SYSTEM", 0) == 0;
}

// A sub-IFD of the note (0x2010 equipment, 0x2020 camera settings, 0x2050 focus info).
static MakerNoteIfd subIfd(ByteView b, const MakerNoteIfd& m, uint16_t tag) {
    MakerNoteIfd s = m;
    s.ifdPos = subIfdPos(b, m, tag);
    return s;
}

static std::string focusText(ByteView b, const MakerNoteIfd& cs) {
    TagData t = tagData(b, cs, 0x0301);
    if (!t.found()) return {};
    int64_t mode = tagInt(b, cs, t, 0), bits = tagInt(b, cs, t, 1, 0);
    switch (mode) {
        case 0: return (bits & 0x10) ? "AF-S + MF" : "AF-S";
        case 1: return "AF";
        case 2: return "AF-C";
        case 3: case 4: return "AF";
        case 10: return (bits & 0x01) ? "MF (S-AF+MF)" : "MF";
        default: return {};
    }
}

// Face detection shows in the focus mode: as its own mode (4) or as bit 5 of the second value.
static bool faceDetect(ByteView b, const MakerNoteIfd& cs) {
    TagData t = tagData(b, cs, 0x0301);
    if (!t.found()) return false;
    return tagInt(b, cs, t, 0) == 4 || (tagInt(b, cs, t, 1, 0) & 0x20) != 0;
}

// The AF areas the camera used, as corner bytes (x1, y1, x2, y2 from the high byte down) on a
// 0-255 scale of the sensor frame; unused slots are 0. Gives the bounding box of them all.
static bool afAreasBox(ByteView b, const MakerNoteIfd& cs, double* u, double* v, double* w, double* h) {
    TagData t = tagData(b, cs, 0x0304);
    if (!t.found() || t.size != 4) return false;
    int x1 = 256, y1 = 256, x2 = -1, y2 = -1;
    for (uint32_t i = 0; i < t.count && i < 64; i++) {
        uint32_t a = uint32_t(tagInt(b, cs, t, i, 0));
        if (a == 0) continue;
        int ax1 = int(a >> 24), ay1 = int((a >> 16) & 0xFF), ax2 = int((a >> 8) & 0xFF), ay2 = int(a & 0xFF);
        if (ax2 <= ax1 || ay2 <= ay1) continue;
        x1 = std::min(x1, ax1), y1 = std::min(y1, ay1), x2 = std::max(x2, ax2), y2 = std::max(y2, ay2);
    }
    if (x2 < 0) return false;
    *u = (x1 + x2) / 2.0 / 255, *v = (y1 + y2) / 2.0 / 255;
    *w = (x2 - x1) / 255.0, *h = (y2 - y1) / 255.0;
    return true;
}

// The fifth drive value names the shutter mode: 4 electronic, 2 anti-shock.
static bool electronicShutter(ByteView b, const MakerNoteIfd& cs) {
    TagData t = tagData(b, cs, 0x0600);
    return t.count >= 5 && tagInt(b, cs, t, 4, 0) == 4;
}

static std::string driveText(ByteView b, const MakerNoteIfd& cs) {
    TagData t = tagData(b, cs, 0x0600);
    if (!t.found()) return {};
    int64_t mode = tagInt(b, cs, t, 0);
    bool antiShock = t.count >= 5 && (tagInt(b, cs, t, 4, 0) & 2);
    if (mode == 1) return std::string("Continuous") + (antiShock ? ", anti-shock" : "");
    if (mode == 0 && antiShock) return "Anti-shock";
    return {};
}

static std::string metres(double m) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", m);
    std::string s = buf;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s + " m";
}

// The compacts and the tough cameras have their zoom built in; E, PEN and OM bodies take lenses.
static bool olympusBuiltInLens(const std::string& model) {
    std::string u = upperAscii(model);
    for (const char* family : {"STYLUS", "TG-", "XZ-", "SH-", "SP-", "SZ-", "FE-", "C-"})
        if (u.rfind(family, 0) == 0) return true;
    return false;
}

bool decodeOlympus(ByteView b, const ExifSummary& s, ShotInfo* out) {
    MakerNoteIfd m;
    if (!olympusMake(makeOf(b, s)) || !olympusMakerNote(b, s, &m)) return false;
    if (olympusBuiltInLens(modelOf(b, s))) out->fixedLens = true;
    MakerNoteIfd cs = subIfd(b, m, 0x2020), fi = subIfd(b, m, 0x2050);
    out->focusMode = focusText(b, cs);

    // Subject detection is one word: the kind looked for in the high byte, whether one was found
    // in the low byte.
    int64_t tracking = tagFirst(b, cs, 0x0309, 0);
    if (tracking > 0) {
        std::string name = lookup(kSubject, (tracking >> 8) & 0xFF);
        if (!name.empty()) out->subject = name + ((tracking & 0xFF) == 0 ? " (none found)" : "");
    }
    if (out->subject.empty() && faceDetect(b, cs)) out->subject = "Face";
    out->stabMode = lookup(kStab, tagFirst(b, cs, 0x0604));

    std::string wb = lookup(kWhiteBalance, tagFirst(b, cs, 0x0500));
    int64_t kelvin = tagFirst(b, cs, 0x0501);
    if (!wb.empty() && kelvin > 0) wb += " (" + std::to_string(kelvin) + " K)";
    out->whiteBalance = wb;

    out->photoStyle = lookup(kPictureMode, tagFirst(b, cs, 0x0520));
    TagData grad = tagData(b, cs, 0x050F);
    if (grad.found() && grad.count >= 3) {
        std::string g = lookup(kGradation, tagInt(b, cs, grad, 0));
        if (!g.empty()) out->tone = g + (grad.count >= 4 && tagInt(b, cs, grad, 3) == 1 ? " (auto)" : "");
    }
    std::string art = lookup(kArtFilter, tagFirst(b, cs, 0x0529));
    out->effects = art;

    int64_t metering = tagFirst(b, cs, 0x0202);
    if (metering == 515) out->meteringText = "Spot + highlight control";
    else if (metering == 1027) out->meteringText = "Spot + shadow control";

    TagData stacked = tagData(b, cs, 0x0804);
    int64_t st = tagInt(b, cs, stacked, 0, 0), frames = tagInt(b, cs, stacked, 1, 0);
    // The computational modes: how the frame was combined.
    std::string n = std::to_string(frames);
    switch (st) {
        case 1: out->adjustment = "Live Composite (" + n + " frames)"; break;
        case 3: out->adjustment = "Live ND"; break;
        case 4: out->adjustment = "Live Time / Bulb (" + n + " frames)"; break;
        case 5: out->adjustment = "HDR 1"; break;
        case 6: out->adjustment = "HDR 2"; break;
        case 8: out->adjustment = "High resolution (tripod)"; break;
        case 9: out->adjustment = "Focus stacking (" + n + " frames)"; break;
        case 11: out->adjustment = "High resolution (hand-held)"; break;
        case 13: out->adjustment = "Live GND"; break;
        default: break;
    }
    out->driveMode = driveText(b, cs);
    if (electronicShutter(b, cs)) out->shutterType = 1;

    TagData roll = tagData(b, cs, 0x0903), pitch = tagData(b, cs, 0x0904);
    if (roll.count >= 2 && pitch.count >= 2 && tagInt(b, cs, roll, 1) == 1 && tagInt(b, cs, pitch, 1) == 1) {
        out->hasLevel = true;
        out->roll = -double(int16_t(tagInt(b, cs, roll, 0))) / 10;
        out->pitch = double(int16_t(tagInt(b, cs, pitch, 0))) / 10;
    }

    TagData dist = tagData(b, fi, 0x0305);
    if (dist.found() && dist.count >= 1 && dist.size == 8) {
        uint32_t mm = readU32(b, dist.pos, fi.le);
        if (mm == 0xFFFFFFFFu)
            out->focusDistance = "Infinity";
        else if (mm > 0)
            out->focusDistance = metres(mm / 1000.0);
    }

    // The selected AF point as fractions of the frame (x, y, ...).
    TagData af = tagData(b, cs, 0x0305);
    if (af.found() && af.count >= 2 && af.size == 8 && !isManualFocusText(out->focusMode)) {
        auto frac = [&](uint32_t i) {
            int32_t n = readI32(b, af.pos + 8 * i, cs.le), d = readI32(b, af.pos + 8 * i + 4, cs.le);
            return d > 0 ? double(n) / d : -1.0;
        };
        // Five values on most bodies: a blank first one, then x and y.
        uint32_t first = af.count >= 5 ? 1 : 0;
        double u = frac(first), v = frac(first + 1), w = 0, h = 0;
        if (u > 0 && u < 1 && v > 0 && v < 1) {
            turnBox(readOrientationAt(b, s.tiffBase), &u, &v, &w, &h);
            if (out->afPointX == 0) setAfPointFraction(out, u, v);
        }
    }
    // The AF frame gives the area's size, and the point itself when the selected point is blank.
    double bu = 0, bv = 0, bw = 0, bh = 0;
    if (!isManualFocusText(out->focusMode) && afAreasBox(b, cs, &bu, &bv, &bw, &bh)) {
        turnBox(readOrientationAt(b, s.tiffBase), &bu, &bv, &bw, &bh);
        if (out->afPointX == 0) setAfPointFraction(out, bu, bv);
        out->afAreaWidth = bw;
        out->afAreaHeight = bh;
    }
    if (out->lensModel.empty()) out->lensModel = tagText(b, subIfd(b, m, 0x2010), 0x0203);
    return true;
}

bool quickOlympus(ByteView b, const ExifSummary& s, PhotoMeta* out) {
    MakerNoteIfd m;
    if (!olympusMake(makeOf(b, s)) || !olympusMakerNote(b, s, &m)) return false;
    MakerNoteIfd cs = subIfd(b, m, 0x2020);
    out->focusClass = focusClassOf(focusText(b, cs));
    std::string drive = driveText(b, cs);
    out->continuousDrive = drive.rfind("Continuous", 0) == 0;
    if (electronicShutter(b, cs)) out->shutterType = 1;
    return true;
}

Bytes thumbOlympus(PhotoFile& f, ByteView head) {
    ExifSummary s;
    MakerNoteIfd m;
    if (!summaryOfHead(head, &s) || !olympusMakerNote(head, s, &m)) return {};
    int64_t e = findTag(head, m.ifdPos, m.le, 0x0100);
    if (!e) return {};
    uint32_t length = entryCount(head, e, m.le);
    int64_t offset = m.base + int64_t(readU32(head, e + 8, m.le));
    if (offset <= 0) return {};
    return readJpegFromFile(f, head, uint64_t(offset), length, 512, 1048576);
}

}  // namespace lv
