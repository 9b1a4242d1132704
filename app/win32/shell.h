// The state of Lumivore.exe's main window and the functions the shell's files share. The shell
// is thin: the viewer engine (src/viewer) owns caches, workers, layout, the key map and the
// menus as data, the filter (src/filter) owns the strip filter; these files turn window
// messages into calls on them and draw what they computed. Everything here runs on the
// user-interface thread.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "core/settings.h"
#include "filter/filter.h"
#include "filter/scan.h"
#include "library/folder.h"
#include "viewer/commands.h"
#include "viewer/viewer.h"

// [SECTION] constants
inline constexpr wchar_t kMainClass[] = L"LumivoreMainWindow";
inline constexpr wchar_t kMainTitle[] = L"Lumivore v0.9.2";
inline constexpr UINT kTimerHousekeeping = 1, kTimerBurst = 2, kTimerSlideshow = 3, kTimerSlideshowStatus = 4,
                      kTimerExport = 5, kTimerImport = 6, kTimerMiddleLoupe = 8;
inline constexpr int kPanelSections = 8;
inline constexpr UINT kMsgMissingStartupFile = WM_APP + 1;  // shows the "File not found" question
// Menu entries the shell fills itself, beside the engine's command numbers.
inline constexpr int kCmdSectionFirst = 2300;  // 2300..2307: collapse or expand panel section n
inline constexpr int kCmdRecentFirst = 3000, kCmdRecentLast = 3009;
inline constexpr int kCmdRecentExportFirst = 3100, kCmdRecentExportLast = 3107;
inline constexpr int kCmdSavedFilterFirst = 3200, kCmdSavedFilterLast = 3263;

// [SECTION] state
struct Shell {
    HINSTANCE inst = nullptr;
    HWND hwnd = nullptr;
    HACCEL accel = nullptr;
    HMENU menu = nullptr;
    int screenDpi = 96, dpi = 96;
    bool bench = false;
    std::string missingStartupFile;

    lv::FolderState folder;
    bool haveFolder = false;
    bool welcome = false;
    lv::Viewer viewer;
    lv::ViewerUi ui;
    lv::FilterSession filter;
    lv::ScanState scan;
    lv::WindowAreas areas;

    // full screen: what the window looked like before
    WINDOWPLACEMENT savedPlacement{};
    LONG_PTR savedStyle = 0;

    // the picture last drawn, turned upright once for as long as the engine hands the same pixels
    lv::PixelBuffer drawnSource;
    int drawnRotation = 0;
    lv::Bgra upright;

    // where the panel drew each heading (row -1) and value row, for clicks and the context menu
    struct PanelHit {
        RECT r;
        int section;
        int row;  // index into the panel rows, -1 for a heading
    };
    std::vector<PanelHit> panelHits;
    std::vector<std::string> panelRows;  // shotInfoRows of the photo on screen
    int panelRowsPhoto = -1;
    int panelScroll = 0, panelScrollMax = 0;  // pixels the panel's rows are scrolled up
    int menuSection = -1, menuRow = -1;  // what the panel's context menu was opened on
    int menuLoupe = -1;                  // the persistent loupe the photo menu was opened on
    POINT menuPoint{};

    // loupes beyond the engine's persistent ones
    bool middleLoupe = false;  // held by the middle button (timer 8)
    POINT middleAt{};
    int resizingLoupe = -1;
    lv::Bgra full;  // the preview at full size, upright, decoded on first use
    int fullPhoto = -1;

    int dragging = 0;  // 1 the strip's top edge, 2 the panel's inner edge
    uint64_t keyStamp = 0;  // perfCounter at a key that showed another photo, until it is painted

    HFONT fontUi = nullptr, fontSmall = nullptr, fontBold = nullptr, fontTitle = nullptr;
};
extern Shell g;

// [SECTION] text helpers
std::wstring wide(std::string_view utf8);
std::string narrow(std::wstring_view w);
std::wstring uiText(const char* key);
int px(int v96);  // at the window's DPI
RECT winRect(const lv::Rect& r);

// [SECTION] window (window.cpp)
bool registerMainWindow();
HWND createMainWindow();
void relayout();
void recreateFonts();
void placeForFullScreen();
void showCurrentPhoto();
void openFolderPath(const std::string& folder, const std::string& selectName);
void openAnyPath(const std::string& path);
// The photo the recent list starts with ("" when it is empty).
std::string firstRecentEntry();
void restartViewer();  // after the visible list was rebuilt
int currentPhotoIndex();

// [SECTION] commands (commands.cpp)
HMENU buildMenuBar();
HACCEL buildAccelerators();
void updateMenuMarks(HMENU menu);
bool onKey(WPARAM vk);
void runCommand(int id);
void showContextMenu(int x, int y);  // screen coordinates; -1, -1 from the keyboard
void slideshowTick();
void burstTick();
void housekeepingTick();
void stopSlideshow();
// Message boxes of the core's prompts, owned by owner (the main window when null).
lv::Asker windowAsker(HWND owner);
// Shows what a filter command changed, then its message (owned by owner).
void showFilterOutcome(const lv::FilterOutcome& o, HWND owner);

// [SECTION] dialogs (dialogs.cpp, filter_dialog.cpp)
void runSettingsDialog();
void runAboutDialog();
void runControlsDialog();
void runFilterDialog();
// The saved-filter naming prompt (lv::AskNameFn); context is the owner window.
bool askFilterName(const std::string& title, const std::string& prompt, std::string* name, void* owner);
// The settings file as at shutdown: the settings table with the window's state, the ordering and
// the current filter.
void saveAllSettings();

// [SECTION] painting (paint.cpp)
void paintMainWindow(HDC dc, const RECT& client);
// The tab-separated fields of one shot-information row ("H"/"V"/"D" first).
std::vector<std::string> tabFields(const std::string& line);
// The panel line under a client point: section and row (row -1 for a heading); false for none.
bool panelLineAt(POINT p, int* section, int* row);
// Where the photo is drawn (empty without a picture).
RECT photoRect();
const std::vector<std::string>& panelRows();

// [SECTION] loupes (loupes.cpp)
void paintLoupes(HDC dc);
int loupeAt(POINT p, bool* onGrip);
bool addLoupeAt(POINT p);
void resizeLoupeTo(int i, POINT p);

// [SECTION] benchmark mode (bench_mode.cpp)
// Runs the benchmark script on the open folder, writes bench_last.ini and closes the window; the
// exit code (0 done, 1 no folder or the report could not be written).
int runBenchMode();

// [SECTION] welcome screen (welcome.cpp)
void welcomeShow();
void welcomeHide();
void welcomeLayout();
bool welcomeCommand(WPARAM wp, LPARAM lp);
void paintWelcome(HDC dc, const RECT& client);
HBRUSH welcomeControlColour(HDC dc, HWND control);
bool welcomeDrawItem(const DRAWITEMSTRUCT* d);

// [SECTION] token-chip field (chips.cpp)
struct ChipMenuItem {
    std::string caption;
    std::string token;     // what is inserted, or what the chip becomes
    bool checked = false;
};
// What a field's chips are called and which tokens its menus offer.
struct ChipFieldRules {
    std::string (*caption)(std::string_view token) = nullptr;
    std::vector<ChipMenuItem> (*insertMenu)() = nullptr;
    std::vector<ChipMenuItem> (*changeToMenu)(std::string_view token) = nullptr;  // nullptr: Remove only
};
inline constexpr wchar_t kChipsClass[] = L"LumivoreChips";
bool registerChipsClass();
// rules must outlive the field. The field's window text is the template; edits send EN_CHANGE.
HWND createChipField(HWND parent, int id, const ChipFieldRules* rules);
std::string chipFieldText(HWND field);
void chipFieldSetText(HWND field, std::string_view tpl);
// The "Insert token" menu under a button.
void chipFieldShowInsertMenu(HWND field, HWND button);

// [SECTION] questions with buttons of their own words (choice_box.cpp, on the dialog kit)
struct ChoiceBox {
    std::string title;
    std::vector<std::string> lines;     // the first in bold
    std::vector<std::string> comboRows;  // a drop-down list under the lines (empty: none)
    int comboSel = 0;                   // in and out, as listSel
    std::string comboNote;              // a line under it, shown while noteFor says so
    bool (*noteFor)(int comboSel) = nullptr;
    std::vector<std::string> lines2;    // the first in bold; after the drop-down list
    std::vector<std::string> listRows;  // a list to pick one row from (empty: none)
    int listSel = 0;                    // in: the row first selected; out: the row picked
    std::vector<std::string> ticks;     // tick boxes under the text
    std::vector<bool> ticked;           // in and out, one per tick
    std::vector<std::string> buttons;
    int defaultButton = 0;
    int cancelAnswer = -1;  // Esc and closing the window
    int widthDip = 440;
};
// Modal over owner; the index of the button pressed, or cancelAnswer.
int showChoiceBox(HWND owner, ChoiceBox& box);
std::string controlText(HWND c);
void setControlText(HWND c, std::string_view utf8);  // only when it differs, so nothing flickers
namespace dlg { struct Form; }
// Brings the copy dialog forward, or opens it modeless, and starts its 100 ms timer.
void openCopyDialog(HWND open, const dlg::Form& form, UINT timer);
// WM_CTLCOLORSTATIC of a dialog's text line: red for an error, grey for examples.
enum LineTone { kLinePlain, kLineQuiet, kLineError };
LRESULT lineColours(HDC dc, LineTone tone);
// The shell's folder picker; empty when cancelled.
std::string pickFolderWithTitle(const std::string& title);

// [SECTION] export and quitting while copying (export_dialog.cpp)
void openExportDialog();
void exportTick();  // timer 5
bool exportRunningNow();
std::string exportDestinationNow();
// WM_CLOSE of the main window: asks when copies run; false keeps the program open.
bool confirmCloseWhileCopying();
// After the message loop: the copies still running are stopped and waited for.
void endCopiesAtShutdown();

// [SECTION] import (import_dialog.cpp)
void openImportDialog();
void importTick();  // timer 6
bool importRunningNow();
std::string importDestinationNow();
void requestImportStopNow();
void endImportAtShutdown();
// Files the running import still has to copy; -1 when none runs or it is still planning.
int triageFilesLeft();
// A landed photo was rated or labelled: the progress tiles count it again.
void importPhotoRated(const std::string& path);

// [SECTION] triage window (triage.cpp)
void openTriageWindow();
// The photos landed so far, in order; the window follows the first and keeps its counts fresh.
void triageArrived(const std::vector<std::string>& arrived);
bool triageOpen();
