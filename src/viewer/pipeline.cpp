// The preview caches, scaled decoding and the preview jobs of the workers.
#include "viewer/pipeline.h"

#include <algorithm>
#include <cmath>

#include "library/filekinds.h"
#include "metadata/preview.h"
#include "viewer/viewer.h"

namespace lv {

int rotationForOrientation(int orientation) {
    switch (orientation) {
        case 3: return 180;
        case 6: return 90;
        case 8: return 270;
        default: return 0;
    }
}

// [SECTION] JPEG byte cache

uint64_t jpegBudgetFor(int mb) {
    if (mb < 1) mb = kPreviewCacheMBDefault;
    if (mb > 1024) mb = 1024;
    return uint64_t(mb) * 1048576u;
}

void initJpegCache(JpegCache& c, int previewCacheMB) {
    c.slots.assign(kJpegCacheSlots, JpegSlot{});
    c.total = 0;
    c.stampCounter = 0;
    c.budget = jpegBudgetFor(previewCacheMB);
}

void clearJpegCache(JpegCache& c) {
    for (JpegSlot& s : c.slots) s = JpegSlot{};
    c.total = 0;
    c.stampCounter = 0;
}

std::shared_ptr<const Bytes> jpegCacheLookup(JpegCache& c, int photo) {
    for (JpegSlot& s : c.slots)
        if (s.photo == photo && photo >= 0) {
            s.stamp = ++c.stampCounter;
            return s.bytes;
        }
    return nullptr;
}

namespace {

// The occupied slot with the smallest stamp, or -1.
template <class Slots>
int oldestSlot(const Slots& slots) {
    int best = -1;
    for (size_t i = 0; i < slots.size(); i++)
        if (slots[i].photo >= 0 && (best < 0 || slots[i].stamp < slots[size_t(best)].stamp)) best = int(i);
    return best;
}

template <class Slots>
int freeSlot(const Slots& slots) {
    for (size_t i = 0; i < slots.size(); i++)
        if (slots[i].photo < 0) return int(i);
    return -1;
}

// A free slot with room for len more bytes, evicting the least recently used entries until there
// is one; -1 when even an empty cache has no room.
template <class Cache, class SizeOf>
int makeRoom(Cache& c, uint64_t len, SizeOf sizeOf) {
    if (len > c.budget) return -1;
    for (;;) {
        int f = freeSlot(c.slots);
        if (f >= 0 && c.total + len <= c.budget) return f;
        int old = oldestSlot(c.slots);
        if (old < 0) return -1;
        c.total -= sizeOf(c.slots[size_t(old)]);
        c.slots[size_t(old)] = {};
    }
}

}  // namespace

bool jpegCacheInsert(JpegCache& c, int photo, std::shared_ptr<const Bytes> bytes) {
    if (photo < 0 || !bytes || bytes->size() < kMinPreviewBytes || c.slots.empty()) return false;
    uint64_t len = bytes->size();
    int f = makeRoom(c, len, [](const JpegSlot& s) { return s.bytes ? uint64_t(s.bytes->size()) : 0; });
    if (f < 0) return false;
    JpegSlot& s = c.slots[size_t(f)];
    s.photo = photo;
    s.bytes = std::move(bytes);
    s.stamp = ++c.stampCounter;
    c.total += len;
    return true;
}

// [SECTION] decoded cache

namespace {

uint64_t slotBytes(const DecodedSlot& s) { return s.pixels ? s.pixels->size() : 0; }

void dropSlot(DecodedCache& c, DecodedSlot& s) {
    c.total -= slotBytes(s);
    s = DecodedSlot{};
}

}  // namespace

void initDecodedCache(DecodedCache& c) {
    c.slots.assign(kDecodedSlots, DecodedSlot{});
    c.total = 0;
    c.stampCounter = 0;
    c.targetW = c.targetH = 0;
}

void clearDecodedCache(DecodedCache& c) {
    for (DecodedSlot& s : c.slots) s = DecodedSlot{};
    c.total = 0;
    c.stampCounter = 0;
    c.targetW = c.targetH = 0;
}

void setDecodedTarget(DecodedCache& c, int width, int height) {
    if (width == c.targetW && height == c.targetH) return;
    for (DecodedSlot& s : c.slots) s = DecodedSlot{};
    c.total = 0;
    c.stampCounter = 0;
    c.targetW = width;
    c.targetH = height;
}

bool lookupDecoded(DecodedCache& c, int photo, int width, int height, int currentOrientation, DecodedHit* out) {
    if (photo < 0 || width != c.targetW || height != c.targetH) return false;
    for (DecodedSlot& s : c.slots) {
        if (s.photo != photo) continue;
        if (s.orientation != currentOrientation) {
            dropSlot(c, s);
            return false;
        }
        if (!s.pixels || s.pixels->empty()) return false;
        s.stamp = ++c.stampCounter;
        out->pixels = s.pixels;
        out->width = s.width;
        out->height = s.height;
        out->rotation = s.rotation;
        return true;
    }
    return false;
}

bool insertDecoded(DecodedCache& c, int photo, int width, int height, PixelBuffer pixels, int bufW, int bufH,
                   int rotation, int orientation) {
    if (photo < 0 || c.slots.empty() || width != c.targetW || height != c.targetH) return false;
    if (isDecodedCached(c, photo)) return false;
    uint64_t len = pixels ? pixels->size() : 0;
    int f = makeRoom(c, len, slotBytes);
    if (f < 0) return false;
    DecodedSlot& s = c.slots[size_t(f)];
    s.photo = photo;
    s.pixels = std::move(pixels);
    s.width = bufW;
    s.height = bufH;
    s.rotation = rotation;
    s.orientation = orientation;
    s.stamp = ++c.stampCounter;
    c.total += len;
    return true;
}

bool isDecodedCached(const DecodedCache& c, int photo) {
    for (const DecodedSlot& s : c.slots)
        if (s.photo == photo && photo >= 0) return true;
    return false;
}

bool hasDecodedPixels(const DecodedCache& c, int photo) {
    for (const DecodedSlot& s : c.slots)
        if (s.photo == photo && photo >= 0) return s.pixels && !s.pixels->empty();
    return false;
}

// [SECTION] scaled decoding

bool scaledSizeFor(int sw, int sh, int tw, int th, int rotation, int* outW, int* outH) {
    if (sw < 1 || sh < 1 || tw < 1 || th < 1) return false;
    bool sideways = rotation == 90 || rotation == 270;
    double scale = sideways ? std::min(double(tw) / sh, double(th) / sw) : std::min(double(tw) / sw, double(th) / sh);
    if (scale >= 1.0) return false;
    *outW = std::max(1, int(std::floor(sw * scale)));
    *outH = std::max(1, int(std::floor(sh * scale)));
    return true;
}

ScaledPicture decodeScaled(ByteView jpeg, int tw, int th, int rotation) {
    ScaledPicture r;
    if (tw < 1 || th < 1 || jpeg.size < kMinPreviewBytes) return r;
    int sw = 0, sh = 0;
    if (jpegSize(jpeg.data, jpeg.size, &sw, &sh) || sw < 1 || sh < 1) return r;
    int ow = 0, oh = 0;
    if (!scaledSizeFor(sw, sh, tw, th, rotation, &ow, &oh)) {
        r.code = kDecodeFits;
        return r;
    }
    if (jpegDecodeScaled(jpeg.data, jpeg.size, ow, oh, &r.picture)) {
        r.picture = Bgra{};
        return r;
    }
    r.code = kDecodeScaled;
    return r;
}

// [SECTION] workers and jobs

int workerCountFor(int processors) {
    if (processors < 4) return 1;
    return std::min(processors / 2, 3);
}

bool pickJob(Viewer& v, int worker, PreviewJob* job) {
    const FolderState& f = *v.folder;
    if (v.decoded.slots.empty() || worker < 0 || worker >= int(v.workerJob.size())) return false;
    int len = visibleLength(f);
    if (len <= 0 || v.decoded.targetW < 1 || v.decoded.targetH < 1) return false;
    int cur = v.position;
    for (int step = 0; step <= 2 * kPrefetchReach; step++) {
        int delta = (step + 1) / 2 * (step % 2 ? 1 : -1);
        int pos = cur + delta;
        if (pos < 0 || pos >= len) continue;
        int photo = visibleToPhoto(f, pos);
        if (photo < 0 || photo >= int(v.thumbs.state.size())) continue;
        if (v.thumbs.state[size_t(photo)] != kThumbDone) continue;
        if (isDecodedCached(v.decoded, photo)) continue;
        if (photo == v.foregroundJob) continue;  // being decoded for the screen: no second decode
        if (std::find(v.workerJob.begin(), v.workerJob.end(), photo) != v.workerJob.end()) continue;
        if (!poolDecodeAllowed(f.photos.path[size_t(photo)])) continue;
        v.workerJob[size_t(worker)] = photo;
        job->photo = photo;
        job->width = v.decoded.targetW;
        job->height = v.decoded.targetH;
        return true;
    }
    return false;
}

void processJob(Viewer& v, const PreviewJob& job) {
    std::string path;
    int orientation = 1;
    {
        LockGuard g(v.cacheLock);
        path = v.folder->photos.path[size_t(job.photo)];
        orientation = v.folder->photos.orientation[size_t(job.photo)];
    }
    PreviewResult pr = extractPreview(path);
    int rotation = rotationForOrientation(orientation);
    ScaledPicture sp;
    if (pr.preview.size() >= kMinPreviewBytes) sp = decodeScaled(pr.preview, job.width, job.height, rotation);
    PixelBuffer pixels;
    if (sp.code == kDecodeScaled)
        pixels = std::make_shared<const std::vector<uint8_t>>(std::move(sp.picture.pixels));
    LockGuard g(v.cacheLock);
    insertDecoded(v.decoded, job.photo, job.width, job.height, std::move(pixels), sp.picture.width,
                  sp.picture.height, rotation, orientation);
}

void finishJob(Viewer& v, int worker) {
    LockGuard g(v.cacheLock);
    if (worker >= 0 && worker < int(v.workerJob.size())) v.workerJob[size_t(worker)] = -1;
}

}  // namespace lv
