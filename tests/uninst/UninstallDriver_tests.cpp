// The uninstall driver's own routines, in this process.
#include "UninstallDriver.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "UninstTestSupport.h"
#include "WinTestSupport.h"
#include "WinText.h"

namespace ovs::test {
namespace {

TEST(MakeTempExeNameTest, LeavesThePlaceholderAndAnswersTheCopyBesideIt) {
    const auto before = TempLeftovers();
    InitPlatformFlags();
    const std::string copy = LossyAnsiOf(MakeTempExeName());
    ASSERT_GT(copy.size(), 4u);
    const std::string placeholder = copy.substr(0, copy.size() - 4) + ".tmp";
    EXPECT_EQ(copy.substr(copy.size() - 4), ".exe");
    EXPECT_EQ(copy.substr(0, TempFolder().size()), TempFolder());
    EXPECT_EQ(copy.substr(TempFolder().size(), 3), "tmp");
    EXPECT_TRUE(FileExists(placeholder));
    EXPECT_EQ(ReadFileBytes(placeholder), "");
    EXPECT_FALSE(FileExists(copy)); // the caller makes the copy
    EXPECT_EQ(TempLeftovers().size(), before.size() + 1);
    DeleteFileA(placeholder.c_str());
}

} // namespace
} // namespace ovs::test
