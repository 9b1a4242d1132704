#include "export/export_destination.h"

#include <cstdio>

#include "core/texts.h"

namespace lv {

// [SECTION] template items and tokens
namespace {

// The identity of a token's inner text and, for a counter, its width.
int tokenIdentity(std::string_view inner, int* width) {
    *width = 0;
    size_t colon = inner.find(':');
    std::string name = lowerAscii(inner.substr(0, colon));
    int id = kExportTokUnknown;
    for (const ExportTokenInfo& t : kExportTokens)
        if (name == t.name) id = t.identity;
    if (colon == std::string_view::npos) return id;
    std::string_view arg = inner.substr(colon + 1);
    if (id != kExportTokCounter || arg.empty() || arg.size() > 9 || arg.find_first_not_of('0') != std::string_view::npos)
        return kExportTokUnknown;
    *width = int(arg.size());
    return id;
}

}  // namespace

std::vector<ExportTemplateItem> parseExportTemplate(std::string_view tpl) {
    std::vector<ExportTemplateItem> items;
    std::string literal;
    auto flush = [&] {
        if (literal.empty()) return;
        ExportTemplateItem it;
        it.text = std::move(literal);
        items.push_back(std::move(it));
        literal.clear();
    };
    for (size_t i = 0; i < tpl.size();) {
        char c = tpl[i];
        if ((c == '{' || c == '}') && i + 1 < tpl.size() && tpl[i + 1] == c) {
            literal += c;
            i += 2;
            continue;
        }
        if (c != '{') {
            literal += c;
            i++;
            continue;
        }
        flush();
        ExportTemplateItem it;
        it.isToken = true;
        size_t close = tpl.find('}', i + 1);
        if (close == std::string_view::npos) {
            it.text = std::string(tpl.substr(i + 1));
            it.unclosed = true;
            items.push_back(std::move(it));
            break;
        }
        it.text = std::string(tpl.substr(i + 1, close - i - 1));
        it.identity = tokenIdentity(it.text, &it.counterWidth);
        items.push_back(std::move(it));
        i = close + 1;
    }
    flush();
    return items;
}

std::string exportTokenLabel(std::string_view tokenText) {
    std::vector<ExportTemplateItem> items = parseExportTemplate(tokenText);
    if (items.size() != 1 || !items[0].isToken || items[0].unclosed) return std::string(tokenText);
    for (const ExportTokenInfo& t : kExportTokens)
        if (t.identity == items[0].identity) {
            std::string caption = text(t.captionKey);
            if (items[0].counterWidth > 0) caption += ", " + std::string(size_t(items[0].counterWidth - 1), '0') + "1";
            return caption;
        }
    return std::string(tokenText);
}

// [SECTION] checks and resolution
namespace {

std::string trimmedText(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) b++;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) e--;
    return std::string(s.substr(b, e - b));
}

std::string twoDigits(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

std::string counterText(uint64_t n, int width) {
    std::string s = std::to_string(n);
    if (int(s.size()) < width) s.insert(0, size_t(width) - s.size(), '0');
    return s;
}

// The template as text pieces with the counters between them (pieces.size() == counters + 1).
struct ResolvedPieces {
    std::vector<std::string> pieces{std::string()};
    std::vector<int> widths;
    std::string with(uint64_t n) const {
        std::string r = pieces[0];
        for (size_t i = 0; i < widths.size(); i++) r += counterText(n, widths[i]) + pieces[i + 1];
        return r;
    }
};

// The highest number among the folders of parent named prefix + digits + suffix (ignoring case).
uint64_t highestCounter(const std::string& parent, std::string_view prefix, std::string_view suffix) {
    std::vector<DirEntry> entries;
    uint64_t best = 0;
    if (listFolder(parent, &entries) != kErrOk) return 0;
    std::string up = upperAscii(prefix), us = upperAscii(suffix);
    for (const DirEntry& e : entries) {
        if (!e.isFolder || e.name.size() <= prefix.size() + suffix.size()) continue;
        std::string n = upperAscii(e.name);
        if (n.compare(0, up.size(), up) != 0 || n.compare(n.size() - us.size(), us.size(), us) != 0) continue;
        std::string_view digits = std::string_view(n).substr(up.size(), n.size() - up.size() - us.size());
        if (digits.size() > 18 || digits.find_first_not_of("0123456789") != std::string_view::npos) continue;
        uint64_t v = std::stoull(std::string(digits));
        if (v > best) best = v;
    }
    return best;
}

}  // namespace

std::string checkExportTemplate(std::string_view tpl) {
    if (trimmedText(tpl).empty()) return text("ExportNoDest");
    std::vector<ExportTemplateItem> items = parseExportTemplate(tpl);
    for (const ExportTemplateItem& it : items)
        if (it.isToken && (it.unclosed || it.identity == kExportTokUnknown)) return text("ExportTplUnknown");
    for (size_t i = 1; i < items.size(); i++)
        if (items[i].isToken && items[i].identity == kExportTokFolderPath) return text("ExportTplFolderFirst");
    return {};
}

std::string resolveExportDestination(std::string_view tpl, const ExportResolveContext& ctx) {
    const PathStyle st = ctx.style;
    std::string folderPath(withoutTrailingSeparator(ctx.browsedFolder, st));
    std::string date = std::to_string(ctx.today.year) + "-" + twoDigits(ctx.today.month) + "-" + twoDigits(ctx.today.day);
    ResolvedPieces rp;
    for (const ExportTemplateItem& it : parseExportTemplate(tpl)) {
        std::string& out = rp.pieces.back();
        if (!it.isToken) {
            out += it.text;
            continue;
        }
        switch (it.identity) {
            case kExportTokFolderPath: out += folderPath; break;
            case kExportTokFolder: out += std::string(fileNamePart(folderPath, st)); break;
            case kExportTokDate: out += date; break;
            case kExportTokYear: out += counterText(uint64_t(ctx.today.year > 0 ? ctx.today.year : 0), 4); break;
            case kExportTokMonth: out += twoDigits(ctx.today.month); break;
            case kExportTokDay: out += twoDigits(ctx.today.day); break;
            case kExportTokCounter:
                rp.widths.push_back(it.counterWidth);
                rp.pieces.emplace_back();
                break;
            default: break;  // unknown tokens are refused by the check before anyone resolves
        }
    }
    if (rp.widths.empty()) return rp.pieces[0];
    if (rp.widths.size() == 1) {
        std::string_view after(rp.pieces[1]);
        std::string_view afterName = withoutTrailingSeparator(after, st);
        if (afterName.size() == 1 && isSeparator(afterName[0], st)) afterName = {};
        bool lastComponent = true;
        for (char c : afterName)
            if (isSeparator(c, st)) lastComponent = false;
        if (lastComponent) {
            std::string_view before(rp.pieces[0]);
            size_t nameAt = before.size();
            while (nameAt > 0 && !isSeparator(before[nameAt - 1], st)) nameAt--;
            std::string parent(before.substr(0, nameAt));
            if (parent.empty()) parent = ".";
            return rp.with(highestCounter(parent, before.substr(nameAt), afterName) + 1);
        }
    }
    // Several counters, or one above the last folder: the first number whose path is free.
    for (uint64_t n = 1; n < 1000000; n++)
        if (!pathExists(rp.with(n))) return rp.with(n);
    return rp.with(1000000);
}

namespace {

bool isWindowsDeviceName(const std::string& up) {
    static const char* const kNames[] = {"CON", "PRN", "AUX", "NUL"};
    for (const char* n : kNames)
        if (up == n) return true;
    return up.size() == 4 && (up.compare(0, 3, "COM") == 0 || up.compare(0, 3, "LPT") == 0) && up[3] >= '1' &&
           up[3] <= '9';
}

// The message for one folder name, or empty.
std::string checkFolderName(std::string_view name) {
    if (name.empty()) return text("ExportBadEmptyPart");
    for (char c : name) {
        if (uint8_t(c) < 32 || std::string_view("<>\"|?*:").find(c) != std::string_view::npos)
            return text("ExportBadChar") + " " + std::string(1, c);
    }
    if (name == "." || name == "..") return text("ExportBadDotDot");
    if (name.back() == ' ' || name.back() == '.') return text("ExportBadTrailing");
    std::string stem = trimmedText(name.substr(0, name.find('.')));
    std::string up = upperAscii(stem);
    if (isWindowsDeviceName(up)) return text("ExportBadReserved") + " " + up;
    return {};
}

}  // namespace

std::string checkExportPath(std::string_view path, PathStyle style) {
    if (trimmedText(path).empty()) return text("ExportNoDest");
    std::string_view rest;
    if (style == PathStyle::Windows) {
        if (path.find('/') != std::string_view::npos) return text("ExportBadSlash");
        bool drive = path.size() >= 3 && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') && path[1] == ':' &&
                     path[2] == '\\';
        if (drive) {
            rest = path.substr(3);
        } else if (path.size() > 2 && path[0] == '\\' && path[1] == '\\') {
            // "\\server\share" at least: four "\"-separated parts, the server and share not empty.
            size_t server = path.find('\\', 2);
            size_t share = server == std::string_view::npos ? server : path.find('\\', server + 1);
            std::string_view shareName = server == std::string_view::npos ? std::string_view()
                                         : path.substr(server + 1, share == std::string_view::npos ? std::string_view::npos
                                                                                                   : share - server - 1);
            if (server == 2 || shareName.empty()) return text("ExportNeedAbsolute");
            rest = share == std::string_view::npos ? std::string_view() : path.substr(share + 1);
        } else {
            return text("ExportNeedAbsolute");
        }
    } else {
        if (path[0] != '/') return text("ExportNeedAbsolutePosix");
        rest = path.substr(1);
    }
    const char sep = separatorOf(style);
    if (!rest.empty() && rest.back() == sep) rest.remove_suffix(1);
    if (rest.empty()) return {};
    for (size_t start = 0;;) {
        size_t end = rest.find(sep, start);
        std::string msg = checkFolderName(rest.substr(start, end == std::string_view::npos ? end : end - start));
        if (!msg.empty()) return msg;
        if (end == std::string_view::npos) return {};
        start = end + 1;
    }
}

bool isBrowsedFolder(std::string_view path, const ExportResolveContext& ctx) {
    return upperAscii(withTrailingSeparator(path, ctx.style)) == upperAscii(withTrailingSeparator(ctx.browsedFolder, ctx.style));
}

std::string cleanTypedDestination(std::string_view typed) {
    std::string t = trimmedText(typed);
    if (t.size() >= 2 && t.front() == '"' && t.back() == '"') t = trimmedText(std::string_view(t).substr(1, t.size() - 2));
    return t;
}

std::string exportDestinationLine(std::string_view typed, const ExportResolveContext& ctx, std::string_view exportedTo) {
    if (!exportedTo.empty()) return text("ExportDestWent") + " " + std::string(exportedTo);
    std::string tpl = cleanTypedDestination(typed);
    std::string msg = checkExportTemplate(tpl);
    if (!msg.empty()) return msg;
    std::string path = resolveExportDestination(tpl, ctx);
    msg = checkExportPath(path, ctx.style);
    if (!msg.empty()) return msg;
    if (isBrowsedFolder(path, ctx)) return text("ExportDestSource");
    return text(isFolder(path) ? "ExportDestExists" : "ExportDestNew") + " " + path;
}

// [SECTION] settings
std::string defaultExportTemplate(PathStyle style) { return std::string("{folder.path}") + separatorOf(style) + "export"; }

std::string migrateExportDestination(const std::string& fixedFolder, const std::string& besideFolder,
                                     int destinationMode) {
    auto escape = [](const std::string& s) {
        std::string r;
        for (char c : s) {
            r += c;
            if (c == '{' || c == '}') r += c;
        }
        return r;
    };
    if (destinationMode == 1 && !fixedFolder.empty()) return escape(fixedFolder);
    if (!besideFolder.empty()) return std::string("{folder.path}") + kPathSep + escape(besideFolder);
    return defaultExportTemplate();
}

}  // namespace lv
