// The preview pipeline's parts: the JPEG byte cache, the decoded (view-sized) cache, scaled
// decoding, the worker count and the preview jobs. The engine in viewer.h puts them together;
// every function here works on the structs it is given so each rule can be tested alone.
//
// Locking: the JPEG byte cache belongs to the user-interface thread. The decoded cache, the worker
// table and the per-photo orientation/thumbnail arrays are guarded by Viewer::cacheLock; the
// functions marked "under the lock" expect the caller to hold it.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "metadata/tiff.h"
#include "platform/platform.h"

namespace lv {

struct Viewer;

// [SECTION] orientation
// EXIF orientation -> clockwise rotation in degrees: 3 -> 180, 6 -> 90, 8 -> 270, else 0
// (the mirrored orientations are shown as stored).
int rotationForOrientation(int orientation);

// [SECTION] pixels
// A BGRA picture shared between the cache and whoever draws it; never changed once made.
using PixelBuffer = std::shared_ptr<const std::vector<uint8_t>>;

// [SECTION] JPEG byte cache (user-interface thread only)
inline constexpr int kJpegCacheSlots = 1024;
inline constexpr int kPreviewCacheMBDefault = 256;
struct JpegSlot {
    int photo = -1;  // -1 = free
    std::shared_ptr<const Bytes> bytes;
    uint64_t stamp = 0;
};
struct JpegCache {
    std::vector<JpegSlot> slots;
    uint64_t total = 0;
    uint64_t stampCounter = 0;
    uint64_t budget = 0;  // bytes
};
// The budget from the PreviewCacheMB setting: below 1 -> 256, above 1024 -> 1024, in MiB.
uint64_t jpegBudgetFor(int previewCacheMB);
void initJpegCache(JpegCache& c, int previewCacheMB);
void clearJpegCache(JpegCache& c);
// A stored entry (taking a new stamp), or null.
std::shared_ptr<const Bytes> jpegCacheLookup(JpegCache& c, int photo);
// Stores bytes of 16 or more that fit the budget, evicting the least recently used; a preview
// larger than the whole budget is not stored. True when stored.
bool jpegCacheInsert(JpegCache& c, int photo, std::shared_ptr<const Bytes> bytes);

// [SECTION] decoded cache (under the lock)
inline constexpr int kDecodedSlots = 16;
inline constexpr uint64_t kDecodedBudget = 100663296;  // 96 MiB of pixels
struct DecodedSlot {
    int photo = -1;  // -1 = free
    PixelBuffer pixels;  // null or empty: decoding gave no scaled buffer (a lookup misses)
    int width = 0, height = 0;
    int rotation = 0;     // clockwise degrees to apply at display
    int orientation = 1;  // the photo's orientation when the entry was made
    uint64_t stamp = 0;
};
struct DecodedCache {
    std::vector<DecodedSlot> slots;
    uint64_t total = 0;
    uint64_t stampCounter = 0;
    int targetW = 0, targetH = 0;
    uint64_t budget = kDecodedBudget;
};
struct DecodedHit {
    PixelBuffer pixels;
    int width = 0, height = 0;
    int rotation = 0;
};
void initDecodedCache(DecodedCache& c);
// Empties every slot and sets the target to 0x0 (a folder was opened).
void clearDecodedCache(DecodedCache& c);
// A different size drops every entry and becomes the target.
void setDecodedTarget(DecodedCache& c, int width, int height);
// Hit only for the target size, a stored buffer, and an entry made for the photo's current
// orientation (a stale orientation drops the slot).
bool lookupDecoded(DecodedCache& c, int photo, int width, int height, int currentOrientation, DecodedHit* out);
// Ignored for another size or a photo already present; else stored, evicting least recently
// used entries while the slots or the budget do not allow it. An empty buffer records a photo
// whose decode gave no scaled buffer. True when stored.
bool insertDecoded(DecodedCache& c, int photo, int width, int height, PixelBuffer pixels, int bufW, int bufH,
                   int rotation, int orientation);
// Present at all (an empty entry counts).
bool isDecodedCached(const DecodedCache& c, int photo);
// Present with pixels.
bool hasDecodedPixels(const DecodedCache& c, int photo);

// [SECTION] scaled decoding
enum DecodeCode : int { kDecodeFailed = -1, kDecodeScaled = 0, kDecodeFits = 1 };
struct ScaledPicture {
    int code = kDecodeFailed;
    Bgra picture;  // for kDecodeScaled: the picture in its stored orientation
};
// The size a picture of sw x sh gets inside tw x th once rotated by rotation (90/270 exchange
// the sides): false when it already fits (scale >= 1) or a size is below 1.
bool scaledSizeFor(int sw, int sh, int tw, int th, int rotation, int* outW, int* outH);
// Decodes and scales the JPEG for a tw x th view: kDecodeFits when the picture is not larger
// than the view (no buffer), kDecodeFailed for a bad target, fewer than 16 bytes or bad data.
ScaledPicture decodeScaled(ByteView jpeg, int tw, int th, int rotation);

// [SECTION] workers and jobs
// 1 worker below 4 processors, else half of them, at most 3. Worker 0 is the builder.
int workerCountFor(int processors);
inline constexpr int kPrefetchReach = 4;  // photos each way
struct PreviewJob {
    int photo = -1;
    int width = 0, height = 0;
};
// Under the lock: the first candidate around the current position (current, +1, -1, ... +4,
// -4) that may be decoded in the background, has its orientation known (thumbnail step done),
// is not in the decoded cache and is not another worker's job; recorded as this worker's job.
bool pickJob(Viewer& v, int worker, PreviewJob* job);
// Outside the lock: locate the preview, decode at the job's size, insert the buffer (or an
// empty entry) under the lock.
void processJob(Viewer& v, const PreviewJob& job);
void finishJob(Viewer& v, int worker);

}  // namespace lv
