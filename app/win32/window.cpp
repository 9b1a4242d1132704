// The main window: its class, creation, layout, DPI changes, full screen, timers, mouse and
// dropped files. Keys and menus are in commands.cpp, drawing in paint.cpp.
#include <windows.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdio>

#include "core/diaglog.h"
#include "core/ini.h"
#include "core/pathname.h"
#include "core/texts.h"
#include "library/bursts.h"
#include "library/open_paths.h"
#include "library/recent.h"
#include "sidecar/sidecar_file.h"
#include "shell.h"

namespace {

// [SECTION] helpers
UINT windowDpi(HWND hwnd) {
    using GetDpiFn = UINT(WINAPI*)(HWND);
    static auto fn = reinterpret_cast<GetDpiFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    UINT dpi = fn ? fn(hwnd) : 0;
    return dpi < 48 ? UINT(g.screenDpi) : dpi;
}

void readRatingForLoad(std::string_view path, int* rating, std::string* label) {
    lv::RatingLabel rl = lv::readRatingLabel(path);
    *rating = rl.rating;
    *label = rl.label;
}

HFONT makeFont(int pt10, int weight) {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(pt10, g.dpi, 720);
    lf.lfWeight = weight;
    lf.lfQuality = CLEARTYPE_QUALITY;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, L"Segoe UI", LF_FACESIZE);
    return CreateFontIndirectW(&lf);
}

bool inside(const lv::Rect& r, int x, int y) { return x >= r.x && y >= r.y && x < r.x + r.w && y < r.y + r.h; }

// Which edge a point is on: 1 the strip's top edge, 2 the panel's inner edge, 0 none.
int dragEdgeAt(int x, int y) {
    const lv::WindowAreas& a = g.areas;
    int slop = px(4);
    if (a.strip.h > 0 && y >= a.strip.y - slop - g.ui.strip.m.stripGap && y <= a.strip.y + slop / 2 &&
        x >= a.strip.x && x < a.strip.x + a.strip.w)
        return 1;
    if (a.panel.w > 0 && y >= a.panel.y && y < a.panel.y + a.panel.h) {
        int edge = g.ui.panelSide == 1 ? a.panel.x + a.panel.w : a.panel.x;
        if (x >= edge - slop && x <= edge + slop) return 2;
    }
    return 0;
}

// The settings mirror the window's visibility state; full screen saves what it hid.
void settingsFromUi() {
    lv::Settings& set = lv::currentSettings();
    set.exifPanelShow = g.ui.fullScreen ? g.ui.savedPanel : g.ui.panelShown;
    set.stripShow = g.ui.fullScreen ? g.ui.savedStrip : g.ui.stripShown;
    set.statusBarShow = g.ui.fullScreen ? g.ui.savedStatusBar : g.ui.statusBarShown;
    set.exifPanelSide = g.ui.panelSide;
}

void uiFromSettings() {
    const lv::Settings& set = lv::currentSettings();
    g.ui.panelShown = set.exifPanelShow;
    g.ui.stripShown = set.stripShow;
    g.ui.statusBarShown = set.statusBarShow;
    g.ui.panelSide = set.exifPanelSide;
    g.ui.slideshowMs = set.slideshowMs;
    g.ui.strip.stripFollow = set.stripFollow;
}

}  // namespace

void saveAllSettings() {
    lv::Settings& set = lv::currentSettings();
    if (!g.ui.fullScreen && !IsZoomed(g.hwnd) && !IsIconic(g.hwnd)) {
        RECT c;
        GetClientRect(g.hwnd, &c);
        set.windowW = c.right;
        set.windowH = c.bottom;
    }
    settingsFromUi();
    lv::WinErr e = lv::saveSettingsTo(lv::settingsPath(), set, g.dpi);
    if (e) lv::logLine("saving settings FAILED code=" + std::to_string(e));
    lv::iniWriteInt(lv::settingsPath(), lv::kOrderingSection, lv::kOrderingKey, g.folder.orderingMode);
    lv::saveCurrentFilter(g.filter.current, lv::settingsPath());
}

// [SECTION] text helpers
std::wstring wide(std::string_view s) {
    std::u16string w = lv::utf16FromUtf8(s);
    return std::wstring(w.begin(), w.end());
}

std::string narrow(std::wstring_view w) { return lv::utf8FromUtf16(std::u16string(w.begin(), w.end())); }

std::wstring uiText(const char* key) { return wide(lv::text(key)); }

int px(int v96) { return lv::px(v96, g.dpi); }

RECT winRect(const lv::Rect& r) { return RECT{r.x, r.y, r.x + r.w, r.y + r.h}; }

// [SECTION] layout
void relayout() {
    lv::Settings& set = lv::currentSettings();
    RECT c;
    GetClientRect(g.hwnd, &c);
    lv::StripLayout& s = g.ui.strip;
    s.m = lv::metricsFor(g.dpi);
    s.statusBarShown = g.ui.statusBarShown;
    lv::setStripHeight(s, set.stripHeight, c.bottom);
    set.stripHeight = s.stripHeight;
    lv::relayoutStrip(s, c.right);
    set.exifPanelW = lv::panelWidthFor(s.m, set.exifPanelW, c.right);
    g.areas = lv::layoutWindow(s, c.right, c.bottom, g.ui.stripShown, g.ui.panelShown, set.exifPanelW, g.ui.panelSide);
}

void recreateFonts() {
    for (HFONT* f : {&g.fontUi, &g.fontSmall, &g.fontBold, &g.fontTitle}) {
        if (*f) DeleteObject(*f);
    }
    g.fontUi = makeFont(95, FW_NORMAL);
    g.fontSmall = makeFont(85, FW_NORMAL);
    g.fontBold = makeFont(95, FW_SEMIBOLD);
    g.fontTitle = makeFont(220, FW_LIGHT);
}

// [SECTION] showing and opening
int currentPhotoIndex() {
    if (!g.haveFolder) return -1;
    return lv::visibleToPhoto(g.folder, g.folder.currentPosition);
}

void showCurrentPhoto() {
    std::wstring title = kMainTitle;
    if (g.haveFolder) {
        lv::ShowResult r = lv::showPhoto(g.viewer, g.folder.currentPosition, lv::photoTarget(g.areas.photo, g.ui.photoSize));
        if (r.shown) title = wide(r.title);
        else title += L" - " + wide(lv::withoutTrailingSeparator(g.folder.folder));
        if (g.folder.filterActive) title += uiText("FilterSuffix");
    }
    SetWindowTextW(g.hwnd, title.c_str());
    InvalidateRect(g.hwnd, nullptr, FALSE);
}

void restartViewer() {
    if (!g.haveFolder) return;
    lv::viewerStop(g.viewer);
    if (!g.bench) lv::viewerStart(g.viewer);
}

void openFolderPath(const std::string& folder, const std::string& selectName) {
    stopSlideshow();
    if (g.folder.playback.playing) {
        lv::stopBurstPlayback(g.folder, false);
        KillTimer(g.hwnd, kTimerBurst);
    }
    lv::viewerStop(g.viewer);
    lv::FolderOpen r = lv::openFolder(g.folder, folder, selectName, readRatingForLoad);
    if (!r.opened) {
        if (g.haveFolder && !g.bench) lv::viewerStart(g.viewer);
        if (!r.message.title.empty())
            MessageBoxW(g.hwnd, wide(r.message.text).c_str(), wide(r.message.title).c_str(), MB_ICONINFORMATION);
        return;
    }
    g.haveFolder = true;
    lv::logLine("folder loaded: " + g.folder.folder + " (" + std::to_string(g.folder.photos.count) + " files)");
    if (!g.bench) {
        if (!r.rememberBefore.empty()) lv::rememberRecentPhoto(lv::settingsPath(), r.rememberBefore);
        if (!r.rememberAfter.empty()) lv::rememberRecentPhoto(lv::settingsPath(), r.rememberAfter);
    }
    lv::viewerFolderOpened(g.viewer);
    lv::resetScan(g.scan);
    g.ui.strip.firstVisible = 0;
    g.fullPhoto = -1;
    if (!g.bench) lv::viewerStart(g.viewer);
    welcomeHide();
    relayout();
    showCurrentPhoto();
}

void openAnyPath(const std::string& path) {
    if (path.empty()) return;
    if (lv::isFolder(path))
        openFolderPath(lv::withTrailingSeparator(path), "");
    else
        openFolderPath(std::string(lv::folderPart(path)), std::string(lv::fileNamePart(path)));
}

// [SECTION] full screen
// Places the window for ui.fullScreen (the engine has already hidden or restored the panels).
void placeForFullScreen() {
    if (g.ui.fullScreen) {
        g.savedPlacement.length = sizeof g.savedPlacement;
        GetWindowPlacement(g.hwnd, &g.savedPlacement);
        g.savedStyle = GetWindowLongPtrW(g.hwnd, GWL_STYLE);
        MONITORINFO mi{};
        mi.cbSize = sizeof mi;
        GetMonitorInfoW(MonitorFromWindow(g.hwnd, MONITOR_DEFAULTTONEAREST), &mi);
        SetMenu(g.hwnd, nullptr);
        SetWindowLongPtrW(g.hwnd, GWL_STYLE, (g.savedStyle & ~WS_OVERLAPPEDWINDOW) | WS_POPUP);
        SetWindowPos(g.hwnd, HWND_TOP, mi.rcMonitor.left, mi.rcMonitor.top, mi.rcMonitor.right - mi.rcMonitor.left,
                     mi.rcMonitor.bottom - mi.rcMonitor.top, SWP_FRAMECHANGED | SWP_NOOWNERZORDER);
    } else {
        SetWindowLongPtrW(g.hwnd, GWL_STYLE, g.savedStyle);
        SetMenu(g.hwnd, g.menu);
        SetWindowPlacement(g.hwnd, &g.savedPlacement);
        SetWindowPos(g.hwnd, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
    }
    relayout();
    showCurrentPhoto();
}

// [SECTION] window procedure
namespace {

void onCreate(HWND hwnd) {
    g.hwnd = hwnd;
    uiFromSettings();
    g.menu = buildMenuBar();
    SetMenu(hwnd, g.menu);
    g.accel = buildAccelerators();
    DragAcceptFiles(hwnd, TRUE);
    SetFocus(hwnd);
    int dpi = int(windowDpi(hwnd));
    if (dpi != g.dpi) {
        // The settings' lengths were scaled for the screen; keep their 96-DPI sizes.
        lv::Settings& set = lv::currentSettings();
        set.stripHeight = lv::scaleLength(lv::unscaleLength(set.stripHeight, g.dpi), dpi);
        set.exifPanelW = lv::scaleLength(lv::unscaleLength(set.exifPanelW, g.dpi), dpi);
        g.dpi = dpi;
    }
    recreateFonts();
    relayout();
    if (g.welcome)
        welcomeShow();
    else
        showCurrentPhoto();
    if (!g.missingStartupFile.empty()) PostMessageW(hwnd, kMsgMissingStartupFile, 0, 0);
}

void onDpiChanged(HWND hwnd, int newDpi, const RECT* suggested) {
    lv::Settings& set = lv::currentSettings();
    int units = int(set.stripHeight * 96.0 / g.dpi + 0.5);
    g.dpi = newDpi;
    set.stripHeight = px(units);
    set.exifPanelW = lv::metricsFor(newDpi).panelInitial;
    recreateFonts();
    SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    relayout();
    welcomeLayout();
    showCurrentPhoto();
}

void onMissingStartupFile() {
    lv::RecentOpen r = lv::resolveRecentEntry(g.folder.folder + g.missingStartupFile);
    if (r.message.title.empty()) return;
    int answer = MessageBoxW(g.hwnd, wide(r.message.text).c_str(), wide(r.message.title).c_str(),
                             MB_ICONWARNING | MB_YESNO);
    if (answer == IDYES) lv::clipboardSetText(g.missingStartupFile);
    g.missingStartupFile.clear();
}

void onDestroy(HWND hwnd) {
    if (!g.bench) {
        if (g.haveFolder) lv::rememberRecentPhoto(lv::settingsPath(), lv::photoForRecent(g.folder));
        saveAllSettings();
    }
    lv::viewerStop(g.viewer);  // asked to stop here; joined again (a no-op) after the loop
    for (UINT t : {kTimerBurst, kTimerSlideshow, kTimerSlideshowStatus, kTimerMiddleLoupe}) KillTimer(hwnd, t);
    if (g.accel) DestroyAcceleratorTable(g.accel);
    g.accel = nullptr;
    PostQuitMessage(0);
}

void onLeftDown(int x, int y) {
    SetFocus(g.hwnd);
    bool onGrip = false;
    int loupe = loupeAt(POINT{x, y}, &onGrip);
    if (loupe >= 0 && onGrip) {
        g.resizingLoupe = loupe;
        SetCapture(g.hwnd);
        return;
    }
    int section = -1, row = -1;
    if (panelLineAt(POINT{x, y}, &section, &row) && row < 0 && section >= 0 && section < kPanelSections) {
        lv::currentSettings().secCollapsed ^= 1 << section;
        RECT r = winRect(g.areas.panel);
        InvalidateRect(g.hwnd, &r, FALSE);
        return;
    }
    g.dragging = dragEdgeAt(x, y);
    if (g.dragging) {
        SetCapture(g.hwnd);
        return;
    }
    const lv::Rect& s = g.areas.strip;
    if (g.haveFolder && inside(s, x, y)) {
        int pos = g.ui.strip.firstVisible + (x - s.x) / std::max(1, g.ui.strip.cellW);
        if (pos < lv::visibleLength(g.folder)) {
            g.folder.currentPosition = pos;
            showCurrentPhoto();
        }
    }
}

void onMouseMove(int x, int y) {
    lv::Settings& set = lv::currentSettings();
    if (g.resizingLoupe >= 0) {
        resizeLoupeTo(g.resizingLoupe, POINT{x, y});
        InvalidateRect(g.hwnd, nullptr, FALSE);
        return;
    }
    if (!g.dragging) return;
    RECT c;
    GetClientRect(g.hwnd, &c);
    if (g.dragging == 1)
        set.stripHeight = (g.areas.statusBar.h > 0 ? g.areas.statusBar.y : c.bottom) - y;
    else
        set.exifPanelW = g.ui.panelSide == 1 ? x : c.right - x;
    relayout();
    showCurrentPhoto();
}

void onTimer(HWND hwnd, WPARAM id) {
    switch (id) {
        case kTimerHousekeeping:
            housekeepingTick();
            break;
        case kTimerSlideshow:
            slideshowTick();
            break;
        case kTimerSlideshowStatus: {
            RECT r = winRect(g.areas.statusBar);
            InvalidateRect(hwnd, &r, FALSE);
            break;
        }
        case kTimerBurst:
            burstTick();
            break;
        case kTimerExport:
            exportTick();
            break;
        case kTimerImport:
            importTick();
            break;
        case kTimerMiddleLoupe: {
            POINT p;
            GetCursorPos(&p);
            ScreenToClient(hwnd, &p);
            if (p.x != g.middleAt.x || p.y != g.middleAt.y) {
                g.middleAt = p;
                InvalidateRect(hwnd, nullptr, FALSE);
            }
            break;
        }
    }
}

void paintBuffered(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT c;
    GetClientRect(hwnd, &c);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, std::max(1L, c.right), std::max(1L, c.bottom));
    HGDIOBJ old = SelectObject(mem, bmp);
    if (g.welcome)
        paintWelcome(mem, c);
    else
        paintMainWindow(mem, c);
    BitBlt(dc, 0, 0, c.right, c.bottom, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    EndPaint(hwnd, &ps);
    static bool firstPainted = false;
    if (!firstPainted && photoRect().right > photoRect().left) {  // with "/LOG": time to the first photo
        firstPainted = true;
        FILETIME created, exited, kernel, user, now;
        if (GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
            GetSystemTimeAsFileTime(&now);
            auto ticks = [](FILETIME f) { return (uint64_t(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
            lv::logLine("first photo painted " + std::to_string((ticks(now) - ticks(created)) / 10000) +
                        " ms after the process started");
        }
    }
    if (g.keyStamp) {  // with "/LOG": how long a key took until its photo was on screen
        double ms = double(lv::perfCounter() - g.keyStamp) * 1000.0 / double(lv::perfFrequency());
        g.keyStamp = 0;
        char buf[64];
        std::snprintf(buf, sizeof buf, "key to paint: %.1f ms", ms);
        lv::logLine(buf);
    }
}

}  // namespace

static LRESULT CALLBACK mainWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CREATE:
            onCreate(hwnd);
            return 0;
        case WM_DPICHANGED:
            onDpiChanged(hwnd, HIWORD(wp), reinterpret_cast<const RECT*>(lp));
            return 0;
        case WM_GETMINMAXINFO: {
            auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
            lv::Metrics m = lv::metricsFor(g.dpi);
            mm->ptMinTrackSize.x = m.minW;
            mm->ptMinTrackSize.y = m.minH;
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_SIZE:
            if (!g.hwnd) return 0;
            relayout();
            welcomeLayout();
            if (g.haveFolder && !g.welcome) showCurrentPhoto();
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_ENTERSIZEMOVE:
            lv::setFrameDragging(g.viewer, true);
            return 0;
        case WM_EXITSIZEMOVE:
            lv::setFrameDragging(g.viewer, false);
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_PAINT:
            paintBuffered(hwnd);
            return 0;
        case WM_TIMER:
            onTimer(hwnd, wp);
            return 0;
        case WM_INITMENUPOPUP:
            updateMenuMarks(reinterpret_cast<HMENU>(wp));
            return 0;
        case WM_COMMAND:
            if (g.welcome && welcomeCommand(wp, lp)) return 0;
            runCommand(LOWORD(wp));
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (!g.welcome && onKey(wp)) return 0;
            if (g.welcome && wp == VK_ESCAPE) {
                DestroyWindow(hwnd);
                return 0;
            }
            break;
        case WM_DROPFILES: {
            HDROP drop = reinterpret_cast<HDROP>(wp);
            std::wstring buf(32768, L'\0');
            UINT n = DragQueryFileW(drop, 0, buf.data(), UINT(buf.size()));
            DragFinish(drop);
            if (n) openAnyPath(narrow(std::wstring_view(buf.data(), n)));
            return 0;
        }
        case WM_LBUTTONDOWN:
            onLeftDown(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return 0;
        case WM_MOUSEMOVE:
            onMouseMove(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return 0;
        case WM_LBUTTONUP:
            if (g.dragging || g.resizingLoupe >= 0) ReleaseCapture();
            g.dragging = 0;
            g.resizingLoupe = -1;
            return 0;
        case WM_MBUTTONDOWN:
            if (g.welcome || currentPhotoIndex() < 0) return 0;
            g.middleLoupe = true;
            g.middleAt = POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            SetCapture(hwnd);
            SetTimer(hwnd, kTimerMiddleLoupe, 40, nullptr);
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_MBUTTONUP:
            if (!g.middleLoupe) return 0;
            g.middleLoupe = false;
            KillTimer(hwnd, kTimerMiddleLoupe);
            ReleaseCapture();
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lp) == HTCLIENT && !g.welcome) {
                POINT p;
                GetCursorPos(&p);
                ScreenToClient(hwnd, &p);
                int edge = g.dragging ? g.dragging : dragEdgeAt(p.x, p.y);
                bool grip = false;
                if (!edge && loupeAt(p, &grip) >= 0 && grip) edge = 3;
                SetCursor(LoadCursorW(nullptr, edge == 1   ? IDC_SIZENS
                                               : edge == 2 ? IDC_SIZEWE
                                               : edge == 3 ? IDC_SIZENWSE
                                                           : IDC_ARROW));
                return TRUE;
            }
            break;
        case WM_MOUSEWHEEL: {
            if (g.welcome) return 0;
            POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            ScreenToClient(hwnd, &p);
            RECT panel = winRect(g.areas.panel);
            int notches = GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA;
            if (PtInRect(&panel, p)) {  // over the panel the wheel scrolls its rows
                g.panelScroll = std::clamp(g.panelScroll - notches * px(54), 0, g.panelScrollMax);
                InvalidateRect(hwnd, &panel, FALSE);
            } else {
                onKey(notches > 0 ? VK_LEFT : VK_RIGHT);
            }
            return 0;
        }
        case WM_CONTEXTMENU:
            if (!g.welcome) showContextMenu(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
            return reinterpret_cast<LRESULT>(welcomeControlColour(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)));
        case WM_DRAWITEM:
            if (g.welcome && welcomeDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lp))) return TRUE;
            break;
        case kMsgMissingStartupFile:
            onMissingStartupFile();
            return 0;
        case WM_CLOSE:
            if (confirmCloseWhileCopying()) DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            onDestroy(hwnd);
            return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// [SECTION] class and creation
bool registerMainWindow() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = mainWindowProc;
    wc.hInstance = g.inst;
    wc.hIcon = static_cast<HICON>(LoadImageW(g.inst, L"PROGRAM", IMAGE_ICON, 32, 32, 0));
    wc.hIconSm = static_cast<HICON>(LoadImageW(g.inst, L"PROGRAM", IMAGE_ICON, 16, 16, 0));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kMainClass;
    return RegisterClassExW(&wc) != 0;
}

HWND createMainWindow() {
    const lv::Settings& set = lv::currentSettings();
    RECT r{0, 0, set.windowW, set.windowH};
    AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, TRUE, 0);  // the menu bar is part of the frame
    return CreateWindowExW(0, kMainClass, kMainTitle, WS_OVERLAPPEDWINDOW, 100, 80, r.right - r.left,
                           r.bottom - r.top, nullptr, nullptr, g.inst, nullptr);
}
