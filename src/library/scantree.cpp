#include "library/scantree.h"

#include <new>

#include "library/filekinds.h"
#include "platform/platform.h"

namespace lv {

ScanClass scanClassOf(std::string_view path, PathStyle s) {
    switch (classifyFile(path, s)) {
        case FileKind::Raw:
        case FileKind::Jpeg: return kScanPhoto;
        case FileKind::Video: return kScanVideo;
        case FileKind::Audio: return kScanAudio;
        case FileKind::Sidecar: return kScanSidecar;
        case FileKind::Other: break;
    }
    return kScanOther;
}

bool scanFilterAccepts(const ScanFilter& filter, std::string_view path, PathStyle s) {
    if (pipeListHas(filter.excluded, extensionKey(path, s))) return false;
    return filter.include[scanClassOf(path, s)];
}

static bool probeAllocation(size_t bytes) {
    char* block = new (std::nothrow) char[bytes];
    if (!block) return false;
    delete[] block;
    return true;
}

// Path length as the file system counts it: UTF-16 units.
static size_t pathUnits(std::string_view path) {
    if (path.size() < kScanPathLimit) return path.size();  // never more units than bytes
    return utf16FromUtf8(path).size();
}

namespace {
struct ScanWalk {
    std::vector<ScanRecord>& list;
    ScanStats& stats;
    const ScanFilter& filter;
    const std::atomic<bool>* cancel;
    bool memoryCheck;
    AllocationProbeFn probe;
    ScanLive* live;
    size_t used = 0;
    bool cancelled = false;

    bool stopped() {
        if (cancel && cancel->load(std::memory_order_relaxed)) cancelled = true;
        return cancelled || stats.outOfMemory;
    }

    // Makes room for one more record; false when memory is short.
    bool reserveOne() {
        if (used < list.size()) return true;
        size_t grow = list.size() < kScanMaxGrowth ? list.size() : kScanMaxGrowth;
        if (grow == 0) grow = kScanInitialRecords;
        size_t newSize = list.size() + grow;
        if (memoryCheck) {
            // The import plan keeps several arrays of this length; make sure they would fit.
            uint64_t bytes = uint64_t(newSize) * sizeof(ScanRecord);
            bool fits = bytes < (uint64_t(1) << 31);
            for (int i = 0; fits && i < 6; i++) fits = probe(size_t(bytes));
            if (!fits) {
                stats.outOfMemory = true;
                return false;
            }
        }
        list.resize(newSize);
        return true;
    }

    // Lists one folder: files are recorded, subfolders returned in the order found.
    void visit(const std::string& dir, std::vector<std::string>* subfolders) {
        stats.foldersVisited++;
        if (live) live->folders++;
        std::vector<DirEntry> entries;
        if (listFolder(dir, &entries) != kErrOk) return;
        for (DirEntry& e : entries) {
            if (stopped()) return;
            if (e.isFolder) {
                if (!e.reparse) subfolders->push_back(joinPath(dir, e.name));
                continue;
            }
            if (live) live->files++;
            std::string path = joinPath(dir, e.name);
            if (pathUnits(path) >= kScanPathLimit) {
                stats.tooLong++;
                continue;
            }
            if (!scanFilterAccepts(filter, path)) {
                stats.filesExcluded++;
                stats.bytesExcluded += e.size;
                continue;
            }
            if (!reserveOne()) return;
            ScanRecord& r = list[used++];
            r.path = std::move(path);
            r.size = e.size;
            r.writeTime = e.writeTime;
            r.attachedSidecar = false;
            stats.filesKept++;
            stats.bytesKept += e.size;
        }
    }
};
}  // namespace

int scanTree(std::string_view root, std::vector<ScanRecord>& list, ScanStats& stats, const ScanFilter& filter,
             const std::atomic<bool>* cancel, bool memoryCheck, AllocationProbeFn probe, ScanLive* live) {
    stats = ScanStats();
    stats.root = std::string(root);
    list.clear();
    list.resize(kScanInitialRecords);
    ScanWalk walk{list, stats, filter, cancel, memoryCheck, probe ? probe : probeAllocation, live};

    // Depth first: a folder's subfolders are walked, in the order found, after its own files and
    // before the folder's later siblings. An explicit stack keeps deep trees off the call stack.
    struct Level {
        std::vector<std::string> folders;
        size_t next = 0;
    };
    std::vector<Level> stack(1);
    stack[0].folders.push_back(std::string(root));
    while (!stack.empty() && !walk.stopped()) {
        Level& top = stack.back();
        if (top.next >= top.folders.size()) {
            stack.pop_back();
            continue;
        }
        std::string dir = top.folders[top.next++];
        Level child;
        walk.visit(dir, &child.folders);
        if (!child.folders.empty()) stack.push_back(std::move(child));
    }
    list.resize(walk.used);
    if (stats.outOfMemory) return -2;
    if (walk.cancelled) return -1;
    return int(walk.used);
}

}  // namespace lv
