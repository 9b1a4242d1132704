#include <gtest/gtest.h>

#include "library/bursts.h"
#include "library/folder.h"
#include "metadata/makernote.h"
#include "platform/platform.h"
#include "test_support.h"

using namespace lv;

namespace {
struct Frame {
    const char* name;
    double t;      // capture serial
    int seq;       // burst index
    int drive;     // continuous drive
};

FolderState folderOf(const std::vector<Frame>& frames) {
    FolderState st;
    st.folder = "/shoot/";
    resetPhotoList(st.photos, int(frames.size()));
    int i = 0;
    for (const Frame& f : frames) {
        PhotoMeta m;
        m.captureSerial = f.t;
        m.burstIndex = f.seq;
        m.continuousDrive = f.drive != 0;
        st.photos.path[size_t(i)] = st.folder + f.name;
        setPhotoMeta(st.photos, i, m);
        i++;
    }
    rebuildVisibleList(st);
    return st;
}
}  // namespace

// Each case: frames in folder order (name, capture serial, sequence number, continuous drive),
// the groups they fall into and the number of bursts.
TEST(Bursts, ChainingRules) {
    struct Case {
        const char* why;
        std::vector<Frame> frames;
        std::vector<int> groups;
        int count;
    } cases[] = {
        {"RAW and JPEG interleaved as a camera writes them chain separately",
         {{"A1.CR3", 100.0, 1, 1}, {"A1.JPG", 100.0, 1, 1}, {"A2.CR3", 100.1, 2, 1}, {"A2.JPG", 100.1, 2, 1},
          {"A3.CR3", 100.2, 3, 1}, {"A3.JPG", 100.2, 3, 1}},
         {0, 1, 0, 1, 0, 1}, 2},
        {"frame 2 deleted: 1 and 3 more than 2 s per step apart", {{"a.NEF", 10.0, 1, 1}, {"b.NEF", 15.0, 3, 1}}, {-1, -1}, 0},
        {"frame 2 deleted: within 2 s per step", {{"a.NEF", 10.0, 1, 1}, {"b.NEF", 13.9, 3, 1}}, {0, 0}, 1},
        {"without capture times the numbers decide", {{"a.NEF", 0.0, 1, 1}, {"b.NEF", 500.0, 2, 1}}, {0, 0}, 1},
        // 0 is no sequence; an equal number starts a new run; after a -1 nothing chains.
        {"numbers must rise",
         {{"z0.ARW", 1.0, 0, 1}, {"z1.ARW", 1.1, 1, 1}, {"z2.ARW", 1.2, 1, 1}, {"z3.ARW", 1.3, -1, 1},
          {"z4.ARW", 1.4, 2, 1}, {"z5.ARW", 1.5, 3, 1}},
         {-1, -1, -1, -1, 0, 0}, 1},
        // Two cameras or a re-shot, not a burst; q and r chain (4 then 5).
        {"equal numbers at one instant or without times",
         {{"p.PEF", 7.0, 4, 1}, {"q.PEF", 7.0, 4, 1}, {"r.PEF", 0, 5, 1}, {"s.PEF", 0, 5, 1}}, {-1, 0, 0, -1}, 1},
        {"a single shot", {{"a.RAF", 1.0, 1, 0}, {"b.RAF", 1.1, 2, 1}, {"c.RAF", 1.2, 3, 1}}, {-1, 0, 0}, 1},
        // r2 closes the first group (RAW), j2 the second; j3 starts over (85 s > 2 s x 5 frames).
        {"numbered in order of first appearance",
         {{"j1.JPG", 5.0, 1, 1}, {"r1.ORF", 50.0, 1, 1}, {"r2.ORF", 50.1, 2, 1}, {"j2.JPG", 5.1, 2, 1},
          {"j3.JPG", 90.0, 7, 1}, {"j4.JPG", 90.1, 8, 1}},
         {1, 0, 0, 1, 2, 2}, 3},
    };
    for (const Case& c : cases) {
        FolderState st = folderOf(c.frames);
        computeBursts(st);
        EXPECT_TRUE(st.burstsComputed) << c.why;
        EXPECT_EQ(st.photos.burstGroup, c.groups) << c.why;
        EXPECT_EQ(st.burstCount, c.count) << c.why;
    }
    FolderState one = folderOf({{"a.RAF", 1.0, 1, 1}});
    one.photos.burstGroup[0] = 7;  // stale from an earlier pass
    computeBursts(one);
    EXPECT_EQ(one.burstCount, 0);
    EXPECT_EQ(one.photos.burstGroup[0], -1);
}

namespace {
// Display order: a b [c d e] f [g h] i, groups 0 and 1.
FolderState navFolder() {
    FolderState st = folderOf({{"a.DNG", 1, 0, 0},
                               {"b.DNG", 2, 0, 0},
                               {"c.DNG", 3, 1, 1},
                               {"d.DNG", 3.1, 2, 1},
                               {"e.DNG", 3.2, 3, 1},
                               {"f.DNG", 10, 0, 0},
                               {"g.DNG", 20, 1, 1},
                               {"h.DNG", 20.1, 2, 1},
                               {"i.DNG", 30, 0, 0}});
    computeBursts(st);
    return st;
}
}  // namespace

TEST(Bursts, NavigationJumpsBetweenGroups) {
    FolderState st = navFolder();
    ASSERT_EQ(st.burstCount, 2);
    EXPECT_EQ(nextBurstPosition(st, 0), 2);
    EXPECT_EQ(nextBurstPosition(st, 3), 6);   // skips the rest of its own group
    EXPECT_EQ(nextBurstPosition(st, 6), -1);
    EXPECT_EQ(nextBurstPosition(st, 8), -1);
    EXPECT_EQ(previousBurstPosition(st, 7), 6);  // to the start of its own run first
    EXPECT_EQ(previousBurstPosition(st, 6), 2);  // then to the previous group's first frame
    EXPECT_EQ(previousBurstPosition(st, 5), 2);
    EXPECT_EQ(previousBurstPosition(st, 4), 2);
    EXPECT_EQ(previousBurstPosition(st, 2), -1);
    EXPECT_EQ(previousBurstPosition(st, 1), -1);
    EXPECT_EQ(previousBurstPosition(st, 8), 6);

    FolderState none = folderOf({{"a.DNG", 1, 0, 0}, {"b.DNG", 2, 0, 0}});
    computeBursts(none);
    EXPECT_EQ(nextBurstPosition(none, 0), -1);
    EXPECT_EQ(previousBurstPosition(none, 1), -1);
}

TEST(Bursts, NavigationFollowsDisplayOrder) {
    FolderState st = navFolder();
    ASSERT_TRUE(setOrdering(st, kOrderTimeNew));  // i h g f e d c b a
    EXPECT_EQ(nextBurstPosition(st, 0), 1);      // h
    EXPECT_EQ(nextBurstPosition(st, 1), 4);      // e, first of the other group
    EXPECT_EQ(previousBurstPosition(st, 6), 4);  // c -> start of its run (e)
    EXPECT_EQ(previousBurstPosition(st, 4), 1);  // e -> h, the first position of group 1
}

TEST(Bursts, PlaybackCyclesWithinTheGroupAndStopsWhenItVanishes) {
    FolderState st = navFolder();
    EXPECT_FALSE(startBurstPlayback(st));  // position 0 is in no burst
    st.currentPosition = 3;
    ASSERT_TRUE(startBurstPlayback(st));
    std::vector<int> seen;
    for (int i = 0; i < 4; i++) {
        ASSERT_TRUE(burstPlaybackStep(st));
        seen.push_back(st.currentPosition);
    }
    EXPECT_EQ(seen, (std::vector<int>{4, 2, 3, 4}));
    stopBurstPlayback(st, true);
    EXPECT_EQ(st.currentPosition, 3);
    EXPECT_FALSE(st.playback.playing);

    // A filter hides the whole group: the next tick stops and returns to the start.
    st.currentPosition = 6;
    ASSERT_TRUE(startBurstPlayback(st));
    ASSERT_TRUE(burstPlaybackStep(st));
    EXPECT_EQ(st.currentPosition, 7);
    st.filterActive = true;
    st.filter = [](const FolderState& s, int index, void*) { return s.photos.burstGroup[size_t(index)] != 1; };
    rebuildVisibleList(st);
    st.currentPosition = 2;
    st.playback.startPosition = 4;
    EXPECT_FALSE(burstPlaybackStep(st));
    EXPECT_FALSE(st.playback.playing);
    EXPECT_EQ(st.currentPosition, 4);

    EXPECT_EQ(burstTimerInterval(0), 5);
    EXPECT_EQ(burstTimerInterval(120), 120);
    EXPECT_EQ(burstTimerInterval(5000), 1000);
}

TEST(Bursts, StopByOpeningAnotherFolderStaysWhereItIs) {
    FolderState st = navFolder();
    st.currentPosition = 2;
    ASSERT_TRUE(startBurstPlayback(st));
    ASSERT_TRUE(burstPlaybackStep(st));
    stopBurstPlayback(st, false);
    EXPECT_EQ(st.currentPosition, 3);
    // Not computed yet: playback cannot start.
    FolderState fresh = navFolder();
    fresh.burstsComputed = false;
    fresh.currentPosition = 2;
    EXPECT_FALSE(startBurstPlayback(fresh));
}

// A real continuous-drive frame (Canon compact, sequence number 1) copied into a series of four
// with sequence numbers 1 to 4, beside a single shot, written to disk in shuffled order: loading
// the folder, reading each file and chaining in list order must find the one burst.
TEST(Bursts, CorpusSeriesWrittenInShuffledOrderFormsOneBurst) {
    std::string corpus = lvtest::corpusDir();
    if (corpus.empty()) GTEST_SKIP() << "no corpus";
    std::string frame = lvtest::readFile(joinPath(joinPath(joinPath(corpus, "files"), "jpeg"), "deb_IMG_1054.JPG"));
    std::string single = lvtest::readFile(joinPath(joinPath(joinPath(corpus, "files"), "jpeg"), "mei_Canon_EOS_5D.jpg"));
    ASSERT_FALSE(frame.empty());
    ASSERT_FALSE(single.empty());
    // Where the maker note keeps the sequence number: Canon ShotInfo (0x0004), element 9.
    ByteView b(frame);
    ExifSummary s;
    ASSERT_TRUE(summaryOfHead(b, &s));
    int64_t base = 0;
    bool le = true;
    int64_t start = makerNoteStart(b, s, &base, &le);
    ASSERT_GT(start, 0);
    MakerNoteIfd m{start, start, base, le};
    TagData si = tagData(b, m, 0x0004);
    ASSERT_TRUE(si.found() && si.size == 2 && si.count > 9);
    size_t seqAt = size_t(si.pos) + 18;
    ASSERT_EQ(tagShort(b, m, si, 9), 1);

    lvtest::TempDir dir;
    for (int seq : {3, 0, 1, 4, 2}) {  // 0 stands for the single shot, named between the frames in time
        std::string bytes = seq ? frame : single;
        if (seq) bytes[seqAt + (le ? 0 : 1)] = char(seq);
        std::string name = seq ? "IMG_105" + std::to_string(3 + seq) + ".JPG" : "IMG_1060.JPG";
        ASSERT_TRUE(lvtest::writeFile(dir.file(name), bytes));
    }
    FolderState st;
    ASSERT_EQ(loadFolder(st, dir.path, ""), 5);
    for (int i = 0; i < st.photos.count; i++) setPhotoMeta(st.photos, i, readPhotoMeta(st.photos.path[size_t(i)]));
    st.metadataComplete = true;
    computeBursts(st);
    EXPECT_EQ(st.burstCount, 1);
    for (int i = 0; i < st.photos.count; i++) {
        bool frameOfSeries = fileNamePart(st.photos.path[size_t(i)]) != "IMG_1060.JPG";
        EXPECT_EQ(st.photos.burstGroup[size_t(i)], frameOfSeries ? 0 : -1) << st.photos.path[size_t(i)];
        EXPECT_EQ(st.photos.continuousDrive[size_t(i)], frameOfSeries ? 1 : 0);
    }
}
