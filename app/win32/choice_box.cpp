// Small modal questions with buttons of their own words (a name clash, missing files, quitting
// while copying, the culling folder): lines of text, an optional list to pick one row from, an
// optional tick and a row of buttons, laid out at the window's DPI. Also the helpers the copy
// dialogs use to make and read their controls.
#include <shlobj.h>

#include <algorithm>

#include "shell.h"

namespace {

enum : int { kIdList = 50, kIdCombo = 52, kIdNote = 53, kIdFirstButton = 60, kIdFirstTick = 200 };

struct ChoiceState {
    ChoiceBox* box = nullptr;
    int answer = -1;
    bool done = false;
    HWND list = nullptr, combo = nullptr, note = nullptr;
    std::vector<HWND> ticks;
};

LRESULT CALLBACK choiceProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = reinterpret_cast<ChoiceState*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    switch (msg) {
        case WM_COMMAND: {
            if (!st) break;
            int id = LOWORD(wp);
            if (id == kIdList && HIWORD(wp) != LBN_DBLCLK) return 0;
            if (id == kIdCombo) {
                int sel = int(SendMessageW(st->combo, CB_GETCURSEL, 0, 0));
                if (st->note) ShowWindow(st->note, st->box->noteFor && st->box->noteFor(sel) ? SW_SHOW : SW_HIDE);
                return 0;
            }
            if (id >= kIdFirstTick) return 0;
            if (id == IDCANCEL) st->answer = st->box->cancelAnswer;
            else if (id == kIdList) st->answer = 0;  // a double click is the first button
            else if (id == IDOK) st->answer = st->box->defaultButton;
            else if (id >= kIdFirstButton && id < kIdFirstButton + int(st->box->buttons.size()))
                st->answer = id - kIdFirstButton;
            else return 0;
            st->done = true;
            return 0;
        }
        case WM_CLOSE:
            if (st) {
                st->answer = st->box->cancelAnswer;
                st->done = true;
            }
            return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

int textHeight(HDC dc, const std::wstring& t, int width) {
    RECT r{0, 0, width, 0};
    DrawTextW(dc, t.c_str(), int(t.size()), &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    return r.bottom;
}

int textWidth(HDC dc, const std::wstring& t) {
    SIZE s{};
    GetTextExtentPoint32W(dc, t.c_str(), int(t.size()), &s);
    return s.cx;
}

}  // namespace

HWND makeControl(HWND parent, const wchar_t* cls, const std::wstring& text, DWORD style, int id, HFONT font) {
    HWND c = CreateWindowExW(lstrcmpiW(cls, L"EDIT") == 0 || lstrcmpiW(cls, L"LISTBOX") == 0 ? WS_EX_CLIENTEDGE : 0,
                             cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g.inst, nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font ? font : g.fontUi), TRUE);
    return c;
}

std::string controlText(HWND c) {
    int n = GetWindowTextLengthW(c);
    std::wstring t(size_t(n) + 1, L'\0');
    GetWindowTextW(c, t.data(), n + 1);
    t.resize(size_t(n));
    return narrow(t);
}

void setControlText(HWND c, std::string_view utf8) {
    std::wstring w = wide(utf8);
    if (controlText(c) != utf8) SetWindowTextW(c, w.c_str());
}

void centreOver(HWND h, HWND owner, int w, int hgt) {
    RECT o{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &o);
    int x = std::max(0, int(o.left + (o.right - o.left - w) / 2)), y = std::max(0, int(o.top + (o.bottom - o.top - hgt) / 3));
    SetWindowPos(h, nullptr, x, y, w, hgt, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool registerDialogClass(const wchar_t* name, WNDPROC proc) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = g.inst;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.hIcon = static_cast<HICON>(LoadImageW(g.inst, L"PROGRAM", IMAGE_ICON, 32, 32, 0));
    wc.lpszClassName = name;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

int showChoiceBox(HWND owner, ChoiceBox& box) {
    static const wchar_t kClass[] = L"LumivoreChoice";
    registerDialogClass(kClass, choiceProc);
    ChoiceState st;
    st.box = &box;
    st.answer = box.cancelAnswer;
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    HWND h = CreateWindowExW(WS_EX_DLGMODALFRAME, kClass, wide(box.title).c_str(), style, 0, 0, 100, 100, owner,
                             nullptr, g.inst, nullptr);
    if (!h) return box.cancelAnswer;
    SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&st));

    // Layout: text lines, the list, the tick, the buttons on the right of the last row.
    const int margin = px(14), gap = px(8), width = px(box.widthDip);
    HDC dc = GetDC(h);
    HGDIOBJ old = SelectObject(dc, g.fontUi);
    int y = margin;
    auto addLines = [&](const std::vector<std::string>& lines) {
        for (const std::string& line : lines) {
            std::wstring t = wide(line);
            int th = std::max(textHeight(dc, t.empty() ? L" " : t, width), px(4));
            HWND s = makeControl(h, L"STATIC", t, SS_LEFT | SS_NOPREFIX, -1, &line == &lines.front() ? g.fontBold : g.fontUi);
            MoveWindow(s, margin, y, width, th, FALSE);
            y += th + px(4);
        }
    };
    addLines(box.lines);
    if (!box.comboRows.empty()) {
        st.combo = makeControl(h, L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kIdCombo, g.fontUi);
        for (const std::string& r : box.comboRows)
            SendMessageW(st.combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(r).c_str()));
        SendMessageW(st.combo, CB_SETCURSEL, WPARAM(std::max(0, box.comboSel)), 0);
        MoveWindow(st.combo, margin, y, std::min(width, px(320)), px(240), FALSE);
        y += px(30);
        if (!box.comboNote.empty()) {
            std::wstring t = wide(box.comboNote);
            int th = textHeight(dc, t, width);
            st.note = makeControl(h, L"STATIC", t, SS_LEFT | SS_NOPREFIX, kIdNote, g.fontUi);
            MoveWindow(st.note, margin, y, width, th, FALSE);
            ShowWindow(st.note, box.noteFor && box.noteFor(box.comboSel) ? SW_SHOW : SW_HIDE);
            y += th + px(4);
        }
        y += px(6);
    }
    addLines(box.lines2);
    if (!box.listRows.empty()) {
        y += px(4);
        st.list = makeControl(h, L"LISTBOX", L"", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, kIdList,
                              g.fontUi);
        for (const std::string& r : box.listRows) SendMessageW(st.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(r).c_str()));
        SendMessageW(st.list, LB_SETCURSEL, WPARAM(std::max(0, box.listSel)), 0);
        int lh = px(20) * int(std::min<size_t>(box.listRows.size(), 10)) + px(6);
        MoveWindow(st.list, margin, y, width, lh, FALSE);
        y += lh + gap;
    }
    box.ticked.resize(box.ticks.size());
    for (size_t i = 0; i < box.ticks.size(); i++) {
        HWND t = makeControl(h, L"BUTTON", wide(box.ticks[i]), WS_TABSTOP | BS_AUTOCHECKBOX, kIdFirstTick + int(i), g.fontUi);
        SendMessageW(t, BM_SETCHECK, box.ticked[i] ? BST_CHECKED : BST_UNCHECKED, 0);
        MoveWindow(t, margin, y + px(2), width, px(22), FALSE);
        st.ticks.push_back(t);
        y += px(24);
    }
    if (!box.ticks.empty()) y += px(6);
    y += gap;
    int bh = px(26), x = margin + width;
    std::vector<HWND> buttons;
    for (size_t i = box.buttons.size(); i-- > 0;) {
        std::wstring t = wide(box.buttons[i]);
        int bw = std::max(px(84), textWidth(dc, t) + px(24));
        x -= bw;
        DWORD bs = WS_TABSTOP | (int(i) == box.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        HWND b = makeControl(h, L"BUTTON", t, bs, kIdFirstButton + int(i), g.fontUi);
        MoveWindow(b, x, y, bw, bh, FALSE);
        buttons.insert(buttons.begin(), b);
        x -= gap;
    }
    SelectObject(dc, old);
    ReleaseDC(h, dc);
    y += bh + margin;
    RECT wr{0, 0, width + 2 * margin, y};
    AdjustWindowRectEx(&wr, style, FALSE, WS_EX_DLGMODALFRAME);
    centreOver(h, owner, wr.right - wr.left, wr.bottom - wr.top);

    // Modal: the owner is disabled while the box is up; timers and paints go on.
    bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    ShowWindow(h, SW_SHOW);
    HWND first = st.list    ? st.list
                 : st.combo ? st.combo
                 : buttons.empty() ? h
                                           : buttons[size_t(std::clamp(box.defaultButton, 0, int(buttons.size()) - 1))];
    SetFocus(first);
    MSG msg;
    while (!st.done && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(h, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    for (size_t i = 0; i < st.ticks.size(); i++) box.ticked[i] = SendMessageW(st.ticks[i], BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (st.combo) box.comboSel = int(SendMessageW(st.combo, CB_GETCURSEL, 0, 0));
    if (st.list) box.listSel = int(SendMessageW(st.list, LB_GETCURSEL, 0, 0));
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    DestroyWindow(h);
    if (owner) SetActiveWindow(owner);
    if (!st.done) PostQuitMessage(0);  // WM_QUIT arrived while the box was up: hand it on
    return st.answer;
}

std::string pickFolderWithTitle(const std::string& title) {
    std::wstring t = wide(title);
    BROWSEINFOW bi{};
    bi.hwndOwner = GetActiveWindow() ? GetActiveWindow() : g.hwnd;
    bi.lpszTitle = t.c_str();
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE id = SHBrowseForFolderW(&bi);
    if (!id) return {};
    wchar_t buf[MAX_PATH] = {};
    bool ok = SHGetPathFromIDListW(id, buf);
    CoTaskMemFree(id);
    return ok ? narrow(buf) : std::string();
}
