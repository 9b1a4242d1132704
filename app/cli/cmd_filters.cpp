#include <cstdio>
#include <string>

#include "commands.h"
#include "filter_args.h"
#include "report.h"
#include "filter/saved_filters.h"

namespace lv::cli {

namespace {

int listSaved(const SavedFilters& saved, const std::string& path, bool json) {
    if (json) {
        std::printf("{\"settings\": %s, \"filters\": [", jsonString(path).c_str());
        for (size_t i = 0; i < saved.entries.size(); i++) {
            const SavedFilter& e = saved.entries[i];
            std::printf("%s\n  {\"name\": %s, \"usable\": %s, \"body\": %s}", i ? "," : "", jsonString(e.name).c_str(),
                        isSavedFilterUsable(saved, int(i)) ? "true" : "false", jsonString(e.body).c_str());
        }
        std::printf("\n]}\n");
        return kExitOk;
    }
    if (saved.entries.empty()) std::printf("no saved filters in %s\n", path.c_str());
    for (size_t i = 0; i < saved.entries.size(); i++) {
        const SavedFilter& e = saved.entries[i];
        std::printf("%s  (%s)\n", e.name.c_str(), isSavedFilterUsable(saved, int(i)) ? "usable" : "cannot be used");
        std::string body = e.body;
        for (size_t at = 0; at <= body.size();) {
            size_t lf = body.find('\n', at);
            std::printf("    %s\n", body.substr(at, lf - at).c_str());
            if (lf == std::string::npos) break;
            at = lf + 1;
        }
    }
    return kExitOk;
}

int stored(const char* what, const std::string& path, WinErr e) {
    if (e == kErrOk) return kExitOk;
    std::fprintf(stderr, "lumivore filters %s: %s: %s\n", what, path.c_str(), describeError(e).c_str());
    return kExitFailed;
}

int refuse(const char* what, const std::string& message) {
    std::fprintf(stderr, "lumivore filters %s: %s; nothing was changed\n", what, message.c_str());
    return kExitFailed;
}

}  // namespace

// The saved filters of the settings file, and the changes the filter dialog makes to them,
// through the same functions. A refused change writes nothing.
int runFilters(const Args& args) {
    FilterArgs fa;
    bool json = false, replace = false;
    Args words;
    for (size_t i = 0; i < args.size(); i++) {
        if (int r = takeFilterOption("filters", args, i, fa); r >= 0) {
            if (r != kExitOk) return r;
            if (!fa.tokens.empty() || !fa.saved.empty()) return usageError("filters", "only --settings is taken here");
        } else if (args[i] == "--json") {
            json = true;
        } else if (args[i] == "--replace") {
            replace = true;
        } else {
            words.push_back(args[i]);
        }
    }
    std::string path = settingsFileOf(fa.settingsFile);
    const std::string verb = words.empty() ? "" : words[0];
    struct Shape {
        const char* verb;
        size_t minWords, maxWords;
    } shapes[] = {{"", 0, 0}, {"save", 3, 1000}, {"rename", 3, 3}, {"remove", 2, 2}};
    const Shape* shape = nullptr;
    for (const Shape& s : shapes)
        if (verb == s.verb) shape = &s;
    if (!shape) return usageError("filters", "unknown action \"" + verb + "\" (save, rename or remove)");
    if (words.size() < shape->minWords || words.size() > shape->maxWords)
        return usageError("filters", verb + ": wrong number of arguments");

    Filter typed;
    if (verb == "save") {
        if (int r = tokensFromArgs("filters", Args(words.begin() + 2, words.end()), &typed)) return r;
        if (currentFilterBody(typed).empty()) return usageError("filters", "every token given selects nothing");
    }
    // save NAME ..., rename OLD NEW
    std::string newName = verb == "save" ? sanitizeName(words[1]) : verb == "rename" ? sanitizeName(words[2]) : "";
    if (!verb.empty() && verb != "remove" && newName.empty()) return usageError("filters", "the name is empty");
    SavedFilters saved;
    if (int r = loadSavedFiltersFrom("filters", path, &saved)) return r;
    if (verb.empty()) return listSaved(saved, path, json);

    int existing = findSavedFilter(saved, verb == "save" ? newName : words[1]);
    if (verb == "remove") {
        if (existing < 0) return refuse("remove", "no saved filter called \"" + words[1] + "\"");
        WinErr e = kErrOk;
        removeSavedFilter(saved, existing, path, &e);
        return stored("remove", path, e);
    }
    if (verb == "rename") {
        if (existing < 0) return refuse("rename", "no saved filter called \"" + words[1] + "\"");
        if (newName == saved.entries[size_t(existing)].name) return kExitOk;
        int other = findSavedFilter(saved, newName);
        if (other >= 0 && other != existing && !replace)
            return refuse("rename", "a saved filter called \"" + newName + "\" already exists (--replace replaces it)");
        WinErr e = kErrOk;
        renameSavedFilter(saved, existing, newName, path, &e);
        return stored("rename", path, e);
    }
    if (existing >= 0 && !replace)
        return refuse("save", "a saved filter called \"" + newName + "\" already exists (--replace replaces it)");
    PutRefusal why = PutRefusal::None;
    WinErr e = kErrOk;
    if (putSavedFilter(saved, newName, currentFilterBody(typed), path, &why, &e) < 0)
        return refuse("save", why == PutRefusal::Full ? savedFullMessage().text : "the filter could not be saved");
    return stored("save", path, e);
}

}  // namespace lv::cli
