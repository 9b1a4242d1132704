// The export: the list of files to copy (the strip or a saved filter, with partners), the room
// check, the preparation of the destination, the export thread with its own lock, counters, log
// and name-clash question, the summary sentence, the copy log and the question asked when the
// program is closed while an export or an import still copies.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "export/export_destination.h"
#include "filter/saved_filters.h"
#include "library/folder.h"
#include "platform/platform.h"

namespace lv {

// [SECTION] export list
// The saved filter the export copies from. The filter subsystem fills it; an empty name means
// the photos shown in the strip.
struct ExportSavedFilter {
    std::string name;
    bool usable = false;         // a filter saved by another version cannot be used
    bool needsMetadata = false;  // it tests shot information, which must be read first
    bool (*matches)(const FolderState& state, int index, void* context) = nullptr;
    void* context = nullptr;
    Lock* factsLock = nullptr;   // the lock the metadata scan writes under, when one runs
};

// What a saved-filter source evaluates, kept by the caller while the list is built.
struct ExportFilterTokens {
    std::vector<FilterToken> tokens;
    Lock* factsLock = nullptr;
};
// The source for the saved filter called name (the `Filter` setting of the export). An empty or
// unknown name gives the strip; a filter saved by another version is named but not usable.
ExportSavedFilter exportSavedFilter(const SavedFilters& saved, std::string_view name, Lock* factsLock,
                                    ExportFilterTokens* keep);

struct ExportList {
    std::vector<std::string> files;  // full paths in copy order, each once
    int photos = 0;                  // photos chosen, partners not counted
    std::string filterName;          // the saved filter used, empty for the strip
    bool waiting = false;            // the filter waits for shot information: files is empty
    int metaDone = 0, metaTotal = 0;
};
// The photos of the saved filter when it can be used, else the photos shown in the strip in strip
// order; with partners, each photo's RAW/JPEG partners follow it.
ExportList buildExportList(const FolderState& state, const ExportSavedFilter& filter, bool includePartners);
// The count line of the dialog.
std::string exportCountLine(const ExportList& list);

// [SECTION] room and preparation
struct ExportRoomCheck {
    std::string message;  // empty when there is room
    uint64_t bytesToCopy = 0;
    int64_t freeBytes = -1;
    uint32_t clusterSize = 0;
};
// Counts, in whole clusters, what is not at the destination yet (sidecars too when included),
// logs the figures and refuses when it does not fit with 256 MiB to spare.
ExportRoomCheck exportRoomCheck(std::string_view destination, const std::vector<std::string>& files,
                                bool includeSidecars);

struct ExportPrepared {
    std::string folder;   // the folder to hand to startExport ...
    std::string message;  // ... or why not
};
// Quotes and blanks removed, the template checked and resolved, the path checked, the browsed
// folder refused, the room checked and the folder created; nothing is created before all checks pass.
ExportPrepared prepareExportDestination(std::string_view typed, const ExportResolveContext& ctx,
                                        const std::vector<std::string>& files, bool includeSidecars);

// [SECTION] the export job
enum ExportState { kExportIdle = 0, kExportRunning = 1, kExportWaiting = 2, kExportFinished = 3, kExportStopped = 4 };
enum ExportStopReason { kExportStopNone = 0, kExportStopDiskFull = 1, kExportStopDestGone = 2 };
enum ExportClashAnswer { kClashUnanswered = -1, kClashSkip = 1, kClashKeepBoth = 2, kClashStop = 3 };

struct ExportCounters {
    int copied = 0;
    int sidecarsCopied = 0;
    int alreadyThere = 0;
    int skipped = 0;
    int ratedDifferently = 0;
    int sidecarsFailed = 0;
    int failed = 0;
    int partsLeft = 0;      // unfinished staging files at the destination
    std::string firstPart;  // the name of the first one
    int indexInHand = -1;
    int total = 0;
    uint64_t bytesCopied = 0;
    int stopReason = kExportStopNone;
    bool stoppedByUser = false;
};

struct ExportLogEntry {
    std::string fileName;
    std::string text;
};

// The name-clash question, written by the export thread and answered by whoever shows it.
struct ExportClash {
    std::string existing;      // the file already there
    std::string incoming;      // the file being exported
    std::string keepBothName;  // what Keep both would write (empty: no free name)
    int answer = kClashUnanswered;
    bool pending = false;
    bool applyToAll = false;      // set with the answer
    int storedAnswer = 0;         // the answer for the rest of the export
};

struct ExportJob {
    Lock lock;  // guards everything below but the stop flag and the inputs
    int state = kExportIdle;
    ExportCounters counters;
    std::vector<ExportLogEntry> log;
    ExportClash clash;
    std::string fileInHand;
    std::atomic<bool> stopRequested{false};
    // Inputs, fixed while the thread runs.
    std::string destination;
    std::vector<std::string> files;
    bool includeSidecars = false;
    int copiesInFlight = 32;  // files copied at once (1: strictly one after the other)
    Thread thread;
};

// Starts the export thread (1 MB stack) on a prepared destination. The job must stay in place
// until finishExport.
WinErr startExport(ExportJob& job, std::string_view destination, std::vector<std::string> files, bool includeSidecars);
// The thread's body; tests run it directly.
void runExport(ExportJob& job);
// The file in hand is finished first.
void requestExportStop(ExportJob& job);
bool exportRunning(ExportJob& job);
// Waits for the thread and releases it. True when at least one photo was copied (the folder then
// joins the recent exports).
bool finishExport(ExportJob& job);
// Answers the pending question (under the lock).
void answerExportClash(ExportJob& job, int answer, bool applyToAll);

// "Stopping: finishing IMG_1.CR3 first".
std::string exportStoppingLine(ExportJob& job);
// The summary sentence.
std::string describeExportResult(const ExportCounters& c);
// What "Copy log" puts on the clipboard: the sentence and one line per entry, CR LF after each.
std::string exportCopyLogText(const ExportCounters& c, const std::vector<ExportLogEntry>& log);
// The error-code message of a failed copy step.
std::string exportErrorMessage(WinErr code);

struct ExportClashTexts {
    std::string title, intro, thereLabel, there, newLabel, incoming, keepLine, applyAll, skip, keepBoth, stop;
};
ExportClashTexts exportClashTexts(const ExportClash& q);

// [SECTION] quitting while copying
enum class QuitChoice { ExitNow, Wait, WaitThenExit };
struct QuitQuestion {
    std::string title;
    std::vector<std::string> lines;  // one per running copy: "... copying files to: <destination>"
    std::string question;
    std::string exitNow, wait, waitThenExit;  // the three answers, in QuitChoice order
};
// The texts of the question asked when the main window closes while copies run.
QuitQuestion quitWhileCopyingQuestion(bool exportRunning, std::string_view exportDestination, bool importRunning,
                                      std::string_view importDestination);

}  // namespace lv
