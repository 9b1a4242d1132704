#include <gtest/gtest.h>

#include "test_support.h"
#include "viewer/viewer.h"

using namespace lv;

namespace {

PixelBuffer pixels(size_t bytes) { return std::make_shared<const std::vector<uint8_t>>(bytes, uint8_t(7)); }

// A folder of named photos that are never opened (job picking reads names and arrays only).
struct FakeFolder {
    FolderState folder;
    Viewer v;
    explicit FakeFolder(int n, const char* ext = ".NEF") {
        folder.folder = "/shoot/";
        resetPhotoList(folder.photos, n);
        for (int i = 0; i < n; i++) folder.photos.path[size_t(i)] = "/shoot/P" + std::to_string(1000 + i) + ext;
        rebuildVisibleList(folder);
        ViewerSetup s;
        s.workerCount = 3;
        viewerInit(v, s, &folder);
        for (auto& st : v.thumbs.state) st = kThumbDone;
        setDecodedTarget(v.decoded, 1920, 1080);
    }
    std::vector<int> pickAll(int worker) {
        std::vector<int> got;
        PreviewJob job;
        LockGuard g(v.cacheLock);
        while (pickJob(v, worker, &job)) {
            got.push_back(job.photo);
            insertDecoded(v.decoded, job.photo, job.width, job.height, nullptr, 0, 0, 0, 1);
            v.workerJob[size_t(worker)] = -1;
        }
        return got;
    }
};

}  // namespace

TEST(DecodedCache, EvictsLeastRecentlyUsedAtTheSlotAndByteLimits) {
    DecodedCache c;
    initDecodedCache(c);
    setDecodedTarget(c, 100, 100);
    for (int p = 0; p < kDecodedSlots; p++) ASSERT_TRUE(insertDecoded(c, p, 100, 100, pixels(10), 1, 1, 0, 1));
    DecodedHit hit;
    ASSERT_TRUE(lookupDecoded(c, 0, 100, 100, 1, &hit));  // 0 is now the most recent; 1 the oldest
    EXPECT_TRUE(insertDecoded(c, 99, 100, 100, pixels(10), 1, 1, 0, 1));
    EXPECT_FALSE(isDecodedCached(c, 1));
    EXPECT_TRUE(isDecodedCached(c, 0));

    c.budget = 100;  // the byte budget: a 60-byte buffer pushes out the oldest until it fits
    clearDecodedCache(c);
    setDecodedTarget(c, 100, 100);
    for (int p = 0; p < 5; p++) insertDecoded(c, p, 100, 100, pixels(20), 1, 1, 0, 1);
    EXPECT_TRUE(insertDecoded(c, 7, 100, 100, pixels(60), 1, 1, 0, 1));
    EXPECT_FALSE(isDecodedCached(c, 0));
    EXPECT_FALSE(isDecodedCached(c, 2));
    EXPECT_TRUE(isDecodedCached(c, 3));
    EXPECT_EQ(c.total, 100u);
    EXPECT_FALSE(insertDecoded(c, 8, 100, 100, pixels(101), 1, 1, 0, 1));  // larger than the budget
    EXPECT_FALSE(isDecodedCached(c, 8));
}

TEST(DecodedCache, ResizeEmptiesItAndALateInsertForTheOldSizeIsDropped) {
    DecodedCache c;
    initDecodedCache(c);
    setDecodedTarget(c, 1000, 800);
    insertDecoded(c, 3, 1000, 800, pixels(40), 2, 5, 0, 1);
    setDecodedTarget(c, 800, 600);
    EXPECT_FALSE(isDecodedCached(c, 3));
    EXPECT_EQ(c.total, 0u);
    EXPECT_FALSE(insertDecoded(c, 4, 1000, 800, pixels(40), 2, 5, 0, 1));  // a worker finishing late
    EXPECT_FALSE(isDecodedCached(c, 4));
}

TEST(DecodedCache, EmptyEntriesAndChangedOrientationMiss) {
    DecodedCache c;
    initDecodedCache(c);
    setDecodedTarget(c, 100, 100);
    insertDecoded(c, 1, 100, 100, nullptr, 0, 0, 0, 1);
    DecodedHit hit;
    EXPECT_FALSE(lookupDecoded(c, 1, 100, 100, 1, &hit));
    EXPECT_TRUE(isDecodedCached(c, 1));  // stays, so workers do not retry it
    EXPECT_FALSE(hasDecodedPixels(c, 1));
    insertDecoded(c, 2, 100, 100, pixels(8), 1, 2, 0, 1);
    EXPECT_FALSE(lookupDecoded(c, 2, 100, 100, 6, &hit));  // the orientation became known as 6
    EXPECT_FALSE(isDecodedCached(c, 2));
}

TEST(JpegCache, APreviewLargerThanTheBudgetIsNotStored) {
    JpegCache c;
    initJpegCache(c, 1);
    EXPECT_EQ(c.budget, 1048576u);
    EXPECT_EQ(jpegBudgetFor(0), 256u << 20);
    EXPECT_EQ(jpegBudgetFor(5000), 1024u << 20);
    auto big = std::make_shared<const Bytes>(size_t(1048577), uint8_t(1));
    EXPECT_FALSE(jpegCacheInsert(c, 0, big));
    EXPECT_EQ(jpegCacheLookup(c, 0), nullptr);
    EXPECT_FALSE(jpegCacheInsert(c, 1, std::make_shared<const Bytes>(size_t(15), uint8_t(1))));  // too short
    auto half = std::make_shared<const Bytes>(size_t(600000), uint8_t(1));
    EXPECT_TRUE(jpegCacheInsert(c, 2, half));
    EXPECT_TRUE(jpegCacheInsert(c, 3, half));  // evicts 2
    EXPECT_EQ(jpegCacheLookup(c, 2), nullptr);
    EXPECT_NE(jpegCacheLookup(c, 3), nullptr);
}

TEST(ScaledDecode, OrientationSixExchangesTheFitAndTwoDoesNotRotate) {
    EXPECT_EQ(rotationForOrientation(6), 90);
    EXPECT_EQ(rotationForOrientation(2), 0);
    EXPECT_EQ(rotationForOrientation(5), 0);
    EXPECT_EQ(rotationForOrientation(8), 270);
    int w = 0, h = 0;
    // 6000 x 4000 stored, shown upright as 4000 x 6000 in 1920 x 1080: scale 1080 / 6000.
    ASSERT_TRUE(scaledSizeFor(6000, 4000, 1920, 1080, 90, &w, &h));
    EXPECT_EQ(w, 1080);
    EXPECT_EQ(h, 720);
    ASSERT_TRUE(scaledSizeFor(6000, 4000, 1920, 1080, rotationForOrientation(2), &w, &h));
    EXPECT_EQ(w, 1620);
    EXPECT_EQ(h, 1080);
    EXPECT_FALSE(scaledSizeFor(1600, 1000, 1920, 1080, 0, &w, &h));  // fits: never stored as pixels

    std::string jpeg = lvtest::makeJpeg(320, 200);
    ByteView b(reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size());
    ScaledPicture sp = decodeScaled(b, 200, 100, 90);  // upright 200 x 320: scale 100 / 320
    ASSERT_EQ(sp.code, kDecodeScaled);
    EXPECT_EQ(sp.picture.width, 100);  // in the stored orientation
    EXPECT_EQ(sp.picture.height, 62);
    sp = decodeScaled(b, 200, 100, 0);
    EXPECT_EQ(sp.picture.width, 160);
    EXPECT_EQ(sp.picture.height, 100);
    EXPECT_EQ(decodeScaled(b, 400, 400, 0).code, kDecodeFits);
    EXPECT_EQ(decodeScaled(ByteView(b.data, 15), 100, 100, 0).code, kDecodeFailed);
    EXPECT_EQ(decodeScaled(b, 0, 100, 0).code, kDecodeFailed);
}

TEST(Workers, CountFollowsTheProcessors) {
    const int table[][2] = {{1, 1}, {2, 1}, {3, 1}, {4, 2}, {6, 3}, {16, 3}};
    for (auto& row : table) EXPECT_EQ(workerCountFor(row[0]), row[1]) << row[0];
}

TEST(Workers, PrefetchOrderAtBothEndsAndWithAFilter) {
    FakeFolder f(20);
    f.v.position = 0;
    EXPECT_EQ(f.pickAll(1), (std::vector<int>{0, 1, 2, 3, 4}));
    clearDecodedCache(f.v.decoded);
    setDecodedTarget(f.v.decoded, 1920, 1080);
    f.v.position = 19;
    EXPECT_EQ(f.pickAll(1), (std::vector<int>{19, 18, 17, 16, 15}));
    clearDecodedCache(f.v.decoded);
    setDecodedTarget(f.v.decoded, 1920, 1080);
    f.v.position = 10;
    f.v.workerJob[0] = 11;  // the builder has this one
    f.v.foregroundJob = 10;  // the screen is decoding this one
    f.v.thumbs.state[9] = kThumbNotDone;  // orientation not known yet
    EXPECT_EQ(f.pickAll(2), (std::vector<int>{12, 8, 13, 7, 14, 6}));
    f.v.foregroundJob = -1;

    // Filtered to the even photos: positions, not photo numbers, step around the current one.
    f.folder.filterActive = true;
    f.folder.filter = [](const FolderState&, int i, void*) { return i % 2 == 0; };
    rebuildVisibleList(f.folder);
    clearDecodedCache(f.v.decoded);
    setDecodedTarget(f.v.decoded, 1920, 1080);
    f.v.workerJob[0] = -1;
    f.v.thumbs.state[9] = kThumbDone;
    f.v.position = 1;  // photo 2
    EXPECT_EQ(f.pickAll(0), (std::vector<int>{2, 4, 0, 6, 8, 10}));
}

TEST(Workers, NoJobWithoutATargetOrForForegroundOnlyFormats) {
    FakeFolder f(3);
    setDecodedTarget(f.v.decoded, 0, 0);
    EXPECT_TRUE(f.pickAll(0).empty());
    FakeFolder cr3(3, ".CR3");  // decoded only when shown
    EXPECT_TRUE(cr3.pickAll(0).empty());
    PreviewJob job;
    EXPECT_FALSE(pickJob(f.v, 7, &job));  // no such worker
}
