#include "export/export_engine.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>

#include "core/diaglog.h"
#include "core/pathname.h"
#include "core/texts.h"
#include "export/copy_engine.h"
#include "library/filekinds.h"
#include "sidecar/sidecar_file.h"

namespace lv {

// [SECTION] export list
ExportList buildExportList(const FolderState& st, const ExportSavedFilter& filter, bool includePartners) {
    ExportList out;
    const PhotoList& p = st.photos;
    std::vector<int> chosen;
    if (!filter.name.empty() && filter.usable && filter.matches) {
        out.filterName = filter.name;
        if (filter.needsMetadata) {
            out.metaTotal = p.count;
            if (filter.factsLock) lockEnter(*filter.factsLock);
            for (int i = 0; i < p.count; i++)
                if (size_t(i) < p.metaLoaded.size() && p.metaLoaded[size_t(i)]) out.metaDone++;
            if (filter.factsLock) lockLeave(*filter.factsLock);
            if (out.metaDone < out.metaTotal) {
                out.waiting = true;
                return out;
            }
        }
        for (int i = 0; i < p.count; i++)
            if (filter.matches(st, i, filter.context)) chosen.push_back(i);
    } else {
        for (int pos = 0, n = visibleLength(st); pos < n; pos++) chosen.push_back(visibleToPhoto(st, pos));
    }
    std::set<std::string> taken;
    auto add = [&](int i) {
        if (i < 0 || i >= p.count) return false;
        if (!taken.insert(upperAscii(p.path[size_t(i)])).second) return false;
        out.files.push_back(p.path[size_t(i)]);
        return true;
    };
    out.photos = int(chosen.size());
    for (int i : chosen) {
        add(i);
        if (includePartners)
            for (int partner : partnersOf(p.path, i)) add(partner);
    }
    return out;
}

ExportSavedFilter exportSavedFilter(const SavedFilters& saved, std::string_view name, Lock* factsLock,
                                    ExportFilterTokens* keep) {
    ExportSavedFilter f;
    int index = findSavedFilter(saved, name);
    if (index < 0) return f;
    f.name = saved.entries[size_t(index)].name;
    keep->factsLock = factsLock;
    f.usable = tokensOfSavedFilter(saved, index, &keep->tokens);
    f.needsMetadata = savedFilterNeedsScan(saved, index);
    f.factsLock = factsLock;
    f.context = keep;
    f.matches = [](const FolderState& st, int i, void* ctx) {
        const ExportFilterTokens* k = static_cast<const ExportFilterTokens*>(ctx);
        return photoMatchesFilter(k->tokens, FactsView{&st, k->factsLock}, i);
    };
    return f;
}

std::string exportCountLine(const ExportList& list) {
    if (list.waiting) {
        std::string t = fillPlaceholder(text("ExportCountWaiting"), "{name}", list.filterName);
        t = fillPlaceholder(t, "{done}", std::to_string(list.metaDone));
        return fillPlaceholder(t, "{total}", std::to_string(list.metaTotal));
    }
    if (list.filterName.empty())
        return list.photos ? fillPlaceholder(text("ExportCountShown"), "{n}", std::to_string(list.photos))
                           : text("ExportNoneShown");
    std::string t = text(list.photos ? "ExportCountFilter" : "ExportNoneFilter");
    return fillPlaceholder(fillPlaceholder(t, "{n}", std::to_string(list.photos)), "{name}", list.filterName);
}

// [SECTION] room and preparation
ExportRoomCheck exportRoomCheck(std::string_view destination, const std::vector<std::string>& files,
                                bool includeSidecars) {
    ExportRoomCheck r;
    uint64_t t0 = perfCounter();
    RoomFigures room = destinationRoom(destination);
    r.freeBytes = room.freeBytes;
    r.clusterSize = room.clusterSize;
    if (room.freeBytes < 0) {
        r.message = text("ExportNoDrive");
        return r;
    }
    auto count = [&](const std::string& source, const std::string& target, bool whenAbsentOnly) {
        uint64_t size = 0, time = 0;
        if (pathFileInfo(source, &size, &time) != kErrOk) return;
        if (whenAbsentOnly ? pathExists(target) : identicalAtTarget(source, target)) return;
        r.bytesToCopy += roundUpToCluster(size, room.clusterSize);
    };
    for (const std::string& s : files) {
        std::string t = joinPath(destination, fileNamePart(s));
        count(s, t, false);
        if (!includeSidecars) continue;
        std::string sc = sidecarOf(s).path;  // whichever sidecar the photo has, under its new name
        count(sc, sidecarDestinationName(sc, s, t), true);
    }
    uint64_t f = perfFrequency();
    char ms[32];
    std::snprintf(ms, sizeof ms, "%.1f", f ? double(perfCounter() - t0) * 1000.0 / double(f) : 0.0);
    logLine("export room: " + std::to_string(r.bytesToCopy) + " bytes to copy, " + std::to_string(r.freeBytes) +
            " free, cluster " + std::to_string(r.clusterSize) + ", counted in " + ms + " ms");
    if (r.bytesToCopy > 0 && roomResult(r.bytesToCopy, r.freeBytes) == 0)
        r.message = text("ExportNoRoom") + " " + roomText(r.bytesToCopy, r.freeBytes) + ".";
    return r;
}

ExportPrepared prepareExportDestination(std::string_view typed, const ExportResolveContext& ctx,
                                        const std::vector<std::string>& files, bool includeSidecars) {
    ExportPrepared out;
    std::string t = cleanTypedDestination(typed);
    if (t.empty()) {
        out.message = text("ExportNoDest");
        return out;
    }
    out.message = checkExportTemplate(t);
    if (!out.message.empty()) return out;
    std::string path = resolveExportDestination(t, ctx);
    out.message = checkExportPath(path, ctx.style);
    if (!out.message.empty()) return out;
    if (isBrowsedFolder(path, ctx)) {
        out.message = text("ExportSameFolder");
        return out;
    }
    out.message = exportRoomCheck(path, files, includeSidecars).message;
    if (!out.message.empty()) return out;
    if (folderCreateAll(path) != kErrOk) {
        out.message = text("ExportMkdirFailed") + " " + path;
        return out;
    }
    out.folder = path;
    return out;
}

// [SECTION] messages
namespace {

struct ErrorText {
    WinErr code;
    const char* key;
};
constexpr ErrorText kExportErrors[] = {
    {kErrAccessDenied, "ExportErrAccess"},  {kErrPathNotFound, "ExportErrNoPath"},
    {kErrSharingViolation, "ExportErrInUse"}, {39, "ExportErrDiskFull"},
    {kErrDiskFull, "ExportErrDiskFull"},    {kErrWriteProtect, "ExportErrReadOnly"},
    {64, "ExportErrNetwork"},               {kErrAlreadyExists, "ExportErrExists"},
    {kErrFileExists, "ExportErrExists"},    {kErrFilenameTooLong, "ExportErrTooLong"},
};

}  // namespace

std::string exportErrorMessage(WinErr code) {
    for (const ErrorText& e : kExportErrors)
        if (e.code == code) return text(e.key);
    return text("ExportErrOther") + " " + std::to_string(code);
}

// [SECTION] the export thread
namespace {

enum FilePlan { kPlanCopy = 1, kPlanSkipped = 2, kPlanFailed = 3, kPlanStop = 4, kPlanAlready = 5 };

// One staged copy on its own thread: a photo, or the sidecar of a photo that is at the destination.
struct ExportCopy {
    std::string source, target;
    bool sidecar = false;
    StagedCopyResult result;
};

void exportCopyThread(void* arg) {
    auto* c = static_cast<ExportCopy*>(arg);
    StagedCopyOptions o;
    o.flushFolder = false;  // the run flushes the folder once for many copies
    c->result = stagedCopy(c->source, c->target, o);
}

struct ExportRun {
    ExportJob& job;
    CopyFlight flight;
    std::set<std::string> inFlight;  // upper-cased targets of the copies in flight
    bool goOn = true;                // false once the destination is full or gone
};

void addLog(ExportJob& job, std::string_view source, std::string textLine) {
    LockGuard g(job.lock);
    job.log.push_back({std::string(fileNamePart(source)), std::move(textLine)});
}

void bump(ExportJob& job, int ExportCounters::*field) {
    LockGuard g(job.lock);
    (job.counters.*field)++;
}

// Notes a staging file a failure left, writes the diagnostics and gives the message of a failed
// copy, or empty after success.
std::string copyOutcome(ExportJob& job, const ExportCopy& p) {
    const StagedCopyResult& r = p.result;
    if (r.stagingLeft) {
        LockGuard g(job.lock);
        if (job.counters.partsLeft++ == 0) job.counters.firstPart = std::string(fileNamePart(r.stagingPath));
    }
    if (r.ok()) return {};
    WinErr code = r.code;
    // POSIX says "no such file" where Windows says "no such folder" for a file in a removed folder.
    if ((code == kErrFileNotFound || code == kErrPathNotFound) && !isFolder(job.destination)) code = kErrPathNotFound;
    switch (r.failedStep) {
        case CopyStep::Size:
            logLine("export staged copy SHORT (" + std::to_string(r.bytes) + " of " + std::to_string(r.sourceSize) +
                    " bytes): " + r.stagingPath);
            return text("ExportErrShort");
        case CopyStep::Publish:
            logLine("export publish FAILED (last error " + std::to_string(code) + "): " + r.stagingPath);
            break;
        default:
            logLine("export staged copy FAILED (last error " + std::to_string(code) + "): " +
                    (r.stagingPath.empty() ? p.target : r.stagingPath));
    }
    return exportErrorMessage(code);
}

// Asks the name-clash question (or takes the stored answer) and waits for it.
int askClash(ExportJob& job, const std::string& existing, const std::string& incoming, const std::string& keepName) {
    {
        LockGuard g(job.lock);
        if (job.clash.storedAnswer) return job.clash.storedAnswer;
        job.clash.existing = existing;
        job.clash.incoming = incoming;
        job.clash.keepBothName = keepName;
        job.clash.answer = kClashUnanswered;
        job.clash.applyToAll = false;
        job.clash.pending = true;
        job.state = kExportWaiting;
    }
    for (;;) {
        {
            LockGuard g(job.lock);
            int a = job.clash.answer;
            if (a != kClashUnanswered || job.stopRequested) {
                job.clash.pending = false;
                job.state = kExportRunning;
                if (job.stopRequested) return kClashStop;
                if (job.clash.applyToAll && (a == kClashSkip || a == kClashKeepBoth)) job.clash.storedAnswer = a;
                return a;
            }
        }
        sleepMs(30);
    }
}

void drain(ExportRun& run, size_t keep);

// Where one file goes: its target, or why it is not copied.
int planFile(ExportRun& run, const std::string& source, std::string* target) {
    ExportJob& job = run.job;
    if (source.empty()) {
        bump(job, &ExportCounters::failed);
        return kPlanFailed;
    }
    *target = joinPath(job.destination, fileNamePart(source));
    if (run.inFlight.count(upperAscii(*target))) drain(run, 0);  // a copy in flight takes that name
    if (!pathExists(*target)) return kPlanCopy;
    if (identicalAtTarget(source, *target)) {
        bump(job, &ExportCounters::alreadyThere);
        return kPlanAlready;
    }
    // The files in hand are finished before a question: free names are then what they seem.
    drain(run, 0);
    const std::string sourceSidecar = job.includeSidecars ? sidecarOf(source).path : std::string();
    auto companions = [&](const std::string& candidate) {
        return job.includeSidecars ? std::vector<std::string>{sidecarDestinationName(sourceSidecar, source, candidate)}
                                   : std::vector<std::string>{};
    };
    std::string keep = freeName(*target, companions);
    int answer = askClash(job, *target, source, keep);
    if (answer == kClashSkip) {
        bump(job, &ExportCounters::skipped);
        addLog(job, source, text("ExportLogSkipped"));
        return kPlanSkipped;
    }
    if (answer != kClashKeepBoth) return kPlanStop;
    // Names may have been taken while the question was open.
    if (!keep.empty() &&
        (pathExists(keep) || (job.includeSidecars && pathExists(sidecarDestinationName(sourceSidecar, source, keep)))))
        keep = freeName(*target, companions);
    if (keep.empty()) {
        bump(job, &ExportCounters::failed);
        addLog(job, source, text("ExportLogNoName"));
        return kPlanFailed;
    }
    addLog(job, source, text("ExportLogRenamed") + " " + std::string(fileNamePart(keep)));
    *target = keep;
    return kPlanCopy;
}

// After a failed file: a full or vanished destination ends the run.
bool destinationStops(ExportJob& job, const std::string& source) {
    uint64_t size = 0, time = 0;
    pathFileInfo(source, &size, &time);
    int reason = stopReasonAfterFailure(job.destination, size);
    if (reason == kExportStopNone) return false;
    LockGuard g(job.lock);
    job.counters.stopReason = reason;
    return true;
}

void startCopy(ExportRun& run, const std::string& source, const std::string& target, bool sidecar) {
    auto c = std::make_unique<ExportCopy>();
    c->source = source;
    c->target = target;
    c->sidecar = sidecar;
    run.inFlight.insert(upperAscii(target));
    flightStart(run.flight, exportCopyThread, c.release());
}

// The sidecar of a photo that was copied or found already there. A sidecar at the destination
// is never changed: identical, or holding the same rating and label, is fine; otherwise counted.
void exportSidecar(ExportRun& run, const std::string& source, const std::string& target) {
    ExportJob& job = run.job;
    if (!job.includeSidecars) return;
    std::string sc = sidecarOf(source).path, tsc = sidecarDestinationName(sc, source, target);
    uint64_t size = 0, time = 0;
    if (pathFileInfo(sc, &size, &time) != kErrOk) return;
    if (run.inFlight.count(upperAscii(tsc))) return;  // its partner's copy brings the same sidecar
    if (!pathExists(tsc)) return startCopy(run, sc, tsc, true);
    if (identicalAtTarget(sc, tsc)) return;
    RatingLabel mine = readSidecarRatingLabel(source), there = readSidecarRatingLabel(target);
    if (mine.rating == there.rating && mine.label == there.label) return;
    bump(job, &ExportCounters::ratedDifferently);
    addLog(job, source, text("ExportLogRatingDiffers"));
}

void completeCopy(ExportRun& run, const ExportCopy& c) {
    ExportJob& job = run.job;
    run.inFlight.erase(upperAscii(c.target));
    std::string msg = copyOutcome(job, c);
    if (c.sidecar) {
        bump(job, msg.empty() ? &ExportCounters::sidecarsCopied : &ExportCounters::sidecarsFailed);
        if (msg.empty()) return;
        logLine("export sidecar not copied: " + msg);
        addLog(job, c.source, text("ExportLogSidecar") + " " + msg);
        return;
    }
    if (msg.empty()) {
        {
            LockGuard g(job.lock);
            job.counters.copied++;
            job.counters.bytesCopied += c.result.bytes;
        }
        exportSidecar(run, c.source, c.target);
        return;
    }
    bump(job, &ExportCounters::failed);
    logLine("export FAILED: " + c.source + " -> " + c.target + ": " + msg);
    addLog(job, c.source, text("ExportLogFailed") + " " + msg);
    if (destinationStops(job, c.source)) run.goOn = false;
}

// Completes copies in the order they began until at most keep are in flight; the names are
// made durable in groups.
void drain(ExportRun& run, size_t keep) {
    while (run.flight.slots.size() > keep) {
        std::unique_ptr<ExportCopy> c(static_cast<ExportCopy*>(flightFinishOldest(run.flight)));
        if (c->result.ok()) flightNoteFolder(run.flight, folderPart(c->target));
        completeCopy(run, *c);
        if (flightCommitDue(run.flight)) flightCommit(run.flight);
    }
}

void exportThreadMain(void* arg) { runExport(*static_cast<ExportJob*>(arg)); }

// Staging files that earlier runs left at the destination are named in this run's summary.
void countLeftovers(ExportJob& job) {
    std::vector<DirEntry> entries;
    if (listFolder(job.destination, &entries) != kErrOk) return;
    for (const DirEntry& e : entries) {
        if (e.isFolder || e.name.size() <= kStagingSuffix.size() ||
            !equalsIgnoreCase(std::string_view(e.name).substr(e.name.size() - kStagingSuffix.size()), kStagingSuffix))
            continue;
        if (job.counters.partsLeft++ == 0) job.counters.firstPart = e.name;
    }
}

void resetJob(ExportJob& job, std::string_view destination, std::vector<std::string> files, bool includeSidecars) {
    LockGuard g(job.lock);
    job.destination = std::string(destination);
    job.files = std::move(files);
    job.includeSidecars = includeSidecars;
    job.counters = ExportCounters();
    job.counters.total = int(job.files.size());
    job.log.clear();
    job.clash = ExportClash();
    job.fileInHand.clear();
    job.stopRequested = false;
    job.state = kExportRunning;
    countLeftovers(job);
}

}  // namespace

void runExport(ExportJob& job) {
    if (job.state != kExportRunning) resetJob(job, job.destination, job.files, job.includeSidecars);
    ExportRun run{job, {}, {}, true};
    run.flight.maxInFlight = size_t(std::max(1, job.copiesInFlight));
    for (size_t i = 0; i < job.files.size() && !job.stopRequested && run.goOn; i++) {
        const std::string& s = job.files[i];
        {
            LockGuard g(job.lock);
            job.counters.indexInHand = int(i);
            job.fileInHand = std::string(fileNamePart(s));
        }
        std::string target;
        int plan = planFile(run, s, &target);
        if (plan == kPlanStop) {
            job.stopRequested = true;
        } else if (plan == kPlanAlready) {
            exportSidecar(run, s, target);
        } else if (plan == kPlanFailed) {
            run.goOn = !destinationStops(job, s);
        } else if (plan == kPlanCopy) {
            startCopy(run, s, target, false);
        }
        drain(run, run.flight.maxInFlight - 1);
    }
    drain(run, 0);  // the files in hand are finished, never abandoned
    flightCommit(run.flight);
    LockGuard g(job.lock);
    job.counters.stoppedByUser = job.stopRequested;
    job.state = job.stopRequested ? kExportStopped : kExportFinished;
}

WinErr startExport(ExportJob& job, std::string_view destination, std::vector<std::string> files, bool includeSidecars) {
    resetJob(job, destination, std::move(files), includeSidecars);
    WinErr e = threadStart(&job.thread, 1u << 20, exportThreadMain, &job);
    if (e) {
        LockGuard g(job.lock);
        job.state = kExportIdle;
    }
    return e;
}

void requestExportStop(ExportJob& job) { job.stopRequested = true; }

bool exportRunning(ExportJob& job) {
    LockGuard g(job.lock);
    return job.state == kExportRunning || job.state == kExportWaiting;
}

bool finishExport(ExportJob& job) {
    threadJoin(&job.thread);
    LockGuard g(job.lock);
    return job.counters.copied > 0;
}

void answerExportClash(ExportJob& job, int answer, bool applyToAll) {
    LockGuard g(job.lock);
    if (!job.clash.pending) return;
    job.clash.applyToAll = applyToAll;
    job.clash.answer = answer;
}

std::string exportStoppingLine(ExportJob& job) {
    LockGuard g(job.lock);
    return fillPlaceholder(text("ExportStoppingFile"), "{file}", job.fileInHand);
}

// [SECTION] summary and log
std::string describeExportResult(const ExportCounters& c) {
    std::string s = std::to_string(c.copied) + " " + text("ExportPhotosCopied");
    auto part = [&s](const char* lead, int n, const char* key) {
        if (n > 0) s += lead + std::to_string(n) + " " + text(key);
    };
    part(" + ", c.sidecarsCopied, "ExportSidecarsWord");
    part(", ", c.alreadyThere, "ExportAlreadyWord");
    part(", ", c.skipped, "ExportSkippedWord");
    part(", ", c.ratedDifferently, "ExportRatedDifferently");
    part(", ", c.sidecarsFailed, "ExportSidecarsFailed");
    part(", ", c.failed, "ExportFailedWord");
    if (c.partsLeft == 1) s += ", 1 " + text("ExportPartLeftOne") + " " + c.firstPart;
    if (c.partsLeft > 1) s += ", " + std::to_string(c.partsLeft) + " " + text("ExportPartLeftMany") + " " + c.firstPart;
    if (c.stopReason == kExportStopDiskFull) return text("ImportStopDiskFull") + " " + s;
    if (c.stopReason == kExportStopDestGone) return text("ImportStopDestGone") + " " + s;
    if (c.stoppedByUser) return text("ExportCancelled") + ". " + s;
    return s;
}

std::string exportCopyLogText(const ExportCounters& c, const std::vector<ExportLogEntry>& log) {
    std::string s = describeExportResult(c) + "\r\n";
    for (const ExportLogEntry& e : log) s += e.fileName + "\t" + e.text + "\r\n";
    return s;
}

ExportClashTexts exportClashTexts(const ExportClash& q) {
    ExportClashTexts t;
    t.title = text("ExportConflictTitle");
    t.intro = text("ExportConflictIntro");
    t.thereLabel = text("ExportConflictThere");
    t.there = q.existing;
    t.newLabel = text("ExportConflictNew");
    t.incoming = q.incoming;
    t.keepLine = q.keepBothName.empty() ? std::string() : text("ExportConflictKeep") + " " + std::string(fileNamePart(q.keepBothName));
    t.applyAll = text("ExportApplyAll");
    t.skip = text("ExportSkip");
    t.keepBoth = text("ExportKeepBoth");
    t.stop = text("ExportStopExport");
    return t;
}

// [SECTION] quitting while copying
QuitQuestion quitWhileCopyingQuestion(bool exportRunning, std::string_view exportDestination, bool importRunning,
                                      std::string_view importDestination) {
    QuitQuestion q;
    bool both = exportRunning && importRunning;
    std::string prefix = both ? "QuitBoth" : importRunning ? "ImportQuit" : "ExportQuit";
    std::string waitPrefix = both ? "QuitBoth" : "ExportQuit";
    q.title = text(prefix + "Title");
    if (exportRunning) q.lines.push_back(text("ExportQuitAsk1") + " " + std::string(exportDestination));
    if (importRunning) q.lines.push_back(text("ImportQuitAsk1") + " " + std::string(importDestination));
    q.question = text("ExportQuitAsk2");
    q.exitNow = text(prefix + "Exit");
    q.wait = text(waitPrefix + "Wait");
    q.waitThenExit = text(waitPrefix + "WaitExit");
    return q;
}

}  // namespace lv
