// Menus, accelerators, context menus and keys of the main window. The menus, their marks and
// the key map come from the viewer engine as data; this file builds the Windows menus from them
// and carries out what the engine hands back (sidecar writes, the filter, dialogs, clipboard).
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

#include "core/diaglog.h"
#include "core/pathname.h"
#include "core/texts.h"
#include "filter/saved_filters.h"
#include "library/bursts.h"
#include "library/filekinds.h"
#include "library/open_paths.h"
#include "library/recent.h"
#include "metadata/shot_info.h"
#include "sidecar/rating_commands.h"
#include "shell.h"

namespace {

// [SECTION] menus from the engine's lines
HMENU g_recent = nullptr, g_recentExports = nullptr, g_saved = nullptr;
bool g_buildingBar = false;  // the dynamic submenus of the bar are refilled when they open
int g_menuPosition = -1;  // the strip position the thumbnail menu was opened on

lv::MenuContext menuContext(bool onLoupe = false) {
    lv::MenuContext c;
    c.ui = &g.ui;
    c.orderingMode = g.folder.orderingMode;
    int idx = currentPhotoIndex();
    c.hasPhoto = idx >= 0;
    if (c.hasPhoto) {
        c.rating = g.folder.photos.rating[size_t(idx)];
        c.label = g.folder.photos.label[size_t(idx)];
    }
    c.onLoupe = onLoupe;
    return c;
}

void appendItem(HMENU m, UINT flags, UINT_PTR id, const std::wstring& t) { AppendMenuW(m, flags, id, t.c_str()); }

void fillRecent(HMENU m, const char* section, int max, int firstId) {
    std::vector<std::string> list = lv::loadRecentList(lv::settingsPath(), section, max);
    std::vector<std::string> lines = lv::recentMenuItems(list);
    for (size_t i = 0; i < lines.size(); i++)
        appendItem(m, MF_STRING | (list.empty() ? MF_GRAYED : 0u), UINT_PTR(firstId + int(i)), wide(lines[i]));
}

void setRadio(HMENU m, UINT id) {
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_FTYPE;
    GetMenuItemInfoW(m, id, FALSE, &mi);
    mi.fType |= MFT_RADIOCHECK;
    SetMenuItemInfoW(m, id, FALSE, &mi);
}

// Every saved filter (unusable ones tagged), the one equal to the current filter marked.
void fillSavedFilters(HMENU m) {
    for (const lv::SavedMenuEntry& e : lv::savedFilterMenu(g.filter)) {
        if (e.index < 0 || kCmdSavedFilterFirst + e.index > kCmdSavedFilterLast) {
            appendItem(m, MF_STRING | MF_GRAYED, 0, wide(e.text));
            continue;
        }
        UINT id = UINT(kCmdSavedFilterFirst + e.index);
        appendItem(m, MF_STRING | (g.haveFolder && e.enabled ? 0u : MF_GRAYED), id, wide(e.text));
        if (e.checked) {
            setRadio(m, id);
            CheckMenuItem(m, id, MF_BYCOMMAND | MF_CHECKED);
        }
    }
}

// (section id, title) of each section the photo on screen has, in panel order.
std::vector<std::pair<int, std::string>> sectionsShown() {
    std::vector<std::pair<int, std::string>> out;
    for (const std::string& line : panelRows()) {
        std::vector<std::string> f = tabFields(line);
        if (f[0] == "H" && f.size() >= 3) out.push_back({std::atoi(f[1].c_str()), f[2]});
    }
    return out;
}

void fillSections(HMENU m) {
    for (const auto& [id, title] : sectionsShown()) {
        if (id < 0 || id >= kPanelSections) continue;
        bool collapsed = (lv::currentSettings().secCollapsed >> id) & 1;
        appendItem(m, MF_STRING, UINT_PTR(kCmdSectionFirst + id),
                   wide(title) + L"\t" + uiText(collapsed ? "CtxExpandSection" : "CtxCollapseSection"));
    }
}

void fillDynamic(HMENU m, lv::MenuDynamic d) {
    switch (d) {
        case lv::MenuDynamic::RecentFolders:
            if (g_buildingBar) g_recent = m;
            fillRecent(m, lv::kRecentSection, lv::kRecentMax, kCmdRecentFirst);
            break;
        case lv::MenuDynamic::RecentExports:
            if (g_buildingBar) g_recentExports = m;
            fillRecent(m, lv::kRecentExportsSection, lv::kRecentExportsMax, kCmdRecentExportFirst);
            break;
        case lv::MenuDynamic::SavedFilters:
            if (g_buildingBar) g_saved = m;
            fillSavedFilters(m);
            break;
        case lv::MenuDynamic::PanelSections:
            fillSections(m);
            break;
        case lv::MenuDynamic::None:
            break;
    }
}

// Appends lines[*i...] up to the matching SubEnd.
void fillMenu(HMENU m, const std::vector<lv::MenuLine>& lines, size_t* i) {
    while (*i < lines.size()) {
        const lv::MenuLine& l = lines[(*i)++];
        switch (l.kind) {
            case lv::MenuKind::Item: {
                UINT flags = MF_STRING | (l.greyed ? MF_GRAYED : 0u) |
                             (l.checked ? MF_CHECKED : 0u);
                appendItem(m, flags, UINT_PTR(l.command), wide(l.text));
                if (l.radio) setRadio(m, UINT(l.command));
                break;
            }
            case lv::MenuKind::Separator:
                AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
                break;
            case lv::MenuKind::SubBegin: {
                HMENU sub = CreatePopupMenu();
                fillMenu(sub, lines, i);
                appendItem(m, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), wide(l.text));
                break;
            }
            case lv::MenuKind::SubEnd:
                return;
            case lv::MenuKind::Dynamic:
                fillDynamic(m, l.dynamic);
                break;
        }
    }
}

void emptyMenu(HMENU m) {
    while (GetMenuItemCount(m) > 0) DeleteMenu(m, 0, MF_BYPOSITION);
}

// [SECTION] outcomes
void reportSidecar(const lv::SidecarCommandResult& r) {
    if (r.notice.show)
        MessageBoxW(g.hwnd, wide(r.notice.text).c_str(), wide(r.notice.title).c_str(), MB_ICONEXCLAMATION);
}

lv::Answer askWithMessageBox(const lv::Prompt& p, void* owner) {
    UINT type = MB_OK | MB_ICONINFORMATION;
    if (p.kind == lv::PromptKind::Warning) type = MB_OK | MB_ICONEXCLAMATION;
    if (p.kind == lv::PromptKind::YesNo) type = MB_YESNO | MB_ICONQUESTION | (p.defaultNo ? MB_DEFBUTTON2 : 0u);
    if (p.kind == lv::PromptKind::YesNoCancel) type = MB_YESNOCANCEL | MB_ICONQUESTION;
    int r = MessageBoxW(owner ? static_cast<HWND>(owner) : g.hwnd, wide(p.text).c_str(), wide(p.title).c_str(), type);
    return r == IDYES ? lv::Answer::Yes : r == IDNO ? lv::Answer::No : r == IDCANCEL ? lv::Answer::Cancel : lv::Answer::Ok;
}

void applyFilterOutcome(const lv::FilterOutcome& o) { showFilterOutcome(o, nullptr); }

void cull(int command) {
    reportSidecar(lv::applyCullCommand(g.folder, command));
    if (g.folder.filterActive) applyFilterOutcome(lv::reapplyFilter(g.folder, g.filter));
    InvalidateRect(g.hwnd, nullptr, FALSE);
}

void moveTo(int pos) {
    int n = lv::visibleLength(g.folder);
    if (n == 0) return;
    g.folder.currentPosition = std::clamp(pos, 0, n - 1);
    showCurrentPhoto();
}

std::string currentPath() {
    int idx = currentPhotoIndex();
    return idx < 0 ? std::string() : g.folder.photos.path[size_t(idx)];
}

void setTimer(UINT id, lv::TimerChange change, int ms) {
    if (change == lv::TimerChange::Start || change == lv::TimerChange::Restart) SetTimer(g.hwnd, id, UINT(ms), nullptr);
    if (change == lv::TimerChange::Stop) KillTimer(g.hwnd, id);
}

void slideshowTimers(lv::TimerChange change) {
    setTimer(kTimerSlideshow, change, lv::slideshowInterval(g.ui.slideshowMs));
    setTimer(kTimerSlideshowStatus, change, 100);
}

// [SECTION] dialogs
std::string pickFile() {
    lv::FileDialogFilter photos, all;
    lv::pickFileFilters(&photos, &all);
    std::wstring filter = wide(photos.label) + L'\0' + wide(photos.pattern) + L'\0' + wide(all.label) + L'\0' +
                          wide(all.pattern) + L'\0' + L'\0';
    std::wstring title = wide(lv::pickFileTitle());
    std::wstring buf(32768, L'\0');
    OPENFILENAMEW of{};
    of.lStructSize = sizeof of;
    of.hwndOwner = g.hwnd;
    of.lpstrFilter = filter.c_str();
    of.lpstrFile = buf.data();
    of.nMaxFile = DWORD(buf.size());
    of.lpstrTitle = title.c_str();
    // Starts in the folder being browsed, else in the folder of the last photo viewed.
    std::wstring start = wide(g.haveFolder ? g.folder.folder : std::string(lv::folderPart(firstRecentEntry())));
    if (!start.empty()) of.lpstrInitialDir = start.c_str();
    of.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    return GetOpenFileNameW(&of) ? narrow(buf.c_str()) : std::string();
}

void openFromClipboard() {
    std::string clip;
    lv::clipboardGetText(&clip);
    lv::ClipboardOpen r = lv::resolveClipboardPath(clip);
    if (r.target == lv::ClipboardTarget::Folder || r.target == lv::ClipboardTarget::File)
        openFolderPath(r.folder, r.selectName);
    else if (!r.message.title.empty())
        MessageBoxW(g.hwnd, wide(r.message.text).c_str(), wide(r.message.title).c_str(), MB_ICONINFORMATION);
}

// [SECTION] panel text
std::string rowText(const std::string& line) {
    std::vector<std::string> f = tabFields(line);
    if (f[0] == "H" && f.size() >= 3) return f[2];
    if (f[0] == "V" && f.size() >= 3) return f[1] + ": " + f[2];
    if (f[0] == "D" && f.size() >= 4) return f[2] + ": " + f[3];
    return {};
}

// The heading and rows of one section, CR LF separated.
std::string sectionText(int section) {
    std::string out;
    bool in = false;
    for (const std::string& line : panelRows()) {
        std::vector<std::string> f = tabFields(line);
        if (f[0] == "H") in = f.size() >= 2 && std::atoi(f[1].c_str()) == section;
        if (in) out += (f[0] == "H" ? "" : "  ") + rowText(line) + "\r\n";
    }
    return out;
}

}  // namespace

std::string firstRecentEntry() {
    std::vector<std::string> recent = lv::loadRecentList(lv::settingsPath(), lv::kRecentSection, 1);
    return recent.empty() ? std::string() : recent.front();
}

lv::Asker windowAsker(HWND owner) { return lv::Asker{askWithMessageBox, owner}; }

void showFilterOutcome(const lv::FilterOutcome& o, HWND owner) {
    if (o.rebuilt || o.showCurrent) showCurrentPhoto();
    if (o.message.kind != lv::PromptKind::None) askWithMessageBox(o.message, owner);
}

// [SECTION] building
HMENU buildMenuBar() {
    HMENU bar = CreateMenu();
    std::vector<lv::MenuLine> lines = lv::menuLines(lv::MenuId::Bar, menuContext());
    size_t i = 0;
    g_buildingBar = true;
    fillMenu(bar, lines, &i);
    g_buildingBar = false;
    return bar;
}

HACCEL buildAccelerators() {
    std::vector<ACCEL> a;
    for (const lv::Accelerator& k : lv::accelerators()) a.push_back({FVIRTKEY, WORD(k.vk), WORD(k.command)});
    return CreateAcceleratorTableW(a.data(), int(a.size()));
}

// Marks and greyed entries of the bar, from the engine's lines for the state as it is now.
void updateMenuMarks(HMENU m) {
    if (m == g_recent) {
        emptyMenu(m);
        fillRecent(m, lv::kRecentSection, lv::kRecentMax, kCmdRecentFirst);
    }
    if (m == g_recentExports) {
        emptyMenu(m);
        fillRecent(m, lv::kRecentExportsSection, lv::kRecentExportsMax, kCmdRecentExportFirst);
    }
    if (m == g_saved) {
        emptyMenu(m);
        fillSavedFilters(m);
    }
    for (const lv::MenuLine& l : lv::menuLines(lv::MenuId::Bar, menuContext())) {
        if (l.kind != lv::MenuKind::Item) continue;
        UINT id = UINT(l.command);
        if (l.radio && l.checked) CheckMenuRadioItem(m, UINT(lv::kCmdOrderFirst), UINT(lv::kCmdOrderLast), id, MF_BYCOMMAND);
        else if (!l.radio) CheckMenuItem(m, id, MF_BYCOMMAND | (l.checked ? MF_CHECKED : MF_UNCHECKED));
        EnableMenuItem(m, id, MF_BYCOMMAND | (l.greyed ? MF_GRAYED : MF_ENABLED));
    }
}

// [SECTION] keys and timers
bool onKey(WPARAM vk) {
    if (!g.haveFolder && vk != VK_ESCAPE) return false;
    lv::KeyInput k{int(vk), GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0};
    uint64_t stamp = lv::perfCounter();
    lv::KeyOutcome o = lv::handleKey(g.ui, g.folder, k, GetTickCount());
    if (!o.handled) return false;
    if (o.show && lv::logEnabled()) g.keyStamp = stamp;
    slideshowTimers(o.slideshowTimer);
    setTimer(kTimerBurst, o.burstTimer, lv::burstTimerInterval(lv::currentSettings().burstMs));
    if (o.fullScreenChanged) placeForFullScreen();
    if (o.relayout) relayout();
    if (o.command) runCommand(o.command);
    if (o.show || o.relayout) showCurrentPhoto();
    else if (o.repaint) InvalidateRect(g.hwnd, nullptr, FALSE);
    return true;
}

void stopSlideshow() {
    if (!g.ui.slideshowOn) return;
    lv::slideshowStop(g.ui);
    slideshowTimers(lv::TimerChange::Stop);
    InvalidateRect(g.hwnd, nullptr, FALSE);
}

void slideshowTick() {
    if (g.ui.slideshowOn && lv::slideshowStep(g.ui, g.folder, GetTickCount())) showCurrentPhoto();
    if (!g.ui.slideshowOn) {
        slideshowTimers(lv::TimerChange::Stop);
        InvalidateRect(g.hwnd, nullptr, FALSE);
    }
}

void burstTick() {
    if (!g.folder.playback.playing || !lv::burstPlaybackStep(g.folder)) KillTimer(g.hwnd, kTimerBurst);
    showCurrentPhoto();
}

void housekeepingTick() {
    if (g.welcome || !g.haveFolder) return;
    if (lv::takeThumbsChanged(g.viewer)) {
        RECT r = winRect(g.areas.strip);
        InvalidateRect(g.hwnd, &r, FALSE);
    }
    applyFilterOutcome(lv::onScanFinishedTick(g.folder, g.filter, g.scan, lv::Asker{askWithMessageBox, nullptr}));
}

// [SECTION] commands
void runCommand(int id) {
    lv::Settings& set = lv::currentSettings();
    if ((id >= lv::kCmdRateNone && id <= lv::kCmdRateReject) || (id >= lv::kCmdLabelNone && id <= lv::kCmdLabelGreen))
        return cull(id);
    if (id >= lv::kCmdOrderFirst && id <= lv::kCmdOrderLast) {
        lv::viewerStop(g.viewer);
        bool changed = lv::setOrdering(g.folder, id - lv::kCmdOrderFirst);
        if (g.haveFolder && !g.bench) lv::viewerStart(g.viewer);
        if (changed) showCurrentPhoto();
        return;
    }
    if (lv::applyViewCommand(g.ui, g.folder, id)) {
        relayout();
        showCurrentPhoto();
        return;
    }
    if (id >= kCmdSectionFirst && id < kCmdSectionFirst + kPanelSections) {
        set.secCollapsed ^= 1 << (id - kCmdSectionFirst);
        InvalidateRect(g.hwnd, nullptr, FALSE);
        return;
    }
    if (id >= kCmdRecentFirst && id <= kCmdRecentLast) {
        std::vector<std::string> list = lv::loadRecentList(lv::settingsPath(), lv::kRecentSection, lv::kRecentMax);
        size_t i = size_t(id - kCmdRecentFirst);
        if (i >= list.size()) return;
        lv::RecentOpen r = lv::resolveRecentEntry(list[i]);
        if (r.open) openFolderPath(r.folder, r.fileName);
        return;
    }
    if (id >= kCmdRecentExportFirst && id <= kCmdRecentExportLast) {
        std::vector<std::string> list =
            lv::loadRecentList(lv::settingsPath(), lv::kRecentExportsSection, lv::kRecentExportsMax);
        size_t i = size_t(id - kCmdRecentExportFirst);
        if (i < list.size()) lv::shellOpen(list[i]);
        return;
    }
    if (id >= kCmdSavedFilterFirst && id <= kCmdSavedFilterLast) {
        if (g.haveFolder)
            applyFilterOutcome(lv::applySavedFilter(g.folder, g.filter, id - kCmdSavedFilterFirst,
                                                    lv::Asker{askWithMessageBox, nullptr}));
        return;
    }
    switch (id) {
        case lv::kCmdOpenFolder: {
            std::string f = pickFolderWithTitle(lv::pickFolderTitle());
            if (!f.empty()) openFolderPath(lv::withTrailingSeparator(f), "");
            return;
        }
        case lv::kCmdOpenFile:
            openAnyPath(pickFile());
            return;
        case lv::kCmdOpenClipboard:
            openFromClipboard();
            return;
        case lv::kCmdExit:
            PostMessageW(g.hwnd, WM_CLOSE, 0, 0);
            return;
        case lv::kCmdExport:
            openExportDialog();
            return;
        case lv::kCmdImport:
            openImportDialog();
            return;
        case lv::kCmdAbout:
            runAboutDialog();
            return;
        case lv::kCmdControls:
            runControlsDialog();
            return;
        case lv::kCmdSettings:
            runSettingsDialog();
            return;
        case lv::kCmdFilterDialog:
            if (g.haveFolder) runFilterDialog();
            return;
        case lv::kCmdApplyFilter:
            if (g.haveFolder) applyFilterOutcome(lv::toggleFilter(g.folder, g.filter));
            return;
        case lv::kCmdJump:
            if (g_menuPosition >= 0) moveTo(g_menuPosition);
            return;
        case lv::kCmdCopyName: {
            std::string p = currentPath();
            if (!p.empty()) lv::clipboardSetText(lv::fileNamePart(p));
            return;
        }
        case lv::kCmdCopyMeta:
            if (currentPhotoIndex() >= 0) lv::clipboardSetText(lv::shotInfoText(g.viewer.shotInfo));
            return;
        case lv::kCmdCopySection:
            if (g.menuSection >= 0) lv::clipboardSetText(sectionText(g.menuSection));
            return;
        case lv::kCmdCopyItem:
            if (g.menuRow >= 0 && size_t(g.menuRow) < panelRows().size())
                lv::clipboardSetText(rowText(panelRows()[size_t(g.menuRow)]));
            return;
        case lv::kCmdReveal: {
            std::string params = lv::revealParameters(currentPath());
            if (!params.empty())
                ShellExecuteW(g.hwnd, L"open", L"explorer.exe", wide(params).c_str(), nullptr, SW_SHOWNORMAL);
            return;
        }
        case lv::kCmdAddLoupe:
            if (addLoupeAt(g.menuPoint)) InvalidateRect(g.hwnd, nullptr, FALSE);
            return;
        case lv::kCmdRemoveLoupe:
            lv::removeLoupe(g.ui, g.menuLoupe);
            InvalidateRect(g.hwnd, nullptr, FALSE);
            return;
        default:
            return;
    }
}

// [SECTION] context menus
void showContextMenu(int x, int y) {
    POINT p{x, y};
    if (x == -1 && y == -1) {  // from the keyboard: at the photo's centre
        p = {g.areas.photo.x + g.areas.photo.w / 2, g.areas.photo.y + g.areas.photo.h / 2};
        ClientToScreen(g.hwnd, &p);
    }
    POINT c = p;
    ScreenToClient(g.hwnd, &c);
    RECT panel = winRect(g.areas.panel), strip = winRect(g.areas.strip);
    lv::MenuId which = lv::MenuId::Photo;
    bool onLoupe = false;
    if (PtInRect(&panel, c)) {
        which = lv::MenuId::Panel;
        g.menuSection = g.menuRow = -1;
        panelLineAt(c, &g.menuSection, &g.menuRow);
    } else if (PtInRect(&strip, c)) {
        which = lv::MenuId::Thumbnail;
        g_menuPosition = g.ui.strip.firstVisible + (c.x - g.areas.strip.x) / std::max(1, g.ui.strip.cellW);
        if (g_menuPosition >= lv::visibleLength(g.folder)) g_menuPosition = -1;
    } else {
        g.menuPoint = c;
        bool grip = false;
        g.menuLoupe = loupeAt(c, &grip);
        onLoupe = g.menuLoupe >= 0;
    }
    if (!g.haveFolder) return;
    lv::MenuContext ctx = menuContext(onLoupe);
    ctx.onFocusLoupe = onLoupe && g.ui.loupes[size_t(g.menuLoupe)].focusLoupe;
    HMENU m = CreatePopupMenu();
    std::vector<lv::MenuLine> lines = lv::menuLines(which, ctx);
    size_t i = 0;
    fillMenu(m, lines, &i);
    bool resume = g.ui.slideshowOn;
    if (resume) KillTimer(g.hwnd, kTimerSlideshow);
    int id = TrackPopupMenu(m, TPM_RETURNCMD | TPM_RIGHTBUTTON, p.x, p.y, 0, g.hwnd, nullptr);
    DestroyMenu(m);
    if (resume && g.ui.slideshowOn) {
        g.ui.slideshowIntervalStart = GetTickCount();
        slideshowTimers(lv::TimerChange::Restart);
    }
    // The thumbnail menu's rating and label act on the thumbnail it was opened on.
    if (which == lv::MenuId::Thumbnail && g_menuPosition >= 0 &&
        ((id >= lv::kCmdRateNone && id <= lv::kCmdRateReject) || (id >= lv::kCmdLabelNone && id <= lv::kCmdLabelGreen)))
        moveTo(g_menuPosition);
    if (id) runCommand(id);
}
