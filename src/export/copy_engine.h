// What the export and import copiers share: the staged copy that never lets a half-written
// file carry a final name, the identical-file test, the free name for "Keep both", the room
// rule with its texts and the stop reason after a failed copy.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace lv {

inline constexpr std::string_view kStagingSuffix = ".lumivore-part";
// Room kept free on a destination beyond the bytes to copy.
inline constexpr uint64_t kRoomMargin = 268435456;  // 256 MiB
// Two last-write times this close (100 ns units) are the same time: FAT keeps 2-second steps.
inline constexpr uint64_t kIdenticalTimeSlack = 20000000;

// [SECTION] file-system seam
// The calls a copy goes through, so tests can fail any step where permissions do not stop the
// process (root, Wine) and a small disk is not at hand.
struct CopyFileOps {
    WinErr (*openRead)(std::string_view path, FileHandle* out);
    WinErr (*create)(std::string_view path, CreateMode mode, FileHandle* out);
    WinErr (*readAt)(FileHandle f, uint64_t offset, void* buf, size_t len, size_t* got);
    WinErr (*write)(FileHandle f, const void* buf, size_t len);
    WinErr (*flush)(FileHandle f);
    WinErr (*move)(std::string_view from, std::string_view to, bool replace);
    WinErr (*volume)(std::string_view path, VolumeInfo* out);
    // The system copying the bytes itself (no hash wanted); nullptr: always read and write.
    WinErr (*copyRange)(FileHandle in, uint64_t offset, FileHandle out, size_t len, size_t* got);
    // One flush of the whole file system, shared by the copies in flight; nullptr or 50: each
    // copy flushes its own file.
    WinErr (*flushVolume)(FileHandle f);
};
const CopyFileOps& platformCopyFileOps();
// nullptr restores the platform calls. Not thread-safe: for tests only.
void setCopyFileOps(const CopyFileOps* ops);
const CopyFileOps& copyFileOps();

// [SECTION] copy blocks
// Large enough that a 50 MB RAW file takes a handful of system calls.
inline constexpr size_t kCopyBlockBytes = 16u << 20;
// What a copy through our memory reads, hashes and writes at a time: small enough to stay in the
// processor's cache between the three, which halves the time a hashed copy spends on memory.
inline constexpr size_t kCopyChunkBytes = 256u << 10;
// A block of kCopyBlockBytes aligned to 4096 (for unbuffered reads), taken from the ones earlier
// copies gave back and given back when it goes: every copy runs on a new thread, and a fresh
// block costs its page faults and zeroing again each time.
struct CopyBlock {
    std::unique_ptr<char[]> storage;
    CopyBlock();
    ~CopyBlock();
    CopyBlock(const CopyBlock&) = delete;
    CopyBlock& operator=(const CopyBlock&) = delete;
    char* get();
};

// [SECTION] staged copy
enum class CopyStep { None, TargetExists, OpenSource, CreateStaging, Read, Write, Flush, Size, Publish };

struct StagedCopyOptions {
    Sha256* hash = nullptr;     // fed with every block read (the import's fingerprint)
    uint64_t expectedSize = 0;  // above 0: a source that gives another count fails at Size
    // Called after every block with the bytes written so far.
    void (*progress)(uint64_t bytesDone, void* ctx) = nullptr;
    void* progressContext = nullptr;
    // False: the new name is not made durable here; the caller flushes the folder later, once
    // for many copies (flightCommit, before it records the copy anywhere durable).
    bool flushFolder = true;
};

struct StagedCopyResult {
    WinErr code = kErrOk;  // the system's error number of the failed step
    CopyStep failedStep = CopyStep::None;
    uint64_t sourceSize = 0;
    uint64_t bytes = 0;         // bytes written to the staging file
    std::string stagingPath;    // the staging file used
    bool stagingLeft = false;   // a failure left it on disk (it is never deleted)
    std::string takenStaging;   // a staging file of an earlier run found at the first staging name
    bool ok() const { return failedStep == CopyStep::None; }
};

// Copies source to target + ".lumivore-part" (created exclusively, so never through a link or
// into an earlier run's leftover, which makes the next free "<target>.<n>.lumivore-part" used
// instead), gives it the source's last-write time, flushes it to disk and only then renames it to
// target without replacing. Copies in flight at once share their flushes where the file system can
// be flushed whole: each waits for one that began after its bytes were written. Without a hash the system copies the bytes where it can (Linux). The target existing at the start fails at TargetExists with 183.
StagedCopyResult stagedCopy(std::string_view source, std::string_view target, const StagedCopyOptions& options = {});

// [SECTION] turns at moving bytes
// Of the copies in flight, at most this many read and write at once; the others wait for a turn or
// for a flush. More at once only contend for the processor and the destination folder's lock, and
// a card reads best a few files at a time. The copies waiting for a flush hold no turn, so the
// next copies move their bytes while the disk takes the last ones.
inline constexpr int kCopiesMovingBytes = 4;

// [SECTION] copies in flight
// Several copies at once, each on a thread of its own, so that the flush of one to disk overlaps
// the reading and writing of the next. The caller completes them in the order they began and
// commits their new names in groups: the folders that received names are flushed together once
// for many copies (and before anything durable, such as a journal line, records those copies).
struct FlightSlot {
    Thread thread;
    bool started = false;
    void* arg = nullptr;
};
struct CopyFlight {
    size_t maxInFlight = 8;
    std::deque<FlightSlot> slots;                // in the order they began
    std::vector<std::string> unflushedFolders;  // folders whose new names are not durable yet
    size_t sinceCommit = 0;                      // copies finished since the last commit
};
inline constexpr size_t kCopiesPerCommit = 32;
// Runs work(arg) on a thread of its own, or on this one when no thread can be started.
void flightStart(CopyFlight& f, ThreadFn work, void* arg);
// Waits for the oldest copy in flight and gives its arg; nullptr when none is in flight.
void* flightFinishOldest(CopyFlight& f);
void flightNoteFolder(CopyFlight& f, std::string_view folder);
// True once kCopiesPerCommit copies have finished since the last commit.
bool flightCommitDue(const CopyFlight& f);
// Flushes the noted folders, so every name published so far survives a power cut.
void flightCommit(CopyFlight& f);

// [SECTION] identical files
// Same size and last-write times at most 2 seconds apart; a source time of 0 is never identical.
bool identicalFileFacts(uint64_t sourceSize, uint64_t sourceTime, uint64_t targetSize, uint64_t targetTime);
bool identicalAtTarget(std::string_view source, std::string_view target);

// [SECTION] free name
// The paths a candidate name would bring along (its sidecars, companions) that must be free too.
using CompanionNamesFn = std::function<std::vector<std::string>(const std::string& candidate)>;
// "D:\x\IMG_1.JPG" -> "D:\x\IMG_1 (2).JPG", (3) ... (999): the first name that does not exist and
// whose companions do not exist either; empty when none is left.
std::string freeName(std::string_view target, const CompanionNamesFn& companions = nullptr);

// [SECTION] room
struct RoomFigures {
    int64_t freeBytes = -1;    // -1: no figure (no drive)
    uint32_t clusterSize = 0;  // 0 when unknown
};
// The room on the volume that holds folder (which need not exist yet: its nearest existing parent
// is asked). On Windows a missing drive gives no figure.
RoomFigures destinationRoom(std::string_view folder);
uint64_t roundUpToCluster(uint64_t bytes, uint32_t clusterSize);
// -1 no figure, 1 nothing to copy or bytes + 256 MiB fit, else 0.
int roomResult(uint64_t bytesToCopy, int64_t freeBytes);
// "12.3 GB", "4.5 MB", "12 KB", "100 B".
std::string sizeText(uint64_t bytes);
// Why the room is not enough: "50.0 MB to copy would leave under 256.0 MB free" or
// "9.0 GB to copy, 1.2 GB free".
std::string roomText(uint64_t bytesToCopy, int64_t freeBytes);
// After a failed copy into folder: 2 when the folder's drive gives no figure any more (the folder
// itself is asked, so a removed destination counts as gone), 1 when the free space is below the
// size of the file that failed, else 0.
int stopReasonAfterFailure(std::string_view folder, uint64_t fileSize);

}  // namespace lv
