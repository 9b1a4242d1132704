#include "import/card_plan.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <new>
#include <set>

#include "core/diaglog.h"
#include "core/texts.h"
#include "library/filekinds.h"
#include "metadata/photo_meta.h"
#include "metadata/preview.h"
#include "metadata/shot_info.h"

namespace lv {

namespace {

constexpr const char* kMiddleDot = " \xC2\xB7 ";
constexpr size_t kCardRecordBytes = 1048;

// The memory check of the card scan: the lists of the plan would hold 1048 bytes per record.
bool probeCardRecords(size_t bytes) {
    uint64_t records = bytes / sizeof(ScanRecord) + 1;
    uint64_t want = records * kCardRecordBytes;
    if (want >= (uint64_t(1) << 31)) return false;
    char* block = new (std::nothrow) char[size_t(want)];
    if (!block) return false;
    delete[] block;
    return true;
}

std::string joinWithAnd(const std::vector<std::string>& items) {
    std::string r;
    for (size_t i = 0; i < items.size(); i++) {
        if (i > 0) r += (i + 1 == items.size()) ? " and " : ", ";
        r += items[i];
    }
    return r;
}

int twoDigits(std::string_view s, size_t at, size_t n) {
    int v = 0;
    for (size_t i = at; i < at + n; i++) {
        if (i >= s.size() || s[i] < '0' || s[i] > '9') return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

// The capture time from a "YYYY:MM:DD HH:MM:SS" text, read by position; false when it fails
// the plausibility test.
bool captureFromText(std::string_view t, ImportNameContext* c) {
    if (t.size() < 10) return false;
    int y = twoDigits(t, 0, 4), mo = twoDigits(t, 5, 2), d = twoDigits(t, 8, 2);
    if (y < 1980 || mo < 1 || mo > 12 || d < 1 || d > 31) return false;
    c->year = y, c->month = mo, c->day = d;
    c->hour = c->minute = c->second = 0;
    if (t.size() >= 19) {
        c->hour = std::max(0, twoDigits(t, 11, 2));
        c->minute = std::max(0, twoDigits(t, 14, 2));
        c->second = std::max(0, twoDigits(t, 17, 2));
    }
    return true;
}

}  // namespace

// [SECTION] scan
bool selectionAccepts(const ImportTypeSelection& sel, std::string_view path) {
    if (pipeListHas(sel.excludedExtensions, extensionKey(path))) return false;
    switch (scanClassOf(path)) {
        case kScanPhoto: return sel.photos;
        case kScanVideo: return sel.video;
        case kScanAudio: return sel.audio;
        case kScanSidecar: return sel.sidecars;
        default: return sel.other;
    }
}

int scanCard(std::string_view source, const ImportTypeSelection& sel, bool probeMemory, const std::atomic<bool>* stop,
             CardScan* out, AllocationProbeFn probe, ScanLive* live) {
    *out = CardScan();
    uint64_t t0 = perfCounter();
    std::vector<ScanRecord> list;
    ScanStats stats;
    ScanFilter everything;  // the selection is applied below, so the type table sees every file
    int r = scanTree(source, list, stats, everything, stop, probeMemory, probe ? probe : probeCardRecords, live);
    out->result = r >= 0 ? 0 : r;
    out->folders = stats.foldersVisited;
    std::map<std::string, size_t> typeRow;
    for (ScanRecord& rec : list) {
        std::string key = extensionKey(rec.path);
        auto it = typeRow.find(key);
        if (it == typeRow.end()) {
            it = typeRow.emplace(key, out->types.size()).first;
            out->types.push_back({key, 0, 0, selectionAccepts(sel, rec.path)});
        }
        out->types[it->second].files++;
        out->types[it->second].bytes += rec.size;
        if (!selectionAccepts(sel, rec.path)) {
            out->leftFiles++;
            out->leftBytes += rec.size;
            continue;
        }
        out->bytes += rec.size;
        out->files.push_back({std::move(rec.path), int64_t(rec.size), rec.writeTime, 0, false});
    }
    orderCardFiles(out->files);
    out->milliseconds = uint32_t((perfCounter() - t0) * 1000 / std::max<uint64_t>(1, perfFrequency()));
    logLine("Import scan: " + std::to_string(list.size()) + " in " + std::to_string(out->folders) + " folders, " +
            std::to_string(out->milliseconds) + " ms, result " + std::to_string(out->result));
    return out->result;
}

void orderCardFiles(std::vector<CardFile>& files) {
    std::vector<std::string> paths, upper;
    for (const CardFile& f : files) {
        paths.push_back(f.path);
        upper.push_back(upperAscii(f.path));
    }
    std::vector<int> owner = sidecarOwners(paths);
    auto group = [&](int i) {
        ScanClass c = scanClassOf(paths[size_t(i)]);
        return c == kScanPhoto ? 0 : c == kScanVideo ? 1 : 2;
    };
    std::vector<int> order(files.size());
    for (size_t i = 0; i < order.size(); i++) order[i] = int(i);
    auto leadOf = [&](int i) { return owner[size_t(i)] >= 0 ? owner[size_t(i)] : i; };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        int la = leadOf(a), lb = leadOf(b);
        if (la != lb) {
            if (group(la) != group(lb)) return group(la) < group(lb);
            if (files[size_t(la)].lastWrite != files[size_t(lb)].lastWrite)
                return files[size_t(la)].lastWrite < files[size_t(lb)].lastWrite;
            if (upper[size_t(la)] != upper[size_t(lb)]) return upper[size_t(la)] < upper[size_t(lb)];
            return paths[size_t(la)] < paths[size_t(lb)];
        }
        bool ca = a != la, cb = b != lb;
        if (ca != cb) return cb;
        return upper[size_t(a)] < upper[size_t(b)];
    });
    std::vector<CardFile> sorted;
    sorted.reserve(files.size());
    for (int i : order) {
        sorted.push_back(std::move(files[size_t(i)]));
        sorted.back().isCompanion = owner[size_t(i)] >= 0;
    }
    files = std::move(sorted);
    // seq follows the time the camera wrote the files, whatever their group.
    std::vector<int> byTime(files.size());
    std::vector<std::string> up(files.size());
    for (size_t i = 0; i < files.size(); i++) byTime[i] = int(i), up[i] = upperAscii(files[i].path);
    std::stable_sort(byTime.begin(), byTime.end(), [&](int a, int b) {
        if (files[size_t(a)].lastWrite != files[size_t(b)].lastWrite)
            return files[size_t(a)].lastWrite < files[size_t(b)].lastWrite;
        return up[size_t(a)] < up[size_t(b)];
    });
    for (size_t k = 0; k < byTime.size(); k++) files[size_t(byTime[k])].seq = int(k);
}

namespace {
void scanThread(void* arg) {
    auto* job = static_cast<CardScanJob*>(arg);
    scanCard(job->source, job->selection, job->probeMemory, &job->stop, &job->scan, nullptr, &job->live);
    job->done.store(true);
}
}  // namespace

WinErr startCardScan(CardScanJob* job) {
    job->stop.store(false);
    job->done.store(false);
    return threadStart(&job->thread, 1u << 20, scanThread, job);
}

void finishCardScan(CardScanJob* job) {
    job->stop.store(true);
    threadJoin(&job->thread);
}

std::string fileCountText(uint64_t n) {
    return groupThousands(n) + " " + text(n == 1 ? "ImportFileWord" : "ImportFilesWord");
}

std::string describeCardReading(uint64_t files, uint64_t folders) {
    return text("ImportCardReading") + kMiddleDot + fileCountText(files) + kMiddleDot + groupThousands(folders) + " " +
           text(folders == 1 ? "ImportFolderWord" : "ImportFoldersWord");
}

std::string describeCardScanResult(const CardScan& scan) {
    std::string files = fileCountText(scan.files.size() + scan.leftFiles);
    if (scan.result == -2) return fillPlaceholder(text("ImportCardNoRoom"), "{files}", files);
    if (scan.result == -1) return fillPlaceholder(text("ImportCardStopped"), "{files}", files);
    return {};
}

// [SECTION] selection
std::vector<std::string> selectForImport(const std::vector<CardFile>& files, const ImportTypeSelection& sel,
                                         PhotoMatchFn match, void* context) {
    std::vector<std::string> out;
    for (const CardFile& f : files) {
        if (!selectionAccepts(sel, f.path)) continue;
        if (match && !sel.photoFilter.empty() && scanClassOf(f.path) == kScanPhoto && !match(f.path, context)) continue;
        out.push_back(f.path);
    }
    return out;
}

std::vector<std::string> selectWithPhotoFilter(const std::vector<CardFile>& files, const ImportTypeSelection& sel,
                                               std::span<const FilterToken> tokens, const std::atomic<bool>* stop,
                                               std::atomic<int>* done, int* kept) {
    struct Pass {
        std::span<const FilterToken> tokens;
        const std::atomic<bool>* stop;
        std::atomic<int>* done;
        int photos = 0, kept = 0;
    } pass{tokens, stop, done};
    uint64_t t0 = perfCounter();
    ImportTypeSelection withFilter = sel;
    if (withFilter.photoFilter.empty()) withFilter.photoFilter = "*";
    std::vector<std::string> out = selectForImport(files, withFilter, [](const std::string& path, void* ctx) {
        auto* p = static_cast<Pass*>(ctx);
        if (p->stop && p->stop->load()) return false;
        PhotoFacts f;
        f.path = path;
        f.meta = readPhotoMeta(path);
        p->photos++;
        if (p->done) p->done->fetch_add(1);
        bool match = tokensMatch(p->tokens, f);
        p->kept += match;
        return match;
    }, &pass);
    if (kept) *kept = pass.kept;
    uint64_t ms = (perfCounter() - t0) * 1000 / std::max<uint64_t>(1, perfFrequency());
    logLine("Import filter: read " + std::to_string(pass.photos) + " photos of " + std::to_string(files.size()) +
            " files in " + std::to_string(ms) + " ms");
    return out;
}

std::string describePhotosLine(std::string_view filterName, int kept) {
    std::string out = text("ImportPhotosLbl") + " ";
    if (filterName.empty()) return out + text("ImportPhotosAll");
    if (kept == 0) return out + fillPlaceholder(text("ImportPhotosNoMatch"), "{name}", filterName);
    return out + fillPlaceholder(text("ImportPhotosMatching"), "{name}", filterName) + kMiddleDot +
           groupThousands(uint64_t(kept)) + " " + text("ImportPhotosKept");
}

void keepSelected(std::vector<CardFile>& files, const std::vector<std::string>& paths) {
    if (!paths.empty()) {
        std::set<std::string> keep;
        for (const std::string& p : paths) keep.insert(upperAscii(p));
        std::erase_if(files, [&](const CardFile& f) { return !keep.count(upperAscii(f.path)); });
    }
    std::vector<int> byTime(files.size());
    for (size_t i = 0; i < files.size(); i++) byTime[i] = int(i);
    std::stable_sort(byTime.begin(), byTime.end(), [&](int a, int b) {
        if (files[size_t(a)].lastWrite != files[size_t(b)].lastWrite)
            return files[size_t(a)].lastWrite < files[size_t(b)].lastWrite;
        return upperAscii(files[size_t(a)].path) < upperAscii(files[size_t(b)].path);
    });
    for (size_t k = 0; k < byTime.size(); k++) files[size_t(byTime[k])].seq = int(k);
}

// [SECTION] names
ImportNameContext buildImportNameContext(const CardFile& f, std::string_view job, std::string_view note,
                                         std::string_view volume, std::string_view typeMap) {
    ImportNameContext c;
    c.name = std::string(stemOf(f.path));
    std::string_view ext = extensionOf(f.path);
    c.ext = std::string(ext.empty() ? ext : ext.substr(1));
    c.kind = kindWithTypeMap(f.path, typeMap);
    c.seq = f.seq;
    c.job = std::string(job);
    c.note = std::string(note);
    c.volume = std::string(volume);
    bool timeFound = false;
    if (isSupportedPhoto(f.path)) {
        PhotoFile pf;
        Bytes head;
        if (photoOpen(f.path, &pf) == kErrOk) {
            readHead(pf, &head);
            photoClose(&pf);
        }
        if (!head.empty()) {
            ShotInfo s = buildShotInfo(f.path, head);
            c.camera = s.cameraModel;
            c.lens = s.lensModel;
            ExifSummary e;
            if (readExifSummary(head, identifyContainer(head), &e)) {
                c.serial = refText(head, e.bodySerial);
                timeFound = captureFromText(refText(head, e.dateTimeOriginal), &c);
            }
        }
    }
    LocalTime lt;
    if (!timeFound && f.lastWrite != 0 && localTimeFromFileTime(f.lastWrite, &lt)) {
        c.year = lt.year, c.month = lt.month, c.day = lt.day;
        c.hour = lt.hour, c.minute = lt.minute, c.second = lt.second;
    }
    clampNameContext(&c);
    return c;
}

std::vector<std::string> importExamples(const std::vector<CardFile>& files, std::string_view tpl,
                                        std::string_view typeMap, size_t count) {
    std::vector<std::string> out;
    for (size_t i = 0; i < files.size() && i < count; i++) {
        ImportNameContext c = buildImportNameContext(files[i], "", "", "", typeMap);
        out.push_back(std::string(fileNamePart(files[i].path)) + "  \xC2\xBB  " + expandImportTemplate(tpl, c));
    }
    return out;
}

// [SECTION] texts
std::string groupThousands(uint64_t n) {
    std::string digits = std::to_string(n), out;
    for (size_t i = 0; i < digits.size(); i++) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

std::string importKindCaption(std::string_view key) {
    std::string probe = "x" + std::string(key.substr(0, key.size() - 1));
    if (key == ".|") probe = "x";
    switch (classifyFile(probe)) {
        case FileKind::Raw:
        case FileKind::Jpeg: return text("ImportKindPhoto");
        case FileKind::Video: return text("ImportKindVideo");
        case FileKind::Audio: return text("ImportKindAudio");
        case FileKind::Sidecar:
            if (pipeListHas(kAttachableSidecars, key)) return text("ImportKindPhotoMeta");
            if (key == ".thm|") return text("ImportKindThumb");
            return text("ImportKindCameraFile");
        case FileKind::Other: break;
    }
    return text("ImportKindOther");
}

std::string describeTypesLine(const CardScan& scan) {
    std::vector<std::string> items;
    int ticked = 0;
    for (const CardTypeRow& r : scan.types) {
        if (!r.ticked) continue;
        if (++ticked > 4) continue;
        std::string name = r.key == ".|" ? text("ImportTypeNoExt") : upperAscii(r.key.substr(1, r.key.size() - 2));
        items.push_back(name + " " + groupThousands(r.files));
    }
    if (ticked == 0) items.push_back(text("ImportTypesNone"));
    if (ticked > 4) items.push_back("+" + std::to_string(ticked - 4) + " " + text("ImportTypesMore"));
    if (scan.leftFiles > 0) items.push_back(fileCountText(scan.leftFiles) + " " + text("ImportTypesLeft"));
    std::string out = text("ImportTypesLbl") + " ";
    for (size_t i = 0; i < items.size(); i++) out += (i ? kMiddleDot : "") + items[i];
    return out;
}

std::string describeImportPlan(const ImportTypeSelection& sel, std::string_view destination,
                               std::string_view secondDestination) {
    std::vector<std::string> keys;
    for (size_t pos = 0; pos < sel.excludedExtensions.size();) {
        size_t bar = sel.excludedExtensions.find('|', pos);
        if (bar == std::string::npos) bar = sel.excludedExtensions.size();
        if (bar > pos) keys.push_back(sel.excludedExtensions.substr(pos, bar - pos));
        pos = bar + 1;
    }
    std::vector<std::string> exceptions;
    if (keys.size() > 3) {
        exceptions.push_back("the " + std::to_string(keys.size()) + " file types you unticked");
    } else if (!keys.empty()) {
        std::vector<std::string> named;
        bool noExt = false;
        for (const std::string& k : keys) {
            if (k == ".")
                noExt = true;
            else
                named.push_back(upperAscii(k.substr(1)));
        }
        std::vector<std::string> parts;
        if (!named.empty()) parts.push_back(joinWithAnd(named) + " files");
        if (noExt) parts.push_back("files with no extension");
        std::string joined;
        for (size_t i = 0; i < parts.size(); i++) joined += (i ? " and " : "") + parts[i];
        exceptions.push_back(joined);
    }
    std::string what;
    if (sel.photos && sel.video && sel.audio && sel.sidecars && sel.other) {
        if (!sel.photoFilter.empty()) exceptions.insert(exceptions.begin(), "photos that do not match " + sel.photoFilter);
        what = "everything on the card";
    } else {
        std::vector<std::string> cats;
        if (sel.photos)
            cats.push_back(sel.photoFilter.empty() ? "photos Lumivore can open" : "photos that match " + sel.photoFilter);
        if (sel.video) cats.push_back("video");
        if (sel.audio) cats.push_back("audio");
        if (sel.sidecars) cats.push_back("sidecars");
        if (sel.other) cats.push_back("other files");
        what = cats.empty() ? "nothing" : joinWithAnd(cats);
    }
    if (!exceptions.empty()) what += " except " + joinWithAnd(exceptions);
    std::string out = "Copies " + what;
    if (!destination.empty()) out += " to " + std::string(destination);
    if (!secondDestination.empty()) out += " and to " + std::string(secondDestination);
    return out + ".";
}

RoomLine describeRoomLine(std::string_view destination, bool cardRead, int64_t freeBytes, uint64_t needed) {
    RoomLine r;
    if (destination.empty()) return r;
    if (freeBytes < 0) return {text("ImportNoDrive"), true};
    uint64_t free = uint64_t(freeBytes);
    if (!cardRead) return {sizeText(free) + " " + text("ImportSpaceFreeWord"), false};
    if (needed == 0 || needed + kRoomMargin <= free)
        return {sizeText(free) + " " + text("ImportSpaceFreeNow") + kMiddleDot + sizeText(free - needed) + " " +
                    text("ImportSpaceFreeAfter"),
                false};
    return {text("ImportNoRoomShort") + " " + roomText(needed, freeBytes), true};
}

// [SECTION] culling
std::string folderBelowDestination(std::string_view destination, std::string_view folder) {
    std::string_view dest = withoutTrailingSeparator(destination);
    if (folder.size() > dest.size() && equalsIgnoreCase(folder.substr(0, dest.size()), dest) &&
        isSeparator(folder[dest.size()]))
        return std::string(withoutTrailingSeparator(folder.substr(dest.size() + 1)));
    return text("ImportCullRootRow");
}

std::string describeCullRow(std::string_view destination, const CullFolder& f) {
    return folderBelowDestination(destination, f.folder) + "  \xC2\xB7  " + groupThousands(uint64_t(f.photos)) + " " +
           text(f.photos == 1 ? "ImportCullPhoto" : "ImportCullPhotos");
}

}  // namespace lv
