#include <gtest/gtest.h>

#include <memory>

#include "core/ini.h"
#include "core/pathname.h"
#include "core/settings.h"
#include "test_support.h"
#include "viewer/bench.h"

using namespace lv;

namespace {

TEST(BenchSpread, MinMedianP95Max) {
    struct Case {
        std::vector<double> ms;
        double min, median, p95, max;
    };
    std::vector<double> twenty;
    for (int i = 20; i >= 1; i--) twenty.push_back(i);
    const Case cases[] = {
        {{}, 0, 0, 0, 0},
        {{5}, 5, 5, 5, 5},
        {{4, 1, 3, 2}, 1, 2.5, 4, 4},
        {{3, 9, 1}, 1, 3, 9, 9},
        {twenty, 1, 10.5, 19, 20},  // the 19th of 20 values, not the largest
    };
    for (const Case& c : cases) {
        Spread s = spreadOf(c.ms);
        EXPECT_EQ(s.count, c.ms.size());
        EXPECT_DOUBLE_EQ(s.min, c.min);
        EXPECT_DOUBLE_EQ(s.median, c.median);
        EXPECT_DOUBLE_EQ(s.p95, c.p95);
        EXPECT_DOUBLE_EQ(s.max, c.max);
    }
}

struct MemoryShell {
    Rect area{0, 0, 64, 48};
    int draws = 0, pictures = 0, resizes = 0;
};

// The whole script over five JPEGs, in memory and in disk mode: every step of it ran, the view is
// left as it was, the benchmark's own cache folder is gone and the report lists every series.
TEST(BenchScript, RunsEveryStepAndReportsIt) {
    for (int mode : {kCacheRam, kCacheDisk}) {
        SCOPED_TRACE(mode);
        lvtest::TempDir dir, cache;
        for (int i = 0; i < 5; i++) ASSERT_TRUE(lvtest::writeFile(dir.file("P" + std::to_string(i) + ".jpg"), lvtest::makeJpeg(320, 240)));
        FolderState folder;
        ASSERT_EQ(loadFolder(folder, dir.path, ""), 5);
        auto v = std::make_unique<Viewer>();
        ViewerSetup setup;
        setup.cacheMode = mode;
        setup.cacheRoot = withTrailingSeparator(cache.path);
        viewerInit(*v, setup, &folder);
        viewerFolderOpened(*v);
        std::string userCache = v->cacheFolder;

        MemoryShell m;
        BenchShell shell{&m, [](void* c) { return static_cast<MemoryShell*>(c)->area; },
                         [](void* c, const ViewPlan& p, const Rect&) {
                             auto* s = static_cast<MemoryShell*>(c);
                             s->draws++;
                             s->pictures += p.draw == ViewDraw::Picture;
                         },
                         [](void* c, int w, int h) {
                             auto* s = static_cast<MemoryShell*>(c);
                             s->area = Rect{0, 0, w, h};
                             s->resizes++;
                         },
                         nullptr};
        ViewerUi ui;
        BenchSetup bs;
        bs.keyRateHz = 1000;
        BenchReport r = runBenchmark(*v, ui, shell, bs);

        auto count = [&](const char* name) -> int {
            for (const BenchSeries& s : r.series)
                if (std::string(s.section) == name) return int(s.ms.size());
            return -1;
        };
        EXPECT_EQ(r.presses, 4);
        EXPECT_EQ(count("FirstShow"), 1);
        EXPECT_EQ(count("Forward"), 4);
        EXPECT_EQ(count("Back"), 4);
        EXPECT_EQ(count("StepCached") + count("StepPrefetched") + count("StepCold"), 8);
        EXPECT_EQ(count("JumpEnd"), 1);
        EXPECT_EQ(count("PhotoSize"), 10);  // 100 % down to 50 % and back
        EXPECT_EQ(count("Resize"), 2);
        EXPECT_EQ(count("ShotInfo"), 1 + 8 + 1 + 10 + 2);
        EXPECT_EQ(count("Locate"), count("Read"));
        EXPECT_EQ(count("Thumbnails"), 5);
        EXPECT_EQ(count("ThumbnailsWarm"), mode == kCacheDisk ? 5 : -1);
        EXPECT_EQ(m.draws, m.pictures);
        EXPECT_EQ(m.draws, 22);
        EXPECT_EQ(m.resizes, 2);
        EXPECT_EQ(m.area.w, 64);
        EXPECT_EQ(ui.photoSize, 100);
        EXPECT_EQ(folder.currentPosition, 4);
        EXPECT_EQ(v->cacheFolder, userCache);
        EXPECT_FALSE(pathExists(joinPath(cache.path, "bench-cache")));

        std::string ini = benchIniText(r);
        EXPECT_EQ(iniGet(ini, "Run", "Photos", ""), "5");
        EXPECT_EQ(iniGet(ini, "Run", "CacheMode", ""), mode == kCacheDisk ? "DISK" : "RAM");
        for (const BenchSeries& s : r.series) {
            SCOPED_TRACE(s.section);
            EXPECT_EQ(iniGet(ini, s.section, "Count", ""), std::to_string(s.ms.size()));
            for (const char* key : {"MinMs", "MedianMs", "P95Ms", "MaxMs"}) EXPECT_NE(iniGet(ini, s.section, key, ""), "");
        }
        EXPECT_NE(iniGet(ini, "Thumbnails", "PhotosPerSecond", ""), "");
    }
}

}  // namespace
