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

TEST(Utf8TextTest, IndexJudgesEveryStretchAsAFullScanWould) {
    // Each stretch of each text, against IsUtf8Text on the stretch alone:
    // characters cut at either end, faults of every kind, resynchronising.
    const std::string texts[] = {
        "plain ASCII",
        "J\xC3\xB6nk\xC3\xB6ping \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8C\xB4!",
        "\xC3\xA9\xE9\xC3\xA9\x80\x80\xE6\x97x\xF0\x9F\x8C\xED\xA0\x80\xC0\xAF\xF4\x90\x80\x80\xFF\xC3",
        "\x80\xBF\xC3\xA9",
        "",
    };
    for (const std::string& text : texts) {
        TUtf8Index index;
        index.Build(text);
        for (size_t pos = 0; pos <= text.size(); ++pos)
            for (size_t length = 0; pos + length <= text.size(); ++length)
                EXPECT_EQ(index.IsUtf8(text, pos, length), IsUtf8Text(text.substr(pos, length)))
                    << testing::PrintToString(text) << " at " << pos << " for " << length;
    }
}

TEST(Utf8TextTest, CutsEndOnCharacterBoundaries) {
    struct Case {
        std::string text;
        size_t maxBytes, kept;
    } cases[] = {
        {"abc", 2, 2},
        {"abc", 9, 3},
        {"a\xC3\xA9", 2, 1},              // inside a 2-byte character
        {"\xE6\x97\xA5\xE6\x9C\xAC", 5, 3},
        {"\xE6\x97\xA5\xE6\x9C\xAC", 6, 6},
        {"x\xF0\x9F\x8C\xB4", 4, 1},      // three bytes into a 4-byte character
        {"x\xF0\x9F\x8C\xB4", 0, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(Utf8Cut(c.text, c.maxBytes), c.kept) << c.text << " " << c.maxBytes;
    // Text from a UTF-16 writer is always strict UTF-8 afterwards.
    EXPECT_EQ(Utf8FromUtf16Text(std::wstring{L'a', wchar_t(0xD800), L'b', wchar_t(0xDC00)}),
              "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
}

} // namespace
} // namespace ovs
