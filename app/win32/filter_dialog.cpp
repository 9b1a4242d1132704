// The filter dialog: the criteria catalogue, the chosen tokens with their match counts, the value
// picker of the selected token, the saved-filters button, the status line on timer 901, and
// Apply and OK through applyFromDialog. The tokens being edited and every rule are the core's
// (FilterDialog, pickers.h); this file moves them in and out of the controls.
#include <algorithm>

#include "core/texts.h"
#include "filter/pickers.h"
#include "filter/saved_filters.h"
#include "filter/scan.h"
#include "dialog_kit.h"
#include "shell.h"

namespace {

using dlg::Kind;
using dlg::Row;

// [SECTION] layout
enum : int {
    kFdCatHdr = 401, kFdCatalogue, kFdQueryHdr, kFdTokens, kFdEmptyHint, kFdNot, kFdRemove,
    kFdPickHdr = 410, kFdPickHint,
    kFdStatus = 420, kFdSaved, kFdReset, kFdApply,
    kFdBucketFirst = 500, kFdBucketLast = 531,
    kFdLow = 540, kFdTo, kFdHigh,
    kFdNames = 550, kFdNamesNone, kFdNamesCount,
    kFdChipFirst = 600, kFdChipLast = 631,
};
constexpr UINT kTimerFilterDialog = 901;
constexpr int kPickX = 478, kPickW = 262;

const Row kFilterRows[] = {
    {kFdCatHdr, Kind::Heading, "FilterCatalogue", 14, 12, 180, 0},
    {kFdCatalogue, Kind::List, nullptr, 14, 34, 180, 300},
    {kFdQueryHdr, Kind::Heading, "FilterQueryHdr", 208, 12, 256, 0},
    {kFdTokens, Kind::List, nullptr, 208, 34, 256, 256, LBS_OWNERDRAWFIXED | LBS_HASSTRINGS},
    {kFdEmptyHint, Kind::Label, "FilterEmptyHint", 208, 40, 256, 40, dlg::kNoMnemonic},
    {kFdNot, Kind::Check, "FilterNot", 208, 300, 0, 0},
    {kFdRemove, Kind::Button, "TokenMenuRemove", 374, 298, 90, 0},
    {kFdPickHdr, Kind::Heading, nullptr, kPickX, 12, kPickW, 0, dlg::kNoMnemonic},
    {kFdPickHint, Kind::Label, nullptr, kPickX, 34, kPickW, 34, dlg::kNoMnemonic},
    {kFdStatus, Kind::Label, nullptr, 14, 350, 726, 0, dlg::kNoMnemonic},
    {kFdSaved, Kind::Button, "FilterSavedBtn", 14, 380, 130, 0},
    {kFdReset, Kind::Button, "FilterReset", 374, 380, 84, 0},
    {IDCANCEL, Kind::Button, "FilterCancel", 466, 380, 84, 0},
    {kFdApply, Kind::Button, "FilterApply", 558, 380, 84, 0},
    {IDOK, Kind::DefaultButton, "FilterOK", 650, 380, 90, 0},
};

// [SECTION] state
struct FilterDialogState {
    lv::FilterDialog dialog;
    int selected = -1;  // token shown in the picker
    std::vector<std::string> names;  // the names picker's items
    bool filling = false;  // controls are being set, not changed by the user
};

lv::FactsView facts() { return lv::factsOf(g.folder, g.filter); }

FilterDialogState& stateOf(dlg::Dialog& d) { return *static_cast<FilterDialogState*>(d.context); }

lv::FilterToken* selectedToken(FilterDialogState& s) {
    if (s.selected < 0 || size_t(s.selected) >= s.dialog.edit.tokens.size()) return nullptr;
    return &s.dialog.edit.tokens[size_t(s.selected)];
}

void refreshStatus(dlg::Dialog& d) {
    dlg::setText(d, kFdStatus, lv::filterDialogStatus(stateOf(d).dialog, g.folder, g.filter));
}

// The chips: one line per token with its match count, the selected one highlighted.
void refreshTokens(dlg::Dialog& d, bool recount = true) {
    FilterDialogState& s = stateOf(d);
    if (recount) lv::recountMatches(s.dialog.edit, facts());
    HWND list = dlg::item(d, kFdTokens);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    dlg::listClear(d, kFdTokens);
    for (const lv::FilterToken& t : s.dialog.edit.tokens) dlg::listAdd(d, kFdTokens, lv::tokenChipText(t));
    if (s.selected >= int(s.dialog.edit.tokens.size())) s.selected = int(s.dialog.edit.tokens.size()) - 1;
    dlg::listSelect(d, kFdTokens, s.selected);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    bool any = !s.dialog.edit.tokens.empty();
    dlg::show(d, kFdTokens, any);
    dlg::show(d, kFdEmptyHint, !any);
    lv::FilterToken* t = selectedToken(s);
    dlg::enable(d, kFdNot, t != nullptr);
    dlg::enable(d, kFdRemove, t != nullptr);
    dlg::setChecked(d, kFdNot, t && t->inverted);
    refreshStatus(d);
}

void updateNamesCount(dlg::Dialog& d) {
    lv::FilterToken* t = selectedToken(stateOf(d));
    int n = t ? int(lv::tokenNames(*t).size()) : 0;
    dlg::setText(d, kFdNamesCount, lv::fillPlaceholder(lv::text("FilterSelected"), "{n}", std::to_string(n)));
}

// Space in the catalogue adds the criterion (the list box itself only selects with it); in the
// names list it ticks a name, which some systems do not report as a selection change.
constexpr UINT kMsgAddCriterion = WM_APP, kMsgNamesTicked = WM_APP + 1;
WNDPROC g_listProc = nullptr;  // the list box class's own procedure
LRESULT CALLBACK listKeysProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    bool catalogue = GetDlgCtrlID(h) == kFdCatalogue;
    if (catalogue && msg == WM_KEYDOWN && wp == VK_SPACE) {
        PostMessageW(GetParent(h), kMsgAddCriterion, 0, 0);
        return 0;
    }
    if (catalogue && msg == WM_CHAR && wp == L' ') return 0;
    LRESULT r = CallWindowProcW(g_listProc, h, msg, wp, lp);
    if (!catalogue && msg == WM_KEYDOWN && wp == VK_SPACE) PostMessageW(GetParent(h), kMsgNamesTicked, 0, 0);
    return r;
}

void takeKeys(HWND list) {
    WNDPROC old = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(listKeysProc)));
    if (old != listKeysProc) g_listProc = old;
}

void focusPicker(dlg::Dialog& d);

// The picker of the selected token: bucket ticks, range fields or the names list.
void buildPicker(dlg::Dialog& d) {
    FilterDialogState& s = stateOf(d);
    s.filling = true;
    // Rebuilt under the keyboard (the scan ends while a name is being ticked): the focus and the
    // list's caret come back to the same field rather than going nowhere.
    HWND had = GetFocus();
    int focusId = had && IsChild(d.hwnd, had) ? GetDlgCtrlID(had) : 0;
    if (focusId < kFdBucketFirst || focusId > kFdChipLast) focusId = 0;
    LRESULT caret = focusId == kFdNames ? SendMessageW(had, LB_GETCARETINDEX, 0, 0) : LB_ERR;
    LRESULT top = focusId == kFdNames ? SendMessageW(had, LB_GETTOPINDEX, 0, 0) : LB_ERR;
    dlg::removeRows(d, kFdBucketFirst, kFdChipLast);
    lv::FilterToken* t = selectedToken(s);
    const lv::Criterion* c = t ? lv::criterion(t->criterion) : nullptr;
    dlg::setText(d, kFdPickHdr, c ? lv::criterionLabel(t->criterion) : "");
    bool waiting = c && c->needsScan && !lv::scanFinished(g.folder, g.filter.factsLock);
    // The hint speaks of ticks: range fields go without it.
    bool ticks = c && c->kind != lv::CriterionKind::Range;
    dlg::setText(d, kFdPickHint, !c ? "" : waiting ? lv::text("FilterWaiting") : ticks ? lv::text("FilterPickHint") : "");
    int y = 72;
    if (c && c->kind == lv::CriterionKind::Set) {
        lv::BucketLabel l;
        for (int b = 0; b < 32 && c->bucketLabel(b, &l); b++) {
            int x = kPickX;
            if (l.hasColour) {
                dlg::addRow(d, {kFdChipFirst + b, Kind::Custom, nullptr, x, y + 3, 14, 14});
                x += 22;
            }
            dlg::addRow(d, {kFdBucketFirst + b, Kind::Check, nullptr, x, y, 0, 0}, l.text);
            dlg::setChecked(d, kFdBucketFirst + b, (t->mask >> b) & 1u);
            y += 24;
        }
    } else if (c && c->kind == lv::CriterionKind::Range) {
        std::string to = lv::text("FilterTo");
        int toW = dlg::textWidth(d, to) + 4, fieldW = (kPickW - toW - 16) / 2;
        dlg::addRow(d, {kFdLow, Kind::Edit, nullptr, kPickX, y, fieldW, 0}, lv::rangeBoundText(*t, false));
        dlg::addRow(d, {kFdTo, Kind::Label, nullptr, kPickX + fieldW + 8, y + 3, toW, 0, dlg::kNoMnemonic}, to);
        dlg::addRow(d, {kFdHigh, Kind::Edit, nullptr, kPickX + fieldW + 16 + toW, y, fieldW, 0},
                    lv::rangeBoundText(*t, true));
    } else if (c && c->kind == lv::CriterionKind::Names) {
        s.names = lv::pickerNames(*t, facts());
        if (s.names.empty()) {
            dlg::addRow(d, {kFdNamesNone, Kind::Label, nullptr, kPickX, y, kPickW, 40, dlg::kNoMnemonic},
                        lv::text("FilterNoNames"));
        } else {
            takeKeys(dlg::addRow(d, {kFdNames, Kind::List, nullptr, kPickX, y, kPickW, 210, LBS_MULTIPLESEL | WS_HSCROLL}));
            for (size_t i = 0; i < s.names.size(); i++) {
                dlg::listAdd(d, kFdNames, s.names[i]);
                if (lv::tokenHasName(*t, s.names[i]))
                    SendMessageW(dlg::item(d, kFdNames), LB_SETSEL, TRUE, LPARAM(i));
            }
        }
        dlg::addRow(d, {kFdNamesCount, Kind::Label, nullptr, kPickX, y + 218, kPickW, 0, dlg::kNoMnemonic});
        updateNamesCount(d);
    }
    // Tab goes from the chosen tokens to the picker, then to the buttons.
    HWND after = dlg::item(d, kFdRemove);
    for (int id = kFdBucketFirst; id <= kFdChipLast; id++) {
        HWND h = dlg::item(d, id);
        if (!h) continue;
        SetWindowPos(h, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
        after = h;
    }
    if (focusId) {
        if (HWND h = dlg::item(d, focusId)) {
            SetFocus(h);
            if (top != LB_ERR) SendMessageW(h, LB_SETTOPINDEX, WPARAM(top), 0);
            if (caret != LB_ERR) SendMessageW(h, LB_SETCARETINDEX, WPARAM(caret), FALSE);
        } else {
            focusPicker(d);
        }
    }
    RedrawWindow(d.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    s.filling = false;
}

// The picker's first field, for the keyboard right after a criterion was added.
void focusPicker(dlg::Dialog& d) {
    for (int id : {int(kFdBucketFirst), int(kFdLow), int(kFdNames)})
        if (dlg::item(d, id)) return dlg::focus(d, id);
}

void selectToken(dlg::Dialog& d, int index) {
    stateOf(d).selected = index;
    refreshTokens(d, false);
    buildPicker(d);
}

// From the keyboard the focus moves on to the new token's picker.
void addCriterion(dlg::Dialog& d, bool fromKeyboard) {
    int crit = dlg::listSelection(d, kFdCatalogue);
    if (crit < 0 || crit >= lv::kCriterionCount) return;
    selectToken(d, lv::addToken(stateOf(d).dialog.edit, crit, facts()));
    if (fromKeyboard) focusPicker(d);
}

// [SECTION] applying and saved filters
void apply(dlg::Dialog& d) {
    FilterDialogState& s = stateOf(d);
    lv::DialogApplyOutcome o = lv::applyFromDialog(s.dialog, g.folder, g.filter, windowAsker(d.hwnd));
    showFilterOutcome(o.view, d.hwnd);
    if (o.closeDialog) dlg::end(d, IDOK);
    else refreshStatus(d);
}

// The saved-filter commands act on the tokens in the dialog, as if they were the current filter.
template <class Fn>
void withDialogTokensAsCurrent(FilterDialogState& s, Fn fn) {
    std::swap(g.filter.current, s.dialog.edit);
    fn();
    std::swap(g.filter.current, s.dialog.edit);
}

void savedFiltersMenu(dlg::Dialog& d) {
    FilterDialogState& s = stateOf(d);
    std::vector<lv::SavedMenuEntry> entries;
    withDialogTokensAsCurrent(s, [&] { entries = lv::savedFilterButtonMenu(g.filter); });
    std::vector<dlg::MenuEntry> menu;
    for (size_t i = 0; i < entries.size(); i++) {
        const lv::SavedMenuEntry& e = entries[i];
        if (e.action == lv::SavedMenuAction::Separator) menu.push_back({0, ""});
        else menu.push_back({int(i) + 1, e.text, UINT(e.checked ? MF_CHECKED : 0) | UINT(e.enabled ? 0 : MF_GRAYED)});
    }
    int chosen = dlg::popupMenuUnder(d, kFdSaved, menu);
    if (chosen <= 0) return;
    const lv::SavedMenuEntry e = entries[size_t(chosen - 1)];
    lv::SavedFilterUi ui{windowAsker(d.hwnd), askFilterName, d.hwnd};
    lv::FilterOutcome o;
    switch (e.action) {
        case lv::SavedMenuAction::Apply: {
            // Into the dialog; it reaches the strip with Apply or OK.
            if (!lv::isSavedFilterUsable(g.filter.saved, e.index)) {
                if (windowAsker(d.hwnd)(lv::unusableSavedQuestion(g.filter.saved.entries[size_t(e.index)].name)) ==
                    lv::Answer::Yes)
                    lv::removeSavedFilter(g.filter.saved, e.index, g.filter.settingsPath);
                return;
            }
            std::vector<lv::FilterToken> tokens;
            if (!lv::tokensOfSavedFilter(g.filter.saved, e.index, &tokens)) return;
            s.dialog.edit.tokens = std::move(tokens);
            s.selected = s.dialog.edit.tokens.empty() ? -1 : 0;
            refreshTokens(d);
            buildPicker(d);
            return;
        }
        case lv::SavedMenuAction::SaveAs:
            withDialogTokensAsCurrent(s, [&] { o = lv::saveFilterAs(g.filter, ui); });
            break;
        case lv::SavedMenuAction::Rename:
            o = lv::renameSavedFilterCommand(g.filter, e.index, ui);
            break;
        case lv::SavedMenuAction::Remove:
            o = lv::removeSavedFilterCommand(g.filter, e.index, ui);
            break;
        default:
            return;
    }
    showFilterOutcome(o, d.hwnd);
}

// [SECTION] messages
void onPickerCommand(dlg::Dialog& d, int id, int code) {
    FilterDialogState& s = stateOf(d);
    lv::FilterToken* t = selectedToken(s);
    if (!t || s.filling) return;
    if (id >= kFdBucketFirst && id <= kFdBucketLast && code == BN_CLICKED) {
        lv::setBucket(*t, id - kFdBucketFirst, dlg::checked(d, id));
    } else if ((id == kFdLow || id == kFdHigh) && code == EN_CHANGE) {
        lv::setRangeBound(*t, id == kFdHigh, dlg::getText(d, id));
    } else if ((id == kFdLow || id == kFdHigh) && code == EN_KILLFOCUS) {
        // The field shows the bound as the criterion writes it (unusable text gives way to it).
        s.filling = true;
        dlg::setText(d, id, lv::rangeBoundText(*t, id == kFdHigh));
        s.filling = false;
        return;
    } else if (id == kFdNames && code == LBN_SELCHANGE) {
        HWND list = dlg::item(d, kFdNames);
        for (size_t i = 0; i < s.names.size(); i++)
            lv::setTokenName(*t, s.names[i], SendMessageW(list, LB_GETSEL, WPARAM(i), 0) > 0);
        updateNamesCount(d);
    } else {
        return;
    }
    int keep = s.selected;
    refreshTokens(d);
    s.selected = keep;
}

// One chosen token as a chip: rounded, filled, its text with the match count; the selected chip
// in the accent colour, an empty one (it lets every photo through) in grey text.
void drawChip(dlg::Dialog& d, const DRAWITEMSTRUCT* di) {
    HDC dc = di->hDC;
    FillRect(dc, &di->rcItem, GetSysColorBrush(COLOR_WINDOW));
    FilterDialogState& s = stateOf(d);
    if (di->itemID == UINT(-1) || di->itemID >= s.dialog.edit.tokens.size()) return;
    const lv::FilterToken& t = s.dialog.edit.tokens[di->itemID];
    bool selected = di->itemState & ODS_SELECTED;
    int inset = dlg::scale(d, 3), r = dlg::scale(d, 12);
    RECT chip = di->rcItem;
    InflateRect(&chip, -inset, -inset);
    COLORREF fill = selected ? RGB(0, 103, 192) : RGB(226, 232, 240);
    HBRUSH br = CreateSolidBrush(fill);
    HGDIOBJ oldBrush = SelectObject(dc, br);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(DC_PEN));
    SetDCPenColor(dc, selected ? fill : RGB(180, 190, 204));
    RoundRect(dc, chip.left, chip.top, chip.right, chip.bottom, r, r);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(br);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, selected ? RGB(255, 255, 255) : lv::tokenIsEmpty(t) ? RGB(110, 110, 110) : RGB(24, 24, 24));
    HGDIOBJ oldFont = SelectObject(dc, d.font);
    RECT text = chip;
    InflateRect(&text, -dlg::scale(d, 10), 0);
    std::wstring w = dlg::toWide(lv::tokenChipText(t));
    DrawTextW(dc, w.c_str(), int(w.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    if (di->itemState & ODS_FOCUS) DrawFocusRect(dc, &chip);
}

bool filterHandler(dlg::Dialog& d, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    FilterDialogState& s = stateOf(d);
    switch (msg) {
        case WM_INITDIALOG:
            for (int c = 0; c < lv::kCriterionCount; c++) dlg::listAdd(d, kFdCatalogue, lv::criterionLabel(c));
            SendMessageW(dlg::item(d, kFdCatalogue), LB_SETITEMHEIGHT, 0, dlg::scale(d, 22));
            takeKeys(dlg::item(d, kFdCatalogue));
            dlg::listSelect(d, kFdCatalogue, 0);  // the keys start from a visible place
            SetTimer(d.hwnd, kTimerFilterDialog, 400, nullptr);
            s.selected = s.dialog.edit.tokens.empty() ? -1 : 0;
            refreshTokens(d, false);
            buildPicker(d);
            return false;
        case WM_TIMER: {
            if (wp != kTimerFilterDialog) return false;
            lv::DialogTick tick = lv::filterDialogTick(s.dialog, g.folder, g.filter);
            dlg::setText(d, kFdStatus, tick.status);
            if (tick.recounted) {
                refreshTokens(d, false);
                buildPicker(d);  // the waiting note goes, the names arrive
            }
            if (tick.applyNow) apply(d);
            return true;
        }
        case WM_DESTROY:
            KillTimer(d.hwnd, kTimerFilterDialog);
            return false;
        case WM_DPICHANGED:  // the kit has placed the rows again; the lists' lines follow the scale
            SendMessageW(dlg::item(d, kFdCatalogue), LB_SETITEMHEIGHT, 0, dlg::scale(d, 22));
            SendMessageW(dlg::item(d, kFdTokens), LB_SETITEMHEIGHT, 0, dlg::scale(d, 30));
            return false;
        case kMsgAddCriterion:
            addCriterion(d, true);
            return true;
        case kMsgNamesTicked:
            onPickerCommand(d, kFdNames, LBN_SELCHANGE);
            return true;
        case WM_MEASUREITEM: {
            auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
            if (mi->CtlID != kFdTokens) return false;
            mi->itemHeight = UINT(dlg::scale(d, 30));
            *result = TRUE;
            return true;
        }
        case WM_DRAWITEM: {
            auto* di = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            if (di->CtlID == kFdTokens) {
                drawChip(d, di);
                *result = TRUE;
                return true;
            }
            lv::BucketLabel l;
            int b = int(di->CtlID) - kFdChipFirst;
            if (b < 0 || b > 31 || !lv::criterion(lv::kCritColour)->bucketLabel(b, &l)) return false;
            HBRUSH br = CreateSolidBrush(RGB(l.r, l.g, l.b));
            HGDIOBJ oldBrush = SelectObject(di->hDC, br);
            HGDIOBJ oldPen = SelectObject(di->hDC, GetStockObject(DC_PEN));
            SetDCPenColor(di->hDC, RGB(96, 96, 96));
            int r = dlg::scale(d, 4);
            RoundRect(di->hDC, di->rcItem.left, di->rcItem.top, di->rcItem.right, di->rcItem.bottom, r, r);
            SelectObject(di->hDC, oldPen);
            SelectObject(di->hDC, oldBrush);
            DeleteObject(br);
            *result = TRUE;
            return true;
        }
        case WM_COMMAND:
            break;
        default:
            return false;
    }
    int id = LOWORD(wp), code = HIWORD(wp);
    switch (id) {
        case kFdCatalogue:
            // A click adds the criterion; moving through the list with the keys only selects.
            if (code == LBN_DBLCLK || (code == LBN_SELCHANGE && GetKeyState(VK_LBUTTON) < 0)) addCriterion(d, false);
            return true;
        case kFdTokens:
            if (code == LBN_SELCHANGE) selectToken(d, dlg::listSelection(d, kFdTokens));
            return true;
        case kFdNot:
            if (code == BN_CLICKED && selectedToken(s)) {
                selectedToken(s)->inverted = dlg::checked(d, kFdNot);
                refreshTokens(d);
            }
            return true;
        case kFdRemove:
            if (code == BN_CLICKED && selectedToken(s)) {
                s.dialog.edit.tokens.erase(s.dialog.edit.tokens.begin() + s.selected);
                refreshTokens(d);
                buildPicker(d);
            }
            return true;
        case kFdReset:
            if (code != BN_CLICKED) return true;
            s.dialog.edit.tokens.clear();
            s.selected = -1;
            refreshTokens(d);
            buildPicker(d);
            return true;
        case kFdSaved:
            if (code == BN_CLICKED) savedFiltersMenu(d);
            return true;
        case kFdApply:
        case IDOK:
            if (code == BN_CLICKED) apply(d);
            return true;
        default:
            onPickerCommand(d, id, code);
            return id != IDCANCEL;
    }
}

}  // namespace

void runFilterDialog() {
    FilterDialogState state;
    lv::openFilterDialog(state.dialog, g.folder, g.filter);
    dlg::Form form;
    form.titleKey = "FilterTitle";
    form.rows = kFilterRows;
    form.handler = filterHandler;
    form.context = &state;
    form.focusId = kFdCatalogue;
    dlg::runModal(g.hwnd, form);
}
