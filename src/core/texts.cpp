#include "core/texts.h"

#include <mutex>
#include <unordered_map>

#include "core/pathname.h"

namespace lv {

namespace {

struct TextTable {
    std::unordered_map<std::string, std::string> map;
    std::string language = "en";
    bool built = false;
};

TextTable& table() {
    static TextTable t;
    return t;
}

void fill(TextTable& t) {
    t.map.clear();
    t.language = "en";
    size_t n = 0;
    const TextRow* rows = builtinTextRows(&n);
    for (size_t i = 0; i < n; i++) addText(rows[i].key, rows[i].text);
    t.built = true;
}

// The first lookup before start-up built the table (tools, tests) builds it once.
TextTable& ready() {
    static std::once_flag once;
    TextTable& t = table();
    std::call_once(once, [&t] {
        if (!t.built) fill(t);
    });
    return t;
}

std::string trimmed(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) b++;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) e--;
    return std::string(s.substr(b, e - b));
}

}  // namespace

void addText(std::string_view key, std::string_view text) {
    table().map.emplace(std::string(key), std::string(text));
}

void buildTextTable(std::string_view language) {
    std::string code = lowerAscii(trimmed(language));
    (void)code;  // only English exists; the setting is read but every language shows English
    fill(table());
}

std::string activeLanguage() { return ready().language; }

std::string text(std::string_view key) {
    const TextTable& t = ready();
    auto it = t.map.find(std::string(key));
    return it == t.map.end() ? std::string(key) : it->second;
}

std::string fillPlaceholder(std::string_view text, std::string_view placeholder, std::string_view value) {
    std::string out;
    if (placeholder.empty()) return std::string(text);
    out.reserve(text.size());
    size_t pos = 0;
    for (;;) {
        size_t hit = text.find(placeholder, pos);
        if (hit == std::string_view::npos) break;
        out.append(text.substr(pos, hit - pos));
        out.append(value);
        pos = hit + placeholder.size();
    }
    out.append(text.substr(pos));
    return out;
}

}  // namespace lv
