// The ways of opening a folder (the open decision, the clipboard, the recent list, the folder
// and file dialogs, Explorer) as portable decisions: each returns what the Windows application
// shows or calls, so the rules are tested without a screen.
#pragma once
#include <string>
#include <string_view>

#include "core/pathname.h"
#include "library/folder.h"

namespace lv {

enum class MessageIcon { Information, Warning, Exclamation };
// A message box to show; empty title means none.
struct MessageSpec {
    std::string title;
    std::string text;
    MessageIcon icon = MessageIcon::Information;
    bool yesNo = false;
};

// [SECTION] opening a folder
// The box shown instead of opening a folder without photos ("No photos found in: ...").
MessageSpec noPhotosMessage(std::string_view folder, PathStyle s = kNativeStyle);
// Opening through any route: a folder without photos is refused with the message to show and
// the open folder stays as it was; otherwise burst playback stops where it is, the folder is
// loaded, and both the photo shown before and the one shown now go to the recent list.
struct FolderOpen {
    bool opened = false;
    MessageSpec message;         // when refused
    std::string rememberBefore;  // photo of the folder that was open (may be empty)
    std::string rememberAfter;   // photo now shown
};
FolderOpen openFolder(FolderState& state, std::string_view folder, std::string_view selectName,
                      RatingReaderFn readRating = nullptr, PathStyle s = kNativeStyle);
// The photo the recent list remembers: the one at currentPosition, else list index 0; empty
// when no folder is open.
std::string photoForRecent(const FolderState& state);

// [SECTION] clipboard
// Trimmed, with one pair of surrounding double quotes removed.
std::string clipboardPathText(std::string_view clip);
enum class ClipboardTarget { Empty, Folder, File, Missing };
struct ClipboardOpen {
    ClipboardTarget target = ClipboardTarget::Empty;
    std::string folder;      // to open (Folder, File)
    std::string selectName;  // the file to select (File)
    MessageSpec message;     // Empty, Missing
};
ClipboardOpen resolveClipboardPath(std::string_view clip, PathStyle s = kNativeStyle);

// [SECTION] recent list
struct RecentOpen {
    bool open = false;       // false for an entry without a folder
    std::string folder;      // with its final separator
    std::string fileName;
    bool missing = false;    // the photo is gone but the folder still holds others
    MessageSpec message;     // the Yes/No question when missing (Yes copies fileName)
};
RecentOpen resolveRecentEntry(std::string_view entry, PathStyle s = kNativeStyle);

// [SECTION] dialogs and Explorer
std::string pickFolderTitle();
std::string pickFileTitle();
struct FileDialogFilter {
    std::string label;
    std::string pattern;
};
// The photo filter (with every supported extension) and "All files".
void pickFileFilters(FileDialogFilter* photos, FileDialogFilter* all);
// The parameter text for explorer.exe that selects the file; empty for an empty path.
std::string revealParameters(std::string_view path);

}  // namespace lv
