// The UI text table: every visible text is looked up by key, so a missing entry shows its
// key instead of failing and a translation only has to fill the same keys.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace lv {

// One row of the built-in English table, in the order the table is built.
struct TextRow {
    const char* key;
    const char* text;
};
// The built-in rows (for the `lumivore texts` listing and for tests of the table itself).
const TextRow* builtinTextRows(size_t* count);

// Adds one entry; used only while the table is built (a repeated key keeps its first text).
void addText(std::string_view key, std::string_view text);
// Fills the table with the English texts. The language code is normalised (trimmed, lower
// case) but only English exists, so the active language becomes "en". Call it on the UI
// thread before any other thread reads texts; text() builds the table itself on first use.
void buildTextTable(std::string_view language);
// The active language code ("en").
std::string activeLanguage();

// The text of key, or the key itself when the table has no such entry.
std::string text(std::string_view key);
// Every occurrence of placeholder replaced by value, literally and case-sensitively; the value
// is never searched again, so braces inside it stay as they are. An empty placeholder changes
// nothing.
std::string fillPlaceholder(std::string_view text, std::string_view placeholder, std::string_view value);

}  // namespace lv
