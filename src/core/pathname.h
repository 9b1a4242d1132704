// Pure path and name functions. Both rule sets are available on every system so the Windows
// rules ("\" and "/" both separate, "C:" ends a drive) are tested by the Linux build too.
#pragma once
#include <string>
#include <string_view>

namespace lv {

enum class PathStyle { Windows, Posix };
#ifdef _WIN32
inline constexpr PathStyle kNativeStyle = PathStyle::Windows;
inline constexpr char kPathSep = '\\';
#else
inline constexpr PathStyle kNativeStyle = PathStyle::Posix;
inline constexpr char kPathSep = '/';
#endif

inline constexpr char separatorOf(PathStyle s) { return s == PathStyle::Windows ? '\\' : '/'; }
bool isSeparator(char c, PathStyle s = kNativeStyle);

// "C:\a\b.CR2" -> "b.CR2"
std::string_view fileNamePart(std::string_view path, PathStyle s = kNativeStyle);
// "C:\a\b.CR2" -> "C:\a\" (with the separator; empty when the path has none)
std::string_view folderPart(std::string_view path, PathStyle s = kNativeStyle);
// Extension of the file name with its dot ("b.tar.gz" -> ".gz"); empty without a dot. As on
// Windows, a name that is only an extension (".xmp") has that extension and an empty stem.
std::string_view extensionOf(std::string_view path, PathStyle s = kNativeStyle);
// File name without its extension: "b.CR2" -> "b"
std::string_view stemOf(std::string_view path, PathStyle s = kNativeStyle);
// Path without the extension of its file name: "C:\a\b.CR2" -> "C:\a\b"
std::string_view withoutExtension(std::string_view path, PathStyle s = kNativeStyle);
// Joins with exactly one separator between the parts.
std::string joinPath(std::string_view folder, std::string_view name, PathStyle s = kNativeStyle);
// Adds a trailing separator unless there is one (or the path is empty).
std::string withTrailingSeparator(std::string_view folder, PathStyle s = kNativeStyle);
std::string_view withoutTrailingSeparator(std::string_view folder, PathStyle s = kNativeStyle);

// ASCII case folding; names are compared by upper-casing.
std::string upperAscii(std::string_view s);
std::string lowerAscii(std::string_view s);
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// UTF-8 <-> UTF-16 without the OS (invalid input becomes U+FFFD).
std::u16string utf16FromUtf8(std::string_view s);
std::string utf8FromUtf16(std::u16string_view s);

}  // namespace lv
