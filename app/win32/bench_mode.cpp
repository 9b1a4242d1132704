// "/BENCH": the benchmark script of the viewer engine (viewer/bench.h) run in the main window. The
// shell only lays the window out, paints it and hands on the messages that arrive meanwhile.
#include <windows.h>

#include "core/diaglog.h"
#include "shell.h"
#include "viewer/bench.h"

namespace {

lv::Rect photoArea(void*) { return g.areas.photo; }

// The whole window is painted at once (photo, strip and panel), as after a key press.
void draw(void*, const lv::ViewPlan&, const lv::Rect&) {
    InvalidateRect(g.hwnd, nullptr, FALSE);
    UpdateWindow(g.hwnd);
    GdiFlush();
}

// The client grows or shrinks by what the photo area must change; WM_SIZE lays it out again.
void resize(void*, int w, int h) {
    RECT c;
    GetClientRect(g.hwnd, &c);
    RECT r{0, 0, c.right + (w - g.areas.photo.w), c.bottom + (h - g.areas.photo.h)};
    AdjustWindowRectEx(&r, DWORD(GetWindowLongPtrW(g.hwnd, GWL_STYLE)), GetMenu(g.hwnd) != nullptr, 0);
    SetWindowPos(g.hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
}

void pump(void*) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {  // handed back to the main loop once the script is done
            PostQuitMessage(int(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace

int runBenchMode() {
    if (!g.haveFolder || g.welcome) {
        lv::logLine("benchmark: no folder with photos to open");
        DestroyWindow(g.hwnd);
        return 1;
    }
    pump(nullptr);
    lv::BenchShell shell{nullptr, photoArea, draw, resize, pump};
    lv::BenchSetup setup;
    setup.program = "Lumivore.exe";
    lv::BenchReport report = lv::runBenchmark(g.viewer, g.ui, shell, setup);
    std::string path = lv::benchReportPath();  // configFolder() creates the folder
    lv::WinErr e = lv::writeBenchReport(path, report);
    lv::logLine(e ? "benchmark report FAILED code=" + std::to_string(e) + ": " + path : "benchmark report: " + path);
    DestroyWindow(g.hwnd);
    return e ? 1 : 0;
}
