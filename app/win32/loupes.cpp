// Loupes: squares that show the photo at 100 % of its embedded preview. The persistent loupes
// (at most eight, resized by their bottom-right grip), the focus-point loupe on the AF point, the
// centre loupe and the loupe held by the middle button are drawn the same way.
#include <algorithm>
#include <cmath>

#include "shell.h"

namespace {

int defaultSide() { return g.ui.strip.m.loupeDefault; }
int grip() { return g.ui.strip.m.loupeGrip; }

// The current photo's preview at full size and upright, decoded on first use.
bool ensureFullPreview() {
    int idx = currentPhotoIndex();
    if (idx < 0) return false;
    if (g.fullPhoto == idx) return !g.full.pixels.empty();
    g.fullPhoto = idx;
    g.full = {};
    std::shared_ptr<const lv::Bytes> jpeg = lv::previewJpegFor(g.viewer, idx);
    lv::Bgra raw;
    if (!jpeg || jpeg->size() < 16 || lv::jpegDecode(jpeg->data(), jpeg->size(), &raw) != 0) return false;
    int orientation = 1;
    {
        lv::LockGuard lock(g.viewer.cacheLock);
        orientation = g.folder.photos.orientation[size_t(idx)];
    }
    int rotation = lv::rotationForOrientation(orientation);
    g.full = rotation ? lv::rotateBgra(raw, rotation) : std::move(raw);
    return true;
}

// The square of a loupe centred on (u, v) of the displayed photo, in client coordinates.
RECT loupeRect(const RECT& photo, double u, double v, int side) {
    int cx = photo.left + int(u * (photo.right - photo.left));
    int cy = photo.top + int(v * (photo.bottom - photo.top));
    return RECT{cx - side / 2, cy - side / 2, cx - side / 2 + side, cy - side / 2 + side};
}

// Copies the side x side pixels of the full preview around (u, v), each preview pixel shown
// zoom x zoom (whole pixels, so nothing is smoothed away); outside the picture is black.
lv::Bgra cut(double u, double v, int side, int zoom) {
    lv::Bgra out;
    out.width = out.height = side;
    out.pixels.assign(size_t(side) * size_t(side) * 4, 0);
    const lv::Bgra& f = g.full;
    int span = (side + zoom - 1) / zoom;  // preview pixels across the loupe
    int x0 = int(u * f.width) - span / 2, y0 = int(v * f.height) - span / 2;
    for (int y = 0; y < side; y++) {
        int sy = y0 + y / zoom;
        if (sy < 0 || sy >= f.height) continue;
        const uint8_t* row = &f.pixels[size_t(sy) * size_t(f.width) * 4];
        uint8_t* dst = &out.pixels[size_t(y) * size_t(side) * 4];
        for (int x = 0; x < side; x++) {
            int sx = x0 + x / zoom;
            if (sx >= 0 && sx < f.width) std::copy_n(row + size_t(sx) * 4, 4, dst + size_t(x) * 4);
        }
    }
    return out;
}

// 100 % of the preview, or more when the preview is so small that the photo is shown enlarged:
// a loupe always shows at least twice what the photo area shows.
int loupeZoom(const RECT& photo) {
    if (g.full.width <= 0) return 1;
    double shown = double(photo.right - photo.left) / double(g.full.width);
    return std::clamp(int(std::ceil(2 * shown - 1e-9)), 1, 16);
}

void drawLoupe(HDC dc, const RECT& photo, double u, double v, int side, bool withGrip) {
    RECT r = loupeRect(photo, u, v, side);
    lv::Bgra b = cut(u, v, side, loupeZoom(photo));
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = side;
    bi.bmiHeader.biHeight = -side;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    SetDIBitsToDevice(dc, r.left, r.top, DWORD(side), DWORD(side), 0, 0, 0, UINT(side), b.pixels.data(), &bi,
                      DIB_RGB_COLORS);
    SetDCBrushColor(dc, RGB(20, 20, 20));
    RECT outer{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1};
    FrameRect(dc, &outer, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetDCBrushColor(dc, RGB(225, 225, 225));
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    if (!withGrip) return;
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(225, 225, 225));
    HGDIOBJ old = SelectObject(dc, pen);
    for (int k = 1; k <= 3; k++) {
        int d = k * grip() / 4;
        MoveToEx(dc, r.right - 2, r.bottom - 2 - d, nullptr);
        LineTo(dc, r.right - 2 - d, r.bottom - 2);
    }
    SelectObject(dc, old);
    DeleteObject(pen);
}

}  // namespace

// [SECTION] public
void paintLoupes(HDC dc) {
    RECT photo = photoRect();
    const lv::ShotInfo& s = g.viewer.shotInfo;
    bool focus = g.ui.focusLoupeOn && s.afPointX > 0 && s.afFrameWidth > 0 && s.afFrameHeight > 0;
    bool any = !g.ui.loupes.empty() || g.ui.centreLoupeOn || g.middleLoupe || focus;
    if (photo.right <= photo.left || !any || !ensureFullPreview()) return;
    int saved = SaveDC(dc);
    IntersectClipRect(dc, g.areas.photo.x, g.areas.photo.y, g.areas.photo.x + g.areas.photo.w,
                      g.areas.photo.y + g.areas.photo.h);
    if (focus)
        drawLoupe(dc, photo, (s.afPointX - 1) / double(s.afFrameWidth), (s.afPointY - 1) / double(s.afFrameHeight),
                  defaultSide(), false);
    if (g.ui.centreLoupeOn) drawLoupe(dc, photo, 0.5, 0.5, defaultSide(), false);
    for (const lv::Loupe& l : g.ui.loupes) drawLoupe(dc, photo, l.cx, l.cy, l.size, true);
    if (g.middleLoupe) {
        double u = double(g.middleAt.x - photo.left) / std::max(1L, photo.right - photo.left);
        double v = double(g.middleAt.y - photo.top) / std::max(1L, photo.bottom - photo.top);
        if (u >= 0 && u <= 1 && v >= 0 && v <= 1) drawLoupe(dc, photo, u, v, g.ui.strip.m.loupeDefault * 3 / 2, false);
    }
    RestoreDC(dc, saved);
}

int loupeAt(POINT p, bool* onGrip) {
    RECT photo = photoRect();
    for (int i = int(g.ui.loupes.size()) - 1; i >= 0; i--) {
        const lv::Loupe& l = g.ui.loupes[size_t(i)];
        RECT r = loupeRect(photo, l.cx, l.cy, l.size);
        if (!PtInRect(&r, p)) continue;
        if (onGrip) *onGrip = p.x >= r.right - grip() && p.y >= r.bottom - grip();
        return i;
    }
    return -1;
}

bool addLoupeAt(POINT p) {
    RECT photo = photoRect();
    if (!PtInRect(&photo, p)) return false;
    lv::Loupe l;
    l.cx = double(p.x - photo.left) / (photo.right - photo.left);
    l.cy = double(p.y - photo.top) / (photo.bottom - photo.top);
    l.size = defaultSide();
    return lv::addLoupe(g.ui, l);
}

// Sets a persistent loupe's side from the pointer dragging its grip; the square grows from its
// top-left corner.
void resizeLoupeTo(int i, POINT p) {
    if (i < 0 || size_t(i) >= g.ui.loupes.size()) return;
    RECT photo = photoRect();
    lv::Loupe& l = g.ui.loupes[size_t(i)];
    RECT r = loupeRect(photo, l.cx, l.cy, l.size);
    const lv::Metrics& m = g.ui.strip.m;
    l.size = std::clamp(int(std::max(p.x - r.left, p.y - r.top)), m.loupeMin, m.loupeMax);
    l.cx = (r.left + l.size / 2.0 - photo.left) / std::max(1L, photo.right - photo.left);
    l.cy = (r.top + l.size / 2.0 - photo.top) / std::max(1L, photo.bottom - photo.top);
}
