// Strip filter costs: evaluating a filter and every token's match count over the facts of a
// large shoot (the dialog recounts on every change), and the same through the folder's photo
// list, copying each photo's record under the cache lock as the viewer does.
// Usage: bench_filter [photos, default 50000]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "filter/filter.h"
#include "platform/platform.h"

namespace {

// The median wall time of a run, and the processor time per run (*cpuMs), which a busy machine
// does not inflate.
double timeMs(const std::function<void()>& fn, int runs, double* cpuMs) {
    std::vector<double> ms;
    std::clock_t c0 = std::clock();
    for (int i = 0; i < runs; i++) {
        uint64_t t0 = lv::perfCounter();
        fn();
        ms.push_back(double(lv::perfCounter() - t0) * 1000.0 / double(lv::perfFrequency()));
    }
    *cpuMs = double(std::clock() - c0) * 1000.0 / CLOCKS_PER_SEC / runs;
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

const char* const kLenses[] = {"RF24-105mm F4 L IS USM", "RF70-200mm F2.8 L IS USM", "EF50mm f/1.8 STM",
                               "FE 85mm F1.4 GM", "NIKKOR Z 24-70mm f/4 S", ""};
const char* const kCameras[] = {"Canon EOS R5", "Canon EOS R6", "SONY ILCE-7M4", "NIKON Z 8"};
const char* const kLabels[] = {"", "", "Red", "Green", "Select", "Yellow"};

// Knuth's multiplicative hash: the fields vary independently, so every combination occurs.
int pick(int i, int salt, int n) { return int(((uint32_t(i) * 2654435761u) >> (salt * 3)) % uint32_t(n)); }

lv::PhotoFacts photo(int i) {
    lv::PhotoFacts f;
    f.path = "/shoots/2026-06-14/IMG_" + std::to_string(10000 + i) + (pick(i, 0, 2) ? ".CR3" : ".JPG");
    f.rating = pick(i, 1, 7) - 1;
    f.label = kLabels[pick(i, 2, 6)];
    f.burstGroup = i % 5 == 0 ? i / 5 : -1;
    lv::PhotoMeta& m = f.meta;
    m.valid = i % 50 != 0;
    if (!m.valid) return f;  // a few photos without metadata
    m.iso = 100 << pick(i, 3, 7);
    m.apertureX100 = 140 + pick(i, 4, 13) * 40;
    m.exposureSeconds = 1.0 / double(30 << pick(i, 5, 6));
    m.exposureComp = double(pick(i, 6, 7) - 3) / 3.0;
    m.hasExposureComp = true;
    m.focusClass = pick(i, 7, 4);
    m.shutterType = i % 3;
    m.pixelWidth = 6000;
    m.pixelHeight = 4000;
    m.orientation = i % 9 == 0 ? 6 : 1;
    m.lens = kLenses[pick(i, 8, 6)];
    m.camera = kCameras[pick(i, 9, 4)];
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    int n = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50000;
    std::vector<lv::PhotoFacts> facts;
    facts.reserve(size_t(n));
    for (int i = 0; i < n; i++) facts.push_back(photo(i));

    lv::Filter filter;
    for (const char* t : {"rating|0|48|||", "colour|1|2|||", "filetype|0|1|||", "orientation|0|1|||", "focus|0|3|||",
                          "iso|0|0|200|3200|", "aperture|0|0|2.8|8|", "speed|0|0|0.001|0.0333|", "expcomp|0|0|-1|1|",
                          "lens|0|0|||RF24-105mm F4 L IS USM\tEF50mm f/1.8 STM\tFE 85mm F1.4 GM",
                          "camera|0|0|||Canon EOS R5\tSONY ILCE-7M4"})
        if (!lv::addTokenText(filter, t)) return std::fprintf(stderr, "bad token %s\n", t), 1;

    int matching = 0;
    double cpu = 0;
    double factsMs = timeMs([&] { matching = lv::recountMatches(filter, facts); }, 21, &cpu);
    std::printf("%d photos, %zu tokens: filter and per-token counts over facts %.2f ms (cpu %.2f ms; %d match)\n", n,
                filter.tokens.size(), factsMs, cpu, matching);

    // Through the photo list, each record copied under the lock the metadata scan writes under.
    lv::FolderState folder;
    lv::resetPhotoList(folder.photos, n);
    for (int i = 0; i < n; i++) {
        const lv::PhotoFacts& f = facts[size_t(i)];
        folder.photos.path[size_t(i)] = f.path;
        folder.photos.rating[size_t(i)] = f.rating;
        folder.photos.label[size_t(i)] = f.label;
        folder.photos.burstGroup[size_t(i)] = f.burstGroup;
        lv::setPhotoMeta(folder.photos, i, f.meta);
    }
    lv::Lock lock;
    lv::FactsView view{&folder, &lock};
    int viaList = 0;
    double listMs = timeMs([&] { viaList = lv::recountMatches(filter, view); }, 21, &cpu);
    std::printf("same through the photo list under the cache lock: %.2f ms (cpu %.2f ms; %d match)\n", listMs, cpu,
                viaList);

    lv::FilterSession session;
    session.current = filter;
    session.factsLock = &lock;
    lv::attachFilter(folder, session);
    folder.filterActive = true;
    double rebuildMs = timeMs([&] { lv::rebuildVisibleList(folder); }, 21, &cpu);
    std::printf("visible list rebuilt with the filter on: %.2f ms (cpu %.2f ms; %d shown)\n", rebuildMs, cpu,
                lv::visibleLength(folder));
    return matching == viaList && viaList == lv::visibleLength(folder) ? 0 : 1;
}
