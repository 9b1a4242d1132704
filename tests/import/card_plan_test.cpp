#include <gtest/gtest.h>

#include "import/card_plan.h"
#include "import/import_journal.h"
#include "../metadata/mn_builder.h"
#include "test_support.h"

using namespace lv;

TEST(CardPlan, LeadsCompanionsAndSequence) {
    auto at = [](const char* name) { return joinPath("card", name); };
    std::vector<CardFile> files = {
        {at("notes.txt"), 1, 10, 0, false}, {at("IMG_1.xmp"), 1, 300, 0, false}, {at("IMG_1.JPG"), 1, 100, 0, false},
        {at("MVI_2.MOV"), 1, 50, 0, false}, {at("IMG_0.CR3"), 1, 200, 0, false}, {at("IMG_1.CR3"), 1, 100, 0, false},
    };
    orderCardFiles(files);
    const char* order[] = {"IMG_1.CR3", "IMG_1.xmp", "IMG_1.JPG", "IMG_0.CR3", "MVI_2.MOV", "notes.txt"};
    const int seq[] = {2, 5, 3, 4, 1, 0};
    ASSERT_EQ(files.size(), 6u);
    for (size_t i = 0; i < 6; i++) {
        EXPECT_EQ(fileNamePart(files[i].path), order[i]);
        EXPECT_EQ(files[i].seq, seq[i]) << order[i];
        EXPECT_EQ(files[i].isCompanion, i == 1) << order[i];
    }
    // The start keeps the selected files and numbers them again.
    keepSelected(files, {upperAscii(at("img_1.xmp")), at("IMG_0.CR3")});
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].seq, 1);
    EXPECT_EQ(files[1].seq, 0);
}

TEST(CardPlan, PlanSentence) {
    auto sel = [](const char* excluded, const char* filter, bool photosOnly) {
        ImportTypeSelection s;
        s.excludedExtensions = excluded;
        s.photoFilter = filter;
        if (photosOnly) s.audio = s.sidecars = s.other = false;
        return s;
    };
    EXPECT_EQ(describeImportPlan(sel(".lrv|.thm|", "", false), "D:\\Photos", ""),
              "Copies everything on the card except LRV and THM files to D:\\Photos.");
    EXPECT_EQ(describeImportPlan(sel(".a|.b|.c|.d|.e|", "", false), "", ""),
              "Copies everything on the card except the 5 file types you unticked.");
    EXPECT_EQ(describeImportPlan(sel(".|.mp4|", "Keepers", true), "A", ""),
              "Copies photos that match Keepers and video except MP4 files and files with no extension to A.");
    EXPECT_EQ(describeImportPlan(sel(".thm|", "Keepers", false), "A", "B"),
              "Copies everything on the card except photos that do not match Keepers and THM files to A and to B.");
    ImportTypeSelection none;
    none.photos = none.video = none.audio = none.sidecars = none.other = false;
    EXPECT_EQ(describeImportPlan(none, "", ""), "Copies nothing.");
    none.photos = none.sidecars = none.other = true;
    EXPECT_EQ(describeImportPlan(none, "", ""), "Copies photos Lumivore can open, sidecars and other files.");
}

TEST(CardPlan, RoomAndTypesLines) {
    const uint64_t MiB = 1 << 20;
    EXPECT_EQ(describeRoomLine("", true, 5, 1).text, "");
    RoomLine gone = describeRoomLine("D:\\x", true, -1, 1);
    EXPECT_TRUE(gone.isError);
    EXPECT_EQ(gone.text, "The destination drive is not available.");
    EXPECT_EQ(describeRoomLine("D:\\x", false, 1024 * MiB, 0).text, "1.0 GB free");
    EXPECT_EQ(describeRoomLine("D:\\x", true, 2048 * MiB, 1024 * MiB).text,
              "2.0 GB free now \xC2\xB7 1.0 GB free after import");
    RoomLine tight = describeRoomLine("D:\\x", true, 100 * MiB, 50 * MiB);
    EXPECT_TRUE(tight.isError);
    EXPECT_EQ(tight.text, "Not enough room: 50.0 MB to copy would leave under 256.0 MB free");

    CardScan scan;
    scan.types = {{".cr3|", 1200, 0, true}, {".jpg|", 3, 0, true}, {".lrv|", 9, 0, false},
                  {".mp4|", 2, 0, true},   {".|", 1, 0, true},    {".wav|", 1, 0, true}};
    scan.leftFiles = 9;
    EXPECT_EQ(describeTypesLine(scan), "Types: CR3 1,200 \xC2\xB7 JPG 3 \xC2\xB7 MP4 2 \xC2\xB7 (no extension) 1 \xC2\xB7 +1 more "
                                       "\xC2\xB7 9 files left on card");
    for (CardTypeRow& r : scan.types) r.ticked = false;
    scan.leftFiles = 1;
    EXPECT_EQ(describeTypesLine(scan), "Types: none ticked \xC2\xB7 1 file left on card");
    EXPECT_EQ(describeCardReading(1234, 1), "Reading the card \xC2\xB7 1,234 files \xC2\xB7 1 folder");
    EXPECT_EQ(importKindCaption(".xmp|"), "photo metadata sidecar");
    EXPECT_EQ(importKindCaption(".thm|"), "thumbnail sidecar");
    EXPECT_EQ(importKindCaption(".|"), "other");
}

TEST(CardPlan, CaptureTimeFromTheCorpus) {
    std::string corpus = lvtest::corpusDir();
    if (corpus.empty()) GTEST_SKIP() << "no corpus";
    CardFile f;
    f.path = joinPath(joinPath(joinPath(corpus, "files"), "cr2"), "IMG_5952.CR2");
    if (!pathExists(f.path)) GTEST_SKIP() << "IMG_5952.CR2 not in the corpus";
    ImportNameContext c = buildImportNameContext(f, "", "", "", "");
    EXPECT_EQ(expandImportTemplate(defaultImportTemplate(), c, nullptr, PathStyle::Windows), "2009\\07\\21\\IMG_5952.CR2");
    EXPECT_FALSE(c.camera.empty());
}

// An implausible capture date in the file gives way to the file's time.
TEST(CardPlan, ImplausibleCaptureTimeFallsBackToTheFileTime) {
    lvtest::TempDir dir;
    CardFile f;
    f.path = dir.file("DSC_1.JPG");
    f.lastWrite = fileTimeFromUnix(1700000000);  // November 2023
    const std::pair<const char*, int> kDates[] = {
        {"2021:05:04 10:00:00", 2021}, {"2021:13:04 10:00:00", 2023}, {"1979:05:04 10:00:00", 2023},
        {"2021:05:32 10:00:00", 2023}, {"2021:00:04 10:00:00", 2023}};
    for (const auto& [date, year] : kDates) {
        std::string app1 = std::string("Exif\0\0", 6) + mnb::tiff("NIKON CORPORATION", "NIKON D90", 1, {mnb::ascii(0x9003, date)}, nullptr);
        uint16_t len = uint16_t(app1.size() + 2);
        ASSERT_TRUE(lvtest::writeFile(f.path, "\xFF\xD8\xFF\xE1" + std::string{char(len >> 8), char(len)} + app1 + "\xFF\xD9"));
        ImportNameContext c = buildImportNameContext(f, "", "", "", "");
        EXPECT_EQ(c.year, year) << date;
        EXPECT_EQ(c.month, year == 2021 ? 5 : 11) << date;
    }
}

TEST(ImportJournal, ReadingKeepsTheLastDestination) {
    const std::string hash(64, 'A');
    std::string text = "# lumivore import journal 20240517-101010 for D:\\x\r\n"
                       "ok2\t10\t00000000000000FF\t" + hash + "\tA\\x.CR3\tDCIM\\x.CR3\r\n"
                       "fail\tthe disk is full\tDCIM\\y.CR3\r\n"
                       "ok2\t10\t00000000000000FF\t\t\tDCIM\\x.CR3\r"
                       "ok2\t10\t00000000000000FF\t\tB\\x.CR3\tDCIM\\x.CR3\r\n"
                       "ok2\t7\t00000000000000FF\t\tC\\t.CR3\tDCIM\\tab\tname\r\n"
                       "ok2\t3\t00000000000000FF\t\tL\tDCIM\\lf\nok2\t3\t00000000000000FF\t\tM\tDCIM\\m\r\n"
                       "ok2\t-1\t00000000000000FF\t\tX\tDCIM\\bad\r\n"
                       "ok2\t1\t00FF\t\tX\tDCIM\\bad\r\n"
                       "ok2\t1\t00000000000000FF\tABC\tX\tDCIM\\bad\r\n"
                       "ok2\t1\t00000000000000FF\t\tX\r\n"
                       "ok2 1\t00000000000000FF\t\tX\tDCIM\\bad\r\n";
    JournalIndex index;
    parseJournalText(text, &index.records);
    sortJournalIndex(&index);
    ASSERT_EQ(index.records.size(), 5u);
    JournalLookup x = lookupJournal(index, journalKey("DCIM\\x.CR3", 10, 0xFF));
    EXPECT_TRUE(x.found);
    EXPECT_EQ(x.destPath, "B\\x.CR3");
    ASSERT_EQ(x.hashes.size(), 1u);
    EXPECT_EQ(x.hashes[0], hash);
    EXPECT_EQ(lookupJournal(index, "DCIM\\tab\tname|7|00000000000000FF").destPath, "C\\t.CR3");
    EXPECT_FALSE(lookupJournal(index, journalKey("DCIM\\bad", 1, 0xFF)).found);
    EXPECT_FALSE(lookupJournal(index, journalKey("DCIM\\m", 3, 0xFF)).found);  // a line feed alone ends no line
    EXPECT_FALSE(lookupJournal(index, journalKey("DCIM\\y.CR3", 10, 0xFF)).found);
}

TEST(ImportJournal, FolderNames) {
    EXPECT_EQ(volumeIdentifier(0x1A2B3C4D, "D:\\"), "1A2B-3C4D");
    EXPECT_EQ(volumeIdentifier(0, " D:\\"), "D");
    EXPECT_EQ(volumeIdentifier(0, "\\"), "");
    const std::string base = "C:\\Users\\me\\AppData\\Roaming\\Lumivore\\Import journals\\";
    EXPECT_EQ(destinationJournalFolder(base, "1A2B-3C4D", "Photos\\2024", PathStyle::Windows),
              base + "1A2B-3C4D\\Photos\\2024\\");
    EXPECT_EQ(destinationJournalFolder(base, "1A2B-3C4D", "", PathStyle::Windows), base + "1A2B-3C4D\\");
    EXPECT_EQ(destinationJournalFolder(base, "", "Photos", PathStyle::Windows), "");
    std::string deep(200, 'd');
    std::string longForm = destinationJournalFolder(base, "1A2B-3C4D", deep, PathStyle::Windows);
    ASSERT_EQ(longForm.size(), base.size() + 9 + 6 + 16 + 1);
    EXPECT_EQ(longForm.substr(base.size(), 15), "1A2B-3C4D\\long-");
    // The hash is of the lower-cased path, so the case of the destination does not matter.
    EXPECT_EQ(destinationJournalFolder(base, "1A2B-3C4D", std::string(200, 'D'), PathStyle::Windows), longForm);
}

TEST(ImportJournal, WrittenLinesReadBack) {
    lvtest::TempDir dir;
    std::string folder = joinPath(dir.path, "j");
    JournalWriter a, b;
    ASSERT_TRUE(openJournal(&a, folder, "D:\\x"));
    ASSERT_TRUE(openJournal(&b, folder, "D:\\x"));  // same second: a new name, never the same file
    EXPECT_NE(a.path, b.path);
    journalOk(&a, 10, 0x01DD85A13F3D8F5Cull, std::string(64, 'B'), "2024\\x.CR3", "DCIM\\x.CR3");
    journalFail(&a, "the disk is full", "DCIM\\y.CR3");
    journalOk(&b, 10, 0x01DD85A13F3D8F5Cull, "", "2024\\x (2).CR3", "DCIM\\x.CR3");
    journalOk(&b, 7, 1, "", "2024\\a\r\nb.CR3", "DCIM\\a\nb.CR3");  // line breaks in names stay in their field
    closeJournal(&a);
    closeJournal(&b);
    std::string text = lvtest::readFile(a.path);
    EXPECT_EQ(text.substr(0, 26), "# lumivore import journal ");
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    JournalLookup r = lookupJournal(readJournals(folder), journalKey("DCIM\\x.CR3", 10, 0x01DD85A13F3D8F5Cull));
    EXPECT_EQ(r.destPath, a.path < b.path ? "2024\\x (2).CR3" : "2024\\x.CR3");
    EXPECT_EQ(r.hashes.size(), 1u);
    EXPECT_EQ(lookupJournal(readJournals(folder), journalKey("DCIM\\a_b.CR3", 7, 1)).destPath, "2024\\a__b.CR3");
}

TEST(CardPlan, PhotoFilterKeepsMatchingPhotosAndEveryOtherFile) {
    lvtest::TempDir dir;
    std::vector<CardFile> files;
    for (const char* name : {"A.CR3", "B.JPG", "C.MOV"}) {
        ASSERT_TRUE(lvtest::writeFile(dir.file(name), name[0] == 'B' ? lvtest::makeJpeg(16, 16) : "not a photo"));
        files.push_back({dir.file(name), 1, 1, 0, false});
    }
    FilterToken raw;
    ASSERT_TRUE(textToToken("filetype|0|1|||", &raw));
    ImportTypeSelection sel;
    sel.photoFilter = "Raws";
    int kept = -1;
    std::atomic<int> done{0};
    std::vector<std::string> keep = selectWithPhotoFilter(files, sel, {&raw, 1}, nullptr, &done, &kept);
    ASSERT_EQ(keep.size(), 2u);
    EXPECT_EQ(keep[0], dir.file("A.CR3"));
    EXPECT_EQ(keep[1], dir.file("C.MOV"));
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(done.load(), 2);
    EXPECT_EQ(describePhotosLine("Raws", kept), "Photos: matching \"Raws\" \xC2\xB7 1 kept");
    EXPECT_EQ(describePhotosLine("Raws", 0), "Photos: no photo on the card matches \"Raws\"");
    EXPECT_EQ(describePhotosLine("", 0), "Photos: all");
}
