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
    // The last: hundreds of taps, whose rounded weights must still add up to one.
    for (auto [sw, sh, dw, dh] : {std::array{37, 23, 5, 7}, std::array{100, 10, 99, 3}, std::array{8, 8, 21, 13},
                                  std::array{6000, 4, 7, 1}}) {
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

// A 3 x 2 picture whose pixels are numbered 0..5 row by row, turned by each orientation: the
// rows of the upright result, as a viewer shows it.
TEST(Orient, EveryExifOrientationTurnsUpright) {
    const struct {
        int orientation;
        int w, h;
        std::vector<int> pixels;
    } kCases[] = {
        {1, 3, 2, {0, 1, 2, 3, 4, 5}}, {2, 3, 2, {2, 1, 0, 5, 4, 3}}, {3, 3, 2, {5, 4, 3, 2, 1, 0}},
        {4, 3, 2, {3, 4, 5, 0, 1, 2}}, {5, 2, 3, {0, 3, 1, 4, 2, 5}}, {6, 2, 3, {3, 0, 4, 1, 5, 2}},
        {7, 2, 3, {5, 2, 4, 1, 3, 0}}, {8, 2, 3, {2, 5, 1, 4, 0, 3}},
    };
    std::vector<uint8_t> src(3 * 2 * 4);
    for (int i = 0; i < 6; i++) src[size_t(i) * 4] = uint8_t(i);
    for (const auto& c : kCases) {
        std::vector<uint8_t> dst(src.size(), 0xEE);
        lv::orientBgra(src.data(), 3, 2, c.orientation, dst.data());
        std::vector<int> got;
        for (size_t i = 0; i < 6; i++) got.push_back(dst[i * 4]);
        EXPECT_EQ(got, c.pixels) << "orientation " << c.orientation;
    }
}
