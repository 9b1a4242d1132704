#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "commands.h"
#include "options.h"
#include "core/pathname.h"
#include "metadata/preview.h"
#include "metadata/tiff.h"
#include "platform/platform.h"
#include "platform/resample.h"

namespace lv::cli {

namespace {

void put16(std::string& s, uint32_t v) {
    s += char(v & 0xFF);
    s += char((v >> 8) & 0xFF);
}
void put32(std::string& s, uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}
void put32be(std::string& s, uint32_t v) {
    s += char(v >> 24);
    s += char((v >> 16) & 0xFF);
    s += char((v >> 8) & 0xFF);
    s += char(v & 0xFF);
}

// A top-down 32-bit BMP (negative height), as GDI would take the buffer.
std::string encodeBmp(const Bgra& img) {
    std::string s = "BM";
    uint32_t pixelBytes = uint32_t(img.pixels.size());
    put32(s, 14 + 40 + pixelBytes);
    put32(s, 0);
    put32(s, 14 + 40);
    put32(s, 40);
    put32(s, uint32_t(img.width));
    put32(s, uint32_t(-img.height));
    put16(s, 1);
    put16(s, 32);
    put32(s, 0);
    put32(s, pixelBytes);
    put32(s, 2835);
    put32(s, 2835);
    put32(s, 0);
    put32(s, 0);
    s.append(reinterpret_cast<const char*>(img.pixels.data()), img.pixels.size());
    return s;
}

uint32_t crc32(const uint8_t* p, size_t n, uint32_t c = 0xFFFFFFFFu) {
    static uint32_t table[256];
    if (!table[1])
        for (uint32_t i = 0; i < 256; i++) {
            uint32_t v = i;
            for (int k = 0; k < 8; k++) v = v & 1 ? 0xEDB88320u ^ (v >> 1) : v >> 1;
            table[i] = v;
        }
    for (size_t i = 0; i < n; i++) c = table[(c ^ p[i]) & 0xFF] ^ (c >> 8);
    return c;
}

uint32_t adler32(const std::string& d) {
    uint32_t a = 1, b = 0;
    for (unsigned char c : d) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void chunk(std::string& out, const char* type, const std::string& data) {
    put32be(out, uint32_t(data.size()));
    std::string td = std::string(type, 4) + data;
    out += td;
    put32be(out, crc32(reinterpret_cast<const uint8_t*>(td.data()), td.size()) ^ 0xFFFFFFFFu);
}

}  // namespace

// An RGB PNG with stored (uncompressed) deflate blocks: no compression library needed.
std::string encodePng(const Bgra& img) {
    std::string raw;
    raw.reserve(size_t(img.height) * (size_t(img.width) * 3 + 1));
    for (int y = 0; y < img.height; y++) {
        raw += char(0);
        const uint8_t* row = &img.pixels[size_t(y) * size_t(img.width) * 4];
        for (int x = 0; x < img.width; x++) {
            raw += char(row[x * 4 + 2]);
            raw += char(row[x * 4 + 1]);
            raw += char(row[x * 4 + 0]);
        }
    }
    std::string z = "\x78\x01";
    for (size_t pos = 0; pos < raw.size() || pos == 0;) {
        size_t n = raw.size() - pos < 65535 ? raw.size() - pos : 65535;
        bool last = pos + n >= raw.size();
        z += char(last ? 1 : 0);
        put16(z, uint32_t(n));
        put16(z, uint32_t(~n & 0xFFFF));
        z.append(raw, pos, n);
        pos += n;
        if (last) break;
    }
    put32be(z, adler32(raw));
    std::string out = "\x89PNG\r\n\x1a\n";
    std::string ihdr;
    put32be(ihdr, uint32_t(img.width));
    put32be(ihdr, uint32_t(img.height));
    ihdr.append("\x08\x02\x00\x00\x00", 5);
    chunk(out, "IHDR", ihdr);
    chunk(out, "IDAT", z);
    chunk(out, "IEND", "");
    return out;
}

// Decodes as the viewer does: the picture turned upright by its EXIF orientation (--stored keeps
// it as stored) and, with --size, fitted into the box keeping its aspect ratio (--exact stretches
// it to the box).
int runDecode(const Args& args) {
    ParsedArgs p;
    int rc = kExitOk;
    if (!parseArgs("decode", args,
                   {{"--size", "WxH"}, {"--exact", nullptr}, {"--stored", nullptr}, {"-o", "OUT"}, {"--force", nullptr}},
                   &p, &rc))
        return rc;
    if (p.operands.size() != 1 || !p.has("-o")) return usageError("decode", "a JPEG and -o OUT are required");
    const std::string in = p.operands[0], out = p.value("-o");
    int boxW = 0, boxH = 0;
    if (p.has("--size") && !parseSize(p.value("--size"), 32768, &boxW, &boxH))
        return usageError("decode", "--size wants WxH with each side from 1 to 32768, e.g. 1920x1080");
    if (p.has("--exact") && !boxW) return usageError("decode", "--exact needs --size");
    std::string ext = lowerAscii(extensionOf(out));
    if (out != "-" && ext != ".png" && ext != ".bmp") return usageError("decode", "the output must end in .png or .bmp");

    std::string bytes;
    WinErr e = fileReadAll(in, &bytes, 512u << 20);
    if (e) {
        std::fprintf(stderr, "lumivore decode: %s: %s\n", shownPath(in).c_str(), describeError(e).c_str());
        return kExitFailed;
    }
    const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data());
    int sw = 0, sh = 0;
    if (jpegSize(data, bytes.size(), &sw, &sh)) {
        std::fprintf(stderr, "lumivore decode: %s: not a JPEG\n", shownPath(in).c_str());
        return kExitFailed;
    }
    ByteView head(data, bytes.size() < (256u << 10) ? bytes.size() : (256u << 10));
    int orientation = p.has("--stored") ? 1 : readOrientation(head, identifyContainer(head));
    const bool turned = orientation >= 5 && orientation <= 8;
    const int uw = turned ? sh : sw, uh = turned ? sw : sh;  // upright size
    int tw = uw, th = uh;
    if (boxW && p.has("--exact")) {
        tw = boxW, th = boxH;
    } else if (boxW) {
        double scale = std::min(double(boxW) / uw, double(boxH) / uh);
        tw = std::max(1, int(uw * scale + 0.5)), th = std::max(1, int(uh * scale + 0.5));
        tw = std::min(tw, boxW), th = std::min(th, boxH);
    }
    // Refused before any pixel memory: more pixels than the ceiling, or than the data can describe.
    const int dw = boxW ? (turned ? th : tw) : sw, dh = boxW ? (turned ? tw : th) : sh;
    int aw = 0, ah = 0;
    WinErr refused = jpegDecodeAllowed(data, bytes.size(), &aw, &ah);
    if (!refused && uint64_t(dw) * uint64_t(dh) > kJpegMaxPixels) refused = kErrNotEnoughMemory, sw = dw, sh = dh;
    if (refused) {
        if (refused == kErrNotEnoughMemory)
            std::fprintf(stderr, "lumivore decode: %s: %dx%d is more than the %llu pixels a decode may have\n",
                         shownPath(in).c_str(), sw, sh, (unsigned long long)kJpegMaxPixels);
        else
            std::fprintf(stderr, "lumivore decode: %s: a %dx%d picture cannot come from %zu bytes; the header is wrong\n",
                         shownPath(in).c_str(), sw, sh, bytes.size());
        return kExitFailed;
    }
    Bgra stored;
    uint64_t t0 = perfCounter();
    e = boxW ? jpegDecodeScaled(data, bytes.size(), dw, dh, &stored) : jpegDecode(data, bytes.size(), &stored);
    double ms = double(perfCounter() - t0) * 1000.0 / double(perfFrequency());
    if (e) {
        std::fprintf(stderr, "lumivore decode: %s: the JPEG is corrupt or truncated (error %u)\n", shownPath(in).c_str(), e);
        return kExitFailed;
    }
    Bgra img;
    img.width = turned ? stored.height : stored.width;
    img.height = turned ? stored.width : stored.height;
    img.pixels.resize(stored.pixels.size());
    orientBgra(stored.pixels.data(), stored.width, stored.height, orientation, img.pixels.data());
    std::string encoded = ext == ".bmp" ? encodeBmp(img) : encodePng(img);
    rc = writeOutput("decode", out, encoded, p.has("--force"), in);
    if (rc == kExitOk)
        std::fprintf(out == "-" ? stderr : stdout, "%s: %dx%d (orientation %d) -> %dx%d in %.1f ms -> %s\n",
                     shownPath(in).c_str(), sw, sh, orientation, img.width, img.height, ms,
                     out == "-" ? "standard output" : shownPath(out).c_str());
    return rc;
}

}  // namespace lv::cli
