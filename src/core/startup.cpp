#include "core/startup.h"

#include "core/texts.h"

namespace lv {

namespace {

std::string_view trimSpaces(std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    return t;
}

bool startsWithIgnoreCase(std::string_view t, std::string_view prefix) {
    return t.size() >= prefix.size() && equalsIgnoreCase(t.substr(0, prefix.size()), prefix);
}

size_t findIgnoreCase(std::string_view t, std::string_view word) {
    if (word.size() > t.size()) return std::string_view::npos;
    for (size_t i = 0; i + word.size() <= t.size(); i++)
        if (equalsIgnoreCase(t.substr(i, word.size()), word)) return i;
    return std::string_view::npos;
}

struct BenchWord {
    const char* word;
    int cacheMode;
};
const BenchWord kBenchWords[] = {{"RAM", 2}, {"DISK", 1}, {"NONE", 3}};

}  // namespace

// [SECTION] argument text
StartupArgs parseStartupArguments(std::string_view argumentText) {
    StartupArgs a;
    std::string text(trimSpaces(argumentText));
    size_t at = findIgnoreCase(text, "/LOG");
    if (at != std::string::npos) {
        a.log = true;
        text.erase(at, 4);
        text = std::string(trimSpaces(text));
    }
    std::string_view rest = text;
    if (startsWithIgnoreCase(rest, "/BENCH")) {
        a.bench = true;
        rest.remove_prefix(6);
        if (!rest.empty() && rest.front() == ':') {
            rest.remove_prefix(1);
            size_t end = rest.find(' ');
            std::string_view word = rest.substr(0, end);
            for (const BenchWord& w : kBenchWords)
                if (equalsIgnoreCase(word, w.word)) a.benchCacheMode = w.cacheMode;
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
        }
        rest = trimSpaces(rest);
    }
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') rest = rest.substr(1, rest.size() - 2);
    a.path = std::string(rest);
    return a;
}

// [SECTION] start-up folder
StartupChoice chooseStartupFolder(std::string_view pathArg, std::string_view firstRecent, const StartupProbe& probe,
                                  PathStyle s) {
    StartupChoice c;
    if (!pathArg.empty()) {
        if (probe.isFolder(pathArg)) {
            c.folder = withTrailingSeparator(pathArg, s);
        } else {
            c.folder = std::string(folderPart(pathArg, s));
            c.file = std::string(pathArg);
        }
    } else if (!firstRecent.empty()) {
        std::string folder(folderPart(firstRecent, s));
        if (!folder.empty() && probe.isFolder(folder)) {
            c.folder = folder;
            if (!fileNamePart(firstRecent, s).empty()) c.file = std::string(firstRecent);
        }
    }
    if (c.folder.empty() || !probe.hasPhotos(c.folder)) {
        c.welcome = true;
        c.file.clear();
        c.logLine = "no valid startup folder (candidate: " + c.folder + ") -> welcome screen";
        return c;
    }
    if (!c.file.empty()) {
        std::string_view name = fileNamePart(c.file, s);
        if (name.empty() || !probe.exists(joinPath(c.folder, name, s))) {
            c.missingFile = std::string(name);
            c.file.clear();
        }
    }
    return c;
}

// [SECTION] welcome screen
WelcomeContent welcomeContent(const std::vector<std::string>& recentEntries, bool importReady,
                              std::string_view formatsLine, PathStyle s) {
    WelcomeContent w;
    for (const std::string& e : recentEntries) {
        std::string folder(folderPart(e, s));
        if (folder.empty()) continue;
        bool seen = false;
        for (const std::string& f : w.recentFolders) seen = seen || equalsIgnoreCase(f, folder);
        if (!seen) w.recentFolders.push_back(folder);
    }
    w.back = !w.recentFolders.empty();
    w.title = text(w.back ? "WelcomeTitleBack" : "WelcomeTitleFirst");
    w.subtitle = text(w.back ? "WelcomeSubBack" : "WelcomeSubFirst");
    w.formats = std::string(formatsLine);
    w.recentHeading = text("WelcomeRecent");
    w.pasteHeading = text("WelcomePasteHdr");
    w.dropHint = text("WelcomeDragHint");
    if (w.back) w.entries.push_back({WelcomeAction::OpenSelected, text("WelcomeOpenSel"), true, {}});
    w.entries.push_back({WelcomeAction::OpenFolder, text("WelcomeOpenDir"), true, {}});
    w.entries.push_back({WelcomeAction::OpenFile, text("WelcomeOpenFile"), true, {}});
    w.entries.push_back({WelcomeAction::Import, text("WelcomeImport"), importReady,
                         importReady ? std::string() : text("WelcomeImportLater")});
    w.entries.push_back({WelcomeAction::OpenPath, text("WelcomeOpenPath"), true, {}});
    w.entries.push_back({WelcomeAction::Quit, text("WelcomeQuit"), true, {}});
    return w;
}

// [SECTION] log lines
std::string settingsLoadedLine(int cacheMode, std::string_view iniPath) {
    return "settings loaded: cache mode " + std::to_string(cacheMode) + ", ini " + std::string(iniPath);
}

std::string folderLoadedLine(std::string_view folder, int count) {
    return "folder loaded: " + std::string(folder) + " (" + std::to_string(count) + " files)";
}

}  // namespace lv
