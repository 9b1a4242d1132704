#include <cstdio>
#include <string>

#include "commands.h"
#include "filter_args.h"
#include "report.h"
#include "library/bursts.h"
#include "library/folder.h"
#include "library/open_paths.h"
#include "metadata/photo_meta.h"
#include "platform/platform.h"
#include "sidecar/sidecar_file.h"

namespace lv::cli {

static void readRating(std::string_view path, int* rating, std::string* label) {
    RatingLabel rl = readRatingLabel(path);
    *rating = rl.rating;
    *label = rl.label;
}


static double msSince(uint64_t t0) {
    uint64_t f = perfFrequency();
    return f ? double(perfCounter() - t0) * 1000.0 / double(f) : 0;
}

// Lists the folder as the strip shows it: the visible order with each photo's rating, label,
// capture serial and burst, after the metadata pass the viewer runs in the background.
int runList(const Args& args) {
    std::string folder;
    int mode = kOrderOriginal;
    bool json = false;
    FilterArgs fa;
    for (size_t i = 0; i < args.size(); i++) {
        const std::string& a = args[i];
        if (int r = takeFilterOption("list", args, i, fa); r >= 0) {
            if (r != kExitOk) return r;
        } else if (a == "--json") {
            json = true;
        } else if (a == "--order" || a.rfind("--order=", 0) == 0) {
            std::string name;
            if (a == "--order") {
                if (i + 1 >= args.size()) return usageError("list", "--order needs a value");
                name = args[++i];
            } else {
                name = a.substr(8);
            }
            mode = orderingFromName(name);
            if (mode < 0) return usageError("list", "unknown order \"" + name + "\"");
        } else if (!a.empty() && a[0] == '-') {
            return usageError("list", "unknown option \"" + a + "\"");
        } else if (folder.empty()) {
            folder = a;
        } else {
            return usageError("list", "more than one folder given");
        }
    }
    if (folder.empty()) return usageError("list", "no folder given");
    Filter filter;
    if (int r = filterFromArgs("list", fa, &filter)) return r;
    if (!isFolder(folder)) {
        std::fprintf(stderr, "lumivore list: %s: %s\n", folder.c_str(),
                     describeError(pathExists(folder) ? kErrInvalidParameter : kErrPathNotFound).c_str());
        return kExitFailed;
    }
    if (!folderHasPhotos(folder)) {
        std::fprintf(stderr, "lumivore list: %s\n", noPhotosMessage(folder).text.c_str());
        return kExitFailed;
    }

    FolderState st;
    st.orderingMode = mode;
    uint64_t t0 = perfCounter();
    int count = loadFolder(st, folder, "", readRating);
    double loadMs = msSince(t0);
    if (count <= 0) {
        std::fprintf(stderr, "lumivore list: %s\n", noPhotosMessage(folder).text.c_str());
        return kExitFailed;
    }
    t0 = perfCounter();
    readFolderMetadata(st);
    double metaMs = msSince(t0);
    st.metadataComplete = true;
    computeBursts(st);
    FilterSession session;
    if (fa.given()) useFilter(st, session, filter);
    reapplyOrdering(st);

    const PhotoList& p = st.photos;
    int len = visibleLength(st);
    if (json) {
        std::printf("{");
        if (fa.given()) std::printf("\"filter\": %s, \"matching\": %d, ", tokensJson(filter).c_str(), len);
        std::printf("\"folder\": %s, \"order\": %s, \"count\": %d, \"burstCount\": %d, \"photos\": [",
                    jsonString(st.folder).c_str(), jsonString(kOrderings[mode].cliName).c_str(), count, st.burstCount);
        for (int pos = 0; pos < len; pos++) {
            size_t i = size_t(visibleToPhoto(st, pos));
            std::printf("%s\n  {\"position\": %d, \"name\": %s, \"path\": %s, \"rating\": %d, \"label\": %s, "
                        "\"captureSerial\": %.3f, \"burstIndex\": %d, \"continuousDrive\": %d, \"burstGroup\": %d, \"facts\": %s}",
                        pos ? "," : "", pos, jsonString(fileNamePart(p.path[i])).c_str(), jsonString(p.path[i]).c_str(),
                        p.rating[i], jsonString(p.label[i]).c_str(), p.captureSerial[i], p.burstIndex[i],
                        p.continuousDrive[i], p.burstGroup[i], photoFactsJson(st, int(i)).c_str());
        }
        std::printf("\n]}\n");
        return kExitOk;
    }
    std::printf("%5s  %6s  %-7s  %16s  %5s  %s\n", "#", "rating", "label", "captureSerial", "burst", "name");
    for (int pos = 0; pos < len; pos++) {
        size_t i = size_t(visibleToPhoto(st, pos));
        std::string burst = p.burstGroup[i] < 0 ? "-" : std::to_string(p.burstGroup[i]);
        std::string rating = p.rating[i] < 0 ? "reject" : std::to_string(p.rating[i]);
        std::printf("%5d  %6s  %-7s  %16.3f  %5s  %s\n", pos + 1, rating.c_str(),
                    p.label[i].empty() ? "-" : p.label[i].c_str(), p.captureSerial[i], burst.c_str(),
                    std::string(fileNamePart(p.path[i])).c_str());
    }
    if (fa.given()) std::printf("%d of %d photos match the filter\n", len, count);
    std::printf("%d photos, %d bursts, order %s; listed with sidecars in %.0f ms, metadata in %.0f ms\n", count,
                st.burstCount, kOrderings[mode].cliName, loadMs, metaMs);
    return kExitOk;
}

}  // namespace lv::cli
