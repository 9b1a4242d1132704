// Decode-and-scale speed: a JPEG decoded and scaled to a view size, as the viewer does for every
// photo it shows. Usage: bench_decode JPEG [WxH] [runs]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_decode JPEG [WxH] [runs]\n");
        return 2;
    }
    int w = 1920, h = 1080, runs = argc > 3 ? std::atoi(argv[3]) : 10;
    if (argc > 2 && std::sscanf(argv[2], "%dx%d", &w, &h) != 2) return 2;
    std::string bytes;
    if (lv::fileReadAll(argv[1], &bytes, 1u << 30)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes.data());
    int sw = 0, sh = 0;
    lv::jpegSize(p, bytes.size(), &sw, &sh);
    std::vector<double> ms;
    for (int i = 0; i < runs + 1; i++) {
        lv::Bgra img;
        uint64_t t0 = lv::perfCounter();
        if (lv::jpegDecodeScaled(p, bytes.size(), w, h, &img)) {
            std::fprintf(stderr, "decode failed\n");
            return 1;
        }
        double t = double(lv::perfCounter() - t0) * 1000.0 / double(lv::perfFrequency());
        if (i) ms.push_back(t);  // the first run warms caches
    }
    std::sort(ms.begin(), ms.end());
    std::printf("decode+scale %dx%d -> %dx%d: median %.1f ms, best %.1f ms (%d runs)\n", sw, sh, w, h,
                ms[ms.size() / 2], ms[0], runs);
    return 0;
}
