// The user commands: memory follows the disk, failures roll back and warn once per folder.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "platform/platform.h"
#include "sidecar/rating_commands.h"
#include "sidecar/sidecar_file.h"
#include "test_support.h"

using namespace lv;

namespace {

struct FailingMove {
    static inline WinErr err = 0;
    static WinErr commit(TempFile* t, std::string_view to) { return err ? err : tempCommit(t, to); }
    static constexpr SidecarFileOps kOps = {tempCreate, fileWrite, fileSize, commit};
};

class RatingCommands : public ::testing::Test {
protected:
    void SetUp() override {
        FailingMove::err = 0;
        setSidecarFileOps(&FailingMove::kOps);
        resetSidecarWarning();
    }
    void TearDown() override {
        setSidecarFileOps(nullptr);
        resetSidecarWarning();
    }
    RatedPhoto entry(const std::string& path) { return {path, &rating, &label}; }

    lvtest::TempDir dir;
    int rating = 0;
    std::string label;
};

}  // namespace

TEST_F(RatingCommands, SuccessStoresInMemoryAndOnDisk) {
    std::string photo = dir.file("A.ARW");
    label = "Blue";  // a label of another tool is kept through a rating
    SidecarCommandResult r = setRating(entry(photo), 5);
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(r.notice.show);
    EXPECT_EQ(rating, 5);
    RatingLabel disk = readRatingLabel(photo);
    EXPECT_EQ(disk.rating, 5);
    EXPECT_EQ(disk.label, "Blue");

    EXPECT_TRUE(toggleReject(entry(photo)).ok);
    EXPECT_EQ(rating, -1);
    EXPECT_EQ(readRatingLabel(photo).rating, -1);
    EXPECT_TRUE(toggleReject(entry(photo)).ok);
    EXPECT_EQ(rating, 0);
    EXPECT_EQ(readRatingLabel(photo).rating, 0);

    EXPECT_TRUE(setRating(entry(photo), 9).ok);  // out of range: clamped, never stored as is
    EXPECT_EQ(rating, 5);
    EXPECT_EQ(readRatingLabel(photo).rating, 5);

    EXPECT_TRUE(setLabel(entry(photo), "Red").ok);
    EXPECT_EQ(label, "Red");
    EXPECT_EQ(readRatingLabel(photo).label, "Red");
    EXPECT_TRUE(setLabel(entry(photo), "").ok);
    EXPECT_EQ(readRatingLabel(photo).label, "");
}

TEST_F(RatingCommands, FailureRollsBackAndWarnsOncePerFolder) {
    std::string photo = dir.file("IMG_1.CR2");
    ASSERT_TRUE(setRating(entry(photo), 3).ok);
    ASSERT_TRUE(setLabel(entry(photo), "Green").ok);
    std::string before = lvtest::readFile(dir.file("IMG_1.CR2.xmp"));

    FailingMove::err = 5;
    SidecarCommandResult r = setRating(entry(photo), 1);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.code, 5u);
    EXPECT_EQ(rating, 3);
    EXPECT_TRUE(r.notice.show);
    EXPECT_EQ(r.notice.title, "Not saved");
    EXPECT_EQ(r.notice.text, "IMG_1.CR2: The rating could not be written, error code #5");

    // Later failures in the same folder stay silent.
    SidecarCommandResult again = toggleReject(entry(dir.file("IMG_2.CR2")));
    EXPECT_FALSE(again.ok);
    EXPECT_EQ(rating, 3);
    EXPECT_FALSE(again.notice.show);
    SidecarCommandResult lab = setLabel(entry(photo), "Yellow");
    EXPECT_FALSE(lab.ok);
    EXPECT_EQ(label, "Green");
    EXPECT_FALSE(lab.notice.show);
    EXPECT_EQ(lvtest::readFile(dir.file("IMG_1.CR2.xmp")), before);

    // Another folder is warned about again, with the label's message.
    lvtest::TempDir second;
    SidecarCommandResult elsewhere = setLabel(entry(second.file("B.NEF")), "Red");
    EXPECT_TRUE(elsewhere.notice.show);
    EXPECT_EQ(elsewhere.notice.text, "B.NEF: The colour label could not be written, error code #5");
}

TEST_F(RatingCommands, PhotoListEntriesByIndex) {
    PhotoList list;
    resetPhotoList(list, 2);
    list.path[0] = dir.file("A.RW2");
    list.path[1] = dir.file("B.JPG");
    list.label[1] = "Purple";
    EXPECT_TRUE(setRating(list, 1, 4).ok);
    EXPECT_TRUE(setLabel(list, 0, "Yellow").ok);
    EXPECT_TRUE(toggleReject(list, 0).ok);
    EXPECT_EQ(list.rating[0], -1);
    EXPECT_EQ(list.rating[1], 4);
    RatingLabel a = readRatingLabel(list.path[0]), b = readRatingLabel(list.path[1]);
    EXPECT_EQ(a.rating, -1);
    EXPECT_EQ(a.label, "Yellow");
    EXPECT_EQ(b.rating, 4);
    EXPECT_EQ(b.label, "Purple");
    EXPECT_TRUE(pathExists(dir.file("A.xmp")));  // RW2 replaces its extension
    // No current photo: nothing happens and nothing is written.
    EXPECT_TRUE(setRating(list, 2, 5).ok);
    EXPECT_TRUE(setLabel(list, -1, "Red").ok);
    EXPECT_EQ(list.rating[1], 4);

    FailingMove::err = 32;
    SidecarCommandResult r = setLabel(list, 1, "Green");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.code, 32u);
    EXPECT_EQ(list.label[1], "Purple");
}

TEST_F(RatingCommands, NoticeComparesFoldersIgnoringCase) {
    EXPECT_TRUE(sidecarFailureNotice("/Shoot/a/X.JPG", false, 13).show);
    EXPECT_FALSE(sidecarFailureNotice("/SHOOT/A/y.jpg", true, 13).show);
    SidecarNotice n = sidecarFailureNotice("/Shoot/b/X.JPG", true, 112);
    EXPECT_TRUE(n.show);
    EXPECT_EQ(n.text, "X.JPG: The colour label could not be written, error code #112");
    EXPECT_TRUE(sidecarFailureNotice("/Shoot/a/X.JPG", false, 13).show);  // only the last folder counts
}

TEST(LabelColours, ChipTable) {
    struct Case {
        const char* label;
        bool has;
        int r, g, b;
    } cases[] = {
        {"Red", true, 220, 40, 40},    {" yellow ", true, 220, 190, 0}, {"GREEN", true, 60, 170, 60},
        {"Blue", true, 50, 120, 220},  {"purple", true, 150, 70, 200},  {"To Delete", true, 140, 140, 140},
        {"", false, 0, 0, 0},          {"   ", false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        LabelColour col = labelColour(c.label);
        EXPECT_EQ(col.hasLabel, c.has) << c.label;
        if (c.has) {
            EXPECT_EQ((std::tuple<int, int, int>(col.r, col.g, col.b)), std::make_tuple(c.r, c.g, c.b)) << c.label;
        }
    }
}
