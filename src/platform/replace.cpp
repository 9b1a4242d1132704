// The portable half of replacing a file: the temporary name and the whole replacement for one
// buffer. The steps that talk to the system are in the backends (tempCreate, tempCommit).
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace lv {

std::string tempFileName(std::string_view name, std::string_view tag, size_t maxUnits, bool utf16) {
    std::string suffix = tag.empty() ? std::string(".tmp") : "." + std::string(tag) + ".tmp";
    size_t room = maxUnits > suffix.size() ? maxUnits - suffix.size() : 0;
    // Keep whole UTF-8 sequences while they fit; a sequence of four bytes is two UTF-16 units.
    size_t keep = 0, units = 0;
    while (keep < name.size()) {
        size_t len = 1;
        while (keep + len < name.size() && (uint8_t(name[keep + len]) & 0xC0) == 0x80) len++;
        size_t cost = utf16 ? (len >= 4 ? 2 : 1) : len;
        if (units + cost > room) break;
        units += cost;
        keep += len;
    }
    return std::string(name.substr(0, keep)) + suffix;
}

WinErr fileReplace(std::string_view target, const void* data, size_t len) {
    TempFile t;
    WinErr e = tempCreate(target, &t);
    if (e) return e;
    e = fileWrite(t.f, data, len);
    if (!e) e = tempCommit(&t, target);
    if (e) tempDiscard(&t);
    return e;
}

}  // namespace lv
