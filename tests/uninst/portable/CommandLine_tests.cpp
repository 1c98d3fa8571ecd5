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
