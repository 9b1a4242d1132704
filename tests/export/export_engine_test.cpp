// The export run on real folders: files already there, name clashes answered through the
// question record, sidecars never altered at the destination, the faults that end a run with
// their stop reason, and the summary sentence that names staging files left behind.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "core/texts.h"
#include "export/copy_engine.h"
#include "export/export_engine.h"
#include "library/filekinds.h"
#include "platform/platform.h"
#include "sidecar/sidecar_file.h"
#include "sidecar/xmp_text.h"
#include "disk_faults.h"
#include "test_support.h"

using namespace lv;

namespace {

const uint64_t kTime = fileTimeFromUnix(1700000000);

// Fault hooks: a disk that fills after some bytes, a destination removed when a file is published.
struct Faults : lvtest::DiskFaults {
    static inline std::string removeOnPublish;
    static WinErr move(std::string_view from, std::string_view to, bool replace) {
        if (!removeOnPublish.empty() && from.find("IMG_2") != std::string_view::npos) {
            std::vector<DirEntry> entries;
            listFolder(removeOnPublish, &entries);
            for (const DirEntry& e : entries) fileDelete(joinPath(removeOnPublish, e.name));
            folderDelete(removeOnPublish);
            removeOnPublish.clear();
        }
        return fileMove(from, to, replace);
    }
    static constexpr CopyFileOps kOps = {fileOpenRead, fileCreate, fileReadAt, write, fileFlush, move, volume, nullptr, nullptr};
};

class Export : public ::testing::Test {
protected:
    void SetUp() override {
        Faults::reset();
        Faults::removeOnPublish.clear();
        setCopyFileOps(&Faults::kOps);
        ASSERT_EQ(folderCreateAll(src), 0u);
        ASSERT_EQ(folderCreateAll(dst), 0u);
    }
    void TearDown() override { setCopyFileOps(nullptr); }

    std::string photo(const std::string& name, size_t bytes = 4000, int rating = -9) {
        std::string p = joinPath(src, name);
        EXPECT_TRUE(lvtest::writeFile(p, std::string(bytes, char('a' + name.size()))));
        pathSetWriteTime(p, kTime);
        if (rating != -9) {
            EXPECT_TRUE(lvtest::writeFile(sidecarPathFor(p), newSidecarText(rating, "")));
            pathSetWriteTime(sidecarPathFor(p), kTime);
        }
        files.push_back(p);
        return p;
    }
    // Runs to the end on this thread (no question can be answered).
    void run(bool sidecars = true) {
        job.destination = dst;
        job.files = files;
        job.includeSidecars = sidecars;
        job.state = kExportIdle;
        runExport(job);
    }
    std::string summary() { return describeExportResult(job.counters); }

    lvtest::TempDir dir;
    std::string src = dir.file("shoot");
    std::string dst = dir.file("out");
    std::vector<std::string> files;
    ExportJob job;
};

// Starts the thread and answers each clash question with `answer` (and the tick) as it comes.
int runAnswering(ExportJob& job, const std::string& dst, const std::vector<std::string>& files, int answer, bool all) {
    EXPECT_EQ(startExport(job, dst, files, true), 0u);
    int asked = 0;
    while (exportRunning(job)) {
        bool pending;
        {
            LockGuard g(job.lock);
            pending = job.clash.pending && job.clash.answer == kClashUnanswered;
        }
        if (pending) {
            asked++;
            answerExportClash(job, answer, all);
        }
        sleepMs(5);
    }
    finishExport(job);
    return asked;
}

}  // namespace

TEST_F(Export, TwiceCopiesNothingTheSecondTime) {
    photo("IMG_1.JPG", 4000, 3);
    photo("IMG_2.CR3");
    photo("IMG_3.JPG");
    run();
    EXPECT_EQ(summary(), "3 photos copied + 1 sidecars");
    EXPECT_EQ(lvtest::readFile(joinPath(dst, "IMG_2.CR3")), lvtest::readFile(files[1]));
    run();
    EXPECT_EQ(summary(), "0 photos copied, 3 already there");
    EXPECT_EQ(job.state, kExportFinished);
}

// A sidecar another tool named after the stem travels with its RAW under the same kind of name.
TEST_F(Export, StemNamedSidecarTravelsWithItsPhoto) {
    photo("IMG_7.CR2");
    ASSERT_TRUE(lvtest::writeFile(joinPath(src, "IMG_7.xmp"), newSidecarText(4, "Red")));
    run();
    EXPECT_EQ(summary(), "1 photos copied + 1 sidecars");
    EXPECT_EQ(lvtest::readFile(joinPath(dst, "IMG_7.xmp")), newSidecarText(4, "Red"));
    EXPECT_FALSE(pathExists(joinPath(dst, "IMG_7.CR2.xmp")));
    EXPECT_EQ(readRatingLabel(joinPath(dst, "IMG_7.CR2")).rating, 4);
}

TEST_F(Export, KeepBothWritesTheFreeNameWithItsSidecarForAllRemaining) {
    photo("IMG_1.JPG", 4000, 2);
    photo("IMG_2.JPG", 4000, 4);
    ASSERT_TRUE(lvtest::writeFile(joinPath(dst, "IMG_1.JPG"), "another photo"));
    ASSERT_TRUE(lvtest::writeFile(joinPath(dst, "IMG_2.JPG"), "another photo"));
    ASSERT_TRUE(lvtest::writeFile(joinPath(dst, "IMG_2 (2).JPG"), "taken too"));
    EXPECT_EQ(runAnswering(job, dst, files, kClashKeepBoth, true), 1);
    EXPECT_EQ(lvtest::readFile(joinPath(dst, "IMG_1 (2).JPG")), lvtest::readFile(files[0]));
    EXPECT_EQ(readSidecarRatingLabel(joinPath(dst, "IMG_1 (2).JPG")).rating, 2);
    EXPECT_EQ(readSidecarRatingLabel(joinPath(dst, "IMG_2 (3).JPG")).rating, 4);
    EXPECT_EQ(lvtest::readFile(joinPath(dst, "IMG_1.JPG")), "another photo");
    ASSERT_EQ(job.log.size(), 2u);
    EXPECT_EQ(job.log[0].fileName, "IMG_1.JPG");
    EXPECT_EQ(job.log[0].text, "copied as IMG_1 (2).JPG");
    EXPECT_EQ(describeExportResult(job.counters), "2 photos copied + 2 sidecars");
}

TEST_F(Export, SkipAndStopAnswers) {
    photo("IMG_1.JPG");
    photo("IMG_2.JPG");
    ASSERT_TRUE(lvtest::writeFile(joinPath(dst, "IMG_1.JPG"), "another photo"));
    EXPECT_EQ(runAnswering(job, dst, files, kClashSkip, false), 1);
    EXPECT_EQ(describeExportResult(job.counters), "1 photos copied, 1 skipped");
    EXPECT_EQ(job.log[0].text, text("ExportLogSkipped"));

    ExportJob again;
    ASSERT_TRUE(lvtest::writeFile(joinPath(dst, "IMG_0.JPG"), "another photo"));
    std::vector<std::string> more = {photo("IMG_0.JPG"), photo("IMG_9.JPG")};
    runAnswering(again, dst, more, kClashStop, false);
    EXPECT_EQ(again.state, kExportStopped);
    EXPECT_FALSE(pathExists(joinPath(dst, "IMG_9.JPG")));
    EXPECT_EQ(describeExportResult(again.counters), "Stopped. 0 photos copied");
}

TEST_F(Export, ADestinationSidecarIsNeverAltered) {
    photo("IMG_1.JPG", 4000, 5);
    photo("IMG_2.JPG", 4000, 1);
    ASSERT_EQ(fileCopy(files[0], joinPath(dst, "IMG_1.JPG"), true), 0u);
    ASSERT_EQ(fileCopy(files[1], joinPath(dst, "IMG_2.JPG"), true), 0u);
    std::string other = newSidecarText(2, "Red");
    std::string same = newSidecarText(1, "") + "\n";  // same rating and label, other bytes
    ASSERT_TRUE(lvtest::writeFile(sidecarPathFor(joinPath(dst, "IMG_1.JPG")), other));
    ASSERT_TRUE(lvtest::writeFile(sidecarPathFor(joinPath(dst, "IMG_2.JPG")), same));
    run();
    EXPECT_EQ(lvtest::readFile(sidecarPathFor(joinPath(dst, "IMG_1.JPG"))), other);
    EXPECT_EQ(lvtest::readFile(sidecarPathFor(joinPath(dst, "IMG_2.JPG"))), same);
    EXPECT_EQ(summary(), "0 photos copied, 2 already there, 1 rated differently at the destination, left unaltered");
    EXPECT_EQ(job.log.size(), 1u);
}

TEST_F(Export, DiskFullMidFileStopsWithReasonOneAndTheNextRunNamesTheStagingFile) {
    photo("IMG_1.JPG", 300000);
    photo("IMG_2.JPG", 300000);
    photo("IMG_3.JPG", 300000);
    Faults::writeLimit = 400000;
    Faults::freeBytes = 1000;
    job.copiesInFlight = 1;  // so that exactly the second file meets the full disk
    run(false);
    EXPECT_EQ(job.counters.stopReason, kExportStopDiskFull);
    EXPECT_EQ(summary(), "Stopped: the destination drive is full. 1 photos copied, 1 could not be copied, "
                         "1 unfinished file left behind: IMG_2.JPG.lumivore-part");
    EXPECT_EQ(job.log[0].text, "FAILED, the disk is full");
    EXPECT_FALSE(pathExists(joinPath(dst, "IMG_2.JPG")));
    EXPECT_FALSE(pathExists(joinPath(dst, "IMG_3.JPG")));

    Faults::writeLimit = UINT64_MAX;
    Faults::freeBytes = -2;
    run(false);
    EXPECT_EQ(summary(), "2 photos copied, 1 already there, 1 unfinished file left behind: IMG_2.JPG.lumivore-part");
    EXPECT_TRUE(pathExists(joinPath(dst, "IMG_2.JPG.lumivore-part")));
    EXPECT_EQ(lvtest::readFile(joinPath(dst, "IMG_2.JPG")), lvtest::readFile(files[1]));
}

TEST_F(Export, ARemovedDestinationStopsWithReasonTwo) {
    photo("IMG_1.JPG");
    photo("IMG_2.JPG");
    photo("IMG_3.JPG");
    Faults::removeOnPublish = dst;
    job.copiesInFlight = 1;
    run(false);
    EXPECT_EQ(job.counters.stopReason, kExportStopDestGone);
    EXPECT_EQ(summary(), "Stopped: the destination drive is no longer available. 1 photos copied, 1 could not be copied");
    EXPECT_EQ(job.log[0].text, "FAILED, the folder is gone");
}

#ifndef _WIN32
// A real small file system: tmpfs, mounted when the tests run as root; skipped elsewhere.
TEST_F(Export, SmallDiskFillsAndReadOnlyDiskRefuses) {
    std::string mnt = dir.file("small");
    ASSERT_EQ(folderCreateAll(mnt), 0u);
    if (std::system(("mount -t tmpfs -o size=1m tmpfs '" + mnt + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    struct Unmount {
        std::string at;
        ~Unmount() { (void)!std::system(("umount '" + at + "'").c_str()); }
    } unmount{mnt};
    setCopyFileOps(nullptr);
    photo("IMG_1.JPG", 600000);
    photo("IMG_2.JPG", 600000);
    photo("IMG_3.JPG", 600000);
    dst = mnt;
    job.copiesInFlight = 1;
    run(false);
    EXPECT_EQ(job.counters.stopReason, kExportStopDiskFull);
    EXPECT_EQ(job.counters.copied, 1);
    EXPECT_EQ(job.log[0].text, "FAILED, the disk is full");
    EXPECT_EQ(summary().rfind(text("ImportStopDiskFull"), 0), 0u);

    EXPECT_EQ(std::system(("mount -o remount,ro '" + mnt + "'").c_str()), 0);
    files = {files[2]};
    run(false);
    EXPECT_EQ(job.counters.failed, 1);
    EXPECT_EQ(job.log[0].text, "FAILED, the disk is write protected");
}
#endif

TEST_F(Export, RoomRefusalAndPreparation) {
    photo("IMG_1.JPG", 1u << 20);
    ExportResolveContext ctx{src, {2024, 5, 17, 0, 0, 0, 0}, kNativeStyle};
    std::string tpl = std::string("{folder.path}") + kPathSep + "export";
    Faults::freeBytes = int64_t(256u << 20);
    ExportPrepared p = prepareExportDestination("\"" + tpl + "\"", ctx, files, false);
    EXPECT_EQ(p.message, "Not enough room on the destination drive: 1.0 MB to copy would leave under 256.0 MB free.");
    EXPECT_FALSE(pathExists(joinPath(src, "export")));
    Faults::freeBytes = -2;
    EXPECT_EQ(prepareExportDestination("{folder.path}", ctx, files, false).message, text("ExportSameFolder"));
    EXPECT_EQ(prepareExportDestination(" \"\" ", ctx, files, false).message, text("ExportNoDest"));
    ASSERT_TRUE(lvtest::writeFile(joinPath(src, "blocked"), "a file"));
    std::string blocked = joinPath(joinPath(src, "blocked"), "x");
    EXPECT_EQ(prepareExportDestination(joinPath(src, "blocked") + kPathSep + "x", ctx, files, false).message,
              text("ExportMkdirFailed") + " " + blocked);
    p = prepareExportDestination(tpl, ctx, files, false);
    EXPECT_EQ(p.message, "");
    EXPECT_EQ(p.folder, joinPath(src, "export"));
    EXPECT_TRUE(isFolder(p.folder));
}

TEST(ExportList, StripOrderPartnersOnceAndSavedFilters) {
    FolderState st;
    st.photos.path = {"/s/A.CR3", "/s/A.JPG", "/s/B.JPG", "/s/C.NEF"};
    resetPhotoList(st.photos, 4);
    st.visible = {2, 0, 1};
    st.visibleInUse = true;
    ExportList l = buildExportList(st, {}, true);
    EXPECT_EQ(l.files, (std::vector<std::string>{"/s/B.JPG", "/s/A.CR3", "/s/A.JPG"}));
    EXPECT_EQ(l.photos, 3);
    EXPECT_EQ(exportCountLine(l), "3 photos shown in the strip will be copied");

    ExportSavedFilter f;
    f.name = "Keepers";
    f.usable = true;
    f.needsMetadata = true;
    f.matches = [](const FolderState&, int i, void*) { return i == 3; };
    st.photos.metaLoaded = {1, 1, 0, 0};
    l = buildExportList(st, f, false);
    EXPECT_TRUE(l.waiting);
    EXPECT_EQ(exportCountLine(l), "Reading photo details for Keepers: 2 of 4");
    st.photos.metaLoaded = {1, 1, 1, 1};
    l = buildExportList(st, f, false);
    EXPECT_EQ(l.files, std::vector<std::string>{"/s/C.NEF"});
    EXPECT_EQ(exportCountLine(l), "1 photos match \"Keepers\" and will be copied");
    f.matches = [](const FolderState&, int, void*) { return false; };
    EXPECT_EQ(exportCountLine(buildExportList(st, f, false)), "No photo in this folder matches \"Keepers\", please change Filter");
    f.usable = false;  // unusable: the strip instead
    EXPECT_EQ(buildExportList(st, f, false).files.size(), 3u);
    st.visible.clear();
    EXPECT_EQ(exportCountLine(buildExportList(st, {}, false)), text("ExportNoneShown"));
}

TEST(ExportTexts, QuitQuestionVariants) {
    QuitQuestion e = quitWhileCopyingQuestion(true, "D:\\out", false, "");
    EXPECT_EQ(e.title, "Export in progress");
    EXPECT_EQ(e.lines, std::vector<std::string>{"An export is still copying files to: D:\\out"});
    EXPECT_EQ(e.exitNow, "Stop the export and exit");
    EXPECT_EQ(e.wait, "Wait for it to finish");
    QuitQuestion i = quitWhileCopyingQuestion(false, "", true, "E:\\in");
    EXPECT_EQ(i.title, "Import in progress");
    EXPECT_EQ(i.exitNow, "Stop the import and exit");
    EXPECT_EQ(i.waitThenExit, "Wait for it to finish, then exit");
    EXPECT_EQ(i.question, "How would you like to proceed?");
    QuitQuestion b = quitWhileCopyingQuestion(true, "D:\\out", true, "E:\\in");
    EXPECT_EQ(b.title, "Export and import in progress");
    EXPECT_EQ(b.lines.size(), 2u);
    EXPECT_EQ(b.wait, "Wait for both to finish");
    EXPECT_EQ(b.waitThenExit, "Wait for both to finish, then exit");
}

TEST(ExportTexts, ErrorMessagesAndCopyLog) {
    const struct {
        WinErr code;
        const char* want;
    } cases[] = {{5, "access denied"}, {3, "the folder is gone"}, {32, "the file is open in another program"},
                 {39, "the disk is full"}, {112, "the disk is full"}, {19, "the disk is write protected"},
                 {64, "the network drive disconnected"}, {183, "a file of that name is already there"},
                 {206, "the path is too long"}, {1117, "Windows error 1117"}};
    for (const auto& c : cases) EXPECT_EQ(exportErrorMessage(c.code), c.want);
    ExportCounters c;
    c.copied = 2;
    c.partsLeft = 3;
    c.firstPart = "A.JPG.lumivore-part";
    EXPECT_EQ(exportCopyLogText(c, {{"A.JPG", "FAILED, access denied"}}),
              "2 photos copied, 3 unfinished files left behind, the first is A.JPG.lumivore-part\r\n"
              "A.JPG\tFAILED, access denied\r\n");
}
