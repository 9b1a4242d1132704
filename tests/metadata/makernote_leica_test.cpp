// Leica's own notes: where each note generation keeps the lens, what a rangefinder's lens code
// means, the estimated aperture, and the value offsets of the notes that count from themselves.
#include <gtest/gtest.h>

#include "metadata/makernote.h"
#include "metadata/shot_info.h"
#include "mn_builder.h"
#include "test_support.h"

using namespace mnb;

namespace {

lv::ShotInfo build(const std::string& bytes) { return lv::buildShotInfoFromHead("L1000001.DNG", lv::ByteView(bytes)); }

// A note of header `head` (8 bytes) whose IFD counts value offsets from `base`: "note" for the
// note's first byte, else the TIFF.
std::function<std::string(uint32_t)> note(const std::string& head, std::vector<Entry> e, bool fromNote) {
    return [head, e, fromNote](uint32_t pos) { return head + ifd(e, pos + 8, fromNote ? pos : 0); };
}

const std::string kM8("LEICA\0\0\0", 8), kM9("LEICA0\x03\0", 8), kT("LEICA\0\x06\0", 8);

}  // namespace

TEST(LeicaLens, EachGenerationKeepsTheLensInItsOwnTag) {
    // M8: the code in 0x0310; 0x0303 there is the body's serial number and must not be read as a lens.
    lv::ShotInfo m8 = build(tiff("Leica Camera AG", "M8 Digital Camera", 1, {rational(0x829D, 56, 10)},
                                 note(kM8, {long1(0x0303, 1234567), long1(0x0310, (30u << 2) | 2)}, false)));
    EXPECT_EQ(m8.vendor, 9);
    EXPECT_EQ(m8.focusMode, "MF (rangefinder)");
    EXPECT_EQ(m8.lensModel, "Summicron-M 1:2/35 ASPH.");
    EXPECT_EQ(m8.apertureText, "f/5.6 (estimated)");
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
    lv::ShotInfo t = build(tiff("LEICA CAMERA AG", "LEICA T (Typ 701)", 1, {rational(0x829D, 35, 10)},
                                note(kT, {ascii(0x0303, "Vario-Elmar T 1:3.5-5.6 / 18-56 ASPH.")}, true)));
    EXPECT_EQ(t.lensModel, "Vario-Elmar T 1:3.5-5.6 / 18-56 ASPH.");
    EXPECT_EQ(t.apertureText, "f/3.5");  // not a rangefinder: its aperture is set, not estimated
    EXPECT_EQ(t.focusMode, "");
}

TEST(LeicaLens, EstimatedMarkNeedsAnAperture) {
    // Without an EXIF f-number there is nothing to mark.
    lv::ShotInfo s = build(tiff("Leica Camera AG", "LEICA M10", 1, {}, nullptr));
    EXPECT_EQ(s.apertureText, "");
    EXPECT_EQ(s.exposureSummary.find("estimated"), std::string::npos);
    lv::ShotInfo z = build(tiff("Leica Camera AG", "LEICA M10", 1, {rational(0x829D, 0, 0)}, nullptr));
    EXPECT_EQ(z.apertureText, "");
    // The summary carries the marked aperture.
    lv::ShotInfo m = build(tiff("Leica Camera AG", "LEICA M11", 1, {rational(0x829D, 40, 10)}, nullptr));
    EXPECT_EQ(m.exposureSummary.rfind("f/4 (estimated)", 0), 0u) << m.exposureSummary;
    // An M in the model must follow "LEICA " as a word: the Monochrom name and others are not M bodies.
    EXPECT_EQ(build(tiff("Leica Camera AG", "LEICA MONOPOD", 1, {rational(0x829D, 40, 10)}, nullptr)).apertureText, "f/4");
}

TEST(LeicaCorpus, TypeSevenOhOneNamesItsLens) {
    std::string dir = lvtest::corpusDir();
    if (dir.empty()) GTEST_SKIP() << "corpus absent";
    std::string t = lvtest::readFile(dir + "/files/jpeg/mei_Leica_T_Typ_701.jpg");
    ASSERT_FALSE(t.empty());
    lv::ShotInfo s = build(t);
    EXPECT_EQ(s.vendor, 9);
    EXPECT_EQ(s.lensModel, "Vario-Elmar T 1:3.5-5.6 / 18-56 ASPH.");
    EXPECT_EQ(s.apertureText, "f/3.5");
    std::string m10 = lvtest::readFile(dir + "/files/dng/filetype_fixture-Leica-M10.dng");
    ASSERT_FALSE(m10.empty());
    lv::ShotInfo r = build(m10);
    EXPECT_EQ(r.focusMode, "MF (rangefinder)");
    EXPECT_EQ(r.lensModel, "");  // cut off before its maker note: the lens is unknown, not manual
}
