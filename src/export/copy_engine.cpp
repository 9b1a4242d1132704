#include "export/copy_engine.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <list>
#include <memory>
#include <mutex>

#include "core/pathname.h"
#include "core/texts.h"

namespace lv {

// [SECTION] file-system seam
namespace {

const CopyFileOps kPlatformOps = {fileOpenRead, fileCreate, fileReadAt, fileWrite, fileFlush, fileMove, volumeInfo,
                                  fileCopyRange, volumeFlush};
const CopyFileOps* gOps = &kPlatformOps;

// Blocks are kept for the next copy: every copy runs on a new thread, and a fresh 16 MiB block
// costs its page faults and zeroing again each time.
struct BlockPool {
    std::mutex m;
    std::vector<std::unique_ptr<char[]>> free;
};
BlockPool& blockPool() {
    static BlockPool pool;
    return pool;
}
constexpr size_t kBlocksKept = 8;
constexpr size_t kBlockAlign = 4096;

}  // namespace

const CopyFileOps& platformCopyFileOps() { return kPlatformOps; }
void setCopyFileOps(const CopyFileOps* ops) { gOps = ops ? ops : &kPlatformOps; }
const CopyFileOps& copyFileOps() { return *gOps; }

CopyBlock::CopyBlock() {
    BlockPool& pool = blockPool();
    std::lock_guard<std::mutex> g(pool.m);
    if (pool.free.empty()) return;
    storage = std::move(pool.free.back());
    pool.free.pop_back();
}

CopyBlock::~CopyBlock() {
    if (!storage) return;
    BlockPool& pool = blockPool();
    std::lock_guard<std::mutex> g(pool.m);
    if (pool.free.size() < kBlocksKept) pool.free.push_back(std::move(storage));
}

char* CopyBlock::get() {
    if (!storage) storage.reset(new char[kCopyBlockBytes + kBlockAlign]);
    uintptr_t at = reinterpret_cast<uintptr_t>(storage.get());
    return storage.get() + (kBlockAlign - at % kBlockAlign) % kBlockAlign;
}

// [SECTION] staged copy
namespace {

// Creates the staging file exclusively: "<target>.lumivore-part", or when an earlier run left
// that one, "<target>.2.lumivore-part" and so on. Leftovers stay where they are.
WinErr createStaging(std::string_view target, FileHandle* out, StagedCopyResult* r) {
    WinErr e = kErrOk;
    for (int n = 1; n <= 99; n++) {
        std::string path(target);
        if (n > 1) path += "." + std::to_string(n);
        path += kStagingSuffix;
        e = gOps->create(path, CreateMode::CreateNew, out);
        r->stagingPath = path;
        if (e != kErrFileExists && e != kErrAlreadyExists) return e;
        if (r->takenStaging.empty()) r->takenStaging = path;
    }
    return e;
}

StagedCopyResult& failWith(StagedCopyResult& r, CopyStep step, WinErr code) {
    r.failedStep = step;
    r.code = code ? code : kErrGenFailure;
    return r;
}

// The bytes: by the system where it can (no hash wanted), else through a block of ours that
// the hash also reads. Stops at the end of the source.
void copyBytes(FileHandle in, FileHandle out, const StagedCopyOptions& opt, StagedCopyResult& r) {
    bool bySystem = !opt.hash && gOps->copyRange;
    CopyBlock block;
    for (;;) {
        size_t got = 0;
        WinErr e = kErrOk;
        if (bySystem) {
            e = gOps->copyRange(in, r.bytes, out, kCopyBlockBytes, &got);
            if (e == kErrNotSupported && r.bytes == 0) {  // another file system: copy it ourselves
                bySystem = false;
                continue;
            }
            if (e) {
                failWith(r, CopyStep::Write, e);  // either side: the message goes by the code
                return;
            }
        } else {
            char* buf = block.get();
            if ((e = gOps->readAt(in, r.bytes, buf, kCopyChunkBytes, &got)) != kErrOk) {
                failWith(r, CopyStep::Read, e);
                return;
            }
            if (got == 0) return;
            if (opt.hash) sha256Update(opt.hash, buf, got);
            if ((e = gOps->write(out, buf, got)) != kErrOk) {
                failWith(r, CopyStep::Write, e);
                return;
            }
        }
        if (got == 0) return;
        r.bytes += got;
        if (opt.progress) opt.progress(r.bytes, opt.progressContext);
        if (got < kCopyChunkBytes && !bySystem) return;
    }
}

// [SECTION] shared flushes
// Copies in flight on one volume share its flushes. A copy needs a flush that began after its bytes
// were written: the one running when it asks may have missed them. Whoever finds none running
// starts the next one, for all who wait.
// A whole-volume flush reports the write errors since the handle it is given was opened. It is
// given a witness: a handle opened before any of the files it vouches for, so a failure to write
// any of them back is reported; a file opened before the witness flushes on its own. After a failed
// flush every copy still waiting, and every later one, flushes its own file, which names the file
// at fault.
struct SharedFlush {
    uint64_t volume = 0;
    FileHandle witness;
    uint64_t witnessOpened = 0;  // in the order of gOpens
    bool usable = false;
    size_t users = 0;
    uint64_t begun = 0, finished = 0;
    bool running = false;
};
struct SharedFlushes {
    std::mutex m;
    std::condition_variable done;
    std::list<SharedFlush> volumes;
};
SharedFlushes& sharedFlushes() {
    static SharedFlushes s;
    return s;
}
// Staging files take their number before they are opened, witnesses theirs after: a file whose
// number is above the witness's was opened after it.
std::atomic<uint64_t> gOpens{0};

// The entry of the volume that holds a staging file just opened; nullptr: it flushes alone.
SharedFlush* joinSharedFlush(FileHandle out, std::string_view stagingPath) {
    uint64_t volume = 0;
    if (!gOps->flushVolume || fileVolumeId(out, &volume) != kErrOk) return nullptr;
    SharedFlushes& all = sharedFlushes();
    std::lock_guard<std::mutex> lock(all.m);
    SharedFlush* s = nullptr;
    for (SharedFlush& v : all.volumes)
        if (v.volume == volume) s = &v;
    if (!s) {
        s = &all.volumes.emplace_back();
        s->volume = volume;
        s->usable = gOps->openRead(stagingPath, &s->witness) == kErrOk;
        s->witnessOpened = ++gOpens;
    }
    s->users++;
    return s;
}

void leaveSharedFlush(SharedFlush* s) {
    if (!s) return;
    SharedFlushes& all = sharedFlushes();
    std::lock_guard<std::mutex> lock(all.m);
    if (--s->users) return;
    // No copy is left on the volume: the witness must not keep a drive from being ejected.
    fileClose(&s->witness);
    all.volumes.remove_if([s](const SharedFlush& v) { return &v == s; });
}

WinErr flushStaged(SharedFlush* s, FileHandle out, uint64_t opened) {
    if (!s) return gOps->flush(out);
    SharedFlushes& all = sharedFlushes();
    std::unique_lock<std::mutex> lock(all.m);
    if (!s->usable || opened < s->witnessOpened) {
        lock.unlock();
        return gOps->flush(out);
    }
    uint64_t need = s->begun + 1;
    while (s->usable && s->finished < need) {
        if (s->running) {
            all.done.wait(lock);
            continue;
        }
        s->running = true;
        uint64_t mine = ++s->begun;
        lock.unlock();
        WinErr e = gOps->flushVolume(s->witness);
        lock.lock();
        s->running = false;
        s->finished = mine;
        // A failed flush has told its error to the witness, and no later flush would tell it again.
        if (e) s->usable = false;
        all.done.notify_all();
    }
    bool failed = !s->usable;
    lock.unlock();
    return failed ? gOps->flush(out) : kErrOk;
}

// [SECTION] turns at moving bytes
struct BytesTurns {
    std::mutex m;
    std::condition_variable freed;
    int moving = 0;
};
BytesTurns& bytesTurns() {
    static BytesTurns t;
    return t;
}

// Held while a copy opens, reads and writes; given back before its flush.
struct BytesTurn {
    bool held = false;
    BytesTurn() {
        BytesTurns& t = bytesTurns();
        std::unique_lock<std::mutex> lock(t.m);
        t.freed.wait(lock, [&] { return t.moving < kCopiesMovingBytes; });
        t.moving++;
        held = true;
    }
    void giveBack() {
        if (!held) return;
        held = false;
        BytesTurns& t = bytesTurns();
        std::lock_guard<std::mutex> lock(t.m);
        t.moving--;
        t.freed.notify_one();
    }
    ~BytesTurn() { giveBack(); }
    BytesTurn(const BytesTurn&) = delete;
    BytesTurn& operator=(const BytesTurn&) = delete;
};

}  // namespace

StagedCopyResult stagedCopy(std::string_view source, std::string_view target, const StagedCopyOptions& opt) {
    StagedCopyResult r;
    if (pathExists(target)) return failWith(r, CopyStep::TargetExists, kErrAlreadyExists);
    BytesTurn turn;
    FileHandle in;
    WinErr e = gOps->openRead(source, &in);
    if (e) return failWith(r, CopyStep::OpenSource, e);
    uint64_t sourceTime = 0;
    e = fileSize(in, &r.sourceSize);
    if (!e) e = fileGetWriteTime(in, &sourceTime);
    FileHandle out;
    // Numbered before the staging file is opened: a witness numbered lower was opened before it.
    uint64_t opened = ++gOpens;
    if (e) {
        failWith(r, CopyStep::OpenSource, e);
    } else if ((e = createStaging(target, &out, &r)) != kErrOk) {
        failWith(r, CopyStep::CreateStaging, e);
    }
    if (!r.ok()) {
        fileClose(&in);
        return r;
    }
    SharedFlush* shared = joinSharedFlush(out, r.stagingPath);
    copyBytes(in, out, opt, r);
    fileClose(&in);
    turn.giveBack();
    uint64_t want = opt.expectedSize ? opt.expectedSize : r.sourceSize;
    if (r.ok() && r.bytes != want) failWith(r, CopyStep::Size, kErrHandleEof);
    if (r.ok()) {
        if (sourceTime != 0) fileSetWriteTime(out, sourceTime);
        // On disk before it has a final name: a crash after the rename must not find a short file.
        if ((e = flushStaged(shared, out, opened)) != kErrOk) failWith(r, CopyStep::Flush, e);
    }
    uint64_t written = 0;
    if (r.ok() && ((e = fileSize(out, &written)) != kErrOk || written != r.bytes))
        failWith(r, CopyStep::Size, e ? e : kErrHandleEof);
    fileClose(&out);
    leaveSharedFlush(shared);
    if (r.ok() && (e = gOps->move(r.stagingPath, target, false)) != kErrOk) failWith(r, CopyStep::Publish, e);
    if (!r.ok()) {
        r.stagingLeft = pathExists(r.stagingPath);  // never deleted: it may be all there is
        return r;
    }
    if (opt.flushFolder) folderFlush(folderPart(target));
    return r;
}

// [SECTION] copies in flight
void flightStart(CopyFlight& f, ThreadFn work, void* arg) {
    f.slots.emplace_back();
    FlightSlot& s = f.slots.back();
    s.arg = arg;
    s.started = threadStart(&s.thread, 1u << 20, work, arg) == kErrOk;
    if (!s.started) work(arg);
}

void* flightFinishOldest(CopyFlight& f) {
    if (f.slots.empty()) return nullptr;
    FlightSlot& s = f.slots.front();
    if (s.started) threadJoin(&s.thread);
    void* arg = s.arg;
    f.slots.pop_front();
    f.sinceCommit++;
    return arg;
}

void flightNoteFolder(CopyFlight& f, std::string_view folder) {
    std::string_view d = withoutTrailingSeparator(folder);
    if (std::find(f.unflushedFolders.begin(), f.unflushedFolders.end(), d) == f.unflushedFolders.end())
        f.unflushedFolders.emplace_back(d);
}

bool flightCommitDue(const CopyFlight& f) { return f.sinceCommit >= kCopiesPerCommit; }

namespace {

struct FolderFlushWork {
    const std::vector<std::string>* folders;
    std::atomic<size_t> next{0};
};

void folderFlushWorker(void* arg) {
    auto* w = static_cast<FolderFlushWork*>(arg);
    for (size_t i; (i = w->next++) < w->folders->size();) folderFlush((*w->folders)[i]);
}

constexpr size_t kFolderFlushThreads = 8;

}  // namespace

void flightCommit(CopyFlight& f) {
    // Side by side: a template that sorts by date gives a commit tens of folders, and each flush
    // waits for the disk on its own.
    FolderFlushWork work;
    work.folders = &f.unflushedFolders;
    Thread threads[kFolderFlushThreads - 1];
    size_t started = 0;
    for (size_t t = 0; t + 1 < kFolderFlushThreads && t + 1 < f.unflushedFolders.size(); t++)
        started += threadStart(&threads[started], 64u << 10, folderFlushWorker, &work) == kErrOk;
    folderFlushWorker(&work);  // this thread helps, and does everything when no thread started
    for (size_t t = 0; t < started; t++) threadJoin(&threads[t]);
    f.unflushedFolders.clear();
    f.sinceCommit = 0;
}

// [SECTION] identical files
bool identicalFileFacts(uint64_t sourceSize, uint64_t sourceTime, uint64_t targetSize, uint64_t targetTime) {
    if (sourceTime == 0 || sourceSize != targetSize) return false;
    uint64_t gap = sourceTime > targetTime ? sourceTime - targetTime : targetTime - sourceTime;
    return gap <= kIdenticalTimeSlack;
}

bool identicalAtTarget(std::string_view source, std::string_view target) {
    uint64_t ss = 0, st = 0, ts = 0, tt = 0;
    if (pathFileInfo(source, &ss, &st) || pathFileInfo(target, &ts, &tt)) return false;
    return identicalFileFacts(ss, st, ts, tt);
}

// [SECTION] free name
std::string freeName(std::string_view target, const CompanionNamesFn& companions) {
    std::string base(withoutExtension(target));
    std::string_view ext = extensionOf(target);
    for (int n = 2; n <= 999; n++) {
        std::string candidate = base + " (" + std::to_string(n) + ")" + std::string(ext);
        if (pathExists(candidate)) continue;
        bool free = true;
        if (companions)
            for (const std::string& c : companions(candidate))
                if (!c.empty() && pathExists(c)) free = false;
        if (free) return candidate;
    }
    return {};
}

// [SECTION] room
RoomFigures destinationRoom(std::string_view folder) {
    RoomFigures r;
    std::string p(withoutTrailingSeparator(folder));
    // A folder still to be created is measured on its nearest existing parent; the loop ends at
    // the root, whose parent is itself.
    for (int guard = 0; guard < 4096 && !p.empty() && !isFolder(p); guard++) {
        std::string parent(withoutTrailingSeparator(folderPart(p)));
        if (parent == p) break;
        p = parent;
    }
    VolumeInfo v;
    if (p.empty() || !isFolder(p) || gOps->volume(p, &v) != kErrOk) return r;
    r.freeBytes = int64_t(v.freeBytes > uint64_t(INT64_MAX) ? uint64_t(INT64_MAX) : v.freeBytes);
    r.clusterSize = v.clusterSize;
    return r;
}

uint64_t roundUpToCluster(uint64_t bytes, uint32_t clusterSize) {
    if (clusterSize == 0 || bytes % clusterSize == 0) return bytes;
    return bytes + (clusterSize - bytes % clusterSize);
}

int roomResult(uint64_t bytesToCopy, int64_t freeBytes) {
    if (freeBytes < 0) return -1;
    if (bytesToCopy == 0) return 1;
    return bytesToCopy + kRoomMargin <= uint64_t(freeBytes) ? 1 : 0;
}

std::string sizeText(uint64_t bytes) {
    char buf[48];
    if (bytes >= (1ull << 30))
        std::snprintf(buf, sizeof buf, "%.1f GB", double(bytes) / 1073741824.0);
    else if (bytes >= (1ull << 20))
        std::snprintf(buf, sizeof buf, "%.1f MB", double(bytes) / 1048576.0);
    else if (bytes >= 1024)
        std::snprintf(buf, sizeof buf, "%llu KB", (unsigned long long)((bytes + 512) / 1024));
    else
        std::snprintf(buf, sizeof buf, "%llu B", (unsigned long long)bytes);
    return buf;
}

std::string roomText(uint64_t bytesToCopy, int64_t freeBytes) {
    uint64_t free = freeBytes > 0 ? uint64_t(freeBytes) : 0;
    if (bytesToCopy <= free)
        return sizeText(bytesToCopy) + " " + text("ImportSpaceWouldLeave") + " " + sizeText(kRoomMargin) + " " +
               text("ImportSpaceFreeWord");
    return sizeText(bytesToCopy) + " " + text("ImportSpaceToCopy") + ", " + sizeText(free) + " " +
           text("ImportSpaceFreeWord");
}

int stopReasonAfterFailure(std::string_view folder, uint64_t fileSize) {
    VolumeInfo v;
    if (!isFolder(folder) || gOps->volume(folder, &v) != kErrOk) return 2;
    return v.freeBytes < fileSize ? 1 : 0;
}

}  // namespace lv
