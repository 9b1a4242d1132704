// Panasonic notes built byte by byte: subject detection, the newer AF area codes, the AF area
// size and its "not available" value, and burst modes.
#include <gtest/gtest.h>

#include "core/pathname.h"
#include "metadata/makernote.h"
#include "metadata/shot_info.h"
#include "mn_builder.h"
#include "platform/platform.h"
#include "test_support.h"

using namespace mnb;

namespace {

lv::ShotInfo build(const std::string& bytes) { return lv::buildShotInfoFromHead("P1000001.RW2", lv::ByteView(bytes)); }
lv::PhotoMeta quick(const std::string& bytes) { return lv::readPhotoMetaFromHead(lv::ByteView(bytes)); }

std::string panaFile(const std::vector<Entry>& e, int orientation = 1, const char* model = "DC-G9M2") {
    return tiff("Panasonic", model, orientation, {},
                [&](uint32_t pos) { return std::string("Panasonic\0\0\0", 12) + ifd(e, pos + 12, 0); });
}
Entry twoBytes(uint16_t tag, int a, int b) { return {tag, 1, 2, std::string{char(a), char(b)}}; }
Entry rationals(uint16_t tag, const std::vector<std::pair<uint32_t, uint32_t>>& v) {
    std::string d;
    for (auto& r : v) d += u32(r.first) + u32(r.second);
    return {tag, 5, uint32_t(v.size()), d};
}

}  // namespace

TEST(PanasonicSubject, DetectionTargetsAndOff) {
    EXPECT_EQ(build(panaFile({short1(0x00E9, 1)})).subject, "Human Eye/Face/Body");
    EXPECT_EQ(build(panaFile({short1(0x00E9, 9)})).subject, "Motorcycle (helmet)");
    EXPECT_EQ(build(panaFile({short1(0x00E9, 13)})).subject, "Airplane (nose)");
    EXPECT_EQ(build(panaFile({short1(0x00E9, 0)})).subject, "");
    EXPECT_EQ(build(panaFile({short1(0x00E9, 14)})).subject, "");
}

TEST(PanasonicAfArea, NewerCodesAreTheTwoBytesInOrder) {
    auto area = [](int a, int b) { return build(panaFile({short1(0x0007, 6), twoBytes(0x000F, a, b)})).afArea; };
    EXPECT_EQ(area(16, 32).rfind("1-area +", 0), 0u);
    EXPECT_EQ(area(17, 0).rfind("Full Area", 0), 0u);
    EXPECT_EQ(area(32, 16).rfind("Zone", 0), 0u);
    EXPECT_EQ(area(32, 18).rfind("Zone (H/V)", 0), 0u);
    // The byte order matters: 0 16 is the 3-area mode, 16 0 one area.
    EXPECT_EQ(area(0, 16).rfind("3-area (high speed)", 0), 0u);
    EXPECT_EQ(area(16, 0).rfind("1-area", 0), 0u);
    EXPECT_EQ(area(16, 0).rfind("1-area +", 0), std::string::npos);
}

TEST(PanasonicAfArea, SizeTurnedWithThePointAndNotAvailableIgnored) {
    // A point at the centre with an area 1/5 wide and 1/10 high on the sensor, shot in portrait.
    lv::ShotInfo s = build(panaFile({short1(0x0007, 6), rationals(0x004D, {{1, 2}, {1, 2}}),
                                     rationals(0x00DE, {{1, 5}, {1, 10}})},
                                    6));
    EXPECT_EQ(s.afPointX, 501);
    EXPECT_NEAR(s.afAreaWidth, 0.1, 1e-9);
    EXPECT_NEAR(s.afAreaHeight, 0.2, 1e-9);
    // Manual focus writes an all-ones size: no area, the point still shows.
    lv::ShotInfo na = build(panaFile({short1(0x0007, 6), rationals(0x004D, {{1, 4}, {1, 2}}),
                                      rationals(0x00DE, {{4194303999u, 1000}, {4194303999u, 1000}})}));
    EXPECT_EQ(na.afPointX, 251);
    EXPECT_EQ(na.afAreaWidth, 0);
    EXPECT_EQ(na.afAreaHeight, 0);
}

TEST(PanasonicDrive, InfiniteBurstIsContinuous) {
    std::string f = panaFile({short1(0x002A, 2), short1(0x0077, 20), short1(0x002B, 3)});
    lv::ShotInfo s = build(f);
    EXPECT_EQ(s.driveMode, "Continuous (20 fps)");
    EXPECT_EQ(s.frameNumber, 3);
    EXPECT_TRUE(quick(f).continuousDrive);
    EXPECT_FALSE(quick(panaFile({short1(0x002A, 0)})).continuousDrive);
    EXPECT_EQ(build(panaFile({short1(0x002A, 0), short1(0x0077, 20)})).driveMode, "");
}

TEST(PanasonicLens, BoxCamerasTakeLenses) {
    lv::ShotInfo box = build(panaFile({short1(0x0007, 6)}, 1, "DC-BGH1"));
    EXPECT_FALSE(box.fixedLens);
    EXPECT_EQ(box.lensModel, "");
    lv::ShotInfo compact = build(panaFile({short1(0x0007, 6), ascii(0x0051, "N/A")}, 1, "DC-FZ1000M2"));
    EXPECT_TRUE(compact.fixedLens);
    EXPECT_EQ(compact.lensModel, "Built-in, no detail found");
}

TEST(PanasonicCorpus, Lx3RawAreaAndStabilisation) {
    std::string dir = lvtest::corpusDir();
    std::string f = dir.empty() ? std::string() : lv::joinPath(dir, "files/rw2/exiftool_Panasonic.rw2", lv::PathStyle::Posix);
    if (f.empty() || !lv::pathExists(f)) GTEST_SKIP() << "no corpus";
    lv::ShotInfo s = lv::buildShotInfo(f);
    EXPECT_EQ(s.vendor, 0);
    // The tool reads AFAreaMode 16 0 and ImageStabilization 4.
    EXPECT_EQ(s.afArea.rfind("1-area", 0), 0u) << s.afArea;
    EXPECT_EQ(s.stabMode, "Mode 2");
    EXPECT_TRUE(s.fixedLens);
    EXPECT_EQ(s.subject, "");
}
