// The Settings, About and Controls dialogs and the saved-filter naming prompt. Validation, the
// cache lines and the key table come from the core; these dialogs lay them out and move values.
#include <algorithm>

#include "core/pathname.h"
#include "core/texts.h"
#include "filter/saved_filters.h"
#include "library/filekinds.h"
#include "viewer/pipeline.h"
#include "viewer/thumbnails.h"
#include "dialog_kit.h"
#include "shell.h"

namespace {

using dlg::Kind;
using dlg::Row;

// [SECTION] Settings
enum : int {
    kSetCacheGroup = 101, kSetCacheRam, kSetCacheDisk, kSetCacheNone, kSetPathLabel, kSetPathValue, kSetOpenRoot,
    kSetSizeLine, kSetOpenFolder, kSetPlayGroup, kSetSlideLabel, kSetSlideEdit, kSetBurstLabel, kSetBurstEdit,
    kSetPvLabel, kSetPvEdit, kSetStripGroup, kSetFollowEdge, kSetFollowCentre
};

const Row kSettingsRows[] = {
    {kSetCacheGroup, Kind::Group, "SettingsCacheLabel", 12, 8, 456, 150},
    {kSetCacheRam, Kind::RadioFirst, "SettingsCacheRAM", 26, 30, 0, 0},
    {kSetCacheDisk, Kind::Radio, "SettingsCacheDisk", 26, 52, 0, 0},
    {kSetCacheNone, Kind::Radio, "SettingsCacheNone", 26, 74, 0, 0},
    {kSetPathLabel, Kind::Label, "SettingsCachePath", 26, 104, 0, 0, dlg::kNoMnemonic},
    {kSetPathValue, Kind::Label, nullptr, 120, 104, 220, 0, dlg::kNoMnemonic | SS_PATHELLIPSIS},
    {kSetOpenRoot, Kind::Button, "SettingsOpenBtn", 352, 99, 104, 0},
    {kSetSizeLine, Kind::Label, nullptr, 26, 130, 320, 0, dlg::kNoMnemonic},
    {kSetOpenFolder, Kind::Button, "SettingsOpenBtn", 352, 125, 104, 0},
    {kSetPlayGroup, Kind::Group, "SettingsPlaybackLabel", 12, 166, 456, 84},
    {kSetSlideLabel, Kind::Label, "SettingsSlideshowLabel", 26, 190, 0, 0},
    {kSetSlideEdit, Kind::Edit, nullptr, 372, 186, 84, 0},
    {kSetBurstLabel, Kind::Label, "SettingsBurstLabel", 26, 220, 0, 0},
    {kSetBurstEdit, Kind::Edit, nullptr, 372, 216, 84, 0},
    {kSetPvLabel, Kind::Label, "SettingsPvCacheLabel", 26, 268, 0, 0},
    {kSetPvEdit, Kind::Edit, nullptr, 372, 264, 84, 0},
    {kSetStripGroup, Kind::Group, "SettingsStripLabel", 12, 298, 456, 76},
    {kSetFollowEdge, Kind::RadioFirst, "SettingsStripFollowEdge", 26, 320, 0, 0},
    {kSetFollowCentre, Kind::Radio, "SettingsStripFollowCenter", 26, 344, 0, 0},
    {IDOK, Kind::DefaultButton, "SettingsOK", 282, 388, 90, 0},
    {IDCANCEL, Kind::Button, "SettingsCancel", 378, 388, 90, 0},
};

// Opens a folder in Explorer, creating it first; when that fails the path is shown instead.
void openCacheFolder(HWND owner, const std::string& folder) {
    if (folder.empty()) return;
    lv::folderCreateAll(folder);
    if (lv::shellOpen(folder) != 0) dlg::messageBox(owner, "SettingsCachePath", folder, MB_OK | MB_ICONINFORMATION);
}

int fieldId(lv::SettingsField f) {
    switch (f) {
        case lv::SettingsField::Slideshow:
            return kSetSlideEdit;
        case lv::SettingsField::Burst:
            return kSetBurstEdit;
        case lv::SettingsField::PreviewCache:
            return kSetPvEdit;
        case lv::SettingsField::None:
            break;
    }
    return 0;
}

// The settings reach the viewer with its builder and workers stopped, which read them: the cache
// mode always; once every number was taken, the preview budget too and, in disk mode, the cache
// folders are made.
void applyViewerSettings(const lv::Settings& s, bool confirmed) {
    lv::viewerStop(g.viewer);
    g.viewer.setup.cacheMode = s.cacheMode;
    if (confirmed) {
        g.viewer.setup.previewCacheMB = s.previewCacheMB;
        g.viewer.jpeg.budget = lv::jpegBudgetFor(s.previewCacheMB);
        if (s.cacheMode == 1) {
            lv::ensureCacheRoot();
            if (!g.viewer.cacheFolder.empty()) lv::folderCreateAll(g.viewer.cacheFolder);
        }
    }
    if (g.haveFolder && !g.bench) lv::viewerStart(g.viewer);
}

void settingsOk(dlg::Dialog& d) {
    lv::Settings& s = lv::currentSettings();
    lv::SettingsDialogInput in;
    in.cacheMode = dlg::checked(d, kSetCacheDisk) ? 1 : dlg::checked(d, kSetCacheNone) ? 3 : 2;
    in.stripFollow = dlg::checked(d, kSetFollowCentre) ? 1 : 0;
    in.slideshowMs = dlg::getText(d, kSetSlideEdit);
    in.burstMs = dlg::getText(d, kSetBurstEdit);
    in.previewCacheMB = dlg::getText(d, kSetPvEdit);
    lv::SettingsDialogResult r = lv::applySettingsDialog(in, &s);
    g.ui.strip.stripFollow = s.stripFollow;  // these two hold even when a number is refused
    applyViewerSettings(s, r.failed == lv::SettingsField::None);
    if (r.failed != lv::SettingsField::None) {
        dlg::messageBox(d.hwnd, "SettingsTitle", r.message, MB_OK | MB_ICONEXCLAMATION);
        dlg::focus(d, fieldId(r.failed));
        return;
    }
    g.ui.slideshowMs = s.slideshowMs;
    lv::buildTextTable("en");
    saveAllSettings();
    relayout();
    InvalidateRect(g.hwnd, nullptr, FALSE);
    dlg::end(d, IDOK);
}

bool settingsHandler(dlg::Dialog& d, UINT msg, WPARAM wp, LPARAM, LRESULT*) {
    if (msg == WM_INITDIALOG) {
        const lv::Settings& s = lv::currentSettings();
        int mode = g.viewer.setup.cacheMode;
        dlg::setChecked(d, mode == 1 ? kSetCacheDisk : mode == 3 ? kSetCacheNone : kSetCacheRam, true);
        dlg::setChecked(d, s.stripFollow == 1 ? kSetFollowCentre : kSetFollowEdge, true);
        dlg::setText(d, kSetSlideEdit, std::to_string(s.slideshowMs));
        dlg::setText(d, kSetBurstEdit, std::to_string(s.burstMs));
        dlg::setText(d, kSetPvEdit, std::to_string(s.previewCacheMB));
        // The path follows its label, whatever the label's width.
        int x = 26 + dlg::textWidth(d, lv::text("SettingsCachePath")) + 6;
        dlg::moveRow(d, kSetPathValue, x, 104, std::max(60, 344 - x), 0);
        dlg::setText(d, kSetPathValue, lv::cacheRootShown(g.viewer.setup.cacheRoot, lv::tempRoot()));
        dlg::setText(d, kSetSizeLine, lv::cacheSizeLine(lv::cacheSizeOnDisk(g.viewer.setup.cacheRoot)));
        dlg::enable(d, kSetOpenFolder, g.haveFolder && !g.viewer.cacheFolder.empty());
        return false;
    }
    if (msg != WM_COMMAND || HIWORD(wp) != BN_CLICKED) return false;
    switch (LOWORD(wp)) {
        case IDOK:
            settingsOk(d);
            return true;
        case kSetOpenRoot:
            openCacheFolder(d.hwnd, g.viewer.setup.cacheRoot);
            return true;
        case kSetOpenFolder:
            openCacheFolder(d.hwnd, g.viewer.cacheFolder);
            return true;
        default:
            return false;
    }
}

// [SECTION] About
enum : int { kAboutFirst = 201, kAboutLast = 207 };
const char* const kAboutKeys[] = {"AboutVersion",  "AboutTagline", "AboutPreviews", "AboutSidecars",
                                  "AboutFormats",  "AboutPrivacy", "AboutCopyright"};
constexpr int kAboutWidth = 400;

const Row kAboutRows[] = {
    {kAboutFirst, Kind::Heading, nullptr, 16, 16, kAboutWidth, 0, dlg::kNoMnemonic},
    {kAboutFirst + 1, Kind::Label, nullptr, 16, 0, kAboutWidth, 0, dlg::kNoMnemonic},
    {kAboutFirst + 2, Kind::Label, nullptr, 16, 0, kAboutWidth, 0, dlg::kNoMnemonic},
    {kAboutFirst + 3, Kind::Label, nullptr, 16, 0, kAboutWidth, 0, dlg::kNoMnemonic},
    {kAboutFirst + 4, Kind::Label, nullptr, 16, 0, kAboutWidth, 0, dlg::kNoMnemonic},
    {kAboutFirst + 5, Kind::Label, nullptr, 16, 0, kAboutWidth, 0, dlg::kNoMnemonic},
    {kAboutFirst + 6, Kind::Label, nullptr, 16, 0, kAboutWidth, 0, dlg::kNoMnemonic},
    {IDCANCEL, Kind::DefaultButton, "AboutClose", 0, 0, 90, 0},
};

bool aboutHandler(dlg::Dialog& d, UINT msg, WPARAM, LPARAM, LRESULT*) {
    if (msg != WM_INITDIALOG) return false;
    int y = 16;
    for (int i = 0; i <= kAboutLast - kAboutFirst; i++) {
        const char* key = kAboutKeys[i];
        std::string t = std::string(key) == "AboutFormats" ? lv::textWithFormats(key) : lv::text(key);
        int h = dlg::wrappedHeight(d, t, kAboutWidth, i == 0);
        dlg::moveRow(d, kAboutFirst + i, 16, y, kAboutWidth, h);
        dlg::setText(d, kAboutFirst + i, t);
        y += h + (i == 0 ? 8 : 10);
    }
    dlg::moveRow(d, IDCANCEL, 16 + kAboutWidth - 90, y + 6, 90, 0);
    dlg::fitToRows(d, 16 + kAboutWidth + 16, 0);
    return false;
}

// [SECTION] Controls
// Rows of the key table become a key column and a description column per side; the sections are
// split where the two sides come out most even.
enum : int { kHelpFirst = 1000 };
constexpr int kHelpLine = 19, kHelpGap = 8, kHelpColumnGap = 28;

bool controlsHandler(dlg::Dialog& d, UINT msg, WPARAM, LPARAM, LRESULT*) {
    if (msg != WM_INITDIALOG) return false;
    struct Line {
        std::string key, what;
        bool heading;
    };
    std::vector<Line> lines;
    for (const char* row : lv::controlsRows()) {
        std::string_view r(row);
        size_t bar = r.find('|');
        std::string key(r.substr(0, bar)), what(bar == std::string_view::npos ? "" : r.substr(bar + 1));
        lines.push_back({key, what, key == "@"});
    }
    // The section start nearest the middle.
    size_t split = lines.size(), best = lines.size();
    for (size_t i = 1; i < lines.size(); i++) {
        if (!lines[i].heading) continue;
        size_t off = i > lines.size() / 2 ? i - lines.size() / 2 : lines.size() / 2 - i;
        if (off < best) best = off, split = i;
    }
    int id = kHelpFirst, x = 16, bottom = 0;
    for (int side = 0; side < 2; side++) {
        size_t from = side == 0 ? 0 : split, to = side == 0 ? split : lines.size();
        int keyW = 0, whatW = 0;
        for (size_t i = from; i < to; i++) {
            if (lines[i].heading) whatW = std::max(whatW, dlg::textWidth(d, lines[i].what, true) - 110);
            else keyW = std::max(keyW, dlg::textWidth(d, lines[i].key)), whatW = std::max(whatW, dlg::textWidth(d, lines[i].what));
        }
        keyW += 14;
        int y = 14;
        for (size_t i = from; i < to; i++) {
            const Line& l = lines[i];
            if (l.heading) {
                if (i != from) y += kHelpGap;
                dlg::addRow(d, {id++, Kind::Heading, nullptr, x, y, keyW + whatW, kHelpLine, dlg::kNoMnemonic}, l.what);
            } else {
                dlg::addRow(d, {id++, Kind::Label, nullptr, x, y, keyW, kHelpLine, dlg::kNoMnemonic}, l.key);
                dlg::addRow(d, {id++, Kind::Label, nullptr, x + keyW, y, whatW + 2, kHelpLine, dlg::kNoMnemonic}, l.what);
            }
            y += kHelpLine;
        }
        bottom = std::max(bottom, y);
        x += keyW + whatW + kHelpColumnGap;
    }
    int right = x - kHelpColumnGap;
    dlg::moveRow(d, IDCANCEL, right - 90, bottom + 12, 90, 0);
    dlg::fitToRows(d, right + 16, 0);
    return false;
}

const Row kControlsRows[] = {
    {IDCANCEL, Kind::DefaultButton, "HelpClose", 0, 0, 90, 0},
};

// [SECTION] naming prompt
enum : int { kNamePrompt = 301, kNameEdit = 302 };
const Row kNameRows[] = {
    {kNamePrompt, Kind::Label, "SavedFilterNamePrompt", 14, 14, 0, 0},
    {kNameEdit, Kind::Edit, nullptr, 14, 36, 320, 0},
    {IDOK, Kind::DefaultButton, "FilterNameOK", 148, 74, 90, 0},
    {IDCANCEL, Kind::Button, "FilterCancel", 244, 74, 90, 0},
};

struct NameAsk {
    std::string* name;
    std::string title;  // the caller's text: save or rename
};

bool nameHandler(dlg::Dialog& d, UINT msg, WPARAM wp, LPARAM, LRESULT*) {
    auto* ask = static_cast<NameAsk*>(d.context);
    if (msg == WM_INITDIALOG) {
        SetWindowTextW(d.hwnd, dlg::toWide(ask->title).c_str());
        SendMessageW(dlg::item(d, kNameEdit), EM_LIMITTEXT, 200, 0);
        dlg::setText(d, kNameEdit, *ask->name);
        return false;
    }
    if (msg == WM_COMMAND && LOWORD(wp) == IDOK && HIWORD(wp) == BN_CLICKED) {
        *ask->name = dlg::getText(d, kNameEdit);
        dlg::end(d, IDOK);
        return true;
    }
    return false;
}

}  // namespace

// [SECTION] entry points
namespace {
void runOver(const char* titleKey, std::span<const Row> rows, dlg::Handler handler, int focusId) {
    dlg::Form form;
    form.titleKey = titleKey;
    form.rows = rows;
    form.handler = handler;
    form.focusId = focusId;
    dlg::runModal(g.hwnd, form);
}
}  // namespace

void runSettingsDialog() { runOver("SettingsTitle", kSettingsRows, settingsHandler, 0); }
void runAboutDialog() { runOver("AboutTitle", kAboutRows, aboutHandler, IDCANCEL); }
void runControlsDialog() { runOver("HelpDlgTitle", kControlsRows, controlsHandler, IDCANCEL); }

bool askFilterName(const std::string& title, const std::string& prompt, std::string* name, void* owner) {
    (void)prompt;  // the prompt row shows the same text by its key
    NameAsk ask{name, title};
    dlg::Form form;
    form.rows = kNameRows;
    form.handler = nameHandler;
    form.context = &ask;
    form.focusId = kNameEdit;
    return dlg::runModal(owner ? static_cast<HWND>(owner) : g.hwnd, form) == IDOK;
}
