// The settings file: where the program keeps its files, the values of the settings file with
// their defaults and acceptance rules, loading at start-up and saving at shutdown, and the
// checks of the Settings dialog. The INI text operations live in ini.h.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/ini.h"

namespace lv {

// [SECTION] folders
// Configuration folder with a trailing separator, created (with its parents) on first use; the
// program's own folder when the user has no application-data folder.
std::string configFolder();
// configFolder() + "Lumivore.ini", computed once for the process.
std::string settingsPath();
// Where import journals live, with a trailing separator; empty when there is no
// application-data folder. Not created here.
std::string journalFolder();
// Root of the thumbnail disk cache, with a trailing separator; not created.
std::string cacheRoot();
// cacheRoot(), created when missing; the Windows error number of the creation.
WinErr ensureCacheRoot();

// The same locations from given roots (no folder is created), so every rule is testable.
// appData and temp are taken without a final separator; programFolder ends with one.
std::string configFolderFrom(std::string_view appData, std::string_view programFolder);
std::string journalFolderFrom(std::string_view appData);
std::string cacheRootFrom(std::string_view temp);

// [SECTION] values
// Lengths here are device pixels; the file holds them in 96-DPI units.
struct Settings {
    int cacheMode = 2;  // 1 memory and disk, 2 memory only, 3 none
    int previewCacheMB = 256;
    std::string language = "en";
    int stripHeight = 120;
    bool stripShow = true;
    bool statusBarShow = true;
    int stripFollow = 0;  // 0 scroll at the edges, 1 keep the selection centred
    bool includeSidecars = true;
    bool includePartners = false;
    std::string exportTemplate;
    std::string importTemplate;
    std::string excludedTypes;  // pipe list of extension keys
    std::string typeMap;
    std::string importSource;
    std::string importDestination;
    std::string importSecondDestination;  // a second copy of every file; empty for none
    bool importVerifyReadBack = false;    // read each copy back from the disk after copying
    int exifPanelW = 340;
    int exifPanelSide = 0;  // 0 right edge, 1 left edge
    bool exifPanelShow = true;
    int secCollapsed = 0;  // bit i: panel section i collapsed
    int secHidden = 0;     // bit i: panel section i hidden
    int windowW = 1280;
    int windowH = 720;
    int slideshowMs = 1000;
    int burstMs = 100;
    std::string exportFilter;
    std::string importFilter;
};

enum CacheMode : int { kCacheDisk = 1, kCacheRam = 2, kCacheNone = 3 };

// Rules owned by other subsystems (templates, type map, filters). Each hook is optional; a
// missing hook keeps the trimmed text as it is. The application fills this at start-up.
struct SettingsHooks {
    // The export template used when the file has none.
    std::string (*exportTemplateDefault)() = nullptr;
    // A template built from the older export keys, for files written before templates existed.
    std::string (*exportTemplateFromLegacy)(const std::string& fixedFolder, const std::string& besideFolder,
                                            int destinationMode) = nullptr;
    // The import template used when the file has none or an invalid one.
    std::string (*importTemplateDefault)() = nullptr;
    // Normalises an import template in place; false when it is invalid.
    bool (*normaliseImportTemplate)(std::string* tpl) = nullptr;
    // The extension-to-kind map cleaned of anything unusable.
    std::string (*sanitizeTypeMap)(const std::string& map) = nullptr;
    // A filter parsed and written back in its canonical form.
    std::string (*normaliseFilter)(const std::string& filter) = nullptr;
};
void setSettingsHooks(const SettingsHooks& hooks);
const SettingsHooks& settingsHooks();

// The defaults at a display density (dots per inch, 96 = 100 %).
Settings defaultSettings(int dpi);

// 96-DPI units <-> device pixels: floor(v * scale + 0.5) and floor(v / scale + 0.5).
int scaleLength(int v96, int dpi);
int unscaleLength(int px, int dpi);
// ceil(v * scale), for minimums.
int scaleLengthCeil(int v96, int dpi);

// [SECTION] loading and saving
// One row per settings key, in the order they are loaded.
struct SettingKey {
    const char* section;
    const char* key;
    bool saved;  // written back by saveSettings
};
size_t settingKeyCount();
SettingKey settingKey(size_t row);

// A value of the file that loading left aside, and why ("out of range (1 to 3)", "not a number",
// "unknown key"); the file itself is never changed for it.
struct IgnoredSetting {
    std::string section, key, value, reason;
};

struct LoadReport {
    bool fileExisted = false;
    WinErr readError = 0;  // the file exists but could not be read: every value is its default
    // Per row of the key table: true when the file's value was taken, false for the default.
    bool fromFile[32] = {};
    // In file order per section: the numbers the rules refused, then keys of the sections the
    // settings own alone (Application, FilmStrip, EXIFInformation) that no setting reads.
    std::vector<IgnoredSetting> ignored;
};

// Sets every value to its default, then takes each key of the file at path that passes its
// rule. The text of the file is returned in *fileText for the sections of other subsystems.
LoadReport loadSettingsFrom(std::string_view path, int dpi, Settings* out, std::string* fileText = nullptr);
// The same from the text of a file (no file system).
LoadReport loadSettingsText(std::string_view text, bool fileExisted, int dpi, Settings* out);
// The text with every saved key of s set (lengths back in 96-DPI units); everything else kept.
std::string saveSettingsText(std::string_view text, const Settings& s, int dpi);
// Reads the file, sets the saved keys and writes it back through a temporary file. A file that
// exists but cannot be read is left alone (its error is returned).
WinErr saveSettingsTo(std::string_view path, const Settings& s, int dpi);

// The process's settings, at settingsPath().
Settings& currentSettings();
int currentDpi();
LoadReport loadSettings(int dpi);
WinErr saveSettings();

// The value of one row of the key table as it is written to the file.
std::string settingValueText(const Settings& s, size_t row, int dpi);

// [SECTION] Settings dialog
enum class SettingsField { None, Slideshow, Burst, PreviewCache };
struct SettingsDialogInput {
    int cacheMode = 2;
    int stripFollow = 0;
    std::string slideshowMs;  // the edit fields as typed
    std::string burstMs;
    std::string previewCacheMB;
};
struct SettingsDialogResult {
    SettingsField failed = SettingsField::None;  // the field that gets the focus back
    std::string message;                         // the exclamation box text, empty when valid
};
// The OK button: cache mode and strip follow take effect at once, then the three numbers are
// checked in order and stored only when all are valid. The caller saves and closes when
// failed == None, and keeps the dialog open otherwise.
SettingsDialogResult applySettingsDialog(const SettingsDialogInput& in, Settings* s);
// One edit field: trimmed, digits only, within [lo, hi]. *value is set when valid.
bool parseDialogNumber(std::string_view field, int lo, int hi, int* value);
// The cache folder as the dialog shows it: the temporary-files root written as "%TEMP%".
std::string cacheRootShown(std::string_view cacheRoot, std::string_view temp);
// "Thumbnail cache on disk: 12.3 MB".
std::string cacheSizeLine(uint64_t bytes);

}  // namespace lv
