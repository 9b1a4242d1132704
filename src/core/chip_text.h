// The editing model of the token-chip field (`LumivoreChips`) that shows the export destination
// and the import naming template: the text cut into units, each token one chip and every other
// character one unit, with a caret and a selection. Both templates share the brace syntax
// ("{{" and "}}" literal braces, "{" to the next "}" a token, an unclosed "{" the rest), so one
// model serves both; what a chip is called comes from the template's own caption rule.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace lv {

struct ChipUnit {
    bool chip = false;
    std::string raw;  // as written in the template: "{seq:4}", "{{", "x", one UTF-8 character
};

// Units of a template; joining their raw texts gives the template back exactly.
std::vector<ChipUnit> chipUnits(std::string_view tpl);
std::string chipTemplate(const std::vector<ChipUnit>& units);
// What a literal unit shows: "{{" shows "{", "}}" shows "}".
std::string chipShownText(const ChipUnit& u);

struct ChipEdit {
    std::vector<ChipUnit> units;
    int caret = 0;   // 0..units.size()
    int anchor = 0;  // the other end of the selection; equal to caret when nothing is selected
};
ChipEdit chipEditOf(std::string_view tpl);
bool chipHasSelection(const ChipEdit& e);
// Removes the selected units; false when nothing was selected.
bool chipEraseSelection(ChipEdit& e);
// Typed text replaces the selection; every character becomes a literal unit, braces doubled, so
// typing never makes a token by accident.
void chipType(ChipEdit& e, std::string_view typed);
// A token replaces the selection as one chip.
void chipInsertToken(ChipEdit& e, std::string_view tokenText);
// Pasted text replaces the selection and is read as template text (tokens become chips).
void chipPaste(ChipEdit& e, std::string_view tpl);
// Backspace and Delete: the selection, else the unit before or after the caret.
void chipDeleteBack(ChipEdit& e);
void chipDeleteForward(ChipEdit& e);
// Caret moves; extend keeps the anchor (Shift).
void chipMoveTo(ChipEdit& e, int pos, bool extend);
// The chip at index becomes tokenText (empty: the chip is removed).
void chipReplace(ChipEdit& e, int index, std::string_view tokenText);
// The selected units' template text.
std::string chipSelectedText(const ChipEdit& e);

}  // namespace lv
