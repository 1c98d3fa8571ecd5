#include "WinText.h"

#include <climits>

namespace ovs {

std::wstring WideFromAnsi(std::string_view text, UINT codePage) {
    if (text.empty() || text.size() > INT_MAX) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

namespace {

// No used-default flag is asked for: Windows refuses it for CP_UTF8 (a
// system may run with UTF-8 as its ANSI code page), and the round trip below
// tells an exact form apart anyway.
std::string AnsiOf(std::wstring_view text, UINT codePage) {
    if (text.empty() || text.size() > INT_MAX) return {};
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string ansi(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, ansi.data(), length, nullptr, nullptr);
    return ansi;
}

} // namespace

std::optional<std::string> ExactAnsiOf(std::wstring_view text, UINT codePage) {
    if (text.empty()) return std::string();
    // Only a form that converts back to the very same text names the same
    // file: this catches the default character and best-fit mappings on
    // every Windows (the WC_NO_BEST_FIT_CHARS flag is unknown to NT 4).
    std::string ansi = AnsiOf(text, codePage);
    if (ansi.empty() || WideFromAnsi(ansi, codePage) != text) return std::nullopt;
    return ansi;
}

std::string ExactAnsiOrPlaceholders(std::wstring_view text, char placeholder) {
    if (std::optional<std::string> exact = ExactAnsiOf(text)) return *exact;
    std::string shown;
    for (size_t i = 0; i < text.size();) {
        const bool pair = i + 1 < text.size() && text[i] >= 0xD800 && text[i] <= 0xDBFF && text[i + 1] >= 0xDC00 &&
                          text[i + 1] <= 0xDFFF;
        const size_t length = pair ? 2 : 1;
        const std::optional<std::string> one = ExactAnsiOf(text.substr(i, length));
        shown += one ? *one : std::string(1, placeholder);
        i += length;
    }
    return shown;
}

std::string LossyAnsiOf(std::wstring_view text) { return AnsiOf(text, CP_ACP); }

bool IsAnsiLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }

} // namespace ovs
