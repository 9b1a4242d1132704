#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <utility>

#include "core/ini.h"
#include "core/pathname.h"
#include "core/settings.h"
#include "core/texts.h"
#include "platform/platform.h"
#include "test_support.h"

namespace {

lv::Settings load(const std::string& text, int dpi = 96, lv::LoadReport* rep = nullptr) {
    lv::Settings s;
    lv::LoadReport r = lv::loadSettingsText(text, true, dpi, &s);
    if (rep) *rep = r;
    return s;
}

size_t rowOf(const char* section, const char* key) {
    for (size_t i = 0; i < lv::settingKeyCount(); i++)
        if (std::string(lv::settingKey(i).section) == section && std::string(lv::settingKey(i).key) == key) return i;
    ADD_FAILURE() << section << "/" << key << " is not in the key table";
    return 0;
}

TEST(SettingsFolders, LocationsFromTheRoots) {
    const std::string s(1, lv::kPathSep);
    const std::string root = s + "home" + s + "u" + s + ".config";
    const std::string want = root + s + "Lumivore" + s + "Configuration" + s;
    EXPECT_EQ(lv::configFolderFrom(root, "prog" + s), want);
    EXPECT_EQ(lv::configFolderFrom(root + s, "prog" + s), want);  // a final separator is dropped
    EXPECT_EQ(lv::configFolderFrom("", "prog" + s), "prog" + s);   // no application data: beside the program
    EXPECT_EQ(lv::journalFolderFrom(root), root + s + "Lumivore" + s + "Import journals" + s);
    EXPECT_EQ(lv::journalFolderFrom(""), "");
    EXPECT_EQ(lv::cacheRootFrom("t" + s), "t" + s + "Lumivore" + s + "Cache" + s);
}

TEST(SettingsLoad, MissingFileGivesEveryDefault) {
    lvtest::TempDir dir;
    lv::Settings s;
    s.cacheMode = 3;
    s.stripHeight = 1;
    lv::LoadReport r = lv::loadSettingsFrom(dir.file("none.ini"), 144, &s);
    EXPECT_FALSE(r.fileExisted);
    for (size_t i = 0; i < lv::settingKeyCount(); i++) EXPECT_FALSE(r.fromFile[i]);
    EXPECT_EQ(s.cacheMode, 2);
    EXPECT_EQ(s.previewCacheMB, 256);
    EXPECT_EQ(s.stripHeight, 180);  // 120 at 150 %
    EXPECT_EQ(s.exifPanelW, 510);
    EXPECT_EQ(s.windowW, 1920);
    EXPECT_EQ(s.windowH, 1080);
    EXPECT_EQ(s.slideshowMs, 1000);
    EXPECT_EQ(s.burstMs, 100);
    EXPECT_TRUE(s.stripShow && s.statusBarShow && s.exifPanelShow && s.includeSidecars);
    EXPECT_FALSE(s.includePartners);
    EXPECT_EQ(s.language, "en");
    EXPECT_FALSE(s.exportTemplate.empty());
    EXPECT_FALSE(s.importTemplate.empty());
}

// Values outside their rules keep the defaults and are named with the reason; accepted and absent
// values are not, nor are the sections of the recent list.
TEST(SettingsLoad, ValuesOutsideTheirRulesKeepDefaults) {
    lv::LoadReport rep;
    lv::Settings s = load(
        "[Application]\r\nCacheMode=4\r\nPreviewCacheMB=8\r\nSlideshowMs=99\r\nBurstMs=abc\r\nWindowW=100\r\n"
        "WindowH=0\r\nColour=blue\r\n"
        "[FilmStrip]\r\nStripHeight=59\r\nStripShow=0\r\nStatusBarShow=7\r\nStripFollow=2\r\n"
        "[EXIFInformation]\r\nExifPanelW=249\r\nExifPanelSide=1\r\nExifPanelShow=0\r\nSecCollapsed=5\r\n"
        "[Recent]\r\nFullPath1=C:\\x.jpg\r\n",
        96, &rep);
    std::multiset<std::string> ignored;
    for (const lv::IgnoredSetting& g : rep.ignored) ignored.insert(g.key + "=" + g.value + ": " + g.reason);
    EXPECT_EQ(ignored, (std::multiset<std::string>{
                           "CacheMode=4: out of range (1 to 3)", "SlideshowMs=99: out of range (100 to 60000)",
                           "BurstMs=abc: not a number", "WindowH=0: not above 0", "Colour=blue: unknown key",
                           "StripHeight=59: below the minimum 60", "ExifPanelW=249: below the minimum 250"}));
    EXPECT_EQ(s.cacheMode, 2);
    EXPECT_FALSE(rep.fromFile[rowOf("Application", "CacheMode")]);
    EXPECT_EQ(s.previewCacheMB, 8);  // the file may hold less than the dialog allows
    EXPECT_TRUE(rep.fromFile[rowOf("Application", "PreviewCacheMB")]);
    EXPECT_EQ(s.slideshowMs, 1000);
    EXPECT_EQ(s.burstMs, 100);
    EXPECT_EQ(s.windowW, 320);  // raised to the minimum
    EXPECT_EQ(s.windowH, 720);  // not more than 0: default
    EXPECT_EQ(s.stripHeight, 120);
    EXPECT_FALSE(s.stripShow);
    EXPECT_TRUE(s.statusBarShow);
    EXPECT_EQ(s.stripFollow, 0);  // only 1 means 1
    EXPECT_EQ(s.exifPanelW, 340);
    EXPECT_EQ(s.exifPanelSide, 1);
    EXPECT_FALSE(s.exifPanelShow);
    EXPECT_EQ(s.secCollapsed, 5);
    EXPECT_EQ(s.secHidden, 0);
}

TEST(SettingsLoad, WindowMinimumIsScaledUpwards) {
    // 100 stored units at 150 % is 150 pixels, below ceil(320 * 1.5) = 480.
    EXPECT_EQ(load("[Application]\r\nWindowW=100\r\nWindowH=100\r\n", 144).windowW, 480);
    // At 110 DPI: ceil(240 * 110 / 96) = ceil(275) = 275 and ceil(320 * 110 / 96) = ceil(366.67) = 367.
    lv::Settings s = load("[Application]\r\nWindowW=1\r\nWindowH=1\r\n", 110);
    EXPECT_EQ(s.windowW, 367);
    EXPECT_EQ(s.windowH, 275);
}

TEST(SettingsLoad, TextRules) {
    lv::Settings s = load(
        "[Application]\r\nLanguage=  DE-at \r\n"
        "[Import]\r\nExcludedTypes= .MOV|.Thm \r\nSource=  E:\\DCIM  \r\nDestination=\r\nTemplate=   \r\n"
        "[Export]\r\nTemplate=  D:\\Out\\{year}  \r\nFilter= rating:3 \r\n");
    EXPECT_EQ(s.language, "de-at");
    EXPECT_EQ(s.excludedTypes, ".mov|.thm|");
    EXPECT_EQ(s.importSource, "E:\\DCIM");
    EXPECT_EQ(s.importDestination, "");
    EXPECT_EQ(s.importTemplate, lv::defaultSettings(96).importTemplate);
    EXPECT_EQ(s.exportTemplate, "D:\\Out\\{year}");
    EXPECT_EQ(s.exportFilter, "rating:3");
    EXPECT_EQ(load("[Import]\r\nExcludedTypes=.cr2|\r\n").excludedTypes, ".cr2|");
    EXPECT_EQ(load("[Application]\r\nLanguage= \r\n").language, "en");
}

std::string legacy(const std::string& fixed, const std::string& beside, int mode) {
    return "legacy(" + fixed + "," + beside + "," + std::to_string(mode) + ")";
}
bool rejectBadTemplates(std::string* t) {
    if (t->find("bad") != std::string::npos) return false;
    *t = "normalised:" + *t;
    return true;
}
std::string canonicalFilter(const std::string& f) { return "canon:" + f; }

TEST(SettingsLoad, RulesOfOtherSubsystemsGoThroughTheirHooks) {
    lv::SettingsHooks saved = lv::settingsHooks();
    lv::SettingsHooks h;
    h.exportTemplateFromLegacy = legacy;
    h.normaliseImportTemplate = rejectBadTemplates;
    h.importTemplateDefault = [] { return std::string("default-import"); };
    h.normaliseFilter = canonicalFilter;
    lv::setSettingsHooks(h);
    lv::LoadReport rep;
    lv::Settings s = load(
        "[Export]\r\nFixedFolder=D:\\Fixed\r\nDestinationMode=1\r\nFilter=x\r\n[Import]\r\nTemplate=bad one\r\n", 96,
        &rep);
    EXPECT_EQ(s.exportTemplate, "legacy(D:\\Fixed,,1)");
    EXPECT_FALSE(rep.fromFile[rowOf("Export", "Template")]);
    EXPECT_EQ(s.importTemplate, "default-import");
    EXPECT_EQ(s.exportFilter, "canon:x");
    EXPECT_EQ(s.importFilter, "");
    EXPECT_EQ(load("[Import]\r\nTemplate= {year} \r\n").importTemplate, "normalised:{year}");
    lv::setSettingsHooks(saved);
}

TEST(SettingsScale, LengthsRoundTripAtEveryCommonDpi) {
    for (int dpi : {96, 120, 144, 192}) {
        for (int v : {60, 61, 119, 120, 121, 250, 251, 333, 340, 341, 999}) {
            int px = lv::scaleLength(v, dpi);
            EXPECT_EQ(lv::unscaleLength(px, dpi), v) << v << " at " << dpi;
        }
    }
    EXPECT_EQ(lv::scaleLength(340, 144), 510);
    EXPECT_EQ(lv::scaleLength(121, 120), 151);  // 151.25
    EXPECT_EQ(lv::scaleLength(122, 120), 153);  // 152.5 rounds up
    EXPECT_EQ(lv::unscaleLength(151, 120), 121);
    EXPECT_EQ(lv::scaleLengthCeil(320, 120), 400);
    EXPECT_EQ(lv::scaleLength(120, 0), 120);  // no screen reading counts as 100 %

    std::string file =
        "[Application]\r\nWindowW=1001\r\nWindowH=601\r\n[FilmStrip]\r\nStripHeight=61\r\n[EXIFInformation]\r\n"
        "ExifPanelW=341\r\n";
    for (int dpi : {96, 120, 144, 192}) {
        lv::Settings s = load(file, dpi);
        std::string again = lv::saveSettingsText(file, s, dpi);
        for (const char* k : {"WindowW", "WindowH"})
            EXPECT_EQ(lv::iniGet(again, "Application", k, ""), lv::iniGet(file, "Application", k, "")) << k << dpi;
        EXPECT_EQ(lv::iniGet(again, "FilmStrip", "StripHeight", ""), "61") << dpi;
        EXPECT_EQ(lv::iniGet(again, "EXIFInformation", "ExifPanelW", ""), "341") << dpi;
    }
}

TEST(SettingsSave, UnknownKeysSectionsAndCommentsSurvive) {
    const std::string file =
        "; mine\r\n[Application]\r\ncachemode = 1\r\nMyOwnKey=keep me\r\nLanguage=fr\r\n\r\n[Recent]\r\n"
        "FullPath1=C:\\a\r\n[Filter]\r\nTokenCount=0\r\n";
    lv::Settings s = load(file);
    s.cacheMode = 3;
    s.language = "xx";  // the language is never written back
    s.importSource = "F:\\";
    std::string out = lv::saveSettingsText(file, s, 96);
    EXPECT_EQ(lv::iniGet(out, "Application", "CacheMode", ""), "3");
    EXPECT_EQ(lv::iniGet(out, "Application", "Language", ""), "fr");
    EXPECT_EQ(lv::iniGet(out, "Import", "Source", ""), "F:\\");
    // Every line the save did not own is still there, in order.
    size_t at = 0;
    for (const char* line : {"; mine\r\n", "MyOwnKey=keep me\r\n", "Language=fr\r\n", "[Recent]\r\n",
                             "FullPath1=C:\\a\r\n", "[Filter]\r\n", "TokenCount=0\r\n"}) {
        size_t p = out.find(line, at);
        ASSERT_NE(p, std::string::npos) << line;
        at = p;
    }
    EXPECT_EQ(out.find("cachemode = 1"), std::string::npos);
    // Each saved key appears exactly once.
    for (size_t i = 0; i < lv::settingKeyCount(); i++) {
        lv::SettingKey k = lv::settingKey(i);
        if (!k.saved) continue;
        std::string line = std::string("\n") + k.key + "=";
        size_t first = out.find(line);
        EXPECT_NE(first, std::string::npos) << k.key;
    }
    // Saving what was loaded is stable.
    lv::Settings again = load(out);
    EXPECT_EQ(lv::saveSettingsText(out, again, 96), out);
}

TEST(SettingsSave, FileRoundTripAndUnreadableFileLeftAlone) {
    lvtest::TempDir dir;
    std::string path = dir.file("Lumivore.ini");
    lv::Settings s = lv::defaultSettings(120);
    s.exifPanelW = 510;
    ASSERT_EQ(lv::saveSettingsTo(path, s, 120), 0u);
    EXPECT_EQ(lv::iniReadInt(path, "EXIFInformation", "ExifPanelW", 0), 408);
    lv::Settings back;
    lv::LoadReport rep = lv::loadSettingsFrom(path, 120, &back);
    EXPECT_TRUE(rep.fileExisted);
    EXPECT_TRUE(rep.fromFile[rowOf("EXIFInformation", "ExifPanelW")]);
    EXPECT_EQ(back.exifPanelW, 510);
    EXPECT_EQ(back.windowW, s.windowW);

    // A settings file that exists but cannot be read is not replaced by defaults.
    std::string big = dir.file("big.ini");
    lv::FileHandle f;
    ASSERT_EQ(lv::fileCreate(big, lv::CreateMode::CreateAlways, &f), 0u);
    ASSERT_EQ(lv::fileSetEnd(f, 40u << 20), 0u);
    lv::fileClose(&f);
    EXPECT_NE(lv::saveSettingsTo(big, s, 96), 0u);
    rep = lv::loadSettingsFrom(big, 96, &back);
    EXPECT_EQ(back.cacheMode, 2);
    EXPECT_EQ(lvtest::readFile(big).size(), size_t(40u << 20));
}

TEST(SettingsDialog, NumbersAreCheckedInOrderWithTheirRanges) {
    lv::buildTextTable("en");
    lv::Settings s;
    lv::SettingsDialogInput in;
    in.cacheMode = 1;
    in.stripFollow = 1;
    in.slideshowMs = " 500 ";
    in.burstMs = "20";
    in.previewCacheMB = "8";
    lv::SettingsDialogResult r = lv::applySettingsDialog(in, &s);
    EXPECT_EQ(r.failed, lv::SettingsField::PreviewCache);
    EXPECT_EQ(r.message, "Preview cache size must be a whole number of megabytes.\r\nAllowed range: 16 - 1024 MB");
    // The radio choices took effect; the numbers did not.
    EXPECT_EQ(s.cacheMode, 1);
    EXPECT_EQ(s.stripFollow, 1);
    EXPECT_EQ(s.slideshowMs, 1000);
    EXPECT_EQ(s.burstMs, 100);

    in.slideshowMs = "1e3";
    in.burstMs = "4";
    r = lv::applySettingsDialog(in, &s);
    EXPECT_EQ(r.failed, lv::SettingsField::Slideshow);  // the first failure wins
    EXPECT_EQ(r.message, "Slideshow speed must be a whole number of milliseconds.\r\nAllowed range: 100 - 60000 ms");
    in.slideshowMs = "500";
    r = lv::applySettingsDialog(in, &s);
    EXPECT_EQ(r.failed, lv::SettingsField::Burst);
    EXPECT_EQ(r.message, "Burst speed must be a whole number of milliseconds.\r\nAllowed range: 5 - 1000 ms");

    in.burstMs = "1000";
    in.previewCacheMB = "\t16 ";
    r = lv::applySettingsDialog(in, &s);
    EXPECT_EQ(r.failed, lv::SettingsField::None);
    EXPECT_EQ(r.message, "");
    EXPECT_EQ(s.slideshowMs, 500);
    EXPECT_EQ(s.burstMs, 1000);
    EXPECT_EQ(s.previewCacheMB, 16);
}

TEST(SettingsDialog, FieldSyntax) {
    int v = -1;
    for (const char* bad : {"", "   ", "500ms", "1e3", "-5", "+5", "5 00", "5.0", "99999999999999999999", "4294967396"})
        EXPECT_FALSE(lv::parseDialogNumber(bad, 0, 2147483647, &v)) << bad;
    EXPECT_EQ(v, -1);
    EXPECT_TRUE(lv::parseDialogNumber("2147483647", 0, 2147483647, &v));
    EXPECT_EQ(v, 2147483647);
    EXPECT_TRUE(lv::parseDialogNumber("007", 5, 10, &v));
    EXPECT_EQ(v, 7);
    EXPECT_FALSE(lv::parseDialogNumber("11", 5, 10, &v));
}

TEST(SettingsDialog, CacheLines) {
    const std::string s(1, lv::kPathSep);
    const std::string temp = "T" + s + "Temp";
    const std::string root = lv::cacheRootFrom(temp);
    EXPECT_EQ(lv::cacheRootShown(root, temp), "%TEMP%" + s + "Lumivore" + s + "Cache" + s);
    EXPECT_EQ(lv::cacheRootShown(root, temp + s), "%TEMP%" + s + "Lumivore" + s + "Cache" + s);
    EXPECT_EQ(lv::cacheRootShown(root, "T" + s + "Te"), root);  // a prefix that is not a whole folder
    EXPECT_EQ(lv::cacheRootShown(root, ""), root);
    lv::buildTextTable("en");
    // Exact halves of a tenth of a megabyte go up, as the "0.0" format does (printf would show
    // 0.25 MB as 0.2); 9.96 MB carries into the units; the largest count keeps its digits.
    const std::pair<uint64_t, const char*> kSizes[] = {
        {0, "0.0"},       {5u << 20 | 1u << 19, "5.5"}, {104857, "0.1"},    {262144, "0.3"},
        {1310720, "1.3"}, {786432, "0.8"},              {52428, "0.0"},     {52429, "0.1"},
        {10443817, "10.0"}, {UINT64_MAX, "17592186044416.0"},
    };
    for (const auto& [bytes, mb] : kSizes)
        EXPECT_EQ(lv::cacheSizeLine(bytes), std::string("Thumbnail cache on disk: ") + mb + " MB") << bytes;
}

}  // namespace
