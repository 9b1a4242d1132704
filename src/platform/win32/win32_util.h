// Shared by the Windows backend files: UTF-8 <-> UTF-16 and the long-path form.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

namespace lv {

std::wstring wideFromUtf8(std::string_view s);
std::string utf8FromWide(std::wstring_view s);
// The path as handed to the file system: "\\?\" (or "\\?\UNC\") in front of absolute paths of
// 248 or more UTF-16 units, so long paths work without the system-wide opt-in.
std::wstring sysPath(std::string_view utf8);
inline uint64_t fileTimeToU64(const FILETIME& ft) { return (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }
inline FILETIME u64ToFileTime(uint64_t v) {
    FILETIME ft;
    ft.dwLowDateTime = DWORD(v);
    ft.dwHighDateTime = DWORD(v >> 32);
    return ft;
}

}  // namespace lv
