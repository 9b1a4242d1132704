// The other makers' notes built byte by byte: their header forms, byte orders, sub-directories,
// value tables and the decisions particular to each.
#include <gtest/gtest.h>

#include "metadata/makernote.h"
#include "metadata/preview.h"
#include "metadata/shot_info.h"
#include "mn_builder.h"
#include "test_support.h"

using namespace mnb;

namespace {

lv::ShotInfo build(const std::string& bytes) { return lv::buildShotInfoFromHead("P1000001.JPG", lv::ByteView(bytes)); }
lv::PhotoMeta quick(const std::string& bytes) { return lv::readPhotoMetaFromHead(lv::ByteView(bytes)); }

Entry ifdPointer(uint16_t tag, uint32_t offset) { return {tag, 13, 1, u32(offset)}; }
Entry sshorts(uint16_t tag, const std::vector<int>& v) {
    Entry e = shorts(tag, v);
    e.type = 8;
    return e;
}
Entry bytes(uint16_t tag, const std::vector<int>& v) {
    std::string d;
    for (int x : v) d += char(x);
    return {tag, 1, uint32_t(v.size()), d};
}
Entry rationals(uint16_t tag, const std::vector<std::pair<uint32_t, uint32_t>>& v) {
    std::string d;
    for (auto& r : v) d += u32(r.first) + u32(r.second);
    return {tag, 5, uint32_t(v.size()), d};
}

// "FUJIFILM", the IFD offset, the IFD: offsets count from the note's start.
std::string fujiNote(const std::vector<Entry>& e) { return std::string("FUJIFILM") + u32(12) + ifd(e, 12, 0); }

// "OM SYSTEM", byte order, version, main IFD; camera settings and focus info as sub-IFDs.
std::string omNote(const std::vector<Entry>& cs, const std::vector<Entry>& fi = {}, std::vector<Entry> main = {}) {
    std::string head = std::string("OM SYSTEM\0\0\0", 12) + "II" + u16(4);
    std::vector<Entry> m = main;
    m.push_back(ifdPointer(0x2020, 0));
    m.push_back(ifdPointer(0x2050, 0));
    uint32_t csPos = uint32_t(head.size() + ifd(m, 16, 0).size());
    uint32_t fiPos = csPos + uint32_t(ifd(cs, csPos, 0).size());
    m[m.size() - 2] = ifdPointer(0x2020, csPos);
    m[m.size() - 1] = ifdPointer(0x2050, fiPos);
    return head + ifd(m, 16, 0) + ifd(cs, csPos, 0) + ifd(fi, fiPos, 0);
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
    std::string f = tiff("FUJIFILM", "X-T5", 1, {}, [&](uint32_t) { return fujiNote(e); });
    lv::ShotInfo s = build(f);
    EXPECT_EQ(s.focusMode, "AF-C");
    EXPECT_EQ(s.afcSet, "Custom (track 3, speed 1, zone Center)");
    EXPECT_EQ(s.whiteBalance, "Daylight (R+2, B-1)");
    EXPECT_EQ(s.photoStyle, "Classic Chrome");
    EXPECT_EQ(s.dynamicRange, "DR-P Auto Strong");
    EXPECT_EQ(s.driveMode, "Continuous High (8 fps)");
    EXPECT_EQ(s.frameNumber, 5);
    EXPECT_EQ(s.shutterType, 2);
    EXPECT_EQ(s.stabMode, "Body-only, Mode 2");
    EXPECT_EQ(s.tone, "Highlight +2, shadow -0.5");
    EXPECT_EQ(s.effects, "Grain Weak, large, Colour chrome FX blue Strong");
    EXPECT_FALSE(s.fixedLens);
    lv::PhotoMeta m = quick(f);
    EXPECT_EQ(m.focusClass, 1);
    EXPECT_TRUE(m.continuousDrive);
    EXPECT_EQ(m.burstIndex, 5);
}

TEST(FujifilmNote, MonochromeBuiltInLensAndOlderBodies) {
    std::vector<Entry> e = {short1(0x1003, 0x501), short1(0x1401, 0x000), short1(0x1021, 1), long1(0x102E, 0x203)};
    std::string f = tiff("FUJIFILM", "X100V", 1, {}, [&](uint32_t) { return fujiNote(e); });
    lv::ShotInfo s = build(f);
    EXPECT_EQ(s.photoStyle, "Acros + R");
    EXPECT_EQ(s.focusMode, "MF");
    EXPECT_EQ(s.afcSet, "");  // AF-C settings mean nothing in manual focus
    EXPECT_TRUE(s.fixedLens);
    EXPECT_EQ(s.lensModel, "23mm F2");
    std::string xf10 = tiff("FUJIFILM", "XF10", 1, {}, [&](uint32_t) { return fujiNote({short1(0x1402, 0), short1(0x140B, 200)}); });
    lv::ShotInfo x = build(xf10);
    EXPECT_TRUE(x.fixedLens);
    EXPECT_EQ(x.dynamicRange, "DR200 (auto)");
    // A note without the FUJIFILM header is not read as one.
    std::string bad = tiff("FUJIFILM", "X-T5", 1, {}, [&](uint32_t) { return std::string("FUJIFILX") + u32(12) + ifd(e, 12, 0); });
    EXPECT_EQ(build(bad).vendor, -1);
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
    std::string f = tiff("OM Digital Solutions", "OM-1", 1, {}, [&](uint32_t) { return omNote(cs, fi); });
    lv::ShotInfo s = build(f);
    EXPECT_EQ(s.vendor, 4);
    EXPECT_EQ(s.focusMode, "AF-S + MF");
    EXPECT_EQ(s.subject, "Birds (none found)");
    EXPECT_EQ(s.stabMode, "On (vertical)");
    EXPECT_EQ(s.whiteBalance, "Shade (7500 K)");
    EXPECT_EQ(s.tone, "High key (auto)");
    EXPECT_EQ(s.photoStyle, "i-Enhance");
    EXPECT_EQ(s.adjustment, "Focus stacking (15 frames)");
    EXPECT_EQ(s.driveMode, "Continuous, anti-shock");
    EXPECT_EQ(s.meteringText, "Spot + highlight control");
    EXPECT_EQ(s.focusDistance, "Infinity");
    ASSERT_TRUE(s.hasLevel);
    EXPECT_DOUBLE_EQ(s.roll, 2.5);
    EXPECT_DOUBLE_EQ(s.pitch, 3.0);
    lv::PhotoMeta m = quick(f);
    EXPECT_EQ(m.focusClass, 0);
    EXPECT_TRUE(m.continuousDrive);
}

TEST(OlympusNote, OldHeaderAndThumbnailHook) {
    std::string jpeg = lvtest::makeJpeg(64, 48);
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
    EXPECT_EQ(s.focusMode, "AF-C");
    EXPECT_EQ(s.afArea, "Single-point");
    EXPECT_EQ(s.whiteBalance, "AUTO2 (keep warm)");
    EXPECT_EQ(s.dynamicRange, "Normal");
    EXPECT_EQ(s.driveMode, "Continuous");
    EXPECT_EQ(s.shutterCount, "123456");
    // Orientation 8: (y, W + 1 - x) in a 4024 x 6048 frame.
    EXPECT_EQ(s.afFrameWidth, 4024);
    EXPECT_EQ(s.afFrameHeight, 6048);
    EXPECT_EQ(s.afPointX, 2580);
    EXPECT_EQ(s.afPointY, 6049 - 4590);
    EXPECT_NEAR(s.afAreaWidth, 308.0 / 4024, 1e-9);
    EXPECT_NEAR(s.afAreaHeight, 285.0 / 6048, 1e-9);
    EXPECT_FALSE(s.fixedLens);
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
    lv::ShotInfo s = build(f);
    EXPECT_EQ(s.focusMode, "MANUAL");
    EXPECT_EQ(s.lensModel, "24-70 mm f/2.8");
    EXPECT_EQ(quick(f).focusClass, 2);
    lv::PhotoFile pf = lv::photoFromMemory(lv::ByteView(f));
    lv::Bytes thumb = lv::thumbNikon(pf, lv::ByteView(f));
    EXPECT_EQ(std::string(thumb.begin(), thumb.end()), jpeg);
}

// [SECTION] Pentax
TEST(PentaxNote, ByteOrderMarkThatLiesAndLensCodes) {
    auto note = [](std::vector<Entry> e, const char* mark) {
        return [e, mark](uint32_t) { return std::string("PENTAX \0", 8) + mark + ifd(e, 10, 0); };
    };
    std::vector<Entry> e = {short1(0x000D, 17), shorts(0x000E, {65532, 0}), short1(0x0019, 10), bytes(0x0034, {1, 0, 0, 0}),
                            bytes(0x003F, {8, 242}), bytes(0x0047, {250}), short1(0x004F, 7), bytes(0x005C, {1, 5}),
                            undefined(0x022B, std::string("\x01\xFD\x04\0", 4))};
    // The entries are little-endian whatever the mark says.
    for (const char* mark : {"II", "MM"}) {
        lv::ShotInfo s = build(tiff("RICOH IMAGING COMPANY, LTD.", "PENTAX K-3 Mark III", 1, {}, note(e, mark)));
        EXPECT_EQ(s.vendor, 8) << mark;
        EXPECT_EQ(s.focusMode, "AF-C") << mark;
        EXPECT_EQ(s.afArea, "Face detection (AF point not recorded by the camera)");
        EXPECT_EQ(s.whiteBalance, "Cloudy");
        EXPECT_EQ(s.driveMode, "Continuous");
        EXPECT_EQ(s.lensModel, "smc PENTAX-DA* 16-50mm F2.8 ED AL [IF] SDM");
        EXPECT_EQ(s.cameraTemp, -6);
        EXPECT_EQ(s.photoStyle, "Reversal Film");
        EXPECT_EQ(s.stabMode, "On but disabled");
        EXPECT_DOUBLE_EQ(s.roll, 1.5);
        EXPECT_DOUBLE_EQ(s.pitch, -2.0);
    }
    std::vector<Entry> noLens = {bytes(0x003F, {0, 0}), shorts(0x000E, {5, 3})};
    lv::ShotInfo n = build(tiff("PENTAX", "PENTAX K-1", 1, {}, note(noLens, "II")));
    EXPECT_EQ(n.lensModel, "Not recorded (manual or adapted lens)");
    EXPECT_EQ(n.afArea, "Expanded area (M) (size not recorded by the camera)");
    // A third-party AF lens missing from the table is not called manual.
    lv::ShotInfo t = build(tiff("PENTAX", "PENTAX K-1", 1, {}, note({bytes(0x003F, {3, 44})}, "II")));
    EXPECT_EQ(t.lensModel, "");
}

// [SECTION] Panasonic and Leica
TEST(PanasonicNote, AfAreaStabilisationWithLevelAndLens) {
    auto note = [](std::vector<Entry> e) {
        return [e](uint32_t pos) { return std::string("Panasonic\0\0\0", 12) + ifd(e, pos + 12, 0); };
    };
    std::vector<Entry> e = {short1(0x0007, 6), bytes(0x000F, {16, 16}), short1(0x001A, 7), short1(0x002A, 1),
                            short1(0x002B, 4), ascii(0x0051, "NO-LENS"), short1(0x0089, 12), sshorts(0x0090, {15}),
                            sshorts(0x0091, {-20}), rationals(0x004D, {{1, 4}, {3, 4}}), short1(0x0077, 9),
                            short1(0x009F, 2)};
    lv::ShotInfo s = build(tiff("Panasonic", "DC-GH6", 6, {}, note(e)));
    EXPECT_EQ(s.vendor, 0);
    EXPECT_EQ(s.focusMode, "AF-S");
    EXPECT_EQ(s.afArea, "1-area (high speed) (size not recorded by the camera)");
    EXPECT_EQ(s.stabMode, "Body-only, Panning (roll +1.5\xC2\xB0, pitch +2.0\xC2\xB0)");
    EXPECT_EQ(s.photoStyle, "Like709");
    EXPECT_EQ(s.driveMode, "Continuous (9 fps)");
    EXPECT_EQ(s.frameNumber, 4);
    EXPECT_EQ(s.shutterType, 2);
    lv::ShotInfo hires = build(tiff("Panasonic", "DC-S1R", 1, {short1(0xA002, 16736), short1(0xA003, 11168)},
                                    note({short1(0x00BB, 4097)})));
    EXPECT_EQ(hires.driveMode, "High-Res Mode (186 MP)");
    EXPECT_EQ(s.lensModel, "");
    EXPECT_FALSE(s.fixedLens);
    // (0.25, 0.75) turned for orientation 6: (1 - v, u) = (0.25, 0.25).
    EXPECT_EQ(s.afPointX, 251);
    EXPECT_EQ(s.afPointY, 251);
    lv::ShotInfo compact = build(tiff("Panasonic", "DMC-TZ100", 1, {}, note({short1(0x0007, 2)})));
    EXPECT_TRUE(compact.fixedLens);
    EXPECT_EQ(compact.lensModel, "Built-in, no detail found");
    EXPECT_EQ(quick(tiff("Panasonic", "DC-GH6", 6, {}, note(e))).focusClass, 0);
}

TEST(LeicaNote, PanasonicBuiltLeicaAndRangefinders) {
    auto leicaNote = [](std::vector<Entry> e) {
        return [e](uint32_t pos) { return std::string("LEICA\0\0\0", 8) + ifd(e, pos + 8, 0); };
    };
    // A Leica header under Make "LEICA" is a Panasonic-built body: the Panasonic decoder reads it.
    lv::ShotInfo built = build(tiff("LEICA", "D-LUX 7", 1, {}, leicaNote({short1(0x0007, 7)})));
    EXPECT_EQ(built.vendor, 0);
    EXPECT_EQ(built.focusMode, "AF-C");
    // Leica's own bodies go to the Leica decoder.
    lv::ShotInfo q2 = build(tiff("LEICA CAMERA AG", "LEICA Q2", 1, {}, leicaNote({short1(0x0007, 7)})));
    EXPECT_EQ(q2.vendor, 9);
    EXPECT_TRUE(q2.fixedLens);
    EXPECT_EQ(q2.lensModel, "Summilux 1:1.7/28 ASPH.");
    // A rangefinder without any maker note: manual focus, and no word on the lens it wore.
    lv::ShotInfo m10 = build(tiff("Leica Camera AG", "LEICA M10", 1, {}, nullptr));
    EXPECT_EQ(m10.vendor, 9);
    EXPECT_EQ(m10.focusMode, "MF (rangefinder)");
    EXPECT_EQ(m10.lensModel, "");
    EXPECT_EQ(quick(tiff("Leica Camera AG", "LEICA M10", 1, {}, nullptr)).focusClass, 2);
    // A coded lens: its 6-bit code shifted past two frame bits.
    lv::ShotInfo coded = build(tiff("Leica Camera AG", "LEICA M9", 1, {}, [](uint32_t pos) {
        return std::string("LEICA\0\0\0", 8) + ifd({long1(0x0310, 23u << 2)}, pos + 8, 0);
    }));
    EXPECT_EQ(coded.lensModel, "Summicron-M 1:2/50");
    lv::ShotInfo odd = build(tiff("Leica Camera AG", "LEICA M9", 1, {}, [](uint32_t pos) {
        return std::string("LEICA\0\0\0", 8) + ifd({long1(0x0310, 60u << 2)}, pos + 8, 0);
    }));
    EXPECT_EQ(odd.lensModel, "Unrecognised lens");
    // The SL is no rangefinder.
    EXPECT_NE(build(tiff("Leica Camera AG", "LEICA SL2", 1, {}, nullptr)).focusMode, "MF (rangefinder)");
}

// [SECTION] Sigma, Ricoh, Hasselblad
TEST(SigmaNote, TextTagsAndFixedLens) {
    auto note = [](std::vector<Entry> e) {
        return [e](uint32_t pos) { return std::string("SIGMA\0\0\0\1\0", 10) + ifd(e, pos + 10, 0); };
    };
    lv::ShotInfo s = build(tiff("SIGMA", "SIGMA DP2 Merrill", 1, {}, note({ascii(0x0005, "AF-S"), ascii(0x0006, "M"),
                                                                            ascii(0x0007, "Auto(Natural)")})));
    EXPECT_EQ(s.focusMode, "MF");
    EXPECT_EQ(s.whiteBalance, "Auto (natural)");
    EXPECT_EQ(s.lensModel, "30mm F2.8");
    lv::ShotInfo c = build(tiff("SIGMA", "SIGMA sd Quattro", 1, {}, note({ascii(0x0005, "AF-C"), ascii(0x0007, "ColorTemp"),
                                                                           ascii(0x001F, "Center")})));
    EXPECT_EQ(c.focusMode, "AF-C");
    EXPECT_EQ(c.whiteBalance, "Colour temperature");
    EXPECT_EQ(c.afArea, "Centre point (size not recorded by the camera)");
    EXPECT_FALSE(c.fixedLens);
}

TEST(RicohAndHasselblad, GrLensFirmwareAndShutterText) {
    lv::ShotInfo gr = build(tiff("RICOH IMAGING COMPANY, LTD.", "RICOH GR III", 1, {ascii(0x0131, "GR III Ver 1.50")},
                                 [](uint32_t) { return std::string("RICOH\0II", 8) + ifd({}, 8, 0); }));
    // Software lives in IFD0 in real files; the builder puts it in the EXIF IFD, so no firmware here.
    EXPECT_EQ(gr.vendor, 3);
    EXPECT_TRUE(gr.fixedLens);
    EXPECT_EQ(gr.lensModel, "GR 18.3mm F2.8");
    std::string gr3 = tiff("RICOH IMAGING COMPANY, LTD.", "RICOH GR IIIx", 1, {}, [](uint32_t) {
        std::vector<Entry> e = {short1(0x000D, 5), bytes(0x0034, {1, 0, 0, 0}), sshorts(0x002D, {12 * 1024 + 512}),
                                bytes(0x003F, {0, 0})};
        return std::string("RICOH\0II", 8) + ifd(e, 8, 0);
    });
    lv::ShotInfo r = build(gr3);
    EXPECT_EQ(r.vendor, 3);
    EXPECT_EQ(r.focusMode, "MF (Snap)");
    EXPECT_EQ(r.driveMode, "Continuous");
    EXPECT_EQ(r.lensModel, "GR 26.1mm F2.8");
    ASSERT_TRUE(r.hasLightValue);
    EXPECT_DOUBLE_EQ(r.lightValue, 12.5);
    EXPECT_EQ(quick(gr3).focusClass, 2);
    lv::ShotInfo grx = build(tiff("RICOH IMAGING COMPANY, LTD.", "RICOH GR IIIx", 1, {}, nullptr));
    EXPECT_EQ(grx.vendor, -1);  // no maker note at all: EXIF only
    lv::ShotInfo pentax = build(tiff("RICOH IMAGING COMPANY, LTD.", "PENTAX K-3 Mark III", 1, {},
                                     [](uint32_t) { return std::string("PENTAX \0II", 10) + ifd({}, 10, 0); }));
    EXPECT_EQ(pentax.vendor, 8);

    std::string h = tiff("Hasselblad", "X2D 100C", 1, {}, [](uint32_t) { return std::string("ELECTRONIC SHUTTER  AF_DEBUG_INFO"); });
    EXPECT_EQ(build(h).shutterType, 1);
    EXPECT_EQ(quick(h).shutterType, 1);
    std::string leaf = tiff("Hasselblad", "X2D 100C", 1, {}, [](uint32_t) { return std::string("LENS SHUTTER FLASH SYNC"); });
    EXPECT_EQ(build(leaf).shutterType, 3);
    // A Sony-built Hasselblad is Sony's.
    EXPECT_EQ(build(tiff("HASSELBLAD", "Lunar", 1, {}, nullptr)).vendor, 5);
}
