// Fujifilm notes built byte by byte: the AF-C word's bit order and presets, the two D-range
// priority cases, the image adjustments and the AF area of bodies without the AF mode tag.
#include <gtest/gtest.h>

#include "core/pathname.h"
#include "metadata/makernote.h"
#include "metadata/shot_info.h"
#include "mn_builder.h"
#include "platform/platform.h"
#include "test_support.h"

using namespace mnb;

namespace {

lv::ShotInfo build(const std::string& bytes) { return lv::buildShotInfoFromHead("DSCF0001.JPG", lv::ByteView(bytes)); }

// "FUJIFILM", the IFD offset, the IFD: offsets count from the note's start.
std::string fujiFile(const std::vector<Entry>& e, const char* model = "X-T5") {
    return tiff("FUJIFILM", model, 1, {}, [&](uint32_t) { return std::string("FUJIFILM") + u32(12) + ifd(e, 12, 0); });
}
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
    lv::ShotInfo mono = build(fujiFile({short1(0x1003, 0x301), short1(0x1001, 0x00)}));
    EXPECT_EQ(mono.photoStyle, "Monochrome + R");
    EXPECT_EQ(mono.adjustment, "Sharpness -4");
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

TEST(FujifilmCorpus, X100TAutoDynamicRangeAndBuiltInLens) {
    std::string dir = lvtest::corpusDir();
    std::string f = dir.empty() ? std::string() : lv::joinPath(dir, "derived/exvjpeg/exiv2_bug1179a.jpg", lv::PathStyle::Posix);
    if (f.empty() || !lv::pathExists(f)) GTEST_SKIP() << "no corpus";
    lv::ShotInfo s = lv::buildShotInfo(f);
    EXPECT_EQ(s.dynamicRange, "DR100 (auto)");
    EXPECT_EQ(s.lensModel, "23mm F2");
    EXPECT_EQ(s.photoStyle, "Provia/Standard");
    EXPECT_EQ(s.adjustment, "");  // sharpness, colour and NR all at 0
}
