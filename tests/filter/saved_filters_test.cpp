#include <gtest/gtest.h>

#include "core/ini.h"
#include "filter/saved_filters.h"
#include "test_support.h"

using namespace lv;

TEST(SavedFilters, NamesAndBodies) {
    struct Name {
        std::string in, out;
    } names[] = {
        {std::string(50, 'a'), std::string(40, 'a')},
        {"  two\twords ", "two words"},
        {std::string(39, 'x') + " yz", std::string(39, 'x')},
        {std::string(39, 'x') + "\xC3\xA9\xC3\xA9", std::string(39, 'x') + "\xC3\xA9"},  // cut by characters
        {"\x01\x02", ""},
    };
    for (const Name& n : names) EXPECT_EQ(sanitizeName(n.in), n.out) << n.in;

    // Order, blank lines, carriage returns and empty tokens do not matter; another version's
    // line is kept exactly and makes the body unusable.
    EXPECT_EQ(normalizeBody("iso|0|0|100||\r\n\n  rating|0|48|||\ncolour|0|0|||"),
              normalizeBody("rating|0|48|||\niso|0|0|100||"));
    EXPECT_EQ(normalizeBody("weather|0|1||| \nrating|0|63|||"), "rating|0|127|||\nweather|0|1|||");
    EXPECT_TRUE(bodyIsUsable("rating|0|127|||\niso|0|0|100||"));
    EXPECT_FALSE(bodyIsUsable("rating|0|127|||\nweather|0|1|||"));
    EXPECT_FALSE(bodyIsUsable("rating|0|128|||"));  // a bucket this version does not have
    EXPECT_FALSE(bodyIsUsable("focus|0|8|||"));

    Filter a, b;
    addTokenText(a, "rating|0|48|||");
    addTokenText(a, "lens|0|0|||EF50mm");
    addTokenText(b, "lens|0|0|||EF50mm");
    addTokenText(b, "rating|0|48|||");
    addTokenText(b, "iso|0|0|||");
    EXPECT_EQ(currentFilterBody(a), currentFilterBody(b));
}

TEST(SavedFilters, ThirtyKeptInOrder) {
    SavedFilters s;
    PutRefusal why = PutRefusal::None;
    for (int i = 0; i < 30; i++)
        ASSERT_GE(putSavedFilter(s, "f" + std::to_string(100 - i), "rating|0|32|||", "", &why), 0);
    EXPECT_EQ(putSavedFilter(s, "one more", "rating|0|32|||", "", &why), -1);
    EXPECT_EQ(why, PutRefusal::Full);
    // The same name (in any case) replaces, even with 30 kept.
    int i = putSavedFilter(s, "F85", "iso|0|0|100||", "", &why);
    ASSERT_GE(i, 0);
    EXPECT_EQ(s.entries.size(), 30u);
    EXPECT_EQ(s.entries[size_t(i)].name, "F85");
    EXPECT_EQ(s.entries[size_t(i)].body, "iso|0|0|100||");
    EXPECT_EQ(putSavedFilter(s, "x", "rating|0|0|||", "", &why), -1);
    EXPECT_EQ(why, PutRefusal::EmptyBody);

    SavedFilters t;
    for (const char* n : {"beta", "Alpha", "gamma", "ALPHA2"}) putSavedFilter(t, n, "rating|0|32|||", "");
    std::vector<std::string> order;
    for (const SavedFilter& e : t.entries) order.push_back(e.name);
    EXPECT_EQ(order, (std::vector<std::string>{"Alpha", "ALPHA2", "beta", "gamma"}));
    EXPECT_EQ(findSavedFilter(t, " GAMMA "), 3);
}

TEST(SavedFilters, SettingsRoundTripKeepsOtherVersionsFilters) {
    lvtest::TempDir dir;
    std::string ini = dir.file("Lumivore.ini");
    ASSERT_TRUE(lvtest::writeFile(ini,
                                  "[SavedFilters]\r\nCount=4\r\n"
                                  "Filter1Name=Future\r\nFilter1TokenCount=2\r\nFilter1Token1=weather|0|1|||\r\n"
                                  "Filter1Token2=rating|0|63|||\r\n"
                                  "Filter2Name=future\r\nFilter2TokenCount=1\r\nFilter2Token1=rating|0|1|||\r\n"
                                  "Filter3Name=\r\nFilter3TokenCount=1\r\nFilter3Token1=rating|0|1|||\r\n"
                                  "Filter4Name=Lens & body\r\nFilter4TokenCount=3\r\nFilter4Token1=lens|0|0|||EF50mm\r\n"
                                  "Filter4Token2=\r\nFilter4Token3=camera|0|0|||EOS R\r\n"));
    SavedFilters s;
    loadSavedFilters(s, lvtest::readFile(ini));
    ASSERT_EQ(s.entries.size(), 2u);  // the duplicate and the nameless entry are skipped
    EXPECT_EQ(s.entries[0].body, "rating|0|127|||\nweather|0|1|||");
    EXPECT_FALSE(isSavedFilterUsable(s, 0));
    std::vector<FilterToken> tokens;
    EXPECT_FALSE(tokensOfSavedFilter(s, 0, &tokens));
    ASSERT_TRUE(tokensOfSavedFilter(s, 1, &tokens));
    EXPECT_EQ(tokens.size(), 2u);
    EXPECT_TRUE(savedFilterNeedsScan(s, 1));
    EXPECT_FALSE(savedFilterUsesRatingOrColour(s, 1));

    Filter current;
    addTokenText(current, "camera|0|0|||EOS R");
    addTokenText(current, "lens|0|0|||EF50mm");
    FilterSession session;
    session.saved = s;
    session.current = current;
    std::vector<SavedMenuEntry> menu = savedFilterMenu(session);
    ASSERT_EQ(menu.size(), 2u);
    EXPECT_EQ(menu[0].text, "Future (cannot be used)");
    EXPECT_EQ(menu[1].text, "Lens && body");
    EXPECT_TRUE(menu[1].checked);
    EXPECT_EQ(savedFilterButtonMenu(session).back().text, "Remove Lens && body");

    // Removing the second entry clears its keys; the unusable one is written back unchanged.
    ASSERT_TRUE(removeSavedFilter(s, 1, ini));
    std::string text = lvtest::readFile(ini);
    EXPECT_EQ(iniGetInt(text, "SavedFilters", "Count", -1), 1);
    EXPECT_EQ(iniGet(text, "SavedFilters", "Filter1Token2", ""), "weather|0|1|||");
    for (const char* k : {"Filter2Name", "Filter2Token1", "Filter4Token3"})
        EXPECT_EQ(iniGet(text, "SavedFilters", k, ""), "") << k;
    SavedFilters again;
    loadSavedFilters(again, text);
    ASSERT_EQ(again.entries.size(), 1u);
    EXPECT_EQ(again.entries[0].body, s.entries[0].body);
}
