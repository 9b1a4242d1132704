#include "import/import_journal.h"

#include <algorithm>
#include <cstdio>

#include "core/settings.h"

namespace lv {

namespace {

constexpr uint64_t kMaxJournalBytes = 512ull << 20;

bool allDigits(std::string_view s) {
    if (s.empty() || s.size() > 19) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

bool allHex(std::string_view s) {
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

// A field must not end or split its line: a tab, CR or LF in a name (possible on POSIX) becomes "_".
std::string field(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n') c = '_';
    return out;
}

std::string hex16(uint64_t v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%08X%08X", unsigned(v >> 32), unsigned(v & 0xFFFFFFFFu));
    return buf;
}

void writeLine(JournalWriter* w, const std::string& line) {
    if (!w->file.valid()) return;
    std::string l = line + "\r\n";
    w->error = fileWrite(w->file, l.data(), l.size());
    if (w->error) return;
    w->unflushed++;
    if (!w->groupFlush) journalFlush(w);
}

}  // namespace

// [SECTION] the journal folder
std::string volumeIdentifier(uint32_t serial, std::string_view mountPoint) {
    if (serial != 0) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%04X-%04X", unsigned(serial >> 16), unsigned(serial & 0xFFFF));
        return buf;
    }
    std::string id;
    for (char c : mountPoint)
        if (c != ':' && c != '\\' && c != '/') id += c;
    size_t b = id.find_first_not_of(' '), e = id.find_last_not_of(' ');
    return b == std::string::npos ? std::string() : id.substr(b, e - b + 1);
}

std::string destinationJournalFolder(std::string_view base, std::string_view volumeId, std::string_view belowMount,
                                     PathStyle style) {
    if (base.empty() || volumeId.empty()) return {};
    const char sep = separatorOf(style);
    std::string sub(volumeId);
    if (!belowMount.empty()) sub += sep + std::string(belowMount);
    if (utf16FromUtf8(base).size() + utf16FromUtf8(sub).size() + 32 >= 260) {
        std::string lower = lowerAscii(belowMount);
        uint8_t digest[32] = {};
        Sha256 h;
        if (sha256Begin(&h) == kErrOk) {
            sha256Update(&h, lower.data(), lower.size());
            sha256End(&h, digest);
        }
        sub = std::string(volumeId) + sep + "long-" + hexUpper(digest, 8);
    }
    return withTrailingSeparator(base, style) + sub + sep;
}

std::string journalFolderForDestination(std::string_view destination) {
    std::string base = journalFolder();
    if (base.empty() || destination.empty()) return {};
    std::string full(withoutTrailingSeparator(fullPath(destination)));
    // A destination still to be made is measured on its nearest existing folder.
    std::string probe = full;
    for (int guard = 0; guard < 4096 && !probe.empty() && !isFolder(probe); guard++) {
        std::string parent(withoutTrailingSeparator(folderPart(probe)));
        if (parent == probe) break;
        probe = parent;
    }
    VolumeInfo v;
    if (probe.empty() || volumeInfo(probe, &v) != kErrOk) return {};
    std::string_view mount = v.mountPoint;
    std::string below;
    if (full.size() >= mount.size() && equalsIgnoreCase(std::string_view(full).substr(0, mount.size()), mount))
        below = full.substr(mount.size());
    below = std::string(withoutTrailingSeparator(below));
    return destinationJournalFolder(base, volumeIdentifier(v.serial, mount), below);
}

// [SECTION] reading
void parseJournalText(std::string_view text, std::vector<JournalRecord>* out) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t cr = text.find('\r', pos);
        std::string_view line = text.substr(pos, cr == std::string_view::npos ? std::string_view::npos : cr - pos);
        pos = cr == std::string_view::npos ? text.size() : cr + 1;
        if (pos < text.size() && text[pos] == '\n') pos++;
        if (line.size() < 4 || line.substr(0, 4) != "ok2\t") continue;
        std::string_view f[5];
        size_t at = 4;
        bool complete = true;
        for (int i = 0; i < 4 && complete; i++) {
            size_t tab = line.find('\t', at);
            if (tab == std::string_view::npos) complete = false;
            else f[i] = line.substr(at, tab - at), at = tab + 1;
        }
        if (!complete) continue;
        f[4] = line.substr(at);  // the card path: everything after the fifth tab
        if (!allDigits(f[0]) || f[1].size() != 16 || !allHex(f[1]) || (!f[2].empty() && (f[2].size() != 64 || !allHex(f[2]))) ||
            f[4].empty())
            continue;
        out->push_back({std::string(f[4]) + "|" + std::string(f[0]) + "|" + std::string(f[1]), std::string(f[2]),
                        std::string(f[3])});
    }
}

void sortJournalIndex(JournalIndex* index) {
    std::stable_sort(index->records.begin(), index->records.end(),
                     [](const JournalRecord& a, const JournalRecord& b) { return a.key < b.key; });
}

JournalIndex readJournals(std::string_view folder) {
    JournalIndex index;
    std::vector<DirEntry> entries;
    if (folder.empty() || listFolder(folder, &entries) != kErrOk) return index;
    std::vector<std::string> names;
    for (const DirEntry& e : entries) {
        std::string upper = upperAscii(e.name);
        if (!e.isFolder && upper.size() > 5 && upper.compare(upper.size() - 5, 5, ".JRNL") == 0) names.push_back(e.name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) {
        std::string text;
        if (fileReadAll(joinPath(folder, n), &text, kMaxJournalBytes) == kErrOk) parseJournalText(text, &index.records);
    }
    sortJournalIndex(&index);
    return index;
}

std::string journalKey(std::string_view cardRelative, int64_t size, uint64_t lastWrite) {
    return field(cardRelative) + "|" + std::to_string(size) + "|" + hex16(lastWrite);
}

JournalLookup lookupJournal(const JournalIndex& index, std::string_view key) {
    JournalLookup r;
    auto lo = std::lower_bound(index.records.begin(), index.records.end(), key,
                               [](const JournalRecord& a, std::string_view k) { return a.key < k; });
    for (auto it = lo; it != index.records.end() && it->key == key; ++it) {
        r.found = true;
        if (!it->destPath.empty()) r.destPath = it->destPath;
        if (!it->hash.empty()) r.hashes.push_back(it->hash);
    }
    return r;
}

// [SECTION] writing
bool openJournal(JournalWriter* w, std::string_view folder, std::string_view destination) {
    *w = JournalWriter();
    if (folder.empty() || folderCreateAll(folder) != kErrOk) return false;
    LocalTime t = localTimeNow();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    // Two runs in one second get "-2", "-3"...: an earlier journal is never truncated.
    for (int n = 1; n <= 99; n++) {
        std::string name = std::string("import-") + stamp + (n > 1 ? "-" + std::to_string(n) : "") + ".jrnl";
        w->path = joinPath(folder, name);
        w->error = fileCreate(w->path, CreateMode::CreateNew, &w->file);
        if (w->error != kErrFileExists && w->error != kErrAlreadyExists) break;
    }
    if (w->error) return false;
    writeLine(w, std::string("# lumivore import journal ") + stamp + " for " + field(destination));
    return w->error == kErrOk;
}

void journalOk(JournalWriter* w, int64_t size, uint64_t lastWrite, std::string_view hash, std::string_view destRelative,
               std::string_view cardRelative) {
    writeLine(w, "ok2\t" + std::to_string(size) + "\t" + hex16(lastWrite) + "\t" + std::string(hash) + "\t" +
                     field(destRelative) + "\t" + field(cardRelative));
}

void journalFail(JournalWriter* w, std::string_view message, std::string_view cardRelative) {
    writeLine(w, "fail\t" + field(message) + "\t" + field(cardRelative));
}

void journalFlush(JournalWriter* w) {
    if (!w->file.valid() || w->unflushed == 0) return;
    WinErr e = fileFlush(w->file);
    if (!w->error) w->error = e;
    w->unflushed = 0;
}

void closeJournal(JournalWriter* w) {
    journalFlush(w);
    fileClose(&w->file);
}

}  // namespace lv
