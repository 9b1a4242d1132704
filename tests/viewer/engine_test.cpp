#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "core/pathname.h"
#include "core/settings.h"
#include "filter/scan.h"
#include "test_support.h"
#include "viewer/viewer.h"

using namespace lv;

namespace {

// A test JPEG carrying an EXIF orientation.
std::string jpegWithOrientation(int w, int h, int orientation) {
    std::string j = lvtest::makeJpeg(w, h);
    std::string tiff("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 18);
    tiff += char(orientation);
    tiff += std::string(7, '\0');  // value padding and the next-IFD offset
    return lvtest::withSegments(j, lvtest::exifApp1(tiff));
}

bool filesUnder(const std::string& root) {
    std::vector<DirEntry> top;
    if (listFolder(root, &top)) return false;
    for (const DirEntry& d : top) {
        std::vector<DirEntry> inner;
        if (d.isFolder && !listFolder(joinPath(root, d.name), &inner) && !inner.empty()) return true;
    }
    return false;
}

// A folder of photos on disk with a viewer over it (threads not started).
struct Shoot {
    lvtest::TempDir dir, cache;
    FolderState folder;
    std::unique_ptr<Viewer> session = std::make_unique<Viewer>();
    Viewer& v = *session;
    void add(const std::string& name, const std::string& bytes) { ASSERT_TRUE(lvtest::writeFile(dir.file(name), bytes)); }
    void open(int mode, ScanStepFn scan = nullptr, void* ctx = nullptr) {
        ASSERT_GT(loadFolder(folder, dir.path, ""), 0);
        ViewerSetup s;
        s.cacheMode = mode;
        s.cacheRoot = withTrailingSeparator(cache.path);
        s.workerCount = 3;
        s.scanStep = scan;
        s.scanContext = ctx;
        viewerInit(*session, s, &folder);
        viewerFolderOpened(*session);
    }
    int photo(const std::string& name) {
        for (int i = 0; i < folder.photos.count; i++)
            if (fileNamePart(folder.photos.path[size_t(i)]) == name) return i;
        return -1;
    }
};

}  // namespace

TEST(Thumbnails, AWidePictureIsFittedAndCentredOnTheBackground) {
    ThumbFit f = thumbFitFor(320, 100);
    EXPECT_EQ(f.width, 160);
    EXPECT_EQ(f.height, 50);
    EXPECT_EQ(f.x, 0);
    EXPECT_EQ(f.y, 28);
    f = thumbFitFor(40, 30);  // small pictures are enlarged too
    EXPECT_EQ(f.width, 141);
    EXPECT_EQ(f.height, 106);
    EXPECT_EQ(f.x, 9);

    std::string j = lvtest::makeJpeg(320, 100);
    Bgra out;
    ASSERT_TRUE(renderThumbnail(ByteView(reinterpret_cast<const uint8_t*>(j.data()), j.size()), 1, &out, &f));
    ASSERT_EQ(out.width, kThumbW);
    ASSERT_EQ(out.height, kThumbH);
    auto px = [&](int x, int y) { return &out.pixels[(size_t(y) * kThumbW + size_t(x)) * 4]; };
    for (int y : {0, 27, 78, 105}) EXPECT_EQ(px(80, y)[0] + px(80, y)[1] + px(80, y)[2], 90) << y;
    int differing = 0;
    for (int x = 0; x < kThumbW; x++) differing += px(x, 28)[0] != 30 || px(x, 28)[2] != 30;
    EXPECT_GT(differing, 100);
    EXPECT_FALSE(renderThumbnail(ByteView(reinterpret_cast<const uint8_t*>(j.data()), 100), 1, &out, &f));
}

TEST(Thumbnails, OrientationSixGivesAPortraitThumbnail) {
    Shoot s;
    s.add("a.jpg", jpegWithOrientation(300, 200, 6));
    s.add("b.jpg", jpegWithOrientation(300, 200, 2));
    s.open(kCacheRam);
    int a = s.photo("a.jpg"), b = s.photo("b.jpg");
    ensureThumbnail(s.v, a);
    ensureThumbnail(s.v, b);
    EXPECT_EQ(s.folder.photos.orientation[size_t(a)], 6);
    EXPECT_EQ(s.v.thumbs.picW[size_t(a)], 70);
    EXPECT_EQ(s.v.thumbs.picH[size_t(a)], 106);
    EXPECT_EQ(s.v.thumbs.picW[size_t(b)], 159);  // mirrored: not turned
    EXPECT_EQ(s.folder.photos.orientation[size_t(b)], 2);
}

TEST(DiskCache, FolderNamesIgnoreCaseAndOnlyModeOneWrites) {
    EXPECT_EQ(folderCacheHash("/PHOTOS/SHOOT"), 1567934831u);
    EXPECT_EQ(cacheFolderFor("/c/", "/Photos/Shoot/"), cacheFolderFor("/c/", "/photos/SHOOT"));
    EXPECT_EQ(cacheFolderFor("/c/", "/PHOTOS/SHOOT"), std::string("/c/1567934831") + kPathSep);
    EXPECT_EQ(fileNamePart(cacheFileFor("/c/1/", "/x/P1000123.RW2")), "thumb_P1000123.jpg");

    for (int mode : {kCacheRam, kCacheNone, kCacheDisk}) {
        Shoot s;
        s.add("IMG_1.jpg", lvtest::makeJpeg(64, 48));
        s.open(mode);
        while (builderStep(s.v)) {
        }
        EXPECT_EQ(s.v.thumbs.state[0], kThumbDone);
        EXPECT_EQ(filesUnder(s.cache.path), mode == kCacheDisk) << mode;
        if (mode == kCacheDisk) {
            EXPECT_TRUE(pathExists(s.v.cacheFolder + "thumb_IMG_1_JPG.jpg"));
        }
        EXPECT_EQ(cacheSizeOnDisk(s.cache.path) > 0, mode == kCacheDisk);
    }
}

TEST(DiskCache, AReplacedPhotoGetsAFreshThumbnail) {
    Shoot s;
    s.add("DSC_1.jpg", lvtest::makeJpeg(300, 200));
    s.open(kCacheDisk);
    ensureThumbnail(s.v, 0);
    EXPECT_EQ(s.v.thumbs.picH[0], 106);
    std::string cacheFile = cacheFileFor(s.v.cacheFolder, s.folder.photos.path[0]);
    ASSERT_TRUE(pathExists(cacheFile));

    // Another picture under the same name, with another write time.
    s.add("DSC_1.jpg", lvtest::makeJpeg(200, 300));
    ASSERT_EQ(pathSetWriteTime(s.folder.photos.path[0], fileTimeFromUnix(1700000000)), 0u);
    Viewer next;  // a fresh session over the same folders
    viewerInit(next, s.v.setup, &s.folder);
    viewerFolderOpened(next);
    ensureThumbnail(next, 0);
    EXPECT_EQ(next.thumbs.picW[0], 70);  // portrait now
    PhotoStamp st;
    ASSERT_TRUE(photoStampOf(s.folder.photos.path[0], &st));
    EXPECT_TRUE(cacheFileCurrent(cacheFile, st));

    // Old-format bitmaps and unstamped files are absent.
    ASSERT_TRUE(lvtest::writeFile(cacheFile, "BM" + std::string(100, '\0')));
    EXPECT_TRUE(readCacheFile(cacheFile, st).empty());
    ASSERT_TRUE(lvtest::writeFile(cacheFile, lvtest::makeJpeg(20, 20)));
    EXPECT_TRUE(readCacheFile(cacheFile, st).empty());
    EXPECT_FALSE(cacheFileCurrent(cacheFile, st));
}

TEST(Builder, TheUrgentPassFillsAroundTheCurrentPhotoFirst) {
    Shoot s;
    std::string j = lvtest::makeJpeg(48, 32);
    for (int i = 0; i < 100; i++) s.add("P" + std::to_string(1000 + i) + ".jpg", j);
    s.open(kCacheRam);
    s.folder.currentPosition = 70;
    viewerPublishPosition(s.v);
    std::vector<int> order;
    while (builderStep(s.v)) {
        for (int p = 0; p < 100; p++)
            if (s.v.thumbs.state[size_t(p)] == kThumbDone && std::find(order.begin(), order.end(), p) == order.end())
                order.push_back(photoToVisible(s.folder, p));
    }
    ASSERT_EQ(order.size(), 100u);
    EXPECT_EQ(order[0], 70);
    EXPECT_EQ(order[1], 71);
    EXPECT_EQ(order[2], 69);
    for (size_t i = 0; i < 60; i++) EXPECT_GE(order[i], 40) << i;  // 40..99 first
    EXPECT_EQ(order[60], 0);  // then folder order
}

TEST(Builder, ThreadsSurviveReopeningAndFilteringTheFolder) {
    Shoot s;
    for (int i = 0; i < 24; i++) s.add("F" + std::to_string(100 + i) + ".jpg", jpegWithOrientation(400, 300, i % 3 ? 1 : 6));
    ScanState scan;
    s.open(kCacheDisk, filterScanStep, &scan);
    Rect area{0, 0, 200, 150};
    ASSERT_EQ(viewerStart(s.v), 0u);
    for (int round = 0; round < 4; round++) {
        for (int pos = 0; pos < 6; pos++) showPhoto(s.v, pos * 3 % visibleLength(s.folder), area);
        viewerStop(s.v);
        s.folder.filterActive = round % 2 == 0;
        s.folder.filter = [](const FolderState&, int i, void*) { return i % 2 == 1; };
        rebuildVisibleList(s.folder);
        s.folder.currentPosition = 0;
        ASSERT_EQ(viewerStart(s.v), 0u);
        showPhoto(s.v, 1, area);
        viewerStop(s.v);
        ASSERT_GT(loadFolder(s.folder, s.dir.path, ""), 0);  // reopened
        viewerFolderOpened(s.v);
        resetScan(scan);
        ASSERT_EQ(viewerStart(s.v), 0u);
    }
    ShowResult shown = showPhoto(s.v, 1, area);
    auto prefetched = [&] {
        LockGuard g(s.v.cacheLock);
        for (int pos = 0; pos <= 5; pos++)
            if (!hasDecodedPixels(s.v.decoded, visibleToPhoto(s.folder, pos))) return false;
        return true;
    };
    for (int i = 0; i < 1000 && !(s.v.idle && s.v.scanComplete && prefetched()); i++) sleepMs(10);
    viewerStop(s.v);
    EXPECT_TRUE(s.v.scanComplete);
    EXPECT_TRUE(scan.complete);
    for (int p = 0; p < s.folder.photos.count; p++) {
        EXPECT_EQ(s.v.thumbs.state[size_t(p)], kThumbDone);
        EXPECT_TRUE(s.v.thumbs.pixels[size_t(p)] != nullptr);
        EXPECT_TRUE(s.folder.photos.metaLoaded[size_t(p)]);
    }
    EXPECT_EQ(shown.plan.draw, ViewDraw::Picture);
    EXPECT_TRUE(prefetched());  // the workers decoded the neighbours within four
}

TEST(Show, SmallPreviewsAreDecodedInFullAndOversizedOnesShownUncached) {
    Shoot s;
    s.add("small.jpg", lvtest::makeJpeg(320, 200));
    s.add("big.jpg", lvtest::makeJpeg(1200, 800));
    s.add("broken.jpg", std::string("\xFF\xD8\xFF\xE0", 4) + std::string(60, 'x'));
    s.open(kCacheRam);
    Rect area{0, 0, 640, 480};
    ShowResult r = showPhoto(s.v, photoToVisible(s.folder, s.photo("small.jpg")), area);
    ASSERT_TRUE(r.shown);
    EXPECT_EQ(r.plan.draw, ViewDraw::Picture);
    EXPECT_TRUE(r.plan.fullDecode);
    EXPECT_FALSE(hasDecodedPixels(s.v.decoded, s.photo("small.jpg")));  // never stored as pixels
    EXPECT_EQ(r.plan.dest.w, 640);  // drawn fitted to the view
    EXPECT_EQ(r.title.rfind("Lumivore v0.9.2 - ", 0), 0u);

    s.v.jpeg.budget = 1000;  // smaller than the big preview
    r = showPhoto(s.v, photoToVisible(s.folder, s.photo("big.jpg")), area);
    EXPECT_EQ(r.plan.draw, ViewDraw::Picture);
    EXPECT_FALSE(r.plan.fullDecode);
    EXPECT_EQ(r.plan.bw, 640);
    EXPECT_EQ(r.plan.bh, 426);
    EXPECT_EQ(jpegCacheLookup(s.v.jpeg, s.photo("big.jpg")), nullptr);
    EXPECT_TRUE(paintView(s.v, area).fromCache);  // the decoded cache has it now
    setFrameDragging(s.v, true);  // the old target is kept and its picture scaled to the new view
    ViewPlan drag = paintView(s.v, Rect{0, 0, 320, 480});
    EXPECT_TRUE(drag.fromCache);
    EXPECT_EQ(drag.dest.w, 320);
    EXPECT_EQ(s.v.decoded.targetW, 640);
    setFrameDragging(s.v, false);

    r = showPhoto(s.v, photoToVisible(s.folder, s.photo("broken.jpg")), area);
    EXPECT_EQ(r.plan.draw, ViewDraw::Nothing);  // a preview that cannot be decoded

    StripLayout layout;
    layout.m = metricsFor(96);
    setStripHeight(layout, 120, 800);
    std::vector<StripCell> cells = stripCells(s.v, layout, Rect{0, 600, 1000, 120}, 500);
    ASSERT_EQ(cells.size(), 3u);
    for (const StripCell& c : cells) {
        bool broken = c.photo == s.photo("broken.jpg");
        EXPECT_EQ(c.state, broken ? CellState::NoPreview : CellState::Thumbnail);
        EXPECT_EQ(c.selected, broken);
    }
}
