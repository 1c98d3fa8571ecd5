// Installing for one user without administrator rights: regsvr32 /n /i:user
// and DllInstall write every class and handler entry of the server under
// HKEY_CURRENT_USER\Software\Classes, nothing under HKEY_LOCAL_MACHINE, and
// take all of it away again. Wine does not merge the user's classes into
// HKEY_CLASSES_ROOT, so the class is loaded as Windows would load it: from
// the per-user InprocServer32 path through the library's DllGetClassObject.
#include "viewer/StandInInstall.h"

#include <shellapi.h>

#include <gtest/gtest.h>

#include <map>

namespace ovs::test {

inline constexpr char kExplorerClsid[] = "{24FC18D4-6ADD-4697-ABAD-F6F3DFC1ADDE}";

namespace {

const CLSID kExplorerClassId = {0x24FC18D4, 0x6ADD, 0x4697, {0xAB, 0xAD, 0xF6, 0xF3, 0xDF, 0xC1, 0xAD, 0xDE}};
const CLSID kMenuClassId = {0x6F0B2D4E, 0x93A1, 0x4C7E, {0x8B, 0x25, 0x1D, 0x9E, 0x4A, 0x7C, 0x3F, 0x60}};

const std::string kUserClasses = "Software\\Classes\\";

// Every key and value below a key: "path" for a key, "path|name=type:data"
// for a value.
using TTree = std::map<std::wstring, std::wstring>;

void AddTree(HKEY root, const std::wstring& path, TTree& tree) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    tree[path];
    std::vector<std::wstring> children;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        children.emplace_back(name, length);
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD length = 16384, type = 0, size = 0;
        if (RegEnumValueW(key, i, name, &length, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
        length = 16384;
        RegEnumValueW(key, i, name, &length, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        tree[path + L"|" + std::wstring(name, length)] = std::to_wstring(type) + L":" + data;
    }
    RegCloseKey(key);
    for (const std::wstring& child : children) AddTree(root, path.empty() ? child : path + L"\\" + child, tree);
}

// What is below the key: the key itself may be made by the first writer
// (a fresh Wine prefix has no HKCU\Software\Classes), and stays.
TTree Tree(HKEY root, const std::string& path) {
    TTree tree;
    AddTree(root, WideFromAnsi(path), tree);
    tree.erase(WideFromAnsi(path));
    return tree;
}

// What a per-user installation may not touch: the machine's classes and the
// Approved list.
TTree MachineTrees() {
    TTree tree = Tree(HKEY_LOCAL_MACHINE, "Software\\Classes");
    for (auto& entry : Tree(HKEY_LOCAL_MACHINE, kApprovedPath)) tree.insert(entry);
    return tree;
}

DWORD Regsvr32With(const std::string& switches, const std::string& dll) {
    const TProcessResult result = RunProcess("regsvr32 /s " + switches + " \"" + dll + "\"");
    return result.Finished ? result.ExitCode : 0xFFFFFFFF;
}

class UserInstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        Regsvr32With("/u /n /i:user", server_.Dll());
        userBefore_ = Tree(HKEY_CURRENT_USER, "Software\\Classes");
        machineBefore_ = MachineTrees();
    }
    void TearDown() override { Regsvr32With("/u /n /i:user", server_.Dll()); }

    TInstalledServer server_;
    TTree userBefore_;
    TTree machineBefore_;
};

TEST_F(UserInstallTest, InstallWritesEveryClassAndHandlerEntryUnderTheUsersClassesAndNothingElse) {
    ASSERT_EQ(Regsvr32With("/n /i:user", server_.Dll()), 0u);
    const struct {
        std::string Key;
        const char* Name;
        std::string Value;
    } expected[] = {
        {std::string("CLSID\\") + kClsid, "", "Orvane Slide Show shell menu items"},
        {std::string("CLSID\\") + kClsid + "\\InprocServer32", "", server_.Dll()},
        {std::string("CLSID\\") + kClsid + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {kFileHandlerPath, "", kClsid},
        {kFolderHandlerPath, "", kClsid},
        {std::string("CLSID\\") + kExplorerClsid, "", "Orvane Slide Show Explorer commands"},
        {std::string("CLSID\\") + kExplorerClsid + "\\InprocServer32", "", server_.Dll()},
        {std::string("CLSID\\") + kExplorerClsid + "\\InprocServer32", "ThreadingModel", "Apartment"},
    };
    TTree added;
    for (const auto& [path, value] : Tree(HKEY_CURRENT_USER, "Software\\Classes"))
        if (!userBefore_.count(path)) added[path] = value;
    size_t values = 0;
    for (const auto& e : expected) {
        SCOPED_TRACE(e.Key + " / " + e.Name);
        EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kUserClasses + e.Key, e.Name), std::optional<std::string>(e.Value));
    }
    for (const auto& [path, value] : added) values += path.find(L'|') != std::wstring::npos;
    // Exactly these values, and no shellex key for the Explorer commands.
    EXPECT_EQ(values, std::size(expected));
    for (const auto& [path, value] : added)
        EXPECT_EQ(path.find(WideFromAnsi(kExplorerClsid) + L"\\shellex"), std::wstring::npos);
    EXPECT_EQ(MachineTrees(), machineBefore_);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClsidKeyPath));

    ASSERT_EQ(Regsvr32With("/u /n /i:user", server_.Dll()), 0u);
    EXPECT_EQ(Tree(HKEY_CURRENT_USER, "Software\\Classes"), userBefore_);
    EXPECT_EQ(MachineTrees(), machineBefore_);
}

// A class loaded as Windows loads a per-user class: the path from its
// InprocServer32 under the user's classes, then that library's
// DllGetClassObject.
struct TUserClass {
    HMODULE Module = nullptr;
    TComPtr<IClassFactory> Factory;
    HRESULT Result = REGDB_E_CLASSNOTREG;

    TUserClass(const std::string& clsidText, const CLSID& classId) {
        const auto path = RegValue(HKEY_CURRENT_USER, kUserClasses + "CLSID\\" + clsidText + "\\InprocServer32", "");
        if (!path || !(Module = LoadLibraryA(path->c_str()))) return;
        const auto getClassObject = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
            reinterpret_cast<void*>(GetProcAddress(Module, "DllGetClassObject")));
        if (getClassObject) Result = getClassObject(classId, IID_IClassFactory, Factory.put_void());
    }
    ~TUserClass() {
        Factory.reset();
        if (Module) FreeLibrary(Module);
    }
};

TEST_F(UserInstallTest, ThePerUserClassesLoadFromTheirInprocServerPath) {
    ASSERT_EQ(Regsvr32With("/n /i:user", server_.Dll()), 0u);
    TComApartment apartment;
    {
        TUserClass menuClass(kClsid, kMenuClassId);
        ASSERT_EQ(menuClass.Result, S_OK);
        TComPtr<IContextMenu> menu;
        EXPECT_EQ(menuClass.Factory->CreateInstance(nullptr, IID_IContextMenu, menu.put_void()), S_OK);
    }
    TUserClass commandClass(kExplorerClsid, kExplorerClassId);
    ASSERT_EQ(commandClass.Result, S_OK);
    TComPtr<IExplorerCommand> root;
    ASSERT_EQ(commandClass.Factory->CreateInstance(nullptr, IID_IExplorerCommand, root.put_void()), S_OK);
    LPWSTR title = nullptr;
    ASSERT_EQ(root->GetTitle(nullptr, &title), S_OK);
    EXPECT_STREQ(title, L"Orvane Slide Show");
    CoTaskMemFree(title);
}

// The viewer is looked for beside the library as Windows' merged view gives
// it: the user's registration before the machine's.
TEST_F(UserInstallTest, TheViewerIsFoundBesideThePerUserRegistration) {
    TInstalledServer machine("machine", false);
    ASSERT_EQ(machine.Register(), 0u);
    ASSERT_EQ(Regsvr32With("/n /i:user", server_.Dll()), 0u);
    TComApartment apartment;
    WriteFileBytes(server_.Scratch() / "a.png", "png");
    TUserClass menuClass(kClsid, kMenuClassId);
    ASSERT_EQ(menuClass.Result, S_OK);
    TComPtr<IShellExtInit> init;
    ASSERT_EQ(menuClass.Factory->CreateInstance(nullptr, IID_IShellExtInit, init.put_void()), S_OK);
    TComPtr<IDataObject> data;
    ASSERT_TRUE(ShellDataObject(server_.Scratch().path(), {"a.png"}, data));
    ASSERT_EQ(init->Initialize(nullptr, data.get(), nullptr), S_OK);
    TComPtr<IContextMenu> menu;
    ASSERT_EQ(init->QueryInterface(IID_IContextMenu, menu.put_void()), S_OK);
    HMENU popup = CreatePopupMenu();
    menu->QueryContextMenu(popup, 0, 100, 150, CMF_NORMAL);
    DestroyMenu(popup);
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = CMIC_MASK_FLAG_NO_UI;
    info.lpVerb = MAKEINTRESOURCEA(1);
    EXPECT_EQ(menu->InvokeCommand(&info), S_OK);
    const auto records = server_.WaitForRecords(1);
    ASSERT_EQ(records.size(), 1u);
    // `"viewer" -show "list"`: the list is the test's to remove.
    const std::string& line = records[0].CommandLine;
    const size_t listAt = line.find("\" -show \"");
    ASSERT_NE(listAt, std::string::npos);
    DeleteFileA(line.substr(listAt + 9, line.size() - listAt - 10).c_str());
}

TEST_F(UserInstallTest, OnlyUserInAnyCaseIsACommandAndNothingElseWritesAnything) {
    HMODULE module = LoadLibraryA(server_.Dll().c_str());
    ASSERT_NE(module, nullptr);
    const auto install = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR)>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllInstall")));
    ASSERT_NE(install, nullptr);
    const struct {
        const wchar_t* Command;
        HRESULT Result;
    } cases[] = {
        {nullptr, E_INVALIDARG}, {L"", E_INVALIDARG},      {L"users", E_INVALIDARG}, {L"machine", E_INVALIDARG},
        {L" user", E_INVALIDARG}, {L"user", S_OK},          {L"USER", S_OK},          {L"User", S_OK},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Command ? LossyAnsiOf(c.Command) : "(null)");
        for (const BOOL doInstall : {TRUE, FALSE}) {
            EXPECT_EQ(install(doInstall, c.Command), c.Result);
            if (FAILED(c.Result)) {
                EXPECT_EQ(Tree(HKEY_CURRENT_USER, "Software\\Classes"), userBefore_);
            }
        }
        EXPECT_EQ(Tree(HKEY_CURRENT_USER, "Software\\Classes"), userBefore_);
    }
    FreeLibrary(module);
    // regsvr32 reports a failing DllInstall with exit code 5.
    EXPECT_EQ(Regsvr32With("/n /i:machine", server_.Dll()), 5u);
    EXPECT_EQ(Tree(HKEY_CURRENT_USER, "Software\\Classes"), userBefore_);
    EXPECT_EQ(MachineTrees(), machineBefore_);
}

TEST_F(UserInstallTest, WindowsWithoutPerUserClassesFailAndWriteNothing) {
    for (const char* version : {"win95", "win98", "nt40"}) {
        SCOPED_TRACE(version);
        TReportedVersion old("regsvr32.exe", version);
        EXPECT_EQ(Regsvr32With("/n /i:user", server_.Dll()), 5u);
        EXPECT_EQ(Tree(HKEY_CURRENT_USER, "Software\\Classes"), userBefore_);
    }
    EXPECT_EQ(MachineTrees(), machineBefore_);
    TReportedVersion win2k("regsvr32.exe", "win2k");
    EXPECT_EQ(Regsvr32With("/n /i:user", server_.Dll()), 0u);
    EXPECT_TRUE(RegValue(HKEY_CURRENT_USER, kUserClasses + kFileHandlerPath, "").has_value());
}

} // namespace
} // namespace ovs::test
