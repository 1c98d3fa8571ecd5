// ReadXmpDescriptions through expat (Debian's libexpat1-dev), for the native,
// sanitizer and fuzz builds.
#include <expat.h>

#include <climits>
#include <memory>

#include "XmpCollector.h"
#include "XmpReader.h"

namespace ovs {

namespace {

// Names come as "namespace URI" + separator + "local name".
constexpr char NameSeparator = '\x01';
constexpr std::string_view XmlLang = "http://www.w3.org/XML/1998/namespace\x01lang";

struct TParse {
    XML_Parser Parser;
    TXmpCollector Collector;
};

void SplitName(const XML_Char* name, std::string_view& ns, std::string_view& local) {
    const std::string_view whole = name;
    const std::size_t at = whole.find(NameSeparator);
    ns = at == std::string_view::npos ? std::string_view() : whole.substr(0, at);
    local = at == std::string_view::npos ? whole : whole.substr(at + 1);
}

void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* parse = static_cast<TParse*>(data);
    std::string_view ns, local, lang;
    SplitName(name, ns, local);
    for (const XML_Char** a = attributes; a[0]; a += 2)
        if (XmlLang == a[0]) lang = a[1];
    if (!parse->Collector.Start(ns, local, lang)) XML_StopParser(parse->Parser, XML_FALSE);
}

void XMLCALL OnEnd(void* data, const XML_Char*) { static_cast<TParse*>(data)->Collector.End(); }

void XMLCALL OnText(void* data, const XML_Char* text, int length) {
    static_cast<TParse*>(data)->Collector.Text(std::string_view(text, static_cast<std::size_t>(length)));
}

// A packet has no business with a DTD: its entities could expand to any size
// or name files. The first sign of one ends the parse.
void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    XML_StopParser(static_cast<TParse*>(data)->Parser, XML_FALSE);
}

void XMLCALL OnEntity(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*, const XML_Char*,
                      const XML_Char*, const XML_Char*) {
    XML_StopParser(static_cast<TParse*>(data)->Parser, XML_FALSE);
}

} // namespace

std::vector<TNamedText> ReadXmpDescriptions(std::string_view packet) {
    // Writers pad the packet's section with NULs after its end.
    while (!packet.empty() && packet.back() == '\0') packet.remove_suffix(1);
    if (packet.size() > INT_MAX) return {};
    const std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(XML_ParserCreateNS(nullptr, NameSeparator),
                                                                             &XML_ParserFree);
    if (!parser) return {};
    TParse parse{parser.get(), {}};
    XML_SetUserData(parser.get(), &parse);
    XML_SetElementHandler(parser.get(), &OnStart, &OnEnd);
    XML_SetCharacterDataHandler(parser.get(), &OnText);
    XML_SetStartDoctypeDeclHandler(parser.get(), &OnDoctype);
    XML_SetEntityDeclHandler(parser.get(), &OnEntity);
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
    if (XML_Parse(parser.get(), packet.data(), static_cast<int>(packet.size()), XML_TRUE) != XML_STATUS_OK) return {};
    return parse.Collector.Found();
}

} // namespace ovs
