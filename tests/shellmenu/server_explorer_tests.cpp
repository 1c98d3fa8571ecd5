// The shipped library's Explorer commands driven as Windows 11's Explorer
// drives them -- an item array made from paths, GetState without and then with
// leave to be slow, the root's flags, title and icon, its sub-commands' titles,
// icons and tooltips, Invoke -- beside the classic handler on the same
// selections: both doors must show the same commands with the same texts and
// hand the viewer the same list.
#include "CaptionJpeg.h"
#include "viewer/StandInInstall.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <deque>
#include <set>

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

// One right-click in Windows 11's menu.
struct TExplorerMenu {
    TComPtr<IExplorerCommand> Root;
    TComPtr<IShellItemArray> Items;
    HRESULT FastAnswer = E_FAIL;
    EXPCMDSTATE State = ECS_DISABLED;
    std::deque<TComPtr<IExplorerCommand>> Subs;

    bool Open(const std::wstring& folder, const std::vector<std::wstring>& names) {
        if (FAILED(CoCreateInstance(kExplorerClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IExplorerCommand,
                                    Root.put_void())))
            return false;
        if (!ItemArray(folder, names, Items)) return false;
        FastAnswer = Root->GetState(Items.get(), FALSE, &State);
        if (FastAnswer == E_PENDING && FAILED(Root->GetState(Items.get(), TRUE, &State))) return false;
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
    // A caller that asks for no UI: a bind context without BIND_MAYBOTHERUSER.
    HRESULT Invoke(size_t sub) {
        TComPtr<IBindCtx> quiet;
        if (FAILED(CreateBindCtx(0, quiet.put()))) return E_FAIL;
        return Subs.at(sub)->Invoke(Items.get(), quiet.get());
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
        for (const std::string& name : ListFilesInTemp())
            if (!before_.count(name)) DeleteFileA(name.c_str());
    }
    std::string Sample(const std::string& name) const { return server_.Scratch() / name; }
    std::wstring Folder() const { return WideFromAnsi(server_.Scratch().path()); }

    std::set<std::string> before_;
    TInstalledServer server_;
    TComApartment apartment_;
};

struct TSelectionCase {
    const char* Name;
    std::vector<std::wstring> Names;
    bool Shown;
    bool Pending; // the decision needs a folder or a shortcut looked into
    const wchar_t* CaptionTitle; // null: no caption command
};

const TSelectionCase kSelections[] = {
    {"a captioned JPEG", {L"beach.jpg"}, true, false, L"Edit Caption for beach.jpg"},
    {"one image among other files", {L"beach.jpg", L"notes.txt"}, true, false, L"Edit Caption for beach.jpg"},
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
    for (const BOOL slow : {FALSE, TRUE}) {
        EXPCMDSTATE state = ECS_ENABLED;
        EXPECT_EQ(root->GetState(nullptr, slow, &state), S_OK);
        EXPECT_EQ(state, ECS_HIDDEN);
    }
    TComPtr<IShellItemArray> items;
    ASSERT_TRUE(ItemArray(Folder(), {L"beach.jpg"}, items));
    EXPECT_EQ(root->Invoke(items.get(), nullptr), E_NOTIMPL);
    GUID name = GUID_NULL;
    EXPECT_EQ(root->GetCanonicalName(&name), S_OK);
    EXPECT_TRUE(IsEqualGUID(name, kExplorerClsid));
}

TEST_F(ExplorerCommandTest, AMissingViewerFailsTheCommandQuietlyAndLeavesNoListFile) {
    server_.RemoveViewer();
    TExplorerMenu menu;
    ASSERT_TRUE(menu.Open(Folder(), {L"a.png"}));
    ASSERT_EQ(menu.Subs.size(), 3u);
    const size_t before = ListFilesInTemp().size();
    EXPECT_EQ(menu.Invoke(0), E_FAIL);
    EXPECT_EQ(ListFilesInTemp().size(), before);
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

} // namespace
} // namespace ovs::test
