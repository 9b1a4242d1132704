// The platform layer on the system it was built for: the same tests run natively on Linux and
// under Wine for the Windows build.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "core/pathname.h"
#include "platform/platform.h"
#include "test_support.h"

using namespace lv;

TEST(Errors, ErrnoMapsToTheWindowsNumbersMessagesUse) {
    EXPECT_EQ(winErrorFromErrno(0), 0u);
    EXPECT_EQ(winErrorFromErrno(ENOENT), 2u);
    EXPECT_EQ(winErrorFromErrno(ENOTDIR), 3u);
    EXPECT_EQ(winErrorFromErrno(EACCES), 5u);
    EXPECT_EQ(winErrorFromErrno(EPERM), 5u);
    EXPECT_EQ(winErrorFromErrno(EBUSY), 32u);
    EXPECT_EQ(winErrorFromErrno(EROFS), 19u);
    EXPECT_EQ(winErrorFromErrno(ENOSPC), 112u);
    EXPECT_EQ(winErrorFromErrno(EEXIST), 183u);
    EXPECT_EQ(winErrorFromErrno(ENAMETOOLONG), 206u);
    EXPECT_EQ(winErrorFromErrno(EIO), 1117u);
    EXPECT_EQ(winErrorFromErrno(EDOM), 31u);  // no Windows meaning: the documented fallback
}

TEST(Files, MissingFilesAndFoldersGiveTheirCodes) {
    lvtest::TempDir dir;
    FileHandle f;
    EXPECT_EQ(fileOpenRead(dir.file("absent.jpg"), &f), kErrFileNotFound);
    EXPECT_FALSE(f.valid());
    WinErr e = fileOpenRead(joinPath(dir.file("no-folder"), "x.jpg"), &f);
    EXPECT_TRUE(e == kErrPathNotFound || e == kErrFileNotFound) << e;
    EXPECT_EQ(fileOpenRead(dir.path, &f), kErrAccessDenied);  // a folder is not a file
}

TEST(Files, WriteReadSizeAndSetEnd) {
    lvtest::TempDir dir;
    std::string p = dir.file("a.bin");
    FileHandle f;
    ASSERT_EQ(fileCreate(p, CreateMode::CreateAlways, &f), 0u);
    ASSERT_EQ(fileWrite(f, "hello world", 11), 0u);
    ASSERT_EQ(fileFlush(f), 0u);
    ASSERT_EQ(fileSetEnd(f, 5), 0u);
    ASSERT_EQ(fileWrite(f, "!", 1), 0u);  // writing goes on at the new end
    fileClose(&f);
    EXPECT_EQ(lvtest::readFile(p), "hello!");

    ASSERT_EQ(fileOpenRead(p, &f), 0u);
    uint64_t size = 0;
    ASSERT_EQ(fileSize(f, &size), 0u);
    EXPECT_EQ(size, 6u);
    char buf[16] = {};
    size_t got = 99;
    ASSERT_EQ(fileReadAt(f, 4, buf, sizeof buf, &got), 0u);
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(std::string(buf, got), "o!");
    ASSERT_EQ(fileReadAt(f, 1000, buf, sizeof buf, &got), 0u);  // past the end: nothing, no error
    EXPECT_EQ(got, 0u);
    // Shared read: another program may still open the file for writing while we read it.
    // (Replacing it by rename while it is open works on POSIX but not on every Windows.)
    FileHandle w;
    ASSERT_EQ(fileCreate(p, CreateMode::OpenExisting, &w), 0u);
    ASSERT_EQ(fileWrite(w, "new", 3), 0u);
    fileClose(&w);
    ASSERT_EQ(fileReadAt(f, 0, buf, sizeof buf, &got), 0u);
    EXPECT_EQ(std::string(buf, got), "newlo!");
    fileClose(&f);

    EXPECT_EQ(fileCreate(p, CreateMode::CreateNew, &f), kErrFileExists);
}

TEST(Files, WriteTimeRoundTripsAsWindowsFileTime) {
    lvtest::TempDir dir;
    std::string p = dir.file("t.jpg");
    ASSERT_TRUE(lvtest::writeFile(p, "x"));
    // 2021-07-24 14:23:06.5 UTC
    uint64_t ft = fileTimeFromUnix(1627136586, 500000000);
    ASSERT_EQ(pathSetWriteTime(p, ft), 0u);
    uint64_t back = 0;
    ASSERT_EQ(pathWriteTime(p, &back), 0u);
    EXPECT_EQ(back, ft);
    FileHandle f;
    ASSERT_EQ(fileOpenRead(p, &f), 0u);
    ASSERT_EQ(fileGetWriteTime(f, &back), 0u);
    fileClose(&f);
    EXPECT_EQ(back, ft);
    uint64_t now = fileTimeNow();
    EXPECT_GT(now, fileTimeFromUnix(1700000000));  // after 2023: the epoch offset is right
}

TEST(Files, MoveWithoutReplaceRefusesAnExistingTarget) {
    lvtest::TempDir dir;
    std::string a = dir.file("a.xmp"), b = dir.file("b.xmp");
    ASSERT_TRUE(lvtest::writeFile(a, "first"));
    ASSERT_TRUE(lvtest::writeFile(b, "second"));
    WinErr e = fileMove(a, b, false);
    EXPECT_TRUE(e == kErrAlreadyExists || e == kErrFileExists) << e;
    EXPECT_EQ(lvtest::readFile(a), "first");
    EXPECT_EQ(lvtest::readFile(b), "second");
    EXPECT_EQ(fileMove(a, b, true), 0u);
    EXPECT_FALSE(pathExists(a));
    EXPECT_EQ(lvtest::readFile(b), "first");
    EXPECT_EQ(fileMove(b, dir.file("c.xmp"), false), 0u);
    EXPECT_EQ(lvtest::readFile(dir.file("c.xmp")), "first");
    EXPECT_EQ(fileMove(dir.file("none"), dir.file("d"), false), kErrFileNotFound);
}

TEST(Files, CopyKeepsContentAndTimeAndHonoursFailIfExists) {
    lvtest::TempDir dir;
    std::string a = dir.file("a.CR2"), b = dir.file("b.CR2");
    std::string content(3u << 20, 'x');  // larger than one copy block
    content[12345] = 'y';
    ASSERT_TRUE(lvtest::writeFile(a, content));
    ASSERT_EQ(pathSetWriteTime(a, fileTimeFromUnix(1500000000)), 0u);
    ASSERT_EQ(fileCopy(a, b, true), 0u);
    EXPECT_EQ(lvtest::readFile(b), content);
    uint64_t t = 0;
    ASSERT_EQ(pathWriteTime(b, &t), 0u);
    EXPECT_EQ(t, fileTimeFromUnix(1500000000));
    WinErr e = fileCopy(a, b, true);
    EXPECT_TRUE(e == kErrFileExists || e == kErrAlreadyExists) << e;
}

TEST(Files, LongPathsBeyondThreeHundredCharacters) {
    lvtest::TempDir dir;
    std::string deep = dir.path;
    while (deep.size() < 320) deep = joinPath(deep, "a-rather-long-folder-name-for-a-shoot");
    ASSERT_EQ(folderCreateAll(deep), 0u);
    EXPECT_TRUE(isFolder(deep));
    EXPECT_EQ(folderCreateAll(deep), 0u);  // existing: success
    std::string p = joinPath(deep, "IMG_0001.CR2.xmp");
    ASSERT_GT(p.size(), 300u);
    ASSERT_TRUE(lvtest::writeFile(p, "<x/>"));
    EXPECT_EQ(lvtest::readFile(p), "<x/>");
    std::vector<DirEntry> list;
    ASSERT_EQ(listFolder(deep, &list), 0u);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "IMG_0001.CR2.xmp");
    EXPECT_EQ(fileMove(p, p + ".moved", false), 0u);
    EXPECT_TRUE(pathExists(p + ".moved"));
}

// [SECTION] replacing a file

TEST(Replace, TemporaryNamesFitTheNameLimit) {
    struct Case {
        std::string name, tag;
        size_t limit;
        bool utf16;
        std::string expect;
    } cases[] = {
        {"a.xmp", "", 255, false, "a.xmp.tmp"},
        {"a.xmp", "0badf00d", 255, false, "a.xmp.0badf00d.tmp"},
        {std::string(254, 'n'), "", 255, false, std::string(251, 'n') + ".tmp"},
        {"ab\xC3\xA9" "cd", "", 7, false, "ab.tmp"},                   // never half of "é"
        {"\xF0\x9F\x93\xB7" "x", "", 6, true, "\xF0\x9F\x93\xB7.tmp"},  // a 4-byte sequence is 2 units
        {"\xF0\x9F\x93\xB7" "x", "", 6, false, ".tmp"},
    };
    for (const Case& c : cases) EXPECT_EQ(tempFileName(c.name, c.tag, c.limit, c.utf16), c.expect) << c.name;
}

TEST(Replace, ReplacesCompletelyAndKeepsWhatSurroundsTheFile) {
    lvtest::TempDir dir;
    std::string p = dir.file("IMG_1.CR2.xmp");
    ASSERT_EQ(fileReplace(p, "new", 3), 0u);  // no old file
    EXPECT_EQ(lvtest::readFile(p), "new");
    ASSERT_TRUE(lvtest::writeFile(p, std::string(5000, 'o')));
    ASSERT_EQ(fileReplace(p, "short", 5), 0u);
    EXPECT_EQ(lvtest::readFile(p), "short");
    // A 250-byte name leaves no room for ".tmp" after it.
    std::string longName = dir.file(std::string(246, 'n') + ".xmp");
    ASSERT_EQ(fileReplace(longName, "a", 1), 0u);
    ASSERT_EQ(fileReplace(longName, "b", 1), 0u);
    EXPECT_EQ(lvtest::readFile(longName), "b");
#ifndef _WIN32
    // The mode stays; another name of the old file keeps the old text, as a rename must.
    ASSERT_EQ(::chmod(p.c_str(), 0640), 0);
    ASSERT_EQ(::link(p.c_str(), dir.file("backup.xmp").c_str()), 0);
    ASSERT_EQ(fileReplace(p, "third", 5), 0u);
    struct stat st;
    ASSERT_EQ(::stat(p.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_nlink, 1u);
    EXPECT_EQ(lvtest::readFile(dir.file("backup.xmp")), "short");
#endif
    std::vector<DirEntry> list;
    ASSERT_EQ(listFolder(dir.path, &list), 0u);
    for (const DirEntry& e : list) EXPECT_EQ(e.name.find(".tmp"), std::string::npos) << e.name;
}

// [SECTION] special files

#ifndef _WIN32
// A pipe named like a photo never blocks a read: open gives 1920 at once, listing leaves it out.
// The alarm ends the program should an open wait after all.
TEST(SpecialFiles, PipesAreNotOpenedAndNotListed) {
    lvtest::TempDir dir;
    std::string fifo = dir.file("x.CR2");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_TRUE(lvtest::writeFile(dir.file("y.CR2"), "raw"));
    ::alarm(20);
    FileHandle f;
    EXPECT_EQ(fileOpenRead(fifo, &f), kErrCantAccessFile);
    EXPECT_FALSE(f.valid());
    std::string text;
    EXPECT_EQ(fileReadAll(fifo, &text), kErrCantAccessFile);
    EXPECT_EQ(sha256File(fifo, &text), kErrCantAccessFile);
    EXPECT_EQ(fileOpenRead("/dev/null", &f), kErrCantAccessFile);
    ::alarm(0);
    std::vector<DirEntry> list;
    ASSERT_EQ(listFolder(dir.path, &list), 0u);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "y.CR2");
    // A regular file still reads after the non-blocking open.
    ASSERT_EQ(fileReadAll(dir.file("y.CR2"), &text), 0u);
    EXPECT_EQ(text, "raw");
    EXPECT_EQ(fileDelete(fifo), 0u);
}
#endif

TEST(Listing, ReportsNamesKindsSizesAndTimes) {
    lvtest::TempDir dir;
    ASSERT_TRUE(lvtest::writeFile(dir.file("DSC_0001.NEF"), std::string(1234, 'n')));
    ASSERT_EQ(folderCreateAll(dir.file("sub")), 0u);
    ASSERT_EQ(pathSetWriteTime(dir.file("DSC_0001.NEF"), fileTimeFromUnix(1600000000)), 0u);
#ifndef _WIN32
    ASSERT_TRUE(lvtest::writeFile(dir.file(".hidden.jpg"), "h"));
    std::string target = dir.file("sub");
    ASSERT_EQ(std::system(("ln -s '" + target + "' '" + dir.file("link") + "'").c_str()), 0);
#endif
    std::vector<DirEntry> list;
    ASSERT_EQ(listFolder(dir.path, &list), 0u);
    std::map<std::string, DirEntry> by;
    for (const DirEntry& e : list) by[e.name] = e;
    EXPECT_FALSE(by.count(".") || by.count(".."));
    const DirEntry &nef = by["DSC_0001.NEF"], &sub = by["sub"];
    EXPECT_TRUE(!nef.isFolder && !nef.hidden && nef.size == 1234u && nef.writeTime == fileTimeFromUnix(1600000000));
    EXPECT_TRUE(sub.isFolder && !sub.reparse);
#ifdef _WIN32
    EXPECT_EQ(by.size(), 2u);
#else
    EXPECT_EQ(by.size(), 4u);
    EXPECT_TRUE(by[".hidden.jpg"].hidden);
    EXPECT_TRUE(by["link"].reparse);
#endif
    WinErr e = listFolder(dir.file("absent"), &list);
    EXPECT_TRUE(e == kErrFileNotFound || e == kErrPathNotFound) << e;
}

TEST(Listing, NamesInTheOrderNtfsGives) {
    // Each name sorts before the next: upper-cased UTF-16 units compared as numbers.
    const char* kOrder[] = {"A.jpg", "a1.jpg", "b.JPG", "IMG_10.jpg", "img_9.jpg", "Z.jpg", "_x.jpg",
                            "\xC3\xA9t\xC3\xA9.jpg" /* U+00E9 upper-cases to U+00C9, after every ASCII letter */};
    const size_t n = sizeof kOrder / sizeof kOrder[0];
    for (size_t i = 0; i + 1 < n; i++) {
        EXPECT_LT(compareFileNames(kOrder[i], kOrder[i + 1]), 0) << kOrder[i] << " < " << kOrder[i + 1];
        EXPECT_GT(compareFileNames(kOrder[i + 1], kOrder[i]), 0) << kOrder[i + 1];
    }
    EXPECT_EQ(compareFileNames("img_0001.cr2", "IMG_0001.CR2"), 0);
#ifndef _WIN32
    // The POSIX listing itself, whatever order the files were created in (Windows shows what its
    // file system gives, which on NTFS is this order too).
    lvtest::TempDir dir;
    for (size_t i : {4u, 0u, 7u, 2u, 6u, 1u, 5u, 3u}) ASSERT_TRUE(lvtest::writeFile(dir.file(kOrder[i]), "x"));
    std::vector<DirEntry> list;
    ASSERT_EQ(listFolder(dir.path, &list), 0u);
    ASSERT_EQ(list.size(), n);
    for (size_t i = 0; i < n; i++) EXPECT_EQ(list[i].name, kOrder[i]) << i;
#endif
}

TEST(Files, SameFileSeesLinksAndOtherSpellings) {
    lvtest::TempDir dir;
    ASSERT_TRUE(lvtest::writeFile(dir.file("a.jpg"), "a"));
    ASSERT_TRUE(lvtest::writeFile(dir.file("b.jpg"), "a"));
    ASSERT_EQ(folderCreateAll(dir.file("sub")), 0u);
    EXPECT_TRUE(sameFile(dir.file("a.jpg"), joinPath(joinPath(dir.file("sub"), ".."), "a.jpg")));
    EXPECT_FALSE(sameFile(dir.file("a.jpg"), dir.file("b.jpg")));  // same bytes, another file
    EXPECT_FALSE(sameFile(dir.file("a.jpg"), dir.file("absent.jpg")));
#ifndef _WIN32
    ASSERT_EQ(std::system(("ln '" + dir.file("a.jpg") + "' '" + dir.file("hard.jpg") + "'").c_str()), 0);
    EXPECT_TRUE(sameFile(dir.file("a.jpg"), dir.file("hard.jpg")));
    // The system's own words travel with the Windows number.
    FileHandle f;
    EXPECT_EQ(fileOpenRead(dir.path, &f), kErrAccessDenied);
    EXPECT_EQ(systemErrorText(kErrAccessDenied), "is a folder");
    EXPECT_EQ(systemErrorText(kErrDiskFull), "");  // not what the last failure gave
#endif
}

TEST(Volumes, FreeSpaceMountPointAndStableSerial) {
    lvtest::TempDir dir;
    VolumeInfo a, b;
    ASSERT_EQ(volumeInfo(dir.path, &a), 0u);
    ASSERT_EQ(volumeInfo(dir.file(""), &b), 0u);
    EXPECT_GT(a.freeBytes, 0u);
    EXPECT_GE(a.totalBytes, a.freeBytes);
    EXPECT_GT(a.clusterSize, 0u);
    EXPECT_FALSE(a.mountPoint.empty());
    EXPECT_TRUE(isSeparator(a.mountPoint.back()));
    EXPECT_EQ(fullPath(dir.path).compare(0, a.mountPoint.size() - 1, a.mountPoint, 0, a.mountPoint.size() - 1), 0)
        << a.mountPoint << " does not hold " << dir.path;
    EXPECT_EQ(a.serial, b.serial);
    EXPECT_EQ(a.mountPoint, b.mountPoint);
}

TEST(Environment, FoldersAndProcessors) {
    EXPECT_GE(processorCount(), 1);
    EXPECT_TRUE(envGet("LUMIVORE_SURELY_UNSET_VARIABLE").empty());
    std::string pf = programFolder();
    ASSERT_FALSE(pf.empty());
    EXPECT_TRUE(isSeparator(pf.back()));
    EXPECT_TRUE(isFolder(pf));
    std::string a = appDataRoot();
    if (!a.empty()) {
        EXPECT_FALSE(isSeparator(a.back()));
    }
}

namespace {
struct Counter {
    Lock lock;
    long value = 0;
};
void addMany(void* p) {
    Counter* c = static_cast<Counter*>(p);
    for (int i = 0; i < 100000; i++) {
        LockGuard g(c->lock);
        c->value++;
    }
}
}  // namespace

TEST(Threads, StartJoinAndLock) {
    Counter c;
    Thread t[4];
    for (Thread& th : t) ASSERT_EQ(threadStart(&th, 1u << 20, addMany, &c), 0u);
    for (Thread& th : t) threadJoin(&th);
    EXPECT_EQ(c.value, 400000);
    Thread never;
    threadJoin(&never);  // a no-op
    uint32_t t0 = tickCountMs();
    uint64_t p0 = perfCounter();
    sleepMs(60);
    EXPECT_GE(tickCountMs() - t0, 40u);  // the tick count may move in 16 ms steps
    EXPECT_GE(double(perfCounter() - p0) / double(perfFrequency()), 0.025);
}

TEST(Sha256, KnownVectorsIncrementalAndFile) {
    auto hashOf = [](const std::string& s, size_t chunk) {
        Sha256 h;
        EXPECT_EQ(sha256Begin(&h), 0u);
        for (size_t i = 0; i < s.size(); i += chunk) sha256Update(&h, s.data() + i, std::min(chunk, s.size() - i));
        uint8_t d[32];
        EXPECT_EQ(sha256End(&h, d), 0u);
        return hexUpper(d, 32);
    };
    EXPECT_EQ(hashOf("", 1), "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855");
    EXPECT_EQ(hashOf("abc", 1), "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
    std::string two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    EXPECT_EQ(hashOf(two, 7), "248D6A61D20638B8E5C026930C3E6039A33CE45964FF2167F6ECEDD419DB06C1");
    std::string million(1000000, 'a');
    const char* millionHash = "CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0";
    EXPECT_EQ(hashOf(million, 1000000), millionHash);
    EXPECT_EQ(hashOf(million, 4093), millionHash);  // odd chunks cross block boundaries

    lvtest::TempDir dir;
    ASSERT_TRUE(lvtest::writeFile(dir.file("m.bin"), million));
    std::string hex;
    ASSERT_EQ(sha256File(dir.file("m.bin"), &hex), 0u);
    EXPECT_EQ(hex, millionHash);
    EXPECT_EQ(sha256File(dir.file("absent"), &hex), kErrFileNotFound);
    EXPECT_TRUE(hex.empty());
}

// [SECTION] JPEG decoding
namespace {
struct Px {
    int b, g, r;
};
Px at(const Bgra& img, int x, int y) {
    const uint8_t* p = &img.pixels[(size_t(y) * img.width + x) * 4];
    return {p[0], p[1], p[2]};
}
// The test picture: left half a grey ramp, right half red, green and blue bars from the top.
void expectTestPicture(const Bgra& img) {
    int w = img.width, h = img.height;
    Px dark = at(img, 1, h / 2), midGrey = at(img, w / 4, h / 2);
    EXPECT_LT(dark.r, 40);
    EXPECT_NEAR(midGrey.r, 128, 30);
    EXPECT_NEAR(midGrey.g, midGrey.b, 12);
    Px red = at(img, w * 3 / 4, h / 6), green = at(img, w * 3 / 4, h / 2), blue = at(img, w * 3 / 4, h * 5 / 6);
    EXPECT_GT(red.r, 200);
    EXPECT_LT(red.g, 60);
    EXPECT_GT(green.g, 200);
    EXPECT_LT(green.r, 60);
    EXPECT_GT(blue.b, 200);
    EXPECT_LT(blue.g, 60);
    for (size_t i = 3; i < img.pixels.size(); i += 4 * 997) ASSERT_EQ(img.pixels[i], 255);  // opaque
}
}  // namespace

TEST(Jpeg, SizeFullDecodeAndScaledDecode) {
    std::string jpg = lvtest::makeJpeg(640, 480);
    const uint8_t* p = reinterpret_cast<const uint8_t*>(jpg.data());
    int w = 0, h = 0;
    ASSERT_EQ(jpegSize(p, jpg.size(), &w, &h), 0u);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);

    Bgra full;
    ASSERT_EQ(jpegDecode(p, jpg.size(), &full), 0u);
    ASSERT_EQ(full.width, 640);
    ASSERT_EQ(full.height, 480);
    ASSERT_EQ(full.pixels.size(), 640u * 480u * 4u);
    expectTestPicture(full);

    // DCT scaling lands on 160x120 exactly; 213x97 needs the filter after it; 1000x700 enlarges.
    for (auto [tw, th] : {std::pair{160, 120}, std::pair{213, 97}, std::pair{1000, 700}, std::pair{1, 1}}) {
        Bgra s;
        ASSERT_EQ(jpegDecodeScaled(p, jpg.size(), tw, th, &s), 0u) << tw << "x" << th;
        ASSERT_EQ(s.width, tw);
        ASSERT_EQ(s.height, th);
        ASSERT_EQ(s.pixels.size(), size_t(tw) * th * 4);
        if (tw > 8) expectTestPicture(s);
    }
    Bgra none;
    EXPECT_EQ(jpegDecodeScaled(p, jpg.size(), 0, 10, &none), kErrInvalidParameter);
}

TEST(Jpeg, CorruptAndTruncatedDataGiveAnErrorNotACrash) {
    std::string jpg = lvtest::makeJpeg(320, 240);
    Bgra out;
    auto decode = [&](const std::string& s) {
        return jpegDecodeScaled(reinterpret_cast<const uint8_t*>(s.data()), s.size(), 100, 75, &out);
    };
    EXPECT_EQ(decode(""), kErrInvalidData);
    EXPECT_EQ(decode("not a jpeg at all"), kErrInvalidData);
    EXPECT_EQ(decode(jpg.substr(0, 2)), kErrInvalidData);
    EXPECT_EQ(decode(jpg.substr(0, jpg.find("\xFF\xDA"))), kErrInvalidData);  // headers only
    EXPECT_NE(decode(jpg.substr(0, jpg.size() / 2)), kErrOk);  // cut in the middle of the scan
    EXPECT_TRUE(out.pixels.empty());
    std::string bad = jpg;
    for (size_t i = 0; i < bad.size(); i++)
        if (uint8_t(bad[i]) == 0xFF && uint8_t(bad[i + 1]) == 0xC0) bad[i + 7] = bad[i + 8] = 0;  // zero width
    EXPECT_EQ(decode(bad), kErrInvalidData);
    EXPECT_EQ(decode(jpg), kErrOk);
}

// A header may claim any size: decodes are refused before any pixel memory when the claim is
// over the ceiling or more than the data can hold, and a real picture of its size still decodes.
TEST(Jpeg, ClaimedSizeIsCheckedAgainstTheCeilingAndTheData) {
    const std::string jpg = lvtest::makeJpeg(320, 240);
    auto claiming = [&](int w, int h) {
        std::string s = jpg;
        size_t sof = s.find("\xFF\xC0");
        s[sof + 5] = char(h >> 8), s[sof + 6] = char(h), s[sof + 7] = char(w >> 8), s[sof + 8] = char(w);
        return s;
    };
    struct Case {
        std::string data;
        WinErr expect;
    } cases[] = {
        {jpg, kErrOk},
        {claiming(16384, 16384), kErrInvalidData},     // 268 million pixels from a few KB
        {claiming(65535, 65535), kErrNotEnoughMemory},  // over the ceiling whatever the data
        {claiming(2000, 2000), kErrInvalidData},
        {claiming(int(jpg.size() * kJpegPixelsPerByte / 240), 240), kErrOk},  // the bound itself
    };
    for (const Case& c : cases) {
        const uint8_t* p = reinterpret_cast<const uint8_t*>(c.data.data());
        int w = 0, h = 0;
        EXPECT_EQ(jpegDecodeAllowed(p, c.data.size(), &w, &h), c.expect) << c.data.size();
        if (c.expect == kErrOk) continue;
        Bgra out;
        EXPECT_EQ(jpegDecode(p, c.data.size(), &out), c.expect);
        EXPECT_EQ(jpegDecodeScaled(p, c.data.size(), 64, 48, &out), c.expect);
        EXPECT_TRUE(out.pixels.empty());
    }
    Bgra out;
    EXPECT_EQ(jpegDecodeScaled(reinterpret_cast<const uint8_t*>(jpg.data()), jpg.size(), 32768, 32768, &out),
              kErrNotEnoughMemory);
}
