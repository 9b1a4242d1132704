// Benchmark mode: the script of a user's session, its figures and bench_last.ini.
#include "viewer/bench.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/ini.h"
#include "core/pathname.h"
#include "core/settings.h"

namespace lv {

// [SECTION] figures

Spread spreadOf(std::vector<double> ms) {
    Spread s;
    s.count = ms.size();
    if (ms.empty()) return s;
    std::sort(ms.begin(), ms.end());
    size_t n = ms.size();
    s.min = ms.front();
    s.max = ms.back();
    s.median = n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
    s.p95 = ms[std::min(n - 1, size_t(std::ceil(0.95 * double(n))) - 1)];
    return s;
}

namespace {

// The series in the order bench_last.ini lists them.
enum Series : int {
    kFirstShow, kForward, kBack, kStepCached, kStepPrefetched, kStepCold, kJumpEnd, kPhotoSize, kResize,
    kLocate, kRead, kDecodeScale, kShotInfo, kThumbStep, kRotateDraw, kThumbnails, kThumbnailsWarm, kSeriesCount
};
constexpr const char* kSeriesNames[kSeriesCount] = {
    "FirstShow", "Forward", "Back", "StepCached", "StepPrefetched", "StepCold", "JumpEnd", "PhotoSize", "Resize",
    "Locate", "Read", "DecodeScale", "ShotInfo", "ThumbStep", "RotateDraw", "Thumbnails", "ThumbnailsWarm"};
constexpr int kResizeW = 1280, kResizeH = 720;
constexpr int kSmallestPhotoSize = 50;

double msSince(uint64_t t0) { return double(perfCounter() - t0) * 1000.0 / double(perfFrequency()); }

struct Run {
    Viewer& v;
    ViewerUi& ui;
    const BenchShell& shell;
    BenchReport& report;
    std::vector<uint8_t> seen;  // photos shown before (their decoded entry is a cache hit)

    std::vector<double>& at(Series s) { return report.series[size_t(s)].ms; }
    void pump() {
        if (shell.pump) shell.pump(shell.context);
    }
    Rect target() { return photoTarget(shell.photoArea(shell.context), ui.photoSize); }
};

bool thumbnailDone(Viewer& v, int photo) {
    LockGuard g(v.cacheLock);
    return photo >= 0 && photo < int(v.thumbs.state.size()) && v.thumbs.state[size_t(photo)] == kThumbDone;
}

// Shows the current position and draws it, adding the phases to their series. The time from the
// call to the picture on screen.
double showAndDraw(Run& run, ShowResult* out) {
    Viewer& v = run.v;
    uint64_t t0 = perfCounter();
    Rect target = run.target();
    int photo = visibleToPhoto(*v.folder, v.folder->currentPosition);
    bool thumbBefore = thumbnailDone(v, photo);
    uint64_t jpegMisses = v.stats.jpegMisses;
    *out = showPhoto(v, v.folder->currentPosition, target);
    uint64_t drawStart = perfCounter();
    run.shell.draw(run.shell.context, out->plan, target);
    double drawMs = msSince(drawStart);
    double ms = msSince(t0);
    const ShowPhases& p = v.stats.last;
    if (!thumbBefore) run.at(kThumbStep).push_back(p.thumbMs);
    if (v.stats.jpegMisses != jpegMisses) {
        run.at(kLocate).push_back(p.locateMs);
        run.at(kRead).push_back(p.readMs);
    }
    if (out->plan.draw == ViewDraw::Picture && !out->plan.fromCache) run.at(kDecodeScale).push_back(p.decodeMs);
    run.at(kShotInfo).push_back(p.shotMs);
    run.at(kRotateDraw).push_back(drawMs);
    return ms;
}

// One piece of the work the builder does as worker 0 around the current photo: a preview decoded
// into the cache, else the thumbnail step of a neighbour that lacks it (a preview job needs the
// orientation it finds). False when the neighbours are done.
bool prefetchOne(Viewer& v) {
    PreviewJob job;
    int needThumb = -1;
    bool got = false;
    {
        LockGuard g(v.cacheLock);
        got = pickJob(v, 0, &job);
        int len = visibleLength(*v.folder);
        for (int step = 1; !got && needThumb < 0 && step <= 2 * kPrefetchReach; step++) {
            int pos = v.position + (step + 1) / 2 * (step % 2 ? 1 : -1);
            int photo = pos >= 0 && pos < len ? visibleToPhoto(*v.folder, pos) : -1;
            if (photo >= 0 && photo < int(v.thumbs.state.size()) && v.thumbs.state[size_t(photo)] == kThumbNotDone)
                needThumb = photo;
        }
    }
    if (got) {
        processJob(v, job);
        finishJob(v, 0);
        return true;
    }
    if (needThumb < 0) return false;
    buildThumbnail(v, needThumb);
    return true;
}

void pauseUntil(Run& run, uint64_t until) {
    while (perfCounter() < until) {
        run.pump();
        if (!prefetchOne(run.v)) sleepMs(1);
    }
}

// Presses the key `presses` times at the key rate; each press's time lands in `series` and in the
// cached / prefetched / cold split.
void pressKeys(Run& run, int vk, int presses, Series series) {
    FolderState& folder = *run.v.folder;
    uint64_t period = run.report.keyRateHz > 0 ? perfFrequency() / uint64_t(run.report.keyRateHz) : 0;
    for (int i = 0; i < presses; i++) {
        uint64_t press = perfCounter();
        if (!handleKey(run.ui, folder, KeyInput{vk}).show) break;
        int photo = visibleToPhoto(folder, folder.currentPosition);
        ShowResult r;
        double ms = showAndDraw(run, &r);
        run.at(series).push_back(ms);
        if (r.plan.draw == ViewDraw::Picture) {
            bool before = photo >= 0 && run.seen[size_t(photo)];
            run.at(!r.plan.fromCache ? kStepCold : before ? kStepCached : kStepPrefetched).push_back(ms);
        }
        if (photo >= 0) run.seen[size_t(photo)] = 1;
        pauseUntil(run, press + period);
    }
}

// Every photo's thumbnail step from nothing, as the strip needs them.
void thumbnailRun(Run& run, Series series) {
    Viewer& v = run.v;
    int n = v.folder->photos.count;
    {
        LockGuard g(v.cacheLock);
        resetThumbStore(v.thumbs, n);
    }
    BenchSeries& s = run.report.series[size_t(series)];
    uint64_t t0 = perfCounter();
    for (int p = 0; p < n; p++) {
        uint64_t t = perfCounter();
        buildThumbnail(v, p);
        s.ms.push_back(msSince(t));
        if (p % 16 == 0) run.pump();
    }
    s.totalMs = msSince(t0);
}

// Removes the files of the benchmark's own cache folder and the folder itself.
void removeBenchCache(const std::string& folder) {
    std::vector<DirEntry> entries;
    if (listFolder(folder, &entries)) return;
    for (const DirEntry& e : entries)
        if (!e.isFolder && !e.reparse) fileDelete(joinPath(folder, e.name));
    folderDelete(withoutTrailingSeparator(folder));
}

void thumbnailRuns(Run& run) {
    Viewer& v = run.v;
    if (v.setup.cacheMode != kCacheDisk) {
        thumbnailRun(run, kThumbnails);
        return;
    }
    std::string userCache = v.cacheFolder;
    v.cacheFolder = withTrailingSeparator(joinPath(v.setup.cacheRoot, "bench-cache"));
    removeBenchCache(v.cacheFolder);
    folderCreateAll(v.cacheFolder);
    thumbnailRun(run, kThumbnails);
    thumbnailRun(run, kThumbnailsWarm);
    removeBenchCache(v.cacheFolder);
    v.cacheFolder = userCache;
}

}  // namespace

// [SECTION] the script

BenchReport runBenchmark(Viewer& v, ViewerUi& ui, const BenchShell& shell, const BenchSetup& setup) {
    BenchReport report;
    report.program = setup.program;
    report.folder = v.folder->folder;
    report.photos = v.folder->photos.count;
    report.cacheMode = v.setup.cacheMode;
    report.keyRateHz = std::max(0, setup.keyRateHz);
    int len = visibleLength(*v.folder);
    report.presses = std::clamp(len - 1, 0, std::max(0, setup.maxPresses));
    for (int s = 0; s < kSeriesCount; s++)
        if (s != kThumbnailsWarm || v.setup.cacheMode == kCacheDisk) report.series.push_back({kSeriesNames[s], {}, 0});
    Run run{v, ui, shell, report, std::vector<uint8_t>(size_t(v.folder->photos.count), 0)};
    uint64_t t0 = perfCounter();
    Rect area = shell.photoArea(shell.context);
    report.viewW = area.w;
    report.viewH = area.h;

    // 1. The first photo, with the caches as a freshly opened folder has them (the window may
    // have shown it already).
    ShowResult r;
    v.folder->currentPosition = 0;
    viewerFolderOpened(v);
    run.at(kFirstShow).push_back(showAndDraw(run, &r));
    int first = visibleToPhoto(*v.folder, 0);
    if (first >= 0) run.seen[size_t(first)] = 1;
    // 2-3. Forward and back at the key rate.
    pressKeys(run, kVkRight, report.presses, kForward);
    pressKeys(run, kVkLeft, report.presses, kBack);
    // 4. A jump to the end.
    if (handleKey(ui, *v.folder, KeyInput{kVkEnd}).show) {
        uint64_t t = perfCounter();
        showAndDraw(run, &r);
        run.at(kJumpEnd).push_back(msSince(t));
    }
    // 5. Photo size down and up again.
    int size0 = ui.photoSize;
    for (int dir : {-1, +1}) {
        while (dir < 0 ? ui.photoSize > kSmallestPhotoSize : ui.photoSize < size0) {
            uint64_t t = perfCounter();
            if (!stepPhotoSize(ui, dir)) break;
            showAndDraw(run, &r);
            run.at(kPhotoSize).push_back(msSince(t));
        }
    }
    ui.photoSize = size0;
    // 6. Resize and back.
    for (Rect to : {Rect{0, 0, kResizeW, kResizeH}, area}) {
        uint64_t t = perfCounter();
        shell.resize(shell.context, to.w, to.h);
        showAndDraw(run, &r);
        run.at(kResize).push_back(msSince(t));
        run.pump();
    }
    // 7. The strip's thumbnails.
    thumbnailRuns(run);
    report.totalMs = msSince(t0);
    return report;
}

// [SECTION] bench_last.ini

std::string benchReportPath() { return configFolder() + kBenchReportName; }

const char* cacheModeWord(int cacheMode) {
    return cacheMode == kCacheDisk ? "DISK" : cacheMode == kCacheNone ? "NONE" : "RAM";
}

namespace {

std::string fixed2(double v) {
    char b[48];
    std::snprintf(b, sizeof b, "%.2f", v);
    return b;
}

}  // namespace

std::string benchIniText(const BenchReport& r) {
    LocalTime now = localTimeNow();
    char date[40];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d %02d:%02d:%02d", now.year, now.month, now.day, now.hour,
                  now.minute, now.second);
    const std::string runKeys[] = {"Program", "Folder", "Photos", "CacheMode", "ViewWidth", "ViewHeight",
                                   "KeyRateHz", "Presses", "TotalMs", "Date"};
    const std::string runValues[] = {r.program, r.folder, std::to_string(r.photos), cacheModeWord(r.cacheMode),
                                     std::to_string(r.viewW), std::to_string(r.viewH), std::to_string(r.keyRateHz),
                                     std::to_string(r.presses), fixed2(r.totalMs), date};
    std::string text = iniReplaceSectionText("", "Run", runKeys, runValues, std::size(runKeys));
    for (const BenchSeries& s : r.series) {
        Spread sp = spreadOf(s.ms);
        std::vector<std::string> keys = {"Count", "MinMs", "MedianMs", "P95Ms", "MaxMs"};
        std::vector<std::string> values = {std::to_string(sp.count), fixed2(sp.min), fixed2(sp.median),
                                           fixed2(sp.p95), fixed2(sp.max)};
        if (std::string_view(s.section).rfind("Thumbnails", 0) == 0) {
            keys.insert(keys.end(), {"TotalMs", "PhotosPerSecond"});
            values.push_back(fixed2(s.totalMs));
            values.push_back(fixed2(s.totalMs > 0 ? double(sp.count) * 1000.0 / s.totalMs : 0));
        }
        text = iniReplaceSectionText(text, s.section, keys.data(), values.data(), keys.size());
    }
    return text;
}

WinErr writeBenchReport(std::string_view path, const BenchReport& r) { return iniWriteFile(path, benchIniText(r)); }

}  // namespace lv
