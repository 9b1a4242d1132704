// Small modal questions with buttons of their own words (a name clash, missing files, quitting
// while copying, Items to copy, the culling folder), built on the dialog kit: lines of text, an
// optional drop-down list with a note, an optional list to pick one row from, tick boxes and a
// row of buttons on the right. Also the folder picker the copy dialogs share.
#include <shlobj.h>

#include <algorithm>

#include "dialog_kit.h"
#include "shell.h"

namespace {

enum : int { kIdList = 50, kIdCombo = 52, kIdNote = 53, kIdFirstButton = 60, kIdFirstLine = 100, kIdFirstTick = 200 };

struct ChoiceState {
    ChoiceBox* box = nullptr;
};

bool noteShown(const ChoiceBox& b, int sel) { return b.noteFor && b.noteFor(sel); }

void build(dlg::Dialog& d, ChoiceBox& b) {
    SetWindowTextW(d.hwnd, wide(b.title).c_str());
    const int m = dlg::kMargin, width = b.widthDip;
    int y = m, line = kIdFirstLine;
    auto addLines = [&](const std::vector<std::string>& lines) {
        for (size_t i = 0; i < lines.size(); i++) {
            bool bold = i == 0;
            int h = std::max(dlg::wrappedHeight(d, lines[i].empty() ? " " : lines[i], width, bold), 4);
            dlg::addRow(d, {line++, bold ? dlg::Kind::Heading : dlg::Kind::Label, nullptr, m, y, width, h, dlg::kNoMnemonic},
                        lines[i]);
            y += h + 4;
        }
    };
    addLines(b.lines);
    if (!b.comboRows.empty()) {
        dlg::addRow(d, {kIdCombo, dlg::Kind::Combo, nullptr, m, y, std::min(width, 320), 0});
        for (const std::string& r : b.comboRows) dlg::listAdd(d, kIdCombo, r);
        dlg::listSelect(d, kIdCombo, std::max(0, b.comboSel));
        y += 30;
        if (!b.comboNote.empty()) {
            int h = dlg::wrappedHeight(d, b.comboNote, width);
            dlg::addRow(d, {kIdNote, dlg::Kind::Label, nullptr, m, y, width, h, dlg::kNoMnemonic}, b.comboNote);
            dlg::show(d, kIdNote, noteShown(b, b.comboSel));
            y += h + 4;
        }
        y += 6;
    }
    addLines(b.lines2);
    if (!b.listRows.empty()) {
        int h = 20 * int(std::min<size_t>(b.listRows.size(), 10)) + 6;
        dlg::addRow(d, {kIdList, dlg::Kind::List, nullptr, m, y + 4, width, h});
        for (const std::string& r : b.listRows) dlg::listAdd(d, kIdList, r);
        dlg::listSelect(d, kIdList, std::max(0, b.listSel));
        y += h + 12;
    }
    b.ticked.resize(b.ticks.size());
    for (size_t i = 0; i < b.ticks.size(); i++) {
        dlg::addRow(d, {kIdFirstTick + int(i), dlg::Kind::Check, nullptr, m, y + 2, width, 0, dlg::kNoMnemonic}, b.ticks[i]);
        dlg::setChecked(d, kIdFirstTick + int(i), b.ticked[i]);
        y += 24;
    }
    y += 10;
    int x = m + width;
    for (size_t i = b.buttons.size(); i-- > 0;) {
        int bw = std::max(84, dlg::textWidth(d, b.buttons[i]) + 28);
        x -= bw;
        dlg::Kind k = int(i) == b.defaultButton ? dlg::Kind::DefaultButton : dlg::Kind::Button;
        dlg::addRow(d, {kIdFirstButton + int(i), k, nullptr, x, y, bw, 28}, b.buttons[i]);
        if (k == dlg::Kind::DefaultButton) SendMessageW(d.hwnd, DM_SETDEFID, WPARAM(kIdFirstButton + int(i)), 0);
        x -= 8;
    }
    dlg::fitToRows(d);
    if (!b.comboRows.empty()) dlg::focus(d, kIdCombo);
    else if (!b.listRows.empty()) dlg::focus(d, kIdList);
    else if (!b.buttons.empty()) dlg::focus(d, kIdFirstButton + std::clamp(b.defaultButton, 0, int(b.buttons.size()) - 1));
}

// What the box holds when a button ends it.
void collect(dlg::Dialog& d, ChoiceBox& b) {
    for (size_t i = 0; i < b.ticks.size(); i++) b.ticked[i] = dlg::checked(d, kIdFirstTick + int(i));
    if (!b.listRows.empty()) b.listSel = dlg::listSelection(d, kIdList);
    if (!b.comboRows.empty()) b.comboSel = dlg::listSelection(d, kIdCombo);
}

bool handler(dlg::Dialog& d, UINT msg, WPARAM wp, LPARAM, LRESULT*) {
    ChoiceBox& b = *static_cast<ChoiceState*>(d.context)->box;
    if (msg == WM_INITDIALOG) {
        build(d, b);
        return true;
    }
    if (msg != WM_COMMAND) return false;
    int id = LOWORD(wp), code = HIWORD(wp);
    if (id == kIdCombo && code == CBN_SELCHANGE) {
        dlg::show(d, kIdNote, noteShown(b, dlg::listSelection(d, kIdCombo)));
        return true;
    }
    if (id == kIdList && code == LBN_DBLCLK) id = kIdFirstButton;  // a double click is the first button
    if (id >= kIdFirstButton && id < kIdFirstButton + int(b.buttons.size())) {
        collect(d, b);
        dlg::end(d, id);
        return true;
    }
    return false;
}

}  // namespace

int showChoiceBox(HWND owner, ChoiceBox& box) {
    ChoiceState st{&box};
    dlg::Form form;
    form.handler = handler;
    form.context = &st;
    int r = dlg::runModal(owner, form);
    return r >= kIdFirstButton && r < kIdFirstButton + int(box.buttons.size()) ? r - kIdFirstButton : box.cancelAnswer;
}

std::string pickFolderWithTitle(const std::string& title) {
    std::wstring t = wide(title);
    BROWSEINFOW bi{};
    bi.hwndOwner = GetActiveWindow() ? GetActiveWindow() : g.hwnd;
    bi.lpszTitle = t.c_str();
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE id = SHBrowseForFolderW(&bi);
    if (!id) return {};
    // A folder deeper than MAX_PATH: SHGetPathFromIDListEx takes a long buffer where the system
    // has it (looked up at run time); SHGetPathFromIDListW where not.
    using PathFromIdListEx = BOOL(WINAPI*)(PCIDLIST_ABSOLUTE, PWSTR, DWORD, int);
    static const auto ex = reinterpret_cast<PathFromIdListEx>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"shell32.dll"), "SHGetPathFromIDListEx")));
    std::wstring buf(32768, L'\0');
    bool ok = ex && ex(id, buf.data(), DWORD(buf.size()), 0);
    if (!ok) {
        buf.assign(MAX_PATH, L'\0');
        ok = SHGetPathFromIDListW(id, buf.data());
    }
    CoTaskMemFree(id);
    return ok ? narrow(buf.c_str()) : std::string();
}

std::string controlText(HWND c) {
    int n = GetWindowTextLengthW(c);
    std::wstring t(size_t(std::max(n, 0)) + 1, L'\0');
    int got = GetWindowTextW(c, t.data(), n + 1);
    t.resize(size_t(std::max(got, 0)));
    return narrow(t);
}

void setControlText(HWND c, std::string_view utf8) {
    if (controlText(c) != utf8) SetWindowTextW(c, wide(utf8).c_str());
}

void openCopyDialog(HWND open, const dlg::Form& form, UINT timer) {
    if (open) SetForegroundWindow(open);
    else dlg::openModeless(g.hwnd, form);
    SetTimer(g.hwnd, timer, 100, nullptr);  // polls the copier and the dialog
}

LRESULT lineColours(HDC dc, LineTone tone) {
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetTextColor(dc, tone == kLineError ? RGB(190, 30, 30) : GetSysColor(tone == kLineQuiet ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}
