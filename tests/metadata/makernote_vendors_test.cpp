// The other makers' notes built byte by byte: their header forms, byte orders, sub-directories,
// value tables and the decisions particular to each.
#include <gtest/gtest.h>

#include "core/pathname.h"
#include "metadata/makernote.h"
#include "metadata/preview.h"
#include "metadata/shot_info.h"
#include "mn_builder.h"
#include "shot_fields.h"
#include "platform/platform.h"
#include "test_support.h"

using namespace mnb;
using lvtest::expectFields;

namespace {

lv::ShotInfo build(const std::string& bytes) { return lv::buildShotInfoFromHead("P1000001.JPG", lv::ByteView(bytes)); }
lv::PhotoMeta quick(const std::string& bytes) { return lv::readPhotoMetaFromHead(lv::ByteView(bytes)); }

Entry ifdPointer(uint16_t tag, uint32_t offset) { return {tag, 13, 1, u32(offset)}; }

// "FUJIFILM", the IFD offset, the IFD: offsets count from the note's start.
std::string fujiFile(const std::vector<Entry>& e, const char* model = "X-T5") {
    return tiff("FUJIFILM", model, 1, {}, [&](uint32_t) { return std::string("FUJIFILM") + u32(12) + ifd(e, 12, 0); });
}

// "OM SYSTEM", byte order, version, then the main IFD whose sub-directories (equipment 0x2010,
// camera settings 0x2020, focus info 0x2050) follow it; offsets count from the note's start.
std::string omFile(const std::vector<Entry>& cs, const std::vector<Entry>& eq = {}, int orientation = 1,
                   const std::vector<Entry>& fi = {}) {
    return tiff("OM Digital Solutions", "OM-1", orientation, {}, [&](uint32_t) {
        std::string head = std::string("OM SYSTEM\0\0\0", 12) + "II" + u16(4), subs;
        std::vector<Entry> m = {ifdPointer(0x2010, 0), ifdPointer(0x2020, 0), ifdPointer(0x2050, 0)};
        uint32_t at = uint32_t(head.size() + ifd(m, 16, 0).size());
        for (const std::vector<Entry>* sub : {&eq, &cs, &fi}) {
            m[size_t(sub == &eq ? 0 : sub == &cs ? 1 : 2)].data = u32(at + uint32_t(subs.size()));
            subs += ifd(*sub, at + uint32_t(subs.size()), 0);
        }
        return head + ifd(m, 16, 0) + subs;
    });
}

std::string panaFile(const std::vector<Entry>& e, int orientation = 1, const char* model = "DC-G9M2",
                     std::vector<Entry> exif = {}) {
    return tiff("Panasonic", model, orientation, exif,
                [&](uint32_t pos) { return std::string("Panasonic\0\0\0", 12) + ifd(e, pos + 12, 0); });
}

// A note of 8-byte header `head` whose IFD counts value offsets from the note's first byte
// (fromNote) or from the TIFF.
std::function<std::string(uint32_t)> note(const std::string& head, std::vector<Entry> e, bool fromNote = false) {
    return [head, e, fromNote](uint32_t pos) { return head + ifd(e, pos + 8, fromNote ? pos : 0); };
}

const std::string kM8("LEICA\0\0\0", 8), kM9("LEICA0\x03\0", 8), kT("LEICA\0\x06\0", 8);

// "Ricoh" and three bytes, then an IFD in the TIFF's order with offsets from the TIFF.
std::string own(const std::string& model, std::vector<Entry> e) {
    return tiff("RICOH IMAGING COMPANY, LTD.", model, 1, {}, [e](uint32_t pos) { return std::string("Ricoh\0\0\0", 8) + ifd(e, pos + 8, 0); });
}

std::string sigma(const std::string& model, std::vector<Entry> e) {
    return tiff("SIGMA", model, 1, {}, [e](uint32_t pos) { return std::string("SIGMA\0\0\0\1\0", 10) + ifd(e, pos + 10, 0); });
}

// Ricoh's GR III writes a Pentax-style note: "RICOH", "II", then an IFD with offsets from the note.
std::string pentaxStyle(std::vector<Entry> e, const char* model = "RICOH GR III") {
    return tiff("RICOH IMAGING COMPANY, LTD.", model, 1, {}, [e](uint32_t) { return std::string("RICOH\0II", 8) + ifd(e, 8, 0); });
}

std::string hasselblad(const std::string& noteText) {
    return tiff("Hasselblad", "X2D 100C", 1, {}, [noteText](uint32_t) { return noteText; });
}

}  // namespace

// [SECTION] Fujifilm
TEST(FujifilmNote, FilmWhiteBalanceDriveAndAfcSet) {
    std::vector<Entry> e = {
        short1(0x1002, 0x100),   {0x100A, 9, 2, u32(40) + u32(uint32_t(-20))}, short1(0x102D, 0x12),
        long1(0x102E, 0x213),   short1(0x1050, 3),  short1(0x1101, 5),     long1(0x1103, (8u << 24) | 2),
        short1(0x1401, 0x600),  short1(0x1443, 0),  short1(0x1444, 2),     shorts(0x1422, {2, 2, 0}),
        {0x1040, 9, 1, u32(8)}, {0x1041, 9, 1, u32(uint32_t(-32))}, long1(0x1047, 32), long1(0x104C, 32),
        long1(0x104E, 64),
    };
    std::string f = fujiFile(e);
    expectFields(build(f), {"focus=AF-C", "afc=Custom (track 3, speed 1, zone Center)", "wb=Daylight (R+2, B-1)",
                            "style=Classic Chrome", "dr=DR-P Auto Strong", "drive=Continuous High (8 fps)", "frameNo=5",
                            "shutter=2", "stab=Body-only, Mode 2", "tone=Highlight +2, shadow -0.5",
                            "effects=Grain Weak, large, Colour chrome FX blue Strong", "fixed=0"});
    expectFields(quick(f), {"meta.focus=1", "meta.continuous=1", "meta.burst=5"});
}

TEST(FujifilmNote, MonochromeBuiltInLensAndOlderBodies) {
    std::vector<Entry> e = {short1(0x1003, 0x501), short1(0x1401, 0x000), short1(0x1021, 1), long1(0x102E, 0x203)};
    std::string f = fujiFile(e, "X100V");
    // AF-C settings mean nothing in manual focus.
    expectFields(build(f), {"style=Acros + R", "focus=MF", "afc=", "fixed=1", "lens=23mm F2"});
    expectFields(build(fujiFile({short1(0x1402, 0), short1(0x140B, 200)}, "XF10")), {"fixed=1", "dr=DR200 (auto)"});
    // A note without the FUJIFILM header is not read as one.
    std::string bad = tiff("FUJIFILM", "X-T5", 1, {}, [&](uint32_t) { return std::string("FUJIFILX") + u32(12) + ifd(e, 12, 0); });
    EXPECT_EQ(build(bad).vendor, -1);
}

// Fujifilm: the AF-C word's bit order and presets, the two D-range priority cases, the image
// adjustments and the AF area of bodies without the AF mode tag.
namespace {

Entry slong1(uint16_t tag, int32_t v) { return {tag, 9, 1, u32(uint32_t(v))}; }

std::string afcText(uint32_t word) { return build(fujiFile({short1(0x102D, 0x2), long1(0x102E, word)})).afcSet; }

}  // namespace

TEST(FujifilmAfc, PresetsAndCustomWordsReadTrackingFromTheLowBits) {
    EXPECT_EQ(afcText(0x102), "Set 1");
    EXPECT_EQ(afcText(0x203), "Set 2");
    EXPECT_EQ(afcText(0x122), "Set 3");
    EXPECT_EQ(afcText(0x010), "Set 4");
    EXPECT_EQ(afcText(0x123), "Set 5");
    // Tracking 4, speed 1, zone switching Front.
    EXPECT_EQ(afcText(0x014), "Custom (track 4, speed 1, zone Front)");
    EXPECT_EQ(afcText(0x204), "Custom (track 4, speed 0, zone Center)");
    // AF-S leaves the AF-C set out.
    EXPECT_EQ(build(fujiFile({short1(0x102D, 0x1), long1(0x102E, 0x102)})).afcSet, "");
}

TEST(FujifilmDynamicRange, PriorityAutoFixedAndThePercentage) {
    // Priority in its auto setting carries the strength it chose in 0x1444.
    EXPECT_EQ(build(fujiFile({short1(0x1443, 0), short1(0x1444, 3)})).dynamicRange, "DR-P Auto Plus");
    // Fixed priority carries its strength in 0x1445.
    EXPECT_EQ(build(fujiFile({short1(0x1443, 1), short1(0x1445, 1)})).dynamicRange, "DR-P Weak");
    // A fixed priority without its strength tag says nothing about strength; the DR setting shows.
    EXPECT_EQ(build(fujiFile({short1(0x1443, 1), short1(0x1444, 2), short1(0x1402, 1), short1(0x1403, 400)})).dynamicRange,
              "DR400");
    // Auto DR: what the camera chose, never the development range it ignores in auto.
    EXPECT_EQ(build(fujiFile({short1(0x1402, 0), short1(0x140B, 200), short1(0x1403, 400)})).dynamicRange, "DR200 (auto)");
    EXPECT_EQ(build(fujiFile({short1(0x1402, 0), short1(0x1403, 400)})).dynamicRange, "");
    EXPECT_EQ(build(fujiFile({short1(0x1402, 0x201)})).dynamicRange, "DR400");
}

TEST(FujifilmAdjustment, ColourSharpnessNoiseReductionAndClarity) {
    lv::ShotInfo s = build(fujiFile({short1(0x1001, 0x84), short1(0x1003, 0x180), short1(0x100E, 0x2E0),
                                     slong1(0x100F, 3000)}));
    EXPECT_EQ(s.adjustment, "Colour -1, sharpness +1, noise reduction -4, clarity +3");
    // Only what moved from 0 is listed.
    EXPECT_EQ(build(fujiFile({short1(0x1001, 0x03), short1(0x1003, 0x000), short1(0x100E, 0x1C0)})).adjustment,
              "Noise reduction +3");
    EXPECT_EQ(build(fujiFile({short1(0x1001, 0x03), short1(0x1003, 0x000), slong1(0x100F, 0)})).adjustment, "");
    // A monochrome filter in the colour tag is a photo style, not a colour step.
    expectFields(build(fujiFile({short1(0x1003, 0x301), short1(0x1001, 0x00)})),
                 {"style=Monochrome + R", "adjust=Sharpness -4"});
    // Clarity comes in thousands; anything else is not a clarity value.
    EXPECT_EQ(build(fujiFile({slong1(0x100F, -2000)})).adjustment, "Clarity -2");
    EXPECT_EQ(build(fujiFile({slong1(0x100F, 1500)})).adjustment, "");
    EXPECT_EQ(build(fujiFile({slong1(0x100F, 9000)})).adjustment, "");
}

TEST(FujifilmFocus, AfAreaFromFocusSettingsWhenTheModeTagIsMissing) {
    lv::ShotInfo s = build(fujiFile({short1(0x102D, 0x0201)}));
    EXPECT_EQ(s.focusMode, "AF-S");
    EXPECT_EQ(s.afArea.rfind("Wide/Tracking", 0), 0u) << s.afArea;
    // The AF mode tag wins where both exist.
    lv::ShotInfo both = build(fujiFile({short1(0x1022, 256), short1(0x102D, 0x0201)}));
    EXPECT_EQ(both.afArea.rfind("Zone", 0), 0u) << both.afArea;
}

// [SECTION] OM System / Olympus
TEST(OlympusNote, CameraSettingsAndFocusInfo) {
    std::vector<Entry> cs = {
        short1(0x0202, 515),         shorts(0x0301, {0, 0x10}),   short1(0x0309, 0x0400),
        shorts(0x0500, {16}),        long1(0x0501, 7500),         sshorts(0x050F, {1, -1, 1, 1}),
        shorts(0x0520, {5, 2}),      shorts(0x0600, {1, 0, 0, 0, 2}), long1(0x0604, 2),
        {0x0804, 4, 2, u32(9) + u32(15)}, sshorts(0x0903, {-25, 1}), sshorts(0x0904, {30, 1}),
    };
    std::vector<Entry> fi = {rationals(0x0305, {{0xFFFFFFFFu, 1}})};
    std::string f = omFile(cs, {}, 1, fi);
    expectFields(build(f), {"vendor=4", "focus=AF-S + MF", "subject=Birds (none found)", "stab=On (vertical)",
                            "wb=Shade (7500 K)", "tone=High key (auto)", "style=i-Enhance",
                            "adjust=Focus stacking (15 frames)", "drive=Continuous, anti-shock",
                            "metering=Spot + highlight control", "distance=Infinity", "level=2.5 3"});
    expectFields(quick(f), {"meta.focus=0", "meta.continuous=1"});
}

TEST(OlympusNote, OldHeaderAndThumbnailHook) {
    std::string jpeg = lvtest::makeJpeg(256, 192);
    uint32_t thumbAt = 0;
    std::string f = tiff("OLYMPUS IMAGING CORP.", "E-M5", 1, {}, [&](uint32_t pos) {
        // "OLYMPUS" NUL "II": offsets from the note's start; the thumbnail after the IFD.
        std::string head = std::string("OLYMPUS\0II\3\0", 12);
        std::vector<Entry> m = {{0x0100, 7, uint32_t(jpeg.size()), u32(0)}};
        uint32_t at = uint32_t(head.size() + ifd(m, 12, 0).size());
        m[0].data = u32(at);
        thumbAt = pos + at;
        return head + ifd(m, 12, 0) + jpeg;
    });
    ASSERT_EQ(f.substr(thumbAt, 2), "\xFF\xD8");
    lv::PhotoFile pf = lv::photoFromMemory(lv::ByteView(f));
    lv::Bytes thumb = lv::thumbOlympus(pf, lv::ByteView(f));
    EXPECT_EQ(std::string(thumb.begin(), thumb.end()), jpeg);
    // Too short for the thumbnail limits (512 bytes): nothing.
    std::string tiny = tiff("OLYMPUS IMAGING CORP.", "E-M5", 1, {}, [&](uint32_t) {
        std::vector<Entry> m = {{0x0100, 7, 100, u32(40)}};
        return std::string("OLYMPUS\0II\3\0", 12) + ifd(m, 12, 0) + std::string(200, '\xFF');
    });
    lv::PhotoFile tf = lv::photoFromMemory(lv::ByteView(tiny));
    EXPECT_TRUE(lv::thumbOlympus(tf, lv::ByteView(tiny)).empty());
}

// OM System / Olympus: the subject-detection word, the AF frame from the AF areas, the lens from
// the equipment directory, the computational modes and the shutter.
namespace {

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
    expectFields(both, {"x=251", "y=751"});
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
    expectFields(build(omFile({shorts(0x0600, {0, 0, 0, 0, 2})})), {"shutter=-1", "drive=Anti-shock"});
    EXPECT_EQ(build(omFile({shorts(0x0600, {1, 3, 0})})).shutterType, -1);
}

// [SECTION] Nikon
TEST(NikonNote, AfAreaInImagePixelsTurnedForPortrait) {
    std::string af = "0300" + std::string(1, 0) + std::string(1, char(193)) + std::string(0x2A - 6, '\0');
    af += u16(6048) + u16(4024) + u16(4590) + u16(2580) + u16(285) + u16(308) + std::string(8, '\0');
    auto note = [&](uint32_t) {
        std::vector<Entry> e = {ascii(0x0005, "AUTO2"), ascii(0x0007, "AF-C  "), short1(0x0022, 3),
                                long1(0x0089, 1),       long1(0x00A7, 123456), undefined(0x00B7, af)};
        return std::string("Nikon\0\2\x10\0\0", 10) + "II" + u16(42) + u32(8) + ifd(e, 8, 0);
    };
    lv::ShotInfo s = build(tiff("NIKON CORPORATION", "NIKON Z 8", 8, {}, note));
    // Orientation 8: (y, W + 1 - x) in a 4024 x 6048 frame.
    expectFields(s, {"focus=AF-C", "area=Single-point", "wb=AUTO2 (keep warm)", "dr=Normal", "drive=Continuous",
                     "count=123456", "fixed=0", "frame=4024x6048", "point=2580,1459"});
    EXPECT_NEAR(s.afAreaWidth, 308.0 / 4024, 1e-9);
    EXPECT_NEAR(s.afAreaHeight, 285.0 / 6048, 1e-9);
    EXPECT_TRUE(build(tiff("NIKON", "COOLPIX P1000", 1, {}, note)).fixedLens);
    EXPECT_TRUE(build(tiff("NIKON", "E5700", 1, {}, note)).fixedLens);
    EXPECT_EQ(quick(tiff("NIKON CORPORATION", "NIKON Z 8", 8, {}, note)).focusClass, 1);
}

TEST(NikonNote, ManualFocusLensDataAndPreviewIfd) {
    std::string jpeg = lvtest::makeJpeg(160, 120);
    std::string f = tiff("NIKON CORPORATION", "NIKON D850", 1, {}, [&](uint32_t) {
        // Main IFD, then the preview IFD, then the JPEG; offsets from the embedded TIFF header.
        std::vector<Entry> main = {ascii(0x0007, "MANUAL"), rationals(0x0084, {{24, 1}, {70, 1}, {28, 10}, {28, 10}}),
                                   long1(0x0011, 0)};
        uint32_t previewPos = 8 + uint32_t(ifd(main, 8, 0).size());
        main[2] = long1(0x0011, previewPos);
        std::vector<Entry> prev = {long1(0x0201, 0), long1(0x0202, uint32_t(jpeg.size()))};
        uint32_t jpegPos = previewPos + uint32_t(ifd(prev, previewPos, 0).size());
        prev[0] = long1(0x0201, jpegPos);
        return std::string("Nikon\0\2\x10\0\0", 10) + "II" + u16(42) + u32(8) + ifd(main, 8, 0) + ifd(prev, previewPos, 0) + jpeg;
    });
    expectFields(build(f), {"focus=MANUAL", "lens=24-70 mm f/2.8"});
    EXPECT_EQ(quick(f).focusClass, 2);
    lv::PhotoFile pf = lv::photoFromMemory(lv::ByteView(f));
    lv::Bytes thumb = lv::thumbNikon(pf, lv::ByteView(f));
    EXPECT_EQ(std::string(thumb.begin(), thumb.end()), jpeg);
}

// Nikon AF points of the bodies that only name the point they used: the older AFInfo record and
// AFInfo2 version 01xx on 11- and 51-point bodies, turned to the displayed image.
namespace {

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
    expectFields(build(nikonFile({ascii(0x0007, "AF-S  "), afInfo(0, 4)})), {"x=641", "y=501", "frameW=1000"});
    // Portrait (6): (1 - v, u).
    expectFields(build(nikonFile({ascii(0x0007, "AF-S  "), afInfo(0, 4)}, 6)), {"x=501", "y=641"});
    // Top point lies above the centre.
    EXPECT_LT(build(nikonFile({ascii(0x0007, "AF-S  "), afInfo(0, 1)})).afPointY, 500);
    // Manual focus has no AF point; nor has an index outside the layout.
    EXPECT_EQ(build(nikonFile({ascii(0x0007, "MANUAL"), afInfo(0, 4)})).afPointX, 0);
    EXPECT_EQ(build(nikonFile({ascii(0x0007, "AF-S  "), afInfo(0, 11)})).afPointX, 0);
}

TEST(NikonOldAfPoint, AfInfo2PrimaryPointOn11And51PointBodies) {
    // 11-point numbering: 7 is the far-left point.
    expectFields(build(nikonFile({ascii(0x0007, "AF-A  "), afInfo2(2, 7)})), {"point=241,501"});
    // 51-point: 1 is C6, the centre; 46 is A1, the first of row A's nine points (column 2 of 11).
    expectFields(build(nikonFile({ascii(0x0007, "AF-C  "), afInfo2(1, 1)}, 1, "NIKON D300")), {"point=501,501"});
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

// [SECTION] Panasonic and Leica
TEST(PanasonicNote, AfAreaStabilisationWithLevelAndLens) {
    std::vector<Entry> e = {short1(0x0007, 6), bytes(0x000F, {16, 16}), short1(0x001A, 7), short1(0x002A, 1),
                            short1(0x002B, 4), ascii(0x0051, "NO-LENS"), short1(0x0089, 12), sshorts(0x0090, {15}),
                            sshorts(0x0091, {-20}), rationals(0x004D, {{1, 4}, {3, 4}}), short1(0x0077, 9),
                            short1(0x009F, 2)};
    // The point (0.25, 0.75) turned for orientation 6: (1 - v, u) = (0.25, 0.25).
    expectFields(build(panaFile(e, 6, "DC-GH6")),
                 {"vendor=0", "focus=AF-S", "area=1-area (high speed) (size not recorded by the camera)",
                  "stab=Body-only, Panning (roll +1.5\xC2\xB0, pitch +2.0\xC2\xB0)", "style=Like709",
                  "drive=Continuous (9 fps)", "frameNo=4", "shutter=2", "lens=", "fixed=0", "point=251,251"});
    lv::ShotInfo hires = build(panaFile({short1(0x00BB, 4097)}, 1, "DC-S1R", {short1(0xA002, 16736), short1(0xA003, 11168)}));
    EXPECT_EQ(hires.driveMode, "High-Res Mode (186 MP)");
    expectFields(build(panaFile({short1(0x0007, 2)}, 1, "DMC-TZ100")), {"fixed=1", "lens=Built-in, no detail found"});
    EXPECT_EQ(quick(panaFile(e, 6, "DC-GH6")).focusClass, 0);
}

TEST(LeicaNote, PanasonicBuiltLeicaAndRangefinders) {
    // A Leica header under Make "LEICA" is a Panasonic-built body: the Panasonic decoder reads it.
    expectFields(build(tiff("LEICA", "D-LUX 7", 1, {}, note(kM8, {short1(0x0007, 7)}))), {"vendor=0", "focus=AF-C"});
    // Leica's own bodies go to the Leica decoder.
    expectFields(build(tiff("LEICA CAMERA AG", "LEICA Q2", 1, {}, note(kM8, {short1(0x0007, 7)}))),
                 {"vendor=9", "fixed=1", "lens=Summilux 1:1.7/28 ASPH."});
    // A rangefinder without any maker note: manual focus, and no word on the lens it wore.
    expectFields(build(tiff("Leica Camera AG", "LEICA M10", 1, {}, nullptr)),
                 {"vendor=9", "focus=MF (rangefinder)", "lens="});
    EXPECT_EQ(quick(tiff("Leica Camera AG", "LEICA M10", 1, {}, nullptr)).focusClass, 2);
    // A coded lens: its 6-bit code shifted past two frame bits.
    EXPECT_EQ(build(tiff("Leica Camera AG", "LEICA M9", 1, {}, note(kM8, {long1(0x0310, 23u << 2)}))).lensModel,
              "Summicron-M 1:2/50");
    EXPECT_EQ(build(tiff("Leica Camera AG", "LEICA M9", 1, {}, note(kM8, {long1(0x0310, 60u << 2)}))).lensModel,
              "Unrecognised lens");
    // The SL is no rangefinder.
    EXPECT_NE(build(tiff("Leica Camera AG", "LEICA SL2", 1, {}, nullptr)).focusMode, "MF (rangefinder)");
}

// Panasonic: subject detection, the newer AF area codes, the AF area size and its "not
// available" value, and burst modes.

TEST(PanasonicSubject, DetectionTargetsAndOff) {
    EXPECT_EQ(build(panaFile({short1(0x00E9, 1)})).subject, "Human Eye/Face/Body");
    EXPECT_EQ(build(panaFile({short1(0x00E9, 9)})).subject, "Motorcycle (helmet)");
    EXPECT_EQ(build(panaFile({short1(0x00E9, 13)})).subject, "Airplane (nose)");
    EXPECT_EQ(build(panaFile({short1(0x00E9, 0)})).subject, "");
    EXPECT_EQ(build(panaFile({short1(0x00E9, 14)})).subject, "");
}

TEST(PanasonicAfArea, NewerCodesAreTheTwoBytesInOrder) {
    auto area = [](int a, int b) { return build(panaFile({short1(0x0007, 6), bytes(0x000F, {a, b})})).afArea; };
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
    expectFields(build(f), {"drive=Continuous (20 fps)", "frameNo=3"});
    EXPECT_TRUE(quick(f).continuousDrive);
    EXPECT_FALSE(quick(panaFile({short1(0x002A, 0)})).continuousDrive);
    EXPECT_EQ(build(panaFile({short1(0x002A, 0), short1(0x0077, 20)})).driveMode, "");
}

TEST(PanasonicLens, BoxCamerasTakeLenses) {
    expectFields(build(panaFile({short1(0x0007, 6)}, 1, "DC-BGH1")), {"fixed=0", "lens="});
    expectFields(build(panaFile({short1(0x0007, 6), ascii(0x0051, "N/A")}, 1, "DC-FZ1000M2")),
                 {"fixed=1", "lens=Built-in, no detail found"});
}

// Leica's own notes: where each note generation keeps the lens, what a rangefinder's lens code
// means, the estimated aperture, and the value offsets of the notes that count from themselves.
TEST(LeicaLens, EachGenerationKeepsTheLensInItsOwnTag) {
    // M8: the code in 0x0310; 0x0303 there is the body's serial number and must not be read as a lens.
    lv::ShotInfo m8 = build(tiff("Leica Camera AG", "M8 Digital Camera", 1, {rational(0x829D, 56, 10)},
                                 note(kM8, {long1(0x0303, 1234567), long1(0x0310, (30u << 2) | 2)}, false)));
    expectFields(m8,
                 {"vendor=9", "focus=MF (rangefinder)", "lens=Summicron-M 1:2/35 ASPH.", "aperture=f/5.6 (estimated)"});
    lv::ShotInfo serialOnly = build(tiff("Leica Camera AG", "M8 Digital Camera", 1, {}, note(kM8, {long1(0x0303, 32u << 2)}, false)));
    EXPECT_EQ(serialOnly.lensModel, "Not recorded (manual or adapted lens)");
    // M9: the code in 0x3405; an uncoded lens is code 0 whatever the frame bits say.
    lv::ShotInfo m9 = build(tiff("Leica Camera AG", "M9 Digital Camera", 1, {}, note(kM9, {long1(0x3405, 32u << 2)}, true)));
    EXPECT_EQ(m9.lensModel, "Summilux-M 1:1.4/50 ASPH.");
    lv::ShotInfo uncoded = build(tiff("Leica Camera AG", "M9 Digital Camera", 1, {}, note(kM9, {long1(0x3405, 3)}, true)));
    EXPECT_EQ(uncoded.lensModel, "Not recorded (manual or adapted lens)");
    lv::ShotInfo unknown = build(tiff("Leica Camera AG", "LEICA M-E", 1, {}, note(kM9, {long1(0x3405, 57u << 2)}, true)));
    EXPECT_EQ(unknown.lensModel, "Unrecognised lens");
    // Later bodies write the name; the T's note counts the text's offset from itself.
    // The T is not a rangefinder: its aperture is set, not estimated.
    expectFields(build(tiff("LEICA CAMERA AG", "LEICA T (Typ 701)", 1, {rational(0x829D, 35, 10)},
                            note(kT, {ascii(0x0303, "Vario-Elmar T 1:3.5-5.6 / 18-56 ASPH.")}, true))),
                 {"lens=Vario-Elmar T 1:3.5-5.6 / 18-56 ASPH.", "aperture=f/3.5", "focus="});
}

TEST(LeicaLens, EstimatedMarkNeedsAnAperture) {
    // Without an EXIF f-number there is nothing to mark.
    expectFields(build(tiff("Leica Camera AG", "LEICA M10", 1, {}, nullptr)), {"aperture=", "exposure!estimated"});
    EXPECT_EQ(build(tiff("Leica Camera AG", "LEICA M10", 1, {rational(0x829D, 0, 0)}, nullptr)).apertureText, "");
    // The summary carries the marked aperture.
    expectFields(build(tiff("Leica Camera AG", "LEICA M11", 1, {rational(0x829D, 40, 10)}, nullptr)),
                 {"exposure^f/4 (estimated)"});
    // An M in the model must follow "LEICA " as a word: the Monochrom name and others are not M bodies.
    EXPECT_EQ(build(tiff("Leica Camera AG", "LEICA MONOPOD", 1, {rational(0x829D, 40, 10)}, nullptr)).apertureText, "f/4");
}

// [SECTION] Sigma, Ricoh, Hasselblad
TEST(SigmaNote, TextTagsAndFixedLens) {
    expectFields(
        build(sigma("SIGMA DP2 Merrill", {ascii(0x0005, "AF-S"), ascii(0x0006, "M"), ascii(0x0007, "Auto(Natural)")})),
        {"focus=MF", "wb=Auto (natural)", "lens=30mm F2.8"});
    expectFields(
        build(sigma("SIGMA sd Quattro", {ascii(0x0005, "AF-C"), ascii(0x0007, "ColorTemp"), ascii(0x001F, "Center")})),
        {"focus=AF-C", "wb=Colour temperature", "area=Centre point (size not recorded by the camera)", "fixed=0"});
}

TEST(RicohAndHasselblad, GrLensFirmwareAndShutterText) {
    expectFields(build(pentaxStyle({})), {"vendor=3", "fixed=1", "lens=GR 18.3mm F2.8"});
    std::string gr3 = pentaxStyle({short1(0x000D, 5), bytes(0x0034, {1, 0, 0, 0}), sshorts(0x002D, {12 * 1024 + 512}),
                                   bytes(0x003F, {0, 0})},
                                  "RICOH GR IIIx");
    expectFields(build(gr3), {"vendor=3", "focus=MF (Snap)", "drive=Continuous", "lens=GR 26.1mm F2.8", "lv=12.5"});
    EXPECT_EQ(quick(gr3).focusClass, 2);
    lv::ShotInfo grx = build(tiff("RICOH IMAGING COMPANY, LTD.", "RICOH GR IIIx", 1, {}, nullptr));
    EXPECT_EQ(grx.vendor, -1);  // no maker note at all: EXIF only
    lv::ShotInfo pentax = build(tiff("RICOH IMAGING COMPANY, LTD.", "PENTAX K-3 Mark III", 1, {},
                                     [](uint32_t) { return std::string("PENTAX \0II", 10) + ifd({}, 10, 0); }));
    EXPECT_EQ(pentax.vendor, 8);

    EXPECT_EQ(quick(hasselblad("ELECTRONIC SHUTTER  AF_DEBUG_INFO")).shutterType, 1);
    EXPECT_EQ(build(hasselblad("LENS SHUTTER FLASH SYNC")).shutterType, 3);
    // A Sony-built Hasselblad is Sony's.
    EXPECT_EQ(build(tiff("HASSELBLAD", "Lunar", 1, {}, nullptr)).vendor, 5);
}

// Sigma: the fixed lens of each DP body, and the AF point text that can name several events.
TEST(SigmaLens, EveryDpBodyNamesItsBuiltInLens) {
    struct Case {
        const char* model;
        const char* lens;
    } cases[] = {
        {"SIGMA DP1", "16.6mm F4"},          {"SIGMA DP1s", "16.6mm F4"},         {"SIGMA DP2x", "24.2mm F2.8"},
        {"SIGMA DP1 Merrill", "19mm F2.8"},  {"SIGMA DP3 Merrill", "50mm F2.8 Macro"},
        {"SIGMA dp0 Quattro", "14mm F4"},    {"SIGMA dp1 Quattro", "19mm F2.8"},
        {"SIGMA dp2 Quattro", "30mm F2.8"},  {"SIGMA dp3 Quattro", "50mm F2.8 Macro"},
    };
    for (const Case& c : cases) {
        lv::ShotInfo s = build(sigma(c.model, {}));
        EXPECT_TRUE(s.fixedLens) << c.model;
        EXPECT_EQ(s.lensModel, c.lens) << c.model;
        EXPECT_EQ(lv::readPhotoMetaFromHead(lv::ByteView(sigma(c.model, {}))).lens, c.lens) << c.model;
    }
    // Interchangeable-lens bodies get no lens from the model.
    expectFields(build(sigma("SIGMA SD1 Merrill", {})), {"fixed=0", "lens="});
}

TEST(SigmaAf, FirstNamedPointCountsAndOnlyTheCentreIsPlaced) {
    expectFields(build(sigma("SIGMA DP2", {ascii(0x0005, "AF-S"), ascii(0x001F, "Center,Center")})),
                 {"area^Centre point", "point=501,501"});
    expectFields(build(sigma("SIGMA DP2", {ascii(0x0005, "AF-S"), ascii(0x001F, "Right,Center")})),
                 {"area!Centre", "x=0"});
    // Manual focus places no point.
    expectFields(build(sigma("SIGMA DP2", {ascii(0x0006, "MF"), ascii(0x001F, "Center")})), {"focus=MF", "x=0"});
}

// Ricoh: the GR and compact bodies' own tag set (focus with its area, white balance, effects, ND
// filter, drive) and the GR III's highlight and shadow correction.
TEST(RicohOwnNote, FocusModeCarriesTheAreaAndTheColourTagsAreRead) {
    std::string pin = own("GR II", {short1(0x1002, 8), short1(0x1003, 11), short1(0x1006, 9), short1(0x1010, 9),
                                    long1(0x1307, 5300), short1(0x1019, 1)});
    expectFields(build(pin), {"vendor=3", "focus=AF-S", "area^Pinpoint", "wb=Kelvin (5300 K)", "effects=Hi-Contrast B&W",
                              "adjust=ND filter", "drive=Continuous", "lens=GR 18.3mm F2.8"});
    expectFields(quick(pin), {"meta.focus=0", "meta.continuous=1"});
    // ND filter off; an effect code without a name shows nothing.
    expectFields(build(own("GR", {short1(0x1006, 8), short1(0x1003, 12), short1(0x1019, 0), short1(0x1010, 2)})),
                 {"focus=AF-C", "area^Tracking", "wb=Shade", "adjust=", "effects=", "drive="});
    std::string snap = own("GR DIGITAL 4", {short1(0x1006, 4)});
    EXPECT_EQ(build(snap).focusMode, "MF (Snap)");
    EXPECT_EQ(quick(snap).focusClass, 2);
}

TEST(RicohOwnNote, CompactsReuseTheNumbersWithOtherTypes) {
    // On the Caplio bodies 0x1002 and 0x1003 are LONG values of other meanings.
    expectFields(build(own("Caplio GX100", {long1(0x1002, 1), long1(0x1003, 2), ascii(0x0002, "Rev0113")})),
                 {"drive=", "wb=", "firmware=Rev0113", "fixed=1"});
}

TEST(RicohGrIII, HighlightAndShadowCorrectionTogether) {
    EXPECT_EQ(build(pentaxStyle({bytes(0x0069, {1, 2, 0, 0}), bytes(0x0079, {1, 2})})).dynamicRange,
              "Highlight auto, shadow normal");
    EXPECT_EQ(build(pentaxStyle({bytes(0x0069, {0, 0, 0, 0}), bytes(0x0079, {0, 0})})).dynamicRange,
              "Highlight off, shadow off");
    EXPECT_EQ(build(pentaxStyle({bytes(0x0069, {1, 0, 0, 0}), bytes(0x0079, {2, 4})})).dynamicRange,
              "Highlight on, shadow auto");
    // Weak shadow correction has no name: only the highlight part is shown.
    EXPECT_EQ(build(pentaxStyle({bytes(0x0069, {1, 0, 0, 0}), bytes(0x0079, {1, 1})})).dynamicRange, "Highlight on");
    EXPECT_EQ(build(pentaxStyle({bytes(0x0079, {1, 3})})).dynamicRange, "shadow strong");
    EXPECT_EQ(build(pentaxStyle({bytes(0x0088, {1, 2})})).adjustment, "ND filter");
    EXPECT_EQ(build(pentaxStyle({bytes(0x0088, {0, 2})})).adjustment, "");
    // A one-byte record is too short to say anything.
    EXPECT_EQ(build(pentaxStyle({bytes(0x0069, {1})})).dynamicRange, "");
}

// Hasselblad: the AF record of the text note.
TEST(HasselbladNote, AfRecordIsShownUnlessItSaysThereIsNone) {
    expectFields(build(hasselblad(std::string("ELECTRONIC SHUTTER\0AF_DEBUG_INFO: CENTER SPOT OK\nMORE", 52))),
                 {"shutter=1", "area^CENTER SPOT OK"});
    // No AF result: nothing about the area is claimed. Binary bytes after the marker end the text.
    expectFields(build(hasselblad("AF_DEBUG_INFO: NO VALID AF DATA")), {"area!NO VALID"});
    expectFields(build(hasselblad(std::string("AF_DEBUG_INFO:\x01\x02garbage", 23))), {"area!garbage"});
    // A long line is cut.
    expectFields(build(hasselblad("AF_DEBUG_INFO: " + std::string(200, 'A'))),
                 {"area^" + std::string(64, 'A'), "area!" + std::string(65, 'A')});
}
