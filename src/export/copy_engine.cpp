#include "export/copy_engine.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>

#include "core/pathname.h"
#include "core/texts.h"

namespace lv {

// [SECTION] file-system seam
namespace {

const CopyFileOps kPlatformOps = {fileOpenRead, fileCreate, fileReadAt, fileWrite, fileFlush, fileMove, volumeInfo};
const CopyFileOps* gOps = &kPlatformOps;

// Large enough that a 50 MB RAW file takes a handful of system calls; kept per thread so the
// export and the import copier never share it and a run of small files allocates once.
constexpr size_t kBlockBytes = 16u << 20;

char* blockBuffer() {
    thread_local std::unique_ptr<char[]> buf;
    if (!buf) buf.reset(new char[kBlockBytes]);
    return buf.get();
}

}  // namespace

const CopyFileOps& platformCopyFileOps() { return kPlatformOps; }
void setCopyFileOps(const CopyFileOps* ops) { gOps = ops ? ops : &kPlatformOps; }
const CopyFileOps& copyFileOps() { return *gOps; }

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

}  // namespace

namespace {

StagedCopyResult& failWith(StagedCopyResult& r, CopyStep step, WinErr code) {
    r.failedStep = step;
    r.code = code ? code : kErrGenFailure;
    return r;
}

// Flush and size check of one begun copy; the file stays open.
void flushPending(PendingCopy* p) {
    StagedCopyResult& r = p->result;
    if (!r.ok()) return;
    // On disk before it has a final name: a crash after the rename must not find a short file.
    WinErr e = gOps->flush(p->staging);
    if (e) {
        failWith(r, CopyStep::Flush, e);
        return;
    }
    uint64_t written = 0;
    e = fileSize(p->staging, &written);
    if (e || written != r.bytes) failWith(r, CopyStep::Size, e ? e : kErrHandleEof);
}

// Close and publish without replacing, after flushPending; the caller flushes the folder.
void publishPending(PendingCopy* p) {
    StagedCopyResult& r = p->result;
    fileClose(&p->staging);
    if (r.ok()) {
        WinErr e = gOps->move(r.stagingPath, p->target, false);
        if (!e) return;
        failWith(r, CopyStep::Publish, e);
    }
    bool ours = r.failedStep != CopyStep::TargetExists && r.failedStep != CopyStep::OpenSource &&
                r.failedStep != CopyStep::CreateStaging;
    if (ours) r.stagingLeft = pathExists(r.stagingPath);
}

constexpr int kFlushThreads = 8;

struct FlushWork {
    std::vector<PendingCopy>* batch;
    std::atomic<size_t> next{0};
};

void flushWorker(void* arg) {
    FlushWork* w = static_cast<FlushWork*>(arg);
    for (size_t i; (i = w->next++) < w->batch->size();) flushPending(&(*w->batch)[i]);
}

}  // namespace

void stagedCopyBegin(std::string_view source, std::string_view target, const StagedCopyOptions& opt, PendingCopy* p) {
    p->source = std::string(source);
    p->target = std::string(target);
    p->staging = FileHandle();
    p->result = StagedCopyResult();
    StagedCopyResult& r = p->result;
    if (pathExists(target)) {
        failWith(r, CopyStep::TargetExists, kErrAlreadyExists);
        return;
    }
    FileHandle in;
    WinErr e = gOps->openRead(source, &in);
    if (e) {
        failWith(r, CopyStep::OpenSource, e);
        return;
    }
    uint64_t sourceTime = 0;
    e = fileSize(in, &r.sourceSize);
    if (!e) e = fileGetWriteTime(in, &sourceTime);
    if (!e) {
        e = createStaging(target, &p->staging, &r);
        if (e) failWith(r, CopyStep::CreateStaging, e);
    } else {
        failWith(r, CopyStep::OpenSource, e);
    }
    if (!r.ok()) {
        fileClose(&in);
        return;
    }
    char* buf = blockBuffer();
    for (;;) {
        size_t got = 0;
        e = gOps->readAt(in, r.bytes, buf, kBlockBytes, &got);
        if (e) {
            failWith(r, CopyStep::Read, e);
            break;
        }
        if (got == 0) break;
        if (opt.hash) sha256Update(opt.hash, buf, got);
        e = gOps->write(p->staging, buf, got);
        if (e) {
            failWith(r, CopyStep::Write, e);
            break;
        }
        r.bytes += got;
        if (opt.progress) opt.progress(r.bytes, opt.progressContext);
        if (got < kBlockBytes) break;
    }
    fileClose(&in);
    uint64_t want = opt.expectedSize ? opt.expectedSize : r.sourceSize;
    if (r.ok() && r.bytes != want) failWith(r, CopyStep::Size, kErrHandleEof);
    if (r.ok()) {
        if (sourceTime != 0) fileSetWriteTime(p->staging, sourceTime);
        fileStartWriteback(p->staging);
        return;
    }
    publishPending(p);  // closes and notes the staging file left behind
}

void stagedCopyFinishAll(std::vector<PendingCopy>& batch, bool flushFolders) {
    size_t flushing = 0;
    for (const PendingCopy& p : batch) flushing += p.staging.valid();
    if (flushing > 1) {
        FlushWork work;
        work.batch = &batch;
        Thread threads[kFlushThreads];
        int started = 0;
        for (size_t t = 0; t + 1 < size_t(kFlushThreads) && t + 1 < flushing; t++)
            if (threadStart(&threads[t], 256u << 10, flushWorker, &work) == kErrOk) started++;
        flushWorker(&work);  // this thread helps, and does everything when no thread started
        for (int t = 0; t < started; t++) threadJoin(&threads[t]);
    } else {
        for (PendingCopy& p : batch) flushPending(&p);
    }
    // Every staging file is closed before the first is published, so none is held open while
    // its folder changes.
    std::vector<PendingCopy*> open;
    for (PendingCopy& p : batch)
        if (p.staging.valid()) {
            fileClose(&p.staging);
            open.push_back(&p);
        }
    // One flush per folder makes the new names of the whole batch durable.
    std::vector<std::string_view> folders;
    for (PendingCopy* p : open) {
        publishPending(p);
        std::string_view folder = folderPart(p->target);
        if (p->result.ok() && std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
    }
    if (flushFolders)
        for (std::string_view f : folders) folderFlush(f);
}

StagedCopyResult stagedCopy(std::string_view source, std::string_view target, const StagedCopyOptions& opt) {
    std::vector<PendingCopy> one(1);
    stagedCopyBegin(source, target, opt, &one[0]);
    if (one[0].staging.valid()) stagedCopyFinishAll(one, opt.flushFolder);
    return one[0].result;
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
