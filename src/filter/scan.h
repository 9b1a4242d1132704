// The metadata scan: the background builder reads each photo's PhotoMeta once per folder
// opening so the criteria that need it (orientation, burst, focus, shutter, ISO, aperture,
// speed, exposure compensation, lens, camera) can be evaluated; the filter dialog's status
// line, its Apply with the wait question, and what the window does when the scan finishes.
//
// Threads: metadataScanStep runs on the builder thread and holds the cache lock only to find
// the next photo and to store one photo's record; the file is read outside it. Everything else
// here runs on the user-interface thread, which reads facts by copying one photo's record under
// the same lock (copyPhotoFacts), so it never sees a half-written record.
#pragma once
#include <atomic>
#include <string>
#include <vector>

#include "filter/filter.h"
#include "library/folder.h"
#include "platform/platform.h"

namespace lv {

// [SECTION] the scan
using MetaReaderFn = PhotoMeta (*)(const std::string& path);

struct ScanState {
    int cursor = 0;                      // next photo index to look at (builder thread)
    std::atomic<bool> complete{false};   // no unread photo is left
    bool finishHandled = false;          // UI thread: the finished signal was acted on
    MetaReaderFn reader = nullptr;       // nullptr: readPhotoMeta
};

// Opening a folder: the scan starts again from the first photo.
void resetScan(ScanState& scan);
// One step: skips photos already read, reads the next one outside the lock and stores its
// record under it. Returns false when nothing is left; it has then set scan.complete and
// folder.metadataComplete (the finished signal).
bool metadataScanStep(FolderState& folder, ScanState& scan, Lock& cacheLock);
// The viewer's scan hook (ScanStepFn): context is the ScanState.
bool metadataScanHook(FolderState& folder, Lock& cacheLock, void* scanState);
// Runs the scan to its end on the calling thread (command line, tests); progress, when given,
// is called after every photo with the numbers read and total.
void runMetadataScan(FolderState& folder, ScanState& scan, Lock& cacheLock,
                     void (*progress)(int read, int total, void* context) = nullptr, void* context = nullptr);

struct ScanProgress {
    int read = 0;   // photos whose metadata has been read (with or without values)
    int total = 0;
};
ScanProgress scanProgress(const FolderState& folder, Lock& cacheLock);
// The finished signal (FolderState::metadataComplete), read under the lock when one is given.
bool scanFinished(const FolderState& folder, Lock* cacheLock);

// [SECTION] when the scan finishes
// The main window's 500 ms timer: the first time it sees the finished signal for the open
// folder it computes the bursts, orders by capture time again when that ordering is in use, and
// applies the pending saved filter. rebuilt/showCurrent/message say what to show.
FilterOutcome onScanFinishedTick(FolderState& folder, FilterSession& session, ScanState& scan, const Asker& ask);

// The status bar chips: `StatusFiltered` while the filter is on, `StatusFilterWaiting` while a
// pending saved filter waits for the scan.
std::vector<std::string> filterStatusChips(const FolderState& folder, const FilterSession& session);

// [SECTION] the filter dialog
struct FilterDialog {
    Filter edit;                  // the tokens being chosen
    bool applyWhenDone = false;   // "Yes" to the wait question; lives while the dialog is open
    bool scanWasComplete = false;
};

// Opening: a copy of the current filter with its match counts, the flag cleared.
void openFilterDialog(FilterDialog& dialog, const FolderState& folder, const FilterSession& session);
struct DialogTick {
    bool recounted = false;  // the scan completed since the last tick; match counts are new
    bool applyNow = false;   // it completed with "apply when done" set: call applyFromDialog
    std::string status;      // the status line
};
// The dialog's 400 ms timer.
DialogTick filterDialogTick(FilterDialog& dialog, const FolderState& folder, const FilterSession& session);
// "Reading metadata  12 / 340[, applies when done]" or "57 / 340 images match".
std::string filterDialogStatus(const FilterDialog& dialog, const FolderState& folder, const FilterSession& session);
// The Yes/No/Cancel question, or kind None when the scan is complete or no non-empty token needs it.
Prompt scanWaitQuestion(const Filter& filter, bool scanComplete);
Prompt noneMatchWarning(std::span<const FilterToken> tokens);

struct DialogApplyOutcome {
    FilterOutcome view;
    bool closeDialog = false;
};
// Apply and OK: the dialog's tokens become the current filter; the wait question decides
// whether it is applied now, when the scan finishes, or only stored; no match keeps the dialog
// open with the `FilterNoneMatch` warning.
DialogApplyOutcome applyFromDialog(FilterDialog& dialog, FolderState& folder, FilterSession& session, const Asker& ask);

}  // namespace lv
