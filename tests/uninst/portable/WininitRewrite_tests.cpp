#include "WininitRewrite.h"

#include <gtest/gtest.h>

#include <vector>

namespace ovs {
namespace {

using TLines = std::vector<std::string>;

struct TRewriteCase {
    const char* name;
    TLines before;
    TLines after;
};

class WithRenameEntryTest : public ::testing::TestWithParam<TRewriteCase> {};

TEST_P(WithRenameEntryTest, AddsTheEntryAtTheEndOfTheRenameSection) {
    EXPECT_EQ(WithRenameEntry(GetParam().before, "NUL=C:\\T\\X.EXE"), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WithRenameEntryTest,
    ::testing::Values(
        TRewriteCase{"NoFile", {}, {"[rename]", "NUL=C:\\T\\X.EXE"}},
        TRewriteCase{"RenameSectionLast",
                     {"[rename]", "NUL=C:\\A"},
                     {"[rename]", "NUL=C:\\A", "NUL=C:\\T\\X.EXE"}},
        TRewriteCase{"RenameBetweenSections",
                     {"; head", "[one]", "a=1", "[rename]", "NUL=C:\\A", "", "[two]", "b=2"},
                     {"; head", "[one]", "a=1", "[rename]", "NUL=C:\\A", "", "NUL=C:\\T\\X.EXE", "[two]", "b=2"}},
        TRewriteCase{"NoRenameSection",
                     {"[one]", "a=1", "[two]"},
                     {"[one]", "a=1", "[two]", "[rename]", "NUL=C:\\T\\X.EXE"}},
        TRewriteCase{"HeaderInCapitals",
                     {"[RENAME]", "[x]"},
                     {"[RENAME]", "NUL=C:\\T\\X.EXE", "[x]"}},
        TRewriteCase{"BlankedRenameHeaderIsAnotherSection",
                     {" [rename]", "NUL=C:\\A"},
                     {" [rename]", "NUL=C:\\A", "[rename]", "NUL=C:\\T\\X.EXE"}},
        TRewriteCase{"BlankedHeaderEndsTheRenameSection",
                     {"[rename]", "NUL=C:\\A", "\t[two] ", "b=2"},
                     {"[rename]", "NUL=C:\\A", "NUL=C:\\T\\X.EXE", "\t[two] ", "b=2"}},
        TRewriteCase{"TrailingBlankRenameHeaderIsAnotherSection",
                     {"[rename] ", "[x]"},
                     {"[rename] ", "[x]", "[rename]", "NUL=C:\\T\\X.EXE"}},
        TRewriteCase{"FirstRenameSectionGetsTheEntry",
                     {"[rename]", "NUL=C:\\A", "[x]", "[rename]", "NUL=C:\\B"},
                     {"[rename]", "NUL=C:\\A", "NUL=C:\\T\\X.EXE", "[x]", "[rename]", "NUL=C:\\B"}},
        TRewriteCase{"RepeatedRenameHeaderContinuesTheSection",
                     {"[rename]", "NUL=C:\\A", "[rename]", "NUL=C:\\B", "[x]"},
                     {"[rename]", "NUL=C:\\A", "[rename]", "NUL=C:\\B", "NUL=C:\\T\\X.EXE", "[x]"}},
        TRewriteCase{"BracketInsideALineIsNoHeader",
                     {"[rename]", "x=[y]", "  "},
                     {"[rename]", "x=[y]", "  ", "NUL=C:\\T\\X.EXE"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WithRenameEntryTest, TwoEntriesStayInCallOrder) {
    TLines lines = WithRenameEntry({}, "NUL=C:\\A");
    lines = WithRenameEntry(lines, "NUL=C:\\B");
    EXPECT_EQ(lines, (TLines{"[rename]", "NUL=C:\\A", "NUL=C:\\B"}));
}

TEST(RenameEntryLineTest, EmptyDestinationDeletes) {
    EXPECT_EQ(RenameEntryLine("", "C:\\TEMP\\TMP1.EXE"), "NUL=C:\\TEMP\\TMP1.EXE");
    EXPECT_EQ(RenameEntryLine("C:\\NEW.DLL", "C:\\OLD.DLL"), "C:\\NEW.DLL=C:\\OLD.DLL");
}

TEST(TextLinesTest, SplitAndJoin) {
    const std::vector<std::pair<std::string, TLines>> cases{
        {"", {}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\r\nb", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"\r\n\r\n", {"", ""}},
        {"a\rb\r\n", {"a\rb"}},
        {"a\r\r\n", {"a\r"}},
    };
    for (const auto& [text, lines] : cases) EXPECT_EQ(SplitTextLines(text), lines) << text;
    EXPECT_EQ(JoinTextLines(TLines{"[rename]", "NUL=X"}), "[rename]\r\nNUL=X\r\n");
    EXPECT_EQ(JoinTextLines(TLines{}), "");
}

TEST(TextLinesTest, CrLfFileSurvivesByteForByte) {
    const std::string text = "[boot]\r\nshell=x\r\n\r\n;c [rename]\r\n[rename]\r\nNUL=A\r\n[z]\r\n";
    const TLines lines = SplitTextLines(text);
    EXPECT_EQ(JoinTextLines(lines), text);
    EXPECT_EQ(JoinTextLines(WithRenameEntry(lines, "NUL=B")),
              "[boot]\r\nshell=x\r\n\r\n;c [rename]\r\n[rename]\r\nNUL=A\r\nNUL=B\r\n[z]\r\n");
}

TEST(IsSectionHeaderTest, TrimsBlanksOnBothEnds) {
    for (const char* yes : {"[a]", " [a", "\t[", "[rename]\r", "\x01[x"}) EXPECT_TRUE(IsSectionHeader(yes)) << yes;
    for (const char* no : {"", "   ", "a[b]", ";[x]", "=[x]"}) EXPECT_FALSE(IsSectionHeader(no)) << no;
}

} // namespace
} // namespace ovs
