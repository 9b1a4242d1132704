// The sidecar reader on values and namespace bindings that other tools write.
#include <gtest/gtest.h>

#include <string>

#include "sidecar/sidecar_file.h"
#include "sidecar/xmp_text.h"

using namespace lv;

namespace {
const std::string kNs = "http://ns.adobe.com/xap/1.0/";
const std::string kRdf = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";

std::string packet(const std::string& body) {
    return "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n <rdf:RDF xmlns:rdf=\"" + kRdf + "\">\n" + body +
           "\n </rdf:RDF>\n</x:xmpmeta>\n";
}
}  // namespace

// A rating is a number with at most one sign; anything else is not a rating at all.
TEST(XmpForeignValues, SecondSignIsNotANumber) {
    struct Case {
        const char* text;
        int rating;
    } cases[] = {
        {"--1", 0}, {"+-2", 0}, {"-+3", 0}, {"- 2", 0}, {"-", 0}, {"-1", -1}, {"+4", 4}, {"-.4", 0}, {".6", 1},
        {"4.", 4},  {"4.5", 4}, {"2e-1", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(parseRatingValue(c.text), c.rating) << c.text;
}

// Packets with one description per schema repeat the same binding many times; a second prefix
// declared after them still names the XMP namespace.
TEST(XmpNamespaceBindings, RepeatedBindingsDoNotHideALaterPrefix) {
    std::string body;
    for (int i = 0; i < 40; i++) body += "<rdf:Description rdf:about=\"\" xmlns:xmp=\"" + kNs + "\"/>\n";
    body += "<rdf:Description rdf:about=\"\" xmlns:xap=\"" + kNs + "\" xap:Rating=\"4\" xap:Label=\"Blue\"/>";
    const std::string t = packet(body);
    EXPECT_EQ(namespacePrefixes(t, kNs), "|xmp|xap|");
    RatingLabel r = ratingLabelFromText(t);
    EXPECT_EQ(r.rating, 4);
    EXPECT_EQ(r.label, "Blue");
    // The change lands on the existing property, not on a new one.
    const std::string changed = setProperty(t, "Rating", "2");
    EXPECT_EQ(changed.size(), t.size());
    EXPECT_NE(changed.find("xap:Rating=\"2\""), std::string::npos);
}
