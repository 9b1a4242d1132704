// Sony maker notes built byte by byte: decipher, temperature validity, trusted compacts, AF
// geometry in its own frames, faces, release mode.
#include <gtest/gtest.h>

#include <tuple>

#include "metadata/makernote.h"
#include "metadata/shot_info.h"
#include "metadata/sony_decipher.h"
#include "mn_builder.h"
#include "shot_fields.h"

using namespace mnb;
using lvtest::expectFields;

namespace {

uint8_t encipher(int plain) {
    uint8_t x = uint8_t(plain);
    if (x >= 249) return x;
    return uint8_t(x * x % 249 * x % 249);
}

// An enciphered block: the given plain bytes at their index, the rest enciphered zeros plus a
// non-zero marker so the block is not blank.
std::string block(size_t size, std::vector<std::pair<size_t, int>> plain, int firstStored = -1) {
    std::string b(size, char(encipher(1)));
    for (auto& p : plain) b[p.first] = char(encipher(p.second));
    if (firstStored >= 0) b[0] = char(firstStored);
    return b;
}

std::string sonyFile(std::vector<Entry> note, const std::string& model = "ILCE-7M4", int orientation = 1,
                     bool header = true) {
    return tiff("SONY", model, orientation, {}, [&](uint32_t pos) {
        std::string h = header ? std::string("SONY DSC \0\0\0", 12) : std::string();
        return h + ifd(note, pos + uint32_t(h.size()));
    });
}

lv::ShotInfo build(const std::string& bytes) { return lv::buildShotInfoFromHead("DSC00001.ARW", lv::ByteView(bytes)); }

std::string faceBlock(int frameW, int frameH, std::vector<std::vector<int>> faces) {
    std::string b(64 + 8 * faces.size(), '\0');
    auto put = [&](size_t at, int v) { b.replace(at, 2, u16(uint16_t(v))); };
    put(2, 64);
    put(26, frameH);
    put(28, frameW);
    put(48, int(faces.size()));
    put(50, 8);
    for (size_t i = 0; i < faces.size(); i++)
        for (int k = 0; k < 4; k++) put(64 + 8 * i + 2 * size_t(k), faces[i][size_t(k)]);
    return b;
}

}  // namespace

TEST(SonyDecipher, CubesModulo249AndLeavesTheTopBytes) {
    EXPECT_EQ(lv::sonyDecipher(0x08), 2);
    EXPECT_EQ(lv::sonyDecipher(0), 0);
    EXPECT_EQ(lv::sonyDecipher(1), 1);
    for (int b = 249; b < 256; b++) EXPECT_EQ(lv::sonyDecipher(uint8_t(b)), b);
    for (int x = 0; x < 249; x++) EXPECT_EQ(lv::sonyDecipher(encipher(x)), x);
}

TEST(SonyNote, TemperaturesNeedTheirValidityMarks) {
    // Camera: test byte 4 in 1..99, value at 5. Ambient: byte 2 = 255, value at 4.
    lv::ShotInfo s = build(sonyFile({undefined(0x9402, block(8, {{2, 255}, {4, 21}})),
                                     undefined(0x9403, block(8, {{4, 5}, {5, 42}}))}));
    expectFields(s, {"ambientTemp=21", "cameraTemp=42"});

    lv::ShotInfo bad = build(sonyFile({undefined(0x9402, block(8, {{2, 254}, {4, 21}})),
                                       undefined(0x9403, block(8, {{4, 0}, {5, 42}}))}));
    expectFields(bad, {"ambientTemp=none", "cameraTemp=none"});

    // A value beyond 100 is no temperature; a negative one is (-5 is stored as 251, unenciphered).
    expectFields(build(sonyFile({undefined(0x9403, block(8, {{4, 5}, {5, 101}})),
                                 undefined(0x9402, block(8, {{2, 255}, {4, -5}}))})),
                 {"cameraTemp=none", "ambientTemp=-5"});

    // A block whose first four stored bytes are 0 is blank.
    std::string blank = block(8, {{2, 255}, {4, 21}});
    blank[0] = blank[1] = blank[2] = blank[3] = 0;
    blank[2] = char(255);
    std::string allZero = blank;
    allZero[2] = 0;
    EXPECT_FALSE(build(sonyFile({undefined(0x9402, allZero)})).hasAmbientTemp);
    // Too short for the index read.
    EXPECT_FALSE(build(sonyFile({undefined(0x9402, block(4, {{2, 255}}))})).hasAmbientTemp);
}

TEST(SonyNote, BatteryTemperatureIsFahrenheitBehindItsMarker) {
    for (auto [marker, stored, shown] : {std::tuple{0x1B, 112, "44.4"}, {0x08, 50, "10"}, {0x1C, 112, "none"}})
        expectFields(build(sonyFile({undefined(0x9406, block(8, {{5, stored}}, marker))})),
                     {std::string("batteryTemp=") + shown});
}

TEST(SonyNote, FocusTagsOnlyFromTrustedCompacts) {
    std::vector<Entry> note = {short1(0x201B, 3), short1(0x201C, 3)};
    expectFields(build(sonyFile(note, "DSC-RX100M5A")), {"focus=AF-C", "area^Flexible Spot", "fixed=1"});
    expectFields(build(sonyFile(note, "DSC-RX100M5")), {"focus="});
    expectFields(build(sonyFile(note, "DSC-RX100M3")), {"focus="});
    expectFields(build(sonyFile(note, "DSC-RX100M7")), {"focus=AF-C"});
    expectFields(build(sonyFile(note, "ILCE-7M4")), {"focus=AF-C", "fixed=0"});
    EXPECT_TRUE(lv::sonyTrustsFocusTags("DSC-RX0"));
    EXPECT_FALSE(lv::sonyTrustsFocusTags("DSC-RX0M2"));
}

TEST(SonyNote, AcceptsHasselbladBodiesAndNotesWithoutHeader) {
    EXPECT_TRUE(lv::sonyAccepts("HASSELBLAD", "Lunar"));
    EXPECT_TRUE(lv::sonyAccepts("Hasselblad", "stellar II"));
    EXPECT_FALSE(lv::sonyAccepts("HASSELBLAD", "X1D"));
    lv::ShotInfo s = build(sonyFile({short1(0x201B, 2)}, "ILCE-1", 1, false));
    EXPECT_EQ(s.focusMode, "AF-S");
}

TEST(SonyNote, AfPointAndAreaInTheirFrames) {
    std::string area(6 + 4 * 3, '\0');
    area[0] = 3;
    area.replace(2, 2, u16(640));
    area.replace(4, 2, u16(428));
    area.replace(6, 4, u16(100) + u16(200));
    area.replace(10, 4, u16(0) + u16(0));  // skipped
    area.replace(14, 4, u16(164) + u16(264));
    std::vector<Entry> note = {short1(0x201B, 2), shorts(0x2027, {6000, 4000, 1500, 1000}), undefined(0x202A, area)};
    lv::ShotInfo s = build(sonyFile(note));
    expectFields(s, {"x=1500", "y=1000", "frameW=6000", "frameH=4000"});
    EXPECT_NEAR(s.afAreaWidth, 64.0 / 640, 1e-9);
    EXPECT_NEAR(s.afAreaHeight, 64.0 / 428, 1e-9);

    // Portrait: the point and frame turn with the picture.
    lv::ShotInfo p = build(sonyFile(note, "ILCE-7M4", 6));
    expectFields(p, {"frameW=4000", "frameH=6000", "x=3001", "y=1500"});
    EXPECT_NEAR(p.afAreaWidth, 64.0 / 428, 1e-9);

    // Manual focus: no point; a point outside its frame: none either.
    EXPECT_EQ(build(sonyFile({short1(0x201B, 0), shorts(0x2027, {6000, 4000, 1500, 1000})})).afPointX, 0);
    EXPECT_EQ(build(sonyFile({shorts(0x2027, {6000, 4000, 6001, 1000})})).afPointX, 0);
}

TEST(SonyNote, FacesBeyondTheFrameAreSkipped) {
    std::string faces = faceBlock(1000, 800, {{100, 200, 100, 100}, {100, 950, 100, 100}, {600, 400, 200, 200}});
    lv::ShotInfo s = build(sonyFile({undefined(0x3000, faces)}));
    ASSERT_EQ(s.detections.size(), 2u);
    EXPECT_NEAR(s.detections[0].cx, 0.25, 1e-9);
    EXPECT_NEAR(s.detections[0].cy, 150.0 / 800, 1e-9);
    EXPECT_NEAR(s.detections[1].cx, 0.5, 1e-9);
    EXPECT_NEAR(s.detections[1].cy, 0.875, 1e-9);
    // Turned for a portrait shot: (1 - v, u).
    lv::ShotInfo p = build(sonyFile({undefined(0x3000, faces)}, "ILCE-7M4", 6));
    ASSERT_EQ(p.detections.size(), 2u);
    EXPECT_NEAR(p.detections[0].cx, 1 - 150.0 / 800, 1e-9);
    EXPECT_NEAR(p.detections[0].cy, 0.25, 1e-9);
    EXPECT_NEAR(p.detections[0].w, 100.0 / 800, 1e-9);
}

TEST(SonyNote, AfPointInsideAFaceLocksIt) {
    std::string faces = faceBlock(6000, 4000, {{1800, 2800, 400, 400}});
    // The face centre is (3000, 2000); the AF point sits exactly there (1-based: +1).
    lv::ShotInfo s = build(sonyFile({short1(0x201B, 2), short1(0x201C, 3), shorts(0x2027, {6000, 4000, 3001, 2001}),
                                     undefined(0x3000, faces)}));
    ASSERT_EQ(s.detections.size(), 1u);
    EXPECT_TRUE(s.detections[0].hasAfPoint);
    EXPECT_EQ(s.afArea, "Flexible Spot (size not recorded by the camera) (centre)");
    lv::ShotInfo e = build(sonyFile({short1(0x201B, 2), short1(0x201C, 3),
                                     shorts(0x2027, {6000, 4000, 3001 + 180, 2001}), undefined(0x3000, faces)}));
    EXPECT_EQ(e.afArea, "Flexible Spot (size not recorded by the camera) (eye)");
}

TEST(SonyNote, TextsAndReleaseMode) {
    std::vector<Entry> note = {long1(0x0115, 48), ascii(0xB020, "Autumnleaves"), long1(0xB021, 5600),
                               long1(0xB025, 10), long1(0xB026, 1), short1(0xB049, 2), short1(0xB04A, 7)};
    expectFields(build(sonyFile(note)), {"wb=Shade (5600 K)", "style=Autumn Leaves", "dr=Advanced level 3", "stab=On",
                                         "drive=Continuous", "frameNo=7"});
    std::string bytes = sonyFile(note);
    expectFields(lv::readPhotoMetaFromHead(lv::ByteView(bytes)),
                 {"meta.continuous=1", "meta.burst=7", "meta.shutter=-1"});

    expectFields(build(sonyFile({short1(0xB049, 0), short1(0xB04A, 7), ascii(0xB020, "None"), long1(0xB025, 19)})),
                 {"frameNo=0", "drive=", "style=", "dr=Level 4"});
    EXPECT_EQ(build(sonyFile({ascii(0xB020, "BW")})).photoStyle, "B&W");
}
