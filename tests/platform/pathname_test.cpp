#include <gtest/gtest.h>

#include "core/pathname.h"

using namespace lv;

TEST(PathName, WindowsRules) {
    const PathStyle w = PathStyle::Windows;
    EXPECT_EQ(fileNamePart("C:\\Shoot\\IMG_0001.CR2", w), "IMG_0001.CR2");
    EXPECT_EQ(fileNamePart("C:/Shoot/a.jpg", w), "a.jpg");  // Windows accepts both separators
    EXPECT_EQ(fileNamePart("C:a.jpg", w), "a.jpg");
    EXPECT_EQ(folderPart("C:\\Shoot\\IMG_0001.CR2", w), "C:\\Shoot\\");
    EXPECT_EQ(extensionOf("C:\\Shoot.d\\IMG_0001", w), "");  // a dot in a folder name is not an extension
    EXPECT_EQ(extensionOf("C:\\Shoot\\archive.tar.gz", w), ".gz");
    EXPECT_EQ(stemOf("\\\\server\\share\\P1000123.RW2", w), "P1000123");
    EXPECT_EQ(withoutExtension("C:\\a\\b.NEF", w), "C:\\a\\b");
    EXPECT_EQ(joinPath("C:\\Shoot", "a.xmp", w), "C:\\Shoot\\a.xmp");
    EXPECT_EQ(joinPath("C:\\Shoot\\", "\\a.xmp", w), "C:\\Shoot\\a.xmp");
    EXPECT_EQ(withoutTrailingSeparator("C:\\", w), "C:\\");
    EXPECT_EQ(withoutTrailingSeparator("C:\\Shoot\\\\", w), "C:\\Shoot");
}

TEST(PathName, PosixRules) {
    const PathStyle p = PathStyle::Posix;
    EXPECT_EQ(fileNamePart("/home/a\\b.jpg", p), "a\\b.jpg");  // a backslash is a name character here
    EXPECT_EQ(extensionOf("/home/.xmp", p), ".xmp");  // a sidecar with no photo name
    EXPECT_EQ(stemOf("/home/.xmp", p), "");
    EXPECT_EQ(extensionOf("/home/x/.hidden.xmp", p), ".xmp");
    EXPECT_EQ(stemOf("/photos/DSC_0001.NEF", p), "DSC_0001");
    EXPECT_EQ(joinPath("/photos", "a.xmp", p), "/photos/a.xmp");
    EXPECT_EQ(withoutTrailingSeparator("/", p), "/");
    EXPECT_EQ(folderPart("name.jpg", p), "");
}

TEST(PathName, CaseAndUnicode) {
    EXPECT_TRUE(equalsIgnoreCase(".cr2", ".CR2"));
    EXPECT_FALSE(equalsIgnoreCase(".cr2", ".cr3"));
    EXPECT_EQ(upperAscii("Größe.jpg"), "GRößE.JPG");  // only ASCII folds, bytes of UTF-8 untouched
    std::string s = "Fotos \xC3\xA9t\xC3\xA9 \xF0\x9F\x93\xB7";  // "Fotos été 📷"
    std::u16string w = utf16FromUtf8(s);
    EXPECT_EQ(w.size(), 12u);  // the camera is a surrogate pair
    EXPECT_EQ(utf8FromUtf16(w), s);
    EXPECT_EQ(utf8FromUtf16(utf16FromUtf8("\xC3")), "\xEF\xBF\xBD");  // a cut sequence becomes U+FFFD
    EXPECT_EQ(utf16FromUtf8("a\xED\xA0\x80z"), u"a\uFFFDz");  // so does an encoded surrogate
}
