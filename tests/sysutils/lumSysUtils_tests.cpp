// The system utilities against Wine's real registry and version reporting.
#include "lumSysUtils.h"
#include "ImportPatch.h"
#include "RegistryKey.h"
#include "ResString.h"
#include "RunTimeImports.h"
#include "WinFiles.h"
#include "WinTestSupport.h"
#include "WinText.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <vector>

using namespace ovs;
using ovs::test::TScratchKey;

namespace {

bool KeyExists(HKEY root, const std::string& path) {
    TRegistryKey key;
    return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

void SetDword(HKEY root, const std::string& path, const char* name, DWORD value) {
    TRegistryKey key;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)),
              ERROR_SUCCESS);
}

void SetRaw(HKEY root, const std::string& path, const char* name, DWORD type, const std::string& bytes) {
    TRegistryKey key;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
}

std::wstring WideOf(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::string Message(const std::function<void()>& action) {
    try {
        action();
    } catch (const ERegistryException& e) {
        return e.what();
    }
    return "(nothing raised)";
}

} // namespace

TEST(PlatformFlags, FollowTheReportedVersion) {
    struct Row {
        const char* windows;
        DWORD id, major, minor;
        bool nt, newer9x, newerNT, newerNT5;
    };
    const Row rows[] = {
        {"95", 1, 4, 0, false, false, false, false},    {"98", 1, 4, 10, false, true, false, false},
        {"Me", 1, 4, 90, false, true, false, false},    {"NT 3.51", 2, 3, 51, true, false, false, false},
        {"NT 4.0", 2, 4, 0, true, false, false, false}, {"2000", 2, 5, 0, true, false, true, false},
        {"XP", 2, 5, 1, true, false, true, false},      {"Server 2003", 2, 5, 2, true, false, true, false},
        {"Vista", 2, 6, 0, true, false, true, true},    {"10", 2, 10, 0, true, false, true, true},
        {"Win32s", 0, 3, 10, false, false, false, false},
    };
    for (const Row& r : rows) {
        const TPlatformFlags f = PlatformFlagsFor(r.id, r.major, r.minor);
        EXPECT_EQ(f.IsWinNT, r.nt) << r.windows;
        EXPECT_EQ(f.Is9xNewerThan95, r.newer9x) << r.windows;
        EXPECT_EQ(f.IsNTNewerThanNT4, r.newerNT) << r.windows;
        EXPECT_EQ(f.IsNTNewerThanNT5, r.newerNT5) << r.windows;
    }
}

// Run by EndToEndUnderReportedVersions in a child process whose Windows
// version Wine was told to report; OVS_EXPECT_FLAGS holds "nt,9x,ntnewer".
TEST(PlatformFlags, ChildProbe) {
    const char* expected = std::getenv("OVS_EXPECT_FLAGS");
    if (!expected) GTEST_SKIP() << "only run as a child of EndToEndUnderReportedVersions";
    InitPlatformFlags();
    const std::string got = std::string(IsWinNT ? "1" : "0") + "," + (Is9xNewerThan95 ? "1" : "0") + ","
                            + (IsNTNewerThanNT4 ? "1" : "0");
    EXPECT_EQ(got, expected);
}

TEST(PlatformFlags, EndToEndUnderReportedVersions) {
    if (std::getenv("OVS_EXPECT_FLAGS")) GTEST_SKIP();
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string appDefaults = "Software\\Wine\\AppDefaults\\" + NamePartOf(self);
    struct Row {
        const char* version;
        const char* flags;
    };
    const Row rows[] = {{"win95", "0,0,0"}, {"win98", "0,1,0"}, {"winme", "0,1,0"},
                        {"nt40", "1,0,0"},  {"win2k", "1,0,1"}, {"winxp", "1,0,1"}};
    for (const Row& r : rows) {
        RegWriteString(HKEY_CURRENT_USER, appDefaults, "Version", r.version);
        SetEnvironmentVariableA("OVS_EXPECT_FLAGS", r.flags);
        const auto run = ovs::test::RunProcess("\"" + std::string(self) + "\" --gtest_filter=PlatformFlags.ChildProbe");
        SetEnvironmentVariableA("OVS_EXPECT_FLAGS", nullptr);
        EXPECT_TRUE(run.Finished) << r.version;
        EXPECT_EQ(run.ExitCode, 0u) << r.version << " should give " << r.flags;
    }
    RegRemoveKey(HKEY_CURRENT_USER, appDefaults);
}

TEST(Registry, WriteCreatesEveryMissingKeyAndReadsBack) {
    TScratchKey scratch("write");
    const std::string deep = scratch.path() + "\\a\\b\\c";
    RegWriteString(HKEY_CURRENT_USER, deep, "Name", "value one");
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, deep, "Name"), "value one");
    // A leading backslash is ignored; the default value has an empty name.
    RegWriteString(HKEY_CURRENT_USER, "\\" + deep, "", "default");
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, deep, ""), "default");

    // Stored as REG_SZ with its terminating null counted.
    TRegistryKey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, deep.c_str(), 0, KEY_READ, key.put()), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExA(key.get(), "Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 10u);
}

TEST(Registry, ReadDistinguishesMissingEmptyAndWrongTypes) {
    TScratchKey scratch("read");
    const std::string path = scratch.path();
    const std::string missingKey = path + "\\nothing here";
    RegWriteString(HKEY_CURRENT_USER, path, "Empty", "");
    SetRaw(HKEY_CURRENT_USER, path, "NoData", REG_SZ, "");
    SetRaw(HKEY_CURRENT_USER, path, "Expand", REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9));
    SetRaw(HKEY_CURRENT_USER, path, "TwoParts", REG_SZ, std::string("first\0second\0", 13));
    SetRaw(HKEY_CURRENT_USER, path, "Unterminated", REG_SZ, "abc");
    SetDword(HKEY_CURRENT_USER, path, "Number", 7);

    EXPECT_EQ(RegReadStringDef(HKEY_CURRENT_USER, path, "Missing", "dflt"), "dflt");
    EXPECT_EQ(RegReadStringDef(HKEY_CURRENT_USER, missingKey, "Any", "dflt"), "dflt");
    EXPECT_EQ(RegReadStringDef(HKEY_CURRENT_USER, path, "Empty", "dflt"), "");
    EXPECT_EQ(RegReadStringDef(HKEY_CURRENT_USER, path, "NoData", "dflt"), "");
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, path, "Missing"), "");
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, path, "Expand"), "%TEMP%\\x");
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, path, "TwoParts"), "first");
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, path, "Unterminated"), "abc");

    EXPECT_EQ(Message([&] { RegReadStringDef(HKEY_CURRENT_USER, path, "Number", "dflt"); }),
              "Invalid data type for 'Number'");
    EXPECT_EQ(Message([&] { RegReadString(HKEY_CURRENT_USER, path, "Number"); }), "Invalid data type for 'Number'");
    EXPECT_EQ(Message([&] { RegReadString(HKEY_CURRENT_USER, missingKey, "Any"); }),
              "Unable to open the " + missingKey + " key");
}

TEST(Registry, QueryReadsWithoutChangingAndTellsMissingFromEmpty) {
    TScratchKey scratch("query");
    const std::string path = scratch.path();
    RegWriteString(HKEY_CURRENT_USER, path, "Empty", "");
    RegWriteString(HKEY_CURRENT_USER, path, "", "default");
    SetRaw(HKEY_CURRENT_USER, path, "NoData", REG_SZ, "");
    SetRaw(HKEY_CURRENT_USER, path, "Expand", REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9));
    SetRaw(HKEY_CURRENT_USER, path, "TwoParts", REG_SZ, std::string("first\0second\0", 13));
    SetRaw(HKEY_CURRENT_USER, path, "Unterminated", REG_SZ, "abc");
    SetDword(HKEY_CURRENT_USER, path, "Number", 7);

    const std::pair<const char*, std::optional<std::string>> rows[] = {
        {"Missing", std::nullopt}, {"Empty", ""},          {"", "default"},
        {"NoData", ""},            {"Expand", "%TEMP%\\x"}, {"TwoParts", "first"},
        {"Unterminated", "abc"},
    };
    for (const auto& [name, expected] : rows) {
        EXPECT_EQ(RegQueryString(HKEY_CURRENT_USER, path, name), expected) << name;
        const std::optional<std::wstring> wide = RegQueryStringW(HKEY_CURRENT_USER, WideOf(path), WideOf(name));
        EXPECT_EQ(wide.has_value(), expected.has_value()) << name;
        if (wide && expected) {
            EXPECT_EQ(*wide, WideOf(*expected)) << name;
        }
    }
    EXPECT_EQ(Message([&] { RegQueryString(HKEY_CURRENT_USER, path, "Number"); }), "Invalid data type for 'Number'");
    EXPECT_EQ(Message([&] { RegQueryStringW(HKEY_CURRENT_USER, WideOf(path), L"Number"); }),
              "Invalid data type for 'Number'");

    const std::string missingKey = path + "\\nothing here";
    try {
        RegQueryString(HKEY_CURRENT_USER, missingKey, "Any");
        ADD_FAILURE() << "a missing key raises";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to open the " + missingKey + " key");
        EXPECT_EQ(e.Code(), ERROR_FILE_NOT_FOUND);
    }
    EXPECT_EQ(Message([&] { RegQueryStringW(HKEY_CURRENT_USER, WideOf(missingKey), L"Any"); }),
              "Unable to open the " + missingKey + " key");
}

TEST(Registry, WideNamesAndTextsOutsideTheCodePage) {
    InitPlatformFlags();
    TScratchKey scratch("wide");
    const std::wstring path = WideOf(scratch.path()) + L"\\\u5199\u771f";
    RegWriteStringW(HKEY_CURRENT_USER, path, L"\u30bd\u8868", L"C:\\\u0418\u0432\u0430\u043d\\\U0001F334.jpg");
    EXPECT_EQ(RegQueryStringW(HKEY_CURRENT_USER, path, L"\u30bd\u8868"),
              std::optional<std::wstring>(L"C:\\\u0418\u0432\u0430\u043d\\\U0001F334.jpg"));
    EXPECT_EQ(NamePartOf(std::wstring(L"\"C:\\T\\tmp1.exe\" -doit \"C:\\\u5199\u771f\\\u30bd\u8868.jpg\" \"\"")),
              L"\u30bd\u8868.jpg\" \"\"");
}

// Plays a user who may read the machine's keys but not change them: Wine
// itself grants every right.
std::vector<REGSAM> AccessAskedFor;
LONG ReadOnlyUser(HKEY, REGSAM access) {
    AccessAskedFor.push_back(access);
    constexpr REGSAM kReadRights = KEY_READ | KEY_WOW64_32KEY | KEY_WOW64_64KEY;
    return (access & ~kReadRights) ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
}

TEST(Registry, QueryAsksForReadAccessAndItsViewOnly) {
    TScratchKey scratch("access");
    const std::string path = scratch.path();
    RegWriteString(HKEY_CURRENT_USER, path, "Installed", "Yes");
    AccessAskedFor.clear();
    const TRegistryAccessCheck previous = SetRegistryAccessCheck(ReadOnlyUser);
    const std::optional<std::string> text = RegQueryString(HKEY_CURRENT_USER, path, "Installed", KEY_WOW64_32KEY);
    const std::optional<std::wstring> wide = RegQueryStringW(HKEY_CURRENT_USER, WideOf(path), L"Installed");
    // The routines that keep full access fail for such a user.
    const std::string fallback = RegReadStringDef(HKEY_CURRENT_USER, path, "Installed", "No");
    const std::string denied = Message([&] { RegReadString(HKEY_CURRENT_USER, path, "Installed"); });
    SetRegistryAccessCheck(previous);

    EXPECT_EQ(text, std::optional<std::string>("Yes"));
    EXPECT_EQ(wide, std::optional<std::wstring>(L"Yes"));
    EXPECT_EQ(fallback, "No");
    EXPECT_EQ(denied, "Unable to open the " + path + " key");
    const std::vector<REGSAM> expected = {KEY_QUERY_VALUE | KEY_WOW64_32KEY, KEY_QUERY_VALUE, KEY_ALL_ACCESS,
                                          KEY_ALL_ACCESS};
    EXPECT_EQ(AccessAskedFor, expected);
}

TEST(Registry, QueryReadsTheViewItIsGiven) {
    // A 32-bit installer's key lands in the 32-bit view of the machine's
    // software key, where a 64-bit program finds it only when it asks.
    if (!Is64BitWindows()) GTEST_SKIP() << "one registry view only";
    const std::string path = "Software\\ovs-view-" + std::to_string(GetCurrentProcessId());
    {
        TRegistryKey key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                                  nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key.get(), "Installed", 0, REG_SZ, reinterpret_cast<const BYTE*>("Yes"), 4),
                  ERROR_SUCCESS);
    }
    EXPECT_EQ(RegQueryString(HKEY_LOCAL_MACHINE, path, "Installed", KEY_WOW64_32KEY),
              std::optional<std::string>("Yes"));
    EXPECT_EQ(Message([&] { RegQueryString(HKEY_LOCAL_MACHINE, path, "Installed", KEY_WOW64_64KEY); }),
              "Unable to open the " + path + " key");
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_32KEY, 0);
}

TEST(ResString, TextsComeFromTheModulesStringTable) {
    InitPlatformFlags();
    EXPECT_EQ(ResourceModule(), GetModuleHandleA(nullptr)); // the code is linked into this program
    EXPECT_EQ(LoadResString(IDS_UNABLE_TO_OPEN_KEY), "Unable to open the %s key");
    EXPECT_EQ(LoadResStringW(IDS_FAILED_TO_SET_DATA), L"Failed to set data for '%s'");
    const std::pair<UINT, const char*> rows[] = {
        {IDS_UNABLE_TO_OPEN_KEY, "Unable to open the A\\%s key"},
        {IDS_INVALID_DATA_TYPE, "Invalid data type for 'A\\%s'"},
        {IDS_FAILED_TO_GET_DATA, "Failed to get data for 'A\\%s'"},
        {IDS_FAILED_TO_SET_DATA, "Failed to set data for 'A\\%s'"},
    };
    // The argument goes in as it is, "%s" and all.
    for (const auto& [id, expected] : rows) EXPECT_EQ(FormatResString(id, "A\\%s"), expected) << id;
    EXPECT_THROW(LoadResString(999), EResourceMissing);
    EXPECT_THROW(LoadResStringW(999), EResourceMissing);
}

TEST(PlatformFlags, ThisProgramRunsOn64BitWindows) {
    // The x86_64 build runs nowhere else; the i686 build asks Windows.
#if defined(_WIN64)
    EXPECT_TRUE(Is64BitWindows());
#else
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    EXPECT_EQ(Is64BitWindows(), wow64 != FALSE);
#endif
}

// --- Text, paths and the functions fetched at run time ------------------------------

// Windows refuses a used-default flag for UTF-8 (ERROR_INVALID_PARAMETER);
// Wine accepts it, so this stand-in plays Windows.
test::TImportPatch* conversion = nullptr;
int WINAPI WideCharToMultiByteAsWindows(UINT codePage, DWORD flags, LPCWCH text, int size, LPSTR out, int outSize,
                                        LPCCH defaultChar, LPBOOL usedDefault) {
    const bool utf8 = codePage == CP_UTF8 || ((codePage == CP_ACP || codePage == CP_THREAD_ACP) && GetACP() == CP_UTF8);
    if (utf8 && (usedDefault || defaultChar)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return conversion->Original<decltype(&WideCharToMultiByteAsWindows)>()(codePage, flags, text, size, out,
                                                                           outSize, defaultChar, usedDefault);
}

constexpr char kUtf8ChildVariable[] = "OVS_UTF8_ACP_DONE";

TEST(Utf8AnsiCodePage, NamesConvertExactlyWhereUtf8IsTheAnsiCodePage) {
    // A copy of this program whose manifest asks for UTF-8 as its ANSI code
    // page, as Windows 10 1903 on allows (and Wine honours).
    test::TScratchDir dir("utf8");
    char self[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string copy = dir / "ovsutf8.exe";
    ASSERT_TRUE(CopyFileA(self, copy.c_str(), FALSE));
    std::ofstream(copy + ".manifest")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<assembly manifestVersion=\"1.0\" xmlns=\"urn:schemas-microsoft-com:asm.v1\">\n"
           " <assemblyIdentity type=\"win32\" name=\"ovs.utf8\" version=\"1.0.0.0\"/>\n"
           " <application xmlns=\"urn:schemas-microsoft-com:asm.v3\"><windowsSettings>\n"
           "  <activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/WindowsSettings\">UTF-8</activeCodePage>\n"
           " </windowsSettings></application>\n</assembly>\n";
    const std::string done = dir / "done";
    SetEnvironmentVariableA(kUtf8ChildVariable, done.c_str());
    const test::TProcessResult run = test::RunProcess("\"" + copy + "\" --gtest_filter=Utf8AnsiCodePageChild.*");
    SetEnvironmentVariableA(kUtf8ChildVariable, nullptr);
    ASSERT_TRUE(run.Finished);
    EXPECT_EQ(run.ExitCode, 0u);
    EXPECT_TRUE(test::FileExists(done)) << "the copy ran no test";
}

TEST(Utf8AnsiCodePageChild, ExactFormsAreTheUtf8Bytes) {
    const char* done = std::getenv(kUtf8ChildVariable);
    if (!done) GTEST_SKIP() << "run by Utf8AnsiCodePage only";
    ASSERT_EQ(GetACP(), UINT(CP_UTF8)) << "the manifest's code page was not applied";
    test::TImportPatch patch("kernel32.dll", "WideCharToMultiByte", reinterpret_cast<void*>(&WideCharToMultiByteAsWindows));
    conversion = &patch;
    EXPECT_EQ(ExactAnsiOf(L"C:\\Fotos\\\u03A9mega.jpg"), "C:\\Fotos\\\xCE\xA9mega.jpg");
    EXPECT_EQ(ExactAnsiOf(L"\U0001F334\u5199\u771F"), "\xF0\x9F\x8C\xB4\xE5\x86\x99\xE7\x9C\x9F");
    EXPECT_EQ(ExactAnsiOf(L"lone \xD800"), std::nullopt);
    EXPECT_EQ(LossyAnsiOf(L"\u03A9"), "\xCE\xA9");
    conversion = nullptr;
    if (!::testing::Test::HasFailure()) std::ofstream(done) << "ok";
}

TEST(FullPathOf, ResolvesAgainstTheCurrentFolderWithoutAskingTheDisk) {
    InitPlatformFlags();
    test::TScratchDir dir("full");
    wchar_t saved[MAX_PATH + 1] = {};
    GetCurrentDirectoryW(MAX_PATH + 1, saved);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    const std::wstring here = WideFromAnsi(dir.path());
    const std::pair<std::wstring, std::wstring> rows[] = {
        {L"a\\b.txt", here + L"\\a\\b.txt"},
        {L".\\no such folder", here + L"\\no such folder"},
        {L"..\\x", here.substr(0, here.rfind(L'\\')) + L"\\x"},
        {L"\u5199\u771F", here + L"\\\u5199\u771F"},
        {L"D:\\abs\\c.txt", L"D:\\abs\\c.txt"},
        {L"\\\\nohost\\share\\x", L"\\\\nohost\\share\\x"},
        {L"", L""},
    };
    for (const auto& [in, out] : rows) EXPECT_EQ(FullPathOf(in), out) << LossyAnsiOf(in);
    SetCurrentDirectoryW(saved);
}

TEST(RunTimeImports, ForwardWhereTheSystemHasTheFunction) {
    EXPECT_FALSE(RunTime::Has("kernel32.dll", "NoSuchFunction"));
    BOOL wow64 = TRUE;
    EXPECT_TRUE(RunTime::IsWow64Process(GetCurrentProcess(), &wow64));
    EXPECT_EQ(wow64 != FALSE, sizeof(void*) == 4 && Is64BitWindows());
    test::TScratchDir dir("late");
    const std::wstring path = WideFromAnsi(dir.path()) + L"\\\u5199\u771F.txt";
    test::WriteFileBytes(path, "bytes");
    std::FILE* file = RunTime::_wfopen(path.c_str(), L"rb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
}

TEST(Registry, WriteFailureNamesTheKey) {
    // HKEY_CLASSES_ROOT's subkeys can be created, so fail on an invalid root
    // instead: a closed handle.
    EXPECT_EQ(Message([] { RegWriteString(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234)), "X\\Y", "v", "t"); }),
              "Unable to open the X\\Y key");
}

TEST(Registry, RemoveValueAndKeyTree) {
    TScratchKey scratch("remove");
    const std::string path = scratch.path();
    RegWriteString(HKEY_CURRENT_USER, path, "Keep", "1");
    RegWriteString(HKEY_CURRENT_USER, path, "Drop", "2");
    EXPECT_TRUE(RegRemoveValue(HKEY_CURRENT_USER, path, "Drop"));
    EXPECT_FALSE(RegRemoveValue(HKEY_CURRENT_USER, path, "Drop"));
    EXPECT_FALSE(RegRemoveValue(HKEY_CURRENT_USER, path + "\\missing", "Keep"));
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, path, "Keep"), "1");

    for (const char* sub : {"\\t\\a\\x", "\\t\\a\\y", "\\t\\b", "\\t\\c\\d\\e\\f"})
        RegWriteString(HKEY_CURRENT_USER, path + sub, "v", "w");
    EXPECT_FALSE(RegRemoveKey(HKEY_CURRENT_USER, path + "\\missing"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, path));
    EXPECT_TRUE(RegRemoveKey(HKEY_CURRENT_USER, path + "\\t"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, path + "\\t"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, path));
}

TEST(Autorun, KeysOfEveryKind) {
    const std::string prefix = "Software\\Microsoft\\Windows\\CurrentVersion\\";
    EXPECT_EQ(AutorunKey(akRun).Root, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(AutorunKey(akRun).KeyPath, prefix + "Run");
    EXPECT_EQ(AutorunKey(akRunOnce).KeyPath, prefix + "RunOnce");
    EXPECT_EQ(AutorunKey(akUserRun).Root, HKEY_CURRENT_USER);
    EXPECT_EQ(AutorunKey(akUserRunOnce).Root, HKEY_CURRENT_USER);
    EXPECT_EQ(AutorunKey(akUserRunOnce).KeyPath, prefix + "RunOnce");
    EXPECT_EQ(AutorunKey(akRunServices).Root, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(AutorunKey(akRunServices).KeyPath, prefix + "RunServices");
    EXPECT_EQ(AutorunKey(akRunServicesOnce).KeyPath, prefix + "RunServicesOnce");
}

TEST(Autorun, StoresTheCommandLineUnderItsNamePart) {
    InitPlatformFlags();
    // Wine never runs HKCU RunOnce, so the entry is harmless until removed.
    const std::string tag = "ovs-autorun-" + std::to_string(GetCurrentProcessId());
    const std::string line = "\"C:\\missing\\tmp1.exe\" -doit \"C:\\x\\file.txt\" \"C:\\x\\" + tag + "\"";
    ASSERT_TRUE(RegisterAutorun(akUserRunOnce, line));
    const std::string key = AutorunKey(akUserRunOnce).KeyPath;
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, key, tag + "\""), line);
    EXPECT_TRUE(RegRemoveValue(HKEY_CURRENT_USER, key, tag + "\""));
}

TEST(Autorun, ServiceKindsOnlyOnThe9xFamily) {
    const std::string tag = "ovs-services-" + std::to_string(GetCurrentProcessId());
    const std::string key = AutorunKey(akRunServices).KeyPath;
    const bool saved = IsWinNT;

    IsWinNT = true;
    EXPECT_FALSE(RegisterAutorun(akRunServices, "C:\\" + tag));
    EXPECT_FALSE(RegisterAutorun(akRunServicesOnce, "C:\\" + tag));
    EXPECT_EQ(RegReadStringDef(HKEY_LOCAL_MACHINE, key, tag, "absent"), "absent");

    IsWinNT = false;
    EXPECT_TRUE(RegisterAutorun(akRunServices, "C:\\" + tag));
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, key, tag), "C:\\" + tag);
    EXPECT_TRUE(RegRemoveValue(HKEY_LOCAL_MACHINE, key, tag));
    IsWinNT = saved;
}

TEST(Autorun, FailureIsFalseNotAnError) {
    // A value name can be at most 16383 characters: a longer one can't be set.
    const std::string line = "C:\\" + std::string(20000, 'n');
    EXPECT_FALSE(RegisterAutorun(akUserRunOnce, line));
}

TEST(NamePart, TextAfterTheLastDelimiter) {
    const std::pair<const char*, const char*> rows[] = {
        {"C:\\dir\\file.txt", "file.txt"},
        {"C:\\dir\\", ""},
        {"C:", ""},
        {"name", "name"},
        {"", ""},
        {"a/b/c", "c"},
        {"dir\\sub/x:y", "y"},
        {"\"C:\\T\\tmp1.exe\" -doit \"C:\\P\\f.txt\" \"C:\\Program Files\\Orvane\"", "Orvane\""},
    };
    for (const auto& [path, expected] : rows) EXPECT_EQ(NamePartOf(path), expected) << path;
}
