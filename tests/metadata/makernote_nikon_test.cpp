// Nikon AF points of the bodies that only name the point they used: the older AFInfo record and
// AFInfo2 version 01xx on 11- and 51-point bodies, turned to the displayed image.
#include <gtest/gtest.h>

#include "core/pathname.h"
#include "metadata/makernote.h"
#include "metadata/shot_info.h"
#include "mn_builder.h"
#include "platform/platform.h"
#include "test_support.h"

using namespace mnb;

namespace {

lv::ShotInfo build(const std::string& bytes) { return lv::buildShotInfoFromHead("DSC_0001.JPG", lv::ByteView(bytes)); }

std::string nikonFile(std::vector<Entry> e, int orientation = 1, const char* model = "NIKON D90") {
    return tiff("NIKON CORPORATION", model, orientation, {}, [e](uint32_t) {
        return std::string("Nikon\0\2\x10\0\0", 10) + "II" + u16(42) + u32(8) + ifd(e, 8, 0);
    });
}
// The older record: area mode, point index, points in focus.
Entry afInfo(int mode, int point) { return undefined(0x0088, std::string{char(mode), char(point), 0, 0}); }
// AFInfo2 version 0100: contrast AF off, area mode, phase-detect system and the primary point.
Entry afInfo2(int phase, int primary) {
    std::string d = "0100";
    d += std::string{0, 1, char(phase), char(primary)};
    d += std::string(22, '\0');
    return undefined(0x00B7, d);
}

}  // namespace

TEST(NikonOldAfPoint, NamedPointPlacedAndTurned) {
    // Mid-right of the 11-point layout, landscape.
    lv::ShotInfo s = build(nikonFile({ascii(0x0007, "AF-S  "), afInfo(0, 4)}));
    EXPECT_EQ(s.afPointX, 641);
    EXPECT_EQ(s.afPointY, 501);
    EXPECT_EQ(s.afFrameWidth, 1000);
    // Portrait (6): (1 - v, u).
    lv::ShotInfo p = build(nikonFile({ascii(0x0007, "AF-S  "), afInfo(0, 4)}, 6));
    EXPECT_EQ(p.afPointX, 501);
    EXPECT_EQ(p.afPointY, 641);
    // Top point lies above the centre.
    EXPECT_LT(build(nikonFile({ascii(0x0007, "AF-S  "), afInfo(0, 1)})).afPointY, 500);
    // Manual focus has no AF point; nor has an index outside the layout.
    EXPECT_EQ(build(nikonFile({ascii(0x0007, "MANUAL"), afInfo(0, 4)})).afPointX, 0);
    EXPECT_EQ(build(nikonFile({ascii(0x0007, "AF-S  "), afInfo(0, 11)})).afPointX, 0);
}

TEST(NikonOldAfPoint, AfInfo2PrimaryPointOn11And51PointBodies) {
    // 11-point numbering: 7 is the far-left point.
    lv::ShotInfo s = build(nikonFile({ascii(0x0007, "AF-A  "), afInfo2(2, 7)}));
    EXPECT_EQ(s.afPointX, 241);
    EXPECT_EQ(s.afPointY, 501);
    // 51-point: 1 is C6, the centre; 46 is A1, the first of row A's nine points (column 2 of 11).
    lv::ShotInfo c = build(nikonFile({ascii(0x0007, "AF-C  "), afInfo2(1, 1)}, 1, "NIKON D300"));
    EXPECT_EQ(c.afPointX, 501);
    EXPECT_EQ(c.afPointY, 501);
    lv::ShotInfo a1 = build(nikonFile({ascii(0x0007, "AF-C  "), afInfo2(1, 46)}, 1, "NIKON D300"));
    EXPECT_NEAR(a1.afPointX, 341, 1);
    EXPECT_NEAR(a1.afPointY, 361, 1);
    // D11 lies right of centre and below it.
    lv::ShotInfo d11 = build(nikonFile({ascii(0x0007, "AF-C  "), afInfo2(1, 33)}, 1, "NIKON D300"));
    EXPECT_GT(d11.afPointX, 700);
    EXPECT_GT(d11.afPointY, 501);
    // No primary point, or phase detection off: nothing.
    EXPECT_EQ(build(nikonFile({ascii(0x0007, "AF-A  "), afInfo2(2, 0)})).afPointX, 0);
    EXPECT_EQ(build(nikonFile({ascii(0x0007, "AF-A  "), afInfo2(0, 3)})).afPointX, 0);
}

TEST(NikonCorpus, OlderBodiesShowTheirCentrePoint) {
    std::string dir = lvtest::corpusDir();
    if (dir.empty()) GTEST_SKIP() << "no corpus";
    for (const char* rel : {"files/jpeg/mei_Nikon_D90.jpg", "files/jpeg/exiv2_nikon-d70.jpg", "files/nef/bep_sample.nef"}) {
        std::string f = lv::joinPath(dir, rel, lv::PathStyle::Posix);
        if (!lv::pathExists(f)) GTEST_SKIP() << "no corpus";
        lv::ShotInfo s = lv::buildShotInfo(f);
        // The tool reads AFPoint / PrimaryAFPoint "Center" in all three.
        EXPECT_EQ(s.afPointX, 501) << rel;
        EXPECT_EQ(s.afPointY, 501) << rel;
    }
}
