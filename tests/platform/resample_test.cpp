#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "platform/resample.h"

using namespace lv;

namespace {
// Area-average reference in doubles, one channel.
double reference(const std::vector<uint8_t>& src, int sw, int sh, int dx, int dy, int dw, int dh, int c) {
    double sx = double(sw) / dw, sy = double(sh) / dh, sum = 0;
    double x0 = dx * sx, x1 = x0 + sx, y0 = dy * sy, y1 = y0 + sy;
    for (int y = int(y0); y < int(std::ceil(y1)) && y < sh; y++)
        for (int x = int(x0); x < int(std::ceil(x1)) && x < sw; x++) {
            double cover = (std::min<double>(x1, x + 1) - std::max<double>(x0, x)) *
                           (std::min<double>(y1, y + 1) - std::max<double>(y0, y));
            sum += cover * src[(size_t(y) * sw + x) * 4 + c];
        }
    return sum / (sx * sy);
}
}  // namespace

TEST(Resample, ConstantStaysExactlyConstant) {
    for (auto [sw, sh, dw, dh] : {std::array{37, 23, 5, 7}, std::array{100, 10, 99, 3}, std::array{8, 8, 21, 13}}) {
        std::vector<uint8_t> src(size_t(sw) * sh * 4);
        for (size_t i = 0; i < src.size(); i += 4) {
            src[i] = 37;
            src[i + 1] = 200;
            src[i + 2] = 90;
            src[i + 3] = 255;
        }
        std::vector<uint8_t> dst(size_t(dw) * dh * 4, 1);
        resampleBgra(src.data(), sw, sh, size_t(sw) * 4, dst.data(), dw, dh);
        for (size_t i = 0; i < dst.size(); i += 4) {
            ASSERT_EQ(dst[i], 37) << sw << "->" << dw;
            ASSERT_EQ(dst[i + 1], 200);
            ASSERT_EQ(dst[i + 2], 90);
            ASSERT_EQ(dst[i + 3], 255);
        }
    }
}

TEST(Resample, ShrinkingMatchesTheAreaAverageAtEveryEdge) {
    // Ratios that give 2, 3, 4 and many taps, with the last output pixels at the source's end.
    for (auto [sw, dw] : {std::pair{10, 7}, std::pair{2250, 1920}, std::pair{31, 11}, std::pair{97, 13}, std::pair{5, 1}}) {
        int sh = 6, dh = 3;
        std::vector<uint8_t> src(size_t(sw) * sh * 4);
        for (size_t i = 0; i < src.size(); i++) src[i] = uint8_t((i * 2654435761u) >> 24);
        std::vector<uint8_t> dst(size_t(dw) * dh * 4);
        resampleBgra(src.data(), sw, sh, size_t(sw) * 4, dst.data(), dw, dh);
        for (int y = 0; y < dh; y++)
            for (int x = 0; x < dw; x++)
                for (int c = 0; c < 4; c++)
                    ASSERT_NEAR(dst[(size_t(y) * dw + x) * 4 + c], reference(src, sw, sh, x, y, dw, dh, c), 1.01)
                        << sw << "->" << dw << " at " << x << "," << y;
    }
}
