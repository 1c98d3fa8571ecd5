// Text as an image's writer stored it (an IPTC caption and the other record
// texts), decoded to UTF-16 for display. Current writers store UTF-8 and may
// say so; older ones stored the bytes of their system's ANSI code page. No
// Windows needed: the host says how its ANSI code page decodes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ovs {

// The UTF-16 units (held in wchar_t, as Utf8Text holds them) of bytes in the
// system's ANSI code page.
using TAnsiDecoder = std::wstring (*)(std::string_view bytes);

// Windows-1252: the ANSI code page of Western Windows, standing in for it
// where there is no Windows. The five bytes it leaves undefined map to the
// code point of the same value, as Windows converts them.
std::wstring Utf16FromWindows1252(std::string_view bytes);

// The text the bytes show:
//  - declaredUtf8 (the writer said UTF-8): strict UTF-8, U+FFFD for each
//    ill-formed sequence;
//  - otherwise, bytes that are valid UTF-8 and hold a non-ASCII character
//    are UTF-8 (another code page rarely makes such sequences by chance);
//  - otherwise the ANSI code page, through ansi.
std::wstring DecodeStoredText(std::string_view bytes, bool declaredUtf8, TAnsiDecoder ansi);

// Whether DecodeStoredText takes the bytes as UTF-8. A value shown only in
// part is judged whole, and its part then decoded by DecodeStoredTextAs:
// the part alone may judge otherwise (a cut inside a character, or a
// non-UTF-8 tail cut away).
bool IsStoredUtf8(std::string_view bytes, bool declaredUtf8);
std::wstring DecodeStoredTextAs(std::string_view bytes, bool utf8, TAnsiDecoder ansi);

// At most maxBytes of a stored text, ending on a character boundary when the
// text is UTF-8 (as IsStoredUtf8 judged it).
std::string_view CutStoredText(std::string_view bytes, std::size_t maxBytes, bool utf8);

} // namespace ovs
