#include "import/import_template.h"

#include <cstdio>

#include "core/settings.h"
#include "core/texts.h"
#include "export/export_destination.h"
#include "library/filekinds.h"

namespace lv {

namespace {

// Zero padding wider than this is refused: a template is user text and "{year:999999999}"
// must not ask for a gigabyte of zeros.
constexpr int kMaxPadWidth = 32;

constexpr const char* kTypeWords[6] = {"raw", "sooc", "video", "audio", "sidecar", "other"};
constexpr const char* kTypeCaptionKeys[6] = {"ImportChipTypeRaw",   "ImportChipTypeSooc",    "ImportChipTypeVideo",
                                             "ImportChipTypeAudio", "ImportChipTypeSidecar", "ImportChipTypeOther"};

std::string_view trimView(std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    return t;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The leading number of an argument ("4", "4@0" -> 4); fallback when there is none.
long long leadingNumber(std::string_view a, long long fallback) {
    size_t i = 0;
    while (i < a.size() && a[i] == ' ') i++;
    bool neg = false;
    if (i < a.size() && (a[i] == '-' || a[i] == '+')) neg = a[i++] == '-';
    if (i >= a.size() || !isDigit(a[i])) return fallback;
    long long v = 0;
    for (; i < a.size() && isDigit(a[i]); i++)
        if (v < 1000000000000LL) v = v * 10 + (a[i] - '0');
    return neg ? -v : v;
}

int widthArg(std::string_view arg, int fallback) {
    long long n = leadingNumber(arg, fallback);
    if (n < 1) return fallback;
    return n > kMaxPadWidth ? kMaxPadWidth : int(n);
}

std::string padded(long long v, int width) {
    char buf[80];
    std::snprintf(buf, sizeof buf, "%0*lld", width, v);
    return buf;
}

bool appendUnique(std::string& list, std::string_view item, size_t limit) {
    size_t pos = 0;
    while (pos <= list.size() && !list.empty()) {
        size_t end = list.find('|', pos);
        if (end == std::string::npos) end = list.size();
        if (std::string_view(list).substr(pos, end - pos) == item) return false;
        pos = end + 1;
    }
    size_t add = item.size() + (list.empty() ? 0 : 1);
    if (list.size() + add > limit) return false;
    if (!list.empty()) list += '|';
    list += item;
    return true;
}

std::string joinList(std::string_view pipeList, std::string_view sep) {
    std::string out;
    for (char c : pipeList) {
        if (c == '|')
            out += sep;
        else
            out += c;
    }
    return out;
}

// A file.type argument: 0 not a sub() form, 1 plain "sub", 2 a well-formed list, -1 malformed.
int parseSubList(std::string_view arg, std::vector<std::string>* items) {
    std::string a = lowerAscii(arg);
    if (a == "sub") return 1;
    if (a.compare(0, 4, "sub(") != 0) return 0;
    if (a.back() != ')') return -1;
    std::string_view inner = std::string_view(a).substr(4, a.size() - 5);
    if (trimView(inner).empty()) return -1;
    size_t pos = 0;
    for (;;) {
        size_t comma = inner.find(',', pos);
        std::string_view item = trimView(inner.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos));
        if (item.empty()) return -1;
        items->emplace_back(item);
        if (comma == std::string_view::npos) break;
        pos = comma + 1;
    }
    return 2;
}

int typeIndex(std::string_view word) {
    for (int i = 0; i < 6; i++)
        if (word == kTypeWords[i]) return i;
    return -1;
}

std::string dateText(std::string_view fmt, const ImportNameContext& c) {
    std::string out;
    for (size_t i = 0; i < fmt.size(); i++) {
        if (fmt[i] != '%' || i + 1 >= fmt.size()) {
            out += fmt[i];
            continue;
        }
        char k = fmt[++i];
        switch (k) {
            case 'Y': out += padded(c.year, 4); break;
            case 'y': out += padded(((c.year % 100) + 100) % 100, 2); break;
            case 'm': out += padded(c.month, 2); break;
            case 'd': out += padded(c.day, 2); break;
            case 'H': out += padded(c.hour, 2); break;
            case 'M': out += padded(c.minute, 2); break;
            case 'S': out += padded(c.second, 2); break;
            case '%': out += '%'; break;
            default:
                out += '%';
                out += k;
        }
    }
    return out;
}

std::string removeSpaces(std::string_view s) {
    std::string out;
    for (char c : s)
        if (c != ' ') out += c;
    return out;
}

bool focalChar(char c) { return isDigit(c) || c == '.' || c == '-'; }

std::string_view stripDotDash(std::string_view s) {
    while (!s.empty() && (s.front() == '.' || s.front() == '-')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == '.' || s.back() == '-')) s.remove_suffix(1);
    return s;
}

// The aperture written after an "F" at or after from; false when none.
bool apertureFrom(std::string_view m, size_t from, size_t skipAt, std::string* out) {
    for (size_t i = from; i < m.size(); i++) {
        if (m[i] != 'F' && m[i] != 'f') continue;
        size_t j = i + 1;
        if (j < m.size() && m[j] == '/') j++;
        if (j >= m.size() || !isDigit(m[j]) || j == skipAt) continue;
        size_t e = j;
        while (e < m.size() && focalChar(m[e])) e++;
        std::string_view run = stripDotDash(m.substr(j, e - j));
        if (run.empty()) continue;
        *out = std::string(run);
        return true;
    }
    return false;
}

// [SECTION] token table
using TokenFn = bool (*)(std::string_view arg, const ImportNameContext& c, std::string* v);

bool tokYear(std::string_view a, const ImportNameContext& c, std::string* v) { return *v = padded(c.year, widthArg(a, 4)), true; }
bool tokMonth(std::string_view a, const ImportNameContext& c, std::string* v) { return *v = padded(c.month, widthArg(a, 2)), true; }
bool tokDay(std::string_view a, const ImportNameContext& c, std::string* v) { return *v = padded(c.day, widthArg(a, 2)), true; }
bool tokHour(std::string_view a, const ImportNameContext& c, std::string* v) { return *v = padded(c.hour, widthArg(a, 2)), true; }
bool tokMinute(std::string_view a, const ImportNameContext& c, std::string* v) { return *v = padded(c.minute, widthArg(a, 2)), true; }
bool tokSecond(std::string_view a, const ImportNameContext& c, std::string* v) { return *v = padded(c.second, widthArg(a, 2)), true; }
bool tokDate(std::string_view a, const ImportNameContext& c, std::string* v) { return *v = dateText(a, c), true; }
bool tokName(std::string_view, const ImportNameContext& c, std::string* v) { return *v = c.name, true; }
bool tokExt(std::string_view a, const ImportNameContext& c, std::string* v) {
    std::string mode = lowerAscii(a);
    *v = mode == "lower" ? lowerAscii(c.ext) : mode == "upper" ? upperAscii(c.ext) : c.ext;
    return true;
}
bool tokType(std::string_view a, const ImportNameContext& c, std::string* v) {
    std::string word = kindDisplayName(c.kind);
    std::vector<std::string> items;
    int form = parseSubList(a, &items);
    if (form == 1) {
        *v = equalsIgnoreCase(word, "raw") ? std::string() : word;
    } else if (form == 2) {
        v->clear();
        for (const std::string& t : items)
            if (equalsIgnoreCase(t, word)) *v = word;
    } else {
        *v = word;
    }
    return true;
}
bool tokSeq(std::string_view a, const ImportNameContext& c, std::string* v) {
    size_t at = a.find('@');
    int width = widthArg(a.substr(0, at), 1);
    long long start = at == std::string_view::npos ? 1 : leadingNumber(a.substr(at + 1), 1);
    *v = padded(c.seq + start, width);
    return true;
}
bool tokCamera(std::string_view a, const ImportNameContext& c, std::string* v) {
    *v = lowerAscii(a) == "short" ? shortCameraName(c.camera) : c.camera;
    return true;
}
bool tokLens(std::string_view a, const ImportNameContext& c, std::string* v) {
    *v = lowerAscii(a) == "short" ? shortLensName(c.lens) : c.lens;
    return true;
}
bool tokSerial(std::string_view, const ImportNameContext& c, std::string* v) { return *v = c.serial, true; }
bool tokKind(std::string_view, const ImportNameContext& c, std::string* v) { return *v = c.kind, true; }
bool tokVolume(std::string_view, const ImportNameContext& c, std::string* v) { return *v = c.volume, true; }
bool tokJob(std::string_view, const ImportNameContext& c, std::string* v) { return *v = c.job, true; }
bool tokNote(std::string_view, const ImportNameContext& c, std::string* v) { return *v = c.note, true; }

enum Role { kRoleNone, kRoleName, kRoleExt, kRoleSeq };
struct TokenRow {
    const char* name;
    TokenFn fn;
    Role role;
};
const TokenRow kTokens[] = {
    {"year", tokYear, kRoleNone},       {"month", tokMonth, kRoleNone},   {"day", tokDay, kRoleNone},
    {"hour", tokHour, kRoleNone},       {"minute", tokMinute, kRoleNone}, {"second", tokSecond, kRoleNone},
    {"date", tokDate, kRoleNone},       {"file.name", tokName, kRoleName}, {"origname", tokName, kRoleName},
    {"file.ext", tokExt, kRoleExt},     {"ext", tokExt, kRoleExt},        {"file.type", tokType, kRoleNone},
    {"seq", tokSeq, kRoleSeq},          {"camera", tokCamera, kRoleNone}, {"lens", tokLens, kRoleNone},
    {"serial", tokSerial, kRoleNone},   {"kind", tokKind, kRoleNone},     {"volume", tokVolume, kRoleNone},
    {"job", tokJob, kRoleNone},         {"note", tokNote, kRoleNone},
};

const TokenRow* findToken(std::string_view name) {
    std::string lower = lowerAscii(name);
    for (const TokenRow& r : kTokens)
        if (lower == r.name) return &r;
    return nullptr;
}

void cutUtf8(std::string& s, size_t width) {
    if (s.size() <= width) return;
    size_t n = width;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) n--;
    s.resize(n);
}

}  // namespace

void clampNameContext(ImportNameContext* c) {
    cutUtf8(c->name, 768);
    cutUtf8(c->ext, 16);
    cutUtf8(c->kind, 16);
    cutUtf8(c->camera, 64);
    cutUtf8(c->lens, 96);
    cutUtf8(c->serial, 48);
    cutUtf8(c->volume, 48);
    cutUtf8(c->job, 192);
    cutUtf8(c->note, 192);
}

// [SECTION] syntax
std::vector<TemplatePiece> splitTemplate(std::string_view t) {
    std::vector<TemplatePiece> out;
    size_t i = 0;
    while (i < t.size()) {
        TemplatePiece p;
        char c = t[i];
        if ((c == '{' || c == '}') && i + 1 < t.size() && t[i + 1] == c) {
            p.raw = t.substr(i, 2);
            p.literal = c;
            i += 2;
        } else if (c == '{') {
            size_t close = t.find('}', i + 1);
            if (close == std::string_view::npos) {
                p.kind = TemplatePiece::Unclosed;
                p.raw = t.substr(i);
                out.push_back(p);
                break;
            }
            p.kind = TemplatePiece::Token;
            p.raw = t.substr(i, close - i + 1);
            std::string_view inner = t.substr(i + 1, close - i - 1);
            size_t colon = inner.find(':');
            p.name = inner.substr(0, colon);
            if (colon != std::string_view::npos) p.arg = inner.substr(colon + 1);
            i = close + 1;
        } else if (c == '\\' || c == '/') {
            p.kind = TemplatePiece::Separator;
            p.raw = t.substr(i, 1);
            i++;
        } else {
            p.raw = t.substr(i, 1);
            p.literal = c;
            i++;
        }
        out.push_back(p);
    }
    return out;
}

// [SECTION] expansion
bool evaluateImportToken(std::string_view name, std::string_view arg, const ImportNameContext& c, std::string* value) {
    value->clear();
    const TokenRow* r = findToken(name);
    return r && r->fn(arg, c, value);
}

std::string cleanNameComponent(std::string_view component) {
    std::string out(component);
    for (char& ch : out) {
        unsigned char u = static_cast<unsigned char>(ch);
        if (u < 32 || std::string_view("\\/:*?\"<>|").find(ch) != std::string_view::npos) ch = '_';
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '.')) out.pop_back();
    return out;
}

std::string expandImportTemplate(std::string_view tpl, const ImportNameContext& c, std::string* unknownTokens,
                                 PathStyle style) {
    std::string path, component, unknown, value;
    auto flush = [&] {
        std::string part = cleanNameComponent(component);
        component.clear();
        if (part.empty()) return;
        if (!path.empty()) path += separatorOf(style);
        path += part;
    };
    for (const TemplatePiece& p : splitTemplate(tpl)) {
        switch (p.kind) {
            case TemplatePiece::Literal: component += p.literal; break;
            case TemplatePiece::Separator: flush(); break;
            case TemplatePiece::Unclosed: component += p.raw; break;
            case TemplatePiece::Token:
                if (evaluateImportToken(p.name, p.arg, c, &value)) {
                    component += value;
                } else {
                    if (!unknown.empty()) unknown += '|';
                    unknown += p.name;
                }
                break;
        }
    }
    flush();
    if (unknownTokens) *unknownTokens = unknown;
    return path;
}

// [SECTION] check
TemplateCheck checkImportTemplate(std::string_view tpl) {
    TemplateCheck r;
    struct Flags {
        bool content = false, name = false, ext = false, seq = false;
    } cur, last;
    auto endComponent = [&] {
        if (cur.content) last = cur;
        cur = Flags();
    };
    bool unknown = false;
    for (const TemplatePiece& p : splitTemplate(tpl)) {
        if (p.kind == TemplatePiece::Unclosed) {
            r.unclosed = true;
            break;
        }
        if (p.kind == TemplatePiece::Separator) {
            endComponent();
            continue;
        }
        cur.content = true;
        if (p.kind == TemplatePiece::Literal) {
            char ch = p.literal;
            bool bad = static_cast<unsigned char>(ch) < 32 || std::string_view(":*?\"<>|").find(ch) != std::string_view::npos;
            if (p.raw.size() == 1 && bad && r.badChars.find(ch) == std::string::npos && r.badChars.size() < 32)
                r.badChars += ch;
            continue;
        }
        if (trimView(p.name).empty()) {
            r.emptyToken = true;
            continue;
        }
        const TokenRow* row = findToken(p.name);
        if (!row) {
            // A name too long to show whole is shown cut, never dropped: the template must fail.
            std::string shown(p.name.substr(0, 48));
            cutUtf8(shown, 40);
            if (shown.size() < p.name.size()) shown += "...";
            appendUnique(r.unknownTokens, shown, 256);
            unknown = true;
            continue;
        }
        if (row->role == kRoleName) cur.name = true;
        if (row->role == kRoleExt) cur.ext = true;
        if (row->role == kRoleSeq) cur.seq = true;
        if (row->fn == tokType) {
            std::vector<std::string> items;
            int form = parseSubList(p.arg, &items);
            if (form < 0) r.badSub = true;
            for (const std::string& t : items)
                if (typeIndex(t) < 0) {
                    std::string shown = t;
                    cutUtf8(shown, 40);
                    appendUnique(r.badTypes, shown, 128);
                    unknown = true;
                }
        }
    }
    endComponent();
    r.notUnique = !(last.ext && (last.name || last.seq));
    r.hasError = r.unclosed || r.emptyToken || r.badSub || unknown || !r.badTypes.empty();
    return r;
}

std::string describeTemplateProblems(const TemplateCheck& c) {
    std::vector<std::string> parts;
    if (c.unclosed) parts.push_back(text("ImportTplUnclosed"));
    if (c.emptyToken) parts.push_back(text("ImportTplEmptyTok"));
    if (c.badSub) parts.push_back(text("ImportTplBadSub"));
    if (c.notUnique) parts.push_back(text("ImportTplNotUnique"));
    if (!c.unknownTokens.empty()) parts.push_back(text("ImportUnknownToken") + " " + joinList(c.unknownTokens, ", "));
    if (!c.badTypes.empty()) parts.push_back(text("ImportTplBadType") + " " + joinList(c.badTypes, ", "));
    if (!c.badChars.empty()) {
        std::string chars;
        for (char ch : c.badChars) {
            if (!chars.empty()) chars += ' ';
            chars += ch;
        }
        parts.push_back(text("ImportTplBadChars") + " " + chars);
    }
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : " \xC2\xB7 ") + p;
    return out;
}

// [SECTION] stored templates
std::string defaultImportTemplate() {
    return "{year:4}\\{month:2}\\{day:2}\\{file.type:sub(sooc,video)}\\{file.name}.{file.ext}";
}

void registerTemplateSettingsRules() {
    SettingsHooks h = settingsHooks();
    h.exportTemplateDefault = [] { return defaultExportTemplate(); };
    h.exportTemplateFromLegacy = migrateExportDestination;
    h.importTemplateDefault = defaultImportTemplate;
    h.normaliseImportTemplate = [](std::string* tpl) {
        *tpl = normalizeStoredTemplate(*tpl);
        return true;
    };
    setSettingsHooks(h);
}

std::string normalizeStoredTemplate(std::string_view stored) {
    if (trimView(stored).empty()) return defaultImportTemplate();
    std::string out;
    for (const TemplatePiece& p : splitTemplate(stored)) {
        std::string lower = lowerAscii(p.name);
        if (p.kind == TemplatePiece::Token && (lower == "origname" || lower == "ext")) {
            out += lower == "ext" ? "{file.ext" : "{file.name";
            if (p.raw.find(':') != std::string_view::npos) out += ":" + std::string(p.arg);
            out += "}";
        } else {
            out += p.raw;
        }
    }
    std::string cmp(trimView(out));
    for (char& ch : cmp)
        if (ch == '/') ch = '\\';
    if (cmp == "{year:4}\\{month:2}\\{day:2}\\{origname}.{ext}" ||
        cmp == "{year:4}\\{month:2}\\{day:2}\\{file.name}.{file.ext}")
        return defaultImportTemplate();
    return out;
}

// [SECTION] short names
std::string shortCameraName(std::string_view model) {
    size_t space = model.find(' ');
    if (space == std::string_view::npos) return std::string(model);
    std::string_view first = model.substr(0, space);
    bool digit = false;
    for (char ch : first) digit = digit || isDigit(ch);
    return removeSpaces(digit ? model : model.substr(space + 1));
}

std::string shortLensName(std::string_view model) {
    std::string upper = upperAscii(model);
    std::string_view focal;
    size_t focalEnd = std::string::npos;
    for (size_t hit = upper.find("MM"); hit != std::string::npos && focal.empty(); hit = upper.find("MM", hit + 1)) {
        size_t b = hit;
        while (b > 0 && focalChar(model[b - 1])) b--;
        focal = stripDotDash(model.substr(b, hit - b));
        focalEnd = hit;
    }
    if (focal.empty()) {
        size_t b = 0;
        while (b < model.size() && !isDigit(model[b])) b++;
        size_t e = b;
        while (e < model.size() && focalChar(model[e])) e++;
        focal = stripDotDash(model.substr(b, e - b));
        focalEnd = e;
    }
    if (focal.empty()) return removeSpaces(model);
    // The aperture follows the focal length; a mount prefix written against it ("EF24-70mm")
    // is an "F" directly before the focal digits and never the aperture.
    size_t focalStart = size_t(focal.data() - model.data());
    std::string aperture;
    if (!apertureFrom(model, focalEnd, std::string::npos, &aperture)) apertureFrom(model, 0, focalStart, &aperture);
    std::string out(focal);
    if (!aperture.empty()) out += "f" + aperture;
    return out;
}

// [SECTION] chips
namespace {

struct InsertRow {
    const char* key;
    const char* token;
};
const InsertRow kInsertMenu[] = {
    {"ImportTokYear", "{year}"},          {"ImportTokMonth", "{month}"},
    {"ImportTokDay", "{day}"},            {"ImportTokHour", "{hour}"},
    {"ImportTokMinute", "{minute}"},      {"ImportTokSecond", "{second}"},
    {"ImportTokFileName", "{file.name}"}, {"ImportTokFileExt", "{file.ext}"},
    {"ImportTokFileType", "{file.type}"}, {"ImportTokFileTypeSub", "{file.type:sub(sooc,video)}"},
    {"ImportTokSeq", "{seq}"},            {"ImportTokCamera", "{camera}"},
    {"ImportTokCameraSh", "{camera:short}"}, {"ImportTokLens", "{lens}"},
    {"ImportTokLensSh", "{lens:short}"},  {"ImportTokSerial", "{serial}"},
};

// The single token of a chip's text, or nullopt-like false.
bool soleToken(std::string_view tokenText, TemplatePiece* out) {
    std::vector<TemplatePiece> pieces = splitTemplate(tokenText);
    if (pieces.size() != 1 || pieces[0].kind != TemplatePiece::Token) return false;
    *out = pieces[0];
    return true;
}

// Which types get a folder of their own for a file.type argument.
void typeTicks(std::string_view arg, bool ticks[6]) {
    std::vector<std::string> items;
    int form = parseSubList(arg, &items);
    for (int i = 0; i < 6; i++) ticks[i] = form == 1 && i > 0;
    for (const std::string& t : items)
        if (typeIndex(t) >= 0) ticks[typeIndex(t)] = true;
}

std::string seqToken(int width, long long start) {
    if (start != 1) return "{seq:" + std::to_string(width) + "@" + std::to_string(start) + "}";
    if (width > 1) return "{seq:" + std::to_string(width) + "}";
    return "{seq}";
}

}  // namespace

std::string typeTokenFromTicks(const bool ticks[6]) {
    std::string list;
    for (int i = 0; i < 6; i++)
        if (ticks[i]) list += std::string(list.empty() ? "" : ",") + kTypeWords[i];
    return list.empty() ? "{file.type}" : "{file.type:sub(" + list + ")}";
}

std::string importTokenLabel(std::string_view tokenText) {
    TemplatePiece p;
    if (!soleToken(tokenText, &p) || checkImportTemplate(tokenText).hasError) return std::string(tokenText);
    std::string name = lowerAscii(p.name), arg = lowerAscii(p.arg);
    static const struct {
        const char* name;
        const char* key;
    } kPlain[] = {{"year", "ImportTokYear"},     {"month", "ImportTokMonth"},   {"day", "ImportTokDay"},
                  {"hour", "ImportTokHour"},     {"minute", "ImportTokMinute"}, {"second", "ImportTokSecond"},
                  {"date", "ImportChipDate"},    {"file.name", "ImportTokFileName"}, {"origname", "ImportTokFileName"},
                  {"serial", "ImportTokSerial"}, {"kind", "ImportChipKind"},    {"volume", "ImportChipVolume"},
                  {"job", "ImportChipJob"},      {"note", "ImportChipNote"}};
    for (const auto& r : kPlain)
        if (name == r.name) return text(r.key);
    if (name == "file.ext" || name == "ext")
        return text(arg == "lower" ? "ImportChipExtLower" : arg == "upper" ? "ImportChipExtUpper" : "ImportTokFileExt");
    if (name == "camera") return text(arg == "short" ? "ImportTokCameraSh" : "ImportTokCamera");
    if (name == "lens") return text(arg == "short" ? "ImportTokLensSh" : "ImportTokLens");
    if (name == "seq") {
        ImportNameContext first;
        std::string v;
        evaluateImportToken(p.name, p.arg, first, &v);
        return text("ImportChipSeq") + ", " + v;
    }
    if (name == "file.type") {
        std::vector<std::string> items;
        if (parseSubList(p.arg, &items) == 0) return text("ImportChipType");
        bool ticks[6];
        typeTicks(p.arg, ticks);
        if (!ticks[0] && ticks[1] && ticks[2] && ticks[3] && ticks[4] && ticks[5]) return text("ImportChipFolderNotRaw");
        std::string list;
        for (int i = 0; i < 6; i++)
            if (ticks[i]) list += (list.empty() ? "" : ", ") + text(kTypeCaptionKeys[i]);
        return text("ImportChipFolder") + " " + list;
    }
    return std::string(tokenText);
}

std::vector<TokenMenuItem> importInsertMenu() {
    std::vector<TokenMenuItem> out;
    for (const InsertRow& r : kInsertMenu) out.push_back({text(r.key), r.token, false});
    return out;
}

std::vector<TokenMenuItem> importChangeToMenu(std::string_view tokenText) {
    std::vector<TokenMenuItem> out;
    TemplatePiece p;
    if (!soleToken(tokenText, &p)) return out;
    std::string name = lowerAscii(p.name), arg = lowerAscii(p.arg);
    if (name == "camera" || name == "lens") {
        out.push_back({text("ImportChipFull"), "{" + name + "}", arg != "short"});
        out.push_back({text("ImportChipShort"), "{" + name + ":short}", arg == "short"});
    } else if (name == "file.ext" || name == "ext") {
        out.push_back({text("ImportChipExtAsIs"), "{file.ext}", arg != "lower" && arg != "upper"});
        out.push_back({text("ImportChipExtLower"), "{file.ext:lower}", arg == "lower"});
        out.push_back({text("ImportChipExtUpper"), "{file.ext:upper}", arg == "upper"});
    } else if (name == "file.type") {
        bool ticks[6];
        typeTicks(p.arg, ticks);
        for (int i = 0; i < 6; i++) {
            bool toggled[6];
            for (int k = 0; k < 6; k++) toggled[k] = ticks[k] != (k == i);
            out.push_back({text(kTypeCaptionKeys[i]), typeTokenFromTicks(toggled), ticks[i]});
        }
    } else if (name == "seq") {
        size_t at = p.arg.find('@');
        int width = widthArg(p.arg.substr(0, at), 1);
        long long start = at == std::string_view::npos ? 1 : leadingNumber(p.arg.substr(at + 1), 1);
        for (int w = 1; w <= 6; w++) {
            std::string caption;
            for (int k = 0; k < 3; k++) caption += (k ? ", " : "") + padded(start + k, w);
            out.push_back({caption, seqToken(w, start), w == width});
        }
    }
    return out;
}

}  // namespace lv
