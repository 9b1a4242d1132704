// The staged copy and what the copiers share: a failure at any step never leaves a file under
// its final name and never deletes the staging file; identical files, free names and the room rule.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <iterator>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "core/pathname.h"
#include "core/texts.h"
#include "export/copy_engine.h"
#include "platform/platform.h"
#include "disk_faults.h"
#include "test_support.h"

using namespace lv;

namespace {

// Each step can be made to fail; the rest goes to the platform.
struct Faults : lvtest::DiskFaults {
    static inline WinErr createErr = 0, writeErr = 0, flushErr = 0, moveErr = 0;
    static inline bool loseWrites = false;  // the disk reports success and keeps nothing
    static WinErr create(std::string_view p, CreateMode m, FileHandle* f) { return createErr ? createErr : fileCreate(p, m, f); }
    static WinErr write(FileHandle f, const void* b, size_t n) {
        return writeErr ? writeErr : loseWrites ? kErrOk : DiskFaults::write(f, b, n);
    }
    static WinErr flush(FileHandle f) { return flushErr ? flushErr : fileFlush(f); }
    static WinErr move(std::string_view a, std::string_view b, bool r) { return moveErr ? moveErr : fileMove(a, b, r); }
    static constexpr CopyFileOps kOps = {fileOpenRead, create, fileReadAt, write, flush, move, volume, nullptr, nullptr};
    static void reset() {
        createErr = writeErr = flushErr = moveErr = 0;
        loseWrites = false;
        DiskFaults::reset();
    }
};

class StagedCopy : public ::testing::Test {
protected:
    void SetUp() override {
        Faults::reset();
        setCopyFileOps(&Faults::kOps);
        ASSERT_TRUE(lvtest::writeFile(src, data));
        ASSERT_EQ(pathSetWriteTime(src, fileTimeFromUnix(1700000000)), 0u);
    }
    void TearDown() override { setCopyFileOps(nullptr); }
    lvtest::TempDir dir;
    std::string src = dir.file("IMG_1.CR3");
    std::string dst = dir.file("IMG_1 copy.CR3");
    std::string staging = dst + ".lumivore-part";
    std::string data = std::string(3u << 20, 'x') + "end";
};

}  // namespace

TEST_F(StagedCopy, CopiesWithTheSourceTimeAndNoStagingLeft) {
    StagedCopyResult r = stagedCopy(src, dst);
    ASSERT_TRUE(r.ok()) << r.code;
    EXPECT_EQ(lvtest::readFile(dst), data);
    EXPECT_FALSE(pathExists(staging));
    EXPECT_TRUE(identicalAtTarget(src, dst));
    EXPECT_EQ(r.bytes, data.size());
}

TEST_F(StagedCopy, NeverReplacesATarget) {
    ASSERT_TRUE(lvtest::writeFile(dst, "mine"));
    StagedCopyResult r = stagedCopy(src, dst);
    EXPECT_EQ(r.failedStep, CopyStep::TargetExists);
    EXPECT_EQ(lvtest::readFile(dst), "mine");
    EXPECT_FALSE(pathExists(staging));
}

TEST_F(StagedCopy, AFailedStepLeavesNoFinalNameAndKeepsTheStagingFile) {
    const struct {
        WinErr* fault;
        CopyStep step;
    } cases[] = {
        {&Faults::writeErr, CopyStep::Write},
        {&Faults::flushErr, CopyStep::Flush},
        {&Faults::moveErr, CopyStep::Publish},
        {&Faults::createErr, CopyStep::CreateStaging},
    };
    for (const auto& c : cases) {
        lvtest::TempDir d;
        std::string target = d.file("IMG_1.CR3");
        Faults::reset();
        *c.fault = kErrIoDevice;
        StagedCopyResult r = stagedCopy(src, target);
        EXPECT_EQ(r.failedStep, c.step);
        EXPECT_EQ(r.code, kErrIoDevice);
        EXPECT_FALSE(pathExists(target));
        bool created = c.step != CopyStep::CreateStaging;
        EXPECT_EQ(r.stagingLeft, created);
        EXPECT_EQ(pathExists(target + ".lumivore-part"), created);
    }
}

TEST_F(StagedCopy, DiskFullMidFileKeepsTheShortStagingFile) {
    Faults::writeLimit = 1u << 20;
    StagedCopyResult r = stagedCopy(src, dst);
    EXPECT_EQ(r.failedStep, CopyStep::Write);
    EXPECT_EQ(r.code, kErrDiskFull);
    EXPECT_FALSE(pathExists(dst));
    EXPECT_EQ(lvtest::readFile(staging).size(), size_t(1u << 20));
}

TEST_F(StagedCopy, AnEarlierRunsStagingFileIsLeftAndAnotherNameUsed) {
    ASSERT_TRUE(lvtest::writeFile(staging, "left by a crash"));
    StagedCopyResult r = stagedCopy(src, dst);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.takenStaging, staging);
    EXPECT_EQ(lvtest::readFile(staging), "left by a crash");
    EXPECT_EQ(lvtest::readFile(dst), data);
    EXPECT_FALSE(pathExists(dst + ".2.lumivore-part"));
}

TEST_F(StagedCopy, ASourceThatIsNotTheExpectedSizeOrAShortCopyIsNeverPublished) {
    StagedCopyOptions o;
    o.expectedSize = data.size() + 1;
    StagedCopyResult r = stagedCopy(src, dst, o);
    EXPECT_EQ(r.failedStep, CopyStep::Size);
    EXPECT_FALSE(pathExists(dst));
    Faults::loseWrites = true;
    r = stagedCopy(src, dst);
    EXPECT_EQ(r.failedStep, CopyStep::Size);
    EXPECT_FALSE(pathExists(dst));
}

// The platform's own calls: the system copies a copy without a hash, we copy a hashed one; both
// over a block boundary, byte for byte, and the hash is the file's.
TEST_F(StagedCopy, SystemCopyAndHashedCopyGiveTheSourceBytes) {
    setCopyFileOps(nullptr);
    std::string big = std::string(16u << 20, 'b') + "tail";
    ASSERT_TRUE(lvtest::writeFile(src, big));
    for (bool hashed : {false, true}) {
        std::string target = dir.file(hashed ? "hashed.CR3" : "system.CR3");
        Sha256 h;
        ASSERT_EQ(sha256Begin(&h), 0u);
        StagedCopyOptions o;
        o.hash = hashed ? &h : nullptr;
        StagedCopyResult r = stagedCopy(src, target, o);
        ASSERT_TRUE(r.ok()) << r.code;
        EXPECT_EQ(r.bytes, big.size());
        EXPECT_TRUE(lvtest::readFile(target) == big) << target;
        if (!hashed) {
            sha256Abort(&h);
            continue;
        }
        uint8_t digest[32];
        ASSERT_EQ(sha256End(&h, digest), 0u);
        std::string fileHash;
        ASSERT_EQ(sha256File(src, &fileHash), 0u);
        EXPECT_EQ(hexUpper(digest, 32), fileHash);
    }
}

TEST(CopyEngine, IdenticalFacts) {
    const uint64_t t = fileTimeFromUnix(1700000000);
    EXPECT_TRUE(identicalFileFacts(10, t, 10, t + kIdenticalTimeSlack));
    EXPECT_TRUE(identicalFileFacts(10, t + kIdenticalTimeSlack, 10, t));
    EXPECT_FALSE(identicalFileFacts(10, t, 10, t + kIdenticalTimeSlack + 1));
    EXPECT_FALSE(identicalFileFacts(10, t, 11, t));
    EXPECT_FALSE(identicalFileFacts(0, 0, 0, 0));
}

TEST(CopyEngine, FreeNameSkipsTakenNamesAndTakenCompanions) {
    lvtest::TempDir dir;
    std::string t = dir.file("IMG_1.JPG");
    ASSERT_TRUE(lvtest::writeFile(t, "a"));
    ASSERT_TRUE(lvtest::writeFile(dir.file("IMG_1 (2).JPG"), "b"));
    ASSERT_TRUE(lvtest::writeFile(dir.file("IMG_1 (3).JPG.xmp"), "c"));
    EXPECT_EQ(freeName(t), dir.file("IMG_1 (3).JPG"));
    EXPECT_EQ(freeName(t, [](const std::string& c) { return std::vector<std::string>{c + ".xmp"}; }),
              dir.file("IMG_1 (4).JPG"));
    EXPECT_EQ(freeName(t, [](const std::string&) { return std::vector<std::string>{"/"}; }), "");
}

TEST(CopyEngine, RoomRuleAndTexts) {
    const uint64_t MiB = 1u << 20;
    EXPECT_EQ(roomResult(0, 0), 1);
    EXPECT_EQ(roomResult(1, -1), -1);
    EXPECT_EQ(roomResult(50 * MiB, int64_t(100 * MiB)), 0);
    EXPECT_EQ(roomResult(50 * MiB, int64_t(306 * MiB)), 1);
    EXPECT_EQ(roundUpToCluster(1, 4096), 4096u);
    EXPECT_EQ(roundUpToCluster(8192, 4096), 8192u);
    EXPECT_EQ(roundUpToCluster(5, 0), 5u);
    EXPECT_EQ(sizeText(100), "100 B");
    EXPECT_EQ(sizeText(1536), "2 KB");
    EXPECT_EQ(sizeText(50 * MiB), "50.0 MB");
    EXPECT_EQ(sizeText(9ull << 30), "9.0 GB");
    EXPECT_EQ(roomText(50 * MiB, int64_t(100 * MiB)), "50.0 MB to copy would leave under 256.0 MB free");
    EXPECT_EQ(roomText(9ull << 30, int64_t(MiB)), "9.0 GB to copy, 1.0 MB free");
}

TEST(CopyEngine, StopReasons) {
    lvtest::TempDir dir;
    setCopyFileOps(&Faults::kOps);
    Faults::reset();
    Faults::freeBytes = 1000;
    EXPECT_EQ(stopReasonAfterFailure(dir.path, 1001), 1);
    EXPECT_EQ(stopReasonAfterFailure(dir.path, 1000), 0);
    EXPECT_EQ(stopReasonAfterFailure(dir.file("gone"), 10), 2);
    Faults::freeBytes = -1;
    EXPECT_EQ(stopReasonAfterFailure(dir.path, 10), 2);
    setCopyFileOps(nullptr);
    // A folder still to be made is measured on its parent.
    EXPECT_GE(destinationRoom(dir.file("new") + kPathSep + "deeper").freeBytes, 0);
}

// [SECTION] shared flushes
// A file system flushed whole covers what was written before the flush began. Copies running side
// by side share such flushes, and none may take its final name on a flush that began before its
// last write. A failed flush loses what it was writing, and tells so once: a later flush of the
// whole volume succeeds, and only a file's own flush still reports the loss.
namespace {

struct VolumeFlushes {
    static inline std::mutex m;
    static inline std::map<intptr_t, std::string> pathOf;  // open staging handles
    static inline std::set<std::string> dirty;             // written since the last flush began
    static inline std::set<std::string> lost;              // their write-back failed
    static inline std::atomic<int> volumeFlushes{0}, fileFlushes{0}, publishedUnsafe{0};
    static inline int failVolumeFlushes = 0;  // this many of the first ones fail
    static inline WinErr fileErr = 0;
    static WinErr create(std::string_view p, CreateMode mode, FileHandle* f) {
        WinErr e = fileCreate(p, mode, f);
        std::lock_guard<std::mutex> g(m);
        if (!e) pathOf[f->h] = std::string(p);
        return e;
    }
    // A copy's first write waits until as many copies write as may at once, so that they overlap.
    static inline std::atomic<int> writers{0};
    static inline int copies = 0;
    static WinErr write(FileHandle f, const void* b, size_t n) {
        bool first;
        {
            std::lock_guard<std::mutex> g(m);
            first = dirty.insert(pathOf[f.h]).second && !lost.count(pathOf[f.h]);
        }
        if (first && ++writers < copies)
            for (int ms = 0; writers < copies && ms < 5000; ms++) sleepMs(1);
        return fileWrite(f, b, n);
    }
    static WinErr flush(FileHandle f) {
        fileFlushes++;
        std::lock_guard<std::mutex> g(m);
        const std::string& path = pathOf[f.h];
        if (fileErr || lost.count(path)) return kErrIoDevice;
        dirty.erase(path);
        return fileFlush(f);
    }
    static WinErr flushVolume(FileHandle) {
        bool fails = ++volumeFlushes <= failVolumeFlushes;
        {
            std::lock_guard<std::mutex> g(m);
            if (fails) lost.insert(dirty.begin(), dirty.end());
            dirty.clear();
        }
        sleepMs(2);  // copies write on while it runs
        return fails ? kErrIoDevice : kErrOk;
    }
    static WinErr move(std::string_view from, std::string_view to, bool replace) {
        {
            std::lock_guard<std::mutex> g(m);
            publishedUnsafe += int(dirty.count(std::string(from)) + lost.count(std::string(from)));
        }
        return fileMove(from, to, replace);
    }
    static constexpr CopyFileOps kOps = {fileOpenRead, create, fileReadAt, write, flush, move, volumeInfo, nullptr, flushVolume};
};

struct SideBySide {
    std::string source, target;
    StagedCopyResult result;
};

void copyOne(void* arg) {
    auto* c = static_cast<SideBySide*>(arg);
    Sha256 h;  // a hashed copy goes through our writes, which the fake disk watches
    sha256Begin(&h);
    StagedCopyOptions o;
    o.hash = &h;
    c->result = stagedCopy(c->source, c->target, o);
    sha256Abort(&h);
}

}  // namespace

TEST(CopyEngine, CopiesSideBySidePublishOnlyAfterAFlushThatCoversThem) {
    const struct {
        int failVolumeFlushes;
        WinErr fileErr;
        int published;  // 1 every copy, 0 none, -1 those not lost
    } cases[] = {
        {0, 0, 1},                 // shared flushes
        {1, 0, -1},                // the first fails: what it lost keeps no name, the rest do
        {1000, kErrIoDevice, 0},   // nothing can be flushed: no copy takes a name
    };
    lvtest::TempDir dir;
    std::string src = dir.file("IMG_1.CR3");
    ASSERT_TRUE(lvtest::writeFile(src, std::string(1u << 20, 's')));
    setCopyFileOps(&VolumeFlushes::kOps);
#ifdef __linux__
    auto openHandles = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator());
    };
    const auto handlesBefore = openHandles();
#endif
    for (size_t k = 0; k < std::size(cases); k++) {
        VolumeFlushes::failVolumeFlushes = cases[k].failVolumeFlushes;
        VolumeFlushes::fileErr = cases[k].fileErr;
        VolumeFlushes::volumeFlushes = VolumeFlushes::fileFlushes = VolumeFlushes::publishedUnsafe = 0;
        VolumeFlushes::lost.clear();
        constexpr size_t kCopies = 12;
        VolumeFlushes::writers = 0;
        VolumeFlushes::copies = kCopiesMovingBytes;
        SideBySide copies[kCopies];
        Thread threads[kCopies];
        for (size_t i = 0; i < kCopies; i++) {
            copies[i].source = src;
            copies[i].target = dir.file("case" + std::to_string(k) + "-" + std::to_string(i) + ".CR3");
            ASSERT_EQ(threadStart(&threads[i], 1u << 20, copyOne, &copies[i]), 0u);
            // The first copy writes, and so has opened the volume's witness, before the others open
            // their files: they share its flushes.
            for (int ms = 0; i == 0 && VolumeFlushes::writers == 0 && ms < 5000; ms++) sleepMs(1);
        }
        for (Thread& t : threads) threadJoin(&t);
        SCOPED_TRACE(k);
        size_t failed = 0;
        for (const SideBySide& c : copies) {
            EXPECT_EQ(pathExists(c.target), c.result.ok());
            if (!c.result.ok()) {
                failed++;
                EXPECT_EQ(c.result.failedStep, CopyStep::Flush);
                EXPECT_EQ(c.result.code, kErrIoDevice);
            }
        }
        EXPECT_EQ(VolumeFlushes::publishedUnsafe.load(), 0);
        EXPECT_GE(VolumeFlushes::volumeFlushes.load(), 1);
        // The first copy was opened before anything could vouch for it and flushes alone.
        EXPECT_GE(VolumeFlushes::fileFlushes.load(), 1);
        size_t lost = VolumeFlushes::lost.size();
        EXPECT_EQ(failed, cases[k].published == 1 ? 0 : cases[k].published == 0 ? kCopies : lost);
        EXPECT_EQ(lost > 0, cases[k].failVolumeFlushes > 0);  // the failed flush had copies to lose
#ifdef __linux__
        // Nothing stays open on the volume once its copies are done: a drive must be ejectable.
        EXPECT_EQ(openHandles(), handlesBefore);
#endif
    }
    setCopyFileOps(nullptr);
}
