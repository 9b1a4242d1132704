// The long-path form of an absolute Windows path. Pure, so the rule is tested on every system
// (Wine does not enforce MAX_PATH and cannot catch a missing prefix).
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace lv {

std::u16string longPathForm(std::u16string_view path) {
    if (path.size() < 248) return std::u16string(path);
    if (path.substr(0, 4) == u"\\\\?\\") return std::u16string(path);
    if (path.substr(0, 2) == u"\\\\") return u"\\\\?\\UNC\\" + std::u16string(path.substr(2));
    return u"\\\\?\\" + std::u16string(path);
}

}  // namespace lv
