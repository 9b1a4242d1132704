#include <climits>

#include "platform/platform.h"
#include "platform/win32/win32_util.h"

namespace lv {

bool utf8FromSystemAnsi(std::string_view bytes, std::string* out) {
    out->clear();
    if (bytes.empty()) return true;
    if (bytes.size() > size_t(INT_MAX)) return false;
    const int len = int(bytes.size());
    int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), len, nullptr, 0);
    if (n <= 0) return false;
    std::wstring w(size_t(n), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, bytes.data(), len, w.data(), n) != n) return false;
    *out = utf8FromWide(w);
    return true;
}

}  // namespace lv
