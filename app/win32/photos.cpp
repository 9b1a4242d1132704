// Where the window's pictures come from until the viewer engine's caches and workers take over:
// the current photo is read, decoded to the photo area and turned upright on the UI thread;
// thumbnails are made a few at a time from the housekeeping timer, nearest the strip first.
#include <algorithm>

#include "core/pathname.h"
#include "metadata/preview.h"
#include "metadata/shot_info.h"
#include "shell.h"

namespace {

// [SECTION] orientation
// EXIF orientation 1..8 applied to a decoded picture (5..8 swap width and height).
lv::Bgra orient(const lv::Bgra& in, int o) {
    if (o < 2 || o > 8) return in;
    bool swap = o >= 5;
    lv::Bgra out;
    out.width = swap ? in.height : in.width;
    out.height = swap ? in.width : in.height;
    out.pixels.resize(size_t(out.width) * size_t(out.height) * 4);
    const uint32_t* src = reinterpret_cast<const uint32_t*>(in.pixels.data());
    uint32_t* dst = reinterpret_cast<uint32_t*>(out.pixels.data());
    int W = in.width, H = in.height;
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++) {
            int dx = x, dy = y;
            switch (o) {
                case 2: dx = W - 1 - x; break;
                case 3: dx = W - 1 - x; dy = H - 1 - y; break;
                case 4: dy = H - 1 - y; break;
                case 5: dx = y; dy = x; break;
                case 6: dx = H - 1 - y; dy = x; break;
                case 7: dx = H - 1 - y; dy = W - 1 - x; break;
                case 8: dx = y; dy = W - 1 - x; break;
            }
            dst[size_t(dy) * size_t(out.width) + size_t(dx)] = src[size_t(y) * size_t(W) + size_t(x)];
        }
    }
    return out;
}

// Decodes jpeg to fit boxW x boxH after turning it by o (enlarged at most maxScale
// times); false when it is not a readable JPEG.
bool decodeToFit(const lv::Bytes& jpeg, int o, int boxW, int boxH, double maxScale, lv::Bgra* out) {
    int w = 0, h = 0;
    if (jpeg.empty() || lv::jpegSize(jpeg.data(), jpeg.size(), &w, &h) != 0 || w <= 0 || h <= 0) return false;
    bool swap = o >= 5 && o <= 8;
    int ow = swap ? h : w, oh = swap ? w : h;  // upright size
    double s = std::min(double(boxW) / ow, double(boxH) / oh);
    s = std::min(s, maxScale);
    int dw = std::max(1, int(ow * s + 0.5)), dh = std::max(1, int(oh * s + 0.5));
    lv::Bgra raw;
    if (lv::jpegDecodeScaled(jpeg.data(), jpeg.size(), swap ? dh : dw, swap ? dw : dh, &raw) != 0) return false;
    *out = orient(raw, o);
    return true;
}

}  // namespace

// [SECTION] the current photo
void loadShownPhoto(int index) {
    g.shownIndex = index;
    g.photo = {};
    g.full = {};
    g.fullIndex = -1;
    g.preview.clear();
    g.info = {};
    g.infoRows.clear();
    g.noPreview = false;
    if (index < 0) return;
    const std::string& path = g.folder.photos.path[size_t(index)];
    lv::PreviewResult r = lv::extractPreview(path);
    g.preview = std::move(r.preview);
    lv::PhotoMeta meta = lv::readPhotoMetaFromHead(r.head);
    g.orientation = meta.valid ? meta.orientation : 1;
    g.folder.photos.orientation[size_t(index)] = g.orientation;
    g.info = lv::buildShotInfoFromHead(path, r.head);
    if (g.info.fileName.empty()) g.info.fileName = std::string(lv::fileNamePart(path));
    g.infoRows = lv::shotInfoRows(g.info);
    fitShownPhoto();
}

void fitShownPhoto() {
    if (g.shownIndex < 0) return;
    const RECT& r = g.layout.photo;
    int boxW = std::max(1, int((r.right - r.left) * g.photoSize / 100));
    int boxH = std::max(1, int((r.bottom - r.top) * g.photoSize / 100));
    // The photo keeps its decoded pixels while the area only shrinks slightly; a new size redecodes.
    if (!g.photo.pixels.empty() &&
        ((g.photo.width == boxW && g.photo.height <= boxH) || (g.photo.height == boxH && g.photo.width <= boxW)))
        return;
    g.noPreview = !decodeToFit(g.preview, g.orientation, boxW, boxH, 1e9, &g.photo);
    if (g.noPreview) g.photo = {};
}

bool ensureFullPreview() {
    if (g.fullIndex == g.shownIndex && !g.full.pixels.empty()) return true;
    g.full = {};
    g.fullIndex = g.shownIndex;
    lv::Bgra raw;
    if (g.preview.empty() || lv::jpegDecode(g.preview.data(), g.preview.size(), &raw) != 0) return false;
    g.full = orient(raw, g.orientation);
    return true;
}

// [SECTION] thumbnails
void resetThumbnails() {
    g.thumbs.assign(size_t(g.folder.photos.count), lv::Bgra{});
    g.thumbState.assign(size_t(g.folder.photos.count), 0);
}

bool makeSomeThumbnails(uint32_t budgetMs) {
    if (g.thumbState.size() != size_t(g.folder.photos.count)) resetThumbnails();
    int n = lv::visibleLength(g.folder);
    if (n == 0) return false;
    uint32_t start = lv::tickCountMs();
    bool made = false;
    // The cells on screen first, then outward from them.
    int first = std::max(0, g.firstVisible), last = std::min(n - 1, g.firstVisible + g.layout.screenful);
    for (int step = 0; step < n; step++) {
        int pos = first + step <= last ? first + step : (step - (last - first + 1)) % n;
        int idx = lv::visibleToPhoto(g.folder, pos);
        if (idx < 0 || g.thumbState[size_t(idx)] != 0) continue;
        const std::string& path = g.folder.photos.path[size_t(idx)];
        lv::PhotoMeta meta = lv::readPhotoMeta(path);
        int o = meta.valid ? meta.orientation : 1;
        lv::Bytes jpeg = lv::extractThumbnail(path);
        lv::Bgra t;
        bool ok = decodeToFit(jpeg, o, g.layout.cellW - 4, g.layout.thumbH - 4, g.dpi / 96.0, &t);
        if (!ok || (t.width < (g.layout.cellW - 4) * 3 / 4 && t.height < (g.layout.thumbH - 4) * 3 / 4)) {  // none, or too small to look sharp: the preview
            lv::PreviewResult r = lv::extractPreview(path);
            ok = decodeToFit(r.preview, o, g.layout.cellW - 4, g.layout.thumbH - 4, g.dpi / 96.0, &t);
        }
        g.thumbState[size_t(idx)] = ok ? 1 : 2;
        g.thumbs[size_t(idx)] = std::move(t);
        made = true;
        if (lv::tickCountMs() - start >= budgetMs) break;
    }
    return made;
}
