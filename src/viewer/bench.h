// Benchmark mode: a fixed script of a user's session over the open folder, timed phase by phase,
// and its figures as "bench_last.ini" in the configuration folder. Lumivore.exe runs it for
// "/BENCH" and `lumivore view --bench` runs the same script on Linux; the shell only supplies the
// photo area, the drawing, the window size and its message pump (BenchShell).
//
// The script, on the folder as opened, with the builder, the workers and the timers not running:
//  1. the first photo shown, the caches emptied first as for a folder just opened;
//  2. forward through the folder, one Right key press every 1000 / keyRateHz ms (at most
//     maxPresses presses); in the pause after each press the neighbours within kPrefetchReach get
//     their thumbnail step and their preview decoded, as the builder does as worker 0;
//  3. back with Left, as many presses;
//  4. End: a jump to the last photo, neither cached nor prefetched;
//  5. the photo size stepped down to 50 % and back up to 100 %, the photo shown at each step;
//  6. the window resized so the photo area is 1280 x 720, then back to where it was;
//  7. the strip's thumbnails: every photo's thumbnail step in the cache mode; in disk mode twice,
//     into an empty cache folder of the benchmark's own (cold) and again from the files that run
//     wrote (warm); that folder is removed afterwards, the user's cache is not touched.
// Every showing (steps 1 to 6) adds its phases (ShowPhases) to the phase figures.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "viewer/commands.h"
#include "viewer/viewer.h"

namespace lv {

// [SECTION] figures
struct Spread {
    size_t count = 0;
    double min = 0, median = 0, p95 = 0, max = 0;
};
// p95 is the smallest value at or above 95 % of the values; all 0 for none.
Spread spreadOf(std::vector<double> ms);

struct BenchSeries {
    const char* section;  // the INI section, e.g. "Forward"
    std::vector<double> ms;
    double totalMs = 0;   // the thumbnail runs: wall time of the whole run
};
struct BenchReport {
    std::string program;  // "Lumivore.exe" or "lumivore view"
    std::string folder;
    int photos = 0;
    int cacheMode = 2;
    int viewW = 0, viewH = 0;  // the photo area of step 2
    int keyRateHz = 0;
    int presses = 0;           // each way
    double totalMs = 0;
    std::vector<BenchSeries> series;
};

// [SECTION] the script
struct BenchShell {
    void* context = nullptr;
    Rect (*photoArea)(void* context) = nullptr;  // the photo area as laid out now
    // Puts the plan of the photo just shown on screen; returns when it is there.
    void (*draw)(void* context, const ViewPlan& plan, const Rect& target) = nullptr;
    // Makes the photo area about w x h (or as near as the screen allows).
    void (*resize)(void* context, int w, int h) = nullptr;
    void (*pump)(void* context) = nullptr;  // handles pending window messages; may be null
};
struct BenchSetup {
    std::string program;
    int keyRateHz = 10;
    int maxPresses = 100;
};
// Runs the script over v's folder (opened, at least one photo, threads stopped). Leaves the last
// photo current and the photo size and area as they were.
BenchReport runBenchmark(Viewer& v, ViewerUi& ui, const BenchShell& shell, const BenchSetup& setup);

// [SECTION] bench_last.ini
inline constexpr const char* kBenchReportName = "bench_last.ini";
// configFolder() + kBenchReportName.
std::string benchReportPath();
// "RAM", "DISK" or "NONE".
const char* cacheModeWord(int cacheMode);
// The report as INI text: [Run], then one section per series with Count, MinMs, MedianMs, P95Ms,
// MaxMs (and TotalMs, PhotosPerSecond for the thumbnail runs).
std::string benchIniText(const BenchReport& r);
// Written through a temporary file and a replace.
WinErr writeBenchReport(std::string_view path, const BenchReport& r);

}  // namespace lv
