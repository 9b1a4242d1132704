// How the panel writes exposure values, names and temperatures. Every rule works on the
// integers the camera stored where it can, so a rational never turns into 1/249.99s.
#include <cmath>

#include "core/pathname.h"
#include "core/texts.h"
#include "metadata/makernote.h"
#include "metadata/shot_info.h"

namespace lv {

static std::string num(long long v) { return std::to_string(v); }

// t tenths as "12" or "12.3" (no trailing ".0").
static std::string tenths(long long t) {
    std::string s = num(t / 10);
    if (t % 10) s += "." + num(t % 10);
    return s;
}

static std::string trimmed(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t' || s[a] == '\0')) a++;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\0')) b--;
    return s.substr(a, b - a);
}

static std::string firstWord(const std::string& s) {
    size_t sp = s.find(' ');
    return sp == std::string::npos ? s : s.substr(0, sp);
}

// s starts with word as a whole word: followed by the end, a space or one of extra.
static bool startsWithWord(const std::string& s, const std::string& word, const char* extra) {
    if (word.empty() || s.size() < word.size()) return false;
    if (!equalsIgnoreCase(s.substr(0, word.size()), word)) return false;
    if (s.size() == word.size()) return true;
    char c = s[word.size()];
    if (c == ' ') return true;
    for (const char* p = extra; *p; p++)
        if (c == *p) return true;
    return false;
}

std::string formatShutter(uint32_t n, uint32_t d) {
    if (n == 0 || d == 0) return {};
    if (n >= d) {
        if (d == 1) return num(n) + "s";
        long long t = (long long)std::floor(10.0 * n / d + 0.5);
        return num(t / 10) + "." + num(t % 10) + "s";
    }
    uint32_t a = n, b = d;
    while (b) {
        uint32_t r = a % b;
        a = b;
        b = r;
    }
    uint32_t g = a ? a : 1;
    uint32_t rn = n / g, rd = d / g;
    if (rn == 1) return "1/" + num(rd) + "s";
    long long t = (long long)std::floor(10.0 * rd / rn + 0.5);
    return "1/" + tenths(t) + "s";
}

std::string formatAperture(uint32_t n, uint32_t d) {
    if (n == 0 || d == 0) return {};
    long long t = (long long)std::floor(10.0 * n / d + 0.5);
    return "f/" + tenths(t);
}

std::string formatFocalLength(uint32_t n, uint32_t d, int focal35, bool cropMode, double cropFactor) {
    if (n == 0 || d == 0) return {};
    double f = double(n) / d;
    std::string s = tenths((long long)std::floor(10.0 * f + 0.5)) + "mm";
    if (focal35 < 1 && cropFactor > 0) focal35 = (int)std::floor(f * cropFactor);
    if (focal35 >= 1 && 100.0 * std::fabs(focal35 / f - 1.0) > 5.0)
        s += " (" + num(focal35) + "mm on FF" + (cropMode ? ", crop" : "") + ")";
    return s;
}

std::string formatExposureComp(double ev) {
    if (!std::isfinite(ev)) return {};
    // The small nudge keeps 0.35 stored as 0.34999.. rounding the way the camera meant it.
    long long t = (long long)std::floor(std::fabs(ev) * 10.0 + 0.5 + 1e-9);
    if (t == 0) return "0 EV";
    return std::string(ev > 0 ? "+" : "-") + tenths(t) + " EV";
}

// One decimal, halves rounded away from zero ("0.0" pattern): 1.25 gives 1.3, not 1.2.
static std::string oneDecimal(double v) {
    long long t = (long long)std::floor(std::fabs(v) * 10.0 + 0.5 + 1e-9);
    return (v < 0 && t > 0 ? "-" : "") + num(t / 10) + "." + num(t % 10);
}

std::string formatLightValue(double lv) {
    if (!std::isfinite(lv)) return {};
    double f = std::floor(lv);
    const char* d = f <= 2    ? "Night"
                    : f <= 4  ? "Dim indoors"
                    : f <= 6  ? "Indoors"
                    : f <= 8  ? "Bright indoors"
                    : f <= 10 ? "Overcast"
                    : f <= 12 ? "Cloudy bright"
                    : f <= 14 ? "Hazy sun"
                              : "Bright sun";
    return std::string(d) + " (LV " + oneDecimal(lv) + ")";
}

std::string formatMetering(int mode) {
    switch (mode) {
        case 1: return "Average";
        case 2: return "Center-weighted";
        case 3: return "Spot";
        case 4: return "Multi-spot";
        case 5: return "Multi-segment";
        case 6: return "Partial";
        case 255: return "Highlight-weighted";
        default: return {};
    }
}

std::string formatTemperature(double t) {
    if (!std::isfinite(t)) return {};
    std::string v = std::fabs(t - std::round(t)) < 1e-9 ? num((long long)std::round(t)) : oneDecimal(t);
    return v + " \xC2\xB0" "C";
}

std::string formatLevel(double angle) {
    if (!std::isfinite(angle)) return {};
    return std::string(angle < 0 ? "-" : "+") + oneDecimal(std::fabs(angle)) + "\xC2\xB0";
}

std::string formatShutterType(int code) {
    switch (code) {
        case 0: return metaText("FilterShutMech", "Mechanical");
        case 1: return metaText("FilterShutElec", "Electronic");
        case 2: return metaText("FilterShutEFC", "Electronic front curtain");
        case 3: return metaText("FilterShutLeaf", "Mechanical or leaf shutter");
        default: return {};
    }
}

std::string cameraName(const std::string& makeIn, const std::string& modelIn) {
    std::string make = trimmed(makeIn), model = trimmed(modelIn);
    if (make.empty()) return model;
    if (model.empty()) return make;
    std::string brand = firstWord(make);
    if (startsWithWord(model, brand, "-") || startsWithWord(model, "PENTAX", "")) return model;
    return brand + " " + model;
}

std::string lensName(const std::string& lensMakeIn, const std::string& lensModelIn) {
    std::string model = trimmed(lensModelIn), make = trimmed(lensMakeIn);
    if (model.empty()) return {};
    if (model.find_first_not_of('-') == std::string::npos || equalsIgnoreCase(model, "not selected"))
        return "Not recorded (manual or adapted lens)";
    if (equalsIgnoreCase(make, "N/A")) make.clear();
    if (make.empty()) return model;
    std::string word = firstWord(make);
    if (startsWithWord(model, word, "")) return model;
    return word + " " + model;
}

bool isManualFocusText(const std::string& f) {
    // Some makers spell manual focus out ("MANUAL", "M"); a manual shot has no AF area to show.
    return f.rfind("MF", 0) == 0 || f.rfind("MANUAL", 0) == 0 || f == "M";
}

int focusClassOf(const std::string& f) {
    if (f.empty()) return -1;
    if (isManualFocusText(f)) return 2;
    if (f.rfind("AF-S", 0) == 0) return 0;
    if (f.rfind("AF-C", 0) == 0) return 1;
    return 3;
}

// "1.20", "01.00.01", "V2.1": a camera-style version number made of digits and points only.
static bool versionLike(const std::string& s) {
    if (s.empty()) return false;
    bool digit = false;
    for (char c : s) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c != '.')
            return false;
    }
    return digit;
}

bool looksLikeFirmware(const std::string& swIn) {
    std::string sw = trimmed(swIn);
    if (sw.empty()) return true;
    std::string u = upperAscii(sw);
    if (u.rfind("VERSION ", 0) == 0) return true;
    if (u.size() >= 2 && u[0] == 'V' && versionLike(u.substr(1))) return true;
    for (const char* m : {"DIGITAL CAMERA ", "R/", "::", " VER ", " VER."})
        if (u.find(m) != std::string::npos) return true;
    if (versionLike(u)) return true;
    // "v7H1-74e": one word, a version letter and a digit, is a build tag, not an application.
    if (u.find(' ') == std::string::npos && u.size() >= 2 && u[0] == 'V' && u[1] >= '0' && u[1] <= '9') return true;
    for (const char* m : {"FIRMWARE", "VER.", "VER "})
        if (u.rfind(m, 0) == 0) return true;
    // "ZV-E10 v1.00", "E-M1MarkII Ver1.2": a model name and a marked version number, which is
    // how bodies sign their own files; "Lightroom 12.3" has no marker and stays.
    size_t sp = u.find(' ');
    if (sp != std::string::npos && u.find(' ', sp + 1) == std::string::npos) {
        std::string last = u.substr(sp + 1);
        if (last.rfind("VER", 0) == 0) last = last.substr(3);
        else if (last[0] == 'V') last = last.substr(1);
        else last.clear();
        if (versionLike(last)) return true;
    }
    return false;
}

}  // namespace lv
