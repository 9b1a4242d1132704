// An independent reader checks what we write: ExifTool must read back the rating and label we
// meant, from sidecars we create and from other tools' sidecars we changed. Skipped where
// ExifTool is not installed (and on Windows, where the tests run without it).
#include <gtest/gtest.h>

#include <algorithm>
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

// What a command prints.
std::string outputOf(const std::string& cmd) {
    FILE* p = popen((cmd + " 2>/dev/null").c_str(), "r");
    if (!p) return "popen failed";
    std::string out;
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
    return out;
}

// "rating|label" as ExifTool reads the XMP basic properties ("-" for a missing one).
std::string exiftoolRatingLabel(const std::string& path) {
    std::string out = outputOf("exiftool -m -s3 -f -XMP-xmp:Rating -XMP-xmp:Label '" + path + "'");
    std::string rating = out.substr(0, out.find('\n'));
    std::string rest = out.substr(out.find('\n') + 1);
    std::string label = rest.substr(0, rest.find('\n'));
    return rating + "|" + label;
}

// "rating|label" as exiv2 reads them ("-" for a missing one).
std::string exiv2RatingLabel(const std::string& path) {
    std::string out[2];
    const char* keys[2] = {"Xmp.xmp.Rating", "Xmp.xmp.Label"};
    for (int i = 0; i < 2; i++) {
        out[i] = outputOf("exiv2 -q -K " + std::string(keys[i]) + " -Pv '" + path + "'");
        while (!out[i].empty() && out[i].back() == '\n') out[i].pop_back();
        if (out[i].empty()) out[i] = "-";
    }
    return out[0] + "|" + out[1];
}

// The other tools' sidecars of the corpus (empty when it is absent).
std::vector<DirEntry> corpusSidecars(std::string* folder) {
    std::vector<DirEntry> entries;
    std::string corpus = lvtest::corpusDir();
    if (corpus.empty()) return entries;
    *folder = joinPath(joinPath(corpus, "files"), "xmp");
    listFolder(*folder, &entries);
    entries.erase(std::remove_if(entries.begin(), entries.end(), [](const DirEntry& e) { return e.isFolder; }),
                  entries.end());
    return entries;
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

// Other tools' sidecars we changed are read as we meant them, whether they carry the photo's full
// name or, as other tools name theirs, its stem (IMG_0002.xmp beside IMG_0002.CR2: changed in
// place, no second sidecar appears, and exiv2 reads it too).
TEST(ExiftoolOracle, ChangedForeignSidecarsAreRead) {
    if (!haveExiftool()) GTEST_SKIP() << "exiftool not on PATH";
    static const bool haveExiv2 = std::system("exiv2 --version > /dev/null 2>&1") == 0;
    std::string folder;
    std::vector<DirEntry> entries = corpusSidecars(&folder);
    if (entries.empty()) GTEST_SKIP() << "corpus not present";
    lvtest::TempDir dir, stems;
    int checked = 0;
    for (const DirEntry& e : entries) {
        SCOPED_TRACE(e.name);
        const std::string original = lvtest::readFile(joinPath(folder, e.name));
        std::string photo = dir.file("IMG_" + std::to_string(checked) + ".DNG"), sidecar = photo + ".xmp";
        ASSERT_TRUE(lvtest::writeFile(sidecar, original));
        ASSERT_TRUE(writeRating(photo, 4, ""));
        EXPECT_EQ(exiftoolRatingLabel(sidecar), expect(4, ""));
        ASSERT_TRUE(writeLabel(photo, "Yellow", 4));
        EXPECT_EQ(exiftoolRatingLabel(sidecar), expect(4, "Yellow"));
        ASSERT_TRUE(writeRating(photo, -1, "Yellow"));
        ASSERT_TRUE(writeLabel(photo, "Red", -1));
        EXPECT_EQ(exiftoolRatingLabel(sidecar), expect(-1, "Red"));
        ASSERT_TRUE(writeLabel(photo, "", -1));
        EXPECT_EQ(exiftoolRatingLabel(sidecar), expect(-1, ""));

        std::string stem = stems.file("IMG_" + std::to_string(checked++));
        ASSERT_TRUE(lvtest::writeFile(stem + ".CR2", "raw"));
        ASSERT_TRUE(lvtest::writeFile(stem + ".xmp", original));
        ASSERT_EQ(sidecarOf(stem + ".CR2").path, stem + ".xmp");
        RatingLabel before = readRatingLabel(stem + ".CR2");
        if (e.name == "imagemeta_lightroom_sidecar.xmp") {
            EXPECT_EQ(before.rating, 4);  // read, not shown as 0
        }
        ASSERT_TRUE(writeRating(stem + ".CR2", 2, before.label));
        ASSERT_TRUE(writeLabel(stem + ".CR2", "Green", 2));
        EXPECT_EQ(exiftoolRatingLabel(stem + ".xmp"), expect(2, "Green"));
        if (haveExiv2) {
            EXPECT_EQ(exiv2RatingLabel(stem + ".xmp"), expect(2, "Green"));
        }
        EXPECT_FALSE(pathExists(stem + ".CR2.xmp"));
    }
    EXPECT_GE(checked, 10);
}

// A sidecar whose "xmp" prefix means another namespace stays valid XML after rating and
// labelling, and the other namespace's Rating keeps its value.
TEST(ExiftoolOracle, PrefixBoundToAnotherNamespace) {
    if (!haveExiftool()) GTEST_SKIP() << "exiftool not on PATH";
    lvtest::TempDir dir;
    std::string photo = dir.file("F.NEF"), sidecar = photo + ".xmp";
    ASSERT_TRUE(lvtest::writeFile(sidecar, "<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
                                           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"" +
                                               std::string(kRdfNamespace) +
                                               "\">\n<rdf:Description rdf:about=\"\" xmlns:xmp=\"http://example.com/"
                                               "other/\" xmp:Rating=\"7\"/>\n</rdf:RDF></x:xmpmeta>\n"
                                               "<?xpacket end=\"w\"?>"));
    ASSERT_TRUE(writeRating(photo, 2, ""));
    ASSERT_TRUE(writeLabel(photo, "Green", 2));
    EXPECT_EQ(exiftoolRatingLabel(sidecar), expect(2, "Green"));
    // ExifTool names the other namespace by a group of its own and still reads its 7.
    std::string out = outputOf("exiftool -m -a -G1 -s3 -XMP:Rating '" + sidecar + "'");
    EXPECT_NE(out.find("7\n"), std::string::npos) << out;
    EXPECT_NE(out.find("XMP-xmp 2\n"), std::string::npos) << out;
    EXPECT_NE(lvtest::readFile(sidecar).find("xmp:Rating=\"7\""), std::string::npos);
    if (std::system("command -v exiv2 > /dev/null 2>&1") == 0) {
        // exiv2 names a packet that is not well-formed XML an error (and still exits 0).
        EXPECT_NE(std::system(("exiv2 -PXkv '" + sidecar + "' 2>&1 | grep -qi error").c_str()), 0);
    }
}

#endif
