#include "Utf8Text.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace ovs {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
bool IsTrailByte(char b) { return (static_cast<std::uint8_t>(b) & 0xC0) == 0x80; }

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUtf16(std::wstring& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<wchar_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (c >> 10));
        out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    }
}

// The range the byte after a strict UTF-8 lead byte must lie in (the later
// trail bytes are always 0x80..0xBF); the sequence length, 0 for a byte that
// leads none.
struct TLead {
    std::size_t Length;
    std::uint8_t Low, High;
};

TLead StrictLead(std::uint8_t b) {
    if (b < 0x80) return {1, 0, 0};
    if (b >= 0xC2 && b <= 0xDF) return {2, 0x80, 0xBF};
    if (b == 0xE0) return {3, 0xA0, 0xBF};   // below: overlong
    if (b == 0xED) return {3, 0x80, 0x9F};   // above: surrogates
    if (b >= 0xE1 && b <= 0xEF) return {3, 0x80, 0xBF};
    if (b == 0xF0) return {4, 0x90, 0xBF};   // below: overlong
    if (b == 0xF4) return {4, 0x80, 0x8F};   // above: past U+10FFFF
    if (b >= 0xF1 && b <= 0xF3) return {4, 0x80, 0xBF};
    return {0, 0, 0};
}

// One strict sequence at bytes[i]: how many bytes it takes, and its code
// point, or nothing for an ill-formed one, which takes its maximal subpart.
std::size_t StrictSequence(std::string_view bytes, std::size_t i, std::optional<char32_t>& c) {
    const auto b = static_cast<std::uint8_t>(bytes[i]);
    const TLead lead = StrictLead(b);
    c.reset();
    if (lead.Length == 0) return 1;
    char32_t value = lead.Length == 1 ? b : b & (0x7F >> lead.Length);
    for (std::size_t k = 1; k < lead.Length; ++k) {
        if (i + k >= bytes.size()) return k;
        const auto trail = static_cast<std::uint8_t>(bytes[i + k]);
        const std::uint8_t low = k == 1 ? lead.Low : 0x80, high = k == 1 ? lead.High : 0xBF;
        if (trail < low || trail > high) return k;
        value = (value << 6) | (trail & 0x3F);
    }
    c = value;
    return lead.Length;
}

} // namespace

std::wstring Utf16FromUtf8Text(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    std::optional<char32_t> c;
    for (std::size_t i = 0; i < bytes.size();) {
        i += StrictSequence(bytes, i, c);
        AppendUtf16(out, c.value_or(kReplacement));
    }
    return out;
}

bool IsUtf8Text(std::string_view bytes) {
    std::optional<char32_t> c;
    for (std::size_t i = 0; i < bytes.size();) {
        i += StrictSequence(bytes, i, c);
        if (!c) return false;
    }
    return true;
}

std::size_t Utf8Cut(std::string_view utf8, std::size_t maxBytes) {
    if (maxBytes >= utf8.size()) return utf8.size();
    std::size_t cut = maxBytes;
    for (int k = 0; k < 3 && cut > 0 && IsTrailByte(utf8[cut]); ++k) --cut;
    return cut;
}

void TUtf8Index::Build(std::string_view text) {
    // Strict UTF-8 finds its way back after a fault: every byte that is no
    // trail byte starts a sequence in the parse from the text's start and in
    // the parse from that byte alike. So one parse tells every stretch that
    // starts and ends on such a byte.
    const std::size_t n = text.size();
    nextFault_.assign(n + 1, static_cast<std::uint32_t>(n));
    std::vector<bool> fault(n, false);
    std::optional<char32_t> c;
    for (std::size_t i = 0; i < n;) {
        const std::size_t length = StrictSequence(text, i, c);
        if (!c) std::fill(fault.begin() + static_cast<std::ptrdiff_t>(i), fault.begin() + static_cast<std::ptrdiff_t>(i + length), true);
        i += length;
    }
    for (std::size_t i = n; i-- > 0;) nextFault_[i] = fault[i] ? static_cast<std::uint32_t>(i) : nextFault_[i + 1];
}

bool TUtf8Index::IsUtf8(std::string_view text, std::size_t pos, std::size_t length) const {
    if (length == 0) return true;
    const std::size_t n = text.size();
    if (!IsBuiltFor(text) || pos >= n || length > n - pos) return false;
    const std::size_t end = pos + length;
    // A trail byte that is no fault lies inside a valid character: a stretch
    // starting there, or ending just before it, splits that character.
    const auto inside = [&](std::size_t i) { return i < n && IsTrailByte(text[i]) && nextFault_[i] != i; };
    return nextFault_[pos] >= end && !inside(pos) && !inside(end);
}

namespace {

std::string Utf8FromUnits(std::wstring_view units, bool strict) {
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = static_cast<char32_t>(units[i]) & 0xFFFF;
        if (IsHighSurrogate(c) && i + 1 < units.size()) {
            const char32_t next = static_cast<char32_t>(units[i + 1]) & 0xFFFF;
            if (IsLowSurrogate(next)) {
                c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
                ++i;
            }
        }
        if (strict && c >= 0xD800 && c <= 0xDFFF) c = kReplacement;
        AppendUtf8(out, c);
    }
    return out;
}

} // namespace

std::string Utf8FromUtf16(std::wstring_view units) { return Utf8FromUnits(units, false); }

std::string Utf8FromUtf16Text(std::wstring_view units) { return Utf8FromUnits(units, true); }

std::wstring Utf16FromUtf8(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<std::uint8_t>(bytes[i]);
        std::size_t length = 0;
        char32_t c = 0;
        char32_t least = 0;
        if (b < 0x80) { length = 1; c = b; }
        else if ((b & 0xE0) == 0xC0) { length = 2; c = b & 0x1F; least = 0x80; }
        else if ((b & 0xF0) == 0xE0) { length = 3; c = b & 0x0F; least = 0x800; }
        else if ((b & 0xF8) == 0xF0) { length = 4; c = b & 0x07; least = 0x10000; }
        bool valid = length != 0 && i + length <= bytes.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto trail = static_cast<std::uint8_t>(bytes[i + k]);
            if ((trail & 0xC0) != 0x80) valid = false;
            else c = (c << 6) | (trail & 0x3F);
        }
        // Overlong forms and code points past U+10FFFF name nothing.
        if (valid && length > 1 && (c < least || c > 0x10FFFF)) valid = false;
        if (!valid) {
            out += static_cast<wchar_t>(kReplacement);
            ++i;
            continue;
        }
        AppendUtf16(out, c);
        i += length;
    }
    return out;
}

} // namespace ovs
