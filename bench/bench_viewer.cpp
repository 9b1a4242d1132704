// The viewer's speed, in-process parts (bench/viewer.sh runs them all in one go):
//
//   bench_viewer graft RAW.CR2 BIG.jpg OUT.CR2   a copy of a CR2 whose IFD0 preview is BIG.jpg
//   bench_viewer next FOLDER [WxH] [steps]       next photo from the decoded cache: key to pixels
//   bench_viewer cold RAW [WxH] [runs]           cold show of a RAW's preview (extract + decode +
//                                                scale) beside djpeg -scale + our resampler and
//                                                exiv2 -ep + djpeg, on the same bytes
//   bench_viewer drop PATH...                    drop the files' cached pages (cold reads)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/pathname.h"
#include "metadata/preview.h"
#include "platform/platform.h"
#include "platform/resample.h"
#include "viewer/commands.h"
#include "viewer/viewer.h"

using namespace lv;

namespace {

double nowMs() { return double(perfCounter()) * 1000.0 / double(perfFrequency()); }

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double best(const std::vector<double>& v) { return v.empty() ? 0 : *std::min_element(v.begin(), v.end()); }

bool parseSize(const char* s, int* w, int* h) { return std::sscanf(s, "%dx%d", w, h) == 2 && *w > 0 && *h > 0; }

int fail(const std::string& m) {
    std::fprintf(stderr, "bench_viewer: %s\n", m.c_str());
    return 1;
}

// [SECTION] graft
void putU32(std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) b[at + size_t(i)] = char(v >> (8 * i));
}
uint32_t getU32(const std::string& b, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; i++) v |= uint32_t(uint8_t(b[at + size_t(i)])) << (8 * i);
    return v;
}
uint16_t getU16(const std::string& b, size_t at) { return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8); }

int graft(const std::string& raw, const std::string& jpeg, const std::string& out) {
    std::string r, j;
    if (fileReadAll(raw, &r, 1u << 30) || fileReadAll(jpeg, &j, 1u << 30)) return fail("cannot read the inputs");
    if (r.size() < 16 || r.compare(0, 2, "II") != 0) return fail("not a little-endian CR2");
    size_t ifd = getU32(r, 4);
    int n = getU16(r, ifd);
    size_t offsetEntry = 0, countEntry = 0;
    for (int i = 0; i < n; i++) {
        size_t e = ifd + 2 + size_t(i) * 12;
        if (getU16(r, e) == 0x111) offsetEntry = e;
        if (getU16(r, e) == 0x117) countEntry = e;
    }
    if (!offsetEntry || !countEntry) return fail("IFD0 has no strip preview");
    putU32(r, offsetEntry + 8, uint32_t(r.size()));
    putU32(r, countEntry + 8, uint32_t(j.size()));
    r += j;
    FileHandle f;
    WinErr e = fileCreate(out, CreateMode::CreateNew, &f);
    if (!e) e = fileWrite(f, r.data(), r.size());
    fileClose(&f);
    return e ? fail("cannot write " + out) : 0;
}

// [SECTION] next photo from the decoded cache
int nextFromCache(const std::string& folder, int w, int h, int steps) {
    FolderState fs;
    if (loadFolder(fs, fullPath(folder), "") < 2) return fail("the folder needs two photos or more");
    Viewer v;
    ViewerSetup setup;
    setup.cacheMode = 3;
    setup.workerCount = workerCountFor(processorCount());
    viewerInit(v, setup, &fs);
    viewerFolderOpened(v);
    ViewerUi ui;
    Rect area{0, 0, w, h};
    showPhoto(v, 0, area);
    viewerStart(v);
    std::vector<double> key, paint, extract;
    int misses = 0;
    for (int i = 0; i < steps && fs.currentPosition + 1 < visibleLength(fs); i++) {
        int next = visibleToPhoto(fs, fs.currentPosition + 1);
        for (int t = 0; t < 2000; t++) {  // the workers prefetch it as a held key would let them
            {
                LockGuard g(v.cacheLock);
                if (isDecodedCached(v.decoded, next)) break;
            }
            sleepMs(1);
        }
        double t0 = nowMs();
        KeyOutcome o = handleKey(ui, fs, KeyInput{kVkRight});
        ShowResult r = showPhoto(v, fs.currentPosition, area);
        double t1 = nowMs();
        if (!o.show || !r.plan.fromCache) {
            misses++;
            continue;
        }
        key.push_back(t1 - t0);
        double p0 = nowMs();
        ViewPlan again = paintView(v, area);  // the paint alone: lookup and plan
        paint.push_back(nowMs() - p0);
        (void)again;
    }
    viewerStop(v);
    std::printf("next photo from the decoded cache (%dx%d, %zu steps, %d not yet cached):\n", w, h, key.size(), misses);
    std::printf("  key to pixels ready: best %.3f ms, median %.3f ms, worst %.3f ms\n", best(key), median(key),
                key.empty() ? 0 : *std::max_element(key.begin(), key.end()));
    std::printf("  of which the paint (cache lookup, plan): median %.4f ms\n", median(paint));
    return 0;
}

// [SECTION] cold show
double runMs(const std::string& cmd) {
    double t0 = nowMs();
    if (std::system((cmd + " 2>/dev/null").c_str()) != 0) return -1;
    return nowMs() - t0;
}

// Reads a binary PPM (P6) as BGRA.
bool readPpm(const std::string& path, Bgra* out) {
    std::string d;
    if (fileReadAll(path, &d, 1u << 30)) return false;
    int w = 0, h = 0, maxv = 0, used = 0;
    if (std::sscanf(d.c_str(), "P6 %d %d %d%n", &w, &h, &maxv, &used) != 3 || maxv != 255) return false;
    size_t at = size_t(used) + 1;
    if (d.size() < at + size_t(w) * size_t(h) * 3) return false;
    out->width = w;
    out->height = h;
    out->pixels.resize(size_t(w) * size_t(h) * 4);
    for (size_t i = 0; i < size_t(w) * size_t(h); i++) {
        out->pixels[i * 4] = uint8_t(d[at + i * 3 + 2]);
        out->pixels[i * 4 + 1] = uint8_t(d[at + i * 3 + 1]);
        out->pixels[i * 4 + 2] = uint8_t(d[at + i * 3]);
        out->pixels[i * 4 + 3] = 255;
    }
    return true;
}

int coldShow(const std::string& raw, int w, int h, int runs) {
    std::string tmp = tempRoot() + "/lumivore-bench-cold";
    folderCreateAll(tmp);
    PreviewResult pr = extractPreview(raw);
    int sw = 0, sh = 0;
    if (pr.preview.empty() || jpegSize(pr.preview.data(), pr.preview.size(), &sw, &sh)) return fail("no JPEG preview");
    int ow = 0, oh = 0;
    if (!scaledSizeFor(sw, sh, w, h, 0, &ow, &oh)) return fail("the preview is not larger than the view");
    std::string jpg = tmp + "/preview.jpg", ppm = tmp + "/preview.ppm";
    FileHandle f;
    fileCreate(jpg, CreateMode::CreateAlways, &f);
    fileWrite(f, pr.preview.data(), pr.preview.size());
    fileClose(&f);
    int num = 1;
    while (num < 8 && (int64_t(sw) * num / 8 < ow || int64_t(sh) * num / 8 < oh)) num++;

    std::vector<double> ours, extractOnly, djpegPlus, exivPipe;
    bool dropped = fileDropCache(raw) == 0;
    for (int i = 0; i < runs; i++) {
        fileDropCache(raw);
        double t0 = nowMs();
        PreviewResult r = extractPreview(raw);
        double t1 = nowMs();
        ScaledPicture sp = decodeScaled(r.preview, w, h, 0);
        double t2 = nowMs();
        if (sp.code != kDecodeScaled) return fail("decode failed");
        ours.push_back(t2 - t0);
        extractOnly.push_back(t1 - t0);

        double d = runMs("djpeg -scale " + std::to_string(num) + "/8 -ppm -outfile \"" + ppm + "\" \"" + jpg + "\"");
        Bgra big, out;
        double r0 = nowMs();
        if (d < 0 || !readPpm(ppm, &big)) return fail("djpeg failed");
        out.pixels.resize(size_t(ow) * size_t(oh) * 4);
        resampleBgra(big.pixels.data(), big.width, big.height, size_t(big.width) * 4, out.pixels.data(), ow, oh);
        djpegPlus.push_back(d + nowMs() - r0);

        fileDropCache(raw);
        std::string base = tmp + "/" + std::string(stemOf(fileNamePart(raw)));
        double e = runMs("exiv2 -q -f -ep" + std::string("1") + " -l \"" + tmp + "\" \"" + raw + "\"");
        std::string extracted;
        for (const char* ext : {"-preview1.jpg", "-preview1.tif"})
            if (pathExists(base + ext)) extracted = base + ext;
        double e2 = extracted.empty() ? -1 : runMs("djpeg -scale " + std::to_string(num) + "/8 -ppm -outfile \"" + ppm + "\" \"" + extracted + "\"");
        if (e >= 0 && e2 >= 0) exivPipe.push_back(e + e2);
        if (!extracted.empty()) fileDelete(extracted);
    }
    fileDelete(jpg);
    fileDelete(ppm);
    folderDelete(tmp);
    std::printf("cold show of %s: preview %dx%d, %zu bytes -> %dx%d in %dx%d (%s, %d runs, best / median)\n",
                std::string(fileNamePart(raw)).c_str(), sw, sh, pr.preview.size(), ow, oh, w, h,
                dropped ? "page cache dropped before each run" : "page cache NOT dropped", runs);
    std::printf("  ours (extract + decode + scale):       %7.1f / %7.1f ms (extract alone %.1f ms)\n", best(ours),
                median(ours), median(extractOnly));
    std::printf("  djpeg -scale %d/8 + our resampler:       %7.1f / %7.1f ms (process start included)\n", num,
                best(djpegPlus), median(djpegPlus));
    if (!exivPipe.empty())
        std::printf("  exiv2 -ep1 then djpeg -scale %d/8:       %7.1f / %7.1f ms (two processes)\n", num, best(exivPipe),
                    median(exivPipe));
    else
        std::printf("  exiv2 -ep1 then djpeg: exiv2 extracted no preview\n");
    std::printf("  ours / (djpeg + resampler): %.2f\n", median(ours) / std::max(median(djpegPlus), 1e-9));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> a(argv + 1, argv + argc);
    int w = 1920, h = 1080;
    if (a.size() == 4 && a[0] == "graft") return graft(a[1], a[2], a[3]);
    if (a.size() >= 2 && a[0] == "next") {
        if (a.size() > 2 && !parseSize(a[2].c_str(), &w, &h)) return fail("bad size");
        return nextFromCache(a[1], w, h, a.size() > 3 ? std::atoi(a[3].c_str()) : 20);
    }
    if (a.size() >= 2 && a[0] == "cold") {
        if (a.size() > 2 && !parseSize(a[2].c_str(), &w, &h)) return fail("bad size");
        return coldShow(a[1], w, h, a.size() > 3 ? std::max(1, std::atoi(a[3].c_str())) : 5);
    }
    if (a.size() >= 2 && a[0] == "drop") {
        int bad = 0;
        for (size_t i = 1; i < a.size(); i++) bad += fileDropCache(a[i]) != 0;
        return bad ? fail(std::to_string(bad) + " files kept their cached pages") : 0;
    }
    std::fprintf(stderr, "usage: bench_viewer graft|next|cold|drop ... (see the top of bench/bench_viewer.cpp)\n");
    return 2;
}
