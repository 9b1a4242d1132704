// Sigma notes: the fixed lens of each DP body, and the AF point text that can name several events.
#include <gtest/gtest.h>

#include "metadata/makernote.h"
#include "metadata/shot_info.h"
#include "mn_builder.h"
#include "test_support.h"

using namespace mnb;

namespace {

lv::ShotInfo build(const std::string& bytes) { return lv::buildShotInfoFromHead("SDIM0001.X3F", lv::ByteView(bytes)); }

std::string sigma(const std::string& model, std::vector<Entry> e) {
    return tiff("SIGMA", model, 1, {}, [e](uint32_t pos) { return std::string("SIGMA\0\0\0\1\0", 10) + ifd(e, pos + 10, 0); });
}

}  // namespace

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
    lv::ShotInfo sd = build(sigma("SIGMA SD1 Merrill", {}));
    EXPECT_FALSE(sd.fixedLens);
    EXPECT_EQ(sd.lensModel, "");
}

TEST(SigmaAf, FirstNamedPointCountsAndOnlyTheCentreIsPlaced) {
    lv::ShotInfo two = build(sigma("SIGMA DP2", {ascii(0x0005, "AF-S"), ascii(0x001F, "Center,Center")}));
    EXPECT_EQ(two.afArea.rfind("Centre point", 0), 0u) << two.afArea;
    EXPECT_EQ(two.afPointX, 501);
    EXPECT_EQ(two.afPointY, 501);
    lv::ShotInfo right = build(sigma("SIGMA DP2", {ascii(0x0005, "AF-S"), ascii(0x001F, "Right,Center")}));
    EXPECT_EQ(right.afArea.find("Centre"), std::string::npos) << right.afArea;
    EXPECT_EQ(right.afPointX, 0);
    // Manual focus places no point.
    lv::ShotInfo mf = build(sigma("SIGMA DP2", {ascii(0x0006, "MF"), ascii(0x001F, "Center")}));
    EXPECT_EQ(mf.focusMode, "MF");
    EXPECT_EQ(mf.afPointX, 0);
}

TEST(SigmaCorpus, DpBodiesAgreeWithTheirRecordedValues) {
    std::string dir = lvtest::corpusDir();
    if (dir.empty()) GTEST_SKIP() << "corpus absent";
    std::string dp1 = lvtest::readFile(dir + "/files/jpeg/mei_Sigma_DP1.jpg");
    std::string dp3 = lvtest::readFile(dir + "/files/jpeg/piexif_r_sigma.jpg");
    ASSERT_FALSE(dp1.empty());
    ASSERT_FALSE(dp3.empty());
    lv::ShotInfo a = build(dp1);
    EXPECT_EQ(a.lensModel, "16.6mm F4");
    EXPECT_EQ(a.focusMode, "AF-S");
    EXPECT_EQ(a.afArea.rfind("Centre point", 0), 0u) << a.afArea;
    lv::ShotInfo c = build(dp3);
    EXPECT_EQ(c.lensModel, "50mm F2.8 Macro");
    EXPECT_TRUE(c.fixedLens);
}
