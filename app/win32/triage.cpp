// The triage window ("Importing"): opened by the Import dialog's "Rate as they land" button while
// the copier runs, or when the dialog is closed meanwhile. The photos that land are shown here one
// by one, large, and can be rated as they arrive: Left and Right step through them, 1-5 and 0 set
// the stars, R rejects, Enter opens the photo in the browser, Esc closes the window (the import
// goes on). Under the photo: how many files are still to come and the average time spent on each
// photo so far.
#include <algorithm>

#include "core/texts.h"
#include "metadata/preview.h"
#include "sidecar/rating_commands.h"
#include "sidecar/sidecar_file.h"
#include "shell.h"

namespace {

constexpr wchar_t kTriageClass[] = L"LumivoreTriage";

struct Triage {
    HWND hwnd = nullptr;
    std::vector<std::string> photos;  // arrived, in order
    int current = -1;
    lv::Bgra picture;                 // the current photo fitted to the window
    int pictureFor = -1;
    SIZE pictureSize{};
    int rating = 0;
    std::string label;
    uint64_t shownAt = 0;             // tick count when the current photo came on screen
    double secondsSpent = 0;          // on the photos left behind
    int photosLeftBehind = 0;
};
Triage t;

RECT photoArea(HWND h) {
    RECT c;
    GetClientRect(h, &c);
    c.bottom = std::max(c.top, c.bottom - px(48));
    return c;
}

void loadPicture() {
    RECT a = photoArea(t.hwnd);
    SIZE want{a.right - a.left, a.bottom - a.top};
    if (t.pictureFor == t.current && want.cx == t.pictureSize.cx && want.cy == t.pictureSize.cy) return;
    t.picture = {};
    t.pictureFor = t.current;
    t.pictureSize = want;
    if (t.current < 0 || want.cx <= 0 || want.cy <= 0) return;
    lv::PreviewResult p = lv::extractPreview(t.photos[size_t(t.current)]);
    int w = 0, h = 0;
    if (p.preview.empty() || lv::jpegSize(p.preview.data(), p.preview.size(), &w, &h) || w <= 0 || h <= 0) return;
    double s = std::min(double(want.cx) / w, double(want.cy) / h);
    int fw = std::max(1, int(w * s)), fh = std::max(1, int(h * s));
    if (lv::jpegDecodeScaled(p.preview.data(), p.preview.size(), fw, fh, &t.picture)) t.picture = {};
}

void show(int index) {
    if (index < 0 || index >= int(t.photos.size()) || index == t.current) return;
    uint64_t now = GetTickCount64();
    if (t.current >= 0) {
        t.secondsSpent += double(now - t.shownAt) / 1000.0;
        t.photosLeftBehind++;
    }
    t.shownAt = now;
    t.current = index;
    lv::RatingLabel rl = lv::readRatingLabel(t.photos[size_t(index)]);
    t.rating = rl.rating;
    t.label = rl.label;
    InvalidateRect(t.hwnd, nullptr, FALSE);
}

std::string statusLine() {
    std::string out;
    int left = triageFilesLeft();
    if (left >= 0) out = lv::fillPlaceholder(lv::text("TriageLeft"), "{n}", std::to_string(left));
    if (t.photosLeftBehind > 0) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.1f", t.secondsSpent / t.photosLeftBehind);
        out += (out.empty() ? "" : "  \u00B7  ") + lv::fillPlaceholder(lv::text("TriageAverage"), "{count}", buf);
    }
    if (t.current >= 0) {
        std::string stars = t.rating < 0 ? "x" : std::string(size_t(std::max(0, t.rating)), '*');
        out = std::string(lv::fileNamePart(t.photos[size_t(t.current)])) + "  " + stars + "    " + out;
    }
    return out;
}

void paint(HWND h) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT c;
    GetClientRect(h, &c);
    SetDCBrushColor(dc, RGB(30, 30, 30));
    FillRect(dc, &c, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    SelectObject(dc, g.fontUi);
    RECT a = photoArea(h);
    loadPicture();
    if (!t.picture.pixels.empty()) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = t.picture.width;
        bi.bmiHeader.biHeight = -t.picture.height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        int x = a.left + (a.right - a.left - t.picture.width) / 2, y = a.top + (a.bottom - a.top - t.picture.height) / 2;
        SetDIBitsToDevice(dc, x, y, DWORD(t.picture.width), DWORD(t.picture.height), 0, 0, 0, UINT(t.picture.height),
                          t.picture.pixels.data(), &bi, DIB_RGB_COLORS);
    } else {
        std::wstring msg = uiText(t.current < 0 ? "TriageStageHint" : "TriageNoPreview");
        SetTextColor(dc, RGB(170, 170, 170));
        DrawTextW(dc, msg.c_str(), int(msg.size()), &a, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    RECT s{c.left + px(12), a.bottom, c.right - px(12), c.bottom};
    std::wstring line = wide(statusLine());
    SetTextColor(dc, RGB(220, 220, 220));
    DrawTextW(dc, line.c_str(), int(line.size()), &s, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    EndPaint(h, &ps);
}

void rate(int rating, bool reject) {
    if (t.current < 0) return;
    const std::string& path = t.photos[size_t(t.current)];
    lv::RatedPhoto p{path, &t.rating, &t.label};
    lv::SidecarCommandResult r = reject ? lv::toggleReject(p) : lv::setRating(p, rating);
    importPhotoRated(path);
    if (r.notice.show) MessageBoxW(t.hwnd, wide(r.notice.text).c_str(), wide(r.notice.title).c_str(), MB_ICONEXCLAMATION);
    InvalidateRect(t.hwnd, nullptr, FALSE);
}

LRESULT CALLBACK triageProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT:
            paint(h);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_SIZE:
            InvalidateRect(h, nullptr, FALSE);
            return 0;
        case WM_KEYDOWN:
            if (wp == VK_LEFT) show(t.current - 1);
            else if (wp == VK_RIGHT) show(t.current + 1);
            else if (wp == VK_HOME) show(0);
            else if (wp == VK_END) show(int(t.photos.size()) - 1);
            else if (wp >= '0' && wp <= '5') rate(int(wp - '0'), false);
            else if (wp == 'R') rate(0, true);
            else if (wp == VK_ESCAPE) DestroyWindow(h);
            else if (wp == VK_RETURN && t.current >= 0) {
                const std::string& p = t.photos[size_t(t.current)];
                openFolderPath(std::string(lv::folderPart(p)), std::string(lv::fileNamePart(p)));
            }
            return 0;
        case WM_DESTROY:
            t = Triage();
            return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

}  // namespace

void openTriageWindow() {
    if (t.hwnd) {
        SetForegroundWindow(t.hwnd);
        return;
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = triageProc;
    wc.hInstance = g.inst;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kTriageClass;
    RegisterClassExW(&wc);
    RECT r{0, 0, px(720), px(540)};
    AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_TOOLWINDOW);
    int w = r.right - r.left, h = r.bottom - r.top;
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (GetMonitorInfoW(MonitorFromWindow(g.hwnd, MONITOR_DEFAULTTONEAREST), &mi)) {  // never past the work area
        w = std::min(w, int(mi.rcWork.right - mi.rcWork.left));
        h = std::min(h, int(mi.rcWork.bottom - mi.rcWork.top));
    }
    t.hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, kTriageClass, uiText("TriageTitle").c_str(), WS_OVERLAPPEDWINDOW,
                             CW_USEDEFAULT, CW_USEDEFAULT, w, h, g.hwnd, nullptr, g.inst, nullptr);
    if (!t.hwnd) return;
    ShowWindow(t.hwnd, SW_SHOW);
}

void triageArrived(const std::vector<std::string>& arrived) {
    if (!t.hwnd) return;
    bool first = t.photos.empty();
    if (arrived.size() <= t.photos.size()) {
        InvalidateRect(t.hwnd, nullptr, FALSE);  // the counts under the photo
        return;
    }
    t.photos.assign(arrived.begin(), arrived.end());
    if (first) show(0);
    InvalidateRect(t.hwnd, nullptr, FALSE);
}

bool triageOpen() { return t.hwnd != nullptr; }
