// The main window's commands as data and logic: command numbers and texts, the menu bar and the
// three context menus (with their marks computed from the state), the accelerators, the key map,
// photo size, slideshow and burst-playback stepping (the shell feeds the timer ticks), the
// persistent loupes and the Controls table. The shell turns the outcomes into window calls.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "library/folder.h"
#include "sidecar/rating_commands.h"
#include "viewer/layout.h"

namespace lv {

// [SECTION] command numbers
enum Command : int {
    kCmdNone = 0,
    kCmdSettings = 200,
    kCmdAbout = 201,
    kCmdOpenFolder = 202,
    kCmdOpenFile = 203,
    kCmdExit = 204,
    kCmdPanel = 205,
    kCmdControls = 206,
    kCmdStrip = 207,
    kCmdFilterDialog = 208,
    kCmdOpenClipboard = 209,
    kCmdExport = 213,
    kCmdImport = 214,
    kCmdRateNone = 2200,  // 2201..2205: one to five stars
    kCmdRateReject = 2206,
    kCmdLabelNone = 2210,  // 2211 Red, 2212 Yellow, 2213 Green
    kCmdLabelRed = 2211,
    kCmdLabelYellow = 2212,
    kCmdLabelGreen = 2213,
    kCmdFocusIndication = 2220,
    kCmdFocusLoupe = 2221,
    kCmdApplyFilter = 2222,
    kCmdJump = 2223,
    kCmdCopyName = 2224,
    kCmdReveal = 2225,
    kCmdCopyMeta = 2226,
    kCmdSwapPanel = 2227,
    kCmdHidePanel = 2228,
    kCmdCrop = 2229,
    kCmdOrderFirst = 2230,  // 2230..2234: the orderings in OrderingMode order
    kCmdOrderLast = 2234,
    kCmdAddLoupe = 2240,
    kCmdRemoveLoupe = 2241,
    kCmdCentreLoupe = 2242,
    kCmdCopySection = 2257,
    kCmdCopyItem = 2259,
    kCmdStatusBar = 2260,
};
struct CommandText {
    int command;
    const char* textKey;
};
// Every command with the key of its menu text.
std::span<const CommandText> commandTexts();
// "" for an unknown command.
const char* commandTextKey(int command);

// [SECTION] viewer state of the window (user-interface thread only)
inline constexpr int kMaxLoupes = 8;
struct Loupe {
    double cx = 0.5, cy = 0.5;  // centre as fractions of the displayed picture
    int size = 0;               // side in pixels
    bool focusLoupe = false;    // the AF overlay loupe
};
struct ViewerUi {
    int photoSize = 100;  // percent of the photo area, 20..100 in steps of 10
    bool slideshowOn = false;
    int slideshowDir = 1;
    uint32_t slideshowIntervalStart = 0;  // tick of the last step
    int slideshowMs = 1000;
    bool focusIndicationOn = false;
    bool focusLoupeOn = false;
    bool centreLoupeOn = false;
    bool cropOn = false;
    bool panelShown = true;
    bool stripShown = true;
    bool statusBarShown = true;
    int panelSide = 0;  // 0 right, 1 left
    bool fullScreen = false;
    bool savedPanel = true, savedStrip = true, savedStatusBar = true;  // before full screen
    std::vector<Loupe> loupes;  // persistent, at most kMaxLoupes
    StripLayout strip;
};

// [SECTION] menus as data
enum class MenuKind : uint8_t {
    Item,
    Separator,
    SubBegin,  // opens a submenu titled by textKey
    SubEnd,
    Dynamic,   // the shell fills the items (see MenuDynamic)
};
enum class MenuDynamic : uint8_t { None, RecentFolders, RecentExports, SavedFilters, PanelSections };
enum class MenuId : uint8_t { Bar, Photo, Panel, Thumbnail };
// What the marks and greyed entries depend on.
struct MenuContext {
    const ViewerUi* ui = nullptr;
    int orderingMode = kOrderOriginal;
    bool hasPhoto = false;  // the menu acts on a real photo (rating, label, copy name, reveal)
    int rating = 0;         // of that photo
    std::string label;
    bool onLoupe = false;       // photo menu: the right-click landed on a persistent loupe
    bool onFocusLoupe = false;  // ... on the AF overlay loupe
};
struct MenuLine {
    MenuKind kind = MenuKind::Item;
    int command = 0;
    std::string text;  // resolved from the text table ("{max}" filled); submenu titles too
    bool checked = false;
    bool radio = false;  // checked as a radio mark
    bool greyed = false;
    MenuDynamic dynamic = MenuDynamic::None;
};
// The menu as a flat list; SubBegin/SubEnd bracket submenus (the bar is one SubBegin per menu).
std::vector<MenuLine> menuLines(MenuId id, const MenuContext& ctx);

// [SECTION] accelerators
struct Accelerator {
    int vk;  // virtual key, no modifier
    int command;
};
std::span<const Accelerator> accelerators();

// [SECTION] key map
// Windows virtual-key numbers, which the shell passes on as they come.
enum VirtualKey : int {
    kVkBack = 0x08,
    kVkShift = 0x10,
    kVkControl = 0x11,
    kVkMenu = 0x12,
    kVkCapital = 0x14,
    kVkEscape = 0x1B,
    kVkSpace = 0x20,
    kVkPrior = 0x21,
    kVkNext = 0x22,
    kVkEnd = 0x23,
    kVkHome = 0x24,
    kVkLeft = 0x25,
    kVkRight = 0x27,
    kVk0 = 0x30,  // '0'..'9' = 0x30..0x39, 'A'..'Z' = 0x41..0x5A
    kVkLWin = 0x5B,
    kVkRWin = 0x5C,
    kVkNumpad0 = 0x60,  // ..0x69
    kVkAdd = 0x6B,
    kVkSubtract = 0x6D,
    kVkF1 = 0x70,
    kVkF12 = 0x7B,
    kVkLShift = 0xA0,
    kVkRMenu = 0xA5,
    kVkOemPlus = 0xBB,
    kVkOemMinus = 0xBD,
};
struct KeyInput {
    int vk = 0;
    bool shift = false;
    bool ctrl = false;
};
enum class TimerChange : uint8_t { Keep, Start, Stop, Restart };
struct KeyOutcome {
    bool handled = false;     // the key means something here
    bool show = false;        // show the photo at the folder's currentPosition
    bool relayout = false;    // photo size or visibility changed
    bool repaint = false;
    bool fullScreenChanged = false;  // ui.fullScreen changed: place the window accordingly
    int command = kCmdNone;   // for the shell: ratings, labels, reject (applyCullCommand), 2222
                              // filter toggle, 208 filter dialog, 204 exit
    TimerChange slideshowTimer = TimerChange::Keep;
    TimerChange burstTimer = TimerChange::Keep;
};
// Navigation, photo size, overlays, slideshow and burst playback are done here; writes to
// sidecars and the filter are handed back as commands. nowMs is the shell's tick count.
KeyOutcome handleKey(ViewerUi& ui, FolderState& folder, const KeyInput& key, uint32_t nowMs = 0);
// The rating and label commands (2200..2206, 2210..2213) on the current photo; nothing (ok) when
// the current position maps to no photo or the command is another one.
SidecarCommandResult applyCullCommand(FolderState& folder, int command);
// Toggles and switches the window state itself owns (2220, 2221, 2229, 2242, 205, 207, 2260, 2227,
// 2228). True when the command was one of them; the caller relayouts and repaints. The orderings
// (2230..2234) rebuild the visible list, so the shell stops the threads and calls setOrdering.
bool applyViewCommand(ViewerUi& ui, FolderState& folder, int command);

// [SECTION] photo size
inline constexpr int kPhotoSizeMin = 20, kPhotoSizeMax = 100, kPhotoSizeStep = 10;
// +10 / -10 within 20..100; true when it changed.
bool stepPhotoSize(ViewerUi& ui, int direction);

// [SECTION] full screen
// Entering remembers and hides panel, strip and status bar; leaving restores them.
void setFullScreen(ViewerUi& ui, bool on);

// [SECTION] slideshow (timer 3 every slideshowInterval)
inline constexpr int kSlideshowMsMin = 100, kSlideshowMsMax = 60000;
int slideshowInterval(int slideshowMs);
// Starts when at least two photos are visible and the current one is not the last: forward,
// one step at once. True when started (the shell then shows the photo and starts the timer).
bool slideshowStart(ViewerUi& ui, FolderState& folder, uint32_t nowMs);
void slideshowStop(ViewerUi& ui);
// One step in the current direction: true when a photo is to be shown. A step that would leave
// the list stops the slideshow, and so does showing the last photo.
bool slideshowStep(ViewerUi& ui, FolderState& folder, uint32_t nowMs);
// The share of the current interval that has passed, in thousandths (0..1000).
int slideshowProgress(const ViewerUi& ui, uint32_t nowMs);

// [SECTION] persistent loupes
// False when kMaxLoupes are open already.
bool addLoupe(ViewerUi& ui, const Loupe& l);
bool removeLoupe(ViewerUi& ui, int index);
// The entry of the photo menu: its text and whether it is greyed.
MenuLine addLoupeEntry(const ViewerUi& ui);

// [SECTION] Controls dialog
// "key|description"; a key of "@" starts a section headed by the description.
std::span<const char* const> controlsRows();

}  // namespace lv
