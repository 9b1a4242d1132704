// lumivore import CARD --to DEST: the verified import from a card, as the Import dialog runs it.
#include <atomic>
#include <cstdio>
#include <string>

#include "commands.h"
#include "filter_args.h"
#include "report.h"
#include "core/settings.h"
#include "import/import_journal.h"
#include "import/import_run.h"
#include "library/filekinds.h"
#include "platform/platform.h"

namespace lv::cli {

namespace {

ImportJob* gJob = nullptr;
void onInterrupt() {
    if (gJob) gJob->stop.store(true);  // finishes the file in hand
}

struct ImportArgs {
    std::string card, dest, second, tpl, saved;
    bool dryRun = false, json = false;
    ImportSettings settings;
    int clash = 1;    // skip unless told otherwise: a run without a person never overwrites
    int restore = 2;  // leave missing files out unless told
};

// ".lrv,thm,." -> ".lrv|.thm|.|"
bool parseExcluded(const std::string& list, std::string* out) {
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t comma = list.find(',', pos);
        if (comma == std::string::npos) comma = list.size();
        std::string e = lowerAscii(list.substr(pos, comma - pos));
        pos = comma + 1;
        if (e.empty()) continue;
        if (e[0] != '.') e = "." + e;
        if (e.find_first_of("|/\\") != std::string::npos) return false;
        pipeListSet(*out, e + "|", true);
    }
    return true;
}

bool parseOnly(const std::string& list, ImportTypeSelection* s) {
    s->photos = s->video = s->audio = s->sidecars = s->other = false;
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t comma = list.find(',', pos);
        if (comma == std::string::npos) comma = list.size();
        std::string w = list.substr(pos, comma - pos);
        pos = comma + 1;
        if (w == "photos") s->photos = true;
        else if (w == "video") s->video = true;
        else if (w == "audio") s->audio = true;
        else if (w == "sidecars") s->sidecars = true;
        else if (w == "other") s->other = true;
        else return false;
    }
    return true;
}

int parseArgs(const Args& args, ImportArgs* a) {
    auto value = [&](size_t& i, std::string* out) {
        if (i + 1 >= args.size()) return false;
        *out = args[++i];
        return true;
    };
    std::string v;
    for (size_t i = 0; i < args.size(); i++) {
        const std::string& o = args[i];
        if (o == "--to") {
            if (!value(i, &a->dest)) return usageError("import", "--to needs a folder");
        } else if (o == "--second") {
            if (!value(i, &a->second)) return usageError("import", "--second needs a folder");
        } else if (o == "--template") {
            if (!value(i, &a->tpl)) return usageError("import", "--template needs a template");
        } else if (o == "--exclude") {
            if (!value(i, &v) || !parseExcluded(v, &a->settings.selection.excludedExtensions))
                return usageError("import", "--exclude takes extensions such as .lrv,.thm");
        } else if (o == "--only") {
            if (!value(i, &v) || !parseOnly(v, &a->settings.selection))
                return usageError("import", "--only takes photos,video,audio,sidecars,other");
        } else if (o == "--on-clash") {
            if (!value(i, &v) || (v != "skip" && v != "keep-both" && v != "stop"))
                return usageError("import", "--on-clash takes skip, keep-both or stop");
            a->clash = v == "skip" ? 1 : v == "keep-both" ? 2 : 3;
        } else if (o == "--restore") {
            if (!value(i, &v) || (v != "yes" && v != "no")) return usageError("import", "--restore takes yes or no");
            a->restore = v == "yes" ? 1 : 2;
        } else if (o == "--saved") {
            if (!value(i, &a->saved)) return usageError("import", "--saved needs the name of a saved filter");
        } else if (o == "--verify") {
            a->settings.verifyReadBack = true;
        } else if (o == "--dry-run") {
            a->dryRun = true;
        } else if (o == "--json") {
            a->json = true;
        } else if (!o.empty() && o[0] == '-') {
            return usageError("import", "unknown option \"" + o + "\"");
        } else if (a->card.empty()) {
            a->card = o;
        } else {
            return usageError("import", "unexpected argument \"" + o + "\"");
        }
    }
    if (a->card.empty() || a->dest.empty()) return usageError("import", "a card folder and --to DEST are needed");
    if (!isFolder(a->card)) return usageError("import", "\"" + a->card + "\" is not a folder");
    return -1;
}

std::string clockText(double seconds) {
    long s = long(seconds + 0.5);
    char buf[32];
    if (s >= 3600) std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", s / 3600, (s / 60) % 60, s % 60);
    else std::snprintf(buf, sizeof buf, "%ld:%02ld", s / 60, s % 60);
    return buf;
}

void drawProgress(const ImportProgress& p, double seconds) {
    uint64_t done = p.bytesProcessed + p.kibInHand * 1024;
    double rate = seconds > 0.2 ? double(done) / seconds : 0;
    int width = 24, fill = p.totalBytes ? int(double(done) / double(p.totalBytes) * width) : 0;
    if (fill > width) fill = width;
    std::string bar = std::string(size_t(fill), '#') + std::string(size_t(width - fill), '-');
    std::string left = rate > 0 && p.totalBytes > done ? clockText(double(p.totalBytes - done) / rate) + " left" : "";
    if (p.planning && p.totalFiles == 0)
        std::fprintf(stderr, "\r\x1b[Kreading the card");
    else if (p.planning)
        std::fprintf(stderr, "\r\x1b[Kplanning %d of %d files", p.planned, p.totalFiles);
    else
        std::fprintf(stderr, "\r\x1b[K[%s] %d/%d files  %s/%s  %.1f MB/s  %s", bar.c_str(), p.index + 1, p.totalFiles,
                     sizeText(done).c_str(), sizeText(p.totalBytes).c_str(), rate / 1048576.0, left.c_str());
    std::fflush(stderr);
}

int dryRun(const ImportArgs& a, const Filter& filter) {
    CardScan scan;
    scanCard(a.card, a.settings.selection, true, nullptr, &scan);
    std::string photos = describePhotosLine("", 0);
    if (!a.saved.empty()) {
        int kept = 0;
        std::vector<std::string> keep = selectWithPhotoFilter(scan.files, a.settings.selection, filter.tokens, nullptr, nullptr, &kept);
        keepSelected(scan.files, keep);
        if (keep.empty()) scan.files.clear();
        photos = describePhotosLine(a.saved, kept);
    }
    RoomFigures room = destinationRoom(fullPath(a.dest));
    uint64_t needed = estimateBytesToCopy(scan.files, a.card, a.dest);
    RoomLine line = describeRoomLine(a.dest, true, room.freeBytes, needed);
    std::string plan = describeImportPlan(a.settings.selection, a.dest, a.second);
    std::vector<std::string> examples = importExamples(scan.files, a.settings.templateText, a.settings.typeMap, 3);
    if (a.json) {
        std::string ex;
        for (const std::string& e : examples) ex += (ex.empty() ? "" : ", ") + jsonString(e);
        std::printf("{\"plan\": %s, \"room\": %s, \"roomError\": %s, \"files\": %zu, \"bytes\": %llu, "
                    "\"bytesToCopy\": %llu, \"leftOnCard\": %llu, \"examples\": [%s]}\n",
                    jsonString(plan).c_str(), jsonString(line.text).c_str(), line.isError ? "true" : "false",
                    scan.files.size(), (unsigned long long)scan.bytes, (unsigned long long)needed,
                    (unsigned long long)scan.leftFiles, ex.c_str());
    } else {
        std::printf("%s\n%s\n%s\n%s\n", plan.c_str(), line.text.c_str(), describeTypesLine(scan).c_str(), photos.c_str());
        for (const std::string& e : examples) std::printf("  %s\n", e.c_str());
    }
    return line.isError || scan.result != 0 ? kExitFailed : kExitOk;
}

}  // namespace

int runImportCmd(const Args& args) {
    ImportArgs a;
    if (int rc = parseArgs(args, &a); rc >= 0) return rc;
    Settings stored;
    loadSettingsFrom(settingsPath(), 96, &stored);
    a.settings.templateText = a.tpl.empty() ? normalizeStoredTemplate(stored.importTemplate) : a.tpl;
    a.settings.typeMap = sanitizeTypeMap(stored.typeMap);
    a.settings.destination = a.dest;
    a.settings.secondDestination = a.second;
    TemplateCheck check = checkImportTemplate(a.settings.templateText);
    if (check.hasError || check.notUnique)
        return usageError("import", "template \"" + a.settings.templateText + "\": " + describeTemplateProblems(check));
    Filter filter;
    if (!a.saved.empty()) {
        FilterArgs fa;
        fa.saved = a.saved;
        if (int rc = filterFromArgs("import", fa, &filter)) return rc;
        a.settings.selection.photoFilter = a.saved;
    }
    if (a.dryRun) return dryRun(a, filter);

    ImportJob job;
    job.card = a.card;
    job.settings = a.settings;
    job.presetClash = a.clash;
    job.presetRestore = a.restore;
    if (!a.saved.empty()) {
        CardScan scan;
        scanCard(a.card, a.settings.selection, true, nullptr, &scan);
        int kept = 0;
        setImportSelection(&job, selectWithPhotoFilter(scan.files, a.settings.selection, filter.tokens, nullptr, nullptr, &kept));
        std::fprintf(stderr, "%s\n", describePhotosLine(a.saved, kept).c_str());
    }
    gJob = &job;
    setInterruptHandler(onInterrupt);
    if (WinErr e = startImport(&job)) {
        std::fprintf(stderr, "lumivore import: the copier could not start: %s\n", describeError(e).c_str());
        return kExitFailed;
    }
    const bool bar = stderrIsTerminal() && !a.json;
    uint64_t t0 = perfCounter();
    for (;;) {
        ImportProgress p;
        int state;
        {
            LockGuard g(job.lock);
            state = job.state;
            p = job.progress;
        }
        if (state != kImportRunning) break;
        if (bar) drawProgress(p, double(perfCounter() - t0) / double(perfFrequency()));
        sleepMs(100);
    }
    joinImport(&job);
    setInterruptHandler(nullptr);
    gJob = nullptr;
    if (bar) std::fprintf(stderr, "\r\x1b[K");

    bool ok = job.state == kImportFinished;
    std::string out;
    for (const ImportResult& r : job.results) {
        ok = ok && r.failed == 0 && r.roomResult == 1 && r.stopReason == 0;
        if (a.json) {
            ReportFields f;
            addText(f, "destination", r.destination);
            addNumber(f, "total", r.total);
            addNumber(f, "copied", r.copied);
            addNumber(f, "restored", r.restored);
            addNumber(f, "alreadyThere", r.alreadyThere);
            addNumber(f, "skipped", r.skipped);
            addNumber(f, "notRestored", r.notRestored);
            addNumber(f, "failed", r.failed);
            addNumber(f, "bytesCopied", double(r.bytesCopied));
            addNumber(f, "seconds", r.elapsedSeconds);
            addNumber(f, "planSeconds", r.planSeconds);
            addNumber(f, "roomResult", r.roomResult);
            addNumber(f, "stopReason", r.stopReason);
            addBool(f, "stopped", r.stoppedByUser);
            addText(f, "firstError", r.firstError);
            addText(f, "summary", describeImportResult(r));
            out += (out.empty() ? "" : ",\n ") + jsonObject(f);
        } else {
            if (job.results.size() > 1) std::printf("%s:\n", r.destination.c_str());
            std::printf("%s\n", describeImportResult(r).c_str());
        }
    }
    if (a.json) std::printf("[%s]\n", out.c_str());
    for (const ImportLogEntry& e : job.log)
        if (e.kind != kImportLogInfo || !a.json)
            std::fprintf(stderr, "%s: %s\n", e.fileName.c_str(), e.text.c_str());
    return ok ? kExitOk : kExitFailed;
}

}  // namespace lv::cli
