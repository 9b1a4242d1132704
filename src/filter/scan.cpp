#include "filter/scan.h"

#include "core/texts.h"
#include "filter/saved_filters.h"
#include "library/bursts.h"

namespace lv {

// [SECTION] the scan
void resetScan(ScanState& scan) {
    scan.cursor = 0;
    scan.complete = false;
    scan.finishHandled = false;
}

bool metadataScanStep(FolderState& folder, ScanState& scan, Lock& cacheLock) {
    PhotoList& p = folder.photos;
    int index = -1;
    std::string path;
    {
        LockGuard hold(cacheLock);
        while (scan.cursor < p.count && p.metaLoaded[size_t(scan.cursor)]) scan.cursor++;
        if (scan.cursor >= p.count) {
            scan.complete = true;
            folder.metadataComplete = true;
            return false;
        }
        scan.complete = false;
        index = scan.cursor;
        path = p.path[size_t(index)];
    }
    // The file is read without the lock, so the user-interface thread never waits for a disk.
    PhotoMeta meta = scan.reader ? scan.reader(path) : readPhotoMeta(path);
    {
        // The whole record and its copies are stored under the lock in one go; readers copy a
        // record under the same lock, so they see it either before or after, never half-written.
        LockGuard hold(cacheLock);
        if (index < p.count && p.path[size_t(index)] == path) setPhotoMeta(p, index, meta);
        // Moves on either way: a photo is read at most once per folder opening.
        scan.cursor = index + 1;
    }
    return true;
}

bool metadataScanHook(FolderState& folder, Lock& cacheLock, void* scanState) {
    return metadataScanStep(folder, *static_cast<ScanState*>(scanState), cacheLock);
}

void runMetadataScan(FolderState& folder, ScanState& scan, Lock& cacheLock, void (*progress)(int, int, void*),
                     void* context) {
    while (metadataScanStep(folder, scan, cacheLock))
        if (progress) {
            ScanProgress sp = scanProgress(folder, cacheLock);
            progress(sp.read, sp.total, context);
        }
}

ScanProgress scanProgress(const FolderState& folder, Lock& cacheLock) {
    LockGuard hold(cacheLock);
    ScanProgress sp;
    sp.total = folder.photos.count;
    // Counted by "read", not by "valid": a JPEG without EXIF is read but has no values, and the
    // progress must still reach the photo count.
    for (int i = 0; i < sp.total; i++) sp.read += folder.photos.metaLoaded[size_t(i)] ? 1 : 0;
    return sp;
}

bool scanFinished(const FolderState& folder, Lock* cacheLock) {
    if (!cacheLock) return folder.metadataComplete;
    LockGuard hold(*cacheLock);
    return folder.metadataComplete;
}

// [SECTION] when the scan finishes
FilterOutcome onScanFinishedTick(FolderState& folder, FilterSession& session, ScanState& scan, const Asker& ask) {
    FilterOutcome out;
    if (!scanFinished(folder, session.factsLock)) {
        scan.finishHandled = false;  // photos joined (import browse): handle the next finish too
        return out;
    }
    if (scan.finishHandled) return out;
    scan.finishHandled = true;
    if (folder.metadataChanged) {
        folder.metadataChanged = false;
        folder.burstsComputed = false;
    }
    if (!folder.burstsComputed) computeBursts(folder);
    if (folder.orderingMode == kOrderTimeOld || folder.orderingMode == kOrderTimeNew) {
        int shown = visibleToPhoto(folder, folder.currentPosition);
        rebuildVisible(folder, session);
        keepPhotoCurrent(folder, shown);
        out.rebuilt = out.showCurrent = true;
    }
    if (!session.saved.pending.empty()) {
        int index = findSavedFilter(session.saved, session.saved.pending);
        session.saved.pending.clear();
        if (index >= 0) {
            FilterOutcome applied = applySavedFilter(folder, session, index, ask);
            applied.rebuilt |= out.rebuilt;
            applied.showCurrent |= out.showCurrent;
            out = applied;
        }
    }
    return out;
}

std::vector<std::string> filterStatusChips(const FolderState& folder, const FilterSession& session) {
    std::vector<std::string> chips;
    if (folder.filterActive) chips.push_back(text("StatusFiltered"));
    if (!session.saved.pending.empty()) chips.push_back(text("StatusFilterWaiting"));
    return chips;
}

// [SECTION] the filter dialog
void openFilterDialog(FilterDialog& dialog, const FolderState& folder, const FilterSession& session) {
    dialog.edit = session.current;
    dialog.applyWhenDone = false;
    dialog.scanWasComplete = scanFinished(folder, session.factsLock);
    recountMatches(dialog.edit, factsOf(folder, session));
}

DialogTick filterDialogTick(FilterDialog& dialog, const FolderState& folder, const FilterSession& session) {
    DialogTick tick;
    bool complete = scanFinished(folder, session.factsLock);
    if (complete && !dialog.scanWasComplete) {
        recountMatches(dialog.edit, factsOf(folder, session));
        tick.recounted = true;
        if (dialog.applyWhenDone) {
            dialog.applyWhenDone = false;
            tick.applyNow = true;
        }
    }
    dialog.scanWasComplete = complete;
    tick.status = filterDialogStatus(dialog, folder, session);
    return tick;
}

std::string filterDialogStatus(const FilterDialog& dialog, const FolderState& folder, const FilterSession& session) {
    int total = folder.photos.count;
    if (!scanFinished(folder, session.factsLock)) {
        Lock none;
        ScanProgress sp = scanProgress(folder, session.factsLock ? *session.factsLock : none);
        return text("FilterScanning") + "  " + std::to_string(sp.read) + " / " + std::to_string(total) +
               (dialog.applyWhenDone ? text("FilterScanWillApply") : "");
    }
    int matching = countMatches(dialog.edit.tokens, factsOf(folder, session));
    return std::to_string(matching) + " / " + std::to_string(total) + " " + text("FilterMatchTail");
}

Prompt scanWaitQuestion(const Filter& filter, bool scanComplete) {
    Prompt q;
    if (scanComplete) return q;
    std::string lines;
    for (const FilterToken& t : filter.tokens)
        if (!tokenIsEmpty(t) && criterion(t.criterion)->needsScan) lines += "   -  " + criterionLabel(t.criterion) + "\r\n";
    if (lines.empty()) return q;
    q.kind = PromptKind::YesNoCancel;
    q.title = text("FilterTitle");
    q.text = text("FilterScanWaitMsg") + "\r\n\r\n" + lines + "\r\n" + text("FilterScanWaitHint");
    return q;
}

Prompt noneMatchWarning(std::span<const FilterToken> tokens) {
    return {PromptKind::Warning, text("FilterTitle"),
            text("FilterNoneMatch") + "\r\n\r\n" + text("FilterActiveHdr") + "\r\n" + describeFilter(tokens), false};
}

DialogApplyOutcome applyFromDialog(FilterDialog& dialog, FolderState& folder, FilterSession& session,
                                   const Asker& ask) {
    DialogApplyOutcome out;
    session.current = dialog.edit;
    attachFilter(folder, session);
    int shown = visibleToPhoto(folder, folder.currentPosition);
    Prompt q = scanWaitQuestion(session.current, scanFinished(folder, session.factsLock));
    if (q.kind != PromptKind::None) {
        Answer a = ask(q);
        if (a == Answer::Yes) {
            dialog.applyWhenDone = true;
            return out;
        }
        dialog.applyWhenDone = false;
        if (a == Answer::Cancel) {
            if (!session.settingsPath.empty()) saveCurrentFilter(session.current, session.settingsPath);
            // The strip was filtered by the tokens just replaced; it now shows every photo, so
            // the view never claims a filter that is not the one kept.
            if (folder.filterActive) {
                folder.filterActive = false;
                rebuildVisible(folder, session);
                keepPhotoCurrent(folder, shown);
                out.view.rebuilt = out.view.showCurrent = true;
            }
            out.closeDialog = true;
            return out;
        }
    }
    FactsView view = factsOf(folder, session);
    bool any = false;
    for (int i = 0; i < folder.photos.count && !any; i++) any = photoMatchesFilter(session.current.tokens, view, i);
    if (!any) {
        out.view.message = noneMatchWarning(session.current.tokens);
        return out;
    }
    folder.filterActive = true;
    rebuildVisible(folder, session);
    keepPhotoCurrent(folder, shown);
    if (!session.settingsPath.empty()) saveCurrentFilter(session.current, session.settingsPath);
    out.view.rebuilt = out.view.showCurrent = true;
    out.closeDialog = true;
    return out;
}

}  // namespace lv
