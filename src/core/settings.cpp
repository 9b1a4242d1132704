#include "core/settings.h"

#include <climits>

#include "core/pathname.h"
#include "core/texts.h"

namespace lv {

// [SECTION] scaling
namespace {

int64_t floorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) q--;
    return q;
}

int clampInt(int64_t v) { return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : int(v); }

// Values below 48 DPI are not a real screen; they count as 100 %.
int64_t effectiveDpi(int dpi) { return dpi < 48 ? 96 : dpi; }

}  // namespace

// Integer arithmetic, so 125 % and 150 % round exactly as the decimal rule says.
int scaleLength(int v96, int dpi) { return clampInt(floorDiv(2 * int64_t(v96) * effectiveDpi(dpi) + 96, 192)); }

int unscaleLength(int px, int dpi) {
    int64_t d = effectiveDpi(dpi);
    return clampInt(floorDiv(2 * int64_t(px) * 96 + d, 2 * d));
}

int scaleLengthCeil(int v96, int dpi) { return clampInt(-floorDiv(-int64_t(v96) * effectiveDpi(dpi), 96)); }

// [SECTION] hooks
namespace {

SettingsHooks gHooks;

std::string trimmed(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) b++;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) e--;
    return std::string(s.substr(b, e - b));
}

std::string defaultExportTemplate() {
    if (gHooks.exportTemplateDefault) return gHooks.exportTemplateDefault();
    return std::string("{folder.path}") + kPathSep + "export";
}

std::string defaultImportTemplate() {
    if (gHooks.importTemplateDefault) return gHooks.importTemplateDefault();
    const std::string s(1, kPathSep);
    return "{year:4}" + s + "{month:2}" + s + "{day:2}" + s + "{file.type:sub(sooc,video)}" + s +
           "{file.name}.{file.ext}";
}

}  // namespace

void setSettingsHooks(const SettingsHooks& hooks) { gHooks = hooks; }
const SettingsHooks& settingsHooks() { return gHooks; }

Settings defaultSettings(int dpi) {
    Settings s;
    s.stripHeight = scaleLength(120, dpi);
    s.exifPanelW = scaleLength(340, dpi);
    s.windowW = scaleLength(1280, dpi);
    s.windowH = scaleLength(720, dpi);
    s.exportTemplate = defaultExportTemplate();
    s.importTemplate = defaultImportTemplate();
    return s;
}

// [SECTION] the key table
namespace {

enum class Rule {
    IntRange,      // lo..hi, else default
    ScaledMin,     // at least lo (96-DPI units), else default; then scaled
    ScaledWindow,  // more than 0, else default; scaled, at least ceil(lo * scale)
    NonZeroFlag,   // any; non-zero means 1
    OnlyOneFlag,   // any; only 1 means 1
    AnyInt,        // bit masks
    Language,
    ExportTemplate,
    ImportTemplate,
    ExcludedTypes,
    TypeMap,
    TrimmedText,
    Filter,
};

struct KeyRow {
    SettingKey id;
    Rule rule;
    int lo, hi;
    int Settings::*intField;
    bool Settings::*boolField;
    std::string Settings::*textField;
};

constexpr int Settings::*kNoInt = nullptr;
constexpr bool Settings::*kNoBool = nullptr;
constexpr std::string Settings::*kNoText = nullptr;

const KeyRow kKeys[] = {
    {{"Application", "CacheMode", true}, Rule::IntRange, 1, 3, &Settings::cacheMode, kNoBool, kNoText},
    {{"Application", "PreviewCacheMB", true}, Rule::IntRange, 1, 1024, &Settings::previewCacheMB, kNoBool, kNoText},
    {{"Application", "Language", false}, Rule::Language, 0, 0, kNoInt, kNoBool, &Settings::language},
    {{"FilmStrip", "StripHeight", true}, Rule::ScaledMin, 60, 0, &Settings::stripHeight, kNoBool, kNoText},
    {{"FilmStrip", "StripShow", true}, Rule::NonZeroFlag, 0, 0, kNoInt, &Settings::stripShow, kNoText},
    {{"FilmStrip", "StatusBarShow", true}, Rule::NonZeroFlag, 0, 0, kNoInt, &Settings::statusBarShow, kNoText},
    {{"FilmStrip", "StripFollow", true}, Rule::OnlyOneFlag, 0, 0, &Settings::stripFollow, kNoBool, kNoText},
    {{"Export", "IncludeSidecars", true}, Rule::NonZeroFlag, 0, 0, kNoInt, &Settings::includeSidecars, kNoText},
    {{"Export", "IncludePartners", true}, Rule::NonZeroFlag, 0, 0, kNoInt, &Settings::includePartners, kNoText},
    {{"Export", "Template", true}, Rule::ExportTemplate, 0, 0, kNoInt, kNoBool, &Settings::exportTemplate},
    {{"Import", "Template", true}, Rule::ImportTemplate, 0, 0, kNoInt, kNoBool, &Settings::importTemplate},
    {{"Import", "ExcludedTypes", true}, Rule::ExcludedTypes, 0, 0, kNoInt, kNoBool, &Settings::excludedTypes},
    {{"Import", "TypeMap", true}, Rule::TypeMap, 0, 0, kNoInt, kNoBool, &Settings::typeMap},
    {{"Import", "Source", true}, Rule::TrimmedText, 0, 0, kNoInt, kNoBool, &Settings::importSource},
    {{"Import", "Destination", true}, Rule::TrimmedText, 0, 0, kNoInt, kNoBool, &Settings::importDestination},
    {{"EXIFInformation", "ExifPanelW", true}, Rule::ScaledMin, 250, 0, &Settings::exifPanelW, kNoBool, kNoText},
    {{"EXIFInformation", "ExifPanelSide", true}, Rule::OnlyOneFlag, 0, 0, &Settings::exifPanelSide, kNoBool, kNoText},
    {{"EXIFInformation", "ExifPanelShow", true}, Rule::NonZeroFlag, 0, 0, kNoInt, &Settings::exifPanelShow, kNoText},
    {{"EXIFInformation", "SecCollapsed", true}, Rule::AnyInt, 0, 0, &Settings::secCollapsed, kNoBool, kNoText},
    {{"EXIFInformation", "SecHidden", true}, Rule::AnyInt, 0, 0, &Settings::secHidden, kNoBool, kNoText},
    {{"Application", "WindowW", true}, Rule::ScaledWindow, 320, 0, &Settings::windowW, kNoBool, kNoText},
    {{"Application", "WindowH", true}, Rule::ScaledWindow, 240, 0, &Settings::windowH, kNoBool, kNoText},
    {{"Application", "SlideshowMs", true}, Rule::IntRange, 100, 60000, &Settings::slideshowMs, kNoBool, kNoText},
    {{"Application", "BurstMs", true}, Rule::IntRange, 5, 1000, &Settings::burstMs, kNoBool, kNoText},
    {{"Export", "Filter", true}, Rule::Filter, 0, 0, kNoInt, kNoBool, &Settings::exportFilter},
    {{"Import", "Filter", true}, Rule::Filter, 0, 0, kNoInt, kNoBool, &Settings::importFilter},
    {{"Import", "SecondDestination", true}, Rule::TrimmedText, 0, 0, kNoInt, kNoBool, &Settings::importSecondDestination},
    {{"Import", "VerifyReadBack", true}, Rule::NonZeroFlag, 0, 0, kNoInt, &Settings::importVerifyReadBack, kNoText},
};
constexpr size_t kKeyCount = sizeof kKeys / sizeof kKeys[0];
static_assert(kKeyCount <= sizeof(LoadReport::fromFile) / sizeof(bool), "LoadReport::fromFile is too small");


// Applies one row's rule to the file text; true when the file's value was taken.
bool loadRow(const KeyRow& r, const IniIndex& text, int dpi, Settings* s) {
    const char* sec = r.id.section;
    const char* key = r.id.key;
    const bool present = !trimmed(iniIndexGet(text, sec, key, "")).empty();
    switch (r.rule) {
        case Rule::IntRange:
        case Rule::ScaledMin:
        case Rule::ScaledWindow:
        case Rule::AnyInt: {
            if (!present) return false;
            int v = iniIndexGetInt(text, sec, key, 0);
            if (r.rule == Rule::IntRange && (v < r.lo || v > r.hi)) return false;
            if (r.rule == Rule::ScaledMin && v < r.lo) return false;
            if (r.rule == Rule::ScaledWindow && v <= 0) return false;
            if (r.rule == Rule::ScaledMin) v = scaleLength(v, dpi);
            if (r.rule == Rule::ScaledWindow) {
                v = scaleLength(v, dpi);
                int minimum = scaleLengthCeil(r.lo, dpi);
                if (v < minimum) v = minimum;
            }
            s->*r.intField = v;
            return true;
        }
        case Rule::NonZeroFlag:
            if (!present) return false;
            s->*r.boolField = iniIndexGetInt(text, sec, key, 0) != 0;
            return true;
        case Rule::OnlyOneFlag:
            if (!present) return false;
            s->*r.intField = iniIndexGetInt(text, sec, key, 0) == 1 ? 1 : 0;
            return true;
        case Rule::Language:
            if (!present) return false;
            s->language = lowerAscii(trimmed(iniIndexGet(text, sec, key, "")));
            return true;
        case Rule::ExportTemplate: {
            std::string v = trimmed(iniIndexGet(text, sec, key, ""));
            if (!v.empty()) {
                s->exportTemplate = v;
                return true;
            }
            if (gHooks.exportTemplateFromLegacy)
                s->exportTemplate = gHooks.exportTemplateFromLegacy(
                    iniIndexGet(text, sec, "FixedFolder", ""), iniIndexGet(text, sec, "BesideFolder", ""),
                    iniIndexGetInt(text, sec, "DestinationMode", 0));
            return false;
        }
        case Rule::ImportTemplate: {
            std::string v = trimmed(iniIndexGet(text, sec, key, ""));
            if (v.empty()) return false;
            if (gHooks.normaliseImportTemplate && !gHooks.normaliseImportTemplate(&v)) return false;
            s->importTemplate = v;
            return true;
        }
        case Rule::ExcludedTypes: {
            if (!present) return false;
            std::string v = lowerAscii(trimmed(iniIndexGet(text, sec, key, "")));
            if (v.back() != '|') v += '|';
            s->excludedTypes = v;
            return true;
        }
        case Rule::TypeMap:
            if (!present) return false;
            s->typeMap = iniIndexGet(text, sec, key, "");
            if (gHooks.sanitizeTypeMap) s->typeMap = gHooks.sanitizeTypeMap(s->typeMap);
            return true;
        case Rule::TrimmedText:
            if (!present) return false;
            s->*r.textField = trimmed(iniIndexGet(text, sec, key, ""));
            return true;
        case Rule::Filter: {
            if (!present) return false;
            std::string v = trimmed(iniIndexGet(text, sec, key, ""));
            s->*r.textField = gHooks.normaliseFilter ? gHooks.normaliseFilter(v) : v;
            return true;
        }
    }
    return false;
}

}  // namespace

size_t settingKeyCount() { return kKeyCount; }

SettingKey settingKey(size_t row) { return row < kKeyCount ? kKeys[row].id : SettingKey{"", "", false}; }

std::string settingValueText(const Settings& s, size_t row, int dpi) {
    if (row >= kKeyCount) return {};
    const KeyRow& r = kKeys[row];
    if (r.textField) return s.*r.textField;
    if (r.boolField) return (s.*r.boolField) ? "1" : "0";
    int v = s.*r.intField;
    if (r.rule == Rule::ScaledMin || r.rule == Rule::ScaledWindow) v = unscaleLength(v, dpi);
    return std::to_string(v);
}

// [SECTION] load and save
// Why a number the file holds for a row was not taken; "" when it was or the row takes any value.
static std::string whyRefused(const KeyRow& r, std::string_view value) {
    if (r.rule != Rule::IntRange && r.rule != Rule::ScaledMin && r.rule != Rule::ScaledWindow) return {};
    std::string t = trimmed(value);
    size_t digit = !t.empty() && (t[0] == '+' || t[0] == '-') ? 1 : 0;
    if (digit >= t.size() || t[digit] < '0' || t[digit] > '9') return "not a number";
    int v = leadingNumber(t);
    if (r.rule == Rule::IntRange && (v < r.lo || v > r.hi))
        return "out of range (" + std::to_string(r.lo) + " to " + std::to_string(r.hi) + ")";
    if (r.rule == Rule::ScaledMin && v < r.lo) return "below the minimum " + std::to_string(r.lo);
    if (r.rule == Rule::ScaledWindow && v <= 0) return "not above 0";
    return {};
}

LoadReport loadSettingsText(std::string_view text, bool fileExisted, int dpi, Settings* out) {
    LoadReport rep;
    *out = defaultSettings(dpi);
    rep.fileExisted = fileExisted;
    if (!fileExisted) return rep;
    IniIndex index;
    iniIndexBuild(text, &index);
    for (size_t i = 0; i < kKeyCount; i++) {
        rep.fromFile[i] = loadRow(kKeys[i], index, dpi, out);
        std::string value = iniIndexGet(index, kKeys[i].id.section, kKeys[i].id.key, "");
        std::string why = rep.fromFile[i] || trimmed(value).empty() ? std::string() : whyRefused(kKeys[i], value);
        if (!why.empty()) rep.ignored.push_back({kKeys[i].id.section, kKeys[i].id.key, value, why});
    }
    for (const char* section : {"Application", "FilmStrip", "EXIFInformation"})
        for (const auto& [key, value] : iniKeysOf(index.text, section)) {
            bool known = false;
            for (const KeyRow& r : kKeys)
                known = known || (equalsIgnoreCase(r.id.section, section) && equalsIgnoreCase(r.id.key, key));
            if (!known) rep.ignored.push_back({section, key, value, "unknown key"});
        }
    return rep;
}

LoadReport loadSettingsFrom(std::string_view path, int dpi, Settings* out, std::string* fileText) {
    std::string text;
    bool exists = pathExists(path);
    // A file that cannot be read counts as empty: every value keeps its default.
    WinErr e = exists ? iniReadFile(path, &text) : kErrOk;
    if (e) text.clear();
    if (fileText) *fileText = text;
    LoadReport rep = loadSettingsText(text, exists, dpi, out);
    rep.readError = e;
    return rep;
}

std::string saveSettingsText(std::string_view text, const Settings& s, int dpi) {
    std::vector<std::string> values(kKeyCount);
    std::vector<IniAssignment> items;
    items.reserve(kKeyCount);
    for (size_t i = 0; i < kKeyCount; i++)
        if (kKeys[i].id.saved) {
            values[i] = settingValueText(s, i, dpi);
            items.push_back({kKeys[i].id.section, kKeys[i].id.key, values[i]});
        }
    return iniSetMany(text, items.data(), items.size());
}

WinErr saveSettingsTo(std::string_view path, const Settings& s, int dpi) {
    std::string text;
    if (WinErr e = iniReadFile(path, &text)) return e;
    return iniWriteFile(path, saveSettingsText(text, s, dpi));
}

namespace {
Settings gSettings;
int gDpi = 96;
}  // namespace

Settings& currentSettings() { return gSettings; }
int currentDpi() { return gDpi; }

LoadReport loadSettings(int dpi) {
    gDpi = dpi;
    return loadSettingsFrom(settingsPath(), dpi, &gSettings);
}

WinErr saveSettings() { return saveSettingsTo(settingsPath(), gSettings, gDpi); }

// [SECTION] Settings dialog
bool parseDialogNumber(std::string_view field, int lo, int hi, int* value) {
    std::string t = trimmed(field);
    if (t.empty()) return false;
    int64_t v = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return false;
        if (v <= INT_MAX) v = v * 10 + (c - '0');  // past 32 bits is out of range either way
    }
    if (v > INT_MAX || v < lo || v > hi) return false;
    *value = int(v);
    return true;
}

SettingsDialogResult applySettingsDialog(const SettingsDialogInput& in, Settings* s) {
    // These two take effect even when a number below is rejected.
    s->cacheMode = in.cacheMode;
    s->stripFollow = in.stripFollow == 1 ? 1 : 0;
    struct Field {
        SettingsField id;
        const std::string* input;
        int lo, hi;
        const char* unit;
        const char* messageKey;
        int value;
    };
    Field fields[] = {
        {SettingsField::Slideshow, &in.slideshowMs, 100, 60000, " ms", "SettingsBadSlideshow", 0},
        {SettingsField::Burst, &in.burstMs, 5, 1000, " ms", "SettingsBadBurst", 0},
        {SettingsField::PreviewCache, &in.previewCacheMB, 16, 1024, " MB", "SettingsBadPvCache", 0},
    };
    SettingsDialogResult res;
    for (Field& f : fields) {
        if (parseDialogNumber(*f.input, f.lo, f.hi, &f.value)) continue;
        res.failed = f.id;
        res.message = text(f.messageKey) + "\r\n" + text("SettingsRangeWord") + " " + std::to_string(f.lo) + " - " +
                      std::to_string(f.hi) + f.unit;
        return res;
    }
    s->slideshowMs = fields[0].value;
    s->burstMs = fields[1].value;
    s->previewCacheMB = fields[2].value;
    return res;
}

std::string cacheRootShown(std::string_view root, std::string_view temp) {
    std::string_view t = withoutTrailingSeparator(temp);
    if (t.empty() || root.size() < t.size() || !equalsIgnoreCase(root.substr(0, t.size()), t)) return std::string(root);
    std::string_view rest = root.substr(t.size());
    if (!rest.empty() && !isSeparator(rest[0])) return std::string(root);  // "C:\Temp2" is not under "C:\Temp"
    return "%TEMP%" + std::string(rest);
}

std::string cacheSizeLine(uint64_t bytes) {
    // Whole numbers, so a half tenth rounds up like the "0.0" format and no locale can turn
    // the point into a comma.
    uint64_t whole = bytes >> 20;
    uint64_t tenths = ((bytes & 0xFFFFF) * 10 + 0x80000) >> 20;
    if (tenths == 10) {
        whole++;
        tenths = 0;
    }
    return text("SettingsCacheSizeLabel") + " " + std::to_string(whole) + "." + std::to_string(tenths) + " MB";
}

}  // namespace lv
