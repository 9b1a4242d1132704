// The shot panel over real and built files: lens sections, AF points and files without EXIF, each
// test holding the camera's bytes and the value a photographer should read.
#include <gtest/gtest.h>

#include "metadata/makernote.h"
#include "metadata/shot_info.h"
#include "mn_builder.h"
#include "test_support.h"

using namespace mnb;

namespace {

lv::ShotInfo build(const std::string& name, const std::string& bytes) {
    return lv::buildShotInfoFromHead(name, lv::ByteView(bytes));
}

std::string canonFile(const std::string& model, std::vector<Entry> note) {
    return tiff("Canon", model, 1, {rational(0x829A, 1, 250), rational(0x829D, 28, 10), short1(0x8827, 400)},
                [&](uint32_t pos) { return ifd(note, pos); });
}

bool hasLine(const std::vector<std::string>& rows, const std::string& line) {
    for (const std::string& r : rows)
        if (r == line) return true;
    return false;
}

}  // namespace

// [SECTION] Canon lens name and built-in lenses
TEST(ShotPanelLens, CanonMakerNoteLensIsNamedAsTheBodiesWriteItIntoExif) {
    // An EOS 30D keeps the lens only in its maker note; an EOS 6D writes the same text to EXIF
    // LensModel without a maker word. Both photos must carry one lens name for the lens filter.
    std::string old = canonFile("Canon EOS 30D", {ascii(0x0095, "EF-S18-55mm f/3.5-5.6")});
    lv::ShotInfo s = build("IMG_5952.CR2", old);
    EXPECT_EQ(s.lensModel, "EF-S18-55mm f/3.5-5.6");
    EXPECT_EQ(lv::readPhotoMetaFromHead(lv::ByteView(old)).lens, "EF-S18-55mm f/3.5-5.6");

    // A third-party lens reports its own name; putting "Canon" before it would be false.
    lv::ShotInfo sigma = build("IMG_0002.CR2", canonFile("Canon EOS 7D", {ascii(0x0095, "17-50mm")}));
    EXPECT_EQ(sigma.lensModel, "17-50mm");
}

TEST(ShotPanelLens, CanonCompactsHaveAFixedLensAndEosBodiesDoNot) {
    std::vector<Entry> note = {shorts(0x0001, {0, 0, 0, 0, 0, 0, 0, 0})};
    for (const char* model : {"Canon PowerShot SX530 HS", "Canon DIGITAL IXUS 80 IS", "Canon IXY 650",
                              "Canon PowerShot ELPH 360 HS"}) {
        lv::ShotInfo s = build("IMG_0001.JPG", canonFile(model, note));
        EXPECT_TRUE(s.fixedLens) << model;
    }
    lv::ShotInfo eos = build("IMG_0001.CR2", canonFile("Canon EOS R5", note));
    EXPECT_FALSE(eos.fixedLens);
}

TEST(ShotPanelLens, PowerShotSampleShowsItsLensSectionAsFixed) {
    std::string dir = lvtest::corpusDir();
    if (dir.empty()) GTEST_SKIP() << "sample files absent";
    lv::ShotInfo s = lv::buildShotInfo(dir + "/files/jpeg/deb_IMG_1054.JPG");
    ASSERT_EQ(s.cameraModel, "Canon PowerShot SX530 HS");
    std::vector<std::string> rows = lv::shotInfoRows(s);
    EXPECT_TRUE(hasLine(rows, "H\t7\tLens (fixed)"));
    EXPECT_FALSE(hasLine(rows, "H\t7\tLens"));
    EXPECT_TRUE(hasLine(rows, "V\tFocal length\t14.4mm"));
}

TEST(ShotPanelLens, OldCanonRawShowsTheMakerNoteLensWithoutAMakerWord) {
    std::string dir = lvtest::corpusDir();
    if (dir.empty()) GTEST_SKIP() << "sample files absent";
    lv::ShotInfo s = lv::buildShotInfo(dir + "/files/cr2/IMG_5952.CR2");
    EXPECT_EQ(s.lensModel, "EF-S18-55mm f/3.5-5.6");
    EXPECT_FALSE(s.fixedLens);
}

// [SECTION] Olympus built-in lenses
namespace {
std::string olympusFile(const std::string& model) {
    return tiff("OLYMPUS IMAGING CORP.", model, 1, {rational(0x920A, 161, 10)}, [](uint32_t) {
        return std::string("OLYMPUS\0", 8) + "II" + u16(3) + ifd({short1(0x0104, 0)}, 12);
    });
}
}  // namespace

TEST(ShotPanelLens, OlympusCompactsHaveAFixedLensAndSystemBodiesDoNot) {
    for (const char* model : {"STYLUS1", "TG-6", "XZ-2", "SH-50", "SP-100EE"}) {
        lv::ShotInfo s = build("P1010001.JPG", olympusFile(model));
        ASSERT_EQ(s.vendor >= 0, true) << model;
        EXPECT_TRUE(s.fixedLens) << model;
    }
    for (const char* model : {"E-P3", "E-M1MarkII", "OM-1", "PEN-F"})
        EXPECT_FALSE(build("P1010001.JPG", olympusFile(model)).fixedLens) << model;
}

TEST(ShotPanelLens, OlympusStylusSampleShowsItsLensSectionAsFixed) {
    std::string dir = lvtest::corpusDir();
    if (dir.empty()) GTEST_SKIP() << "sample files absent";
    lv::ShotInfo s = lv::buildShotInfo(dir + "/files/jpeg/piexif_r_olympus.jpg");
    ASSERT_EQ(s.cameraModel, "OLYMPUS STYLUS1");
    std::vector<std::string> rows = lv::shotInfoRows(s);
    EXPECT_TRUE(hasLine(rows, "H\t7\tLens (fixed)"));
    EXPECT_TRUE(hasLine(rows, "V\tFocal length\t16.1mm (76mm on FF)"));
}

// [SECTION] Leica rangefinders without a maker note
TEST(ShotPanelLens, RangefinderWithoutMakerNoteDoesNotCallItsLensManual) {
    std::string bare = tiff("Leica Camera AG", "LEICA M10", 1, {rational(0x829A, 1, 125)}, nullptr);
    lv::ShotInfo s = build("L1000001.DNG", bare);
    EXPECT_EQ(s.focusMode, "MF (rangefinder)");
    EXPECT_EQ(s.lensModel, "");
    for (const std::string& row : lv::shotInfoRows(s)) EXPECT_EQ(row.find("manual or adapted"), std::string::npos) << row;
}

// [SECTION] files whose EXIF gave nothing
TEST(ShotPanelLens, TiffCutOffInsideItsFirstDirectoryIsReportedAsWithoutExif) {
    // An ORF header and an IFD0 announcing 24 entries of which only a few bytes are present.
    std::string cut = "IIRO" + u32(8) + u16(24) + u16(0x0100) + u16(4) + u32(1);
    lv::ShotInfo s = build("P1010001.ORF", cut);
    EXPECT_EQ(s.note, "No EXIF data found");
    std::vector<std::string> rows = lv::shotInfoRows(s);
    EXPECT_TRUE(hasLine(rows, "V\tNote\tNo EXIF data found"));

    // A directory with only a camera name is EXIF all the same, and gets no such note.
    lv::ShotInfo named = build("IMG_0001.JPG", tiff("Canon", "Canon EOS R5", 1, {}, nullptr));
    EXPECT_EQ(named.note, "");
    EXPECT_EQ(named.cameraModel, "Canon EOS R5");
}

TEST(ShotPanelLens, CutOffOrfSampleSaysItHasNoExif) {
    std::string dir = lvtest::corpusDir();
    if (dir.empty()) GTEST_SKIP() << "sample files absent";
    lv::ShotInfo s = lv::buildShotInfo(dir + "/files/orf/filetype_fixture.orf");
    EXPECT_EQ(s.note, "No EXIF data found");
}

// [SECTION] FinePix compacts
TEST(ShotPanelLens, FinePixCompactsHaveAFixedLensAndProBodiesDoNot) {
    std::string dir = lvtest::corpusDir();
    if (dir.empty()) GTEST_SKIP() << "sample files absent";
    struct Case {
        const char* file;
        bool fixed;
    } cases[] = {{"/files/jpeg/mei_FujiFilm_FinePix_F40fd.jpg", true},
                 {"/files/jpeg/exiftool_FujiFilm.jpg", true},  // FinePix2400Zoom
                 {"/files/jpeg/exiv2_fujifilm-finepix-s2pro.jpg", false},
                 {"/files/raf/exiftool_FujiFilm.raf", false}};  // FinePix S5Pro
    for (const Case& c : cases) {
        lv::ShotInfo s = lv::buildShotInfo(dir + c.file);
        ASSERT_TRUE(s.cameraModel.rfind("FUJIFILM FinePix", 0) == 0) << c.file << ": " << s.cameraModel;
        EXPECT_EQ(s.fixedLens, c.fixed) << c.file;
    }
}

// [SECTION] Canon AF points of the bodies before AFInfo2
namespace {
// AFInfo (0x0012): count, valid, image size twice, one point size, X positions, Y positions, mask.
Entry afInfo(const std::vector<std::pair<int, int>>& pts, uint32_t inFocus, int W = 3504, int H = 2336) {
    std::vector<int> v = {int(pts.size()), int(pts.size()), W, H, W, H, 78, 78};
    for (const auto& p : pts) v.push_back(p.first);
    for (const auto& p : pts) v.push_back(p.second);
    for (size_t i = 0; i < (pts.size() + 15) / 16; i++) v.push_back(int((inFocus >> (16 * i)) & 0xFFFF));
    return shorts(0x0012, v);
}
}  // namespace

TEST(ShotPanelLens, OlderCanonBodiesGiveTheirInFocusPointFromAfInfo) {
    // Left, centre and top points; the top one (Y is upwards) in focus.
    std::vector<std::pair<int, int>> pts = {{-931, 4}, {8, 4}, {8, 504}};
    lv::ShotInfo s = build("IMG_0001.CR2", canonFile("Canon EOS 30D", {afInfo(pts, 0x4)}));
    EXPECT_EQ(s.afFrameWidth, 1000);
    EXPECT_EQ(s.afPointX, 503);  // (1752 + 8) / 3504 = 0.5023
    EXPECT_EQ(s.afPointY, 285);  // (1168 - 504) / 2336 = 0.2842
    EXPECT_NEAR(s.afAreaWidth, 78.0 / 3504, 1e-9);
    EXPECT_NEAR(s.afAreaHeight, 78.0 / 2336, 1e-9);
    EXPECT_EQ(s.afArea, "");  // the camera recorded its point: no note says otherwise

    // No point in focus (manual focus, or focus not found): nothing to place, and the note stays.
    lv::ShotInfo none = build("IMG_0002.CR2", canonFile("Canon EOS 30D", {afInfo(pts, 0)}));
    EXPECT_EQ(none.afPointX, 0);
    EXPECT_EQ(none.afArea, "(AF point not recorded by the camera)");

    // A short array is not read past its end.
    std::vector<Entry> cut = {shorts(0x0012, {3, 3, 3504, 2336, 3504, 2336, 78, 78, -931, 8})};
    EXPECT_EQ(build("IMG_0003.CR2", canonFile("Canon EOS 30D", cut)).afPointX, 0);
}

TEST(ShotPanelLens, EosThirtyDSampleShowsItsCentrePoint) {
    std::string dir = lvtest::corpusDir();
    if (dir.empty()) GTEST_SKIP() << "sample files absent";
    // The tool reads AFPointsInFocus 4: the centre point at (8, 4) of a 3504 x 2336 AF image.
    lv::ShotInfo s = lv::buildShotInfo(dir + "/files/cr2/IMG_5952.CR2");
    EXPECT_EQ(s.afPointX, 503);
    EXPECT_EQ(s.afPointY, 499);
    for (const std::string& row : lv::shotInfoRows(s)) EXPECT_EQ(row.find("AF point not recorded"), std::string::npos);
}
