// The import journals: one folder per destination below the configuration folder, one
// "import-YYYYMMDD-HHMMSS.jrnl" per run, one line per file flushed as it is written. Read at the
// start of every run, they tell which card files were imported before and where they went.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/pathname.h"
#include "platform/platform.h"

namespace lv {

// [SECTION] the journal folder
// "1A2B-3C4D" from the volume serial; without one, the mount point with ":" and separators
// removed and trimmed; empty when nothing is left (then there is no journal).
std::string volumeIdentifier(uint32_t serial, std::string_view mountPoint);
// The destination's folder below base (which ends with a separator): volume identifier, then
// the path below the mount point; "<id>\long-<16 hex>" when base + subfolder + 32 reaches 260.
std::string destinationJournalFolder(std::string_view base, std::string_view volumeId, std::string_view belowMount,
                                     PathStyle style = kNativeStyle);
// The journal folder of a destination on this system (journalFolder() as base); empty when the
// destination has no volume identifier or there is no configuration folder.
std::string journalFolderForDestination(std::string_view destination);

// [SECTION] reading
struct JournalRecord {
    std::string key;       // card-relative path + "|" + size + "|" + 16 hex digits of lastWrite
    std::string hash;      // 64 upper-case hex digits, or empty for a file found in place
    std::string destPath;  // relative to the destination
};
// The "ok2" lines of one journal's text in reading order. Lines end at CR (a following LF is
// skipped); lines whose fields are not well formed are passed over.
void parseJournalText(std::string_view text, std::vector<JournalRecord>* out);

struct JournalIndex {
    std::vector<JournalRecord> records;  // sorted by key, reading order kept among equal keys
};
// Reads every "*.jrnl" of folder (by name, so older runs first) into the index.
JournalIndex readJournals(std::string_view folder);
void sortJournalIndex(JournalIndex* index);
std::string journalKey(std::string_view cardRelative, int64_t size, uint64_t lastWrite);

struct JournalLookup {
    bool found = false;
    std::string destPath;              // the last non-empty one in reading order
    std::vector<std::string> hashes;   // every non-empty hash recorded for the key
};
JournalLookup lookupJournal(const JournalIndex& index, std::string_view key);

// [SECTION] writing
struct JournalWriter {
    FileHandle file;
    std::string path;
    WinErr error = 0;  // of the last write or flush
    // Set: each line still reaches the system as it is written (a killed run loses none), but
    // the flush to disk waits for journalFlush, so many copies share one wait for the disk.
    bool groupFlush = false;
    int unflushed = 0;
};
// Creates a new journal in folder (made as needed) for the destination, never over an existing
// one, and writes its header. False when it cannot.
bool openJournal(JournalWriter* w, std::string_view folder, std::string_view destination);
// Each line is written in one call and, unless groupFlush is set, flushed to disk before this returns.
void journalOk(JournalWriter* w, int64_t size, uint64_t lastWrite, std::string_view hash, std::string_view destRelative,
               std::string_view cardRelative);
void journalFail(JournalWriter* w, std::string_view message, std::string_view cardRelative);
// Flushes the lines written since the last flush to disk.
void journalFlush(JournalWriter* w);
void closeJournal(JournalWriter* w);

}  // namespace lv
