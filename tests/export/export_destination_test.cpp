// The destination template, its resolution with the counter rules on real folders, the path
// checks with every message, the dialog line and the migration of the older settings.
#include <gtest/gtest.h>

#include <string>

#include "core/texts.h"
#include "export/export_destination.h"
#include "platform/platform.h"
#include "test_support.h"

using namespace lv;

namespace {

const LocalTime kDay = {2024, 5, 17, 10, 30, 0, 0};

ExportResolveContext at(const std::string& browsed) { return {browsed, kDay, kNativeStyle}; }

std::string sep(const std::string& s) {
    std::string r = s;
    for (char& c : r)
        if (c == '/') c = kPathSep;
    return r;
}

}  // namespace

TEST(ExportTemplate, ItemsBracesAndTokens) {
    auto items = parseExportTemplate("a{{b}}{counter:000}{year:2}{Folder.Path}{open");
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].text, "a{b}");
    EXPECT_EQ(items[1].identity, kExportTokCounter);
    EXPECT_EQ(items[1].counterWidth, 3);
    EXPECT_EQ(items[2].identity, kExportTokUnknown);
    EXPECT_EQ(items[3].identity, kExportTokFolderPath);
    EXPECT_TRUE(items[4].unclosed);
    EXPECT_EQ(items[4].text, "open");
    // The chips of the destination field.
    EXPECT_EQ(exportTokenLabel("{folder.path}"), "Current folder");
    EXPECT_EQ(exportTokenLabel("{counter:000}"), "Counter, 001");
    EXPECT_EQ(exportTokenLabel("{year:2}"), "{year:2}");
    EXPECT_EQ(exportTokenLabel("{open"), "{open");
}

TEST(ExportTemplate, CheckMessages) {
    const struct {
        const char* tpl;
        const char* key;  // nullptr: accepted
    } cases[] = {
        {"  ", "ExportNoDest"},
        {"{folder.path}\\export", nullptr},
        {"D:\\Shoots\\{date}-{counter:00}", nullptr},
        {"{folder}\\{folder.path}", "ExportTplFolderFirst"},
        {"D:\\{counter:0a}", "ExportTplUnknown"},
        {"D:\\{year:2}", "ExportTplUnknown"},
        {"D:\\{counter:0000000000}", "ExportTplUnknown"},
        {"D:\\{nope}", "ExportTplUnknown"},
        {"D:\\{date", "ExportTplUnknown"},
        {"D:\\{{date", nullptr},
    };
    for (const auto& c : cases)
        EXPECT_EQ(checkExportTemplate(c.tpl), c.key ? text(c.key) : std::string()) << c.tpl;
}

TEST(ExportTemplate, ResolvesTokensAndBraces) {
    lvtest::TempDir dir;
    std::string shoot = dir.file("Shoot A");
    EXPECT_EQ(resolveExportDestination("{folder.path}" + sep("/export"), at(shoot + kPathSep)), shoot + sep("/export"));
    EXPECT_EQ(resolveExportDestination(sep(dir.path + "/{folder}-{date}-{year}{month}{day}/{{x}}"), at(shoot)),
              sep(dir.path + "/Shoot A-2024-05-17-20240517/{x}"));
}

TEST(ExportTemplate, CounterInTheLastFolderFollowsTheHighest) {
    lvtest::TempDir dir;
    for (const char* n : {"2024-05-17-01", "2024-05-17-07", "2024-05-17-x9", "2024-05-16-30"})
        ASSERT_EQ(folderCreateAll(dir.file(n)), 0u);
    ASSERT_TRUE(lvtest::writeFile(dir.file("2024-05-17-50"), "a file, not a folder"));
    ExportResolveContext ctx = at(dir.path);
    EXPECT_EQ(resolveExportDestination(dir.path + kPathSep + "{date}-{counter:00}", ctx), dir.file("2024-05-17-08"));
    EXPECT_EQ(resolveExportDestination(dir.path + kPathSep + "{date}-{counter}" + kPathSep, ctx),
              dir.file("2024-05-17-8") + kPathSep);
    // Nothing matching: 1, padded.
    EXPECT_EQ(resolveExportDestination(dir.path + kPathSep + "run{counter:000}", ctx), dir.file("run001"));
}

TEST(ExportTemplate, CounterAboveTheLastFolderTakesTheFirstFreePath) {
    lvtest::TempDir dir;
    ASSERT_EQ(folderCreateAll(dir.file("s1") + kPathSep + "x1"), 0u);
    ASSERT_EQ(folderCreateAll(dir.file("s2") + kPathSep + "x2"), 0u);
    ASSERT_EQ(folderCreateAll(dir.file("s3")), 0u);
    // Two counters share one value: s1/x1 and s2/x2 are taken, s3/x3 is free.
    EXPECT_EQ(resolveExportDestination(dir.path + sep("/s{counter}/x{counter}"), at(dir.path)), dir.file(sep("s3/x3")));
    EXPECT_EQ(resolveExportDestination(dir.path + sep("/s{counter}/out"), at(dir.path)), dir.file(sep("s1/out")));
}

TEST(ExportPath, EveryMessageWindows) {
    const struct {
        const char* path;
        const char* key;     // nullptr: accepted
        const char* detail;  // the text after the message, if any
    } cases[] = {
        {"D:\\exports", nullptr, nullptr},
        {"d:\\exports\\2024\\", nullptr, nullptr},
        {"\\\\server\\share", nullptr, nullptr},
        {"\\\\server\\share\\photos", nullptr, nullptr},
        {"D:\\", nullptr, nullptr},
        {"D:\\con.txt.d\\x", "ExportBadReserved", "CON"},
        {"", "ExportNoDest", nullptr},
        {"D:/exports", "ExportBadSlash", nullptr},
        {"exports", "ExportNeedAbsolute", nullptr},
        {"D:exports", "ExportNeedAbsolute", nullptr},
        {"\\\\server", "ExportNeedAbsolute", nullptr},
        {"\\\\server\\", "ExportNeedAbsolute", nullptr},
        {"\\\\\\share", "ExportNeedAbsolute", nullptr},
        {"D:\\a\\\\b", "ExportBadEmptyPart", nullptr},
        {"D:\\a<b", "ExportBadChar", "<"},
        {"D:\\a>b", "ExportBadChar", ">"},
        {"D:\\a\"b", "ExportBadChar", "\""},
        {"D:\\a|b", "ExportBadChar", "|"},
        {"D:\\a?b", "ExportBadChar", "?"},
        {"D:\\a*b", "ExportBadChar", "*"},
        {"D:\\a:b", "ExportBadChar", ":"},
        {"D:\\a\tb", "ExportBadChar", "\t"},
        {"D:\\a\\..\\b", "ExportBadDotDot", nullptr},
        {"D:\\.", "ExportBadDotDot", nullptr},
        {"D:\\a.\\b", "ExportBadTrailing", nullptr},
        {"D:\\a \\b", "ExportBadTrailing", nullptr},
        {"D:\\exports\\con\\x", "ExportBadReserved", "CON"},
        {"D:\\ lpt9 .x", "ExportBadReserved", "LPT9"},
        {"D:\\Com1", "ExportBadReserved", "COM1"},
        {"D:\\COM0", nullptr, nullptr},
        {"D:\\console", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        std::string want = c.key ? text(c.key) : std::string();
        if (c.detail) want += std::string(" ") + c.detail;
        EXPECT_EQ(checkExportPath(c.path, PathStyle::Windows), want) << c.path;
    }
}

TEST(ExportPath, EveryMessagePosix) {
    const struct {
        const char* path;
        const char* key;
        const char* detail;
    } cases[] = {
        {"/media/card/exports", nullptr, nullptr},
        {"/media/card/exports/", nullptr, nullptr},
        {"/media/a\\b", nullptr, nullptr},  // "\" is an ordinary character here
        {"/", nullptr, nullptr},
        {" ", "ExportNoDest", nullptr},
        {"exports", "ExportNeedAbsolutePosix", nullptr},
        {"D:\\exports", "ExportNeedAbsolutePosix", nullptr},
        {"/a//b", "ExportBadEmptyPart", nullptr},
        {"/a/b?", "ExportBadChar", "?"},
        {"/a/../b", "ExportBadDotDot", nullptr},
        {"/a/b./c", "ExportBadTrailing", nullptr},
        {"/card/aux.d", "ExportBadReserved", "AUX"},
    };
    for (const auto& c : cases) {
        std::string want = c.key ? text(c.key) : std::string();
        if (c.detail) want += std::string(" ") + c.detail;
        EXPECT_EQ(checkExportPath(c.path, PathStyle::Posix), want) << c.path;
    }
}

TEST(ExportDestination, DialogLine) {
    lvtest::TempDir dir;
    std::string shoot = dir.file("shoot");
    ASSERT_EQ(folderCreateAll(shoot + kPathSep + "old"), 0u);
    ExportResolveContext ctx = at(shoot + kPathSep);
    EXPECT_EQ(exportDestinationLine("{folder.path}" + sep("/old"), ctx), text("ExportDestExists") + " " + shoot + sep("/old"));
    EXPECT_EQ(exportDestinationLine("{folder.path}" + sep("/new"), ctx), text("ExportDestNew") + " " + shoot + sep("/new"));
    EXPECT_EQ(exportDestinationLine(" \"{folder.path}" + sep("/old\" "), ctx), text("ExportDestExists") + " " + shoot + sep("/old"));
    EXPECT_EQ(exportDestinationLine("{folder.path}", ctx), text("ExportDestSource"));
    EXPECT_EQ(exportDestinationLine("{x}", ctx), text("ExportTplUnknown"));
    EXPECT_EQ(exportDestinationLine("relative", ctx), checkExportPath("relative"));
    EXPECT_EQ(exportDestinationLine("{x}", ctx, "/done"), text("ExportDestWent") + " /done");
}

TEST(ExportDestination, Migration) {
    EXPECT_EQ(migrateExportDestination("D:\\out{1}", "ignored", 1), "D:\\out{{1}}");
    EXPECT_EQ(migrateExportDestination("", "sel{x}", 1), std::string("{folder.path}") + kPathSep + "sel{{x}}");
    EXPECT_EQ(migrateExportDestination("D:\\out", "picked", 0), std::string("{folder.path}") + kPathSep + "picked");
    EXPECT_EQ(migrateExportDestination("", "", 1), defaultExportTemplate());
    EXPECT_EQ(defaultExportTemplate(PathStyle::Windows), "{folder.path}\\export");
}
