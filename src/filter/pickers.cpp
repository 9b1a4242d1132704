// The value pickers of the filter dialog. See pickers.h.
#include "filter/pickers.h"

#include <algorithm>

#include "core/pathname.h"
#include "core/texts.h"
#include "filter/filter_text.h"

namespace lv {

std::string tokenChipText(const FilterToken& t) {
    std::string s = t.inverted && !tokenIsEmpty(t) ? text("FilterNot") + " " : "";
    s += criterionLabel(t.criterion);
    std::string values = tokenIsEmpty(t) ? "" : describeTokenValues(t);
    if (!values.empty()) s += ": " + values;
    return s + "  (" + std::to_string(t.matchCount) + ")";
}

bool setRangeBound(FilterToken& t, bool high, std::string_view typed) {
    const Criterion* c = criterion(t.criterion);
    if (!c || c->kind != CriterionKind::Range) return false;
    bool& has = high ? t.hasHigh : t.hasLow;
    double& value = high ? t.high : t.low;
    if (trimView(typed).empty()) {
        has = false;
        return true;
    }
    double v = 0;
    if (!c->parse(typed, &v)) return false;
    has = true;
    value = v;
    return true;
}

std::string rangeBoundText(const FilterToken& t, bool high) {
    const Criterion* c = criterion(t.criterion);
    if (!c || c->kind != CriterionKind::Range || !(high ? t.hasHigh : t.hasLow)) return {};
    return c->format(high ? t.high : t.low);
}

void setBucket(FilterToken& t, int bucket, bool on) {
    if (bucket < 0 || bucket > 31) return;
    uint32_t bit = 1u << bucket;
    t.mask = on ? t.mask | bit : t.mask & ~bit;
}

std::vector<std::string> tokenNames(const FilterToken& t) {
    std::vector<std::string> out;
    std::string_view rest = t.names;
    while (true) {
        size_t tab = rest.find('\t');
        std::string_view n = trimView(rest.substr(0, tab));
        if (!n.empty()) out.emplace_back(n);
        if (tab == std::string_view::npos) return out;
        rest.remove_prefix(tab + 1);
    }
}

bool tokenHasName(const FilterToken& t, std::string_view name) {
    std::string_view n = trimView(name);
    for (const std::string& have : tokenNames(t))
        if (equalsIgnoreCase(have, n)) return true;
    return false;
}

void setTokenName(FilterToken& t, std::string_view name, bool on) {
    std::string_view n = trimView(name);
    std::vector<std::string> names = tokenNames(t);
    std::erase_if(names, [n](const std::string& have) { return equalsIgnoreCase(have, n); });
    if (on && !n.empty()) names.emplace_back(n);
    t.names.clear();
    for (const std::string& s : names) t.names += (t.names.empty() ? "" : "\t") + s;
}

std::vector<std::string> pickerNames(const FilterToken& t, FactsView view) {
    std::vector<std::pair<std::string, std::string>> keyed;  // (upper-cased, as written)
    for (std::string& n : tokenNames(t)) keyed.emplace_back(upperAscii(n), std::move(n));
    const Criterion* c = criterion(t.criterion);
    if (c && c->kind == CriterionKind::Names && view.folder) {
        PhotoFacts f;
        std::string last;
        for (int i = 0; i < view.folder->photos.count; i++) {
            copyPhotoFacts(*view.folder, i, view.lock, &f);
            std::string_view n = trimView(c->name(f));
            if (n.empty() || n == last) continue;  // a shoot repeats its lens and camera
            last = n;
            keyed.emplace_back(upperAscii(n), std::string(n));
        }
    }
    // Once each ignoring case (the first spelling met stays), A to Z ignoring case.
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> names;
    for (size_t i = 0; i < keyed.size(); i++)
        if (i == 0 || keyed[i].first != keyed[i - 1].first) names.push_back(std::move(keyed[i].second));
    return names;
}

}  // namespace lv
