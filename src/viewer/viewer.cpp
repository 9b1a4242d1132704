// The viewer engine: builder and workers, showing a photo, the view plan and the strip cells.
#include "viewer/viewer.h"

#include <algorithm>
#include <cstdio>

#include "core/diaglog.h"
#include "core/pathname.h"
#include "core/settings.h"
#include "core/texts.h"
#include "filter/scan.h"
#include "metadata/preview.h"

namespace lv {

namespace {

constexpr size_t kThreadStack = 1u << 20;
constexpr int kUrgentReach = 30;
constexpr const char* kWindowTitle = "Lumivore v0.9.2";

double msSince(uint64_t t0) { return double(perfCounter() - t0) * 1000.0 / double(perfFrequency()); }

}  // namespace

// [SECTION] lifecycle

bool filterScanStep(FolderState& state, Lock& cacheLock, void* scanState) {
    return metadataScanStep(state, *static_cast<ScanState*>(scanState), cacheLock);
}

void viewerInit(Viewer& v, const ViewerSetup& setup, FolderState* folder) {
    v.setup = setup;
    if (v.setup.cacheRoot.empty()) v.setup.cacheRoot = cacheRoot();
    if (v.setup.cacheMode < 1 || v.setup.cacheMode > 3) v.setup.cacheMode = kCacheRam;
    v.setup.workerCount = std::clamp(v.setup.workerCount, 1, 3);
    v.folder = folder;
    initJpegCache(v.jpeg, v.setup.previewCacheMB);
    initDecodedCache(v.decoded);
    v.workerJob.assign(size_t(v.setup.workerCount), -1);
    resetThumbStore(v.thumbs, folder ? folder->photos.count : 0);
}

void viewerFolderOpened(Viewer& v) {
    clearJpegCache(v.jpeg);
    {
        LockGuard g(v.cacheLock);
        clearDecodedCache(v.decoded);
        resetThumbStore(v.thumbs, v.folder->photos.count);
        std::fill(v.workerJob.begin(), v.workerJob.end(), -1);
        v.position = v.folder->currentPosition;
        v.folder->metadataComplete = false;
    }
    v.scanComplete = false;
    v.thumbsChanged = false;
    v.currentPhoto = -1;
    v.currentJpeg.reset();
    v.shotInfo = ShotInfo{};
    v.cacheFolder = cacheFolderFor(v.setup.cacheRoot, v.folder->folder);
    if (v.setup.cacheMode == kCacheDisk) folderCreateAll(v.cacheFolder);
}

void viewerPhotosAdded(Viewer& v) {
    LockGuard g(v.cacheLock);
    growThumbStore(v.thumbs, v.folder->photos.count);
}

void viewerPublishPosition(Viewer& v) {
    LockGuard g(v.cacheLock);
    v.position = v.folder->currentPosition;
}

// [SECTION] builder and workers

namespace {

// Position order around the current one: 0, +1, -1, +2, -2, ...
inline int aroundDelta(int step) { return (step + 1) / 2 * (step % 2 ? 1 : -1); }

bool urgentThumbnail(Viewer& v) {
    int photo = -1;
    {
        LockGuard g(v.cacheLock);
        int len = visibleLength(*v.folder);
        for (int step = 0; step <= 2 * kUrgentReach && photo < 0; step++) {
            int pos = v.position + aroundDelta(step);
            if (pos < 0 || pos >= len) continue;
            int p = visibleToPhoto(*v.folder, pos);
            if (p >= 0 && p < int(v.thumbs.state.size()) && v.thumbs.state[size_t(p)] == kThumbNotDone) photo = p;
        }
    }
    if (photo < 0) return false;
    buildThumbnail(v, photo);
    return true;
}

bool previewJobStep(Viewer& v, int worker) {
    PreviewJob job;
    {
        LockGuard g(v.cacheLock);
        if (!pickJob(v, worker, &job)) return false;
    }
    processJob(v, job);
    finishJob(v, worker);
    return true;
}

bool scanStep(Viewer& v) {
    if (v.scanComplete) return false;
    if (v.setup.scanStep && v.setup.scanStep(*v.folder, v.cacheLock, v.setup.scanContext)) return true;
    {
        LockGuard g(v.cacheLock);
        v.folder->metadataComplete = true;
    }
    v.scanComplete = true;
    return v.setup.scanStep != nullptr;
}

bool sequentialThumbnail(Viewer& v) {
    int photo = -1;
    {
        LockGuard g(v.cacheLock);
        int n = int(v.thumbs.state.size());
        while (v.seqCursor < n && v.thumbs.state[size_t(v.seqCursor)] != kThumbNotDone) v.seqCursor++;
        if (v.seqCursor < n) photo = v.seqCursor;
    }
    if (photo < 0) return false;
    buildThumbnail(v, photo);
    return true;
}

// Mode 1: the next photo with a thumbnail whose cache file is missing or stale gets one.
bool diskCacheFill(Viewer& v) {
    if (v.setup.cacheMode != kCacheDisk) return false;
    while (!v.stop) {
        std::string path;
        {
            LockGuard g(v.cacheLock);
            int n = int(v.thumbs.state.size());
            while (v.diskCursor < n &&
                   (v.thumbs.state[size_t(v.diskCursor)] != kThumbDone || !v.thumbs.pixels[size_t(v.diskCursor)]))
                v.diskCursor++;
            if (v.diskCursor >= n) return false;
            path = v.folder->photos.path[size_t(v.diskCursor++)];
        }
        PhotoStamp stamp;
        if (!photoStampOf(path, &stamp)) continue;
        std::string file = cacheFileFor(v.cacheFolder, path);
        if (cacheFileCurrent(file, stamp)) continue;
        uint64_t read = 0;
        Bytes src = thumbnailSource(path, &read);
        v.thumbBytesRead += read;
        if (src.size() >= kMinPreviewBytes) writeCacheFile(file, src, stamp);
        return true;
    }
    return false;
}

void builderMain(void* arg) {
    Viewer& v = *static_cast<Viewer*>(arg);
    uint64_t tasks = 0;
    while (!v.stop) {
        if (builderStep(v)) {
            v.idle = false;
            v.builderTasks++;
            if (++tasks % 8 == 0) sleepMs(2);
        } else {
            v.idle = true;
            sleepMs(40);
        }
    }
    // The decoder's per-thread state is released here, not by the thread's exit, which on
    // Windows runs under the loader lock.
    jpegDecoderThreadEnd();
    v.idle = true;
}

void workerMain(void* arg) {
    WorkerThread& w = *static_cast<WorkerThread*>(arg);
    Viewer& v = *w.viewer;
    while (!v.stop)
        if (!previewJobStep(v, w.number)) sleepMs(25);
    jpegDecoderThreadEnd();
}

}  // namespace

bool builderStep(Viewer& v) {
    return urgentThumbnail(v) || previewJobStep(v, 0) || scanStep(v) || sequentialThumbnail(v) || diskCacheFill(v);
}

WinErr viewerStart(Viewer& v) {
    if (v.running || !v.folder) return kErrOk;
    v.stop = false;
    v.idle = false;
    v.seqCursor = 0;
    v.diskCursor = 0;
    viewerPublishPosition(v);
    WinErr e = threadStart(&v.builder, kThreadStack, builderMain, &v);
    if (e) return e;
    v.running = true;
    v.workers.clear();
    v.workers.resize(size_t(v.setup.workerCount - 1));  // never resized while they run
    for (size_t i = 0; i < v.workers.size(); i++) {
        v.workers[i].viewer = &v;
        v.workers[i].number = int(i) + 1;
        threadStart(&v.workers[i].thread, kThreadStack, workerMain, &v.workers[i]);
    }
    return kErrOk;
}

void viewerStop(Viewer& v) {
    if (!v.running) return;
    v.stop = true;
    threadJoin(&v.builder);
    for (WorkerThread& w : v.workers) threadJoin(&w.thread);
    v.workers.clear();
    v.running = false;
    LockGuard g(v.cacheLock);
    std::fill(v.workerJob.begin(), v.workerJob.end(), -1);
}

// [SECTION] showing a photo

namespace {

// Bytes through the JPEG byte cache; on a miss also the file's head for the shot information.
std::shared_ptr<const Bytes> previewBytes(Viewer& v, int photo, const std::string& path, Bytes* head) {
    if (auto hit = jpegCacheLookup(v.jpeg, photo)) {
        v.stats.jpegHits++;
        v.stats.last.jpegHit = true;
        return hit;
    }
    v.stats.jpegMisses++;
    uint64_t t0 = perfCounter();
    PreviewResult r = extractPreview(path);
    v.stats.last.locateMs = double(r.headTicks) * 1000.0 / double(perfFrequency());
    v.stats.last.readMs = std::max(0.0, msSince(t0) - v.stats.last.locateMs);
    if (head) *head = std::move(r.head);
    auto bytes = std::make_shared<const Bytes>(std::move(r.preview));
    jpegCacheInsert(v.jpeg, photo, bytes);
    return bytes;
}

void extractCurrentPreview(Viewer& v, int photo, const std::string& path) {
    Bytes head;
    v.currentJpeg = previewBytes(v, photo, path, &head);
    uint64_t t0 = perfCounter();
    v.shotInfo = head.empty() ? buildShotInfo(path) : buildShotInfoFromHead(path, head);
    v.stats.last.shotMs = msSince(t0);
    if (v.currentJpeg->size() < kMinPreviewBytes) logLine("preview extraction FAILED: " + path);
}

Rect centred(int w, int h, const Rect& area) {
    return Rect{area.x + (area.w - w) / 2, area.y + (area.h - h) / 2, w, h};
}

void pictureInto(ViewPlan& p, const Rect& area, bool scaleToArea) {
    bool sideways = p.rotation == 90 || p.rotation == 270;
    int w = sideways ? p.bh : p.bw, h = sideways ? p.bw : p.bh;
    p.draw = ViewDraw::Picture;
    p.dest = scaleToArea ? fitRect(w, h, area) : centred(w, h, area);
}

}  // namespace

std::shared_ptr<const Bytes> previewJpegFor(Viewer& v, int photo) {
    if (photo < 0 || photo >= v.folder->photos.count) return std::make_shared<const Bytes>();
    return previewBytes(v, photo, v.folder->photos.path[size_t(photo)], nullptr);
}

ViewPlan paintView(Viewer& v, const Rect& area) {
    ViewPlan p;
    if (v.currentPhoto < 0) return p;
    if (!v.currentJpeg || v.currentJpeg->size() < kMinPreviewBytes) {
        p.draw = ViewDraw::NoPreview;
        p.text = text("NoPreview");
        p.r = 200;
        p.g = 90;
        p.b = 70;
        return p;
    }
    if (area.w < 1 || area.h < 1) return p;
    DecodedHit hit;
    bool found = false;
    int orientation = 1;
    int tw = 0, th = 0;
    {
        LockGuard g(v.cacheLock);
        if (!v.frameDragging) setDecodedTarget(v.decoded, area.w, area.h);
        tw = v.decoded.targetW;
        th = v.decoded.targetH;
        orientation = v.folder->photos.orientation[size_t(v.currentPhoto)];
        found = lookupDecoded(v.decoded, v.currentPhoto, tw, th, orientation, &hit);
    }
    p.rotation = rotationForOrientation(orientation);
    if (found) {
        v.stats.decodedHits++;
        p.pixels = hit.pixels;
        p.bw = hit.width;
        p.bh = hit.height;
        p.rotation = hit.rotation;
        p.fromCache = true;
        pictureInto(p, area, v.frameDragging);
        return p;
    }
    v.stats.decodedMisses++;
    const Bytes& jpeg = *v.currentJpeg;
    if (!v.frameDragging) {
        {
            LockGuard g(v.cacheLock);
            v.foregroundJob = v.currentPhoto;
        }
        ScaledPicture sp = decodeScaled(jpeg, area.w, area.h, p.rotation);
        if (sp.code == kDecodeScaled) {
            p.bw = sp.picture.width;
            p.bh = sp.picture.height;
            p.pixels = std::make_shared<const std::vector<uint8_t>>(std::move(sp.picture.pixels));
        }
        {
            LockGuard g(v.cacheLock);
            v.foregroundJob = -1;
            if (p.pixels)
                insertDecoded(v.decoded, v.currentPhoto, area.w, area.h, p.pixels, p.bw, p.bh, p.rotation, orientation);
        }
        if (p.pixels) {
            pictureInto(p, area, false);
            return p;
        }
    }
    Bgra full;
    WinErr e = jpegDecode(jpeg.data(), jpeg.size(), &full);
    if (e) {
        logLine("preview decode FAILED rc=" + std::to_string(e) + " (" + std::to_string(jpeg.size()) + " bytes)");
        return p;
    }
    p.bw = full.width;
    p.bh = full.height;
    p.pixels = std::make_shared<const std::vector<uint8_t>>(std::move(full.pixels));
    p.fullDecode = true;
    pictureInto(p, area, true);
    return p;
}

ShowResult showPhoto(Viewer& v, int position, const Rect& area) {
    ShowResult r;
    uint64_t t0 = perfCounter();
    int photo = visibleToPhoto(*v.folder, position);
    if (photo < 0) return r;
    v.folder->currentPosition = position;
    viewerPublishPosition(v);
    v.stats.last = ShowPhases{};
    ensureThumbnail(v, photo);
    v.stats.last.thumbMs = msSince(t0);
    const std::string& path = v.folder->photos.path[size_t(photo)];
    v.currentPhoto = photo;
    extractCurrentPreview(v, photo, path);
    int orientation = 1;
    bool hasThumb = false;
    {
        LockGuard g(v.cacheLock);
        orientation = v.folder->photos.orientation[size_t(photo)];
        hasThumb = photo < int(v.thumbs.state.size()) && v.thumbs.state[size_t(photo)] == kThumbDone &&
                   v.thumbs.pixels[size_t(photo)];
    }
    logLine("show real#" + std::to_string(photo) + " " + std::string(fileNamePart(path)) +
            " orientation=" + std::to_string(orientation));
    r.shown = true;
    r.title = std::string(kWindowTitle) + " - " + std::string(withoutTrailingSeparator(v.folder->folder));
    uint64_t paintStart = perfCounter();
    r.plan = paintView(v, area);
    v.stats.last.decodeMs = msSince(paintStart);
    r.ms = msSince(t0);
    char ms[32];
    std::snprintf(ms, sizeof ms, "%.1f", r.ms);
    logLine(std::string("shown in ") + ms + " ms");
    // Disk mode: an idle builder fills a cache file the shown photo lacks. Photos without a
    // thumbnail never get one, so they do not restart it.
    if (v.setup.cacheMode == kCacheDisk && v.running && v.idle && hasThumb) {
        PhotoStamp stamp;
        if (photoStampOf(path, &stamp) && !cacheFileCurrent(cacheFileFor(v.cacheFolder, path), stamp)) {
            viewerStop(v);
            viewerStart(v);
            r.builderRestarted = true;
        }
    }
    return r;
}

void setFrameDragging(Viewer& v, bool dragging) { v.frameDragging = dragging; }

// [SECTION] strip

std::vector<StripCell> stripCells(Viewer& v, StripLayout& layout, const Rect& stripArea, int centreX) {
    std::vector<StripCell> cells;
    int cw = std::max(1, layout.cellW);
    int visibleCells = std::max(1, stripArea.w / cw);
    int count = visibleLength(*v.folder);
    int first = firstVisibleFor(layout, v.folder->currentPosition, visibleCells, (centreX - stripArea.x) / cw, count);
    std::string pending = text("ThumbPending"), none = text("ThumbNoPreview");
    LockGuard g(v.cacheLock);
    for (int i = 0; i * cw < stripArea.w; i++) {
        int pos = first + i;
        int photo = visibleToPhoto(*v.folder, pos);
        if (photo < 0) break;
        StripCell c;
        c.position = pos;
        c.photo = photo;
        c.cell = Rect{stripArea.x + i * cw, stripArea.y, cw, layout.stripHeight};
        c.picture = Rect{c.cell.x, c.cell.y, cw, layout.thumbHeight};
        c.selected = pos == v.folder->currentPosition;
        c.rating = v.folder->photos.rating[size_t(photo)];
        c.label = v.folder->photos.label[size_t(photo)];
        bool done = photo < int(v.thumbs.state.size()) && v.thumbs.state[size_t(photo)] == kThumbDone;
        if (!done) {
            c.state = CellState::Pending;
            c.caption = pending;
        } else if (!v.thumbs.pixels[size_t(photo)]) {
            c.state = CellState::NoPreview;
            c.caption = none;
        } else {
            c.state = CellState::Thumbnail;
            c.pixels = v.thumbs.pixels[size_t(photo)];
            c.caption = std::string(fileNamePart(v.folder->photos.path[size_t(photo)]));
        }
        cells.push_back(std::move(c));
    }
    return cells;
}

bool takeThumbsChanged(Viewer& v) { return v.thumbsChanged.exchange(false); }

}  // namespace lv
