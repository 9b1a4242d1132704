#include "report.h"

#include <cmath>
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

std::string jsonString(std::string_view s) {
    std::string o = "\"";
    for (unsigned char c : s) {
        switch (c) {
            case '"': o += "\\\""; break;
            case '\\': o += "\\\\"; break;
            case '\n': o += "\\n"; break;
            case '\r': o += "\\r"; break;
            case '\t': o += "\\t"; break;
            default:
                if (c < 0x20) {
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
                for (const ReportField& f : item) line += (line.empty() ? "" : ", ") + f.key + " " + f.text;
                std::printf("    - %s\n", line.c_str());
            }
            continue;
        }
        if (!s.key.empty() && s.fields.empty()) std::printf("    none\n");
        for (const ReportField& f : s.fields)
            if (f.key != "file") std::printf("%s%s: %s\n", indent, f.key.c_str(), f.text.c_str());
    }
}

}  // namespace lv::cli
