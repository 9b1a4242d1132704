// The form in which a path reaches a wide Windows file call: paths of 248 UTF-16 units or more
// get the "\\?\" prefix (network shares "\\?\UNC\"), which lifts the old length limit. The rule
// is pure so it is tested on every system; the platform layer supplies the absolute path.
#pragma once
#include <string>
#include <string_view>

namespace lv {

inline constexpr size_t kLongPathThreshold = 248;

// Makes a path absolute; false when that fails (the path is then used as it is).
using AbsolutePathFn = bool (*)(std::u16string_view path, std::u16string* absolute);

// UTF-8 in, UTF-16 out; absolute defaults to the platform's full-path call.
std::u16string longPath(std::string_view path, AbsolutePathFn absolute = nullptr);
// Drops the prefix again ("\\?\UNC\" -> "\\", "\\?\" -> "") and converts to UTF-8.
std::string shortPath(std::u16string_view path);

}  // namespace lv
