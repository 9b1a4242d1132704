// Lumivore.exe: the Windows shell. Window messages become calls on the portable viewer state;
// painting draws what portable layout code computed.
#include <windows.h>
#include <objidl.h>  // gdiplus.h needs it when windows.h is lean
#include <gdiplus.h>

#include "platform/platform.h"

namespace {

const wchar_t kWindowClass[] = L"LumivoreMainWindow";
const wchar_t kTitle[] = L"Lumivore v0.9.2";
const COLORREF kViewBackground = RGB(30, 30, 30);

LRESULT CALLBACK mainWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT rc;
            GetClientRect(hwnd, &rc);
            HBRUSH b = CreateSolidBrush(kViewBackground);
            FillRect(dc, &rc, b);
            DeleteObject(b);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// A client area of w x h at the window's DPI.
RECT windowRectForClient(int w, int h, UINT dpi) {
    RECT r = {0, 0, MulDiv(w, int(dpi), 96), MulDiv(h, int(dpi), 96)};
    AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, 0);
    return r;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int show) {
    Gdiplus::GdiplusStartupInput gdiIn;
    ULONG_PTR gdiToken = 0;
    if (Gdiplus::GdiplusStartup(&gdiToken, &gdiIn, nullptr) != Gdiplus::Ok) {
        MessageBoxW(nullptr, L"GDI+ could not be started.", kTitle, MB_ICONERROR);
        return 1;
    }

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = mainWindowProc;
    wc.hInstance = inst;
    wc.hIcon = LoadIconW(inst, L"PROGRAM");
    wc.hIconSm = wc.hIcon;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&wc)) {
        Gdiplus::GdiplusShutdown(gdiToken);
        return 1;
    }

    HDC screen = GetDC(nullptr);
    UINT dpi = UINT(GetDeviceCaps(screen, LOGPIXELSX));
    ReleaseDC(nullptr, screen);
    RECT r = windowRectForClient(1280, 720, dpi ? dpi : 96);
    HWND hwnd = CreateWindowExW(0, kWindowClass, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                r.right - r.left, r.bottom - r.top, nullptr, nullptr, inst, nullptr);
    if (!hwnd) {
        Gdiplus::GdiplusShutdown(gdiToken);
        return 1;
    }
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);


    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    Gdiplus::GdiplusShutdown(gdiToken);
    return int(msg.wParam);
}
