// The uninstall driver's own routines, in this process.
#include "UninstallDriver.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// Wine grants every right; this plays a user who may read the machine's keys
// but not change them, and keeps what was asked for.
std::vector<REGSAM> AccessAskedFor;
LONG ReadOnlyUser(HKEY, REGSAM access) {
    AccessAskedFor.push_back(access);
    constexpr REGSAM kReadRights = KEY_READ | KEY_WOW64_32KEY | KEY_WOW64_64KEY;
    return (access & ~kReadRights) ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
}

class TReadOnlyUser {
public:
    TReadOnlyUser() : previous_(SetRegistryAccessCheck(ReadOnlyUser)) { AccessAskedFor.clear(); }
    ~TReadOnlyUser() { SetRegistryAccessCheck(previous_); }
    TReadOnlyUser(const TReadOnlyUser&) = delete;
    TReadOnlyUser& operator=(const TReadOnlyUser&) = delete;

private:
    TRegistryAccessCheck previous_;
};

struct TInstalledCase {
    const char* name;
    const char* view64; // the uninstall key's text in each view; null: no key there
    const char* view32;
    bool installed;
};

class ProductInstalledTest : public ::testing::TestWithParam<TInstalledCase> {};

TEST_P(ProductInstalledTest, AnyViewSayingYesCountsAndOnlyReadAccessIsAsked) {
    InitPlatformFlags();
    if (!Is64BitWindows()) GTEST_SKIP() << "one registry view only";
    TUninstallKey key;
    if (GetParam().view64) key.SetText(GetParam().view64, KEY_WOW64_64KEY);
    if (GetParam().view32) key.SetText(GetParam().view32, KEY_WOW64_32KEY);
    bool installed = false;
    {
        TReadOnlyUser user;
        installed = ProductInstalled();
    }
    EXPECT_EQ(installed, GetParam().installed);
    ASSERT_FALSE(AccessAskedFor.empty());
    for (const REGSAM access : AccessAskedFor)
        EXPECT_EQ(access & ~(KEY_WOW64_32KEY | KEY_WOW64_64KEY), static_cast<REGSAM>(KEY_QUERY_VALUE)) << access;
    EXPECT_EQ(UninstallKeyViews(), (std::vector<REGSAM>{KEY_WOW64_64KEY, KEY_WOW64_32KEY}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProductInstalledTest,
    ::testing::Values(TInstalledCase{"NoKey", nullptr, nullptr, false},
                      TInstalledCase{"YesIn64BitView", "Yes", nullptr, true},
                      TInstalledCase{"YesIn32BitView", nullptr, "yes", true},
                      TInstalledCase{"NoInBoth", "No", "No", false},
                      TInstalledCase{"YesInOneNoInTheOther", "No", "YES", true},
                      TInstalledCase{"EmptyIn32BitView", nullptr, "", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProductInstalledUserTest, AnInstallForThisUserAloneKeepsTheFiles) {
    InitPlatformFlags();
    const struct {
        const char* name;
        const char* machine;  // the machine's key (the program's own view); null: none
        const char* user;     // the user's key; null: none
        bool installed;
    } cases[] = {
        {"the user's key alone says Yes", nullptr, "Yes", true},
        {"the user's says Yes, the machine's No", "No", "Yes", true},
        {"the user's says No, the machine's Yes", "Yes", "No", true},
        {"both say No", "No", "No", false},
        {"the user's key says No", nullptr, "no", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TUninstallKey key;
        if (c.machine) key.SetText(c.machine);
        if (c.user) key.SetText(c.user, 0, HKEY_CURRENT_USER);
        bool installed = false;
        {
            TReadOnlyUser user;
            installed = ProductInstalled();
            for (const REGSAM access : AccessAskedFor)
                EXPECT_EQ(access & ~(KEY_WOW64_32KEY | KEY_WOW64_64KEY), static_cast<REGSAM>(KEY_QUERY_VALUE));
        }
        EXPECT_EQ(installed, c.installed);
    }
    TUninstallKey key;
    key.SetDword(1, 0, HKEY_CURRENT_USER);
    EXPECT_THROW(ProductInstalled(), ERegistryException) << "a user's value that is no text is no answer";
}

TEST(ProductInstalledErrorsTest, NonStringValueInEitherViewRaises) {
    InitPlatformFlags();
    if (!Is64BitWindows()) GTEST_SKIP() << "one registry view only";
    for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        TUninstallKey key;
        key.SetDword(1, view);
        EXPECT_THROW(ProductInstalled(), ERegistryException) << view;
    }
}

TEST(ProductInstalledErrorsTest, AKeyThatCannotBeReadIsNoAnswer) {
    InitPlatformFlags();
    TUninstallKey key;
    key.SetText("Yes");
    const TRegistryAccessCheck previous =
        SetRegistryAccessCheck([](HKEY, REGSAM) -> LONG { return ERROR_ACCESS_DENIED; });
    EXPECT_THROW(ProductInstalled(), ERegistryException);
    SetRegistryAccessCheck(previous);
}

} // namespace
} // namespace ovs::test
