// OM System / Olympus notes built byte by byte: the subject-detection word, the AF frame from
// the AF areas, the lens from the equipment directory, the computational modes and the shutter.
#include <gtest/gtest.h>

#include <utility>

#include "core/pathname.h"
#include "metadata/makernote.h"
#include "metadata/shot_info.h"
#include "mn_builder.h"
#include "platform/platform.h"
#include "test_support.h"

using namespace mnb;

namespace {

lv::ShotInfo build(const std::string& bytes) { return lv::buildShotInfoFromHead("P6010001.JPG", lv::ByteView(bytes)); }

// "OM SYSTEM", byte order, version, then the main IFD whose sub-directories (equipment 0x2010,
// camera settings 0x2020) follow it; offsets count from the note's start.
std::string omFile(const std::vector<Entry>& cs, const std::vector<Entry>& eq = {}, int orientation = 1) {
    return tiff("OM Digital Solutions", "OM-1", orientation, {}, [&](uint32_t) {
        std::string head = std::string("OM SYSTEM\0\0\0", 12) + "II" + u16(4);
        std::vector<Entry> m = {{0x2010, 13, 1, u32(0)}, {0x2020, 13, 1, u32(0)}};
        uint32_t eqPos = uint32_t(head.size() + ifd(m, 16, 0).size());
        uint32_t csPos = eqPos + uint32_t(ifd(eq, eqPos, 0).size());
        m[0].data = u32(eqPos);
        m[1].data = u32(csPos);
        return head + ifd(m, 16, 0) + ifd(eq, eqPos, 0) + ifd(cs, csPos, 0);
    });
}
Entry longs(uint16_t tag, const std::vector<uint32_t>& v) {
    std::string d;
    for (uint32_t x : v) d += u32(x);
    return {tag, 4, uint32_t(v.size()), d};
}
// 64 AF-area slots with the given ones first.
Entry afAreas(std::vector<uint32_t> used) {
    used.resize(64, 0);
    return longs(0x0304, used);
}
uint32_t box(int x1, int y1, int x2, int y2) { return uint32_t(x1) << 24 | uint32_t(y1) << 16 | uint32_t(x2) << 8 | uint32_t(y2); }

}  // namespace

TEST(OlympusSubject, KindInTheHighByteFoundInTheLow) {
    EXPECT_EQ(build(omFile({short1(0x0309, 0x0601)})).subject, "Human");
    EXPECT_EQ(build(omFile({short1(0x0309, 0x0300)})).subject, "Trains (none found)");
    EXPECT_EQ(build(omFile({short1(0x0309, 0x0103)})).subject, "Motorsports");
    EXPECT_EQ(build(omFile({short1(0x0309, 0)})).subject, "");
    // Face detection is part of the focus mode.
    EXPECT_EQ(build(omFile({shorts(0x0301, {0, 0x21})})).subject, "Face");
    EXPECT_EQ(build(omFile({shorts(0x0301, {0, 0x01})})).subject, "");
}

TEST(OlympusAfFrame, SizeAndPointFromTheAfAreas) {
    // One frame at (100, 50)-(151, 101) of 255: a point left of and above the centre.
    lv::ShotInfo s = build(omFile({shorts(0x0301, {0, 1}), afAreas({box(100, 50, 151, 101)})}));
    EXPECT_NEAR(s.afAreaWidth, 51.0 / 255, 1e-9);
    EXPECT_NEAR(s.afAreaHeight, 51.0 / 255, 1e-9);
    EXPECT_EQ(s.afPointX, int(1000 * 125.5 / 255) + 1);
    EXPECT_EQ(s.afPointY, int(1000 * 75.5 / 255) + 1);
    // Two frames give their bounding box; in portrait (6) width and height swap.
    lv::ShotInfo p = build(omFile({shorts(0x0301, {0, 1}), afAreas({box(10, 20, 30, 40), 0, box(50, 20, 70, 60)})}, {}, 6));
    EXPECT_NEAR(p.afAreaWidth, 40.0 / 255, 1e-9);
    EXPECT_NEAR(p.afAreaHeight, 60.0 / 255, 1e-9);
    // The selected point wins over the frame's centre, the frame still gives the size.
    Entry selected = {0x0305, 10, 5, u32(0) + u32(1) + u32(1) + u32(4) + u32(3) + u32(4) + std::string(16, '\0')};
    lv::ShotInfo both = build(omFile({shorts(0x0301, {0, 1}), afAreas({box(100, 50, 151, 101)}), selected}));
    EXPECT_EQ(both.afPointX, 251);
    EXPECT_EQ(both.afPointY, 751);
    EXPECT_NEAR(both.afAreaWidth, 51.0 / 255, 1e-9);
    // Empty slots or a frame with its corners the wrong way round give nothing; nor does MF.
    EXPECT_EQ(build(omFile({shorts(0x0301, {0, 1}), afAreas({})})).afAreaWidth, 0);
    EXPECT_EQ(build(omFile({shorts(0x0301, {0, 1}), afAreas({box(150, 50, 100, 101)})})).afAreaWidth, 0);
    lv::ShotInfo mf = build(omFile({shorts(0x0301, {10, 0}), afAreas({box(100, 50, 151, 101)})}));
    EXPECT_EQ(mf.afPointX, 0);
    EXPECT_EQ(mf.afAreaWidth, 0);
}

TEST(OlympusEquipment, LensModelFromTheEquipmentDirectory) {
    lv::ShotInfo s = build(omFile({}, {ascii(0x0203, "OLYMPUS M.12-40mm F2.8")}));
    EXPECT_EQ(s.lensModel, "OLYMPUS M.12-40mm F2.8");
    EXPECT_EQ(build(omFile({})).lensModel, "");
}

TEST(OlympusComputational, ModesAndTheirFrameCounts) {
    auto mode = [](uint32_t a, uint32_t b) { return build(omFile({longs(0x0804, {a, b})})).adjustment; };
    EXPECT_EQ(mode(1, 20), "Live Composite (20 frames)");
    EXPECT_EQ(mode(3, 8), "Live ND");
    EXPECT_EQ(mode(4, 7), "Live Time / Bulb (7 frames)");
    EXPECT_EQ(mode(5, 4), "HDR 1");
    EXPECT_EQ(mode(6, 4), "HDR 2");
    EXPECT_EQ(mode(8, 8), "High resolution (tripod)");
    EXPECT_EQ(mode(11, 12), "High resolution (hand-held)");
    EXPECT_EQ(mode(13, 4), "Live GND");
    EXPECT_EQ(mode(0, 0), "");
}

TEST(OlympusDrive, ElectronicShutterFromTheFifthValue) {
    EXPECT_EQ(build(omFile({shorts(0x0600, {0, 0, 0, 0, 4})})).shutterType, 1);
    EXPECT_EQ(lv::readPhotoMetaFromHead(lv::ByteView(omFile({shorts(0x0600, {1, 2, 0, 0, 4})}))).shutterType, 1);
    lv::ShotInfo antiShock = build(omFile({shorts(0x0600, {0, 0, 0, 0, 2})}));
    EXPECT_EQ(antiShock.shutterType, -1);
    EXPECT_EQ(antiShock.driveMode, "Anti-shock");
    EXPECT_EQ(build(omFile({shorts(0x0600, {1, 3, 0})})).shutterType, -1);
}

TEST(OlympusCorpus, PenE3AfFrameAndLens) {
    std::string dir = lvtest::corpusDir();
    std::string f = dir.empty() ? std::string() : lv::joinPath(dir, "files/jpeg/mei_Olympus_PEN_E-P3.jpg", lv::PathStyle::Posix);
    if (f.empty() || !lv::pathExists(f)) GTEST_SKIP() << "no corpus";
    lv::ShotInfo s = lv::buildShotInfo(f);
    // The tool reads AFAreas (113,107)-(142,145) and LensModel "OLYMPUS M.17mm F1.8".
    EXPECT_EQ(s.lensModel, "OLYMPUS M.17mm F1.8");
    EXPECT_NEAR(s.afAreaWidth, 29.0 / 255, 1e-6);
    EXPECT_NEAR(s.afAreaHeight, 38.0 / 255, 1e-6);
    EXPECT_EQ(s.afPointX, 501);
}
