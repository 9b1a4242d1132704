// lumivore thumbs: the background builder over a folder, exactly as the program runs it, with an
// optional contact sheet of the 160 x 106 thumbnails.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/settings.h"
#include "report.h"
#include "viewer_session.h"

namespace lv::cli {

namespace {

constexpr int kSheetGap = 4;
constexpr int kSheetColumns = 10;

Bgra contactSheet(const Viewer& v, int count) {
    int cols = std::min(count, kSheetColumns), rows = (count + kSheetColumns - 1) / kSheetColumns;
    Bgra s;
    s.width = kSheetGap + cols * (kThumbW + kSheetGap);
    s.height = kSheetGap + rows * (kThumbH + kSheetGap);
    s.pixels.assign(size_t(s.width) * size_t(s.height) * 4, 12);
    for (int i = 0; i < count; i++) {
        const PixelBuffer& p = v.thumbs.pixels[size_t(i)];
        int x0 = kSheetGap + (i % kSheetColumns) * (kThumbW + kSheetGap);
        int y0 = kSheetGap + (i / kSheetColumns) * (kThumbH + kSheetGap);
        for (int y = 0; y < kThumbH; y++) {
            uint8_t* dst = &s.pixels[(size_t(y0 + y) * size_t(s.width) + size_t(x0)) * 4];
            if (p)
                std::memcpy(dst, &(*p)[size_t(y) * kThumbW * 4], size_t(kThumbW) * 4);
            else  // no preview: a dim red cell
                for (int x = 0; x < kThumbW; x++) dst[x * 4 + 2] = 90;
        }
    }
    return s;
}

// Through a temporary file beside the target; an existing file only with --force.
WinErr writeNewFile(const std::string& path, const std::string& bytes, bool force) {
    if (!force && pathExists(path)) return kErrFileExists;
    std::string tmp = path + ".lumivore-part";
    FileHandle f;
    WinErr e = fileCreate(tmp, CreateMode::CreateNew, &f);
    if (e) return e;
    e = fileWrite(f, bytes.data(), bytes.size());
    if (!e) e = fileFlush(f);
    fileClose(&f);
    if (!e) e = fileMove(tmp, path, force);
    if (e) fileDelete(tmp);
    return e;
}

}  // namespace

int runThumbs(const Args& args) {
    SessionOptions o;
    std::string sheet;
    bool force = false;
    bool noScan = false;  // the strip alone, without the metadata scan the builder also runs
    for (size_t i = 0; i < args.size(); i++) {
        int rc = takeSessionOption("thumbs", args, &i, &o);
        if (rc > 0) return rc;
        if (rc == 0) continue;
        if (args[i] == "-o" && i + 1 < args.size()) {
            sheet = args[++i];
        } else if (args[i] == "--force") {
            force = true;
        } else if (args[i] == "--no-scan") {
            noScan = true;
        } else if (o.folder.empty() && !args[i].empty() && args[i][0] != '-') {
            o.folder = args[i];
        } else {
            return usageError("thumbs", "unexpected argument \"" + args[i] + "\"");
        }
    }
    if (!sheet.empty() && lowerAscii(extensionOf(sheet)) != ".png") return usageError("thumbs", "the sheet must end in .png");
    if (!sheet.empty() && !force && pathExists(sheet)) {
        std::fprintf(stderr, "lumivore thumbs: %s: %s (use --force to replace it)\n", sheet.c_str(),
                     describeError(kErrFileExists).c_str());
        return kExitFailed;
    }
    Session s;
    if (int rc = openSession("thumbs", o, &s)) return rc;
    Viewer& v = *s.viewer;
    if (noScan) v.setup.scanStep = nullptr;
    int n = s.folder.photos.count;
    Progress bar;
    bar.on = stderrIsTerminal();
    uint64_t t0 = perfCounter();
    double thumbsMs = 0;
    WinErr e = viewerStart(v);
    if (e) {
        std::fprintf(stderr, "lumivore thumbs: the builder could not start: %s\n", describeError(e).c_str());
        return kExitFailed;
    }
    for (;;) {
        int done = 0;
        {
            LockGuard g(v.cacheLock);
            for (uint8_t st : v.thumbs.state) done += st == kThumbDone;
        }
        bar.show("thumbnails", done, n);
        if (done == n && thumbsMs == 0) thumbsMs = msSince(t0);
        if (done == n && v.idle && v.scanComplete) break;
        sleepMs(5);
    }
    viewerStop(v);
    bar.done();
    double totalMs = msSince(t0);
    int none = 0;
    for (const PixelBuffer& p : v.thumbs.pixels) none += !p;
    uint64_t bytes = v.thumbBytesRead.load();

    if (!sheet.empty()) {
        e = writeNewFile(sheet, encodePng(contactSheet(v, n)), force);
        if (e) {
            std::fprintf(stderr, "lumivore thumbs: %s: %s\n", sheet.c_str(), describeError(e).c_str());
            return kExitFailed;
        }
    }
    const char* modes[] = {"", "disk", "ram", "none"};
    std::vector<ReportSection> r(1);
    ReportFields& f = r[0].fields;
    addText(f, "folder", s.folder.folder);
    addText(f, "cacheMode", modes[v.setup.cacheMode]);
    if (v.setup.cacheMode == kCacheDisk) addText(f, "cacheFolder", v.cacheFolder);
    addNumber(f, "photos", n);
    addNumber(f, "thumbnails", n - none);
    addNumber(f, "noPreview", none);
    addNumber(f, "thumbnailsMs", std::round(thumbsMs * 10) / 10);
    addNumber(f, "totalMs", std::round(totalMs * 10) / 10);
    addNumber(f, "bytesRead", double(bytes));
    addNumber(f, "bytesPerPhoto", double(bytes / uint64_t(n)));
    if (!sheet.empty()) addText(f, "sheet", sheet);
    printReport(r, o.json);
    return kExitOk;
}

}  // namespace lv::cli
