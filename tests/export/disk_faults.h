// Faults the copy tests put into the copy engine's seam: a disk that fills after a number of
// bytes, and a volume that reports a chosen free space or none.
#pragma once
#include <cstdint>
#include <string_view>

#include "platform/platform.h"

namespace lvtest {

struct DiskFaults {
    static inline uint64_t writeLimit = UINT64_MAX;  // bytes the disk still takes
    static inline int64_t freeBytes = -2;            // -2: the real figure, -1: no drive
    static void reset() {
        writeLimit = UINT64_MAX;
        freeBytes = -2;
    }
    static lv::WinErr write(lv::FileHandle f, const void* b, size_t n) {
        if (n > writeLimit) {
            lv::fileWrite(f, b, size_t(writeLimit));
            writeLimit = 0;
            return lv::kErrDiskFull;
        }
        writeLimit -= n;
        return lv::fileWrite(f, b, n);
    }
    static lv::WinErr volume(std::string_view p, lv::VolumeInfo* v) {
        if (freeBytes == -1) return lv::kErrNotReady;
        lv::WinErr e = lv::volumeInfo(p, v);
        if (freeBytes >= 0) v->freeBytes = uint64_t(freeBytes);
        return e;
    }
};

}  // namespace lvtest
