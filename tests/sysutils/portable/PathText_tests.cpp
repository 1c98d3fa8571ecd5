#include "PathText.h"

#include <gtest/gtest.h>

#include <utility>

namespace ovs {
namespace {

// Shift-JIS-like: 0x81 to 0x9F and 0xE0 to 0xFC lead, and a trail byte may be
// 0x5C ('\').
bool SjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

struct TPathCase {
    const char* name;
    std::string_view input;
    TLeadBytePredicate isLead;
    std::string_view expected;
};

std::string CaseName(const ::testing::TestParamInfo<TPathCase>& info) { return info.param.name; }

class ChangeFileExtTest : public ::testing::TestWithParam<TPathCase> {};
TEST_P(ChangeFileExtTest, ReplacesTheNamePartsExtension) {
    EXPECT_EQ(ChangeFileExt(GetParam().input, ".exe", GetParam().isLead), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, ChangeFileExtTest,
    ::testing::Values(
        TPathCase{"Temp", "C:\\Temp\\tmp1A2B.tmp", NoLeadBytes, "C:\\Temp\\tmp1A2B.exe"},
        TPathCase{"LastDotOnly", "C:\\a\\b.c.tmp", NoLeadBytes, "C:\\a\\b.c.exe"},
        TPathCase{"NoDot", "C:\\a\\tmp", NoLeadBytes, "C:\\a\\tmp.exe"},
        TPathCase{"DotInFolderOnly", "C:\\a.dir\\tmp", NoLeadBytes, "C:\\a.dir\\tmp.exe"},
        TPathCase{"DotAfterColon", "C:x.tmp", NoLeadBytes, "C:x.exe"},
        TPathCase{"SlashSeparates", "C:/a.d/n", NoLeadBytes, "C:/a.d/n.exe"},
        TPathCase{"TrailingDot", "C:\\a\\n.", NoLeadBytes, "C:\\a\\n.exe"},
        TPathCase{"Empty", "", NoLeadBytes, ".exe"},
        // 0x95 0x5C is one character; its trail byte is not a separator.
        TPathCase{"TrailByteBackslash", "C:\\a.b\\x\x95\x5C" "c", SjisLead, "C:\\a.b\\x\x95\x5C" "c.exe"},
        TPathCase{"TrailByteBackslashSingleByte", "C:\\a.b\\x\x95\x5C" "c", NoLeadBytes, "C:\\a.b\\x\x95\x5C" "c.exe"},
        TPathCase{"DotAfterDoubleByte", "C:\\a.b\\x\x95\x5C" ".tmp", SjisLead, "C:\\a.b\\x\x95\x5C" ".exe"},
        TPathCase{"DotBeforeTrailBackslash", "C:\\a\\b.\x95\x5C" "c", SjisLead, "C:\\a\\b.exe"},
        TPathCase{"DotBeforeTrailBackslashSingleByte", "C:\\a\\b.\x95\x5C" "c", NoLeadBytes, "C:\\a\\b.\x95\x5C" "c.exe"}),
    CaseName);

class WithTrailingBackslashTest : public ::testing::TestWithParam<TPathCase> {};
TEST_P(WithTrailingBackslashTest, EndsInOneBackslash) {
    EXPECT_EQ(WithTrailingBackslash(GetParam().input, GetParam().isLead), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, WithTrailingBackslashTest,
    ::testing::Values(
        TPathCase{"Empty", "", NoLeadBytes, ""},
        TPathCase{"Folder", "C:\\Windows", NoLeadBytes, "C:\\Windows\\"},
        TPathCase{"AlreadyEnds", "C:\\Windows\\", NoLeadBytes, "C:\\Windows\\"},
        TPathCase{"Root", "C:\\", NoLeadBytes, "C:\\"},
        TPathCase{"Drive", "C:", NoLeadBytes, "C:\\"},
        TPathCase{"TrailByteIsNotABackslash", "C:\\\x95\x5C", SjisLead, "C:\\\x95\x5C\\"},
        TPathCase{"SingleByteCodePage", "C:\\\x95\x5C", NoLeadBytes, "C:\\\x95\x5C"}),
    CaseName);

class WithoutTrailingBackslashTest : public ::testing::TestWithParam<TPathCase> {};
TEST_P(WithoutTrailingBackslashTest, DropsTheFinalBackslashUnlessRoot) {
    EXPECT_EQ(WithoutTrailingBackslash(GetParam().input, GetParam().isLead), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, WithoutTrailingBackslashTest,
    ::testing::Values(
        TPathCase{"Empty", "", NoLeadBytes, ""},
        TPathCase{"SingleBackslash", "\\", NoLeadBytes, "\\"},
        TPathCase{"Folder", "C:\\Windows\\", NoLeadBytes, "C:\\Windows"},
        TPathCase{"NoBackslash", "C:\\Windows", NoLeadBytes, "C:\\Windows"},
        TPathCase{"Root", "C:\\", NoLeadBytes, "C:\\"},
        TPathCase{"OnlyOneRemoved", "C:\\a\\\\", NoLeadBytes, "C:\\a\\"},
        TPathCase{"TwoBackslashes", "\\\\", NoLeadBytes, "\\"},
        TPathCase{"TrailByteKept", "C:\\\x95\x5C", SjisLead, "C:\\\x95\x5C"},
        TPathCase{"TrailByteColonIsNoDrive", "\x95:\\", SjisLead, "\x95:"},
        TPathCase{"SingleByteCodePage", "C:\\\x95\x5C", NoLeadBytes, "C:\\\x95"}),
    CaseName);

TEST(LastCharOffsetTest, CountsWholeCharacters) {
    EXPECT_EQ(LastCharOffset("", SjisLead), std::string_view::npos);
    EXPECT_EQ(LastCharOffset("abc", SjisLead), 2u);
    EXPECT_EQ(LastCharOffset("a\x95\x5C", SjisLead), 1u);
    EXPECT_EQ(LastCharOffset("a\x95", SjisLead), 1u); // a lead byte without trail stands alone
    EXPECT_EQ(LastCharOffset("\x95\x95\x5C", SjisLead), 2u);
}

TEST(SameTextAsciiTest, FoldsOnlyAsciiLetters) {
    EXPECT_TRUE(SameTextAscii("[RENAME]", "[rename]"));
    EXPECT_FALSE(SameTextAscii("[rename] ", "[rename]"));
    EXPECT_FALSE(SameTextAscii("\xC4", "\xE4")); // not folded: bytes above 127 are compared as they are
    EXPECT_FALSE(SameTextAscii("@", "`"));
    // 0x83 0x61 and 0x83 0x41 are two different double-byte characters.
    EXPECT_FALSE(SameTextAscii("\x83" "a", "\x83" "A", SjisLead));
    EXPECT_TRUE(SameTextAscii(L"Yes", L"yES"));
}

TEST(NamePartTest, StartsAfterTheLastWholeDelimiter) {
    const std::pair<std::string_view, std::string_view> sjis[] = {
        {"C:\\x\\y.jpg", "y.jpg"},
        {"C:y.jpg", "y.jpg"},
        {"C:/x/y.jpg", "y.jpg"},
        {"y.jpg", "y.jpg"},
        {"C:\\x\\", ""},
        // The katakana So is 0x83 0x5C: its trail byte ends no folder.
        {"C:\\x\\\x83\x5C.jpg", "\x83\x5C.jpg"},
        {"C:\\x\\\x83\x5C\x95\x5C\\z.jpg", "z.jpg"},
    };
    for (const auto& [path, name] : sjis) EXPECT_EQ(NamePart(path, SjisLead), name) << path;
    EXPECT_EQ(NamePart("C:\\x\\\x83\x5C.jpg", NoLeadBytes), ".jpg");
    EXPECT_EQ(NamePart(std::wstring_view(L"C:\\\u5199\u771F\\\u30BD.jpg")), L"\u30BD.jpg");
    EXPECT_EQ(NamePart(std::wstring_view(L"Z:/a:b")), L"b");
}

TEST(ExtensionOfTest, IsTheNamePartsLastDot) {
    const std::pair<std::string_view, std::string_view> rows[] = {
        {"C:\\x\\y.jpg", ".jpg"}, {"C:\\x\\y.tar.gz", ".gz"}, {"C:\\x.d\\y", ""},
        {"C:\\x\\y.", "."},       {"", ""},                   {"C:\\x\\.jpg", ".jpg"},
        {"C:\\a.b\\\x83\x5C" "c", ""},
    };
    for (const auto& [path, extension] : rows) EXPECT_EQ(ExtensionOf(path, SjisLead), extension) << path;
    EXPECT_EQ(ExtensionOf(std::wstring_view(L"C:\\\u00C9t\u00E9.d\\\u03A9mega.JPEG")), L".JPEG");
    EXPECT_EQ(ChangeFileExt(std::wstring_view(L"C:\\\u0418\\tmp1.tmp"), L".exe"), L"C:\\\u0418\\tmp1.exe");
}

TEST(DelimiterTest, WideFormsMatchTheByteForms) {
    EXPECT_TRUE(EndsInDelimiter("C:", NoLeadBytes));
    EXPECT_TRUE(EndsInDelimiter("C:\\x/", NoLeadBytes));
    EXPECT_FALSE(EndsInDelimiter("C:\\\x83\x5C", SjisLead));
    EXPECT_FALSE(EndsInDelimiter("", NoLeadBytes));
    EXPECT_EQ(WithTrailingBackslash(std::wstring_view(L"C:\\\u0418\u0432\u0430\u043D")),
              L"C:\\\u0418\u0432\u0430\u043D\\");
    EXPECT_EQ(WithoutTrailingBackslash(std::wstring_view(L"C:\\")), L"C:\\");
    EXPECT_EQ(WithoutTrailingBackslash(std::wstring_view(L"C:\\x\\")), L"C:\\x");
}

TEST(TextTest, TrimsControlsAndUpperCasesWholeAsciiLetters) {
    EXPECT_EQ(TrimBlanks(std::string_view(" \t\r\n x y \x01")), "x y");
    EXPECT_EQ(TrimBlanks(std::string_view("\x83\x40 ")), "\x83\x40");
    EXPECT_EQ(TrimBlanks(std::wstring_view(L" \u00A0x\u3000 ")), L"\u00A0x\u3000");
    EXPECT_EQ(UpperCaseAscii("abc\xE4z"), "ABC\xE4Z");
    // 0x83 0x61 stays as it is: its trail byte is no letter.
    EXPECT_EQ(UpperCaseAscii("a\x83" "ab", SjisLead), "A\x83" "aB");
    EXPECT_EQ(UpperCaseAscii(std::wstring_view(L"jpg\u00E9")), L"JPG\u00E9");
}

} // namespace
} // namespace ovs
