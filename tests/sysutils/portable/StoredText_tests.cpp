#include "StoredText.h"

#include <gtest/gtest.h>

namespace ovs {
namespace {

// UTF-16 units in a wstring, whatever the width of wchar_t.
std::wstring Units(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

// Stands for a code page that the test can tell apart from Windows-1252.
std::wstring MarkedAnsi(std::string_view bytes) { return L"ANSI:" + Utf16FromWindows1252(bytes); }

TEST(StoredText, DecodedByDeclarationOrByWhatTheBytesShow) {
    struct Case {
        const char* what;
        std::string bytes;
        bool declaredUtf8;
        std::u16string shown;
    } cases[] = {
        {"declared UTF-8", "J\xC3\xB6nk\xC3\xB6ping \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8C\xB4", true,
         u"J\u00F6nk\u00F6ping \u65E5\u672C \U0001F334"},
        {"valid UTF-8, undeclared", "Caf\xC3\xA9", false, u"Caf\u00E9"},
        {"ASCII goes the ANSI way", "Beach", false, u"ANSI:Beach"},
        {"ASCII declared", "Beach", true, u"Beach"},
        {"Windows-1252 bytes", "Portr\xE4tt p\xE5 Eva \x80", false, u"ANSI:Portr\u00E4tt p\u00E5 Eva \u20AC"},
        {"Shift-JIS bytes", "\x83\x5C\x95\x5C", false, u"ANSI:\u0192\\\u2022\\"},
        {"a stored U+FFFD is text", "a\xEF\xBF\xBD", false, u"a\uFFFD"},
        // Declared but invalid: one U+FFFD per ill-formed sequence.
        {"lone bytes", "a\x80\xFF" "b", true, u"a\uFFFD\uFFFDb"},
        {"cut-off sequence", "\xE6\x97" "x\xF0\x9F\x8C", true, u"\uFFFDx\uFFFD"},
        {"overlong forms", "\xC0\xAF\xE0\x80\xAF", true, u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"surrogates", "\xED\xA0\x80\xED\x9F\xBF", true, u"\uFFFD\uFFFD\uFFFD\uD7FF"},
        {"past U+10FFFF", "\xF4\x90\x80\x80\xF4\x8F\xBF\xBF", true, u"\uFFFD\uFFFD\uFFFD\uFFFD\U0010FFFF"},
        {"invalid and undeclared", "\xC3\xA9\xC0", false, u"ANSI:\u00C3\u00A9\u00C0"},
        {"empty", "", true, u""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeStoredText(c.bytes, c.declaredUtf8, &MarkedAnsi), Units(c.shown)) << c.what;
}

TEST(StoredText, Windows1252StandsInForTheAnsiCodePage) {
    EXPECT_EQ(DecodeStoredText("\x80\x81\x8D\x9F\xA0\xFF", false, nullptr), Units(u"\u20AC\u0081\u008D\u0178\u00A0\u00FF"));
}

} // namespace
} // namespace ovs
