// The viewer engine: the state the user-interface thread shares with the background builder and
// the preview workers, their start and stop, showing a photo and what painting the view and the
// strip should draw. The caller owns one Viewer and one FolderState; nothing here is global and
// nothing draws: the shell draws what these functions computed.
//
// Threads: the builder (worker 0) and workers 1..count-1 read the folder's visible list and paths
// while they run, so the caller stops them (viewerStop) around anything that rebuilds the lists
// or reopens the folder, and starts them again afterwards (viewerStart). Everything else they
// share is behind cacheLock.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "library/folder.h"
#include "metadata/shot_info.h"
#include "viewer/layout.h"
#include "viewer/pipeline.h"
#include "viewer/thumbnails.h"

namespace lv {

// [SECTION] setup
// One step of the metadata scan: reads one unread photo's metadata (taking cacheLock only to
// find it and to store the result). Returns false when nothing is left to read.
using ScanStepFn = bool (*)(FolderState& state, Lock& cacheLock, void* context);

// The strip filter's metadata scan as that step; context is the caller's ScanState
// (filter/scan.h), reset with resetScan whenever the folder is opened.
bool filterScanStep(FolderState& state, Lock& cacheLock, void* scanState);

struct ViewerSetup {
    int cacheMode = 2;           // 1 memory and disk, 2 memory only, 3 none
    int previewCacheMB = 256;    // PreviewCacheMB
    int workerCount = 1;         // workerCountFor(processorCount())
    std::string cacheRoot;       // with a trailing separator; cacheRoot() when empty
    ScanStepFn scanStep = nullptr;  // null: no scan runs (the scan counts as complete)
    void* scanContext = nullptr;
};

// Where the time of one showPhoto went, in milliseconds; a phase that did not run is 0.
struct ShowPhases {
    double thumbMs = 0;   // the thumbnail step run first (a photo the builder had not reached)
    double locateMs = 0;  // JPEG byte cache miss: file opened, head read, container recognised
    double readMs = 0;    // the preview located in the file and its bytes read
    double shotMs = 0;    // the panel's shot information
    double decodeMs = 0;  // the decoded cache looked up and, on a miss, the decode and scale
    bool jpegHit = false;
};

// Counters for the benchmarks and `lumivore view` (user-interface thread).
struct ViewerStats {
    uint64_t decodedHits = 0, decodedMisses = 0;
    uint64_t jpegHits = 0, jpegMisses = 0;
    uint64_t thumbBytesRead = 0;  // source bytes read by the thumbnail step (any thread)
    ShowPhases last;              // of the latest showPhoto
};

struct Viewer;
struct WorkerThread {
    Viewer* viewer = nullptr;
    int number = 0;  // 1..count-1 (0 is the builder)
    Thread thread;
};

struct Viewer {
    ViewerSetup setup;
    FolderState* folder = nullptr;

    Lock cacheLock;
    JpegCache jpeg;          // user-interface thread only
    DecodedCache decoded;    // under cacheLock
    ThumbStore thumbs;       // under cacheLock
    std::vector<int> workerJob;  // under cacheLock: photo per worker, -1 idle
    int position = 0;        // under cacheLock: the current visible position as the threads see it
    int foregroundJob = -1;  // under cacheLock: the photo the user-interface thread is decoding
    std::string cacheFolder; // the open folder's disk cache folder

    // Builder and workers.
    std::atomic<bool> stop{false};
    std::atomic<bool> idle{false};
    std::atomic<bool> thumbsChanged{false};
    std::atomic<bool> scanComplete{false};
    std::atomic<uint64_t> thumbBytesRead{0};
    std::atomic<uint64_t> builderTasks{0};
    int seqCursor = 0, diskCursor = 0;  // builder thread only
    Thread builder;
    std::vector<WorkerThread> workers;
    bool running = false;

    // The photo on screen.
    int currentPhoto = -1;
    std::shared_ptr<const Bytes> currentJpeg;
    ShotInfo shotInfo;
    bool frameDragging = false;  // between the start and the end of a window frame drag
    ViewerStats stats;
};

// [SECTION] lifecycle
// Builds the caches empty and sizes the worker table. The folder stays the caller's.
void viewerInit(Viewer& v, const ViewerSetup& setup, FolderState* folder);
// After loadFolder: clears both caches, resets the thumbnail arrays and the scan flags, computes
// (and in mode 1 creates) the cache folder. Call with the threads stopped.
void viewerFolderOpened(Viewer& v);
// After appendArrivedPhoto: grows the per-photo arrays.
void viewerPhotosAdded(Viewer& v);
// Starts the builder and workers 1..count-1 (cursors from 0). No-op when running.
WinErr viewerStart(Viewer& v);
// Sets the stop flag and joins every thread. No-op when stopped.
void viewerStop(Viewer& v);
// One task of the builder loop, the first of: an urgent thumbnail (30 positions each way of the
// current one), a preview job as worker 0, a metadata scan step, the next thumbnail in folder
// order, and in mode 1 a missing cache file. False when none had work. The builder thread runs it.
bool builderStep(Viewer& v);
// Publishes folder->currentPosition to the threads (showPhoto does it too).
void viewerPublishPosition(Viewer& v);

// [SECTION] showing a photo
// What the view should draw.
enum class ViewDraw : uint8_t {
    Nothing,     // no current photo, or the decode failed (logged)
    NoPreview,   // the NoPreview text, centred, in (200, 90, 70)
    Picture,     // pixels (bw x bh, stored orientation) rotated by rotation into dest
};
struct ViewPlan {
    ViewDraw draw = ViewDraw::Nothing;
    PixelBuffer pixels;
    int bw = 0, bh = 0;
    int rotation = 0;   // clockwise degrees
    Rect dest;          // where the rotated picture goes
    std::string text;   // NoPreview
    uint8_t r = 0, g = 0, b = 0;
    bool fromCache = false;   // a decoded-cache hit
    bool fullDecode = false;  // drawn from a full-size decode
};
struct ShowResult {
    bool shown = false;  // the position maps to a photo
    std::string title;   // "Lumivore v0.9.2 - " + folder path
    ViewPlan plan;
    bool builderRestarted = false;
    double ms = 0;
};
// The preview bytes of a photo through the JPEG byte cache (user-interface thread).
std::shared_ptr<const Bytes> previewJpegFor(Viewer& v, int photo);
// Makes the photo at the visible position current: thumbnail step when needed, extraction
// (bytes and shot information), the view plan for area, and in disk mode the builder restart
// that fills a missing cache file.
ShowResult showPhoto(Viewer& v, int position, const Rect& area);
// What to draw for the current photo in area (the photo area already reduced by the photo size).
ViewPlan paintView(Viewer& v, const Rect& area);
// The end of a frame drag: the caller paints again with frameDragging false.
void setFrameDragging(Viewer& v, bool dragging);

// [SECTION] strip
enum class CellState : uint8_t { Pending, NoPreview, Thumbnail };
struct StripCell {
    int position = 0;  // in the visible list
    int photo = -1;
    Rect cell;         // the whole cell (thumbnail above its caption band)
    Rect picture;      // where the 160 x 106 bitmap is drawn, scaled to the cell
    CellState state = CellState::Pending;
    PixelBuffer pixels;  // 160 x 106 BGRA for Thumbnail
    std::string caption;  // ThumbPending / ThumbNoPreview text for those states, else file name
    bool selected = false;
    int rating = 0;
    std::string label;
};
// The cells of the strip in stripArea, scrolled by firstVisibleFor; centreX is the horizontal
// centre of the photo preview (it picks the centre cell).
std::vector<StripCell> stripCells(Viewer& v, StripLayout& layout, const Rect& stripArea, int centreX);
// Whether thumbnails arrived since the last call (the 500 ms timer repaints the strip then).
bool takeThumbsChanged(Viewer& v);

}  // namespace lv
