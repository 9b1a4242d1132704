#include "core/chip_text.h"

#include <algorithm>

namespace lv {

namespace {

size_t utf8Length(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

void insertUnits(ChipEdit& e, std::vector<ChipUnit> add) {
    chipEraseSelection(e);
    int n = int(add.size());
    e.units.insert(e.units.begin() + e.caret, std::make_move_iterator(add.begin()), std::make_move_iterator(add.end()));
    e.caret += n;
    e.anchor = e.caret;
}

}  // namespace

// [SECTION] units
std::vector<ChipUnit> chipUnits(std::string_view tpl) {
    std::vector<ChipUnit> out;
    size_t i = 0;
    while (i < tpl.size()) {
        char c = tpl[i];
        if ((c == '{' || c == '}') && i + 1 < tpl.size() && tpl[i + 1] == c) {
            out.push_back({false, std::string(2, c)});
            i += 2;
        } else if (c == '{') {
            size_t close = tpl.find('}', i + 1);
            size_t end = close == std::string_view::npos ? tpl.size() : close + 1;
            out.push_back({true, std::string(tpl.substr(i, end - i))});
            i = end;
        } else {
            size_t n = std::min(utf8Length(static_cast<unsigned char>(c)), tpl.size() - i);
            out.push_back({false, std::string(tpl.substr(i, n))});
            i += n;
        }
    }
    return out;
}

std::string chipTemplate(const std::vector<ChipUnit>& units) {
    std::string out;
    for (const ChipUnit& u : units) out += u.raw;
    return out;
}

std::string chipShownText(const ChipUnit& u) {
    if (!u.chip && (u.raw == "{{" || u.raw == "}}")) return u.raw.substr(0, 1);
    return u.raw;
}

// [SECTION] editing
ChipEdit chipEditOf(std::string_view tpl) {
    ChipEdit e;
    e.units = chipUnits(tpl);
    e.caret = e.anchor = int(e.units.size());
    return e;
}

bool chipHasSelection(const ChipEdit& e) { return e.caret != e.anchor; }

bool chipEraseSelection(ChipEdit& e) {
    if (!chipHasSelection(e)) return false;
    int a = std::min(e.caret, e.anchor), b = std::max(e.caret, e.anchor);
    e.units.erase(e.units.begin() + a, e.units.begin() + b);
    e.caret = e.anchor = a;
    return true;
}

void chipType(ChipEdit& e, std::string_view typed) {
    std::vector<ChipUnit> add;
    size_t i = 0;
    while (i < typed.size()) {
        char c = typed[i];
        if (c == '{' || c == '}') {
            add.push_back({false, std::string(2, c)});
            i++;
            continue;
        }
        size_t n = std::min(utf8Length(static_cast<unsigned char>(c)), typed.size() - i);
        add.push_back({false, std::string(typed.substr(i, n))});
        i += n;
    }
    insertUnits(e, std::move(add));
}

void chipInsertToken(ChipEdit& e, std::string_view tokenText) { insertUnits(e, {{true, std::string(tokenText)}}); }

void chipPaste(ChipEdit& e, std::string_view tpl) {
    // Line breaks cannot be part of a folder name: a pasted path keeps its first line.
    insertUnits(e, chipUnits(tpl.substr(0, tpl.find_first_of("\r\n"))));
}

void chipDeleteBack(ChipEdit& e) {
    if (chipEraseSelection(e) || e.caret == 0) return;
    e.units.erase(e.units.begin() + --e.caret);
    e.anchor = e.caret;
}

void chipDeleteForward(ChipEdit& e) {
    if (chipEraseSelection(e) || e.caret >= int(e.units.size())) return;
    e.units.erase(e.units.begin() + e.caret);
    e.anchor = e.caret;
}

void chipMoveTo(ChipEdit& e, int pos, bool extend) {
    e.caret = std::clamp(pos, 0, int(e.units.size()));
    if (!extend) e.anchor = e.caret;
}

void chipReplace(ChipEdit& e, int index, std::string_view tokenText) {
    if (index < 0 || index >= int(e.units.size())) return;
    if (tokenText.empty()) {
        e.units.erase(e.units.begin() + index);
        if (e.caret > index) e.caret--;
        if (e.anchor > index) e.anchor--;
        return;
    }
    e.units[size_t(index)] = {true, std::string(tokenText)};
}

std::string chipSelectedText(const ChipEdit& e) {
    int a = std::min(e.caret, e.anchor), b = std::max(e.caret, e.anchor);
    std::string out;
    for (int i = a; i < b; i++) out += e.units[size_t(i)].raw;
    return out;
}

}  // namespace lv
