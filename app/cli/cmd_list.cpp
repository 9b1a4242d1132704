// lumivore list: the folder as the strip shows it.
#include <cstdio>
#include <string>

#include "commands.h"
#include "filter_args.h"
#include "options.h"
#include "report.h"
#include "library/bursts.h"
#include "library/filekinds.h"
#include "library/folder.h"
#include "library/open_paths.h"
#include "metadata/preview.h"
#include "metadata/shot_info.h"
#include "platform/platform.h"
#include "sidecar/sidecar_file.h"

namespace lv::cli {

namespace {

void readRating(std::string_view path, int* rating, std::string* label) {
    RatingLabel rl = readRatingLabel(path);
    *rating = rl.rating;
    *label = rl.label;
}

// The capture time as the photo's own date text with its fraction of a second
// ("2024-06-14 10:31:07.25").
std::string capturedOf(const std::string& path) {
    PhotoFile f;
    Bytes head;
    if (photoOpen(path, &f) != 0) return {};
    bool ok = readHead(f, &head);
    photoClose(&f);
    ExifSummary e;
    if (!ok || !readExifSummary(head, identifyContainer(head), &e)) return {};
    std::string captured = capturedText(refText(head, e.dateTimeOriginal));
    std::string sub = subSecText(head, e);
    sub = sub.substr(0, sub.find_first_not_of("0123456789"));
    return captured.empty() || sub.empty() ? captured : captured + "." + sub;
}

// Files of the folder the list leaves out, and why.
struct Skipped {
    int hidden = 0;
    int notPhoto = 0;
};

Skipped countSkipped(const std::string& folder) {
    Skipped k;
    std::vector<DirEntry> entries;
    listFolder(folder, &entries);
    for (const DirEntry& d : entries) {
        if (d.isFolder) continue;
        if (d.hidden || d.system)
            k.hidden++;
        else if (!isSupportedPhoto(d.name))
            k.notPhoto++;
    }
    return k;
}

std::string plural(int n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); }

}  // namespace

// Lists the folder as the strip shows it: the visible order with each photo's rating, label,
// capture time and burst, after the metadata pass the viewer runs in the background.
int runList(const Args& args) {
    ParsedArgs p;
    int rc = kExitOk;
    if (!parseArgs("list", args,
                   {{"--order", "original|name-az|name-za|time-old|time-new"}, {"--json", nullptr}, {"--names", nullptr},
                    {"--filter", "TOKEN"}, {"--saved", "NAME"}, {"--settings", "INI"}},
                   &p, &rc))
        return rc;
    FilterArgs fa;
    for (const auto& o : p.options) {
        if (o.first == "--filter") fa.tokens.push_back(o.second);
        if (o.first == "--saved") fa.saved = o.second;
        if (o.first == "--settings") fa.settingsFile = o.second;
    }
    if (p.operands.empty()) return usageError("list", "no folder given");
    if (p.operands.size() > 1) return usageError("list", "more than one folder given");
    if (p.has("--json") && p.has("--names")) return usageError("list", "--json and --names exclude each other");
    const std::string& folder = p.operands[0];
    int mode = kOrderOriginal;
    if (p.has("--order")) {
        mode = orderingFromName(p.value("--order"));
        if (mode < 0) return usageError("list", "unknown order \"" + p.value("--order") + "\"");
    }
    Filter filter;
    if (int r = filterFromArgs("list", fa, &filter)) return r;
    if (!isFolder(folder)) {
        std::fprintf(stderr, "lumivore list: %s: %s\n", shownPath(folder).c_str(),
                     pathExists(folder) ? "not a folder" : describeError(kErrPathNotFound).c_str());
        return kExitFailed;
    }
    FolderState st;
    st.orderingMode = mode;
    int count = loadFolder(st, folder, "", readRating);
    if (count <= 0) {
        std::fprintf(stderr, "lumivore list: %s\n", printableText(noPhotosMessage(folder).text).c_str());
        return kExitFailed;
    }
    readFolderMetadata(st);
    st.metadataComplete = true;
    computeBursts(st);
    FilterSession session;
    if (fa.given()) useFilter(st, session, filter);
    reapplyOrdering(st);
    Skipped skipped = countSkipped(st.folder);

    const PhotoList& ph = st.photos;
    const int len = visibleLength(st);
    std::vector<std::string> captured(static_cast<size_t>(count));
    if (!p.has("--names"))
        for (int pos = 0; pos < len; pos++) {
            size_t i = size_t(visibleToPhoto(st, pos));
            captured[i] = capturedOf(ph.path[i]);
        }
    if (p.has("--names")) {
        // Bare paths for scripts, byte for byte; on a terminal nothing unprintable gets through.
        const bool tty = stdoutIsTerminal();
        for (int pos = 0; pos < len; pos++) {
            const std::string& path = ph.path[size_t(visibleToPhoto(st, pos))];
            std::printf("%s\n", tty ? shownPath(path).c_str() : path.c_str());
        }
        return kExitOk;
    }
    if (p.has("--json")) {
        ReportFields top, skip;
        if (fa.given()) {
            top.push_back({"filter", tokensJson(filter), false});
            addNumber(top, "matching", len);
        }
        addPath(top, "folder", st.folder);
        addText(top, "order", kOrderings[mode].cliName);
        addNumber(top, "count", count);
        addNumber(top, "burstCount", st.burstCount);
        addNumber(skip, "hidden", skipped.hidden);
        addNumber(skip, "notPhoto", skipped.notPhoto);
        top.push_back({"skipped", jsonObject(skip), false});
        std::string photos = "[";
        for (int pos = 0; pos < len; pos++) {
            size_t i = size_t(visibleToPhoto(st, pos));
            ReportFields f;
            addNumber(f, "position", pos);
            addPath(f, "name", std::string(fileNamePart(ph.path[i])));
            addPath(f, "path", ph.path[i]);
            addNumber(f, "rating", ph.rating[i]);
            addText(f, "label", ph.label[i]);
            addText(f, "captured", captured[i]);
            addNumber(f, "captureSerial", ph.captureSerial[i]);
            addNumber(f, "burstIndex", ph.burstIndex[i]);
            addBool(f, "continuousDrive", ph.continuousDrive[i] != 0);
            addNumber(f, "burstGroup", ph.burstGroup[i]);
            f.push_back({"facts", photoFactsJson(st, int(i)), false});
            photos += (pos ? ",\n  " : "\n  ") + jsonObject(f);
        }
        top.push_back({"photos", photos + "\n]", false});
        std::printf("%s\n", jsonObject(top).c_str());
        return kExitOk;
    }
    std::printf("%5s  %-6s  %-7s  %-23s  %5s  %s\n", "#", "rating", "label", "captured", "burst", "name");
    for (int pos = 0; pos < len; pos++) {
        size_t i = size_t(visibleToPhoto(st, pos));
        std::string burst = ph.burstGroup[i] < 0 ? "-" : std::to_string(ph.burstGroup[i]);
        std::string rating = ph.rating[i] < 0 ? "reject" : std::to_string(ph.rating[i]);
        std::string label = ph.label[i].empty() ? "-" : printableText(ph.label[i]);
        std::string when = captured[i].empty() ? "-" : printableText(captured[i]);
        std::printf("%5d  %-6s  %-7s  %-23s  %5s  %s\n", pos + 1, rating.c_str(), label.c_str(), when.c_str(),
                    burst.c_str(), shownPath(std::string(fileNamePart(ph.path[i]))).c_str());
    }
    if (fa.given()) std::printf("%d of %d photos match the filter\n", len, count);
    std::printf("%s, %s, order %s; skipped %s and %s\n", plural(count, "photo", "photos").c_str(),
                plural(st.burstCount, "burst", "bursts").c_str(), kOrderings[mode].cliName,
                plural(skipped.hidden, "hidden file", "hidden files").c_str(),
                plural(skipped.notPhoto, "file that is not a photo", "files that are not photos").c_str());
    return kExitOk;
}

}  // namespace lv::cli
