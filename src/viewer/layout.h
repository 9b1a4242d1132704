// The main window's DPI-scaled metrics, the strip's height and cells, the page step and the
// strip's scroll position. Pure arithmetic on the values given; the window owns the state.
#pragma once
#include <cstdint>

namespace lv {

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
};

// [SECTION] metrics
// px(x) = floor(x * dpi / 96 + 0.5); pxUp(x) = ceil(x * dpi / 96).
int px(int v96, int dpi);
int pxUp(int v96, int dpi);

// Of the client sizes (96-DPI pixels, in order of preference) of a window whose frame adds
// frameW x frameH pixels, the first that fits a work area of workW x workH pixels at dpi; when
// none fits, the one that overflows least (the larger of its width and height overflow).
int firstSizeThatFits(const Rect* sizes96, int count, int dpi, int frameW, int frameH, int workW, int workH);

struct Metrics {
    int dpi = 96;
    int defaultW = 0, defaultH = 0;  // main window
    int minW = 0, minH = 0;
    int statusBarH = 0;              // when the status bar is shown
    int stripGap = 0;                // above the strip
    int stripMin = 0, stripMax = 0;
    int captionH = 0;                // under each thumbnail
    int photoReserve = 0;            // always left to the photo above the strip
    int panelMin = 0, panelInitial = 0;
    int loupeDefault = 0, loupeMin = 0, loupeMax = 0;
    int loupeGrip = 0;
};
Metrics metricsFor(int dpi);

// [SECTION] strip
struct StripLayout {
    Metrics m;
    int stripFollow = 0;   // 1 keeps the selection centred, else scrolls at the edges
    int stripHeight = 0;
    int thumbHeight = 1;   // stripHeight minus the caption band, at least 1
    int cellW = 1;
    int screenful = 1;     // whole cells across the client width (page step)
    int firstVisible = 0;  // position of the leftmost cell
    bool statusBarShown = true;
};
// Clamps the requested height (highest strip, then what the client height leaves, then the
// lowest strip, which wins) and recomputes the cell size.
void setStripHeight(StripLayout& s, int requested, int clientHeight);
int cellWidth(const StripLayout& s);
// screenful = clientWidth / cell width, when the client is at least 16 wide.
void relayoutStrip(StripLayout& s, int clientWidth);
// The scroll position that keeps current in view; stores and returns it.
int firstVisibleFor(StripLayout& s, int currentPosition, int visibleCells, int centreCell, int count);
// A dragged panel width: at least the lowest panel width, at most the client width minus the
// photo's reserve.
int panelWidthFor(const Metrics& m, int requested, int clientWidth);

// [SECTION] main window areas
struct WindowAreas {
    Rect photo;     // the photo area (before the photo-size percentage)
    Rect panel;     // empty when hidden
    Rect strip;     // empty when hidden
    Rect statusBar; // empty when hidden
};
// Places status bar (bottom), strip above it with its gap, panel on its side over the rest, and
// the photo in what is left.
WindowAreas layoutWindow(const StripLayout& s, int clientW, int clientH, bool stripShown, bool panelShown,
                         int panelWidth, int panelSide);
// The photo-size percentage applied around the area's centre.
Rect photoTarget(const Rect& photoArea, int photoSize);
// A w x h picture fitted (enlarged or reduced) into area, centred; sizes at least 1.
Rect fitRect(int w, int h, const Rect& area);

}  // namespace lv
