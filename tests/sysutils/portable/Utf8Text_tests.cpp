#include "Utf8Text.h"

#include <gtest/gtest.h>

namespace ovs {
namespace {

TEST(Utf8TextTest, EveryUtf16NameComesBackUnitForUnit) {
    const std::wstring names[] = {
        L"C:\\photos\\beach.jpg",
        L"C:\\\u5199\u771F\\\u30BD\u8868.jpg",
        L"C:\\\u0418\u0432\u0430\u043D\\Temp\\",
        // A palm tree is a surrogate pair in UTF-16.
        std::wstring(L"C:\\") + wchar_t(0xD83C) + wchar_t(0xDF34) + L" beach.jpg",
        // Unpaired surrogates are legal in NTFS names.
        std::wstring(L"x") + wchar_t(0xD800) + L"y" + wchar_t(0xDFFF),
        std::wstring(1, wchar_t(0xDC00)) + wchar_t(0xD800),
        L"",
    };
    for (const std::wstring& name : names) EXPECT_EQ(Utf16FromUtf8(Utf8FromUtf16(name)), name);
}

TEST(Utf8TextTest, EncodesAsUtf8) {
    EXPECT_EQ(Utf8FromUtf16(L"\u03A9mega"), "\xCE\xA9mega");
    EXPECT_EQ(Utf8FromUtf16(std::wstring{wchar_t(0xD83C), wchar_t(0xDF34)}), "\xF0\x9F\x8C\xB4");
    EXPECT_EQ(Utf8FromUtf16(std::wstring{wchar_t(0xD800)}), "\xED\xA0\x80");
    // No byte of a multi-byte character is below 0x80: '\' stays a delimiter.
    for (unsigned char c : Utf8FromUtf16(L"\u30BD\u8868")) EXPECT_GE(c, 0x80);
}

TEST(Utf8TextTest, MalformedBytesBecomeReplacementCharacters) {
    EXPECT_EQ(Utf16FromUtf8("a\xFF" "b"), L"a\uFFFDb");
    EXPECT_EQ(Utf16FromUtf8("\xC0\xAF"), L"\uFFFD\uFFFD");  // overlong '/'
    EXPECT_EQ(Utf16FromUtf8("\xE3\x82"), L"\uFFFD\uFFFD");  // cut short
    EXPECT_EQ(Utf16FromUtf8("\xF4\x90\x80\x80"), L"\uFFFD\uFFFD\uFFFD\uFFFD");  // past U+10FFFF
}

} // namespace
} // namespace ovs
