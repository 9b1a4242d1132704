// The filter dialog's value pickers: chips, typed range bounds, bucket ticks and name lists.
#include <gtest/gtest.h>

#include "filter/filter.h"
#include "filter/pickers.h"

using namespace lv;

namespace {

FilterToken tok(std::string_view text) {
    FilterToken t;
    EXPECT_TRUE(textToToken(text, &t)) << text;
    return t;
}

}  // namespace

TEST(FilterPickers, ChipText) {
    FilterToken rating = tok("rating|1|48|||");
    rating.matchCount = 57;
    EXPECT_EQ(tokenChipText(rating), "not Rating: 4, 5  (57)");
    FilterToken empty = tok("iso|1|0|||");  // the not-flag of an empty token is not shown
    EXPECT_EQ(tokenChipText(empty), "ISO  (0)");
    EXPECT_EQ(tokenChipText(tok("aperture|0|0|1.4|2.8|")), "Aperture: f/1.4 - f/2.8  (0)");
}

TEST(FilterPickers, RangeBoundsParseAndFormat) {
    struct Case {
        const char* token;
        bool high;
        const char* typed;
        bool ok;
        const char* shown;  // the bound's field afterwards
    } cases[] = {
        {"aperture|0|0|||", false, " F/2.8 ", true, "f/2.8"},
        {"speed|0|0|||", true, "1/250", true, "1/250"},
        {"speed|0|0|||", true, "1/0", false, ""},
        {"iso|0|0|100||", false, "", true, ""},         // empty clears the bound
        {"iso|0|0|100||", false, "lots", false, "100"},  // unusable text keeps the bound
        {"expcomp|0|0|||", false, "-0.7 EV", true, "-0.7 EV"},
        {"expcomp|0|0|||", false, "-", false, ""},
        {"rating|0|0|||", false, "3", false, ""},  // not a range criterion
    };
    for (const Case& c : cases) {
        FilterToken t = tok(c.token);
        EXPECT_EQ(setRangeBound(t, c.high, c.typed), c.ok) << c.token << " " << c.typed;
        EXPECT_EQ(rangeBoundText(t, c.high), c.shown) << c.token << " " << c.typed;
    }
}

TEST(FilterPickers, BucketsAndNames) {
    FilterToken r = tok("rating|0|0|||");
    setBucket(r, 6, true);
    setBucket(r, 5, true);
    setBucket(r, 5, false);
    setBucket(r, 40, true);  // past the mask: ignored
    EXPECT_EQ(r.mask, 64u);

    FilterToken lens = tok("lens|0|0||| EF50mm f/1.8 STM \t\tRF24-70mm");
    EXPECT_EQ(tokenNames(lens), (std::vector<std::string>{"EF50mm f/1.8 STM", "RF24-70mm"}));
    EXPECT_TRUE(tokenHasName(lens, "ef50MM F/1.8 stm"));
    setTokenName(lens, "ef50mm f/1.8 stm", false);
    setTokenName(lens, "Zeiss 85", true);
    setTokenName(lens, "zeiss 85", true);  // already there, ignoring case
    EXPECT_EQ(lens.names, "RF24-70mm\tzeiss 85");
    setTokenName(lens, "RF24-70mm", false);
    setTokenName(lens, "zeiss 85", false);
    EXPECT_TRUE(tokenIsEmpty(lens));
}

TEST(FilterPickers, NamesFromTheFolderAndTheToken) {
    FolderState folder;
    resetPhotoList(folder.photos, 5);
    const char* lenses[] = {"RF24-70mm", "", " rf24-70MM ", "EF50mm", "RF24-70mm"};
    for (int i = 0; i < 5; i++) {
        folder.photos.path[size_t(i)] = "/shoot/IMG_" + std::to_string(i) + ".CR3";
        PhotoMeta m;
        m.lens = lenses[i];
        m.valid = true;
        setPhotoMeta(folder.photos, i, m);
    }
    FilterToken t = tok("lens|0|0|||Old lens\tef50MM");
    EXPECT_EQ(pickerNames(t, FactsView{&folder, nullptr}),
              (std::vector<std::string>{"ef50MM", "Old lens", "RF24-70mm"}));
    FilterToken camera = tok("camera|0|0|||");
    EXPECT_TRUE(pickerNames(camera, FactsView{&folder, nullptr}).empty());
}
