// The TIFF/EXIF reader and preview locators on files that repeat a tag, and where the reader is
// deliberately stricter or more forgiving than a naive one.
#include <gtest/gtest.h>

#include "metadata/preview.h"
#include "metadata/tiff.h"
#include "test_support.h"
#include "tiff_builder.h"

using namespace lv;
using lvtest::fakeJpeg;
using lvtest::Tiff;

namespace {

// Every field of the summary written twice, the first copy holding the real value. The second
// EXIF IFD pointer leads to an IFD of decoys.
std::string repeatedTags(bool le) {
    Tiff t;
    t.le = le;
    int ifd0 = t.addIfd(), exif = t.addIfd(), decoy = t.addIfd();
    t.ascii(ifd0, 0x010F, "Nikon");
    t.ascii(ifd0, 0x0110, "Z 8");
    t.ascii(ifd0, 0x0131, "Ver.01.00");
    t.ascii(ifd0, 0x9003, "2022:01:01 00:00:00");
    t.ifdPointer(ifd0, 0x8769, {exif});
    t.ascii(ifd0, 0x010F, "Fake");
    t.ascii(ifd0, 0x0110, "Decoy model");
    t.ascii(ifd0, 0x0131, "Decoy software");
    t.ascii(ifd0, 0x9003, "2030:01:01 00:00:00");
    t.ifdPointer(ifd0, 0x8769, {decoy});
    t.shorts(decoy, 0x8827, {12800});

    t.shorts(exif, 0x8827, {400});
    t.shorts(exif, 0x9207, {3});
    t.rational(exif, 0x829A, {{1, 500}});
    t.rational(exif, 0x829D, {{40, 10}});
    t.ascii(exif, 0xA434, "NIKKOR Z 24-120mm f/4 S");
    t.undefined(exif, 0x927C, std::string("FIRSTNOTE", 9));
    t.shorts(exif, 0x8827, {25600});
    t.shorts(exif, 0x9207, {5});
    t.rational(exif, 0x829A, {{1, 8}});
    t.rational(exif, 0x829D, {{220, 10}});
    t.ascii(exif, 0xA434, "Decoy lens");
    t.undefined(exif, 0x927C, std::string("SECONDNOTE", 10));
    return t.build();
}

}  // namespace

TEST(TiffSummaryRepeats, OnlyTheFirstOfARepeatedTagCounts) {
    for (bool le : {true, false}) {
        std::string buf = repeatedTags(le);
        ExifSummary s;
        ASSERT_TRUE(readExifSummary(buf, -1, &s)) << le;
        EXPECT_EQ(refText(buf, s.make), "Nikon") << le;
        EXPECT_EQ(refText(buf, s.model), "Z 8") << le;
        EXPECT_EQ(refText(buf, s.software), "Ver.01.00") << le;
        EXPECT_EQ(s.iso, 400) << le;  // the decoy IFD behind the second pointer is never walked
        EXPECT_EQ(s.meteringMode, 3) << le;
        EXPECT_EQ(s.exposureTimeDen, 500u) << le;
        EXPECT_EQ(s.fNumberNum, 40u) << le;
        EXPECT_EQ(refText(buf, s.lensModel), "NIKKOR Z 24-120mm f/4 S") << le;
        EXPECT_TRUE(bytesAt(buf, s.makerNotePos, "FIRSTNOTE")) << le;
        EXPECT_EQ(s.makerNoteLength, 9u) << le;
        // The EXIF IFD has no date, so the first one of IFD0 stands in.
        EXPECT_EQ(refText(buf, s.dateTimeOriginal), "2022:01:01 00:00:00") << le;
    }
}

TEST(TiffSummaryRepeats, FindTagAndTheSummaryAgreeOnRepeatedTags) {
    // The signatures read Make with findTag; the summary must name the same camera.
    std::string buf = repeatedTags(true);
    ExifSummary s;
    ASSERT_TRUE(readExifSummary(buf, -1, &s));
    int64_t e = findTag(buf, s.ifd0Pos, true, 0x010F);
    ASSERT_GT(e, 0);
    EXPECT_EQ(stringValue(buf, s.tiffBase, e, true), refText(buf, s.make));
}

TEST(TiffReadersStrictness, NextIfdOfAnEmptyDirectory) {
    Tiff t;
    int ifd0 = t.addIfd(), ifd1 = t.addIfd();
    t.ifds[size_t(ifd0)].next = ifd1;  // IFD0 has no entries, only its link
    t.shorts(ifd1, 0x0103, {6});
    std::string buf = t.build();
    int64_t ifd0Pos = readU32(buf, 4, true);
    EXPECT_EQ(ifdEntryCount(buf, ifd0Pos, true), 0);
    EXPECT_EQ(nextIfd(buf, ifd0Pos, true), uint32_t(ifd0Pos + 6));
    // An entry count past the limit hides the link, as does a count that cannot be read.
    std::string big = buf;
    big[size_t(ifd0Pos)] = char(0x01), big[size_t(ifd0Pos) + 1] = char(0x04);  // 1025
    EXPECT_EQ(nextIfd(big, ifd0Pos, true), 0u);
    EXPECT_EQ(nextIfd(buf, int64_t(buf.size()) - 1, true), 0u);
    // Exactly 1024 entries are still a directory: the link after them is read.
    std::string full(2 + 12 * 1024 + 4, '\0');
    full[0] = char(0x00), full[1] = char(0x04);
    full[full.size() - 4] = char(0x78);
    EXPECT_EQ(nextIfd(full, 0, true), 0x78u);
}

TEST(TiffReadersStrictness, OrientationOutsideTheEightRotationsCountsAsUpright) {
    // A value the viewer cannot map to a rotation or flip must not reach it.
    for (uint32_t v : {0u, 1u, 5u, 8u, 9u, 65535u}) {
        Tiff t;
        int ifd0 = t.addIfd();
        t.shorts(ifd0, 0x0112, {v});
        std::string buf = t.build();
        EXPECT_EQ(readOrientation(buf, -1), v >= 1 && v <= 8 ? int(v) : 1) << v;
    }
}
