// Window metrics, strip height and cells, page step, strip scrolling and the window areas.
#include "viewer/layout.h"

#include <algorithm>
#include <cmath>

namespace lv {

// [SECTION] metrics

int px(int v96, int dpi) { return int(std::floor(double(v96) * dpi / 96.0 + 0.5)); }
int pxUp(int v96, int dpi) { return int((int64_t(v96) * dpi + 95) / 96); }

int firstSizeThatFits(const Rect* sizes96, int count, int dpi, int frameW, int frameH, int workW, int workH) {
    int best = 0, bestOver = 0;
    for (int i = 0; i < count; i++) {
        int over = std::max(pxUp(sizes96[i].w, dpi) + frameW - workW, pxUp(sizes96[i].h, dpi) + frameH - workH);
        if (over <= 0) return i;
        if (i == 0 || over < bestOver) best = i, bestOver = over;
    }
    return best;
}

Metrics metricsFor(int dpi) {
    if (dpi < 1) dpi = 96;
    Metrics m;
    m.dpi = dpi;
    m.defaultW = px(1280, dpi);
    m.defaultH = px(720, dpi);
    m.minW = pxUp(320, dpi);
    m.minH = pxUp(240, dpi);
    m.statusBarH = px(24, dpi);
    m.stripGap = pxUp(16, dpi);
    m.stripMin = px(60, dpi);
    m.stripMax = px(120, dpi);
    m.captionH = px(14, dpi);
    m.photoReserve = px(150, dpi);
    m.panelMin = pxUp(250, dpi);
    m.panelInitial = px(340, dpi);
    m.loupeDefault = px(128, dpi);
    m.loupeMin = px(56, dpi);
    m.loupeMax = px(480, dpi);
    m.loupeGrip = px(18, dpi);
    return m;
}

// [SECTION] strip

void setStripHeight(StripLayout& s, int requested, int clientHeight) {
    int h = std::min(requested, s.m.stripMax);
    int statusH = s.statusBarShown ? s.m.statusBarH : 0;
    h = std::min(h, clientHeight - statusH - s.m.stripGap - s.m.photoReserve);
    h = std::max(h, s.m.stripMin);
    s.stripHeight = h;
    s.thumbHeight = std::max(1, h - s.m.captionH);
    s.cellW = std::max(1, 160 * s.thumbHeight / 106);
}

int cellWidth(const StripLayout& s) { return s.cellW; }

void relayoutStrip(StripLayout& s, int clientWidth) {
    if (clientWidth >= 16) s.screenful = clientWidth / std::max(1, s.cellW);
}

int firstVisibleFor(StripLayout& s, int current, int visibleCells, int centreCell, int count) {
    visibleCells = std::max(visibleCells, 1);
    centreCell = std::clamp(centreCell, 0, visibleCells - 1);
    int first = s.firstVisible;
    if (s.stripFollow == 1) {
        first = current - centreCell;
    } else if (current < first) {
        first = current;
    } else if (current > first + visibleCells - 1) {
        first = current - visibleCells + 1;
    }
    first = std::max(std::min(first, count - visibleCells), 0);
    s.firstVisible = first;
    return first;
}

int panelWidthFor(const Metrics& m, int requested, int clientWidth) {
    return std::max(std::min(requested, clientWidth - m.photoReserve), m.panelMin);
}

// [SECTION] main window areas

WindowAreas layoutWindow(const StripLayout& s, int clientW, int clientH, bool stripShown, bool panelShown,
                         int panelWidth, int panelSide) {
    WindowAreas a;
    int bottom = clientH;
    if (s.statusBarShown) {
        a.statusBar = Rect{0, clientH - s.m.statusBarH, clientW, s.m.statusBarH};
        bottom -= s.m.statusBarH;
    }
    if (stripShown) {
        a.strip = Rect{0, bottom - s.stripHeight, clientW, s.stripHeight};
        bottom -= s.stripHeight + s.m.stripGap;
    }
    bottom = std::max(bottom, 0);
    int left = 0, right = clientW;
    if (panelShown) {
        int w = std::min(panelWidthFor(s.m, panelWidth, clientW), clientW);
        a.panel = panelSide == 1 ? Rect{0, 0, w, bottom} : Rect{clientW - w, 0, w, bottom};
        if (panelSide == 1)
            left = w;
        else
            right = clientW - w;
    }
    a.photo = Rect{left, 0, std::max(right - left, 0), bottom};
    return a;
}

Rect photoTarget(const Rect& area, int photoSize) {
    int w = area.w * photoSize / 100, h = area.h * photoSize / 100;
    return Rect{area.x + (area.w - w) / 2, area.y + (area.h - h) / 2, w, h};
}

Rect fitRect(int w, int h, const Rect& area) {
    if (w < 1 || h < 1) return Rect{area.x, area.y, 0, 0};
    double scale = std::min(double(area.w) / w, double(area.h) / h);
    int fw = std::max(1, int(std::floor(w * scale))), fh = std::max(1, int(std::floor(h * scale)));
    return Rect{area.x + (area.w - fw) / 2, area.y + (area.h - fh) / 2, fw, fh};
}

}  // namespace lv
