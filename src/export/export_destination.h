// The export destination: the template language ("{folder.path}\export", dated folders, a
// counter that picks the next free folder), its resolution to a folder at export time, the checks
// of the typed destination with their messages, the dialog line and the migration of the older
// two-setting form.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "core/pathname.h"
#include "platform/platform.h"

namespace lv {

// [SECTION] template items and tokens
enum ExportTokenId { kExportTokUnknown = 0, kExportTokFolderPath, kExportTokFolder, kExportTokDate,
                     kExportTokYear, kExportTokMonth, kExportTokDay, kExportTokCounter };

struct ExportTokenInfo {
    const char* name;        // lower case, as written between the braces
    int identity;
    const char* captionKey;  // chip caption; the insert menu offers the tokens in table order
};
inline constexpr ExportTokenInfo kExportTokens[] = {
    {"folder.path", kExportTokFolderPath, "ExportTokFolderPath"},
    {"folder", kExportTokFolder, "ExportTokFolderName"},
    {"date", kExportTokDate, "ExportTokDate"},
    {"year", kExportTokYear, "ExportTokYear"},
    {"month", kExportTokMonth, "ExportTokMonth"},
    {"day", kExportTokDay, "ExportTokDay"},
    {"counter", kExportTokCounter, "ExportTokCounter"},
};

struct ExportTemplateItem {
    bool isToken = false;
    std::string text;       // a literal's text (braces undoubled) or the token's inner text
    int identity = kExportTokUnknown;
    int counterWidth = 0;   // {counter:000} -> 3
    bool unclosed = false;  // "{" without "}": the rest of the template
};
// "{{" and "}}" are literal braces; a token runs from "{" to the next "}".
std::vector<ExportTemplateItem> parseExportTemplate(std::string_view tpl);
// The caption of the chip for one token's text ("{date}" -> "Export date"); an unknown token
// shows as written.
std::string exportTokenLabel(std::string_view tokenText);

// [SECTION] checks and resolution
// Empty when the template is usable, else the message (`ExportNoDest`, `ExportTplUnknown`,
// `ExportTplFolderFirst`).
std::string checkExportTemplate(std::string_view tpl);

struct ExportResolveContext {
    std::string browsedFolder;  // the folder of the current photo, with or without its separator
    LocalTime today{};
    PathStyle style = kNativeStyle;
};
// The destination folder the template names now; a counter picks the next free folder.
std::string resolveExportDestination(std::string_view tpl, const ExportResolveContext& ctx);

// Empty when the resolved path can be used, else the message. Windows: a drive or a
// "\\server\share" start, "\" between folders; POSIX: a "/" start. The character, dot,
// trailing-dot and device-name rules hold on both, as exports often go to FAT cards and shares.
std::string checkExportPath(std::string_view path, PathStyle style = kNativeStyle);

// Whether path names the browsed folder (compared in upper case, as the export refuses it).
bool isBrowsedFolder(std::string_view path, const ExportResolveContext& ctx);
// The typed destination without surrounding blanks and double quotes.
std::string cleanTypedDestination(std::string_view typed);

// The line under the destination field (for the typed text, cleaned as above): the template's or the path's message, the browsed-folder
// note, "Existing folder: <path>" or "New folder: <path>"; after an export "Exported to: <folder>".
std::string exportDestinationLine(std::string_view tpl, const ExportResolveContext& ctx,
                                  std::string_view exportedTo = {});

// [SECTION] settings
std::string defaultExportTemplate(PathStyle style = kNativeStyle);
// The template for a settings file written before templates: DestinationMode 1 with a fixed folder
// gives that folder, else a subfolder name gives "{folder.path}\<name>", else the default; braces
// in the old values are doubled.
std::string migrateExportDestination(const std::string& fixedFolder, const std::string& besideFolder,
                                     int destinationMode);

}  // namespace lv
