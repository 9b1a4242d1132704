// From a photo file to the bytes of the image the viewer shows: the extraction pipeline, the
// vendor hooks, the last-resort scan, the embedded thumbnail and the RGB strip wrapped as TIFF.
#include "metadata/preview.h"

#include <algorithm>

#include "metadata/file_ifd.h"
#include "metadata/makernote.h"

namespace lv {

// [SECTION] vendor hooks
namespace {

struct HookLists {
    Lock lock;
    std::vector<PreviewHook> main, thumb;
};
HookLists& hookLists() {
    static HookLists h;
    return h;
}

}  // namespace

void addMainPreviewHook(PreviewHook hook) {
    LockGuard g(hookLists().lock);
    hookLists().main.push_back(hook);
}
void addThumbnailHook(PreviewHook hook) {
    LockGuard g(hookLists().lock);
    hookLists().thumb.push_back(hook);
}
// The maker-note registry hands over its hooks on first use, so every caller sees the same lists.
std::vector<PreviewHook> mainPreviewHooks() {
    registerMakerNoteHooks();
    LockGuard g(hookLists().lock);
    return hookLists().main;
}
std::vector<PreviewHook> thumbnailHooks() {
    registerMakerNoteHooks();
    LockGuard g(hookLists().lock);
    return hookLists().thumb;
}

// [SECTION] extraction
PreviewResult extractPreviewFrom(PhotoFile& f) {
    PreviewResult r;
    if (f.size < kMinPreviewBytes) return r;
    uint64_t t0 = perfCounter();
    if (!readHead(f, &r.head)) {
        r.stats = f.stats;
        return r;
    }
    ByteView head(r.head);
    r.formatIndex = identifyContainer(head);
    r.headTicks = perfCounter() - t0;
    Bytes b;
    for (PreviewHook h : mainPreviewHooks()) {
        b = h(f, head);
        if (!b.empty()) break;
    }
    if (!b.empty()) {
        r.picked.source = "maker-note hook";
        r.picked.length = b.size();
    }
    if (b.empty() && r.formatIndex >= 0) b = containerFormats()[size_t(r.formatIndex)].previewLocator(f, head, &r.picked);
    if (b.empty()) {
        b = fallbackScan(f);
        r.picked = EmbeddedImage();
        if (!b.empty()) r.picked.source = "fallback scan", r.picked.length = b.size();
    }
    if (b.size() >= kMinPreviewBytes) {
        r.preview = std::move(b);
        if (!r.picked.width) {
            FrameSize fs = jpegFrameSize(ByteView(r.preview.data(), std::min<size_t>(r.preview.size(), 4096)), 0);
            r.picked.width = fs.width, r.picked.height = fs.height, r.picked.marker = fs.marker;
        }
    } else {
        r.picked = EmbeddedImage();
    }
    r.stats = f.stats;
    return r;
}

PreviewResult extractPreview(std::string_view path) {
    PhotoFile f;
    PreviewResult r;
    uint64_t t0 = perfCounter();
    r.error = photoOpen(path, &f);
    if (r.error) return r;
    uint64_t opened = perfCounter() - t0;
    r = extractPreviewFrom(f);
    r.headTicks += opened;
    photoClose(&f);
    return r;
}

// [SECTION] fallback scan
namespace {

constexpr uint64_t kScanChunk = 1u << 20;
constexpr uint64_t kScanEndFrom = 199999;  // end markers before this belong to thumbnails

// First position >= from where the two bytes a, b occur within the scan limit; -1 when none.
// Reads in chunks so a huge file never sits in memory whole.
int64_t scanFor(PhotoFile& f, uint64_t from, uint8_t a, uint8_t b) {
    Bytes chunk;
    ByteView none;
    const uint64_t end = std::min(f.size, kFallbackScanBytes);
    for (uint64_t pos = from; pos + 1 < end;) {
        uint64_t n = std::min<uint64_t>(kScanChunk, end - pos);
        if (!readRange(f, none, pos, n, &chunk) || chunk.size() < 2) return -1;
        for (size_t i = 0; i + 1 < chunk.size(); i++)
            if (chunk[i] == a && chunk[i + 1] == b) return int64_t(pos + i);
        pos += chunk.size() - 1;  // the last byte may begin a pair that ends in the next chunk
    }
    return -1;
}

}  // namespace

Bytes fallbackScan(PhotoFile& f) {
    int64_t soi = scanFor(f, 0, 0xFF, 0xD8);
    if (soi < 0) return {};
    Bytes first;
    ByteView none;
    if (!readRange(f, none, uint64_t(soi), 4096, &first)) return {};
    FrameSize fs = jpegFrameSize(first, 0);
    if (fs.marker != 0xC0 && fs.marker != 0xC1 && fs.marker != 0xC2) return {};
    int64_t eoi = scanFor(f, std::max<uint64_t>(uint64_t(soi) + 2, kScanEndFrom), 0xFF, 0xD9);
    if (eoi < 0) return {};
    uint64_t len = uint64_t(eoi) + 2 - uint64_t(soi);
    if (len > kMaxPreview64) return {};
    Bytes out;
    if (!readRange(f, none, uint64_t(soi), len, &out) || out.size() != len) return {};
    return out;
}

// [SECTION] thumbnail
namespace {

// The classic EXIF thumbnail: IFD1 of the container's TIFF, offsets relative to its base.
bool exifThumbnail(ByteView h, int fi, int64_t* off, int64_t* len) {
    int64_t t = locateTiff(h, fi);
    if (t < 0 || !h.has(t, 8)) return false;
    bool le = tiffLittleEndian(h, t);
    uint32_t ifd1 = nextIfd(h, t + int64_t(readU32(h, t + 4, le)), le);
    if (!ifd1) return false;
    int64_t p = t + int64_t(ifd1);
    int64_t eo = findTag(h, p, le, 0x0201), el = findTag(h, p, le, 0x0202);
    if (!eo || !el) return false;
    uint32_t o = entryValue(h, eo, le), l = entryValue(h, el, le);
    if (o < 1 || l < 16) return false;
    *off = t + int64_t(o);
    *len = int64_t(l);
    return true;
}

}  // namespace

Bytes extractThumbnailFrom(PhotoFile& f) {
    if (f.size < kMinPreviewBytes) return {};
    Bytes head;
    ByteView none;
    for (uint64_t want : {kThumbHeadSize, kHeadSize}) {
        uint64_t n = std::min(f.size, want);
        if (n <= head.size()) break;
        // A second round reads only what the first did not.
        Bytes more;
        uint64_t have = head.size();
        if (!readRange(f, none, have, n - have, &more) || more.size() != n - have) return {};
        head.insert(head.end(), more.begin(), more.end());
        f.headFileBytes = n;
        int fi = identifyContainer(head);
        if (fi < 0) return {};
        const ContainerFormat& c = containerFormats()[size_t(fi)];
        int64_t off = 0, len = 0;
        bool found = c.thumbnailLocator ? c.thumbnailLocator(head, &off, &len) : exifThumbnail(head, fi, &off, &len);
        // Not found or running past what was read: a bigger head may hold it.
        if (!found || !ByteView(head).has(off, len)) continue;
        if (len < 2 || head[size_t(off)] != 0xFF || head[size_t(off) + 1] != 0xD8) return {};
        return Bytes(head.begin() + off, head.begin() + off + len);
    }
    return {};
}

Bytes extractThumbnail(std::string_view path) {
    PhotoFile f;
    if (photoOpen(path, &f)) return {};
    Bytes b = extractThumbnailFrom(f);
    photoClose(&f);
    return b;
}

// [SECTION] RGB strip as TIFF
Bytes synthesiseRgbTiff(ByteView rgb, int width, int height, int reduction) {
    if (width <= 0 || height <= 0 || reduction < 1) return {};
    uint64_t need = uint64_t(width) * uint64_t(height) * 3;
    if (need > rgb.size || need > kMaxPreview64) return {};
    int ow = width / reduction, oh = height / reduction;
    if (ow < 1 || oh < 1) return {};
    uint64_t pixelBytes = uint64_t(ow) * uint64_t(oh) * 3;
    const uint32_t kEntries = 10, kIfd = 8, kBits = kIfd + 2 + 12 * kEntries + 4, kData = kBits + 6;
    Bytes t(kData + size_t(pixelBytes));
    auto p16 = [&](size_t at, uint32_t v) { t[at] = uint8_t(v), t[at + 1] = uint8_t(v >> 8); };
    auto p32 = [&](size_t at, uint32_t v) { p16(at, v & 0xFFFF), p16(at + 2, v >> 16); };
    t[0] = 'I', t[1] = 'I';
    p16(2, 42);
    p32(4, kIfd);
    p16(kIfd, kEntries);
    struct E {
        uint16_t tag, type;
        uint32_t count, value;
    };
    const E entries[kEntries] = {
        {0x0100, 4, 1, uint32_t(ow)},  {0x0101, 4, 1, uint32_t(oh)},       {0x0102, 3, 3, kBits},
        {0x0103, 3, 1, 1},             {0x0106, 3, 1, 2},                  {0x0111, 4, 1, kData},
        {0x0115, 3, 1, 3},             {0x0116, 4, 1, uint32_t(oh)},       {0x0117, 4, 1, uint32_t(pixelBytes)},
        {0x011C, 3, 1, 1},
    };
    for (uint32_t i = 0; i < kEntries; i++) {
        size_t e = kIfd + 2 + 12 * i;
        p16(e, entries[i].tag);
        p16(e + 2, entries[i].type);
        p32(e + 4, entries[i].count);
        if (entries[i].type == 3 && entries[i].count == 1)
            p16(e + 8, entries[i].value);
        else
            p32(e + 8, entries[i].value);
    }
    p32(kIfd + 2 + 12 * kEntries, 0);
    p16(kBits, 8), p16(kBits + 2, 8), p16(kBits + 4, 8);
    uint8_t* out = t.data() + kData;
    if (reduction == 1) {
        std::copy(rgb.data, rgb.data + pixelBytes, out);
        return t;
    }
    uint32_t block = uint32_t(reduction) * uint32_t(reduction);
    for (int y = 0; y < oh; y++)
        for (int x = 0; x < ow; x++)
            for (int c = 0; c < 3; c++) {
                uint32_t sum = 0;
                for (int dy = 0; dy < reduction; dy++) {
                    const uint8_t* row = rgb.data + (size_t(y * reduction + dy) * size_t(width) + size_t(x * reduction)) * 3;
                    for (int dx = 0; dx < reduction; dx++) sum += row[dx * 3 + c];
                }
                *out++ = uint8_t((sum + block / 2) / block);
            }
    return t;
}

Bytes rgbStripTiff(PhotoFile& f, ByteView head, int reduction) {
    uint64_t bestOff = 0;
    int64_t bestW = 0, bestH = 0;
    for (const WalkedIfd& w : walkTiffIfds(f, head, true)) {
        const FileIfd& d = w.ifd;
        if (fileIfdValue(d, 0x0103) != 1 || fileIfdValue(d, 0x0106) != 2 || fileIfdValue(d, 0x0115) != 3) continue;
        if (fileIfdCount(d, 0x0111) != 1) continue;
        int64_t e = fileIfdFind(d, 0x0102);
        if (!e) continue;
        uint32_t bits = entryValue(d.bytes, e, d.le);
        if (entryCount(d.bytes, e, d.le) > 2) {
            Bytes b;
            if (!readRange(f, head, d.base + entryValue(d.bytes, e, d.le), 2, &b) || b.size() != 2) continue;
            bits = readU16(b, 0, d.le);
        }
        int64_t wd = fileIfdValue(d, 0x0100, 0), ht = fileIfdValue(d, 0x0101, 0);
        int64_t off = fileIfdValue(d, 0x0111, 0);
        if (bits != 8 || wd <= 0 || ht <= 0 || off <= 0) continue;
        uint64_t bytes = uint64_t(wd) * uint64_t(ht) * 3;
        if (bytes > kMaxPreview64 || uint64_t(off) > f.size || bytes > f.size - uint64_t(off)) continue;
        if (wd * ht > bestW * bestH) bestW = wd, bestH = ht, bestOff = d.base + uint64_t(off);
    }
    if (!bestW) return {};
    Bytes rgb;
    if (!readRange(f, head, bestOff, uint64_t(bestW) * uint64_t(bestH) * 3, &rgb)) return {};
    return synthesiseRgbTiff(rgb, int(bestW), int(bestH), reduction);
}

}  // namespace lv
