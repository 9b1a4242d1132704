// Shot information: formatting rules where they can go wrong, names, panel rows, notes and the
// vendor frame (selection order, maker-note checks, DNGPrivateData).
#include <gtest/gtest.h>

#include <algorithm>

#include "metadata/makernote.h"
#include "metadata/shot_info.h"
#include "mn_builder.h"
#include "shot_fields.h"
#include "test_support.h"

using namespace mnb;
using lvtest::expectFields;

// Shutter speeds and apertures from their rationals: 10/2500 s is reduced to 1/250s first, an
// aperture of 0.95 rounds to f/1.
TEST(ShotFormat, ShutterSpeedsApertureFocalLengthAndCompensation) {
    struct Case {
        uint32_t n, d;
        const char* text;
    };
    const Case kShutter[] = {{1, 3, "1/3s"},    {10, 13, "1/1.3s"}, {2, 1, "2s"},         {5, 2, "2.5s"},
                             {4, 2, "2.0s"},    {3, 10, "1/3.3s"},  {2, 5, "1/2.5s"},     {10, 2500, "1/250s"},
                             {0, 1, ""},        {1, 0, ""},         {4000000000u, 1, "4000000000s"}};
    const Case kAperture[] = {{28, 10, "f/2.8"}, {80, 10, "f/8"}, {63, 10, "f/6.3"}, {95, 100, "f/1"}, {7, 0, ""}};
    for (const Case& c : kShutter) EXPECT_EQ(lv::formatShutter(c.n, c.d), c.text) << c.n << "/" << c.d;
    for (const Case& c : kAperture) EXPECT_EQ(lv::formatAperture(c.n, c.d), c.text) << c.n << "/" << c.d;

    EXPECT_EQ(lv::formatFocalLength(50, 1, 75, false), "50mm (75mm on FF)");
    EXPECT_EQ(lv::formatFocalLength(50, 1, 52, false), "50mm");
    EXPECT_EQ(lv::formatFocalLength(125, 10, 0, false), "12.5mm");
    EXPECT_EQ(lv::formatFocalLength(50, 1, 80, true), "50mm (80mm on FF, crop)");
    EXPECT_EQ(lv::formatFocalLength(23, 1, 0, false, 1.53), "23mm (35mm on FF)");
    EXPECT_EQ(lv::formatFocalLength(0, 1, 50, false), "");

    EXPECT_EQ(lv::formatExposureComp(7 / 10.0), "+0.7 EV");
    EXPECT_EQ(lv::formatExposureComp(-1), "-1 EV");
    EXPECT_EQ(lv::formatExposureComp(0), "0 EV");
    EXPECT_EQ(lv::formatExposureComp(-2 / 3.0), "-0.7 EV");
    EXPECT_EQ(lv::formatExposureComp(0.35), "+0.4 EV");  // half up by magnitude
    EXPECT_EQ(lv::formatExposureComp(-0.04), "0 EV");
}

TEST(ShotFormat, LightMeteringTemperatureLevelShutterType) {
    EXPECT_EQ(lv::formatLightValue(14.9), "Hazy sun (LV 14.9)");
    EXPECT_EQ(lv::formatLightValue(15.0), "Bright sun (LV 15.0)");
    EXPECT_EQ(lv::formatLightValue(-1), "Night (LV -1.0)");
    EXPECT_EQ(lv::formatLightValue(2.99), "Night (LV 3.0)");  // the band is chosen before rounding
    EXPECT_EQ(lv::formatMetering(0), "");
    EXPECT_EQ(lv::formatMetering(7), "");
    EXPECT_EQ(lv::formatMetering(5), "Multi-segment");
    EXPECT_EQ(lv::formatMetering(255), "Highlight-weighted");
    EXPECT_EQ(lv::formatTemperature(35), "35 \xC2\xB0" "C");
    EXPECT_EQ(lv::formatTemperature(44.4), "44.4 \xC2\xB0" "C");
    EXPECT_EQ(lv::formatLevel(-1.25), "-1.3\xC2\xB0");
    EXPECT_EQ(lv::formatLevel(0), "+0.0\xC2\xB0");
    EXPECT_EQ(lv::formatLevel(-0.01), "-0.0\xC2\xB0");
    EXPECT_EQ(lv::formatShutterType(2), "Electronic front curtain");
    EXPECT_EQ(lv::formatShutterType(4), "");
}

TEST(ShotFormat, CameraAndLensNames) {
    EXPECT_EQ(lv::cameraName("Canon", "Canon EOS R5"), "Canon EOS R5");
    EXPECT_EQ(lv::cameraName("RICOH IMAGING COMPANY, LTD.", "PENTAX K-3 Mark III"), "PENTAX K-3 Mark III");
    EXPECT_EQ(lv::cameraName("NIKON CORPORATION", "NIKON Z 8"), "NIKON Z 8");
    EXPECT_EQ(lv::cameraName("SONY", "ILCE-7M4"), "SONY ILCE-7M4");
    EXPECT_EQ(lv::cameraName("OLYMPUS IMAGING CORP.  ", "E-M1"), "OLYMPUS E-M1");
    EXPECT_EQ(lv::cameraName("Leica", "LEICA-Q"), "LEICA-Q");      // brand then "-"
    EXPECT_EQ(lv::cameraName("Canon", "CanonEOS"), "Canon CanonEOS");  // not a whole word
    EXPECT_EQ(lv::cameraName("", "X100V"), "X100V");
    EXPECT_EQ(lv::cameraName("FUJIFILM", " "), "FUJIFILM");

    EXPECT_EQ(lv::lensName("", "----"), "Not recorded (manual or adapted lens)");
    EXPECT_EQ(lv::lensName("", "not selected"), "Not recorded (manual or adapted lens)");
    EXPECT_EQ(lv::lensName("SIGMA", "24-70mm F2.8 DG DN | Art"), "SIGMA 24-70mm F2.8 DG DN | Art");
    EXPECT_EQ(lv::lensName("Canon", "Canon RF 50mm"), "Canon RF 50mm");
    EXPECT_EQ(lv::lensName("N/A", "XF23mmF2 R WR"), "XF23mmF2 R WR");
    EXPECT_EQ(lv::lensName("Sony", ""), "");
}

TEST(ShotFormat, FocusClassAndFirmwareFilter) {
    EXPECT_EQ(lv::focusClassOf(""), -1);
    EXPECT_EQ(lv::focusClassOf("MF (Snap)"), 2);
    EXPECT_EQ(lv::focusClassOf("AF-S"), 0);
    EXPECT_EQ(lv::focusClassOf("AF-C"), 1);
    EXPECT_EQ(lv::focusClassOf("AI Focus"), 3);
    EXPECT_EQ(lv::focusClassOf("MANUAL"), 2);

    for (const char* fw : {"Ver.1.00", "VERSION 1.2", "V1.01", "1.0.4", "ZV-E10 v1.00", "E-M1MarkII Ver1.2",
                           "Digital Camera FinePix S5Pro Ver1.00", "R/1.2", "GR::1.0"})
        EXPECT_TRUE(lv::looksLikeFirmware(fw)) << fw;
    for (const char* app : {"Adobe Photoshop Lightroom Classic 12.3 (Windows)", "GIMP 2.10", "darktable 4.4.2",
                            "Capture One 23 Macintosh", "Phocus"})
        EXPECT_FALSE(lv::looksLikeFirmware(app)) << app;
}

TEST(ShotInfoRows, SectionsOnlyWithRowsAndInPanelOrder) {
    lv::ShotInfo s;
    s.fileName = "A.JPG";
    s.lensModel = "23mm F2";
    s.fixedLens = true;
    s.hasExposureComp = true;
    s.exposureComp = 4;
    s.hasAmbientTemp = true;
    s.ambientTemp = 21;
    s.frameNumber = 3;
    s.shutterType = -1;
    std::vector<std::string> rows = lv::shotInfoRows(s);
    std::vector<std::string> want = {"H\t0\tFile", "V\tFile name\tA.JPG",
                                     "H\t1\tCamera", "D\theatambient\tAmbient temp.\t21 \xC2\xB0" "C",
                                     "H\t7\tLens (fixed)", "V\tModel\t23mm F2",
                                     "H\t3\tExposure", "V\tExposure comp.\t+4 EV",
                                     "H\t5\tDrive", "V\tFrame\t3"};
    EXPECT_EQ(rows, want);
    s.exposureComp = 2;
    EXPECT_EQ(lv::shotInfoRows(s)[7], "D\texpcomp\tExposure comp.\t+2 EV");
    EXPECT_EQ(lv::shotInfoText(s).substr(0, 26), "File\r\n  File name: A.JPG\r\n");
}

TEST(ShotInfoRows, AfcGaugesAndShutterType) {
    lv::ShotInfo s;
    s.hasAfcSensitivity = true;
    s.afcSensitivity = 2;
    s.hasAfcPrediction = true;
    s.afcPrediction = -1;
    s.shutterType = 0;
    std::vector<std::string> rows = lv::shotInfoRows(s);
    std::vector<std::string> want = {"H\t4\tFocus", "D\tafsens\tAF sensitivity\t+2", "D\tafpred\tSubject prediction\t-1",
                                     "H\t5\tDrive", "V\tShutter type\tMechanical"};
    EXPECT_EQ(rows, want);
}

TEST(ShotInfoBuild, ExifFieldsAndCapturedText) {
    std::string bytes = tiff("NIKON CORPORATION", "NIKON Z 8", 1,
                             {rational(0x829A, 1, 250), rational(0x829D, 28, 10), short1(0x8827, 400),
                              ascii(0x9003, "2024:05:01 14:03:22"), srational(0x9204, 7, 10), short1(0x9207, 5),
                              rational(0x920A, 50, 1), short1(0xA405, 75), ascii(0xA434, "NIKKOR Z 50mm f/1.8 S")},
                             nullptr);
    lv::ShotInfo s = lv::buildShotInfoFromHead("/x/DSC_1.NEF", lv::ByteView(bytes));
    expectFields(
        s, {"file=DSC_1.NEF", "captured=2024-05-01 14:03:22", "camera=NIKON Z 8", "lens=NIKKOR Z 50mm f/1.8 S",
            "focal=50mm (75mm on FF)", "exposure=f/2.8  1/250s  ISO 400  +0.7 EV", "metering=Multi-segment", "note="});
    EXPECT_EQ(lv::capturedText("2024:05:01T14:03:22"), "2024-05-01 14:03:22");  // XMP's form
}

TEST(ShotInfoBuild, Latin1CameraTextsBecomeUtf8) {
    std::string bytes = tiff("Maker", "Cam \xB0 X", 1, {ascii(0xA434, "L\xC3\xA9ns \xFF")}, nullptr);
    lv::ShotInfo s = lv::buildShotInfoFromHead("a.tif", lv::ByteView(bytes));
    EXPECT_EQ(s.cameraModel, "Maker Cam \xC2\xB0 X");
    EXPECT_EQ(s.lensModel, "L\xC3\xA9ns \xC3\xBF");  // valid UTF-8 kept, the stray byte as Latin-1
    EXPECT_EQ(lv::readPhotoMetaFromHead(lv::ByteView(bytes)).camera, "Maker Cam \xC2\xB0 X");
}

TEST(ShotInfoBuild, NoExifShowsOnlyTheFileAndItsNote) {
    std::string junk(100, 'x');
    lv::ShotInfo s = lv::buildShotInfoFromHead("a.jpg", lv::ByteView(junk));
    EXPECT_EQ(s.note, "No EXIF data found");
    std::vector<std::string> want = {"H\t0\tFile", "V\tFile name\ta.jpg", "V\tNote\tNo EXIF data found"};
    EXPECT_EQ(lv::shotInfoRows(s), want);
    EXPECT_FALSE(lv::readPhotoMetaFromHead(lv::ByteView(junk)).valid);
    EXPECT_FALSE(lv::readPhotoMeta("/nonexistent/lumivore/none.jpg").valid);
}

namespace {
// A JPEG whose APP1 carries the TIFF.
std::string jpegWith(const std::string& tiffBytes, const std::string& xmp = "") {
    std::string out = "\xFF\xD8" + lvtest::exifApp1(tiffBytes);
    if (!xmp.empty()) out += lvtest::jpegSegment(0xE1, std::string("http://ns.adobe.com/xap/1.0/") + '\0' + xmp);
    return out + "\xFF\xD9";
}
}  // namespace

TEST(MakerNoteCheck, ForeignAndMissingNotes) {
    std::string apple = jpegWith(tiff("NIKON CORPORATION", "NIKON D90", 1, {},
                                      [](uint32_t) { return std::string("Apple iOS\0\0\1MM", 14) + std::string(20, '\0'); }));
    EXPECT_EQ(lv::makerNoteCheck(lv::ByteView(apple)), 3);
    EXPECT_EQ(lv::buildShotInfoFromHead("a.jpg", lv::ByteView(apple)).note,
              "Data incomplete, stripped by another application");
    std::string none = jpegWith(tiff("NIKON CORPORATION", "NIKON D90", 1, {short1(0x8827, 100)}, nullptr));
    EXPECT_EQ(lv::makerNoteCheck(lv::ByteView(none)), 2);
    std::string own = jpegWith(tiff("NIKON CORPORATION", "NIKON D90", 1, {},
                                    [](uint32_t) { return std::string("Nikon\0\2\x10\0\0", 10) + std::string(30, '\0'); }));
    EXPECT_EQ(lv::makerNoteCheck(lv::ByteView(own)), 1);
    std::string noMake = jpegWith(tiff("", "X", 1, {}, nullptr));
    EXPECT_EQ(lv::makerNoteCheck(lv::ByteView(noMake)), 0);
}

TEST(ShotInfoBuild, ProcessedWithSkipsFirmware) {
    std::string t = tiff("FUJIFILM", "X-T5", 1, {}, nullptr);
    std::string xmp = "<x:xmpmeta><rdf:Description xmp:CreatorTool=\"X-T5 Ver1.10\">"
                      "<xmpMM:History><rdf:Seq><rdf:li stEvt:softwareAgent=\"Adobe Photoshop 25.0\"/>"
                      "<rdf:li stEvt:softwareAgent=\"Capture One &amp; Co\"/></rdf:Seq></xmpMM:History>"
                      "</rdf:Description></x:xmpmeta>";
    EXPECT_EQ(lv::buildShotInfoFromHead("a.jpg", lv::ByteView(jpegWith(t, xmp))).processedWith, "Capture One & Co");
    std::string onlyFirmware = "<rdf:Description xmp:CreatorTool=\"X-T5 Ver1.10\"/>";
    EXPECT_EQ(lv::buildShotInfoFromHead("a.jpg", lv::ByteView(jpegWith(t, onlyFirmware))).processedWith, "");
}

TEST(VendorFrame, RegistryOrderAndAfFraction) {
    size_t n = 0;
    const lv::Vendor* v = lv::vendorTable(&n);
    ASSERT_EQ(n, 11u);
    EXPECT_STREQ(v[0].name, "Panasonic");
    EXPECT_STREQ(v[4].name, "OM System / Olympus");
    EXPECT_STREQ(v[10].name, "Hasselblad");
    EXPECT_EQ(lv::vendorListText().substr(lv::vendorListText().size() - 22), ", Leica and Hasselblad");
    lv::ShotInfo s;
    lv::setAfPointFraction(&s, 0.0, 1.0);
    EXPECT_EQ(s.afPointX, 1);
    EXPECT_EQ(s.afPointY, 1000);
    lv::setAfPointFraction(&s, -3, 0.4999);
    EXPECT_EQ(s.afPointX, 1);
    EXPECT_EQ(s.afPointY, 500);
}

TEST(VendorFrame, MakerNoteFromDngPrivateData) {
    // IFD0 with Make and DNGPrivateData holding a big-endian note originally at offset 1000.
    std::string note = ifd({short1(0x0001, 7)}, 0);
    std::string priv = std::string("Adobe\0MakN", 10) + std::string("\0\0\0\x40", 4) + "II" + std::string("\0\0\x03\xE8", 4) + note;
    std::string out = "II" + u16(42) + u32(8);
    std::vector<Entry> ifd0 = {ascii(0x010F, "PENTAX"), undefined(0xC634, priv)};
    out += ifd(ifd0, 8);
    lv::ExifSummary s;
    lv::ByteView b(out);
    ASSERT_TRUE(lv::readExifSummary(b, -1, &s));
    int64_t base = 0;
    bool le = false;
    int64_t start = lv::makerNoteStart(b, s, &base, &le);
    ASSERT_GT(start, 0);
    EXPECT_TRUE(le);
    EXPECT_EQ(start - base, 1000);
    EXPECT_EQ(lv::readU16(b, start, true), 1);     // one entry
    EXPECT_EQ(lv::readU16(b, start + 2, true), 1);  // tag 0x0001
}

// [SECTION] panel: built-in lenses, rangefinders, files without EXIF
namespace {

lv::ShotInfo build(const std::string& name, const std::string& bytes) { return lv::buildShotInfoFromHead(name, lv::ByteView(bytes)); }

std::string olympusFile(const std::string& model) {
    return tiff("OLYMPUS IMAGING CORP.", model, 1, {rational(0x920A, 161, 10)}, [](uint32_t) {
        return std::string("OLYMPUS\0", 8) + "II" + u16(3) + ifd({short1(0x0104, 0)}, 12);
    });
}
}  // namespace

TEST(ShotPanel, OlympusCompactsHaveAFixedLensAndSystemBodiesDoNot) {
    for (const char* model : {"STYLUS1", "TG-6", "XZ-2", "SH-50", "SP-100EE"}) {
        lv::ShotInfo s = build("P1010001.JPG", olympusFile(model));
        ASSERT_EQ(s.vendor >= 0, true) << model;
        EXPECT_TRUE(s.fixedLens) << model;
    }
    for (const char* model : {"E-P3", "E-M1MarkII", "OM-1", "PEN-F"})
        EXPECT_FALSE(build("P1010001.JPG", olympusFile(model)).fixedLens) << model;
}

// [SECTION] Leica rangefinders without a maker note
TEST(ShotPanel, RangefinderWithoutMakerNoteDoesNotCallItsLensManual) {
    std::string bare = tiff("Leica Camera AG", "LEICA M10", 1, {rational(0x829A, 1, 125)}, nullptr);
    lv::ShotInfo s = build("L1000001.DNG", bare);
    expectFields(s, {"focus=MF (rangefinder)", "lens="});
    for (const std::string& row : lv::shotInfoRows(s)) EXPECT_EQ(row.find("manual or adapted"), std::string::npos) << row;
}

// [SECTION] files whose EXIF gave nothing
TEST(ShotPanel, TiffCutOffInsideItsFirstDirectoryIsReportedAsWithoutExif) {
    // An ORF header and an IFD0 announcing 24 entries of which only a few bytes are present.
    std::string cut = "IIRO" + u32(8) + u16(24) + u16(0x0100) + u16(4) + u32(1);
    lv::ShotInfo s = build("P1010001.ORF", cut);
    EXPECT_EQ(s.note, "No EXIF data found");
    std::vector<std::string> rows = lv::shotInfoRows(s);
    EXPECT_NE(std::find(rows.begin(), rows.end(), "V\tNote\tNo EXIF data found"), rows.end());

    // A directory with only a camera name is EXIF all the same, and gets no such note.
    expectFields(build("IMG_0001.JPG", tiff("Canon", "Canon EOS R5", 1, {}, nullptr)),
                 {"note=", "camera=Canon EOS R5"});
}
