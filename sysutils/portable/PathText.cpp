#include "PathText.h"
#include <cstdint>
#include <type_traits>

namespace ovs {

bool NoLeadBytes(unsigned char) { return false; }

namespace {

// One walker for both string kinds: it steps over whole characters, so a
// trail byte never counts as the character its code looks like.
template <class Char>
struct TText {
    std::basic_string_view<Char> text;
    TLeadBytePredicate isLead;

    // The length of the character at i: 2 for a lead byte with a trail, or
    // for a UTF-16 surrogate pair.
    std::size_t CharLength(std::size_t i) const {
        if constexpr (sizeof(Char) == 1) {
            if (isLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) return 2;
        } else {
            const auto unit = static_cast<std::uint32_t>(text[i]);
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() &&
                static_cast<std::uint32_t>(text[i + 1]) >= 0xDC00 && static_cast<std::uint32_t>(text[i + 1]) <= 0xDFFF)
                return 2;
        }
        return 1;
    }

    template <class Visit>
    void ForEachChar(Visit visit) const {
        for (std::size_t i = 0; i < text.size();) {
            const std::size_t length = CharLength(i);
            visit(i, length);
            i += length;
        }
    }
};

template <class Char>
bool IsDelimiter(Char c) {
    return c == Char('\\') || c == Char(':') || c == Char('/');
}

template <class Char>
std::size_t LastCharOffsetOf(TText<Char> t) {
    std::size_t last = std::basic_string_view<Char>::npos;
    t.ForEachChar([&](std::size_t i, std::size_t) { last = i; });
    return last;
}

template <class Char>
std::size_t NameStartOf(TText<Char> t) {
    std::size_t start = 0;
    t.ForEachChar([&](std::size_t i, std::size_t length) {
        if (length == 1 && IsDelimiter(t.text[i])) start = i + 1;
    });
    return start;
}

template <class Char>
std::basic_string_view<Char> ExtensionIn(TText<Char> t) {
    std::size_t dot = std::basic_string_view<Char>::npos;
    t.ForEachChar([&](std::size_t i, std::size_t length) {
        if (length != 1) return;
        if (IsDelimiter(t.text[i])) dot = std::basic_string_view<Char>::npos;
        else if (t.text[i] == Char('.')) dot = i;
    });
    return dot == std::basic_string_view<Char>::npos ? std::basic_string_view<Char>() : t.text.substr(dot);
}

template <class Char>
bool EndsInSingle(TText<Char> t, Char c) {
    return !t.text.empty() && t.text.back() == c && LastCharOffsetOf(t) == t.text.size() - 1;
}

template <class Char>
std::basic_string<Char> ChangeExt(TText<Char> t, std::basic_string_view<Char> extension) {
    const std::basic_string_view<Char> old = ExtensionIn(t);
    std::basic_string<Char> result(t.text.substr(0, t.text.size() - old.size()));
    result += extension;
    return result;
}

template <class Char>
bool EndsInDelimiterOf(TText<Char> t) {
    const std::size_t last = LastCharOffsetOf(t);
    return last != std::basic_string_view<Char>::npos && last == t.text.size() - 1 && IsDelimiter(t.text[last]);
}

template <class Char>
std::basic_string<Char> WithTrailing(TText<Char> t) {
    std::basic_string<Char> result(t.text);
    if (!result.empty() && !EndsInSingle(t, Char('\\'))) result += Char('\\');
    return result;
}

template <class Char>
std::basic_string<Char> WithoutTrailing(TText<Char> t) {
    std::basic_string<Char> result(t.text);
    if (t.text.size() < 2 || !EndsInSingle(t, Char('\\'))) return result;
    if (EndsInSingle(TText<Char>{t.text.substr(0, t.text.size() - 1), t.isLead}, Char(':'))) return result;
    result.pop_back();
    return result;
}

template <class Char>
std::basic_string_view<Char> Trimmed(std::basic_string_view<Char> text) {
    const auto blank = [](Char c) {
        return static_cast<std::make_unsigned_t<Char>>(c) <= 0x20;
    };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

template <class Char>
std::basic_string<Char> UpperAscii(TText<Char> t) {
    std::basic_string<Char> upper(t.text);
    t.ForEachChar([&](std::size_t i, std::size_t length) {
        if (length == 1 && upper[i] >= Char('a') && upper[i] <= Char('z'))
            upper[i] = static_cast<Char>(upper[i] - Char('a') + Char('A'));
    });
    return upper;
}

// Scanned from the start: a trail byte may have the value of a lead byte.
template <class Char>
std::size_t WholeCharsIn(TText<Char> t, std::size_t limit) {
    if (limit >= t.text.size()) return t.text.size();
    std::size_t end = 0;
    while (end + t.CharLength(end) <= limit) end += t.CharLength(end);
    return end;
}

bool NoWideLeadUnits(unsigned char) { return false; }

TText<wchar_t> Wide(std::wstring_view text) { return {text, NoWideLeadUnits}; }

} // namespace

std::size_t LastCharOffset(std::string_view text, TLeadBytePredicate isLead) {
    return LastCharOffsetOf(TText<char>{text, isLead});
}

std::size_t WholeCharPrefix(std::string_view text, std::size_t limit, TLeadBytePredicate isLead) {
    return WholeCharsIn(TText<char>{text, isLead}, limit);
}
std::size_t WholeCharPrefix(std::wstring_view text, std::size_t limit) { return WholeCharsIn(Wide(text), limit); }

std::size_t NameStart(std::string_view path, TLeadBytePredicate isLead) {
    return NameStartOf(TText<char>{path, isLead});
}
std::size_t NameStart(std::wstring_view path) { return NameStartOf(Wide(path)); }

std::string_view NamePart(std::string_view path, TLeadBytePredicate isLead) {
    return path.substr(NameStart(path, isLead));
}
std::wstring_view NamePart(std::wstring_view path) { return path.substr(NameStart(path)); }

std::string_view ExtensionOf(std::string_view path, TLeadBytePredicate isLead) {
    return ExtensionIn(TText<char>{path, isLead});
}
std::wstring_view ExtensionOf(std::wstring_view path) { return ExtensionIn(Wide(path)); }

std::string ChangeFileExt(std::string_view path, std::string_view extension, TLeadBytePredicate isLead) {
    return ChangeExt(TText<char>{path, isLead}, extension);
}
std::wstring ChangeFileExt(std::wstring_view path, std::wstring_view extension) {
    return ChangeExt(Wide(path), extension);
}

bool EndsInDelimiter(std::string_view path, TLeadBytePredicate isLead) {
    return EndsInDelimiterOf(TText<char>{path, isLead});
}
bool EndsInDelimiter(std::wstring_view path) { return EndsInDelimiterOf(Wide(path)); }

std::string WithTrailingBackslash(std::string_view path, TLeadBytePredicate isLead) {
    return WithTrailing(TText<char>{path, isLead});
}
std::wstring WithTrailingBackslash(std::wstring_view path) { return WithTrailing(Wide(path)); }

std::string WithoutTrailingBackslash(std::string_view path, TLeadBytePredicate isLead) {
    return WithoutTrailing(TText<char>{path, isLead});
}
std::wstring WithoutTrailingBackslash(std::wstring_view path) { return WithoutTrailing(Wide(path)); }

std::string_view TrimBlanks(std::string_view text) { return Trimmed(text); }
std::wstring_view TrimBlanks(std::wstring_view text) { return Trimmed(text); }

std::string UpperCaseAscii(std::string_view text, TLeadBytePredicate isLead) {
    return UpperAscii(TText<char>{text, isLead});
}
std::wstring UpperCaseAscii(std::wstring_view text) { return UpperAscii(Wide(text)); }

bool SameTextAscii(std::string_view a, std::string_view b, TLeadBytePredicate isLead) {
    return a.size() == b.size() && UpperCaseAscii(a, isLead) == UpperCaseAscii(b, isLead);
}
bool SameTextAscii(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && UpperCaseAscii(a) == UpperCaseAscii(b);
}

} // namespace ovs
