#include <gtest/gtest.h>

#include "core/settings.h"
#include "export/export_destination.h"
#include "import/import_template.h"

using namespace lv;

namespace {

ImportNameContext rawContext() {
    ImportNameContext c;
    c.year = 2024, c.month = 5, c.day = 17, c.hour = 9, c.minute = 7, c.second = 3;
    c.name = "IMG_0001";
    c.ext = "CR3";
    c.kind = "raw";
    c.camera = "Canon EOS R5";
    c.lens = "EF 70-200mm f/2.8L IS";
    return c;
}

ImportNameContext jpegContext() {
    ImportNameContext c = rawContext();
    c.name = "IMG_0002";
    c.ext = "JPG";
    c.kind = "jpeg";
    c.seq = 1;
    return c;
}

std::string expand(std::string_view tpl, const ImportNameContext& c, std::string* unknown = nullptr) {
    return expandImportTemplate(tpl, c, unknown, PathStyle::Windows);
}

}  // namespace

TEST(ImportTemplate, Expansion) {
    const std::string def = defaultImportTemplate();
    struct Case {
        std::string tpl;
        bool jpeg;
        std::string want;
    } cases[] = {
        {def, false, "2024\\05\\17\\IMG_0001.CR3"},
        {def, true, "2024\\05\\17\\sooc\\IMG_0002.JPG"},
        {"{{x}}a}b", false, "{x}a}b"},
        {"trail. . \\{file.name}", false, "trail\\IMG_0001"},
        {"a:b/{file.name}", false, "a_b\\IMG_0001"},
        {"{file.type:sub(video)}\\{file.name}", false, "IMG_0001"},
        {"{file.type:SUB(Sooc)}/{file.name}", true, "sooc\\IMG_0002"},
        {"{file.type:sub(jpeg)}\\{file.name}", true, "IMG_0002"},
        {"{file.type}-{file.type:sub}-{kind}-{file.type:xyz}", false, "raw--raw-raw"},
        {"{file.type}-{kind}", true, "sooc-jpeg"},
        {"{seq}|{seq:4@0}|{seq:3@5}", true, "2_0001_006"},
        {"{year:2}-{date:%y%m%d %H%M%S %% %q %}", false, "2024-240517 090703 % %q %"},
        {"{Year:4}{month:0}{day:-3}", false, "20240517"},
        {"{camera:short} {lens:short} {file.ext:lower}{FILE.EXT:Upper}", false, "EOSR5 70-200f2.8 cr3CR3"},
        {"{volume}{job}{note}x", false, "x"},
        {"abc{file.name\\x", false, "abc{file.name_x"},
    };
    for (const Case& c : cases) EXPECT_EQ(expand(c.tpl, c.jpeg ? jpegContext() : rawContext()), c.want) << c.tpl;

    std::string unknown;
    EXPECT_EQ(expand("{foo}{ year}{file.name}", rawContext(), &unknown), "IMG_0001");
    EXPECT_EQ(unknown, "foo| year");
    // A width is user text: it is capped rather than allowed to ask for a huge string.
    EXPECT_EQ(expand("{year:999999999}", rawContext()).size(), 32u);
}

TEST(ImportTemplate, ShortNames) {
    struct Case {
        const char* model;
        std::string (*fn)(std::string_view);
        const char* want;
    } cases[] = {
        {"Canon EOS R5", shortCameraName, "EOSR5"},
        {"ILCE-7M4", shortCameraName, "ILCE-7M4"},
        {"X100V Fujifilm body", shortCameraName, "X100VFujifilmbody"},
        {"EF 70-200mm f/2.8L IS", shortLensName, "70-200f2.8"},
        {"EF24-70mm f/2.8L II USM", shortLensName, "24-70f2.8"},
        {"XF35mmF2 R WR", shortLensName, "35f2"},
        {"FE 90 F2.8 Macro G OSS", shortLensName, "90f2.8"},
        {"Summilux Asph", shortLensName, "SummiluxAsph"},
        {"NIKKOR Z 50mm", shortLensName, "50"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.fn(c.model), c.want) << c.model;
}

TEST(ImportTemplate, CheckAndMessages) {
    const std::string notUnique = "The file name needs Extension, plus File name or Sequence";
    struct Case {
        std::string tpl;
        bool hasError;
        std::string message;
    } cases[] = {
        {defaultImportTemplate(), false, ""},
        {"{seq}.{file.ext}", false, ""},
        {"{file.name}", false, notUnique},
        {"{file.ext}\\{file.name}", false, notUnique},
        {"{file.name}.{file.ext}\\", false, ""},
        {"x\\{file.name}.{file.ext", true, "Unclosed { in the template \xC2\xB7 " + notUnique},
        {"{}{:4}{file.name}.{file.ext}", true, "Empty token {}"},
        {"{file.type:sub(}\\{file.name}.{file.ext}", true, "Malformed sub() in a type token"},
        {"{file.type:sub( )}\\{seq}.{ext}", true, "Malformed sub() in a type token"},
        {"{file.type:sub(raw,,sooc)}\\{seq}.{ext}", true, "Malformed sub() in a type token"},
        {"{file.type:sub(jpeg,Foo)}\\{file.type:sub(JPEG)}\\{origname}.{ext}", true,
         "Unknown file type in sub(): jpeg, foo"},
        {"{ year}\\{x}\\{x}\\{file.name}.{file.ext}", true, "Unknown token:  year, x"},
        // A name too long for the message is shown cut, and the template still fails.
        {"{" + std::string(300, 'q') + "}{file.name}.{file.ext}", true, "Unknown token: " + std::string(40, 'q') + "..."},
        {"a:b*\x01:{file.name}.{file.ext}", false, "Illegal characters replaced with _ : : * \x01"},
        {"{}{bad}{file.type:sub(}", true,
         "Empty token {} \xC2\xB7 Malformed sub() in a type token \xC2\xB7 " + notUnique + " \xC2\xB7 Unknown token: bad"},
    };
    for (const Case& c : cases) {
        TemplateCheck k = checkImportTemplate(c.tpl);
        EXPECT_EQ(k.hasError, c.hasError) << c.tpl;
        EXPECT_EQ(describeTemplateProblems(k), c.message) << c.tpl;
    }
}

TEST(ImportTemplate, StoredTemplateMigration) {
    const std::string def = defaultImportTemplate();
    EXPECT_EQ(normalizeStoredTemplate("  "), def);
    EXPECT_EQ(normalizeStoredTemplate("{year:4}\\{month:2}\\{day:2}\\{origname}.{ext}"), def);
    EXPECT_EQ(normalizeStoredTemplate(" {year:4}/{month:2}/{day:2}/{file.name}.{file.ext} "), def);
    EXPECT_EQ(normalizeStoredTemplate("{ORIGNAME}-{ext:lower}{{ext}}{seq:3"), "{file.name}-{file.ext:lower}{{ext}}{seq:3");
}

// The settings store gets the template rules: older export keys and stored import templates.
TEST(ImportTemplate, SettingsLoadThroughTheTemplateRules) {
    SettingsHooks before = settingsHooks();
    registerTemplateSettingsRules();
    Settings s;
    loadSettingsText("[Export]\r\nDestinationMode=0\r\nBesideFolder=picks{1}\r\n"
                     "[Import]\r\nTemplate={year:4}\\{origname}_{seq:3}.{ext:lower}\r\n",
                     true, 96, &s);
    const char sep[] = {kPathSep, 0};
    EXPECT_EQ(s.exportTemplate, std::string("{folder.path}") + sep + "picks{{1}}");
    EXPECT_EQ(s.importTemplate, "{year:4}\\{file.name}_{seq:3}.{file.ext:lower}");
    loadSettingsText("", true, 96, &s);
    EXPECT_EQ(s.exportTemplate, defaultExportTemplate());
    setSettingsHooks(before);
}

TEST(ImportTemplate, ChipCaptionsAndMenus) {
    struct Case {
        const char* token;
        const char* caption;
    } cases[] = {
        {"{year}", "Capture year"},
        {"{date:%Y}", "Capture date"},
        {"{origname}", "File name"},
        {"{file.ext:upper}", "Extension, upper case"},
        {"{file.ext:x}", "Extension"},
        {"{file.type}", "Type"},
        {"{file.type:sub}", "Folder: all but RAW"},
        {"{file.type:sub(other,sooc,video,audio,sidecar)}", "Folder: all but RAW"},
        {"{file.type:sub(video,sooc)}", "Folder: SOOC, video"},
        {"{seq:4}", "Sequence, 0001"},
        {"{seq:3@0}", "Sequence, 000"},
        {"{camera:short}", "Camera (short)"},
        {"{lens}", "Lens"},
        {"{volume}", "Card name"},
        {"{bogus}", "{bogus}"},
        {"{file.type:sub(}", "{file.type:sub(}"},
    };
    for (const Case& c : cases) EXPECT_EQ(importTokenLabel(c.token), c.caption) << c.token;

    std::vector<TokenMenuItem> insert = importInsertMenu();
    ASSERT_EQ(insert.size(), 16u);
    EXPECT_EQ(insert[9].caption, "Own folder for SOOC and video");
    EXPECT_EQ(insert[9].tokenText, "{file.type:sub(sooc,video)}");

    std::vector<TokenMenuItem> type = importChangeToMenu("{file.type:sub(sooc,video)}");
    ASSERT_EQ(type.size(), 6u);
    EXPECT_FALSE(type[0].checked);
    EXPECT_TRUE(type[1].checked);
    EXPECT_EQ(type[0].tokenText, "{file.type:sub(raw,sooc,video)}");
    EXPECT_EQ(type[1].tokenText, "{file.type:sub(video)}");
    EXPECT_EQ(importChangeToMenu("{file.type:sub(video)}")[2].tokenText, "{file.type}");

    std::vector<TokenMenuItem> seq = importChangeToMenu("{seq:3@0}");
    ASSERT_EQ(seq.size(), 6u);
    EXPECT_TRUE(seq[2].checked);
    EXPECT_EQ(seq[2].caption, "000, 001, 002");
    EXPECT_EQ(seq[3].tokenText, "{seq:4@0}");
    EXPECT_EQ(importChangeToMenu("{seq:4}")[0].tokenText, "{seq}");
    EXPECT_EQ(importChangeToMenu("{seq}")[3].caption, "0001, 0002, 0003");

    std::vector<TokenMenuItem> lens = importChangeToMenu("{lens:short}");
    ASSERT_EQ(lens.size(), 2u);
    EXPECT_TRUE(lens[1].checked);
    EXPECT_EQ(lens[0].tokenText, "{lens}");
    EXPECT_TRUE(importChangeToMenu("{year}").empty());
}
