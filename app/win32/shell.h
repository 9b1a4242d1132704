// The state of Lumivore.exe's main window and the functions the shell's files share. Everything
// here is touched on the user-interface thread only.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "core/settings.h"
#include "library/folder.h"
#include "metadata/shot_info.h"
#include "platform/platform.h"

// [SECTION] constants
inline constexpr wchar_t kMainClass[] = L"LumivoreMainWindow";
inline constexpr wchar_t kMainTitle[] = L"Lumivore v0.9.2";
inline constexpr UINT kTimerHousekeeping = 1, kTimerBurst = 2, kTimerSlideshow = 3, kTimerSlideshowStatus = 4;
inline constexpr UINT kTimerMiddleLoupe = 8;
inline constexpr int kMaxLoupes = 8;
inline constexpr int kPanelSections = 8;
inline constexpr UINT kMsgMissingStartupFile = WM_APP + 1;  // shows the "File not found" question
inline constexpr UINT kMsgShowPhoto = WM_APP + 2;           // shows the current photo after a state change
// Command numbers of the menus, the context menus and the key map.
enum Command : int {
    kCmdSettings = 200, kCmdAbout = 201, kCmdOpenFolder = 202, kCmdOpenFile = 203, kCmdExit = 204,
    kCmdPanel = 205, kCmdControls = 206, kCmdStrip = 207, kCmdFilterDialog = 208, kCmdOpenClip = 209,
    kCmdExport = 213, kCmdImport = 214,
    kCmdRateNone = 2200, kCmdRateReject = 2206, kCmdLabelNone = 2210, kCmdLabelGreen = 2213,
    kCmdFocusIndication = 2220, kCmdFocusLoupe = 2221, kCmdApplyFilter = 2222, kCmdJump = 2223,
    kCmdCopyName = 2224, kCmdReveal = 2225, kCmdCopyMetaAll = 2226, kCmdSwapPanel = 2227, kCmdHidePanel = 2228,
    kCmdCrop = 2229, kCmdOrderFirst = 2230, kCmdOrderLast = 2234, kCmdAddLoupe = 2240, kCmdRemoveLoupe = 2241,
    kCmdCentreLoupe = 2242, kCmdCopySection = 2257, kCmdCopyItem = 2259, kCmdStatusBar = 2260,
    kCmdSectionFirst = 2300, kCmdSectionLast = 2307,
    kCmdRecentFirst = 3000, kCmdRecentLast = 3009, kCmdRecentExportFirst = 3100, kCmdRecentExportLast = 3107,
};

// [SECTION] state
struct Layout {
    RECT photo{}, panel{}, strip{}, status{};  // client coordinates; empty when hidden
    int stripHeight = 0, cellW = 1, thumbH = 1, captionH = 0, screenful = 1;
};

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

    // viewer state the commands act on
    int photoSize = 100;
    bool slideshowOn = false;
    int slideshowDir = 1;
    uint32_t slideshowStartTick = 0;
    bool focusIndication = false, focusLoupe = false, crop = false;
    bool fullscreen = false;
    WINDOWPLACEMENT savedPlacement{};
    LONG_PTR savedStyle = 0;
    bool savedPanel = true, savedStrip = true, savedStatus = true;
    int firstVisible = 0;
    Layout layout;

    // the photo on screen
    int shownIndex = -1;
    lv::Bytes preview;
    bool noPreview = false;
    int orientation = 1;
    lv::Bgra photo;  // decoded, rotated, scaled to fit the photo area
    lv::ShotInfo info;
    std::vector<std::string> infoRows;

    // thumbnails per photo-list index: 0 not tried, 1 ready, 2 none
    std::vector<lv::Bgra> thumbs;
    std::vector<uint8_t> thumbState;

    // where the panel drew each heading (row -1) and value row, for clicks and the context menu
    struct PanelHit {
        RECT r;
        int section;
        int row;  // index into infoRows, -1 for a heading
    };
    std::vector<PanelHit> panelHits;
    int menuSection = -1, menuRow = -1;  // what the panel's context menu was opened on

    // loupes: centres as fractions of the photo, sides in pixels
    struct Loupe {
        double u = 0.5, v = 0.5;
        int side = 0;
    };
    std::vector<Loupe> loupes;  // persistent, at most kMaxLoupes
    bool centreLoupe = false;
    bool middleLoupe = false;   // held by the middle button (timer 8)
    POINT middleAt{};
    int resizingLoupe = -1;
    lv::Bgra full;              // the preview at full size for the loupes, decoded on first use
    int fullIndex = -1;

    // dragging the strip's top edge or the panel's inner edge
    int dragging = 0;  // 0 none, 1 strip edge, 2 panel edge

    HFONT fontUi = nullptr, fontSmall = nullptr, fontBold = nullptr, fontTitle = nullptr, fontStars = nullptr;
};
extern Shell g;

// [SECTION] text helpers
std::wstring wide(std::string_view utf8);
std::string narrow(std::wstring_view w);
std::wstring uiText(const char* key);
int px(int v96);  // at the window's DPI

// [SECTION] window (window.cpp)
bool registerMainWindow();
HWND createMainWindow();
void relayout();
void recreateFonts();
void toggleFullScreen();
void setWindowTitle();
void showCurrentPhoto();
void openFolderPath(const std::string& folder, const std::string& selectName);
void openAnyPath(const std::string& path);

// [SECTION] commands (commands.cpp)
HMENU buildMenuBar();
HACCEL buildAccelerators();
void updateMenuMarks(HMENU menu);
bool handleKey(WPARAM vk);
void runCommand(int id);
void showContextMenu(int x, int y);  // screen coordinates
void slideshowTick();
void burstTick();
void stopSlideshow();

// [SECTION] photos (photos.cpp): the interim photo source until the viewer engine lands
void loadShownPhoto(int index);
void fitShownPhoto();
bool makeSomeThumbnails(uint32_t budgetMs);
void resetThumbnails();
int currentPhotoIndex();

// [SECTION] painting (paint.cpp)
void paintMainWindow(HDC dc, const RECT& client);
// The tab-separated fields of one shot-information row ("H"/"V"/"D" first).
std::vector<std::string> tabFields(const std::string& line);
// The panel line under a client point: section and row (row -1 for a heading); false for none.
bool panelLineAt(POINT p, int* section, int* row);
// The displayed photo's rectangle (empty without a photo).
RECT photoRect();

// [SECTION] loupes (loupes.cpp)
void paintLoupes(HDC dc);
int loupeAt(POINT p, bool* onGrip);
bool addLoupeAt(POINT p);
void removeLoupe(int i);
void resizeLoupeTo(int i, POINT p);
bool ensureFullPreview();

// [SECTION] welcome screen (welcome.cpp)
void welcomeShow();
void welcomeHide();
void welcomeLayout();
bool welcomeCommand(WPARAM wp, LPARAM lp);
void paintWelcome(HDC dc, const RECT& client);
HBRUSH welcomeControlColour(HDC dc, HWND control);
bool welcomeDrawItem(const DRAWITEMSTRUCT* d);
