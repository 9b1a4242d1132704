// Container recognition and preview location on hand-built containers of every kind.
#include <gtest/gtest.h>

#include "metadata/makernote.h"
#include "metadata/preview.h"
#include "platform/platform.h"
#include "test_support.h"
#include "tiff_builder.h"

using namespace lv;
using lvtest::be32;
using lvtest::fakeJpeg;
using lvtest::le32;
using lvtest::Tiff;

namespace {

enum { k3fr, kDng, kOrf, kArw, kCr2, kCr3, kNef, kPef, kRaf, kRw2, kX3f, kJpeg };

std::string str(const Bytes& b) { return std::string(b.begin(), b.end()); }

PreviewResult previewOf(const std::string& file) {
    PhotoFile f = photoFromMemory(file);
    return extractPreviewFrom(f);
}

FrameSize sizeOf(const PreviewResult& r) { return jpegFrameSize(r.preview, 0); }

// A JPEG with an EXIF APP1 holding tiff in front of the rest of jpeg.
std::string app1Jpeg(const std::string& tiff, const std::string& jpeg) { return lvtest::withSegments(jpeg, lvtest::exifApp1(tiff)); }

// A NEF: IFD0 with a JPEG of the first size, SubIFDs with the others.
std::string nef(std::vector<std::pair<int, int>> sizes, std::vector<std::pair<int, int>> makerNote = {}) {
    Tiff t;
    int ifd0 = t.addIfd();
    t.ascii(ifd0, 0x010F, "NIKON CORPORATION");
    t.shorts(ifd0, 0x0103, {6});
    t.jpegTags(ifd0, t.addBlob(fakeJpeg(sizes[0].first, sizes[0].second, 3000)));
    std::vector<int> subs;
    for (size_t i = 1; i < sizes.size(); i++) {
        int s = t.addIfd();
        subs.push_back(s);
        t.shorts(s, 0x0103, {6});
        t.jpegTags(s, t.addBlob(fakeJpeg(sizes[i].first, sizes[i].second, 3000)));
    }
    int cfa = t.addIfd();  // the raw data, never a candidate
    subs.push_back(cfa);
    t.shorts(cfa, 0x0103, {7});
    t.shorts(cfa, 0x0106, {32803});
    t.jpegTags(cfa, t.addBlob(fakeJpeg(9000, 6000, 3000)));
    t.ifdPointer(ifd0, 0x014A, subs);
    if (!makerNote.empty()) {
        Tiff mn;  // the Nikon note's own TIFF, offsets relative to its header
        mn.le = false;
        int m0 = mn.addIfd(), pv = mn.addIfd();
        mn.ifdPointer(m0, 0x0011, {pv});
        mn.shorts(pv, 0x0103, {6});
        mn.jpegTags(pv, mn.addBlob(fakeJpeg(makerNote[0].first, makerNote[0].second, 2500)));
        int exif = t.addIfd();
        t.ifdPointer(ifd0, 0x8769, {exif});
        t.undefined(exif, 0x927C, std::string("Nikon\0\x02\x10\0\0", 10) + mn.build());
    }
    return t.build();
}

}  // namespace

TEST(Containers, TableOrderAndLabels) {
    const char* labels[] = {"3FR/FFF", "DNG", "ORF", "ARW/ARQ", "CR2", "CR3", "NEF/NRW", "PEF", "RAF", "RW2/RWL", "X3F", "JPEG"};
    ASSERT_EQ(containerCount(), 12);
    for (int i = 0; i < 12; i++) EXPECT_STREQ(containerLabel(i), labels[i]);
    EXPECT_STREQ(containerLabel(-1), "");
}

TEST(Containers, HasselbladBodiesBuiltBySony) {
    auto build = [](const char* model, bool uniqueModel) {
        Tiff t;
        int ifd0 = t.addIfd();
        t.ascii(ifd0, 0x010F, "Hasselblad");
        t.ascii(ifd0, 0x0110, model);
        t.jpegTags(ifd0, t.addBlob(fakeJpeg(1600, 1067, 2000)));
        if (uniqueModel) t.ascii(ifd0, 0xC614, "Hasselblad X1D");
        return t.build();
    };
    EXPECT_EQ(identifyContainer(build("Lunar", false)), kArw);
    EXPECT_EQ(identifyContainer(build("Stellar II", false)), kArw);
    EXPECT_EQ(identifyContainer(build("Lunar", true)), k3fr);
    EXPECT_EQ(identifyContainer(build("X1D", false)), -1);
}

TEST(Containers, Signatures) {
    Tiff nikon;
    nikon.ascii(nikon.addIfd(), 0x010F, "NIKON");
    EXPECT_EQ(identifyContainer(nikon.build()), kNef);
    Tiff nikonish;
    nikonish.ascii(nikonish.addIfd(), 0x010F, "NIKONX");
    EXPECT_EQ(identifyContainer(nikonish.build()), -1);
    Tiff dng;
    int d0 = dng.addIfd();
    dng.ascii(d0, 0x010F, "NIKON");
    dng.rawEntry(d0, 0xC612, 1, 4, 0x00000401);
    EXPECT_EQ(identifyContainer(dng.build()), kDng);
    Tiff pef;
    pef.le = false;
    pef.ascii(pef.addIfd(), 0x0110, "PENTAX K-3");
    EXPECT_EQ(identifyContainer(pef.build()), kPef);
    Tiff cr2;
    cr2.afterHeader = std::string("CR\x02\0\0\0\0\0", 8);
    cr2.ascii(cr2.addIfd(), 0x010F, "Canon");
    EXPECT_EQ(identifyContainer(cr2.build()), kCr2);
    Tiff orf;
    orf.magic = 0x4F52;
    orf.addIfd();
    orf.shorts(0, 0x0100, {1});
    EXPECT_EQ(identifyContainer(orf.build()), kOrf);
    Tiff rw2;
    rw2.magic = 0x55;
    rw2.shorts(rw2.addIfd(), 0x0100, {1});
    EXPECT_EQ(identifyContainer(rw2.build()), kRw2);
    EXPECT_EQ(identifyContainer(std::string("FUJIFILMCCD-RAW ") + std::string(80, '\0')), kRaf);
    EXPECT_EQ(identifyContainer(std::string("FUJIFILMCCD-RAW ") + std::string(70, '\0')), -1);  // under 92 bytes
    EXPECT_EQ(identifyContainer(std::string("\0\0\0\x18" "ftypcrx ", 12)), kCr3);
    EXPECT_EQ(identifyContainer(std::string("FOVb") + std::string(24, '\0')), kX3f);
    EXPECT_EQ(identifyContainer(std::string("\xFF\xD8", 2)), kJpeg);
    EXPECT_EQ(identifyContainer(std::string("\xFF")), -1);
    EXPECT_EQ(identifyContainer(std::string("II*\0\0\0\0\0", 8)), -1);
}

TEST(Preview, NefChoosesTheSmallestLargeEnoughCandidate) {
    PreviewResult r = previewOf(nef({{160, 120}, {1620, 1080}, {6048, 4024}}));
    EXPECT_EQ(r.formatIndex, kNef);
    EXPECT_EQ(sizeOf(r).width, 1620);
    EXPECT_EQ(sizeOf(r).height, 1080);
    // None large enough: the largest wins.
    r = previewOf(nef({{640, 424}, {1024, 680}}));
    EXPECT_EQ(sizeOf(r).width, 1024);
    // The maker-note preview competes like the others.
    r = previewOf(nef({{160, 120}, {6048, 4024}}, {{1920, 1280}}));
    EXPECT_EQ(sizeOf(r).width, 1920);
    EXPECT_EQ(r.picked.source, "maker-note PreviewIFD");
    r = previewOf(nef({{160, 120}}, {{640, 424}}));
    EXPECT_EQ(sizeOf(r).width, 640);
}

TEST(Preview, ArwLengthLimits) {
    const uint64_t lengths[] = {1024, 1023, (16u << 20) + 1, 16u << 20};
    const bool found[] = {true, false, false, true};
    // Past the limit the container rule refuses it; the last-resort scan then finds the JPEG.
    const char* via[] = {"IFD0 JPEGInterchangeFormat", "", "fallback scan", "IFD0 JPEGInterchangeFormat"};
    for (int i = 0; i < 4; i++) {
        Tiff t;
        int ifd0 = t.addIfd();
        t.ascii(ifd0, 0x010F, "SONY");
        t.jpegTags(ifd0, t.addBlob(fakeJpeg(1616, 1080, size_t(lengths[i]))));
        PreviewResult r = previewOf(t.build());
        EXPECT_EQ(r.formatIndex, kArw);
        // 1023 bytes also fail the fallback scan: the JPEG ends before 199,999.
        EXPECT_EQ(r.picked.source, via[i]) << lengths[i];
        EXPECT_EQ(!r.preview.empty(), found[i] || i == 2) << lengths[i];
        if (found[i]) {
            EXPECT_EQ(r.preview.size(), lengths[i]);
        }
    }
}

TEST(Preview, ResultMustStartWithSoi) {
    Tiff t;
    int ifd0 = t.addIfd();
    t.ascii(ifd0, 0x010F, "SONY");
    std::string notJpeg = fakeJpeg(100, 100, 4000);
    notJpeg[1] = 'X';
    t.jpegTags(ifd0, t.addBlob(notJpeg));
    EXPECT_TRUE(previewOf(t.build()).preview.empty());
}

TEST(Preview, TinyFiles) {
    EXPECT_TRUE(previewOf(std::string("\xFF\xD8", 2) + std::string(13, 'x')).preview.empty());  // 15 bytes
    std::string j16 = std::string("\xFF\xD8", 2) + std::string(14, 'x');
    EXPECT_EQ(str(previewOf(j16).preview), j16);
    PreviewResult r = previewOf("");
    EXPECT_TRUE(r.preview.empty());
    EXPECT_TRUE(r.head.empty());
}

TEST(Preview, RafHeaderOffsetLimit) {
    for (uint32_t off : {91u, 92u, 200u}) {
        std::string jpeg = fakeJpeg(1920, 1280, 5000);
        std::string f = "FUJIFILMCCD-RAW 0201FF129502";
        f.resize(84, '\0');
        f += be32(off) + be32(uint32_t(jpeg.size()));
        f.resize(off, '\0');
        f += jpeg;
        PreviewResult r = previewOf(f);
        EXPECT_EQ(r.formatIndex, kRaf);
        EXPECT_EQ(r.preview.empty(), off == 91) << off;
    }
}

TEST(Preview, IfdChainThatPointsBackwardsEnds) {
    Tiff t;
    int ifd0 = t.addIfd(), ifd1 = t.addIfd();
    t.ascii(ifd0, 0x0110, "PENTAX K-1");
    t.ifds[size_t(ifd0)].next = ifd1;
    t.ifds[size_t(ifd1)].next = ifd0;  // a loop
    t.shorts(ifd1, 0x0103, {6});
    t.jpegTags(ifd1, t.addBlob(fakeJpeg(720, 480, 5000)));
    PreviewResult r = previewOf(t.build());
    EXPECT_EQ(r.formatIndex, kPef);
    EXPECT_EQ(sizeOf(r).width, 720);
}

TEST(Preview, PefTakesTheLongestJpegOfTheChain) {
    Tiff t;
    int ifd0 = t.addIfd(), ifd1 = t.addIfd(), ifd2 = t.addIfd();
    t.ascii(ifd0, 0x0110, "PENTAX K-3 Mark III");
    t.ifds[0].next = ifd1;
    t.ifds[1].next = ifd2;
    t.shorts(ifd1, 0x0103, {6});
    t.jpegTags(ifd1, t.addBlob(fakeJpeg(160, 120, 3000)));
    t.shorts(ifd2, 0x0103, {6});
    t.longs(ifd2, 0x0111, {0});
    t.ifds[2].entries.back().blobRef = t.addBlob(fakeJpeg(6000, 4000, 9000));
    t.longs(ifd2, 0x0117, {9000});
    PreviewResult r = previewOf(t.build());
    EXPECT_EQ(sizeOf(r).width, 6000);
    EXPECT_EQ(r.preview.size(), 9000u);
}

TEST(Preview, DngLargestJpegIfdAndSmallThumbnail) {
    Tiff t;
    int ifd0 = t.addIfd(), s1 = t.addIfd(), s2 = t.addIfd(), s3 = t.addIfd();
    t.rawEntry(ifd0, 0xC612, 1, 4, 0x00000401);
    t.longs(ifd0, 0x00FE, {1});
    t.shorts(ifd0, 0x0103, {7});
    t.longs(ifd0, 0x0100, {256});
    t.longs(ifd0, 0x0101, {171});
    t.jpegTags(ifd0, t.addBlob(fakeJpeg(256, 171, 3000)));
    t.ifdPointer(ifd0, 0x014A, {s1, s2, s3});
    t.shorts(s1, 0x0103, {7});
    t.shorts(s1, 0x0106, {34892});  // linear raw: never a preview
    t.longs(s1, 0x0100, {8000});
    t.longs(s1, 0x0101, {6000});
    t.jpegTags(s1, t.addBlob(fakeJpeg(8000, 6000, 3000)));
    t.shorts(s2, 0x0103, {7});
    t.longs(s2, 0x0100, {1024});
    t.longs(s2, 0x0101, {683});
    t.longs(s2, 0x0111, {0});
    t.ifds[size_t(s2)].entries.back().blobRef = t.addBlob(fakeJpeg(1024, 683, 3000));
    t.longs(s2, 0x0117, {3000});
    t.shorts(s3, 0x0103, {7});
    t.longs(s3, 0x0100, {0});  // no size: not a JPEG IFD
    t.longs(s3, 0x0101, {4000});
    t.jpegTags(s3, t.addBlob(fakeJpeg(6000, 4000, 3000)));
    std::string file = t.build();
    PreviewResult r = previewOf(file);
    EXPECT_EQ(r.formatIndex, kDng);
    EXPECT_EQ(sizeOf(r).width, 1024);

    lvtest::TempDir dir;
    ASSERT_TRUE(lvtest::writeFile(dir.file("a.dng"), file));
    Bytes thumb = extractThumbnail(dir.file("a.dng"));
    EXPECT_EQ(jpegFrameSize(thumb, 0).width, 256);
}

TEST(Preview, Cr2Strip) {
    Tiff t;
    t.afterHeader = std::string("CR\x02\0\0\0\0\0", 8);
    int ifd0 = t.addIfd();
    t.ascii(ifd0, 0x010F, "Canon");
    t.longs(ifd0, 0x0111, {0});
    t.ifds[0].entries.back().blobRef = t.addBlob(fakeJpeg(1728, 1152, 5000));
    t.longs(ifd0, 0x0117, {5000});
    PreviewResult r = previewOf(t.build());
    EXPECT_EQ(r.formatIndex, kCr2);
    EXPECT_EQ(sizeOf(r).width, 1728);
    EXPECT_EQ(r.picked.source, "IFD0 strip");
}

// [SECTION] CR3
namespace {

std::string box(const char* type, const std::string& content) { return be32(uint32_t(content.size() + 8)) + type + content; }
std::string box64(const char* type, const std::string& content, uint32_t high = 0) {
    return be32(1) + type + be32(high) + be32(uint32_t(content.size() + 16)) + content;
}
const std::string kUuidPrvw("\xea\xf4\x2b\x5e\x1c\x98\x4b\x88\xb9\xfb\xb7\xdc\x40\x6e\x4d\x16", 16);
const std::string kUuidCanon("\x85\xc0\xb6\x87\x82\x0f\x11\xe0\x81\x11\xf4\xce\x46\x2b\x6a\x48", 16);

// With trackOne, the first track's sample (the full-size JPEG) follows in an mdat box.
std::string cr3(bool moov64, uint32_t moovHigh = 0, bool trackOne = false) {
    Tiff cmt1;
    int a = cmt1.addIfd();
    cmt1.ascii(a, 0x010F, "Canon");
    cmt1.ascii(a, 0x0110, "Canon EOS R5");
    cmt1.shorts(a, 0x0112, {8});
    Tiff cmt2;  // the EXIF block, in the other byte order
    cmt2.le = false;
    int e = cmt2.addIfd();
    cmt2.shorts(e, 0x8827, {1600});
    cmt2.ascii(e, 0x9003, "2022:07:01 10:00:00");
    cmt2.ascii(e, 0xA434, "RF24-105mm F4 L IS USM");
    Tiff cmt3;
    cmt3.shorts(cmt3.addIfd(), 0x0001, {1, 2, 3});
    std::string thumb = fakeJpeg(160, 120, 1500);
    std::string thmb = std::string("\0\0\0\0\x00\xa0\x00\x78", 8) + be32(uint32_t(thumb.size())) + std::string(4, '\0') + thumb;
    std::string canon = box("uuid", kUuidCanon + box("CMT1", cmt1.build()) + box("CMT2", cmt2.build()) +
                                        box("CMT3", cmt3.build()) + box("THMB", thmb));
    std::string full = fakeJpeg(6000, 4000, 5000);
    auto trak = [&](uint32_t at) {
        std::string stsz = box("stsz", be32(0) + be32(0) + be32(1) + be32(uint32_t(full.size())));
        std::string co64 = box("co64", be32(0) + be32(1) + be32(0) + be32(at));
        return trackOne ? box("trak", box("mdia", box("minf", box("stbl", stsz + co64)))) : std::string();
    };
    auto moov = [&](uint32_t at) { return moov64 ? box64("moov", canon + trak(at), moovHigh) : box("moov", canon + trak(at)); };
    std::string jpeg = fakeJpeg(1620, 1080, 4000);
    std::string prvw = box("PRVW", std::string("\0\0\0\0\x00\x01\x06\x54\x04\x38\x00\x01", 12) + be32(uint32_t(jpeg.size())) + jpeg + "pad");
    std::string uuid = box("uuid", kUuidPrvw + std::string(8, '\0') + prvw);
    std::string head = box("ftyp", "crx " + std::string(4, '\0') + "crx isom") + moov(0) + uuid;
    if (!trackOne) return head;
    head = box("ftyp", "crx " + std::string(4, '\0') + "crx isom") + moov(uint32_t(head.size() + 8)) + uuid;
    return head + box("mdat", full);
}

}  // namespace

TEST(Preview, Cr3BoxesAndSeparateBlocks) {
    std::string f = cr3(false);
    PreviewResult r = previewOf(f);
    ASSERT_EQ(r.formatIndex, kCr3);
    EXPECT_EQ(sizeOf(r).width, 1620);
    EXPECT_EQ(r.preview.size(), 4000u);  // the JPEG's own length, not the box's
    ExifSummary s;
    ASSERT_TRUE(readExifSummary(r.head, kCr3, &s));
    EXPECT_EQ(refText(r.head, s.model), "Canon EOS R5");
    EXPECT_EQ(s.iso, 1600);
    EXPECT_EQ(refText(r.head, s.lensModel), "RF24-105mm F4 L IS USM");
    EXPECT_EQ(refText(r.head, s.dateTimeOriginal), "2022:07:01 10:00:00");
    EXPECT_EQ(readOrientation(r.head, kCr3), 8);
    ASSERT_GT(s.makerNotePos, 0);
    EXPECT_EQ(readU16(r.head, s.makerNotePos, true), 1);  // CMT3's IFD0 entry count

    lvtest::TempDir dir;
    ASSERT_TRUE(lvtest::writeFile(dir.file("a.cr3"), f));
    EXPECT_EQ(jpegFrameSize(extractThumbnail(dir.file("a.cr3")), 0).width, 160);

    // A 64-bit box size works while its high word is 0, and stops the search otherwise.
    r = previewOf(cr3(true));
    EXPECT_EQ(sizeOf(r).width, 1620);
    EXPECT_EQ(readOrientation(r.head, kCr3), 8);
    r = previewOf(cr3(true, 1));
    EXPECT_TRUE(r.preview.empty());
    EXPECT_FALSE(readExifSummary(r.head, kCr3, &s));

    // The full-size JPEG of the first track is listed, the viewer still shows PRVW.
    f = cr3(false, 0, true);
    r = previewOf(f);
    EXPECT_EQ(sizeOf(r).width, 1620);
    PhotoFile pf = photoFromMemory(f);
    std::vector<std::string> listed;
    for (const EmbeddedImage& im : listEmbeddedImages(pf, r.head, kCr3))
        listed.push_back(im.source + " " + std::to_string(im.width) + " " + std::to_string(im.length));
    EXPECT_EQ(listed, (std::vector<std::string>{"CR3 PRVW 1620 4000", "CR3 THMB 160 1500", "CR3 track 1 6000 5000"}));
}

TEST(Preview, Cr3PreviewMustEndInsideItsBox) {
    std::string f = cr3(false);
    size_t at = f.find("PRVW");
    ASSERT_NE(at, std::string::npos);
    f.replace(at + 4 + 12, 4, be32(4001));  // one byte longer than the JPEG and the box allow
    f.resize(f.size() - 3);                  // no padding left
    EXPECT_TRUE(previewOf(f).preview.empty());
}

// [SECTION] RW2, ORF, X3F, 3FR
TEST(Preview, Rw2JpgFromRawAndItsExif) {
    Tiff exif;
    int e0 = exif.addIfd();
    exif.ascii(e0, 0x010F, "Panasonic");
    exif.shorts(e0, 0x0112, {6});
    std::string inner = fakeJpeg(1920, 1440, 100);
    std::string jpeg = app1Jpeg(exif.build(), inner);
    Tiff t;
    t.magic = 0x55;
    int ifd0 = t.addIfd();
    t.shorts(ifd0, 0x0100, {1});
    lvtest::TEntry e = lvtest::makeEntry(0x002E, 7, uint32_t(jpeg.size()));
    e.blobRef = t.addBlob(jpeg);
    t.ifds[0].entries.push_back(e);
    std::string f = t.build();
    PreviewResult r = previewOf(f);
    ASSERT_EQ(r.formatIndex, kRw2);
    EXPECT_EQ(str(r.preview), jpeg);
    ExifSummary s;
    ASSERT_TRUE(readExifSummary(r.head, kRw2, &s));
    EXPECT_EQ(refText(r.head, s.make), "Panasonic");
}

TEST(Preview, OrfMakerNotePreview) {
    // "OLYMPUS\0" + "II" + version, IFD at 12, offsets relative to the note's start.
    Tiff note;
    note.customHeader = std::string("OLYMPUS\0II\x03\0", 12);
    int m0 = note.addIfd(), cs = note.addIfd();
    note.rawEntry(m0, 0x2020, 13, 1, 0);  // patched below: the sub-IFD offset
    note.longs(cs, 0x0101, {0});
    note.ifds[1].entries.back().blobRef = note.addBlob(fakeJpeg(3200, 2400, 6000));
    note.longs(cs, 0x0102, {6000});
    std::string mn = note.build();
    uint32_t csAt = 12 + 2 + 12 + 4;  // right after the one-entry IFD0
    mn.replace(12 + 2 + 8, 4, le32(csAt));
    Tiff t;
    t.magic = 0x4F52;
    int ifd0 = t.addIfd(), exif = t.addIfd();
    t.ascii(ifd0, 0x010F, "OLYMPUS IMAGING CORP.");
    t.ifdPointer(ifd0, 0x8769, {exif});
    t.undefined(exif, 0x927C, mn);
    PreviewResult r = previewOf(t.build());
    ASSERT_EQ(r.formatIndex, kOrf);
    EXPECT_EQ(sizeOf(r).width, 3200);
}

namespace {

// An X3F: header, an IMA2 section holding a JPEG with EXIF, a directory, its offset last.
std::string x3f(uint32_t sectionFormat = 18) {
    Tiff exif;
    int e0 = exif.addIfd();
    exif.ascii(e0, 0x010F, "SIGMA");
    exif.shorts(e0, 0x0112, {3});
    std::string ex = exif.build();
    std::string jpeg = app1Jpeg(ex, fakeJpeg(2640, 1760, 3000));
    std::string f = "FOVb" + std::string(252, '\0');
    uint32_t secAt = uint32_t(f.size());
    f += "SECi" + le32(0x20000) + le32(2) + le32(sectionFormat) + le32(2640) + le32(1760) + le32(0) + jpeg;
    uint32_t secLen = uint32_t(f.size()) - secAt;
    uint32_t dirAt = uint32_t(f.size());
    f += "SECd" + le32(0x20000) + le32(2);
    f += le32(4) + le32(100) + "PROP";
    f += le32(secAt) + le32(secLen) + "IMA2";
    f += le32(dirAt);
    return f;
}

}  // namespace

TEST(Preview, X3fDirectoryImageAndItsExif) {
    PreviewResult r = previewOf(x3f());
    ASSERT_EQ(r.formatIndex, kX3f);
    EXPECT_EQ(sizeOf(r).width, 2640);
    EXPECT_EQ(readOrientation(r.head, kX3f), 3);
    ExifSummary s;
    ASSERT_TRUE(readExifSummary(r.head, kX3f, &s));
    EXPECT_EQ(refText(r.head, s.make), "SIGMA");
    // A section of another format is not an embedded JPEG.
    r = previewOf(x3f(19));
    EXPECT_TRUE(r.preview.empty());
    EXPECT_EQ(readOrientation(r.head, kX3f), 1);
}

namespace {

// A 3FR: IFD0 names the maker and holds one uncompressed 8-bit RGB strip of w x h.
std::string rgbStripFile(uint32_t w, uint32_t h, std::string* rgb, const char* make = "Hasselblad") {
    for (uint32_t i = 0; i < w * h * 3; i++) *rgb += char(i % 3 ? 100 * (i % 3) : i / 3 % 251 * 10 % 256);
    Tiff t;
    int ifd0 = t.addIfd();
    t.ascii(ifd0, 0x010F, make);
    t.ascii(ifd0, 0xC614, "Hasselblad H6D");
    t.longs(ifd0, 0x0100, {w});
    t.longs(ifd0, 0x0101, {h});
    t.shorts(ifd0, 0x0102, {8, 8, 8});
    t.shorts(ifd0, 0x0103, {1});
    t.shorts(ifd0, 0x0106, {2});
    t.shorts(ifd0, 0x0115, {3});
    t.longs(ifd0, 0x0111, {0});
    t.ifds[0].entries.back().blobRef = t.addBlob(*rgb);
    t.longs(ifd0, 0x0117, {uint32_t(rgb->size())});
    return t.build();
}

uint32_t tagOf(const Bytes& p, uint16_t tag) {
    int64_t e = findTag(p, readU32(p, 4, true), true, tag);
    return e ? entryValue(p, e, true) : 0;
}

}  // namespace

TEST(Preview, HasselbladRgbStripBecomesATiff) {
    std::string rgb;
    std::string file = rgbStripFile(4, 2, &rgb);
    PreviewResult r = previewOf(file);
    ASSERT_EQ(r.formatIndex, k3fr);
    ASSERT_FALSE(r.preview.empty());
    // The synthesised TIFF is itself readable: size, RGB, and the pixels behind StripOffsets.
    Bytes& p = r.preview;
    EXPECT_EQ(tagOf(p, 0x0100), 4u);
    EXPECT_EQ(tagOf(p, 0x0101), 2u);
    EXPECT_EQ(tagOf(p, 0x0106), 2u);
    uint32_t data = tagOf(p, 0x0111);
    ASSERT_EQ(p.size(), data + 24u);
    EXPECT_EQ(std::string(p.begin() + data, p.end()), rgb);

    // Reduced by 2: each pixel the rounded mean of its 2x2 block.
    PhotoFile f = photoFromMemory(file);
    Bytes head;
    ASSERT_TRUE(readHead(f, &head));
    Bytes half = rgbStripTiff(f, head, 2);
    ASSERT_EQ(half.size(), data + 2u * 1 * 3);
    // Block (0,0) channel 0: bytes 0, 10 (row 0) and 40, 50 (row 1) -> (100 + 2) / 4 = 25.
    EXPECT_EQ(half[data], 25);
    EXPECT_EQ(half[data + 3], (20 + 30 + 60 + 70 + 2) / 4);
}

// The thumbnail is the strip reduced by the largest whole factor that still fills the cell.
TEST(Thumbnail, HasselbladStripReducedToFillTheCell) {
    struct Case {
        uint32_t w, h, outW, outH;
    } cases[] = {
        {480, 318, 160, 106},  // factor 3
        {500, 330, 166, 110},  // factor 3 (3.125 and 3.11 round down)
        {960, 400, 320, 133},  // the height limits: factor 3, not 6
        {150, 100, 150, 100},  // smaller than the cell: kept whole
    };
    for (const Case& c : cases) {
        std::string rgb, file = rgbStripFile(c.w, c.h, &rgb);
        PhotoFile pf = photoFromMemory(file);
        Bytes t = thumbHasselblad(pf, file);
        ASSERT_GT(t.size(), 8u) << c.w;
        EXPECT_EQ(tagOf(t, 0x0100), c.outW) << c.w << "x" << c.h;
        EXPECT_EQ(tagOf(t, 0x0101), c.outH) << c.w << "x" << c.h;
        EXPECT_EQ(tagOf(t, 0x0117), c.outW * c.outH * 3) << c.w << "x" << c.h;
    }
    // Another maker's strip is not Hasselblad's to reduce.
    std::string rgb, other = rgbStripFile(480, 318, &rgb, "Leaf");
    PhotoFile pf = photoFromMemory(other);
    EXPECT_TRUE(thumbHasselblad(pf, other).empty());
}

// [SECTION] fallback, head growth, reading
TEST(Preview, FallbackScanTakesTheFirstEndMarkerPastTheThumbnailZone) {
    for (int sof : {0xC0, 0xC1, 0xC2}) {  // baseline, extended, progressive
        std::string f(100, 'z');
        f += fakeJpeg(800, 600, 150000, sof);  // ends before 199,999
        f += std::string(100000, 'q');
        f += "\xFF\xD9";
        size_t end = f.size();
        f += std::string(5000, 'r') + "\xFF\xD9";
        PreviewResult r = previewOf(f);
        EXPECT_EQ(r.formatIndex, -1);
        ASSERT_EQ(r.preview.size(), end - 100) << sof;
        EXPECT_EQ(r.picked.source, "fallback scan");
    }
    // A JPEG that ends early with nothing after it gives nothing.
    EXPECT_TRUE(previewOf(std::string(100, 'z') + fakeJpeg(800, 600, 150000)).preview.empty());
    // Nor does data that is not a baseline, extended or progressive JPEG.
    std::string lossless = std::string(10, 'z') + fakeJpeg(8, 8, 300000, 0xC3);
    EXPECT_TRUE(previewOf(lossless).preview.empty());
}

// However large the file (sparse here, so nothing is stored), the scan reads no further than its
// limit: a JPEG past it is not looked for, one inside it is found.
TEST(Preview, FallbackScanStopsAtItsLimit) {
    lvtest::TempDir dir;
    const std::string jpeg = fakeJpeg(800, 600, 250000);
    struct Case {
        uint64_t at;
        bool found;
    } cases[] = {{kFallbackScanBytes - jpeg.size() - 4096, true}, {kFallbackScanBytes + 4096, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.at);
        std::string path = dir.file("sparse.CR2");
        FileHandle h;
        ASSERT_EQ(fileCreate(path, CreateMode::CreateAlways, &h), 0u);
        ASSERT_EQ(fileSetEnd(h, c.at), 0u);
        ASSERT_EQ(fileWrite(h, jpeg.data(), jpeg.size()), 0u);
        ASSERT_EQ(fileSetEnd(h, 1ull << 30), 0u);
        fileClose(&h);
        PreviewResult r = extractPreview(path);
        ASSERT_EQ(r.error, 0u);
        EXPECT_EQ(r.preview.size(), c.found ? jpeg.size() : 0u);
        // The start scan and the end scan each read the window at most once.
        EXPECT_LE(r.stats.bytes, 2 * kFallbackScanBytes + kHeadSize + (1u << 20));
        ASSERT_EQ(fileDelete(path), 0u);
    }
}

TEST(Preview, HeadGrowsWhenIfd0AndExifLieBeyondIt) {
    Tiff far;
    far.afterHeader = std::string(400000, '\0');
    int f0 = far.addIfd(), fe = far.addIfd();
    far.ascii(f0, 0x010F, "SONY");
    far.ascii(f0, 0x0110, "ILCE-7M4");
    far.ifdPointer(f0, 0x8769, {fe});
    far.shorts(fe, 0x8827, {640});
    far.ascii(fe, 0xA434, "FE 24-70mm F2.8 GM II");
    far.jpegTags(f0, far.addBlob(fakeJpeg(1616, 1080, 50000)));
    std::string file = far.build();
    lvtest::TempDir dir;
    ASSERT_TRUE(lvtest::writeFile(dir.file("far.arw"), file));
    PreviewResult r = extractPreview(dir.file("far.arw"));
    ASSERT_EQ(r.error, 0u);
    EXPECT_EQ(r.formatIndex, kArw);
    EXPECT_EQ(sizeOf(r).width, 1616);
    ExifSummary s;
    ASSERT_TRUE(readExifSummary(r.head, kArw, &s));
    EXPECT_EQ(refText(r.head, s.make), "SONY");
    EXPECT_EQ(refText(r.head, s.model), "ILCE-7M4");
    EXPECT_EQ(refText(r.head, s.lensModel), "FE 24-70mm F2.8 GM II");
    EXPECT_EQ(s.iso, 640);
    // Head, IFD0, EXIF IFD (each one bounded read), preview: four reads.
    EXPECT_EQ(r.stats.calls, 4u);
    EXPECT_EQ(r.stats.bytes, kHeadSize + 2 * (2 + 12 * 1024 + 4) + 50000);
}

TEST(Preview, AppendedIfdsDoNotStandInForFileBytes) {
    // IFD0 beyond the head and the preview right after the head: the bytes appended to the head
    // must not be mistaken for the file's bytes at the same offsets.
    Tiff t;
    t.afterHeader = std::string(kHeadSize - 8, '\0');
    int ifd0 = t.addIfd();
    t.ascii(ifd0, 0x010F, "SONY");
    t.jpegTags(ifd0, t.addBlob(fakeJpeg(1024, 768, 3000)));
    std::string file = t.build();
    PreviewResult r = previewOf(file);
    ASSERT_EQ(r.formatIndex, kArw);
    EXPECT_GT(r.head.size(), kHeadSize);
    EXPECT_EQ(sizeOf(r).width, 1024);
    EXPECT_EQ(str(r.preview), file.substr(file.size() - 3000));
}

TEST(Preview, ReadsTheHeadAndThePreviewOnly) {
    Tiff t;
    t.afterHeader = std::string(1000, '\0');
    int ifd0 = t.addIfd();
    t.ascii(ifd0, 0x010F, "SONY");
    t.padBeforeBlobs = 300000;
    t.jpegTags(ifd0, t.addBlob(fakeJpeg(1616, 1080, 200000)));
    lvtest::TempDir dir;
    ASSERT_TRUE(lvtest::writeFile(dir.file("a.arw"), t.build()));
    PreviewResult r = extractPreview(dir.file("a.arw"));
    EXPECT_EQ(r.stats.calls, 2u);
    EXPECT_EQ(r.stats.bytes, kHeadSize + 200000);
    EXPECT_EQ(extractPreview(dir.file("missing.arw")).error, kErrFileNotFound);
}

TEST(Thumbnail, ExifIfd1EvenBeyondTheFirstRead) {
    for (size_t pad : {size_t(0), size_t(70000)}) {
        Tiff exif;
        int e0 = exif.addIfd(), e1 = exif.addIfd();
        exif.ascii(e0, 0x010F, "Canon");
        exif.ifds[0].next = e1;
        exif.padBeforeBlobs = pad;
        exif.jpegTags(e1, exif.addBlob(lvtest::makeJpeg(160, 120)));
        std::string ex = exif.build();
        // APP1 segments hold at most 65,533 bytes; the test only needs the reader to see one.
        std::string jpeg = std::string("\xFF\xD8\xFF\xE1\xFF\xFF", 6) + std::string("Exif\0\0", 6) + ex + "\xFF\xD9";
        lvtest::TempDir dir;
        ASSERT_TRUE(lvtest::writeFile(dir.file("a.jpg"), jpeg));
        Bytes th = extractThumbnail(dir.file("a.jpg"));
        EXPECT_EQ(jpegFrameSize(th, 0).width, 160) << pad;
    }
}
