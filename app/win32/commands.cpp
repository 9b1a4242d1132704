// Menus, accelerators, context menus and keys of the main window, and the commands behind them.
// Every move ends in showCurrentPhoto; every rating and label goes through the sidecar commands.
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

#include "core/pathname.h"
#include "core/texts.h"
#include "library/bursts.h"
#include "library/open_paths.h"
#include "library/recent.h"
#include "sidecar/rating_commands.h"
#include "shell.h"

namespace {

// [SECTION] menu building
// One menu line: a command, a separator (id 0, no key) or a submenu filled by its own function.
struct MenuLine {
    int id;
    const char* key;  // text key; nullptr for a separator
    bool available;   // false: shown greyed (the part behind it is not in this build)
};

void appendLines(HMENU m, const MenuLine* lines, size_t n) {
    for (size_t i = 0; i < n; i++) {
        if (!lines[i].key) {
            AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT flags = MF_STRING | (lines[i].available ? 0u : MF_GRAYED);
        AppendMenuW(m, flags, UINT_PTR(lines[i].id), uiText(lines[i].key).c_str());
    }
}

template <size_t N>
void appendLines(HMENU m, const MenuLine (&lines)[N]) {
    appendLines(m, lines, N);
}

HMENU ratingMenu() {
    HMENU m = CreatePopupMenu();
    AppendMenuW(m, MF_STRING, kCmdRateNone, uiText("CtxRateNone").c_str());
    for (int s = 1; s <= 5; s++) AppendMenuW(m, MF_STRING, UINT_PTR(kCmdRateNone + s), std::wstring(size_t(s), L'*').c_str());
    AppendMenuW(m, MF_STRING, kCmdRateReject, uiText("CtxRateReject").c_str());
    return m;
}

HMENU labelMenu() {
    HMENU m = CreatePopupMenu();
    const char* keys[] = {"CtxLabelNone", "CtxLabelRed", "CtxLabelYellow", "CtxLabelGreen"};
    for (int i = 0; i < 4; i++) AppendMenuW(m, MF_STRING, UINT_PTR(kCmdLabelNone + i), uiText(keys[i]).c_str());
    return m;
}

HMENU orderMenu() {
    HMENU m = CreatePopupMenu();
    for (int i = 0; i < lv::kOrderingModeCount; i++)
        AppendMenuW(m, MF_STRING, UINT_PTR(kCmdOrderFirst + i), uiText(lv::kOrderings[i].textKey).c_str());
    return m;
}

HMENU recentMenu(const char* section, int max, int firstId) {
    HMENU m = CreatePopupMenu();
    std::vector<std::string> list = lv::loadRecentList(lv::settingsPath(), section, max);
    std::vector<std::string> lines = lv::recentMenuItems(list);
    for (size_t i = 0; i < lines.size(); i++)
        AppendMenuW(m, MF_STRING | (list.empty() ? MF_GRAYED : 0u), UINT_PTR(firstId + int(i)), wide(lines[i]).c_str());
    return m;
}

const MenuLine kFileTop[] = {{kCmdImport, "MenuImport", false}, {0, nullptr, false}, {kCmdOpenFolder, "MenuOpenFolder", true},
                             {kCmdOpenFile, "MenuOpenFile", true}, {kCmdOpenClip, "MenuOpenClip", true}};
const MenuLine kViewTop[] = {{kCmdFocusIndication, "CtxAF", true},   {kCmdFocusLoupe, "CtxLoupe", true},
                             {kCmdCentreLoupe, "CtxLoupeCenter", true}, {0, nullptr, false},
                             {kCmdCrop, "CtxCrop", false},            {0, nullptr, false},
                             {kCmdPanel, "MenuViewExif", true},       {kCmdStrip, "MenuStripShow", true},
                             {kCmdStatusBar, "MenuStatusBar", true},  {0, nullptr, false}};
const MenuLine kOrganise[] = {{kCmdFilterDialog, "MenuFilter", false}, {kCmdApplyFilter, "CtxFilter", false}};
const MenuLine kHelp[] = {{kCmdControls, "MenuControls", false}, {0, nullptr, false}, {kCmdAbout, "MenuAbout", true}};

HMENU g_recent = nullptr, g_recentExports = nullptr;

void appendPopup(HMENU parent, HMENU child, const char* key) {
    AppendMenuW(parent, MF_POPUP, reinterpret_cast<UINT_PTR>(child), uiText(key).c_str());
}

// Rebuilds the contents of a recent submenu in place (the list changes while the program runs).
void refillRecent(HMENU m, const char* section, int max, int firstId) {
    while (GetMenuItemCount(m) > 0) DeleteMenu(m, 0, MF_BYPOSITION);
    HMENU fresh = recentMenu(section, max, firstId);
    int n = GetMenuItemCount(fresh);
    for (int i = 0; i < n; i++) {
        wchar_t buf[1024];
        GetMenuStringW(fresh, UINT(i), buf, 1024, MF_BYPOSITION);
        UINT state = GetMenuState(fresh, UINT(i), MF_BYPOSITION);
        AppendMenuW(m, MF_STRING | (state & MF_GRAYED), GetMenuItemID(fresh, i), buf);
    }
    DestroyMenu(fresh);
}

// [SECTION] commands acting on the current photo
void reportSidecar(const lv::SidecarCommandResult& r) {
    if (r.notice.show)
        MessageBoxW(g.hwnd, wide(r.notice.text).c_str(), wide(r.notice.title).c_str(), MB_ICONEXCLAMATION);
    InvalidateRect(g.hwnd, nullptr, FALSE);
}

void rate(int rating) {
    int idx = currentPhotoIndex();
    if (idx < 0) return;
    reportSidecar(rating == -1 ? lv::toggleReject(g.folder.photos, idx) : lv::setRating(g.folder.photos, idx, rating));
}

void labelCurrent(const char* label) {
    int idx = currentPhotoIndex();
    if (idx >= 0) reportSidecar(lv::setLabel(g.folder.photos, idx, label));
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

// [SECTION] panel text
// One panel row as copied: "Label: value"; a heading as its title.
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
    bool inside = false;
    for (const std::string& line : g.infoRows) {
        std::vector<std::string> f = tabFields(line);
        if (f[0] == "H") inside = f.size() >= 2 && std::atoi(f[1].c_str()) == section;
        if (inside) out += (f[0] == "H" ? "" : "  ") + rowText(line) + "\r\n";
    }
    return out;
}

// (section id, title) of each section the photo has, in panel order.
std::vector<std::pair<int, std::string>> sectionsShown() {
    std::vector<std::pair<int, std::string>> out;
    for (const std::string& line : g.infoRows) {
        std::vector<std::string> f = tabFields(line);
        if (f[0] == "H" && f.size() >= 3) out.push_back({std::atoi(f[1].c_str()), f[2]});
    }
    return out;
}

int g_menuLoupe = -1;
POINT g_menuPoint{};

// [SECTION] dialogs
std::string pickFolder() {
    std::wstring title = wide(lv::pickFolderTitle());
    BROWSEINFOW bi{};
    bi.hwndOwner = g.hwnd;
    bi.lpszTitle = title.c_str();
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE id = SHBrowseForFolderW(&bi);
    if (!id) return {};
    wchar_t buf[MAX_PATH] = {};
    bool ok = SHGetPathFromIDListW(id, buf);
    CoTaskMemFree(id);
    return ok ? narrow(buf) : std::string();
}

std::string pickFile() {
    lv::FileDialogFilter photos, all;
    lv::pickFileFilters(&photos, &all);
    std::wstring filter = wide(photos.label) + L'\0' + wide(photos.pattern) + L'\0' + wide(all.label) + L'\0' +
                          wide(all.pattern) + L'\0' + L'\0';
    std::wstring title = wide(lv::pickFileTitle());
    wchar_t buf[32768] = {};
    OPENFILENAMEW of{};
    of.lStructSize = sizeof of;
    of.hwndOwner = g.hwnd;
    of.lpstrFilter = filter.c_str();
    of.lpstrFile = buf;
    of.nMaxFile = 32768;
    of.lpstrTitle = title.c_str();
    of.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    return GetOpenFileNameW(&of) ? narrow(buf) : std::string();
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

void showAbout() {
    std::string body = lv::text("AboutVersion") + "\r\n\r\n" + lv::text("AboutTagline") + "\r\n\r\n" +
                       lv::text("AboutPreviews") + "\r\n\r\n" + lv::text("AboutSidecars") + "\r\n\r\n" +
                       lv::textWithFormats("AboutFormats") + "\r\n\r\n" + lv::text("AboutPrivacy") + "\r\n" +
                       lv::text("AboutCopyright");
    MessageBoxW(g.hwnd, wide(body).c_str(), uiText("AboutTitle").c_str(), MB_ICONINFORMATION);
}

void togglePanelSetting(bool lv::Settings::*field) {
    lv::Settings& set = lv::currentSettings();
    set.*field = !(set.*field);
    relayout();
    fitShownPhoto();
    showCurrentPhoto();
}

// [SECTION] slideshow and burst playback
void startSlideshow() {
    int n = lv::visibleLength(g.folder);
    if (n < 2 || g.folder.currentPosition >= n - 1) return;
    g.slideshowOn = true;
    g.slideshowDir = 1;
    moveTo(g.folder.currentPosition + 1);
    g.slideshowStartTick = GetTickCount();
    SetTimer(g.hwnd, kTimerSlideshow, UINT(std::clamp(lv::currentSettings().slideshowMs, 100, 60000)), nullptr);
    SetTimer(g.hwnd, kTimerSlideshowStatus, 100, nullptr);
}

void slideshowStep() {
    int n = lv::visibleLength(g.folder);
    int next = g.folder.currentPosition + g.slideshowDir;
    if (next < 0 || next >= n) {
        stopSlideshow();
        return;
    }
    moveTo(next);
    g.slideshowStartTick = GetTickCount();
    if (next == n - 1) stopSlideshow();
}

void turnSlideshow(int dir) {
    g.slideshowDir = dir;
    slideshowStep();
    if (g.slideshowOn)
        SetTimer(g.hwnd, kTimerSlideshow, UINT(std::clamp(lv::currentSettings().slideshowMs, 100, 60000)), nullptr);
}

void toggleBurstPlayback() {
    if (g.folder.playback.playing) {
        lv::stopBurstPlayback(g.folder, true);
        KillTimer(g.hwnd, kTimerBurst);
        showCurrentPhoto();
        return;
    }
    if (!g.folder.burstsComputed) lv::computeBursts(g.folder);
    if (!lv::startBurstPlayback(g.folder)) return;
    SetTimer(g.hwnd, kTimerBurst, UINT(lv::burstTimerInterval(lv::currentSettings().burstMs)), nullptr);
    showCurrentPhoto();
}

}  // namespace

// [SECTION] public
HMENU buildMenuBar() {
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    appendLines(file, kFileTop);
    g_recent = recentMenu(lv::kRecentSection, lv::kRecentMax, kCmdRecentFirst);
    appendPopup(file, g_recent, "MenuOpenRecent");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING | MF_GRAYED, kCmdExport, uiText("MenuExport").c_str());
    g_recentExports = recentMenu(lv::kRecentExportsSection, lv::kRecentExportsMax, kCmdRecentExportFirst);
    appendPopup(file, g_recentExports, "MenuRecentExports");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING, kCmdExit, uiText("MenuExit").c_str());
    appendPopup(bar, file, "MenuFile");

    HMENU view = CreatePopupMenu();
    appendLines(view, kViewTop);
    appendPopup(view, orderMenu(), "MenuOrderBy");
    AppendMenuW(view, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(view, MF_STRING | MF_GRAYED, kCmdSettings, uiText("MenuSettings").c_str());
    appendPopup(bar, view, "MenuView");

    HMENU org = CreatePopupMenu();
    appendLines(org, kOrganise);
    HMENU saved = CreatePopupMenu();
    AppendMenuW(saved, MF_STRING | MF_GRAYED, 0, uiText("SavedFilterNone").c_str());
    appendPopup(org, saved, "MenuSavedFilters");
    appendPopup(bar, org, "MenuOrganize");

    HMENU help = CreatePopupMenu();
    appendLines(help, kHelp);
    appendPopup(bar, help, "MenuHelp");
    return bar;
}

HACCEL buildAccelerators() {
    ACCEL a[] = {{FVIRTKEY, VK_F1, kCmdControls}, {FVIRTKEY, 'I', kCmdPanel}, {FVIRTKEY, 'T', kCmdStrip},
                 {FVIRTKEY, 'S', kCmdSettings}};
    return CreateAcceleratorTableW(a, int(sizeof a / sizeof a[0]));
}

void updateMenuMarks(HMENU m) {
    const lv::Settings& set = lv::currentSettings();
    if (m == g_recent) refillRecent(m, lv::kRecentSection, lv::kRecentMax, kCmdRecentFirst);
    if (m == g_recentExports) refillRecent(m, lv::kRecentExportsSection, lv::kRecentExportsMax, kCmdRecentExportFirst);
    struct Mark {
        int id;
        bool on;
    };
    const Mark marks[] = {{kCmdPanel, set.exifPanelShow},         {kCmdStrip, set.stripShow},
                          {kCmdStatusBar, set.statusBarShow},     {kCmdFocusIndication, g.focusIndication},
                          {kCmdFocusLoupe, g.focusLoupe},         {kCmdCrop, g.crop},
                          {kCmdCentreLoupe, g.centreLoupe}};
    for (const Mark& k : marks) CheckMenuItem(m, UINT(k.id), MF_BYCOMMAND | (k.on ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuRadioItem(m, kCmdOrderFirst, kCmdOrderLast, UINT(kCmdOrderFirst + g.folder.orderingMode), MF_BYCOMMAND);
    int idx = currentPhotoIndex();
    if (idx >= 0) {
        int r = g.folder.photos.rating[size_t(idx)];
        CheckMenuRadioItem(m, kCmdRateNone, kCmdRateReject, UINT(r < 0 ? kCmdRateReject : kCmdRateNone + r), MF_BYCOMMAND);
        const std::string& l = g.folder.photos.label[size_t(idx)];
        int li = l == "Red" ? 1 : l == "Yellow" ? 2 : l == "Green" ? 3 : l.empty() ? 0 : -1;
        if (li >= 0) CheckMenuRadioItem(m, kCmdLabelNone, kCmdLabelGreen, UINT(kCmdLabelNone + li), MF_BYCOMMAND);
    }
}

int currentPhotoIndex() {
    if (!g.haveFolder) return -1;
    return lv::visibleToPhoto(g.folder, g.folder.currentPosition);
}

void stopSlideshow() {
    if (!g.slideshowOn) return;
    g.slideshowOn = false;
    KillTimer(g.hwnd, kTimerSlideshow);
    KillTimer(g.hwnd, kTimerSlideshowStatus);
    InvalidateRect(g.hwnd, &g.layout.status, FALSE);
}

void slideshowTick() {
    if (g.slideshowOn) slideshowStep();
}

void burstTick() {
    if (!g.folder.playback.playing) {
        KillTimer(g.hwnd, kTimerBurst);
        return;
    }
    if (!lv::burstPlaybackStep(g.folder)) KillTimer(g.hwnd, kTimerBurst);
    showCurrentPhoto();
}

bool handleKey(WPARAM vk) {
    bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) vk = '0' + (vk - VK_NUMPAD0);
    if (vk == VK_ADD) vk = VK_OEM_PLUS;
    if (vk == VK_SUBTRACT) vk = VK_OEM_MINUS;
    int pos = g.folder.currentPosition, n = g.haveFolder ? lv::visibleLength(g.folder) : 0;
    switch (vk) {
        case VK_SPACE:
            if (ctrl) toggleBurstPlayback();
            else if (g.slideshowOn) stopSlideshow();
            else startSlideshow();
            return true;
        case VK_ESCAPE:
            if (g.fullscreen) toggleFullScreen();
            else PostMessageW(g.hwnd, WM_CLOSE, 0, 0);
            return true;
        case VK_F12:
            toggleFullScreen();
            return true;
        case VK_OEM_MINUS:
        case VK_OEM_PLUS:
            g.photoSize = std::clamp(g.photoSize + (vk == VK_OEM_PLUS ? 10 : -10), 20, 100);
            fitShownPhoto();
            InvalidateRect(g.hwnd, nullptr, FALSE);
            return true;
        case VK_LEFT:
        case VK_RIGHT: {
            int dir = vk == VK_RIGHT ? 1 : -1;
            if (ctrl) {
                if (!g.folder.burstsComputed) lv::computeBursts(g.folder);
                int p = dir > 0 ? lv::nextBurstPosition(g.folder, pos) : lv::previousBurstPosition(g.folder, pos);
                if (p >= 0) moveTo(p);
            } else if (g.slideshowOn) {
                turnSlideshow(dir);
            } else if (pos + dir >= 0 && pos + dir < n) {
                moveTo(pos + dir);
            }
            return true;
        }
        case VK_PRIOR:
            moveTo(pos - (shift ? 10 : g.layout.screenful));
            return true;
        case VK_NEXT:
            moveTo(pos + (shift ? 10 : g.layout.screenful));
            return true;
        case VK_HOME:
            moveTo(0);
            return true;
        case VK_END:
            moveTo(n - 1);
            return true;
        case 'R':
            rate(-1);
            return true;
        case 'F':
            runCommand(shift ? kCmdFocusLoupe : kCmdFocusIndication);
            return true;
        case 'L':
            runCommand(kCmdCentreLoupe);
            return true;
        default:
            break;
    }
    if (vk >= '0' && vk <= '9') {
        int d = int(vk - '0');
        if (d <= 5) rate(d);
        else labelCurrent(d == 6 ? "Red" : d == 7 ? "Yellow" : d == 8 ? "Green" : "");
        return true;
    }
    return false;
}

void runCommand(int id) {
    lv::Settings& set = lv::currentSettings();
    if (id >= kCmdRateNone && id <= kCmdRateNone + 5) return rate(id - kCmdRateNone);
    if (id == kCmdRateReject) {
        int idx = currentPhotoIndex();
        if (idx >= 0 && g.folder.photos.rating[size_t(idx)] != -1) rate(-1);
        return;
    }
    if (id >= kCmdLabelNone && id <= kCmdLabelGreen) {
        const char* labels[] = {"", "Red", "Yellow", "Green"};
        return labelCurrent(labels[id - kCmdLabelNone]);
    }
    if (id >= kCmdOrderFirst && id <= kCmdOrderLast) {
        if (g.haveFolder && lv::setOrdering(g.folder, id - kCmdOrderFirst)) showCurrentPhoto();
        else g.folder.orderingMode = id - kCmdOrderFirst;
        return;
    }
    if (id >= kCmdSectionFirst && id <= kCmdSectionLast) {
        set.secCollapsed ^= 1 << (id - kCmdSectionFirst);
        InvalidateRect(g.hwnd, &g.layout.panel, FALSE);
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
    switch (id) {
        case kCmdOpenFolder: {
            std::string f = pickFolder();
            if (!f.empty()) openFolderPath(lv::withTrailingSeparator(f), "");
            return;
        }
        case kCmdOpenFile:
            openAnyPath(pickFile());
            return;
        case kCmdOpenClip:
            openFromClipboard();
            return;
        case kCmdExit:
            PostMessageW(g.hwnd, WM_CLOSE, 0, 0);
            return;
        case kCmdAbout:
            showAbout();
            return;
        case kCmdPanel:
            togglePanelSetting(&lv::Settings::exifPanelShow);
            return;
        case kCmdHidePanel:
            set.exifPanelShow = true;
            togglePanelSetting(&lv::Settings::exifPanelShow);
            return;
        case kCmdStrip:
            togglePanelSetting(&lv::Settings::stripShow);
            return;
        case kCmdStatusBar:
            togglePanelSetting(&lv::Settings::statusBarShow);
            return;
        case kCmdSwapPanel:
            set.exifPanelSide = set.exifPanelSide == 1 ? 0 : 1;
            relayout();
            fitShownPhoto();
            InvalidateRect(g.hwnd, nullptr, FALSE);
            return;
        case kCmdFocusIndication:
            g.focusIndication = !g.focusIndication;
            InvalidateRect(g.hwnd, nullptr, FALSE);
            return;
        case kCmdFocusLoupe:
            g.focusLoupe = !g.focusLoupe;
            InvalidateRect(g.hwnd, nullptr, FALSE);
            return;
        case kCmdCentreLoupe:
            g.centreLoupe = !g.centreLoupe;
            InvalidateRect(g.hwnd, nullptr, FALSE);
            return;
        case kCmdAddLoupe:
            if (addLoupeAt(g_menuPoint)) InvalidateRect(g.hwnd, nullptr, FALSE);
            return;
        case kCmdRemoveLoupe:
            removeLoupe(g_menuLoupe);
            InvalidateRect(g.hwnd, nullptr, FALSE);
            return;
        case kCmdCopySection:
            if (g.menuSection >= 0) lv::clipboardSetText(sectionText(g.menuSection));
            return;
        case kCmdCopyItem:
            if (g.menuRow >= 0 && size_t(g.menuRow) < g.infoRows.size())
                lv::clipboardSetText(rowText(g.infoRows[size_t(g.menuRow)]));
            return;
        case kCmdCopyName: {
            std::string p = currentPath();
            if (!p.empty()) lv::clipboardSetText(lv::fileNamePart(p));
            return;
        }
        case kCmdCopyMetaAll:
            if (currentPhotoIndex() >= 0) lv::clipboardSetText(lv::shotInfoText(g.info));
            return;
        case kCmdReveal: {
            std::string params = lv::revealParameters(currentPath());
            if (!params.empty())
                ShellExecuteW(g.hwnd, L"open", L"explorer.exe", wide(params).c_str(), nullptr, SW_SHOWNORMAL);
            return;
        }
        default:
            return;
    }
}

void showContextMenu(int x, int y) {
    POINT p{x, y};
    if (x == -1 && y == -1) {  // from the keyboard: at the photo's centre
        p = {(g.layout.photo.left + g.layout.photo.right) / 2, (g.layout.photo.top + g.layout.photo.bottom) / 2};
        ClientToScreen(g.hwnd, &p);
    }
    POINT c = p;
    ScreenToClient(g.hwnd, &c);
    const Layout& L = g.layout;
    HMENU m = CreatePopupMenu();
    if (PtInRect(&L.panel, c)) {
        g.menuSection = g.menuRow = -1;
        panelLineAt(c, &g.menuSection, &g.menuRow);
        HMENU copy = CreatePopupMenu();
        AppendMenuW(copy, MF_STRING, kCmdCopyMetaAll, uiText("CtxCopyAll").c_str());
        AppendMenuW(copy, MF_STRING | (g.menuSection >= 0 ? 0u : MF_GRAYED), kCmdCopySection,
                    uiText("CtxCopySection").c_str());
        AppendMenuW(copy, MF_STRING | (g.menuRow >= 0 ? 0u : MF_GRAYED), kCmdCopyItem, uiText("CtxCopyItem").c_str());
        appendPopup(m, copy, "CtxCopy");
        HMENU sections = CreatePopupMenu();
        for (const auto& [id, title] : sectionsShown()) {
            if (id < 0 || id >= kPanelSections) continue;
            bool collapsed = (lv::currentSettings().secCollapsed >> id) & 1;
            std::wstring t = wide(title) + L"\t" + uiText(collapsed ? "CtxExpandSection" : "CtxCollapseSection");
            AppendMenuW(sections, MF_STRING, UINT_PTR(kCmdSectionFirst + id), t.c_str());
        }
        appendPopup(m, sections, "CtxSections");
        AppendMenuW(m, MF_STRING, kCmdSwapPanel, uiText("CtxSwapPanel").c_str());
        AppendMenuW(m, MF_STRING, kCmdHidePanel, uiText("CtxHidePanel").c_str());
    } else if (PtInRect(&L.strip, c)) {
        int pos = g.firstVisible + (c.x - L.strip.left) / std::max(1, L.cellW);
        if (g.haveFolder && pos < lv::visibleLength(g.folder) && pos != g.folder.currentPosition) moveTo(pos);
        appendPopup(m, ratingMenu(), "CtxRating");
        appendPopup(m, labelMenu(), "CtxLabel");
        AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
        appendPopup(m, orderMenu(), "MenuOrderBy");
        AppendMenuW(m, MF_STRING, kCmdStatusBar, uiText("MenuStatusBar").c_str());
        AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(m, MF_STRING, kCmdCopyName, uiText("CtxCopyName").c_str());
        AppendMenuW(m, MF_STRING, kCmdReveal, uiText("CtxReveal").c_str());
    } else {
        g_menuPoint = c;
        bool grip = false;
        g_menuLoupe = loupeAt(c, &grip);
        if (g_menuLoupe >= 0) AppendMenuW(m, MF_STRING, kCmdRemoveLoupe, uiText("CtxRemoveLoupe").c_str());
        if (int(g.loupes.size()) >= kMaxLoupes)
            AppendMenuW(m, MF_STRING | MF_GRAYED, kCmdAddLoupe,
                        wide(lv::fillPlaceholder(lv::text("CtxAddLoupeFull"), "{max}", std::to_string(kMaxLoupes))).c_str());
        else
            AppendMenuW(m, MF_STRING, kCmdAddLoupe, uiText("CtxAddLoupe").c_str());
        AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
        appendPopup(m, ratingMenu(), "CtxRating");
        appendPopup(m, labelMenu(), "CtxLabel");
        AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(m, MF_STRING, kCmdFocusIndication, uiText("CtxAF").c_str());
        AppendMenuW(m, MF_STRING, kCmdFocusLoupe, uiText("CtxLoupe").c_str());
        AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(m, MF_STRING, kCmdPanel, uiText("MenuViewExif").c_str());
        AppendMenuW(m, MF_STRING, kCmdStrip, uiText("MenuStripShow").c_str());
        AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(m, MF_STRING, kCmdCopyName, uiText("CtxCopyName").c_str());
        AppendMenuW(m, MF_STRING, kCmdReveal, uiText("CtxReveal").c_str());
    }
    bool resume = g.slideshowOn;
    if (resume) KillTimer(g.hwnd, kTimerSlideshow);
    updateMenuMarks(m);
    int id = TrackPopupMenu(m, TPM_RETURNCMD | TPM_RIGHTBUTTON, p.x, p.y, 0, g.hwnd, nullptr);
    DestroyMenu(m);
    if (resume && g.slideshowOn) {
        g.slideshowStartTick = GetTickCount();
        SetTimer(g.hwnd, kTimerSlideshow, UINT(std::clamp(lv::currentSettings().slideshowMs, 100, 60000)), nullptr);
    }
    if (id) runCommand(id);
}
