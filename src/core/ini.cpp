#include "core/ini.h"

#include <climits>
#include <cstdint>
#include <vector>

#include "core/pathname.h"

namespace lv {

namespace {

// [SECTION] lines
std::string_view trimView(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) b++;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) e--;
    return s.substr(b, e - b);
}

// Every CR removed, split at LF, a final empty line dropped. The views point into *store.
std::vector<std::string_view> splitLines(std::string_view text, std::string* store) {
    store->clear();
    store->reserve(text.size());
    for (char c : text)
        if (c != '\r') *store += c;
    std::vector<std::string_view> lines;
    std::string_view rest = *store;
    for (;;) {
        size_t lf = rest.find('\n');
        if (lf == std::string_view::npos) break;
        lines.push_back(rest.substr(0, lf));
        rest.remove_prefix(lf + 1);
    }
    if (!rest.empty()) lines.push_back(rest);
    return lines;
}

enum class LineKind { Blank, Comment, Header, Key, Other };
struct Line {
    LineKind kind;
    std::string_view name;   // header name or key, trimmed
    std::string_view value;  // trimmed
};

Line classify(std::string_view raw) {
    std::string_view t = trimView(raw);
    if (t.empty()) return {LineKind::Blank, {}, {}};
    if (t[0] == ';' || t[0] == '#') return {LineKind::Comment, {}, {}};
    if (t.size() >= 2 && t.front() == '[' && t.back() == ']')
        return {LineKind::Header, trimView(t.substr(1, t.size() - 2)), {}};
    size_t eq = t.find('=');
    if (eq == std::string_view::npos) return {LineKind::Other, {}, {}};
    return {LineKind::Key, trimView(t.substr(0, eq)), trimView(t.substr(eq + 1))};
}

// A value or key cannot span lines; a line break inside one would smuggle in new keys.
std::string singleLine(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

const char* const kCrLf = "\r\n";

}  // namespace

// [SECTION] reading
std::string iniGet(std::string_view text, std::string_view section, std::string_view key, std::string_view def) {
    std::string_view wantSection = trimView(section), wantKey = trimView(key);
    bool inside = false;
    std::string store;
    for (std::string_view raw : splitLines(text, &store)) {
        Line l = classify(raw);
        if (l.kind == LineKind::Header)
            inside = equalsIgnoreCase(l.name, wantSection);
        else if (inside && l.kind == LineKind::Key && equalsIgnoreCase(l.name, wantKey))
            return std::string(l.value);
    }
    return std::string(def);
}

int leadingNumber(std::string_view value) {
    std::string_view v = trimView(value);
    size_t i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
    // Saturate: anything beyond the int range is out of every accepted range anyway.
    int64_t whole = 0;
    for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; i++)
        if (whole <= int64_t(INT_MAX) + 1) whole = whole * 10 + (v[i] - '0');
    // The fraction only matters for rounding: above, below or exactly one half.
    int half = -1;  // -1 below, 0 exactly, 1 above
    if (i < v.size() && v[i] == '.') {
        i++;
        if (i < v.size() && v[i] >= '0' && v[i] <= '9') {
            int first = v[i++] - '0';
            bool rest = false;
            for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; i++) rest = rest || v[i] != '0';
            if (first > 5 || (first == 5 && rest))
                half = 1;
            else if (first == 5)
                half = 0;
        }
    }
    if (half == 1 || (half == 0 && (whole & 1))) whole++;
    if (negative) whole = -whole;
    if (whole > INT_MAX) return INT_MAX;
    if (whole < INT_MIN) return INT_MIN;
    return int(whole);
}

int iniGetInt(std::string_view text, std::string_view section, std::string_view key, int def) {
    std::string v = iniGet(text, section, key, "");
    if (trimView(v).empty()) return def;
    return leadingNumber(v);
}

// [SECTION] writing
std::string iniSet(std::string_view text, std::string_view section, std::string_view key, std::string_view value) {
    std::string_view wantSection = trimView(section), wantKey = trimView(key);
    const std::string newLine = singleLine(wantKey) + "=" + singleLine(value);
    std::string out;
    out.reserve(text.size() + newLine.size() + wantSection.size() + 8);
    bool inside = false, seen = false, written = false;
    std::string store;
    for (std::string_view raw : splitLines(text, &store)) {
        Line l = classify(raw);
        if (l.kind == LineKind::Header) {
            if (inside && !written) {
                out += newLine + kCrLf;
                written = true;
            }
            inside = equalsIgnoreCase(l.name, wantSection);
            seen = seen || inside;
        } else if (inside && !written && l.kind == LineKind::Key && equalsIgnoreCase(l.name, wantKey)) {
            out += newLine + kCrLf;
            written = true;
            continue;
        }
        (out += raw) += kCrLf;
    }
    if (!written) {
        if (!seen) out += "[" + singleLine(wantSection) + "]" + kCrLf;
        out += newLine + kCrLf;
    }
    return out;
}

std::string iniSetInt(std::string_view text, std::string_view section, std::string_view key, int value) {
    return iniSet(text, section, key, std::to_string(value));
}

std::string iniReplaceSectionText(std::string_view text, std::string_view section, const std::string* keys,
                                  const std::string* values, size_t count) {
    std::string_view wantSection = trimView(section);
    std::string block = "[" + singleLine(wantSection) + "]" + kCrLf;
    for (size_t i = 0; i < count; i++)
        block += singleLine(trimView(keys[i])) + "=" + singleLine(values[i]) + kCrLf;
    std::string out;
    bool dropping = false, placed = false;
    std::string store;
    for (std::string_view raw : splitLines(text, &store)) {
        Line l = classify(raw);
        if (l.kind == LineKind::Header) {
            dropping = equalsIgnoreCase(l.name, wantSection);
            if (dropping && !placed) {
                out += block;
                placed = true;
            }
        }
        if (!dropping) (out += raw) += kCrLf;
    }
    if (!placed) out += block;
    return out;
}

// [SECTION] encoding
bool isValidUtf8(std::string_view s) {
    size_t i = 0, n = s.size();
    while (i < n) {
        uint8_t c = uint8_t(s[i]);
        if (c < 0x80) {
            i++;
            continue;
        }
        int len;
        uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (n - i < size_t(len)) return false;
        for (int k = 1; k < len; k++) {
            uint8_t cc = uint8_t(s[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return false;
        if (cp >= 0xD800 && cp <= 0xDFFF) return false;
        i += len;
    }
    return true;
}

std::string utf8FromAnsi(std::string_view bytes) {
    // Windows-1252 differs from Latin-1 only in 0x80-0x9F; its five unassigned bytes keep
    // their C1 code points, as the system conversion does.
    static const uint16_t k80[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char ch : bytes) {
        uint8_t b = uint8_t(ch);
        uint32_t cp = b >= 0x80 && b < 0xA0 ? k80[b - 0x80] : b;
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xE0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::string iniTextFromBytes(std::string_view bytes) {
    // An editor's byte-order mark would otherwise glue itself to the first section name.
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    if (isValidUtf8(bytes)) return std::string(bytes);
    // A file saved by an editor on a Greek or Polish system is in that system's code page,
    // not the Western one.
    std::string text;
    if (utf8FromSystemAnsi(bytes, &text)) return text;
    return utf8FromAnsi(bytes);
}

// [SECTION] files
namespace {
// A settings file is small; anything near this is not one we wrote and is left alone.
constexpr uint64_t kMaxIniBytes = 16u << 20;
}  // namespace

WinErr iniReadFile(std::string_view path, std::string* text) {
    text->clear();
    std::string bytes;
    WinErr e = fileReadAll(path, &bytes, kMaxIniBytes);
    if (e == kErrFileNotFound || e == kErrPathNotFound) return kErrOk;
    if (e) return e;
    *text = iniTextFromBytes(bytes);
    return kErrOk;
}

WinErr iniWriteFile(std::string_view path, std::string_view text) {
    // Through a temporary file of its own, so a crash, a full disk or a second writer never
    // leaves half a settings file.
    return fileReplace(path, text.data(), text.size());
}

std::string iniReadString(std::string_view path, std::string_view section, std::string_view key) {
    std::string text;
    if (iniReadFile(path, &text)) return {};
    return iniGet(text, section, key, "");
}

int iniReadInt(std::string_view path, std::string_view section, std::string_view key, int def) {
    std::string text;
    if (iniReadFile(path, &text)) return def;
    return iniGetInt(text, section, key, def);
}

WinErr iniWriteString(std::string_view path, std::string_view section, std::string_view key, std::string_view value) {
    std::string text;
    if (WinErr e = iniReadFile(path, &text)) return e;  // never rewrite a file we could not read
    return iniWriteFile(path, iniSet(text, section, key, value));
}

WinErr iniWriteInt(std::string_view path, std::string_view section, std::string_view key, int value) {
    return iniWriteString(path, section, key, std::to_string(value));
}

WinErr iniReplaceSection(std::string_view path, std::string_view section, const std::string* keys,
                         const std::string* values, size_t count) {
    std::string text;
    if (WinErr e = iniReadFile(path, &text)) return e;
    return iniWriteFile(path, iniReplaceSectionText(text, section, keys, values, count));
}

}  // namespace lv
