// The descriptions only ovsinfo shows: the XP* tags and an XMP packet read by
// the tree's XML parser (expat natively, XmlLite under Wine), on what writers
// store and on what a hostile file may hold.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "XmpReader.h"
#include "XpTags.h"
#include "support/ImageBuilder.h"

namespace ovs {
namespace {

std::string Shown(const std::vector<TNamedText>& found) {
    std::string out;
    for (const TNamedText& t : found) out += t.Name + "=" + t.Text + ";";
    return out;
}

std::string Packet(const std::string& properties, const std::string& prologue = "") {
    return prologue +
           "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
           "<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/'>" +
           properties + "</rdf:Description></rdf:RDF></x:xmpmeta>";
}

std::string Alt(const std::string& property, const std::string& items) {
    return "<dc:" + property + "><rdf:Alt>" + items + "</rdf:Alt></dc:" + property + ">";
}

std::string Repeat(const std::string& piece, size_t times) {
    std::string out;
    for (size_t n = 0; n < times; ++n) out += piece;
    return out;
}

TEST(Descriptions, XmpGivesTheDublinCoreTexts) {
    const std::string title = Alt("title", "<rdf:li xml:lang='de'>Hafen</rdf:li><rdf:li xml:lang='x-default'>Harbour</rdf:li>");
    const std::string full = title + Alt("description", "<rdf:li xml:lang='en'>Boats &amp; <![CDATA[<nets>]]></rdf:li>") +
                             "<dc:subject><rdf:Bag><rdf:li>sea</rdf:li><rdf:li>boat</rdf:li></rdf:Bag></dc:subject>"
                             "<dc:creator><rdf:Seq><rdf:li>Eva \xC3\x85str\xC3\xB6m</rdf:li></rdf:Seq></dc:creator>";
    const std::string laughs = "<!DOCTYPE x [<!ENTITY a 'aaaaaaaaaa'><!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;'>"
                               "<!ENTITY c '&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;'>]>";
    struct Case {
        const char* what;
        std::string packet;
        std::string shown;
    } cases[] = {
        {"all four", Packet(full), "dc:title=Harbour;dc:description=Boats & <nets>;dc:subject=sea;dc:creator=Eva \xC3\x85str\xC3\xB6m;"},
        {"packet wrapper and NUL padding", "<?xpacket begin='\xEF\xBB\xBF' id='W5M0MpCehiHzreSzNTczkc9d'?>" +
             Packet(title) + "<?xpacket end='w'?>" + std::string(40, '\0'), "dc:title=Harbour;"},
        {"description without rdf:Alt", Packet("<dc:description>plain</dc:description>" + title), "dc:title=Harbour;"},
        {"description in the wrong container",
         Packet("<dc:description><rdf:Bag><rdf:li>x</rdf:li></rdf:Bag></dc:description>"), ""},
        {"other namespace", Packet("<d:title xmlns:d='urn:other'><rdf:Alt><rdf:li>x</rdf:li></rdf:Alt></d:title>"), ""},
        {"nested element text is not the item's",
         Packet(Alt("title", "<rdf:li>a<b:x xmlns:b='urn:b'>hidden</b:x>b</rdf:li>")), "dc:title=ab;"},
        {"long text cut on a character", Packet(Alt("title", "<rdf:li>x" + Repeat("\xE6\x97\xA5", 30) + "</rdf:li>")),
         "dc:title=x" + Repeat("\xE6\x97\xA5", 16) + ";"},
        {"not well-formed", Packet(title + "<dc:creator>"), ""},
#ifdef _WIN32
        // Wine's XmlLite passes an undeclared entity through as its own text,
        // where Windows' fails with WC_E_UNDECLAREDENTITY; neither expands it.
        {"undeclared entity", Packet(Alt("title", "<rdf:li>&bogus;</rdf:li>")), "dc:title=&bogus;;"},
#else
        {"undeclared entity", Packet(Alt("title", "<rdf:li>&bogus;</rdf:li>")), ""},
#endif
        {"entities declared", Packet(Alt("title", "<rdf:li>&c;</rdf:li>"), laughs), ""},
        {"external entity", Packet(Alt("title", "<rdf:li>&e;</rdf:li>"), "<!DOCTYPE x [<!ENTITY e SYSTEM '/etc/passwd'>]>"), ""},
        {"64 KB of nesting", Packet(title + Repeat("<a>", 21000) + Repeat("</a>", 21000)), ""},
        {"nesting at the cap", Packet(title + Repeat("<a>", XmpMaxDepth - 3) + Repeat("</a>", XmpMaxDepth - 3)),
         "dc:title=Harbour;"},
        {"empty", "", ""},
        {"binary", std::string("\xFF\xFE\0<\0x", 6), ""},
    };
    for (const Case& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Shown(ReadXmpDescriptions(c.packet)), c.shown) << c.what;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << c.what;
    }
}

std::string Utf16Le(std::u16string_view text) {
    std::string out;
    for (const char16_t u : text) out += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
    return out;
}

TEST(Descriptions, XpTagsAreUtf16TextOfTheFirstDirectory) {
    const std::string pair = Utf16Le(u"\U0001F334");
    struct Case {
        const char* what;
        std::string bytes;
        std::string shown;
    } cases[] = {
        {"terminated", Utf16Le(u"Title") + std::string(2, '\0') + "junk", "Title"},
        {"no terminator", Utf16Le(u"\u00C5r 2023"), "\xC3\x85r 2023"},
        {"odd byte count", Utf16Le(u"ab") + "c", "ab\xEF\xBF\xBD"},
        {"lone surrogates", Utf16Le(u"a") + std::string("\x00\xD8", 2) + Utf16Le(u"b") + std::string("\x00\xDC", 2), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD"},
        {"pair kept whole", pair + Utf16Le(u"x"), "\xF0\x9F\x8C\xB4x"},
        {"cut after 25 units", Utf16Le(std::u16string(30, u'\u00E9')), Repeat("\xC3\xA9", 25)},
        {"cut inside a pair", Utf16Le(std::u16string(24, u'x')) + pair, std::string(24, 'x')},
        {"empty", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(XpText(c.bytes), c.shown) << c.what;

    // Where they are looked for: the first directory where the header puts
    // it, BYTE or UNDEFINED, values inside the block only.
    test::TiffBuilder b(true);
    const std::string title = Utf16Le(u"Titel") + std::string(2, '\0');
    const std::string tiff = b.Build({{{0x9C9B, 1, static_cast<uint32_t>(title.size()), title},
                                 {0x9C9D, 7, 2, Utf16Le(u"E")},
                                 {0x9C9C, 3, 1, b.U16(7)}}});
    EXPECT_EQ(Shown(ReadXpTags(tiff)), "XPTitle=Titel;XPAuthor=E;");
    const std::string inline_ = b.Build({{{0x9C9F, 1, 4, Utf16Le(u"ok")}}});
    const std::string moved = inline_.substr(0, 4) + b.U32(16) + std::string(8, '\0') + inline_.substr(8);
    EXPECT_EQ(Shown(ReadXpTags(moved)), "XPSubject=ok;");
    const std::string broken[] = {tiff.substr(0, 20), tiff.substr(0, 4) + b.U32(0) + tiff.substr(8),
                                  tiff.substr(0, 4) + b.U32(4) + tiff.substr(8), tiff.substr(0, 4) + b.U32(0xFFFFFFF0) + tiff.substr(8),
                                  "XX" + tiff.substr(2)};
    for (const std::string& bytes : broken) EXPECT_EQ(Shown(ReadXpTags(bytes)), "") << testing::PrintToString(bytes);
}

} // namespace
} // namespace ovs
