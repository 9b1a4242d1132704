// Sidecars on disk: reading (with a JPEG's own packet), writing through ".tmp", and the faults
// that must leave the old sidecar exactly as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>
#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "core/diaglog.h"
#include "core/pathname.h"
#include "library/folder.h"
#include "platform/platform.h"
#include "sidecar/rating_commands.h"
#include "sidecar/sidecar_file.h"
#include "sidecar/xmp_text.h"
#include "test_support.h"

using namespace lv;

namespace {

// Each step of the replacement can be made to fail; the others go to the platform.
struct FaultyOps {
    static inline WinErr createErr = 0, writeErr = 0, moveErr = 0;
    static inline int createCalls = 0;
    static inline int64_t sizeDelta = 0;
    static WinErr create(std::string_view p, TempFile* t) {
        createCalls++;
        return createErr ? createErr : tempCreate(p, t);
    }
    static WinErr write(FileHandle f, const void* b, size_t n) { return writeErr ? writeErr : fileWrite(f, b, n); }
    static WinErr size(FileHandle f, uint64_t* s) {
        WinErr e = fileSize(f, s);
        *s = uint64_t(int64_t(*s) + sizeDelta);
        return e;
    }
    static WinErr commit(TempFile* t, std::string_view to) { return moveErr ? moveErr : tempCommit(t, to); }
    static constexpr SidecarFileOps kOps = {create, write, size, commit};
};

class SidecarFile : public ::testing::Test {
protected:
    void SetUp() override {
        FaultyOps::createErr = FaultyOps::writeErr = FaultyOps::moveErr = 0;
        FaultyOps::createCalls = 0;
        FaultyOps::sizeDelta = 0;
        setSidecarFileOps(&FaultyOps::kOps);
    }
    void TearDown() override { setSidecarFileOps(nullptr); }

    lvtest::TempDir dir;
    std::string photo = dir.file("IMG_0001.CR2");
    std::string sidecar = dir.file("IMG_0001.CR2.xmp");
};

const std::string kForeign =
    "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
    "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" x:xmptk=\"Other 1.0\">\n"
    " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
    "  <!-- written by another tool: xmp:Rating=\"5\" -->\n"
    "  <rdf:Description rdf:about=\"\"\n"
    "    xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\"\n"
    "    xmlns:dc=\"http://purl.org/dc/elements/1.1/\"\n"
    "   xmp:Rating=\"2\"\n"
    "   xmp:CreatorTool=\"Caf\xC3\xA9 \xE2\x98\x95\">\n"
    "   <dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">Title &amp; more</rdf:li></rdf:Alt></dc:title>\n"
    "  </rdf:Description>\n"
    " </rdf:RDF>\n"
    "</x:xmpmeta>\n"
    "<?xpacket end=\"w\"?>";

}  // namespace

TEST_F(SidecarFile, CreatesTheTemplateWithBothProperties) {
    ASSERT_TRUE(writeRating(photo, 3, "Red"));
    EXPECT_EQ(lastSidecarError(), 0u);
    EXPECT_EQ(lvtest::readFile(sidecar), newSidecarText(3, "Red"));
    EXPECT_FALSE(pathExists(sidecar + ".tmp"));

    std::string rw2 = dir.file("P1000123.RW2");
    ASSERT_TRUE(writeLabel(rw2, "Green", -1));
    EXPECT_EQ(lvtest::readFile(dir.file("P1000123.xmp")), newSidecarText(-1, "Green"));
    RatingLabel r = readRatingLabel(rw2);
    EXPECT_EQ(r.rating, -1);
    EXPECT_EQ(r.label, "Green");
}

TEST_F(SidecarFile, ChangesOnlyTheValueBytesOfAForeignSidecar) {
    ASSERT_TRUE(lvtest::writeFile(sidecar, kForeign));
    EXPECT_EQ(readRatingLabel(photo).rating, 2);

    ASSERT_TRUE(writeRating(photo, 4, ""));
    std::string after = lvtest::readFile(sidecar);
    std::string expected = kForeign;
    expected[kForeign.find("xmp:Rating=\"2\"") + 12] = '4';
    EXPECT_EQ(after, expected);

    ASSERT_TRUE(writeLabel(photo, "Yellow", 4));
    RatingLabel r = readRatingLabel(photo);
    EXPECT_EQ(r.rating, 4);
    EXPECT_EQ(r.label, "Yellow");
    ASSERT_TRUE(writeLabel(photo, "", 4));  // clearing removes the attribute again
    EXPECT_EQ(lvtest::readFile(sidecar), expected);
}

TEST_F(SidecarFile, SameValueWritesNothing) {
    ASSERT_TRUE(lvtest::writeFile(sidecar, kForeign));
    ASSERT_EQ(pathSetWriteTime(sidecar, fileTimeFromUnix(1000000000)), 0u);
    ASSERT_TRUE(writeRating(photo, 2, ""));
    ASSERT_TRUE(writeLabel(photo, "", 2));
    EXPECT_EQ(FaultyOps::createCalls, 0);
    EXPECT_FALSE(pathExists(sidecar + ".tmp"));
    uint64_t t = 0;
    ASSERT_EQ(pathWriteTime(sidecar, &t), 0u);
    EXPECT_EQ(t, fileTimeFromUnix(1000000000));
}

TEST_F(SidecarFile, NoDescriptionIsRefusedWithCode13) {
    const std::string bare = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n <!-- <rdf:Description/> -->\n</x:xmpmeta>\n";
    ASSERT_TRUE(lvtest::writeFile(sidecar, bare));
    EXPECT_FALSE(writeRating(photo, 5, ""));
    EXPECT_EQ(lastSidecarError(), 13u);
    EXPECT_FALSE(writeLabel(photo, "Red", 0));
    EXPECT_EQ(lastSidecarError(), 13u);
    EXPECT_EQ(lvtest::readFile(sidecar), bare);
    EXPECT_FALSE(pathExists(sidecar + ".tmp"));
    EXPECT_EQ(FaultyOps::createCalls, 0);
}

// Whatever sits at "<sidecar>.tmp" (an earlier crash's file, a link to a photo, a pipe) is
// never opened: the write goes through a new file of its own and the leftover stays as it was.
TEST_F(SidecarFile, LeftoverTempIsNeverWrittenThrough) {
    enum Kind { Junk, Symlink, HardLink, Pipe };
    const std::string other = dir.file("b.jpg"), bytes = lvtest::makeJpeg(16, 8);
    const std::string tmp = sidecar + ".tmp";
    for (Kind kind : {Junk, Symlink, HardLink, Pipe}) {
        SCOPED_TRACE(kind);
        ASSERT_TRUE(lvtest::writeFile(other, bytes));
        fileDelete(sidecar);
        if (kind == Junk) {
            ASSERT_TRUE(lvtest::writeFile(tmp, std::string(20000, 'x')));
        } else {
#ifdef _WIN32
            continue;  // links and pipes are made with POSIX calls
#else
            int rc = kind == Symlink ? ::symlink(other.c_str(), tmp.c_str())
                     : kind == HardLink ? ::link(other.c_str(), tmp.c_str())
                                        : ::mkfifo(tmp.c_str(), 0600);
            ASSERT_EQ(rc, 0);
#endif
        }
        ASSERT_TRUE(writeRating(photo, 2, ""));
        ASSERT_TRUE(writeLabel(photo, "Red", 2));
        EXPECT_EQ(lvtest::readFile(sidecar), newSidecarText(2, "Red"));
        EXPECT_TRUE(lvtest::readFile(other) == bytes) << "the photo was written through the link";
        EXPECT_TRUE(pathExists(tmp));
        if (kind == Junk) {
            EXPECT_TRUE(lvtest::readFile(tmp) == std::string(20000, 'x'));
        }
        EXPECT_EQ(fileDelete(tmp), 0u);
        std::vector<DirEntry> left;
        ASSERT_EQ(listFolder(dir.path, &left), 0u);
        EXPECT_EQ(left.size(), 2u);  // the sidecar and b.jpg: no temporary file of ours stays
    }
}

// A 250-byte photo name has a 254-byte sidecar name: the temporary name is cut to fit.
TEST_F(SidecarFile, LongestNamesStillGetATemporaryFile) {
    std::string name = std::string(246, 'n') + ".CR2";
    std::string p = dir.file(name);
    ASSERT_TRUE(lvtest::writeFile(p, "raw"));
    ASSERT_TRUE(writeRating(p, 4, "")) << lastSidecarError();
    ASSERT_TRUE(writeRating(p, 5, "")) << lastSidecarError();
    EXPECT_EQ(readRatingLabel(p).rating, 5);
}

// Each step of the replacement failing: its code is reported and its diagnostics line written,
// the old sidecar stays byte for byte and no temporary file is left. A success clears the code.
TEST_F(SidecarFile, EachFailedStepKeepsTheOldSidecar) {
    const bool logging = !logEnabled();
    const std::string log = dir.file("diagnostics.log"), tmp = sidecar + ".tmp";
    if (logging) logOpenAt(log, "lumivore", "lumivore /LOG");
    ASSERT_TRUE(lvtest::writeFile(sidecar, kForeign));
    const struct {
        WinErr create, write, move;
        int64_t sizeDelta;
        WinErr code;
        std::string line;  // its diagnostics line, or how the line starts
    } kCases[] = {
        {32, 0, 0, 0, 32, "  xmp sidecar temp write FAILED (err 32): " + tmp + "\r\n"},
        {0, 112, 0, 0, 112, "  xmp sidecar temp write FAILED (err 112): "},
        {0, 0, 0, -1, 29, "  xmp sidecar temp SHORT ("},  // a short write is not a full disk
        {0, 0, 0, 3, 29, "  xmp sidecar temp SHORT ("},
        {0, 0, 5, 0, 5, "  xmp sidecar replace FAILED (last error 5): " + sidecar + "\r\n"},
    };
    for (const auto& c : kCases) {
        FaultyOps::createErr = c.create, FaultyOps::writeErr = c.write, FaultyOps::moveErr = c.move;
        FaultyOps::sizeDelta = c.sizeDelta;
        EXPECT_FALSE(writeRating(photo, 1, "")) << c.line;
        EXPECT_EQ(lastSidecarError(), c.code) << c.line;
        EXPECT_EQ(lvtest::readFile(sidecar), kForeign) << c.line;
        EXPECT_FALSE(pathExists(tmp)) << c.line;
    }
    FaultyOps::createErr = FaultyOps::writeErr = FaultyOps::moveErr = 0;
    FaultyOps::sizeDelta = 0;
    ASSERT_TRUE(writeRating(photo, 1, ""));
    EXPECT_EQ(lastSidecarError(), 0u);
    EXPECT_EQ(readRatingLabel(photo).rating, 1);
    EXPECT_EQ(lvtest::readFile(sidecar).size(), kForeign.size());
    ASSERT_TRUE(lvtest::writeFile(sidecar, "<x:xmpmeta/>"));
    EXPECT_FALSE(writeLabel(photo, "Red", 0));
    if (!logging) return;
    logClose();
    std::string text = lvtest::readFile(log);
    for (const auto& c : kCases) EXPECT_NE(text.find(c.line), std::string::npos) << c.line;
    EXPECT_NE(text.find("  xmp Label NOT written (no rdf:Description): " + sidecar + "\r\n"), std::string::npos);
    // "SHORT (<size the disk reported> of <size written> bytes): <temporary file>"
    size_t at = 0;
    for (int64_t delta : {-1, 3}) {
        const std::string shortLine = "  xmp sidecar temp SHORT (";
        at = text.find(shortLine, at);
        ASSERT_NE(at, std::string::npos);
        at += shortLine.size();
        std::string rest = text.substr(at, text.find("\r\n", at) - at);
        int64_t reported = std::strtoll(rest.c_str(), nullptr, 10);
        EXPECT_EQ(rest, std::to_string(reported) + " of " + std::to_string(reported - delta) + " bytes): " + tmp);
    }
}

TEST_F(SidecarFile, UnreadableSidecarIsNeverReplaced) {
    // A folder where the sidecar should be cannot be read as a file on any system.
    ASSERT_EQ(folderCreateAll(sidecar), 0u);
    EXPECT_EQ(readRatingLabel(photo).rating, 0);
    EXPECT_FALSE(writeRating(photo, 4, ""));
    EXPECT_NE(lastSidecarError(), 0u);
    EXPECT_TRUE(isFolder(sidecar));
    EXPECT_EQ(FaultyOps::createCalls, 0);
}

TEST_F(SidecarFile, PipeSidecarIsNeitherWaitedForNorReplaced) {
#ifdef _WIN32
    GTEST_SKIP() << "pipes in folders are a POSIX case";
#else
    ASSERT_EQ(::mkfifo(sidecar.c_str(), 0600), 0);
    ::alarm(20);  // ends the program should a read wait for a writer after all
    EXPECT_EQ(readRatingLabel(photo).rating, 0);
    EXPECT_FALSE(writeRating(photo, 3, ""));
    ::alarm(0);
    EXPECT_EQ(lastSidecarError(), kErrCantAccessFile);
    EXPECT_EQ(FaultyOps::createCalls, 0);
    EXPECT_EQ(fileDelete(sidecar), 0u);
#endif
}

TEST_F(SidecarFile, ReadOnlyFolderLeavesEverythingAsItWas) {
#ifdef _WIN32
    GTEST_SKIP() << "permission bits are a POSIX check";
#else
    setSidecarFileOps(nullptr);  // the real platform calls this time
    ASSERT_TRUE(lvtest::writeFile(sidecar, kForeign));
    int rating = 2;
    std::string label;
    // Permission bits stop ordinary users; root is stopped only by an immutable folder, where
    // the file system offers one. The guard undoes both whatever happens below.
    struct Unlock {
        std::string dir;
        ~Unlock() {
            std::system(("chattr -i '" + dir + "' 2>/dev/null; chmod 755 '" + dir + "'").c_str());
        }
    } unlock{dir.path};
    std::system(("chmod 555 '" + dir.path + "'").c_str());
    if (lvtest::writeFile(dir.file("probe"), "x")) {
        fileDelete(dir.file("probe"));
        std::system(("chattr +i '" + dir.path + "' 2>/dev/null").c_str());
    }
    if (lvtest::writeFile(dir.file("probe2"), "x")) GTEST_SKIP() << "nothing here stops this process writing";
    resetSidecarWarning();
    SidecarCommandResult r = setRating(RatedPhoto{photo, &rating, &label}, 5);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.code, 5u);
    EXPECT_TRUE(r.notice.show);
    EXPECT_EQ(rating, 2);
    EXPECT_EQ(lvtest::readFile(sidecar), kForeign);
    EXPECT_FALSE(pathExists(sidecar + ".tmp"));
    resetSidecarWarning();
#endif
}

// [SECTION] a JPEG's own packet

namespace {
using lvtest::withSegments;
std::string xmpApp1(int rating, const char* label) {
    return lvtest::jpegSegment(0xE1, std::string(kXmpNamespace) + std::string(1, '\0') + newSidecarText(rating, label));
}
}  // namespace

TEST_F(SidecarFile, JpegWithoutSidecarUsesItsOwnPacket) {
    std::string jpegPath = dir.file("DSC_1.JPG");
    std::string jpeg = withSegments(lvtest::makeJpeg(32, 16), xmpApp1(4, "Purple"));
    ASSERT_TRUE(lvtest::writeFile(jpegPath, jpeg));
    RatingLabel r = readRatingLabel(jpegPath);
    EXPECT_EQ(r.rating, 4);
    EXPECT_EQ(r.label, "Purple");
    EXPECT_EQ(readSidecarRatingLabel(jpegPath).rating, 0);

    // Rating it writes a sidecar that keeps the label, and never the JPEG.
    ASSERT_TRUE(writeRating(jpegPath, 2, r.label));
    EXPECT_EQ(lvtest::readFile(jpegPath), jpeg);
    EXPECT_EQ(lvtest::readFile(jpegPath + ".xmp"), newSidecarText(2, "Purple"));

    // A RAW file is never searched for a packet, nor is a ".jpg" that is not a JPEG.
    std::string rawPath = dir.file("DSC_1.NEF"), fakePath = dir.file("DSC_2.JPG");
    ASSERT_TRUE(lvtest::writeFile(rawPath, jpeg));
    ASSERT_TRUE(lvtest::writeFile(fakePath, "\xFF\xD7" + jpeg.substr(2)));
    EXPECT_EQ(readRatingLabel(rawPath).rating, 0);
    EXPECT_EQ(readRatingLabel(fakePath).rating, 0);
}

TEST_F(SidecarFile, JpegPacketBeyondTheSearchWindowIsIgnored) {
    std::string pad = lvtest::jpegSegment(0xE2, std::string(60000, 'p'));
    std::string jpegPath = dir.file("far.jpeg");
    ASSERT_TRUE(lvtest::writeFile(jpegPath, withSegments(lvtest::makeJpeg(8, 8), pad + pad + pad + xmpApp1(5, ""))));
    EXPECT_EQ(readRatingLabel(jpegPath).rating, 0);
    std::string nearPath = dir.file("near.jpeg");
    ASSERT_TRUE(lvtest::writeFile(nearPath, withSegments(lvtest::makeJpeg(8, 8), pad + pad + xmpApp1(5, ""))));
    EXPECT_EQ(readRatingLabel(nearPath).rating, 5);
    // Not a JPEG stream at all.
    ASSERT_TRUE(lvtest::writeFile(dir.file("fake.jpg"), "GIF89a" + xmpApp1(5, "")));
    EXPECT_EQ(readRatingLabel(dir.file("fake.jpg")).rating, 0);
}

// [SECTION] sidecars written by other tools

namespace {
struct CorpusSidecar {
    const char* name;
    int rating;  // as ExifTool reads it
};
constexpr CorpusSidecar kCorpus[] = {
    {"darktable-tests_0082-demosaic-rcd.xmp", 2}, {"darktable-tests_0151-sigmoid.xmp", 4},
    {"etv_iphone-export-1.xmp", 0},              {"exifr_IMG_5910.xmp", 3},
    {"exiftool_XMP.xmp", 1},                     {"exiv2_issue_1959_poc.xmp", 5},
    {"imagemeta_RAW_SONY_ILCE-7M2.xmp", 0},      {"imagemeta_acr_sidecar.xmp", 0},
    {"imagemeta_crs-corrections.xmp", 3},        {"imagemeta_lightroom_sidecar.xmp", 4},
    {"mei_digikam-example.xmp", 0},              {"mei_jPhotoTagger-example.xmp", 0},
    {"photoprism_canon_eos_6d.xmp", 0},          {"photoprism_fstop-favorite.xmp", 0},
    {"photoprism_ladybug.xmp", 1},               {"rawtherapee_neutral.xmp", 0},
};
}  // namespace

TEST_F(SidecarFile, CorpusSidecarsReadAndChangeInPlace) {
    std::string corpus = lvtest::corpusDir();
    if (corpus.empty()) GTEST_SKIP() << "corpus not present";
    for (const CorpusSidecar& c : kCorpus) {
        SCOPED_TRACE(c.name);
        std::string original = lvtest::readFile(joinPath(joinPath(joinPath(corpus, "files"), "xmp"), c.name));
        ASSERT_FALSE(original.empty());
        RatingLabel before = ratingLabelFromText(original);
        EXPECT_EQ(before.rating, c.rating);
        EXPECT_EQ(before.label, "");

        ASSERT_TRUE(lvtest::writeFile(sidecar, original));
        int target = c.rating == 4 ? 1 : 4;
        ASSERT_TRUE(writeRating(photo, target, ""));
        std::string after = lvtest::readFile(sidecar);
        EXPECT_EQ(ratingLabelFromText(after).rating, target);
        if (c.rating != 0 || after.size() == original.size()) {
            // Only the value's own bytes differ: equal heads and tails around one short span.
            size_t head = 0;
            while (head < after.size() && head < original.size() && after[head] == original[head]) head++;
            size_t tail = 0;
            while (tail < after.size() - head && tail < original.size() - head &&
                   after[after.size() - 1 - tail] == original[original.size() - 1 - tail])
                tail++;
            EXPECT_LE(original.size() - head - tail, 3u);
            EXPECT_LE(after.size() - head - tail, 1u);
        } else {
            // Inserted: the old text is all still there, around one inserted piece.
            size_t head = 0;
            while (head < original.size() && after[head] == original[head]) head++;
            EXPECT_EQ(after.substr(head + after.size() - original.size()), original.substr(head));
        }
        ASSERT_TRUE(writeLabel(photo, "Green", target));
        EXPECT_EQ(readRatingLabel(photo).label, "Green");
        // An attribute we inserted goes again with exactly the bytes that came with it.
        bool asAttribute = lvtest::readFile(sidecar).find(":Label=\"Green\"") != std::string::npos;
        ASSERT_TRUE(writeLabel(photo, "", target));
        ASSERT_TRUE(writeRating(photo, c.rating, ""));
        std::string stored = getProperty(original, "Rating", namespacePrefixes(original, kXmpNamespace));
        if (asAttribute && stored == std::to_string(c.rating)) {
            EXPECT_EQ(lvtest::readFile(sidecar), original);
        }
    }
}

// [SECTION] several writers at once, and writers killed mid-write

#ifndef _WIN32
namespace {
// Every text the writers below can produce from the new-sidecar template.
std::vector<std::string> reachableTexts() {
    std::vector<std::string> all = {newSidecarText(0, "")};
    for (size_t i = 0; i < all.size() && all.size() < 200; i++)
        for (int k = 0; k < 8; k++) {
            std::string next = k < 6 ? setProperty(all[i], "Rating", std::to_string(k))
                                     : setProperty(all[i], "Label", k == 6 ? "Red" : "");
            if (std::find(all.begin(), all.end(), next) == all.end()) all.push_back(next);
        }
    return all;
}

// One writer process: rounds of ratings and labels over the photos; exits with its failure count.
void writerLoop(const std::vector<std::string>& photos, int rounds, int seed) {
    int failures = 0;
    for (int r = 0; rounds == 0 || r < rounds; r++)
        for (const std::string& p : photos) {
            bool ok = (r + seed) % 3 ? writeRating(p, (r * 7 + seed) % 6, "") : writeLabel(p, r % 2 ? "Red" : "", 0);
            failures += !ok;
        }
    _exit(failures > 100 ? 100 : failures);
}
}  // namespace

TEST_F(SidecarFile, ConcurrentWritersLeaveOnlyCompleteTexts) {
    setSidecarFileOps(nullptr);
    const std::vector<std::string> valid = reachableTexts();
    ASSERT_GT(valid.size(), 10u);
    std::vector<std::string> photos;
    for (int i = 0; i < 3; i++) {
        photos.push_back(dir.file("C" + std::to_string(i) + ".NEF"));
        ASSERT_TRUE(writeRating(photos.back(), 0, ""));
    }
    std::vector<pid_t> kids;
    for (int w = 0; w < 3; w++) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) writerLoop(photos, 60, w);
        kids.push_back(pid);
    }
    // Read while they write: every read finds a complete text.
    int reads = 0, bad = 0;
    std::vector<int> exitCode(kids.size(), -1);
    for (size_t done = 0; done < kids.size();) {
        for (const std::string& p : photos) {
            std::string text;
            if (readSidecarFile(p, &text) == 0) {
                reads++;
                if (std::find(valid.begin(), valid.end(), text) == valid.end() && bad++ == 0)
                    ADD_FAILURE() << "torn sidecar: " << text;
            }
        }
        for (size_t i = 0; i < kids.size(); i++) {
            int st = 0;
            if (exitCode[i] < 0 && waitpid(kids[i], &st, WNOHANG) == kids[i]) {
                exitCode[i] = WIFEXITED(st) ? WEXITSTATUS(st) : 200;
                done++;
            }
        }
    }
    for (int c : exitCode) EXPECT_EQ(c, 0) << "failed writes in a writer";
    EXPECT_EQ(bad, 0) << "of " << reads << " reads";
    std::vector<DirEntry> left;
    ASSERT_EQ(listFolder(dir.path, &left), 0u);
    EXPECT_EQ(left.size(), photos.size());  // every temporary file was renamed or removed
    for (const std::string& p : photos) {
        std::string text = readSidecarText(p);
        EXPECT_NE(std::find(valid.begin(), valid.end(), text), valid.end()) << text;
    }
}

TEST_F(SidecarFile, WriterKilledAtAnyMomentLeavesACompleteSidecar) {
    setSidecarFileOps(nullptr);
    const std::vector<std::string> valid = reachableTexts();
    ASSERT_TRUE(writeRating(photo, 1, ""));
    for (int round = 0; round < 25; round++) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) writerLoop({photo}, 0, round);
        usleep(useconds_t(500 + (round * 997) % 15000));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        std::string text = readSidecarText(photo);
        ASSERT_NE(std::find(valid.begin(), valid.end(), text), valid.end()) << "round " << round << ": " << text;
    }
}
#endif
// Which file is a photo's sidecar when other tools named theirs after the stem.
TEST(SidecarPathChoice, StemNamedSidecarsBelongToOnePhoto) {
    const struct {
        std::vector<const char*> files;  // in the folder besides nothing else
        const char* photo;
        const char* sidecar;
    } kCases[] = {
        {{"A.CR2", "A.xmp"}, "A.CR2", "A.xmp"},
        {{"A.JPG", "A.xmp"}, "A.JPG", "A.xmp"},
        {{"A.CR2", "A.JPG", "A.xmp"}, "A.CR2", "A.xmp"},        // RAW before JPEG
        {{"A.CR2", "A.JPG", "A.xmp"}, "A.JPG", "A.JPG.xmp"},    // the JPEG keeps its own name
        {{"A.DNG", "A.cr2", "A.xmp"}, "A.cr2", "A.xmp"},        // one kind: first in listing order
        {{"A.DNG", "A.cr2", "A.xmp"}, "A.DNG", "A.DNG.xmp"},
        {{"A.CR2", "A.CR2.xmp", "A.xmp"}, "A.CR2", "A.CR2.xmp"},  // its own sidecar comes first
        {{"A.CR2"}, "A.CR2", "A.CR2.xmp"},                      // a new one keeps today's name
        {{"P.RW2", "P.xmp"}, "P.RW2", "P.xmp"},
    };
    // Loading the folder answers from its listing: the same choice must come out.
    static std::vector<std::string> chosen;
    auto choose = [](std::string_view photo, int*, std::string*) { chosen.push_back(sidecarOf(photo).path); };
    for (const auto& c : kCases) {
        lvtest::TempDir d;
        for (const char* f : c.files) ASSERT_TRUE(lvtest::writeFile(d.file(f), "x"));
        EXPECT_EQ(sidecarOf(d.file(c.photo)).path, d.file(c.sidecar)) << c.photo << " among " << c.files.size();
        chosen.clear();
        FolderState st;
        ASSERT_GT(loadFolder(st, d.path, "", choose), 0);
        auto at = std::find(st.photos.path.begin(), st.photos.path.end(), d.file(c.photo));
        ASSERT_NE(at, st.photos.path.end());
        EXPECT_EQ(chosen[size_t(at - st.photos.path.begin())], d.file(c.sidecar)) << c.photo << " while loading";
    }
}

TEST_F(SidecarFile, StemNamedSidecarIsReadAndWrittenNeverDoubled) {
    std::string adobe = dir.file("IMG_0001.xmp");
    ASSERT_TRUE(lvtest::writeFile(photo, "raw"));
    ASSERT_TRUE(lvtest::writeFile(adobe, kForeign));
    RatingLabel r = readRatingLabel(photo);
    EXPECT_EQ(r.rating, 2);
    RatedPhoto p{photo, &r.rating, &r.label};
    ASSERT_TRUE(setRating(p, 4).ok);
    ASSERT_TRUE(setLabel(p, "Red").ok);
    EXPECT_FALSE(pathExists(sidecar));
    std::string text = lvtest::readFile(adobe);
    EXPECT_NE(text.find("xmp:Rating=\"4\""), std::string::npos);
    EXPECT_NE(text.find("xmp:Label=\"Red\""), std::string::npos);
    EXPECT_EQ(readRatingLabel(photo).rating, 4);
}

