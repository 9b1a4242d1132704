#include "platform/platform.h"

namespace lv {

// There is no ANSI code page here; the caller falls back to its own Western table.
bool utf8FromSystemAnsi(std::string_view, std::string* out) {
    out->clear();
    return false;
}

}  // namespace lv
