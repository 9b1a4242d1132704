#include "library/filekinds.h"

#include <algorithm>
#include <map>
#include <string>

#include "core/settings.h"
#include "core/texts.h"

namespace lv {

// [SECTION] photo formats
static const PhotoFormat kFormats[kPhotoFormatCount] = {
    // name        extensions    isRaw  pool   thumbExt sidecarAppends
    {"3FR/FFF", ".3FR;.FFF", true, true, true, true},
    {"DNG", ".DNG", true, true, true, true},
    {"ORF", ".ORF", true, true, true, true},
    {"ARW/ARQ", ".ARW;.ARQ", true, false, true, true},
    {"CR2", ".CR2", true, true, true, true},
    {"CR3", ".CR3", true, false, true, true},
    {"NEF/NRW", ".NEF;.NRW", true, true, true, true},
    {"PEF", ".PEF", true, true, true, true},
    {"RAF", ".RAF", true, true, true, true},
    {"RW2/RWL", ".RW2;.RWL", true, false, false, false},
    {"X3F", ".X3F", true, true, true, true},
    {"JPEG", ".JPG;.JPEG", false, true, true, true},
};

static const char* const kVendors[] = {
    "Panasonic", "Fujifilm", "Canon", "Ricoh", "OM System / Olympus", "Sony",
    "Nikon",     "Sigma",    "Pentax", "Leica", "Hasselblad",
};

std::span<const PhotoFormat> photoFormats() { return kFormats; }
std::span<const char* const> vendorNames() { return kVendors; }

// [SECTION] names
std::string extensionKey(std::string_view path, PathStyle s) {
    std::string_view ext = extensionOf(path, s);
    if (ext.size() <= 1) return ".|";
    return lowerAscii(ext) + "|";
}

int findPhotoFormat(std::string_view path, PathStyle s) {
    std::string_view ext = extensionOf(path, s);
    // A bare dot or a name without one matches nothing; neither can contain ";" either, which
    // would otherwise let ".CR2;.X" match across entries.
    if (ext.size() <= 1 || ext.find(';') != std::string_view::npos) return -1;
    std::string needle = ";" + upperAscii(ext) + ";";
    for (int i = 0; i < kPhotoFormatCount; i++) {
        std::string hay = std::string(";") + kFormats[i].extensions + ";";
        if (hay.find(needle) != std::string::npos) return i;
    }
    return -1;
}

bool isSupportedPhoto(std::string_view path, PathStyle s) { return findPhotoFormat(path, s) >= 0; }

bool isRawFile(std::string_view path, PathStyle s) {
    int f = findPhotoFormat(path, s);
    return f >= 0 && kFormats[f].isRaw;
}

bool poolDecodeAllowed(std::string_view path, PathStyle s) {
    int f = findPhotoFormat(path, s);
    return f >= 0 && kFormats[f].poolDecode;
}

// [SECTION] kinds
static bool listHasKey(std::string_view list, std::string_view key) {
    // Every entry starts with "." and ends with "|", so prefixing "|" matches whole entries only.
    std::string hay = "|" + std::string(list);
    std::string needle = "|" + std::string(key);
    return hay.find(needle) != std::string::npos;
}

FileKind classifyFile(std::string_view path, PathStyle s) {
    int f = findPhotoFormat(path, s);
    if (f >= 0) return kFormats[f].isRaw ? FileKind::Raw : FileKind::Jpeg;
    std::string key = extensionKey(path, s);
    if (key == ".|") return FileKind::Other;
    if (listHasKey(kVideoExtensions, key)) return FileKind::Video;
    if (listHasKey(kAudioExtensions, key)) return FileKind::Audio;
    if (listHasKey(kSidecarExtensions, key)) return FileKind::Sidecar;
    return FileKind::Other;
}

const char* fileKindText(FileKind k) {
    switch (k) {
        case FileKind::Raw: return "raw";
        case FileKind::Jpeg: return "jpeg";
        case FileKind::Video: return "video";
        case FileKind::Audio: return "audio";
        case FileKind::Sidecar: return "sidecar";
        case FileKind::Other: break;
    }
    return "other";
}

std::string kindWithTypeMap(std::string_view path, std::string_view typeMap, PathStyle s) {
    std::string kind = fileKindText(classifyFile(path, s));
    if (kind != "other" || typeMap.empty()) return kind;
    std::string key = extensionKey(path, s);
    key.pop_back();
    std::string mapped = typeMapGet(typeMap, key);
    return mapped.empty() ? kind : mapped;
}

static std::string_view trimmed(std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t' || t.front() == '\r' || t.front() == '\n'))
        t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r' || t.back() == '\n'))
        t.remove_suffix(1);
    return t;
}

std::string kindDisplayName(std::string_view kindText) {
    std::string_view t = trimmed(kindText);
    if (equalsIgnoreCase(t, "jpeg")) return "sooc";
    return std::string(t);
}

// [SECTION] pipe lists and the type map
bool pipeListHas(std::string_view list, std::string_view item) {
    if (list.empty() || item.empty()) return false;
    return listHasKey(list, item);
}

void pipeListSet(std::string& list, std::string_view item, bool on) {
    if (item.empty()) return;
    bool has = pipeListHas(list, item);
    if (on) {
        if (!has) list += item;
        return;
    }
    if (!has) return;
    std::string hay = "|" + list;
    std::string needle = "|" + std::string(item);
    size_t at;
    while ((at = hay.find(needle)) != std::string::npos) hay.replace(at, needle.size(), "|");
    list = hay.substr(1);
}

std::string typeMapGet(std::string_view map, std::string_view key) {
    if (map.empty() || key.empty()) return {};
    std::string hay = "|" + std::string(map);
    std::string needle = "|" + std::string(key) + "=";
    size_t at = hay.find(needle);
    if (at == std::string::npos) return {};
    size_t from = at + needle.size();
    size_t end = hay.find('|', from);
    return hay.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

void typeMapSet(std::string& map, std::string_view key, std::string_view value) {
    if (key.empty()) return;
    // Drop every existing entry of the key, keeping the others in their order.
    std::string out;
    size_t pos = 0;
    while (pos < map.size()) {
        size_t end = map.find('|', pos);
        if (end == std::string::npos) end = map.size();
        std::string_view field = std::string_view(map).substr(pos, end - pos);
        size_t eq = field.find('=');
        bool same = eq != std::string_view::npos && field.substr(0, eq) == key;
        if (!same && !field.empty()) {
            out += field;
            out += '|';
        }
        pos = end + 1;
    }
    std::string v = lowerAscii(trimmed(value));
    if (!v.empty() && v != "other") {
        out += key;
        out += '=';
        out += v;
        out += '|';
    }
    map = out;
}

std::string sanitizeTypeMap(std::string_view text) {
    std::string map;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('|', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string field = lowerAscii(trimmed(text.substr(pos, end - pos)));
        pos = end + 1;
        size_t eq = field.find('=');
        if (eq == std::string::npos || eq < 2) continue;
        std::string key = field.substr(0, eq);
        std::string value = field.substr(eq + 1);
        if (key[0] != '.' || key.find('|') != std::string::npos) continue;
        if (value.empty() || !pipeListHas("raw|sooc|video|other|", value + "|") || value == "other") continue;
        typeMapSet(map, key, value);
    }
    return map;
}

// [SECTION] derived names
std::string sidecarPathFor(std::string_view path, PathStyle s) {
    int f = findPhotoFormat(path, s);
    if (f >= 0 && !kFormats[f].sidecarAppends) {
        std::string r(path.substr(0, path.size() - extensionOf(path, s).size() + 1));
        return r + "xmp";
    }
    return std::string(path) + ".xmp";
}

std::string thumbnailNameFor(std::string_view path, PathStyle s) {
    std::string r = "thumb_" + std::string(stemOf(path, s));
    int f = findPhotoFormat(path, s);
    if (f >= 0 && !kFormats[f].thumbNameHasExt) return r + ".jpg";
    std::string_view ext = extensionOf(path, s);
    if (!ext.empty()) ext.remove_prefix(1);
    return r + "_" + upperAscii(ext) + ".jpg";
}

std::string sidecarDestinationName(std::string_view sidecarPath, std::string_view photoPath,
                                   std::string_view newPhotoPath, PathStyle s) {
    if (newPhotoPath.empty()) return {};
    std::string stem = upperAscii(withoutExtension(sidecarPath, s));
    std::string_view ext = extensionOf(sidecarPath, s);
    if (stem == upperAscii(photoPath)) return std::string(newPhotoPath) + std::string(ext);
    if (stem == upperAscii(withoutExtension(photoPath, s)))
        return std::string(withoutExtension(newPhotoPath, s)) + std::string(ext);
    return {};
}

// [SECTION] partners and sidecar ownership
std::vector<int> partnersOf(const std::vector<std::string>& paths, int index, PathStyle s) {
    std::vector<int> out;
    if (index < 0 || size_t(index) >= paths.size()) return out;
    std::string_view base = stemOf(paths[size_t(index)], s);
    for (size_t i = 0; i < paths.size(); i++)
        if (int(i) != index && equalsIgnoreCase(stemOf(paths[i], s), base)) out.push_back(int(i));
    return out;
}

std::vector<int> sidecarOwners(const std::vector<std::string>& paths, PathStyle s) {
    std::vector<int> owner(paths.size(), -1);
    std::vector<FileKind> kinds(paths.size());
    for (size_t i = 0; i < paths.size(); i++) kinds[i] = classifyFile(paths[i], s);
    std::map<std::string, int> byPath, byStem;
    // RAW first, then JPEG; emplace never overwrites, so the first photo of the preferred kind wins.
    for (FileKind want : {FileKind::Raw, FileKind::Jpeg})
        for (size_t i = 0; i < paths.size(); i++) {
            if (kinds[i] != want) continue;
            byPath.emplace(upperAscii(paths[i]), int(i));
            byStem.emplace(upperAscii(withoutExtension(paths[i], s)), int(i));
        }
    for (size_t i = 0; i < paths.size(); i++) {
        if (kinds[i] != FileKind::Sidecar || !pipeListHas(kAttachableSidecars, extensionKey(paths[i], s))) continue;
        std::string stem = upperAscii(withoutExtension(paths[i], s));
        auto full = byPath.find(stem);
        if (full != byPath.end()) {
            owner[i] = full->second;
            continue;
        }
        auto named = byStem.find(stem);
        if (named != byStem.end()) owner[i] = named->second;
    }
    return owner;
}

// [SECTION] phrases
static std::string joinWithLast(const std::vector<std::string>& items, const char* lastWord) {
    std::string r;
    for (size_t i = 0; i < items.size(); i++) {
        if (i > 0) r += (i + 1 == items.size()) ? lastWord : ", ";
        r += items[i];
    }
    return r;
}

std::string formatsPhrase() {
    std::vector<std::string> names;
    for (const PhotoFormat& f : kFormats) names.push_back(f.name);
    return joinWithLast(names, " or ");
}

std::string openDialogPattern() {
    std::string r;
    for (const PhotoFormat& f : kFormats) {
        std::string_view exts = f.extensions;
        size_t pos = 0;
        while (pos < exts.size()) {
            size_t end = exts.find(';', pos);
            if (end == std::string_view::npos) end = exts.size();
            if (!r.empty()) r += ';';
            r += '*';
            r += exts.substr(pos, end - pos);
            pos = end + 1;
        }
    }
    return r;
}

std::string vendorsPhrase(std::span<const char* const> vendors) {
    std::vector<std::string> names(vendors.begin(), vendors.end());
    std::sort(names.begin(), names.end());
    return joinWithLast(names, " and ");
}

std::string vendorsPhrase() { return vendorsPhrase(kVendors); }

std::string textWithFormats(std::string_view key) { return fillPlaceholder(text(key), "{formats}", formatsPhrase()); }

std::string textWithVendors(std::string_view key) { return fillPlaceholder(text(key), "{vendors}", vendorsPhrase()); }

void registerFileKindSettingsRules() {
    SettingsHooks h = settingsHooks();
    h.sanitizeTypeMap = [](const std::string& map) { return sanitizeTypeMap(map); };
    setSettingsHooks(h);
}

}  // namespace lv
