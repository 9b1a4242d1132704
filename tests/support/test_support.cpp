#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// [SECTION] a small baseline JPEG encoder (4:4:4, standard Huffman tables)
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kSqrtHalf = 0.70710678118654752440;

const uint8_t kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
                             41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
                             30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
const uint8_t kLumQ[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                           14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                           18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                           49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
const uint8_t kChrQ[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
                           99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                           99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};
const uint8_t kDcLumBits[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
const uint8_t kDcVals[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
const uint8_t kDcChrBits[16] = {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
const uint8_t kAcLumBits[16] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
const uint8_t kAcLumVals[162] = {
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07, 0x22, 0x71, 0x14,
    0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72, 0x82, 0x09,
    0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a,
    0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64, 0x65,
    0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88,
    0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9,
    0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca,
    0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea,
    0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};
const uint8_t kAcChrBits[16] = {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77};
const uint8_t kAcChrVals[162] = {
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71, 0x13, 0x22, 0x32,
    0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33, 0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1, 0x0a, 0x16,
    0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18, 0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36, 0x37, 0x38, 0x39,
    0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64,
    0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x82, 0x83, 0x84, 0x85, 0x86,
    0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7,
    0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8,
    0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9,
    0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

struct Huff {
    uint16_t code[256];
    uint8_t len[256];
};

Huff buildHuff(const uint8_t bits[16], const uint8_t* vals) {
    Huff h{};
    int k = 0;
    uint16_t code = 0;
    for (int l = 1; l <= 16; l++) {
        for (int i = 0; i < bits[l - 1]; i++, k++) {
            h.code[vals[k]] = code++;
            h.len[vals[k]] = uint8_t(l);
        }
        code <<= 1;
    }
    return h;
}

struct BitWriter {
    std::string& out;
    uint32_t acc = 0;
    int n = 0;
    void put(uint32_t code, int len) {
        for (int i = len - 1; i >= 0; i--) {
            acc = (acc << 1) | ((code >> i) & 1);
            if (++n == 8) {
                out += char(acc);
                if (acc == 0xFF) out += char(0);
                acc = 0;
                n = 0;
            }
        }
    }
    void flush() {
        while (n) put(1, 1);
    }
};

void encodeBlock(BitWriter& bw, const float in[64], const uint8_t q[64], int& prevDc, const Huff& dc, const Huff& ac) {
    static float cosT[8][8];  // cosT[u][x]
    static bool ready = false;
    if (!ready) {
        for (int u = 0; u < 8; u++)
            for (int x = 0; x < 8; x++) cosT[u][x] = float(std::cos((2 * x + 1) * u * kPi / 16));
        ready = true;
    }
    float rows[64], coef[64];  // separable: rows first, then columns
    for (int y = 0; y < 8; y++)
        for (int u = 0; u < 8; u++) {
            float s = 0;
            for (int x = 0; x < 8; x++) s += in[y * 8 + x] * cosT[u][x];
            rows[y * 8 + u] = s * (u ? 0.5f : 0.5f * float(kSqrtHalf));
        }
    for (int u = 0; u < 8; u++)
        for (int v = 0; v < 8; v++) {
            float s = 0;
            for (int y = 0; y < 8; y++) s += rows[y * 8 + u] * cosT[v][y];
            coef[v * 8 + u] = s * (v ? 0.5f : 0.5f * float(kSqrtHalf));
        }
    int zz[64];
    for (int i = 0; i < 64; i++) zz[i] = int(std::lround(coef[kZigzag[i]] / q[kZigzag[i]]));
    auto bitsOf = [](int v, int& size) {
        int a = v < 0 ? -v : v;
        size = 0;
        while (a) {
            size++;
            a >>= 1;
        }
        return v < 0 ? uint32_t(v + (1 << size) - 1) : uint32_t(v);
    };
    int diff = zz[0] - prevDc, size;
    prevDc = zz[0];
    uint32_t b = bitsOf(diff, size);
    bw.put(dc.code[size], dc.len[size]);
    bw.put(b, size);
    int run = 0;
    for (int i = 1; i < 64; i++) {
        if (zz[i] == 0) {
            run++;
            continue;
        }
        while (run > 15) {
            bw.put(ac.code[0xF0], ac.len[0xF0]);
            run -= 16;
        }
        b = bitsOf(zz[i], size);
        int sym = (run << 4) | size;
        bw.put(ac.code[sym], ac.len[sym]);
        bw.put(b, size);
        run = 0;
    }
    if (run) bw.put(ac.code[0], ac.len[0]);
}

void segment(std::string& out, uint8_t marker, const std::string& body) {
    out += char(0xFF);
    out += char(marker);
    size_t len = body.size() + 2;
    out += char(len >> 8);
    out += char(len & 0xFF);
    out += body;
}

}  // namespace

std::string makeJpeg(int width, int height) {
    std::string out("\xFF\xD8", 2);
    std::string dqt;
    dqt += char(0);
    for (int i = 0; i < 64; i++) dqt += char(kLumQ[kZigzag[i]] / 4 ? kLumQ[kZigzag[i]] / 4 : 1);
    dqt += char(1);
    for (int i = 0; i < 64; i++) dqt += char(kChrQ[kZigzag[i]] / 4 ? kChrQ[kZigzag[i]] / 4 : 1);
    segment(out, 0xDB, dqt);
    uint8_t ql[64], qc[64];
    for (int i = 0; i < 64; i++) {
        ql[i] = uint8_t(kLumQ[i] / 4 ? kLumQ[i] / 4 : 1);
        qc[i] = uint8_t(kChrQ[i] / 4 ? kChrQ[i] / 4 : 1);
    }
    std::string sof;
    sof += char(8);
    sof += char(height >> 8);
    sof += char(height & 0xFF);
    sof += char(width >> 8);
    sof += char(width & 0xFF);
    sof += char(3);
    for (int c = 0; c < 3; c++) {
        sof += char(c + 1);
        sof += char(0x11);
        sof += char(c ? 1 : 0);
    }
    segment(out, 0xC0, sof);
    auto dht = [&](int cls, int id, const uint8_t bits[16], const uint8_t* vals) {
        std::string b;
        b += char((cls << 4) | id);
        int n = 0;
        for (int i = 0; i < 16; i++) {
            b += char(bits[i]);
            n += bits[i];
        }
        b.append(reinterpret_cast<const char*>(vals), size_t(n));
        segment(out, 0xC4, b);
    };
    dht(0, 0, kDcLumBits, kDcVals);
    dht(1, 0, kAcLumBits, kAcLumVals);
    dht(0, 1, kDcChrBits, kDcVals);
    dht(1, 1, kAcChrBits, kAcChrVals);
    std::string sos;
    sos += char(3);
    for (int c = 0; c < 3; c++) {
        sos += char(c + 1);
        sos += char(c ? 0x11 : 0x00);
    }
    sos += char(0);
    sos += char(63);
    sos += char(0);
    segment(out, 0xDA, sos);
    Huff dcL = buildHuff(kDcLumBits, kDcVals), acL = buildHuff(kAcLumBits, kAcLumVals);
    Huff dcC = buildHuff(kDcChrBits, kDcVals), acC = buildHuff(kAcChrBits, kAcChrVals);
    BitWriter bw{out};
    int prev[3] = {0, 0, 0};
    // The picture: left half a horizontal grey ramp, right half red / green / blue bars.
    auto pixel = [&](int x, int y, float rgb[3]) {
        x = x < width ? x : width - 1;
        y = y < height ? y : height - 1;
        if (x < width / 2) {
            float g = 255.0f * x / (width / 2 > 1 ? width / 2 - 1 : 1);
            rgb[0] = rgb[1] = rgb[2] = g;
        } else {
            int bar = 3 * y / height;
            rgb[0] = bar == 0 ? 255.f : 0.f;
            rgb[1] = bar == 1 ? 255.f : 0.f;
            rgb[2] = bar == 2 ? 255.f : 0.f;
        }
    };
    for (int by = 0; by < height; by += 8)
        for (int bx = 0; bx < width; bx += 8) {
            float ch[3][64];
            for (int y = 0; y < 8; y++)
                for (int x = 0; x < 8; x++) {
                    float rgb[3];
                    pixel(bx + x, by + y, rgb);
                    ch[0][y * 8 + x] = 0.299f * rgb[0] + 0.587f * rgb[1] + 0.114f * rgb[2] - 128;
                    ch[1][y * 8 + x] = -0.168736f * rgb[0] - 0.331264f * rgb[1] + 0.5f * rgb[2];
                    ch[2][y * 8 + x] = 0.5f * rgb[0] - 0.418688f * rgb[1] - 0.081312f * rgb[2];
                }
            encodeBlock(bw, ch[0], ql, prev[0], dcL, acL);
            encodeBlock(bw, ch[1], qc, prev[1], dcC, acC);
            encodeBlock(bw, ch[2], qc, prev[2], dcC, acC);
        }
    bw.flush();
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

