// The shipped library registered and unregistered by regsvr32, as an installer
// would, and the entries it leaves in the registry.
#include "viewer/StandInInstall.h"

#include <gtest/gtest.h>

#include <tuple>

namespace ovs::test {
namespace {

// The Explorer commands' class: class entries only, no handler keys.
constexpr char kExplorerClassKey[] = "CLSID\\{24FC18D4-6ADD-4697-ABAD-F6F3DFC1ADDE}";
constexpr char kExplorerServerKey[] = "CLSID\\{24FC18D4-6ADD-4697-ABAD-F6F3DFC1ADDE}\\InprocServer32";

struct TExpectedValue {
    HKEY Root;
    const char* Key;
    const char* Name;
};

// Every value the server writes, in the order it writes them.
const TExpectedValue kServerValues[] = {
    {HKEY_CLASSES_ROOT, kClsidKeyPath, ""},
    {HKEY_CLASSES_ROOT, kServerKeyPath, ""},
    {HKEY_CLASSES_ROOT, kServerKeyPath, "ThreadingModel"},
    {HKEY_CLASSES_ROOT, kFileHandlerPath, ""},
    {HKEY_CLASSES_ROOT, kFolderHandlerPath, ""},
    {HKEY_LOCAL_MACHINE, kApprovedPath, kClsid},
    {HKEY_CLASSES_ROOT, kExplorerClassKey, ""},
    {HKEY_CLASSES_ROOT, kExplorerServerKey, ""},
    {HKEY_CLASSES_ROOT, kExplorerServerKey, "ThreadingModel"},
};

std::vector<std::optional<std::string>> Snapshot() {
    std::vector<std::optional<std::string>> values;
    for (const TExpectedValue& v : kServerValues) values.push_back(RegValue(v.Root, v.Key, v.Name));
    return values;
}

void ExpectNothingRegistered() {
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClsidKeyPath));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kFileHandlerPath));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kFolderHandlerPath));
    EXPECT_FALSE(RegValue(HKEY_LOCAL_MACHINE, kApprovedPath, kClsid).has_value());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kExplorerClassKey));
}

class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override { Regsvr32(ShippedDll(), true); }
    void TearDown() override { Regsvr32(ShippedDll(), true); }
};

TEST_F(RegistrationTest, RegisterWritesEveryEntryWithItsExactValue) {
    ASSERT_EQ(Regsvr32(ShippedDll()), 0u);
    const std::string expected[] = {
        "Orvane Slide Show shell menu items",
        ShippedDll(),
        "Apartment",
        kClsid,
        kClsid,
        "Orvane Slide Show shell menu items",
        "Orvane Slide Show Explorer commands",
        ShippedDll(),
        "Apartment",
    };
    const auto values = Snapshot();
    for (size_t i = 0; i < std::size(kServerValues); ++i) {
        SCOPED_TRACE(std::string(kServerValues[i].Key) + " / " + kServerValues[i].Name);
        ASSERT_TRUE(values[i].has_value());
        EXPECT_EQ(*values[i], expected[i]);
    }
}

TEST_F(RegistrationTest, UnregisterRemovesEveryEntry) {
    ASSERT_EQ(Regsvr32(ShippedDll()), 0u);
    ASSERT_EQ(Regsvr32(ShippedDll(), true), 0u);
    ExpectNothingRegistered();
    // The Approved key is shared with other extensions: only our value goes.
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kApprovedPath));
}

TEST_F(RegistrationTest, RegisteringTwiceLeavesWhatRegisteringOnceLeaves) {
    ASSERT_EQ(Regsvr32(ShippedDll()), 0u);
    const auto once = Snapshot();
    ASSERT_EQ(Regsvr32(ShippedDll()), 0u);
    EXPECT_EQ(Snapshot(), once);
    ASSERT_EQ(Regsvr32(ShippedDll(), true), 0u);
    ExpectNothingRegistered();
}

TEST_F(RegistrationTest, UnregisteringWhatWasNeverRegisteredSucceeds) {
    ExpectNothingRegistered();
    EXPECT_EQ(Regsvr32(ShippedDll(), true), 0u);
    ExpectNothingRegistered();
}

TEST_F(RegistrationTest, TheNineXFamilyNeitherWritesNorRemovesTheApprovedValue) {
    TReportedVersion win98("regsvr32.exe", "win98");
    ASSERT_EQ(Regsvr32(ShippedDll()), 0u);
    EXPECT_TRUE(RegValue(HKEY_CLASSES_ROOT, kServerKeyPath, "").has_value());
    EXPECT_TRUE(RegValue(HKEY_CLASSES_ROOT, kFileHandlerPath, "").has_value());
    EXPECT_FALSE(RegValue(HKEY_LOCAL_MACHINE, kApprovedPath, kClsid).has_value());

    // A value left there by someone else stays on unregistration.
    HKEY approved = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kApprovedPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &approved,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(approved, kClsid, 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
    ASSERT_EQ(Regsvr32(ShippedDll(), true), 0u);
    EXPECT_EQ(RegValue(HKEY_LOCAL_MACHINE, kApprovedPath, kClsid), std::optional<std::string>("x"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClsidKeyPath));
    RegDeleteValueA(approved, kClsid);
    RegCloseKey(approved);
}

TEST_F(RegistrationTest, ALibraryInAFolderWithASpaceIsRegisteredUnderItsShortPath) {
    TInstalledServer server("Orvane Slide Show");
    ASSERT_EQ(server.Register(), 0u);
    char shortPath[MAX_PATH + 1] = {};
    ASSERT_GT(GetShortPathNameA(server.Dll().c_str(), shortPath, MAX_PATH), 0u);
    ASSERT_EQ(std::string(shortPath).find(' '), std::string::npos);
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, kServerKeyPath, ""), std::optional<std::string>(shortPath));
}

} // namespace
} // namespace ovs::test
