// Thumbnails for the strip: where their source JPEG comes from, the 160 x 106 rendering, the
// per-photo thumbnail arrays (which also record each photo's orientation) and the disk cache
// that keeps the source JPEGs between runs.
//
// A cache file carries its photo's size and write time in a short trailer after the JPEG bytes
// (decoders stop at the end-of-image marker, so the file is still a plain JPEG). A file whose
// stamp does not match the photo any more, or that has none, is treated as absent and written
// again, so a photo replaced by another file of the same name gets a fresh thumbnail.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "metadata/tiff.h"
#include "viewer/pipeline.h"

namespace lv {

// [SECTION] thumbnail arrays (under the lock)
inline constexpr int kThumbW = 160;
inline constexpr int kThumbH = 106;
inline constexpr uint8_t kThumbBackground = 30;  // (30, 30, 30)
enum ThumbState : uint8_t { kThumbNotDone = 0, kThumbDone = 1 };
struct ThumbStore {
    std::vector<uint8_t> state;     // ThumbState per photo
    std::vector<PixelBuffer> pixels;  // 160 x 106 BGRA, or null when none could be made
    std::vector<int> picW, picH;    // the picture inside the bitmap
};
void resetThumbStore(ThumbStore& t, int count);
// Grows the arrays for photos that joined the list (new entries not done).
void growThumbStore(ThumbStore& t, int count);

// [SECTION] rendering
struct ThumbFit {
    int width = 0, height = 0;  // the picture
    int x = 0, y = 0;           // its offset inside 160 x 106
};
// scale = min(160 / w, 106 / h), also above 1; sizes rounded down (at least 1); centred.
ThumbFit thumbFitFor(int width, int height);
// Rotates a BGRA picture clockwise by 0, 90, 180 or 270 degrees.
Bgra rotateBgra(const Bgra& in, int rotation);
// Decodes the JPEG, rotates it, fits it into 160 x 106 on the background. False (out empty)
// when the JPEG cannot be decoded.
bool renderThumbnail(ByteView jpeg, int orientation, Bgra* out, ThumbFit* fit);
// The EXIF orientation from the first 4096 bytes of a file; 1 on any failure. *bytesRead
// (optional) grows by the bytes read.
int orientationFromFileStart(std::string_view path, uint64_t* bytesRead = nullptr);

// [SECTION] sources
// The embedded thumbnail, else the makers' thumbnail hooks, else the full preview; fewer than 16
// bytes means there is nothing to show. *bytesRead (optional) receives the bytes read from the file.
Bytes thumbnailSource(std::string_view path, uint64_t* bytesRead = nullptr);

// [SECTION] disk cache
// 31-bit FNV-1a over the upper-cased path's UTF-16 code units.
uint32_t folderCacheHash(std::string_view folderPath);
// root + the hash as ten digits + separator; root ends with a separator.
std::string cacheFolderFor(std::string_view root, std::string_view folderPath);
// The cache file of a photo inside its cache folder (thumbnailNameFor's rules).
std::string cacheFileFor(std::string_view cacheFolder, std::string_view photoPath);
// The stamp of the photo as it is now (size and write time); false when it cannot be read.
struct PhotoStamp {
    uint64_t size = 0;
    uint64_t writeTime = 0;
};
bool photoStampOf(std::string_view photoPath, PhotoStamp* out);
// The JPEG bytes of a cache file made for this stamp; empty when the file is absent, shorter than
// 16 bytes, a "BM" bitmap of an older format, unstamped or stamped for another file.
Bytes readCacheFile(std::string_view cacheFile, const PhotoStamp& stamp, uint64_t* bytesRead = nullptr);
// Writes the JPEG with its stamp through a temporary file; on failure creates the cache folder
// and tries once more. A second failure logs "thumbnail cache write failed: " + file.
WinErr writeCacheFile(std::string_view cacheFile, ByteView jpeg, const PhotoStamp& stamp);
// Whether a usable (stamped for this photo) cache file exists, reading only its trailer.
bool cacheFileCurrent(std::string_view cacheFile, const PhotoStamp& stamp);
// Total size of every file in the root's subfolders.
uint64_t cacheSizeOnDisk(std::string_view root);

// [SECTION] the thumbnail step
// Runs the step for one photo of v's folder: orientation, source (through the disk cache in
// mode 1), rendering; stores the result under the lock and sets thumbsChanged.
void buildThumbnail(Viewer& v, int photo);
// The step at once when the photo's state is 0 (before showing it).
void ensureThumbnail(Viewer& v, int photo);

}  // namespace lv
