#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "core/pathname.h"
#include "platform/platform.h"

namespace lvtest {

std::string corpusDir() {
    std::string dir = lv::envGet("LUMIVORE_CORPUS");
    if (dir.empty()) {
        dir = LV_CORPUS_DIR;
#ifdef _WIN32
        // Wine shows the Linux root as drive Z:.
        if (!dir.empty() && dir[0] == '/') dir = "Z:" + dir;
        for (char& c : dir)
            if (c == '/') c = '\\';
#endif
    }
    if (!lv::isFolder(dir)) return {};
    return dir;
}

static void removeTree(const std::string& path) {
    std::vector<lv::DirEntry> entries;
    if (lv::listFolder(path, &entries) == 0) {
        for (const lv::DirEntry& e : entries) {
            std::string p = lv::joinPath(path, e.name);
            if (e.isFolder && !e.reparse)
                removeTree(p);
            else if (lv::fileDelete(p) != 0)
                lv::folderDelete(p);  // a link to a folder on Windows is removed as a folder
        }
    }
    lv::folderDelete(path);
}

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    std::string base = lv::envGet("TMPDIR");
    if (base.empty()) base = lv::envGet("TEMP");
    if (base.empty()) base = "/tmp";
    // Test programs run in parallel: the name must differ between processes, not only within one.
    static const unsigned processTag = std::random_device{}();
    path = lv::joinPath(base, "lvtest-" + std::to_string(processTag) + "-" + std::to_string(lv::perfCounter()) + "-" +
                                  std::to_string(counter++));
    lv::folderCreateAll(path);
}

TempDir::~TempDir() {
    if (!lv::envGet("LUMIVORE_KEEP_TEMP").empty()) return;
    removeTree(path);
}

std::string TempDir::file(const std::string& name) const { return lv::joinPath(path, name); }

bool writeFile(const std::string& path, const std::string& bytes) {
    lv::FileHandle f;
    if (lv::fileCreate(path, lv::CreateMode::CreateAlways, &f)) return false;
    bool ok = lv::fileWrite(f, bytes.data(), bytes.size()) == 0;
    lv::fileClose(&f);
    return ok;
}

std::string readFile(const std::string& path) {
    std::string s;
    lv::fileReadAll(path, &s, 1ull << 32);
    return s;
}

// [SECTION] a small baseline JPEG encoder
// Every 8x8 block is flat: only its DC term is coded (quantiser 1, the twelve size classes as
// 4-bit codes), and each block ends at once (end-of-block is the AC table's only code, "0").
std::string jpegSegment(uint8_t marker, const std::string& payload) {
    size_t len = payload.size() + 2;
    return std::string{char(0xFF), char(marker), char(len >> 8), char(len & 0xFF)} + payload;
}
std::string withSegments(const std::string& jpeg, const std::string& segments) {
    return jpeg.substr(0, 2) + segments + jpeg.substr(2);
}
std::string exifApp1(const std::string& tiff) { return jpegSegment(0xE1, std::string("Exif\0\0", 6) + tiff); }

std::string makeJpeg(int width, int height) {
    std::string out("\xFF\xD8", 2);
    out += jpegSegment(0xDB, std::string(1, '\0') + std::string(64, '\1'));
    std::string sof = {8, char(height >> 8), char(height & 0xFF), char(width >> 8), char(width & 0xFF), 3};
    for (char c : {1, 2, 3}) sof += {c, 0x11, 0};
    out += jpegSegment(0xC0, sof);
    std::string dht = std::string("\x00\0\0\0\x0C", 5) + std::string(12, '\0');
    for (char v = 0; v < 12; v++) dht += v;
    dht += std::string("\x10\x01", 2) + std::string(16, '\0');
    out += jpegSegment(0xC4, dht) + jpegSegment(0xDA, std::string("\x03\x01\0\x02\0\x03\0\0\x3F\0", 10));
    uint32_t acc = 0;
    int bits = 0;
    auto put = [&](uint32_t code, int len) {
        for (int i = len - 1; i >= 0; i--) {
            acc = (acc << 1) | ((code >> i) & 1);
            if (++bits < 8) continue;
            out += char(acc);
            if (acc == 0xFF) out += '\0';
            acc = 0, bits = 0;
        }
    };
    // The picture: left half a horizontal grey ramp, right half red / green / blue bars.
    int prev[3] = {0, 0, 0};
    for (int by = 0; by < height; by += 8)
        for (int bx = 0; bx < width; bx += 8) {
            double sum[3] = {0, 0, 0};
            for (int y = by; y < by + 8; y++)
                for (int x = bx; x < bx + 8; x++) {
                    int px = x < width ? x : width - 1, py = y < height ? y : height - 1, bar = 3 * py / height;
                    double g = 255.0 * px / (width / 2 > 1 ? width / 2 - 1 : 1);
                    double r = px < width / 2 ? g : bar == 0 ? 255 : 0, gr = px < width / 2 ? g : bar == 1 ? 255 : 0,
                           b = px < width / 2 ? g : bar == 2 ? 255 : 0;
                    sum[0] += 0.299 * r + 0.587 * gr + 0.114 * b - 128;
                    sum[1] += -0.168736 * r - 0.331264 * gr + 0.5 * b;
                    sum[2] += 0.5 * r - 0.418688 * gr - 0.081312 * b;
                }
            for (int c = 0; c < 3; c++) {
                int dc = int(std::lround(sum[c] / 8)), diff = dc - prev[c], size = 0;  // DC = 8 x the mean
                prev[c] = dc;
                while ((diff < 0 ? -diff : diff) >> size) size++;
                put(uint32_t(size), 4);
                put(uint32_t(diff < 0 ? diff + (1 << size) - 1 : diff), size);
                put(0, 1);
            }
        }
    while (bits) put(1, 1);
    out += "\xFF\xD9";
    return out;
}

}  // namespace lvtest

namespace {
// Tests decode on the main thread too; its decoder state is released before the process ends
// rather than by the exit itself, which under Wine can stall for a minute.
struct DecoderTeardown : ::testing::Environment {
    void TearDown() override { lv::jpegDecoderThreadEnd(); }
};
const ::testing::Environment* const kDecoderTeardown = ::testing::AddGlobalTestEnvironment(new DecoderTeardown);
}  // namespace

