// Pentax notes: which AF-area words each AF module gets, where its points lie on the picture,
// the scrambled shutter count and pixel shift, checked on built notes and on real files.
#include <gtest/gtest.h>

#include "metadata/makernote.h"
#include "metadata/shot_info.h"
#include "mn_builder.h"
#include "shot_fields.h"
#include "test_support.h"

using namespace mnb;
using lvtest::expectFields;

namespace {

lv::ShotInfo build(const std::string& bytes) { return lv::buildShotInfoFromHead("IMGP0001.JPG", lv::ByteView(bytes)); }

// "PENTAX " NUL, a byte-order mark, then the IFD with offsets from the note's start.
std::string pentax(const std::string& model, std::vector<Entry> e, int orientation = 1, const char* mark = "II") {
    return tiff("RICOH IMAGING COMPANY, LTD.", model, orientation, {},
                [e, mark](uint32_t) { return std::string("PENTAX \0", 8) + mark + ifd(e, 10, 0); });
}

}  // namespace

TEST(PentaxAf, WideModulesNameExpandedAreasAndZonesAndPlaceThePoint) {
    // Point 1 of the 27-point module is the top-left one, left of and above the centre.
    lv::ShotInfo s = build(pentax("PENTAX K-3 II", {short1(0x000D, 16), shorts(0x000E, {1, 0})}));
    EXPECT_EQ(s.afArea, "Single point (size not recorded by the camera)");
    EXPECT_NEAR(s.afPointX, 351, 1);
    EXPECT_NEAR(s.afPointY, 301, 1);
    EXPECT_EQ(s.afFrameWidth, 1000);
    // The same point on a portrait shot (turned 90 degrees clockwise) lies top right.
    lv::ShotInfo p = build(pentax("PENTAX K-3 II", {short1(0x000D, 16), shorts(0x000E, {1, 5})}, 6));
    EXPECT_EQ(p.afArea, "Expanded area (L) (size not recorded by the camera)");
    EXPECT_NEAR(p.afPointX, 701, 1);
    EXPECT_NEAR(p.afPointY, 351, 1);
    // A zone is named by its middle point plus 256: 270 is the zone around the centre.
    expectFields(build(pentax("PENTAX KP", {short1(0x000D, 17), shorts(0x000E, {270, 0})})),
                 {"area=Zone select (size not recorded by the camera)", "x=501", "y=501"});
    // The 33-point module's point 13 is the far left of the middle row.
    lv::ShotInfo k1 = build(pentax("PENTAX K-1 Mark II", {short1(0x000D, 16), shorts(0x000E, {13, 3})}));
    EXPECT_EQ(k1.afArea, "Expanded area (M) (size not recorded by the camera)");
    EXPECT_NEAR(k1.afPointX, 281, 1);
    EXPECT_EQ(k1.afPointY, 501);
}

TEST(PentaxAf, ElevenPointBodiesSelectSinglePointsAndReportFocusInAutoArea) {
    // The second value is an AF-C tracking flag on these bodies, not an expanded area.
    lv::ShotInfo s = build(pentax("PENTAX K-5 II s", {short1(0x000D, 17), shorts(0x000E, {4, 1})}));
    EXPECT_EQ(s.afArea, "Select (size not recorded by the camera)");
    EXPECT_NEAR(s.afPointX, 321, 1);
    EXPECT_EQ(s.afPointY, 501);
    // Auto area: byte 11 of the AF record says which point focused (17 = the left one).
    std::vector<int> af(12, 0);
    af[11] = 17;
    lv::ShotInfo a = build(pentax("PENTAX K10D", {short1(0x000D, 16), shorts(0x000E, {65535}), bytes(0x021F, af)}));
    EXPECT_EQ(a.afArea, "Auto-area (size not recorded by the camera)");
    EXPECT_NEAR(a.afPointX, 321, 1);
    EXPECT_EQ(a.afPointY, 501);
    // A record too short to hold byte 11 gives no point.
    lv::ShotInfo shortAf = build(pentax("PENTAX K10D", {short1(0x000D, 16), shorts(0x000E, {65535}), bytes(0x021F, {0, 0, 0, 0, 0, 0})}));
    EXPECT_EQ(shortAf.afPointX, 0);
    // Fixed centre is the centre on any body with an AF module.
    expectFields(build(pentax("PENTAX K-70", {short1(0x000D, 18), shorts(0x000E, {65534, 0})})),
                 {"area=Centre point (size not recorded by the camera)", "x=501"});
}

TEST(PentaxAf, InFocusMasksAndBodiesWithoutAMappedModule) {
    // K-3: one bit per point; bit 13 is the centre.
    expectFields(build(pentax("PENTAX K-3", {short1(0x000D, 16), shorts(0x000E, {65535, 0}), long1(0x000F, 1u << 13)})),
                 {"x=501", "y=501"});
    // K-1: two bits per point from byte 4; point 1's focus bit is 0x80.
    std::vector<int> info(13, 0);
    info[4] = 0x80;
    lv::ShotInfo k1 = build(pentax("PENTAX K-1", {short1(0x000D, 16), shorts(0x000E, {65535, 0}), bytes(0x0245, info)}));
    EXPECT_NEAR(k1.afPointX, 391, 1);
    EXPECT_NEAR(k1.afPointY, 331, 1);
    // The K-3 Mark III's numbering is not the K-3's: a name but no point.
    expectFields(build(pentax("PENTAX K-3 Mark III", {short1(0x000D, 16), shorts(0x000E, {14, 0})})),
                 {"area=Select (AF point not recorded by the camera)", "x=0"});
    // Manual focus draws no point; a point number beyond the module is no point and no text.
    EXPECT_EQ(build(pentax("PENTAX K-3 II", {short1(0x000D, 3), shorts(0x000E, {14, 0})})).afPointX, 0);
    lv::ShotInfo beyond = build(pentax("PENTAX K-3 II", {short1(0x000D, 16), shorts(0x000E, {40, 0})}));
    EXPECT_EQ(beyond.afPointX, 0);
    EXPECT_EQ(beyond.afArea.find("Select"), std::string::npos) << beyond.afArea;
}

TEST(PentaxNoteExtras, ShutterCountIsUnscrambledWithTheNotesDateAndTime) {
    const uint32_t date = 0x07D80302, time = 0x0C011700;
    uint32_t stored = 1648u ^ date ^ (0xFFFFFFFFu - time);
    std::string count = {char(stored >> 24), char(stored >> 16), char(stored >> 8), char(stored)};
    Entry d = bytes(0x0006, {0x07, 0xD8, 0x03, 0x02}), t = bytes(0x0007, {12, 1, 23});
    EXPECT_EQ(build(pentax("PENTAX K10D", {d, t, undefined(0x005D, count)})).shutterCount, "1648");
    // Without the time the count cannot be read and is not guessed.
    EXPECT_EQ(build(pentax("PENTAX K10D", {d, undefined(0x005D, count)})).shutterCount, "");
    // A scrambled value that decodes beyond any shutter's life is dropped.
    EXPECT_EQ(build(pentax("PENTAX K10D", {d, t, undefined(0x005D, "\x55\x55\x55\x55")})).shutterCount, "");
    lv::ShotInfo ps = build(pentax("PENTAX K-1", {bytes(0x0034, {0, 0, 0, 0}), bytes(0x0243, {1})}));
    EXPECT_EQ(ps.driveMode, "Pixel Shift Resolution");
    EXPECT_EQ(build(pentax("PENTAX K-1", {bytes(0x0243, {0})})).driveMode, "");
}

TEST(PentaxNoteExtras, ShutterTypeAndSensorTemperatureOfTheBodiesThatRecordThem) {
    EXPECT_EQ(build(pentax("PENTAX KP", {bytes(0x0087, {1})})).shutterType, 1);
    EXPECT_EQ(build(pentax("PENTAX KP", {bytes(0x0087, {0})})).shutterType, 0);
    EXPECT_EQ(build(pentax("PENTAX KP", {bytes(0x0087, {7})})).shutterType, -1);
    EXPECT_EQ(lv::readPhotoMetaFromHead(lv::ByteView(pentax("PENTAX KP", {bytes(0x0087, {1})}))).shutterType, 1);
    // Tenths of a degree at byte 12 of the temperature record, little-endian like the note.
    std::vector<int> rec(16, 0);
    rec[12] = 0x19, rec[13] = 0xFF;  // -231: -23.1 degrees
    lv::ShotInfo k3 = build(pentax("PENTAX K-3", {bytes(0x03FF, rec)}));
    ASSERT_TRUE(k3.hasSensorTemp);
    EXPECT_DOUBLE_EQ(k3.sensorTemp, -23.1);
    // Other bodies use the tag for other data.
    EXPECT_FALSE(build(pentax("PENTAX K-1", {bytes(0x03FF, rec)})).hasSensorTemp);
    std::vector<int> shortRec(13, 0);
    EXPECT_FALSE(build(pentax("PENTAX K-3", {bytes(0x03FF, shortRec)})).hasSensorTemp);
}

TEST(PentaxLens, ManualLensesBuiltInLensesAndUnknownAfLenses) {
    // K/M (1 0) and A (2 0) lenses focus by hand and carry no name.
    EXPECT_EQ(build(pentax("PENTAX K-5", {bytes(0x003F, {1, 0})})).lensModel, "Not recorded (manual or adapted lens)");
    EXPECT_EQ(build(pentax("PENTAX K-5", {bytes(0x003F, {2, 0})})).lensModel, "Not recorded (manual or adapted lens)");
    // A coded AF lens missing from the table is not called manual.
    EXPECT_EQ(build(pentax("PENTAX K-5", {bytes(0x003F, {8, 250})})).lensModel, "");
    EXPECT_EQ(build(pentax("PENTAX K-5", {bytes(0x003F, {4, 3})})).lensModel, "smc PENTAX-FA 43mm F1.9 Limited");
    // A compact's lens is built in, with or without a code.
    expectFields(build(pentax("PENTAX WG-3", {bytes(0x003F, {0, 0})})), {"fixed=1", "lens=Built-in, no detail found"});
    expectFields(build(pentax("PENTAX Optio S1", {})), {"fixed=1", "lens=Built-in, no detail found"});
    EXPECT_FALSE(build(pentax("PENTAX K-5", {})).fixedLens);
}

TEST(PentaxNote, ByteOrderMarkThatLiesAndTheFields) {
    std::vector<Entry> e = {short1(0x000D, 17), shorts(0x000E, {65532, 0}), short1(0x0019, 10), bytes(0x0034, {1, 0, 0, 0}),
                            bytes(0x003F, {8, 242}), bytes(0x0047, {250}), short1(0x004F, 7), bytes(0x005C, {1, 5}),
                            undefined(0x022B, std::string("\x01\xFD\x04\0", 4))};
    // The entries are little-endian whatever the mark says.
    for (const char* mark : {"II", "MM"}) {
        lv::ShotInfo s = build(pentax("PENTAX K-3 Mark III", e, 1, mark));
        EXPECT_EQ(s.vendor, 8) << mark;
        EXPECT_EQ(s.focusMode, "AF-C") << mark;
        expectFields(s, {"area=Face detection (AF point not recorded by the camera)", "wb=Cloudy", "drive=Continuous",
                         "lens=smc PENTAX-DA* 16-50mm F2.8 ED AL [IF] SDM", "cameraTemp=-6", "style=Reversal Film",
                         "stab=On but disabled"});
        EXPECT_DOUBLE_EQ(s.roll, 1.5);
        EXPECT_DOUBLE_EQ(s.pitch, -2.0);
    }
    expectFields(
        build(pentax("PENTAX K-1", {bytes(0x003F, {0, 0}), shorts(0x000E, {5, 3})})),
        {"lens=Not recorded (manual or adapted lens)", "area=Expanded area (M) (size not recorded by the camera)"});
}
