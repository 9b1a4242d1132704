// The recursive scan of a folder tree for the import: every file (hidden ones too) with its
// size and time, subfolders depth first in the order found, links and junctions never followed.
// Runs on its caller's thread and stops promptly when the cancel flag is set.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/pathname.h"

namespace lv {

// Paths this long or longer are counted but not stored.
inline constexpr size_t kScanPathLimit = 1024;
inline constexpr size_t kScanInitialRecords = 512;
inline constexpr size_t kScanMaxGrowth = 65536;

struct ScanRecord {
    std::string path;
    uint64_t size = 0;
    uint64_t writeTime = 0;     // Windows file time
    bool attachedSidecar = false;  // set by the import plan
};

struct ScanStats {
    uint64_t filesKept = 0;
    uint64_t bytesKept = 0;
    uint64_t foldersVisited = 0;
    uint64_t tooLong = 0;
    uint64_t filesExcluded = 0;
    uint64_t bytesExcluded = 0;
    bool outOfMemory = false;
    std::string root;
};

// Include flags by class and a pipe list of excluded extension keys (".lrv|.thm|").
enum ScanClass { kScanPhoto = 0, kScanVideo, kScanAudio, kScanSidecar, kScanOther, kScanClassCount };
struct ScanFilter {
    bool include[kScanClassCount] = {true, true, true, true, true};
    std::string excluded;
};
// The class of a file as the scan filter sees it (raw and jpeg are both photos).
ScanClass scanClassOf(std::string_view path, PathStyle s = kNativeStyle);
bool scanFilterAccepts(const ScanFilter& filter, std::string_view path, PathStyle s = kNativeStyle);

// Running counts another thread may read while the walk goes on (the import dialog's card line).
struct ScanLive {
    std::atomic<uint64_t> files{0};    // met so far, kept or not
    std::atomic<uint64_t> folders{0};  // visited so far
};

// Whether a block of this many bytes could be allocated now.
using AllocationProbeFn = bool (*)(size_t bytes);

// Returns the number of records kept, -1 when cancelled, -2 when out of memory. With
// memoryCheck, each growth of the list first makes sure six blocks of the new size could be
// allocated (so the import plan built from it fits too).
int scanTree(std::string_view root, std::vector<ScanRecord>& list, ScanStats& stats, const ScanFilter& filter,
             const std::atomic<bool>* cancel, bool memoryCheck, AllocationProbeFn probe = nullptr,
             ScanLive* live = nullptr);

}  // namespace lv
