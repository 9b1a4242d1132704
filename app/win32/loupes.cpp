// Loupes: squares that show the photo at 100 % of its embedded preview. The persistent loupes
// (at most eight, resized by their bottom-right grip), the focus-point loupe on the AF point, the
// centre loupe and the loupe held by the middle button are drawn the same way.
#include <algorithm>
#include <cmath>

#include "shell.h"

namespace {

int defaultSide() { return px(128); }
int grip() { return px(18); }

// The square of a loupe centred on (u, v) of the displayed photo, in client coordinates.
RECT loupeRect(const RECT& photo, double u, double v, int side) {
    int cx = photo.left + int(u * (photo.right - photo.left));
    int cy = photo.top + int(v * (photo.bottom - photo.top));
    return RECT{cx - side / 2, cy - side / 2, cx - side / 2 + side, cy - side / 2 + side};
}

// Copies the side x side pixels of the full preview around (u, v); outside the picture is black.
lv::Bgra cut(double u, double v, int side) {
    lv::Bgra out;
    out.width = out.height = side;
    out.pixels.assign(size_t(side) * size_t(side) * 4, 0);
    const lv::Bgra& f = g.full;
    int x0 = int(u * f.width) - side / 2, y0 = int(v * f.height) - side / 2;
    for (int y = 0; y < side; y++) {
        int sy = y0 + y;
        if (sy < 0 || sy >= f.height) continue;
        int from = std::max(0, -x0), to = std::min(side, f.width - x0);
        if (to <= from) continue;
        std::copy_n(&f.pixels[(size_t(sy) * size_t(f.width) + size_t(x0 + from)) * 4], size_t(to - from) * 4,
                    &out.pixels[(size_t(y) * size_t(side) + size_t(from)) * 4]);
    }
    return out;
}

void drawLoupe(HDC dc, const RECT& photo, double u, double v, int side, bool withGrip) {
    RECT r = loupeRect(photo, u, v, side);
    lv::Bgra b = cut(u, v, side);
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
    bool any = !g.loupes.empty() || g.centreLoupe || g.middleLoupe || (g.focusLoupe && g.info.afPointX > 0);
    if (photo.right <= photo.left || !any || !ensureFullPreview()) return;
    int saved = SaveDC(dc);
    IntersectClipRect(dc, g.layout.photo.left, g.layout.photo.top, g.layout.photo.right, g.layout.photo.bottom);
    const lv::ShotInfo& s = g.info;
    if (g.focusLoupe && s.afPointX > 0 && s.afFrameWidth > 0 && s.afFrameHeight > 0)
        drawLoupe(dc, photo, (s.afPointX - 1) / double(s.afFrameWidth), (s.afPointY - 1) / double(s.afFrameHeight),
                  defaultSide(), false);
    if (g.centreLoupe) drawLoupe(dc, photo, 0.5, 0.5, defaultSide(), false);
    for (const Shell::Loupe& l : g.loupes) drawLoupe(dc, photo, l.u, l.v, l.side, true);
    if (g.middleLoupe) {
        double u = double(g.middleAt.x - photo.left) / std::max(1L, photo.right - photo.left);
        double v = double(g.middleAt.y - photo.top) / std::max(1L, photo.bottom - photo.top);
        if (u >= 0 && u <= 1 && v >= 0 && v <= 1) drawLoupe(dc, photo, u, v, px(200), false);
    }
    RestoreDC(dc, saved);
}

int loupeAt(POINT p, bool* onGrip) {
    RECT photo = photoRect();
    for (int i = int(g.loupes.size()) - 1; i >= 0; i--) {
        const Shell::Loupe& l = g.loupes[size_t(i)];
        RECT r = loupeRect(photo, l.u, l.v, l.side);
        if (!PtInRect(&r, p)) continue;
        if (onGrip) *onGrip = p.x >= r.right - grip() && p.y >= r.bottom - grip();
        return i;
    }
    return -1;
}

bool addLoupeAt(POINT p) {
    RECT photo = photoRect();
    if (int(g.loupes.size()) >= kMaxLoupes || !PtInRect(&photo, p)) return false;
    Shell::Loupe l;
    l.u = double(p.x - photo.left) / (photo.right - photo.left);
    l.v = double(p.y - photo.top) / (photo.bottom - photo.top);
    l.side = defaultSide();
    g.loupes.push_back(l);
    return true;
}

void removeLoupe(int i) {
    if (i >= 0 && size_t(i) < g.loupes.size()) g.loupes.erase(g.loupes.begin() + i);
}

// Sets a persistent loupe's side from the pointer dragging its grip.
void resizeLoupeTo(int i, POINT p) {
    if (i < 0 || size_t(i) >= g.loupes.size()) return;
    RECT photo = photoRect();
    Shell::Loupe& l = g.loupes[size_t(i)];
    RECT r = loupeRect(photo, l.u, l.v, l.side);
    int side = std::max(p.x - r.left, p.y - r.top);
    l.side = std::clamp(side, px(56), px(480));
    // the square grows from its top-left corner, so its centre moves with it
    l.u = (r.left + l.side / 2.0 - photo.left) / std::max(1L, photo.right - photo.left);
    l.v = (r.top + l.side / 2.0 - photo.top) / std::max(1L, photo.bottom - photo.top);
}
