// Criteria, matching, the text form of tokens and the filter dialog's value pickers (chips,
// typed range bounds, bucket ticks and name lists).
#include <gtest/gtest.h>

#include <functional>

#include "core/ini.h"
#include "filter/filter.h"
#include "filter/pickers.h"
#include "filter/token_syntax.h"

using namespace lv;

namespace {

FilterToken tok(std::string_view text) {
    FilterToken t;
    EXPECT_TRUE(textToToken(text, &t)) << text;
    return t;
}

PhotoFacts facts(const std::function<void(PhotoFacts&)>& set) {
    PhotoFacts f;
    f.path = "/shoot/IMG_1.JPG";
    set(f);
    return f;
}

}  // namespace

TEST(FilterMatch, SetCriteriaAndNotFlag) {
    struct Case {
        const char* token;
        std::function<void(PhotoFacts&)> photo;
        bool match;
    } cases[] = {
        {"rating|0|64|||", [](PhotoFacts& f) { f.rating = -1; }, true},
        {"rating|0|64|||", [](PhotoFacts& f) { f.rating = 0; }, false},
        {"rating|1|64|||", [](PhotoFacts& f) { f.rating = -1; }, false},
        {"rating|1|64|||", [](PhotoFacts& f) { f.rating = 4; }, true},
        {"rating|0|1|||", [](PhotoFacts& f) { f.rating = 9; }, true},  // out of range counts as none
        {"colour|0|64|||", [](PhotoFacts& f) { f.label = "Select"; }, true},
        {"colour|0|64|||", [](PhotoFacts& f) { f.label = "Red"; }, false},
        {"colour|0|1|||", [](PhotoFacts& f) { f.label = " "; }, true},
        {"colour|0|2|||", [](PhotoFacts& f) { f.label = " red "; }, true},
        {"colour|1|2|||", [](PhotoFacts& f) { f.label = ""; }, true},
        {"filetype|0|1|||", [](PhotoFacts& f) { f.path = "/shoot/A.cr2"; }, true},
        {"filetype|0|1|||", [](PhotoFacts& f) { f.path = "/shoot/A.jpeg"; }, false},
        {"orientation|0|1|||", [](PhotoFacts& f) { f.meta.pixelWidth = 4000, f.meta.pixelHeight = 3000; }, true},
        {"orientation|0|3|||", [](PhotoFacts& f) { f.meta.pixelWidth = f.meta.pixelHeight = 3000; }, false},
        {"orientation|1|1|||", [](PhotoFacts& f) { f.meta.pixelWidth = f.meta.pixelHeight = 3000; }, true},
        {"orientation|0|2|||",
         [](PhotoFacts& f) { f.meta.pixelWidth = 4000, f.meta.pixelHeight = 3000, f.meta.orientation = 8; }, true},
        {"orientation|0|2|||",
         [](PhotoFacts& f) { f.meta.pixelWidth = 4000, f.meta.pixelHeight = 3000, f.meta.orientation = 5; }, true},
        {"orientation|0|3|||", [](PhotoFacts& f) { f.meta.pixelWidth = 4000; }, false},
        {"burst|0|1|||", [](PhotoFacts& f) { f.burstGroup = 0; }, true},
        {"burst|0|1|||", [](PhotoFacts&) {}, false},
        {"focus|1|1|||", [](PhotoFacts&) {}, true},  // not scanned yet
        {"focus|0|7|||", [](PhotoFacts& f) { f.meta.focusClass = 3; }, false},
        {"focus|1|7|||", [](PhotoFacts& f) { f.meta.focusClass = 3; }, true},
        {"shutter|0|4|||", [](PhotoFacts& f) { f.meta.shutterType = 2; }, true},
        {"lens|0|0|||RF24-105mm F4 L IS USM\tEF50mm", [](PhotoFacts& f) { f.meta.lens = " ef50MM "; }, true},
        {"lens|0|0|||EF50mm", [](PhotoFacts&) {}, false},
        {"lens|1|0|||EF50mm", [](PhotoFacts&) {}, true},
        {"camera|0|0|||  \t ", [](PhotoFacts&) {}, true},  // an empty list matches all
        {"rating|1|0|||", [](PhotoFacts&) {}, true},       // empty tokens ignore the not-flag
    };
    for (const Case& c : cases) EXPECT_EQ(tokenMatches(tok(c.token), facts(c.photo)), c.match) << c.token;
}

TEST(FilterMatch, RangesParseFormatAndBounds) {
    struct Case {
        int crit;
        const char* typed;
        bool ok;
        double value;
        const char* shown;
    } cases[] = {
        {kCritAperture, "F/2.8", true, 2.8, "f/2.8"},   {kCritAperture, " f/4 ", true, 4, "f/4.0"},
        {kCritAperture, "f/0", false, 0, ""},           {kCritSpeed, "1/250", true, 0.004, "1/250"},
        {kCritSpeed, "1/3", true, 1.0 / 3, "1/3"},      {kCritSpeed, "2.5", true, 2.5, "2.5"},
        {kCritSpeed, "2", true, 2, "2"},                {kCritSpeed, "1/0", false, 0, ""},
        {kCritSpeed, "-1/4", false, 0, ""},             {kCritExpComp, "+0.7 EV", true, 0.7, "+0.7 EV"},
        {kCritExpComp, "-1.3ev", true, -1.3, "-1.3 EV"}, {kCritExpComp, "-", false, 0, ""},
        {kCritExpComp, " EV", false, 0, ""},            {kCritExpComp, "0", true, 0, "0 EV"},
        {kCritIso, "400", true, 400, "400"},            {kCritIso, "0", false, 0, ""},
        {kCritIso, "inf", false, 0, ""},                {kCritIso, "nan", false, 0, ""},
    };
    for (const Case& c : cases) {
        const Criterion& cr = *criterion(c.crit);
        double v = -99;
        ASSERT_EQ(cr.parse(c.typed, &v), c.ok) << c.typed;
        if (!c.ok) continue;
        EXPECT_NEAR(v, c.value, 1e-12) << c.typed;
        EXPECT_EQ(cr.format(v), c.shown) << c.typed;
    }

    // Stored numbers: no trailing zeros, and no "-0" for a tiny negative.
    for (auto [v, s] : {std::pair{2.5, "2.5"}, {-1e-9, "0"}, {400.0, "400"}, {0.004, "0.004"}})
        EXPECT_EQ(formatTokenNumber(v), s) << v;
    // Bounds typed either way round give the same inclusive range.
    for (const char* text : {"aperture|0|0|2.8|4|", "aperture|0|0|4|2.8|"}) {
        FilterToken t = tok(text);
        for (auto [x100, match] : {std::pair{280, true}, {400, true}, {450, false}, {250, false}, {0, false}})
            EXPECT_EQ(tokenMatches(t, facts([x100 = x100](PhotoFacts& f) { f.meta.apertureX100 = x100; })), match)
                << text << " " << x100;
    }
    // 0 EV is a value; a photo without the rational has none.
    FilterToken ev = tok("expcomp|0|0|-1|1|");
    EXPECT_TRUE(tokenMatches(ev, facts([](PhotoFacts& f) { f.meta.hasExposureComp = true; })));
    EXPECT_FALSE(tokenMatches(ev, facts([](PhotoFacts&) {})));
}

TEST(FilterText, ReadAndWrite) {
    struct Case {
        const char* in;
        const char* out;  // nullptr: refused
    } cases[] = {
        {"rating|1|48|||", "rating|1|48|||"},
        {"rating|0|63|||", "rating|0|127|||"},
        {"colour|0|63|||", "colour|0|63|||"},
        {"iso|0|0|3200|100|", "iso|0|0|100|3200|"},
        {" ISO |0|0|2.80||", "iso|0|0|2.8||"},
        {"speed|0|0||0.004|", "speed|0|0||0.004|"},
        {"rating|0|16", "rating|0|16|||"},
        {"lens|0|0|||A|B\tC", "lens|0|0|||A|B\tC"},
        {"lens|0|0|||A\r\n[Application]", "lens|0|0|||A  [Application]"},
        {"lens|0|0||| A \t\tB\x01", "lens|0|0|||A\tB"},
        {"rating|2|-1|||", "rating|1|4294967295|||"},
        {"newcriterion|0|1|||", nullptr},
        {"rating|0|x|||", nullptr},
        {"rating|0|99999999999|||", nullptr},
        {"iso|0|0|nan||", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        FilterToken t;
        ASSERT_EQ(textToToken(c.in, &t), c.out != nullptr) << c.in;
        if (c.out) {
            EXPECT_EQ(tokenToText(t), c.out) << c.in;
        }
    }
}

TEST(FilterText, TypedSyntaxMapsOntoTokens) {
    struct Case {
        const char* typed;
        const char* text;  // nullptr: refused
    } cases[] = {
        {"rating>=4", "rating|0|48|||"},
        {"rating<=1", "rating|0|3|||"},
        {"rating=rejected", "rating|0|64|||"},
        {"colour!=red,Other", "colour|1|66|||"},
        {"shutter=electronic-front-curtain", "shutter|0|4|||"},
        {"iso=100-800", "iso|0|0|100|800|"},
        {"iso>=800", "iso|0|0|800||"},
        {"aperture=f/4-F/2.8", "aperture|0|0|2.8|4|"},
        {"speed=1/250-1/60", "speed|0|0|0.004|0.01666667|"},
        {"expcomp=-1--0.3", "expcomp|0|0|-1|-0.3|"},
        {"expcomp=-1..+0.7 EV", "expcomp|0|0|-1|0.7|"},
        {"lens=\"RF24-105mm F4 L IS USM\"", "lens|0|0|||RF24-105mm F4 L IS USM"},
        {"iso|0|0|100||", "iso|0|0|100||"},
        {"rating", nullptr},
        {"colour=teal", nullptr},
        {"iso>5", nullptr},
        {"lens>=x", nullptr},
        {"focus>=1", nullptr},
        {"rating=", nullptr},
        {"speed=fast", nullptr},
    };
    for (const Case& c : cases) {
        FilterToken t;
        std::string why;
        ASSERT_EQ(parseTokenArgument(c.typed, &t, &why), c.text != nullptr) << c.typed << ": " << why;
        if (c.text) {
            EXPECT_EQ(tokenToText(t), c.text) << c.typed;
        } else {
            EXPECT_FALSE(why.empty());
        }
    }
}

TEST(FilterText, SummaryLines) {
    Filter f;
    for (const char* t : {"rating|1|48|||", "aperture|0|0|2.8|4|", "iso|0|0|400||", "speed|0|0||0.0166|",
                          "lens|0|0|||A\tB", "colour|0|0|||"})
        ASSERT_TRUE(addTokenText(f, t));
    EXPECT_EQ(describeFilter(f.tokens),
              "   -  not Rating: 4, 5\r\n"
              "   -  Aperture: f/2.8 - f/4.0\r\n"
              "   -  ISO: 400+\r\n"
              "   -  Shutter speed: <= 1/60\r\n"
              "   -  Lens: A, B\r\n");
}

TEST(FilterSettings, LoadSaveAndDefaults) {
    Filter f = defaultFilter();
    // No TokenCount: the default stays.
    loadCurrentFilter(f, "[Filter]\r\nToken1=iso|0|0|100||\r\n");
    ASSERT_EQ(f.tokens.size(), 1u);
    EXPECT_EQ(tokenToText(f.tokens[0]), "rating|0|32|||");

    // A token of another version's criterion is skipped; the others load.
    const char* ini = "[Filter]\r\nTokenCount=3\r\nToken1=weather|0|1|||\r\nToken2=rating|0|63|||\r\nToken3=iso|0|0|800||\r\n";
    loadCurrentFilter(f, ini);
    ASSERT_EQ(f.tokens.size(), 2u);
    EXPECT_EQ(tokenToText(f.tokens[0]), "rating|0|127|||");

    f.tokens.resize(1);
    std::string out = currentFilterIniText(f, ini);
    EXPECT_EQ(iniGetInt(out, "Filter", "TokenCount", -1), 1);
    EXPECT_EQ(iniGet(out, "Filter", "Token1", "?"), "rating|0|127|||");
    EXPECT_EQ(iniGet(out, "Filter", "Token2", "?"), "");
    EXPECT_EQ(iniGet(out, "Filter", "Token3", "?"), "");
    // A damaged count is bounded, not walked.
    EXPECT_EQ(iniGetInt(currentFilterIniText(f, "[Filter]\r\nTokenCount=2000000000\r\n"), "Filter", "TokenCount", -1), 1);
}

// [SECTION] value pickers
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
