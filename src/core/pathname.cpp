#include "core/pathname.h"

namespace lv {

bool isSeparator(char c, PathStyle s) {
    return c == '/' || (s == PathStyle::Windows && c == '\\');
}

static size_t nameStart(std::string_view path, PathStyle s) {
    for (size_t i = path.size(); i > 0; i--) {
        char c = path[i - 1];
        if (isSeparator(c, s) || (s == PathStyle::Windows && c == ':')) return i;
    }
    return 0;
}

std::string_view fileNamePart(std::string_view path, PathStyle s) {
    return path.substr(nameStart(path, s));
}

std::string_view folderPart(std::string_view path, PathStyle s) {
    return path.substr(0, nameStart(path, s));
}

std::string_view extensionOf(std::string_view path, PathStyle s) {
    std::string_view name = fileNamePart(path, s);
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    return name.substr(dot);
}

std::string_view stemOf(std::string_view path, PathStyle s) {
    std::string_view name = fileNamePart(path, s);
    return name.substr(0, name.size() - extensionOf(name, s).size());
}

std::string_view withoutExtension(std::string_view path, PathStyle s) {
    return path.substr(0, path.size() - extensionOf(path, s).size());
}

std::string withTrailingSeparator(std::string_view folder, PathStyle s) {
    std::string r(folder);
    if (!r.empty() && !isSeparator(r.back(), s)) r += separatorOf(s);
    return r;
}

std::string_view withoutTrailingSeparator(std::string_view folder, PathStyle s) {
    // A root ("/" or "C:\") keeps its separator: without it, it names something else.
    while (folder.size() > 1 && isSeparator(folder.back(), s)) {
        if (s == PathStyle::Windows && folder.size() == 3 && folder[1] == ':') break;
        folder.remove_suffix(1);
    }
    return folder;
}

std::string joinPath(std::string_view folder, std::string_view name, PathStyle s) {
    while (!name.empty() && isSeparator(name.front(), s)) name.remove_prefix(1);
    std::string r = withTrailingSeparator(folder, s);
    r += name;
    return r;
}

std::string upperAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    return r;
}

std::string lowerAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return r;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); i++) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = char(x - 32);
        if (y >= 'a' && y <= 'z') y = char(y - 32);
        if (x != y) return false;
    }
    return true;
}

std::u16string utf16FromUtf8(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0, n = s.size();
    while (i < n) {
        uint8_t c = uint8_t(s[i]);
        uint32_t cp = 0xFFFD;
        size_t len = 1;
        if (c < 0x80) {
            cp = c;
        } else if ((c >> 5) == 6 && i + 1 < n && (uint8_t(s[i + 1]) & 0xC0) == 0x80) {
            cp = ((c & 0x1Fu) << 6) | (uint8_t(s[i + 1]) & 0x3Fu);
            len = 2;
            if (cp < 0x80) cp = 0xFFFD;
        } else if ((c >> 4) == 14 && i + 2 < n && (uint8_t(s[i + 1]) & 0xC0) == 0x80 &&
                   (uint8_t(s[i + 2]) & 0xC0) == 0x80) {
            cp = ((c & 0x0Fu) << 12) | ((uint8_t(s[i + 1]) & 0x3Fu) << 6) | (uint8_t(s[i + 2]) & 0x3Fu);
            len = 3;
            if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
        } else if ((c >> 3) == 30 && i + 3 < n && (uint8_t(s[i + 1]) & 0xC0) == 0x80 &&
                   (uint8_t(s[i + 2]) & 0xC0) == 0x80 && (uint8_t(s[i + 3]) & 0xC0) == 0x80) {
            cp = ((c & 0x07u) << 18) | ((uint8_t(s[i + 1]) & 0x3Fu) << 12) |
                 ((uint8_t(s[i + 2]) & 0x3Fu) << 6) | (uint8_t(s[i + 3]) & 0x3Fu);
            len = 4;
            if (cp < 0x10000 || cp > 0x10FFFF) cp = 0xFFFD;
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += char16_t(0xD800 + (cp >> 10));
            out += char16_t(0xDC00 + (cp & 0x3FF));
        } else {
            out += char16_t(cp);
        }
    }
    return out;
}

std::string utf8FromUtf16(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); i++) {
        uint32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            i++;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += char(0xE0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xF0 | (cp >> 18));
            out += char(0x80 | ((cp >> 12) & 0x3F));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

}  // namespace lv
