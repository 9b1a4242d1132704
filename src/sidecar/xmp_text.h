// A text-level reader and editor for XMP packets. It never builds a tree: it finds the byte
// ranges of a property and splices new text into them, so a sidecar written by another tool
// keeps every other byte (namespaces, formatting, comments, encoding) exactly as it was.
// Positions and lengths are byte offsets; the markup it recognises is ASCII.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "metadata/tiff.h"  // kXmpNamespace, shared with the JPEG packet reader

namespace lv {

inline constexpr std::string_view kRdfNamespace = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
inline constexpr size_t kNoPos = std::string_view::npos;

// [SECTION] lexical rules
bool isXmlSpace(char c);     // space, tab, CR, LF
bool isXmlNameChar(char c);  // A-Z a-z 0-9 _ - . :
// The end of the name run starting at pos (pos itself when no name character is there).
size_t nameEnd(std::string_view text, size_t pos);
// True when pos lies inside a comment or a CDATA section (an unterminated one runs to the end).
bool isInsideCommentOrCdata(std::string_view text, size_t pos);
// The ">" that ends the tag starting at pos, skipping quoted attribute values; kNoPos if none.
size_t tagEnd(std::string_view text, size_t pos);
// After a name ending at pos: optional whitespace, "=", optional whitespace, a quote, the value
// up to the same quote. Returns false when any part is missing.
bool attributeValueAt(std::string_view text, size_t pos, size_t* valueStart, size_t* valueLen);

std::string xmlEscape(std::string_view s);
std::string xmlUnescape(std::string_view s);
std::string_view trimXmlSpace(std::string_view s);

// [SECTION] namespaces and properties
// "|p1|p2|" naming every prefix bound to uri (compared ignoring case), or "" when none is.
std::string namespacePrefixes(std::string_view text, std::string_view uri);

enum class PropertyForm { None = 0, Attribute = 1, Element = 2 };
struct PropertyLocation {
    PropertyForm kind = PropertyForm::None;
    size_t matchPos = 0;     // the attribute's name, or the "<" of the start tag
    size_t valueStart = 0;   // inside the quotes, or after the start tag's ">"
    size_t valueLen = 0;
    size_t removeStart = 0;  // from the whitespace before the match ...
    size_t removeLen = 0;    // ... to the closing quote or the end tag's ">", inclusive
    bool found() const { return kind != PropertyForm::None; }
};
// The first occurrence at or after from of prefix:localName for any prefix of the list, in
// attribute or element form, outside comments and CDATA.
PropertyLocation findProperty(std::string_view text, std::string_view localName, std::string_view prefixes,
                              size_t from = 0);
// The raw (still escaped) value of the first occurrence, or "" when there is none.
std::string getProperty(std::string_view text, std::string_view localName, std::string_view prefixes);

// The "<" of the rdf:Description start tag a new property goes into, or kNoPos when the text
// has none. One that already declares the XMP namespace is preferred.
size_t findDescription(std::string_view text, std::string_view xmpPrefixes);
// The text with the property added to the chosen description, or "" when there is none.
std::string insertProperty(std::string_view text, std::string_view localName, std::string_view value,
                           std::string_view xmpPrefixes);
// Every occurrence of the XMP property changed to value (escaped here), or removed when value
// is empty; inserted when there is none. "" means there was nowhere to put it; a removal of a
// property that is absent returns the text unchanged.
std::string setProperty(std::string_view text, std::string_view localName, std::string_view value);

// [SECTION] values and new packets
// A rating as stored: decimal, halves to even, clamped to -1..5; anything else gives 0.
int parseRatingValue(std::string_view raw);
// The packet written when a photo has no sidecar yet.
std::string newSidecarText(int rating, std::string_view label);

}  // namespace lv
