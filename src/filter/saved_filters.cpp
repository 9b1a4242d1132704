#include "filter/saved_filters.h"

#include <algorithm>

#include "core/ini.h"
#include "core/pathname.h"
#include "core/texts.h"
#include "filter/filter_text.h"
#include "filter/scan.h"
#include "sidecar/sidecar_file.h"

namespace lv {

// [SECTION] names and bodies
std::string sanitizeName(std::string_view name) {
    std::string s;
    s.reserve(name.size());
    for (char c : name) s += uint8_t(c) < 32 ? ' ' : c;
    std::string_view t = s;
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    // Count characters, not bytes, and never cut inside a UTF-8 sequence.
    size_t chars = 0, cut = t.size();
    for (size_t i = 0; i < t.size(); i++) {
        if ((uint8_t(t[i]) & 0xC0) == 0x80) continue;
        if (chars++ == size_t(kMaxSavedNameChars)) {
            cut = i;
            break;
        }
    }
    t = t.substr(0, cut);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    return std::string(t);
}

template <class Fn>
static void forEachLine(std::string_view body, Fn fn) {
    while (!body.empty()) {
        size_t lf = body.find('\n');
        fn(body.substr(0, lf));
        if (lf == std::string_view::npos) break;
        body.remove_prefix(lf + 1);
    }
}

static std::string_view trimSpacesCr(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::string normalizeBody(std::string_view body) {
    std::vector<std::string> lines;
    forEachLine(body, [&lines](std::string_view raw) {
        std::string_view line = trimSpacesCr(raw);
        if (line.empty()) return;
        FilterToken t;
        if (!textToToken(line, &t))
            lines.emplace_back(line);  // another version's criterion: kept exactly
        else if (!tokenIsEmpty(t))
            lines.push_back(tokenToText(t));
    });
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (const std::string& l : lines) out += (out.empty() ? "" : "\n") + l;
    return out;
}

bool bodyIsUsable(std::string_view body) {
    bool usable = true;
    forEachLine(body, [&usable](std::string_view line) {
        FilterToken t;
        if (!textToToken(trimSpacesCr(line), &t)) {
            usable = false;
            return;
        }
        int n = bucketCount(t.criterion);
        if (criterion(t.criterion)->kind == CriterionKind::Set && n < 31 && (t.mask >> n) != 0) usable = false;
    });
    return usable;
}

std::string currentFilterBody(const Filter& filter) {
    std::string lines;
    for (const FilterToken& t : filter.tokens)
        if (!tokenIsEmpty(t)) lines += tokenToText(t) + "\n";
    return normalizeBody(lines);
}

// [SECTION] the list
int findSavedFilter(const SavedFilters& saved, std::string_view name) {
    name = trimView(name);
    if (name.empty()) return -1;
    for (size_t i = 0; i < saved.entries.size(); i++)
        if (equalsIgnoreCase(trimView(saved.entries[i].name), name)) return int(i);
    return -1;
}

int savedFilterMatchingCurrent(const SavedFilters& saved, const Filter& current) {
    std::string body = currentFilterBody(current);
    if (body.empty()) return -1;
    for (size_t i = 0; i < saved.entries.size(); i++)
        if (saved.entries[i].body == body) return int(i);
    return -1;
}

static const SavedFilter* entryAt(const SavedFilters& saved, int index) {
    return (index >= 0 && size_t(index) < saved.entries.size()) ? &saved.entries[size_t(index)] : nullptr;
}

bool isSavedFilterUsable(const SavedFilters& saved, int index) {
    const SavedFilter* e = entryAt(saved, index);
    return e && bodyIsUsable(e->body);
}

// Whether any readable token of the saved filter is of a criterion for which pred holds.
template <class Pred>
static bool anyTokenCriterion(const SavedFilters& saved, int index, Pred pred) {
    const SavedFilter* e = entryAt(saved, index);
    bool found = false;
    if (e)
        forEachLine(e->body, [&](std::string_view line) {
            FilterToken t;
            if (textToToken(trimSpacesCr(line), &t) && pred(t.criterion)) found = true;
        });
    return found;
}

bool savedFilterNeedsScan(const SavedFilters& saved, int index) {
    return anyTokenCriterion(saved, index, [](int c) { return criterion(c)->needsScan; });
}

bool savedFilterUsesRatingOrColour(const SavedFilters& saved, int index) {
    return anyTokenCriterion(saved, index, [](int c) { return c == kCritRating || c == kCritColour; });
}

bool tokensOfSavedFilter(const SavedFilters& saved, int index, std::vector<FilterToken>* out) {
    const SavedFilter* e = entryAt(saved, index);
    if (!e || e->body.empty() || !bodyIsUsable(e->body)) return false;
    Filter f;
    forEachLine(e->body, [&f](std::string_view line) { addTokenText(f, trimSpacesCr(line)); });
    *out = std::move(f.tokens);
    return true;
}

// [SECTION] matching for export and import
bool makeSavedFilterMatcher(const SavedFilters& saved, int index, Lock* lock, TokenMatcher* out) {
    if (!tokensOfSavedFilter(saved, index, &out->tokens)) return false;
    out->name = saved.entries[size_t(index)].name;
    out->lock = lock;
    return true;
}

bool matcherAcceptsPhoto(const FolderState& folder, int index, void* context) {
    const TokenMatcher& m = *static_cast<const TokenMatcher*>(context);
    return photoMatchesFilter(m.tokens, FactsView{&folder, m.lock}, index);
}

bool matcherAcceptsFile(const std::string& path, void* context) {
    const TokenMatcher& m = *static_cast<const TokenMatcher*>(context);
    PhotoFacts f;
    f.path = path;
    f.meta = readPhotoMeta(path);
    RatingLabel rl = readRatingLabel(path);
    f.rating = rl.rating;
    f.label = std::move(rl.label);
    return tokensMatch(m.tokens, f);
}

// [SECTION] the settings file
static std::string entryKey(int n, const char* what) { return "Filter" + std::to_string(n) + what; }
static std::string tokenKey(int n, int m) { return entryKey(n, "Token") + std::to_string(m); }

void loadSavedFilters(SavedFilters& saved, std::string_view ini) {
    saved.entries.clear();
    int count = std::clamp(iniGetInt(ini, kSavedFiltersSection, "Count", 0), 0, kMaxSavedFilters);
    for (int n = 1; n <= count; n++) {
        std::string name = sanitizeName(iniGet(ini, kSavedFiltersSection, entryKey(n, "Name"), ""));
        int tokens = std::clamp(iniGetInt(ini, kSavedFiltersSection, entryKey(n, "TokenCount"), 0), 0, kMaxTokens);
        std::string lines;
        for (int m = 1; m <= tokens; m++) {
            std::string v = iniGet(ini, kSavedFiltersSection, tokenKey(n, m), "");
            if (!trimView(v).empty()) lines += (lines.empty() ? "" : "\n") + v;
        }
        std::string body = normalizeBody(lines);
        if (!name.empty() && !body.empty() && findSavedFilter(saved, name) < 0)
            saved.entries.push_back({std::move(name), std::move(body)});
    }
}

std::string savedFiltersIniText(const SavedFilters& saved, std::string_view ini) {
    const char* sec = kSavedFiltersSection;
    std::string out(ini);
    // Entries and tokens past the limits are never read; the bounds also keep a damaged count
    // from making these loops run for ever.
    int oldCount = std::clamp(iniGetInt(ini, sec, "Count", 0), 0, kMaxSavedFilters);
    int newCount = int(saved.entries.size());
    for (int n = 1; n <= std::max(oldCount, newCount); n++) {
        int oldTokens = std::clamp(iniGetInt(ini, sec, entryKey(n, "TokenCount"), 0), 0, kMaxTokens);
        int lines = 0;
        if (n <= newCount) {
            const SavedFilter& e = saved.entries[size_t(n - 1)];
            std::vector<std::string_view> body;
            forEachLine(e.body, [&body](std::string_view l) { body.push_back(l); });
            lines = int(body.size());
            out = iniSet(out, sec, entryKey(n, "Name"), e.name);
            out = iniSetInt(out, sec, entryKey(n, "TokenCount"), lines);
            for (int m = 1; m <= lines; m++) out = iniSet(out, sec, tokenKey(n, m), body[size_t(m - 1)]);
        } else {
            out = iniSet(out, sec, entryKey(n, "Name"), "");
            out = iniSet(out, sec, entryKey(n, "TokenCount"), "");
        }
        for (int m = lines + 1; m <= oldTokens; m++) out = iniSet(out, sec, tokenKey(n, m), "");
    }
    return iniSetInt(out, sec, "Count", newCount);
}

WinErr storeSavedFilters(const SavedFilters& saved, std::string_view settingsPath) {
    if (settingsPath.empty()) return kErrOk;
    std::string text;
    if (WinErr e = iniReadFile(settingsPath, &text)) return e;
    return iniWriteFile(settingsPath, savedFiltersIniText(saved, text));
}

void loadFilterSettings(FilterSession& session, std::string_view iniText, bool fileExisted) {
    session.current = defaultFilter();
    session.saved.pending.clear();
    if (!fileExisted) return;
    loadCurrentFilter(session.current, iniText);
    loadSavedFilters(session.saved, iniText);
}

// [SECTION] changes
static void stored(const SavedFilters& saved, std::string_view path, WinErr* err) {
    WinErr e = storeSavedFilters(saved, path);
    if (err) *err = e;
}

int putSavedFilter(SavedFilters& saved, std::string_view name, std::string_view body, std::string_view path,
                   PutRefusal* why, WinErr* storeErr) {
    std::string clean = sanitizeName(name), canon = normalizeBody(body);
    PutRefusal refusal = clean.empty() ? PutRefusal::EmptyName : canon.empty() ? PutRefusal::EmptyBody : PutRefusal::None;
    int existing = findSavedFilter(saved, clean);
    if (refusal == PutRefusal::None && existing < 0 && int(saved.entries.size()) >= kMaxSavedFilters)
        refusal = PutRefusal::Full;
    if (why) *why = refusal;
    if (refusal != PutRefusal::None) return -1;
    if (existing >= 0) saved.entries.erase(saved.entries.begin() + existing);
    std::string key = upperAscii(clean);
    auto at = std::find_if(saved.entries.begin(), saved.entries.end(),
                           [&key](const SavedFilter& e) { return upperAscii(e.name) > key; });
    int index = int(at - saved.entries.begin());
    saved.entries.insert(at, {std::move(clean), std::move(canon)});
    stored(saved, path, storeErr);
    return index;
}

bool removeSavedFilter(SavedFilters& saved, int index, std::string_view path, WinErr* storeErr) {
    const SavedFilter* e = entryAt(saved, index);
    if (!e) return false;
    if (equalsIgnoreCase(trimView(saved.pending), e->name)) saved.pending.clear();
    saved.entries.erase(saved.entries.begin() + index);
    stored(saved, path, storeErr);
    return true;
}

int renameSavedFilter(SavedFilters& saved, int index, std::string_view newName, std::string_view path,
                      WinErr* storeErr) {
    const SavedFilter* e = entryAt(saved, index);
    std::string clean = sanitizeName(newName);
    if (!e || clean.empty()) return -1;
    SavedFilter old = *e;
    saved.entries.erase(saved.entries.begin() + index);
    // A waiting filter follows its new name.
    if (equalsIgnoreCase(trimView(saved.pending), old.name)) saved.pending = clean;
    return putSavedFilter(saved, clean, old.body, path, nullptr, storeErr);
}

// [SECTION] texts
static Prompt question(std::string title, std::string text) {
    return {PromptKind::YesNo, std::move(title), std::move(text), true};
}
static std::string named(const char* key, std::string_view name) { return fillPlaceholder(text(key), "{name}", name); }

Prompt replaceSavedQuestion(std::string_view name) {
    return question(text("SavedFilterSaveTitle"), named("SavedFilterReplaceAsk", name));
}
Prompt removeSavedQuestion(std::string_view name) {
    return question(text("SavedFilterRemoveTitle"), named("SavedFilterRemoveAsk", name));
}
Prompt unusableSavedQuestion(std::string_view name) { return question("Lumivore", named("SavedFilterUnusableAsk", name)); }
Prompt savedFullMessage() { return {PromptKind::Information, text("SavedFilterSaveTitle"), text("SavedFilterFull"), false}; }
Prompt savedNoMatchMessage(std::string_view name) {
    return {PromptKind::Information, "Lumivore", named("SavedFilterNoMatch", name), false};
}
std::string unusableSavedLine(std::string_view name) { return named("SavedFilterUnusableLine", name); }

// [SECTION] the commands of the window
// The naming prompt until the user gives a usable name or cancels; a name that belongs to
// another saved filter (not `self`) needs a Yes to the replace question. "" when cancelled.
static std::string promptForName(const FilterSession& s, const SavedFilterUi& ui, const char* titleKey,
                                 std::string proposed, int self) {
    if (!ui.askName) return {};
    std::string typed = std::move(proposed);
    while (ui.askName(text(titleKey), text("SavedFilterNamePrompt"), &typed, ui.nameContext)) {
        std::string clean = sanitizeName(typed);
        if (clean.empty()) continue;
        int other = findSavedFilter(s.saved, clean);
        if (other >= 0 && other != self) {
            Prompt q = replaceSavedQuestion(clean);
            q.title = text(titleKey);
            if (ui.ask(q) != Answer::Yes) continue;
        }
        return clean;
    }
    return {};
}

FilterOutcome saveFilterAs(FilterSession& s, const SavedFilterUi& ui) {
    FilterOutcome out;
    if (!filterHasNonEmptyToken(s.current)) return out;
    int same = savedFilterMatchingCurrent(s.saved, s.current);
    std::string name =
        promptForName(s, ui, "SavedFilterSaveTitle", same >= 0 ? s.saved.entries[size_t(same)].name : "", -1);
    if (name.empty()) return out;
    PutRefusal why = PutRefusal::None;
    if (putSavedFilter(s.saved, name, currentFilterBody(s.current), s.settingsPath, &why) < 0 &&
        why == PutRefusal::Full)
        out.message = savedFullMessage();
    return out;
}

FilterOutcome renameSavedFilterCommand(FilterSession& s, int index, const SavedFilterUi& ui) {
    FilterOutcome out;
    const SavedFilter* e = entryAt(s.saved, index);
    if (!e) return out;
    std::string oldName = e->name;
    std::string name = promptForName(s, ui, "SavedFilterRenameTitle", oldName, index);
    if (name.empty() || name == oldName) return out;
    renameSavedFilter(s.saved, index, name, s.settingsPath);
    return out;
}

FilterOutcome removeSavedFilterCommand(FilterSession& s, int index, const SavedFilterUi& ui) {
    const SavedFilter* e = entryAt(s.saved, index);
    if (e && ui.ask(removeSavedQuestion(e->name)) == Answer::Yes) removeSavedFilter(s.saved, index, s.settingsPath);
    return {};
}

FilterOutcome applySavedFilter(FolderState& folder, FilterSession& s, int index, const Asker& ask) {
    FilterOutcome out;
    const SavedFilter* e = entryAt(s.saved, index);
    if (!e) return out;
    std::string name = e->name;
    if (!bodyIsUsable(e->body)) {
        if (ask(unusableSavedQuestion(name)) == Answer::Yes) removeSavedFilter(s.saved, index, s.settingsPath);
        return out;
    }
    if (folder.photos.count == 0) return out;
    if (savedFilterNeedsScan(s.saved, index) && !scanFinished(folder, s.factsLock)) {
        s.saved.pending = name;  // the scan-finished tick applies it
        return out;
    }
    s.saved.pending.clear();
    std::vector<FilterToken> tokens;
    if (!tokensOfSavedFilter(s.saved, index, &tokens)) return out;
    FactsView view = factsOf(folder, s);
    bool any = false;
    for (int i = 0; i < folder.photos.count && !any; i++) any = photoMatchesFilter(tokens, view, i);
    if (!any) {
        out.message = savedNoMatchMessage(name);
        return out;
    }
    int shown = visibleToPhoto(folder, folder.currentPosition);
    s.current.tokens = std::move(tokens);
    folder.filterActive = true;
    attachFilter(folder, s);
    rebuildVisible(folder, s);
    keepPhotoCurrent(folder, shown);
    if (!s.settingsPath.empty()) saveCurrentFilter(s.current, s.settingsPath);
    out.rebuilt = out.showCurrent = true;
    return out;
}

// [SECTION] menus
static std::string menuName(std::string_view name) {
    std::string s;
    for (char c : name) s += c == '&' ? "&&" : std::string(1, c);
    return s;
}

std::vector<SavedMenuEntry> savedFilterMenu(const FilterSession& s) {
    std::vector<SavedMenuEntry> menu;
    if (s.saved.entries.empty()) {
        menu.push_back({text("SavedFilterNone"), SavedMenuAction::None, -1, false, false});
        return menu;
    }
    int same = savedFilterMatchingCurrent(s.saved, s.current);
    for (size_t i = 0; i < s.saved.entries.size(); i++) {
        const SavedFilter& e = s.saved.entries[i];
        std::string t = menuName(e.name);
        if (!bodyIsUsable(e.body)) t += " " + text("SavedFilterUnusableTag");
        menu.push_back({t, SavedMenuAction::Apply, int(i), int(i) == same, true});
    }
    return menu;
}

std::vector<SavedMenuEntry> savedFilterButtonMenu(const FilterSession& s) {
    std::vector<SavedMenuEntry> menu = savedFilterMenu(s);
    menu.push_back({"", SavedMenuAction::Separator, -1, false, true});
    menu.push_back({text("FilterSaveAs"), SavedMenuAction::SaveAs, -1, false, filterHasNonEmptyToken(s.current)});
    int same = savedFilterMatchingCurrent(s.saved, s.current);
    if (same >= 0) {
        std::string n = menuName(s.saved.entries[size_t(same)].name);
        menu.push_back({named("FilterRenameSaved", n), SavedMenuAction::Rename, same, false, true});
        menu.push_back({named("FilterRemoveSaved", n), SavedMenuAction::Remove, same, false, true});
    }
    return menu;
}

}  // namespace lv
