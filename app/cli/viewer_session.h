// What `lumivore thumbs` and `lumivore view` share: options, opening a folder with the viewer
// engine over it as the program does, a progress bar and latency figures.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "filter/scan.h"
#include "report.h"
#include "viewer/bench.h"
#include "viewer/viewer.h"

namespace lv::cli {

struct SessionOptions {
    std::string folder;
    int cacheMode = 2;      // --cache-mode disk|ram|none
    std::string cacheRoot;  // --cache-root DIR (default: the program's cache root)
    bool json = false;
};
// Takes --cache-mode, --cache-root and --json at args[*i] (advancing *i past a value). 0 when
// taken, -1 when args[*i] is none of them, else the usage exit code (the message printed).
int takeSessionOption(const char* command, const Args& args, size_t* i, SessionOptions* o);

struct Session {
    FolderState folder;
    ScanState scan;
    std::unique_ptr<Viewer> viewer = std::make_unique<Viewer>();
};
// Loads the folder and sets the viewer up over it (threads not started). 0, or the exit code
// with the message printed.
int openSession(const char* command, const SessionOptions& o, Session* s);

// "12/300" bar on stderr, only when it is a terminal; done() ends the line.
struct Progress {
    bool on = false;
    int last = -1;
    void show(const char* what, int done, int total);
    void done();
};

double msSince(uint64_t t0);
// As JSON on one line, or as indented text.
void printReport(const std::vector<ReportSection>& r, bool json);

}  // namespace lv::cli
