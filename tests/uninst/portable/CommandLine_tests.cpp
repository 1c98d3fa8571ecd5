#include "CommandLine.h"

#include <gtest/gtest.h>

namespace ovs {
namespace {

struct TSplitCase {
    const char* name;
    std::string_view commandLine;
    TArguments expected;
};

class SplitCommandLineTest : public ::testing::TestWithParam<TSplitCase> {};

TEST_P(SplitCommandLineTest, YieldsTheArguments) {
    EXPECT_EQ(SplitCommandLine(GetParam().commandLine), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitCommandLineTest,
    ::testing::Values(
        TSplitCase{"Empty", "", {}},
        TSplitCase{"OnlyBlanks", " \t\r\n ", {}},
        TSplitCase{"Plain", "a.exe -register C:\\f.txt C:\\dir", {"a.exe", "-register", "C:\\f.txt", "C:\\dir"}},
        TSplitCase{"QuotedWithBlanks", "\"C:\\Program Files\\a.exe\" -doit \"C:\\My File\" \"C:\\My Dir\"",
                   {"C:\\Program Files\\a.exe", "-doit", "C:\\My File", "C:\\My Dir"}},
        TSplitCase{"ControlBytesSeparate", "a\tb\x01" "c\nd", {"a", "b", "c", "d"}},
        TSplitCase{"RunsOfBlanks", "   a    b   ", {"a", "b"}},
        TSplitCase{"QuotesInsideAnArgument", "ab\"c d\"ef g", {"abc def", "g"}},
        TSplitCase{"UnclosedQuoteRunsToTheEnd", "a \"b c", {"a", "b c"}},
        TSplitCase{"EmptyQuotesAtArgumentStartSkipped", "a \"\" b", {"a", "b"}},
        TSplitCase{"RepeatedEmptyQuotesSkipped", "a \"\" \"\"\"\" b", {"a", "b"}},
        TSplitCase{"TrailingEmptyQuotesGiveNothing", "x -doit \"f\" \"\"", {"x", "-doit", "f"}},
        TSplitCase{"EmptyQuotesGlueToFollowingText", "a \"\"b", {"a", "b"}},
        TSplitCase{"EmptyQuotesInsideAnArgument", "a\"\"b", {"ab"}},
        TSplitCase{"HighBytesAreText", "\xE4\x5C\xE9 \x81\x40", {"\xE4\x5C\xE9", "\x81\x40"}},
        TSplitCase{"NullByteEnds", std::string_view("a b\0c d", 7), {"a", "b"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The NT family's command line: UTF-16 units, where every unit below 0x80 is
// the character it looks like and a surrogate pair is two units above it.
struct TWideSplitCase {
    const char* name;
    std::wstring_view commandLine;
    TWideArguments expected;
};

class SplitWideCommandLineTest : public ::testing::TestWithParam<TWideSplitCase> {};

TEST_P(SplitWideCommandLineTest, YieldsTheArguments) {
    EXPECT_EQ(SplitCommandLine(GetParam().commandLine), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitWideCommandLineTest,
    ::testing::Values(
        TWideSplitCase{"Empty", L"", {}},
        TWideSplitCase{"QuotedNamesInAnyScript",
                       L"\"C:\\\u0418\u0432\u0430\u043d\\tmp1.exe\" -doit \"C:\\\u5199\u771f\\\u30bd\u8868.jpg\" \"C:\\\u5199\u771f\"",
                       {L"C:\\\u0418\u0432\u0430\u043d\\tmp1.exe", L"-doit", L"C:\\\u5199\u771f\\\u30bd\u8868.jpg",
                        L"C:\\\u5199\u771f"}},
        TWideSplitCase{"SurrogatePairsAndNoBreakSpaceAreText", L"a\U0001F334\u00a0b c", {L"a\U0001F334\u00a0b", L"c"}},
        TWideSplitCase{"UnitsWithBlankOrQuoteLowBytesAreText", L"\u2020\u0122 \u0920", {L"\u2020\u0122", L"\u0920"}},
        TWideSplitCase{"ControlUnitsSeparate", L"a\tb\x01" L"c", {L"a", L"b", L"c"}},
        TWideSplitCase{"EmptyQuotesSkipped", L"a \"\" \"\"b", {L"a", L"b"}},
        TWideSplitCase{"NullEnds", std::wstring_view(L"a b\0c", 5), {L"a", L"b"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WideCommandLineTest, SwitchesAndTheStageTwoLineAsInAnsi) {
    const TWideArguments args{L"p", L"\u5199\u771f", L"/ReGiStEr"};
    EXPECT_TRUE(HasSwitch(args, L"register"));
    EXPECT_FALSE(HasSwitch(args, L"doit"));
    EXPECT_FALSE(HasSwitch(TWideArguments{L"p", L"-r\u00e9gister"}, L"register"));
    EXPECT_EQ(ArgumentAt(args, 1), L"\u5199\u771f");
    EXPECT_EQ(ArgumentAt(args, 3), L"");

    const std::wstring copy = L"C:\\\u0418\u0432\u0430\u043d\\tmp1.exe";
    const std::wstring file = L"C:\\\u5199 \u771f\\\U0001F334 beach.jpg";
    const std::wstring folder = L"C:\\\u5199 \u771f";
    const std::wstring line = StageTwoCommandLine(copy, file, folder);
    EXPECT_EQ(line, L"\"" + copy + L"\" -doit \"" + file + L"\" \"" + folder + L"\"");
    EXPECT_EQ(SplitCommandLine(line), (TWideArguments{copy, L"-doit", file, folder}));
}

TEST(ArgumentAtTest, MissingArgumentsReadEmpty) {
    const TArguments args{"prog", "-register"};
    EXPECT_EQ(ArgumentAt(args, 1), "-register");
    EXPECT_EQ(ArgumentAt(args, 2), "");
    EXPECT_EQ(ArgumentAt(args, 3), "");
    EXPECT_EQ(ArgumentAt(TArguments{}, 0), "");
}

struct TSwitchCase {
    const char* name;
    TArguments args;
    bool registerPresent;
};

class HasSwitchTest : public ::testing::TestWithParam<TSwitchCase> {};

TEST_P(HasSwitchTest, RecognisesOnlyOneLeadCharacterAndTheName) {
    EXPECT_EQ(HasSwitch(GetParam().args, "register"), GetParam().registerPresent);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HasSwitchTest,
    ::testing::Values(
        TSwitchCase{"Dash", {"p", "-register"}, true},
        TSwitchCase{"SlashUpperCase", {"p", "/REGISTER"}, true},
        TSwitchCase{"MixedCase", {"p", "-ReGiStEr"}, true},
        TSwitchCase{"AnyPosition", {"p", "C:\\f", "C:\\d", "-register"}, true},
        TSwitchCase{"TwoLeadCharacters", {"p", "--register"}, false},
        TSwitchCase{"BareWord", {"p", "register"}, false},
        TSwitchCase{"Prefix", {"p", "-registe"}, false},
        TSwitchCase{"Longer", {"p", "-registers"}, false},
        TSwitchCase{"OtherLead", {"p", "+register"}, false},
        TSwitchCase{"ProgramNameIsNotExamined", {"-register"}, false},
        TSwitchCase{"EmptyArguments", {"p", "", "-"}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StageTwoCommandLineTest, QuotesEachPath) {
    EXPECT_EQ(StageTwoCommandLine("C:\\T\\tmp1A.exe", "C:\\App\\f.txt", "C:\\App"),
              "\"C:\\T\\tmp1A.exe\" -doit \"C:\\App\\f.txt\" \"C:\\App\"");
    EXPECT_EQ(StageTwoCommandLine("c", "f", ""), "\"c\" -doit \"f\" \"\"");
}

TEST(StageTwoCommandLineTest, SplitsBackIntoTheSameArguments) {
    const std::string line = StageTwoCommandLine("C:\\A B\\tmp.exe", "C:\\X Y\\f g.txt", "C:\\X Y");
    EXPECT_EQ(SplitCommandLine(line),
              (TArguments{"C:\\A B\\tmp.exe", "-doit", "C:\\X Y\\f g.txt", "C:\\X Y"}));
}

TEST(IsInstalledTextTest, OnlyYesIgnoringCase) {
    for (const char* yes : {"Yes", "YES", "yes", "yEs"}) EXPECT_TRUE(IsInstalledText(yes)) << yes;
    for (const char* no : {"No", "", "Yes ", " Yes", "Y", "Yess", "1", "true"})
        EXPECT_FALSE(IsInstalledText(no)) << no;
}

} // namespace
} // namespace ovs
