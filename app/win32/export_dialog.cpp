// The Export dialog: the destination as a token-chip field with the line under it, what to copy
// (the strip or a saved filter, sidecars, partners) with the count line, Export / Stop / Close,
// progress, the summary with "Open folder" and "Copy log", and the background hint. The export
// runs on its own thread (src/export); the main window's timer 5 polls it, shows its name-clash
// question and reaps it, whether the dialog is open or not. Also the question asked when the
// main window is closed while an export or an import still copies.
#include <algorithm>
#include <memory>

#include "core/diaglog.h"
#include "core/pathname.h"
#include "core/texts.h"
#include "export/export_engine.h"
#include "library/recent.h"
#include "dialog_kit.h"
#include "shell.h"

namespace {

// [SECTION] layout
enum : int {
    kIdDestHdr = 100, kIdDest, kIdBrowse, kIdInsert, kIdDestLine,
    kIdWhatHdr = 110, kIdCopyLbl, kIdSource, kIdSidecars, kIdPartners, kIdCount,
    kIdBar = 120, kIdProgress, kIdHint,
    kIdSummary = 130,
    kIdOpenFolder = 140, kIdCopyLog, kIdStart, kIdStop, kIdClose,
};

using dlg::Kind;
constexpr DWORD kPlain = dlg::kNoMnemonic;
// In 96-DPI pixels of the client area; the destination field (kIdDest) is added at start-up.
constexpr dlg::Row kRows[] = {
    {kIdDestHdr, Kind::Heading, "ExportDestHdr", 14, 12, 560, 18},
    {kIdBrowse, Kind::Button, "ExportBrowse", 486, 34, 92, 28},
    {kIdInsert, Kind::Button, "TokenMenuInsert", 14, 68, 112, 26},
    {kIdDestLine, Kind::Label, nullptr, 136, 72, 442, 20, kPlain | SS_PATHELLIPSIS},
    {kIdWhatHdr, Kind::Heading, "ExportWhatHdr", 14, 110, 560, 18},
    {kIdCopyLbl, Kind::Label, "ExportWillCopy", 14, 136, 60, 20},
    {kIdSource, Kind::Combo, nullptr, 78, 132, 330, 0},
    {kIdSidecars, Kind::Check, "ExportSidecars", 14, 164, 560, 22},
    {kIdPartners, Kind::Check, "ExportPartners", 14, 188, 560, 22},
    {kIdCount, Kind::Label, nullptr, 14, 216, 564, 20, kPlain},
    {kIdBar, Kind::Custom, nullptr, 14, 248, 564, 12},
    {kIdProgress, Kind::Label, nullptr, 14, 266, 564, 20, kPlain | SS_PATHELLIPSIS},
    {kIdHint, Kind::Label, "ExportBackgroundHint", 14, 288, 564, 20, kPlain},
    {kIdSummary, Kind::Label, nullptr, 14, 248, 564, 60, kPlain},
    {kIdOpenFolder, Kind::Button, "ExportOpenFolder", 14, 324, 110, 28},
    {kIdCopyLog, Kind::Button, "ExportCopyLog", 132, 324, 110, 28},
    {kIdStart, Kind::DefaultButton, "ExportStart", 306, 324, 84, 28},
    {kIdStop, Kind::Button, "ExportStop", 398, 324, 84, 28},
    {kIdClose, Kind::Button, "ExportClose", 490, 324, 88, 28},
};
constexpr dlg::Row kDestRow{kIdDest, Kind::Edit, nullptr, 14, 34, 464, 28};
constexpr int kClientW = 592, kClientH = 366;

// [SECTION] state
struct ExportUi {
    HWND dlg = nullptr;
    std::unique_ptr<lv::ExportJob> job;  // the running or last export
    bool reaped = true;                  // the last export's thread was waited for
    std::string wentTo;                  // where the last export went
    bool showWent = false;               // the line says so until the destination is edited
    std::string summary, logText;
    std::string destError;               // a refusal of the last Export press
    int done = 0, total = 0;             // for the bar
    bool asking = false;                 // the name-clash question is up
    lv::ExportList list;
    lv::ExportFilterTokens keep;         // what the saved-filter source evaluates
    bool closeSaysClose = false;         // the Close button reads Close (else Cancel)
    bool exitWhenDone = false;           // "Wait for it to finish, then exit"
};
ExportUi u;

HWND item(int id) { return GetDlgItem(u.dlg, id); }

std::string chipCaption(std::string_view token) { return lv::exportTokenLabel(token); }
std::vector<ChipMenuItem> insertMenu() {
    std::vector<ChipMenuItem> out;
    for (const lv::ExportTokenInfo& t : lv::kExportTokens)
        out.push_back({lv::text(t.captionKey), "{" + std::string(t.name) + "}", false});
    return out;
}
const ChipFieldRules kChipRules{chipCaption, insertMenu, nullptr};

bool running() { return u.job && !u.reaped; }

lv::ExportResolveContext resolveContext() { return {g.folder.folder, lv::localTimeNow(), lv::kNativeStyle}; }

std::string chosenFilter() {
    int sel = int(SendMessageW(item(kIdSource), CB_GETCURSEL, 0, 0));
    const auto& entries = g.filter.saved.entries;
    return sel > 0 && size_t(sel - 1) < entries.size() ? entries[size_t(sel - 1)].name : std::string();
}

// [SECTION] refreshing
void refreshList() {
    lv::ExportSavedFilter src = lv::exportSavedFilter(g.filter.saved, chosenFilter(), &g.viewer.cacheLock, &u.keep);
    u.list = lv::buildExportList(g.folder, src, IsDlgButtonChecked(u.dlg, kIdPartners) == BST_CHECKED);
    setControlText(item(kIdCount), lv::exportCountLine(u.list));
}

void refreshDestLine() {
    std::string line = u.destError.empty()
                           ? lv::exportDestinationLine(chipFieldText(item(kIdDest)), resolveContext(),
                                                     u.showWent && !running() ? u.wentTo : "")
                           : u.destError;
    setControlText(item(kIdDestLine), line);
}

// Which controls show and which can be used, for the state the export is in.
void refreshState() {
    if (!u.dlg) return;
    bool run = running(), after = !run && u.job != nullptr;
    for (int id : {kIdBar, kIdProgress, kIdHint}) ShowWindow(item(id), run ? SW_SHOW : SW_HIDE);
    for (int id : {kIdSummary, kIdOpenFolder, kIdCopyLog}) ShowWindow(item(id), after ? SW_SHOW : SW_HIDE);
    for (int id : {kIdDest, kIdBrowse, kIdInsert, kIdSource, kIdSidecars, kIdPartners, kIdStart})
        EnableWindow(item(id), !run);
    EnableWindow(item(kIdStop), run && !u.job->stopRequested);
    if (dlg::Dialog* d = dlg::dialogOf(u.dlg); d && u.closeSaysClose != (run || after)) {
        u.closeSaysClose = run || after;
        dlg::setText(*d, kIdClose, lv::text(u.closeSaysClose ? "ExportClose" : "ExportCancel"));
    }
    setControlText(item(kIdSummary), u.summary);
    refreshDestLine();
}

void refreshProgress(const lv::ExportCounters& c, const std::string& file) {
    if (!u.dlg) return;
    u.done = std::max(0, c.indexInHand);
    u.total = c.total;
    std::string line = u.job->stopRequested
                           ? lv::exportStoppingLine(*u.job)
                           : lv::text("ExportCopying") + " " + std::to_string(std::min(c.total, u.done + 1)) + " / " +
                                 std::to_string(c.total) + (file.empty() ? "" : ": " + file);
    setControlText(item(kIdProgress), line);
    InvalidateRect(item(kIdBar), nullptr, FALSE);
}

// [SECTION] actions
// The dialog's choices become the settings saved at shutdown.
void keepSettings() {
    lv::Settings& set = lv::currentSettings();
    set.exportTemplate = chipFieldText(item(kIdDest));
    set.exportFilter = chosenFilter();
    set.includeSidecars = IsDlgButtonChecked(u.dlg, kIdSidecars) == BST_CHECKED;
    set.includePartners = IsDlgButtonChecked(u.dlg, kIdPartners) == BST_CHECKED;
}

void startExport() {
    keepSettings();
    const lv::Settings& set = lv::currentSettings();
    std::string tpl = set.exportTemplate;
    u.destError.clear();
    refreshList();
    if (u.list.waiting) return;
    if (u.list.files.empty()) {
        u.destError = lv::text("ExportNothing");
        return refreshDestLine();
    }
    lv::ExportPrepared prep = lv::prepareExportDestination(tpl, resolveContext(), u.list.files, set.includeSidecars);
    if (!prep.message.empty()) {
        u.destError = prep.message;
        return refreshDestLine();
    }
    auto job = std::make_unique<lv::ExportJob>();
    if (lv::WinErr e = lv::startExport(*job, prep.folder, u.list.files, set.includeSidecars)) {
        u.destError = lv::exportErrorMessage(e);
        return refreshDestLine();
    }
    u.job = std::move(job);
    u.reaped = false;
    u.summary.clear();
    u.wentTo = prep.folder;
    u.done = 0;
    u.total = int(u.list.files.size());
    lv::logLine("export started: " + std::to_string(u.total) + " files to " + prep.folder);
    SetTimer(g.hwnd, kTimerExport, 100, nullptr);
    refreshState();
    SetFocus(item(kIdStop));
}

void browse() {
    std::string f = pickFolderWithTitle(lv::text("ExportDestHdr"));
    if (f.empty()) return;
    std::string escaped;
    for (char c : f) {  // a picked path is literal text of the template
        escaped += c;
        if (c == '{' || c == '}') escaped += c;
    }
    chipFieldSetText(item(kIdDest), escaped);
    u.destError.clear();
    refreshDestLine();
}

void paintBar(const DRAWITEMSTRUCT* d) {
    RECT r = d->rcItem;
    FillRect(d->hDC, &r, GetSysColorBrush(COLOR_WINDOW));
    FrameRect(d->hDC, &r, GetSysColorBrush(COLOR_BTNSHADOW));
    if (u.total > 0) {
        RECT f = r;
        InflateRect(&f, -1, -1);
        f.right = f.left + int((long long)(f.right - f.left) * std::min(u.done, u.total) / u.total);
        FillRect(d->hDC, &f, GetSysColorBrush(COLOR_HIGHLIGHT));
    }
}

void initDialog(dlg::Dialog& d);

bool dialogHandler(dlg::Dialog& d, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    switch (msg) {
        case WM_INITDIALOG:
            initDialog(d);
            return true;
        case WM_COMMAND: {
            int id = LOWORD(wp), code = HIWORD(wp);
            switch (id) {
                case kIdDest:
                    if (code == EN_CHANGE) {
                        u.destError.clear();
                        u.showWent = false;
                        refreshDestLine();
                    }
                    return true;
                case kIdSource:
                    if (code == CBN_SELCHANGE) refreshList();
                    return true;
                case kIdPartners:
                    refreshList();
                    return true;
                case kIdBrowse: browse(); return true;
                case kIdInsert: chipFieldShowInsertMenu(item(kIdDest), item(kIdInsert)); return true;
                case IDOK:
                case kIdStart:
                    if (!running()) startExport();
                    return true;
                case kIdStop:
                    if (running()) {
                        lv::requestExportStop(*u.job);
                        refreshState();
                    }
                    return true;
                case kIdOpenFolder:
                    if (!u.wentTo.empty()) lv::shellOpen(u.wentTo);
                    return true;
                case kIdCopyLog:
                    lv::clipboardSetText(u.logText);
                    return true;
                case kIdClose:
                    dlg::end(d, IDCANCEL);
                    return true;
            }
            return false;
        }
        case WM_DRAWITEM:
            if (wp != kIdBar) return false;
            paintBar(reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
            *result = TRUE;
            return true;
        case WM_CTLCOLORSTATIC: {
            HWND c = reinterpret_cast<HWND>(lp);
            if (GetDlgCtrlID(c) != kIdDestLine) return false;
            bool bad = !u.destError.empty() || !lv::checkExportTemplate(chipFieldText(item(kIdDest))).empty();
            *result = lineColours(reinterpret_cast<HDC>(wp), bad ? kLineError : kLinePlain);
            return true;
        }
        case WM_DESTROY: {
            keepSettings();
            u.dlg = nullptr;
            if (!running()) KillTimer(g.hwnd, kTimerExport);
            return false;
        }
    }
    return false;
}

// [SECTION] the clash question and the end of a run
void askClash() {
    lv::ExportClash q;
    {
        lv::LockGuard lk(u.job->lock);
        q = u.job->clash;
    }
    lv::ExportClashTexts t = lv::exportClashTexts(q);
    ChoiceBox box;
    box.title = t.title;
    box.lines = {t.intro, t.thereLabel + ":  " + t.there, t.newLabel + ":  " + t.incoming};
    if (!t.keepLine.empty()) box.lines.push_back(t.keepLine);
    box.ticks = {t.applyAll};
    box.buttons = {t.skip, t.keepBoth, t.stop};
    box.cancelAnswer = 2;
    box.widthDip = 520;
    u.asking = true;
    int b = showChoiceBox(u.dlg ? u.dlg : g.hwnd, box);
    u.asking = false;
    if (!u.job) return;
    int answer = b == 0 ? lv::kClashSkip : b == 1 ? lv::kClashKeepBoth : lv::kClashStop;
    lv::answerExportClash(*u.job, answer, box.ticked[0] && answer != lv::kClashStop);
}

void reap() {
    bool copiedAny = lv::finishExport(*u.job);
    u.reaped = true;
    u.summary = lv::describeExportResult(u.job->counters);
    u.logText = lv::exportCopyLogText(u.job->counters, u.job->log);
    lv::logLine("export finished: " + u.summary);
    if (copiedAny) lv::rememberRecentExport(lv::settingsPath(), u.wentTo);
    u.showWent = true;
    refreshState();
}

void initDialog(dlg::Dialog& d) {
    u.dlg = d.hwnd;
    u.closeSaysClose = true;  // the table's text
    registerChipsClass();
    HWND field = dlg::adoptRow(d, kDestRow, createChipField(d.hwnd, kIdDest, &kChipRules));
    SetWindowPos(field, item(kIdDestHdr), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);  // Tab order
    const lv::Settings& set = lv::currentSettings();
    dlg::listAdd(d, kIdSource, lv::text("ExportFilterShown"));
    int sel = 0;
    for (size_t i = 0; i < g.filter.saved.entries.size(); i++) {
        const std::string& name = g.filter.saved.entries[i].name;
        dlg::listAdd(d, kIdSource, name);
        if (lv::upperAscii(name) == lv::upperAscii(set.exportFilter)) sel = int(i) + 1;
    }
    dlg::listSelect(d, kIdSource, sel);
    dlg::setChecked(d, kIdSidecars, set.includeSidecars);
    dlg::setChecked(d, kIdPartners, set.includePartners);
    chipFieldSetText(field, set.exportTemplate.empty() ? lv::defaultExportTemplate() : set.exportTemplate);
    u.destError.clear();
    refreshList();
    refreshState();
    if (running()) dlg::focus(d, kIdClose);
}

}  // namespace

// [SECTION] interface
void openExportDialog() {
    if (!g.haveFolder && !u.dlg) return;
    static const dlg::Form form{"ExportTitle", kClientW, kClientH, kRows, dialogHandler, nullptr, kIdStart};
    openCopyDialog(u.dlg, form, kTimerExport);
}

void exportTick() {
    if (u.dlg && !running() && u.list.waiting) refreshList();  // the filter waits for shot information
    if (running() && !u.asking) {
        lv::ExportCounters c;
        std::string file;
        bool ask;
        {
            lv::LockGuard lk(u.job->lock);
            c = u.job->counters;
            file = u.job->fileInHand;
            ask = u.job->clash.pending && u.job->clash.answer == lv::kClashUnanswered;
        }
        refreshProgress(c, file);
        if (ask) askClash();
        else if (!lv::exportRunning(*u.job)) reap();
    }
    if (!u.dlg && !running()) KillTimer(g.hwnd, kTimerExport);
    if (u.exitWhenDone && !running() && !importRunningNow()) PostMessageW(g.hwnd, WM_CLOSE, 0, 0);
}

bool exportRunningNow() { return running(); }
std::string exportDestinationNow() { return running() ? u.job->destination : std::string(); }

bool confirmCloseWhileCopying() {
    bool ex = running(), im = importRunningNow();
    if (!ex && !im) return true;
    lv::QuitQuestion q = lv::quitWhileCopyingQuestion(ex, exportDestinationNow(), im, importDestinationNow());
    ChoiceBox box;
    box.title = q.title;
    box.lines = q.lines;
    box.lines.push_back(q.question);
    box.buttons = {q.exitNow, q.wait, q.waitThenExit};
    box.defaultButton = 1;
    box.cancelAnswer = 1;
    box.widthDip = 520;
    int b = showChoiceBox(g.hwnd, box);
    if (b == 0) {
        if (ex) lv::requestExportStop(*u.job);
        if (im) requestImportStopNow();
        return true;
    }
    u.exitWhenDone = b == 2;
    if (u.exitWhenDone) {  // the timers that notice the end
        if (ex) SetTimer(g.hwnd, kTimerExport, 100, nullptr);
        if (im) SetTimer(g.hwnd, kTimerImport, 100, nullptr);
    }
    return false;
}

void endCopiesAtShutdown() {
    if (running()) {
        lv::requestExportStop(*u.job);
        lv::answerExportClash(*u.job, lv::kClashStop, false);
        lv::finishExport(*u.job);  // the file in hand is finished, never left under its final name
        u.reaped = true;
    }
    endImportAtShutdown();
}

