#include "StoredText.h"

#include <algorithm>

#include "Utf8Text.h"

namespace ovs {

namespace {

constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool IsAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

std::wstring Utf16FromWindows1252(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out += static_cast<wchar_t>(b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : b);
    }
    return out;
}

bool IsStoredUtf8(std::string_view bytes, bool declaredUtf8) {
    return declaredUtf8 || (!IsAscii(bytes) && IsUtf8Text(bytes));
}

std::wstring DecodeStoredTextAs(std::string_view bytes, bool utf8, TAnsiDecoder ansi) {
    if (utf8) return Utf16FromUtf8Text(bytes);
    return ansi ? ansi(bytes) : Utf16FromWindows1252(bytes);
}

std::wstring DecodeStoredText(std::string_view bytes, bool declaredUtf8, TAnsiDecoder ansi) {
    return DecodeStoredTextAs(bytes, IsStoredUtf8(bytes, declaredUtf8), ansi);
}

std::string_view CutStoredText(std::string_view bytes, std::size_t maxBytes, bool utf8) {
    return bytes.substr(0, utf8 ? Utf8Cut(bytes, maxBytes) : maxBytes);
}

} // namespace ovs
