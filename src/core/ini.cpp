#include "core/ini.h"

#include <climits>
#include <cstdint>
#include <vector>

#include "core/pathname.h"

namespace lv {

// Copies whole runs between CRs: settings are read many keys at a time, so this is the hot loop.
std::string withoutCarriageReturns(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        size_t cr = text.find('\r', at);
        if (cr == std::string_view::npos) cr = text.size();
        out.append(text.substr(at, cr - at));
        at = cr + 1;
    }
    return out;
}

namespace {

// [SECTION] lines
std::string_view trimView(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) b++;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) e--;
    return s.substr(b, e - b);
}

// The lines of a text: every CR removed, split at LF, a final empty line dropped. Walks the text
// in place (a copy only when it has CRs to remove), since settings are read many keys at a time.
struct Lines {
    std::string store;
    std::string_view rest;
    explicit Lines(std::string_view text) : rest(text) {
        if (text.find('\r') != std::string_view::npos) {
            store = withoutCarriageReturns(text);
            rest = store;
        }
    }
    bool next(std::string_view* line) {
        if (rest.empty()) return false;
        size_t lf = rest.find('\n');
        *line = rest.substr(0, lf);
        rest.remove_prefix(lf == std::string_view::npos ? rest.size() : lf + 1);
        return true;
    }
};

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
    Lines lines(text);
    for (std::string_view raw; lines.next(&raw);) {
        Line l = classify(raw);
        if (l.kind == LineKind::Header)
            inside = equalsIgnoreCase(l.name, wantSection);
        else if (inside && l.kind == LineKind::Key && equalsIgnoreCase(l.name, wantKey))
            return std::string(l.value);
    }
    return std::string(def);
}

std::vector<std::pair<std::string, std::string>> iniKeysOf(std::string_view text, std::string_view section) {
    std::vector<std::pair<std::string, std::string>> out;
    bool inside = false;
    Lines lines(text);
    for (std::string_view raw; lines.next(&raw);) {
        Line l = classify(raw);
        if (l.kind == LineKind::Header)
            inside = equalsIgnoreCase(l.name, trimView(section));
        else if (inside && l.kind == LineKind::Key)
            out.emplace_back(std::string(l.name), std::string(l.value));
    }
    return out;
}

namespace {
std::string indexKey(std::string_view section, std::string_view key) {
    return upperAscii(trimView(section)) + "\n" + upperAscii(trimView(key));
}
}  // namespace

void iniIndexBuild(std::string_view text, IniIndex* out) {
    out->first.clear();
    out->text = withoutCarriageReturns(text);
    Lines lines(out->text);
    std::string section;
    bool inside = false;
    for (std::string_view raw; lines.next(&raw);) {
        Line l = classify(raw);
        if (l.kind == LineKind::Header) {
            section = std::string(l.name);
            inside = true;
        } else if (inside && l.kind == LineKind::Key) {
            out->first.emplace(indexKey(section, l.name), l.value);  // the first occurrence stays
        }
    }
}

std::string iniIndexGet(const IniIndex& index, std::string_view section, std::string_view key, std::string_view def) {
    auto it = index.first.find(indexKey(section, key));
    return std::string(it == index.first.end() ? def : it->second);
}

int iniIndexGetInt(const IniIndex& index, std::string_view section, std::string_view key, int def) {
    std::string v = iniIndexGet(index, section, key, "");
    if (trimView(v).empty()) return def;
    return leadingNumber(v);
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
    Lines lines(text);
    for (std::string_view raw; lines.next(&raw);) {
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

std::string iniSetMany(std::string_view text, const IniAssignment* items, size_t count) {
    // One pass with the result of calling iniSet for each item in turn: a key is replaced at its
    // first line in the first block of its section; a missing key goes to the end of that block;
    // a missing section is appended after the text, its keys in the given order.
    std::vector<std::string> newLines(count);
    std::vector<uint8_t> written(count, 0);
    for (size_t i = 0; i < count; i++)
        newLines[i] = singleLine(trimView(items[i].key)) + "=" + singleLine(items[i].value) + kCrLf;
    std::string out;
    out.reserve(text.size() + 64 * count);
    std::string_view current;  // the section of the block being copied
    bool inBlock = false;
    auto flushBlock = [&] {
        if (!inBlock) return;
        for (size_t i = 0; i < count; i++)
            if (!written[i] && equalsIgnoreCase(trimView(items[i].section), current)) {
                out += newLines[i];
                written[i] = 1;
            }
    };
    Lines lines(text);
    for (std::string_view raw; lines.next(&raw);) {
        Line l = classify(raw);
        if (l.kind == LineKind::Header) {
            flushBlock();
            current = l.name;
            inBlock = true;
        } else if (inBlock && l.kind == LineKind::Key) {
            bool replaced = false;
            for (size_t i = 0; i < count && !replaced; i++)
                if (!written[i] && equalsIgnoreCase(trimView(items[i].section), current) &&
                    equalsIgnoreCase(l.name, trimView(items[i].key))) {
                    out += newLines[i];
                    written[i] = 1;
                    replaced = true;
                }
            if (replaced) continue;
        }
        (out += raw) += kCrLf;
    }
    flushBlock();
    // Sections that were not in the text, in the order their first item was given.
    for (size_t i = 0; i < count; i++) {
        if (written[i]) continue;
        std::string_view sec = trimView(items[i].section);
        out += "[" + singleLine(sec) + "]" + kCrLf;
        for (size_t j = i; j < count; j++)
            if (!written[j] && equalsIgnoreCase(trimView(items[j].section), sec)) {
                out += newLines[j];
                written[j] = 1;
            }
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
    Lines lines(text);
    for (std::string_view raw; lines.next(&raw);) {
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
