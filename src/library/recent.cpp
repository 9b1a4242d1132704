#include "library/recent.h"

#include "core/ini.h"
#include "core/texts.h"

namespace lv {

// [SECTION] settings text
std::vector<std::string> recentFromIni(std::string_view iniText, std::string_view section, int maxEntries,
                                       PathStyle s) {
    int count = iniGetInt(iniText, section, "Count", 0);
    if (count < 0) count = 0;
    if (count > maxEntries) count = maxEntries;
    std::vector<std::string> out;
    for (int n = 1; n <= count; n++) {
        std::string num = std::to_string(n);
        std::string full = iniGet(iniText, section, "FullPath" + num, "");
        if (full.empty()) {
            std::string dir = iniGet(iniText, section, "Dir" + num, "");
            std::string file = iniGet(iniText, section, "File" + num, "");
            if (!dir.empty()) full = withTrailingSeparator(dir, s) + file;
        }
        out.push_back(full);
    }
    return out;
}

std::string recentToIni(std::string_view iniText, std::string_view section, const std::vector<std::string>& entries) {
    std::vector<std::string> keys, values;
    keys.push_back("Count");
    values.push_back(std::to_string(entries.size()));
    for (size_t i = 0; i < entries.size(); i++) {
        keys.push_back("FullPath" + std::to_string(i + 1));
        values.push_back(entries[i]);
    }
    return iniReplaceSectionText(iniText, section, keys.data(), values.data(), keys.size());
}

// [SECTION] list rules
std::vector<std::string> addRecentPhoto(const std::vector<std::string>& list, std::string_view folder,
                                        std::string_view fileName, PathStyle s) {
    std::string dir = withTrailingSeparator(folder, s);
    std::vector<std::string> out;
    out.push_back(dir + std::string(fileName));
    for (const std::string& e : list) {
        if (int(out.size()) >= kRecentMax) break;
        if (e.empty() || equalsIgnoreCase(folderPart(e, s), dir)) continue;
        out.push_back(e);
    }
    return out;
}

std::vector<std::string> addRecentExport(const std::vector<std::string>& list, std::string_view folder) {
    std::vector<std::string> out;
    out.emplace_back(folder);
    for (const std::string& e : list) {
        if (int(out.size()) >= kRecentExportsMax) break;
        if (e.empty() || equalsIgnoreCase(e, folder)) continue;
        out.push_back(e);
    }
    return out;
}

std::string menuEscape(std::string_view text) {
    std::string r;
    r.reserve(text.size());
    for (char c : text) {
        if (c == '&') r += '&';
        r += c;
    }
    return r;
}

std::vector<std::string> recentMenuItems(const std::vector<std::string>& list) {
    std::vector<std::string> items;
    for (const std::string& e : list)
        if (!e.empty()) items.push_back(menuEscape(e));
    if (items.empty()) items.push_back(text("MenuRecentEmpty"));
    return items;
}

// [SECTION] settings file
std::vector<std::string> loadRecentList(std::string_view iniPath, std::string_view section, int maxEntries) {
    std::string text;
    if (iniReadFile(iniPath, &text) != kErrOk) return {};
    return recentFromIni(text, section, maxEntries);
}

WinErr saveRecentList(std::string_view iniPath, std::string_view section, const std::vector<std::string>& entries) {
    std::string text;
    WinErr e = iniReadFile(iniPath, &text);
    if (e != kErrOk) return e;
    return iniWriteFile(iniPath, recentToIni(text, section, entries));
}

static WinErr updateSection(std::string_view iniPath, std::string_view section, int maxEntries,
                            std::vector<std::string> (*update)(const std::vector<std::string>&, std::string_view),
                            std::string_view arg) {
    std::string text;
    WinErr e = iniReadFile(iniPath, &text);
    if (e != kErrOk) return e;
    std::vector<std::string> list = update(recentFromIni(text, section, maxEntries), arg);
    return iniWriteFile(iniPath, recentToIni(text, section, list));
}

static std::vector<std::string> addPhotoPath(const std::vector<std::string>& list, std::string_view photoPath) {
    return addRecentPhoto(list, folderPart(photoPath), fileNamePart(photoPath));
}

WinErr rememberRecentPhoto(std::string_view iniPath, std::string_view photoPath) {
    if (photoPath.empty()) return kErrInvalidParameter;
    return updateSection(iniPath, kRecentSection, kRecentMax, addPhotoPath, photoPath);
}

WinErr rememberRecentExport(std::string_view iniPath, std::string_view folder) {
    if (folder.empty()) return kErrInvalidParameter;
    return updateSection(iniPath, kRecentExportsSection, kRecentExportsMax, addRecentExport, folder);
}

}  // namespace lv
