// UTF-16 names in an 8-bit form and back, for code that carries paths as byte
// strings (the image reader) while the NT family names files in UTF-16. A
// file name may hold an unpaired surrogate, which is still a valid name: it
// is kept as its own three-byte sequence (the generalised UTF-8 form), so
// every UTF-16 name comes back unit for unit. No Windows needed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// Text that a writer stored as UTF-16, for display: an unpaired surrogate
// becomes U+FFFD, so the result is always strict UTF-8.
std::string Utf8FromUtf16Text(std::wstring_view units);

// Whether the bytes are strict UTF-8 throughout.
bool IsUtf8Text(std::string_view bytes);

// How many bytes of utf8 (strict UTF-8 text) a cut after at most maxBytes
// keeps when it may not split a character: maxBytes, or up to three fewer.
std::size_t Utf8Cut(std::string_view utf8, std::size_t maxBytes);

// Tells for any stretch of one text whether it is strict UTF-8, each answer
// in constant time after one pass over the text: a crafted block can name
// the whole of itself in thousands of values, and each needs the answer.
// The index belongs to one text; Build it again when the text changes.
class TUtf8Index {
public:
    void Build(std::string_view text);
    void Clear() { nextFault_.clear(); }
    bool IsBuiltFor(std::string_view text) const { return nextFault_.size() == text.size() + 1; }
    // The stretch of text at pos (0-based) of length bytes.
    bool IsUtf8(std::string_view text, std::size_t pos, std::size_t length) const;

private:
    // For each position, the first byte at or after it that belongs to no
    // valid character (the text's size when none).
    std::vector<std::uint32_t> nextFault_;
};

} // namespace ovs
