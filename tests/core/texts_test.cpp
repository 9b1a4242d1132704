#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/texts.h"
#include "library/filekinds.h"

namespace {

std::vector<lv::TextRow> rows() {
    size_t n = 0;
    const lv::TextRow* r = lv::builtinTextRows(&n);
    return std::vector<lv::TextRow>(r, r + n);
}

TEST(TextTable, EveryKeyOnce) {
    auto table = rows();
    ASSERT_EQ(table.size(), 555u);  // a text lost from the table shows
    EXPECT_STREQ(table.front().key, "FilterSuffix");  // a translator's file follows the table's order
    EXPECT_STREQ(table.back().key, "WelcomeImportLater");
    std::set<std::string> seen;
    for (const auto& r : table) EXPECT_TRUE(seen.insert(r.key).second) << "repeated key " << r.key;
}

TEST(TextTable, TextsAreWellFormed) {
    const std::set<std::string> placeholders = {"formats", "vendors", "name", "count", "n", "files", "max",
                                                "done", "total", "arrived", "shown", "code", "file", "type"};
    for (const auto& r : rows()) {
        std::string t = r.text;
        EXPECT_FALSE(t.empty()) << r.key;
        for (size_t i = 0; i < t.size(); i++) {
            if (t[i] == '\n') {
                EXPECT_TRUE(i > 0 && t[i - 1] == '\r') << r.key << ": a line break must be CR LF";
            }
            if (t[i] == '\r') {
                EXPECT_TRUE(i + 1 < t.size() && t[i + 1] == '\n') << r.key;
            }
        }
        // Every "{name}" is one the callers fill; a misspelt one would show on screen.
        for (size_t open = t.find('{'); open != std::string::npos; open = t.find('{', open + 1)) {
            size_t close = t.find('}', open);
            if (close == std::string::npos) break;  // "Unclosed { in the template"
            std::string name = t.substr(open + 1, close - open - 1);
            if (name.empty()) continue;  // "Empty token {}"
            EXPECT_TRUE(placeholders.count(name)) << r.key << " uses {" << name << "}";
        }
    }
}

TEST(TextTable, QuotedTextsAreExact) {
    lv::buildTextTable("en");
    EXPECT_EQ(lv::text("GdiplusInitFailed"),
              "Failed to initialise graphic subsystem needed for rendering. The application will quit now, "
              "apologies.\r\n\r\nThe application needs Windows XP or newer to run.\r\nError code: GDIPLUS");
    EXPECT_EQ(lv::text("WelcomeTitleFirst"), "Welcome to Lumivore!");
    EXPECT_EQ(lv::text("MenuViewExif"), "Shot &information\tI");
    EXPECT_EQ(lv::text("MenuFilter"), "&Change filter...\tShift+X");
    EXPECT_EQ(lv::text("SavedFilterRemoveAsk"),
              "Remove the saved filter \"{name}\"? Only the filter goes. No photo is touched.");
    EXPECT_EQ(lv::text("ExportBadTrailing"),
              "A folder name cannot end with a space or a dot.\r\nWindows would silently drop it and create a "
              "different folder.");
    EXPECT_EQ(lv::text("ExportBadSlash"), "Use \\ between folders, not /.");
    EXPECT_EQ(lv::text("LabelAF"), "AF ");  // trailing spaces are part of the text
    EXPECT_EQ(lv::text("FilterSuffix"), " [Filter active]");
    EXPECT_EQ(lv::text("OrderTimeZA"), "Capture time (&newest first)");
}

TEST(TextLookup, MissingKeyShowsTheKeyAndLanguageIsEnglish) {
    lv::buildTextTable("  DE ");
    EXPECT_EQ(lv::activeLanguage(), "en");
    EXPECT_EQ(lv::text("NoSuchKey"), "NoSuchKey");
    EXPECT_EQ(lv::text(""), "");
    EXPECT_EQ(lv::text("nofilesmsg"), "nofilesmsg");  // keys are exact
    EXPECT_EQ(lv::text("NoFilesMsg"), "No photos found in:");
}

TEST(TextLookup, PhrasesOfTheLibraryAreFilledIn) {
    const std::string formats = lv::formatsPhrase();
    ASSERT_FALSE(formats.empty());
    EXPECT_EQ(lv::textWithFormats("DlgPickFile"), "Open a photo (" + formats + ")");
    EXPECT_EQ(lv::textWithFormats("NoFilesTypes"), "Looking for " + formats + " files.");
    EXPECT_EQ(lv::textWithFormats("MenuFile"), "&File");
    EXPECT_EQ(lv::textWithVendors("WelcomeFormats"),
              "Currently supported: raw and JPEG files from " + lv::vendorsPhrase() + ".");
}

TEST(Placeholders, LiteralCaseSensitiveAndNotRecursive) {
    using lv::fillPlaceholder;
    EXPECT_EQ(fillPlaceholder("{n} of {n}", "{n}", "3"), "3 of 3");
    EXPECT_EQ(fillPlaceholder("{n}{n}", "{n}", ""), "");
    EXPECT_EQ(fillPlaceholder("{name} and {Name}", "{name}", "x"), "x and {Name}");
    EXPECT_EQ(fillPlaceholder("a {n} b", "", "zzz"), "a {n} b");
    EXPECT_EQ(fillPlaceholder("no holes", "{n}", "3"), "no holes");
    // A value holding the placeholder itself is inserted once, not filled again.
    EXPECT_EQ(fillPlaceholder("{n}", "{n}", "{n}{n}"), "{n}{n}");
    // A saved filter named like a placeholder is shown as named.
    std::string u = fillPlaceholder(lv::text("SavedFilterReplaceAsk"), "{name}", "{count}");
    EXPECT_EQ(u, "A saved filter called \"{count}\" already exists. Replace it?");
}

}  // namespace
