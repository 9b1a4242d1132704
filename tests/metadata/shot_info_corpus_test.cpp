// The shot information of real camera files against what the reference tool read from them
// (the corpus manifest), mapped through each maker's texts: one row of expected fields per file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/pathname.h"
#include "metadata/shot_info.h"
#include "platform/platform.h"
#include "shot_fields.h"
#include "test_support.h"

namespace {

using lv::PhotoMeta;
using lv::ShotInfo;

// One row per file: the expectations on its panel and its quick read.
struct Row {
    const char* file;
    std::vector<std::string> expect;
};
const Row kRows[] = {
    {"files/cr3/exiv2_Canon-R6-pruned.CR3",
     {"camera=Canon EOS R6", "focus=MF", "drive=Continuous, Low", "shutter=2", "wb=Auto (5200 K)", "style=Standard",
      "stab=On", "cameraTemp=38", "exposure=f/25  1/4s  ISO 100  0 EV", "rows!V\tAF area\tOff (Manual Focus)",
      "meta.focus=2", "meta.continuous=1", "meta.shutter=2", "meta.burst=0"}},
    {"files/cr3/filetype_fixture.cr3", {"area^Face + Tracking", "x~0", "frame^1000x", "wb=Manual (6200 K)", "stab=Off"}},
    {"files/jpeg/exiftool_Canon1DmkIII.jpg",
     {"focus=AF-C", "area=Single-point AF", "drive=Continuous, High", "style=Neutral", "firmware=5.3.1", "x~0"}},
    // FocusLocation 6000 4000 2587 2450 on a portrait (orientation 6) shot; the tool reads 44.4 C too.
    {"files/arw/filetype_fixture-sony-zv-e10.arw",
     {"camera=SONY ZV-E10", "focus=AF-C", "stab=On", "dr=Auto", "ambientTemp=34", "batteryTemp=44.4",
      "frame=4000x6000", "point=1551,2587", "meta.focus=1", "meta.orientation=6", "meta.continuous=0"}},
    // The tool reads AFPoint / PrimaryAFPoint "Center" in the three older Nikon bodies.
    {"files/jpeg/mei_Nikon_D90.jpg",
     {"camera=NIKON D90", "focus=AF-A", "count=4044", "firmware=1.00", "stab=Off", "wb=AUTO", "point=501,501"}},
    {"files/jpeg/exiv2_nikon-d70.jpg", {"point=501,501", "iso=200", "meta.iso=200"}},
    {"files/nef/bep_sample.nef", {"point=501,501"}},
    {"files/nef/exiftool_Nikon.nef",
     {"iso=200", "meta.iso=200", "area^Single-point", "count=3619", "processed=Nikon Capture Editor 4.3.1 W"}},
    {"derived/exvjpeg/exiv2_test_issue_2126.jpg",
     {"focus=MF", "stab=On (auto)", "distance=0.15 m", "style=Natural", "level=-10.5 -12.4"}},
    // AFAreas (113,107)-(142,145): 0.5 and 0.494 of the frame.
    {"files/jpeg/mei_Olympus_PEN_E-P3.jpg",
     {"focus=AF-S", "point=501,495", "distance=0.25 m", "areaSize=29x38", "lens=OLYMPUS M.17mm F1.8", "iso=1600",
      "meta.iso=1600", "meta.lens=OLYMPUS M.17mm F1.8"}},
    // Sharpness, colour and noise reduction all at 0: no adjustment.
    {"derived/exvjpeg/exiv2_bug1179a.jpg",
     {"fixed=1", "lens=23mm F2", "style=Provia/Standard", "area^Single Point", "shutter=0", "dr=DR100 (auto)",
      "adjust=", "meta.lens=23mm F2"}},
    // "PENTAX K-3 II Ver. 1.10" is the body's firmware, not processing software.
    {"files/pef/bep_jolstravatnet.pef",
     {"camera=PENTAX K-3 II", "lens=smc PENTAX-DA* 16-50mm F2.8 ED AL [IF] SDM", "focus=AF-S",
      "area=Auto-area (AF point not recorded by the camera)", "x=0", "cameraTemp=11", "sensorTemp=14.5",
      "level=1.5 0.5", "lv=11", "processed=", "count=20897"}},
    // The note sits in IFD0 and its byte-order mark lies, but it is the camera's own.
    {"derived/exvjpeg/exiv2_bug1144b.jpg",
     {"focus=AF-A", "wb=Tungsten", "area=Centre point (size not recorded by the camera)", "x=501", "note=",
      "count=2225"}},
    {"files/jpeg/exiftool_Pentax.jpg", {"count=1648", "area=Select (size not recorded by the camera)", "x=501"}},
    {"derived/exvjpeg/exiv2_HD_Pentax-DA_11-18mm.jpg", {"count=2828", "area=Select", "x=0", "shutter=0"}},
    {"files/jpeg/mei_Sigma_DP1.jpg",
     {"fixed=1", "lens=16.6mm F4", "sensorTemp=28", "focus=AF-S", "area^Centre point", "x=501"}},
    {"files/jpeg/piexif_r_sigma.jpg", {"lens=50mm F2.8 Macro", "fixed=1"}},
    {"derived/exvjpeg/exiv2_PanasonicDMC-ZS7.jpg", {"area^1-area (high speed)", "stab=Mode 2", "fixed=1", "x=501"}},
    // AFAreaMode 16 0 and ImageStabilization 4.
    {"files/rw2/exiftool_Panasonic.rw2", {"vendor=0", "area^1-area", "stab=Mode 2", "fixed=1", "subject="}},
    {"files/jpeg/mei_Leica_T_Typ_701.jpg",
     {"vendor=9", "lens=Vario-Elmar T 1:3.5-5.6 / 18-56 ASPH.", "aperture=f/3.5"}},
    // Cut off before its maker note: the lens is unknown, not manual.
    {"files/dng/filetype_fixture-Leica-M10.dng", {"focus=MF (rangefinder)", "lens="}},
    {"files/jpeg/exiftool_Ricoh2.jpg", {"vendor=3", "firmware=Rev2219", "focus=", "wb=", "drive="}},
    // Fixed lenses of compacts, as their lens section heading and focal length show; not on EOS or pro bodies.
    {"files/jpeg/deb_IMG_1054.JPG",
     {"camera=Canon PowerShot SX530 HS", "rows*H\t7\tLens (fixed)\n", "rows!\nH\t7\tLens\n",
      "rows*V\tFocal length\t14.4mm\n"}},
    {"files/jpeg/piexif_r_olympus.jpg",
     {"camera=OLYMPUS STYLUS1", "rows*H\t7\tLens (fixed)\n", "rows*V\tFocal length\t16.1mm (76mm on FF)\n"}},
    {"files/jpeg/mei_FujiFilm_FinePix_F40fd.jpg", {"camera^FUJIFILM FinePix", "fixed=1"}},
    {"files/jpeg/exiftool_FujiFilm.jpg", {"camera=FUJIFILM FinePix2400Zoom", "fixed=1"}},
    {"files/jpeg/exiv2_fujifilm-finepix-s2pro.jpg", {"camera^FUJIFILM FinePix", "fixed=0"}},
    {"files/raf/exiftool_FujiFilm.raf", {"camera=FUJIFILM FinePix S5Pro", "fixed=0"}},
    // The lens only in the maker note, named without a maker word; AFPointsInFocus 4 is the
    // centre point at (8, 4) of a 3504 x 2336 AF image.
    {"files/cr2/IMG_5952.CR2",
     {"lens=EF-S18-55mm f/3.5-5.6", "fixed=0", "point=503,499", "rows!AF point not recorded"}},
    // Cut off inside its first directory.
    {"files/orf/filetype_fixture.orf", {"note=No EXIF data found"}},
    {"files/jpeg/mei_Canon_EOS_5D.jpg", {"note=Data incomplete, stripped by another application"}},
    {"files/jpeg/exiftool_Apple.jpg", {"note="}},
};

}  // namespace

TEST(CorpusShotInfo, EachFileShowsWhatTheToolRead) {
    std::string dir = lvtest::corpusDir();
    if (dir.empty()) GTEST_SKIP() << "no corpus";
    for (const Row& row : kRows) {
        std::string f = lv::joinPath(dir, row.file, lv::PathStyle::Posix);
        ASSERT_TRUE(lv::pathExists(f)) << row.file << " missing from the corpus";
        ShotInfo s = lv::buildShotInfo(f);
        PhotoMeta m = lv::readPhotoMeta(f);
        lvtest::expectFields(s, m, row.expect, row.file);
    }
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
            ShotInfo s = lv::buildShotInfo(f);
            PhotoMeta m = lv::readPhotoMeta(f);
            EXPECT_EQ(s.fileName, e.name);
            EXPECT_TRUE(!m.valid || !s.exifFound || !lv::shotInfoText(s).empty()) << f;
            EXPECT_TRUE(s.exifFound || s.note == "No EXIF data found") << f;
            files++;
        }
    }
    EXPECT_GT(files, 40);
}
