// Lumivore.exe: start-up and shutdown in their fixed order. The window procedure lives in
// window.cpp; this file brings the shared services up, decides what to open and takes
// everything down again after the message loop.
#include <windows.h>
#include <objidl.h>  // gdiplus.h needs it when windows.h is lean
#include <gdiplus.h>

#include <cstdio>

#include "core/diaglog.h"
#include "core/ini.h"
#include "core/startup.h"
#include "core/texts.h"
#include "library/filekinds.h"
#include "library/open_paths.h"
#include "library/recent.h"
#include "filter/saved_filters.h"
#include "import/import_template.h"
#include "metadata/makernote.h"
#include "sidecar/sidecar_file.h"
#include "dialog_kit.h"
#include "shell.h"

Shell g;

namespace {

// [SECTION] start-up helpers
bool probeIsFolder(std::string_view p) { return lv::isFolder(p); }
bool probeExists(std::string_view p) { return lv::pathExists(p); }
bool probeHasPhotos(std::string_view f) { return lv::folderHasPhotos(f); }

int screenDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi < 48 ? 96 : dpi;
}

// Per-monitor v2 where the system has it (Windows 10 1703+), else the whole process.
void declareDpiAware() {
    using SetContextFn = BOOL(WINAPI*)(HANDLE);
    HMODULE user = GetModuleHandleW(L"user32.dll");
    auto setContext = user ? reinterpret_cast<SetContextFn>(
                                 reinterpret_cast<void*>(GetProcAddress(user, "SetProcessDpiAwarenessContext")))
                           : nullptr;
    if (!setContext || !setContext(reinterpret_cast<HANDLE>(-4) /* PER_MONITOR_AWARE_V2 */)) SetProcessDPIAware();
}

std::string exePath() {
    wchar_t buf[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(nullptr, buf, DWORD(sizeof buf / sizeof buf[0]));
    return narrow(std::wstring_view(buf, n));
}

bool scanStep(lv::FolderState& folder, lv::Lock& lock, void* context) {
    return lv::metadataScanStep(folder, *static_cast<lv::ScanState*>(context), lock);
}

// The filter rebuilds the visible list with the builder and workers stopped around it.
void rebuildWithViewerStopped(lv::FolderState& folder, void*) {
    lv::viewerStop(g.viewer);
    lv::rebuildVisibleList(folder);
    if (g.haveFolder && !g.bench) lv::viewerStart(g.viewer);
}

}  // namespace

// [SECTION] entry point
int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int) {
    g.inst = inst;
    // 1. The argument text; "/LOG" opens the log before anything else.
    std::string commandLine = narrow(GetCommandLineW());
    lv::StartupArgs args = lv::parseStartupArguments(lv::commandLineArguments(commandLine));
    if (args.log) lv::logOpen(exePath(), commandLine);
    // 2. Supported formats and the vendor list.
    lv::registerFileKindSettingsRules();
    lv::registerMakerNoteHooks();
    lv::registerTemplateSettingsRules();
    // 3. DPI awareness and the scale.
    declareDpiAware();
    g.screenDpi = g.dpi = screenDpi();
    // 4-5. Visibility defaults come with the settings' defaults; then the settings and texts.
    lv::loadSettings(g.dpi);
    lv::Settings& set = lv::currentSettings();
    lv::buildTextTable(set.language);
    lv::logLine(lv::settingsLoadedLine(set.cacheMode, lv::settingsPath()));
    // 6. GDI+.
    Gdiplus::GdiplusStartupInput gdiIn;
    ULONG_PTR gdiToken = 0;
    Gdiplus::Status gs = Gdiplus::GdiplusStartup(&gdiToken, &gdiIn, nullptr);
    if (gs != Gdiplus::Ok) {
        lv::logLine("GdiplusStartup FAILED rc=" + std::to_string(int(gs)));
        std::wstring msg = uiText("GdiplusInitFailed") + std::to_wstring(int(gs));
        MessageBoxW(nullptr, msg.c_str(), L"Lumivore", MB_ICONEXCLAMATION | MB_OK);
        lv::logClose();
        return 1;
    }
    // 7. The cache lock, the decoder and the worker pool (the viewer engine), and the filter.
    lv::ViewerSetup setup;
    setup.cacheMode = set.cacheMode;
    setup.previewCacheMB = set.previewCacheMB;
    setup.workerCount = lv::workerCountFor(lv::processorCount());
    setup.scanStep = scanStep;
    setup.scanContext = &g.scan;
    lv::viewerInit(g.viewer, setup, &g.folder);
    g.filter.factsLock = &g.viewer.cacheLock;
    g.filter.rebuild = rebuildWithViewerStopped;
    g.filter.settingsPath = lv::settingsPath();
    std::string iniText;
    lv::iniReadFile(lv::settingsPath(), &iniText);
    lv::loadCurrentFilter(g.filter.current, iniText);
    lv::loadSavedFilters(g.filter.saved, iniText);
    lv::attachFilter(g.folder, g.filter);
    // 8. The remaining switches.
    g.bench = args.bench;
    if (args.bench && args.benchCacheMode) g.viewer.setup.cacheMode = set.cacheMode = args.benchCacheMode;
    // 9. The start-up folder.
    lv::StartupProbe probe{probeIsFolder, probeExists, probeHasPhotos};
    lv::StartupChoice choice = lv::chooseStartupFolder(args.path, args.path.empty() ? firstRecentEntry() : "", probe);
    if (choice.welcome) {
        lv::logLine(choice.logLine);
        g.welcome = true;
    } else {
        // 11-12. The missing start-up file and the folder.
        g.missingStartupFile = choice.missingFile;
        std::string select(lv::fileNamePart(choice.file));
        g.folder.orderingMode = lv::orderingFromSetting(
            lv::iniReadInt(lv::settingsPath(), lv::kOrderingSection, lv::kOrderingKey, lv::kOrderOriginal));
        int n = lv::loadFolder(g.folder, choice.folder, select,
                               [](std::string_view p, int* r, std::string* l) {
                                   lv::RatingLabel rl = lv::readRatingLabel(p);
                                   *r = rl.rating;
                                   *l = rl.label;
                               });
        g.haveFolder = n > 0;
        lv::logLine(lv::folderLoadedLine(choice.folder, n));
        if (g.haveFolder) {
            lv::viewerFolderOpened(g.viewer);
            lv::resetScan(g.scan);
        }
        if (g.haveFolder && !g.bench)
            lv::rememberRecentPhoto(lv::settingsPath(), lv::photoForRecent(g.folder));
        if (!g.haveFolder) g.welcome = true;
    }
    // 13. The main window at (100, 80).
    if (!registerMainWindow() || !createMainWindow()) {
        lv::logLine("CreateWindow FAILED rc=" + std::to_string(GetLastError()));
        Gdiplus::GdiplusShutdown(gdiToken);
        lv::logClose();
        return 1;
    }
    // 14. The thumbnail builder and workers, and the housekeeping timer.
    if (!g.bench) {
        if (g.haveFolder) lv::viewerStart(g.viewer);
        SetTimer(g.hwnd, kTimerHousekeeping, 500, nullptr);
    }
    // 15. Show and paint.
    ShowWindow(g.hwnd, SW_SHOWNORMAL);
    UpdateWindow(g.hwnd);
    lv::logLine("main window shown");
    int exitCode = g.bench ? runBenchMode() : 0;
    // 16. The message loop through the accelerators.
    MSG msg{};
    BOOL r;
    while ((r = GetMessageW(&msg, nullptr, 0, 0)) != 0 && r != -1) {
        // The modeless dialogs first: keys typed into them are not the main window's shortcuts.
        if (dlg::isDialogMessage(&msg)) continue;
        if (g.accel && g.hwnd && !g.welcome && TranslateAcceleratorW(g.hwnd, g.accel, &msg)) continue;
        if (g.welcome && g.hwnd && IsDialogMessageW(g.hwnd, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // [SECTION] shutdown
    endCopiesAtShutdown();
    if (!g.bench && g.haveFolder) lv::rememberRecentPhoto(lv::settingsPath(), lv::photoForRecent(g.folder));
    lv::viewerStop(g.viewer);
    KillTimer(nullptr, kTimerHousekeeping);
    lv::clearDecodedCache(g.viewer.decoded);
    lv::clearJpegCache(g.viewer.jpeg);
    g.upright = {};
    g.full = {};
    lv::jpegDecoderThreadEnd();
    for (HFONT* f : {&g.fontUi, &g.fontSmall, &g.fontBold, &g.fontTitle}) {
        if (*f) DeleteObject(*f);
        *f = nullptr;
    }
    Gdiplus::GdiplusShutdown(gdiToken);
    lv::logClose();
    // Everything is saved and closed: end here rather than through the global destructors, which
    // have nothing left to write and under Wine stalled the end of the process for a minute after
    // the strip filter had been used.
    ExitProcess(UINT(exitCode));
}
