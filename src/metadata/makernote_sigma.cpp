// Sigma maker notes: text tags for focus, white balance and the AF point, the sensor
// temperature, and the fixed lenses of the DP bodies.
#include <cstdlib>

#include "core/pathname.h"
#include "metadata/makernote.h"

namespace lv {

static const struct {
    const char* model;
    const char* lens;
} kFixedLens[] = {
    {"SIGMA DP1", "16.6mm F4"},          {"SIGMA DP1S", "16.6mm F4"},         {"SIGMA DP1X", "16.6mm F4"},
    {"SIGMA DP2", "24.2mm F2.8"},        {"SIGMA DP2S", "24.2mm F2.8"},       {"SIGMA DP2X", "24.2mm F2.8"},
    {"SIGMA DP1 MERRILL", "19mm F2.8"},  {"SIGMA DP2 MERRILL", "30mm F2.8"},  {"SIGMA DP3 MERRILL", "50mm F2.8 Macro"},
    {"SIGMA DP0 QUATTRO", "14mm F4"},    {"SIGMA DP1 QUATTRO", "19mm F2.8"},  {"SIGMA DP2 QUATTRO", "30mm F2.8"},
    {"SIGMA DP3 QUATTRO", "50mm F2.8 Macro"},
};
// (The Quattro lenses are the kit lenses Sigma's own lens codes 0x1006 to 0x1009 name.)

// The camera's spellings and the panel's.
static const struct {
    const char* camera;
    const char* shown;
} kWhiteBalance[] = {{"Auto", "Auto"},       {"Auto(Natural)", "Auto (natural)"}, {"Daylight", "Daylight"},
                     {"Sunlight", "Daylight"}, {"Custom", "Custom"},           {"ColorTemp", "Colour temperature"}};

static bool sigmaIfd(ByteView b, const ExifSummary& s, MakerNoteIfd* m) {
    std::string make = upperAscii(makeOf(b, s));
    if (make.rfind("SIGMA", 0) != 0 && make.rfind("FOVEON", 0) != 0) return false;
    int64_t base = 0;
    bool le = s.littleEndian;
    int64_t start = makerNoteStart(b, s, &base, &le);
    if (start <= 0) return false;
    if (bytesAt(b, start, std::string_view("SIGMA\0\0\0", 8)) || bytesAt(b, start, std::string_view("FOVEON\0\0", 8)))
        *m = {start, start + 10, base, le};
    else
        *m = {start, 0, base, le};
    return true;
}

static std::string focusText(ByteView b, const MakerNoteIfd& m) {
    std::string setting = tagText(b, m, 0x0006), af = tagText(b, m, 0x0005);
    if (setting == "M" || setting == "MF") return "MF";
    if (af == "AF-S" || af == "AF-C") return af;
    return {};
}

static const char* fixedLens(const std::string& modelUpper) {
    for (const auto& f : kFixedLens)
        if (modelUpper == f.model) return f.lens;
    return nullptr;
}

bool decodeSigma(ByteView b, const ExifSummary& s, ShotInfo* out) {
    MakerNoteIfd m;
    if (!sigmaIfd(b, s, &m)) return false;
    std::string model = upperAscii(modelOf(b, s));
    if (const char* lens = fixedLens(model)) {
        out->fixedLens = true;
        if (out->lensModel.empty()) out->lensModel = lens;
    } else if (model.rfind("SIGMA DP", 0) == 0) {
        out->fixedLens = true;
    }
    if (m.ifdPos <= 0) return true;
    out->focusMode = focusText(b, m);
    std::string wb = tagText(b, m, 0x0007);
    for (const auto& w : kWhiteBalance)
        if (wb == w.camera) out->whiteBalance = w.shown;
    // "Center", or one name per AF event ("Center,Center"): the first is the point that focused.
    std::string point = tagText(b, m, 0x001F);
    point = trimText(point.substr(0, point.find(',')));
    if (equalsIgnoreCase(point, "Center") && !isManualFocusText(out->focusMode)) {
        out->afArea = "Centre point";
        setAfPointFraction(out, 0.5, 0.5);
    }
    std::string temp = tagText(b, m, 0x0039);
    if (temp.empty()) temp = tagText(b, m, 0x0055);
    if (!temp.empty() && ((temp[0] >= '0' && temp[0] <= '9') || temp[0] == '-')) {
        int t = std::atoi(temp.c_str());
        if (t > -100 && t < 100) {
            out->sensorTemp = t;
            out->hasSensorTemp = true;
        }
    }
    return true;
}

bool quickSigma(ByteView b, const ExifSummary& s, PhotoMeta* out) {
    MakerNoteIfd m;
    if (!sigmaIfd(b, s, &m)) return false;
    if (m.ifdPos > 0) out->focusClass = focusClassOf(focusText(b, m));
    if (const char* lens = fixedLens(upperAscii(modelOf(b, s))))
        if (out->lens.empty()) out->lens = lens;
    return true;
}

}  // namespace lv
