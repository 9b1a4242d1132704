// The token-chip field (window class `LumivoreChips`) of the export destination and the import
// naming template: one line where every token is a rounded chip with its caption and everything
// else is plain text. Typing adds text (never a token), Backspace and Delete take a whole chip,
// the context menu inserts tokens, changes a chip or removes it, and the clipboard works on the
// template text. The editing itself is the core's chip model; the window text is always the
// template, and every change is announced to the parent as EN_CHANGE.
#include <algorithm>

#include "core/chip_text.h"
#include "core/texts.h"
#include "library/recent.h"
#include "platform/platform.h"
#include "shell.h"

namespace {

// [SECTION] state
struct ChipField {
    lv::ChipEdit edit;
    const ChipFieldRules* rules = nullptr;
    HFONT font = nullptr;
    int scroll = 0;             // pixels the line is scrolled left
    std::vector<int> edges;     // x of every unit boundary, before scrolling (units + 1 values)
    bool focused = false;
};

enum : int { kMenuInsertBase = 1000, kMenuChangeBase = 2000, kMenuRemove = 3000, kMenuCut, kMenuCopy, kMenuPaste,
             kMenuSelectAll };

ChipField* fieldOf(HWND h) { return reinterpret_cast<ChipField*>(GetWindowLongPtrW(h, GWLP_USERDATA)); }

int pad() { return px(6); }
int chipPad() { return px(5); }

std::wstring unitCaption(const ChipField& f, const lv::ChipUnit& u) {
    if (!u.chip) return wide(lv::chipShownText(u));
    return wide(f.rules && f.rules->caption ? f.rules->caption(u.raw) : u.raw);
}

// Unit boundaries from the font's measures. A run of plain text is measured as one string, so
// kerning between its characters is the same as when it is drawn.
void measure(HWND h, ChipField& f) {
    HDC dc = GetDC(h);
    HGDIOBJ old = SelectObject(dc, f.font ? f.font : g.fontUi);
    f.edges.assign(1, 0);
    int x = 0;
    const auto& units = f.edit.units;
    for (size_t i = 0; i < units.size();) {
        if (units[i].chip) {
            std::wstring t = unitCaption(f, units[i]);
            SIZE s{};
            GetTextExtentPoint32W(dc, t.c_str(), int(t.size()), &s);
            x += s.cx + 2 * chipPad() + px(2);
            f.edges.push_back(x);
            i++;
            continue;
        }
        std::wstring run;
        std::vector<int> ends;  // end of each unit in UTF-16 units of run
        size_t j = i;
        for (; j < units.size() && !units[j].chip; j++) {
            run += unitCaption(f, units[j]);
            ends.push_back(int(run.size()));
        }
        std::vector<int> extents(run.size() + 1, 0);
        SIZE s{};
        int fit = 0;
        GetTextExtentExPointW(dc, run.c_str(), int(run.size()), 0, &fit, extents.data(), &s);
        for (int e : ends) f.edges.push_back(x + (e > 0 ? extents[size_t(e - 1)] : 0));
        x += s.cx;
        i = j;
    }
    SelectObject(dc, old);
    ReleaseDC(h, dc);
}

void keepCaretInView(HWND h, ChipField& f) {
    RECT c;
    GetClientRect(h, &c);
    int width = std::max(1, int(c.right) - 2 * pad());
    int x = f.edges[size_t(f.edit.caret)];
    if (x - f.scroll > width) f.scroll = x - width;
    if (x - f.scroll < 0) f.scroll = x;
    f.scroll = std::max(0, std::min(f.scroll, std::max(0, f.edges.back() - width)));
}

void placeCaret(HWND h, ChipField& f) {
    if (!f.focused) return;
    RECT c;
    GetClientRect(h, &c);
    SetCaretPos(pad() + f.edges[size_t(f.edit.caret)] - f.scroll, px(4));
}

// After every edit: the window text, the caret, a repaint and EN_CHANGE for the parent.
void changed(HWND h, ChipField& f, bool textChanged) {
    measure(h, f);
    keepCaretInView(h, f);
    placeCaret(h, f);
    InvalidateRect(h, nullptr, TRUE);
    if (!textChanged) return;
    std::wstring t = wide(lv::chipTemplate(f.edit.units));
    DefWindowProcW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.c_str()));
    SendMessageW(GetParent(h), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), EN_CHANGE), reinterpret_cast<LPARAM>(h));
}

// The boundary nearest to a client x.
int boundaryAt(const ChipField& f, int x) {
    int at = x - pad() + f.scroll;
    int best = 0;
    for (size_t i = 0; i < f.edges.size(); i++)
        if (std::abs(f.edges[i] - at) < std::abs(f.edges[size_t(best)] - at)) best = int(i);
    return best;
}

// The unit under a client x, -1 past the end.
int unitAt(const ChipField& f, int x) {
    int at = x - pad() + f.scroll;
    for (size_t i = 0; i + 1 < f.edges.size(); i++)
        if (at >= f.edges[i] && at < f.edges[i + 1]) return int(i);
    return -1;
}

// [SECTION] painting
void paint(HWND h, ChipField& f) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT c;
    GetClientRect(h, &c);
    FillRect(dc, &c, GetSysColorBrush(IsWindowEnabled(h) ? COLOR_WINDOW : COLOR_BTNFACE));
    SelectObject(dc, f.font ? f.font : g.fontUi);
    SetBkMode(dc, TRANSPARENT);
    int selA = std::min(f.edit.caret, f.edit.anchor), selB = std::max(f.edit.caret, f.edit.anchor);
    const auto& units = f.edit.units;
    auto xAt = [&](size_t i) { return pad() + f.edges[i] - f.scroll; };
    // The selection's background first, then chips and runs of plain text over it.
    if (selA < selB) {
        RECT r{xAt(size_t(selA)), px(3), xAt(size_t(selB)), c.bottom - px(3)};
        FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
    }
    for (size_t i = 0; i < units.size();) {
        if (!units[i].chip) {
            size_t j = i;
            std::wstring run;
            for (; j < units.size() && !units[j].chip; j++) run += unitCaption(f, units[j]);
            RECT r{xAt(i), 0, xAt(j), c.bottom};
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            DrawTextW(dc, run.c_str(), int(run.size()), &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            // Selected characters again in the highlight's colour, clipped to the selection.
            int a = std::max(int(i), selA), b = std::min(int(j), selB);
            if (a < b) {
                RECT clip{xAt(size_t(a)), 0, xAt(size_t(b)), c.bottom};
                HRGN rgn = CreateRectRgnIndirect(&clip);
                SelectClipRgn(dc, rgn);
                SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
                DrawTextW(dc, run.c_str(), int(run.size()), &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
                SelectClipRgn(dc, nullptr);
                DeleteObject(rgn);
            }
            i = j;
            continue;
        }
        bool selected = int(i) >= selA && int(i) < selB;
        std::wstring t = unitCaption(f, units[i]);
        RECT chip{xAt(i) + px(1), px(3), xAt(i + 1) - px(1), c.bottom - px(3)};
        bool known = t != wide(units[i].raw);
        HBRUSH b = CreateSolidBrush(selected ? RGB(120, 160, 220) : known ? RGB(214, 230, 250) : RGB(250, 218, 214));
        HPEN p = CreatePen(PS_SOLID, 1, known ? RGB(120, 160, 210) : RGB(210, 110, 100));
        HGDIOBJ ob = SelectObject(dc, b), op = SelectObject(dc, p);
        RoundRect(dc, chip.left, chip.top, chip.right, chip.bottom, px(8), px(8));
        SelectObject(dc, ob);
        SelectObject(dc, op);
        DeleteObject(b);
        DeleteObject(p);
        SetTextColor(dc, RGB(20, 40, 70));
        DrawTextW(dc, t.c_str(), int(t.size()), &chip, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        i++;
    }
    EndPaint(h, &ps);
}

// [SECTION] menus
void appendMenu(HMENU m, UINT flags, UINT_PTR id, const std::string& t) {
    AppendMenuW(m, MF_STRING | flags, id, wide(lv::menuEscape(t)).c_str());
}

std::vector<ChipMenuItem> insertItems(const ChipField& f) {
    return f.rules && f.rules->insertMenu ? f.rules->insertMenu() : std::vector<ChipMenuItem>{};
}

void clipboardCopy(const ChipField& f) {
    if (lv::chipHasSelection(f.edit)) lv::clipboardSetText(lv::chipSelectedText(f.edit));
}

void paste(HWND h, ChipField& f) {
    std::string clip;
    lv::clipboardGetText(&clip);
    lv::chipPaste(f.edit, clip);
    changed(h, f, true);
}

// The context menu: a chip's Change to and Remove, Insert token, and the clipboard entries.
void contextMenu(HWND h, ChipField& f, POINT screen, int chip) {
    HMENU m = CreatePopupMenu();
    std::vector<ChipMenuItem> change;
    if (chip >= 0) {
        const std::string& raw = f.edit.units[size_t(chip)].raw;
        if (f.rules && f.rules->changeToMenu) change = f.rules->changeToMenu(raw);
        if (!change.empty()) {
            HMENU sub = CreatePopupMenu();
            for (size_t i = 0; i < change.size(); i++)
                appendMenu(sub, change[i].checked ? MF_CHECKED : 0u, kMenuChangeBase + i, change[i].caption);
            AppendMenuW(m, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), uiText("TokenMenuChangeTo").c_str());
        }
        appendMenu(m, 0, kMenuRemove, lv::text("TokenMenuRemove"));
        AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
    }
    std::vector<ChipMenuItem> insert = insertItems(f);
    HMENU sub = CreatePopupMenu();
    for (size_t i = 0; i < insert.size(); i++) appendMenu(sub, 0, kMenuInsertBase + i, insert[i].caption);
    AppendMenuW(m, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), uiText("TokenMenuInsert").c_str());
    AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
    bool sel = lv::chipHasSelection(f.edit);
    AppendMenuW(m, MF_STRING | (sel ? 0u : MF_GRAYED), kMenuCut, uiText("TokenFieldCut").c_str());
    AppendMenuW(m, MF_STRING | (sel ? 0u : MF_GRAYED), kMenuCopy, uiText("TokenFieldCopy").c_str());
    AppendMenuW(m, MF_STRING, kMenuPaste, uiText("TokenFieldPaste").c_str());
    AppendMenuW(m, MF_STRING, kMenuSelectAll, uiText("TokenFieldSelectAll").c_str());
    int id = TrackPopupMenu(m, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, h, nullptr);
    DestroyMenu(m);
    if (id >= kMenuChangeBase && size_t(id - kMenuChangeBase) < change.size()) {
        lv::chipReplace(f.edit, chip, change[size_t(id - kMenuChangeBase)].token);
    } else if (id == kMenuRemove) {
        lv::chipReplace(f.edit, chip, "");
    } else if (id >= kMenuInsertBase && size_t(id - kMenuInsertBase) < insert.size()) {
        lv::chipInsertToken(f.edit, insert[size_t(id - kMenuInsertBase)].token);
    } else if (id == kMenuCut || id == kMenuCopy) {
        clipboardCopy(f);
        if (id == kMenuCut) lv::chipEraseSelection(f.edit);
    } else if (id == kMenuPaste) {
        return paste(h, f);
    } else if (id == kMenuSelectAll) {
        f.edit.anchor = 0;
        f.edit.caret = int(f.edit.units.size());
        return changed(h, f, false);
    } else {
        return;
    }
    changed(h, f, true);
}

// [SECTION] keys
bool onKey(HWND h, ChipField& f, WPARAM vk) {
    bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
    int n = int(f.edit.units.size());
    switch (vk) {
        case VK_LEFT: lv::chipMoveTo(f.edit, f.edit.caret - 1, shift); break;
        case VK_RIGHT: lv::chipMoveTo(f.edit, f.edit.caret + 1, shift); break;
        case VK_HOME: lv::chipMoveTo(f.edit, 0, shift); break;
        case VK_END: lv::chipMoveTo(f.edit, n, shift); break;
        case VK_DELETE:
            lv::chipDeleteForward(f.edit);
            changed(h, f, true);
            return true;
        case VK_INSERT:
            if (shift) paste(h, f);
            else if (ctrl) clipboardCopy(f);
            return true;
        default: return false;
    }
    changed(h, f, false);
    return true;
}

void onChar(HWND h, ChipField& f, wchar_t ch) {
    switch (ch) {
        case 1:  // Ctrl+A
            f.edit.anchor = 0;
            f.edit.caret = int(f.edit.units.size());
            return changed(h, f, false);
        case 3: return clipboardCopy(f);
        case 22: return paste(h, f);
        case 24:
            clipboardCopy(f);
            lv::chipEraseSelection(f.edit);
            return changed(h, f, true);
        case 8:
            lv::chipDeleteBack(f.edit);
            return changed(h, f, true);
    }
    if (ch < 32 || (ch >= 0xD800 && ch <= 0xDFFF)) return;
    lv::chipType(f.edit, narrow(std::wstring(1, ch)));
    changed(h, f, true);
}

LRESULT CALLBACK chipsProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    ChipField* f = fieldOf(h);
    switch (msg) {
        case WM_NCCREATE: {
            auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
            auto* nf = new ChipField;
            nf->rules = static_cast<const ChipFieldRules*>(cs->lpCreateParams);
            SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(nf));
            break;
        }
        case WM_NCDESTROY:
            delete f;
            SetWindowLongPtrW(h, GWLP_USERDATA, 0);
            break;
        case WM_SETFONT:
            if (f) {
                f->font = reinterpret_cast<HFONT>(wp);
                changed(h, *f, false);
            }
            return 0;
        case WM_SETTEXT:
            if (f) {
                f->edit = lv::chipEditOf(narrow(reinterpret_cast<const wchar_t*>(lp)));
                f->edit.caret = f->edit.anchor = 0;  // shown from its start
                f->scroll = 0;
                DefWindowProcW(h, msg, wp, lp);
                changed(h, *f, false);
            }
            return TRUE;
        case WM_GETDLGCODE:
            return DLGC_WANTCHARS | DLGC_WANTARROWS;
        case WM_PAINT:
            if (f) paint(h, *f);
            return 0;
        case WM_SETFOCUS:
            if (!f) break;
            f->focused = true;
            CreateCaret(h, nullptr, std::max(1, px(1)), px(16));
            placeCaret(h, *f);
            ShowCaret(h);
            return 0;
        case WM_KILLFOCUS:
            if (!f) break;
            f->focused = false;
            DestroyCaret();
            return 0;
        case WM_SIZE:
            if (f) changed(h, *f, false);
            return 0;
        case WM_LBUTTONDOWN:
            if (!f) break;
            SetFocus(h);
            lv::chipMoveTo(f->edit, boundaryAt(*f, short(LOWORD(lp))), GetKeyState(VK_SHIFT) < 0);
            changed(h, *f, false);
            return 0;
        case WM_LBUTTONDBLCLK: {  // a double click selects the chip under it
            if (!f) break;
            int u = unitAt(*f, short(LOWORD(lp)));
            if (u >= 0) {
                f->edit.anchor = u;
                f->edit.caret = u + 1;
                changed(h, *f, false);
            }
            return 0;
        }
        case WM_CONTEXTMENU: {
            if (!f) break;
            POINT p{short(LOWORD(lp)), short(HIWORD(lp))};
            POINT c = p;
            if (p.x == -1 && p.y == -1) {
                c = {pad() + f->edges[size_t(f->edit.caret)] - f->scroll, px(20)};
                p = c;
                ClientToScreen(h, &p);
            } else {
                ScreenToClient(h, &c);
            }
            int u = unitAt(*f, c.x);
            contextMenu(h, *f, p, u >= 0 && f->edit.units[size_t(u)].chip ? u : -1);
            return 0;
        }
        case WM_KEYDOWN:
            if (f && onKey(h, *f, wp)) return 0;
            break;
        case WM_CHAR:
            if (f) onChar(h, *f, wchar_t(wp));
            return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

}  // namespace

// [SECTION] interface
bool registerChipsClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = chipsProc;
    wc.hInstance = g.inst;
    wc.hCursor = LoadCursorW(nullptr, IDC_IBEAM);
    wc.lpszClassName = kChipsClass;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND createChipField(HWND parent, int id, const ChipFieldRules* rules) {
    registerChipsClass();
    return CreateWindowExW(WS_EX_CLIENTEDGE, kChipsClass, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 10, 10,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g.inst,
                           const_cast<ChipFieldRules*>(rules));
}

std::string chipFieldText(HWND field) {
    ChipField* f = fieldOf(field);
    return f ? lv::chipTemplate(f->edit.units) : std::string();
}

void chipFieldSetText(HWND field, std::string_view tpl) { SetWindowTextW(field, wide(tpl).c_str()); }

void chipFieldShowInsertMenu(HWND field, HWND button) {
    ChipField* f = fieldOf(field);
    if (!f) return;
    std::vector<ChipMenuItem> insert = insertItems(*f);
    HMENU m = CreatePopupMenu();
    for (size_t i = 0; i < insert.size(); i++) appendMenu(m, 0, kMenuInsertBase + i, insert[i].caption);
    RECT r;
    GetWindowRect(button, &r);
    int id = TrackPopupMenu(m, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, r.left, r.bottom, 0, field, nullptr);
    DestroyMenu(m);
    if (id < kMenuInsertBase || size_t(id - kMenuInsertBase) >= insert.size()) return;
    lv::chipInsertToken(f->edit, insert[size_t(id - kMenuInsertBase)].token);
    changed(field, *f, true);
    SetFocus(field);
}
