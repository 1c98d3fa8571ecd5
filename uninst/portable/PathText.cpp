#include "PathText.h"

namespace ovs {

bool NoLeadBytes(unsigned char) { return false; }

std::size_t LastCharOffset(std::string_view text, TLeadBytePredicate isLead) {
    std::size_t last = std::string_view::npos;
    for (std::size_t i = 0; i < text.size();) {
        last = i;
        // A lead byte at the very end has no trail byte and stands alone.
        i += (isLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
    }
    return last;
}

namespace {

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EndsInSingleByte(std::string_view text, char c, TLeadBytePredicate isLead) {
    return !text.empty() && text.back() == c && LastCharOffset(text, isLead) == text.size() - 1;
}

} // namespace

bool SameTextAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

std::string ChangeFileExt(std::string_view path, std::string_view extension,
                          TLeadBytePredicate isLead) {
    // Only whole characters count: the trail byte of a double-byte character
    // may be 0x5C, the code of '\'.
    std::size_t dot = std::string_view::npos;
    for (std::size_t i = 0; i < path.size();) {
        const char c = path[i];
        if (isLead(static_cast<unsigned char>(c)) && i + 1 < path.size()) {
            i += 2;
            continue;
        }
        if (c == '\\' || c == ':' || c == '/') dot = std::string_view::npos;
        else if (c == '.') dot = i;
        ++i;
    }
    std::string result(dot == std::string_view::npos ? path : path.substr(0, dot));
    result += extension;
    return result;
}

std::string WithTrailingBackslash(std::string_view path, TLeadBytePredicate isLead) {
    std::string result(path);
    if (!result.empty() && !EndsInSingleByte(path, '\\', isLead)) result += '\\';
    return result;
}

std::string WithoutTrailingBackslash(std::string_view path, TLeadBytePredicate isLead) {
    std::string result(path);
    if (path.size() < 2 || !EndsInSingleByte(path, '\\', isLead)) return result;
    if (EndsInSingleByte(path.substr(0, path.size() - 1), ':', isLead)) return result;
    result.pop_back();
    return result;
}

} // namespace ovs
