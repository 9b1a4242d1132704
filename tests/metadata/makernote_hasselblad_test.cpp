// Hasselblad: the AF record of the text note and the thumbnail reduced from the RGB strip by a
// whole factor chosen from the strip's size.
#include <gtest/gtest.h>

#include "metadata/makernote.h"
#include "metadata/preview.h"
#include "metadata/shot_info.h"
#include "mn_builder.h"
#include "test_support.h"

using namespace mnb;

namespace {

lv::ShotInfo build(const std::string& bytes) { return lv::buildShotInfoFromHead("B0000001.3FR", lv::ByteView(bytes)); }

std::string hasselblad(const std::string& noteText) {
    return tiff("Hasselblad", "X2D 100C", 1, {}, [noteText](uint32_t) { return noteText; });
}

// A 3FR-like TIFF: IFD0 names the maker and holds one uncompressed 8-bit RGB strip of w x h.
std::string rgbStripFile(uint32_t w, uint32_t h) {
    std::vector<Entry> e = {long1(0x0100, w), long1(0x0101, h), shorts(0x0102, {8, 8, 8}), short1(0x0103, 1),
                            short1(0x0106, 2), ascii(0x010F, "Hasselblad"), long1(0x0111, 0), short1(0x0115, 3),
                            long1(0x0116, h), long1(0x0117, w * h * 3)};
    uint32_t dataPos = uint32_t(8 + ifd(e, 8).size());
    dataPos += dataPos & 1;
    e[6] = long1(0x0111, dataPos);
    std::string out = "II" + u16(42) + u32(8) + ifd(e, 8);
    out.resize(dataPos, '\0');
    for (uint32_t i = 0; i < w * h; i++) out += std::string{char(i % 251), char(100), char(200)};
    return out;
}

uint32_t tiffValue(const lv::Bytes& t, uint16_t tag) {
    lv::ByteView v(t);
    int64_t e = lv::findTag(v, lv::readU32(v, 4, true), true, tag);
    return e ? lv::entryValue(v, e, true) : 0;
}

}  // namespace

TEST(HasselbladNote, AfRecordIsShownUnlessItSaysThereIsNone) {
    lv::ShotInfo s = build(hasselblad(std::string("ELECTRONIC SHUTTER\0AF_DEBUG_INFO: CENTER SPOT OK\nMORE", 52)));
    EXPECT_EQ(s.shutterType, 1);
    EXPECT_EQ(s.afArea.rfind("CENTER SPOT OK", 0), 0u) << s.afArea;
    // No AF result: nothing about the area is claimed.
    lv::ShotInfo none = build(hasselblad("AF_DEBUG_INFO: NO VALID AF DATA"));
    EXPECT_EQ(none.afArea.find("NO VALID"), std::string::npos) << none.afArea;
    // Binary bytes after the marker end the text.
    lv::ShotInfo bin = build(hasselblad(std::string("AF_DEBUG_INFO:\x01\x02garbage", 23)));
    EXPECT_EQ(bin.afArea.find("garbage"), std::string::npos) << bin.afArea;
    // A long line is cut.
    lv::ShotInfo lng = build(hasselblad("AF_DEBUG_INFO: " + std::string(200, 'A')));
    EXPECT_EQ(lng.afArea.rfind(std::string(64, 'A'), 0), 0u) << lng.afArea;
    EXPECT_EQ(lng.afArea.find(std::string(65, 'A')), std::string::npos);
}

TEST(HasselbladThumbnail, StripReducedByTheLargestFactorThatStillFillsTheCell) {
    struct Case {
        uint32_t w, h, outW, outH;
    } cases[] = {
        {480, 318, 160, 106},  // factor 3
        {500, 330, 166, 110},  // factor 3 (3.125 and 3.11 round down)
        {960, 400, 320, 133},  // the height limits: factor 3, not 6
        {150, 100, 150, 100},  // smaller than the cell: kept whole
    };
    for (const Case& c : cases) {
        std::string file = rgbStripFile(c.w, c.h);
        lv::PhotoFile pf = lv::photoFromMemory(lv::ByteView(file));
        lv::Bytes t = lv::thumbHasselblad(pf, lv::ByteView(file));
        ASSERT_GT(t.size(), 8u) << c.w;
        EXPECT_EQ(tiffValue(t, 0x0100), c.outW) << c.w << "x" << c.h;
        EXPECT_EQ(tiffValue(t, 0x0101), c.outH) << c.w << "x" << c.h;
        EXPECT_EQ(tiffValue(t, 0x0117), c.outW * c.outH * 3) << c.w << "x" << c.h;
    }
    // Another maker's strip is not Hasselblad's to reduce.
    std::string other = rgbStripFile(480, 318);
    other.replace(other.find("Hasselblad"), 10, "Leaf\0\0\0\0\0\0");
    lv::PhotoFile pf = lv::photoFromMemory(lv::ByteView(other));
    EXPECT_TRUE(lv::thumbHasselblad(pf, lv::ByteView(other)).empty());
}
