// Tokens, matching, the text form, the summary, the filter in the folder's visible list and
// the current filter in the settings file.
#include "filter/filter.h"

#include <algorithm>
#include <charconv>

#include "core/ini.h"
#include "core/pathname.h"
#include "core/texts.h"
#include "filter/filter_text.h"

namespace lv {

// [SECTION] tokens
Filter defaultFilter() {
    Filter f;
    FilterToken t;
    t.criterion = kCritRating;
    t.mask = 1u << 5;
    f.tokens.push_back(t);
    return f;
}

int findToken(const Filter& filter, int crit) {
    for (size_t i = 0; i < filter.tokens.size(); i++)
        if (filter.tokens[i].criterion == crit) return int(i);
    return -1;
}

int addToken(Filter& filter, int crit, FactsView view) {
    if (!criterion(crit)) return -1;
    int found = findToken(filter, crit);
    if (found >= 0) return found;
    FilterToken t;
    t.criterion = crit;
    filter.tokens.push_back(t);
    int index = int(filter.tokens.size()) - 1;
    if (view.folder) countTokenMatches(filter, index, view);
    return index;
}

// Calls fn for each tab-separated name of a names token, trimmed and not empty; stops when fn
// returns true and returns whether it did.
template <class Fn>
static bool anyName(std::string_view names, Fn fn) {
    while (true) {
        size_t tab = names.find('\t');
        std::string_view n = trimView(names.substr(0, tab));
        if (!n.empty() && fn(n)) return true;
        if (tab == std::string_view::npos) return false;
        names.remove_prefix(tab + 1);
    }
}

bool tokenIsEmpty(const FilterToken& t) {
    const Criterion* c = criterion(t.criterion);
    if (!c) return true;
    switch (c->kind) {
        case CriterionKind::Set: return t.mask == 0;
        case CriterionKind::Range: return !t.hasLow && !t.hasHigh;
        case CriterionKind::Names: return !anyName(t.names, [](std::string_view) { return true; });
    }
    return true;
}

bool filterHasNonEmptyToken(const Filter& filter) {
    return std::any_of(filter.tokens.begin(), filter.tokens.end(), [](const FilterToken& t) { return !tokenIsEmpty(t); });
}

// [SECTION] matching
namespace {
// A token made ready for many photos: criterion looked up, emptiness known, names split.
struct ReadyToken {
    const FilterToken* token = nullptr;
    const Criterion* crit = nullptr;
    bool empty = true;
    std::vector<std::string_view> names;  // trimmed, pointing into token->names
};

void makeReady(const FilterToken& t, ReadyToken* r) {
    r->token = &t;
    r->crit = criterion(t.criterion);
    r->names.clear();
    r->empty = tokenIsEmpty(t);
    if (!r->empty && r->crit->kind == CriterionKind::Names)
        anyName(t.names, [r](std::string_view n) {
            r->names.push_back(n);
            return false;
        });
}

bool readyMatches(const ReadyToken& r, const PhotoFacts& f) {
    if (r.empty) return true;  // the not-flag of an empty token is not applied
    const Criterion& c = *r.crit;
    bool m = false;
    switch (c.kind) {
        case CriterionKind::Set: {
            int b = c.bucket(f);
            m = b >= 0 && b < 32 && (r.token->mask >> b) & 1u;
            break;
        }
        case CriterionKind::Range: {
            const FilterToken& t = *r.token;
            double v = 0;
            m = c.value(f, &v) && !(t.hasLow && v < t.low) && !(t.hasHigh && v > t.high);
            break;
        }
        case CriterionKind::Names: {
            std::string_view name = c.name(f);
            if (!name.empty())
                for (std::string_view n : r.names)
                    if (n.size() == name.size() && equalsIgnoreCase(n, name)) m = true;
            break;
        }
    }
    return m != r.token->inverted;
}
}  // namespace

bool tokenMatches(const FilterToken& t, const PhotoFacts& f) {
    thread_local ReadyToken r;  // its name list is reused, so a call hardly allocates
    makeReady(t, &r);
    return readyMatches(r, f);
}

bool tokensMatch(std::span<const FilterToken> tokens, const PhotoFacts& f) {
    for (const FilterToken& t : tokens)
        if (!tokenMatches(t, f)) return false;
    return true;
}

bool photoMatchesFilter(std::span<const FilterToken> tokens, FactsView view, int index) {
    if (!view.folder) return false;
    thread_local PhotoFacts facts;  // reused, so a pass over the folder hardly allocates
    copyPhotoFacts(*view.folder, index, view.lock, &facts);
    return tokensMatch(tokens, facts);
}

int countMatches(std::span<const FilterToken> tokens, FactsView view) {
    if (!view.folder) return 0;
    int n = 0;
    for (int i = 0; i < view.folder->photos.count; i++) n += photoMatchesFilter(tokens, view, i) ? 1 : 0;
    return n;
}

void countTokenMatches(Filter& filter, int token, FactsView view) {
    if (token < 0 || size_t(token) >= filter.tokens.size()) return;
    filter.tokens[size_t(token)].matchCount = countMatches(std::span(&filter.tokens[size_t(token)], 1), view);
}

// One pass: each photo's facts are looked at once for every token and for the whole filter.
template <class FactsAt>
static int tally(Filter& filter, int count, FactsAt factsAt) {
    std::vector<ReadyToken> ready(filter.tokens.size());
    for (size_t k = 0; k < ready.size(); k++) makeReady(filter.tokens[k], &ready[k]);
    std::vector<int> counts(ready.size(), 0);
    int all = 0;
    for (int i = 0; i < count; i++) {
        const PhotoFacts& f = factsAt(i);
        bool every = true;
        for (size_t k = 0; k < ready.size(); k++) {
            if (readyMatches(ready[k], f))
                counts[k]++;
            else
                every = false;
        }
        all += every ? 1 : 0;
    }
    for (size_t k = 0; k < counts.size(); k++) filter.tokens[k].matchCount = counts[k];
    return all;
}

int recountMatches(Filter& filter, FactsView view) {
    if (!view.folder) return 0;
    PhotoFacts facts;
    return tally(filter, view.folder->photos.count, [&](int i) -> const PhotoFacts& {
        copyPhotoFacts(*view.folder, i, view.lock, &facts);
        return facts;
    });
}

int recountMatches(Filter& filter, std::span<const PhotoFacts> facts) {
    return tally(filter, int(facts.size()), [&](int i) -> const PhotoFacts& { return facts[size_t(i)]; });
}

// [SECTION] text form
std::string tokenToText(const FilterToken& t) {
    const Criterion* c = criterion(t.criterion);
    std::string s = c ? c->key : "";
    s += t.inverted ? "|1|" : "|0|";
    s += std::to_string(t.mask) + "|";
    if (t.hasLow) s += formatTokenNumber(t.low);
    s += "|";
    if (t.hasHigh) s += formatTokenNumber(t.high);
    s += "|";
    std::string names;
    for (char ch : t.names) names += (uint8_t(ch) < 32 && ch != '\t') ? ' ' : ch;
    // Names are compared trimmed, so they are written trimmed: the settings file trims its
    // values, and a saved body must read back as it was written.
    bool first = true;
    anyName(names, [&](std::string_view n) {
        s += first ? "" : "\t";
        s += n;
        first = false;
        return false;
    });
    return s;
}

// An integer field; empty reads as 0.
static bool parseIntField(std::string_view t, int64_t lo, int64_t hi, int64_t* out) {
    t = trimView(t);
    if (t.empty()) {
        *out = 0;
        return true;
    }
    int64_t v = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size() || v < lo || v > hi) return false;
    *out = v;
    return true;
}

bool textToToken(std::string_view text, FilterToken* out) {
    std::string_view field[5];
    std::string_view rest = text;
    bool hasNames = false;
    for (int i = 0; i < 5; i++) {
        size_t bar = rest.find('|');
        field[i] = rest.substr(0, bar);
        if (bar == std::string_view::npos) {
            rest = {};
            break;
        }
        rest.remove_prefix(bar + 1);
        hasNames = i == 4;
    }
    FilterToken t;
    t.criterion = criterionByKey(field[0]);
    if (t.criterion < 0) return false;
    int64_t notFlag = 0, mask = 0;
    // Masks are 32-bit; an older writer may have stored the bits as a signed number.
    if (!parseIntField(field[1], INT32_MIN, INT32_MAX, &notFlag) ||
        !parseIntField(field[2], INT32_MIN, UINT32_MAX, &mask))
        return false;
    t.inverted = notFlag != 0;
    t.mask = uint32_t(mask);
    // Files written before Rejected existed select every rating with 63.
    if (t.criterion == kCritRating && (t.mask & 63u) == 63u) t.mask |= 1u << 6;
    std::string_view lo = trimView(field[3]), hi = trimView(field[4]);
    if ((!lo.empty() && !parseDecimal(lo, &t.low)) || (!hi.empty() && !parseDecimal(hi, &t.high))) return false;
    t.hasLow = !lo.empty();
    t.hasHigh = !hi.empty();
    if (t.hasLow && t.hasHigh && t.high < t.low) std::swap(t.low, t.high);
    if (hasNames) t.names = std::string(rest);
    *out = std::move(t);
    return true;
}

bool addTokenText(Filter& filter, std::string_view text) {
    FilterToken t;
    if (!textToToken(text, &t)) return false;
    int i = addToken(filter, t.criterion);
    filter.tokens[size_t(i)] = std::move(t);
    return true;
}

// [SECTION] summary
std::string describeTokenValues(const FilterToken& t) {
    const Criterion* c = criterion(t.criterion);
    if (!c) return {};
    std::string v;
    auto add = [&v](std::string_view part) {
        if (!v.empty()) v += ", ";
        v += part;
    };
    switch (c->kind) {
        case CriterionKind::Set: {
            BucketLabel l;
            for (int b = 0; b < 32 && c->bucketLabel(b, &l); b++)
                if ((t.mask >> b) & 1u) add(l.text);
            break;
        }
        case CriterionKind::Range:
            if (t.hasLow && t.hasHigh)
                v = c->format(t.low) + " - " + c->format(t.high);
            else if (t.hasLow)
                v = c->format(t.low) + "+";
            else if (t.hasHigh)
                v = "<= " + c->format(t.high);
            break;
        case CriterionKind::Names:
            anyName(t.names, [&add](std::string_view n) {
                add(n);
                return false;
            });
            break;
    }
    return v;
}

std::string describeFilter(std::span<const FilterToken> tokens) {
    std::string s;
    for (const FilterToken& t : tokens) {
        if (tokenIsEmpty(t)) continue;
        s += "   -  ";
        if (t.inverted) s += text("FilterNot") + " ";
        s += criterionLabel(t.criterion) + ": " + describeTokenValues(t) + "\r\n";
    }
    return s;
}

// [SECTION] messages
Answer Asker::operator()(const Prompt& p) const {
    if (ask) return ask(p, context);
    switch (p.kind) {
        case PromptKind::YesNo: return Answer::No;
        case PromptKind::YesNoCancel: return Answer::Cancel;
        default: return Answer::Ok;
    }
}

// [SECTION] the strip filter of the main window
static bool sessionFilterTest(const FolderState& folder, int index, void* context) {
    const FilterSession& s = *static_cast<const FilterSession*>(context);
    return photoMatchesFilter(s.current.tokens, FactsView{&folder, s.factsLock}, index);
}

void attachFilter(FolderState& folder, FilterSession& session) {
    folder.filter = sessionFilterTest;
    folder.filterContext = &session;
}

FactsView factsOf(const FolderState& folder, const FilterSession& session) { return {&folder, session.factsLock}; }

void rebuildVisible(FolderState& folder, FilterSession& session) {
    if (session.rebuild)
        session.rebuild(folder, session.rebuildContext);
    else
        rebuildVisibleList(folder);
}

void keepPhotoCurrent(FolderState& folder, int photoIndex) {
    int pos = photoToVisible(folder, photoIndex);
    int len = visibleLength(folder);
    if (pos < 0) pos = 0;
    folder.currentPosition = std::max(0, std::min(pos, len - 1));
}

FilterOutcome reapplyFilter(FolderState& folder, FilterSession& session) {
    FilterOutcome out;
    if (!folder.filterActive) return out;
    int shown = visibleToPhoto(folder, folder.currentPosition);
    rebuildVisible(folder, session);
    int pos = photoToVisible(folder, shown);
    if (pos < 0) pos = folder.currentPosition;  // the next photo takes its place
    folder.currentPosition = std::max(0, std::min(pos, visibleLength(folder) - 1));
    out.rebuilt = out.showCurrent = true;
    return out;
}

FilterOutcome toggleFilter(FolderState& folder, FilterSession& session) {
    FilterOutcome out;
    attachFilter(folder, session);
    int shown = visibleToPhoto(folder, folder.currentPosition);
    folder.filterActive = !folder.filterActive;
    rebuildVisible(folder, session);
    if (folder.filterActive && visibleLength(folder) == 0) {
        folder.filterActive = false;
        rebuildVisible(folder, session);
        out.message.kind = PromptKind::Information;
        out.message.title = "Lumivore";
        out.message.text = text("NoFilteredMsg") + "\r\n\r\n" + text("FilterActiveHdr") + "\r\n" +
                           describeFilter(session.current.tokens);
    }
    keepPhotoCurrent(folder, shown);
    out.rebuilt = out.showCurrent = true;
    return out;
}

// [SECTION] the current filter in the settings file
void loadCurrentFilter(Filter& filter, std::string_view iniText, FactsView view) {
    if (trimView(iniGet(iniText, kFilterSection, "TokenCount", "")).empty()) return;
    int n = iniGetInt(iniText, kFilterSection, "TokenCount", 0);
    if (n < 0) return;
    n = std::min(n, kMaxTokens);
    filter.tokens.clear();
    for (int k = 1; k <= n; k++) {
        std::string v = iniGet(iniText, kFilterSection, "Token" + std::to_string(k), "");
        if (!trimView(v).empty()) addTokenText(filter, trimView(v));
    }
    if (view.folder) recountMatches(filter, view);
}

std::string currentFilterIniText(const Filter& filter, std::string_view iniText) {
    int n = int(std::min(filter.tokens.size(), size_t(kMaxTokens)));
    // Keys past 64 are never read, and a damaged count must not make this loop run for ever.
    int old = std::min(iniGetInt(iniText, kFilterSection, "TokenCount", 0), kMaxTokens);
    std::string out(iniText);
    for (int k = n + 1; k <= old; k++) out = iniSet(out, kFilterSection, "Token" + std::to_string(k), "");
    out = iniSetInt(out, kFilterSection, "TokenCount", n);
    for (int k = 1; k <= n; k++)
        out = iniSet(out, kFilterSection, "Token" + std::to_string(k), tokenToText(filter.tokens[size_t(k - 1)]));
    return out;
}

WinErr saveCurrentFilter(const Filter& filter, std::string_view settingsPath) {
    std::string text;
    if (WinErr e = iniReadFile(settingsPath, &text)) return e;
    return iniWriteFile(settingsPath, currentFilterIniText(filter, text));
}

}  // namespace lv
