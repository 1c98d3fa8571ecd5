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

std::string AnsiOf(std::wstring_view text, BOOL* usedDefault) {
    if (text.empty() || text.size() > INT_MAX) return {};
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, usedDefault);
    if (length <= 0) return {};
    std::string ansi(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), size, ansi.data(), length, nullptr, usedDefault);
    return ansi;
}

} // namespace

std::optional<std::string> ExactAnsiOf(std::wstring_view text) {
    if (text.empty()) return std::string();
    // The round trip catches best-fit mappings on every NT version; the
    // WC_NO_BEST_FIT_CHARS flag is unknown to NT 4.
    BOOL usedDefault = FALSE;
    std::string ansi = AnsiOf(text, &usedDefault);
    if (usedDefault || ansi.empty()) return std::nullopt;
    if (WideFromAnsi(ansi) != text) return std::nullopt;
    return ansi;
}

std::string LossyAnsiOf(std::wstring_view text) { return AnsiOf(text, nullptr); }

bool IsAnsiLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }

} // namespace ovs
