// The welcome screen, shown inside the main window when there is no folder to open: the
// headline (first run or back), the recent folders, the ways to open a folder or file, the path
// field, the import entry, quitting, and the supported formats. What it says comes from
// welcomeContent in the core; this file only lays it out and turns clicks into openings.
#include <algorithm>

#include "core/startup.h"
#include "library/filekinds.h"
#include "library/open_paths.h"
#include "library/recent.h"
#include "shell.h"

namespace {

// [SECTION] state
enum : int { kIdRecentList = 100, kIdPathEdit = 101, kIdFirstButton = 110 };

struct Welcome {
    lv::WelcomeContent content;
    HWND list = nullptr, edit = nullptr;
    std::vector<HWND> buttons;  // one per content entry
    // painted texts, placed by welcomeLayout
    RECT title{}, subtitle{}, recentHeading{}, pasteHeading{}, dropHint{}, formats{}, importNote{};
    HBRUSH fieldBrush = nullptr;
};
Welcome w;

const COLORREF kFieldBack = RGB(44, 44, 44);

HWND child(const wchar_t* cls, DWORD style, int id, const wchar_t* t = L"") {
    HWND h = CreateWindowExW(0, cls, t, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, 0, 0, 10, 10, g.hwnd,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g.inst, nullptr);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(g.fontUi), TRUE);
    return h;
}

void place(HWND h, int x, int y, int cw, int ch) { MoveWindow(h, x, y, cw, ch, TRUE); }

void openSelectedRecent() {
    int sel = int(SendMessageW(w.list, LB_GETCURSEL, 0, 0));
    if (sel < 0 || size_t(sel) >= w.content.recentFolders.size()) return;
    openFolderPath(w.content.recentFolders[size_t(sel)], "");
}

void openTypedPath() {
    int n = GetWindowTextLengthW(w.edit);
    std::wstring t(size_t(n) + 1, L'\0');
    GetWindowTextW(w.edit, t.data(), n + 1);
    t.resize(size_t(n));
    std::string path = lv::clipboardPathText(narrow(t));
    lv::ClipboardOpen r = lv::resolveClipboardPath(path);
    if (r.target == lv::ClipboardTarget::Folder || r.target == lv::ClipboardTarget::File)
        openFolderPath(r.folder, r.selectName);
    else if (!r.message.title.empty())
        MessageBoxW(g.hwnd, wide(r.message.text).c_str(), wide(r.message.title).c_str(), MB_ICONINFORMATION);
}

}  // namespace

// [SECTION] showing and hiding
void welcomeShow() {
    g.welcome = true;
    w.content = lv::welcomeContent(lv::loadRecentList(lv::settingsPath(), lv::kRecentSection, lv::kRecentMax), true,
                                   lv::textWithVendors("WelcomeFormats"));
    if (!w.fieldBrush) w.fieldBrush = CreateSolidBrush(kFieldBack);
    w.list = child(L"LISTBOX", WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, kIdRecentList);
    for (const std::string& f : w.content.recentFolders) SendMessageW(w.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(f).c_str()));
    if (!w.content.recentFolders.empty()) SendMessageW(w.list, LB_SETCURSEL, 0, 0);
    ShowWindow(w.list, w.content.back ? SW_SHOW : SW_HIDE);
    w.edit = child(L"EDIT", ES_AUTOHSCROLL, kIdPathEdit);
    // The path field starts with the clipboard's text when that names something that exists.
    std::string clip;
    if (lv::clipboardGetText(&clip) == 0) {
        std::string p = lv::clipboardPathText(clip);
        if (!p.empty() && lv::pathExists(p)) SetWindowTextW(w.edit, wide(p).c_str());
    }
    for (size_t i = 0; i < w.content.entries.size(); i++) {
        const lv::WelcomeEntry& e = w.content.entries[i];
        HWND b = child(L"BUTTON", BS_OWNERDRAW, kIdFirstButton + int(i), wide(e.text).c_str());
        EnableWindow(b, e.enabled);
        w.buttons.push_back(b);
    }
    welcomeLayout();
    SetFocus(w.content.back ? w.list : w.buttons.front());
    InvalidateRect(g.hwnd, nullptr, FALSE);
}

void welcomeHide() {
    if (!g.welcome) return;
    g.welcome = false;
    for (HWND b : w.buttons) DestroyWindow(b);
    w.buttons.clear();
    if (w.list) DestroyWindow(w.list);
    if (w.edit) DestroyWindow(w.edit);
    w.list = w.edit = nullptr;
    if (w.fieldBrush) DeleteObject(w.fieldBrush);
    w.fieldBrush = nullptr;
    SetFocus(g.hwnd);
    InvalidateRect(g.hwnd, nullptr, FALSE);
}

// [SECTION] layout: one centred column
void welcomeLayout() {
    if (!g.welcome || !w.edit) return;
    RECT c;
    GetClientRect(g.hwnd, &c);
    int colW = std::min(int(c.right) - 2 * px(32), px(640));
    int x = (c.right - colW) / 2;
    int y = std::max(px(24), int(c.bottom) / 2 - px(250));
    int bh = px(30), gap = px(10);
    w.title = RECT{x, y, x + colW, y + px(44)};
    y += px(48);
    w.subtitle = RECT{x, y, x + colW, y + px(22)};
    y += px(40);
    size_t b = 0;
    auto entryIndex = [](lv::WelcomeAction a) {
        for (size_t i = 0; i < w.content.entries.size(); i++)
            if (w.content.entries[i].action == a) return int(i);
        return -1;
    };
    if (w.content.back) {
        w.recentHeading = RECT{x, y, x + colW, y + px(20)};
        y += px(24);
        int listH = px(22) * std::clamp(int(w.content.recentFolders.size()), 3, 6) + px(4);
        place(w.list, x, y, colW, listH);
        y += listH + gap;
        int i = entryIndex(lv::WelcomeAction::OpenSelected);
        if (i >= 0) place(w.buttons[size_t(i)], x, y, px(160), bh);
        y += bh + px(24);
    } else {
        w.recentHeading = RECT{};
    }
    // open folder / open file side by side, then import with its note
    int bw = (colW - gap) / 2;
    int iFolder = entryIndex(lv::WelcomeAction::OpenFolder), iFile = entryIndex(lv::WelcomeAction::OpenFile);
    place(w.buttons[size_t(iFolder)], x, y, bw, bh + px(8));
    place(w.buttons[size_t(iFile)], x + bw + gap, y, bw, bh + px(8));
    y += bh + px(8) + gap;
    int iImport = entryIndex(lv::WelcomeAction::Import);
    place(w.buttons[size_t(iImport)], x, y, bw, bh);
    w.importNote = RECT{x + bw + gap, y, x + colW, y + bh};
    y += bh + px(24);
    w.pasteHeading = RECT{x, y, x + colW, y + px(20)};
    y += px(24);
    int iPath = entryIndex(lv::WelcomeAction::OpenPath);
    place(w.edit, x, y + px(3), colW - px(100) - gap, bh - px(6));
    place(w.buttons[size_t(iPath)], x + colW - px(100), y, px(100), bh);
    y += bh + px(10);
    w.dropHint = RECT{x, y, x + colW, y + px(20)};
    y += px(40);
    int iQuit = entryIndex(lv::WelcomeAction::Quit);
    place(w.buttons[size_t(iQuit)], x + colW - px(100), y, px(100), bh);
    w.formats = RECT{x, c.bottom - px(44), x + colW, c.bottom - px(12)};
    (void)b;
    InvalidateRect(g.hwnd, nullptr, FALSE);
}

// [SECTION] clicks
bool welcomeCommand(WPARAM wp, LPARAM) {
    int id = LOWORD(wp), code = HIWORD(wp);
    if (id == kIdRecentList) {
        if (code == LBN_DBLCLK) openSelectedRecent();
        return true;
    }
    if (id == kIdPathEdit) return true;
    if (id == IDOK) {  // Enter in the dialog navigation
        if (GetFocus() == w.edit) openTypedPath();
        else if (GetFocus() == w.list) openSelectedRecent();
        return true;
    }
    if (id == IDCANCEL) {
        DestroyWindow(g.hwnd);
        return true;
    }
    if (id < kIdFirstButton || size_t(id - kIdFirstButton) >= w.content.entries.size()) return false;
    switch (w.content.entries[size_t(id - kIdFirstButton)].action) {
        case lv::WelcomeAction::OpenSelected: openSelectedRecent(); break;
        case lv::WelcomeAction::OpenFolder: runCommand(lv::kCmdOpenFolder); break;
        case lv::WelcomeAction::OpenFile: runCommand(lv::kCmdOpenFile); break;
        case lv::WelcomeAction::OpenPath: openTypedPath(); break;
        case lv::WelcomeAction::Import: openImportDialog(); break;
        case lv::WelcomeAction::Quit: DestroyWindow(g.hwnd); break;
    }
    return true;
}

// [SECTION] painting
void paintWelcome(HDC dc, const RECT& client) {
    SetDCBrushColor(dc, RGB(30, 30, 30));
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    struct Line {
        const RECT* r;
        const std::string* t;
        HFONT font;
        COLORREF c;
        UINT flags;
    };
    std::string note;
    for (const lv::WelcomeEntry& e : w.content.entries)
        if (e.action == lv::WelcomeAction::Import) note = e.note;
    const Line lines[] = {
        {&w.title, &w.content.title, g.fontTitle, RGB(235, 235, 235), DT_SINGLELINE | DT_BOTTOM},
        {&w.subtitle, &w.content.subtitle, g.fontUi, RGB(170, 170, 170), DT_SINGLELINE | DT_TOP},
        {&w.recentHeading, &w.content.recentHeading, g.fontBold, RGB(200, 200, 200), DT_SINGLELINE | DT_VCENTER},
        {&w.pasteHeading, &w.content.pasteHeading, g.fontBold, RGB(200, 200, 200), DT_SINGLELINE | DT_VCENTER},
        {&w.dropHint, &w.content.dropHint, g.fontSmall, RGB(140, 140, 140), DT_SINGLELINE | DT_VCENTER},
        {&w.importNote, &note, g.fontSmall, RGB(140, 140, 140), DT_WORDBREAK},
        {&w.formats, &w.content.formats, g.fontSmall, RGB(120, 120, 120), DT_WORDBREAK | DT_CENTER},
    };
    for (const Line& l : lines) {
        if (l.r->right <= l.r->left || l.t->empty()) continue;
        SelectObject(dc, l.font);
        SetTextColor(dc, l.c);
        RECT r = *l.r;
        std::wstring t = wide(*l.t);
        DrawTextW(dc, t.c_str(), int(t.size()), &r, l.flags | DT_NOPREFIX);
    }
}

HBRUSH welcomeControlColour(HDC dc, HWND) {
    SetTextColor(dc, RGB(230, 230, 230));
    SetBkColor(dc, kFieldBack);
    if (!w.fieldBrush) w.fieldBrush = CreateSolidBrush(kFieldBack);
    return w.fieldBrush;
}

// Owner-drawn buttons: flat, dark, the first "open" entries a little lighter.
bool welcomeDrawItem(const DRAWITEMSTRUCT* d) {
    if (d->CtlType != ODT_BUTTON) return false;
    size_t i = size_t(int(d->CtlID) - kIdFirstButton);
    if (i >= w.content.entries.size()) return false;
    const lv::WelcomeEntry& e = w.content.entries[i];
    bool primary = e.action == lv::WelcomeAction::OpenFolder || e.action == lv::WelcomeAction::OpenSelected;
    bool pressed = d->itemState & ODS_SELECTED, focus = d->itemState & ODS_FOCUS;
    COLORREF back = !e.enabled ? RGB(38, 38, 38) : pressed ? RGB(90, 90, 90) : primary ? RGB(70, 70, 70) : RGB(54, 54, 54);
    SetDCBrushColor(d->hDC, back);
    FillRect(d->hDC, &d->rcItem, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    if (focus) {
        SetDCBrushColor(d->hDC, RGB(150, 150, 150));
        FrameRect(d->hDC, &d->rcItem, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    }
    SelectObject(d->hDC, primary ? g.fontBold : g.fontUi);
    SetTextColor(d->hDC, e.enabled ? RGB(235, 235, 235) : RGB(105, 105, 105));
    SetBkMode(d->hDC, TRANSPARENT);
    RECT r = d->rcItem;
    std::wstring t = wide(e.text);
    DrawTextW(d->hDC, t.c_str(), int(t.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    return true;
}
