// The TIFF/EXIF reading layer on hand-built structures: byte orders, the limits of IFD walking,
// the EXIF summary, the capture serial and the JPEG segment operations.
#include <gtest/gtest.h>

#include "metadata/preview.h"
#include "metadata/tiff.h"
#include "test_support.h"
#include "tiff_builder.h"

using namespace lv;
using lvtest::Tiff;

namespace {

// A JPEG-style TIFF (formatIndex -1: TIFF at offset 0) with the common EXIF fields.
std::string exifTiff(bool le) {
    Tiff t;
    t.le = le;
    int ifd0 = t.addIfd(), exif = t.addIfd();
    t.ascii(ifd0, 0x010F, "Canon");
    t.ascii(ifd0, 0x0110, "Canon EOS R6");
    t.shorts(ifd0, 0x0112, {6});
    t.ifdPointer(ifd0, 0x8769, {exif});
    t.rational(exif, 0x829A, {{1, 250}});
    t.rational(exif, 0x829D, {{28, 10}});
    t.rational(exif, 0x9204, {{uint32_t(-2), 3}}, 10);
    t.rational(exif, 0x920A, {{200, 1}});
    t.shorts(exif, 0x8827, {3200});
    t.shorts(exif, 0x9207, {5});
    t.ascii(exif, 0x9003, "2021:05:12 12:21:21");
    t.ascii(exif, 0x9291, "92");
    t.ascii(exif, 0xA434, "RF70-200mm F2.8 L IS USM");
    t.rational(exif, 0xA432, {{70, 1}, {200, 1}, {28, 10}, {28, 10}});
    t.longs(exif, 0xA002, {6000});
    t.shorts(exif, 0xA003, {4000});
    t.undefined(exif, 0x927C, std::string("MAKERNOTEDATA", 13));
    return t.build();
}

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

TEST(TiffReaders, OutOfRangeReadsGiveZero) {
    std::string b("\x01\x02\x03\x04\x05", 5);
    EXPECT_EQ(readU16(b, 3, true), 0x0504);
    EXPECT_EQ(readU16(b, 4, true), 0);  // one byte short
    EXPECT_EQ(readU16(b, -1, true), 0);
    EXPECT_EQ(readU32(b, 1, false), 0x02030405u);
    EXPECT_EQ(readU32(b, 2, false), 0u);
    EXPECT_EQ(readI16(std::string("\xFF\xFE", 2), 0, false), -2);
    EXPECT_EQ(readByte(b, 5), 0);
    EXPECT_EQ(readU32(b, INT64_MAX - 1, true), 0u);  // no wrap-around
}

TEST(TiffSummary, BothByteOrdersGiveTheSameSummary) {
    for (bool le : {true, false}) {
        std::string buf = exifTiff(le);
        ExifSummary s;
        ASSERT_TRUE(readExifSummary(buf, -1, &s)) << le;
        EXPECT_EQ(s.littleEndian, le);
        EXPECT_EQ(refText(buf, s.make), "Canon");
        EXPECT_EQ(refText(buf, s.model), "Canon EOS R6");
        EXPECT_EQ(refText(buf, s.lensModel), "RF70-200mm F2.8 L IS USM");
        EXPECT_EQ(refText(buf, s.dateTimeOriginal), "2021:05:12 12:21:21");
        EXPECT_EQ(subSecText(buf, s), "92");
        EXPECT_EQ(s.exposureTimeNum, 1u);
        EXPECT_EQ(s.exposureTimeDen, 250u);
        EXPECT_EQ(s.fNumberNum, 28u);
        EXPECT_EQ(s.exposureBiasNum, -2);
        EXPECT_EQ(s.exposureBiasDen, 3);
        EXPECT_EQ(s.focalLengthNum, 200u);
        EXPECT_EQ(s.iso, 3200);
        EXPECT_EQ(s.meteringMode, 5);
        EXPECT_EQ(s.pixelWidth, 6000);
        EXPECT_EQ(s.pixelHeight, 4000);
        EXPECT_DOUBLE_EQ(s.lensSpec[1], 200.0);
        EXPECT_DOUBLE_EQ(s.lensSpec[3], 2.8);
        ASSERT_GT(s.makerNotePos, 0);
        EXPECT_TRUE(bytesAt(buf, s.makerNotePos, "MAKERNOTE"));
        EXPECT_EQ(readOrientation(buf, -1), 6);
        EXPECT_NEAR(captureSerialOf(buf, s), captureSerial("2021:05:12 12:21:21", "92"), 1e-9);
    }
}

TEST(TiffSummary, EntryCountLimit) {
    for (int n : {1024, 1025}) {
        Tiff t;
        int ifd0 = t.addIfd();
        for (int i = 0; i < n - 1; i++) t.shorts(ifd0, uint16_t(0x9000 + i), {1});
        t.shorts(ifd0, 0x0112, {3});  // the last entry
        std::string buf = t.build();
        EXPECT_EQ(readOrientation(buf, -1), n == 1024 ? 3 : 1) << n;
        EXPECT_EQ(ifdEntryCount(buf, 8, true), n == 1024 ? 1024 : 0);
    }
}

TEST(TiffSummary, WalkStopsAtAnEntryOutsideTheBuffer) {
    Tiff t;
    int ifd0 = t.addIfd();
    t.shorts(ifd0, 0x0100, {1});
    t.shorts(ifd0, 0x0112, {8});
    std::string buf = t.build();
    EXPECT_EQ(readOrientation(buf, -1), 8);
    // Cut inside the second entry: the first is still read, the second never.
    std::string cut = buf.substr(0, 8 + 2 + 12 + 11);
    EXPECT_NE(findTag(cut, 8, true, 0x0100), 0);
    EXPECT_EQ(findTag(cut, 8, true, 0x0112), 0);
    EXPECT_EQ(readOrientation(cut, -1), 1);
}

TEST(TiffSummary, ShortAsciiIsInlineLongerIsAtItsOffset) {
    Tiff t;
    int ifd0 = t.addIfd();
    t.ascii(ifd0, 0x010F, "AbC");        // 4 bytes with the NUL: inline
    t.ascii(ifd0, 0x0110, " Model X ");  // 10 bytes: at the offset, trimmed
    std::string buf = t.build();
    ExifSummary s;
    ASSERT_TRUE(readExifSummary(buf, -1, &s));
    EXPECT_EQ(refText(buf, s.make), "AbC");
    EXPECT_EQ(s.make.pos, 8 + 2 + 8);  // the entry's own value field
    EXPECT_EQ(refText(buf, s.model), "Model X");
    EXPECT_EQ(stringValue(buf, 0, findTag(buf, 8, true, 0x010F), true), "AbC");
    EXPECT_EQ(stringValue(buf, 0, findTag(buf, 8, true, 0x0110), true), "Model X");
    EXPECT_EQ(entryDataPos(buf, 0, findTag(buf, 8, true, 0x010F), true), 8 + 2 + 8);
    EXPECT_EQ(entryDataPos(buf, 0, findTag(buf, 8, true, 0x0110), true), int64_t(readU32(buf, 8 + 2 + 12 + 8, true)));
}

TEST(TiffSummary, StringValueCountLimits) {
    Tiff t;
    int ifd0 = t.addIfd();
    t.ascii(ifd0, 0x010F, std::string(63, 'a'));  // count 64
    t.ascii(ifd0, 0x0110, std::string(64, 'b'));  // count 65
    t.ascii(ifd0, 0x0131, "");                    // count 1
    std::string buf = t.build();
    EXPECT_EQ(stringValue(buf, 0, findTag(buf, 8, true, 0x010F), true).size(), 63u);
    EXPECT_EQ(stringValue(buf, 0, findTag(buf, 8, true, 0x0110), true), "");
    EXPECT_EQ(stringValue(buf, 0, findTag(buf, 8, true, 0x0131), true), "");
}

TEST(TiffSummary, RationalMustLieWhollyInsideTheBuffer) {
    Tiff t;
    int ifd0 = t.addIfd(), exif = t.addIfd();
    t.ifdPointer(ifd0, 0x8769, {exif});
    t.rational(exif, 0x829A, {{1, 8000}});  // the last bytes of the TIFF
    std::string buf = t.build();
    ExifSummary s;
    readExifSummary(buf, -1, &s);
    EXPECT_EQ(s.exposureTimeDen, 8000u);
    readExifSummary(buf.substr(0, buf.size() - 1), -1, &s);
    EXPECT_EQ(s.exposureTimeDen, 0u);
    EXPECT_EQ(s.exposureTimeNum, 0u);
}

TEST(TiffSummary, LensSpecificationNeedsFourValues) {
    Tiff t;
    int ifd0 = t.addIfd(), exif = t.addIfd();
    t.ifdPointer(ifd0, 0x8769, {exif});
    t.rational(exif, 0xA432, {{24, 1}, {70, 1}, {28, 10}});
    std::string buf = t.build();
    ExifSummary s;
    readExifSummary(buf, -1, &s);
    for (double v : s.lensSpec) EXPECT_EQ(v, 0.0);
}

TEST(TiffSummary, DateTimeOriginalPrefersTheExifIfd) {
    for (bool inExif : {false, true}) {
        Tiff t;
        int ifd0 = t.addIfd(), exif = t.addIfd();
        t.ascii(ifd0, 0x9003, "2019:01:01 00:00:00");
        t.ifdPointer(ifd0, 0x8769, {exif});
        if (inExif) t.ascii(exif, 0x9003, "2020:02:02 02:02:02");
        std::string buf = t.build();
        ExifSummary s;
        readExifSummary(buf, -1, &s);
        EXPECT_EQ(refText(buf, s.dateTimeOriginal), inExif ? "2020:02:02 02:02:02" : "2019:01:01 00:00:00");
    }
}

TEST(TiffSummary, InlineSubSecondsKeepTheirOrder) {
    Tiff t;
    int ifd0 = t.addIfd(), exif = t.addIfd();
    t.le = false;  // the inline bytes must not be swapped by the byte order
    t.ifdPointer(ifd0, 0x8769, {exif});
    t.ascii(exif, 0x9003, "2020:01:01 00:00:00");
    t.ascii(exif, 0x9291, "25");
    std::string buf = t.build();
    ExifSummary s;
    readExifSummary(buf, -1, &s);
    EXPECT_EQ(s.subSecCount, 3);
    EXPECT_EQ(subSecText(buf, s), "25");
    EXPECT_NEAR(captureSerialOf(buf, s) - captureSerial("2020:01:01 00:00:00", ""), 0.25, 1e-9);
}

TEST(TiffSummary, CorruptInputsGiveNothing) {
    ExifSummary s;
    EXPECT_FALSE(readExifSummary(std::string("II*\0"), -1, &s));
    EXPECT_FALSE(readExifSummary(std::string("II*\0\xF0\xFF\xFF\xFF\0\0\0\0", 12), -1, &s));
    EXPECT_EQ(s.meteringMode, -1);
    // An EXIF pointer far past the end is never followed.
    Tiff t;
    int ifd0 = t.addIfd();
    t.rawEntry(ifd0, 0x8769, 4, 1, 0xFFFFFFF0u);
    std::string buf = t.build();
    EXPECT_TRUE(readExifSummary(buf, -1, &s));
    EXPECT_EQ(s.iso, 0);
    EXPECT_EQ(readOrientation(std::string("garbage!garbage!"), -1), 1);
}

// [SECTION] repeated tags and strictness
TEST(TiffSummary, OnlyTheFirstOfARepeatedTagCounts) {
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
        // The container signatures read Make with findTag: they must name the same camera.
        EXPECT_EQ(stringValue(buf, s.tiffBase, findTag(buf, s.ifd0Pos, le, 0x010F), le), "Nikon") << le;
    }
}

TEST(TiffReaders, NextIfdOfAnEmptyDirectory) {
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

TEST(TiffReaders, OrientationOutsideTheEightRotationsCountsAsUpright) {
    // A value the viewer cannot map to a rotation or flip must not reach it.
    for (uint32_t v : {0u, 1u, 5u, 8u, 9u, 65535u}) {
        Tiff t;
        int ifd0 = t.addIfd();
        t.shorts(ifd0, 0x0112, {v});
        std::string buf = t.build();
        EXPECT_EQ(readOrientation(buf, -1), v >= 1 && v <= 8 ? int(v) : 1) << v;
    }
}

// [SECTION] capture serial
TEST(CaptureSerial, Rule) {
    double base = captureSerial("2000:01:01 00:00:00", "");
    EXPECT_EQ(base, 0.0);  // the epoch itself counts as unknown, like any zero serial
    EXPECT_EQ(captureSerial("2001:01:01 00:00:01", ""), 366 * 86400.0 + 1);  // 2000 was a leap year
    // 2000..2019 hold five leap days, 2020 its own 29 February.
    EXPECT_EQ(captureSerial("2020:03:01 10:20:30", ""), (20 * 365 + 5 + 60) * 86400.0 + 10 * 3600 + 20 * 60 + 30);
    // Around leap days: each pair is (earlier, later, seconds between them).
    const struct {
        const char *a, *b;
        double gap;
    } kLeap[] = {
        {"2008:02:29 10:00:00", "2008:03:01 10:00:00", 86400},
        {"2024:02:29 18:00:00", "2024:03:01 08:00:00", 14 * 3600},
        {"2023:02:28 12:00:00", "2023:03:01 12:00:00", 86400},      // no leap day in 2023
        {"2100:02:28 12:00:00", "2100:03:01 12:00:00", 86400},      // nor in 2100
        {"2023:12:31 23:59:59", "2024:01:01 00:00:00", 1},
        {"2024:12:31 23:59:59", "2025:01:01 00:00:00", 1},
        {"2000:02:29 00:00:00", "2000:03:01 00:00:00", 86400},
    };
    for (const auto& c : kLeap)
        EXPECT_EQ(captureSerial(c.b, "") - captureSerial(c.a, ""), c.gap) << c.a << " .. " << c.b;
    // February 30th is not checked against the month.
    EXPECT_EQ(captureSerial("2020:02:30 00:00:00", "") - captureSerial("2020:02:01 00:00:00", ""), 29 * 86400.0);
    // Fields padded with leading spaces, as some cameras write them.
    EXPECT_EQ(captureSerial("2020:01:01  9:05:07", ""), captureSerial("2020:01:01 09:05:07", ""));
    EXPECT_EQ(captureSerial("1999:12:31 23:59:59", ""), 0.0);
    EXPECT_EQ(captureSerial("2020:13:01 00:00:00", ""), 0.0);
    EXPECT_EQ(captureSerial("2020:01:00 00:00:00", ""), 0.0);
    EXPECT_EQ(captureSerial("2020:01:01", ""), 0.0);
    EXPECT_EQ(captureSerial("    :  :     :  :  ", ""), 0.0);
    double t = captureSerial("2020:01:01 00:00:00", "");
    for (const char* sub : {"5", "50", "500"}) EXPECT_NEAR(captureSerial("2020:01:01 00:00:00", sub) - t, 0.5, 1e-6) << sub;
    // Microsecond texts stay below one second rather than adding minutes.
    EXPECT_NEAR(captureSerial("2020:01:01 00:00:00", "123456") - t, 0.123456, 1e-6);
    EXPECT_EQ(captureSerial("2020:01:01 00:00:00", "xx"), t);
}

// [SECTION] JPEG segments
using lvtest::jpegSegment;

TEST(JpegSegments, ExifAndXmpAreFoundAmongAppSegments) {
    std::string tiff = exifTiff(true);
    std::string xmp = "<x:xmpmeta>rating</x:xmpmeta>";
    std::string j = "\xFF\xD8" + jpegSegment(0xE0, "JFIF") + lvtest::exifApp1(tiff) +
                    jpegSegment(0xE1, std::string(kXmpNamespace) + '\0' + xmp) + jpegSegment(0xDB, "q") + "\xFF\xD9";
    int64_t t = findExifTiff(j, 0);
    ASSERT_GT(t, 0);
    EXPECT_TRUE(bytesAt(j, t, "II*"));
    EXPECT_EQ(findXmpPacket(j, 0), xmp);
    ExifSummary s;
    // As a container, a JPEG's TIFF is located through its APP1.
    EXPECT_EQ(readOrientation(j, 11), 6);
    ASSERT_TRUE(readExifSummary(j, 11, &s));
    EXPECT_EQ(s.tiffBase, t);
    EXPECT_EQ(s.iso, 3200);
}

TEST(JpegSegments, SearchStopsAtTheFirstOtherSegment) {
    std::string exif = lvtest::exifApp1(exifTiff(true));
    std::string j = "\xFF\xD8" + jpegSegment(0xDB, "quant") + exif;
    EXPECT_EQ(findExifTiff(j, 0), -1);
    EXPECT_EQ(findXmpPacket(j, 0), "");
    // Fill bytes before a marker are skipped; a length below 2 ends the search.
    std::string filled = "\xFF\xD8\xFF\xFF" + exif.substr(1);
    EXPECT_GT(findExifTiff(filled, 0), 0);
    std::string bad = std::string("\xFF\xD8\xFF\xE1\x00\x01", 6) + exif;
    EXPECT_EQ(findExifTiff(bad, 0), -1);
    // A segment that claims more than the buffer holds gives no XMP packet.
    std::string cut = "\xFF\xD8" + jpegSegment(0xE1, std::string(kXmpNamespace) + '\0' + "<x/>");
    cut.resize(cut.size() - 2);
    EXPECT_EQ(findXmpPacket(cut, 0), "");
    Segment s = findJpegSegment(std::string("\xFF\xD8", 2), 0, 0xE1, "Exif");
    EXPECT_EQ(s.pos, -1);
}

TEST(JpegSegments, FrameSize) {
    FrameSize f = jpegFrameSize(lvtest::fakeJpeg(1620, 1080, 100, 0xC2), 0);
    EXPECT_EQ(f.marker, 0xC2);
    EXPECT_EQ(f.width, 1620);
    EXPECT_EQ(f.height, 1080);
    std::string real = lvtest::makeJpeg(40, 24);
    f = jpegFrameSize(real, 0);
    EXPECT_EQ(f.width, 40);
    EXPECT_EQ(f.height, 24);
    // Start of scan before any frame header, a DHT marker (0xC4) that is not a frame, truncation.
    EXPECT_EQ(jpegFrameSize(std::string("\xFF\xD8\xFF\xDA\x00\x02", 6), 0).marker, 0);
    std::string dht = std::string("\xFF\xD8\xFF\xC4\x00\x04\x00\x00", 8) + lvtest::fakeJpeg(8, 9).substr(2);
    EXPECT_EQ(jpegFrameSize(dht, 0).width, 8);
    EXPECT_EQ(jpegFrameSize(lvtest::fakeJpeg(10, 10).substr(0, 8), 0).marker, 0);
    EXPECT_EQ(jpegFrameSize(std::string("\xFF\xD8\xFF\xE1\xFF\xFF", 6), 0).marker, 0);
    // An offset into a larger buffer.
    std::string at = "xyz" + lvtest::fakeJpeg(33, 44);
    EXPECT_EQ(jpegFrameSize(at, 3).height, 44);
}
