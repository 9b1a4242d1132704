#include <gtest/gtest.h>

#include <algorithm>

#include "library/folder.h"
#include "library/open_paths.h"
#include "platform/platform.h"
#include "test_support.h"

using namespace lv;

namespace {
std::vector<std::string> names(const FolderState& st) {
    std::vector<std::string> out;
    for (int pos = 0; pos < visibleLength(st); pos++)
        out.emplace_back(fileNamePart(st.photos.path[size_t(visibleToPhoto(st, pos))]));
    return out;
}

FolderState synthetic(std::initializer_list<std::pair<const char*, double>> photos) {
    FolderState st;
    st.folder = "/s/";
    resetPhotoList(st.photos, int(photos.size()));
    int i = 0;
    for (auto& [name, t] : photos) {
        st.photos.path[size_t(i)] = st.folder + name;
        PhotoMeta m;
        m.captureSerial = t;
        setPhotoMeta(st.photos, i++, m);
    }
    rebuildVisibleList(st);
    return st;
}

void fakeRating(std::string_view path, int* rating, std::string* label) {
    if (path.find("IMG_2") != std::string_view::npos) {
        *rating = 3;
        *label = "Red";
    }
}
}  // namespace

TEST(Folder, LoadListsVisiblePhotosOnlyAndSelectsIgnoringCase) {
    lvtest::TempDir dir;
    const std::string jpeg = lvtest::makeJpeg(8, 8);
    for (const char* n : {"IMG_1.CR2", "IMG_2.CR2", "IMG_2.JPG", "notes.txt", "IMG_1.CR2.xmp", "clip.MP4"})
        ASSERT_TRUE(lvtest::writeFile(dir.file(n), jpeg));
#ifndef _WIN32
    ASSERT_TRUE(lvtest::writeFile(dir.file(".IMG_9.CR2"), jpeg));  // hidden here by its name
#endif
    ASSERT_EQ(folderCreateAll(dir.file("sub")), 0u);
    ASSERT_TRUE(lvtest::writeFile(dir.file("sub") + std::string(1, kPathSep) + "IMG_3.CR2", jpeg));
    ASSERT_EQ(folderCreateAll(dir.file("folder.JPG")), 0u);  // a folder with a photo's name

    EXPECT_EQ(countPhotos(dir.path), 3);
    EXPECT_TRUE(folderHasPhotos(dir.path));

    FolderState st;
    st.orderingMode = kOrderNameAZ;
    int n = loadFolder(st, dir.path, "img_2.jpg", fakeRating);
    ASSERT_EQ(n, 3);
    EXPECT_EQ(st.folder, dir.path + kPathSep);
    std::vector<std::string> got = names(st);
    EXPECT_EQ(got, (std::vector<std::string>{"IMG_1.CR2", "IMG_2.CR2", "IMG_2.JPG"}));
    EXPECT_EQ(fileNamePart(st.photos.path[size_t(visibleToPhoto(st, st.currentPosition))]), "IMG_2.JPG");
    for (int i = 0; i < n; i++) {
        bool two = st.photos.path[size_t(i)].find("IMG_2") != std::string::npos;
        EXPECT_EQ(st.photos.rating[size_t(i)], two ? 3 : 0);
        EXPECT_EQ(st.photos.label[size_t(i)], two ? "Red" : "");
        EXPECT_EQ(st.photos.orientation[size_t(i)], 1);
        EXPECT_EQ(st.photos.burstGroup[size_t(i)], -1);
    }

    // A selection that is not there lands on the first photo; a path selects by its name.
    EXPECT_EQ(loadFolder(st, dir.path, "gone.CR2"), 3);
    EXPECT_EQ(st.currentPosition, 0);
    EXPECT_EQ(loadFolder(st, dir.path + kPathSep, dir.file("IMG_2.CR2")), 3);
    EXPECT_EQ(st.currentPosition, 1);
}

TEST(Folder, FolderWithoutPhotosIsNotOpened) {
    lvtest::TempDir photos, empty;
    ASSERT_TRUE(lvtest::writeFile(photos.file("a.NEF"), "x"));
    ASSERT_TRUE(lvtest::writeFile(empty.file("IMG_1.JPG.xmp"), "x"));
    ASSERT_TRUE(lvtest::writeFile(empty.file("movie.mp4"), "x"));
    EXPECT_FALSE(folderHasPhotos(empty.path));
    EXPECT_EQ(countPhotos(empty.path), 0);
    EXPECT_FALSE(folderHasPhotos(empty.file("no-such-folder")));

    FolderState st;
    ASSERT_EQ(loadFolder(st, photos.path, ""), 1);
    st.currentPosition = 0;
    EXPECT_EQ(loadFolder(st, empty.path, ""), 0);
    EXPECT_EQ(st.photos.count, 1);  // the open folder stays as it was
    EXPECT_EQ(fileNamePart(st.photos.path[0]), "a.NEF");

    MessageSpec m = noPhotosMessage(empty.path);
    EXPECT_NE(m.text.find(empty.path + kPathSep + "\r\n\r\n"), std::string::npos);
    EXPECT_EQ(m.text.find("{formats}"), std::string::npos);
    EXPECT_NE(m.text.find("CR3, NEF/NRW"), std::string::npos);  // the formats phrase is filled in
}

TEST(Folder, OpeningRefusesEmptyFoldersAndRemembersBothPhotos) {
    lvtest::TempDir a, b, none;
    ASSERT_TRUE(lvtest::writeFile(a.file("x1.RAF"), "x"));
    ASSERT_TRUE(lvtest::writeFile(b.file("y1.X3F"), "x"));
    ASSERT_TRUE(lvtest::writeFile(b.file("y2.X3F"), "x"));
    FolderState st;
    FolderOpen o = openFolder(st, a.path, "");
    ASSERT_TRUE(o.opened);
    EXPECT_EQ(o.rememberBefore, "");
    EXPECT_EQ(o.rememberAfter, a.file("x1.RAF"));
    st.playback.playing = true;
    st.playback.startPosition = 0;
    o = openFolder(st, b.path, "Y2.x3f");
    ASSERT_TRUE(o.opened);
    EXPECT_FALSE(st.playback.playing);
    EXPECT_EQ(o.rememberBefore, a.file("x1.RAF"));
    EXPECT_EQ(o.rememberAfter, b.file("y2.X3F"));
    o = openFolder(st, none.path, "");
    EXPECT_FALSE(o.opened);
    EXPECT_FALSE(o.message.text.empty());
    EXPECT_EQ(st.folder, b.path + kPathSep);
    EXPECT_EQ(st.photos.count, 2);
}

TEST(Folder, NameOrderingsCompareUpperCase) {
    FolderState st = synthetic({{"B.jpg", 0}, {"c.jpg", 0}, {"a.jpg", 0}});
    EXPECT_FALSE(st.visibleInUse);
    EXPECT_EQ(names(st), (std::vector<std::string>{"B.jpg", "c.jpg", "a.jpg"}));
    st.currentPosition = 1;  // c.jpg
    ASSERT_TRUE(setOrdering(st, kOrderNameZA));
    EXPECT_EQ(names(st), (std::vector<std::string>{"c.jpg", "B.jpg", "a.jpg"}));
    EXPECT_EQ(st.currentPosition, 0);  // still c.jpg
    ASSERT_TRUE(setOrdering(st, kOrderNameAZ));
    EXPECT_EQ(names(st), (std::vector<std::string>{"a.jpg", "B.jpg", "c.jpg"}));
    EXPECT_EQ(st.currentPosition, 2);
    EXPECT_FALSE(setOrdering(st, kOrderNameAZ));  // no change
    EXPECT_FALSE(setOrdering(st, 5));
    EXPECT_FALSE(setOrdering(st, -1));
    ASSERT_TRUE(setOrdering(st, kOrderOriginal));
    EXPECT_FALSE(st.visibleInUse);
    EXPECT_EQ(st.currentPosition, 1);
}

TEST(Folder, TimeOrderingsAndReapplyWhenTimesArrive) {
    FolderState st = synthetic({{"a", 0}, {"b", 0}, {"c", 0}});
    ASSERT_TRUE(setOrdering(st, kOrderTimeOld));
    st.currentPosition = 0;  // "a"
    PhotoMeta m;
    double times[] = {300, 100, 200};
    for (int i = 0; i < 3; i++) {
        m.captureSerial = times[i];
        setPhotoMeta(st.photos, i, m);
    }
    reapplyOrdering(st);
    EXPECT_EQ(names(st), (std::vector<std::string>{"b", "c", "a"}));
    EXPECT_EQ(st.currentPosition, 2);
    ASSERT_TRUE(setOrdering(st, kOrderTimeNew));
    EXPECT_EQ(names(st), (std::vector<std::string>{"a", "c", "b"}));
    EXPECT_EQ(st.currentPosition, 0);
}

TEST(Folder, MappingsWithFilterAndOrdering) {
    FolderState st = synthetic({{"a", 5}, {"b", 1}, {"c", 3}, {"d", 2}});
    EXPECT_EQ(visibleToPhoto(st, 3), 3);
    EXPECT_EQ(visibleToPhoto(st, 4), -1);
    EXPECT_EQ(visibleToPhoto(st, -1), -1);
    EXPECT_EQ(photoToVisible(st, 9), -1);
    st.filterActive = true;
    st.filter = [](const FolderState& s, int index, void*) { return s.photos.captureSerial[size_t(index)] > 1.5; };
    st.currentPosition = 1;  // b, which the filter drops
    ASSERT_TRUE(setOrdering(st, kOrderTimeOld));
    EXPECT_EQ(names(st), (std::vector<std::string>{"d", "c", "a"}));
    EXPECT_EQ(st.currentPosition, 0);
    EXPECT_EQ(photoToVisible(st, 1), -1);
    EXPECT_EQ(photoToVisible(st, 0), 2);
    EXPECT_EQ(visibleToPhoto(st, 2), 0);
    EXPECT_EQ(visibleToPhoto(st, 3), -1);
    // A filter with mode 0 still uses the visible list.
    ASSERT_TRUE(setOrdering(st, kOrderOriginal));
    EXPECT_TRUE(st.visibleInUse);
    EXPECT_EQ(names(st), (std::vector<std::string>{"a", "c", "d"}));
}

TEST(Folder, ImportBrowsePutsArrivalsLastInArrivalOrder) {
    FolderState st = synthetic({{"x", 50}, {"y", 10}});
    st.orderingMode = kOrderNameZA;
    rebuildVisibleList(st);
    enterImportBrowseOrdering(st);
    EXPECT_EQ(st.orderingMode, kOrderTimeOld);
    int late = appendArrivedPhoto(st, "/s/late");
    int later = appendArrivedPhoto(st, "/s/later");
    EXPECT_EQ(st.photos.arrival[size_t(late)], 1);
    EXPECT_EQ(st.photos.arrival[size_t(later)], 2);
    EXPECT_TRUE(st.metadataChanged);
    EXPECT_FALSE(st.metadataComplete);
    PhotoMeta early;
    early.captureSerial = 1;  // taken before everything, yet joined last
    setPhotoMeta(st.photos, later, early);
    reapplyOrdering(st);
    EXPECT_EQ(names(st), (std::vector<std::string>{"y", "x", "late", "later"}));
    leaveImportBrowseOrdering(st);
    EXPECT_EQ(st.orderingMode, kOrderNameZA);
    EXPECT_EQ(names(st), (std::vector<std::string>{"y", "x", "later", "late"}));

    // Choosing an ordering while browsing ends it even when it is the forced mode.
    enterImportBrowseOrdering(st);
    EXPECT_TRUE(setOrdering(st, kOrderTimeOld));
    EXPECT_FALSE(st.importBrowse);
    EXPECT_EQ(names(st), (std::vector<std::string>{"late", "later", "y", "x"}));  // plain capture times
}

TEST(Folder, LoadingEndsImportBrowse) {
    lvtest::TempDir dir;
    ASSERT_TRUE(lvtest::writeFile(dir.file("a.ORF"), "x"));
    FolderState st = synthetic({{"x", 1}});
    st.orderingMode = kOrderNameZA;
    enterImportBrowseOrdering(st);
    ASSERT_EQ(loadFolder(st, dir.path, ""), 1);
    EXPECT_FALSE(st.importBrowse);
    EXPECT_EQ(st.orderingMode, kOrderNameZA);
    EXPECT_EQ(st.photos.arrival[0], 0);
}

TEST(Folder, OrderingSettingAndNames) {
    EXPECT_EQ(orderingFromSetting(4), 4);
    EXPECT_EQ(orderingFromSetting(5, 2), 2);
    EXPECT_EQ(orderingFromSetting(-1), 0);
    EXPECT_EQ(orderingFromName("time-new"), kOrderTimeNew);
    EXPECT_EQ(orderingFromName("name-az"), kOrderNameAZ);
    EXPECT_EQ(orderingFromName("newest"), -1);
}
