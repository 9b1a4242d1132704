// The rating and label commands behind the keys, the menus and `lumivore rate/label`, the
// once-per-folder failure warning, and the colours of the label chips.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "library/folder.h"
#include "platform/platform.h"

namespace lv {

// The culling state of one photo list entry, changed in place by the commands.
struct RatedPhoto {
    std::string_view path;
    int* rating;
    std::string* label;
    // The sidecar the command writes (sidecarOf, decided by the caller together with the values
    // it read); empty to decide it here.
    std::string_view sidecar = {};
};

// What the window should show after a failed write (nothing when show is false).
struct SidecarNotice {
    bool show = false;
    std::string title;  // `SidecarFailedTitle`
    std::string text;   // "<file name>: <message with the code>"
};

struct SidecarCommandResult {
    bool ok = true;
    WinErr code = 0;  // the last sidecar error code when !ok
    SidecarNotice notice;
};

// Stores the new value, writes it, and puts the old value back when the write fails, so memory
// never claims what the disk does not hold. The caller repaints either way.
SidecarCommandResult setRating(RatedPhoto photo, int rating);
// Rejected photos become unrated, any other becomes rejected.
SidecarCommandResult toggleReject(RatedPhoto photo);
SidecarCommandResult setLabel(RatedPhoto photo, std::string_view label);

// The same on entry index of the open folder's photo list (the keys and menus act on the
// current photo); an index outside the list does nothing.
SidecarCommandResult setRating(PhotoList& list, int index, int rating);
SidecarCommandResult toggleReject(PhotoList& list, int index);
SidecarCommandResult setLabel(PhotoList& list, int index, std::string_view label);

// The warning for a failed write: shown for the first failure in a folder, silent for later
// ones in the same folder (compared by the upper-cased folder path).
SidecarNotice sidecarFailureNotice(std::string_view photoPath, bool forLabel, WinErr code);
// Forgets the folder already warned about (tests; a new session starts empty).
void resetSidecarWarning();

struct LabelColour {
    bool hasLabel = false;
    uint8_t r = 0, g = 0, b = 0;
};
// The chip colour of a label: the known names by colour, any other text grey, none for "".
LabelColour labelColour(std::string_view label);

// The command-line and menu words: "red", "yellow", "green", "none" (any case) to the stored
// label ("Red", "Yellow", "Green", ""). False for any other word.
bool labelFromWord(std::string_view word, std::string* label);

}  // namespace lv
