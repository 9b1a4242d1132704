// readPhotoMeta over a folder of photos (the corpus, or copies of it): files per second and
// bytes read per file, against exiv2 -pa and exiftool -fast on the same files in the same run.
// Usage: bench_photometa FOLDER [repeat copies, default 0: no copies]
//   With a repeat count N the folder's photos are copied N times into a temporary folder first
//   (a folder of a few thousand files), and that folder is measured.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/pathname.h"
#include "metadata/photo_meta.h"
#include "metadata/preview.h"
#include "platform/platform.h"

namespace {

double seconds(uint64_t t0) { return double(lv::perfCounter() - t0) / double(lv::perfFrequency()); }

bool isPhoto(const std::string& name) {
    std::string e = lv::upperAscii(lv::extensionOf(name));
    static const char* const kExt[] = {".JPG", ".JPEG", ".CR2", ".CR3", ".NEF", ".NRW", ".ARW", ".DNG", ".ORF",
                                       ".RAF", ".RW2", ".PEF", ".X3F", ".3FR", ".FFF"};
    for (const char* k : kExt)
        if (e == k) return true;
    return false;
}

void collect(const std::string& folder, std::vector<std::string>* out) {
    std::vector<lv::DirEntry> entries;
    if (lv::listFolder(folder, &entries)) return;
    for (const lv::DirEntry& d : entries) {
        std::string p = lv::joinPath(folder, d.name);
        if (d.isFolder)
            collect(p, out);
        else if (isPhoto(d.name))
            out->push_back(p);
    }
}

// Runs a tool over the files in batches (shell line length) and times it; -1 when it is missing.
double timeTool(const std::string& command, const std::vector<std::string>& files) {
    if (std::system((command.substr(0, command.find(' ')) + " -h >/dev/null 2>&1 || " +
                     command.substr(0, command.find(' ')) + " -ver >/dev/null 2>&1").c_str()) != 0)
        return -1;
    uint64_t t0 = lv::perfCounter();
    std::string line;
    for (size_t i = 0; i < files.size(); i++) {
        line += " '" + files[i] + "'";
        if (line.size() > 60000 || i + 1 == files.size()) {
            if (std::system((command + line + " >/dev/null 2>&1").c_str()) < 0) return -1;
            line.clear();
        }
    }
    return seconds(t0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_photometa FOLDER [copies]\n");
        return 2;
    }
    std::string folder = argv[1];
    int copies = argc > 2 ? std::atoi(argv[2]) : 0;
    std::vector<std::string> files;
    collect(folder, &files);
    std::string temp;
    if (copies > 0) {
        temp = lv::joinPath(lv::tempRoot(), "lumivore-bench-photometa");
        lv::folderCreateAll(temp);
        std::vector<std::string> copied;
        for (int c = 0; c < copies; c++)
            for (const std::string& f : files) {
                std::string to = lv::joinPath(temp, std::to_string(c) + "_" + std::string(lv::fileNamePart(f)));
                if (lv::fileCopy(f, to, false) == 0) copied.push_back(to);
            }
        files = copied;
    }
    if (files.empty()) {
        std::fprintf(stderr, "no photos under %s\n", folder.c_str());
        return 1;
    }
    // Bytes read: the head reads readPhotoMeta makes (one per file, grown where IFD0 lies beyond).
    uint64_t bytes = 0;
    for (const std::string& f : files) {
        lv::PhotoFile pf;
        if (lv::photoOpen(f, &pf)) continue;
        lv::Bytes head;
        lv::readHead(pf, &head);
        bytes += pf.stats.bytes;
        lv::photoClose(&pf);
    }
    int valid = 0;
    uint64_t t0 = lv::perfCounter();
    for (int round = 0; round < 3; round++)
        for (const std::string& f : files) valid += lv::readPhotoMeta(f).valid ? 1 : 0;
    double ours = seconds(t0) / 3;
    double exiv2 = timeTool("exiv2 -pa", files);
    double exiftool = timeTool("exiftool -fast", files);
    size_t n = files.size();
    std::printf("files: %zu (valid PhotoMeta %d of %zu per round)\n", n, valid / 3, n);
    std::printf("readPhotoMeta:  %.1f files/s, %.0f bytes read per file\n", n / ours, double(bytes) / n);
    if (exiv2 > 0) std::printf("exiv2 -pa:      %.1f files/s, readPhotoMeta is %.1fx faster\n", n / exiv2, exiv2 / ours);
    if (exiftool > 0)
        std::printf("exiftool -fast: %.1f files/s, readPhotoMeta is %.1fx faster\n", n / exiftool, exiftool / ours);
    if (!temp.empty()) {
        for (const std::string& f : files) lv::fileDelete(f);
        lv::folderDelete(temp);
    }
    return 0;
}
