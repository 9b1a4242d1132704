// lumivore view: steps through the visible list as a user holding the arrow key does, with the
// builder and the preview workers running, and reports the time from each key press to the
// pixels being ready, split into decoded-cache hits and misses. With --bench it runs the
// benchmark script Lumivore.exe runs for "/BENCH" (viewer/bench.h) and writes bench_last.ini.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "options.h"
#include "report.h"
#include "viewer/commands.h"
#include "viewer_session.h"

namespace lv::cli {

namespace {

void addSpread(std::vector<ReportSection>& r, const char* key, const std::vector<double>& ms) {
    Spread s = spreadOf(ms);
    ReportSection sec;
    sec.key = key;
    addNumber(sec.fields, "steps", double(s.count));
    auto ms1 = [](double v) { return std::round(v * 100) / 100; };
    addNumber(sec.fields, "minMs", ms1(s.min));
    addNumber(sec.fields, "medianMs", ms1(s.median));
    addNumber(sec.fields, "p95Ms", ms1(s.p95));
    addNumber(sec.fields, "maxMs", ms1(s.max));
    r.push_back(std::move(sec));
}

// [SECTION] --bench
// The command line's stand-in for the window: a photo area of its own, and drawing that turns the
// picture upright in memory (there is no screen to put it on).
struct MemoryShell {
    Rect area;
    size_t drawnBytes = 0;
};
Rect memoryArea(void* c) { return static_cast<MemoryShell*>(c)->area; }
void memoryDraw(void* c, const ViewPlan& plan, const Rect&) {
    if (plan.draw != ViewDraw::Picture || !plan.pixels) return;
    Bgra in;
    in.width = plan.bw;
    in.height = plan.bh;
    in.pixels = *plan.pixels;
    static_cast<MemoryShell*>(c)->drawnBytes += rotateBgra(in, plan.rotation).pixels.size();
}
void memoryResize(void* c, int w, int h) { static_cast<MemoryShell*>(c)->area = Rect{0, 0, w, h}; }

int runBench(Session& s, const SessionOptions& o, int w, int h, double rate, std::string out, bool force) {
    MemoryShell memory{Rect{0, 0, w, h}};
    BenchShell shell{&memory, memoryArea, memoryDraw, memoryResize, nullptr};
    BenchSetup setup;
    setup.program = "lumivore view";
    setup.keyRateHz = int(std::lround(rate));
    ViewerUi ui;
    BenchReport report = runBenchmark(*s.viewer, ui, shell, setup);
    if (out.empty()) {  // the program's own report file, replaced by every run
        out = benchReportPath();  // configFolder() creates the folder
        force = true;
    }
    int rc = writeOutput("view", out, benchIniText(report), force, s.folder.folder);
    std::vector<ReportSection> r(1);
    addText(r[0].fields, "report", out);
    addText(r[0].fields, "cacheMode", cacheModeWord(report.cacheMode));
    addNumber(r[0].fields, "photos", report.photos);
    addNumber(r[0].fields, "presses", report.presses);
    addNumber(r[0].fields, "totalMs", std::round(report.totalMs));
    for (const BenchSeries& b : report.series) addSpread(r, b.section, b.ms);
    printReport(r, o.json);
    return rc;
}

}  // namespace

int runView(const Args& args) {
    SessionOptions o;
    long steps = -1;
    double rate = 10;
    bool bench = false, force = false;
    std::string out;
    int w = 1920, h = 1080;
    for (size_t i = 0; i < args.size(); i++) {
        int rc = takeSessionOption("view", args, &i, &o);
        if (rc > 0) return rc;
        if (rc == 0) continue;
        const std::string& a = args[i];
        bool hasValue = i + 1 < args.size();
        if (a == "--steps" && hasValue) {
            char* end = nullptr;
            steps = std::strtol(args[++i].c_str(), &end, 10);
            if (*end || steps < 1 || steps > 1000000) return usageError("view", "--steps wants a number from 1");
        } else if (a == "--rate" && hasValue) {
            char* end = nullptr;
            rate = std::strtod(args[++i].c_str(), &end);
            if (*end || !(rate >= 0) || rate > 1000) return usageError("view", "--rate wants key presses a second (0: no pause)");
        } else if (a == "--bench") {
            bench = true;
        } else if (a == "--force") {
            force = true;
        } else if (a == "-o" && hasValue) {
            out = args[++i];
        } else if (a == "--size" && hasValue) {
            if (!parseSize(args[++i], 16384, &w, &h)) return usageError("view", "--size wants WxH, e.g. 1920x1080");
        } else if (o.folder.empty() && !a.empty() && a[0] != '-') {
            o.folder = a;
        } else {
            return usageError("view", "unexpected argument \"" + a + "\"");
        }
    }
    if (steps < 0 && !bench) return usageError("view", "--steps N or --bench is required");
    if (!out.empty() && !bench) return usageError("view", "-o goes with --bench");
    if (!out.empty() && !force && out != "-" && pathExists(out)) {  // said before the run, not after it
        std::fprintf(stderr, "lumivore view: %s: already exists (--force replaces it)\n", out.c_str());
        return kExitFailed;
    }
    Session s;
    if (int rc = openSession("view", o, &s)) return rc;
    if (bench) return runBench(s, o, w, h, rate, out, force);
    Viewer& v = *s.viewer;
    ViewerUi ui;
    Rect area{0, 0, w, h};
    uint64_t t0 = perfCounter();
    ShowResult first = showPhoto(v, 0, area);
    double firstMs = msSince(t0);
    WinErr e = viewerStart(v);
    if (e) {
        std::fprintf(stderr, "lumivore view: the builder could not start: %s\n", describeError(e).c_str());
        return kExitFailed;
    }
    Progress bar;
    bar.on = stderrIsTerminal();
    std::vector<double> all, hits, misses;
    int noPicture = 0;
    int key = kVkRight;
    double periodMs = rate > 0 ? 1000.0 / rate : 0;
    for (long i = 0; i < steps; i++) {
        uint64_t press = perfCounter();
        KeyOutcome out = handleKey(ui, s.folder, KeyInput{key});
        if (!out.show) {  // an end of the list: the user turns round
            key = key == kVkRight ? kVkLeft : kVkRight;
            out = handleKey(ui, s.folder, KeyInput{key});
        }
        if (!out.show) break;  // a single photo
        ShowResult r = showPhoto(v, s.folder.currentPosition, area);
        double ms = msSince(press);
        all.push_back(ms);
        if (r.plan.draw != ViewDraw::Picture)
            noPicture++;  // the NoPreview text or an undecodable preview: neither hit nor miss
        else
            (r.plan.fromCache ? hits : misses).push_back(ms);
        bar.show("steps", int(i + 1), int(steps));
        while (periodMs > 0 && msSince(press) < periodMs) sleepMs(1);
    }
    viewerStop(v);
    bar.done();

    std::vector<ReportSection> r(1);
    ReportFields& f = r[0].fields;
    addText(f, "folder", s.folder.folder);
    addNumber(f, "photos", s.folder.photos.count);
    addText(f, "size", std::to_string(w) + "x" + std::to_string(h));
    addNumber(f, "rateHz", rate);
    addNumber(f, "workers", v.setup.workerCount);
    addNumber(f, "firstShowMs", std::round(firstMs * 100) / 100);
    addBool(f, "firstShown", first.plan.draw == ViewDraw::Picture);
    addNumber(f, "steps", double(all.size()));
    addNumber(f, "hits", double(hits.size()));
    addNumber(f, "misses", double(misses.size()));
    size_t pictures = hits.size() + misses.size();
    addNumber(f, "missRate", pictures ? std::round(1000.0 * double(misses.size()) / double(pictures)) / 1000 : 0);
    addNumber(f, "withoutPicture", noPicture);
    addSpread(r, "all", all);
    addSpread(r, "hit", hits);
    addSpread(r, "miss", misses);
    printReport(r, o.json);
    return kExitOk;
}

}  // namespace lv::cli
