#include <gtest/gtest.h>

#include "core/settings.h"
#include "library/filekinds.h"

using namespace lv;

static const PathStyle W = PathStyle::Windows;
static const PathStyle P = PathStyle::Posix;

TEST(FileKinds, FormatLookupMatchesWholeExtensionsIgnoringCase) {
    for (const char* n : {"photo.JPEG", "photo.jpeg", "photo.Jpg"}) {
        EXPECT_EQ(findPhotoFormat(n, W), 11) << n;
        EXPECT_EQ(classifyFile(n, W), FileKind::Jpeg) << n;
    }
    EXPECT_EQ(classifyFile("photo.jpe", W), FileKind::Other);
    EXPECT_EQ(classifyFile("photo.tif", W), FileKind::Other);
    EXPECT_EQ(findPhotoFormat("a.cr2", W), 4);
    EXPECT_EQ(findPhotoFormat("a.Cr3", W), 5);
    EXPECT_EQ(findPhotoFormat("b.fff", W), 0);
    EXPECT_EQ(findPhotoFormat("b.rwl", W), 9);
    // Only the last extension counts, and a partial or joined extension is no extension.
    EXPECT_EQ(classifyFile("archive.tar.CR3", W), FileKind::Raw);
    EXPECT_EQ(findPhotoFormat("x.CR", W), -1);
    EXPECT_EQ(findPhotoFormat("x.R2", W), -1);
    EXPECT_EQ(findPhotoFormat("x.CR2;", W), -1);
    EXPECT_EQ(findPhotoFormat("x.3FR;.FFF", W), 0);  // the last extension, .FFF
    EXPECT_EQ(findPhotoFormat("x.3FR;.FF", W), -1);
    EXPECT_EQ(classifyFile("noext", W), FileKind::Other);
    EXPECT_EQ(classifyFile("ends.", W), FileKind::Other);
    EXPECT_EQ(extensionKey("ends.", W), ".|");
    // A dot in a folder name is not the file's extension.
    EXPECT_EQ(findPhotoFormat("C:\\shoot.CR2\\readme", W), -1);
    EXPECT_EQ(findPhotoFormat("/shoot.CR2/readme", P), -1);
    EXPECT_EQ(findPhotoFormat("C:a.NEF", W), 6);
    // A backslash is part of a POSIX name, so this is a photo there but the rule is the same.
    EXPECT_EQ(findPhotoFormat("/x/a\\b.NEF", P), 6);
}

TEST(FileKinds, FlagsFollowTheFormat) {
    EXPECT_TRUE(isRawFile("a.ARQ", W));
    EXPECT_FALSE(isRawFile("a.jpg", W));
    EXPECT_FALSE(isRawFile("a.mov", W));
    EXPECT_FALSE(poolDecodeAllowed("a.ARW", W));
    EXPECT_FALSE(poolDecodeAllowed("a.cr3", W));
    EXPECT_FALSE(poolDecodeAllowed("a.rw2", W));
    EXPECT_TRUE(poolDecodeAllowed("a.nef", W));
    EXPECT_FALSE(poolDecodeAllowed("a.txt", W));
    int raws = 0;
    for (const PhotoFormat& f : photoFormats()) {
        EXPECT_LE(std::string(f.name).size(), 16u);
        EXPECT_LE(std::string(f.extensions).size(), 64u);
        raws += f.isRaw;
    }
    EXPECT_EQ(raws, 11);
}

TEST(FileKinds, OtherKindsAreMatchedInLowerCaseAndWhole) {
    EXPECT_EQ(classifyFile("clip.MP4", W), FileKind::Video);
    EXPECT_EQ(classifyFile("clip.mp", W), FileKind::Other);
    EXPECT_EQ(classifyFile("clip.m2ts", W), FileKind::Video);
    EXPECT_EQ(classifyFile("clip.ts", W), FileKind::Other);  // suffix of .mts and .m2ts
    EXPECT_EQ(classifyFile("voice.OPUS", W), FileKind::Audio);
    EXPECT_EQ(classifyFile("IMG_0001.xmp", W), FileKind::Sidecar);
    EXPECT_EQ(classifyFile("C:\\a\\.xmp", W), FileKind::Sidecar);
    EXPECT_EQ(classifyFile("/a/.xmp", P), FileKind::Sidecar);
    EXPECT_EQ(classifyFile("a.odd", W), FileKind::Other);
    EXPECT_STREQ(fileKindText(FileKind::Jpeg), "jpeg");
    EXPECT_STREQ(fileKindText(FileKind::Other), "other");
    EXPECT_EQ(kindDisplayName("  JPEG "), "sooc");
    EXPECT_EQ(kindDisplayName(" video"), "video");
}

TEST(FileKinds, TypeMapGivesKindsOnlyToOtherFiles) {
    std::string map;
    typeMapSet(map, ".dng", "video");
    typeMapSet(map, ".crm", " VIDEO ");
    typeMapSet(map, ".lrf", "raw");
    EXPECT_EQ(map, ".dng=video|.crm=video|.lrf=raw|");
    EXPECT_EQ(kindWithTypeMap("a.DNG", map, W), "raw");
    EXPECT_EQ(kindWithTypeMap("a.CRM", map, W), "video");
    EXPECT_EQ(kindWithTypeMap("a.xmp", ".xmp=raw|", W), "sidecar");
    EXPECT_EQ(kindWithTypeMap("a.zzz", map, W), "other");
    EXPECT_EQ(kindWithTypeMap("a.CRM", "", W), "other");
    // Replacing and removing keep the other entries; "other" is never stored.
    typeMapSet(map, ".crm", "raw");
    EXPECT_EQ(map, ".dng=video|.lrf=raw|.crm=raw|");
    typeMapSet(map, ".dng", "other");
    EXPECT_EQ(map, ".lrf=raw|.crm=raw|");
    EXPECT_EQ(typeMapGet(map, ".crm"), "raw");
    EXPECT_EQ(typeMapGet(map, ".rm"), "");  // must not match the tail of ".crm"
    EXPECT_EQ(typeMapGet("", ".crm"), "");
    EXPECT_EQ(typeMapGet(".a=raw", ".a"), "raw");  // last entry without its "|"
}

TEST(FileKinds, SanitizingKeepsOnlyWellFormedEntries) {
    EXPECT_EQ(sanitizeTypeMap("  .ABC=RAW  |x=raw|.def=other|.ghi=jpeg|=raw|.jkl = video|"), ".abc=raw|");
    EXPECT_EQ(sanitizeTypeMap(".a=raw|.a=video|.b=sooc"), ".a=video|.b=sooc|");
    EXPECT_EQ(sanitizeTypeMap(".a=ra|.b=raw|sooc|.c=aw"), ".b=raw|");  // values are whole items only
    EXPECT_EQ(sanitizeTypeMap(""), "");
    EXPECT_EQ(sanitizeTypeMap("|||"), "");
    // The settings store applies the same rule once the library has handed it over.
    lv::registerFileKindSettingsRules();
    lv::Settings s;
    lv::loadSettingsText("[Import]\r\nTypeMap=.a=ra|.b=raw|\r\n", true, 96, &s);
    EXPECT_EQ(s.typeMap, ".b=raw|");
}

TEST(FileKinds, PipeListsCompareWholeItems) {
    std::string list;
    EXPECT_FALSE(pipeListHas(list, ".thm|"));
    pipeListSet(list, ".thm|", true);
    pipeListSet(list, ".lrv|", true);
    pipeListSet(list, ".thm|", true);
    EXPECT_EQ(list, ".thm|.lrv|");
    EXPECT_TRUE(pipeListHas(list, ".lrv|"));
    EXPECT_FALSE(pipeListHas(list, "rv|"));
    EXPECT_FALSE(pipeListHas(list, ".THM|"));  // case as stored
    pipeListSet(list, ".thm|", false);
    EXPECT_EQ(list, ".lrv|");
    pipeListSet(list, ".lrv|", false);
    EXPECT_EQ(list, "");
}

TEST(FileKinds, SidecarAndThumbnailNames) {
    EXPECT_EQ(sidecarPathFor("D:\\a\\P1.RW2", W), "D:\\a\\P1.xmp");
    EXPECT_EQ(sidecarPathFor("D:\\a\\P1.RAF", W), "D:\\a\\P1.RAF.xmp");
    EXPECT_EQ(sidecarPathFor("D:\\a.b\\notes", W), "D:\\a.b\\notes.xmp");
    EXPECT_EQ(sidecarPathFor("/s/p.v1/P1.rwl", P), "/s/p.v1/P1.xmp");
    EXPECT_EQ(thumbnailNameFor("x.NEF", W), "thumb_x_NEF.jpg");
    EXPECT_EQ(thumbnailNameFor("x.rwl", W), "thumb_x.jpg");
    EXPECT_EQ(thumbnailNameFor("C:\\s\\DSC1.jpeg", W), "thumb_DSC1_JPEG.jpg");
    EXPECT_EQ(thumbnailNameFor("/s/IMG_0001.CR2", P), "thumb_IMG_0001_CR2.jpg");
    EXPECT_NE(thumbnailNameFor("a.CR2", W), thumbnailNameFor("a.JPG", W));
}

TEST(FileKinds, SidecarFollowsItsPhotoToANewName) {
    EXPECT_EQ(sidecarDestinationName("C:\\c\\IMG_0001.CR2.xmp", "C:\\c\\IMG_0001.CR2", "D:\\o\\2024-05-01_001.CR2", W),
              "D:\\o\\2024-05-01_001.CR2.xmp");
    EXPECT_EQ(sidecarDestinationName("C:\\c\\img_0001.xmp", "C:\\c\\IMG_0001.CR2", "D:\\o\\n.CR2", W), "D:\\o\\n.xmp");
    EXPECT_EQ(sidecarDestinationName("C:\\c\\IMG_0001.aae", "C:\\c\\IMG_0001.HEIC", "D:\\o\\n.HEIC", W),
              "D:\\o\\n.aae");
    EXPECT_EQ(sidecarDestinationName("C:\\c\\IMG_0002.xmp", "C:\\c\\IMG_0001.CR2", "D:\\o\\n.CR2", W), "");
    EXPECT_EQ(sidecarDestinationName("C:\\c\\IMG_0001.xmp", "C:\\c\\IMG_0001.CR2", "", W), "");
    // The folder takes part: a same-named sidecar of another folder does not follow.
    EXPECT_EQ(sidecarDestinationName("C:\\d\\IMG_0001.xmp", "C:\\c\\IMG_0001.CR2", "D:\\o\\n.CR2", W), "");
}

TEST(FileKinds, PartnersShareTheBaseName) {
    std::vector<std::string> list = {"/s/IMG_0001.CR2", "/s/img_0001.jpg", "/s/IMG_0002.CR2", "/s/IMG_0001.DNG",
                                     "/s/IMG_00011.JPG"};
    EXPECT_EQ(partnersOf(list, 0, P), (std::vector<int>{1, 3}));
    EXPECT_EQ(partnersOf(list, 1, P), (std::vector<int>{0, 3}));
    EXPECT_TRUE(partnersOf(list, 2, P).empty());
    EXPECT_TRUE(partnersOf(list, 9, P).empty());
}

TEST(FileKinds, SidecarOwnerPrefersRawThenScanOrder) {
    EXPECT_EQ(sidecarOwners({"E:\\A.JPG", "E:\\A.CR2", "E:\\A.xmp"}, W), (std::vector<int>{-1, -1, 1}));
    EXPECT_EQ(sidecarOwners({"E:\\A.JPG", "E:\\A.JPG.xmp"}, W), (std::vector<int>{-1, 0}));
    // The full-name form wins over a stem match; .thm is a sidecar but does not travel.
    EXPECT_EQ(sidecarOwners({"/c/a.cr2", "/c/a.jpg", "/c/A.JPG.xmp", "/c/a.thm", "/c/b.xmp"}, P),
              (std::vector<int>{-1, -1, 1, -1, -1}));
    // Two RAWs of one stem: the first in scan order owns the stem sidecar.
    EXPECT_EQ(sidecarOwners({"/c/a.NEF", "/c/a.DNG", "/c/a.pp3"}, P), (std::vector<int>{-1, -1, 0}));
}

TEST(FileKinds, Phrases) {
    EXPECT_EQ(formatsPhrase(), "3FR/FFF, DNG, ORF, ARW/ARQ, CR2, CR3, NEF/NRW, PEF, RAF, RW2/RWL, X3F or JPEG");
    EXPECT_EQ(openDialogPattern(),
              "*.3FR;*.FFF;*.DNG;*.ORF;*.ARW;*.ARQ;*.CR2;*.CR3;*.NEF;*.NRW;*.PEF;*.RAF;*.RW2;*.RWL;*.X3F;*.JPG;*.JPEG");
    EXPECT_EQ(vendorsPhrase(), "Canon, Fujifilm, Hasselblad, Leica, Nikon, OM System / Olympus, Panasonic, Pentax, "
                               "Ricoh, Sigma and Sony");
    EXPECT_EQ(vendorsPhrase({}), "");
    const char* const one[] = {"Sony"};
    EXPECT_EQ(vendorsPhrase(one), "Sony");
    const char* const two[] = {"Sony", "Canon"};
    EXPECT_EQ(vendorsPhrase(two), "Canon and Sony");
}
