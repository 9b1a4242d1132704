// The Import dialog: the card or source folder (read on its own thread, with the types line and
// the Items-to-copy dialog), the destination with its room line, the naming template as a
// token-chip field with its menus, problems and example names, the plan sentence, Import / Stop /
// Close, the progress tiles per destination folder, the background hint, the triage window's
// button, the summary with the notable-events log, and the culling-folder choice. The copier runs
// on its own thread (src/import); the main window's timer 6 polls it, shows its questions and reaps it, whether the
// dialog is open or not. Started from the welcome screen, the destination opens in the browser
// as soon as the first photo has landed.
#include <algorithm>
#include <memory>
#include <set>
#include <unordered_map>

#include "core/diaglog.h"
#include "core/pathname.h"
#include "core/texts.h"
#include "export/export_destination.h"
#include "filter/saved_filters.h"
#include "export/export_engine.h"
#include "import/import_run.h"
#include "library/filekinds.h"
#include "metadata/photo_meta.h"
#include "sidecar/sidecar_file.h"
#include "dialog_kit.h"
#include "shell.h"

namespace {

// [SECTION] layout
enum : int {
    kIdCardHdr = 100, kIdSource, kIdSourceBrowse, kIdTypesLine, kIdTypesBtn, kIdPhotosLine,
    kIdDestHdr = 110, kIdDest, kIdDestBrowse, kIdRoomLine, kIdSecondLbl, kIdSecond, kIdSecondBrowse, kIdVerify,
    kIdTplLbl = 120, kIdTemplate, kIdInsert, kIdProblems, kIdExamples, kIdPlan,
    kIdTiles = 130, kIdProgress, kIdHint, kIdSummary, kIdLog,
    kIdCull = 140, kIdCopyLog, kIdStart, kIdStop, kIdClose, kIdRate,
};

using dlg::Kind;
constexpr DWORD kPlain = dlg::kNoMnemonic;
// In 96-DPI pixels of the client area; the template field (kIdTemplate) is added at start-up.
// One column where the screen is tall enough, else two columns side by side (a 1080-line screen
// at 200 %): the card and the destinations left, the template, its examples and the plan right.
constexpr dlg::Row kRowsTall[] = {
    {kIdCardHdr, Kind::Heading, "ImportCardHdr", 14, 12, 732, 18},
    {kIdSource, Kind::Edit, nullptr, 14, 34, 640, 26},
    {kIdSourceBrowse, Kind::Button, "ImportBrowse", 662, 34, 84, 26},
    {kIdTypesLine, Kind::Label, nullptr, 14, 68, 640, 20, kPlain | SS_ENDELLIPSIS},
    {kIdTypesBtn, Kind::Button, "ImportTypesBtn", 662, 64, 84, 26},
    {kIdPhotosLine, Kind::Label, nullptr, 14, 92, 732, 20, kPlain | SS_ENDELLIPSIS},
    {kIdDestHdr, Kind::Heading, "ImportDestHdr", 14, 122, 732, 18},
    {kIdDest, Kind::Edit, nullptr, 14, 144, 640, 26},
    {kIdDestBrowse, Kind::Button, "ImportBrowse", 662, 144, 84, 26},
    {kIdRoomLine, Kind::Label, nullptr, 14, 176, 732, 20, kPlain},
    {kIdSecondLbl, Kind::Label, "ImportSecondLbl", 14, 208, 0, 20},
    {kIdSecond, Kind::Edit, nullptr, 150, 204, 504, 26},
    {kIdSecondBrowse, Kind::Button, "ImportBrowse", 662, 204, 84, 26},
    {kIdVerify, Kind::Check, "ImportVerifyReadBack", 14, 234, 732, 22},
    {kIdTplLbl, Kind::Label, "ImportFoldersLbl", 14, 268, 62, 20},
    {kIdInsert, Kind::Button, "TokenMenuInsert", 654, 262, 92, 28},
    {kIdProblems, Kind::Label, nullptr, 78, 294, 668, 20, kPlain | SS_ENDELLIPSIS},
    {kIdExamples, Kind::Label, nullptr, 78, 316, 668, 54, kPlain},
    {kIdPlan, Kind::Label, nullptr, 14, 376, 732, 38, kPlain},
    {kIdTiles, Kind::Custom, nullptr, 14, 420, 732, 62},
    {kIdProgress, Kind::Label, nullptr, 14, 488, 732, 20, kPlain | SS_PATHELLIPSIS},
    {kIdHint, Kind::Label, "ImportBackgroundHint", 14, 510, 732, 20, kPlain},
    {kIdSummary, Kind::Label, nullptr, 14, 420, 732, 40, kPlain},
    {kIdLog, Kind::Edit, nullptr, 14, 462, 732, 68, ES_MULTILINE | ES_READONLY | WS_VSCROLL | ES_AUTOVSCROLL},
    {kIdCull, Kind::Button, "ImportCull", 14, 540, 124, 28},
    {kIdRate, Kind::Button, "ImportRateLanding", 146, 540, 150, 28},
    {kIdCopyLog, Kind::Button, "ExportCopyLog", 146, 540, 100, 28},
    {kIdStart, Kind::DefaultButton, "ImportStart", 472, 540, 84, 28},
    {kIdStop, Kind::Button, "ImportStop", 564, 540, 84, 28},
    {kIdClose, Kind::Button, "ImportClose", 656, 540, 90, 28},
};
constexpr dlg::Row kRowsWide[] = {
    {kIdCardHdr, Kind::Heading, "ImportCardHdr", 14, 12, 430, 18},
    {kIdSource, Kind::Edit, nullptr, 14, 34, 338, 26},
    {kIdSourceBrowse, Kind::Button, "ImportBrowse", 360, 34, 84, 26},
    {kIdTypesLine, Kind::Label, nullptr, 14, 68, 338, 20, kPlain | SS_ENDELLIPSIS},
    {kIdTypesBtn, Kind::Button, "ImportTypesBtn", 360, 64, 84, 26},
    {kIdPhotosLine, Kind::Label, nullptr, 14, 92, 430, 20, kPlain | SS_ENDELLIPSIS},
    {kIdDestHdr, Kind::Heading, "ImportDestHdr", 14, 122, 430, 18},
    {kIdDest, Kind::Edit, nullptr, 14, 144, 338, 26},
    {kIdDestBrowse, Kind::Button, "ImportBrowse", 360, 144, 84, 26},
    {kIdRoomLine, Kind::Label, nullptr, 14, 176, 430, 20, kPlain},
    {kIdSecondLbl, Kind::Label, "ImportSecondLbl", 14, 208, 0, 20},
    {kIdSecond, Kind::Edit, nullptr, 150, 204, 202, 26},
    {kIdSecondBrowse, Kind::Button, "ImportBrowse", 360, 204, 84, 26},
    {kIdVerify, Kind::Check, "ImportVerifyReadBack", 14, 234, 430, 22},
    {kIdTplLbl, Kind::Label, "ImportFoldersLbl", 460, 12, 466, 18},
    {kIdInsert, Kind::Button, "TokenMenuInsert", 834, 34, 92, 28},
    {kIdProblems, Kind::Label, nullptr, 460, 68, 466, 20, kPlain | SS_ENDELLIPSIS},
    {kIdExamples, Kind::Label, nullptr, 460, 90, 466, 72, kPlain},
    {kIdPlan, Kind::Label, nullptr, 460, 166, 466, 54, kPlain},
    {kIdTiles, Kind::Custom, nullptr, 14, 266, 912, 62},
    {kIdProgress, Kind::Label, nullptr, 14, 334, 912, 20, kPlain | SS_PATHELLIPSIS},
    {kIdHint, Kind::Label, "ImportBackgroundHint", 14, 356, 912, 20, kPlain},
    {kIdSummary, Kind::Label, nullptr, 14, 266, 912, 40, kPlain},
    {kIdLog, Kind::Edit, nullptr, 14, 308, 912, 68, ES_MULTILINE | ES_READONLY | WS_VSCROLL | ES_AUTOVSCROLL},
    {kIdCull, Kind::Button, "ImportCull", 14, 386, 124, 28},
    {kIdRate, Kind::Button, "ImportRateLanding", 146, 386, 150, 28},
    {kIdCopyLog, Kind::Button, "ExportCopyLog", 146, 386, 100, 28},
    {kIdStart, Kind::DefaultButton, "ImportStart", 652, 386, 84, 28},
    {kIdStop, Kind::Button, "ImportStop", 744, 386, 84, 28},
    {kIdClose, Kind::Button, "ImportClose", 836, 386, 90, 28},
};
struct Layout {
    dlg::Form form;
    dlg::Row templateRow;
};
bool dialogHandler(dlg::Dialog& d, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
const Layout kLayouts[] = {
    {{"ImportTitle", 760, 582, kRowsTall, dialogHandler}, {kIdTemplate, Kind::Edit, nullptr, 78, 262, 568, 28}},
    {{"ImportTitle", 940, 426, kRowsWide, dialogHandler}, {kIdTemplate, Kind::Edit, nullptr, 460, 34, 366, 28}},
};
constexpr int kSourceSettleTicks = 4;  // 400 ms after the last keystroke the card is read

// The photo filter read in the background before the copier starts.
struct PhotoFilterRun {
    std::unique_ptr<lv::ImportJob> job;  // started once the filter has chosen
    std::vector<lv::CardFile> files;
    lv::ImportTypeSelection selection;
    std::vector<lv::FilterToken> tokens;
    std::atomic<bool> stop{false}, done{false};
    std::atomic<int> read{0};
    std::vector<std::string> keep;
    int kept = 0;
    lv::Thread thread;
};

// What the strip filter is evaluated against for a photo landed outside the browsed folder; the
// rating and label are read again now and then (a sidecar lands after its photo, the triage
// window rates).
struct LandedFacts {
    lv::PhotoFacts facts;
    uint64_t readAt = 0;  // tick count of the last rating read
};

// [SECTION] state
struct ImportUi {
    HWND dlg = nullptr;
    std::unique_ptr<lv::CardScanJob> scan;  // the last or running read of the card
    std::string scannedSource;
    bool scanSeen = false;                  // the finished read was taken into the lines
    int sourceSettle = 0;                   // ticks until the typed source is read
    std::unique_ptr<PhotoFilterRun> filterRun;
    std::string photosLine;
    uint64_t estimateFor = ~0ull;           // files and bytes the room estimate was made for
    std::string estimateDest;
    uint64_t needed = 0;
    bool roomOk = false;
    lv::ImportTypeSelection selection;
    std::unique_ptr<lv::ImportJob> job;
    bool reaped = true;
    bool asking = false;
    std::string summary, logText;
    bool fromWelcome = false;               // open the destination once the first photo lands
    std::vector<std::string> arrived;       // photos landed in this run, taken from the copier
    std::unordered_map<std::string, LandedFacts> landed;  // their facts for the strip filter, by path
    const Layout* layout = &kLayouts[0];
};
ImportUi iu;

HWND item(int id) { return GetDlgItem(iu.dlg, id); }
bool running() { return iu.job && !iu.reaped; }
bool scanning() { return iu.scan && !iu.scan->done; }
bool scanReady() { return iu.scan && iu.scan->done; }

std::string chipCaption(std::string_view token) { return lv::importTokenLabel(token); }
std::vector<ChipMenuItem> fromTokenMenu(const std::vector<lv::TokenMenuItem>& items) {
    std::vector<ChipMenuItem> out;
    for (const lv::TokenMenuItem& m : items) out.push_back({m.caption, m.tokenText, m.checked});
    return out;
}
std::vector<ChipMenuItem> insertMenu() { return fromTokenMenu(lv::importInsertMenu()); }
std::vector<ChipMenuItem> changeToMenu(std::string_view token) { return fromTokenMenu(lv::importChangeToMenu(token)); }
const ChipFieldRules kChipRules{chipCaption, insertMenu, changeToMenu};

std::string sourceText() { return lv::cleanTypedDestination(controlText(item(kIdSource))); }
std::string destText() { return lv::cleanTypedDestination(controlText(item(kIdDest))); }
std::string secondText() { return lv::cleanTypedDestination(controlText(item(kIdSecond))); }

int savedFilterIndex(const std::string& name) {
    const auto& e = g.filter.saved.entries;
    for (size_t i = 0; i < e.size(); i++)
        if (lv::upperAscii(e[i].name) == lv::upperAscii(name)) return int(i);
    return -1;
}

// [SECTION] the card
void startScan() {
    if (iu.scan) lv::finishCardScan(iu.scan.get());
    iu.scan.reset();
    iu.scannedSource = sourceText();
    iu.estimateFor = ~0ull;
    iu.scanSeen = false;
    if (iu.scannedSource.empty() || !lv::isFolder(iu.scannedSource)) return;
    auto job = std::make_unique<lv::CardScanJob>();
    job->source = lv::fullPath(iu.scannedSource);
    job->selection = iu.selection;
    if (lv::startCardScan(job.get()) == 0) iu.scan = std::move(job);
}

std::string cardLine() {
    if (sourceText().empty()) return {};
    if (scanning()) return lv::describeCardReading(iu.scan->live.files, iu.scan->live.folders);
    if (!scanReady()) return {};
    std::string problem = lv::describeCardScanResult(iu.scan->scan);
    return problem.empty() ? lv::describeTypesLine(iu.scan->scan) : problem;
}

// [SECTION] refreshing
void refreshTemplate() {
    std::string tpl = chipFieldText(item(kIdTemplate));
    lv::TemplateCheck c = lv::checkImportTemplate(tpl);
    setControlText(item(kIdProblems), lv::describeTemplateProblems(c));
    std::string ex;
    if (scanReady())
        for (const std::string& e : lv::importExamples(iu.scan->scan.files, tpl, lv::currentSettings().typeMap, 3))
            ex += (ex.empty() ? "" : "\r\n") + e;
    setControlText(item(kIdExamples), ex);
}

void refreshRoom() {
    std::string dest = destText();
    lv::RoomLine line;
    iu.roomOk = false;
    if (!dest.empty()) {
        lv::RoomFigures room = lv::destinationRoom(lv::fullPath(dest));
        bool read = scanReady();
        if (read) {
            uint64_t key = iu.scan->scan.files.size() * 1000003ull + iu.scan->scan.bytes;
            if (key != iu.estimateFor || dest != iu.estimateDest) {
                iu.needed = lv::estimateBytesToCopy(iu.scan->scan.files, iu.scan->source, lv::fullPath(dest));
                iu.estimateFor = key;
                iu.estimateDest = dest;
            }
        }
        line = lv::describeRoomLine(dest, read, room.freeBytes, read ? iu.needed : 0);
        iu.roomOk = !line.isError && room.freeBytes >= 0;
    }
    setControlText(item(kIdRoomLine), line.text);
}

void refreshPlan() {
    setControlText(item(kIdPlan), lv::describeImportPlan(iu.selection, destText(), secondText()));
    // The photos kept are known once the filter has read them; until then the line names the filter.
    std::string photos = iu.photosLine;
    if (photos.empty() || iu.selection.photoFilter.empty())
        photos = iu.selection.photoFilter.empty()
                     ? lv::describePhotosLine("", 0)
                     : lv::text("ImportPhotosLbl") + " " +
                           lv::fillPlaceholder(lv::text("ImportPhotosMatching"), "{name}", iu.selection.photoFilter);
    setControlText(item(kIdPhotosLine), photos);
}

bool canStart() {
    if (running() || iu.filterRun || !scanReady() || iu.scan->scan.files.empty()) return false;
    if (sourceText().empty() || destText().empty() || !iu.roomOk) return false;
    lv::TemplateCheck c = lv::checkImportTemplate(chipFieldText(item(kIdTemplate)));
    return !c.hasError && !c.notUnique;
}

void refreshState() {
    if (!iu.dlg) return;
    bool run = running() || iu.filterRun != nullptr, after = !run && iu.job != nullptr;
    for (int id : {kIdTiles, kIdProgress, kIdHint, kIdRate}) ShowWindow(item(id), run ? SW_SHOW : SW_HIDE);
    for (int id : {kIdSummary, kIdCopyLog}) ShowWindow(item(id), after ? SW_SHOW : SW_HIDE);
    ShowWindow(item(kIdLog), after && iu.job->log.size() ? SW_SHOW : SW_HIDE);
    for (int id : {kIdSource, kIdSourceBrowse, kIdTypesBtn, kIdDest, kIdDestBrowse, kIdSecond, kIdSecondBrowse, kIdVerify,
                   kIdTemplate, kIdInsert})
        EnableWindow(item(id), !run);
    EnableWindow(item(kIdStart), canStart());
    EnableWindow(item(kIdStop), run && !(iu.job && iu.job->stop));
    EnableWindow(item(kIdCull), iu.job != nullptr);
    setControlText(item(kIdTypesLine), cardLine());
    setControlText(item(kIdSummary), iu.summary);
}

void refreshAll() {
    refreshTemplate();
    refreshRoom();
    refreshPlan();
    refreshState();
}

// [SECTION] progress
lv::ImportProgress progressNow() {
    lv::LockGuard lk(iu.job->lock);
    return iu.job->progress;
}

std::vector<int> shownPerFolder(const std::vector<lv::ImportFolderTile>& folders);
void handToBrowser(const std::vector<std::string>& fresh);

void paintTiles(const DRAWITEMSTRUCT* d) {
    RECT all = d->rcItem;
    FillRect(d->hDC, &all, GetSysColorBrush(COLOR_BTNFACE));
    if (!iu.job) return;
    lv::ImportProgress p = progressNow();
    SetBkMode(d->hDC, TRANSPARENT);
    SelectObject(d->hDC, g.fontUi);
    const int most = 4, gap = px(8);
    std::vector<lv::ImportTileText> tiles =
        lv::describeImportTiles(iu.job->settings.destination, p.folders, shownPerFolder(p.folders), most);
    int w = (all.right - all.left - gap * (most - 1)) / most;
    for (size_t i = 0; i < tiles.size(); i++) {
        int x = all.left + int(i) * (w + gap);
        RECT r{x, all.top, x + w, all.bottom};
        FillRect(d->hDC, &r, GetSysColorBrush(COLOR_WINDOW));
        FrameRect(d->hDC, &r, GetSysColorBrush(COLOR_BTNSHADOW));
        std::wstring a = wide(tiles[i].caption), b = wide(tiles[i].counts);
        RECT ra{r.left + px(8), r.top + px(6), r.right - px(6), r.top + px(28)};
        SetTextColor(d->hDC, GetSysColor(COLOR_WINDOWTEXT));
        DrawTextW(d->hDC, a.c_str(), int(a.size()), &ra, DT_SINGLELINE | DT_PATH_ELLIPSIS | DT_NOPREFIX);
        RECT rb{r.left + px(8), r.top + px(30), r.right - px(6), r.bottom - px(4)};
        SetTextColor(d->hDC, GetSysColor(COLOR_GRAYTEXT));
        DrawTextW(d->hDC, b.c_str(), int(b.size()), &rb, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
}

std::string progressLine() {
    if (iu.filterRun)
        return lv::fillPlaceholder(lv::fillPlaceholder(lv::text("ImportPhotosReading"), "{done}",
                                                       std::to_string(iu.filterRun->read.load())),
                                   "{total}", std::to_string(iu.filterRun->files.size())) +
               " (" + lv::text("ImportReadingWhy") + ")";
    lv::ImportProgress p = progressNow();
    if (iu.job->stop) return lv::fillPlaceholder(lv::text("ImportStoppingFile"), "{file}", p.fileInHand);
    if (p.planning) return lv::text("ImportCardReading") + "...";
    std::string copied = lv::fillPlaceholder(lv::fillPlaceholder(lv::text("ImportTileCopied"), "{done}",
                                                                 std::to_string(p.copied)),
                                             "{total}", std::to_string(p.totalFiles));
    // Copies run side by side: the file in hand may already be counted as processed.
    uint64_t done = std::min(p.totalBytes, p.bytesProcessed + p.kibInHand * 1024);
    return copied + "  \u00B7  " + lv::sizeText(done) + " / " +
           lv::sizeText(p.totalBytes) + (p.fileInHand.empty() ? "" : "  \u00B7  " + p.fileInHand);
}

// [SECTION] starting and ending
void filterThread(void* arg) {
    auto* r = static_cast<PhotoFilterRun*>(arg);
    r->keep = lv::selectWithPhotoFilter(r->files, r->selection, r->tokens, &r->stop, &r->read, &r->kept);
    r->done = true;
}

// The copier's inputs as the dialog holds them now (settings saved by keepSettings first).
std::unique_ptr<lv::ImportJob> jobFromDialog() {
    const lv::Settings& set = lv::currentSettings();
    auto job = std::make_unique<lv::ImportJob>();
    job->card = lv::fullPath(set.importSource);
    job->settings.templateText = set.importTemplate;
    job->settings.destination = lv::fullPath(set.importDestination);
    job->settings.secondDestination = set.importSecondDestination;
    job->settings.selection = iu.selection;
    job->settings.typeMap = set.typeMap;
    job->settings.verifyReadBack = set.importVerifyReadBack;
    return job;
}

// The job may wait for the photo filter, during which the dialog can be closed.
void startCopier(std::unique_ptr<lv::ImportJob> job, std::vector<std::string>* selection) {
    if (selection) lv::setImportSelection(job.get(), std::move(*selection));
    if (lv::WinErr e = lv::startImport(job.get())) {
        iu.summary = lv::exportErrorMessage(e);
        return refreshState();
    }
    iu.job = std::move(job);
    iu.reaped = false;
    iu.summary.clear();
    iu.arrived.clear();
    iu.landed.clear();
    lv::logLine("import started: " + iu.job->card + " -> " + iu.job->settings.destination);
    SetTimer(g.hwnd, kTimerImport, 100, nullptr);
}

// The dialog's choices become the settings saved at shutdown.
void keepSettings() {
    lv::Settings& set = lv::currentSettings();
    set.importSource = sourceText();
    set.importDestination = destText();
    set.importTemplate = chipFieldText(item(kIdTemplate));
    set.excludedTypes = iu.selection.excludedExtensions;
    set.importFilter = iu.selection.photoFilter;
    set.importSecondDestination = secondText();
    set.importVerifyReadBack = IsDlgButtonChecked(iu.dlg, kIdVerify) == BST_CHECKED;
}

void startImport() {
    if (!canStart()) return;
    keepSettings();
    int fi = savedFilterIndex(iu.selection.photoFilter);
    std::vector<lv::FilterToken> tokens;
    if (fi >= 0 && lv::tokensOfSavedFilter(g.filter.saved, fi, &tokens)) {
        auto run = std::make_unique<PhotoFilterRun>();
        run->job = jobFromDialog();
        run->files = iu.scan->scan.files;
        run->selection = iu.selection;
        run->tokens = std::move(tokens);
        if (lv::threadStart(&run->thread, 1 << 20, filterThread, run.get()) == 0) {
            iu.filterRun = std::move(run);
            SetTimer(g.hwnd, kTimerImport, 100, nullptr);
            refreshState();
            return;
        }
    }
    startCopier(jobFromDialog(), nullptr);
    refreshState();
}

void askQuestion() {
    lv::ImportQuestion q;
    {
        lv::LockGuard lk(iu.job->lock);
        q = iu.job->question;
    }
    lv::ImportQuestionText t = lv::importQuestionText(q);
    ChoiceBox box;
    box.title = t.title;
    box.lines = {t.text};
    if (!t.applyAll.empty()) box.ticks = {t.applyAll};
    box.buttons = {t.yes, t.no};
    box.cancelAnswer = q.kind == lv::kQuestionClash ? 2 : 1;  // stop, or leave them out
    box.widthDip = 500;
    iu.asking = true;
    int b = showChoiceBox(iu.dlg ? iu.dlg : g.hwnd, box);
    iu.asking = false;
    if (!iu.job) return;
    int answer = b + 1;
    lv::answerImportQuestion(iu.job.get(), answer, !box.ticked.empty() && box.ticked[0] && answer != 3);
}

void reap() {
    lv::joinImport(iu.job.get());
    iu.reaped = true;
    {
        std::vector<std::string> fresh;
        fresh.swap(iu.job->arrived);  // the last ones, landed since the previous tick
        iu.arrived.insert(iu.arrived.end(), fresh.begin(), fresh.end());
        handToBrowser(fresh);
        if (triageOpen()) triageArrived(iu.arrived);
    }
    if (g.folder.importBrowse) {  // everything has landed: the strip takes its own order again
        lv::viewerStop(g.viewer);
        lv::leaveImportBrowseOrdering(g.folder);
        lv::viewerStart(g.viewer);
        showCurrentPhoto();
    }
    iu.summary.clear();
    iu.logText.clear();
    for (const lv::ImportResult& r : iu.job->results) {
        std::string s = lv::describeImportResult(r);
        if (iu.job->results.size() > 1) s = r.destination + ": " + s;
        iu.summary += (iu.summary.empty() ? "" : "\r\n") + s;
    }
    iu.logText = iu.summary + "\r\n";
    std::string log;
    for (const lv::ImportLogEntry& e : iu.job->log) {
        std::string line = e.fileName + "\t" + e.text + (e.text2.empty() ? "" : " " + e.text2);
        log += line + "\r\n";
    }
    iu.logText += log;
    lv::logLine("import finished: " + iu.summary);
    if (iu.dlg) setControlText(item(kIdLog), log.empty() ? "" : lv::text("ImportLogHdr") + ":\r\n" + log);
    refreshAll();
}

// The browser follows the import started from the welcome screen.
void openArrived() {
    if (iu.arrived.empty() || !g.welcome) return;
    iu.fromWelcome = false;
    const std::string& first = iu.arrived.front();
    openFolderPath(std::string(lv::folderPart(first)), std::string(lv::fileNamePart(first)));
    if (iu.dlg) SetForegroundWindow(iu.dlg);  // the browser behind it, the progress in front
}

bool inBrowsedFolder(const std::string& path) {
    return g.haveFolder && !g.welcome &&
           lv::equalsIgnoreCase(lv::folderPart(path), lv::withTrailingSeparator(g.folder.folder));
}

// Photos landing in the folder the browser shows join its strip, after the others in the order
// they arrive, so they can be culled while the import runs.
void handToBrowser(const std::vector<std::string>& fresh) {
    std::set<std::string> have;
    std::vector<std::string> join;
    for (const std::string& p : fresh) {
        if (!inBrowsedFolder(p)) continue;
        if (have.empty())
            for (const std::string& q : g.folder.photos.path) have.insert(lv::upperAscii(q));
        if (have.insert(lv::upperAscii(p)).second) join.push_back(p);
    }
    if (join.empty()) return;
    lv::viewerStop(g.viewer);
    if (!g.folder.importBrowse) lv::enterImportBrowseOrdering(g.folder);
    for (const std::string& p : join)
        lv::appendArrivedPhoto(g.folder, p, [](std::string_view path, int* rating, std::string* label) {
            lv::RatingLabel rl = lv::readRatingLabel(path);
            *rating = rl.rating;
            *label = rl.label;
        });
    lv::viewerPhotosAdded(g.viewer);
    lv::rebuildVisibleList(g.folder);
    lv::viewerStart(g.viewer);
    InvalidateRect(g.hwnd, nullptr, FALSE);
}

// *budget bounds the ratings read again per call (a large card would otherwise read thousands of
// sidecars every tick); a photo never read, or just rated in the triage window, is always read.
bool landedPhotoMatches(const std::string& path, int* budget) {
    LandedFacts& l = iu.landed[path];
    if (l.facts.path.empty()) {
        l.facts.path = path;
        l.facts.meta = lv::readPhotoMeta(path);
    }
    uint64_t now = GetTickCount64();
    if (l.readAt == 0 || (now - l.readAt > 2000 && (*budget)-- > 0)) {
        lv::RatingLabel rl = lv::readRatingLabel(path);
        l.facts.rating = rl.rating;
        l.facts.label = rl.label;
        l.readAt = now;
    }
    return lv::tokensMatch(g.filter.current.tokens, l.facts);
}

// Per folder, how many of the photos landed there the browser shows: those in its strip for the
// folder it has open, those its strip filter accepts for the others (all with the filter off).
std::vector<int> shownPerFolder(const std::vector<lv::ImportFolderTile>& folders) {
    std::vector<int> shown(folders.size(), 0);
    std::unordered_map<std::string, size_t> index;
    for (size_t i = 0; i < folders.size(); i++) index.emplace(lv::upperAscii(lv::withTrailingSeparator(folders[i].folder)), i);
    bool browsing = g.haveFolder && !g.welcome;
    bool filtered = browsing && g.folder.filterActive;
    std::set<std::string> visible;
    int budget = 16;
    if (browsing)
        for (int pos = 0, n = lv::visibleLength(g.folder); pos < n; pos++)
            visible.insert(lv::upperAscii(g.folder.photos.path[size_t(lv::visibleToPhoto(g.folder, pos))]));
    for (const std::string& p : iu.arrived) {
        auto it = index.find(lv::upperAscii(lv::folderPart(p)));
        if (it == index.end()) continue;
        if (inBrowsedFolder(p)) shown[it->second] += int(visible.count(lv::upperAscii(p)));
        else shown[it->second] += !filtered || landedPhotoMatches(p, &budget);
    }
    return shown;
}

void chooseCullFolder() {
    if (!iu.job) return;
    lv::ImportProgress p = progressNow();
    std::vector<lv::CullFolder> folders;
    for (const lv::ImportFolderTile& t : p.folders)
        if (t.photos > 0) folders.push_back({t.folder, t.photos});
    if (folders.empty()) return;
    std::string chosen = folders[0].folder;
    if (folders.size() > 1) {
        ChoiceBox box;
        box.title = lv::text("ImportCullTitle");
        box.lines = {lv::text("ImportCullIntro")};
        for (const lv::CullFolder& f : folders) box.listRows.push_back(lv::describeCullRow(iu.job->settings.destination, f));
        box.buttons = {lv::text("ImportCullOpen"), lv::text("ImportCullCancel")};
        box.cancelAnswer = 1;
        if (showChoiceBox(iu.dlg ? iu.dlg : g.hwnd, box) != 0 || box.listSel < 0) return;
        chosen = folders[size_t(box.listSel)].folder;
    }
    openFolderPath(lv::withTrailingSeparator(chosen), "");
}

// [SECTION] Items to copy
bool cullNoteFor(int comboSel) { return comboSel > 0 && lv::savedFilterUsesRatingOrColour(g.filter.saved, comboSel - 1); }

void itemsToCopy() {
    ChoiceBox box;
    box.title = lv::text("ImportTypesTitle");
    box.lines = {lv::text("ImportWhatPhotosHdr")};
    box.comboRows = {lv::text("ImportFilterAll")};
    for (const auto& e : g.filter.saved.entries) box.comboRows.push_back(e.name);
    box.comboSel = savedFilterIndex(iu.selection.photoFilter) + 1;
    box.comboNote = lv::text("ImportFilterCullNote");
    box.noteFor = cullNoteFor;
    box.lines2 = {lv::text("ImportWhatTypesHdr"), lv::text(scanReady() ? "ImportTypesIntro" : "ImportTypesNoCard")};
    std::vector<std::string> keys;
    if (scanReady())
        for (const lv::CardTypeRow& r : iu.scan->scan.types) {
            std::string name = r.key == ".|" ? lv::text("ImportTypeNoExt") : lv::upperAscii(r.key.substr(1, r.key.size() - 2));
            box.ticks.push_back(name + "    " + lv::fileCountText(r.files) + "  \u00B7  " + lv::sizeText(r.bytes) +
                                "  \u00B7  " + lv::importKindCaption(r.key));
            box.ticked.push_back(r.ticked);
            keys.push_back(r.key);
        }
    box.buttons = {lv::text("ImportTypesOK"), lv::text("ImportTypesCancel")};
    box.cancelAnswer = 1;
    box.widthDip = 480;
    if (showChoiceBox(iu.dlg, box) != 0) return;
    iu.selection.photoFilter = box.comboSel > 0 ? g.filter.saved.entries[size_t(box.comboSel - 1)].name : "";
    iu.photosLine.clear();
    for (size_t i = 0; i < keys.size(); i++) lv::pipeListSet(iu.selection.excludedExtensions, keys[i], !box.ticked[i]);
    startScan();  // the files kept follow the new choice
    refreshAll();
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
                case kIdSource:
                    if (code == EN_CHANGE) iu.sourceSettle = kSourceSettleTicks;
                    return true;
                case kIdDest:
                    if (code == EN_CHANGE) {
                        refreshRoom();
                        refreshPlan();
                        refreshState();
                    }
                    return true;
                case kIdTemplate:
                    if (code == EN_CHANGE) {
                        refreshTemplate();
                        refreshState();
                    }
                    return true;
                case kIdSecond:
                    if (code == EN_CHANGE) refreshPlan();
                    return true;
                case kIdSourceBrowse:
                case kIdDestBrowse:
                case kIdSecondBrowse: {
                    const char* title = id == kIdSourceBrowse ? "ImportPickCard" : id == kIdDestBrowse ? "ImportDestHdr" : "ImportSecondLbl";
                    int field = id == kIdSourceBrowse ? kIdSource : id == kIdDestBrowse ? kIdDest : kIdSecond;
                    std::string f = pickFolderWithTitle(lv::text(title));
                    if (!f.empty()) SetWindowTextW(item(field), wide(f).c_str());
                    return true;
                }
                case kIdTypesBtn: itemsToCopy(); return true;
                case kIdInsert: chipFieldShowInsertMenu(item(kIdTemplate), item(kIdInsert)); return true;
                case IDOK:
                case kIdStart: startImport(); return true;
                case kIdStop:
                    if (iu.filterRun) iu.filterRun->stop = true;
                    if (running()) lv::requestImportStop(iu.job.get());
                    refreshState();
                    return true;
                case kIdCull: chooseCullFolder(); return true;
                case kIdRate:
                    openTriageWindow();
                    triageArrived(iu.arrived);
                    return true;
                case kIdCopyLog: lv::clipboardSetText(iu.logText); return true;
                case IDCANCEL:
                case kIdClose:
                    if (running()) openTriageWindow();  // the photos keep landing there
                    dlg::end(d, IDCANCEL);
                    return true;
            }
            return false;
        }
        case WM_DRAWITEM:
            if (wp != kIdTiles) return false;
            paintTiles(reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
            *result = TRUE;
            return true;
        case WM_CTLCOLORSTATIC: {
            int id = GetDlgCtrlID(reinterpret_cast<HWND>(lp));
            if (id != kIdProblems && id != kIdRoomLine && id != kIdExamples) return false;
            bool bad = false;
            if (id == kIdProblems) {
                lv::TemplateCheck t = lv::checkImportTemplate(chipFieldText(item(kIdTemplate)));
                bad = t.hasError || t.notUnique;
            }
            if (id == kIdRoomLine) bad = !iu.roomOk && !destText().empty();
            *result = lineColours(reinterpret_cast<HDC>(wp), bad ? kLineError : id == kIdExamples ? kLineQuiet : kLinePlain);
            return true;
        }
        case WM_DESTROY: {
            keepSettings();
            if (iu.scan) lv::finishCardScan(iu.scan.get());
            iu.scan.reset();
            iu.dlg = nullptr;
            return false;
        }
    }
    return false;
}

void initDialog(dlg::Dialog& d) {
    iu.dlg = d.hwnd;
    registerChipsClass();
    HWND field = dlg::adoptRow(d, iu.layout->templateRow, createChipField(d.hwnd, kIdTemplate, &kChipRules));
    SetWindowPos(field, item(kIdTplLbl), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);  // Tab order
    const lv::Settings& set = lv::currentSettings();
    iu.selection = lv::ImportTypeSelection();
    iu.selection.excludedExtensions = set.excludedTypes;
    iu.selection.photoFilter = savedFilterIndex(set.importFilter) >= 0 ? set.importFilter : "";
    chipFieldSetText(field, set.importTemplate.empty() ? lv::defaultImportTemplate() : set.importTemplate);
    SetWindowTextW(item(kIdDest), wide(set.importDestination).c_str());
    SetWindowTextW(item(kIdSecond), wide(set.importSecondDestination).c_str());
    dlg::setChecked(d, kIdVerify, set.importVerifyReadBack);
    SetWindowTextW(item(kIdSource), wide(set.importSource).c_str());
    iu.sourceSettle = 0;
    startScan();
    refreshAll();
    dlg::focus(d, set.importSource.empty() ? kIdSource : kIdStart);
}

}  // namespace

// [SECTION] interface
void openImportDialog() {
    if (!iu.dlg) iu.fromWelcome = g.welcome;
    if (!iu.dlg) {
        const dlg::Form* forms[] = {&kLayouts[0].form, &kLayouts[1].form};
        iu.layout = &kLayouts[dlg::formThatFits(g.hwnd, forms)];
    }
    openCopyDialog(iu.dlg, iu.layout->form, kTimerImport);
}

void importTick() {
    if (iu.dlg) {
        if (iu.sourceSettle > 0 && --iu.sourceSettle == 0 && sourceText() != iu.scannedSource) startScan();
        setControlText(item(kIdTypesLine), cardLine());
        if (scanReady() && !iu.scanSeen) {
            iu.scanSeen = true;
            refreshAll();
        }
    }
    if (iu.filterRun && iu.filterRun->done) {
        lv::threadJoin(&iu.filterRun->thread);
        std::unique_ptr<PhotoFilterRun> run = std::move(iu.filterRun);
        iu.photosLine = lv::describePhotosLine(iu.selection.photoFilter, run->kept);
        if (!run->stop) startCopier(std::move(run->job), &run->keep);
        if (iu.dlg) refreshAll();
    }
    if (iu.dlg && (running() || iu.filterRun)) {
        setControlText(item(kIdProgress), progressLine());
        InvalidateRect(item(kIdTiles), nullptr, FALSE);
    }
    if (running() && !iu.asking) {
        int kind, answer, state;
        {
            lv::LockGuard lk(iu.job->lock);
            kind = iu.job->question.kind;
            answer = iu.job->question.answer;
            state = iu.job->state;
        }
        std::vector<std::string> fresh;
        {
            lv::LockGuard lk(iu.job->lock);
            fresh.swap(iu.job->arrived);  // the reader takes them
        }
        iu.arrived.insert(iu.arrived.end(), fresh.begin(), fresh.end());
        if (iu.fromWelcome) openArrived();
        handToBrowser(fresh);
        if (triageOpen()) triageArrived(iu.arrived);
        if (kind != lv::kQuestionNone && answer == -1) askQuestion();
        else if (state != lv::kImportRunning) reap();
    }
    if (!iu.dlg && !running() && !iu.filterRun) KillTimer(g.hwnd, kTimerImport);
}

bool importRunningNow() { return running(); }
void importPhotoRated(const std::string& path) {
    auto it = iu.landed.find(path);
    if (it != iu.landed.end()) it->second.readAt = 0;
}
int triageFilesLeft() {
    if (!running()) return -1;
    lv::ImportProgress p = progressNow();
    return p.planning ? -1 : std::max(0, p.totalFiles - p.copied - p.skipped - p.failed);
}
std::string importDestinationNow() { return running() ? iu.job->settings.destination : std::string(); }
void requestImportStopNow() {
    if (running()) lv::requestImportStop(iu.job.get());
}
void endImportAtShutdown() {
    if (iu.filterRun) {
        iu.filterRun->stop = true;
        lv::threadJoin(&iu.filterRun->thread);
        iu.filterRun.reset();
    }
    if (!running()) return;
    lv::requestImportStop(iu.job.get());
    lv::joinImport(iu.job.get());  // the file in hand is finished and journaled first
    iu.reaped = true;
}
