// Thumbnails: sources, rendering into 160 x 106, the disk cache and the thumbnail step.
#include "viewer/thumbnails.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/diaglog.h"
#include "core/pathname.h"
#include "library/filekinds.h"
#include "metadata/preview.h"
#include "platform/resample.h"
#include "viewer/viewer.h"

namespace lv {

// [SECTION] thumbnail arrays

void resetThumbStore(ThumbStore& t, int count) {
    size_t n = size_t(std::max(count, 0));
    t.state.assign(n, kThumbNotDone);
    t.pixels.assign(n, nullptr);
    t.picW.assign(n, 0);
    t.picH.assign(n, 0);
}

void growThumbStore(ThumbStore& t, int count) {
    size_t n = size_t(std::max(count, 0));
    if (n <= t.state.size()) return;
    t.state.resize(n, kThumbNotDone);
    t.pixels.resize(n);
    t.picW.resize(n, 0);
    t.picH.resize(n, 0);
}

// [SECTION] rendering

ThumbFit thumbFitFor(int width, int height) {
    ThumbFit f;
    if (width < 1 || height < 1) return f;
    double scale = std::min(double(kThumbW) / width, double(kThumbH) / height);
    f.width = std::clamp(int(std::floor(width * scale)), 1, kThumbW);
    f.height = std::clamp(int(std::floor(height * scale)), 1, kThumbH);
    f.x = (kThumbW - f.width) / 2;
    f.y = (kThumbH - f.height) / 2;
    return f;
}

Bgra rotateBgra(const Bgra& in, int rotation) {
    if (rotation != 90 && rotation != 180 && rotation != 270) return in;
    Bgra out;
    int w = in.width, h = in.height;
    bool sideways = rotation != 180;
    out.width = sideways ? h : w;
    out.height = sideways ? w : h;
    out.pixels.resize(in.pixels.size());
    const uint32_t* src = reinterpret_cast<const uint32_t*>(in.pixels.data());
    uint32_t* dst = reinterpret_cast<uint32_t*>(out.pixels.data());
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            int dx, dy;
            if (rotation == 90) {
                dx = h - 1 - y;
                dy = x;
            } else if (rotation == 180) {
                dx = w - 1 - x;
                dy = h - 1 - y;
            } else {
                dx = y;
                dy = w - 1 - x;
            }
            dst[size_t(dy) * size_t(out.width) + size_t(dx)] = src[size_t(y) * size_t(w) + size_t(x)];
        }
    return out;
}

bool renderThumbnail(ByteView jpeg, int orientation, Bgra* out, ThumbFit* fit) {
    *out = Bgra{};
    int sw = 0, sh = 0;
    if (jpeg.size < kMinPreviewBytes || jpegSize(jpeg.data, jpeg.size, &sw, &sh) || sw < 1 || sh < 1) return false;
    int rotation = rotationForOrientation(orientation);
    bool sideways = rotation == 90 || rotation == 270;
    ThumbFit f = thumbFitFor(sideways ? sh : sw, sideways ? sw : sh);
    // Scaled straight to the picture's size in its stored orientation, then turned: the same
    // pixels as decoding whole and drawing it scaled, without the full-size buffer.
    Bgra pic;
    if (jpegDecodeScaled(jpeg.data, jpeg.size, sideways ? f.height : f.width, sideways ? f.width : f.height, &pic))
        return false;
    pic = rotateBgra(pic, rotation);
    out->width = kThumbW;
    out->height = kThumbH;
    out->pixels.resize(size_t(kThumbW) * kThumbH * 4);
    for (size_t i = 0; i < out->pixels.size(); i += 4) {
        out->pixels[i] = out->pixels[i + 1] = out->pixels[i + 2] = kThumbBackground;
        out->pixels[i + 3] = 255;
    }
    for (int y = 0; y < pic.height && y + f.y < kThumbH; y++)
        std::memcpy(&out->pixels[(size_t(y + f.y) * kThumbW + size_t(f.x)) * 4], &pic.pixels[size_t(y) * size_t(pic.width) * 4],
                    size_t(std::min(pic.width, kThumbW - f.x)) * 4);
    if (fit) *fit = f;
    return true;
}

int orientationFromFileStart(std::string_view path, uint64_t* bytesRead) {
    FileHandle h;
    if (fileOpenRead(path, &h)) return 1;
    Bytes head(4096);
    size_t got = 0;
    WinErr e = fileReadAt(h, 0, head.data(), head.size(), &got);
    fileClose(&h);
    if (bytesRead) *bytesRead += got;
    if (e || got < 8) return 1;
    head.resize(got);
    int fmt = identifyContainer(head);
    if (fmt < 0) return 1;
    int o = readOrientation(head, fmt);
    return o >= 1 && o <= 8 ? o : 1;
}

// [SECTION] sources

Bytes thumbnailSource(std::string_view path, uint64_t* bytesRead) {
    PhotoFile f;
    if (photoOpen(path, &f)) return {};
    Bytes b = extractThumbnailFrom(f);
    if (b.size() < kMinPreviewBytes) {
        b.clear();
        Bytes head;
        if (readHead(f, &head))
            for (PreviewHook h : thumbnailHooks()) {
                b = h(f, head);
                if (b.size() >= kMinPreviewBytes) break;
                b.clear();
            }
    }
    if (b.size() < kMinPreviewBytes) b = extractPreviewFrom(f).preview;
    if (bytesRead) *bytesRead = f.stats.bytes;
    photoClose(&f);
    if (b.size() < kMinPreviewBytes) b.clear();
    return b;
}

// [SECTION] disk cache

uint32_t folderCacheHash(std::string_view folderPath) {
    std::u16string units = utf16FromUtf8(upperAscii(withoutTrailingSeparator(folderPath)));
    uint32_t h = 2166136261u;
    for (char16_t c : units) {
        h ^= uint32_t(c);
        h *= 16777619u;
    }
    return h & 2147483647u;
}

std::string cacheFolderFor(std::string_view root, std::string_view folderPath) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%010u", folderCacheHash(folderPath));
    return withTrailingSeparator(root) + digits + separatorOf(kNativeStyle);
}

std::string cacheFileFor(std::string_view cacheFolder, std::string_view photoPath) {
    return std::string(cacheFolder) + thumbnailNameFor(fileNamePart(photoPath));
}

namespace {

// The stamp after the JPEG: photo size, photo write time (little-endian), then the magic.
constexpr char kStampMagic[8] = {'L', 'V', 'T', 'H', 'U', 'M', 'B', '1'};
constexpr size_t kStampBytes = 24;

void putU64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; i++) p[i] = uint8_t(v >> (8 * i));
}
uint64_t getU64(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 0; i < 8; i++) v |= uint64_t(p[i]) << (8 * i);
    return v;
}

bool stampMatches(const uint8_t* trailer, const PhotoStamp& s) {
    return std::memcmp(trailer + 16, kStampMagic, 8) == 0 && getU64(trailer) == s.size &&
           getU64(trailer + 8) == s.writeTime;
}

}  // namespace

bool photoStampOf(std::string_view photoPath, PhotoStamp* out) {
    FileHandle h;
    if (fileOpenRead(photoPath, &h)) return false;
    bool ok = !fileSize(h, &out->size) && !fileGetWriteTime(h, &out->writeTime);
    fileClose(&h);
    return ok;
}

Bytes readCacheFile(std::string_view cacheFile, const PhotoStamp& stamp, uint64_t* bytesRead) {
    std::string data;
    if (fileReadAll(cacheFile, &data, kMaxPreview64 + kStampBytes)) return {};
    if (bytesRead) *bytesRead += data.size();
    if (data.size() < kMinPreviewBytes + kStampBytes || (data[0] == 'B' && data[1] == 'M')) return {};
    const uint8_t* p = reinterpret_cast<const uint8_t*>(data.data());
    if (!stampMatches(p + data.size() - kStampBytes, stamp)) return {};
    return Bytes(p, p + data.size() - kStampBytes);
}

bool cacheFileCurrent(std::string_view cacheFile, const PhotoStamp& stamp) {
    FileHandle h;
    if (fileOpenRead(cacheFile, &h)) return false;
    uint64_t size = 0;
    uint8_t head[2] = {0, 0}, trailer[kStampBytes];
    size_t got = 0, got2 = 0;
    bool ok = !fileSize(h, &size) && size >= kMinPreviewBytes + kStampBytes &&
              !fileReadAt(h, 0, head, 2, &got) && got == 2 && !(head[0] == 'B' && head[1] == 'M') &&
              !fileReadAt(h, size - kStampBytes, trailer, kStampBytes, &got2) && got2 == kStampBytes &&
              stampMatches(trailer, stamp);
    fileClose(&h);
    return ok;
}

namespace {

WinErr writeStamped(const std::string& file, ByteView jpeg, const PhotoStamp& stamp) {
    // A temporary file of its own per writer: the builder and the user-interface thread may
    // write the same photo's file at once, and the last one wins with a whole file.
    TempFile t;
    WinErr e = tempCreate(file, &t);
    if (e) return e;
    uint8_t trailer[kStampBytes];
    putU64(trailer, stamp.size);
    putU64(trailer + 8, stamp.writeTime);
    std::memcpy(trailer + 16, kStampMagic, 8);
    e = fileWrite(t.f, jpeg.data, jpeg.size);
    if (!e) e = fileWrite(t.f, trailer, kStampBytes);
    if (!e) e = tempCommit(&t, file);
    tempDiscard(&t);  // after a failure our own half-written temporary, never the user's file
    return e;
}

}  // namespace

WinErr writeCacheFile(std::string_view cacheFile, ByteView jpeg, const PhotoStamp& stamp) {
    std::string file(cacheFile);
    WinErr e = writeStamped(file, jpeg, stamp);
    if (!e) return e;
    folderCreateAll(folderPart(file));
    e = writeStamped(file, jpeg, stamp);
    if (e) logLine("thumbnail cache write failed: " + file);
    return e;
}

uint64_t cacheSizeOnDisk(std::string_view root) {
    std::vector<DirEntry> folders;
    if (listFolder(root, &folders)) return 0;
    uint64_t total = 0;
    for (const DirEntry& d : folders) {
        if (!d.isFolder || d.reparse) continue;
        std::vector<DirEntry> files;
        if (listFolder(joinPath(root, d.name), &files)) continue;
        for (const DirEntry& f : files)
            if (!f.isFolder) total += f.size;
    }
    return total;
}

// [SECTION] the thumbnail step

void buildThumbnail(Viewer& v, int photo) {
    std::string path;
    {
        LockGuard g(v.cacheLock);
        if (photo < 0 || photo >= int(v.thumbs.state.size()) || photo >= int(v.folder->photos.path.size())) return;
        path = v.folder->photos.path[size_t(photo)];
    }
    uint64_t read = 0;
    int orientation = orientationFromFileStart(path, &read);
    {
        LockGuard g(v.cacheLock);
        v.folder->photos.orientation[size_t(photo)] = orientation;
    }
    Bytes src;
    if (v.setup.cacheMode == 1) {
        PhotoStamp stamp;
        bool stamped = photoStampOf(path, &stamp);
        std::string file = cacheFileFor(v.cacheFolder, path);
        if (stamped) src = readCacheFile(file, stamp, &read);
        if (src.size() < kMinPreviewBytes) {
            uint64_t n = 0;
            src = thumbnailSource(path, &n);
            read += n;
            if (stamped && src.size() >= kMinPreviewBytes) writeCacheFile(file, src, stamp);
        }
    } else {
        src = thumbnailSource(path, &read);
    }
    v.thumbBytesRead += read;
    Bgra pic;
    ThumbFit fit;
    bool ok = false;
    if (src.size() < kMinPreviewBytes) {
        logLine("thumbnail source empty: " + path);
    } else if (!(ok = renderThumbnail(src, orientation, &pic, &fit))) {
        logLine("thumbnail decode failed: " + path);
    }
    LockGuard g(v.cacheLock);
    if (photo >= int(v.thumbs.state.size())) return;
    size_t i = size_t(photo);
    v.thumbs.pixels[i] = ok ? std::make_shared<const std::vector<uint8_t>>(std::move(pic.pixels)) : nullptr;
    v.thumbs.picW[i] = ok ? fit.width : 0;
    v.thumbs.picH[i] = ok ? fit.height : 0;
    v.thumbs.state[i] = kThumbDone;
    v.thumbsChanged = true;
}

void ensureThumbnail(Viewer& v, int photo) {
    {
        LockGuard g(v.cacheLock);
        if (photo < 0 || photo >= int(v.thumbs.state.size()) || v.thumbs.state[size_t(photo)] != kThumbNotDone) return;
    }
    buildThumbnail(v, photo);
}

}  // namespace lv
