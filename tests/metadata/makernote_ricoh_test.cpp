// Ricoh notes: the GR and compact bodies' own tag set (focus with its area, white balance,
// effects, ND filter, drive) and the GR III's highlight and shadow correction.
#include <gtest/gtest.h>

#include "metadata/makernote.h"
#include "metadata/shot_info.h"
#include "mn_builder.h"
#include "test_support.h"

using namespace mnb;

namespace {

lv::ShotInfo build(const std::string& bytes) { return lv::buildShotInfoFromHead("R0000001.JPG", lv::ByteView(bytes)); }
lv::PhotoMeta quick(const std::string& bytes) { return lv::readPhotoMetaFromHead(lv::ByteView(bytes)); }

// "Ricoh" and three bytes, then an IFD in the TIFF's order with offsets from the TIFF.
std::string own(const std::string& model, std::vector<Entry> e) {
    return tiff("RICOH IMAGING COMPANY, LTD.", model, 1, {},
                [e](uint32_t pos) { return std::string("Ricoh\0\0\0", 8) + ifd(e, pos + 8, 0); });
}

std::string pentaxStyle(std::vector<Entry> e) {
    return tiff("RICOH IMAGING COMPANY, LTD.", "RICOH GR III", 1, {},
                [e](uint32_t) { return std::string("RICOH\0II", 8) + ifd(e, 8, 0); });
}

Entry bytes(uint16_t tag, const std::vector<int>& v) {
    std::string d;
    for (int x : v) d += char(x);
    return {tag, 7, uint32_t(v.size()), d};
}

}  // namespace

TEST(RicohOwnNote, FocusModeCarriesTheAreaAndTheColourTagsAreRead) {
    std::string pin = own("GR II", {short1(0x1002, 8), short1(0x1003, 11), short1(0x1006, 9), short1(0x1010, 9),
                                    long1(0x1307, 5300), short1(0x1019, 1)});
    lv::ShotInfo s = build(pin);
    EXPECT_EQ(s.vendor, 3);
    EXPECT_EQ(s.focusMode, "AF-S");
    EXPECT_TRUE(s.afArea.rfind("Pinpoint", 0) == 0) << s.afArea;
    EXPECT_EQ(s.whiteBalance, "Kelvin (5300 K)");
    EXPECT_EQ(s.effects, "Hi-Contrast B&W");
    EXPECT_EQ(s.adjustment, "ND filter");
    EXPECT_EQ(s.driveMode, "Continuous");
    EXPECT_EQ(s.lensModel, "GR 18.3mm F2.8");
    lv::PhotoMeta q = quick(pin);
    EXPECT_EQ(q.focusClass, 0);
    EXPECT_TRUE(q.continuousDrive);

    lv::ShotInfo t = build(own("GR", {short1(0x1006, 8), short1(0x1003, 12), short1(0x1019, 0), short1(0x1010, 2)}));
    EXPECT_EQ(t.focusMode, "AF-C");
    EXPECT_TRUE(t.afArea.rfind("Tracking", 0) == 0) << t.afArea;
    EXPECT_EQ(t.whiteBalance, "Shade");
    EXPECT_EQ(t.adjustment, "");  // ND filter off
    EXPECT_EQ(t.effects, "");     // a code without a name shows nothing
    EXPECT_EQ(t.driveMode, "");

    lv::ShotInfo snap = build(own("GR DIGITAL 4", {short1(0x1006, 4)}));
    EXPECT_EQ(snap.focusMode, "MF (Snap)");
    EXPECT_EQ(quick(own("GR DIGITAL 4", {short1(0x1006, 4)})).focusClass, 2);
}

TEST(RicohOwnNote, CompactsReuseTheNumbersWithOtherTypes) {
    // On the Caplio bodies 0x1002 and 0x1003 are LONG values of other meanings.
    lv::ShotInfo s = build(own("Caplio GX100", {long1(0x1002, 1), long1(0x1003, 2), ascii(0x0002, "Rev0113")}));
    EXPECT_EQ(s.driveMode, "");
    EXPECT_EQ(s.whiteBalance, "");
    EXPECT_EQ(s.cameraFirmware, "Rev0113");
    EXPECT_TRUE(s.fixedLens);
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

TEST(RicohCorpus, CaplioNoteGivesFirmwareOnly) {
    std::string dir = lvtest::corpusDir();
    if (dir.empty()) GTEST_SKIP() << "corpus absent";
    std::string bytes = lvtest::readFile(dir + "/files/jpeg/exiftool_Ricoh2.jpg");
    ASSERT_FALSE(bytes.empty());
    lv::ShotInfo s = build(bytes);
    EXPECT_EQ(s.vendor, 3);
    EXPECT_EQ(s.cameraFirmware, "Rev2219");
    EXPECT_EQ(s.focusMode, "");
    EXPECT_EQ(s.whiteBalance, "");
    EXPECT_EQ(s.driveMode, "");
}
