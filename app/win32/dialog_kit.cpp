// The dialog kit: dialogs from a table of control rows, scaled for their DPI. See dialog_kit.h.
#include "dialog_kit.h"

#include <algorithm>
#include <cwctype>

#include "core/pathname.h"
#include "core/texts.h"
#include "viewer/layout.h"

namespace dlg {

namespace {

// [SECTION] metrics
// Usual heights in 96-DPI pixels, by kind.
int defaultHeight(Kind k) {
    switch (k) {
        case Kind::Label:
        case Kind::Heading:
            return 17;
        case Kind::Edit:
        case Kind::Combo:
            return 23;
        case Kind::Button:
        case Kind::DefaultButton:
            return 26;
        case Kind::Check:
        case Kind::RadioFirst:
        case Kind::Radio:
            return 20;
        case Kind::Group:
        case Kind::List:
        case Kind::Custom:
            return 60;
    }
    return 20;
}

UINT dpiOf(HWND hwnd) {
    using GetDpiFn = UINT(WINAPI*)(HWND);
    static auto fn = reinterpret_cast<GetDpiFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    UINT dpi = fn && hwnd ? fn(hwnd) : 0;
    if (dpi < 48) {
        HDC dc = GetDC(nullptr);
        dpi = UINT(GetDeviceCaps(dc, LOGPIXELSY));
        ReleaseDC(nullptr, dc);
    }
    return dpi < 48 ? 96 : dpi;
}

void adjustForDpi(RECT* r, DWORD style, DWORD exStyle, int dpi) {
    using AdjustFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static auto fn = reinterpret_cast<AdjustFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    if (fn) fn(r, style, FALSE, exStyle, UINT(dpi));
    else AdjustWindowRectEx(r, style, FALSE, exStyle);
}

HFONT makeFont(int dpi, int weight) {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(9, dpi, 72);
    lf.lfWeight = weight;
    lf.lfQuality = CLEARTYPE_QUALITY;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, L"Segoe UI", LF_FACESIZE);
    return CreateFontIndirectW(&lf);
}

int scaleBy(int v, int dpi) { return MulDiv(v, dpi, 96); }

// [SECTION] texts and mnemonics
bool takesMnemonic(const std::vector<Row>& rows, size_t i) {
    const Row& r = rows[i];
    if (r.style & kNoMnemonic) return false;
    switch (r.kind) {
        case Kind::Button:
        case Kind::DefaultButton:
            return r.id != IDOK && r.id != IDCANCEL;  // Enter and Esc are theirs
        case Kind::Check:
        case Kind::RadioFirst:
        case Kind::Radio:
            return true;
        case Kind::Label:  // names the field after it
        case Kind::Heading:
            return i + 1 < rows.size() &&
                   (rows[i + 1].kind == Kind::Edit || rows[i + 1].kind == Kind::Combo || rows[i + 1].kind == Kind::List);
        default:
            return false;
    }
}

void markUsed(const std::wstring& t, bool used[36]) {
    size_t amp = t.find(L'&');
    while (amp != std::wstring::npos && amp + 1 < t.size()) {
        wchar_t c = wchar_t(std::towlower(t[amp + 1]));
        if (c >= L'a' && c <= L'z') used[c - L'a'] = true;
        if (c >= L'0' && c <= L'9') used[26 + (c - L'0')] = true;
        amp = t.find(L'&', amp + 2);
    }
}

// The text with "&" before its first letter not yet taken in the dialog (unchanged when it has
// one already or none is free).
std::wstring withMnemonic(const std::wstring& t, bool used[36]) {
    if (t.find(L'&') != std::wstring::npos) return t;
    for (size_t i = 0; i < t.size(); i++) {
        wchar_t c = wchar_t(std::towlower(t[i]));
        int slot = c >= L'a' && c <= L'z' ? c - L'a' : c >= L'0' && c <= L'9' ? 26 + (c - L'0') : -1;
        if (slot < 0 || used[slot]) continue;
        used[slot] = true;
        return t.substr(0, i) + L"&" + t.substr(i);
    }
    return t;
}

void assignMnemonics(Dialog& d) {
    bool used[36] = {};
    for (size_t i = 0; i < d.rows.size(); i++)
        if (!(d.rows[i].style & kNoMnemonic)) markUsed(d.texts[i], used);
    for (size_t i = 0; i < d.rows.size(); i++)
        if (takesMnemonic(d.rows, i)) d.texts[i] = withMnemonic(d.texts[i], used);
}

// [SECTION] controls
const wchar_t* classOf(Kind k) {
    switch (k) {
        case Kind::Edit:
            return L"EDIT";
        case Kind::List:
            return L"LISTBOX";
        case Kind::Combo:
            return L"COMBOBOX";
        case Kind::Label:
        case Kind::Heading:
        case Kind::Custom:
            return L"STATIC";
        default:
            return L"BUTTON";
    }
}

DWORD stylesOf(const Row& r) {
    DWORD s = WS_CHILD | WS_VISIBLE | (r.style & ~kNoMnemonic);
    switch (r.kind) {
        case Kind::Label:
        case Kind::Heading:
            return s | SS_LEFT | SS_NOTIFY | ((r.style & kNoMnemonic) ? SS_NOPREFIX : 0u);
        case Kind::Custom:
            return s | SS_OWNERDRAW | SS_NOTIFY;
        case Kind::Edit:
            return s | WS_TABSTOP | ES_AUTOHSCROLL;
        case Kind::Button:
            return s | WS_TABSTOP | BS_PUSHBUTTON;
        case Kind::DefaultButton:
            return s | WS_TABSTOP | BS_DEFPUSHBUTTON;
        case Kind::Check:
            return s | WS_TABSTOP | BS_AUTOCHECKBOX;
        case Kind::RadioFirst:
            return s | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON;
        case Kind::Radio:
            return s | BS_AUTORADIOBUTTON;
        case Kind::Group:
            return s | BS_GROUPBOX;
        case Kind::List:
            return s | WS_TABSTOP | WS_VSCROLL | WS_BORDER | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
        case Kind::Combo:
            return s | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
    }
    return s;
}

size_t rowIndex(const Dialog& d, int id) {
    for (size_t i = 0; i < d.rows.size(); i++)
        if (d.rows[i].id == id) return i;
    return d.rows.size();
}

int measure(const Dialog& d, const std::wstring& t, bool bold, bool prefix) {
    HDC dc = GetDC(d.hwnd);
    HGDIOBJ old = SelectObject(dc, bold ? d.bold : d.font);
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, t.c_str(), int(t.size()), &r, DT_CALCRECT | DT_SINGLELINE | (prefix ? 0u : DT_NOPREFIX));
    SelectObject(dc, old);
    ReleaseDC(d.hwnd, dc);
    return int(r.right);
}

// Where row i sits now, in pixels of the client area.
RECT placeOf(const Dialog& d, size_t i) {
    const Row& r = d.rows[i];
    int w = scaleBy(r.w, d.dpi);
    if (r.w <= 0) {
        bool prefix = !(r.style & kNoMnemonic);
        w = measure(d, d.texts[i], r.kind == Kind::Heading, prefix) + scaleBy(2, d.dpi);
        if (r.kind == Kind::Check || r.kind == Kind::Radio || r.kind == Kind::RadioFirst) w += scaleBy(22, d.dpi);
        if (r.kind == Kind::Button || r.kind == Kind::DefaultButton)
            w = std::max(w + scaleBy(24, d.dpi), scaleBy(80, d.dpi));
    }
    int h = scaleBy(r.h > 0 ? r.h : defaultHeight(r.kind), d.dpi);
    if (r.kind == Kind::Combo) h = scaleBy(240, d.dpi);  // the drop-down's room
    int x = scaleBy(r.x, d.dpi), y = scaleBy(r.y, d.dpi);
    return RECT{x, y, x + w, y + h};
}

HWND createRow(Dialog& d, size_t i) {
    const Row& r = d.rows[i];
    DWORD ex = r.kind == Kind::Edit ? WS_EX_CLIENTEDGE : 0;
    HWND h = CreateWindowExW(ex, classOf(r.kind), d.texts[i].c_str(), stylesOf(r), 0, 0, 10, 10, d.hwnd,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(r.id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(r.kind == Kind::Heading ? d.bold : d.font), FALSE);
    RECT p = placeOf(d, i);
    MoveWindow(h, p.left, p.top, p.right - p.left, p.bottom - p.top, FALSE);
    return h;
}

void setClientSize(Dialog& d, int cw, int ch) {
    DWORD style = DWORD(GetWindowLongPtrW(d.hwnd, GWL_STYLE)), ex = DWORD(GetWindowLongPtrW(d.hwnd, GWL_EXSTYLE));
    RECT r{0, 0, cw, ch};
    adjustForDpi(&r, style, ex, d.dpi);
    SetWindowPos(d.hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void placeAll(Dialog& d) {
    for (size_t i = 0; i < d.rows.size(); i++) {
        HWND h = GetDlgItem(d.hwnd, d.rows[i].id);
        if (!h) continue;
        SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(d.rows[i].kind == Kind::Heading ? d.bold : d.font), FALSE);
        RECT p = placeOf(d, i);
        MoveWindow(h, p.left, p.top, p.right - p.left, p.bottom - p.top, TRUE);
    }
    fitToRows(d, d.form->w, d.form->h);
}

void centreOver(HWND hwnd, HWND owner) {
    RECT me, over;
    GetWindowRect(hwnd, &me);
    if (!owner || !GetWindowRect(owner, &over)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &over, 0);
    int w = me.right - me.left, h = me.bottom - me.top;
    int x = over.left + (over.right - over.left - w) / 2, y = over.top + (over.bottom - over.top - h) / 2;
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (GetMonitorInfoW(MonitorFromWindow(owner ? owner : hwnd, MONITOR_DEFAULTTONEAREST), &mi)) {
        x = std::clamp(x, int(mi.rcWork.left), std::max(int(mi.rcWork.left), int(mi.rcWork.right) - w));
        y = std::clamp(y, int(mi.rcWork.top), std::max(int(mi.rcWork.top), int(mi.rcWork.bottom) - h));
    }
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void makeFonts(Dialog& d) {
    if (d.font) DeleteObject(d.font);
    if (d.bold) DeleteObject(d.bold);
    d.font = makeFont(d.dpi, FW_NORMAL);
    d.bold = makeFont(d.dpi, FW_SEMIBOLD);
}

std::vector<HWND> g_modeless;

// [SECTION] the dialog procedure
bool returnsDirectly(UINT msg) {
    return msg == WM_INITDIALOG || (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) || msg == WM_COMPAREITEM ||
           msg == WM_VKEYTOITEM || msg == WM_CHARTOITEM || msg == WM_QUERYDRAGICON;
}

INT_PTR CALLBACK dialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Dialog* d = msg == WM_INITDIALOG ? reinterpret_cast<Dialog*>(lp) : dialogOf(hwnd);
    if (!d) return FALSE;
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(d));
        d->hwnd = hwnd;
        d->dpi = int(dpiOf(hwnd));
        makeFonts(*d);
        SetWindowTextW(hwnd, d->form->titleKey ? toWide(lv::text(d->form->titleKey)).c_str() : L"Lumivore");
        for (size_t i = 0; i < d->rows.size(); i++) createRow(*d, i);
        for (const Row& r : d->rows)
            if (r.kind == Kind::DefaultButton) SendMessageW(hwnd, DM_SETDEFID, WPARAM(r.id), 0);
        fitToRows(*d, d->form->w, d->form->h);
        LRESULT ignored = 0;
        if (d->form->handler) d->form->handler(*d, msg, wp, lp, &ignored);
        centreOver(hwnd, GetWindow(hwnd, GW_OWNER));  // at the size the handler left
        if (d->form->focusId) {
            focus(*d, d->form->focusId);
            return FALSE;
        }
        return TRUE;
    }
    if (msg == WM_DPICHANGED) {
        d->dpi = HIWORD(wp);
        makeFonts(*d);
        const RECT* s = reinterpret_cast<const RECT*>(lp);
        SetWindowPos(hwnd, nullptr, s->left, s->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        placeAll(*d);
    }
    LRESULT result = 0;
    if (d->form->handler && d->form->handler(*d, msg, wp, lp, &result)) {
        if (returnsDirectly(msg)) return static_cast<INT_PTR>(result);
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) && HIWORD(wp) == BN_CLICKED) {
        end(*d, LOWORD(wp));
        return TRUE;
    }
    if (msg == WM_NCDESTROY) {
        if (d->font) DeleteObject(d->font);
        if (d->bold) DeleteObject(d->bold);
        d->font = d->bold = nullptr;
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        if (!d->modal) {
            g_modeless.erase(std::remove(g_modeless.begin(), g_modeless.end(), hwnd), g_modeless.end());
            delete d;
        }
    }
    return msg == WM_DPICHANGED ? TRUE : FALSE;
}

// An empty dialog template: the controls are made from the rows at WM_INITDIALOG.
struct alignas(4) Template {
    DLGTEMPLATE t;
    WORD menu = 0, cls = 0, title = 0, pad = 0;
};

Template emptyTemplate() {
    Template tpl{};
    tpl.t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    tpl.t.cx = 100;
    tpl.t.cy = 50;
    return tpl;
}

void prepare(Dialog& d, const Form& form, bool modal) {
    d.form = &form;
    d.context = form.context;
    d.modal = modal;
    d.rows.assign(form.rows.begin(), form.rows.end());
    d.texts.clear();
    for (const Row& r : d.rows) d.texts.push_back(r.textKey ? toWide(lv::text(r.textKey)) : std::wstring());
    assignMnemonics(d);
}

}  // namespace

// [SECTION] dialogs
int runModal(HWND owner, const Form& form) {
    Dialog d;
    prepare(d, form, true);
    Template tpl = emptyTemplate();
    INT_PTR r = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &tpl.t, owner, dialogProc, reinterpret_cast<LPARAM>(&d));
    return r < 0 ? 0 : int(r);
}

HWND openModeless(HWND owner, const Form& form) {
    Dialog* d = new Dialog;
    prepare(*d, form, false);
    Template tpl = emptyTemplate();
    HWND h = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &tpl.t, owner, dialogProc, reinterpret_cast<LPARAM>(d));
    if (!h) {
        delete d;
        return nullptr;
    }
    g_modeless.push_back(h);
    ShowWindow(h, SW_SHOW);
    return h;
}

int formThatFits(HWND owner, std::span<const Form* const> forms) {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (forms.empty() || !GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &mi)) return 0;
    int dpi = int(dpiOf(owner));
    RECT frame{0, 0, 0, 0};
    adjustForDpi(&frame, emptyTemplate().t.style, WS_EX_DLGMODALFRAME, dpi);
    std::vector<lv::Rect> sizes;
    for (const Form* f : forms) sizes.push_back({0, 0, f->w, f->h});
    return lv::firstSizeThatFits(sizes.data(), int(sizes.size()), dpi, frame.right - frame.left, frame.bottom - frame.top,
                                 mi.rcWork.right - mi.rcWork.left, mi.rcWork.bottom - mi.rcWork.top);
}

bool isDialogMessage(MSG* msg) {
    std::vector<HWND> open = g_modeless;  // a dialog may close (and leave the list) in here
    for (HWND h : open)
        if (IsWindow(h) && IsDialogMessageW(h, msg)) return true;
    return false;
}

void end(Dialog& d, int result) {
    if (d.modal) EndDialog(d.hwnd, result);
    else DestroyWindow(d.hwnd);
}

Dialog* dialogOf(HWND hwnd) { return reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER)); }

// [SECTION] controls
HWND item(const Dialog& d, int id) { return GetDlgItem(d.hwnd, id); }

int scale(const Dialog& d, int v96) { return scaleBy(v96, d.dpi); }

std::string getText(const Dialog& d, int id) {
    HWND h = item(d, id);
    int n = GetWindowTextLengthW(h);
    std::wstring t(size_t(std::max(n, 0)) + 1, L'\0');
    int got = GetWindowTextW(h, t.data(), n + 1);
    t.resize(size_t(std::max(got, 0)));
    return toUtf8(t);
}

void setText(Dialog& d, int id, std::string_view utf8) {
    std::wstring t = toWide(utf8);
    size_t i = rowIndex(d, id);
    if (i < d.rows.size()) {
        if (takesMnemonic(d.rows, i)) {
            bool used[36] = {};
            for (size_t j = 0; j < d.rows.size(); j++)
                if (j != i && !(d.rows[j].style & kNoMnemonic)) markUsed(d.texts[j], used);
            t = withMnemonic(t, used);
        }
        d.texts[i] = t;
        if (d.rows[i].w <= 0) {  // as wide as its text: place again
            RECT p = placeOf(d, i);
            MoveWindow(item(d, id), p.left, p.top, p.right - p.left, p.bottom - p.top, TRUE);
        }
    }
    SetWindowTextW(item(d, id), t.c_str());
}

bool checked(const Dialog& d, int id) { return SendMessageW(item(d, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void setChecked(const Dialog& d, int id, bool on) {
    SendMessageW(item(d, id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

void enable(const Dialog& d, int id, bool on) { EnableWindow(item(d, id), on); }

void show(const Dialog& d, int id, bool on) { ShowWindow(item(d, id), on ? SW_SHOW : SW_HIDE); }

void focus(const Dialog& d, int id) {
    HWND h = item(d, id);
    if (!h) return;
    SendMessageW(d.hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(h), TRUE);
    wchar_t cls[16] = {};
    GetClassNameW(h, cls, 16);
    if (lstrcmpiW(cls, L"EDIT") == 0) SendMessageW(h, EM_SETSEL, 0, -1);
}

void moveRow(Dialog& d, int id, int x, int y, int w, int h) {
    size_t i = rowIndex(d, id);
    if (i >= d.rows.size()) return;
    d.rows[i].x = x;
    d.rows[i].y = y;
    d.rows[i].w = w;
    d.rows[i].h = h;
    RECT p = placeOf(d, i);
    MoveWindow(item(d, id), p.left, p.top, p.right - p.left, p.bottom - p.top, TRUE);
}

int textWidth(const Dialog& d, std::string_view utf8, bool bold) {
    int w = measure(d, toWide(utf8), bold, false);
    return (w * 96 + d.dpi - 1) / d.dpi;
}

int wrappedHeight(const Dialog& d, std::string_view utf8, int w, bool bold) {
    std::wstring t = toWide(utf8);
    HDC dc = GetDC(d.hwnd);
    HGDIOBJ old = SelectObject(dc, bold ? d.bold : d.font);
    RECT r{0, 0, scaleBy(w, d.dpi), 0};
    DrawTextW(dc, t.c_str(), int(t.size()), &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(d.hwnd, dc);
    return (int(r.bottom) * 96 + d.dpi - 1) / d.dpi;
}

HWND addRow(Dialog& d, const Row& row, std::string_view utf8) {
    d.rows.push_back(row);
    d.texts.push_back(row.textKey ? toWide(lv::text(row.textKey)) : toWide(utf8));
    size_t i = d.rows.size() - 1;
    if (takesMnemonic(d.rows, i)) {
        bool used[36] = {};
        for (size_t j = 0; j < i; j++)
            if (!(d.rows[j].style & kNoMnemonic)) markUsed(d.texts[j], used);
        d.texts[i] = withMnemonic(d.texts[i], used);
    }
    return createRow(d, i);
}

HWND adoptRow(Dialog& d, const Row& row, HWND control) {
    d.rows.push_back(row);
    d.texts.emplace_back();
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(row.kind == Kind::Heading ? d.bold : d.font), FALSE);
    RECT p = placeOf(d, d.rows.size() - 1);
    MoveWindow(control, p.left, p.top, p.right - p.left, p.bottom - p.top, FALSE);
    return control;
}

void removeRows(Dialog& d, int first, int last) {
    for (size_t i = d.rows.size(); i-- > 0;) {
        if (d.rows[i].id < first || d.rows[i].id > last) continue;
        DestroyWindow(item(d, d.rows[i].id));
        d.rows.erase(d.rows.begin() + std::ptrdiff_t(i));
        d.texts.erase(d.texts.begin() + std::ptrdiff_t(i));
    }
}

void fitToRows(Dialog& d, int w, int h) {
    int cw = 0, ch = 0;
    for (size_t i = 0; i < d.rows.size(); i++) {
        RECT p = placeOf(d, i);
        if (d.rows[i].kind == Kind::Combo) p.bottom = p.top + scaleBy(defaultHeight(Kind::Combo), d.dpi);
        cw = std::max(cw, int(p.right));
        ch = std::max(ch, int(p.bottom));
    }
    cw = w > 0 ? scaleBy(w, d.dpi) : cw + scaleBy(kMargin, d.dpi);
    ch = h > 0 ? scaleBy(h, d.dpi) : ch + scaleBy(kMargin, d.dpi);
    setClientSize(d, cw, ch);
}

// [SECTION] list and combo boxes
namespace {
bool isCombo(HWND h) {
    wchar_t cls[16] = {};
    GetClassNameW(h, cls, 16);
    return lstrcmpiW(cls, L"COMBOBOX") == 0;
}
}  // namespace

void listClear(const Dialog& d, int id) {
    HWND h = item(d, id);
    SendMessageW(h, isCombo(h) ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
}

void listAdd(const Dialog& d, int id, std::string_view utf8) {
    HWND h = item(d, id);
    std::wstring t = toWide(utf8);
    SendMessageW(h, isCombo(h) ? CB_ADDSTRING : LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.c_str()));
}

int listSelection(const Dialog& d, int id) {
    HWND h = item(d, id);
    LRESULT r = SendMessageW(h, isCombo(h) ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
    return r < 0 ? -1 : int(r);
}

void listSelect(const Dialog& d, int id, int index) {
    HWND h = item(d, id);
    SendMessageW(h, isCombo(h) ? CB_SETCURSEL : LB_SETCURSEL, WPARAM(index), 0);
}

// [SECTION] messages
int messageBox(HWND owner, const char* titleKey, std::string_view text, UINT type) {
    return MessageBoxW(owner, toWide(text).c_str(), toWide(lv::text(titleKey)).c_str(), type);
}

int popupMenuUnder(const Dialog& d, int controlId, std::span<const MenuEntry> entries) {
    HMENU m = CreatePopupMenu();
    for (const MenuEntry& e : entries) {
        if (e.id == 0) AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
        else AppendMenuW(m, MF_STRING | e.flags, UINT_PTR(e.id), toWide(e.text).c_str());
    }
    RECT r{};
    GetWindowRect(item(d, controlId), &r);
    int id = TrackPopupMenu(m, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, r.left, r.bottom, 0, d.hwnd, nullptr);
    DestroyMenu(m);
    return id;
}

std::wstring toWide(std::string_view utf8) {
    std::u16string w = lv::utf16FromUtf8(utf8);
    return std::wstring(w.begin(), w.end());
}

std::string toUtf8(std::wstring_view w) { return lv::utf8FromUtf16(std::u16string(w.begin(), w.end())); }

}  // namespace dlg
