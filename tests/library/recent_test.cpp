#include <gtest/gtest.h>

#include <algorithm>

#include "core/ini.h"
#include "library/open_paths.h"
#include "library/recent.h"
#include "platform/platform.h"
#include "test_support.h"

using namespace lv;

static const PathStyle W = PathStyle::Windows;

TEST(Recent, ReadsNewKeysAndFallsBackToOldPairs) {
    std::string ini =
        "[Application]\r\nCount=99\r\n"
        "[Recent]\r\nCount=4\r\nFullPath1=D:\\a\\1.CR2\r\nFullPath2=\r\nDir2=D:\\old\r\nFile2=x.NEF\r\n"
        "Dir3=E:\\keep\\\r\nFile3=y.jpg\r\nFullPath4=\r\nFullPath5=D:\\beyond\\count.CR2\r\n";
    EXPECT_EQ(recentFromIni(ini, kRecentSection, kRecentMax, W),
              (std::vector<std::string>{"D:\\a\\1.CR2", "D:\\old\\x.NEF", "E:\\keep\\y.jpg", ""}));
    EXPECT_EQ(recentFromIni("[Recent]\r\nCount=25\r\nFullPath1=a\\b\r\n", kRecentSection, kRecentMax, W).size(), 10u);
    EXPECT_TRUE(recentFromIni("[Recent]\r\nCount=-3\r\n", kRecentSection, kRecentMax, W).empty());
    EXPECT_TRUE(recentFromIni("", kRecentSection, kRecentMax, W).empty());
}

TEST(Recent, OneEntryPerFolderNewestFirstAtMostTen) {
    std::vector<std::string> list = {"D:\\a\\1.CR2", "", "D:\\b\\2.CR2", "d:\\A\\9.CR2", "D:\\ab\\3.CR2"};
    list = addRecentPhoto(list, "D:\\a", "5.CR2", W);
    EXPECT_EQ(list, (std::vector<std::string>{"D:\\a\\5.CR2", "D:\\b\\2.CR2", "D:\\ab\\3.CR2"}));
    // A subfolder is a different folder.
    list = addRecentPhoto(list, "D:\\a\\sub\\", "6.CR2", W);
    EXPECT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0], "D:\\a\\sub\\6.CR2");
    for (int i = 0; i < 12; i++) list = addRecentPhoto(list, "F:\\f" + std::to_string(i), "p.jpg", W);
    ASSERT_EQ(list.size(), 10u);
    EXPECT_EQ(list[0], "F:\\f11\\p.jpg");
    EXPECT_EQ(list[9], "F:\\f2\\p.jpg");  // the oldest dropped
}

TEST(Recent, ExportDestinationsReplaceTheSamePathAtMostEight) {
    std::vector<std::string> list;
    for (int i = 0; i < 10; i++) list = addRecentExport(list, "E:\\out" + std::to_string(i));
    ASSERT_EQ(list.size(), 8u);
    EXPECT_EQ(list[0], "E:\\out9");
    list = addRecentExport(list, "e:\\OUT5");
    EXPECT_EQ(list.size(), 8u);
    EXPECT_EQ(list[0], "e:\\OUT5");
    EXPECT_EQ(std::count(list.begin(), list.end(), "E:\\out5"), 0);
}

TEST(Recent, SectionRoundTripKeepsTheRestOfTheFile) {
    std::string ini =
        "; mine\r\n[Application]\r\nX=1\r\n[Recent]\r\nCount=2\r\nDir1=C:\\z\r\nFile1=q.jpg\r\n[Tail]\r\nY=2\r\n";
    std::vector<std::string> list = {"C:\\p&q\\1.jpg", "C:\\r\\2.jpg"};
    std::string out = recentToIni(ini, kRecentSection, list);
    EXPECT_EQ(recentFromIni(out, kRecentSection, kRecentMax, W), list);
    EXPECT_EQ(iniGet(out, "Application", "X", ""), "1");
    EXPECT_EQ(iniGet(out, "Tail", "Y", ""), "2");
    EXPECT_EQ(iniGet(out, "Recent", "Dir1", "gone"), "gone");  // the section is rewritten whole
    EXPECT_NE(out.find("; mine"), std::string::npos);
}

TEST(Recent, MenuDoublesAmpersands) {
    EXPECT_EQ(menuEscape("C:\\Tom & Jerry\\a&&b.jpg"), "C:\\Tom && Jerry\\a&&&&b.jpg");
    std::vector<std::string> items = recentMenuItems({"C:\\R&D\\1.jpg", ""});
    EXPECT_EQ(items, (std::vector<std::string>{"C:\\R&&D\\1.jpg"}));
    items = recentMenuItems({});
    ASSERT_EQ(items.size(), 1u);
    EXPECT_FALSE(items[0].empty());
}

TEST(Recent, SettingsFileIsUpdatedNotReplaced) {
    lvtest::TempDir dir;
    std::string ini = dir.file("Lumivore.ini");
    ASSERT_TRUE(lvtest::writeFile(ini, "[Application]\r\nLanguage=en\r\n"));
    std::string photo = dir.file("IMG_1.CR2");
    ASSERT_EQ(rememberRecentPhoto(ini, photo), 0u);
    ASSERT_EQ(rememberRecentPhoto(ini, dir.file("IMG_2.CR2")), 0u);
    std::vector<std::string> list = loadRecentList(ini, kRecentSection, kRecentMax);
    EXPECT_EQ(list, (std::vector<std::string>{dir.file("IMG_2.CR2")}));
    ASSERT_EQ(rememberRecentExport(ini, dir.file("out")), 0u);
    EXPECT_EQ(loadRecentList(ini, kRecentExportsSection, kRecentExportsMax),
              (std::vector<std::string>{dir.file("out")}));
    EXPECT_NE(lvtest::readFile(ini).find("Language=en"), std::string::npos);
    // A settings path that cannot be read is reported and nothing is written there.
    EXPECT_NE(rememberRecentPhoto(dir.path, photo), 0u);
}

TEST(Recent, MissingEntryAsksOnlyWhenTheFolderStillHasPhotos) {
    lvtest::TempDir dir;
    ASSERT_TRUE(lvtest::writeFile(dir.file("a.CR2"), "x"));
    RecentOpen r = resolveRecentEntry(dir.file("a.CR2"));
    EXPECT_TRUE(r.open);
    EXPECT_FALSE(r.missing);
    EXPECT_EQ(r.fileName, "a.CR2");
    EXPECT_EQ(r.folder, dir.path + kPathSep);

    r = resolveRecentEntry(dir.file("gone.CR2"));
    EXPECT_TRUE(r.open);
    EXPECT_TRUE(r.missing);
    EXPECT_TRUE(r.message.yesNo);
    EXPECT_NE(r.message.text.find("\r\ngone.CR2\r\n\r\n"), std::string::npos);

    lvtest::TempDir empty;
    r = resolveRecentEntry(empty.file("gone.CR2"));
    EXPECT_FALSE(r.missing);  // opening it reports the empty folder instead
    EXPECT_FALSE(resolveRecentEntry("nofolder.CR2").open);
}

TEST(Clipboard, TrimsAndUnquotesThenDecides) {
    EXPECT_EQ(clipboardPathText("  \"C:\\a b\\x.CR2\"\r\n"), "C:\\a b\\x.CR2");
    EXPECT_EQ(clipboardPathText("\""), "\"");
    EXPECT_EQ(clipboardPathText("\"\""), "");
    EXPECT_EQ(clipboardPathText("\"a\" \"b\""), "a\" \"b");  // one pair only

    lvtest::TempDir dir;
    ASSERT_TRUE(lvtest::writeFile(dir.file("x.NEF"), "x"));
    ClipboardOpen c = resolveClipboardPath(" \"" + dir.file("x.NEF") + "\" ");
    EXPECT_EQ(c.target, ClipboardTarget::File);
    EXPECT_EQ(c.folder, dir.path + kPathSep);
    EXPECT_EQ(c.selectName, "x.NEF");
    c = resolveClipboardPath(dir.path);
    EXPECT_EQ(c.target, ClipboardTarget::Folder);
    EXPECT_EQ(c.folder, dir.path);
    c = resolveClipboardPath("   ");
    EXPECT_EQ(c.target, ClipboardTarget::Empty);
    EXPECT_FALSE(c.message.title.empty());
    c = resolveClipboardPath(dir.file("nope"));
    EXPECT_EQ(c.target, ClipboardTarget::Missing);
    EXPECT_EQ(c.message.icon, MessageIcon::Exclamation);
    EXPECT_NE(c.message.text.find("\n" + dir.file("nope")), std::string::npos);
}

TEST(OpenPaths, DialogsAndExplorer) {
    FileDialogFilter photos, all;
    pickFileFilters(&photos, &all);
    EXPECT_EQ(photos.pattern.substr(0, 12), "*.3FR;*.FFF;");
    EXPECT_EQ(all.pattern, "*.*");
    EXPECT_EQ(pickFolderTitle().find("{formats}"), std::string::npos);
    EXPECT_EQ(revealParameters("C:\\a b\\x.jpg"), "/select,\"C:\\a b\\x.jpg\"");
    EXPECT_EQ(revealParameters(""), "");

    FolderState st;
    EXPECT_EQ(photoForRecent(st), "");
    resetPhotoList(st.photos, 2);
    st.photos.path = {"/s/a.jpg", "/s/b.jpg"};
    st.currentPosition = 1;
    EXPECT_EQ(photoForRecent(st), "/s/b.jpg");
    st.currentPosition = 7;
    EXPECT_EQ(photoForRecent(st), "/s/a.jpg");
}
