// Start-up decisions of Lumivore.exe that need no window: reading the argument text, choosing
// the folder to open (or the welcome screen), and what the welcome screen says. The Windows
// shell calls these and carries out what they decide; the tests run them on any system.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "core/pathname.h"

namespace lv {

// [SECTION] argument text
struct StartupArgs {
    bool log = false;       // "/LOG" stood somewhere in the text
    bool bench = false;     // "/BENCH" started the remaining text
    int benchCacheMode = 0; // 1 DISK, 2 RAM, 3 NONE after "/BENCH:"; 0 keeps the loaded mode
    std::string path;       // the path argument, one pair of surrounding quotes removed
};

// argumentText: the command line without the program path (commandLineArguments in diaglog.h).
StartupArgs parseStartupArguments(std::string_view argumentText);

// [SECTION] start-up folder
// The file system as the rule sees it, so the rule is tested with a table instead of disks.
struct StartupProbe {
    bool (*isFolder)(std::string_view path) = nullptr;
    bool (*exists)(std::string_view path) = nullptr;
    bool (*hasPhotos)(std::string_view folder) = nullptr;  // folderHasPhotos of the library
};

struct StartupChoice {
    bool welcome = false;      // no usable folder: show the welcome screen
    std::string folder;        // with its final separator (the candidate when welcome)
    std::string file;          // full path of the photo to select, may be empty
    std::string missingFile;   // file name of a chosen photo that no longer exists
    std::string logLine;       // "no valid startup folder (candidate: ...) -> welcome screen"
};

// pathArg from parseStartupArguments; firstRecent is the first entry of the recent list (a full
// photo path, or empty).
StartupChoice chooseStartupFolder(std::string_view pathArg, std::string_view firstRecent, const StartupProbe& probe,
                                  PathStyle s = kNativeStyle);

// [SECTION] welcome screen
enum class WelcomeAction { OpenSelected, OpenFolder, OpenFile, Import, OpenPath, Quit };

struct WelcomeEntry {
    WelcomeAction action;
    std::string text;
    bool enabled = true;
    std::string note;  // why a disabled entry is disabled
};

struct WelcomeContent {
    bool back = false;                  // the recent list has entries
    std::string title, subtitle, formats, recentHeading, pasteHeading, dropHint;
    std::vector<std::string> recentFolders;  // unique folders of the recent entries, newest first
    std::vector<WelcomeEntry> entries;       // buttons in the order they are laid out
};

// importReady: the import dialog exists in this build. formatsLine: the `WelcomeFormats` text with
// its makers filled in (the file kinds own that list).
WelcomeContent welcomeContent(const std::vector<std::string>& recentEntries, bool importReady,
                              std::string_view formatsLine, PathStyle s = kNativeStyle);

// [SECTION] log lines of the start-up sequence
std::string settingsLoadedLine(int cacheMode, std::string_view iniPath);
std::string folderLoadedLine(std::string_view folder, int count);

}  // namespace lv
