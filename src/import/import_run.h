// The import copier: plans every selected card file against the destination's journals (new,
// already there, missing since), asks the user about missing files and name clashes through
// request records, checks the room, and copies each file verified with SHA-256 into its place,
// keeping companions with their photo. A second destination gets its own verified copy and
// journal from the same card read. Runs on its own thread; the dialog and the command line read
// progress, questions, the log and the result under the job's lock.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "export/copy_engine.h"
#include "import/card_plan.h"
#include "platform/platform.h"

namespace lv {

// [SECTION] settings and results
struct ImportSettings {
    std::string profile = "Default";
    std::string templateText;
    std::string destination;
    std::string secondDestination;  // empty: one destination
    ImportTypeSelection selection;
    std::string typeMap;
    std::string job, note;  // empty: nothing fills them yet
    bool verifyReadBack = false;  // read every copy back from the disk after publishing
};

struct ImportResult {
    std::string destination;
    int total = 0;         // selected card files
    int copied = 0;        // restored ones included
    int alreadyThere = 0;
    int skipped = 0;       // clashes skipped and companions held back
    int notRestored = 0;
    int restored = 0;
    int failed = 0;
    uint64_t bytesCopied = 0;
    double elapsedSeconds = 0;
    double planSeconds = 0;
    int roomResult = 1;    // 1 room enough, 0 not enough, -1 no drive
    uint64_t bytesToCopy = 0;
    int64_t freeBytes = 0;
    int stopReason = 0;    // 0 none, 1 destination full, 2 destination gone
    bool stoppedByUser = false;
    std::string firstError;  // card-relative path + ": " + message
};

enum ImportLogKind { kImportLogInfo = 0, kImportLogRenamed = 1, kImportLogFailure = 2 };
struct ImportLogEntry {
    int kind = 0;
    std::string fileName;
    std::string text;
    std::string text2;  // the destination the entry is about
};

// Files done per destination folder, for the progress tiles and the culling-folder choice.
struct ImportFolderTile {
    std::string folder;
    int files = 0;
    int photos = 0;
};

struct ImportProgress {
    int totalFiles = 0;
    uint64_t totalBytes = 0;
    int index = 0;             // file in hand
    int planned = 0;
    bool planning = false;
    int copied = 0, skipped = 0, failed = 0;
    uint64_t bytesCopied = 0;
    uint64_t bytesProcessed = 0;
    uint64_t kibInHand = 0;    // kibibytes copied of the file in hand
    std::string fileInHand;    // card-relative
    std::vector<ImportFolderTile> folders;
};

// [SECTION] questions
enum ImportQuestionKind { kQuestionNone = 0, kQuestionClash = 1, kQuestionMissing = 2 };
struct ImportQuestion {
    int kind = kQuestionNone;  // the request flag
    std::string cardPath;      // clash: card-relative path
    std::string destPath;      // clash: the destination path
    int missing = 0;           // missing files: their number
    int answer = -1;           // clash: 1 Skip, 2 Keep both, 3 stop; missing: 1 Restore, 2 Leave out
    bool applyToAll = false;   // clash: keep the answer for the rest of the run
};
// The texts of a question dialog.
struct ImportQuestionText {
    std::string title, text, applyAll, yes, no;
};
ImportQuestionText importQuestionText(const ImportQuestion& q);

// [SECTION] the job
enum ImportState { kImportIdle = 0, kImportRunning = 1, kImportFinished = 2, kImportStopped = 3 };

struct ImportJob {
    // Inputs, set before startImport.
    std::string card;
    ImportSettings settings;
    std::vector<std::string> selection;  // matched upper-cased; see setImportSelection
    bool selectionSet = false;
    int presetClash = 0;    // 0 ask, else the answer to every clash (1 skip, 2 keep both, 3 stop)
    int presetRestore = 0;  // 0 ask, else the answer to the missing-files question
    int copiesInFlight = 32; // files copied at once (1: strictly one after the other)

    // Under lock.
    Lock lock;
    int state = kImportIdle;
    ImportProgress progress;
    ImportQuestion question;
    std::vector<ImportLogEntry> log;
    std::vector<std::string> arrived;   // photos that landed, for the browser; the reader takes them
    std::vector<ImportResult> results;  // one per destination, final once the state is 2 or 3

    std::atomic<bool> stop{false};
    Thread thread;
};

// The card files to import. Without a call every file of the scan is imported; after it, only
// the listed ones, so a photo filter that matches nothing imports nothing rather than all.
void setImportSelection(ImportJob* job, std::vector<std::string> paths);
// Resets progress, answers, log and results, sets the state to running and starts the copier.
WinErr startImport(ImportJob* job);
// The copier stops after the file in hand.
void requestImportStop(ImportJob* job);
// Waits for the copier thread to end.
void joinImport(ImportJob* job);
// The whole run on the calling thread (startImport runs this on the copier thread).
void runImport(ImportJob* job);
// Answers the pending question (from the user-interface thread).
void answerImportQuestion(ImportJob* job, int answer, bool applyToAll = false);

// [SECTION] texts and figures
// The summary sentence of one destination's run.
std::string describeImportResult(const ImportResult& r);
// Bytes of the selected files that the destination's journals do not show as imported and
// still present.
uint64_t estimateBytesToCopy(const std::vector<CardFile>& files, std::string_view card, std::string_view destination);
// The message for a failed staged copy by its error class.
std::string importCopyMessage(const StagedCopyResult& r);
// Where a companion goes when its lead went to leadFinal; empty when it is not the lead's.
std::string companionTarget(std::string_view companion, std::string_view lead, std::string_view leadFinal);
// A progress tile: the folder below the destination (or ImportCullRootRow) and what landed there.
struct ImportTileText {
    std::string caption;
    std::string counts;  // "3 of 12 shown  ·  14 files"; "2 files" for a folder without photos
};
// The tiles of the folders in arrival order, at most maxTiles of them (at least 1); with more
// folders the last tile stands for the rest ("+3 more") and adds up their counts. shown[i]
// (clamped to folders[i].photos) is how many photos of folder i the browser shows, or shows once
// the folder is opened: those its strip filter accepts, all of them when the filter is off.
std::vector<ImportTileText> describeImportTiles(std::string_view destination,
                                                const std::vector<ImportFolderTile>& folders,
                                                const std::vector<int>& shown, size_t maxTiles);
// Reads a published copy back from the disk (not the cache) and compares its SHA-256.
// 0 when it matches; otherwise the read error, or 13 for a different hash.
WinErr readBackMatches(std::string_view path, std::string_view expectedHash);

}  // namespace lv
