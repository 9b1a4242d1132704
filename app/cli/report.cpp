#include "report.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace lv::cli {

void addText(ReportFields& f, const char* key, const std::string& v) { f.push_back({key, v, true}); }

void addNumber(ReportFields& f, const char* key, double v) {
    char buf[64];
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15)
        std::snprintf(buf, sizeof buf, "%.0f", v);
    else
        std::snprintf(buf, sizeof buf, "%.12g", std::isfinite(v) ? v : 0.0);
    f.push_back({key, buf, false});
}

void addBool(ReportFields& f, const char* key, bool v) { f.push_back({key, v ? "true" : "false", false}); }

void addOptional(ReportFields& f, const char* key, bool present, double v) {
    if (present)
        addNumber(f, key, v);
    else
        f.push_back({key, "null", false});
}

// [SECTION] safe text
namespace {
// Length of the valid UTF-8 sequence at i, 0 when the byte starts none.
size_t sequenceAt(std::string_view s, size_t i) {
    unsigned char c = (unsigned char)s[i];
    size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return 0;
    uint32_t cp = len == 1 ? c : c & (0x7F >> len);
    for (size_t k = 1; k < len; k++) {
        unsigned char d = (unsigned char)s[i + k];
        if ((d >> 6) != 2) return 0;
        cp = (cp << 6) | (d & 0x3F);
    }
    static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

bool isControl(std::string_view s, size_t i, size_t len) {
    unsigned char c = (unsigned char)s[i];
    if (len == 1) return c < 0x20 || c == 0x7F;
    return len == 2 && c == 0xC2 && (unsigned char)s[i + 1] < 0xA0;  // U+0080..U+009F
}

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

std::string cleaned(std::string_view s, bool controlsToo) {
    std::string o;
    o.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        size_t len = sequenceAt(s, i);
        if (len == 0 || (controlsToo && isControl(s, i, len))) {
            o += kReplacement;
            i += len ? len : 1;
        } else {
            o.append(s, i, len);
            i += len;
        }
    }
    return o;
}
}  // namespace

bool isValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        size_t len = sequenceAt(s, i);
        if (!len) return false;
        i += len;
    }
    return true;
}

std::string validUtf8Text(std::string_view s) { return cleaned(s, false); }
std::string printableText(std::string_view s) { return cleaned(s, true); }

void addPath(ReportFields& f, const char* key, const std::string& path) {
    addText(f, key, path);
    if (isValidUtf8(path)) return;
    std::string hex;
    for (unsigned char c : path) {
        static const char digits[] = "0123456789abcdef";
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    addText(f, (std::string(key) + "Hex").c_str(), hex);
}

std::string jsonString(std::string_view raw) {
    std::string s = validUtf8Text(raw);
    std::string o = "\"";
    for (size_t i = 0; i < s.size(); i++) {
        unsigned char c = (unsigned char)s[i];
        if (c == 0xC2 && i + 1 < s.size() && (unsigned char)s[i + 1] < 0xA0) {  // C1 controls
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", (unsigned char)s[++i]);
            o += buf;
            continue;
        }
        switch (c) {
            case '"': o += "\\\""; break;
            case '\\': o += "\\\\"; break;
            case '\n': o += "\\n"; break;
            case '\r': o += "\\r"; break;
            case '\t': o += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    o += buf;
                } else {
                    o += char(c);
                }
        }
    }
    return o + "\"";
}

std::string jsonObject(const ReportFields& fields) {
    std::string o = "{";
    for (size_t i = 0; i < fields.size(); i++)
        o += (i ? ", " : "") + jsonString(fields[i].key) + ": " +
             (fields[i].quoted ? jsonString(fields[i].text) : fields[i].text);
    return o + "}";
}

std::string jsonReport(const std::vector<ReportSection>& sections) {
    ReportFields top;
    for (const ReportSection& s : sections) {
        if (s.key.empty()) {
            top.insert(top.end(), s.fields.begin(), s.fields.end());
        } else if (s.isList) {
            std::string a = "[";
            for (size_t i = 0; i < s.items.size(); i++) a += (i ? ", " : "") + jsonObject(s.items[i]);
            top.push_back({s.key, a + "]", false});
        } else {
            top.push_back({s.key, s.fields.empty() ? "null" : jsonObject(s.fields), false});
        }
    }
    return jsonObject(top);
}

void printReportText(const std::vector<ReportSection>& sections) {
    for (const ReportSection& s : sections) {
        const char* indent = s.key.empty() ? "  " : "    ";
        if (!s.key.empty()) std::printf("  %s:%s\n", s.key.c_str(), s.isList && s.items.empty() ? " none" : "");
        if (s.isList) {
            for (const ReportFields& item : s.items) {
                std::string line;
                for (const ReportField& f : item) line += (line.empty() ? "" : ", ") + f.key + " " + printableText(f.text);
                std::printf("    - %s\n", line.c_str());
            }
            continue;
        }
        if (!s.key.empty() && s.fields.empty()) std::printf("    none\n");
        for (const ReportField& f : s.fields)
            if (f.key != "file") std::printf("%s%s: %s\n", indent, f.key.c_str(), printableText(f.text).c_str());
    }
}

}  // namespace lv::cli
