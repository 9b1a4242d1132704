// The main window: its class, creation, layout, DPI changes, full screen, timers, mouse and
// dropped files. Keys and menus are in commands.cpp, drawing in paint.cpp.
#include <windows.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

#include "core/diaglog.h"
#include "core/ini.h"
#include "core/pathname.h"
#include "core/texts.h"
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

HFONT makeFont(int pt10, int weight, const wchar_t* face = L"Segoe UI") {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(pt10, g.dpi, 720);
    lf.lfWeight = weight;
    lf.lfQuality = CLEARTYPE_QUALITY;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectW(&lf);
}

// Which edge a point is on: 1 the strip's top edge, 2 the panel's inner edge, 0 none.
int dragEdgeAt(int x, int y) {
    const Layout& L = g.layout;
    int slop = px(4);
    if (L.strip.bottom > L.strip.top && y >= L.strip.top - slop - px(16) && y <= L.strip.top + slop / 2 &&
        x >= L.strip.left && x < L.strip.right)
        return 1;
    if (L.panel.right > L.panel.left && y >= L.panel.top && y < L.panel.bottom) {
        int edge = lv::currentSettings().exifPanelSide == 1 ? L.panel.right : L.panel.left;
        if (x >= edge - slop && x <= edge + slop) return 2;
    }
    return 0;
}

}  // namespace

// [SECTION] text helpers
std::wstring wide(std::string_view s) {
    std::u16string w = lv::utf16FromUtf8(s);
    return std::wstring(w.begin(), w.end());
}

std::string narrow(std::wstring_view w) { return lv::utf8FromUtf16(std::u16string(w.begin(), w.end())); }

std::wstring uiText(const char* key) { return wide(lv::text(key)); }

int px(int v96) { return lv::scaleLength(v96, g.dpi); }

// [SECTION] layout
// Photo above the strip, the panel beside the photo, the status bar across the bottom. The strip
// height and panel width follow the clamping rules of the strip metrics.
void relayout() {
    lv::Settings& set = lv::currentSettings();
    RECT c;
    GetClientRect(g.hwnd, &c);
    Layout& L = g.layout;
    int w = c.right, h = c.bottom;
    int statusH = set.statusBarShow ? px(24) : 0;
    L.status = statusH ? RECT{0, h - statusH, w, h} : RECT{};
    int gap = lv::scaleLengthCeil(16, g.dpi);
    int bottom = h - statusH;
    if (set.stripShow) {
        int sh = std::min(set.stripHeight, px(120));
        sh = std::min(sh, h - statusH - gap - px(150));
        sh = std::max(sh, px(60));
        set.stripHeight = sh;
        L.stripHeight = sh;
        L.strip = RECT{0, bottom - sh, w, bottom};
        bottom = L.strip.top - gap;
    } else {
        L.strip = RECT{};
        L.stripHeight = std::clamp(set.stripHeight, px(60), px(120));
    }
    L.captionH = px(14);
    L.thumbH = std::max(1, L.stripHeight - L.captionH);
    L.cellW = std::max(1, 160 * L.thumbH / 106);
    if (w >= 16) L.screenful = std::max(1, w / L.cellW);
    RECT top{0, 0, w, std::max(0, bottom)};
    if (set.exifPanelShow) {
        int pw = std::min(set.exifPanelW, w - px(150));
        pw = std::max(pw, lv::scaleLengthCeil(250, g.dpi));
        set.exifPanelW = pw;
        if (set.exifPanelSide == 1) {
            L.panel = RECT{0, 0, pw, top.bottom};
            top.left = pw;
        } else {
            L.panel = RECT{w - pw, 0, w, top.bottom};
            top.right = w - pw;
        }
    } else {
        L.panel = RECT{};
    }
    int m = px(8);
    L.photo = RECT{top.left + m, top.top + m, std::max(top.left + m, top.right - m), std::max(top.top + m, top.bottom)};
}

void recreateFonts() {
    for (HFONT* f : {&g.fontUi, &g.fontSmall, &g.fontBold, &g.fontTitle, &g.fontStars}) {
        if (*f) DeleteObject(*f);
    }
    g.fontUi = makeFont(95, FW_NORMAL);
    g.fontSmall = makeFont(85, FW_NORMAL);
    g.fontBold = makeFont(95, FW_SEMIBOLD);
    g.fontTitle = makeFont(220, FW_LIGHT);
    g.fontStars = makeFont(80, FW_BOLD);
}

void setWindowTitle() {
    std::wstring t = kMainTitle;
    int idx = currentPhotoIndex();
    if (idx >= 0) t += L" - " + wide(lv::fileNamePart(g.folder.photos.path[size_t(idx)]));
    if (g.folder.filterActive) t += uiText("FilterSuffix");
    SetWindowTextW(g.hwnd, t.c_str());
}

// [SECTION] showing and opening
// Keeps the current photo in the strip: centred, or scrolled only at the edges.
static void followInStrip() {
    int count = lv::visibleLength(g.folder);
    int cells = std::max(1, g.layout.screenful);
    int pos = g.folder.currentPosition;
    if (lv::currentSettings().stripFollow == 1) {
        int photoCentre = (g.layout.photo.left + g.layout.photo.right) / 2;
        int centreCell = std::clamp(photoCentre / std::max(1, g.layout.cellW), 0, cells - 1);
        g.firstVisible = pos - centreCell;
    } else if (pos < g.firstVisible) {
        g.firstVisible = pos;
    } else if (pos > g.firstVisible + cells - 1) {
        g.firstVisible = pos - cells + 1;
    }
    g.firstVisible = std::max(0, std::min(g.firstVisible, count - cells));
}

void showCurrentPhoto() {
    int idx = currentPhotoIndex();
    if (idx != g.shownIndex) loadShownPhoto(idx);
    followInStrip();
    setWindowTitle();
    InvalidateRect(g.hwnd, nullptr, FALSE);
}

void openFolderPath(const std::string& folder, const std::string& selectName) {
    stopSlideshow();
    std::string before = g.haveFolder ? lv::photoForRecent(g.folder) : std::string();
    lv::FolderState next;
    next.orderingMode = g.folder.orderingMode;
    lv::FolderOpen r = lv::openFolder(next, folder, selectName, readRatingForLoad);
    if (!r.opened) {
        if (!r.message.title.empty())
            MessageBoxW(g.hwnd, wide(r.message.text).c_str(), wide(r.message.title).c_str(), MB_ICONINFORMATION);
        return;
    }
    if (!before.empty()) lv::rememberRecentPhoto(lv::settingsPath(), before);
    g.folder = std::move(next);
    g.haveFolder = true;
    lv::logLine("folder loaded: " + g.folder.folder + " (" + std::to_string(g.folder.photos.count) + " files)");
    if (!r.rememberAfter.empty()) lv::rememberRecentPhoto(lv::settingsPath(), r.rememberAfter);
    g.shownIndex = -1;
    g.firstVisible = 0;
    resetThumbnails();
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
void toggleFullScreen() {
    lv::Settings& set = lv::currentSettings();
    if (!g.fullscreen) {
        g.savedPlacement.length = sizeof g.savedPlacement;
        GetWindowPlacement(g.hwnd, &g.savedPlacement);
        g.savedStyle = GetWindowLongPtrW(g.hwnd, GWL_STYLE);
        g.savedPanel = set.exifPanelShow;
        g.savedStrip = set.stripShow;
        g.savedStatus = set.statusBarShow;
        set.exifPanelShow = set.stripShow = set.statusBarShow = false;
        MONITORINFO mi{};
        mi.cbSize = sizeof mi;
        GetMonitorInfoW(MonitorFromWindow(g.hwnd, MONITOR_DEFAULTTONEAREST), &mi);
        g.fullscreen = true;
        SetMenu(g.hwnd, nullptr);
        SetWindowLongPtrW(g.hwnd, GWL_STYLE, (g.savedStyle & ~WS_OVERLAPPEDWINDOW) | WS_POPUP);
        SetWindowPos(g.hwnd, HWND_TOP, mi.rcMonitor.left, mi.rcMonitor.top, mi.rcMonitor.right - mi.rcMonitor.left,
                     mi.rcMonitor.bottom - mi.rcMonitor.top, SWP_FRAMECHANGED | SWP_NOOWNERZORDER);
    } else {
        g.fullscreen = false;
        set.exifPanelShow = g.savedPanel;
        set.stripShow = g.savedStrip;
        set.statusBarShow = g.savedStatus;
        SetWindowLongPtrW(g.hwnd, GWL_STYLE, g.savedStyle);
        SetMenu(g.hwnd, g.menu);
        SetWindowPlacement(g.hwnd, &g.savedPlacement);
        SetWindowPos(g.hwnd, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
    }
    relayout();
    fitShownPhoto();
    showCurrentPhoto();
}

// [SECTION] window procedure
namespace {

void onCreate(HWND hwnd) {
    g.hwnd = hwnd;
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
    set.stripHeight = lv::scaleLength(units, newDpi);
    set.exifPanelW = lv::scaleLength(340, newDpi);
    recreateFonts();
    SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    relayout();
    fitShownPhoto();
    welcomeLayout();
    InvalidateRect(hwnd, nullptr, FALSE);
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
    lv::Settings& set = lv::currentSettings();
    if (!g.bench) {
        if (g.haveFolder) lv::rememberRecentPhoto(lv::settingsPath(), lv::photoForRecent(g.folder));
        if (!g.fullscreen && !IsZoomed(hwnd) && !IsIconic(hwnd)) {
            RECT c;
            GetClientRect(hwnd, &c);
            set.windowW = c.right;
            set.windowH = c.bottom;
        }
        if (g.fullscreen) {
            set.exifPanelShow = g.savedPanel;
            set.stripShow = g.savedStrip;
            set.statusBarShow = g.savedStatus;
        }
        lv::WinErr e = lv::saveSettingsTo(lv::settingsPath(), set, g.dpi);
        if (e) lv::logLine("saving settings FAILED code=" + std::to_string(e));
        lv::iniWriteInt(lv::settingsPath(), lv::kOrderingSection, lv::kOrderingKey, g.folder.orderingMode);
    }
    KillTimer(hwnd, kTimerBurst);
    KillTimer(hwnd, kTimerSlideshow);
    KillTimer(hwnd, kTimerSlideshowStatus);
    KillTimer(hwnd, kTimerMiddleLoupe);
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
        InvalidateRect(g.hwnd, &g.layout.panel, FALSE);
        return;
    }
    g.dragging = dragEdgeAt(x, y);
    if (g.dragging) {
        SetCapture(g.hwnd);
        return;
    }
    const Layout& L = g.layout;
    if (y >= L.strip.top && y < L.strip.bottom && x >= L.strip.left && x < L.strip.right && g.haveFolder) {
        int pos = g.firstVisible + (x - L.strip.left) / std::max(1, L.cellW);
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
        InvalidateRect(g.hwnd, &g.layout.photo, FALSE);
        return;
    }
    int edge = g.dragging ? g.dragging : dragEdgeAt(x, y);
    if (edge) SetCursor(LoadCursorW(nullptr, edge == 1 ? IDC_SIZENS : IDC_SIZEWE));
    if (!g.dragging) return;
    RECT c;
    GetClientRect(g.hwnd, &c);
    if (g.dragging == 1) {
        set.stripHeight = g.layout.status.top ? g.layout.status.top - y : c.bottom - y;
    } else {
        set.exifPanelW = set.exifPanelSide == 1 ? x : c.right - x;
    }
    relayout();
    fitShownPhoto();
    followInStrip();
    InvalidateRect(g.hwnd, nullptr, FALSE);
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
            mm->ptMinTrackSize.x = lv::scaleLengthCeil(320, g.dpi);
            mm->ptMinTrackSize.y = lv::scaleLengthCeil(240, g.dpi);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_SIZE:
            if (!g.hwnd) return 0;
            relayout();
            fitShownPhoto();
            if (g.haveFolder) followInStrip();
            welcomeLayout();
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_PAINT: {
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
            return 0;
        }
        case WM_TIMER:
            if (wp == kTimerHousekeeping) {
                if (!g.welcome && g.haveFolder && makeSomeThumbnails(200)) InvalidateRect(hwnd, &g.layout.strip, FALSE);
            } else if (wp == kTimerSlideshow) {
                slideshowTick();
            } else if (wp == kTimerSlideshowStatus) {
                InvalidateRect(hwnd, &g.layout.status, FALSE);
            } else if (wp == kTimerBurst) {
                burstTick();
            } else if (wp == kTimerMiddleLoupe) {
                POINT p;
                GetCursorPos(&p);
                ScreenToClient(hwnd, &p);
                if (p.x != g.middleAt.x || p.y != g.middleAt.y) {
                    g.middleAt = p;
                    InvalidateRect(hwnd, &g.layout.photo, FALSE);
                }
            }
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
            if (!g.welcome && handleKey(wp)) return 0;
            if (g.welcome && wp == VK_ESCAPE) {
                DestroyWindow(hwnd);
                return 0;
            }
            break;
        case WM_DROPFILES: {
            HDROP drop = reinterpret_cast<HDROP>(wp);
            wchar_t buf[32768];
            UINT n = DragQueryFileW(drop, 0, buf, UINT(sizeof buf / sizeof buf[0]));
            DragFinish(drop);
            if (n) openAnyPath(narrow(std::wstring_view(buf, n)));
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
            if (g.welcome || g.shownIndex < 0) return 0;
            g.middleLoupe = true;
            g.middleAt = POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            SetCapture(hwnd);
            SetTimer(hwnd, kTimerMiddleLoupe, 40, nullptr);
            InvalidateRect(hwnd, &g.layout.photo, FALSE);
            return 0;
        case WM_MBUTTONUP:
            if (!g.middleLoupe) return 0;
            g.middleLoupe = false;
            KillTimer(hwnd, kTimerMiddleLoupe);
            ReleaseCapture();
            InvalidateRect(hwnd, &g.layout.photo, FALSE);
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lp) == HTCLIENT && !g.welcome) {
                POINT p;
                GetCursorPos(&p);
                ScreenToClient(hwnd, &p);
                int edge = dragEdgeAt(p.x, p.y);
                SetCursor(LoadCursorW(nullptr, edge == 1 ? IDC_SIZENS : edge == 2 ? IDC_SIZEWE : IDC_ARROW));
                return TRUE;
            }
            break;
        case WM_MOUSEWHEEL:
            if (!g.welcome) handleKey(GET_WHEEL_DELTA_WPARAM(wp) > 0 ? VK_LEFT : VK_RIGHT);
            return 0;
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
            DestroyWindow(hwnd);
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
