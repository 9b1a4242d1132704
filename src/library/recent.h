// Recently opened photos (section "Recent", one entry per folder, newest first) and recent
// export destinations (section "RecentExports"), kept in the settings file.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "core/pathname.h"
#include "platform/platform.h"

namespace lv {

inline constexpr const char* kRecentSection = "Recent";
inline constexpr const char* kRecentExportsSection = "RecentExports";
inline constexpr int kRecentMax = 10;
inline constexpr int kRecentExportsMax = 8;

// [SECTION] settings text (pure)
// The entries of a section in order: "Count" (clamped to 0..maxEntries) keys "FullPath<n>", or
// for an entry whose FullPath is empty the older "Dir<n>" (separator added) + "File<n>".
// Entries may be empty; nothing is dropped here.
std::vector<std::string> recentFromIni(std::string_view iniText, std::string_view section, int maxEntries,
                                       PathStyle s = kNativeStyle);
// The text with the section rewritten as "Count" and the "FullPath<n>" keys.
std::string recentToIni(std::string_view iniText, std::string_view section, const std::vector<std::string>& entries);

// [SECTION] list rules (pure)
// folder + fileName first, then the old entries in order without empty ones and without any
// other entry of the same folder (ignoring case), at most kRecentMax.
std::vector<std::string> addRecentPhoto(const std::vector<std::string>& list, std::string_view folder,
                                        std::string_view fileName, PathStyle s = kNativeStyle);
// folder first, replacing an entry with the same whole path (ignoring case), at most kRecentExportsMax.
std::vector<std::string> addRecentExport(const std::vector<std::string>& list, std::string_view folder);
// "&" doubled so a menu shows it instead of underlining the next letter.
std::string menuEscape(std::string_view text);
// The menu lines: each entry escaped, or the single `MenuRecentEmpty` text for an empty list.
std::vector<std::string> recentMenuItems(const std::vector<std::string>& list);

// [SECTION] settings file
std::vector<std::string> loadRecentList(std::string_view iniPath, std::string_view section, int maxEntries);
// Leaves a settings file that could not be read untouched.
WinErr saveRecentList(std::string_view iniPath, std::string_view section, const std::vector<std::string>& entries);
WinErr rememberRecentPhoto(std::string_view iniPath, std::string_view photoPath);
WinErr rememberRecentExport(std::string_view iniPath, std::string_view folder);

}  // namespace lv
