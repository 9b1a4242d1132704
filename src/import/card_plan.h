// Reading a card before anything is copied: the scan on its own thread, the files in card order
// (leads and their companions, sequence numbers), the Items-to-copy table and the types line,
// the selection handed to the copier, the example names, the room line and the plan sentence.
#pragma once
#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "export/copy_engine.h"
#include "filter/filter.h"
#include "import/import_template.h"
#include "library/scantree.h"
#include "platform/platform.h"

namespace lv {

// [SECTION] data
struct CardFile {
    std::string path;        // full path on the card (up to 1024)
    int64_t size = 0;
    uint64_t lastWrite = 0;  // Windows file time, 0 when unknown
    int seq = 0;             // zero-based, by last-write time then upper-cased path
    bool isCompanion = false;  // a sidecar sorted directly after its photo
};

struct ImportTypeSelection {
    bool photos = true, video = true, audio = true, sidecars = true, other = true;
    std::string excludedExtensions;  // lower-case keys with the dot, "." for none: ".lrv|.thm|"
    std::string photoFilter;         // name of a saved filter photos must match; empty: all
};

// One row of the Items-to-copy table: one extension met on the card.
struct CardTypeRow {
    std::string key;  // ".cr3|" (".|" for files without an extension)
    uint64_t files = 0;
    uint64_t bytes = 0;
    bool ticked = true;  // by the selection's category flag and excluded list
};

struct CardScan {
    std::vector<CardFile> files;  // kept by the selection, in card order
    uint64_t folders = 0;
    uint64_t bytes = 0;           // of the kept files
    uint64_t leftFiles = 0;       // excluded by the selection: they stay on the card
    uint64_t leftBytes = 0;
    std::vector<CardTypeRow> types;  // every extension seen, in order of first appearance
    int result = 0;               // 0 done, -1 stopped, -2 too many files for memory
    uint32_t milliseconds = 0;
};

// [SECTION] scan and order
// Walks source and its subfolders; probeMemory checks that the lists would fit (one record
// counts as 1048 bytes). Writes the "Import scan:" line to the diagnostics log.
int scanCard(std::string_view source, const ImportTypeSelection& sel, bool probeMemory, const std::atomic<bool>* stop,
             CardScan* out, AllocationProbeFn probe = nullptr, ScanLive* live = nullptr);
// Photos, then videos, then the rest, each by last-write time then upper-cased path; an
// attachable sidecar with an owner photo follows its owner as a companion. Assigns seq.
void orderCardFiles(std::vector<CardFile>& files);
bool selectionAccepts(const ImportTypeSelection& sel, std::string_view path);

// The scan of the import dialog on its own thread (1 MB stack); the dialog polls done.
struct CardScanJob {
    std::string source;
    ImportTypeSelection selection;
    bool probeMemory = true;
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    ScanLive live;  // files and folders met so far, while it runs
    CardScan scan;  // read only once done
    Thread thread;
};
WinErr startCardScan(CardScanJob* job);
// Asks the scan to stop and waits for its thread.
void finishCardScan(CardScanJob* job);
// The card line while the scan runs: "Reading the card · 1,234 files · 12 folders".
std::string describeCardReading(uint64_t files, uint64_t folders);
// The card line after a scan: empty when done, else the stopped or out-of-memory message.
std::string describeCardScanResult(const CardScan& scan);

// [SECTION] selection
// Whether a photo passes the photo filter; the filter subsystem supplies it.
using PhotoMatchFn = bool (*)(const std::string& path, void* context);
// The paths the copier keeps: files the selection accepts, photos passing match when given.
std::vector<std::string> selectForImport(const std::vector<CardFile>& files, const ImportTypeSelection& sel,
                                         PhotoMatchFn match = nullptr, void* context = nullptr);
// The photo filter on the card: reads each photo's metadata (done counts the files read, for
// the progress line) and keeps the photos the tokens accept; other files pass when selected.
// *kept receives the number of photos kept. Logs "Import filter: read ...".
std::vector<std::string> selectWithPhotoFilter(const std::vector<CardFile>& files, const ImportTypeSelection& sel,
                                               std::span<const FilterToken> tokens, const std::atomic<bool>* stop,
                                               std::atomic<int>* done = nullptr, int* kept = nullptr);
// "Photos: all", "Photos: matching "Keepers" · 12 kept" or "Photos: no photo on the card matches ...".
std::string describePhotosLine(std::string_view filterName, int kept);
// Keeps the files whose upper-cased path is in paths (all when paths is empty) and numbers seq
// again over them.
void keepSelected(std::vector<CardFile>& files, const std::vector<std::string>& paths);

// [SECTION] names and texts
// The template's values for one card file: capture time from the photo's EXIF (else the file
// time), name, extension, kind with the type map, camera, lens and body serial.
ImportNameContext buildImportNameContext(const CardFile& f, std::string_view job, std::string_view note,
                                         std::string_view volume, std::string_view typeMap);
// "IMG_0001.CR3  »  2024\05\17\IMG_0001.CR3" for the first count files.
std::vector<std::string> importExamples(const std::vector<CardFile>& files, std::string_view tpl,
                                        std::string_view typeMap, size_t count = 3);
// "1,234"
std::string groupThousands(uint64_t n);
// "1,234 files" with ImportFileWord / ImportFilesWord.
std::string fileCountText(uint64_t n);
// The kind column of the Items-to-copy table for an extension key.
std::string importKindCaption(std::string_view key);
// "Types: CR3 120 · JPG 120 · +2 more · 14 files left on card"
std::string describeTypesLine(const CardScan& scan);
// "Copies everything on the card except LRV and THM files to D:\Photos."
std::string describeImportPlan(const ImportTypeSelection& sel, std::string_view destination,
                               std::string_view secondDestination);

// The room line under the destination. freeBytes < 0: no figure for the drive.
struct RoomLine {
    std::string text;
    bool isError = false;
};
RoomLine describeRoomLine(std::string_view destination, bool cardRead, int64_t freeBytes, uint64_t needed);

// [SECTION] culling after import
struct CullFolder {
    std::string folder;  // full path, with no trailing separator
    int photos = 0;
};
// The folder's path below the destination, or ImportCullRootRow for the destination itself.
std::string folderBelowDestination(std::string_view destination, std::string_view folder);
// A row of the culling-folder choice: the path below the destination, or the root row, then
// "  ·  " and the photo count.
std::string describeCullRow(std::string_view destination, const CullFolder& f);

}  // namespace lv
