#include "platform/resample.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/platform.h"

namespace lv {

namespace {

// Fixed-point weights: each output position takes `count` consecutive source positions from
// `first`, weighted in units of 1/16384; the weights of one position sum to exactly 16384.
constexpr int kShift = 14;
constexpr int kOne = 1 << kShift;

struct Taps {
    std::vector<int> first, count;
    std::vector<int16_t> weights;  // maxTaps per position
    int maxTaps = 0;
};

Taps makeTaps(int srcLen, int dstLen) {
    Taps t;
    double scale = double(srcLen) / dstLen;
    t.maxTaps = scale >= 1.0 ? int(std::ceil(scale)) + 1 : 2;
    t.first.resize(size_t(dstLen));
    t.count.resize(size_t(dstLen));
    t.weights.assign(size_t(dstLen) * t.maxTaps, 0);
    std::vector<double> w(size_t(t.maxTaps));
    for (int d = 0; d < dstLen; d++) {
        int i0, n = 0;
        if (scale >= 1.0) {  // area averaging: the coverage of each source pixel under the output pixel
            double a = d * scale, b = a + scale;
            i0 = int(std::floor(a));
            int i1 = std::min(srcLen, int(std::ceil(b)));
            for (int i = i0; i < i1 && n < t.maxTaps; i++) {
                double cover = std::min<double>(b, i + 1) - std::max<double>(a, i);
                w[size_t(n++)] = cover / scale;
            }
        } else {  // enlarging: linear between the two nearest source pixels
            double c = (d + 0.5) * scale - 0.5;
            int lo = int(std::floor(c));
            double f = c - lo;
            if (lo < 0) {
                lo = 0;
                f = 0;
            }
            if (lo >= srcLen - 1) {
                lo = srcLen - 1;
                f = 0;
            }
            i0 = lo;
            w[0] = 1.0 - f;
            w[1] = f;
            n = lo + 1 < srcLen ? 2 : 1;
        }
        // Round to fixed point and give the rounding error to the largest weight.
        int sum = 0, largest = 0;
        int16_t* out = &t.weights[size_t(d) * t.maxTaps];
        for (int k = 0; k < n; k++) {
            out[k] = int16_t(std::lround(w[size_t(k)] * kOne));
            sum += out[k];
            if (out[k] > out[largest]) largest = k;
        }
        out[largest] = int16_t(out[largest] + (kOne - sum));
        // Every position gets maxTaps taps (zero weights pad), kept inside the source, so the
        // inner loop has a fixed length the compiler can unroll.
        if (srcLen >= t.maxTaps) {
            int shift = std::max(0, i0 + t.maxTaps - srcLen);
            if (shift) {
                for (int k = t.maxTaps - 1; k >= 0; k--) out[k] = k >= shift ? out[k - shift] : int16_t(0);
                i0 -= shift;
            }
            n = t.maxTaps;
        }
        t.first[size_t(d)] = i0;
        t.count[size_t(d)] = n;
    }
    return t;
}

inline uint8_t clampByte(int32_t v) {
    v = (v + (kOne >> 1)) >> kShift;
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

template <int N>
void horizontalFixed(const uint8_t* row, uint8_t* out, int dw, const Taps& tx) {
    for (int x = 0; x < dw; x++) {
        const uint8_t* p = row + size_t(tx.first[size_t(x)]) * 4;
        const int16_t* w = &tx.weights[size_t(x) * N];
        int32_t b = 0, g = 0, r = 0, a = 0;
        for (int k = 0; k < N; k++) {
            b += p[k * 4 + 0] * w[k];
            g += p[k * 4 + 1] * w[k];
            r += p[k * 4 + 2] * w[k];
            a += p[k * 4 + 3] * w[k];
        }
        out[x * 4 + 0] = clampByte(b);
        out[x * 4 + 1] = clampByte(g);
        out[x * 4 + 2] = clampByte(r);
        out[x * 4 + 3] = clampByte(a);
    }
}

void horizontalAny(const uint8_t* row, uint8_t* out, int dw, const Taps& tx) {
    for (int x = 0; x < dw; x++) {
        const uint8_t* p = row + size_t(tx.first[size_t(x)]) * 4;
        const int16_t* w = &tx.weights[size_t(x) * tx.maxTaps];
        int32_t b = 0, g = 0, r = 0, a = 0;
        for (int k = 0, n = tx.count[size_t(x)]; k < n; k++, p += 4) {
            b += p[0] * w[k];
            g += p[1] * w[k];
            r += p[2] * w[k];
            a += p[3] * w[k];
        }
        out[x * 4 + 0] = clampByte(b);
        out[x * 4 + 1] = clampByte(g);
        out[x * 4 + 2] = clampByte(r);
        out[x * 4 + 3] = clampByte(a);
    }
}

}  // namespace

void resampleBgra(const uint8_t* src, int sw, int sh, size_t srcStride, uint8_t* dst, int dw, int dh) {
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
    Taps tx = makeTaps(sw, dw), ty = makeTaps(sh, dh);
    // Horizontal pass into 8-bit rows, then the vertical pass with one row of 32-bit sums.
    std::vector<uint8_t> mid(size_t(dw) * 4 * size_t(sh));
    bool fixed = sw >= tx.maxTaps;
    for (int y = 0; y < sh; y++) {
        const uint8_t* row = src + size_t(y) * srcStride;
        uint8_t* out = &mid[size_t(y) * size_t(dw) * 4];
        if (fixed && tx.maxTaps == 2)
            horizontalFixed<2>(row, out, dw, tx);
        else if (fixed && tx.maxTaps == 3)
            horizontalFixed<3>(row, out, dw, tx);
        else if (fixed && tx.maxTaps == 4)
            horizontalFixed<4>(row, out, dw, tx);
        else
            horizontalAny(row, out, dw, tx);
    }
    const size_t rowLen = size_t(dw) * 4;
    std::vector<int32_t> acc(rowLen);
    for (int y = 0; y < dh; y++) {
        std::fill(acc.begin(), acc.end(), 0);
        const int16_t* w = &ty.weights[size_t(y) * ty.maxTaps];
        for (int k = 0, n = ty.count[size_t(y)]; k < n; k++) {
            const uint8_t* in = &mid[size_t(ty.first[size_t(y)] + k) * rowLen];
            int32_t wk = w[k];
            if (wk == 0) continue;
            for (size_t i = 0; i < rowLen; i++) acc[i] += in[i] * wk;
        }
        uint8_t* out = dst + size_t(y) * rowLen;
        for (size_t i = 0; i < rowLen; i++) out[i] = clampByte(acc[i]);
    }
}

bool jpegFrameHeaderSize(const uint8_t* data, size_t len, int* width, int* height) {
    if (len < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
    size_t pos = 2;
    while (pos + 4 <= len) {
        if (data[pos] != 0xFF) return false;
        uint8_t m = data[pos + 1];
        if (m == 0xFF) {  // fill byte
            pos++;
            continue;
        }
        if (m == 0xD8 || m == 0x01 || (m >= 0xD0 && m <= 0xD7)) {
            pos += 2;
            continue;
        }
        if (m == 0xD9 || m == 0xDA) return false;  // no frame header before the scan
        size_t segLen = size_t(data[pos + 2]) << 8 | data[pos + 3];
        if (segLen < 2) return false;
        bool sof = m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
        if (sof) {
            if (pos + 9 > len || segLen < 7) return false;
            *height = int(data[pos + 5]) << 8 | data[pos + 6];
            *width = int(data[pos + 7]) << 8 | data[pos + 8];
            return *width > 0 && *height > 0;
        }
        pos += 2 + segLen;
    }
    return false;
}

WinErr jpegDecodeAllowed(const uint8_t* data, size_t len, int* width, int* height) {
    *width = *height = 0;
    int w = 0, h = 0;
    if (!data || !jpegFrameHeaderSize(data, len, &w, &h)) return kErrInvalidData;
    uint64_t pixels = uint64_t(w) * uint64_t(h);
    if (pixels > kJpegMaxPixels) return kErrNotEnoughMemory;
    if (pixels > uint64_t(len) * kJpegPixelsPerByte) return kErrInvalidData;
    *width = w;
    *height = h;
    return kErrOk;
}

void orientBgra(const uint8_t* src, int w, int h, int o, uint8_t* dst) {
    const bool swap = o >= 5 && o <= 8;
    const int ow = swap ? h : w, oh = swap ? w : h;
    for (int y = 0; y < oh; y++) {
        for (int x = 0; x < ow; x++) {
            int sx = x, sy = y;  // where the output pixel comes from
            switch (o) {
                case 2: sx = w - 1 - x; break;
                case 3: sx = w - 1 - x, sy = h - 1 - y; break;
                case 4: sy = h - 1 - y; break;
                case 5: sx = y, sy = x; break;
                case 6: sx = y, sy = h - 1 - x; break;
                case 7: sx = w - 1 - y, sy = h - 1 - x; break;
                case 8: sx = w - 1 - y, sy = x; break;
                default: break;
            }
            const uint8_t* s = src + (size_t(sy) * size_t(w) + size_t(sx)) * 4;
            uint8_t* d = dst + (size_t(y) * size_t(ow) + size_t(x)) * 4;
            d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = s[3];
        }
    }
}

}  // namespace lv
