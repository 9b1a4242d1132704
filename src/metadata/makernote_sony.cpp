// Sony maker notes: plain tags, the enciphered 0x94xx blocks with their temperatures, the AF
// point and focal-plane AF area in their own pixel frames, and the face records.
#include <cmath>
#include <cstring>

#include "core/pathname.h"
#include "metadata/makernote.h"
#include "metadata/sony_decipher.h"

namespace lv {

// [SECTION] decipher
uint8_t sonyDecipher(uint8_t b) {
    static const struct Table {
        uint8_t plain[256];
        Table() {
            for (int i = 0; i < 256; i++) plain[i] = uint8_t(i);
            for (int x = 0; x < 249; x++) plain[(x * x % 249) * x % 249] = uint8_t(x);
        }
    } table;
    return table.plain[b];
}

// [SECTION] value tables
static const CodeText kFocusMode[] = {{0, "MF"}, {2, "AF-S"}, {3, "AF-C"}, {4, "AF"}, {6, "AF"}, {7, "AF"}};
static const CodeText kAfArea[] = {{0, "Wide"}, {3, "Flexible Spot"}};
static const CodeText kWhiteBalance[] = {
    {0, "Auto"},    {1, "Colour temperature"}, {16, "Daylight"}, {32, "Cloudy"}, {48, "Shade"},
    {64, "Tungsten"}, {80, "Flash"}, {96, "Fluorescent"}, {112, "Custom"}, {128, "Underwater"},
};
static const CodeText kStabilisation[] = {{0, "Off"}, {1, "On"}};
static const char* const kTrustedCompacts = "RX10M4;RX100M6;RX100M7;RX100M5A;HX95;HX99;RX0";

static std::string droText(int64_t code) {
    switch (code) {
        case 0: return "Off";
        case 1: return "Standard";
        case 2: return "Advanced auto";
        case 3: return "Auto";
        default: break;
    }
    if (code >= 8 && code <= 12) return "Advanced level " + std::to_string(code - 7);
    if (code >= 16 && code <= 23) return "Level " + std::to_string(code - 15);
    return {};
}

static std::string styleText(std::string s) {
    static const struct {
        const char* from;
        const char* to;
    } kSpell[] = {{"Autumnleaves", "Autumn Leaves"}, {"Nightview", "Night View"}, {"AdobeRGB", "Adobe RGB"}, {"BW", "B&W"}};
    if (s == "None") return {};
    for (const auto& r : kSpell) {
        size_t at = s.find(r.from);
        if (at != std::string::npos) s.replace(at, std::strlen(r.from), r.to);
    }
    return s;
}

// [SECTION] reading
bool sonyAccepts(const std::string& make, const std::string& model) {
    std::string mk = upperAscii(make), md = upperAscii(model);
    if (mk == "SONY") return true;
    if (mk != "HASSELBLAD") return false;
    return md.find("LUNAR") != std::string::npos || md.find("STELLAR") != std::string::npos ||
           md.find("HV") != std::string::npos;
}

bool sonyTrustsFocusTags(const std::string& model) {
    if (model.rfind("DSC-", 0) != 0) return true;
    std::string list = kTrustedCompacts;
    size_t p = 0;
    while (p <= list.size()) {
        size_t e = list.find(';', p);
        if (e == std::string::npos) e = list.size();
        if (model == "DSC-" + list.substr(p, e - p)) return true;
        p = e + 1;
    }
    return false;
}

// A temperature from an enciphered block: the signed deciphered byte at index, when the block is
// long enough and not blank.
static bool blockValue(ByteView b, const TagData& t, uint32_t index, int* out) {
    if (!t.found() || t.size != 1 || t.count <= index || t.count < 4) return false;
    if (readU32(b, t.pos, true) == 0) return false;
    *out = int8_t(sonyDecipher(readByte(b, t.pos + index)));
    return true;
}
static bool plausible(double celsius) { return celsius >= -100 && celsius <= 100; }

static uint8_t plainByte(ByteView b, const TagData& t, uint32_t i) {
    return i < t.count ? sonyDecipher(readByte(b, t.pos + i)) : 0;
}

struct SonyNote {
    MakerNoteIfd ifd;
    int orientation = 1;
    std::string model, focus, afArea, style;
    int64_t wb = -1, kelvin = -1, dro = -1, stab = -1, release = -1, sequence = -1;
};

static bool readSony(ByteView b, const ExifSummary& s, SonyNote* n) {
    n->model = modelOf(b, s);
    if (!sonyAccepts(makeOf(b, s), n->model)) return false;
    int64_t base = 0;
    bool le = s.littleEndian;
    int64_t start = makerNoteStart(b, s, &base, &le);
    n->orientation = s.tiffBase >= 0 ? readOrientationAt(b, s.tiffBase) : 1;
    if (start <= 0) return true;  // Sony's without a readable note: EXIF only
    int64_t ifd = bytesAt(b, start, std::string_view("SONY DSC \0\0\0", 12)) ? start + 12 : start;
    n->ifd = {start, ifd, base, le};
    const MakerNoteIfd& m = n->ifd;
    if (sonyTrustsFocusTags(n->model)) {
        n->focus = lookup(kFocusMode, tagFirst(b, m, 0x201B));
        n->afArea = lookup(kAfArea, tagFirst(b, m, 0x201C));
    }
    n->wb = tagFirst(b, m, 0x0115);
    n->kelvin = tagFirst(b, m, 0xB021);
    n->dro = tagFirst(b, m, 0xB025);
    n->stab = tagFirst(b, m, 0xB026);
    n->release = tagFirst(b, m, 0xB049);
    n->sequence = tagFirst(b, m, 0xB04A);
    n->style = styleText(tagText(b, m, 0xB020));
    return true;
}

static void readAfGeometry(ByteView b, const SonyNote& n, ShotInfo* out) {
    const MakerNoteIfd& m = n.ifd;
    TagData p = tagData(b, m, 0x2027);
    if (p.found() && p.count >= 4 && !isManualFocusText(n.focus)) {
        int fw = int(tagInt(b, m, p, 0)), fh = int(tagInt(b, m, p, 1));
        int x = int(tagInt(b, m, p, 2)), y = int(tagInt(b, m, p, 3));
        if (fw > 0 && fh > 0 && x > 0 && y > 0 && x <= fw && y <= fh && out->afPointX == 0) {
            turnPoint(n.orientation, &x, &y, &fw, &fh);
            out->afPointX = x;
            out->afPointY = y;
            out->afFrameWidth = fw;
            out->afFrameHeight = fh;
        }
    }
    TagData a = tagData(b, m, 0x202A);
    if (a.found() && a.size == 1 && a.count >= 7) {
        int count = readByte(b, a.pos);
        if (count > 15) count = 15;
        int fw = readU16(b, a.pos + 2, m.le), fh = readU16(b, a.pos + 4, m.le);
        int xmin = 0, xmax = 0, ymin = 0, ymax = 0;
        bool any = false;
        for (int i = 0; i < count && fw > 0 && fh > 0; i++) {
            uint32_t off = 6 + 4 * uint32_t(i);
            if (off + 4 > a.count) break;
            int x = readU16(b, a.pos + off, m.le), y = readU16(b, a.pos + off + 2, m.le);
            if (x == 0 && y == 0) continue;
            if (!any || x < xmin) xmin = x;
            if (!any || x > xmax) xmax = x;
            if (!any || y < ymin) ymin = y;
            if (!any || y > ymax) ymax = y;
            any = true;
        }
        if (any && xmax > xmin && ymax > ymin) {
            double u = 0.5, v = 0.5, w = double(xmax - xmin) / fw, h = double(ymax - ymin) / fh;
            turnBox(n.orientation, &u, &v, &w, &h);
            out->afAreaWidth = w;
            out->afAreaHeight = h;
        }
    }
    TagData f = tagData(b, m, 0x3000);
    if (f.found() && f.size == 1 && f.count >= 52) {
        uint32_t offset = readU16(b, f.pos + 2, true);
        int fh = readU16(b, f.pos + 26, true), fw = readU16(b, f.pos + 28, true);
        int faces = readU16(b, f.pos + 48, true);
        uint32_t record = readU16(b, f.pos + 50, true);
        if (faces > 5) faces = 5;
        for (int i = 0; i < faces && fw > 0 && fh > 0 && record >= 8; i++) {
            uint32_t at = offset + uint32_t(i) * record;
            if (at + 8 > f.count) break;
            int top = readU16(b, f.pos + at, true), left = readU16(b, f.pos + at + 2, true);
            int height = readU16(b, f.pos + at + 4, true), width = readU16(b, f.pos + at + 6, true);
            if (width <= 0 || height <= 0 || left + width > fw || top + height > fh) continue;
            DetectionArea d;
            d.cx = (left + width / 2.0) / fw;
            d.cy = (top + height / 2.0) / fh;
            d.w = double(width) / fw;
            d.h = double(height) / fh;
            turnBox(n.orientation, &d.cx, &d.cy, &d.w, &d.h);
            out->detections.push_back(d);
        }
    }
}

static void readTemperatures(ByteView b, const SonyNote& n, ShotInfo* out) {
    const MakerNoteIfd& m = n.ifd;
    int v = 0;
    TagData cam = tagData(b, m, 0x9403);
    uint8_t test = plainByte(b, cam, 4);
    if (test >= 1 && test <= 99 && blockValue(b, cam, 5, &v) && plausible(v)) {
        out->cameraTemp = v;
        out->hasCameraTemp = true;
    }
    TagData amb = tagData(b, m, 0x9402);
    if (plainByte(b, amb, 2) == 255 && blockValue(b, amb, 4, &v) && plausible(v)) {
        out->ambientTemp = v;
        out->hasAmbientTemp = true;
    }
    TagData bat = tagData(b, m, 0x9406);
    uint8_t first = bat.found() ? readByte(b, bat.pos) : 0;
    if ((first == 0x1B || first == 0x08) && blockValue(b, bat, 5, &v)) {
        // The battery reports degrees Fahrenheit; shown as Celsius it would be 30-odd degrees too
        // hot, and a warm battery (above 100 F) would be refused as implausible.
        double c = std::round((v - 32) / 1.8 * 10) / 10;
        if (plausible(c)) {
            out->batteryTemp = c;
            out->hasBatteryTemp = true;
        }
    }
}

bool decodeSony(ByteView b, const ExifSummary& s, ShotInfo* out) {
    SonyNote n;
    if (!readSony(b, s, &n)) return false;
    if (n.model.rfind("DSC-", 0) == 0) out->fixedLens = true;
    if (n.ifd.ifdPos <= 0) return true;
    out->focusMode = n.focus;
    out->afArea = n.afArea;
    out->whiteBalance = lookup(kWhiteBalance, n.wb);
    if (!out->whiteBalance.empty() && n.kelvin > 0) out->whiteBalance += " (" + std::to_string(n.kelvin) + " K)";
    out->dynamicRange = droText(n.dro);
    out->stabMode = lookup(kStabilisation, n.stab);
    if (n.release == 2) {
        out->driveMode = "Continuous";
        if (n.sequence > 0) out->frameNumber = int(n.sequence);
    }
    out->photoStyle = n.style;
    readTemperatures(b, n, out);
    readAfGeometry(b, n, out);
    return true;
}

bool quickSony(ByteView b, const ExifSummary& s, PhotoMeta* out) {
    SonyNote n;
    if (!readSony(b, s, &n)) return false;
    out->focusClass = focusClassOf(n.focus);
    out->continuousDrive = n.release == 2;
    if (n.sequence >= 0) out->burstIndex = int(n.sequence);
    return true;
}

}  // namespace lv
