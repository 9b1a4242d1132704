#include "library/longpath.h"

#include "core/pathname.h"
#include "platform/platform.h"

namespace lv {

static bool platformAbsolute(std::u16string_view path, std::u16string* absolute) {
    std::string full = fullPath(utf8FromUtf16(path));
    if (full.empty()) return false;
    *absolute = utf16FromUtf8(full);
    return true;
}

std::u16string longPath(std::string_view path, AbsolutePathFn absolute) {
    std::u16string wide = utf16FromUtf8(path);
    if (wide.size() < kLongPathThreshold || wide.starts_with(u"\\\\?\\")) return wide;
    std::u16string full;
    if (!(absolute ? absolute : platformAbsolute)(wide, &full) || full.empty()) return wide;
    // The prefix turns off all name processing, so it only ever goes in front of an absolute path.
    return longPathForm(full);
}

std::string shortPath(std::u16string_view path) {
    if (path.starts_with(u"\\\\?\\UNC\\")) return "\\\\" + utf8FromUtf16(path.substr(8));
    if (path.starts_with(u"\\\\?\\")) return utf8FromUtf16(path.substr(4));
    return utf8FromUtf16(path);
}

}  // namespace lv
