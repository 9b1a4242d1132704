// An independent reader checks what we write: ExifTool must read back the rating and label we
// meant, from sidecars we create and from other tools' sidecars we changed. Skipped where
// ExifTool is not installed (and on Windows, where the tests run without it).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/pathname.h"
#include "sidecar/sidecar_file.h"
#include "sidecar/xmp_text.h"
#include "test_support.h"

using namespace lv;

#ifndef _WIN32
namespace {

bool haveExiftool() {
    static const bool have = std::system("exiftool -ver > /dev/null 2>&1") == 0;
    return have;
}

// "rating|label" as ExifTool reads the XMP basic properties ("-" for a missing one).
std::string exiftoolRatingLabel(const std::string& path) {
    std::string cmd = "exiftool -m -s3 -f -XMP-xmp:Rating -XMP-xmp:Label '" + path + "' 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return "popen failed";
    std::string out;
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
    std::string rating = out.substr(0, out.find('\n'));
    std::string rest = out.substr(out.find('\n') + 1);
    std::string label = rest.substr(0, rest.find('\n'));
    return rating + "|" + label;
}

std::string expect(int rating, const std::string& label) {
    return std::to_string(rating) + "|" + (label.empty() ? "-" : label);
}

}  // namespace

TEST(ExiftoolOracle, CreatedSidecarsAreRead) {
    if (!haveExiftool()) GTEST_SKIP() << "exiftool not on PATH";
    lvtest::TempDir dir;
    struct Case {
        int rating;
        const char* label;
    } cases[] = {{3, "Red"}, {-1, ""}, {0, "Green"}, {5, "Yellow"}, {1, "Work & \"play\""}};
    int n = 0;
    for (const Case& c : cases) {
        std::string photo = dir.file("P" + std::to_string(n++) + ".ORF");
        ASSERT_TRUE(writeRating(photo, c.rating, c.label));
        EXPECT_EQ(exiftoolRatingLabel(photo + ".xmp"), expect(c.rating, c.label)) << c.rating;
    }
}

TEST(ExiftoolOracle, ChangedForeignSidecarsAreRead) {
    if (!haveExiftool()) GTEST_SKIP() << "exiftool not on PATH";
    std::string corpus = lvtest::corpusDir();
    if (corpus.empty()) GTEST_SKIP() << "corpus not present";
    std::string folder = joinPath(joinPath(corpus, "files"), "xmp");
    std::vector<DirEntry> entries;
    ASSERT_EQ(listFolder(folder, &entries), 0u);
    lvtest::TempDir dir;
    int checked = 0;
    for (const DirEntry& e : entries) {
        if (e.isFolder) continue;
        SCOPED_TRACE(e.name);
        std::string photo = dir.file("IMG_" + std::to_string(checked++) + ".DNG");
        std::string sidecar = photo + ".xmp";
        ASSERT_TRUE(lvtest::writeFile(sidecar, lvtest::readFile(joinPath(folder, e.name))));

        ASSERT_TRUE(writeRating(photo, 4, ""));
        EXPECT_EQ(exiftoolRatingLabel(sidecar), expect(4, ""));
        ASSERT_TRUE(writeLabel(photo, "Yellow", 4));
        EXPECT_EQ(exiftoolRatingLabel(sidecar), expect(4, "Yellow"));
        ASSERT_TRUE(writeRating(photo, -1, "Yellow"));
        ASSERT_TRUE(writeLabel(photo, "Red", -1));
        EXPECT_EQ(exiftoolRatingLabel(sidecar), expect(-1, "Red"));
        ASSERT_TRUE(writeLabel(photo, "", -1));
        EXPECT_EQ(exiftoolRatingLabel(sidecar), expect(-1, ""));
    }
    EXPECT_GE(checked, 10);
}
#endif
