// Drawing of the main window into the back buffer: the photo with its AF overlay, the thumbnail
// strip, the shot-information panel and the status bar. Colours are neutral greys so nothing
// tints the photo; every text comes from the text table or from the photo's own data.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/pathname.h"
#include "core/texts.h"
#include "metadata/shot_info.h"
#include "sidecar/rating_commands.h"
#include "shell.h"

namespace {

// [SECTION] palette
const COLORREF kBackground = RGB(30, 30, 30);
const COLORREF kPanelBack = RGB(38, 38, 38);
const COLORREF kStatusBack = RGB(45, 45, 45);
const COLORREF kRule = RGB(58, 58, 58);
const COLORREF kTextBright = RGB(225, 225, 225);
const COLORREF kTextDim = RGB(140, 140, 140);
const COLORREF kSelection = RGB(72, 72, 72);
const COLORREF kSelectionEdge = RGB(210, 210, 210);
const COLORREF kStar = RGB(236, 190, 64);
const COLORREF kReject = RGB(214, 64, 56);
const COLORREF kAfPoint = RGB(90, 220, 120);

// [SECTION] primitives
void fill(HDC dc, const RECT& r, COLORREF c) {
    SetDCBrushColor(dc, c);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void frame(HDC dc, const RECT& r, COLORREF c, int width) {
    for (int i = 0; i < width; i++) {
        RECT f{r.left + i, r.top + i, r.right - i, r.bottom - i};
        SetDCBrushColor(dc, c);
        FrameRect(dc, &f, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    }
}

void text(HDC dc, HFONT font, COLORREF c, const std::wstring& t, RECT r, UINT flags) {
    SelectObject(dc, font);
    SetTextColor(dc, c);
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, t.c_str(), int(t.size()), &r, flags | DT_NOPREFIX);
}

int textWidth(HDC dc, HFONT font, const std::wstring& t) {
    SelectObject(dc, font);
    SIZE s{};
    GetTextExtentPoint32W(dc, t.c_str(), int(t.size()), &s);
    return s.cx;
}

int lineHeight(HDC dc, HFONT font) {
    SelectObject(dc, font);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    return tm.tmHeight;
}

// Draws a top-down BGRA picture (sw x sh, from a source rectangle) into dest, scaled with
// halftoning when the sizes differ.
void blit(HDC dc, const uint8_t* pixels, int w, int h, RECT src, RECT dest) {
    if (!pixels || w < 1 || h < 1) return;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, src.left, src.top,
                  src.right - src.left, src.bottom - src.top, pixels, &bi, DIB_RGB_COLORS, SRCCOPY);
}

void star(HDC dc, int cx, int cy, int r, COLORREF c) {
    POINT p[10];
    for (int i = 0; i < 10; i++) {
        double a = -3.14159265358979 / 2 + i * 3.14159265358979 / 5;
        double rr = (i % 2) ? r * 0.45 : r;
        p[i] = {cx + int(std::lround(rr * std::cos(a))), cy + int(std::lround(rr * std::sin(a)))};
    }
    SetDCBrushColor(dc, c);
    SetDCPenColor(dc, c);
    SelectObject(dc, GetStockObject(DC_BRUSH));
    SelectObject(dc, GetStockObject(DC_PEN));
    Polygon(dc, p, 10);
}

// Stars from x to the right, vertically centred on cy; returns the x after them.
int stars(HDC dc, int x, int cy, int count, int r) {
    for (int i = 0; i < count; i++) star(dc, x + r + i * (2 * r + px(1)), cy, r, kStar);
    return x + count * (2 * r + px(1));
}

void rejectMark(HDC dc, int cx, int cy, int r) {
    SetDCBrushColor(dc, kReject);
    SetDCPenColor(dc, kReject);
    SelectObject(dc, GetStockObject(DC_BRUSH));
    SelectObject(dc, GetStockObject(DC_PEN));
    Ellipse(dc, cx - r, cy - r, cx + r + 1, cy + r + 1);
    HPEN pen = CreatePen(PS_SOLID, std::max(1, r / 3), RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(dc, pen);
    int k = r / 2;
    MoveToEx(dc, cx - k, cy - k, nullptr);
    LineTo(dc, cx + k + 1, cy + k + 1);
    MoveToEx(dc, cx + k, cy - k, nullptr);
    LineTo(dc, cx - k - 1, cy + k + 1);
    SelectObject(dc, old);
    DeleteObject(pen);
}

void labelChip(HDC dc, const std::string& label, RECT r) {
    lv::LabelColour c = lv::labelColour(label);
    if (!c.hasLabel) return;
    SetDCBrushColor(dc, RGB(c.r, c.g, c.b));
    SetDCPenColor(dc, RGB(c.r, c.g, c.b));
    SelectObject(dc, GetStockObject(DC_BRUSH));
    SelectObject(dc, GetStockObject(DC_PEN));
    RoundRect(dc, r.left, r.top, r.right, r.bottom, px(4), px(4));
}

// [SECTION] photo
RECT g_photoDrawn{};

// The plan's pixels turned upright, kept while the engine hands the same buffer.
const lv::Bgra* uprightPicture(const lv::ViewPlan& plan) {
    if (g.drawnSource != plan.pixels || g.drawnRotation != plan.rotation) {
        g.drawnSource = plan.pixels;
        g.drawnRotation = plan.rotation;
        lv::Bgra stored;
        stored.width = plan.bw;
        stored.height = plan.bh;
        stored.pixels = *plan.pixels;
        g.upright = plan.rotation ? lv::rotateBgra(stored, plan.rotation) : std::move(stored);
    }
    return &g.upright;
}

void paintAfOverlay(HDC dc, const RECT& pic) {
    const lv::ShotInfo& s = g.viewer.shotInfo;
    int w = pic.right - pic.left, h = pic.bottom - pic.top;
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    for (const lv::DetectionArea& d : s.detections) {
        HPEN pen = CreatePen(PS_SOLID, std::max(1, px(1)), RGB(240, 200, 80));
        HGDIOBJ old = SelectObject(dc, pen);
        int dw = int(d.w * w), dh = int(d.h * h), cx = pic.left + int(d.cx * w), cy = pic.top + int(d.cy * h);
        Rectangle(dc, cx - dw / 2, cy - dh / 2, cx + dw / 2, cy + dh / 2);
        SelectObject(dc, old);
        DeleteObject(pen);
    }
    if (s.afPointX <= 0 || s.afFrameWidth <= 0 || s.afFrameHeight <= 0) return;
    int cx = pic.left + int((s.afPointX - 1) * double(w) / s.afFrameWidth);
    int cy = pic.top + int((s.afPointY - 1) * double(h) / s.afFrameHeight);
    int aw = std::max(px(12), s.afAreaWidth > 0 ? int(s.afAreaWidth * w) : px(28));
    int ah = std::max(px(12), s.afAreaHeight > 0 ? int(s.afAreaHeight * h) : px(28));
    HPEN pen = CreatePen(PS_SOLID, px(2), kAfPoint);
    HGDIOBJ old = SelectObject(dc, pen);
    Rectangle(dc, cx - aw / 2, cy - ah / 2, cx + aw / 2, cy + ah / 2);
    SelectObject(dc, old);
    DeleteObject(pen);
}

// Crop guides for the common print and screen shapes, centred in the photo.
void paintCropGuides(HDC dc, const RECT& pic) {
    struct Ratio {
        int w, h;
        COLORREF c;
    };
    const Ratio ratios[] = {{1, 1, RGB(235, 235, 235)}, {4, 5, RGB(120, 200, 235)}, {16, 9, RGB(235, 170, 90)}};
    lv::Rect area{int(pic.left), int(pic.top), int(pic.right - pic.left), int(pic.bottom - pic.top)};
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    for (const Ratio& r : ratios) {
        bool portraitPhoto = area.h > area.w;
        lv::Rect f = lv::fitRect(portraitPhoto ? r.h : r.w, portraitPhoto ? r.w : r.h, area);
        HPEN pen = CreatePen(PS_DOT, 1, r.c);
        HGDIOBJ old = SelectObject(dc, pen);
        SetBkMode(dc, TRANSPARENT);
        Rectangle(dc, f.x, f.y, f.x + f.w, f.y + f.h);
        SelectObject(dc, old);
        DeleteObject(pen);
    }
}

void paintPhoto(HDC dc) {
    g_photoDrawn = RECT{};
    if (currentPhotoIndex() < 0) return;
    lv::Rect target = lv::photoTarget(g.areas.photo, g.ui.photoSize);
    lv::ViewPlan plan = lv::paintView(g.viewer, target);
    if (plan.draw == lv::ViewDraw::NoPreview) {
        text(dc, g.fontUi, RGB(plan.r, plan.g, plan.b), wide(plan.text), winRect(target),
             DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        return;
    }
    if (plan.draw != lv::ViewDraw::Picture || !plan.pixels || plan.pixels->empty()) return;
    const lv::Bgra* up = uprightPicture(plan);
    RECT dest = winRect(plan.dest);
    blit(dc, up->pixels.data(), up->width, up->height, RECT{0, 0, up->width, up->height}, dest);
    g_photoDrawn = dest;
    if (g.ui.focusIndicationOn) paintAfOverlay(dc, dest);
    if (g.ui.cropOn) paintCropGuides(dc, dest);
}

// [SECTION] strip
void paintStrip(HDC dc) {
    if (g.areas.strip.h <= 0 || !g.haveFolder) return;
    RECT strip = winRect(g.areas.strip);
    fill(dc, strip, RGB(24, 24, 24));
    int centreX = g.areas.photo.x + g.areas.photo.w / 2;
    std::vector<lv::StripCell> cells = lv::stripCells(g.viewer, g.ui.strip, g.areas.strip, centreX);
    int pad = px(3);
    for (const lv::StripCell& c : cells) {
        RECT cell = winRect(c.cell);
        if (c.selected) fill(dc, cell, kSelection);
        RECT pic = winRect(c.picture);
        InflateRect(&pic, -pad, -pad);
        if (c.state == lv::CellState::Thumbnail && c.pixels) {
            // only the picture inside the 160 x 106 bitmap, so the cell's own grey shows around it
            int pw = lv::kThumbW, ph = lv::kThumbH;
            {
                lv::LockGuard lock(g.viewer.cacheLock);
                if (size_t(c.photo) < g.viewer.thumbs.picW.size()) {
                    pw = std::clamp(g.viewer.thumbs.picW[size_t(c.photo)], 1, lv::kThumbW);
                    ph = std::clamp(g.viewer.thumbs.picH[size_t(c.photo)], 1, lv::kThumbH);
                }
            }
            RECT src{(lv::kThumbW - pw) / 2, (lv::kThumbH - ph) / 2, 0, 0};
            src.right = src.left + pw;
            src.bottom = src.top + ph;
            lv::Rect fit = lv::fitRect(pw, ph, lv::Rect{int(pic.left), int(pic.top), int(pic.right - pic.left),
                                                        int(pic.bottom - pic.top)});
            if (fit.w > pw * 2) fit = lv::fitRect(pw, ph, lv::Rect{fit.x + (fit.w - pw * 2) / 2, fit.y, pw * 2, fit.h});
            blit(dc, c.pixels->data(), lv::kThumbW, lv::kThumbH, src, winRect(fit));
        } else {
            text(dc, g.fontSmall, kTextDim, wide(c.caption), pic, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
        if (c.selected) frame(dc, cell, kSelectionEdge, std::max(1, px(1)));
        if (c.rating < 0) rejectMark(dc, pic.right - px(8), pic.top + px(8), px(6));
        // caption: name on the left, stars and label chip on the right
        RECT cap{cell.left + pad, cell.bottom - g.ui.strip.m.captionH - px(1), cell.right - pad, cell.bottom - px(1)};
        int right = cap.right;
        if (!c.label.empty()) {
            int s = px(8);
            labelChip(dc, c.label, RECT{right - s, (cap.top + cap.bottom - s) / 2, right, (cap.top + cap.bottom + s) / 2});
            right -= s + px(3);
        }
        if (c.rating > 0) {
            int r = px(4);
            int w = c.rating * (2 * r + px(1));
            stars(dc, right - w, (cap.top + cap.bottom) / 2, c.rating, r);
            right -= w + px(3);
        }
        cap.right = right;
        text(dc, g.fontSmall, c.selected ? kTextBright : kTextDim,
             wide(lv::fileNamePart(g.folder.photos.path[size_t(c.photo)])), cap,
             DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
}

// [SECTION] panel
// Where a gauge's value sits on its scale, 0..1; -1 when the text holds no number.
double gaugePosition(const std::string& gauge, const std::string& value) {
    const char* s = value.c_str();
    while (*s && !(std::isdigit(static_cast<unsigned char>(*s)) || *s == '-' || *s == '+')) s++;
    if (!*s) return -1;
    double v = std::strtod(s, nullptr);
    struct Range {
        const char* prefix;
        double lo, hi;
    };
    const Range ranges[] = {{"heat", 0, 60}, {"expcomp", -3, 3}, {"light", -2, 18}, {"rear", -45, 45},
                            {"top", -45, 45}, {"side", -45, 45}, {"af", -3, 3}};
    for (const Range& r : ranges)
        if (gauge.rfind(r.prefix, 0) == 0) return std::clamp((v - r.lo) / (r.hi - r.lo), 0.0, 1.0);
    return -1;
}

void gaugeBar(HDC dc, RECT r, double t, bool centred) {
    int cy = (r.top + r.bottom) / 2;
    fill(dc, RECT{r.left, cy - px(1), r.right, cy + px(1)}, RGB(70, 70, 70));
    if (centred) fill(dc, RECT{(r.left + r.right) / 2, cy - px(3), (r.left + r.right) / 2 + px(1), cy + px(3)}, kTextDim);
    int x = r.left + int(t * (r.right - r.left));
    fill(dc, RECT{x - px(2), cy - px(4), x + px(2), cy + px(4)}, kTextBright);
}

// A small filled triangle: pointing down for an open section, right for a collapsed one.
void disclosure(HDC dc, int x, int cy, int r, bool open) {
    POINT p[3];
    if (open)
        p[0] = {x, cy - r / 2}, p[1] = {x + 2 * r, cy - r / 2}, p[2] = {x + r, cy + r / 2 + 1};
    else
        p[0] = {x + r / 2, cy - r}, p[1] = {x + r / 2, cy + r}, p[2] = {x + r / 2 + r, cy};
    SetDCBrushColor(dc, kTextDim);
    SetDCPenColor(dc, kTextDim);
    SelectObject(dc, GetStockObject(DC_BRUSH));
    SelectObject(dc, GetStockObject(DC_PEN));
    Polygon(dc, p, 3);
}

void paintPanel(HDC dc) {
    g.panelHits.clear();
    RECT p = winRect(g.areas.panel);
    if (p.right <= p.left) return;
    const lv::Settings& set = lv::currentSettings();
    fill(dc, p, kPanelBack);
    bool left = g.ui.panelSide == 1;
    fill(dc, left ? RECT{p.right - 1, p.top, p.right, p.bottom} : RECT{p.left, p.top, p.left + 1, p.bottom}, kRule);
    int m = px(14), lh = lineHeight(dc, g.fontUi) + px(4);
    int y = p.top + px(12);
    text(dc, g.fontBold, kTextBright, uiText("PanelTitle"), RECT{p.left + m, y, p.right - m, y + lh},
         DT_LEFT | DT_SINGLELINE | DT_VCENTER);
    y += lh + px(6);
    if (currentPhotoIndex() < 0) return;
    const std::vector<std::string>& rows = panelRows();
    int labelW = (p.right - p.left - 2 * m) * 2 / 5;
    int section = -1;
    bool collapsed = false, hidden = false;
    // the rows scroll under the fixed title
    int top = y, saved = SaveDC(dc);
    IntersectClipRect(dc, p.left, top, p.right, p.bottom);
    g.panelScroll = std::clamp(g.panelScroll, 0, g.panelScrollMax);
    y -= g.panelScroll;
    for (size_t i = 0; i < rows.size(); i++) {
        std::vector<std::string> f = tabFields(rows[i]);
        if (f[0] == "H" && f.size() >= 3) {
            section = std::atoi(f[1].c_str());
            bool known = section >= 0 && section < kPanelSections;
            hidden = known && (set.secHidden >> section) & 1;
            collapsed = known && (set.secCollapsed >> section) & 1;
            if (hidden) continue;
            y += px(8);
            RECT hr{p.left + m, y, p.right - m, y + lh};
            disclosure(dc, hr.left, (hr.top + hr.bottom) / 2, px(4), !collapsed);
            RECT tr = hr;
            tr.left += px(14);
            text(dc, g.fontBold, RGB(190, 190, 190), wide(f[2]), tr, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
            if (hr.bottom > top) g.panelHits.push_back({hr, section, -1});
            y += lh;
            fill(dc, RECT{p.left + m, y - px(2), p.right - m, y - px(1)}, kRule);
            continue;
        }
        if (hidden || collapsed) continue;
        bool gauge = f[0] == "D" && f.size() >= 4;
        if (!gauge && !(f[0] == "V" && f.size() >= 3)) continue;
        const std::string& label = gauge ? f[2] : f[1];
        const std::string& value = gauge ? f[3] : f[2];
        RECT lr{p.left + m, y, p.left + m + labelW - px(6), y + lh};
        RECT vr{p.left + m + labelW, y, p.right - m, y + lh};
        if (y + lh > top && y < p.bottom) g.panelHits.push_back({RECT{p.left + m, y, p.right - m, y + lh}, section, int(i)});
        text(dc, g.fontUi, kTextDim, wide(label), lr, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
        double t = gauge ? gaugePosition(f[1], value) : -1;
        if (t >= 0) {
            int gw = std::min(px(70), int(vr.right - vr.left) / 2);
            gaugeBar(dc, RECT{vr.right - gw, vr.top, vr.right, vr.bottom}, t, f[1] != "light" && f[1].rfind("heat", 0) != 0);
            vr.right -= gw + px(8);
        }
        text(dc, g.fontUi, kTextBright, wide(value), vr, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
        y += lh;
    }
    g.panelScrollMax = std::max(0, y + g.panelScroll - top - int(p.bottom - top) + px(8));
    RestoreDC(dc, saved);
}

// [SECTION] status bar
void chip(HDC dc, int* right, const RECT& bar, const std::wstring& t, double progress) {
    int w = textWidth(dc, g.fontSmall, t) + px(16);
    RECT r{*right - w, bar.top + px(4), *right, bar.bottom - px(4)};
    SetDCBrushColor(dc, RGB(70, 70, 70));
    SetDCPenColor(dc, RGB(70, 70, 70));
    SelectObject(dc, GetStockObject(DC_BRUSH));
    SelectObject(dc, GetStockObject(DC_PEN));
    RoundRect(dc, r.left, r.top, r.right, r.bottom, px(8), px(8));
    if (progress >= 0) {
        RECT pr{r.left + px(4), r.bottom - px(3), r.left + px(4) + int((w - px(8)) * progress), r.bottom - px(2)};
        fill(dc, pr, kTextBright);
    }
    text(dc, g.fontSmall, kTextBright, t, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    *right = r.left - px(6);
}

void paintStatus(HDC dc) {
    RECT s = winRect(g.areas.statusBar);
    if (s.bottom <= s.top) return;
    fill(dc, s, kStatusBack);
    int idx = currentPhotoIndex();
    int x = s.left + px(10);
    if (idx >= 0) {
        int n = lv::visibleLength(g.folder);
        std::wstring pos = std::to_wstring(g.folder.currentPosition + 1) + L" / " + std::to_wstring(n);
        std::wstring name = wide(lv::fileNamePart(g.folder.photos.path[size_t(idx)]));
        text(dc, g.fontUi, kTextDim, pos, RECT{x, s.top, s.right, s.bottom}, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        x += textWidth(dc, g.fontUi, pos) + px(14);
        text(dc, g.fontUi, kTextBright, name, RECT{x, s.top, s.right, s.bottom}, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        x += textWidth(dc, g.fontUi, name) + px(14);
        int cy = (s.top + s.bottom) / 2;
        int rating = g.folder.photos.rating[size_t(idx)];
        if (rating > 0) x = stars(dc, x, cy, rating, px(5)) + px(10);
        if (rating < 0) {
            rejectMark(dc, x + px(6), cy, px(6));
            x += px(12);
            std::wstring t = uiText("CtxRateReject");
            text(dc, g.fontUi, kReject, t, RECT{x + px(4), s.top, s.right, s.bottom}, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
            x += textWidth(dc, g.fontUi, t) + px(14);
        }
        const std::string& label = g.folder.photos.label[size_t(idx)];
        if (!label.empty()) {
            labelChip(dc, label, RECT{x, cy - px(5), x + px(10), cy + px(5)});
            text(dc, g.fontUi, kTextDim, wide(label), RECT{x + px(14), s.top, s.right, s.bottom},
                 DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        }
    }
    int right = s.right - px(8);
    if (g.ui.slideshowOn)
        chip(dc, &right, s, uiText("StatusSlideshow"), lv::slideshowProgress(g.ui, GetTickCount()) / 1000.0);
    if (g.folder.playback.playing) chip(dc, &right, s, uiText("StatusBurst"), -1);
    std::vector<std::string> chips = lv::filterStatusChips(g.folder, g.filter);
    for (auto it = chips.rbegin(); it != chips.rend(); ++it) chip(dc, &right, s, wide(*it), -1);
}

}  // namespace

// [SECTION] public
std::vector<std::string> tabFields(const std::string& line) {
    std::vector<std::string> f;
    size_t p = 0;
    while (true) {
        size_t t = line.find('\t', p);
        f.push_back(line.substr(p, t == std::string::npos ? std::string::npos : t - p));
        if (t == std::string::npos) return f;
        p = t + 1;
    }
}

bool panelLineAt(POINT p, int* section, int* row) {
    for (const Shell::PanelHit& h : g.panelHits)
        if (PtInRect(&h.r, p)) {
            *section = h.section;
            *row = h.row;
            return true;
        }
    return false;
}

RECT photoRect() { return g_photoDrawn; }

const std::vector<std::string>& panelRows() {
    int idx = currentPhotoIndex();
    if (idx != g.panelRowsPhoto || g.viewer.currentPhoto != idx) {
        g.panelRowsPhoto = idx;
        g.panelRows = idx >= 0 && g.viewer.currentPhoto == idx ? lv::shotInfoRows(g.viewer.shotInfo)
                                                                 : std::vector<std::string>();
    }
    return g.panelRows;
}

void paintMainWindow(HDC dc, const RECT& client) {
    fill(dc, client, kBackground);
    paintPhoto(dc);
    paintLoupes(dc);
    paintStrip(dc);
    paintPanel(dc);
    paintStatus(dc);
}
