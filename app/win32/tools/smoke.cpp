// LumivoreSmoke.exe: the launch test of the Windows build. Starts Lumivore.exe, waits for its main
// window, checks the class, title and client size, closes it as a user would and checks that the
// program ended by itself with exit code 0.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: LumivoreSmoke PATH\\Lumivore.exe\n");
        return 2;
    }
    std::wstring cmd = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "FAIL: could not start Lumivore.exe (error %lu)\n", GetLastError());
        return 1;
    }
    HWND hwnd = nullptr;
    for (int i = 0; i < 300 && !hwnd; i++) {  // up to 30 s: a cold Wine start is slow
        if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0) break;
        hwnd = FindWindowW(L"LumivoreMainWindow", nullptr);
    }
    int failures = 0;
    if (!hwnd) {
        std::fprintf(stderr, "FAIL: no window of class LumivoreMainWindow appeared\n");
        TerminateProcess(pi.hProcess, 3);
        return 1;
    }
    wchar_t title[256] = {};
    GetWindowTextW(hwnd, title, 256);
    if (std::wstring(title) != L"Lumivore v0.9.2") {
        std::fprintf(stderr, "FAIL: title is \"%ls\"\n", title);
        failures++;
    }
    RECT rc;
    GetClientRect(hwnd, &rc);
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    int wantW = MulDiv(1280, dpi, 96), wantH = MulDiv(720, dpi, 96);
    if (rc.right != wantW || rc.bottom != wantH) {
        std::fprintf(stderr, "FAIL: client area %ldx%ld, expected %dx%d\n", rc.right, rc.bottom, wantW, wantH);
        failures++;
    }
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "FAIL: Lumivore.exe did not exit after WM_CLOSE\n");
        TerminateProcess(pi.hProcess, 3);
        return 1;
    }
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    if (code != 0) {
        std::fprintf(stderr, "FAIL: exit code %lu\n", code);
        failures++;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::printf("%s: window \"%ls\" %ldx%ld at %d DPI, exit code %lu\n", failures ? "FAIL" : "PASS", title, rc.right,
                rc.bottom, dpi, code);
    return failures ? 1 : 0;
}
