// The report model of the command line: sections of key/value fields printed as text or JSON,
// shared by every command that prints structured output.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace lv::cli {

struct ReportField {
    std::string key;
    std::string text;
    bool quoted = true;  // a string (quoted in JSON) rather than a number, bool or raw JSON
};
using ReportFields = std::vector<ReportField>;

struct ReportSection {
    std::string key;                   // "" puts the fields at the top level
    ReportFields fields;               // an object ...
    std::vector<ReportFields> items;   // ... or, when isList, an array of objects
    bool isList = false;
};

void addText(ReportFields& f, const char* key, const std::string& v);
// Whole numbers print without a fraction; others with 12 significant digits (a capture serial keeps
// its hundredths); not-a-number as 0.
void addNumber(ReportFields& f, const char* key, double v);
void addBool(ReportFields& f, const char* key, bool v);
// The number, or null when it is not present.
void addOptional(ReportFields& f, const char* key, bool present, double v);

// [SECTION] safe text
// Every output goes through these: camera strings, sidecar labels and file names may hold any
// bytes. validUtf8Text replaces each byte that starts no valid UTF-8 sequence with U+FFFD;
// printableText also replaces control characters (C0, DEL, C1), so no escape sequence reaches a
// terminal.
bool isValidUtf8(std::string_view s);
std::string validUtf8Text(std::string_view s);
std::string printableText(std::string_view s);

// A JSON string literal: valid UTF-8 (U+FFFD for invalid bytes), control characters escaped.
std::string jsonString(std::string_view s);
// A path field; a path that is not valid UTF-8 also gets key + "Hex", its bytes in hex, so
// scripts can still name the file.
void addPath(ReportFields& f, const char* key, const std::string& path);
std::string jsonObject(const ReportFields& fields);
std::string jsonReport(const std::vector<ReportSection>& sections);
// Indented "key: value" lines; lists one item a line.
void printReportText(const std::vector<ReportSection>& sections);

}  // namespace lv::cli
