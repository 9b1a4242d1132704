#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/texts.h"
#include "library/filekinds.h"

namespace {

// The table's keys in the order it is built; a translator's file and the menus rely on both.
const char* const kKeyOrder[] = {
    "FilterSuffix", "GdiplusInitFailed", "NoPreview", "LabelAF", "ThumbPending", "ThumbNoPreview", "RatingFmt",
    "AFNotDetected", "SettingsTitle", "SettingsCacheLabel", "SettingsCacheRAM", "SettingsCacheDisk",
    "SettingsCacheNone", "SettingsCachePath", "SettingsLangLabel", "SettingsOpenBtn", "SettingsPlaybackLabel",
    "SettingsSlideshowLabel", "SettingsBurstLabel", "SettingsBadSlideshow", "SettingsBadBurst",
    "SettingsPvCacheLabel", "SettingsBadPvCache", "SettingsCacheSizeLabel", "SettingsStripLabel",
    "SettingsStripFollowEdge", "SettingsStripFollowCenter", "ExportBadChar", "ExportBadSlash", "ExportNeedAbsolute",
    "ExportBadDotDot", "ExportBadTrailing", "ExportBadEmptyPart", "ExportBadReserved", "ExportTplUnknown",
    "ExportTplFolderFirst", "ExportTokFolderPath", "ExportTokFolderName", "ExportTokDate", "ExportTokYear",
    "ExportTokMonth", "ExportTokDay", "ExportTokCounter", "SettingsRangeWord", "SettingsOK", "SettingsCancel",
    "MenuFile", "MenuOpenFolder", "MenuOpenFile", "MenuOpenClip", "MenuOpenRecent", "MenuRecentEmpty", "MenuExport",
    "MenuImport", "MenuRecentExports", "MenuExit", "MenuView", "MenuViewExif", "MenuStripShow", "MenuStatusBar",
    "StatusFiltered", "StatusFilterWaiting", "StatusSlideshow", "StatusBurst", "StatusExporting",
    "StatusExportPaused", "StatusExportReview", "StatusExportStopping", "StatusImportStopping", "StatusImporting",
    "StatusImportReading", "StatusImportPaused", "StatusImportReview", "StatusImported", "ImportTileMore",
    "ImportTileCopied", "ImportTileFiltered", "ImportTileNext", "ImportTilePhoto", "ImportTilePhotos",
    "MenuOrganize", "MenuFilter", "MenuOrderBy", "OrderFile", "OrderNameAZ", "OrderNameZA", "OrderTimeAZ",
    "OrderTimeZA", "MenuSettings", "MenuHelp", "MenuControls", "MenuAbout", "CtxRating", "CtxLabel", "CtxRateNone",
    "CtxRateReject", "CtxLabelNone", "CtxLabelRed", "CtxLabelYellow", "CtxLabelGreen", "CtxAF", "CtxLoupe",
    "CtxLoupeCenter", "CtxCrop", "CtxAddLoupe", "CtxAddLoupeFull", "CtxRemoveLoupe", "CtxRemoveFocusLoupe",
    "SidecarFailedTitle", "SidecarRatingFailed", "SidecarLabelFailed", "CtxFilter", "CtxJump", "CtxCopyName",
    "CtxReveal", "CtxCopyMeta", "CtxSwapPanel", "CtxHidePanel", "PanelTitle", "FilterTitle", "FilterRating",
    "FilterColour", "FilterFileType", "FilterTypeRaw", "FilterTypeJpeg", "FilterBurst", "FilterBurstIn",
    "FilterExpComp", "FilterOrientation", "FilterLandscape", "FilterPortrait", "FilterLens", "FilterCamera",
    "FilterFocus", "FilterAFS", "FilterAFC", "FilterMF", "FilterShutter", "FilterShutMech", "FilterShutElec",
    "FilterShutEFC", "FilterShutLeaf", "FilterISO", "FilterAperture", "FilterSpeed", "FilterTo", "FilterReset",
    "FilterApply", "FilterOK", "FilterCancel", "FilterScanning", "FilterScanWillApply", "FilterMatchTail",
    "FilterNoneMatch", "FilterActiveHdr", "FilterScanWaitMsg", "FilterScanWaitHint", "FilterRateNone",
    "FilterRateRejected", "FilterCatalogue", "FilterQueryHdr", "FilterEmptyHint", "FilterPickHint", "FilterNot",
    "FilterWaiting", "FilterNoNames", "FilterSelected", "MenuSavedFilters", "SavedFilterNone", "FilterSavedBtn",
    "FilterSaveAs", "FilterRenameSaved", "FilterRemoveSaved", "SavedFilterSaveTitle", "SavedFilterRenameTitle",
    "SavedFilterRemoveTitle", "SavedFilterNamePrompt", "FilterNameOK", "SavedFilterReplaceAsk",
    "SavedFilterRemoveAsk", "SavedFilterFull", "SavedFilterNoMatch", "SavedFilterUnusableTag",
    "SavedFilterUnusableLine", "SavedFilterUnusableAsk", "ExportTitle", "ExportWhatHdr", "ExportWillCopy",
    "PhotosFilterBtn", "ExportFilterShown", "ExportCountShown", "ExportCountFilter", "ExportCountWaiting",
    "ExportNoneShown", "ExportNoneFilter", "ExportSidecars", "ExportPartners", "ExportDestHdr", "ExportBrowse",
    "ExportStart", "ExportCancel", "ExportStop", "ExportStopExport", "ExportClose", "ExportDestExists",
    "ExportDestNew", "ExportDestWent", "ExportDestSource", "ExportOpenFolder", "ExportCopying",
    "ExportStoppingFile", "ExportBackgroundHint", "ExportQuitTitle", "ExportQuitAsk1", "ExportQuitAsk2",
    "ExportQuitExit", "ExportQuitWait", "ExportQuitWaitExit", "ExportPhotosCopied", "ExportSidecarsWord",
    "ExportSkippedWord", "ExportAlreadyWord", "ExportRatedDifferently", "ExportSidecarsFailed", "ExportFailedWord",
    "ExportPartLeftOne", "ExportPartLeftMany", "ExportCancelled", "ExportNothing", "ExportLogSkipped",
    "ExportLogRenamed", "ExportLogFailed", "ExportLogSidecar", "ExportLogRatingDiffers", "ExportLogNoName",
    "ExportLogHdr", "ExportCopyLog", "ExportErrAccess", "ExportErrNoPath", "ExportErrInUse", "ExportErrDiskFull",
    "ExportErrReadOnly", "ExportErrNetwork", "ExportErrExists", "ExportErrTooLong", "ExportErrShort",
    "ExportErrOther", "ImportErrNoPath", "ImportErrAccess", "ImportErrDevice", "ImportErrBadName", "ImportErrOther",
    "ImportErrHash", "ImportErrMemory", "ImportErrRead", "ImportErrShort", "ImportErrPublish", "ImportErrNoName", "ImportErrReadBack", "ImportErrReadBackFailed", "ImportLogKeptAs",
    "ExportNoDest", "ExportSameFolder", "ExportMkdirFailed", "ExportNoRoom", "ExportNoDrive", "ExportConflictTitle",
    "ExportConflictIntro", "ExportConflictThere", "ExportConflictNew", "ExportConflictKeep", "ExportApplyAll",
    "ExportSkip", "ExportKeepBoth", "ImportTitle", "ImportCardHdr", "ImportDestHdr", "ImportSecondLbl", "ImportVerifyReadBack", "ImportBrowse", "ImportStart",
    "ImportClose", "ImportFoldersLbl", "ImportUnknownToken", "ImportTplUnclosed", "ImportTplEmptyTok",
    "ImportTplBadSub", "ImportTplBadType", "ImportTplBadChars", "ImportTplNotUnique", "ImportTokYear",
    "ImportTokMonth", "ImportTokDay", "ImportTokHour", "ImportTokMinute", "ImportTokSecond", "ImportTokFileName",
    "ImportTokFileExt", "ImportTokFileType", "ImportTokFileTypeSub", "ImportTokSeq", "ImportTokCamera",
    "ImportTokCameraSh", "ImportTokLens", "ImportTokLensSh", "ImportTokSerial", "ImportChipDate",
    "ImportChipExtLower", "ImportChipExtUpper", "ImportChipExtAsIs", "ImportChipType", "ImportChipFolder",
    "ImportChipFolderNotRaw", "ImportChipTypeRaw", "ImportChipTypeSooc", "ImportChipTypeVideo",
    "ImportChipTypeAudio", "ImportChipTypeSidecar", "ImportChipTypeOther", "ImportChipSeq", "ImportChipKind",
    "ImportChipVolume", "ImportChipJob", "ImportChipNote", "ImportChipFull", "ImportChipShort",
    "ImportChipOwnFolder", "TokenMenuInsert", "TokenMenuChangeTo", "TokenMenuRemove", "TokenFieldUndo",
    "TokenFieldCut", "TokenFieldCopy", "TokenFieldPaste", "TokenFieldDelete", "TokenFieldSelectAll",
    "ImportPickCard", "ImportFilesWord", "ImportFileWord", "ImportFoldersWord", "ImportFolderWord",
    "ImportCardReading", "ImportCardStopped", "ImportCardNoRoom", "ImportPhotosLbl", "ImportPhotosAll",
    "ImportPhotosMatching", "ImportPhotosKept", "ImportPhotosNoMatch", "ImportPhotosReading", "ImportFilterAll",
    "ImportFilterCullNote", "ImportTypesLbl", "ImportTypesBtn", "ImportTypesNone", "ImportTypesMore",
    "ImportTypesLeft", "ImportTypesTitle", "ImportWhatPhotosHdr", "ImportWhatTypesHdr", "ImportTypesIntro",
    "ImportTypesNoCard", "ImportTypesHdrType", "ImportTypesHdrFiles", "ImportTypesHdrSize", "ImportTypesHdrKind",
    "ImportTypesOK", "ImportTypesCancel", "ImportTypeNoExt", "ImportKindPhoto", "ImportKindVideo",
    "ImportKindAudio", "ImportKindPhotoMeta", "ImportKindThumb", "ImportKindCameraFile", "ImportKindOther",
    "ImportStop", "ImportCopying", "ImportImported", "ImportSkipped", "ImportFailedWord", "ImportInWord",
    "ImportStopped", "ImportStopping", "ImportStoppingFile", "ImportNoRoom", "ImportNoDrive", "ImportNoRoomShort",
    "ImportSpaceFreeNow", "ImportSpaceFreeAfter", "ImportSpaceFreeWord", "ImportSpaceToCopy",
    "ImportSpaceWouldLeave", "ImportStopDiskFull", "ImportStopDestGone", "ImportSkippedWord", "ImportRestoreTitle",
    "ImportRestoreOne", "ImportRestoreMany", "ImportRestoreWhy", "ImportRestoreYes", "ImportRestoreNo",
    "ImportRestoredWord", "ImportNotRestored", "ImportConflictTitle", "ImportConflictIntro", "ImportApplyAll",
    "ImportConflictSkip", "ImportConflictKeep", "ImportLogHdr", "ImportLogHeld", "TriageTitle", "TriageStageHint",
    "TriageNoPreview", "TriageLeft", "TriageAverage", "ImportCull", "ImportBackgroundHint", "ImportReadingWhy",
    "ImportQuitTitle", "ImportQuitAsk1", "ImportQuitExit", "QuitBothTitle", "QuitBothExit", "QuitBothWait",
    "QuitBothWaitExit", "ImportCullTitle", "ImportCullIntro", "ImportCullOpen", "ImportCullCancel",
    "ImportCullPhoto", "ImportCullPhotos", "ImportCullRootRow", "HelpDlgTitle", "HelpClose", "DlgPickFolder",
    "DlgPickFile", "DlgFilterImages", "DlgFilterAll", "NoFilesMsg", "NoFilesTypes", "NoFilesTitle", "ClipPathTitle",
    "ClipEmptyMsg", "ClipBadMsg", "WelcomeTitleFirst", "WelcomeSubFirst", "WelcomeTitleBack", "WelcomeSubBack",
    "WelcomeStart", "WelcomeRecent", "WelcomeFormats", "WelcomeOpenSel", "WelcomeImport", "WelcomeShowImport",
    "WelcomeSubImport", "WelcomeImportAsk", "WelcomeQuitImport", "WelcomeOpenDir", "WelcomeOpenFile",
    "WelcomePasteHdr", "WelcomeOpenPath", "WelcomeDragHint", "WelcomeQuit", "RecentMissingTitle",
    "RecentMissingMsg", "RecentMissingAsk", "NoFilteredMsg", "AfcSensitivity", "AfcAreaSwitch", "AfcPrediction",
    "MetaAFArea", "MetaSubject", "MetaShutter", "MetaMetering", "MetaFirmware", "MetaKeyFile", "MetaKeyCaptured",
    "MetaKeyModel", "MetaKeyFirmware", "MetaKeyFocalLength", "MetaKeyRear", "MetaKeySide", "MetaKeyTop",
    "MetaKeyStab", "MetaKeyAperture", "MetaKeyShutter", "MetaKeyISO", "MetaKeyExpComp", "MetaKeyMetering",
    "MetaKeyLight", "MetaKeyFocusMode", "MetaKeyAFArea", "MetaKeySubject", "MetaKeyFocusDistance", "MetaKeyAfc",
    "MetaKeyEnvironment", "MetaKeyHighlightWarn", "MetaKeyShutterType", "MetaKeyDriveMode", "MetaKeyFrame",
    "MetaKeyWhiteBalance", "MetaKeyPhotoStyle", "MetaKeyLut", "MetaKeyDynamicRange", "MetaKeyTone", "MetaKeyAdjust",
    "MetaKeyEffects", "MetaKeyShutterCount", "MetaKeySensorTemp", "MetaKeyCameraTemp", "MetaKeyAmbientTemp",
    "MetaKeyBatteryTemp", "MetaKeyNote", "MetaNoteStripped", "MetaNoteNoExif", "MetaKeyProcessedWith",
    "MetaHiResMode", "CtxSections", "CtxCollapseSection", "CtxExpandSection", "CtxCopy", "CtxCopyAll",
    "CtxCopySection", "CtxCopyItem", "MetaLevel", "MetaBurst", "MetaSecFile", "MetaSecCamera", "MetaSecLens",
    "MetaSecLensFixed", "MetaSecStab", "MetaRoll", "MetaPitch", "MetaSecExposure", "MetaSecFocus", "MetaSecDrive",
    "MetaSecColor", "AFLockEye", "AFLockCenter", "MetaAfSizeNotRecorded", "MetaAfPointNotRecorded",
    "MetaAfSizeType", "AboutTitle", "AboutVersion", "AboutTagline", "AboutPreviews", "AboutSidecars",
    "AboutFormats", "AboutPrivacy", "AboutCopyright", "AboutClose",
    "ExportNeedAbsolutePosix", "WelcomeImportLater",
};

std::vector<lv::TextRow> rows() {
    size_t n = 0;
    const lv::TextRow* r = lv::builtinTextRows(&n);
    return std::vector<lv::TextRow>(r, r + n);
}

TEST(TextTable, EveryKeyOnceInTheListedOrder) {
    auto table = rows();
    const size_t want = sizeof kKeyOrder / sizeof kKeyOrder[0];
    ASSERT_EQ(want, 554u);
    ASSERT_EQ(table.size(), want);
    std::set<std::string> seen;
    for (size_t i = 0; i < table.size(); i++) {
        EXPECT_EQ(std::string(table[i].key), kKeyOrder[i]) << "row " << i;
        EXPECT_TRUE(seen.insert(table[i].key).second) << "repeated key " << table[i].key;
    }
}

TEST(TextTable, FamiliesHaveTheirSizes) {
    // Counting by the first word of the key cross-checks the order list above.
    std::map<std::string, int> fam;
    for (const auto& r : rows()) {
        std::string k = r.key;
        size_t e = 1;
        while (e < k.size() && !(k[e] >= 'A' && k[e] <= 'Z')) e++;
        fam[k.substr(0, e)]++;
    }
    const std::pair<const char*, int> want[] = {
        {"Import", 161}, {"Export", 91}, {"Meta", 63}, {"Filter", 54}, {"Ctx", 30}, {"Settings", 22},
        {"Menu", 22},    {"Welcome", 20}, {"Status", 14}, {"Saved", 12}, {"Token", 9}, {"About", 9},
        {"No", 5},       {"Order", 5},    {"Triage", 5},  {"Quit", 4},   {"Dlg", 4},   {"Sidecar", 3},
        {"Clip", 3},     {"Recent", 3},   {"Afc", 3},     {"Thumb", 2},  {"Help", 2},
    };
    for (const auto& [name, count] : want) EXPECT_EQ(fam[name], count) << name;
}

TEST(TextTable, TextsAreWellFormed) {
    const std::set<std::string> placeholders = {"formats", "vendors", "name", "count", "n", "files", "max",
                                                "done", "total", "arrived", "shown", "code", "file", "type"};
    for (const auto& r : rows()) {
        std::string t = r.text;
        EXPECT_FALSE(t.empty()) << r.key;
        for (size_t i = 0; i < t.size(); i++) {
            if (t[i] == '\n') {
                EXPECT_TRUE(i > 0 && t[i - 1] == '\r') << r.key << ": a line break must be CR LF";
            }
            if (t[i] == '\r') {
                EXPECT_TRUE(i + 1 < t.size() && t[i + 1] == '\n') << r.key;
            }
        }
        // Every "{name}" is one the callers fill; a misspelt one would show on screen.
        for (size_t open = t.find('{'); open != std::string::npos; open = t.find('{', open + 1)) {
            size_t close = t.find('}', open);
            if (close == std::string::npos) break;  // "Unclosed { in the template"
            std::string name = t.substr(open + 1, close - open - 1);
            if (name.empty()) continue;  // "Empty token {}"
            EXPECT_TRUE(placeholders.count(name)) << r.key << " uses {" << name << "}";
        }
    }
}

TEST(TextTable, QuotedTextsAreExact) {
    lv::buildTextTable("en");
    EXPECT_EQ(lv::text("GdiplusInitFailed"),
              "Failed to initialise graphic subsystem needed for rendering. The application will quit now, "
              "apologies.\r\n\r\nThe application needs Windows XP or newer to run.\r\nError code: GDIPLUS");
    EXPECT_EQ(lv::text("WelcomeTitleFirst"), "Welcome to Lumivore!");
    EXPECT_EQ(lv::text("MenuViewExif"), "Shot &information\tI");
    EXPECT_EQ(lv::text("MenuFilter"), "&Change filter...\tShift+X");
    EXPECT_EQ(lv::text("SavedFilterRemoveAsk"),
              "Remove the saved filter \"{name}\"? Only the filter goes. No photo is touched.");
    EXPECT_EQ(lv::text("ExportBadTrailing"),
              "A folder name cannot end with a space or a dot.\r\nWindows would silently drop it and create a "
              "different folder.");
    EXPECT_EQ(lv::text("ExportBadSlash"), "Use \\ between folders, not /.");
    EXPECT_EQ(lv::text("LabelAF"), "AF ");  // trailing spaces are part of the text
    EXPECT_EQ(lv::text("FilterSuffix"), " [Filter active]");
    EXPECT_EQ(lv::text("OrderTimeZA"), "Capture time (&newest first)");
}

TEST(TextLookup, MissingKeyShowsTheKeyAndLanguageIsEnglish) {
    lv::buildTextTable("  DE ");
    EXPECT_EQ(lv::activeLanguage(), "en");
    EXPECT_EQ(lv::text("NoSuchKey"), "NoSuchKey");
    EXPECT_EQ(lv::text(""), "");
    EXPECT_EQ(lv::text("nofilesmsg"), "nofilesmsg");  // keys are exact
    EXPECT_EQ(lv::text("NoFilesMsg"), "No photos found in:");
}

TEST(TextLookup, PhrasesOfTheLibraryAreFilledIn) {
    const std::string formats = lv::formatsPhrase();
    ASSERT_FALSE(formats.empty());
    EXPECT_EQ(lv::textWithFormats("DlgPickFile"), "Open a photo (" + formats + ")");
    EXPECT_EQ(lv::textWithFormats("NoFilesTypes"), "Looking for " + formats + " files.");
    EXPECT_EQ(lv::textWithFormats("MenuFile"), "&File");
    EXPECT_EQ(lv::textWithVendors("WelcomeFormats"),
              "Currently supported: raw and JPEG files from " + lv::vendorsPhrase() + ".");
}

TEST(Placeholders, LiteralCaseSensitiveAndNotRecursive) {
    using lv::fillPlaceholder;
    EXPECT_EQ(fillPlaceholder("{n} of {n}", "{n}", "3"), "3 of 3");
    EXPECT_EQ(fillPlaceholder("{n}{n}", "{n}", ""), "");
    EXPECT_EQ(fillPlaceholder("{name} and {Name}", "{name}", "x"), "x and {Name}");
    EXPECT_EQ(fillPlaceholder("a {n} b", "", "zzz"), "a {n} b");
    EXPECT_EQ(fillPlaceholder("no holes", "{n}", "3"), "no holes");
    // A value holding the placeholder itself is inserted once, not filled again.
    EXPECT_EQ(fillPlaceholder("{n}", "{n}", "{n}{n}"), "{n}{n}");
    // A saved filter named like a placeholder is shown as named.
    std::string u = fillPlaceholder(lv::text("SavedFilterReplaceAsk"), "{name}", "{count}");
    EXPECT_EQ(u, "A saved filter called \"{count}\" already exists. Replace it?");
}

}  // namespace
