#include <cstdio>
#include <string>

#include "commands.h"
#include "filter_args.h"
#include "report.h"
#include "core/pathname.h"
#include "core/texts.h"
#include "export/export_engine.h"
#include "library/folder.h"
#include "library/open_paths.h"
#include "platform/platform.h"
#include "sidecar/sidecar_file.h"

namespace lv::cli {

namespace {

ExportJob* gJob = nullptr;
void onInterrupt() {
    if (gJob) requestExportStop(*gJob);
}

struct ClashWord {
    const char* word;
    int answer;
};
constexpr ClashWord kClashWords[] = {{"skip", kClashSkip}, {"keep-both", kClashKeepBoth}, {"stop", kClashStop}};

void readRating(std::string_view path, int* rating, std::string* label) {
    RatingLabel rl = readRatingLabel(path);
    *rating = rl.rating;
    *label = rl.label;
}

void drawProgress(const ExportCounters& c, const std::string& file, bool stopping) {
    const int width = 28;
    int done = c.indexInHand < 0 ? 0 : c.indexInHand;
    int fill = c.total ? done * width / c.total : 0;
    std::string bar(size_t(fill), '#');
    bar.resize(size_t(width), ' ');
    std::string name = file.size() > 40 ? file.substr(0, 37) + "..." : file;
    std::fprintf(stderr, "\r[%s] %d/%d %-40s%s", bar.c_str(), done + 1, c.total, name.c_str(),
                 stopping ? " (stopping)" : "");
    std::fflush(stderr);
}

void printResult(const ExportJob& job, bool json) {
    std::string summary = describeExportResult(job.counters);
    if (!json) {
        std::printf("%s\n", summary.c_str());
        if (!job.log.empty()) std::printf("%s:\n", text("ExportLogHdr").c_str());
        for (const ExportLogEntry& e : job.log) std::printf("  %s\t%s\n", e.fileName.c_str(), e.text.c_str());
        return;
    }
    const ExportCounters& c = job.counters;
    std::vector<ReportSection> report(2);
    ReportFields& f = report[0].fields;
    addText(f, "destination", job.destination);
    addText(f, "summary", summary);
    addNumber(f, "copied", c.copied);
    addNumber(f, "sidecarsCopied", c.sidecarsCopied);
    addNumber(f, "alreadyThere", c.alreadyThere);
    addNumber(f, "skipped", c.skipped);
    addNumber(f, "ratedDifferently", c.ratedDifferently);
    addNumber(f, "sidecarsFailed", c.sidecarsFailed);
    addNumber(f, "failed", c.failed);
    addNumber(f, "unfinishedLeft", c.partsLeft);
    addText(f, "firstUnfinished", c.firstPart);
    addNumber(f, "bytesCopied", double(c.bytesCopied));
    addNumber(f, "stopReason", c.stopReason);
    addBool(f, "stopped", c.stoppedByUser);
    report[1].key = "log";
    report[1].isList = true;
    for (const ExportLogEntry& e : job.log) {
        ReportFields item;
        addText(item, "file", e.fileName);
        addText(item, "text", e.text);
        report[1].items.push_back(item);
    }
    std::printf("%s\n", jsonReport(report).c_str());
}

}  // namespace

// Copies the folder's photos to the destination the template names, through the same checks,
// staged copies and summary as the Export dialog: all of them (the strip without a filter), those
// the strip shows with --filter tokens (on top of --saved), or with --saved alone those matching
// the saved filter, as the dialog's Filter choice. A name clash is answered by --on-clash (skip
// unless told) for the whole run; Ctrl+C finishes the files in hand and stops.
int runExport(const Args& args) {
    std::string folder, tpl;
    bool sidecars = false, partners = false, json = false;
    int onClash = kClashSkip;
    FilterArgs fa;
    for (size_t i = 0; i < args.size(); i++) {
        const std::string& a = args[i];
        if (int r = takeFilterOption("export", args, i, fa); r >= 0) {
            if (r != kExitOk) return r;
            continue;
        }
        auto value = [&](const char* name, std::string* out) {
            if (i + 1 >= args.size()) return usageError("export", std::string(name) + " needs a value"), false;
            *out = args[++i];
            return true;
        };
        if (a == "--to") {
            if (!value("--to", &tpl)) return kExitUsage;
        } else if (a == "--on-clash") {
            std::string w;
            if (!value("--on-clash", &w)) return kExitUsage;
            onClash = 0;
            for (const ClashWord& c : kClashWords)
                if (w == c.word) onClash = c.answer;
            if (!onClash) return usageError("export", "--on-clash takes skip, keep-both or stop, not \"" + w + "\"");
        } else if (a == "--sidecars") {
            sidecars = true;
        } else if (a == "--partners") {
            partners = true;
        } else if (a == "--json") {
            json = true;
        } else if (!a.empty() && a[0] == '-') {
            return usageError("export", "unknown option \"" + a + "\"");
        } else if (folder.empty()) {
            folder = a;
        } else {
            return usageError("export", "more than one folder given");
        }
    }
    if (folder.empty()) return usageError("export", "no folder given");
    if (tpl.empty()) return usageError("export", "no destination given (--to TEMPLATE)");
    if (!isFolder(folder)) {
        std::fprintf(stderr, "lumivore export: %s: %s\n", folder.c_str(),
                     describeError(pathExists(folder) ? kErrInvalidParameter : kErrPathNotFound).c_str());
        return kExitFailed;
    }
    Filter filter;
    if (int r = filterFromArgs("export", fa, &filter)) return r;
    FolderState st;
    if (loadFolder(st, fullPath(folder), "", fa.given() ? readRating : nullptr) <= 0) {
        std::fprintf(stderr, "lumivore export: %s\n", noPhotosMessage(folder).text.c_str());
        return kExitFailed;
    }

    // The template and the path it names are the user's input: their messages are usage errors.
    ExportResolveContext ctx{st.folder, localTimeNow(), kNativeStyle};
    std::string msg = checkExportTemplate(tpl);
    if (msg.empty()) msg = checkExportPath(resolveExportDestination(tpl, ctx));
    if (!msg.empty()) return usageError("export", msg);
    ExportSavedFilter source;
    ExportFilterTokens sourceTokens;
    FilterSession session;
    if (fa.given()) {
        readFolderMetadata(st);
        st.metadataComplete = true;
    }
    if (!fa.saved.empty() && fa.tokens.empty()) {
        SavedFilters saved;
        if (int r = loadSavedFiltersFrom("export", settingsFileOf(fa.settingsFile), &saved)) return r;
        source = exportSavedFilter(saved, fa.saved, nullptr, &sourceTokens);
    } else if (fa.given()) {
        useFilter(st, session, filter);
        rebuildVisibleList(st);
    }
    ExportList list = buildExportList(st, source, partners);
    if (fa.given() && !json) std::fprintf(stderr, "%s\n", exportCountLine(list).c_str());
    if (list.files.empty()) {
        std::fprintf(stderr, "lumivore export: %s\n", text("ExportNothing").c_str());
        return kExitFailed;
    }
    ExportPrepared prepared = prepareExportDestination(tpl, ctx, list.files, sidecars);
    if (!prepared.message.empty()) {
        std::fprintf(stderr, "lumivore export: %s\n", prepared.message.c_str());
        return kExitFailed;
    }

    ExportJob job;
    gJob = &job;
    setInterruptHandler(onInterrupt);
    if (WinErr e = startExport(job, prepared.folder, list.files, sidecars)) {
        setInterruptHandler(nullptr);
        std::fprintf(stderr, "lumivore export: %s\n", describeError(e).c_str());
        return kExitFailed;
    }
    const bool bar = stderrIsTerminal() && !json;
    bool toldStopping = false;
    while (exportRunning(job)) {
        ExportCounters c;
        std::string file;
        bool ask = false;
        {
            LockGuard g(job.lock);
            c = job.counters;
            file = job.fileInHand;
            ask = job.clash.pending && job.clash.answer == kClashUnanswered;
        }
        if (ask) answerExportClash(job, onClash, true);
        if (job.stopRequested && !toldStopping && !bar) {
            std::fprintf(stderr, "%s\n", exportStoppingLine(job).c_str());
            toldStopping = true;
        }
        if (bar) drawProgress(c, file, job.stopRequested);
        sleepMs(100);
    }
    finishExport(job);
    setInterruptHandler(nullptr);
    gJob = nullptr;
    if (bar) std::fprintf(stderr, "\r%*s\r", 90, "");
    printResult(job, json);
    const ExportCounters& c = job.counters;
    bool clean = c.failed == 0 && c.sidecarsFailed == 0 && c.stopReason == 0 && !c.stoppedByUser;
    return clean ? kExitOk : kExitFailed;
}

}  // namespace lv::cli
