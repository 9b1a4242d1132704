#include "sidecar/xmp_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>
#include <vector>

#include "core/pathname.h"

namespace lv {

// [SECTION] lexical rules

bool isXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool isXmlNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.' || c == ':';
}

size_t nameEnd(std::string_view text, size_t pos) {
    while (pos < text.size() && isXmlNameChar(text[pos])) pos++;
    return pos;
}

namespace {

// Comment and CDATA spans [start, end) of one text, found once so that every match can be
// checked without rescanning the text from its start.
struct HiddenSpans {
    std::vector<std::pair<size_t, size_t>> comments, cdata;

    static void collect(std::string_view text, std::string_view open, std::string_view close,
                        std::vector<std::pair<size_t, size_t>>* out) {
        size_t p = 0;
        while ((p = text.find(open, p)) != kNoPos) {
            size_t c = text.find(close, p + open.size());
            size_t end = c == kNoPos ? text.size() : c + close.size();
            out->push_back({p, end});
            p = end;
        }
    }
    explicit HiddenSpans(std::string_view text) {
        collect(text, "<!--", "-->", &comments);
        collect(text, "<![CDATA[", "]]>", &cdata);
    }
    static bool in(const std::vector<std::pair<size_t, size_t>>& spans, size_t pos) {
        auto it = std::upper_bound(spans.begin(), spans.end(), pos,
                                   [](size_t v, const std::pair<size_t, size_t>& s) { return v < s.first; });
        if (it == spans.begin()) return false;
        --it;
        return pos < it->second;
    }
    bool contains(size_t pos) const { return in(comments, pos) || in(cdata, pos); }
};

// True when no name character follows pos, so a name made of name characters that ends there
// is the whole name run (checking one character keeps long runs from being rescanned).
bool nameEndsAt(std::string_view text, size_t pos) { return pos >= text.size() || !isXmlNameChar(text[pos]); }

// The next occurrence of needle (a "<" or "</" and a name) at or after from that is not hidden
// and is not the start of a longer name.
size_t findName(std::string_view text, const HiddenSpans& hidden, std::string_view needle, size_t from) {
    size_t p = from;
    while (p <= text.size() && (p = text.find(needle, p)) != kNoPos) {
        if (nameEndsAt(text, p + needle.size()) && !hidden.contains(p)) return p;
        p++;
    }
    return kNoPos;
}

size_t backOverSpace(std::string_view text, size_t pos, size_t floor) {
    while (pos > floor && isXmlSpace(text[pos - 1])) pos--;
    return pos;
}

}  // namespace

bool isInsideCommentOrCdata(std::string_view text, size_t pos) { return HiddenSpans(text).contains(pos); }

size_t tagEnd(std::string_view text, size_t pos) {
    for (size_t i = pos + 1; i < text.size(); i++) {
        char c = text[i];
        if (c == '>') return i;
        if (c == '"' || c == '\'') {
            size_t q = text.find(c, i + 1);
            if (q == kNoPos) return kNoPos;
            i = q;
        }
    }
    return kNoPos;
}

bool attributeValueAt(std::string_view text, size_t pos, size_t* valueStart, size_t* valueLen) {
    while (pos < text.size() && isXmlSpace(text[pos])) pos++;
    if (pos >= text.size() || text[pos] != '=') return false;
    pos++;
    while (pos < text.size() && isXmlSpace(text[pos])) pos++;
    if (pos >= text.size() || (text[pos] != '"' && text[pos] != '\'')) return false;
    size_t close = text.find(text[pos], pos + 1);
    if (close == kNoPos) return false;
    *valueStart = pos + 1;
    *valueLen = close - pos - 1;
    return true;
}

namespace {
struct Replacement {
    std::string_view from, to;
};
// Orders matter: "&amp;" is undone last and done first, so "&amp;lt;" survives a round trip.
constexpr Replacement kUnescape[] = {
    {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"},
};
constexpr Replacement kEscape[] = {
    {"&", "&amp;"}, {"<", "&lt;"}, {">", "&gt;"}, {"\"", "&quot;"}, {"'", "&apos;"},
};

std::string replaceAll(std::string s, const Replacement& r) {
    std::string out;
    size_t p = 0, q;
    while ((q = s.find(r.from, p)) != std::string::npos) {
        out.append(s, p, q - p);
        out += r.to;
        p = q + r.from.size();
    }
    out.append(s, p, std::string::npos);
    return out;
}
}  // namespace

std::string xmlEscape(std::string_view s) {
    std::string out(s);
    for (const Replacement& r : kEscape) out = replaceAll(std::move(out), r);
    return out;
}

std::string xmlUnescape(std::string_view s) {
    std::string out(s);
    for (const Replacement& r : kUnescape) out = replaceAll(std::move(out), r);
    return out;
}

std::string_view trimXmlSpace(std::string_view s) {
    while (!s.empty() && isXmlSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isXmlSpace(s.back())) s.remove_suffix(1);
    return s;
}

// [SECTION] namespaces and properties

// Real packets bind a namespace to one or two prefixes; a file binding it to thousands of
// different ones would make every search below run once per prefix, so the list stops here.
constexpr int kMaxPrefixes = 32;

// With other set, the prefixes bound to any namespace but uri.
static std::string namespacePrefixes(std::string_view text, const HiddenSpans& hidden, std::string_view uri,
                                     bool other = false) {
    std::string list = "|";
    int bound = 0;
    size_t p = 0;
    while ((p = text.find("xmlns:", p)) != kNoPos) {
        size_t nameStart = p + 6;
        p = nameStart;
        if (hidden.contains(nameStart - 6)) continue;
        size_t end = nameEnd(text, nameStart);
        if (end == nameStart) continue;
        size_t vs, vl;
        if (!attributeValueAt(text, end, &vs, &vl)) continue;
        if (equalsIgnoreCase(text.substr(vs, vl), uri) == other) continue;
        std::string item = "|" + std::string(text.substr(nameStart, end - nameStart)) + "|";
        if (list.find(item) != std::string::npos) continue;  // one schema per description repeats it
        list += item.substr(1);
        if (++bound == kMaxPrefixes) break;
    }
    return list.size() > 1 ? list : std::string();
}

std::string namespacePrefixes(std::string_view text, std::string_view uri) {
    return namespacePrefixes(text, HiddenSpans(text), uri);
}

namespace {

template <class Fn>
void forEachPrefix(std::string_view prefixes, Fn fn) {
    size_t p = 0;
    while (p < prefixes.size()) {
        size_t bar = prefixes.find('|', p);
        if (bar == kNoPos) bar = prefixes.size();
        if (bar > p) fn(prefixes.substr(p, bar - p));
        p = bar + 1;
    }
}

PropertyLocation findAttribute(std::string_view text, const HiddenSpans& hidden, const std::string& qname,
                               size_t from) {
    PropertyLocation loc;
    for (size_t p = from; (p = findName(text, hidden, qname, p)) != kNoPos; p++) {
        if (p == 0 || !isXmlSpace(text[p - 1])) continue;
        size_t vs, vl;
        if (!attributeValueAt(text, p + qname.size(), &vs, &vl)) continue;
        loc.kind = PropertyForm::Attribute;
        loc.matchPos = p;
        loc.valueStart = vs;
        loc.valueLen = vl;
        loc.removeStart = backOverSpace(text, p, 0);
        loc.removeLen = vs + vl + 1 - loc.removeStart;
        return loc;
    }
    return loc;
}

PropertyLocation findElement(std::string_view text, const HiddenSpans& hidden, const std::string& qname,
                             size_t from) {
    PropertyLocation loc;
    const std::string open = "<" + qname, close = "</" + qname;
    for (size_t p = from; (p = findName(text, hidden, open, p)) != kNoPos;) {
        size_t te = tagEnd(text, p);
        if (te == kNoPos) return loc;
        if (text[te - 1] == '/') {  // <xmp:Rating/> holds no value
            p = te + 1;
            continue;
        }
        size_t ce = findName(text, hidden, close, te + 1);
        if (ce == kNoPos) return loc;  // every later start tag would lack an end tag too
        size_t cte = tagEnd(text, ce);
        if (cte == kNoPos) return loc;
        loc.kind = PropertyForm::Element;
        loc.matchPos = p;
        loc.valueStart = te + 1;
        loc.valueLen = ce - (te + 1);
        loc.removeStart = backOverSpace(text, p, 0);
        loc.removeLen = cte + 1 - loc.removeStart;
        return loc;
    }
    return loc;
}

// Where a prefix is bound to the XMP namespace in one place and to another namespace in another,
// each occurrence takes the binding in scope: a declaration in its own start tag, else the
// closest one before it (packets declare their prefixes on each description, so that is the one
// whose scope holds it). Positions are collected once, so each check is a binary search.
struct PrefixBindings {
    const std::vector<size_t>* tagStarts;        // every "<", shared by the prefixes of one scan
    std::vector<std::pair<size_t, bool>> decls;  // declaration position, bound to the XMP namespace

    PrefixBindings(std::string_view text, const HiddenSpans& hidden, std::string_view prefix,
                   const std::vector<size_t>* starts)
        : tagStarts(starts) {
        const std::string decl = "xmlns:" + std::string(prefix);
        for (size_t d = 0; (d = text.find(decl, d)) != kNoPos; d++) {
            size_t vs, vl;
            if (!hidden.contains(d) && nameEndsAt(text, d + decl.size()) &&
                attributeValueAt(text, d + decl.size(), &vs, &vl))
                decls.push_back({d, equalsIgnoreCase(text.substr(vs, vl), kXmpNamespace)});
        }
    }
    bool isXmpAt(size_t pos) const {
        auto lt = std::upper_bound(tagStarts->begin(), tagStarts->end(), pos);
        size_t tagStart = lt == tagStarts->begin() ? 0 : *(lt - 1);
        size_t tagLimit = lt == tagStarts->end() ? kNoPos : *lt;
        auto d = std::lower_bound(decls.begin(), decls.end(), std::make_pair(tagStart, false));
        if (d != decls.end() && d->first < tagLimit) return d->second;  // declared in its own tag
        if (d == decls.begin()) return false;
        return (d - 1)->second;
    }
};

// Walks the occurrences of one property in order. Each prefix and form keeps its next candidate
// and searches again only once the walk has passed it, so visiting every occurrence costs one
// pass over the text per prefix and form instead of one per occurrence.
struct PropertyScanner {
    struct Slot {
        std::string qname;
        bool element = false;
        bool searched = false;
        PropertyLocation next;
        const PrefixBindings* bindings = nullptr;  // set for a prefix also bound elsewhere
    };
    std::string_view text;
    const HiddenSpans& hidden;
    std::vector<Slot> slots;
    std::vector<size_t> tagStarts;
    std::vector<PrefixBindings> shared;

    PropertyScanner(std::string_view t, const HiddenSpans& h, std::string_view localName, std::string_view prefixes)
        : text(t), hidden(h) {
        const std::string taken = namespacePrefixes(t, h, kXmpNamespace, true);
        std::vector<bool> ambiguous;
        forEachPrefix(prefixes, [&](std::string_view prefix) {
            std::string qname = std::string(prefix) + ":" + std::string(localName);
            bool twice = taken.find("|" + std::string(prefix) + "|") != std::string::npos;
            if (twice && tagStarts.empty())
                for (size_t p = 0; (p = t.find('<', p)) != kNoPos; p++) tagStarts.push_back(p);
            if (twice) shared.emplace_back(t, h, prefix, &tagStarts);
            slots.push_back({qname, false, false, {}, nullptr});
            slots.push_back({qname, true, false, {}, nullptr});
            ambiguous.push_back(twice);
        });
        for (size_t i = 0, k = 0; i < ambiguous.size(); i++)
            if (ambiguous[i]) slots[2 * i].bindings = slots[2 * i + 1].bindings = &shared[k++];
    }
    PropertyLocation find(const Slot& s, size_t from) const {
        for (;;) {
            PropertyLocation loc = s.element ? findElement(text, hidden, s.qname, from)
                                             : findAttribute(text, hidden, s.qname, from);
            if (!loc.found() || !s.bindings || s.bindings->isXmpAt(loc.matchPos)) return loc;
            from = loc.matchPos + 1;  // another namespace's property of the same name
        }
    }
    // The earliest occurrence whose match begins at or after from; a later candidate replaces
    // the best only when it begins strictly earlier.
    PropertyLocation next(size_t from) {
        PropertyLocation best;
        for (Slot& s : slots) {
            if (!s.searched || (s.next.found() && s.next.matchPos < from)) {
                s.next = find(s, from);
                s.searched = true;
            }
            if (s.next.found() && (!best.found() || s.next.matchPos < best.matchPos)) best = s.next;
        }
        return best;
    }
};

PropertyLocation findProperty(std::string_view text, const HiddenSpans& hidden, std::string_view localName,
                              std::string_view prefixes, size_t from) {
    return PropertyScanner(text, hidden, localName, prefixes).next(from);
}

}  // namespace

PropertyLocation findProperty(std::string_view text, std::string_view localName, std::string_view prefixes,
                              size_t from) {
    return findProperty(text, HiddenSpans(text), localName, prefixes, from);
}

std::string getProperty(std::string_view text, std::string_view localName, std::string_view prefixes) {
    PropertyLocation loc = findProperty(text, localName, prefixes, 0);
    if (!loc.found()) return {};
    return std::string(text.substr(loc.valueStart, loc.valueLen));
}

static size_t findDescription(std::string_view text, const HiddenSpans& hidden, std::string_view xmpPrefixes) {
    std::string rdfPrefixes = namespacePrefixes(text, hidden, kRdfNamespace);
    if (rdfPrefixes.empty()) rdfPrefixes = "|rdf|";
    size_t firstAny = kNoPos, firstDeclaring = kNoPos;
    forEachPrefix(rdfPrefixes, [&](std::string_view prefix) {
        std::string open = "<" + std::string(prefix) + ":Description";
        for (size_t p = 0; (p = findName(text, hidden, open, p)) != kNoPos;) {
            size_t te = tagEnd(text, p);
            if (te == kNoPos) break;
            firstAny = std::min(firstAny, p);
            std::string_view tag = text.substr(p, te - p);
            bool declares = false;
            forEachPrefix(xmpPrefixes, [&](std::string_view xp) {
                std::string decl = "xmlns:" + std::string(xp);
                for (size_t d = 0; !declares && (d = tag.find(decl, d)) != kNoPos; d++)
                    declares = nameEndsAt(tag, d + decl.size());
            });
            if (declares) {
                firstDeclaring = std::min(firstDeclaring, p);
                break;
            }
            p = te + 1;  // another start tag cannot begin inside this one
        }
    });
    return firstDeclaring != kNoPos ? firstDeclaring : firstAny;
}

size_t findDescription(std::string_view text, std::string_view xmpPrefixes) {
    return findDescription(text, HiddenSpans(text), xmpPrefixes);
}

// The "<" of the end tag that closes the element whose start tag runs from start to startEnd,
// counting nested elements of the same name; kNoPos when it is never closed.
static size_t matchingEndTag(std::string_view text, const HiddenSpans& hidden, size_t start, size_t startEnd) {
    std::string name(text.substr(start + 1, nameEnd(text, start + 1) - (start + 1)));
    const std::string open = "<" + name, close = "</" + name;
    int depth = 1;
    size_t p = startEnd + 1;
    // Both next positions are kept until the walk passes them, so the text is read once.
    size_t o = findName(text, hidden, open, p), c = findName(text, hidden, close, p);
    for (;;) {
        if (o != kNoPos && o < p) o = findName(text, hidden, open, p);
        if (c != kNoPos && c < p) c = findName(text, hidden, close, p);
        if (c == kNoPos) return kNoPos;
        if (o != kNoPos && o < c) {
            size_t oe = tagEnd(text, o);
            if (oe == kNoPos) return kNoPos;
            if (text[oe - 1] != '/') depth++;
            p = oe + 1;
        } else {
            if (--depth == 0) return c;
            p = c + 2;
        }
    }
}

// True when the text declares prefix for any namespace.
static bool prefixDeclared(std::string_view text, const HiddenSpans& hidden, std::string_view prefix) {
    const std::string decl = "xmlns:" + std::string(prefix);
    for (size_t d = 0; (d = text.find(decl, d)) != kNoPos; d++)
        if (!hidden.contains(d) && nameEndsAt(text, d + decl.size())) return true;
    return false;
}

// "xmp" unless the text binds it to another namespace; then the first of "xmp1", "xmp2", ...
// that the text neither declares nor uses.
static std::string freeXmpPrefix(std::string_view text, const HiddenSpans& hidden) {
    if (!prefixDeclared(text, hidden, "xmp")) return "xmp";
    for (int n = 1;; n++) {
        std::string p = "xmp" + std::to_string(n);
        if (!prefixDeclared(text, hidden, p) && text.find(p + ":") == kNoPos) return p;
    }
}

static std::string insertProperty(std::string_view text, const HiddenSpans& hidden, std::string_view localName,
                                  std::string_view value, std::string_view xmpPrefixes) {
    size_t d = findDescription(text, hidden, xmpPrefixes);
    if (d == kNoPos) return {};
    size_t te = tagEnd(text, d);
    bool selfClosing = text[te - 1] == '/';
    size_t attrAt = selfClosing ? te - 1 : te;
    const std::string escaped = xmlEscape(value);
    auto spliced = [&](size_t at, std::string_view piece) {
        std::string out;
        out.reserve(text.size() + piece.size());
        out.append(text.substr(0, at)).append(piece).append(text.substr(at));
        return out;
    };

    if (xmpPrefixes.empty()) {
        std::string prefix = freeXmpPrefix(text, hidden);
        std::string piece = "\r\n   xmlns:" + prefix + "=\"" + std::string(kXmpNamespace) + "\"\r\n   " + prefix +
                            ":" + std::string(localName) + "=\"" + escaped + "\"";
        return spliced(attrAt, piece);
    }

    // The first prefix the document binds names the new property.
    std::string prefix = "xmp";
    size_t bar = xmpPrefixes.find('|', 1);
    if (bar != kNoPos && bar > 1) prefix = std::string(xmpPrefixes.substr(1, bar - 1));
    const std::string qname = prefix + ":" + std::string(localName);

    if (!selfClosing) {
        // Descriptions nest inside struct values (an rdf:li holding an rdf:Description), so the
        // end tag is the one that closes this description, not the first one after it.
        size_t e = matchingEndTag(text, hidden, d, te);
        bool elementForm = false;
        forEachPrefix(xmpPrefixes, [&](std::string_view xp) {
            size_t first = text.find("<" + std::string(xp) + ":", te + 1);
            if (first != kNoPos && !hidden.contains(first)) elementForm = true;
        });
        if (elementForm && e != kNoPos) {
            size_t at = e;
            while (at > te + 1 && (text[at - 1] == ' ' || text[at - 1] == '\t')) at--;
            return spliced(at, "<" + qname + ">" + escaped + "</" + qname + ">\r\n");
        }
    }
    return spliced(attrAt, "\r\n   " + qname + "=\"" + escaped + "\"");
}

std::string insertProperty(std::string_view text, std::string_view localName, std::string_view value,
                           std::string_view xmpPrefixes) {
    return insertProperty(text, HiddenSpans(text), localName, value, xmpPrefixes);
}

std::string setProperty(std::string_view text, std::string_view localName, std::string_view value) {
    const HiddenSpans hidden(text);
    const std::string prefixes = namespacePrefixes(text, hidden, kXmpNamespace);
    const bool removal = value.empty();
    const std::string escaped = xmlEscape(value);
    std::string out;
    size_t pos = 0;
    bool handled = false;
    PropertyScanner scanner(text, hidden, localName, prefixes);
    for (;;) {
        PropertyLocation loc = scanner.next(pos);
        if (!loc.found()) break;
        handled = true;
        if (removal) {
            size_t start = std::max(loc.removeStart, pos);
            out.append(text.substr(pos, start - pos));
            pos = loc.removeStart + loc.removeLen;
        } else {
            out.append(text.substr(pos, loc.valueStart - pos)).append(escaped);
            pos = loc.valueStart + loc.valueLen;
        }
    }
    if (handled) return out.append(text.substr(pos));
    if (removal) return std::string(text);
    if (prefixes.empty() && !prefixDeclared(text, hidden, "xmp") &&
        PropertyScanner(text, hidden, localName, "|xmp|").next(0).found()) {
        // An "xmp:" property written without its declaration becomes real once we declare the
        // namespace; adding a second one beside it would leave readers the old value first.
        size_t d = findDescription(text, hidden, "");
        if (d == kNoPos) return {};
        size_t te = tagEnd(text, d);
        size_t at = text[te - 1] == '/' ? te - 1 : te;
        std::string declared(text.substr(0, at));
        declared.append("\r\n   xmlns:xmp=\"").append(kXmpNamespace).append("\"").append(text.substr(at));
        // Only when the new declaration is visible (not swallowed by a broken comment) does the
        // second pass see a prefix, which also keeps it from coming back here.
        if (!namespacePrefixes(declared, kXmpNamespace).empty()) return setProperty(declared, localName, value);
    }
    // A new property goes under a prefix that means the XMP namespace wherever it appears.
    std::string only = "|";
    const std::string taken = namespacePrefixes(text, hidden, kXmpNamespace, true);
    forEachPrefix(prefixes, [&](std::string_view p) {
        if (taken.find("|" + std::string(p) + "|") == std::string::npos) only += std::string(p) + "|";
    });
    return insertProperty(text, hidden, localName, value, only.size() > 1 ? only : std::string());
}

// [SECTION] values and new packets

int parseRatingValue(std::string_view raw) {
    std::string s = xmlUnescape(raw);
    std::string_view v = trimXmlSpace(s);
    if (v.empty()) return 0;
    bool negative = false;
    if (v[0] == '+' || v[0] == '-') {
        negative = v[0] == '-';
        v.remove_prefix(1);
    }
    // One sign only: from_chars would take a second one, turning "--1" into a rating.
    if (v.empty() || !((v[0] >= '0' && v[0] <= '9') || v[0] == '.')) return 0;
    // Only plain decimals: from_chars would also take "inf", "nan" and hex forms.
    for (char c : v)
        if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-')) return 0;
    double d = 0;
    auto r = std::from_chars(v.data(), v.data() + v.size(), d, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != v.data() + v.size() || !std::isfinite(d)) return 0;
    if (negative) d = -d;
    d = std::nearbyint(d);  // the default rounding mode takes halves to even
    if (d < -1) return -1;
    if (d > 5) return 5;
    return int(d);
}

std::string newSidecarText(int rating, std::string_view label) {
    std::string s;
    s += "<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\r\n";
    s += "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\r\n";
    s += "<rdf:RDF xmlns:rdf=\"" + std::string(kRdfNamespace) + "\">\r\n";
    s += "<rdf:Description rdf:about=\"\"\r\n";
    s += "   xmlns:xmp=\"" + std::string(kXmpNamespace) + "\"\r\n";
    s += "   xmp:Rating=\"" + std::to_string(rating) + "\"";
    // Escaped, so a label taken over from a JPEG's own packet cannot break the new file.
    if (!trimXmlSpace(label).empty()) s += "\r\n   xmp:Label=\"" + xmlEscape(label) + "\"";
    s += "/>\r\n";
    s += "</rdf:RDF>\r\n";
    s += "</x:xmpmeta>\r\n";
    s += "<?xpacket end=\"w\"?>";
    return s;
}

}  // namespace lv
