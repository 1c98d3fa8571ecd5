// The shipped library's Explorer commands driven as Windows 11's Explorer
// drives them -- a site, an item array made from paths, GetState without leave
// to be slow and then, on a thread of its own, with it, the root's flags,
// title and icon, its sub-commands' titles, icons and tooltips, Invoke --
// beside the classic handler on the same selections: both doors must show the
// same commands with the same texts and hand the viewer the same list, and
// each menu of each host shows them once.
#include "CaptionJpeg.h"
#include "ExplorerSite.h"
#include "ImportPatch.h"
#include "lumSysUtils.h"
#include "viewer/StandInInstall.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <deque>
#include <set>
#include <thread>

namespace ovs::test {
namespace {

const CLSID kExplorerClsid = {0x24FC18D4, 0x6ADD, 0x4697, {0xAB, 0xAD, 0xF6, 0xF3, 0xDF, 0xC1, 0xAD, 0xDE}};
constexpr UINT kFirstId = 100;

std::wstring Taken(LPWSTR text) {
    std::wstring taken = text ? text : L"(null)";
    CoTaskMemFree(text);
    return taken;
}

// Explorer's item array for entries of one folder.
bool ItemArray(const std::wstring& folder, const std::vector<std::wstring>& names, TComPtr<IShellItemArray>& items) {
    std::vector<PIDLIST_ABSOLUTE> lists;
    bool ok = true;
    for (const std::wstring& name : names) {
        PIDLIST_ABSOLUTE list = nullptr;
        if (FAILED(SHParseDisplayName((folder + L"\\" + name).c_str(), nullptr, &list, 0, nullptr))) {
            ok = false;
            break;
        }
        lists.push_back(list);
    }
    if (ok)
        ok = SUCCEEDED(SHCreateShellItemArrayFromIDLists(static_cast<UINT>(lists.size()),
                                                         const_cast<PCIDLIST_ABSOLUTE_ARRAY>(lists.data()),
                                                         items.put()));
    for (PIDLIST_ABSOLUTE list : lists) CoTaskMemFree(list);
    return ok;
}

struct TCommandView {
    std::wstring Title, Icon, ToolTip;
    EXPCMDFLAGS Flags = 0;
};

TCommandView ViewOf(IExplorerCommand& command, IShellItemArray* items) {
    TCommandView view;
    LPWSTR text = nullptr;
    if (SUCCEEDED(command.GetTitle(items, &text))) view.Title = Taken(text);
    text = nullptr;
    if (SUCCEEDED(command.GetIcon(items, &text))) view.Icon = Taken(text);
    text = nullptr;
    if (SUCCEEDED(command.GetToolTip(items, &text))) view.ToolTip = Taken(text);
    command.GetFlags(&view.Flags);
    return view;
}

void SetSite(IUnknown* command, IUnknown* site) {
    TComPtr<IObjectWithSite> sited;
    ASSERT_EQ(command->QueryInterface(IID_IObjectWithSite, sited.put_void()), S_OK);
    sited->SetSite(site);
}

// One right-click in Windows 11's menu.
struct TExplorerMenu {
    TComPtr<IExplorerCommand> Root;
    TComPtr<IShellItemArray> Items;
    HRESULT FastAnswer = E_FAIL;
    EXPCMDSTATE State = ECS_DISABLED;
    std::deque<TComPtr<IExplorerCommand>> Subs;

    bool Open(const std::wstring& folder, const std::vector<std::wstring>& names, IUnknown* site = nullptr) {
        if (FAILED(CoCreateInstance(kExplorerClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IExplorerCommand,
                                    Root.put_void())))
            return false;
        return Ask(folder, names, site);
    }
    // Explorer sets the site, asks the window's thread first and, on
    // E_PENDING, asks again from a thread that may wait.
    bool Ask(const std::wstring& folder, const std::vector<std::wstring>& names, IUnknown* site = nullptr) {
        if (site) SetSite(Root.get(), site);
        if (!ItemArray(folder, names, Items)) return false;
        FastAnswer = Root->GetState(Items.get(), FALSE, &State);
        HRESULT slow = S_OK;
        if (FastAnswer == E_PENDING)
            std::thread([&] {
                TComApartment apartment;
                slow = Root->GetState(Items.get(), TRUE, &State);
            }).join();
        if (FAILED(slow)) return false;
        if (State != ECS_ENABLED) return true;
        TComPtr<IEnumExplorerCommand> list;
        if (FAILED(Root->EnumSubCommands(list.put()))) return false;
        for (;;) {
            IExplorerCommand* sub = nullptr;
            ULONG fetched = 0;
            if (list->Next(1, &sub, &fetched) != S_OK || fetched != 1) break;
            Subs.emplace_back();
            *Subs.back().put() = sub;
        }
        return true;
    }
    // With a default bind context (BIND_MAYBOTHERUSER clear), as callers make.
    HRESULT Invoke(size_t sub) {
        TComPtr<IBindCtx> context;
        if (FAILED(CreateBindCtx(0, context.put()))) return E_FAIL;
        return Subs.at(sub)->Invoke(Items.get(), context.get());
    }
};

// The classic door on the same selection: its commands' texts and help.
struct TClassicView {
    std::vector<std::wstring> Titles, Helps;
};

TClassicView ClassicView(const std::wstring& folder, const std::vector<std::wstring>& names,
                         TComPtr<IContextMenu>& menu) {
    TClassicView view;
    TComPtr<IShellExtInit> init;
    TComPtr<IDataObject> data;
    if (FAILED(CreateRegisteredHandler(init)) || !ShellDataObject(folder, names, data)) return view;
    if (FAILED(init->Initialize(nullptr, data.get(), nullptr))) return view;
    if (FAILED(init->QueryInterface(IID_IContextMenu, menu.put_void()))) return view;
    HMENU popup = CreatePopupMenu();
    menu->QueryContextMenu(popup, 0, kFirstId, kFirstId + 50, CMF_NORMAL);
    for (const TMenuEntry& entry : ReadMenu(popup)) {
        if (entry.Type & MFT_SEPARATOR) continue;
        view.Titles.push_back(entry.Text);
        wchar_t help[512] = {};
        menu->GetCommandString(entry.Id - kFirstId, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(help), 512);
        view.Helps.push_back(help);
    }
    DestroyMenu(popup);
    return view;
}

HRESULT InvokeClassic(IContextMenu& menu, int offset) {
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = CMIC_MASK_FLAG_NO_UI;
    info.lpVerb = MAKEINTRESOURCEA(offset);
    return menu.InvokeCommand(&info);
}

// Stand-ins for what the loaded library imports: its file opens (the C
// runtime's _wfopen, fetched by name), its messages, the leave to come to the
// front it hands on, and the window station's flags for a process no user
// sees (Wine has neither such a station nor foreground rules).
namespace hook {
std::atomic<int> opens{0};
std::vector<std::pair<HWND, std::string>> messages;
bool stationSeen = true;
FARPROC(WINAPI* systemLookup)(HMODULE, LPCSTR) = nullptr;
FILE*(__cdecl* systemOpen)(const wchar_t*, const wchar_t*) = nullptr;

FILE* __cdecl Open(const wchar_t* path, const wchar_t* mode) {
    ++opens;
    return systemOpen(path, mode);
}
std::atomic<DWORD> allowedToFront{0};
BOOL WINAPI AllowToFront(DWORD process) {
    allowedToFront = process;
    return TRUE;
}
BOOL WINAPI StationFlags(HANDLE, int, void* info, DWORD, DWORD*) {
    static_cast<USEROBJECTFLAGS*>(info)->dwFlags = stationSeen ? WSF_VISIBLE : 0;
    return TRUE;
}
FARPROC WINAPI Lookup(HMODULE module, LPCSTR name) {
    const FARPROC found = systemLookup(module, name);
    if (IS_INTRESOURCE(name)) return found;
    if (std::strcmp(name, "_wfopen") == 0) {
        systemOpen = reinterpret_cast<decltype(systemOpen)>(reinterpret_cast<void (*)()>(found));
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&Open));
    }
    if (std::strcmp(name, "AllowSetForegroundWindow") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&AllowToFront));
    if (std::strcmp(name, "GetUserObjectInformationW") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&StationFlags));
    return found;
}
int WINAPI Message(HWND owner, LPCSTR text, LPCSTR, UINT) {
    messages.emplace_back(owner, text);
    return IDOK;
}
} // namespace hook

class ExplorerCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        before_ = ListFilesInTemp();
        ASSERT_EQ(server_.Register(), 0u);
        // The selections of the classic handler's tests.
        WriteFileBytes(Sample("beach.jpg"), JpegWithCaption("Beach"));
        WriteFileBytes(Sample("notes.txt"), "text");
        WriteFileBytes(Sample("a.png"), "png");
        WriteFileBytes(Sample("b.gif"), "gif");
        CreateDirectoryA(Sample("pics").c_str(), nullptr);
        WriteFileBytes(Sample("pics") + "\\one.png", "png");
        CreateDirectoryA(Sample("empty").c_str(), nullptr);
        CreateDirectoryA(Sample("elsewhere").c_str(), nullptr);
        WriteFileBytes(Sample("elsewhere") + "\\beach.jpg", JpegWithCaption("Beach"));
        ASSERT_TRUE(CreateShortcut(Sample("beach.lnk"), Sample("elsewhere") + "\\beach.jpg"));
    }
    void TearDown() override {
        // Before the apartment goes and may unload the library.
        lookup_.clear();
        for (const std::string& name : ListFilesInTemp())
            if (!before_.count(name)) DeleteFileA(name.c_str());
    }
    std::string Sample(const std::string& name) const { return server_.Scratch() / name; }
    std::wstring Folder() const { return WideFromAnsi(server_.Scratch().path()); }

    // Each test loads a copy of its own, so the library looks its run-time
    // functions up afresh and the hooks see them.
    void HookLibrary(const std::string& dll) {
        const HMODULE library = GetModuleHandleA(dll.c_str());
        ASSERT_NE(library, nullptr);
        hook::opens = 0;
        hook::allowedToFront = 0;
        hook::messages.clear();
        hook::stationSeen = true;
        lookup_.emplace_back(std::make_unique<TImportPatch>("kernel32.dll", "GetProcAddress",
                                                            reinterpret_cast<void*>(&hook::Lookup), library));
        hook::systemLookup = lookup_.back()->Original<decltype(hook::systemLookup)>();
        lookup_.emplace_back(std::make_unique<TImportPatch>("user32.dll", "MessageBoxA",
                                                            reinterpret_cast<void*>(&hook::Message), library));
    }
    std::vector<std::unique_ptr<TImportPatch>> lookup_;

    std::set<std::string> before_;
    TInstalledServer server_;
    TComApartment apartment_;
};

struct TSelectionCase {
    const char* Name;
    std::vector<std::wstring> Names;
    bool Shown;
    bool Pending; // the decision needs a file looked into: folder, shortcut, lone JPEG
    const wchar_t* CaptionTitle; // null: no caption command
};

const TSelectionCase kSelections[] = {
    // A lone JPEG's caption command is titled from the file: read off the
    // window's thread.
    {"a captioned JPEG", {L"beach.jpg"}, true, true, L"Edit Caption for beach.jpg"},
    {"one image among other files", {L"beach.jpg", L"notes.txt"}, true, true, L"Edit Caption for beach.jpg"},
    {"a text file alone", {L"notes.txt"}, false, false, nullptr},
    {"two images", {L"a.png", L"b.gif"}, true, false, nullptr},
    {"a folder with an image", {L"pics"}, true, true, nullptr},
    {"an empty folder", {L"empty"}, false, true, nullptr},
    {"a shortcut to a JPEG", {L"beach.lnk"}, true, true, L"Edit Caption for beach.jpg"},
    {"a folder and a shortcut", {L"pics", L"beach.lnk"}, true, true, nullptr},
    // Two images decide the menu before the folder would be looked into.
    {"two images, then a folder", {L"a.png", L"b.gif", L"empty"}, true, false, nullptr},
};

TEST_F(ExplorerCommandTest, EachSelectionShowsWhatTheClassicMenuShows) {
    const std::wstring dll = WideFromAnsi(server_.Dll());
    for (const TSelectionCase& c : kSelections) {
        SCOPED_TRACE(c.Name);
        TExplorerMenu menu;
        ASSERT_TRUE(menu.Open(Folder(), c.Names));
        EXPECT_EQ(menu.FastAnswer, c.Pending ? E_PENDING : S_OK);
        EXPECT_EQ(menu.State, c.Shown ? ECS_ENABLED : ECS_HIDDEN);
        TComPtr<IContextMenu> classic;
        const TClassicView expected = ClassicView(Folder(), c.Names, classic);
        ASSERT_EQ(menu.Subs.size(), expected.Titles.size());
        if (!c.Shown) continue;

        const TCommandView root = ViewOf(*menu.Root.get(), menu.Items.get());
        EXPECT_EQ(root.Title, L"Orvane Slide Show");
        EXPECT_EQ(root.Icon, dll + L",-201");
        EXPECT_EQ(root.Flags, static_cast<EXPCMDFLAGS>(ECF_HASSUBCOMMANDS));
        for (size_t i = 0; i < menu.Subs.size(); ++i) {
            SCOPED_TRACE(i);
            const TCommandView sub = ViewOf(*menu.Subs[i].get(), menu.Items.get());
            EXPECT_EQ(sub.Title, expected.Titles[i]);
            EXPECT_EQ(sub.ToolTip, expected.Helps[i]);
            EXPECT_EQ(sub.Icon, dll + L",-" + std::to_wstring(202 + i));
            EXPECT_EQ(sub.Flags, static_cast<EXPCMDFLAGS>(ECF_DEFAULT));
        }
        if (c.CaptionTitle) {
            ASSERT_EQ(menu.Subs.size(), 4u);
            EXPECT_EQ(ViewOf(*menu.Subs[3].get(), menu.Items.get()).Title, c.CaptionTitle);
        }
    }
}

TEST_F(ExplorerCommandTest, EachCommandHandsTheViewerWhatTheClassicCommandHandsIt) {
    const std::vector<std::wstring> selections[] = {
        {L"beach.jpg"}, {L"beach.jpg", L"notes.txt"}, {L"pics", L"beach.lnk"}, {L"a.png", L"b.gif", L"empty"}};
    const char* switches[] = {"-show", "-config", "-build", "-setcaption"};
    for (size_t s = 0; s < std::size(selections); ++s) {
        SCOPED_TRACE("selection " + std::to_string(s));
        const std::vector<std::wstring>& names = selections[s];
        TExplorerMenu menu;
        ASSERT_TRUE(menu.Open(Folder(), names));
        TComPtr<IContextMenu> classic;
        ClassicView(Folder(), names, classic);
        ASSERT_TRUE(classic);
        for (size_t i = 0; i < menu.Subs.size(); ++i) {
            SCOPED_TRACE(switches[i]);
            ASSERT_EQ(menu.Invoke(i), S_OK);
            auto records = server_.WaitForRecords(1);
            ASSERT_EQ(records.size(), 1u);
            const TViewerRecord door = records[0];
            server_.ClearRecords();
            ASSERT_EQ(InvokeClassic(*classic.get(), static_cast<int>(i + 1)), S_OK);
            records = server_.WaitForRecords(1);
            ASSERT_EQ(records.size(), 1u);
            server_.ClearRecords();
            const std::string prefix = "\"" + server_.Viewer() + "\" " + switches[i] + " \"" + TempFolder() + "ovs";
            EXPECT_EQ(door.CommandLine.rfind(prefix, 0), 0u) << door.CommandLine;
            EXPECT_EQ(door.ListBytes, records[0].ListBytes);
        }
    }
}

TEST_F(ExplorerCommandTest, NoSelectionHidesTheRootAndTheRootItselfRunsNothing) {
    TComPtr<IExplorerCommand> root;
    ASSERT_EQ(CoCreateInstance(kExplorerClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IExplorerCommand, root.put_void()),
              S_OK);
    // Explorer may hand no array (Windows 11's navigation pane) or one of no
    // items (which Wine's shell won't make).
    struct TNoItems : IShellItemArray {
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** p) override { return *p = nullptr, E_NOINTERFACE; }
        ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
        ULONG STDMETHODCALLTYPE Release() override { return 1; }
        HRESULT STDMETHODCALLTYPE BindToHandler(IBindCtx*, REFGUID, REFIID, void**) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE GetPropertyStore(GETPROPERTYSTOREFLAGS, REFIID, void**) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE GetPropertyDescriptionList(REFPROPERTYKEY, REFIID, void**) override {
            return E_NOTIMPL;
        }
        HRESULT STDMETHODCALLTYPE GetAttributes(SIATTRIBFLAGS, SFGAOF, SFGAOF*) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) override { return *count = 0, S_OK; }
        HRESULT STDMETHODCALLTYPE GetItemAt(DWORD, IShellItem** item) override { return *item = nullptr, E_FAIL; }
        HRESULT STDMETHODCALLTYPE EnumItems(IEnumShellItems** e) override { return *e = nullptr, E_NOTIMPL; }
    } none;
    for (IShellItemArray* array : {static_cast<IShellItemArray*>(nullptr), static_cast<IShellItemArray*>(&none)})
        for (const BOOL slow : {FALSE, TRUE}) {
            EXPCMDSTATE state = ECS_ENABLED;
            EXPECT_EQ(root->GetState(array, slow, &state), S_OK);
            EXPECT_EQ(state, ECS_HIDDEN);
        }
    TComPtr<IShellItemArray> items;
    ASSERT_TRUE(ItemArray(Folder(), {L"beach.jpg"}, items));
    EXPECT_EQ(root->Invoke(items.get(), nullptr), E_NOTIMPL);
    GUID name = GUID_NULL;
    EXPECT_EQ(root->GetCanonicalName(&name), S_OK);
    EXPECT_TRUE(IsEqualGUID(name, kExplorerClsid));
}

// A name outside the code page under 1252; under 932 (CTest runs this program
// once more with LANG=ja_JP.UTF-8) a name whose trail byte is the code of '\'.
TEST_F(ExplorerCommandTest, ANameInAnyScriptIsTitledWholeAndListedAsTheClassicMenuListsIt) {
    const std::wstring name = GetACP() == 932 ? L"\u30BD.jpg" : L"\U0001F334 beach.jpg";
    try {
        WriteFileBytes(Folder() + L"\\" + name, JpegWithCaption("Beach"));
    } catch (const std::exception&) {
        GTEST_SKIP() << "the Unix locale of this code page is not generated: Wine can't name the file";
    }
    TExplorerMenu menu;
    ASSERT_TRUE(menu.Open(Folder(), {name}));
    ASSERT_EQ(menu.Subs.size(), 4u);
    const TCommandView caption = ViewOf(*menu.Subs[3].get(), menu.Items.get());
    EXPECT_EQ(caption.Title, L"Edit Caption for " + name);
    EXPECT_EQ(caption.ToolTip, L"Current Caption: Beach");

    ASSERT_EQ(menu.Invoke(0), S_OK);
    const auto records = server_.WaitForRecords(1);
    ASSERT_EQ(records.size(), 1u);
    const std::wstring path = Folder() + L"\\" + name;
    if (GetACP() == 932) {
        EXPECT_EQ(records[0].ListBytes, server_.Scratch().path() + "\\\x83\x5C.jpg\r\n");
    } else {
        wchar_t alias[MAX_PATH + 1] = {};
        ASSERT_NE(GetShortPathNameW(path.c_str(), alias, MAX_PATH), 0u);
        EXPECT_EQ(records[0].ListBytes, LossyAnsiOf(alias) + "\r\n");
    }
}

// The library reads no Windows version and looks for no package: Explorer
// asks the package's commands only where the package is registered (Windows
// 11 on), and their site tells which menu asks. Each host is played as
// Explorer plays it; every menu must hold the slide-show commands once.
TEST_F(ExplorerCommandTest, EachMenuOfEachHostShowsTheCommandsOnce) {
    const struct {
        const char* Name;
        bool ClassicHandler;         // the classic menu asks the registered handler
        bool Package;                // Explorer asks the package's commands
        const wchar_t* SiteWindow;   // the class of the site's window, if it has one
    } hosts[] = {
        {"Windows 10, or 11 without the package: the classic menu", true, false, nullptr},
        {"Windows 11's own menu", false, true, nullptr},
        {"Windows 11's own menu in the navigation pane", false, true, L"NamespaceTreeControl"},
        {"Windows 11's classic menu (Show more options, Shift+right-click)", true, true, L"SHELLDLL_DefView"},
    };
    for (const auto& host : hosts) {
        SCOPED_TRACE(host.Name);
        int entries = 0;
        if (host.ClassicHandler) {
            TComPtr<IContextMenu> classic;
            const TClassicView view = ClassicView(Folder(), {L"beach.jpg"}, classic);
            EXPECT_EQ(view.Titles.size(), 4u);
            entries += !view.Titles.empty();
        }
        if (host.Package) {
            TSite site(host.SiteWindow);
            TExplorerMenu menu;
            ASSERT_TRUE(menu.Open(Folder(), {L"beach.jpg"}, &site));
            entries += menu.State == ECS_ENABLED;
            SetSite(menu.Root.get(), nullptr);
        }
        EXPECT_EQ(entries, 1);
    }
}

// The window's thread never waits for a file; the caption is read once for
// the whole menu, and only for the selection it was read from.
TEST_F(ExplorerCommandTest, ALoneJpegIsReadOnceOffTheWindowsThreadForItsSelectionOnly) {
    WriteFileBytes(Sample("other.jpg"), JpegWithCaption("Other"));
    TExplorerMenu menu;
    ASSERT_EQ(CoCreateInstance(kExplorerClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IExplorerCommand,
                               menu.Root.put_void()),
              S_OK);
    HookLibrary(server_.Dll());
    ASSERT_TRUE(ItemArray(Folder(), {L"beach.jpg"}, menu.Items));
    EXPCMDSTATE state = ECS_DISABLED;
    EXPECT_EQ(menu.Root->GetState(menu.Items.get(), FALSE, &state), E_PENDING);
    EXPECT_EQ(hook::opens, 0);

    ASSERT_TRUE(menu.Ask(Folder(), {L"beach.jpg"}));
    ASSERT_EQ(menu.Subs.size(), 4u);
    for (auto& sub : menu.Subs) ViewOf(*sub.get(), menu.Items.get());
    ViewOf(*menu.Subs[3].get(), nullptr);
    EXPECT_EQ(hook::opens, 1);

    // The selection changes under the open menu.
    TComPtr<IShellItemArray> other;
    ASSERT_TRUE(ItemArray(Folder(), {L"other.jpg"}, other));
    const struct {
        IShellItemArray* Items;
        const wchar_t *Title, *ToolTip;
    } asked[] = {{other.get(), L"Edit Caption for other.jpg", L"Current Caption: Other"},
                 {menu.Items.get(), L"Edit Caption for beach.jpg", L"Current Caption: Beach"}};
    for (const auto& a : asked) {
        const TCommandView view = ViewOf(*menu.Subs[3].get(), a.Items);
        EXPECT_EQ(view.Title, a.Title);
        EXPECT_EQ(view.ToolTip, a.ToolTip);
    }
}

// The Explorer commands take the viewer beside the library they run in, with
// no registration or another copy's, and let it come to the front; the
// classic handler keeps to the registration, a per-user one first.
TEST_F(ExplorerCommandTest, TheCommandsStartTheViewerBesideTheLoadedLibrary) {
    TInstalledServer stale("stale");
    const std::string userServer = std::string("Software\\Classes\\") + kServerKeyPath;
    RegWriteString(HKEY_CURRENT_USER, userServer, "", stale.Dll());
    TExplorerMenu menu;
    ASSERT_TRUE(menu.Open(Folder(), {L"a.png"}));
    HookLibrary(server_.Dll());
    ASSERT_EQ(menu.Invoke(0), S_OK);
    const auto records = server_.WaitForRecords(1);
    ASSERT_EQ(records.size(), 1u);
    // The stand-in viewer names its record after its process id.
    const std::vector<std::string> names = [&] {
        std::vector<std::string> found;
        WIN32_FIND_DATAA data;
        const HANDLE find = FindFirstFileA((server_.Folder() + "\\run-*.rec").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) found.push_back(data.cFileName), FindClose(find);
        return found;
    }();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ("run-" + std::to_string(hook::allowedToFront) + "-", names[0].substr(0, names[0].find('-', 4) + 1));
    lookup_.clear();
    TComPtr<IContextMenu> classic;
    ClassicView(Folder(), {L"a.png"}, classic);
    ASSERT_EQ(InvokeClassic(*classic.get(), 1), S_OK);
    EXPECT_EQ(stale.WaitForRecords(1).size(), 1u);
    RegRemoveKey(HKEY_CURRENT_USER, std::string("Software\\Classes\\") + kClsidKeyPath);
    EXPECT_EQ(server_.Records().size(), 1u);

    // A copy loaded by the package's surrogate: no registration at all.
    TInstalledServer bare("bare");
    const HMODULE library = LoadLibraryA(bare.Dll().c_str());
    ASSERT_NE(library, nullptr);
    {
        const auto getClass = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
            reinterpret_cast<void (*)()>(GetProcAddress(library, "DllGetClassObject")));
        TComPtr<IClassFactory> factory;
        ASSERT_EQ(getClass(kExplorerClsid, IID_IClassFactory, factory.put_void()), S_OK);
        TExplorerMenu bareMenu;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IExplorerCommand, bareMenu.Root.put_void()), S_OK);
        ASSERT_TRUE(bareMenu.Ask(Folder(), {L"a.png", L"b.gif"}));
        for (size_t i = 0; i < bareMenu.Subs.size(); ++i) EXPECT_EQ(bareMenu.Invoke(i), S_OK);
        EXPECT_EQ(bare.WaitForRecords(bareMenu.Subs.size()).size(), bareMenu.Subs.size());
    }
    FreeLibrary(library);
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, kServerKeyPath, ""), server_.Dll());
}

// A failure's message is owned by the window Explorer asked from, and shown
// whatever the bind context says; only a window station no user sees keeps
// it back.
TEST_F(ExplorerCommandTest, AFailureIsShownOwnedByTheSitesWindowUnlessNoUserCanSeeIt) {
    server_.RemoveViewer();
    TSite view(L"SHELLDLL_DefView"), bare(nullptr);
    const struct {
        const char* Name;
        TSite* RootSite;
        TSite* SubSite;
        bool Withdrawn; // SetSite(nullptr) before Invoke
        bool StationSeen;
        HWND Owner;
        size_t Messages;
    } cases[] = {
        {"the sub-command's site's window", nullptr, &view, false, true, view.Window(), 1},
        {"the root's site's window", &view, nullptr, false, true, view.Window(), 1},
        {"a site without a window", &bare, &bare, false, true, nullptr, 1},
        {"a site taken back", &view, &view, true, true, nullptr, 1},
        {"a window station no user sees", &view, &view, false, false, nullptr, 0},
    };
    const LONG viewRefs = view.Refs(), bareRefs = bare.Refs();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const size_t before = ListFilesInTemp().size();
        {
            TExplorerMenu menu;
            ASSERT_TRUE(menu.Open(Folder(), {L"a.png"}));
            HookLibrary(server_.Dll());
            hook::stationSeen = c.StationSeen;
            const std::pair<IExplorerCommand*, TSite*> sited[] = {{menu.Root.get(), c.RootSite},
                                                                  {menu.Subs[0].get(), c.SubSite}};
            for (const auto& [command, site] : sited) {
                if (!site) continue;
                SetSite(command, site);
                if (c.Withdrawn) SetSite(command, nullptr);
            }
            EXPECT_EQ(menu.Invoke(0), E_FAIL);
            ASSERT_EQ(hook::messages.size(), c.Messages);
            if (c.Messages) {
                EXPECT_EQ(hook::messages[0].first, c.Owner);
                EXPECT_EQ(hook::messages[0].second,
                          "Fatal error: the file OVSSHOW.EXE was not found. Please reinstall Orvane Slide Show.");
            }
            lookup_.clear();
        }
        EXPECT_EQ(ListFilesInTemp().size(), before);
        // Released with the commands: nothing of the site is kept.
        EXPECT_EQ(view.Refs(), viewRefs);
        EXPECT_EQ(bare.Refs(), bareRefs);
    }
}

} // namespace
} // namespace ovs::test
