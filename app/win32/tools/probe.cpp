// LumivoreProbe.exe: the Windows side of the end-to-end test. It reads what a test cannot see
// from X (the main window's title, client size and position) and asks the window to change size
// as a user dragging its frame would.
//   LumivoreProbe window          title TAB client width TAB height TAB client left TAB top
//   LumivoreProbe resize W H      gives the client area W x H pixels
//   LumivoreProbe close           asks the window to close, as its close box does
//   LumivoreProbe name            the file name of the photo on screen, through the window's own
//                                 Copy file name command and the clipboard
//   LumivoreProbe command N       posts menu command N to the main window
//   LumivoreProbe dialog TITLE    the top-level window of that title: as "window"
//   LumivoreProbe text TITLE ID   the text of control ID in that window
//   LumivoreProbe settext TITLE ID TEXT   sets it (the chip field takes a template so)
//   LumivoreProbe click TITLE ID  presses button ID in that window
//   LumivoreProbe enabled TITLE ID  exit 0 when control ID of that window takes input
//   LumivoreProbe active          the window in front (a dialog or a message box): its title and
//                                 screen rectangle, then one line per control: id TAB class TAB
//                                 text (line breaks as " | "; a list box's items follow as
//                                 id TAB "item" TAB selected 0/1 TAB text), and "focus" TAB the
//                                 id of the control with the keyboard focus
//   LumivoreProbe menu            exit 0 while a popup menu is open (a test waits for it before
//                                 pressing the keys that choose from it)
// Exit code 1 when no main window (or no such window or control) exists.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

static std::string utf8Of(const std::wstring& w) {
    std::string out;
    for (wchar_t c : w) {
        if (c == L'\r') continue;
        if (c == L'\n') {
            out += " | ";
            continue;
        }
        char buf[8] = {};
        int n = WideCharToMultiByte(CP_UTF8, 0, &c, 1, buf, int(sizeof buf), nullptr, nullptr);
        out.append(buf, size_t(n > 0 ? n : 0));
    }
    return out;
}

// WM_GETTEXT rather than GetWindowText, which does not ask another process's edit fields.
static std::wstring textOf(HWND h) {
    std::wstring t(size_t(SendMessageW(h, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    t.resize(size_t(SendMessageW(h, WM_GETTEXT, WPARAM(t.size()), reinterpret_cast<LPARAM>(t.data()))));
    return t;
}

static BOOL CALLBACK printControl(HWND h, LPARAM) {
    wchar_t cls[64] = {};
    GetClassNameW(h, cls, 64);
    int id = GetDlgCtrlID(h);
    std::printf("%d\t%s\t%s\n", id, utf8Of(cls).c_str(), utf8Of(textOf(h)).c_str());
    if (lstrcmpiW(cls, L"ListBox") == 0) {
        int n = int(SendMessageW(h, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n && i < 500; i++) {
            std::wstring item(size_t(SendMessageW(h, LB_GETTEXTLEN, WPARAM(i), 0)) + 1, L'\0');
            item.resize(size_t(SendMessageW(h, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(item.data()))));
            std::printf("%d\titem\t%d\t%s\n", id, SendMessageW(h, LB_GETSEL, WPARAM(i), 0) > 0 ? 1 : 0,
                        utf8Of(item).c_str());
        }
    }
    return TRUE;
}

void printUtf8(const std::wstring& w) {
    std::string utf8(w.size() * 3 + 1, '\0');
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), int(w.size()), utf8.data(), int(utf8.size()), nullptr, nullptr);
    utf8.resize(size_t(n > 0 ? n : 0));
    std::printf("%s\n", utf8.c_str());
}

// The dialog commands: a window found by its title and one of its controls.
int dialogCommand(int argc, wchar_t** argv) {
    HWND dlg = FindWindowW(nullptr, argv[2]);
    if (!dlg) return 1;
    if (std::wcscmp(argv[1], L"dialog") == 0) {
        RECT rc;
        GetClientRect(dlg, &rc);
        POINT origin{0, 0};
        ClientToScreen(dlg, &origin);
        std::printf("%ld\t%ld\t%ld\t%ld\t%s\n", rc.right, rc.bottom, origin.x, origin.y,
                    IsWindowVisible(dlg) ? (IsIconic(dlg) ? "minimised" : "shown") : "hidden");
        return 0;
    }
    if (argc < 4) return 1;
    HWND c = GetDlgItem(dlg, _wtoi(argv[3]));
    if (!c) return 1;
    if (std::wcscmp(argv[1], L"text") == 0) {
        wchar_t buf[4096] = {};
        SendMessageW(c, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buf));
        printUtf8(buf);
    } else if (std::wcscmp(argv[1], L"settext") == 0 && argc >= 5) {
        SendMessageW(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]));
        SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(_wtoi(argv[3]), EN_CHANGE), reinterpret_cast<LPARAM>(c));
    } else if (std::wcscmp(argv[1], L"enabled") == 0) {
        return IsWindowEnabled(c) ? 0 : 1;
    } else if (std::wcscmp(argv[1], L"click") == 0) {
        PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(_wtoi(argv[3]), BN_CLICKED), reinterpret_cast<LPARAM>(c));
    } else {
        return 1;
    }
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    if (argc >= 3 && (std::wcscmp(argv[1], L"dialog") == 0 || std::wcscmp(argv[1], L"text") == 0 ||
                      std::wcscmp(argv[1], L"settext") == 0 || std::wcscmp(argv[1], L"click") == 0 ||
                      std::wcscmp(argv[1], L"enabled") == 0))
        return dialogCommand(argc, argv);
    if (argc >= 2 && std::wcscmp(argv[1], L"menu") == 0) {
        for (HWND h = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); h;
             h = FindWindowExW(nullptr, h, L"#32768", nullptr))
            if (IsWindowVisible(h)) return 0;
        return 1;
    }
    if (argc >= 2 && std::wcscmp(argv[1], L"active") == 0) {
        HWND front = GetForegroundWindow();
        if (!front) return 1;
        RECT r;
        GetWindowRect(front, &r);
        std::printf("%s\t%ld\t%ld\t%ld\t%ld\n", utf8Of(textOf(front)).c_str(), r.left, r.top, r.right - r.left,
                    r.bottom - r.top);
        EnumChildWindows(front, printControl, 0);
        GUITHREADINFO gui{};
        gui.cbSize = sizeof gui;
        if (GetGUIThreadInfo(GetWindowThreadProcessId(front, nullptr), &gui) && gui.hwndFocus)
            std::printf("focus\t%d\n", GetDlgCtrlID(gui.hwndFocus));
        return 0;
    }
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
    if (argc >= 3 && std::wcscmp(argv[1], L"command") == 0) {
        PostMessageW(hwnd, WM_COMMAND, WPARAM(_wtoi(argv[2])), 0);
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
