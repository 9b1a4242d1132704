// The Import dialog and its windows.
#include <memory>

#include "import/import_run.h"
#include "shell.h"

namespace {

struct ImportUi {
    HWND dlg = nullptr;
    std::unique_ptr<lv::ImportJob> job;
    bool reaped = true;
};
ImportUi iu;

bool running() { return iu.job && !iu.reaped; }

}  // namespace

void openImportDialog() {}
void importTick() {}
bool importRunningNow() { return running(); }
std::string importDestinationNow() { return running() ? iu.job->settings.destination : std::string(); }
void requestImportStopNow() {
    if (running()) lv::requestImportStop(iu.job.get());
}
void endImportAtShutdown() {
    if (!running()) return;
    lv::requestImportStop(iu.job.get());
    lv::joinImport(iu.job.get());
    iu.reaped = true;
}
bool importDialogMessage(MSG* msg) { return iu.dlg && IsDialogMessageW(iu.dlg, msg); }
