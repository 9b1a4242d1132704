#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/startup.h"
#include "core/texts.h"
#include "library/filekinds.h"

namespace {

using lv::PathStyle;

TEST(StartupArguments, SwitchesAndPath) {
    struct Row {
        const char* text;
        bool log, bench;
        int cacheMode;
        const char* path;
    };
    const Row rows[] = {
        {"", false, false, 0, ""},
        {"/log D:\\Shoot", true, false, 0, "D:\\Shoot"},
        {"D:\\Shoot /LOG", true, false, 0, "D:\\Shoot"},
        {"  D:\\Sh/Log oot  ", true, false, 0, "D:\\Sh oot"},  // removed where it stands
        {"/BENCH:disk D:\\Shoot", false, true, 1, "D:\\Shoot"},
        {"/bench:Ram D:\\Shoot", false, true, 2, "D:\\Shoot"},
        {"/BENCH:NONE", false, true, 3, ""},
        {"/BENCH:fast D:\\Shoot", false, true, 0, "D:\\Shoot"},  // unknown word keeps the loaded mode
        {"/BENCH D:\\Shoot", false, true, 0, "D:\\Shoot"},
        {"/LOG /BENCH:DISK D:\\Shoot", true, true, 1, "D:\\Shoot"},
        {"D:\\Shoot /BENCH", false, false, 0, "D:\\Shoot /BENCH"},  // only at the start
        {"\"D:\\My Shoot\\IMG_1.CR2\"", false, false, 0, "D:\\My Shoot\\IMG_1.CR2"},
        {"/log \"D:\\My Shoot\\\"", true, false, 0, "D:\\My Shoot\\"},
        {"\"", false, false, 0, "\""},  // a lone quote is not a pair
        {"/LOG/LOG", true, false, 0, "/LOG"},  // only the first occurrence goes
    };
    for (const Row& r : rows) {
        lv::StartupArgs a = lv::parseStartupArguments(r.text);
        EXPECT_EQ(a.log, r.log) << r.text;
        EXPECT_EQ(a.bench, r.bench) << r.text;
        EXPECT_EQ(a.benchCacheMode, r.cacheMode) << r.text;
        EXPECT_EQ(a.path, r.path) << r.text;
    }
}

// A pretend disk: D:\Shoot\ holds IMG_1.CR2 and IMG_2.CR2, D:\Empty\ holds no photo.
bool fakeIsFolder(std::string_view p) {
    static const std::set<std::string> folders = {"D:\\Shoot", "D:\\Shoot\\", "D:\\Empty", "D:\\Empty\\"};
    return folders.count(std::string(p)) > 0;
}
bool fakeExists(std::string_view p) {
    return fakeIsFolder(p) || p == "D:\\Shoot\\IMG_1.CR2" || p == "D:\\Shoot\\IMG_2.CR2";
}
bool fakeHasPhotos(std::string_view f) { return f == "D:\\Shoot\\"; }

TEST(StartupFolder, PathArgumentThenRecentThenWelcome) {
    lv::StartupProbe probe{fakeIsFolder, fakeExists, fakeHasPhotos};
    struct Row {
        const char* path;
        const char* recent;
        bool welcome;
        const char* folder;
        const char* file;
        const char* missing;
    };
    const Row rows[] = {
        {"D:\\Shoot", "", false, "D:\\Shoot\\", "", ""},
        {"D:\\Shoot\\IMG_2.CR2", "", false, "D:\\Shoot\\", "D:\\Shoot\\IMG_2.CR2", ""},
        {"D:\\Shoot\\IMG_9.CR2", "", false, "D:\\Shoot\\", "", "IMG_9.CR2"},  // gone: first photo, then the question
        {"D:\\Empty", "D:\\Shoot\\IMG_1.CR2", true, "D:\\Empty\\", "", ""},  // the argument wins over the recent list
        {"D:\\Nowhere\\x.CR2", "", true, "D:\\Nowhere\\", "", ""},
        {"", "D:\\Shoot\\IMG_1.CR2", false, "D:\\Shoot\\", "D:\\Shoot\\IMG_1.CR2", ""},
        {"", "D:\\Shoot\\IMG_7.CR2", false, "D:\\Shoot\\", "", "IMG_7.CR2"},
        {"", "D:\\Gone\\IMG_1.CR2", true, "", "", ""},
        {"", "", true, "", "", ""},
    };
    for (const Row& r : rows) {
        lv::StartupChoice c = lv::chooseStartupFolder(r.path, r.recent, probe, PathStyle::Windows);
        SCOPED_TRACE(std::string(r.path) + " | " + r.recent);
        EXPECT_EQ(c.welcome, r.welcome);
        EXPECT_EQ(c.folder, r.folder);
        EXPECT_EQ(c.file, r.file);
        EXPECT_EQ(c.missingFile, r.missing);
        if (r.welcome)
            EXPECT_EQ(c.logLine, "no valid startup folder (candidate: " + std::string(r.folder) + ") -> welcome screen");
        else
            EXPECT_TRUE(c.logLine.empty());
    }
}

TEST(WelcomeScreen, FirstRunAndBackVariants) {
    lv::WelcomeContent first = lv::welcomeContent({}, false, lv::textWithVendors("WelcomeFormats"), PathStyle::Windows);
    EXPECT_FALSE(first.back);
    EXPECT_EQ(first.title, "Welcome to Lumivore!");
    EXPECT_EQ(first.subtitle, "Choose your first folder for review.");
    EXPECT_EQ(first.formats.rfind("Currently supported: raw and JPEG files from ", 0), 0u);
    EXPECT_EQ(first.formats.find("{vendors}"), std::string::npos);
    ASSERT_FALSE(first.entries.empty());
    EXPECT_NE(first.entries.front().action, lv::WelcomeAction::OpenSelected);  // nothing to select
    EXPECT_EQ(first.entries.back().action, lv::WelcomeAction::Quit);

    lv::WelcomeContent back = lv::welcomeContent(
        {"D:\\A\\1.CR2", "d:\\a\\2.CR2", "D:\\B\\3.NEF", "", "nofolder.jpg"}, false, "formats", PathStyle::Windows);
    EXPECT_TRUE(back.back);
    EXPECT_EQ(back.title, "Welcome back!");
    EXPECT_EQ(back.subtitle, "Your last folder is no longer available. Please choose another one.");
    EXPECT_EQ(back.recentFolders, (std::vector<std::string>{"D:\\A\\", "D:\\B\\"}));
    EXPECT_EQ(back.entries.front().action, lv::WelcomeAction::OpenSelected);

    for (bool ready : {false, true}) {
        lv::WelcomeContent w = lv::welcomeContent({}, ready, "formats", PathStyle::Windows);
        int imports = 0;
        for (const lv::WelcomeEntry& e : w.entries) {
            if (e.action != lv::WelcomeAction::Import) continue;
            imports++;
            EXPECT_EQ(e.enabled, ready);
            EXPECT_EQ(e.note.empty(), ready) << "a disabled entry says why";
        }
        EXPECT_EQ(imports, 1);
    }
}

TEST(StartupLog, LinesOfTheSequence) {
    EXPECT_EQ(lv::settingsLoadedLine(2, "C:\\cfg\\Lumivore.ini"), "settings loaded: cache mode 2, ini C:\\cfg\\Lumivore.ini");
    EXPECT_EQ(lv::folderLoadedLine("D:\\Shoot\\", 52), "folder loaded: D:\\Shoot\\ (52 files)");
}

}  // namespace
