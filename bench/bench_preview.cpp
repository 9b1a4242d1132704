// Preview location speed: for every photo of a folder tree (the real camera files by default),
// locate and read the embedded preview as the viewer does, with the bytes read and the read
// calls it took, next to the same job done by the installed metadata tools.
//
// Tool times include starting their process, as a user running them would see.
// Cold: the file's cached pages are dropped before one timed read (where the system allows);
// warm: the median of the runs after it.
//
// usage: bench_preview [FOLDER] [runs]     FOLDER defaults to $LUMIVORE_CORPUS or ../shared/corpus
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/pathname.h"
#include "metadata/preview.h"
#include "platform/platform.h"

namespace {

#ifdef _WIN32
const char* kNull = "NUL";
const char* kWhich = "where ";
#else
const char* kNull = "/dev/null";
const char* kWhich = "command -v ";
#endif
std::string gOutDir;  // where exiv2 writes the previews it extracts

void collect(const std::string& folder, std::vector<std::string>* out) {
    std::vector<lv::DirEntry> entries;
    if (lv::listFolder(folder, &entries)) return;
    std::sort(entries.begin(), entries.end(), [](const lv::DirEntry& a, const lv::DirEntry& b) { return a.name < b.name; });
    for (const lv::DirEntry& e : entries) {
        std::string p = lv::joinPath(folder, e.name);
        if (e.isFolder) {
            collect(p, out);
            continue;
        }
        std::string ext = lv::lowerAscii(lv::extensionOf(e.name));
        if (ext == ".xmp" || ext == ".json" || ext == ".md" || ext == ".exv") continue;
        out->push_back(p);
    }
}

double nowMs() { return double(lv::perfCounter()) * 1000.0 / double(lv::perfFrequency()); }

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

// Runs a shell command `runs` times; the median wall time in ms, or -1 when it failed.
double timeCommand(const std::string& cmd, int runs) {
    std::vector<double> t;
    for (int i = 0; i < runs; i++) {
        double t0 = nowMs();
        if (std::system((cmd + " 2> " + kNull).c_str()) != 0) return -1;
        t.push_back(nowMs() - t0);
    }
    return median(t);
}

bool installed(const char* program) {
    return std::system((std::string(kWhich) + program + " > " + kNull + " 2>&1").c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string root = argc > 1 ? argv[1] : lv::envGet("LUMIVORE_CORPUS");
    if (root.empty()) root = "../shared/corpus";
    int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    std::vector<std::string> files;
    collect(root, &files);
    if (files.empty()) {
        std::fprintf(stderr, "bench_preview: no files under %s\n", root.c_str());
        return 1;
    }
    gOutDir = lv::joinPath(lv::tempRoot(), "lumivore-bench-preview");
    lv::folderCreateAll(gOutDir);
    struct Tool {
        const char* name;
        bool present;
        std::string (*cmd)(const std::string& file);
    };
    Tool tools[] = {
        {"exiv2 -ep", installed("exiv2"),
         [](const std::string& f) { return "exiv2 -q -f -ep -l " + quoted(gOutDir) + " " + quoted(f); }},
        {"exiftool", installed("exiftool"),
         [](const std::string& f) { return "exiftool -b -PreviewImage " + quoted(f) + " > " + kNull; }},
        {"dcraw -e", installed("dcraw"),
         [](const std::string& f) { return "dcraw -e -c " + quoted(f) + " > " + kNull; }},
    };
    bool canDrop = lv::fileDropCache(files[0]) == 0;
    std::printf("cold = first read after dropping the file from the page cache%s; warm = median of %d runs;\n"
                "tool ratios = tool time / our time (warm)\n\n",
                canDrop ? "" : " (not possible here: cold equals a first read)", runs);
    std::printf("%-44s %-8s %11s %9s %6s %9s %9s", "file", "container", "preview", "read KB", "reads", "cold ms",
                "ours ms");
    for (const Tool& t : tools)
        if (t.present) std::printf(" %12s", t.name);
    std::printf("\n");

    double sumCold = 0, sumOurs = 0, sumTool[3] = {0, 0, 0}, oursFor[3] = {0, 0, 0};
    int counted[3] = {0, 0, 0};
    uint64_t sumBytes = 0, sumCalls = 0;
    int found = 0;
    for (const std::string& f : files) {
        lv::fileDropCache(f);
        double c0 = nowMs();
        lv::PreviewResult warm = lv::extractPreview(f);  // cold, and it warms the cache and gives the counts
        double cold = nowMs() - c0;
        sumCold += cold;
        std::vector<double> t;
        for (int i = 0; i < runs; i++) {
            double t0 = nowMs();
            lv::PreviewResult r = lv::extractPreview(f);
            t.push_back(nowMs() - t0);
        }
        double ours = median(t);
        sumOurs += ours;
        sumBytes += warm.stats.bytes;
        sumCalls += warm.stats.calls;
        char size[32] = "none";
        if (!warm.preview.empty()) {
            found++;
            lv::FrameSize fs = lv::jpegFrameSize(warm.preview, 0);
            if (fs.marker)
                std::snprintf(size, sizeof size, "%dx%d", fs.width, fs.height);
            else
                std::snprintf(size, sizeof size, "TIFF");
        }
        std::string name(lv::fileNamePart(f));
        if (name.size() > 44) name = name.substr(0, 41) + "...";
        std::printf("%-44s %-8s %11s %9.1f %6u %9.3f %9.3f", name.c_str(), lv::containerLabel(warm.formatIndex), size,
                    double(warm.stats.bytes) / 1024.0, warm.stats.calls, cold, ours);
        for (int k = 0; k < 3; k++) {
            if (!tools[k].present) continue;
            double tt = timeCommand(tools[k].cmd(f), runs);
            if (tt < 0) {
                std::printf(" %12s", "failed");
                continue;
            }
            sumTool[k] += tt;
            oursFor[k] += ours;
            counted[k]++;
            std::printf(" %6.1f (x%3.0f)", tt, ours > 0 ? tt / ours : 0);
        }
        std::printf("\n");
    }
    std::printf("\n%zu files, %d previews; ours %.3f ms cold and %.3f ms warm in total, %.1f KB and %.2f reads per "
                "file on average\n",
                files.size(), found, sumCold, sumOurs, double(sumBytes) / 1024.0 / double(files.size()),
                double(sumCalls) / double(files.size()));
    for (int k = 0; k < 3; k++)
        if (tools[k].present && counted[k])
            std::printf("%-10s %.1f ms over the %d files it handled (ours %.3f ms): %.0f x ours\n", tools[k].name,
                        sumTool[k], counted[k], oursFor[k], oursFor[k] > 0 ? sumTool[k] / oursFor[k] : 0);
        else if (!tools[k].present)
            std::printf("%-10s not installed\n", tools[k].name);
    return 0;
}
