// The criterion table: for each criterion its key, label, kind and the functions that read a
// photo's bucket, value or name, parse typed values and format them for the dialog and summary.
#include <charconv>
#include <cmath>
#include <vector>

#include "core/pathname.h"
#include "core/texts.h"
#include "filter/filter.h"
#include "filter/filter_text.h"
#include "library/filekinds.h"
#include "metadata/shot_info.h"
#include "sidecar/rating_commands.h"

namespace lv {

// [SECTION] numbers and text
std::string_view trimView(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && uint8_t(s[b]) <= ' ') b++;
    while (e > b && uint8_t(s[e - 1]) <= ' ') e--;
    return s.substr(b, e - b);
}

bool parseDecimal(std::string_view t, double* out) {
    if (t.empty()) return false;
    double v = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
    if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v)) return false;
    *out = v;
    return true;
}

// Digits of a whole number below 1e18 (callers keep to that range).
static std::string wholeDigits(double w) { return std::to_string((long long)w); }

// Rounded to `decimals` places and written without exponent, trailing zeros dropped, and the
// integer part left out when it is 0 and dropZero is set (the "#" patterns).
static std::string patternNumber(double v, int decimals, bool dropZero, bool keepTrailingZeros) {
    if (!std::isfinite(v)) return "0";
    double scale = std::pow(10.0, decimals);
    double a = std::floor(std::fabs(v) * scale + 0.5);
    if (a >= 1e18) return std::to_string((long long)std::copysign(9e17, v));  // out of any camera's range
    long long t = (long long)a;
    long long whole = t / (long long)scale, frac = t % (long long)scale;
    std::string s = (v < 0 && t > 0) ? "-" : "";
    if (whole != 0 || !dropZero) s += wholeDigits(double(whole));
    if (decimals == 0) return s;
    std::string f = std::to_string(frac);
    f.insert(0, size_t(decimals) - f.size(), '0');
    if (!keepTrailingZeros)
        while (!f.empty() && f.back() == '0') f.pop_back();
    if (!f.empty()) s += "." + f;
    return s.empty() ? "0" : s;
}

std::string formatTokenNumber(double v) {
    if (!std::isfinite(v)) return "0";
    char buf[400];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 8);
    if (ec != std::errc()) return "0";
    std::string s(buf, end);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    return s == "-0" ? "0" : s;
}

// [SECTION] set criteria
static int ratingBucket(const PhotoFacts& f) {
    if (f.rating == -1) return 6;
    return (f.rating >= 0 && f.rating <= 5) ? f.rating : 0;
}

static bool ratingLabel(int b, BucketLabel* out) {
    if (b < 0 || b > 6) return false;
    out->text = b == 0 ? text("FilterRateNone") : b == 6 ? text("FilterRateRejected") : std::to_string(b);
    return true;
}

static constexpr std::string_view kColourNames[] = {"RED", "YELLOW", "GREEN", "BLUE", "PURPLE"};
static constexpr const char* kColourTexts[] = {"Red", "Yellow", "Green", "Blue", "Purple", "Other"};

static int colourBucket(const PhotoFacts& f) {
    std::string_view l = trimView(f.label);
    if (l.empty()) return 0;
    for (int i = 0; i < 5; i++)
        if (l.size() == kColourNames[i].size() && equalsIgnoreCase(l, kColourNames[i])) return i + 1;
    return 6;
}

static bool colourLabel(int b, BucketLabel* out) {
    if (b < 0 || b > 6) return false;
    if (b == 0) {
        out->text = text("FilterRateNone");
        return true;
    }
    out->text = kColourTexts[b - 1];
    LabelColour c = labelColour(kColourTexts[b - 1]);  // "Other" gets the colour of any unknown label
    out->hasColour = c.hasLabel;
    out->r = c.r, out->g = c.g, out->b = c.b;
    return true;
}

// Every extension of the format table in upper case, packed into a number, in lookup order: the
// file type of a photo is found without building strings, as this runs for every photo of
// every evaluation.
namespace {
struct ExtensionRow {
    uint64_t key;
    bool raw;
};
// The extension (with its dot, at most 8 bytes) upper-cased into one number; 0 when none fits.
uint64_t extensionKeyOf(std::string_view path) {
    size_t i = path.size();
    while (i > 0 && path[i - 1] != '.' && path[i - 1] != '/' && path[i - 1] != '\\') i--;
    if (i == 0 || path[i - 1] != '.' || path.size() - i + 1 > 8 || i == path.size()) return 0;
    uint64_t key = 0;
    for (size_t k = i - 1; k < path.size(); k++) {
        char c = path[k];
        key = key << 8 | uint8_t((c >= 'a' && c <= 'z') ? c - 32 : c);
    }
    return key;
}
const std::vector<ExtensionRow>& extensionRows() {
    static const std::vector<ExtensionRow> rows = [] {
        std::vector<ExtensionRow> r;
        for (const PhotoFormat& pf : photoFormats()) {
            std::string_view list = pf.extensions;
            while (!list.empty()) {
                size_t semi = list.find(';');
                if (uint64_t key = extensionKeyOf(list.substr(0, semi))) r.push_back({key, pf.isRaw});
                list = semi == std::string_view::npos ? std::string_view() : list.substr(semi + 1);
            }
        }
        return r;
    }();
    return rows;
}
}  // namespace

static bool extensionIsRaw(std::string_view path) {
    uint64_t key = extensionKeyOf(path);
    if (key)
        for (const ExtensionRow& r : extensionRows())
            if (r.key == key) return r.raw;
    return false;
}

static int fileTypeBucket(const PhotoFacts& f) { return extensionIsRaw(f.path) ? 0 : 1; }

// A set criterion whose labels are text keys, one per bucket.
template <const char* const* Keys, int N>
static bool keyedLabel(int b, BucketLabel* out) {
    if (b < 0 || b >= N) return false;
    out->text = text(Keys[b]);
    return true;
}
static constexpr const char* kFileTypeKeys[] = {"FilterTypeRaw", "FilterTypeJpeg"};
static constexpr const char* kOrientationKeys[] = {"FilterLandscape", "FilterPortrait"};
static constexpr const char* kBurstKeys[] = {"FilterBurstIn"};
static constexpr const char* kFocusKeys[] = {"FilterAFS", "FilterAFC", "FilterMF"};
static constexpr const char* kShutterKeys[] = {"FilterShutMech", "FilterShutElec", "FilterShutEFC", "FilterShutLeaf"};

static int orientationBucket(const PhotoFacts& f) {
    int w = f.meta.pixelWidth, h = f.meta.pixelHeight;
    if (w < 1 || h < 1) return -1;
    // Orientations 5 to 8 all turn the picture a quarter (5 and 7 mirror it as well).
    if (f.meta.orientation >= 5 && f.meta.orientation <= 8) std::swap(w, h);
    return w > h ? 0 : h > w ? 1 : -1;
}
static int burstBucket(const PhotoFacts& f) { return f.burstGroup >= 0 ? 0 : -1; }
static int focusBucket(const PhotoFacts& f) { return f.meta.focusClass; }
static int shutterBucket(const PhotoFacts& f) { return f.meta.shutterType; }

// [SECTION] range criteria
static bool isoValue(const PhotoFacts& f, double* v) {
    *v = f.meta.iso;
    return f.meta.iso > 0;
}
static bool apertureValue(const PhotoFacts& f, double* v) {
    *v = f.meta.apertureX100 / 100.0;
    return f.meta.apertureX100 > 0;
}
static bool speedValue(const PhotoFacts& f, double* v) {
    *v = f.meta.exposureSeconds;
    return f.meta.exposureSeconds > 0;
}
static bool expCompValue(const PhotoFacts& f, double* v) {
    *v = f.meta.exposureComp;
    return f.meta.hasExposureComp;
}

static bool parsePositive(std::string_view t, double* out) {
    double v = 0;
    if (!parseDecimal(t, &v) || v <= 0) return false;
    *out = v;
    return true;
}
static bool parseIso(std::string_view t, double* out) { return parsePositive(trimView(t), out); }
static bool parseAperture(std::string_view t, double* out) {
    t = trimView(t);
    if (t.size() >= 2 && (t[0] == 'F' || t[0] == 'f') && t[1] == '/') t.remove_prefix(2);
    return parsePositive(t, out);
}
static bool parseSpeed(std::string_view t, double* out) {
    t = trimView(t);
    size_t slash = t.find('/');
    if (slash == std::string_view::npos) return parsePositive(t, out);
    double num = 0, den = 0;
    if (!parseDecimal(trimView(t.substr(0, slash)), &num) || !parseDecimal(trimView(t.substr(slash + 1)), &den) ||
        den <= 0)
        return false;
    double v = num / den;
    if (!(v > 0) || !std::isfinite(v)) return false;
    *out = v;
    return true;
}
static bool parseExpComp(std::string_view t, double* out) {
    std::string u = upperAscii(trimView(t));
    std::string_view s = u;
    if (s.size() >= 2 && s.substr(s.size() - 2) == "EV") s = trimView(s.substr(0, s.size() - 2));
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    if (s.empty() || s == "-") return false;
    return parseDecimal(s, out);
}

static std::string formatIso(double v) { return patternNumber(v, 0, false, false); }
static std::string formatAperture(double v) { return "f/" + patternNumber(v, 1, true, true); }
static std::string formatSpeed(double v) {
    if (!(v > 0) || !std::isfinite(v)) return {};
    if (v >= 1) return patternNumber(v, 2, true, false);
    double n = std::floor(1.0 / v + 0.5);
    if (n < 1) n = 1;
    if (n > 1e15) n = 1e15;
    return "1/" + wholeDigits(n);
}
static std::string formatExpComp(double v) { return formatExposureComp(v); }

// [SECTION] names
static std::string_view lensName(const PhotoFacts& f) { return trimView(f.meta.lens); }
static std::string_view cameraName(const PhotoFacts& f) { return trimView(f.meta.camera); }

// [SECTION] the table
namespace {
constexpr CriterionKind S = CriterionKind::Set, R = CriterionKind::Range, N = CriterionKind::Names;
#define LV_SET(b, l) b, l, nullptr, nullptr, nullptr, nullptr
#define LV_RANGE(v, p, f) nullptr, nullptr, v, p, f, nullptr
#define LV_NAMES(n) nullptr, nullptr, nullptr, nullptr, nullptr, n
const Criterion kCriteria[kCriterionCount] = {
    {"rating", "FilterRating", S, false, LV_SET(ratingBucket, ratingLabel)},
    {"colour", "FilterColour", S, false, LV_SET(colourBucket, colourLabel)},
    {"filetype", "FilterFileType", S, false, LV_SET(fileTypeBucket, (keyedLabel<kFileTypeKeys, 2>))},
    {"orientation", "FilterOrientation", S, true, LV_SET(orientationBucket, (keyedLabel<kOrientationKeys, 2>))},
    {"burst", "FilterBurst", S, true, LV_SET(burstBucket, (keyedLabel<kBurstKeys, 1>))},
    {"focus", "FilterFocus", S, true, LV_SET(focusBucket, (keyedLabel<kFocusKeys, 3>))},
    {"shutter", "FilterShutter", S, true, LV_SET(shutterBucket, (keyedLabel<kShutterKeys, 4>))},
    {"iso", "FilterISO", R, true, LV_RANGE(isoValue, parseIso, formatIso)},
    {"aperture", "FilterAperture", R, true, LV_RANGE(apertureValue, parseAperture, formatAperture)},
    {"speed", "FilterSpeed", R, true, LV_RANGE(speedValue, parseSpeed, formatSpeed)},
    {"expcomp", "FilterExpComp", R, true, LV_RANGE(expCompValue, parseExpComp, formatExpComp)},
    {"lens", "FilterLens", N, true, LV_NAMES(lensName)},
    {"camera", "FilterCamera", N, true, LV_NAMES(cameraName)},
};
#undef LV_SET
#undef LV_RANGE
#undef LV_NAMES
}  // namespace

std::span<const Criterion> criteria() { return kCriteria; }

const Criterion* criterion(int id) { return (id >= 0 && id < kCriterionCount) ? &kCriteria[id] : nullptr; }

int criterionByKey(std::string_view key) {
    key = trimView(key);
    for (int i = 0; i < kCriterionCount; i++)
        if (equalsIgnoreCase(key, kCriteria[i].key)) return i;
    return -1;
}

int bucketCount(int id) {
    const Criterion* c = criterion(id);
    if (!c || c->kind != CriterionKind::Set) return 0;
    BucketLabel l;
    int n = 0;
    while (n < 32 && c->bucketLabel(n, &l)) n++;
    return n;
}

std::string criterionLabel(int id) {
    const Criterion* c = criterion(id);
    return c ? text(c->labelKey) : std::string();
}

// [SECTION] facts
void copyPhotoFacts(const FolderState& folder, int index, Lock* lock, PhotoFacts* out) {
    const PhotoList& p = folder.photos;
    if (index < 0 || index >= p.count) {
        *out = PhotoFacts();
        return;
    }
    size_t i = size_t(index);
    // The scan stores a whole record under this lock; copying under it gives either the old or
    // the new record, never a mix. Assignments reuse out's buffers, so a pass allocates little.
    if (lock) lockEnter(*lock);
    out->meta = p.meta[i];
    if (lock) lockLeave(*lock);
    // Rating, label, burst group and path change on the user-interface thread only.
    out->rating = p.rating[i];
    out->burstGroup = p.burstGroup[i];
    out->label = p.label[i];
    out->path = p.path[i];
}

}  // namespace lv
