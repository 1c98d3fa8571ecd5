// UTF-16 names in an 8-bit form and back, for code that carries paths as byte
// strings (the image reader) while the NT family names files in UTF-16. A
// file name may hold an unpaired surrogate, which is still a valid name: it
// is kept as its own three-byte sequence (the generalised UTF-8 form), so
// every UTF-16 name comes back unit for unit. No Windows needed.
#pragma once

#include <string>
#include <string_view>

namespace ovs {

// Units are UTF-16 code units held in wchar_t (16 bits on Windows).
std::string Utf8FromUtf16(std::wstring_view units);

// The inverse of Utf8FromUtf16; a byte that starts no valid sequence becomes
// U+FFFD (such text never came from Utf8FromUtf16).
std::wstring Utf16FromUtf8(std::string_view bytes);

// Text that a writer stored as UTF-8, for display: strict UTF-8, where
// overlong forms, surrogates and code points past U+10FFFF are invalid. Each
// maximal ill-formed subsequence (a lead byte and the trail bytes that could
// still have completed it, or a lone byte) becomes one U+FFFD, so nothing is
// dropped silently and no valid character is swallowed.
std::wstring Utf16FromUtf8Text(std::string_view bytes);

// Whether the bytes are strict UTF-8 throughout.
bool IsUtf8Text(std::string_view bytes);

} // namespace ovs
