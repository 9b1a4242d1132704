// LumivoreProbe.exe: the Windows side of the end-to-end test. It reads what a test cannot see
// from X (the main window's title, client size and position) and asks the window to change size
// as a user dragging its frame would.
//   LumivoreProbe window          title TAB client width TAB height TAB client left TAB top
//   LumivoreProbe resize W H      gives the client area W x H pixels
//   LumivoreProbe close           asks the window to close, as its close box does
//   LumivoreProbe name            the file name of the photo on screen, through the window's own
//                                 Copy file name command and the clipboard
// Exit code 1 when no main window exists.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
    HWND hwnd = FindWindowW(L"LumivoreMainWindow", nullptr);
    if (!hwnd) {
        std::fprintf(stderr, "no window of class LumivoreMainWindow\n");
        return 1;
    }
    if (argc >= 4 && std::wcscmp(argv[1], L"resize") == 0) {
        RECT r{0, 0, _wtoi(argv[2]), _wtoi(argv[3])};
        AdjustWindowRectEx(&r, DWORD(GetWindowLongPtrW(hwnd, GWL_STYLE)), GetMenu(hwnd) != nullptr,
                           DWORD(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
        SetWindowPos(hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
        return 0;
    }
    if (argc >= 2 && std::wcscmp(argv[1], L"close") == 0) {
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
        return 0;
    }
    if (argc >= 2 && std::wcscmp(argv[1], L"name") == 0) {
        if (OpenClipboard(nullptr)) {
            EmptyClipboard();
            CloseClipboard();
        }
        SendMessageW(hwnd, WM_COMMAND, 2224, 0);  // Copy file name
        std::wstring name;
        if (OpenClipboard(nullptr)) {
            if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
                if (const wchar_t* t = static_cast<const wchar_t*>(GlobalLock(h))) {
                    name = t;
                    GlobalUnlock(h);
                }
            }
            CloseClipboard();
        }
        char utf8[2048] = {};
        WideCharToMultiByte(CP_UTF8, 0, name.c_str(), -1, utf8, int(sizeof utf8), nullptr, nullptr);
        std::printf("%s\n", utf8);
        return 0;
    }
    wchar_t title[512] = {};
    GetWindowTextW(hwnd, title, 512);
    RECT rc;
    GetClientRect(hwnd, &rc);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    char utf8[2048] = {};
    WideCharToMultiByte(CP_UTF8, 0, title, -1, utf8, int(sizeof utf8), nullptr, nullptr);
    std::printf("%s\t%ld\t%ld\t%ld\t%ld\n", utf8, rc.right, rc.bottom, origin.x, origin.y);
    return 0;
}
