#include "import/import_run.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>

#include "core/diaglog.h"
#include "core/texts.h"
#include "import/import_journal.h"
#include "library/filekinds.h"

namespace lv {

namespace {

constexpr const char* kMiddleDot = " \xC2\xB7 ";
constexpr uint32_t kQuestionPollMs = 30;

// [SECTION] plan
struct PlanEntry {
    int mode = 0;  // 0 new, 1 imported before and in place, 2 imported before but missing
    std::string plannedPath;
    std::string finalPath;
};

struct DestRun {
    ImportResult result;
    std::string dest;
    JournalIndex index;
    std::vector<PlanEntry> plan;
    std::set<std::string> reserved;  // upper-cased full paths taken in this run
    JournalWriter journal;
};

// One verified copy on a thread of its own. Several files are in flight at once so that the
// flush of one copy to disk overlaps the reading and writing of the next.
struct CopyTask {
    ImportJob* job = nullptr;
    DestRun* dest = nullptr;
    size_t index = 0;
    std::string source, target, expectedHash;
    int64_t size = 0;
    std::string hash, message, keptAs;  // results
};

struct Run {
    ImportJob* job = nullptr;
    std::vector<CardFile> files;
    std::vector<std::string> rel;  // card-relative paths
    std::vector<int> lead;
    std::vector<DestRun> dests;
    int clashAll = 0;
    bool restore = false;
    bool abort = false;  // a destination is full or gone, or the user chose stop
    uint64_t t0 = 0;
    // Copies in card order; their new names are made durable in groups, before the journal
    // lines that record them.
    CopyFlight flight;
    std::vector<std::string> cardHash, firstCopy;  // per file: the first verified copy of this run
};

double secondsSince(uint64_t t0) { return double(perfCounter() - t0) / double(perfFrequency() ? perfFrequency() : 1); }

std::string relativeTo(std::string_view root, std::string_view path) {
    std::string_view r = withoutTrailingSeparator(root);
    if (path.size() > r.size() && equalsIgnoreCase(path.substr(0, r.size()), r) && isSeparator(path[r.size()]))
        return std::string(path.substr(r.size() + 1));
    return std::string(fileNamePart(path));
}

size_t utf16Length(std::string_view s) { return utf16FromUtf8(s).size(); }

void addLog(ImportJob* job, int kind, std::string_view fileName, std::string text, std::string text2 = {}) {
    LockGuard g(job->lock);
    if (job->log.size() == job->log.capacity()) job->log.reserve(job->log.size() + 256);
    job->log.push_back({kind, std::string(fileName), std::move(text), std::move(text2)});
}

// Posts a question and waits for its answer, polling every 30 ms; -1 when stop ends the wait.
int ask(ImportJob* job, ImportQuestion q, bool* applyToAll) {
    {
        LockGuard g(job->lock);
        q.answer = -1;
        q.applyToAll = false;
        job->question = q;
    }
    for (;;) {
        {
            LockGuard g(job->lock);
            if (job->question.answer != -1 || job->stop.load()) {
                int a = job->stop.load() && job->question.answer == -1 ? -1 : job->question.answer;
                if (applyToAll) *applyToAll = job->question.applyToAll;
                job->question = ImportQuestion();
                return a;
            }
        }
        sleepMs(kQuestionPollMs);
    }
}

void noteFolder(ImportJob* job, const std::string& finalPath) {
    std::string folder(withoutTrailingSeparator(folderPart(finalPath)));
    bool photo = isSupportedPhoto(finalPath);
    LockGuard g(job->lock);
    for (ImportFolderTile& t : job->progress.folders)
        if (equalsIgnoreCase(t.folder, folder)) {
            t.files++;
            t.photos += photo;
            if (photo) job->arrived.push_back(finalPath);
            return;
        }
    job->progress.folders.push_back({folder, 1, photo ? 1 : 0});
    if (photo) job->arrived.push_back(finalPath);
}

void onBlock(uint64_t bytesDone, void* ctx) {
    auto* job = static_cast<ImportJob*>(ctx);
    LockGuard g(job->lock);
    job->progress.kibInHand = bytesDone / 1024;
}

// A copy known to differ from the card leaves its final name, so a later run never takes it for
// the photo; it is kept beside it for inspection.
std::string setAside(const std::string& target) {
    for (int n = 1; n <= 99; n++) {
        std::string aside = target + (n > 1 ? "." + std::to_string(n) : "") + ".lumivore-bad";
        WinErr e = fileMove(target, aside, false);
        if (e == kErrOk) return aside;
        if (e != kErrAlreadyExists && e != kErrFileExists) break;
    }
    return target;
}

// Copies source to target with its SHA-256; an empty message on success.
std::string verifiedCopy(ImportJob* job, const std::string& source, const std::string& target, int64_t size,
                         const std::string& expectedHash, std::string* hashOut, std::string* keptAs) {
    if (utf16Length(target) + kStagingSuffix.size() >= 1024) return text("ExportErrTooLong");
    Sha256 h;
    if (sha256Begin(&h) != kErrOk) return text("ImportErrHash");
    StagedCopyOptions o;
    o.hash = &h;
    o.expectedSize = uint64_t(size > 0 ? size : 0);
    o.progress = onBlock;
    o.progressContext = job;
    o.flushFolder = false;  // the run flushes folders and journal together (commit)
    StagedCopyResult r = stagedCopy(source, target, o);
    if (!r.ok()) {
        sha256Abort(&h);
        return importCopyMessage(r);
    }
    uint8_t digest[32];
    if (sha256End(&h, digest) != kErrOk) return text("ImportErrHash");
    *hashOut = hexUpper(digest, 32);
    bool differs = !expectedHash.empty() && *hashOut != expectedHash;
    std::string message = text("ImportErrReadBack");
    if (!differs && job->settings.verifyReadBack) {
        // A copy that cannot be read back is no more trusted than one that reads back wrong.
        WinErr e = readBackMatches(target, *hashOut);
        if (e && e != kErrInvalidData) message = text("ImportErrReadBackFailed") + " " + std::to_string(e);
        differs = e != kErrOk;
    }
    if (differs) {
        *keptAs = setAside(target);
        return message;
    }
    return {};
}

// [SECTION] one file into one destination
void failFile(Run& run, DestRun& d, size_t i, const std::string& message, const char* logKey) {
    ImportJob* job = run.job;
    d.result.failed++;
    if (d.result.firstError.empty()) d.result.firstError = run.rel[i] + ": " + message;
    journalFail(&d.journal, message, run.rel[i]);
    addLog(job, kImportLogFailure, fileNamePart(run.files[i].path), logKey ? text(logKey) : text("ExportLogFailed") + " " + message,
           d.dest);
}

void completeCopy(Run& run, CopyTask& t) {
    DestRun& d = *t.dest;
    size_t i = t.index;
    const CardFile& f = run.files[i];
    PlanEntry& p = d.plan[i];
    if (!t.message.empty()) {
        failFile(run, d, i, t.message, nullptr);
        if (!t.keptAs.empty() && t.keptAs != t.target)
            addLog(run.job, kImportLogFailure, fileNamePart(f.path), text("ImportLogKeptAs") + " " + t.keptAs, d.dest);
        // The destination itself is asked: a target folder that could not be made (a name the
        // system refuses) is a failure of that file, not a vanished drive.
        d.result.stopReason = stopReasonAfterFailure(d.dest, uint64_t(f.size));
        if (d.result.stopReason) run.abort = true;
        return;
    }
    d.result.copied++;
    if (p.mode == 2) d.result.restored++;
    d.result.bytesCopied += uint64_t(f.size);
    journalOk(&d.journal, f.size, f.lastWrite, t.hash, relativeTo(d.dest, t.target), run.rel[i]);
    flightNoteFolder(run.flight, folderPart(t.target));
    p.finalPath = t.target;
    noteFolder(run.job, t.target);
    if (run.firstCopy[i].empty()) {
        run.firstCopy[i] = t.target;
        run.cardHash[i] = t.hash;
    }
}

void copyThread(void* arg) {
    auto* t = static_cast<CopyTask*>(arg);
    t->message = verifiedCopy(t->job, t->source, t->target, t->size, t->expectedHash, &t->hash, &t->keptAs);
}

// Makes the names published since the last commit durable, then the journal lines: a journal
// never vouches on disk for a copy whose name could still be lost.
void commit(Run& run) {
    flightCommit(run.flight);
    for (DestRun& d : run.dests) journalFlush(&d.journal);
}

// Completes copies in card order until at most keep are in flight.
void drain(Run& run, size_t keep) {
    while (run.flight.slots.size() > keep) {
        std::unique_ptr<CopyTask> t(static_cast<CopyTask*>(flightFinishOldest(run.flight)));
        completeCopy(run, *t);
        if (flightCommitDue(run.flight)) commit(run);
    }
}

void importOne(Run& run, DestRun& d, size_t i) {
    ImportJob* job = run.job;
    const CardFile& f = run.files[i];
    PlanEntry& p = d.plan[i];
    if (p.mode == 1) {
        d.result.alreadyThere++;
        p.finalPath = joinPath(d.dest, p.plannedPath);
        noteFolder(job, p.finalPath);
        return;
    }
    if (p.mode == 2 && !run.restore) {
        d.result.notRestored++;
        return;
    }
    std::string target = joinPath(d.dest, p.plannedPath);
    int lead = run.lead[i];
    if (lead >= 0 && p.mode == 0) {
        drain(run, 0);  // the lead's copy decides where this one goes
        const std::string& leadFinal = d.plan[size_t(lead)].finalPath;
        if (leadFinal.empty()) {
            d.result.skipped++;
            journalFail(&d.journal, "its photo was not copied", run.rel[i]);
            addLog(job, kImportLogInfo, fileNamePart(f.path), text("ImportLogHeld"), d.dest);
            return;
        }
        target = companionTarget(f.path, run.files[size_t(lead)].path, leadFinal);
    }
    if (d.reserved.count(upperAscii(target))) drain(run, 0);  // a copy in flight may be taking the name
    if (pathExists(target)) {
        drain(run, 0);
        if (!d.reserved.count(upperAscii(target)) && identicalAtTarget(f.path, target)) {
            d.result.alreadyThere++;
            journalOk(&d.journal, f.size, f.lastWrite, "", relativeTo(d.dest, target), run.rel[i]);
            p.finalPath = target;
            noteFolder(job, target);
            return;
        }
        int answer = run.clashAll ? run.clashAll : job->presetClash;
        if (!answer) {
            ImportQuestion q;
            q.kind = kQuestionClash;
            q.cardPath = run.rel[i];
            q.destPath = target;
            bool all = false;
            answer = ask(job, q, &all);
            if (all && (answer == 1 || answer == 2)) run.clashAll = answer;
        }
        if (answer == 1) {
            d.result.skipped++;
            addLog(job, kImportLogInfo, fileNamePart(f.path), text("ExportLogSkipped"), d.dest);
            return;
        }
        if (answer != 2) {
            job->stop.store(true);
            run.abort = true;
            return;
        }
        // Companions that follow this file must find their names free too.
        std::vector<size_t> companions;
        for (size_t k = i + 1; k < run.files.size() && run.lead[k] == int(i); k++)
            if (d.plan[k].mode == 0) companions.push_back(k);
        std::string name = freeName(target, [&](const std::string& candidate) {
            std::vector<std::string> names;
            for (size_t k : companions) names.push_back(companionTarget(run.files[k].path, f.path, candidate));
            return names;
        });
        if (name.empty()) {
            failFile(run, d, i, text("ImportErrNoName"), "ExportLogNoName");
            return;
        }
        addLog(job, kImportLogRenamed, fileNamePart(f.path), text("ExportLogRenamed") + " " + std::string(fileNamePart(name)),
               d.dest);
        target = name;
    }
    // The destination was made before copying began; one that has gone is never made again
    // (on a removed drive that would write into whatever is left at its place).
    if (!isFolder(d.dest)) {
        failFile(run, d, i, text("ImportErrNoPath"), nullptr);
        d.result.stopReason = stopReasonAfterFailure(d.dest, uint64_t(f.size));
        run.abort = d.result.stopReason != 0;
        return;
    }
    std::string folder(withoutTrailingSeparator(folderPart(target)));
    if (!isFolder(folder)) {
        if (WinErr e = folderCreateAll(folder))
            logLine("mkdir FAILED (last error " + std::to_string(e) + "): " + folder);
        // The new folders' names are made durable with the next commit, like the copies in them.
        for (std::string up(folderPart(folder)); up.size() > d.dest.size(); up = std::string(folderPart(withoutTrailingSeparator(up))))
            flightNoteFolder(run.flight, up);
        flightNoteFolder(run.flight, d.dest);
    }
    // The card is read once: a further destination copies the verified first copy and must
    // arrive at the card's hash.
    auto task = std::make_unique<CopyTask>();
    task->job = job;
    task->dest = &d;
    task->index = i;
    task->source = run.firstCopy[i].empty() ? f.path : run.firstCopy[i];
    task->expectedHash = run.cardHash[i];
    task->target = target;
    task->size = f.size;
    d.reserved.insert(upperAscii(target));
    flightStart(run.flight, copyThread, task.release());
    drain(run, run.flight.maxInFlight - 1);
}

// [SECTION] planning
void planFiles(Run& run) {
    ImportJob* job = run.job;
    const ImportSettings& s = job->settings;
    for (DestRun& d : run.dests) {
        d.index = readJournals(journalFolderForDestination(d.dest));
        d.plan.resize(run.files.size());
    }
    for (size_t i = 0; i < run.files.size() && !job->stop.load(); i++) {
        const CardFile& f = run.files[i];
        std::string key = journalKey(run.rel[i], f.size, f.lastWrite), cardHash, expanded;
        bool hashed = false, named = false;
        for (DestRun& d : run.dests) {
            PlanEntry& p = d.plan[i];
            JournalLookup j = lookupJournal(d.index, key);
            bool before = j.found && !j.destPath.empty();
            if (before && f.lastWrite == 0) {
                // Without a time the key is weak: the contents must match what was recorded.
                if (!hashed) hashed = true, sha256File(f.path, &cardHash);
                bool match = false;
                for (const std::string& h : j.hashes) match = match || (!cardHash.empty() && h == cardHash);
                before = match;
            }
            if (before) {
                std::string full = joinPath(d.dest, j.destPath);
                p.mode = pathExists(full) ? 1 : 2;
                p.plannedPath = j.destPath;
                if (p.mode == 1) d.reserved.insert(upperAscii(full));
            } else {
                if (!named) {
                    named = true;
                    expanded = expandImportTemplate(s.templateText,
                                                    buildImportNameContext(f, s.job, s.note, "", s.typeMap));
                }
                p.mode = 0;
                p.plannedPath = expanded;
            }
        }
        LockGuard g(job->lock);
        job->progress.planned = int(i + 1);
    }
    // A companion follows the nearest lead before it when its name belongs to that lead.
    run.lead.assign(run.files.size(), -1);
    int lastLead = -1;
    for (size_t i = 0; i < run.files.size(); i++) {
        if (!run.files[i].isCompanion) {
            lastLead = int(i);
            continue;
        }
        if (lastLead >= 0) {
            const std::string& l = run.files[size_t(lastLead)].path;
            if (!companionTarget(run.files[i].path, l, l).empty()) run.lead[i] = lastLead;
        }
    }
}

// Room on every destination; false when any lacks it (nothing is copied then).
bool checkRoom(Run& run) {
    bool ok = true;
    for (DestRun& d : run.dests) {
        uint64_t bytes = 0;
        for (size_t i = 0; i < run.files.size(); i++)
            if (d.plan[i].mode == 0 || (d.plan[i].mode == 2 && run.restore)) bytes += uint64_t(run.files[i].size);
        RoomFigures room = destinationRoom(d.dest);
        d.result.bytesToCopy = bytes;
        d.result.freeBytes = room.freeBytes;
        d.result.roomResult = roomResult(bytes, room.freeBytes);
        ok = ok && d.result.roomResult == 1;
    }
    return ok;
}

void finish(Run& run) {
    ImportJob* job = run.job;
    drain(run, 0);  // the files in hand are finished, never abandoned
    commit(run);
    bool stopped = job->stop.load();
    for (DestRun& d : run.dests) {
        closeJournal(&d.journal);
        d.result.elapsedSeconds = secondsSince(run.t0);
        d.result.stoppedByUser = stopped && d.result.stopReason == 0;
    }
    LockGuard g(job->lock);
    job->results.clear();
    for (DestRun& d : run.dests) job->results.push_back(d.result);
    job->state = stopped ? kImportStopped : kImportFinished;
}

void copierThread(void* arg) { runImport(static_cast<ImportJob*>(arg)); }

}  // namespace

// [SECTION] the run
void runImport(ImportJob* job) {
    Run run;
    run.job = job;
    run.t0 = perfCounter();
    const ImportSettings& s = job->settings;
    {
        LockGuard g(job->lock);
        job->progress.planning = true;  // reading the card, then planning
    }
    CardScan scan;
    scanCard(job->card, s.selection, true, &job->stop, &scan);
    run.files = std::move(scan.files);
    if (job->selectionSet && job->selection.empty()) run.files.clear();
    keepSelected(run.files, job->selection);
    uint64_t totalBytes = 0;
    for (const CardFile& f : run.files) {
        run.rel.push_back(relativeTo(job->card, f.path));
        totalBytes += uint64_t(f.size);
    }
    {
        LockGuard g(job->lock);
        job->progress.totalFiles = int(run.files.size());
        job->progress.totalBytes = totalBytes;
        job->progress.planning = true;
    }
    // Absolute from here on: the room of a relative "dest" that does not exist yet is asked of the
    // folder it will be made in.
    std::vector<std::string> dests{s.destination.empty() ? std::string()  // no drive: nothing is copied
                                                         : std::string(withoutTrailingSeparator(fullPath(s.destination)))};
    std::string second = s.secondDestination.empty() ? "" : std::string(withoutTrailingSeparator(fullPath(s.secondDestination)));
    if (!second.empty() && !equalsIgnoreCase(second, dests[0])) dests.push_back(second);
    for (const std::string& d : dests) {
        DestRun r;
        r.dest = d;
        r.result.destination = d;
        r.result.total = int(run.files.size());
        run.dests.push_back(std::move(r));
    }
    if (run.files.empty()) {
        for (DestRun& d : run.dests) {
            RoomFigures room = destinationRoom(d.dest);
            d.result.freeBytes = room.freeBytes;
            d.result.roomResult = roomResult(0, room.freeBytes);
        }
        return finish(run);
    }
    planFiles(run);
    int missing = 0;
    for (DestRun& d : run.dests)
        for (const PlanEntry& p : d.plan) missing += p.mode == 2;
    if (missing > 0 && !job->stop.load()) {
        int answer = job->presetRestore;
        if (!answer) {
            ImportQuestion q;
            q.kind = kQuestionMissing;
            q.missing = missing;
            answer = ask(job, q, nullptr);
        }
        run.restore = answer == 1;
    }
    {
        LockGuard g(job->lock);
        job->progress.planning = false;
    }
    if (job->stop.load() || !checkRoom(run)) return finish(run);
    for (DestRun& d : run.dests) {
        if (WinErr e = folderCreateAll(d.dest)) logLine("mkdir FAILED (last error " + std::to_string(e) + "): " + d.dest);
        openJournal(&d.journal, journalFolderForDestination(d.dest), d.dest);
        d.journal.groupFlush = true;
        d.result.planSeconds = secondsSince(run.t0);
    }
    // A second destination copies the first copy, so each file finishes before the next.
    run.flight.maxInFlight = run.dests.size() > 1 ? 1 : size_t(std::max(1, job->copiesInFlight));
    run.cardHash.assign(run.files.size(), {});
    run.firstCopy.assign(run.files.size(), {});
    uint64_t processed = 0;
    for (size_t i = 0; i < run.files.size() && !job->stop.load() && !run.abort; i++) {
        {
            LockGuard g(job->lock);
            job->progress.index = int(i);
            job->progress.fileInHand = run.rel[i];
            job->progress.kibInHand = 0;
        }
        for (DestRun& d : run.dests) {
            importOne(run, d, i);
            if (run.abort) break;
        }
        processed += uint64_t(run.files[i].size);
        const ImportResult& r = run.dests[0].result;
        LockGuard g(job->lock);
        job->progress.copied = r.copied;
        job->progress.skipped = r.skipped + r.alreadyThere + r.notRestored;
        job->progress.failed = r.failed;
        job->progress.bytesCopied = r.bytesCopied;
        job->progress.bytesProcessed = processed;
    }
    finish(run);
}

void setImportSelection(ImportJob* job, std::vector<std::string> paths) {
    job->selection = std::move(paths);
    job->selectionSet = true;
}

WinErr startImport(ImportJob* job) {
    {
        LockGuard g(job->lock);
        job->progress = ImportProgress();
        job->question = ImportQuestion();
        job->log.clear();
        job->arrived.clear();
        job->results.clear();
        job->state = kImportRunning;
    }
    job->stop.store(false);
    WinErr e = threadStart(&job->thread, 1u << 20, copierThread, job);
    if (e) {
        LockGuard g(job->lock);
        job->state = kImportIdle;
    }
    return e;
}

void requestImportStop(ImportJob* job) { job->stop.store(true); }
void joinImport(ImportJob* job) { threadJoin(&job->thread); }

void answerImportQuestion(ImportJob* job, int answer, bool applyToAll) {
    LockGuard g(job->lock);
    if (job->question.kind == kQuestionNone) return;
    job->question.answer = answer;
    job->question.applyToAll = applyToAll && job->question.kind == kQuestionClash && answer != 3;
}

ImportQuestionText importQuestionText(const ImportQuestion& q) {
    ImportQuestionText t;
    if (q.kind == kQuestionClash) {
        t.title = text("ImportConflictTitle");
        t.text = text("ImportConflictIntro");
        t.applyAll = text("ImportApplyAll");
        t.yes = text("ImportConflictSkip");
        t.no = text("ImportConflictKeep");
    } else if (q.kind == kQuestionMissing) {
        t.title = text("ImportRestoreTitle");
        t.text = (q.missing == 1 ? text("ImportRestoreOne")
                                 : fillPlaceholder(text("ImportRestoreMany"), "{n}", groupThousands(uint64_t(q.missing)))) +
                 "\r\n\r\n" + text("ImportRestoreWhy");
        t.yes = text("ImportRestoreYes");
        t.no = text("ImportRestoreNo");
    }
    return t;
}

// [SECTION] texts and figures
std::vector<ImportTileText> describeImportTiles(std::string_view destination,
                                                const std::vector<ImportFolderTile>& folders,
                                                const std::vector<int>& shown, size_t maxTiles) {
    std::vector<ImportTileText> out;
    const size_t n = folders.size(), tiles = std::min(n, std::max<size_t>(maxTiles, 1));
    for (size_t i = 0; i < tiles; i++) {
        bool rest = i + 1 == tiles && n > tiles;  // the last tile stands for folders i..n-1
        int files = 0, photos = 0, seen = 0;
        for (size_t k = i; k < (rest ? n : i + 1); k++) {
            files += folders[k].files;
            photos += folders[k].photos;
            seen += std::clamp(k < shown.size() ? shown[k] : folders[k].photos, 0, folders[k].photos);
        }
        ImportTileText t;
        t.caption = rest ? fillPlaceholder(text("ImportTileMore"), "{count}", std::to_string(n - i))
                         : folderBelowDestination(destination, folders[i].folder);
        if (photos > 0)
            t.counts = fillPlaceholder(fillPlaceholder(text("ImportTileFiltered"), "{shown}", std::to_string(seen)),
                                       "{arrived}", std::to_string(photos)) +
                       " " + kMiddleDot + " ";
        t.counts += fileCountText(uint64_t(files));
        out.push_back(std::move(t));
    }
    return out;
}

std::string describeImportResult(const ImportResult& r) {
    if (r.roomResult == -1) return text("ImportNoDrive");
    if (r.roomResult == 0) return text("ImportNoRoom") + " " + roomText(r.bytesToCopy, r.freeBytes);
    char size[48];
    if (r.bytesCopied >= (1ull << 30))
        std::snprintf(size, sizeof size, "%.1f GB", double(r.bytesCopied) / 1073741824.0);
    else
        std::snprintf(size, sizeof size, "%.1f MB", double(r.bytesCopied) / 1048576.0);
    std::vector<std::string> parts{size};
    std::string copied = std::to_string(r.copied) + " " + text("ImportImported");
    if (r.restored > 0) copied += " (" + std::to_string(r.restored) + " " + text("ImportRestoredWord") + ")";
    parts.push_back(copied);
    parts.push_back(std::to_string(r.alreadyThere) + " " + text("ImportSkipped"));
    if (r.notRestored > 0) parts.push_back(std::to_string(r.notRestored) + " " + text("ImportNotRestored"));
    if (r.skipped > 0) parts.push_back(std::to_string(r.skipped) + " " + text("ImportSkippedWord"));
    parts.push_back(std::to_string(r.failed) + " " + text("ImportFailedWord"));
    long secs = long(r.elapsedSeconds + 0.5);
    char dur[32];
    if (secs >= 3600)
        std::snprintf(dur, sizeof dur, "%ld:%02ld:%02ld", secs / 3600, (secs / 60) % 60, secs % 60);
    else
        std::snprintf(dur, sizeof dur, "%ld:%02ld", secs / 60, secs % 60);
    parts.push_back(text("ImportInWord") + " " + dur);
    std::string out;
    for (size_t i = 0; i < parts.size(); i++) out += (i ? kMiddleDot : "") + parts[i];
    if (r.failed > 0 && !r.firstError.empty()) out += "\ne.g. " + r.firstError;
    if (r.stopReason == 1) out += "\n" + text("ImportStopDiskFull");
    else if (r.stopReason == 2) out += "\n" + text("ImportStopDestGone");
    else if (r.stoppedByUser) out += "\n" + text("ImportStopped");
    return out;
}

uint64_t estimateBytesToCopy(const std::vector<CardFile>& files, std::string_view card, std::string_view destination) {
    JournalIndex index = readJournals(journalFolderForDestination(destination));
    uint64_t bytes = 0;
    for (const CardFile& f : files) {
        JournalLookup j = lookupJournal(index, journalKey(relativeTo(card, f.path), f.size, f.lastWrite));
        bool present = j.found && !j.destPath.empty() && pathExists(joinPath(destination, j.destPath));
        if (!present) bytes += uint64_t(f.size);
    }
    return bytes;
}

std::string importCopyMessage(const StagedCopyResult& r) {
    WinErr e = r.code;
    switch (r.failedStep) {
        case CopyStep::None: return {};
        case CopyStep::TargetExists: return text("ExportErrExists");
        case CopyStep::Size: return text("ImportErrShort");
        case CopyStep::Publish: return text("ImportErrPublish");
        case CopyStep::OpenSource:
        case CopyStep::CreateStaging:
            if (e == kErrFileNotFound || e == kErrPathNotFound) return text("ImportErrNoPath");
            if (e == kErrDiskFull) return text("ExportErrDiskFull");
            if (e == kErrInvalidName) return text("ImportErrBadName");
            return text("ImportErrAccess");
        default: break;
    }
    switch (e) {
        case kErrDiskFull:
        case 39: return text("ExportErrDiskFull");  // handle disk full
        case kErrNotReady:
        case 23:    // data error (media)
        case 55:    // device no longer exists
        case 121:   // time-out
        case kErrIoDevice:
        case 1167:  // device not connected
        case 4319: return text("ImportErrDevice");
        case kErrFileNotFound:
        case kErrPathNotFound: return text("ImportErrNoPath");
        default: return text("ImportErrOther") + " " + std::to_string(e);
    }
}

std::string companionTarget(std::string_view companion, std::string_view lead, std::string_view leadFinal) {
    std::string c = upperAscii(companion), l = upperAscii(lead);
    std::string_view ext = extensionOf(companion);
    std::string cNoExt(withoutExtension(c));
    if (cNoExt == l) return std::string(leadFinal) + std::string(ext);
    if (cNoExt == std::string(withoutExtension(l))) return std::string(withoutExtension(leadFinal)) + std::string(ext);
    return {};
}

WinErr readBackMatches(std::string_view path, std::string_view expectedHash) {
    CopyBlock block;
    char* buf = block.get();
    FileHandle f;
    WinErr e = fileOpenReadUncached(path, &f);
    if (e) return e;
    Sha256 h;
    if ((e = sha256Begin(&h)) != kErrOk) {
        fileClose(&f);
        return e;
    }
    for (uint64_t at = 0;; at += kCopyBlockBytes) {
        size_t got = 0;
        if ((e = fileReadUncached(f, at, buf, kCopyBlockBytes, &got)) != kErrOk) break;
        sha256Update(&h, buf, got);
        if (got < kCopyBlockBytes) break;
    }
    fileClose(&f);
    uint8_t digest[32];
    if (e) {
        sha256Abort(&h);
        return e;
    }
    if ((e = sha256End(&h, digest)) != kErrOk) return e;
    return hexUpper(digest, 32) == expectedHash ? kErrOk : kErrInvalidData;
}

}  // namespace lv
