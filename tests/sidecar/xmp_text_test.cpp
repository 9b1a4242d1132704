// The text-level XMP editor: what it finds, what it changes, and that nothing else moves.
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

int ratingOf(const std::string& text) {
    return parseRatingValue(getProperty(text, "Rating", namespacePrefixes(text, kNs)));
}

// Asserts that a and b differ only inside [from, from + oldLen) of a.
void expectOnlyChanged(const std::string& a, const std::string& b, size_t from, size_t oldLen) {
    ASSERT_GE(b.size() + oldLen, from);
    EXPECT_EQ(a.substr(0, from), b.substr(0, from));
    size_t tail = a.size() - from - oldLen;
    EXPECT_EQ(a.substr(a.size() - tail), b.substr(b.size() - tail));
}

}  // namespace

TEST(XmpLexical, CommentAndCdataSpans) {
    const std::string t = "a<!-- x -->b<![CDATA[ y ]]>c<!-- open";
    EXPECT_FALSE(isInsideCommentOrCdata(t, 0));
    EXPECT_TRUE(isInsideCommentOrCdata(t, 1));    // the "<" of "<!--" itself
    EXPECT_TRUE(isInsideCommentOrCdata(t, 10));   // the final ">" of "-->"
    EXPECT_FALSE(isInsideCommentOrCdata(t, 11));  // b
    EXPECT_TRUE(isInsideCommentOrCdata(t, 14));
    EXPECT_FALSE(isInsideCommentOrCdata(t, t.find('c')));
    EXPECT_TRUE(isInsideCommentOrCdata(t, t.size() - 1));  // unterminated runs to the end
    // A "-->" inside the opener does not close it.
    EXPECT_TRUE(isInsideCommentOrCdata("<!-->x-->", 5));
}

TEST(XmpLexical, TagEndSkipsQuotedValues) {
    const std::string t = "<a b=\"x>y\" c='>'>rest";
    EXPECT_EQ(tagEnd(t, 0), t.find(">rest"));
    EXPECT_EQ(tagEnd("<a b=\"unclosed>", 0), kNoPos);
    EXPECT_EQ(tagEnd("<a", 0), kNoPos);
}

TEST(XmpLexical, AttributeValueNeedsEqualsAndMatchingQuote) {
    size_t vs = 0, vl = 0;
    std::string t = "n \t=\r\n 'it\"s'";
    ASSERT_TRUE(attributeValueAt(t, 1, &vs, &vl));
    EXPECT_EQ(t.substr(vs, vl), "it\"s");
    EXPECT_FALSE(attributeValueAt("n 'x'", 1, &vs, &vl));
    EXPECT_FALSE(attributeValueAt("n=x", 1, &vs, &vl));
    EXPECT_FALSE(attributeValueAt("n=\"x", 1, &vs, &vl));
}

TEST(XmpLexical, EscapingOrderRoundTrips) {
    EXPECT_EQ(xmlEscape("a&b<c>\"d'"), "a&amp;b&lt;c&gt;&quot;d&apos;");
    EXPECT_EQ(xmlUnescape("&amp;lt; &lt;&gt;&quot;&apos; &#65;"), "&lt; <>\"' &#65;");
    for (std::string s : {"&lt;", "R&D \"x\"", "<&>", "plain"}) EXPECT_EQ(xmlUnescape(xmlEscape(s)), s);
}

TEST(XmpNamespaces, CollectsEveryBoundPrefixOnce) {
    std::string t = "<d xmlns:xmp='" + kNs + "' xmlns:xap=\"HTTP://NS.ADOBE.COM/XAP/1.0/\"/>" +
                    "<e xmlns:xmp=\"" + kNs + "\" xmlns:xmpMM=\"" + kNs + "mm/\"/>" +
                    "<!-- xmlns:c=\"" + kNs + "\" --><f xmlns:=\"" + kNs + "\" xmlns:g \"" + kNs + "\"/>";
    EXPECT_EQ(namespacePrefixes(t, kNs), "|xmp|xap|");
    EXPECT_EQ(namespacePrefixes(t, "urn:none"), "");
}

TEST(XmpFind, AttributeLocation) {
    //                    0123456789012345678901234
    const std::string t = "<d a='1'\n\t xmp:Rating = \"4\"/>";
    PropertyLocation loc = findProperty(t, "Rating", "|xmp|", 0);
    ASSERT_EQ(loc.kind, PropertyForm::Attribute);
    EXPECT_EQ(loc.matchPos, 11u);
    EXPECT_EQ(t.substr(loc.valueStart, loc.valueLen), "4");
    EXPECT_EQ(loc.removeStart, 8u);  // backs over "\n\t "
    EXPECT_EQ(t.substr(loc.removeStart, loc.removeLen), "\n\t xmp:Rating = \"4\"");
}

TEST(XmpFind, ElementLocation) {
    const std::string t = "<d>\n  <xmp:Label a=\">\">Red</xmp:Label>\n</d>";
    PropertyLocation loc = findProperty(t, "Label", "|xmp|", 0);
    ASSERT_EQ(loc.kind, PropertyForm::Element);
    EXPECT_EQ(loc.matchPos, t.find("<xmp:Label"));
    EXPECT_EQ(t.substr(loc.valueStart, loc.valueLen), "Red");
    EXPECT_EQ(t.substr(loc.removeStart, loc.removeLen), "\n  <xmp:Label a=\">\">Red</xmp:Label>");
}

TEST(XmpFind, RejectsLongerNamesHiddenTextAndValuelessForms) {
    const std::string t = "<d xmp:RatingX=\"9\" axmp:Rating=\"8\">"
                          "<!-- xmp:Rating=\"7\" <xmp:Rating>7</xmp:Rating> -->"
                          "<![CDATA[ xmp:Rating=\"6\" ]]>"
                          "<xmp:Rating/> <xmp:Ratings>5</xmp:Ratings> xmp:Rating \"3\"</d>";
    EXPECT_FALSE(findProperty(t, "Rating", "|xmp|", 0).found());
    // Without an end tag an element is a miss.
    EXPECT_FALSE(findProperty("<d><xmp:Rating>2</d>", "Rating", "|xmp|", 0).found());
    // An undeclared or empty prefix list finds nothing at all.
    EXPECT_FALSE(findProperty("<d xmp:Rating=\"2\"/>", "Rating", "", 0).found());
}

TEST(XmpFind, EarliestCandidateWinsAcrossPrefixesAndForms) {
    const std::string t = "<d>\n <xap:Rating>2</xap:Rating>\n</d><e xmp:Rating=\"5\"/>";
    PropertyLocation loc = findProperty(t, "Rating", "|xmp|xap|", 0);
    ASSERT_TRUE(loc.found());
    EXPECT_EQ(t.substr(loc.valueStart, loc.valueLen), "2");
    loc = findProperty(t, "Rating", "|xmp|xap|", loc.valueStart + loc.valueLen);
    ASSERT_TRUE(loc.found());
    EXPECT_EQ(t.substr(loc.valueStart, loc.valueLen), "5");
}

TEST(XmpSet, AttributeChangeTouchesOnlyTheValue) {
    const std::string t = packet("  <rdf:Description rdf:about=\"\" xmlns:xmp=\"" + kNs +
                                 "\"\n   xmp:Rating=\"2\" xmp:Label=\"Red\"/>");
    std::string u = setProperty(t, "Rating", "4");
    size_t at = t.find("xmp:Rating=\"2\"") + 12;
    ASSERT_EQ(u.size(), t.size());
    expectOnlyChanged(t, u, at, 1);
    EXPECT_EQ(u[at], '4');
}

TEST(XmpSet, ElementFormAndForeignPrefixAreUpdatedInPlace) {
    const std::string t = packet("  <rdf:Description rdf:about=\"\"\n    xmlns:xap=\"" + kNs +
                                 "\">\n   <xap:Rating>3</xap:Rating>\n  </rdf:Description>");
    std::string u = setProperty(t, "Rating", "-1");
    size_t at = t.find(">3<") + 1;
    expectOnlyChanged(t, u, at, 1);
    EXPECT_NE(u.find("<xap:Rating>-1</xap:Rating>"), std::string::npos);
}

TEST(XmpSet, EveryOccurrenceChangesAndRemovalTakesItsWhitespace) {
    const std::string t = packet("  <rdf:Description xmlns:xmp=\"" + kNs +
                                 "\"\n   xmp:Label=\"Red\"/>\n  <rdf:Description xmlns:xmp=\"" + kNs +
                                 "\">\n   <xmp:Label>Blue</xmp:Label>\n  </rdf:Description>");
    std::string changed = setProperty(t, "Label", "Green");
    EXPECT_NE(changed.find("xmp:Label=\"Green\"/>"), std::string::npos);
    EXPECT_NE(changed.find("<xmp:Label>Green</xmp:Label>"), std::string::npos);
    EXPECT_EQ(changed.find("Red"), std::string::npos);

    std::string removed = setProperty(t, "Label", "");
    const std::string expected = packet("  <rdf:Description xmlns:xmp=\"" + kNs +
                                        "\"/>\n  <rdf:Description xmlns:xmp=\"" + kNs +
                                        "\">\n  </rdf:Description>");
    EXPECT_EQ(removed, expected);
    EXPECT_EQ(setProperty(removed, "Label", ""), removed);  // removing what is absent changes nothing
}

TEST(XmpSet, HiddenOccurrencesStayAndTheValueIsEscaped) {
    const std::string t = packet("  <!-- <rdf:Description xmp:Label=\"Old\"/> -->\n"
                                 "  <rdf:Description xmlns:xmp=\"" + kNs + "\" xmp:Label=\"A\">"
                                 "<![CDATA[ xmp:Label=\"C\" ]]></rdf:Description>");
    std::string u = setProperty(t, "Label", "R&D \"1\"");
    EXPECT_NE(u.find("<!-- <rdf:Description xmp:Label=\"Old\"/> -->"), std::string::npos);
    EXPECT_NE(u.find("<![CDATA[ xmp:Label=\"C\" ]]>"), std::string::npos);
    EXPECT_NE(u.find("xmp:Label=\"R&amp;D &quot;1&quot;\""), std::string::npos);
}

TEST(XmpInsert, SelfClosingDescriptionGetsNamespaceAndAttribute) {
    const std::string desc = "  <rdf:Description rdf:about=\"\"\n    xmlns:fstop=\"http://www.fstopapp.com/xmp/\"\n"
                             "   fstop:favorite=\"1\"";
    const std::string t = packet(desc + "/>");
    const std::string expected =
        packet(desc + "\r\n   xmlns:xmp=\"" + kNs + "\"\r\n   xmp:Rating=\"3\"/>");
    EXPECT_EQ(setProperty(t, "Rating", "3"), expected);
}

TEST(XmpInsert, ElementFormWhenTheDocumentUsesIt) {
    const std::string t = packet("  <rdf:Description rdf:about=\"\" xmlns:xmp=\"" + kNs +
                                 "\">\n   <xmp:Rating>2</xmp:Rating>\n  </rdf:Description>");
    const std::string expected =
        packet("  <rdf:Description rdf:about=\"\" xmlns:xmp=\"" + kNs +
               "\">\n   <xmp:Rating>2</xmp:Rating>\n<xmp:Label>Red</xmp:Label>\r\n  </rdf:Description>");
    EXPECT_EQ(setProperty(t, "Label", "Red"), expected);
}

TEST(XmpInsert, ElementGoesBeforeTheEndTagOfItsOwnDescription) {
    // A struct value holds a nested description; the new element belongs to the outer one.
    const std::string head = "  <rdf:Description rdf:about=\"\" xmlns:xmp=\"" + kNs +
                             "\" xmlns:e=\"urn:e\">\n   <xmp:Rating>2</xmp:Rating>\n   <e:S><rdf:Bag><rdf:li>\n"
                             "    <rdf:Description e:a=\"1\">\n     <e:b>x</e:b>\n    </rdf:Description>\n"
                             "    <rdf:Description e:a=\"2\"/>\n   </rdf:li></rdf:Bag></e:S>\n";
    const std::string t = packet(head + "  </rdf:Description>");
    EXPECT_EQ(setProperty(t, "Label", "Red"), packet(head + "<xmp:Label>Red</xmp:Label>\r\n  </rdf:Description>"));
}

TEST(XmpInsert, AttributeFormIntoTheDescriptionThatDeclaresXmp) {
    const std::string first = "  <rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
                              "<dc:format>image/x</dc:format></rdf:Description>\n";
    const std::string second = "  <rdf:Description rdf:about=\"\" xmlns:xap=\"" + kNs + "\" xap:CreatorTool=\"t\"";
    const std::string t = packet(first + second + "/>");
    EXPECT_EQ(setProperty(t, "Label", "Yellow"), packet(first + second + "\r\n   xap:Label=\"Yellow\"/>"));
}

TEST(XmpInsert, UndeclaredPropertyIsDeclaredAndChangedNotDuplicated) {
    const std::string t = packet("<rdf:Description rdf:about=\"\" xmp:Rating=\"2\"/>");
    EXPECT_EQ(ratingOf(t), 0);  // an undeclared prefix is not read ...
    std::string u = setProperty(t, "Rating", "4");
    EXPECT_EQ(u, packet("<rdf:Description rdf:about=\"\" xmp:Rating=\"4\"\r\n   xmlns:xmp=\"" + kNs + "\"/>"));
    EXPECT_EQ(ratingOf(u), 4);  // ... but once declared it must carry the new value
}

// "xmp" bound to another namespace: that namespace's Rating is not ours to read or change, and
// ours is declared under a prefix that is free, never as a second "xmlns:xmp".
TEST(XmpInsert, PrefixBoundToAnotherNamespaceIsLeftAlone) {
    const std::string other = "xmlns:xmp=\"http://example.com/other/\"";
    const std::string ours = "xmlns:xmp=\"" + kNs + "\"";
    struct Case {
        std::string before, after;  // the packet bodies
        int ratingBefore;
    } cases[] = {
        // only the other namespace: a free prefix for ours
        {"<rdf:Description rdf:about=\"\" " + other + " xmp:Rating=\"7\"/>",
         "<rdf:Description rdf:about=\"\" " + other + " xmp:Rating=\"7\"\r\n   xmlns:xmp1=\"" + kNs +
             "\"\r\n   xmp1:Rating=\"3\"/>",
         0},
        // "xmp1" is taken too
        {"<rdf:Description rdf:about=\"\" " + other + " xmlns:xmp1=\"urn:x\" xmp:Rating=\"7\"/>",
         "<rdf:Description rdf:about=\"\" " + other + " xmlns:xmp1=\"urn:x\" xmp:Rating=\"7\"\r\n   xmlns:xmp2=\"" +
             kNs + "\"\r\n   xmp2:Rating=\"3\"/>",
         0},
        // one description each: only ours changes, in whichever order they come
        {"<rdf:Description " + other + " xmp:Rating=\"7\"/>\n<rdf:Description " + ours + " xmp:Rating=\"1\"/>",
         "<rdf:Description " + other + " xmp:Rating=\"7\"/>\n<rdf:Description " + ours + " xmp:Rating=\"3\"/>", 1},
        {"<rdf:Description " + ours + "><xmp:Rating>1</xmp:Rating></rdf:Description>\n<rdf:Description " + other +
             "><xmp:Rating>7</xmp:Rating></rdf:Description>",
         "<rdf:Description " + ours + "><xmp:Rating>3</xmp:Rating></rdf:Description>\n<rdf:Description " + other +
             "><xmp:Rating>7</xmp:Rating></rdf:Description>",
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        const std::string t = packet(c.before);
        EXPECT_EQ(ratingOf(t), c.ratingBefore);
        std::string u = setProperty(t, "Rating", "3");
        EXPECT_EQ(u, packet(c.after));
        EXPECT_EQ(ratingOf(u), 3);
        EXPECT_EQ(setProperty(u, "Rating", "3"), u);  // a second write finds ours, adds nothing
    }
}

TEST(XmpInsert, OtherRdfPrefixAndNoDescription) {
    const std::string t = "<r:RDF xmlns:r=\"" + kRdf + "\"><r:Description r:about=\"\"></r:Description></r:RDF>";
    EXPECT_EQ(setProperty(t, "Rating", "1"), "<r:RDF xmlns:r=\"" + kRdf + "\"><r:Description r:about=\"\"\r\n"
                                             "   xmlns:xmp=\"" + kNs + "\"\r\n   xmp:Rating=\"1\">"
                                             "</r:Description></r:RDF>");
    EXPECT_EQ(findDescription(packet("<!-- <rdf:Description/> -->"), ""), kNoPos);
    EXPECT_EQ(setProperty(packet("  <rdf:Bag/>"), "Rating", "1"), "");
    EXPECT_EQ(setProperty("", "Rating", "1"), "");
}

// A rating is a number with at most one sign, clamped to -1..5; anything else is no rating.
TEST(XmpValues, RatingConversion) {
    struct Case {
        const char* text;
        int rating;
    } cases[] = {
        {"3", 3},   {" 4 ", 4}, {"7", 5},    {"-3", -1},   {"abc", 0}, {"", 0},   {"5.0", 5},
        {"2.5", 2}, {"3.5", 4}, {"-0.5", 0}, {"+2", 2},    {"1e1", 5}, {"nan", 0}, {"inf", 0},
        {"0x3", 0}, {"3abc", 0}, {"&#51;", 0}, {"\n2\n", 2}, {"--1", 0}, {"+-2", 0}, {"-+3", 0}, {"- 2", 0},
        {"-", 0},   {"-1", -1}, {"-.4", 0}, {".6", 1},    {"4.", 4},  {"4.5", 4}, {"2e-1", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(parseRatingValue(c.text), c.rating) << c.text;
}

TEST(XmpValues, NewSidecarTemplate) {
    const std::string head = "<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\r\n"
                             "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\r\n"
                             "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\r\n"
                             "<rdf:Description rdf:about=\"\"\r\n"
                             "   xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\"\r\n";
    const std::string tail = "/>\r\n</rdf:RDF>\r\n</x:xmpmeta>\r\n<?xpacket end=\"w\"?>";
    EXPECT_EQ(newSidecarText(3, "Red"), head + "   xmp:Rating=\"3\"\r\n   xmp:Label=\"Red\"" + tail);
    EXPECT_EQ(newSidecarText(-1, "  "), head + "   xmp:Rating=\"-1\"" + tail);
    // A label taken over from elsewhere cannot break the markup.
    EXPECT_NE(newSidecarText(0, "a\"b").find("xmp:Label=\"a&quot;b\""), std::string::npos);
}

TEST(XmpInsert, BrokenMarkupNeverLoops) {
    // "<" is not allowed inside an attribute value; a comment opened there swallows whatever is
    // inserted into the tag, and the editor must still come back with an answer.
    const std::string t = packet("<rdf:Description xmp:Rating=\"2\" a=\"<!--\"/>");
    std::string u = setProperty(t, "Rating", "4");
    EXPECT_GT(u.size(), t.size());
    EXPECT_EQ(setProperty(t, "Label", ""), t);
}

// [SECTION] bindings other tools write
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
