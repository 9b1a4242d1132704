#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/chip_text.h"

namespace {

using namespace lv;

std::string chipsOf(std::string_view tpl) {
    std::string out;
    for (const ChipUnit& u : chipUnits(tpl)) out += u.chip ? "[" + u.raw + "]" : chipShownText(u);
    return out;
}

TEST(ChipText, UnitsRoundTripAndShowTokensAsChips) {
    struct Row {
        const char* tpl;
        const char* shown;
    } rows[] = {
        {"{folder.path}\\export", "[{folder.path}]\\export"},
        {"a{{b}}c", "a{b}c"},
        {"x}y", "x}y"},
        {"D:\\{date}-{counter:00}", "D:\\[{date}]-[{counter:00}]"},
        {"p{unclosed\\rest", "p[{unclosed\\rest]"},
        {"{}", "[{}]"},
        {"caf\xC3\xA9{seq}", "caf\xC3\xA9[{seq}]"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(chipsOf(r.tpl), r.shown) << r.tpl;
        EXPECT_EQ(chipTemplate(chipUnits(r.tpl)), r.tpl);
    }
    EXPECT_EQ(chipUnits("caf\xC3\xA9").size(), 4u);  // one unit per character, not per byte
}

TEST(ChipText, TypingNeverMakesATokenAndDeletingTakesWholeChips) {
    ChipEdit e = chipEditOf("{year}\\");
    chipType(e, "{x}");
    EXPECT_EQ(chipTemplate(e.units), "{year}\\{{x}}");
    chipMoveTo(e, 1, false);
    chipDeleteBack(e);  // the whole {year} chip
    EXPECT_EQ(chipTemplate(e.units), "\\{{x}}");
    EXPECT_EQ(e.caret, 0);
    chipInsertToken(e, "{date}");
    chipPaste(e, "{seq:4}.{file.ext}\r\nsecond line");
    EXPECT_EQ(chipTemplate(e.units), "{date}{seq:4}.{file.ext}\\{{x}}");
    chipMoveTo(e, 1, false);
    chipMoveTo(e, 4, true);  // {seq:4} . {file.ext}
    EXPECT_EQ(chipSelectedText(e), "{seq:4}.{file.ext}");
    chipType(e, "z");
    EXPECT_EQ(chipTemplate(e.units), "{date}z\\{{x}}");
    chipDeleteForward(e);  // the separator after the caret
    EXPECT_EQ(chipTemplate(e.units), "{date}z{{x}}");
}

TEST(ChipText, ReplacingAndRemovingAChipKeepsTheCaretOnItsUnit) {
    ChipEdit e = chipEditOf("{camera}_{lens}");
    chipReplace(e, 0, "{camera:short}");
    EXPECT_EQ(chipTemplate(e.units), "{camera:short}_{lens}");
    chipReplace(e, 0, "");
    EXPECT_EQ(chipTemplate(e.units), "_{lens}");
    EXPECT_EQ(e.caret, 2);
    chipReplace(e, 7, "{x}");  // out of range: nothing
    EXPECT_EQ(chipTemplate(e.units), "_{lens}");
}

}  // namespace
