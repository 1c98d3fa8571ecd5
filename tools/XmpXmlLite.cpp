// ReadXmpDescriptions through XmlLite, the XML reader Windows has carried
// since XP SP3 / Vista (and Wine implements), for ovsinfo.exe. CreateXmlReader
// is fetched at run time, so that the tool starts where xmllite.dll is
// missing and then only reads no XMP. It is looked up here rather than among
// the shell extension's run-time imports: only ovsinfo reads XMP.
// https://learn.microsoft.com/windows/win32/api/xmllite/nf-xmllite-createxmlreader
// https://learn.microsoft.com/windows/win32/api/xmllite/ne-xmllite-xmlreaderproperty
#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <climits>
#include <string>

#include "ComPtr.h"
#include "RunTimeImports.h"
#include "Utf8Text.h"
#include "XmpCollector.h"
#include "XmpReader.h"

namespace ovs {

namespace {

using TCreateXmlReader = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

std::string Utf8(const wchar_t* text, UINT length) {
    return text ? Utf8FromUtf16Text(std::wstring_view(text, length)) : std::string();
}

// The element the reader stands on, handed to the collector.
bool StartElement(IXmlReader* reader, TXmpCollector& collector) {
    const wchar_t* ns = nullptr;
    const wchar_t* local = nullptr;
    UINT nsLength = 0, localLength = 0;
    if (FAILED(reader->GetNamespaceUri(&ns, &nsLength)) || FAILED(reader->GetLocalName(&local, &localLength)))
        return false;
    const std::string nsText = Utf8(ns, nsLength), localText = Utf8(local, localLength);
    const bool empty = reader->IsEmptyElement() != FALSE;
    std::string lang;
    if (reader->MoveToAttributeByName(L"lang", L"http://www.w3.org/XML/1998/namespace") == S_OK) {
        const wchar_t* value = nullptr;
        UINT length = 0;
        if (SUCCEEDED(reader->GetValue(&value, &length))) lang = Utf8(value, length);
        reader->MoveToElement();
    }
    if (!collector.Start(nsText, localText, lang)) return false;
    // An empty element has no end tag of its own.
    if (empty) collector.End();
    return true;
}

bool Parse(IXmlReader* reader, TXmpCollector& collector) {
    XmlNodeType type;
    HRESULT hr;
    while ((hr = reader->Read(&type)) == S_OK) {
        switch (type) {
        case XmlNodeType_Element:
            if (!StartElement(reader, collector)) return false;
            break;
        case XmlNodeType_EndElement: collector.End(); break;
        case XmlNodeType_Text:
        case XmlNodeType_CDATA:
        case XmlNodeType_Whitespace: {
            const wchar_t* value = nullptr;
            UINT length = 0;
            if (FAILED(reader->GetValue(&value, &length))) return false;
            collector.Text(Utf8(value, length));
            break;
        }
        default: break;
        }
    }
    // S_FALSE: the end of the input; anything else is a parse error.
    return hr == S_FALSE;
}

} // namespace

std::vector<TNamedText> ReadXmpDescriptions(std::string_view packet) {
    static const auto create = RunTime::Find<TCreateXmlReader>("xmllite.dll", "CreateXmlReader");
    while (!packet.empty() && packet.back() == '\0') packet.remove_suffix(1);
    if (!create || packet.size() > UINT_MAX / 2) return {};
    TComPtr<IXmlReader> reader;
    if (FAILED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(reader.put()), nullptr)) || !reader) return {};
    TComPtr<IStream> stream;
    *stream.put() = SHCreateMemStream(reinterpret_cast<const BYTE*>(packet.data()), static_cast<UINT>(packet.size()));
    if (!stream) return {};
    // A DTD is refused outright (no entity is ever expanded); the depth cap
    // is the collector's own, so that both parsers stop at the same depth.
    if (FAILED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) ||
        FAILED(reader->SetProperty(XmlReaderProperty_MaxElementDepth, XmpMaxDepth + 1)) ||
        FAILED(reader->SetInput(stream.get())))
        return {};
    TXmpCollector collector;
    if (!Parse(reader.get(), collector)) return {};
    return collector.Found();
}

} // namespace ovs
