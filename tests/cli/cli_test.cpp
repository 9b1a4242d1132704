// The lumivore program as scripts and people use it: exit codes, what it refuses to overwrite,
// standard output that must be complete and valid. Runs the built program (Linux only: the
// Windows build has no shell to drive it here).
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/ini.h"
#include "core/pathname.h"
#include "test_json.h"
#include "platform/platform.h"
#include "metadata/tiff.h"
#include "test_support.h"

namespace {

struct Result {
    int rc = -1;
    std::string out;
};

// Runs lumivore with a shell command line after the program name; standard error is dropped
// unless the command redirects it.
Result lumivore(const std::string& args) {
    Result r;
    std::string errors = args.find("2>") == std::string::npos ? " 2>/dev/null" : "";
    FILE* p = popen((std::string("'") + LV_CLI_PATH + "' " + args + errors).c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int status = pclose(p);
    r.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string q(const std::string& s) { return "'" + s + "'"; }

std::string corpusJpeg() {
    std::string dir = lvtest::corpusDir();
    return dir.empty() ? std::string() : lv::joinPath(lv::joinPath(lv::joinPath(dir, "files"), "jpeg"), "exiftool_Canon1DmkIII.jpg");
}

}  // namespace

TEST(Cli, OutputsNeverOverwriteWithoutForceNorTheInput) {
    std::string src = corpusJpeg();
    if (src.empty()) GTEST_SKIP() << "no corpus";
    lvtest::TempDir dir;
    std::string photo = dir.file("IMG_1.JPG"), other = dir.file("other.jpg"), link = dir.file("link.jpg");
    const std::string original = lvtest::readFile(src);
    ASSERT_TRUE(lvtest::writeFile(photo, original));
    ASSERT_TRUE(lvtest::writeFile(other, "someone's file"));
    ASSERT_EQ(std::system(("ln " + q(photo) + " " + q(link)).c_str()), 0);
    const struct {
        std::string args;
        int rc;
    } kCases[] = {
        {"preview " + q(photo) + " -o " + q(photo), 1},
        {"preview " + q(photo) + " -o " + q(photo) + " --force", 1},  // never the input, even forced
        {"thumb " + q(photo) + " -o " + q(link) + " --force", 1},     // nor a link to it
        {"preview " + q(photo) + " -o " + q(dir.path + "/./IMG_1.JPG") + " --force", 1},
        {"decode " + q(photo) + " -o " + q(photo) + " --force", 2},   // not even a .png
        {"preview " + q(photo) + " -o " + q(other), 1},
        {"thumb " + q(photo) + " -o " + q(other), 1},
    };
    for (const auto& c : kCases) EXPECT_EQ(lumivore(c.args).rc, c.rc) << c.args;
    EXPECT_EQ(lvtest::readFile(photo), original);
    EXPECT_EQ(lvtest::readFile(other), "someone's file");

    EXPECT_EQ(lumivore("preview " + q(photo) + " -o " + q(other) + " --force").rc, 0);
    std::string preview = lvtest::readFile(other);
    EXPECT_EQ(preview.substr(0, 2), "\xFF\xD8");
    Result toStdout = lumivore("preview " + q(photo) + " -o -");
    EXPECT_EQ(toStdout.rc, 0);
    EXPECT_EQ(toStdout.out, preview);  // the bytes and nothing else
    EXPECT_EQ(lumivore("decode " + q(photo) + " --size 64x64 -o " + q(dir.file("small.png"))).rc, 0);
    std::vector<lv::DirEntry> left;
    ASSERT_EQ(lv::listFolder(dir.path, &left), 0u);
    for (const lv::DirEntry& e : left) EXPECT_EQ(e.name.find("lumivore-part"), std::string::npos) << e.name;
}

TEST(Cli, OptionHandlingAndExitCodes) {
    lvtest::TempDir dir;
    ASSERT_TRUE(lvtest::writeFile(dir.file("-x.jpg"), "not really a jpeg"));
    const struct {
        std::string args;
        int rc;
        const char* out;  // a piece standard output must hold, or nullptr for empty output
    } kCases[] = {
        {"", 2, nullptr},  // help goes to standard error
        {"--help", 0, "commands:"},
        {"help decode", 0, "usage: lumivore decode"},
        {"help nothing", 2, nullptr},
        {"decode x.jpg -o", 2, nullptr},
        {"list --order", 2, nullptr},
        {"list --bogus " + q(dir.path), 2, nullptr},
        {"sha256 -- " + q(dir.file("-x.jpg")), 0, "-x.jpg"},
        {"sha256 " + q(dir.file("absent.jpg")), 1, nullptr},
        {"info -- --help", 1, nullptr},  // after --, a file named --help (absent)
        {"rate " + q(dir.file("-x.jpg")) + " 9", 2, nullptr},
    };
    for (const auto& c : kCases) {
        Result r = lumivore(c.args);
        EXPECT_EQ(r.rc, c.rc) << c.args;
        if (c.out)
            EXPECT_NE(r.out.find(c.out), std::string::npos) << c.args << ": " << r.out;
        else
            EXPECT_EQ(r.out, "") << c.args;
    }
    EXPECT_NE(lumivore("2>&1").out.find("usage: lumivore COMMAND"), std::string::npos);
}

TEST(Cli, StandardOutputFailuresAreFailures) {
    std::string src = corpusJpeg();
    if (src.empty() || !lv::pathExists("/dev/full")) GTEST_SKIP() << "no corpus or no /dev/full";
    lvtest::TempDir dir;
    ASSERT_TRUE(lvtest::writeFile(dir.file("a.jpg"), lvtest::readFile(src)));
    for (const std::string& args : {"list " + q(dir.path) + " --json", "list " + q(dir.path), "info " + q(dir.file("a.jpg")),
                                    "preview " + q(dir.file("a.jpg")) + " -o -", std::string("texts")})
        EXPECT_EQ(lumivore(args + " > /dev/full").rc, 1) << args;
}

// Camera strings, labels and names with bytes that are not UTF-8 or are control characters:
// JSON stays strictly valid and names round-trip through the hex field; text shows no escapes.
TEST(Cli, OutputIsValidWhateverTheBytes) {
    std::string src = corpusJpeg();
    if (src.empty()) GTEST_SKIP() << "no corpus";
    std::string jpeg = lvtest::readFile(src);
    size_t make = jpeg.find("Canon");
    ASSERT_NE(make, std::string::npos);
    jpeg[make + 1] = '\xFF';  // "C\xFFnon": invalid UTF-8 in Make
    jpeg[make + 2] = '\x1B';  // and an escape character
    lvtest::TempDir dir;
    const std::string oddName = "odd\xE9\x1B[31m.jpg";
    ASSERT_TRUE(lvtest::writeFile(dir.file(oddName), jpeg));
    ASSERT_TRUE(lvtest::writeFile(dir.file(oddName + ".xmp"),
                                  "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/"
                                  "22-rdf-syntax-ns#\"><rdf:Description xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" "
                                  "xmp:Rating=\"3\" xmp:Label=\"R\xC0\x1B\x07\"/></rdf:RDF></x:xmpmeta>"));
    for (const std::string& cmd : {"list --json " + q(dir.path), "info --json " + q(dir.file(oddName))}) {
        Result r = lumivore(cmd);
        ASSERT_EQ(r.rc, 0) << cmd;
        EXPECT_TRUE(lv::isValidUtf8(r.out)) << cmd;
        lvtest::Json j = lvtest::parseJson(r.out);
        EXPECT_FALSE(j.is_discarded()) << cmd;
        for (char c : r.out) ASSERT_FALSE((unsigned char)c < 0x20 && c != '\n') << cmd;
        if (cmd.rfind("list", 0) == 0) {
            const lvtest::Json& photo = lvtest::item(lvtest::field(j, "photos"), 0);
            EXPECT_EQ(lvtest::number(lvtest::field(photo, "rating")), 3);
            std::string hex = lvtest::text(lvtest::field(photo, "pathHex")), back;
            for (size_t i = 0; i + 1 < hex.size(); i += 2) back += char(std::stoi(hex.substr(i, 2), nullptr, 16));
            EXPECT_EQ(back, dir.file(oddName));
        }
    }
    for (const std::string& cmd : {"list " + q(dir.path), "info " + q(dir.file(oddName)), "info --all " + q(dir.file(oddName))}) {
        Result r = lumivore(cmd);
        EXPECT_EQ(r.rc, 0) << cmd;
        EXPECT_TRUE(lv::isValidUtf8(r.out)) << cmd;
        EXPECT_EQ(r.out.find('\x1B'), std::string::npos) << cmd;
    }
}

// decode fits into the box keeping the aspect ratio and turns the picture upright (a D70 JPEG of
// 150 x 91 stored with orientation 6).
TEST(Cli, DecodeFitsAndTurnsUpright) {
    std::string dir = lvtest::corpusDir();
    if (dir.empty()) GTEST_SKIP() << "no corpus";
    std::string jpeg = lv::joinPath(lv::joinPath(lv::joinPath(dir, "files"), "jpeg"), "exiv2_nikon-d70.jpg");
    lvtest::TempDir out;
    const struct {
        const char* options;
        int w, h;
    } kCases[] = {{"--size 100x100", 61, 100}, {"--size 100x100 --stored", 100, 61}, {"--size 100x100 --exact", 100, 100},
                  {"--size 300x50", 30, 50},   {"", 91, 150}};
    for (const auto& c : kCases) {
        Result r = lumivore("decode " + q(jpeg) + " " + c.options + " -o -");
        ASSERT_EQ(r.rc, 0) << c.options;
        ASSERT_GT(r.out.size(), 24u);
        auto be32 = [&](size_t at) {
            return int((unsigned char)r.out[at]) << 24 | int((unsigned char)r.out[at + 1]) << 16 |
                   int((unsigned char)r.out[at + 2]) << 8 | int((unsigned char)r.out[at + 3]);
        };
        EXPECT_EQ(be32(16), c.w) << c.options;  // PNG IHDR width and height
        EXPECT_EQ(be32(20), c.h) << c.options;
    }
}

TEST(Cli, PreviewRotateTurnsLosslesslyOrKeepsTheStoredBytes) {
    std::string dir = lvtest::corpusDir();
    if (dir.empty()) GTEST_SKIP() << "no corpus";
    std::string jpegs = lv::joinPath(lv::joinPath(dir, "files"), "jpeg");
    const struct {
        const char* file;  // orientation 8 at 4928x3264; orientation 6 at 150x91 (partial blocks)
        int w, h, orientation;
        bool stored;
    } kCases[] = {{"mei_Leica_T_Typ_701.jpg", 3264, 4928, 1, false}, {"exiv2_nikon-d70.jpg", 150, 91, 6, true}};
    for (const auto& c : kCases) {
        std::string in = lv::joinPath(jpegs, c.file);
        Result r = lumivore("preview " + q(in) + " --rotate -o -");
        ASSERT_EQ(r.rc, 0) << c.file;
        lv::Bytes out(r.out.begin(), r.out.end());
        int w = 0, h = 0;
        ASSERT_EQ(lv::jpegSize(out.data(), out.size(), &w, &h), 0u) << c.file;
        EXPECT_EQ(w, c.w) << c.file;
        EXPECT_EQ(h, c.h) << c.file;
        EXPECT_EQ(lv::readOrientationAt(out, lv::findExifTiff(out, 0)), c.orientation) << c.file;
        if (c.stored) {
            EXPECT_EQ(r.out, lvtest::readFile(in)) << c.file;
        }
    }
}
