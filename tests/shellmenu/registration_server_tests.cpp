// The shipped library registered and unregistered by regsvr32, as an installer
// would, and the entries it leaves in the registry.
#include "viewer/StandInInstall.h"

#include "ImportPatch.h"
#include "OvShellMenuFactory.h"
#include "ServerRegistration.h"
#include "lumSysUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// Every registry call of this program that may create, change or delete
// something, as "<root>|<path>": the hook sees which root the code names,
// which Wine (whose HKEY_CLASSES_ROOT is always the machine's classes) would
// not show in the registry afterwards.
class TRegistryChanges {
public:
    TRegistryChanges() { changes_.clear(); }
    static const std::vector<std::string>& Changes() { return changes_; }

private:
    static constexpr REGSAM kChanging = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE | WRITE_DAC | WRITE_OWNER;

    static void Note(HKEY root, const std::string& path) {
        const char* name = root == HKEY_CLASSES_ROOT    ? "HKCR"
                           : root == HKEY_LOCAL_MACHINE ? "HKLM"
                           : root == HKEY_CURRENT_USER  ? "HKCU"
                                                        : "key";
        changes_.push_back(std::string(name) + "|" + path);
    }
    static std::string Narrow(const wchar_t* path) { return path ? LossyAnsiOf(path) : std::string(); }

    static LONG WINAPI CreateA(HKEY root, LPCSTR path, DWORD reserved, LPSTR cls, DWORD options, REGSAM access,
                               LPSECURITY_ATTRIBUTES security, PHKEY key, LPDWORD disposition) {
        Note(root, path ? path : "");
        return self_->createA_.Original<decltype(&RegCreateKeyExA)>()(root, path, reserved, cls, options, access,
                                                                    security, key, disposition);
    }
    static LONG WINAPI CreateW(HKEY root, LPCWSTR path, DWORD reserved, LPWSTR cls, DWORD options, REGSAM access,
                               LPSECURITY_ATTRIBUTES security, PHKEY key, LPDWORD disposition) {
        Note(root, Narrow(path));
        return self_->createW_.Original<decltype(&RegCreateKeyExW)>()(root, path, reserved, cls, options, access,
                                                                    security, key, disposition);
    }
    static LONG WINAPI OpenA(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key) {
        if (access & kChanging) Note(root, path ? path : "");
        return self_->openA_.Original<decltype(&RegOpenKeyExA)>()(root, path, options, access, key);
    }
    static LONG WINAPI OpenW(HKEY root, LPCWSTR path, DWORD options, REGSAM access, PHKEY key) {
        if (access & kChanging) Note(root, Narrow(path));
        return self_->openW_.Original<decltype(&RegOpenKeyExW)>()(root, path, options, access, key);
    }
    static LONG WINAPI DeleteA(HKEY root, LPCSTR path) {
        Note(root, path ? path : "");
        return self_->deleteA_.Original<decltype(&RegDeleteKeyA)>()(root, path);
    }

    static inline std::vector<std::string> changes_;
    static inline TRegistryChanges* self_ = nullptr;
    bool set_ = (self_ = this, true);
    TImportPatch createA_{"advapi32.dll", "RegCreateKeyExA", reinterpret_cast<void*>(&CreateA)};
    TImportPatch createW_{"advapi32.dll", "RegCreateKeyExW", reinterpret_cast<void*>(&CreateW)};
    TImportPatch openA_{"advapi32.dll", "RegOpenKeyExA", reinterpret_cast<void*>(&OpenA)};
    TImportPatch openW_{"advapi32.dll", "RegOpenKeyExW", reinterpret_cast<void*>(&OpenW)};
    TImportPatch deleteA_{"advapi32.dll", "RegDeleteKeyA", reinterpret_cast<void*>(&DeleteA)};
};

size_t CountWithPrefix(const std::vector<std::string>& changes, const std::string& prefix) {
    return static_cast<size_t>(std::ranges::count_if(changes, [&](const std::string& c) { return c.starts_with(prefix); }));
}

// On Windows a write through HKEY_CLASSES_ROOT to a key the user's classes
// already hold lands in the user's hive; the systems that merge nothing are
// left as they were. The server code is linked into this program, so the
// hook on its imports sees every call registration makes.
TEST(MachineRegistration, NamesTheMachinesClassesOutrightWhereWindowsMergesTheUsers) {
    InitPlatformFlags();
    const struct {
        const char* name;
        TPlatformFlags flags;
        bool mergesUserClasses;
    } cases[] = {
        {"the prefix's own Windows (NT 6)", {IsWinNT, Is9xNewerThan95, IsNTNewerThanNT4, IsNTNewerThanNT5}, true},
        {"Windows 2000", PlatformFlagsFor(VER_PLATFORM_WIN32_NT, 5, 0), true},
        {"NT 4", PlatformFlagsFor(VER_PLATFORM_WIN32_NT, 4, 0), false},
        {"Windows 98", PlatformFlagsFor(VER_PLATFORM_WIN32_WINDOWS, 4, 10), false},
    };
    ASSERT_TRUE(IsWinNT && IsNTNewerThanNT5) << "the prefix reports an older Windows than expected";
    CreateMenuFactory();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        IsWinNT = c.flags.IsWinNT;
        Is9xNewerThan95 = c.flags.Is9xNewerThan95;
        IsNTNewerThanNT4 = c.flags.IsNTNewerThanNT4;
        IsNTNewerThanNT5 = c.flags.IsNTNewerThanNT5;
        for (const bool reg : {true, false}) {
            SCOPED_TRACE(reg ? "DllRegisterServer" : "DllUnregisterServer");
            std::vector<std::string> changes;
            {
                const TRegistryChanges hook;
                ASSERT_EQ(reg ? RegisterMenuServer() : UnregisterMenuServer(), S_OK);
                changes = TRegistryChanges::Changes();
            }
            const size_t throughMerged = CountWithPrefix(changes, "HKCR|");
            const size_t machineClasses = CountWithPrefix(changes, "HKLM|Software\\Classes\\");
            EXPECT_EQ(throughMerged == 0, c.mergesUserClasses) << ::testing::PrintToString(changes);
            EXPECT_EQ(machineClasses > 0, c.mergesUserClasses) << ::testing::PrintToString(changes);
            // Whichever root was named, the classes are (or are no longer)
            // where Explorer looks for them.
            EXPECT_EQ(KeyExists(HKEY_CLASSES_ROOT, kClsidKeyPath), reg);
            EXPECT_EQ(KeyExists(HKEY_CLASSES_ROOT, kFileHandlerPath), reg);
            EXPECT_EQ(KeyExists(HKEY_CLASSES_ROOT, kExplorerClassKey), reg);
        }
    }
    FreeMenuFactory();
    InitPlatformFlags();
}

} // namespace
} // namespace ovs::test
