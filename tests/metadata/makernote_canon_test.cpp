// Canon maker notes built byte by byte: AF box choice, masks, orientation turns, value tables.
#include <gtest/gtest.h>

#include "metadata/makernote.h"
#include "metadata/shot_info.h"
#include "mn_builder.h"
#include "shot_fields.h"

using namespace mnb;
using lvtest::expectFields;

namespace {

struct AfPoint {
    int w, h, x, y;
};

// AFInfo2 with the given points, valid count and masks (one bit per point).
Entry afInfo2(int mode, const std::vector<AfPoint>& pts, int valid, uint32_t inFocus, uint32_t selected, int W = 6000,
              int H = 4000) {
    int n = int(pts.size());
    std::vector<int> v = {0, mode, n, valid, W, H, W, H};
    for (const AfPoint& p : pts) v.push_back(p.w);
    for (const AfPoint& p : pts) v.push_back(p.h);
    for (const AfPoint& p : pts) v.push_back(p.x);
    for (const AfPoint& p : pts) v.push_back(p.y);
    int words = (n + 15) / 16;
    for (int i = 0; i < words; i++) v.push_back(int((inFocus >> (16 * i)) & 0xFFFF));
    for (int i = 0; i < words; i++) v.push_back(int((selected >> (16 * i)) & 0xFFFF));
    v[0] = int(v.size() * 2);
    return shorts(0x0026, v);
}

std::vector<int> zeros(int n) { return std::vector<int>(size_t(n), 0); }

std::string canonFile(std::vector<Entry> note, int orientation = 1, const std::string& model = "Canon EOS R5") {
    return tiff("Canon", model, orientation, {rational(0x829A, 1, 250), rational(0x829D, 28, 10), short1(0x8827, 400)},
                [&](uint32_t pos) { return ifd(note, pos); });
}

lv::ShotInfo build(const std::string& bytes) { return lv::buildShotInfoFromHead("IMG_0001.CR2", lv::ByteView(bytes)); }

// Three points left, centre, right of a 6000 x 4000 frame.
const std::vector<AfPoint> kThree = {{200, 200, -2000, 1000}, {200, 200, 0, 0}, {200, 200, 2000, -1000}};

}  // namespace

TEST(CanonNote, SelectedAndInFocusPointsGiveTheBox) {
    // All points selected and none in focus: no box.
    expectFields(build(canonFile({afInfo2(2, kThree, 3, 0, 0x7)})),
                 {"area=Single-point AF (AF point not recorded by the camera)", "x=0"});
    lv::ShotInfo s = build(canonFile({afInfo2(2, kThree, 3, 0, 0x4)}));
    // Point 3 is at +2000, -1000 from the centre: (3000 + 2000) / 6000 and (2000 + 1000) / 4000.
    EXPECT_EQ(s.afFrameWidth, 1000);
    EXPECT_EQ(s.afPointX, 834);  // floor(833.33) + 1
    EXPECT_EQ(s.afPointY, 751);
    EXPECT_NEAR(s.afAreaWidth, 200.0 / 6000, 1e-9);
    EXPECT_NEAR(s.afAreaHeight, 200.0 / 4000, 1e-9);
    EXPECT_EQ(s.afArea, "Single-point AF");
    // Points 1 and 2 in focus, point 3 selected: in-focus points win and the box spans them.
    lv::ShotInfo f = build(canonFile({afInfo2(7, kThree, 3, 0x3, 0x4)}));
    EXPECT_NEAR(f.afAreaWidth, 2200.0 / 6000, 1e-9);
    EXPECT_NEAR(f.afAreaHeight, 1200.0 / 4000, 1e-9);
    // Centre x = -1000 -> 2000 / 6000; y = +500 -> 1500 / 4000.
    expectFields(f, {"x=334", "y=376"});
    // A single valid point that is selected is used.
    expectFields(build(canonFile({afInfo2(13, {{300, 300, 0, 0}}, 1, 0, 0x1)})), {"x=501", "y=501"});
}

TEST(CanonNote, PortraitTurnsTheBoxIntoTheDisplayedImage) {
    // Upper-left quarter of the sensor: x -1500 (u 0.25), y +1000 (v 0.25).
    std::vector<AfPoint> p = {{600, 200, -1500, 1000}, {200, 200, 1500, -1000}};
    lv::ShotInfo s = build(canonFile({afInfo2(2, p, 2, 0x1, 0x1)}, 6));
    // Orientation 6: (1 - v, u) = (0.75, 0.25), upper-right; width and height swap.
    expectFields(s, {"x=751", "y=251"});
    EXPECT_NEAR(s.afAreaWidth, 200.0 / 4000, 1e-9);
    EXPECT_NEAR(s.afAreaHeight, 600.0 / 6000, 1e-9);
    lv::ShotInfo r = build(canonFile({afInfo2(2, p, 2, 0x1, 0x1)}, 8));
    EXPECT_EQ(r.afPointX, 251);  // (v, 1 - u) = (0.25, 0.75)
    EXPECT_EQ(r.afPointY, 751);
    expectFields(build(canonFile({afInfo2(2, p, 2, 0x1, 0x1)}, 3)), {"x=751", "y=751"});
}

TEST(CanonNote, MasksBeyondTheFirstWordAreRead) {
    std::vector<AfPoint> p(20, {100, 100, 0, 0});
    p[17] = {100, 100, 1500, 0};
    lv::ShotInfo s = build(canonFile({afInfo2(2, p, 20, 1u << 17, 0)}));
    EXPECT_EQ(s.afPointX, 751);
}

TEST(CanonNote, ShortOrInconsistentAfInfoGivesNoBox) {
    Entry e = afInfo2(2, kThree, 3, 0x1, 0x1);
    Entry cut = shorts(0x0026, {});
    cut.data = e.data.substr(0, e.data.size() - 2);  // selected mask missing
    cut.count = uint32_t(cut.data.size() / 2);
    EXPECT_EQ(build(canonFile({cut})).afPointX, 0);
    EXPECT_EQ(build(canonFile({afInfo2(2, kThree, 4, 0x1, 0x1)})).afPointX, 0);  // valid > count
    EXPECT_EQ(build(canonFile({afInfo2(2, kThree, 3, 0x1, 0x1, 0, 4000)})).afPointX, 0);  // no width
}

TEST(CanonNote, ArraysMapThroughTheTables) {
    std::vector<int> cs = zeros(40);
    cs[5] = 5;     // drive
    cs[7] = 257;   // focus
    cs[34] = 257;  // stabiliser, second generation code
    std::vector<int> si = zeros(30);
    si[7] = 8;   // shade
    si[9] = 12;  // sequence
    std::vector<int> pi = zeros(12);
    pi[9] = 7200;
    pi[10] = 0x83;
    std::vector<int> fi = zeros(24);
    fi[23] = 2;
    expectFields(build(canonFile({shorts(0x0001, cs), shorts(0x0004, si), shorts(0x0093, fi), shorts(0x00A0, pi)})),
                 {"focus=AF-C", "drive=Continuous, High", "stab=On", "wb=Shade (7200 K)", "style=Landscape",
                  "shutter=1", "frameNo=12"});

    std::string bytes = canonFile({shorts(0x0001, cs), shorts(0x0004, si), shorts(0x0093, fi)});
    lv::PhotoMeta m = lv::readPhotoMetaFromHead(lv::ByteView(bytes));
    expectFields(
        m, {"meta.valid=1", "meta.focus=1", "meta.shutter=1", "meta.continuous=1", "meta.burst=12", "meta.iso=400"});
    EXPECT_EQ(m.apertureX100, 280);
    EXPECT_EQ(m.camera, "Canon EOS R5");
}

TEST(CanonNote, ManualFocusHidesTheAfArea) {
    std::vector<int> cs = zeros(40);
    cs[7] = 6;
    std::string bytes = canonFile({shorts(0x0001, cs), afInfo2(2, kThree, 3, 0x1, 0x1)});
    lv::ShotInfo s = build(bytes);
    EXPECT_EQ(s.focusMode, "MF");
    EXPECT_EQ(lv::readPhotoMetaFromHead(lv::ByteView(bytes)).focusClass, 2);
    for (const std::string& row : lv::shotInfoRows(s)) EXPECT_EQ(row.find("AF area"), std::string::npos) << row;
}

TEST(CanonNote, UnknownCodesShowNothingAndOtherMakersAreDeclined) {
    std::vector<int> cs = zeros(40);
    cs[5] = 2;    // movie: no drive text
    cs[7] = 77;   // unknown focus mode
    cs[34] = -1;  // absent stabiliser
    std::vector<int> si = zeros(10);
    si[7] = 99;
    expectFields(build(canonFile({shorts(0x0001, cs), shorts(0x0004, si)})),
                 {"focus=", "drive=", "wb=", "stab=", "shutter=-1", "vendor=2"});

    std::string other = tiff("Kodak", "DC50", 1, {}, [&](uint32_t pos) { return ifd({shorts(0x0001, cs)}, pos); });
    EXPECT_EQ(build(other).vendor, -1);
}

TEST(CanonLens, MakerNoteLensIsNamedAsTheBodiesWriteItIntoExifAndCompactsHaveAFixedOne) {
    // An EOS 30D keeps the lens only in its maker note; an EOS 6D writes the same text to EXIF
    // LensModel without a maker word. Both photos must carry one lens name for the lens filter.
    std::string old = canonFile({ascii(0x0095, "EF-S18-55mm f/3.5-5.6")}, 1, "Canon EOS 30D");
    EXPECT_EQ(build(old).lensModel, "EF-S18-55mm f/3.5-5.6");
    EXPECT_EQ(lv::readPhotoMetaFromHead(lv::ByteView(old)).lens, "EF-S18-55mm f/3.5-5.6");
    // A third-party lens reports its own name; putting "Canon" before it would be false.
    EXPECT_EQ(build(canonFile({ascii(0x0095, "17-50mm")}, 1, "Canon EOS 7D")).lensModel, "17-50mm");
    std::vector<Entry> note = {shorts(0x0001, zeros(8))};
    for (const char* model : {"Canon PowerShot SX530 HS", "Canon DIGITAL IXUS 80 IS", "Canon IXY 650",
                              "Canon PowerShot ELPH 360 HS"})
        EXPECT_TRUE(build(canonFile(note, 1, model)).fixedLens) << model;
    EXPECT_FALSE(build(canonFile(note)).fixedLens);
}

// AFInfo (0x0012) of the bodies before AFInfo2: count, valid, image size twice, one point size,
// X positions, Y positions, in-focus mask.
TEST(CanonNote, OlderBodiesGiveTheirInFocusPointFromAfInfo) {
    auto afInfo = [](const std::vector<std::pair<int, int>>& pts, uint32_t inFocus) {
        std::vector<int> v = {int(pts.size()), int(pts.size()), 3504, 2336, 3504, 2336, 78, 78};
        for (const auto& p : pts) v.push_back(p.first);
        for (const auto& p : pts) v.push_back(p.second);
        v.push_back(int(inFocus));
        return shorts(0x0012, v);
    };
    // Left, centre and top points; the top one (Y is upwards) in focus.
    std::vector<std::pair<int, int>> pts = {{-931, 4}, {8, 4}, {8, 504}};
    lv::ShotInfo s = build(canonFile({afInfo(pts, 0x4)}, 1, "Canon EOS 30D"));
    EXPECT_EQ(s.afFrameWidth, 1000);
    EXPECT_EQ(s.afPointX, 503);  // (1752 + 8) / 3504 = 0.5023
    EXPECT_EQ(s.afPointY, 285);  // (1168 - 504) / 2336 = 0.2842
    EXPECT_NEAR(s.afAreaWidth, 78.0 / 3504, 1e-9);
    EXPECT_NEAR(s.afAreaHeight, 78.0 / 2336, 1e-9);
    EXPECT_EQ(s.afArea, "");  // the camera recorded its point: no note says otherwise
    // No point in focus (manual focus, or focus not found): nothing to place, and the note stays.
    expectFields(build(canonFile({afInfo(pts, 0)}, 1, "Canon EOS 30D")),
                 {"x=0", "area=(AF point not recorded by the camera)"});
    // A short array is not read past its end.
    std::vector<Entry> cut = {shorts(0x0012, {3, 3, 3504, 2336, 3504, 2336, 78, 78, -931, 8})};
    EXPECT_EQ(build(canonFile(cut, 1, "Canon EOS 30D")).afPointX, 0);
}
