// Helpers shared by every test program.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace lvtest {

// The real camera files, or empty when they are not beside the checkout (tests then skip).
// LUMIVORE_CORPUS overrides the built-in location.
std::string corpusDir();
// A fresh empty folder for one test, removed by the destructor.
struct TempDir {
    std::string path;  // with no trailing separator
    TempDir();
    ~TempDir();
    std::string file(const std::string& name) const;  // path + separator + name
};
bool writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
// A baseline JPEG made in the test: a grey ramp beside colour bars, width x height, flat 8x8
// blocks. Built by our own tiny encoder so tests need no encoder library on either system.
std::string makeJpeg(int width, int height);
// A JPEG marker segment: FF, marker, the big-endian length, payload.
std::string jpegSegment(uint8_t marker, const std::string& payload);
// jpeg with the given segments right after its SOI; an EXIF APP1 holding a TIFF.
std::string withSegments(const std::string& jpeg, const std::string& segments);
std::string exifApp1(const std::string& tiff);

}  // namespace lvtest
