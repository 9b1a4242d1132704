#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>

#include "library/longpath.h"
#include "library/scantree.h"
#include "platform/platform.h"
#include "test_support.h"

using namespace lv;

// [SECTION] long paths
namespace {
bool absoluteUnchanged(std::u16string_view p, std::u16string* out) {
    *out = std::u16string(p);
    return true;
}
bool absoluteUnderD(std::u16string_view p, std::u16string* out) {
    *out = u"D:\\work\\" + std::u16string(p);
    return true;
}
bool absoluteFails(std::u16string_view, std::u16string*) { return false; }
}  // namespace

TEST(LongPath, PrefixFromTheThresholdOn) {
    std::string dir = "C:\\" + std::string(240, 'a') + "\\";
    std::string at247 = dir + std::string(247 - dir.size(), 'b');
    std::string at248 = at247 + "c";
    ASSERT_EQ(at248.size(), 248u);
    EXPECT_EQ(longPath(at247, absoluteUnchanged), utf16FromUtf8(at247));
    EXPECT_EQ(longPath(at248, absoluteUnchanged), u"\\\\?\\" + utf16FromUtf8(at248));
    // Length counts UTF-16 units, not UTF-8 bytes: 200 two-byte letters stay short.
    std::string umlauts;
    for (int i = 0; i < 200; i++) umlauts += "\xC3\xA4";
    EXPECT_EQ(longPath("C:\\" + umlauts, absoluteUnchanged).size(), 203u);
}

TEST(LongPath, NetworkSharesAndRelativePaths) {
    std::string unc = "\\\\server\\share\\" + std::string(250, 'x');
    std::u16string l = longPath(unc, absoluteUnchanged);
    EXPECT_EQ(l, u"\\\\?\\UNC\\server\\share\\" + utf16FromUtf8(std::string(250, 'x')));
    EXPECT_EQ(shortPath(l), unc);
    // A relative path is made absolute before the prefix goes on.
    std::string rel = "shoot\\" + std::string(250, 'y');
    EXPECT_EQ(longPath(rel, absoluteUnderD), u"\\\\?\\D:\\work\\" + utf16FromUtf8(rel));
    // When it cannot be made absolute it is used as it is, never with a prefix.
    EXPECT_EQ(longPath(rel, absoluteFails), utf16FromUtf8(rel));
    // Already prefixed paths pass untouched.
    std::string pre = "\\\\?\\C:\\" + std::string(260, 'z');
    EXPECT_EQ(longPath(pre, absoluteFails), utf16FromUtf8(pre));
    EXPECT_EQ(shortPath(u"\\\\?\\C:\\x"), "C:\\x");
    EXPECT_EQ(shortPath(u"C:\\x"), "C:\\x");
}

// [SECTION] tree scan
namespace {
std::string sep(const std::string& a, const std::string& b) { return a + kPathSep + b; }

std::vector<std::string> relPaths(const std::vector<ScanRecord>& list, const std::string& root) {
    std::vector<std::string> out;
    for (const ScanRecord& r : list) out.push_back(r.path.substr(root.size() + 1));
    return out;
}
}  // namespace

TEST(ScanTree, HiddenFilesSubfoldersDepthFirstLinksNotFollowed) {
    lvtest::TempDir t;
    namespace fs = std::filesystem;
    ASSERT_TRUE(lvtest::writeFile(t.file("A.CR2"), "1234"));
    ASSERT_TRUE(lvtest::writeFile(t.file(".hidden.JPG"), "12"));
    ASSERT_EQ(folderCreateAll(sep(t.file("DCIM"), "100CANON")), 0u);
    ASSERT_EQ(folderCreateAll(t.file("MISC")), 0u);
    ASSERT_TRUE(lvtest::writeFile(sep(sep(t.file("DCIM"), "100CANON"), "B.CR2"), "123"));
    ASSERT_TRUE(lvtest::writeFile(sep(t.file("DCIM"), "C.MP4"), "1"));
    ASSERT_TRUE(lvtest::writeFile(sep(t.file("MISC"), "notes.txt"), "abcdef"));
    // A link back to the root would loop forever if it were followed. Windows may refuse to
    // make one without privileges; the rest of the walk is checked either way.
    std::error_code ec;
    fs::create_directory_symlink(t.path, t.file("loop"), ec);
#ifndef _WIN32
    ASSERT_FALSE(ec) << ec.message();
#endif

    std::vector<ScanRecord> list;
    ScanStats stats;
    ScanFilter all;
    ScanLive live;
    int n = scanTree(t.path, list, stats, all, nullptr, true, nullptr, &live);
    ASSERT_EQ(n, 5);
    EXPECT_EQ(live.files.load(), 5u);  // what the card line counts while the walk runs
    EXPECT_EQ(live.folders.load(), stats.foldersVisited);
    ASSERT_EQ(list.size(), 5u);
    std::vector<std::string> rel = relPaths(list, t.path);
    std::vector<std::string> sorted = rel;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<std::string>{".hidden.JPG", "A.CR2", sep(sep("DCIM", "100CANON"), "B.CR2"),
                                                sep("DCIM", "C.MP4"), sep("MISC", "notes.txt")}));
    // A folder's own files come before anything in its subfolders, and a subtree is finished
    // before the next sibling starts.
    auto at = [&](const std::string& r) { return std::find(rel.begin(), rel.end(), r) - rel.begin(); };
    EXPECT_LT(at("A.CR2"), at(sep("DCIM", "C.MP4")));
    EXPECT_LT(at(sep("DCIM", "C.MP4")), at(sep(sep("DCIM", "100CANON"), "B.CR2")));
    bool dcimFirst = at(sep("DCIM", "C.MP4")) < at(sep("MISC", "notes.txt"));
    if (dcimFirst)
        EXPECT_LT(at(sep(sep("DCIM", "100CANON"), "B.CR2")), at(sep("MISC", "notes.txt")));
    else
        EXPECT_GT(at(sep("DCIM", "C.MP4")), at(sep("MISC", "notes.txt")));
    EXPECT_EQ(stats.filesKept, 5u);
    EXPECT_EQ(stats.bytesKept, 16u);
    EXPECT_EQ(stats.foldersVisited, 4u);  // root, DCIM, 100CANON, MISC; never the link
    EXPECT_EQ(stats.root, t.path);
    EXPECT_EQ(list[size_t(at("A.CR2"))].size, 4u);
    EXPECT_GT(list[size_t(at("A.CR2"))].writeTime, 0u);
}

TEST(ScanTree, FilterCountsExcludedFilesWithTheirSize) {
    lvtest::TempDir t;
    ASSERT_TRUE(lvtest::writeFile(t.file("a.CR3"), "12345"));
    ASSERT_TRUE(lvtest::writeFile(t.file("a.LRV"), "123"));
    ASSERT_TRUE(lvtest::writeFile(t.file("b.MP4"), "1234567"));
    ASSERT_TRUE(lvtest::writeFile(t.file("a.THM"), "1"));
    ScanFilter f;
    f.excluded = ".lrv|";
    f.include[kScanSidecar] = false;
    std::vector<ScanRecord> list;
    ScanStats stats;
    ASSERT_EQ(scanTree(t.path, list, stats, f, nullptr, false), 2);
    EXPECT_EQ(stats.filesExcluded, 2u);
    EXPECT_EQ(stats.bytesExcluded, 4u);
    EXPECT_EQ(stats.bytesKept, 12u);
    EXPECT_EQ(scanClassOf("x.jpeg"), kScanPhoto);
    EXPECT_EQ(scanClassOf("x.dat"), kScanOther);
}

TEST(ScanTree, PathsOf1024AndMoreAreCountedNotStored) {
    lvtest::TempDir t;
    // Nest folders until the file paths cross the limit: one just below, one at it.
    std::string dir = t.path;
    while (dir.size() < 900) {
        dir = sep(dir, std::string(100, 'd'));
        ASSERT_EQ(folderCreateAll(dir), 0u);
    }
    size_t room = 1023 - dir.size() - 1;  // a name that makes the path exactly 1023 long
    std::string okName = std::string(room - 4, 'k') + ".JPG";
    std::string longName = std::string(room - 3, 'l') + ".JPG";
    ASSERT_EQ(sep(dir, okName).size(), 1023u);
    ASSERT_EQ(sep(dir, longName).size(), 1024u);
    ASSERT_TRUE(lvtest::writeFile(sep(dir, okName), "x"));
    ASSERT_TRUE(lvtest::writeFile(sep(dir, longName), "x"));
    std::vector<ScanRecord> list;
    ScanStats stats;
    ASSERT_EQ(scanTree(t.path, list, stats, ScanFilter(), nullptr, true), 1);
    EXPECT_EQ(list[0].path, sep(dir, okName));
    EXPECT_EQ(stats.tooLong, 1u);
}

TEST(ScanTree, GrowsPastTheFirstBlockAndStopsWhenMemoryIsShort) {
    lvtest::TempDir t;
    for (int i = 0; i < 1100; i++) ASSERT_TRUE(lvtest::writeFile(t.file("f" + std::to_string(i) + ".jpg"), ""));
    std::vector<ScanRecord> list;
    ScanStats stats;
    ASSERT_EQ(scanTree(t.path, list, stats, ScanFilter(), nullptr, true), 1100);
    EXPECT_EQ(list.size(), 1100u);

    static int probes;
    probes = 0;
    auto refuseSecondGrowth = [](size_t bytes) {
        probes++;
        return bytes < 1024 * sizeof(ScanRecord) + 1;  // the first growth (to 1024) fits, the next not
    };
    EXPECT_EQ(scanTree(t.path, list, stats, ScanFilter(), nullptr, true, refuseSecondGrowth), -2);
    EXPECT_TRUE(stats.outOfMemory);
    EXPECT_EQ(stats.filesKept, 1024u);
    EXPECT_EQ(probes, 7);  // six blocks for the first growth, the refusal on the next
    // Without the check the same probe is never asked.
    probes = 0;
    EXPECT_EQ(scanTree(t.path, list, stats, ScanFilter(), nullptr, false, refuseSecondGrowth), 1100);
    EXPECT_EQ(probes, 0);
}

TEST(ScanTree, CancelFlagStopsTheWalk) {
    lvtest::TempDir t;
    ASSERT_TRUE(lvtest::writeFile(t.file("a.jpg"), "x"));
    std::atomic<bool> cancel{true};
    std::vector<ScanRecord> list;
    ScanStats stats;
    EXPECT_EQ(scanTree(t.path, list, stats, ScanFilter(), &cancel, true), -1);
    EXPECT_EQ(stats.filesKept, 0u);
    cancel = false;
    EXPECT_EQ(scanTree(t.path, list, stats, ScanFilter(), &cancel, true), 1);
    // A root that cannot be listed is an empty scan, not a failure.
    EXPECT_EQ(scanTree(t.file("missing"), list, stats, ScanFilter(), &cancel, true), 0);
}
