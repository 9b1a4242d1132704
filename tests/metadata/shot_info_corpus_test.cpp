// The shot information of real camera files against what the reference tool read from them
// (the corpus manifest), mapped through each maker's texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/pathname.h"
#include "metadata/shot_info.h"
#include "platform/platform.h"
#include "test_support.h"

namespace {

std::string corpusFile(const char* rel) {
    std::string dir = lvtest::corpusDir();
    return dir.empty() ? std::string() : lv::joinPath(dir, rel, lv::PathStyle::Posix);
}

#define CORPUS_FILE(var, rel)                                              \
    std::string var = corpusFile(rel);                                     \
    if (var.empty() || !lv::pathExists(var)) GTEST_SKIP() << "no corpus";

bool hasRow(const lv::ShotInfo& s, const std::string& row) {
    for (const std::string& r : lv::shotInfoRows(s))
        if (r == row) return true;
    return false;
}

}  // namespace

TEST(CorpusShotInfo, CanonR6Cr3) {
    CORPUS_FILE(f, "files/cr3/exiv2_Canon-R6-pruned.CR3");
    lv::ShotInfo s = lv::buildShotInfo(f);
    EXPECT_EQ(s.cameraModel, "Canon EOS R6");
    EXPECT_EQ(s.focusMode, "MF");
    EXPECT_EQ(s.driveMode, "Continuous, Low");
    EXPECT_EQ(s.shutterType, 2);
    EXPECT_EQ(s.whiteBalance, "Auto (5200 K)");
    EXPECT_EQ(s.photoStyle, "Standard");
    EXPECT_EQ(s.stabMode, "On");
    ASSERT_TRUE(s.hasCameraTemp);
    EXPECT_EQ(s.cameraTemp, 38);
    EXPECT_EQ(s.exposureSummary, "f/25  1/4s  ISO 100  0 EV");
    EXPECT_FALSE(hasRow(s, "V\tAF area\tOff (Manual Focus)"));  // manual focus hides it
    lv::PhotoMeta m = lv::readPhotoMeta(f);
    EXPECT_TRUE(m.valid);
    EXPECT_EQ(m.focusClass, 2);
    EXPECT_TRUE(m.continuousDrive);
    EXPECT_EQ(m.shutterType, 2);
    EXPECT_EQ(m.burstIndex, 0);
}

TEST(CorpusShotInfo, CanonPortraitCr3HasItsAfPoint) {
    CORPUS_FILE(f, "files/cr3/filetype_fixture.cr3");
    lv::ShotInfo s = lv::buildShotInfo(f);
    EXPECT_EQ(s.afArea.rfind("Face + Tracking", 0), 0u) << s.afArea;
    EXPECT_GT(s.afPointX, 0);
    EXPECT_EQ(s.afFrameWidth, 1000);
    EXPECT_EQ(s.whiteBalance, "Manual (6200 K)");
    EXPECT_EQ(s.stabMode, "Off");
}

TEST(CorpusShotInfo, Canon1DMarkIIIJpeg) {
    CORPUS_FILE(f, "files/jpeg/exiftool_Canon1DmkIII.jpg");
    lv::ShotInfo s = lv::buildShotInfo(f);
    EXPECT_EQ(s.focusMode, "AF-C");
    EXPECT_EQ(s.afArea, "Single-point AF");
    EXPECT_EQ(s.driveMode, "Continuous, High");
    EXPECT_EQ(s.photoStyle, "Neutral");
    EXPECT_EQ(s.cameraFirmware, "5.3.1");
    EXPECT_GT(s.afPointX, 0);
}

TEST(CorpusShotInfo, SonyZvE10Arw) {
    CORPUS_FILE(f, "files/arw/filetype_fixture-sony-zv-e10.arw");
    lv::ShotInfo s = lv::buildShotInfo(f);
    EXPECT_EQ(s.cameraModel, "SONY ZV-E10");
    EXPECT_EQ(s.focusMode, "AF-C");
    EXPECT_EQ(s.stabMode, "On");
    EXPECT_EQ(s.dynamicRange, "Auto");
    ASSERT_TRUE(s.hasAmbientTemp);
    EXPECT_EQ(s.ambientTemp, 34);
    ASSERT_TRUE(s.hasBatteryTemp);
    EXPECT_DOUBLE_EQ(s.batteryTemp, 44.4);  // the tool reads 44.4 C as well
    // FocusLocation 6000 4000 2587 2450 on a portrait (orientation 6) shot.
    EXPECT_EQ(s.afFrameWidth, 4000);
    EXPECT_EQ(s.afFrameHeight, 6000);
    EXPECT_EQ(s.afPointX, 1551);
    EXPECT_EQ(s.afPointY, 2587);
    lv::PhotoMeta m = lv::readPhotoMeta(f);
    EXPECT_EQ(m.focusClass, 1);
    EXPECT_EQ(m.orientation, 6);
    EXPECT_FALSE(m.continuousDrive);
}

TEST(CorpusShotInfo, NikonD90Jpeg) {
    CORPUS_FILE(f, "files/jpeg/mei_Nikon_D90.jpg");
    lv::ShotInfo s = lv::buildShotInfo(f);
    EXPECT_EQ(s.cameraModel, "NIKON D90");
    EXPECT_EQ(s.focusMode, "AF-A");
    EXPECT_EQ(s.shutterCount, "4044");
    EXPECT_EQ(s.cameraFirmware, "1.00");
    EXPECT_EQ(s.stabMode, "Off");
    EXPECT_EQ(s.whiteBalance, "AUTO");
}

TEST(CorpusShotInfo, NikonD70IsoFromTheNote) {
    CORPUS_FILE(f, "files/nef/exiftool_Nikon.nef");
    lv::ShotInfo s = lv::buildShotInfo(f);
    EXPECT_EQ(s.isoText, "200");
    EXPECT_EQ(s.afArea.rfind("Single-point", 0), 0u) << s.afArea;
    EXPECT_EQ(s.shutterCount, "3619");
    EXPECT_EQ(s.processedWith, "Nikon Capture Editor 4.3.1 W");
}

// Bodies that keep ISO or lens only in the maker note: the quick read the filter uses sees what
// the panel shows.
TEST(CorpusShotInfo, QuickReadTakesIsoAndLensFromTheNote) {
    const struct {
        const char* file;
        int iso;
        const char* lens;
    } kCases[] = {
        {"files/jpeg/exiv2_nikon-d70.jpg", 200, nullptr},
        {"files/nef/exiftool_Nikon.nef", 200, nullptr},
        {"files/jpeg/mei_Olympus_PEN_E-P3.jpg", 1600, "OLYMPUS M.17mm F1.8"},
    };
    for (const auto& c : kCases) {
        CORPUS_FILE(f, c.file);
        lv::ShotInfo s = lv::buildShotInfo(f);
        lv::PhotoMeta m = lv::readPhotoMeta(f);
        EXPECT_EQ(s.isoText, std::to_string(c.iso)) << c.file;
        EXPECT_EQ(m.iso, c.iso) << c.file;
        if (c.lens) {
            EXPECT_EQ(s.lensModel, c.lens) << c.file;
            EXPECT_EQ(m.lens, c.lens) << c.file;
        }
    }
}

TEST(CorpusShotInfo, OmSystemOm1) {
    CORPUS_FILE(f, "derived/exvjpeg/exiv2_test_issue_2126.jpg");
    lv::ShotInfo s = lv::buildShotInfo(f);
    EXPECT_EQ(s.focusMode, "MF");
    EXPECT_EQ(s.stabMode, "On (auto)");
    EXPECT_EQ(s.focusDistance, "0.15 m");
    EXPECT_EQ(s.photoStyle, "Natural");
    ASSERT_TRUE(s.hasLevel);
    EXPECT_DOUBLE_EQ(s.roll, -10.5);
    EXPECT_DOUBLE_EQ(s.pitch, -12.4);
}

TEST(CorpusShotInfo, OlympusAfPointFromTheNote) {
    CORPUS_FILE(f, "files/jpeg/mei_Olympus_PEN_E-P3.jpg");
    lv::ShotInfo s = lv::buildShotInfo(f);
    EXPECT_EQ(s.focusMode, "AF-S");
    EXPECT_EQ(s.afPointX, 501);  // 0.5 of the width
    EXPECT_EQ(s.afPointY, 495);  // 0.494 of the height
    EXPECT_EQ(s.focusDistance, "0.25 m");
}

TEST(CorpusShotInfo, FujifilmX100T) {
    CORPUS_FILE(f, "derived/exvjpeg/exiv2_bug1179a.jpg");
    lv::ShotInfo s = lv::buildShotInfo(f);
    EXPECT_TRUE(s.fixedLens);
    EXPECT_EQ(s.lensModel, "23mm F2");
    EXPECT_EQ(s.photoStyle, "Provia/Standard");
    EXPECT_EQ(s.afArea.rfind("Single Point", 0), 0u);
    EXPECT_EQ(s.shutterType, 0);
    EXPECT_EQ(lv::readPhotoMeta(f).lens, "23mm F2");
}

TEST(CorpusShotInfo, PentaxK3IIPef) {
    CORPUS_FILE(f, "files/pef/bep_jolstravatnet.pef");
    lv::ShotInfo s = lv::buildShotInfo(f);
    EXPECT_EQ(s.cameraModel, "PENTAX K-3 II");
    EXPECT_EQ(s.lensModel, "smc PENTAX-DA* 16-50mm F2.8 ED AL [IF] SDM");
    EXPECT_EQ(s.focusMode, "AF-S");
    EXPECT_EQ(s.afArea.rfind("Auto-area", 0), 0u);
    ASSERT_TRUE(s.hasCameraTemp);
    EXPECT_EQ(s.cameraTemp, 11);
    ASSERT_TRUE(s.hasLevel);
    EXPECT_DOUBLE_EQ(s.roll, 1.5);
    EXPECT_DOUBLE_EQ(s.pitch, 0.5);
    ASSERT_TRUE(s.hasLightValue);
    EXPECT_NEAR(s.lightValue, 11.0, 0.05);
    EXPECT_EQ(s.processedWith, "");  // "PENTAX K-3 II Ver. 1.10" is the body's firmware
}

TEST(CorpusShotInfo, PentaxK3NoteWithAWrongByteOrderMark) {
    CORPUS_FILE(f, "derived/exvjpeg/exiv2_bug1144b.jpg");
    lv::ShotInfo s = lv::buildShotInfo(f);
    EXPECT_EQ(s.focusMode, "AF-A");
    EXPECT_EQ(s.whiteBalance, "Tungsten");
    EXPECT_EQ(s.afArea.rfind("Centre point", 0), 0u);
    EXPECT_EQ(s.note, "");  // the note sits in IFD0, but it is the camera's own
}

TEST(CorpusShotInfo, SigmaDp1FixedLensAndSensorTemperature) {
    CORPUS_FILE(f, "files/jpeg/mei_Sigma_DP1.jpg");
    lv::ShotInfo s = lv::buildShotInfo(f);
    EXPECT_TRUE(s.fixedLens);
    EXPECT_EQ(s.lensModel, "16.6mm F4");
    ASSERT_TRUE(s.hasSensorTemp);
    EXPECT_EQ(s.sensorTemp, 28);
    EXPECT_EQ(s.focusMode, "AF-S");
    EXPECT_EQ(s.afPointX, 501);
}

TEST(CorpusShotInfo, PanasonicCompact) {
    CORPUS_FILE(f, "derived/exvjpeg/exiv2_PanasonicDMC-ZS7.jpg");
    lv::ShotInfo s = lv::buildShotInfo(f);
    EXPECT_EQ(s.afArea.rfind("1-area (high speed)", 0), 0u) << s.afArea;
    EXPECT_EQ(s.stabMode, "Mode 2");
    EXPECT_TRUE(s.fixedLens);
    EXPECT_EQ(s.afPointX, 501);
}

TEST(CorpusShotInfo, StrippedAndForeignNotes) {
    CORPUS_FILE(f, "files/jpeg/mei_Canon_EOS_5D.jpg");
    EXPECT_EQ(lv::buildShotInfo(f).note, "Data incomplete, stripped by another application");
    CORPUS_FILE(g, "files/jpeg/exiftool_Apple.jpg");
    EXPECT_EQ(lv::buildShotInfo(g).note, "");
}

// Every photo of the corpus: the panel builds, and whatever has a TIFF header names its camera.
TEST(CorpusShotInfo, EveryFileBuildsAPanel) {
    std::string dir = lvtest::corpusDir();
    if (dir.empty()) GTEST_SKIP() << "no corpus";
    int files = 0;
    for (const char* sub : {"files/arw", "files/cr2", "files/cr3", "files/dng", "files/jpeg", "files/nef", "files/orf",
                            "files/pef", "files/raf", "files/rw2", "files/x3f", "derived/exvjpeg"}) {
        std::string folder = lv::joinPath(dir, sub, lv::PathStyle::Posix);
        std::vector<lv::DirEntry> entries;
        if (lv::listFolder(folder, &entries)) continue;
        for (const lv::DirEntry& e : entries) {
            std::string f = lv::joinPath(folder, e.name, lv::PathStyle::Posix);
            lv::ShotInfo s = lv::buildShotInfo(f);
            lv::PhotoMeta m = lv::readPhotoMeta(f);
            EXPECT_EQ(s.fileName, e.name);
            if (m.valid && s.exifFound) {
                EXPECT_FALSE(lv::shotInfoText(s).empty()) << f;
            }
            if (!s.exifFound) {
                EXPECT_EQ(s.note, "No EXIF data found") << f;
            }
            files++;
        }
    }
    EXPECT_GT(files, 40);
}
