#include "viewer_session.h"

#include <cstdio>

#include "core/pathname.h"
#include "core/settings.h"

namespace lv::cli {

int takeSessionOption(const char* command, const Args& args, size_t* i, SessionOptions* o) {
    const std::string& a = args[*i];
    if (a == "--json") {
        o->json = true;
        return 0;
    }
    if (a != "--cache-mode" && a != "--cache-root") return -1;
    if (*i + 1 >= args.size()) return usageError(command, a + " needs a value");
    const std::string& v = args[++*i];
    if (a == "--cache-root") {
        o->cacheRoot = v;
        return 0;
    }
    if (v == "disk") {
        o->cacheMode = kCacheDisk;
    } else if (v == "ram") {
        o->cacheMode = kCacheRam;
    } else if (v == "none") {
        o->cacheMode = kCacheNone;
    } else {
        return usageError(command, "--cache-mode wants disk, ram or none");
    }
    return 0;
}

int openSession(const char* command, const SessionOptions& o, Session* s) {
    if (o.folder.empty()) return usageError(command, "no folder given");
    if (!isFolder(o.folder)) {
        std::fprintf(stderr, "lumivore %s: %s: %s\n", command, o.folder.c_str(),
                     describeError(pathExists(o.folder) ? kErrInvalidParameter : kErrPathNotFound).c_str());
        return kExitFailed;
    }
    if (loadFolder(s->folder, fullPath(o.folder), "") <= 0) {
        std::fprintf(stderr, "lumivore %s: %s: no supported photos in the folder\n", command, o.folder.c_str());
        return kExitFailed;
    }
    ViewerSetup setup;
    setup.cacheMode = o.cacheMode;
    setup.workerCount = workerCountFor(processorCount());
    setup.cacheRoot = o.cacheRoot.empty() ? std::string() : withTrailingSeparator(fullPath(o.cacheRoot));
    setup.scanStep = filterScanStep;
    setup.scanContext = &s->scan;
    resetScan(s->scan);
    viewerInit(*s->viewer, setup, &s->folder);
    viewerFolderOpened(*s->viewer);
    return kExitOk;
}

void Progress::show(const char* what, int done, int total) {
    if (!on || total <= 0) return;
    int pct = int(int64_t(done) * 100 / total);
    if (pct == last) return;
    last = pct;
    int filled = pct * 30 / 100;
    std::fprintf(stderr, "\r%s [%.*s%*s] %d/%d", what, filled, "##############################", 30 - filled, "",
                 done, total);
    std::fflush(stderr);
}

void Progress::done() {
    if (on && last >= 0) std::fprintf(stderr, "\n");
    last = -1;
}

void printReport(const std::vector<ReportSection>& r, bool json) {
    if (json)
        std::printf("%s\n", jsonReport(r).c_str());
    else
        printReportText(r);
}

double msSince(uint64_t t0) { return double(perfCounter() - t0) * 1000.0 / double(perfFrequency()); }

}  // namespace lv::cli
