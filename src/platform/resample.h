// Portable high-quality resampling of BGRA pictures: area averaging when shrinking (each output
// pixel is the coverage-weighted mean of the source pixels under it), linear when enlarging.
#pragma once
#include <cstddef>
#include <cstdint>

namespace lv {

void resampleBgra(const uint8_t* src, int sw, int sh, size_t srcStride, uint8_t* dst, int dw, int dh);
// Width and height of the JPEG frame header (SOF0..SOF15 but DHT/JPG/DAC); false when none is found.
bool jpegFrameHeaderSize(const uint8_t* data, size_t len, int* width, int* height);

// Turns a BGRA picture (stride 4 * w) upright by its EXIF orientation 1..8 (2 mirrored, 3 turned
// half round, 4 flipped, 5 transposed, 6 to be turned clockwise, 7 transversed, 8 to be turned
// anticlockwise). For 5..8 the output is h x w. Other values copy the picture.
void orientBgra(const uint8_t* src, int w, int h, int orientation, uint8_t* dst);

}  // namespace lv
