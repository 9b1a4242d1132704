#include "platform/resample.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace lv {

namespace {

struct Tap {
    int index;
    float weight;
};
struct Taps {
    std::vector<int> start;  // first tap of each output position, plus one end marker
    std::vector<Tap> taps;
};

Taps makeTaps(int srcLen, int dstLen) {
    Taps t;
    t.start.reserve(size_t(dstLen) + 1);
    double scale = double(srcLen) / dstLen;
    for (int d = 0; d < dstLen; d++) {
        t.start.push_back(int(t.taps.size()));
        if (scale >= 1.0) {
            double a = d * scale, b = a + scale;
            int i0 = int(std::floor(a)), i1 = std::min(srcLen, int(std::ceil(b)));
            float inv = float(1.0 / scale);
            for (int i = i0; i < i1; i++) {
                double cover = std::min<double>(b, i + 1) - std::max<double>(a, i);
                if (cover > 1e-9) t.taps.push_back({i, float(cover) * inv});
            }
        } else {
            double c = (d + 0.5) * scale - 0.5;
            int i0 = int(std::floor(c));
            float f = float(c - i0);
            int a = std::clamp(i0, 0, srcLen - 1), b = std::clamp(i0 + 1, 0, srcLen - 1);
            t.taps.push_back({a, 1.0f - f});
            t.taps.push_back({b, f});
        }
    }
    t.start.push_back(int(t.taps.size()));
    return t;
}

inline uint8_t toByte(float v) { return uint8_t(std::clamp(v + 0.5f, 0.0f, 255.0f)); }

}  // namespace

void resampleBgra(const uint8_t* src, int sw, int sh, size_t srcStride, uint8_t* dst, int dw, int dh) {
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
    Taps tx = makeTaps(sw, dw), ty = makeTaps(sh, dh);
    // Horizontal pass into floats, one row per source row, then the vertical pass.
    std::vector<float> mid(size_t(dw) * 4 * size_t(sh));
    for (int y = 0; y < sh; y++) {
        const uint8_t* row = src + size_t(y) * srcStride;
        float* out = &mid[size_t(y) * dw * 4];
        for (int x = 0; x < dw; x++) {
            float b = 0, g = 0, r = 0, a = 0;
            for (int k = tx.start[x]; k < tx.start[x + 1]; k++) {
                const uint8_t* p = row + size_t(tx.taps[k].index) * 4;
                float w = tx.taps[k].weight;
                b += p[0] * w;
                g += p[1] * w;
                r += p[2] * w;
                a += p[3] * w;
            }
            out[x * 4 + 0] = b;
            out[x * 4 + 1] = g;
            out[x * 4 + 2] = r;
            out[x * 4 + 3] = a;
        }
    }
    std::vector<float> acc(size_t(dw) * 4);
    for (int y = 0; y < dh; y++) {
        std::fill(acc.begin(), acc.end(), 0.0f);
        for (int k = ty.start[y]; k < ty.start[y + 1]; k++) {
            const float* in = &mid[size_t(ty.taps[k].index) * dw * 4];
            float w = ty.taps[k].weight;
            for (size_t i = 0; i < acc.size(); i++) acc[i] += in[i] * w;
        }
        uint8_t* out = dst + size_t(y) * dw * 4;
        for (size_t i = 0; i < acc.size(); i++) out[i] = toByte(acc[i]);
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

}  // namespace lv
