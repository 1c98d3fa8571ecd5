// Texts fixed at compile time: a GUID in the registry's text form, and key
// paths joined from it, so each class identifier is written once, as a GUID.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>

namespace ovs {

template <std::size_t N>
struct TFixedText {
    char Text[N] = {};
    constexpr const char* c_str() const { return Text; }
};

// The parts one after the other, as one null-terminated text.
template <std::size_t... N>
constexpr TFixedText<(N + ...) - sizeof...(N) + 1> JoinedText(const char (&... parts)[N]) {
    TFixedText<(N + ...) - sizeof...(N) + 1> joined;
    std::size_t at = 0;
    ((std::copy_n(parts, N - 1, joined.Text + at), at += N - 1), ...);
    return joined;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hexadecimal.
constexpr TFixedText<39> GuidText(const GUID& guid) {
    constexpr char digits[] = "0123456789ABCDEF";
    TFixedText<39> text;
    std::size_t at = 0;
    auto put = [&](unsigned long value, int count) {
        for (int shift = (count - 1) * 4; shift >= 0; shift -= 4) text.Text[at++] = digits[(value >> shift) & 0xF];
    };
    text.Text[at++] = '{';
    put(guid.Data1, 8);
    text.Text[at++] = '-';
    put(guid.Data2, 4);
    text.Text[at++] = '-';
    put(guid.Data3, 4);
    text.Text[at++] = '-';
    for (int i = 0; i < 8; ++i) {
        if (i == 2) text.Text[at++] = '-';
        put(guid.Data4[i], 2);
    }
    text.Text[at++] = '}';
    return text;
}

} // namespace ovs
