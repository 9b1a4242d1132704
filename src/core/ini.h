// INI text as written by hand or by this program: sections and keys compare ignoring case,
// the first occurrence wins, and every line we do not change is written back verbatim.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace lv {

// [SECTION] text level (pure)
// Lines are split at LF and every CR is dropped, wherever it stands.
std::string withoutCarriageReturns(std::string_view text);
// The value of the first key line of the section, or def.
std::string iniGet(std::string_view text, std::string_view section, std::string_view key, std::string_view def);
// Every key line of the section (of each header naming it), as written: name and value, in file order.
std::vector<std::pair<std::string, std::string>> iniKeysOf(std::string_view text, std::string_view section);
// Every key of a text read once, for many lookups: the same answers as iniGet and iniGetInt.
struct IniIndex {
    IniIndex() = default;
    IniIndex(const IniIndex&) = delete;  // the views point into its own text
    IniIndex& operator=(const IniIndex&) = delete;
    std::string text;                                          // the text without CRs
    std::unordered_map<std::string, std::string_view> first;  // "SECTION\nKEY" -> trimmed value
};
void iniIndexBuild(std::string_view text, IniIndex* out);
std::string iniIndexGet(const IniIndex& index, std::string_view section, std::string_view key, std::string_view def);
int iniIndexGetInt(const IniIndex& index, std::string_view section, std::string_view key, int def);
// The leading number of the value, rounded half to even; def when the value is empty or absent.
int iniGetInt(std::string_view text, std::string_view section, std::string_view key, int def);
// The text with key set to value (value as given, not trimmed). Lines end with CR LF.
std::string iniSet(std::string_view text, std::string_view section, std::string_view key, std::string_view value);
// The text after iniSet of each item in turn, in one pass (the settings file sets every key).
struct IniAssignment {
    std::string_view section, key, value;
};
std::string iniSetMany(std::string_view text, const IniAssignment* items, size_t count);
std::string iniSetInt(std::string_view text, std::string_view section, std::string_view key, int value);
// The text with the section's lines replaced by the given pairs (appended when missing).
std::string iniReplaceSectionText(std::string_view text, std::string_view section, const std::string* keys,
                                  const std::string* values, size_t count);
// The leading number of a value ("12abc" -> 12, "abc" -> 0, "2.5" -> 2, "3.5" -> 4).
int leadingNumber(std::string_view value);

// [SECTION] encoding
bool isValidUtf8(std::string_view bytes);
// Windows-1252 bytes as UTF-8 (the undefined bytes map to the C1 code points).
std::string utf8FromAnsi(std::string_view bytes);
// A settings file's bytes as UTF-8 text: valid UTF-8 (or ASCII) as it is, anything else from
// the system's ANSI code page (Windows-1252 where the system has none). A UTF-8 byte-order mark
// is dropped.
std::string iniTextFromBytes(std::string_view bytes);

// [SECTION] file level
// Reads the whole file as text. A missing file is empty text and success; any other failure
// is returned so the caller does not rewrite a file it could not read.
WinErr iniReadFile(std::string_view path, std::string* text);
// Writes text through a temporary file in the same folder and a replace.
WinErr iniWriteFile(std::string_view path, std::string_view text);

std::string iniReadString(std::string_view path, std::string_view section, std::string_view key);
int iniReadInt(std::string_view path, std::string_view section, std::string_view key, int def);
WinErr iniWriteString(std::string_view path, std::string_view section, std::string_view key, std::string_view value);
WinErr iniWriteInt(std::string_view path, std::string_view section, std::string_view key, int value);
WinErr iniReplaceSection(std::string_view path, std::string_view section, const std::string* keys,
                         const std::string* values, size_t count);

}  // namespace lv
