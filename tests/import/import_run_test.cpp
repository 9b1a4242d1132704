#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "import/import_journal.h"
#include "import/import_run.h"
#include "test_support.h"

using namespace lv;

namespace {

const uint64_t kT0 = fileTimeFromUnix(1715940000);  // 2024-05-17
const uint64_t kSecond = 10000000;

void setEnv(const char* key, const std::string& value) {
#ifdef _WIN32
    _putenv_s(key, value.c_str());
#else
    setenv(key, value.c_str(), 1);
#endif
}

// The journals go below a test folder, never the user's configuration folder.
void useConfigFolder(const std::string& folder) {
#ifdef _WIN32
    setEnv("APPDATA", folder);
#else
    setEnv("XDG_CONFIG_HOME", folder);
#endif
}

void put(const std::string& path, const std::string& bytes, uint64_t time) {
    folderCreateAll(folderPart(path));
    ASSERT_TRUE(lvtest::writeFile(path, bytes));
    pathSetWriteTime(path, time);
}

// A file of size bytes without writing them (sparse where the file system allows).
void putSized(const std::string& path, uint64_t size, uint64_t time) {
    folderCreateAll(folderPart(path));
    FileHandle f;
    ASSERT_EQ(fileCreate(path, CreateMode::CreateAlways, &f), kErrOk);
    fileSetEnd(f, size);
    fileSetWriteTime(f, time);
    fileClose(&f);
}

std::string allLogText(const ImportJob& job) {
    std::string s;
    for (const ImportLogEntry& e : job.log) s += e.fileName + ": " + e.text + "\n";
    return s;
}

struct ImportRun : ::testing::Test {
    lvtest::TempDir tmp;
    std::string card, dest;
    ImportJob job;

    void SetUp() override {
        card = tmp.file("card");
        dest = tmp.file("dest");
        folderCreateAll(card);
        useConfigFolder(tmp.file("config"));
    }
    std::string onCard(const std::string& rel) const { return joinPath(card, rel); }
    std::string atDest(const std::string& rel) const { return joinPath(dest, rel); }

    ImportResult run(const std::string& tpl = "{year}\\{file.name}.{file.ext}", int clash = 1, int restore = 2) {
        job.log.clear();
        job.card = card;
        job.settings.templateText = tpl;
        job.settings.destination = dest;
        job.presetClash = clash;
        job.presetRestore = restore;
        job.stop.store(false);
        runImport(&job);
        return job.results.empty() ? ImportResult() : job.results[0];
    }
};

// The seam of the copy engine, with one fault switched on at a time.
struct Faults {
    static inline std::string shrinkPath;   // truncated after its first block was read
    static inline std::string vanishPath;   // renamed away before the first staging file
    static inline bool corruptPublished = false;
    static inline int64_t fakeFree = -1;    // reported by the first volume queries
    static inline int fakeFreeCalls = 0;

    static WinErr readAt(FileHandle f, uint64_t off, void* buf, size_t len, size_t* got) {
        WinErr e = platformCopyFileOps().readAt(f, off, buf, len, got);
        if (!shrinkPath.empty() && off == 0) {
            FileHandle w;
            if (fileCreate(shrinkPath, CreateMode::OpenExisting, &w) == kErrOk) {
                fileSetEnd(w, len + 1000);
                fileClose(&w);
            }
            shrinkPath.clear();
        }
        return e;
    }
    static WinErr create(std::string_view path, CreateMode mode, FileHandle* out) {
        if (!vanishPath.empty()) {
            fileMove(vanishPath, vanishPath + "-gone", false);
            vanishPath.clear();
        }
        return platformCopyFileOps().create(path, mode, out);
    }
    static WinErr move(std::string_view from, std::string_view to, bool replace) {
        WinErr e = platformCopyFileOps().move(from, to, replace);
        if (!e && corruptPublished) {
            FileHandle w;
            if (fileCreate(to, CreateMode::OpenExisting, &w) == kErrOk) {
                fileWrite(w, "X", 1);
                fileClose(&w);
            }
        }
        return e;
    }
    static WinErr volume(std::string_view path, VolumeInfo* out) {
        WinErr e = platformCopyFileOps().volume(path, out);
        if (!e && fakeFree >= 0 && fakeFreeCalls-- > 0) out->freeBytes = uint64_t(fakeFree);
        return e;
    }
    Faults() {
        static const CopyFileOps ops = {platformCopyFileOps().openRead, create, readAt, platformCopyFileOps().write,
                                        platformCopyFileOps().flush, move, volume, nullptr, nullptr};
        setCopyFileOps(&ops);
    }
    ~Faults() {
        setCopyFileOps(nullptr);
        shrinkPath.clear();
        vanishPath.clear();
        corruptPublished = false;
        fakeFree = -1;
        fakeFreeCalls = 0;
    }
};

}  // namespace

TEST_F(ImportRun, SecondImportCopiesNothingAndMissingFilesComeBackToTheirRecordedPlace) {
    put(onCard("DCIM/IMG_1.CR3"), "raw one", kT0);
    put(onCard("DCIM/IMG_1.xmp"), "<x/>", kT0);
    put(onCard("DCIM/IMG_2.JPG"), "jpeg two", kT0 + kSecond);
    ImportResult r = run();
    EXPECT_EQ(r.copied, 3);
    EXPECT_EQ(lvtest::readFile(atDest("2024/IMG_1.CR3")), "raw one");
    EXPECT_EQ(lvtest::readFile(atDest("2024/IMG_1.xmp")), "<x/>");

    r = run();
    EXPECT_EQ(r.copied, 0);
    EXPECT_EQ(r.alreadyThere, 3);

    ASSERT_EQ(fileDelete(atDest("2024/IMG_1.CR3")), kErrOk);
    r = run("{seq:3}.{file.ext}", 1, 2);  // left out: a different template changes nothing
    EXPECT_EQ(r.notRestored, 1);
    EXPECT_EQ(r.copied, 0);
    EXPECT_FALSE(pathExists(atDest("2024/IMG_1.CR3")));

    r = run("{seq:3}.{file.ext}", 1, 1);
    EXPECT_EQ(r.copied, 1);
    EXPECT_EQ(r.restored, 1);
    EXPECT_EQ(lvtest::readFile(atDest("2024/IMG_1.CR3")), "raw one");
    EXPECT_FALSE(pathExists(atDest("001.CR3")));
    EXPECT_EQ(describeImportResult(r), "0.0 MB \xC2\xB7 1 imported (1 restored) \xC2\xB7 2 already there \xC2\xB7 0 failed \xC2\xB7 in 0:00");
}

TEST_F(ImportRun, SelectionThatMatchesNothingImportsNothing) {
    put(onCard("IMG_1.CR3"), "raw", kT0);
    setImportSelection(&job, {});
    ImportResult r = run();
    EXPECT_EQ(r.total, 0);
    EXPECT_FALSE(isFolder(dest));
    setImportSelection(&job, {upperAscii(onCard("img_1.cr3"))});
    EXPECT_EQ(run().copied, 1);
}

TEST_F(ImportRun, KeepBothWithTheTickNamesCompanionsAfterTheirPhoto) {
    put(onCard("DCIM/IMG_1.CR3"), "card one", kT0);
    put(onCard("DCIM/IMG_1.xmp"), "<one/>", kT0 + kSecond);
    put(onCard("DCIM2/IMG_1.CR3"), "card two", kT0 + 2 * kSecond);
    put(atDest("IMG_1.CR3"), "a different photo", kT0);
    job.card = card;
    job.settings.templateText = "{file.name}.{file.ext}";
    job.settings.destination = dest;
    ASSERT_EQ(startImport(&job), kErrOk);
    int questions = 0;
    for (int waited = 0; waited < 20000; waited += 5) {
        {
            LockGuard g(job.lock);
            if (job.state != kImportRunning) break;
            if (job.question.kind == kQuestionClash && job.question.answer == -1) {
                questions++;
                EXPECT_EQ(importQuestionText(job.question).title, "A different file has this name");
            }
        }
        if (questions == 1) answerImportQuestion(&job, 2, true), questions++;
        if (questions > 2) answerImportQuestion(&job, 3);  // asked again despite the tick
        sleepMs(5);
    }
    joinImport(&job);
    EXPECT_EQ(questions, 2);
    ASSERT_EQ(job.results.size(), 1u);
    EXPECT_EQ(job.results[0].copied, 3);
    EXPECT_EQ(lvtest::readFile(atDest("IMG_1.CR3")), "a different photo");
    EXPECT_EQ(lvtest::readFile(atDest("IMG_1 (2).CR3")), "card one");
    EXPECT_EQ(lvtest::readFile(atDest("IMG_1 (2).xmp")), "<one/>");
    EXPECT_EQ(lvtest::readFile(atDest("IMG_1 (3).CR3")), "card two");
    EXPECT_NE(allLogText(job).find("IMG_1.CR3: copied as IMG_1 (3).CR3"), std::string::npos) << allLogText(job);
}

TEST_F(ImportRun, SidecarOfASkippedPhotoIsHeldAndLogged) {
    put(onCard("IMG_2.CR3"), "card raw", kT0);
    put(onCard("IMG_2.xmp"), "<two/>", kT0);
    put(atDest("IMG_2.CR3"), "another raw file", kT0);
    ImportResult r = run("{file.name}.{file.ext}", 1);
    EXPECT_EQ(r.skipped, 2);
    EXPECT_EQ(r.copied, 0);
    EXPECT_FALSE(pathExists(atDest("IMG_2.xmp")));
    EXPECT_NE(allLogText(job).find("IMG_2.xmp: not copied, its photo was not copied"), std::string::npos);
    std::vector<DirEntry> journals;
    std::string folder = journalFolderForDestination(dest);
    ASSERT_EQ(listFolder(folder, &journals), kErrOk);
    ASSERT_EQ(journals.size(), 1u);
    EXPECT_NE(lvtest::readFile(joinPath(folder, journals[0].name)).find("fail\tits photo was not copied\tIMG_2.xmp\r\n"),
              std::string::npos);
}

TEST_F(ImportRun, CardFileThatShrinksWhileCopiedNeverTakesItsName) {
    putSized(onCard("BIG.MOV"), 20u << 20, kT0);
    Faults f;
    Faults::shrinkPath = onCard("BIG.MOV");
    ImportResult r = run("{file.name}.{file.ext}");
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(r.firstError, "BIG.MOV: the card file ended early, the copy is incomplete");
    EXPECT_FALSE(pathExists(atDest("BIG.MOV")));
    EXPECT_TRUE(pathExists(atDest("BIG.MOV.lumivore-part")));  // left for inspection, never deleted
}

TEST_F(ImportRun, RoomRefusalAndOverlongDestination) {
    putSized(onCard("A.MOV"), 50u << 20, kT0);
    {
        Faults f;
        Faults::fakeFree = 100ll << 20;
        Faults::fakeFreeCalls = 1000;
        ImportResult r = run();
        EXPECT_EQ(r.roomResult, 0);
        EXPECT_EQ(describeImportResult(r),
                  "The destination does not have room for this card. 50.0 MB to copy would leave under 256.0 MB free");
        EXPECT_FALSE(isFolder(dest));
    }
    dest = tmp.path;
    while (dest.size() + 201 <= 1010) dest = joinPath(dest, std::string(200, 'd'));
    dest = joinPath(dest, std::string(1010 - dest.size() - 1, 'e'));
    ASSERT_EQ(dest.size(), 1010u);
    ImportResult r = run("{file.name}.{file.ext}");
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(r.firstError, "A.MOV: the path is too long");
}

TEST_F(ImportRun, VanishedDestinationEndsTheRun) {
    for (int i = 0; i < 3; i++) put(onCard("IMG_" + std::to_string(i) + ".JPG"), "jpeg", kT0 + uint64_t(i) * kSecond);
    folderCreateAll(dest);
    Faults f;
    Faults::vanishPath = dest;
    job.copiesInFlight = 1;  // the files in hand would fail with it: one at a time, it is exactly one
    ImportResult r = run("{file.name}.{file.ext}");
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(r.copied, 0);
    EXPECT_EQ(r.stopReason, 2);
    EXPECT_NE(describeImportResult(r).find("\nStopped: the destination drive is no longer available."), std::string::npos);
}

TEST_F(ImportRun, ReadBackCatchesACopyChangedAfterPublishing) {
    put(onCard("IMG_1.CR3"), "the photo as the camera wrote it", kT0);
    job.settings.verifyReadBack = true;
    {
        Faults f;
        Faults::corruptPublished = true;
        ImportResult r = run("{file.name}.{file.ext}");
        EXPECT_EQ(r.failed, 1);
        EXPECT_EQ(r.firstError, "IMG_1.CR3: the copy read back from the disk does not match the card");
        EXPECT_FALSE(pathExists(atDest("IMG_1.CR3")));
        EXPECT_EQ(lvtest::readFile(atDest("IMG_1.CR3.lumivore-bad")), "Xhe photo as the camera wrote it");
    }
    ImportResult r = run("{file.name}.{file.ext}");
    EXPECT_EQ(r.copied, 1);
    EXPECT_EQ(lvtest::readFile(atDest("IMG_1.CR3")), "the photo as the camera wrote it");
}

TEST_F(ImportRun, SecondDestinationGetsItsOwnVerifiedCopyAndJournal) {
    put(onCard("IMG_1.CR3"), "raw", kT0);
    put(onCard("IMG_1.xmp"), "<x/>", kT0);
    std::string second = tmp.file("second");
    job.settings.secondDestination = second;
    run();
    ASSERT_EQ(job.results.size(), 2u);
    EXPECT_EQ(job.results[1].copied, 2);
    EXPECT_EQ(lvtest::readFile(joinPath(second, "2024/IMG_1.CR3")), "raw");
    JournalIndex one = readJournals(journalFolderForDestination(dest));
    JournalIndex two = readJournals(journalFolderForDestination(second));
    ASSERT_EQ(two.records.size(), 2u);
    EXPECT_EQ(one.records[0].hash, two.records[0].hash);
    EXPECT_EQ(one.records[0].hash.size(), 64u);
    ASSERT_EQ(fileDelete(joinPath(second, "2024/IMG_1.xmp")), kErrOk);
    run("{year}\\{file.name}.{file.ext}", 1, 1);
    EXPECT_EQ(job.results[0].alreadyThere, 2);
    EXPECT_EQ(job.results[1].restored, 1);
}

#ifndef _WIN32
// A small file system that really fills up: a tmpfs, where the machine lets the test mount one.
TEST_F(ImportRun, FullDiskEndsTheRun) {
    std::string small = tmp.file("small");
    folderCreateAll(small);
    if (std::system(("mount -t tmpfs -o size=48m tmpfs '" + small + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    dest = joinPath(small, "dest");
    for (int i = 0; i < 3; i++) putSized(onCard("V" + std::to_string(i) + ".MOV"), 20u << 20, kT0 + uint64_t(i) * kSecond);
    put(onCard("V3.MOV"), "small", kT0 + 3 * kSecond);
    ImportResult r;
    {
        Faults f;  // the room check sees space that another program takes before the copy
        Faults::fakeFree = 1ll << 30;
        Faults::fakeFreeCalls = 1;
        job.copiesInFlight = 1;  // so that exactly the third large file meets the full disk
        r = run("{file.name}.{file.ext}");
    }
    EXPECT_EQ(r.copied, 2);
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(r.stopReason, 1);
    EXPECT_EQ(r.firstError, "V2.MOV: the disk is full");
    EXPECT_FALSE(pathExists(joinPath(dest, "V2.MOV")));
    EXPECT_FALSE(pathExists(joinPath(dest, "V3.MOV")));
    EXPECT_NE(describeImportResult(r).find("\nStopped: the destination drive is full."), std::string::npos);
    std::system(("umount '" + small + "'").c_str());
}

// The copier of a killed run: started by KilledRunsLoseNothing in a process of its own.
TEST(ImportKill, Child) {
    std::string card = envGet("LV_IMPORT_KILL_CARD");
    if (card.empty()) GTEST_SKIP() << "started only by KilledRunsLoseNothing";
    ImportJob job;
    job.card = card;
    job.settings.templateText = "{seq:3}\\{file.name}.{file.ext}";
    job.settings.destination = envGet("LV_IMPORT_KILL_DEST");
    job.presetClash = 1;
    runImport(&job);
}

TEST_F(ImportRun, KilledRunsLoseNothing) {
    const int kFiles = 40;
    std::mt19937 rng(20240517);
    std::string bytes(512 * 1024, '\0');
    for (int i = 0; i < kFiles; i++) {
        for (char& c : bytes) c = char(rng());
        put(onCard("DCIM/P" + std::to_string(1000 + i) + ".CR3"), bytes, kT0 + uint64_t(i) * kSecond);
    }
    setEnv("LV_IMPORT_KILL_CARD", card);
    setEnv("LV_IMPORT_KILL_DEST", dest);
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string journals = journalFolderForDestination(dest);
    std::uniform_int_distribution<int> delayMs(20, 250);
    for (int round = 0; round < 8; round++) {
        char cmd[2048];
        std::snprintf(cmd, sizeof cmd, "timeout -s KILL %.3f '%s' --gtest_filter=ImportKill.Child >/dev/null 2>&1",
                      delayMs(rng) / 1000.0, self.c_str());
        std::system(cmd);
        std::vector<DirEntry> entries;
        listFolder(journals, &entries);
        for (const DirEntry& e : entries) {
            std::string text = lvtest::readFile(joinPath(journals, e.name));
            if (text.empty()) continue;  // killed between creating the journal and its header
            EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << e.name;
            size_t okLines = 0, pos = 0;
            while (pos < text.size()) {
                size_t end = text.find("\r\n", pos);
                std::string line = text.substr(pos, end - pos);
                pos = end == std::string::npos ? text.size() : end + 2;
                okLines += line.rfind("ok2\t", 0) == 0;
                EXPECT_TRUE(line.rfind("# lumivore import journal ", 0) == 0 || line.rfind("ok2\t", 0) == 0) << line;
            }
            std::vector<JournalRecord> parsed;
            parseJournalText(text, &parsed);
            EXPECT_EQ(parsed.size(), okLines) << e.name;
        }
    }
    setEnv("LV_IMPORT_KILL_CARD", "");
    ImportResult r = run("{seq:3}\\{file.name}.{file.ext}");
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(r.copied + r.alreadyThere, kFiles);
    int published = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dest)) {
        if (!e.is_regular_file()) continue;
        std::string name = e.path().filename().string();
        if (name.find(".lumivore-part") != std::string::npos) continue;
        published++;
        EXPECT_EQ(name.find(" ("), std::string::npos) << name;
        EXPECT_EQ(lvtest::readFile(e.path().string()), lvtest::readFile(onCard("DCIM/" + name))) << name;
    }
    EXPECT_EQ(published, kFiles);
}
#endif

TEST(ImportTiles, EveryTileSaysHowManyOfItsPhotosAreShownAndTheLastFoldsTheRest) {
    const std::string d = joinPath("card-import", "dest");
    const std::string dot = "  \xC2\xB7  ";
    std::vector<ImportFolderTile> folders = {{d, 3, 2}, {joinPath(d, "2024"), 5, 4}, {joinPath(d, "VIDEO"), 2, 0},
                                             {joinPath(d, "A"), 1, 1}, {joinPath(d, "B"), 7, 6}};
    struct Case {
        size_t maxTiles;
        std::vector<int> shown;
        std::vector<std::pair<std::string, std::string>> want;
    } cases[] = {
        {4, {2, 1, 0, 0, 9}, {{"(the destination folder itself)", "2 of 2 shown" + dot + "3 files"},
                             {"2024", "1 of 4 shown" + dot + "5 files"},
                             {"VIDEO", "2 files"},
                             {"+2 more", "6 of 7 shown" + dot + "8 files"}}},  // 0 of A + 9 clamped to B's 6
        {5, {}, {{"(the destination folder itself)", "2 of 2 shown" + dot + "3 files"},
                 {"2024", "4 of 4 shown" + dot + "5 files"},
                 {"VIDEO", "2 files"},
                 {"A", "1 of 1 shown" + dot + "1 file"},
                 {"B", "6 of 6 shown" + dot + "7 files"}}},
        {0, {-1}, {{"+5 more", "11 of 13 shown" + dot + "18 files"}}},
    };
    for (const Case& c : cases) {
        std::vector<ImportTileText> got = describeImportTiles(d, folders, c.shown, c.maxTiles);
        ASSERT_EQ(got.size(), c.want.size()) << c.maxTiles;
        for (size_t i = 0; i < got.size(); i++) {
            EXPECT_EQ(got[i].caption, c.want[i].first) << c.maxTiles << " tile " << i;
            EXPECT_EQ(got[i].counts, c.want[i].second) << c.maxTiles << " tile " << i;
        }
    }
}
