#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "core/ini.h"
#include "platform/platform.h"
#include "test_support.h"

namespace {

using lv::iniGet;
using lv::iniGetInt;
using lv::iniSet;

// Written as a person would: odd case, spacing, comments, duplicates, junk.
const std::string kHandEdited =
    "; Lumivore settings, edited by hand\r\n"
    "orphan=before any section\r\n"
    "\r\n"
    "[ application ]\r\n"
    "  cachemode =  3  \r\n"
    "# PreviewCacheMB=999\r\n"
    ";SlideshowMs=5\r\n"
    "SlideshowMs=2000 ; two seconds\r\n"
    "a line without an equals sign\r\n"
    "CACHEMODE=1\r\n"
    "Note=a=b=c\r\n"
    "\r\n"
    "[FilmStrip]\r\n"
    "StripHeight=200\r\n"
    "[APPLICATION]\r\n"
    "BurstMs=50\r\n"
    "CacheMode=2\r\n";

TEST(IniRead, SectionsAndKeysIgnoreCaseAndSpacing) {
    EXPECT_EQ(iniGet(kHandEdited, "Application", "CacheMode", "x"), "3");
    EXPECT_EQ(iniGetInt(kHandEdited, "APPLICATION", "cacheMODE", 0), 3);
    EXPECT_EQ(iniGet(kHandEdited, " Application ", " CacheMode ", "x"), "3");
    EXPECT_EQ(iniGet(kHandEdited, "filmstrip", "stripheight", "x"), "200");
}

TEST(IniRead, CommentsJunkAndFirstOccurrence) {
    // Whole-line comments are never keys, however they look.
    EXPECT_EQ(iniGet(kHandEdited, "Application", "PreviewCacheMB", "none"), "none");
    for (const auto& [key, value] : lv::iniKeysOf(kHandEdited, "application"))
        EXPECT_TRUE(key[0] != '#' && key[0] != ';') << key;
    // ";" inside a value is part of it; its leading number is still read.
    EXPECT_EQ(iniGet(kHandEdited, "Application", "SlideshowMs", ""), "2000 ; two seconds");
    EXPECT_EQ(iniGetInt(kHandEdited, "Application", "SlideshowMs", 0), 2000);
    EXPECT_EQ(iniGet(kHandEdited, "Application", "Note", ""), "a=b=c");
    // A key before any header belongs to no section.
    EXPECT_EQ(iniGet(kHandEdited, "", "orphan", "none"), "none");
    // A repeated section still contributes keys the first one lacks.
    EXPECT_EQ(iniGetInt(kHandEdited, "Application", "BurstMs", 0), 50);
    EXPECT_EQ(iniGetInt(kHandEdited, "Application", "Missing", 77), 77);
    EXPECT_EQ(iniGetInt("[A]\r\nK=   \r\n", "A", "K", 77), 77);  // blank value means default
    EXPECT_EQ(iniGet("[A]\nK=v\n[B]\nK=w", "B", "K", ""), "w");   // LF only and no final break
}

TEST(IniRead, LeadingNumberRoundsHalfToEven) {
    struct {
        const char* in;
        int want;
    } cases[] = {
        {"12abc", 12}, {"abc", 0},  {"2.5", 2},   {"3.5", 4},   {"2.51", 3}, {"-2.5", -2},
        {"-3.5", -4},  {"1.49", 1}, {" 7 ", 7},   {"+5", 5},    {"-", 0},    {".5", 0},
        {"1.5x", 2},   {"0x10", 0}, {"1e3", 1},   {"-0.7", -1}, {"120.", 120},
        {"99999999999", INT_MAX},   {"-99999999999", INT_MIN},
    };
    for (const auto& c : cases) EXPECT_EQ(lv::leadingNumber(c.in), c.want) << c.in;
}

TEST(IniWrite, UntouchedLinesSurviveByteForByte) {
    std::string out = iniSet(kHandEdited, "application", "CacheMode", "1");
    std::string want = kHandEdited;
    want.replace(want.find("  cachemode =  3  "), 18, "CacheMode=1");
    EXPECT_EQ(out, want);
    // Setting the same value again changes nothing further.
    EXPECT_EQ(iniSet(out, "Application", "CacheMode", "1"), out);
}

TEST(IniWrite, KeyMissingFromItsSectionGoesBeforeTheNextHeader) {
    std::string text = "[A]\r\nX=1\r\n\r\n; about B\r\n[B]\r\nY=2\r\n";
    EXPECT_EQ(iniSet(text, "A", "Z", "9"), "[A]\r\nX=1\r\n\r\n; about B\r\nZ=9\r\n[B]\r\nY=2\r\n");
    // In the last section it is appended.
    EXPECT_EQ(iniSet(text, "b", "Z", " padded "), text + "Z= padded \r\n");
    // Only the first of duplicate keys is replaced.
    EXPECT_EQ(iniSet("[A]\r\nK=1\r\nK=2\r\n", "A", "k", "3"), "[A]\r\nk=3\r\nK=2\r\n");
}

TEST(IniWrite, MissingSectionIsAppendedAndLineEndsBecomeCrLf) {
    EXPECT_EQ(iniSet("", " New ", " Key ", "v"), "[New]\r\nKey=v\r\n");
    EXPECT_EQ(iniSet("x=1\n[A]\nK=1", "B", "K", "2"), "x=1\r\n[A]\r\nK=1\r\n[B]\r\nK=2\r\n");
    EXPECT_EQ(lv::iniSetInt("", "A", "N", -42), "[A]\r\nN=-42\r\n");
}

TEST(IniWrite, ALineBreakInAValueOrSectionCannotInjectKeys) {
    std::string out = iniSet("[A]\r\n", "A", "Name", "evil\r\n[Application]\r\nCacheMode=3");
    EXPECT_EQ(iniGet(out, "Application", "CacheMode", "none"), "none");
    EXPECT_EQ(iniGet(out, "A", "Name", ""), "evil  [Application]  CacheMode=3");
    EXPECT_EQ(iniSet("", "B]\nCacheMode=3\n[C", "K", "v"), "[B] CacheMode=3 [C]\r\nK=v\r\n");
}

TEST(IniReplaceSection, FirstCopyReplacedLaterCopiesDropped) {
    std::string text =
        "; top\r\n[Recent]\r\nFullPath1=a\r\nFullPath2=b\r\n; kept? no\r\n[Other]\r\nK=v\r\n[recent]\r\nFullPath9=z\r\n"
        "[Tail]\r\nT=1\r\n";
    std::string keys[] = {"FullPath1", "FullPath2"};
    std::string values[] = {"new1", "new2"};
    std::string out = lv::iniReplaceSectionText(text, "Recent", keys, values, 2);
    EXPECT_EQ(out, "; top\r\n[Recent]\r\nFullPath1=new1\r\nFullPath2=new2\r\n[Other]\r\nK=v\r\n[Tail]\r\nT=1\r\n");
    EXPECT_EQ(lv::iniReplaceSectionText("[A]\r\nK=1\r\n", "B", keys, values, 1), "[A]\r\nK=1\r\n[B]\r\nFullPath1=new1\r\n");
    EXPECT_EQ(lv::iniReplaceSectionText(text, "Other", keys, values, 0),
              "; top\r\n[Recent]\r\nFullPath1=a\r\nFullPath2=b\r\n; kept? no\r\n[Other]\r\n[recent]\r\nFullPath9=z\r\n"
              "[Tail]\r\nT=1\r\n");
}

TEST(IniEncoding, AnsiFileReadsAsTheSameCharacters) {
    // "München €–" saved by an editor in Windows-1252.
    std::string ansi = "[Import]\r\nSource=M\xFCnchen \x80\x96\r\n";
    std::string text = lv::iniTextFromBytes(ansi);
    EXPECT_EQ(iniGet(text, "Import", "Source", ""), "M\xC3\xBCnchen \xE2\x82\xAC\xE2\x80\x93");
    // Valid UTF-8 is taken as it is, and a byte-order mark does not hide the first header.
    std::string utf8 = "[Import]\r\nSource=M\xC3\xBCnchen\r\n";
    EXPECT_EQ(lv::iniTextFromBytes(utf8), utf8);
    EXPECT_EQ(iniGet(lv::iniTextFromBytes("\xEF\xBB\xBF" + utf8), "Import", "Source", ""), "M\xC3\xBCnchen");
    // The unassigned bytes keep their code points rather than vanishing.
    EXPECT_EQ(lv::utf8FromAnsi("\x81\x9D\xFF"), "\xC2\x81\xC2\x9D\xC3\xBF");
}

TEST(IniEncoding, Utf8Validation) {
    EXPECT_TRUE(lv::isValidUtf8("plain ascii"));
    EXPECT_TRUE(lv::isValidUtf8("\xF0\x9F\x93\xB7 \xE2\x82\xAC"));
    EXPECT_FALSE(lv::isValidUtf8("\xC0\x80"));          // overlong
    EXPECT_FALSE(lv::isValidUtf8("\xE0\x80\xAF"));      // overlong
    EXPECT_FALSE(lv::isValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(lv::isValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_FALSE(lv::isValidUtf8("\xE2\x82"));          // cut short
    EXPECT_FALSE(lv::isValidUtf8("caf\xE9"));           // Latin-1
}

TEST(IniFile, WritesThroughATemporaryAndCreatesMissingFiles) {
    lvtest::TempDir dir;
    std::string path = dir.file("Lumivore.ini");
    EXPECT_EQ(lv::iniReadString(path, "A", "K"), "");
    EXPECT_EQ(lv::iniReadInt(path, "A", "K", 5), 5);
    ASSERT_EQ(lv::iniWriteInt(path, "A", "K", 12), 0u);
    ASSERT_EQ(lv::iniWriteString(path, "B", "Name", "x y"), 0u);
    EXPECT_EQ(lvtest::readFile(path), "[A]\r\nK=12\r\n[B]\r\nName=x y\r\n");
    EXPECT_EQ(lv::iniReadInt(path, "a", "k", 0), 12);
    EXPECT_FALSE(lv::pathExists(path + ".tmp"));
    std::string keys[] = {"P1"}, values[] = {"v"};
    ASSERT_EQ(lv::iniReplaceSection(path, "A", keys, values, 1), 0u);
    EXPECT_EQ(lvtest::readFile(path), "[A]\r\nP1=v\r\n[B]\r\nName=x y\r\n");
}

TEST(IniFile, AFileWeCannotReadIsNeverRewritten) {
    lvtest::TempDir dir;
    std::string path = dir.file("Lumivore.ini");
    // Far larger than any settings file: refused on reading, so it must not be replaced by
    // a file holding only the one key.
    lv::FileHandle f;
    ASSERT_EQ(lv::fileCreate(path, lv::CreateMode::CreateAlways, &f), 0u);
    ASSERT_EQ(lv::fileWrite(f, "[A]\r\nK=1\r\n", 10), 0u);
    ASSERT_EQ(lv::fileSetEnd(f, 40u << 20), 0u);
    lv::fileClose(&f);
    EXPECT_NE(lv::iniWriteString(path, "A", "K", "2"), 0u);
    EXPECT_NE(lv::iniWriteInt(path, "A", "K", 2), 0u);
    std::string keys[] = {"K"}, values[] = {"2"};
    EXPECT_NE(lv::iniReplaceSection(path, "A", keys, values, 1), 0u);
    uint64_t size = 0;
    ASSERT_EQ(lv::fileOpenRead(path, &f), 0u);
    ASSERT_EQ(lv::fileSize(f, &size), 0u);
    lv::fileClose(&f);
    EXPECT_EQ(size, uint64_t(40u << 20));
    EXPECT_EQ(lv::iniReadInt(path, "A", "K", 9), 9);  // unreadable reads as empty
}

#ifndef _WIN32
TEST(IniFile, APipeIsNeitherWaitedForNorReplaced) {
    lvtest::TempDir dir;
    std::string path = dir.file("Lumivore.ini");
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    ::alarm(20);  // ends the program should a read wait for a writer after all
    std::string text;
    EXPECT_EQ(lv::iniReadFile(path, &text), lv::kErrCantAccessFile);
    EXPECT_EQ(lv::iniWriteString(path, "A", "K", "2"), lv::kErrCantAccessFile);
    ::alarm(0);
    EXPECT_EQ(lv::fileDelete(path), 0u);  // still the pipe: a file would have been replaced
}
#endif

// Random hand-edited files: whatever the layout, a set value reads back and no other value moves.
TEST(IniProperties, SetAndReplaceTouchOnlyTheirTarget) {
    const char* pool[] = {"[A]", "[a]", " [ B ] ", "[C]", "[A", "K=1", " k = 2 ", "L=3", "M = a=b", ";K=9",
                          "#L=8", "", "   ", "no equals here", "=empty key", "K=", "l=  spaced  ", "[]"};
    const char* sections[] = {"A", "B", "C", "D"};
    const char* keys[] = {"K", "L", "M"};
    std::mt19937 rng(12345);
    for (int round = 0; round < 400; round++) {
        std::string text;
        int n = int(rng() % 14);
        for (int i = 0; i < n; i++)
            text += std::string(pool[rng() % (sizeof pool / sizeof *pool)]) + (rng() % 3 ? "\r\n" : "\n");
        const char* sec = sections[rng() % 4];
        const char* key = keys[rng() % 3];
        std::string value = "v" + std::to_string(rng() % 1000);
        std::string out = iniSet(text, sec, key, value);
        ASSERT_EQ(iniGet(out, sec, key, "?"), value) << text;
        EXPECT_EQ(iniSet(out, sec, key, value), out) << text;
        for (const char* s2 : sections)
            for (const char* k2 : keys) {
                if (std::string(s2) == sec && std::string(k2) == key) continue;
                EXPECT_EQ(iniGet(out, s2, k2, "?"), iniGet(text, s2, k2, "?")) << s2 << "/" << k2 << " in\n" << text;
            }

        std::string newKeys[] = {"K", "M"}, newValues[] = {"r1", "r2"};
        std::string rep = lv::iniReplaceSectionText(text, sec, newKeys, newValues, 2);
        EXPECT_EQ(iniGet(rep, sec, "K", "?"), "r1") << text;
        EXPECT_EQ(iniGet(rep, sec, "M", "?"), "r2") << text;
        EXPECT_EQ(iniGet(rep, sec, "L", "?"), "?") << text;
        for (const char* s2 : sections) {
            if (std::string(s2) == sec) continue;
            for (const char* k2 : keys) EXPECT_EQ(iniGet(rep, s2, k2, "?"), iniGet(text, s2, k2, "?")) << text;
        }
    }
}

// Setting many keys in one pass gives exactly the text that setting them one by one gives:
// replaced in place, missing keys at the end of the first block, new sections in order.
TEST(IniWrite, SetManyMatchesOneByOne) {
    const std::vector<lv::IniAssignment> items = {
        {"Application", "CacheMode", "1"},  {"application", "NewKey", "n"}, {"FilmStrip", "StripHeight", "150"},
        {"Fresh", "A", "1"},                {" Other ", "B", "line\r\nbreak"}, {"fresh", "C", "3"},
        {"Application", "BurstMs", "60"},
    };
    const std::string texts[] = {kHandEdited, "", "[Fresh]\nA=0", "orphan=1\n[FilmStrip]\n[FilmStrip]\nStripHeight=9\n",
                                 "\r[Appli\rcation]\nCache\rMode=4"};
    for (const std::string& text : texts) {
        std::string oneByOne = text;
        for (const auto& it : items) oneByOne = iniSet(oneByOne, it.section, it.key, it.value);
        EXPECT_EQ(lv::iniSetMany(text, items.data(), items.size()), oneByOne) << text;
    }
}

TEST(IniRead, IndexAnswersAsIniGet) {
    const std::string texts[] = {kHandEdited, "", "K=1\n[A]\nK=\n[a]\nK=2\nJ= 5 \r\n", "[A]\nK\r=\r3"};
    const char* const lookups[][2] = {{"Application", "CacheMode"}, {"application", "burstms"}, {" Application ", "Note"},
                                      {"FilmStrip", "StripHeight"},  {"", "orphan"},            {"A", "K"},
                                      {"A", "J"},                    {"A", "Missing"},          {"Nowhere", "K"}};
    for (const std::string& text : texts) {
        lv::IniIndex index;
        lv::iniIndexBuild(text, &index);
        for (const auto& q : lookups) {
            EXPECT_EQ(lv::iniIndexGet(index, q[0], q[1], "def"), iniGet(text, q[0], q[1], "def")) << q[0] << "/" << q[1];
            EXPECT_EQ(lv::iniIndexGetInt(index, q[0], q[1], -7), iniGetInt(text, q[0], q[1], -7)) << q[0] << "/" << q[1];
        }
    }
}

// [SECTION] settings file encoding
// A file that is not UTF-8 is read in the code page of the system it was saved on; only where
// the system has none does the Western table stand in.
TEST(IniEncoding, NonUtf8FileFollowsTheSystemCodePage) {
    const std::string bytes = "[Import]\r\nDestination=D:\\Zdj\xEA" "cia\r\n";
    ASSERT_FALSE(lv::isValidUtf8(bytes));
    std::string viaSystem;
    if (lv::utf8FromSystemAnsi(bytes, &viaSystem)) {
        EXPECT_TRUE(lv::isValidUtf8(viaSystem));
        EXPECT_EQ(lv::iniTextFromBytes(bytes), viaSystem);
    } else {
        EXPECT_EQ(lv::iniTextFromBytes(bytes), lv::utf8FromAnsi(bytes));
        EXPECT_EQ(lv::iniGet(lv::iniTextFromBytes(bytes), "Import", "Destination", ""), "D:\\Zdj\xC3\xAA" "cia");
    }
}

}  // namespace
