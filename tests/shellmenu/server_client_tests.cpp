// The shipped library used the way Explorer uses it: the CLSID read from the
// handler key, CoCreateInstance through the registered InprocServer32, the
// shell's own data object, a real popup menu, help texts and a command that
// starts the stand-in viewer. Also the four exports as COM calls them.
#include "CaptionJpeg.h"
#include "viewer/StandInInstall.h"

#include "OvShellMenuClasses.h"
#include "OvShellMenuUtils.h"
#include "lumSysUtils.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <set>

namespace ovs::test {
namespace {

constexpr UINT kFirstId = 100;

size_t ListFileCount() { return ListFilesInTemp().size(); }

// One right-click: handler, data object, menu.
struct TContextMenu {
    TComPtr<IShellExtInit> Init;
    TComPtr<IContextMenu> Menu;
    HMENU Popup = CreatePopupMenu();
    HRESULT Queried = E_FAIL;
    ~TContextMenu() { DestroyMenu(Popup); }

    template <class Text>
    bool Open(const Text& folder, const std::vector<Text>& names) {
        TComPtr<IDataObject> data;
        if (FAILED(CreateRegisteredHandler(Init)) || !ShellDataObject(folder, names, data)) return false;
        if (FAILED(Init->Initialize(nullptr, data.get(), nullptr))) return false;
        if (FAILED(Init->QueryInterface(IID_IContextMenu, Menu.put_void()))) return false;
        Queried = Menu->QueryContextMenu(Popup, 0, kFirstId, kFirstId + 50, CMF_NORMAL);
        return SUCCEEDED(Queried);
    }
    HRESULT Invoke(int offset) {
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = CMIC_MASK_FLAG_NO_UI; // a message box would block the test
        info.lpVerb = MAKEINTRESOURCEA(offset);
        info.nShow = SW_SHOWNORMAL;
        return Menu->InvokeCommand(&info);
    }
    std::string Help(UINT offset) {
        char text[256] = "untouched";
        Menu->GetCommandString(offset, GCS_HELPTEXTA, nullptr, text, sizeof(text));
        return text;
    }
    std::wstring WideHelp(UINT offset) {
        wchar_t text[256] = L"untouched";
        Menu->GetCommandString(offset, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(text), 256);
        return text;
    }
};

class ClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        before_ = ListFilesInTemp();
        ASSERT_EQ(server_.Register(), 0u);
    }
    // The stand-in viewer keeps the list files it gets; the test removes them.
    void TearDown() override {
        for (const std::string& name : ListFilesInTemp())
            if (!before_.count(name)) DeleteFileA(name.c_str());
    }

    std::string Sample(const std::string& name) const { return server_.Scratch() / name; }

    std::set<std::string> before_;
    TInstalledServer server_;
    TComApartment apartment_;
};

TEST_F(ClientTest, ACaptionedJpegGetsTheSixItemsWithTextsBitmapsAndHelp) {
    WriteFileBytes(Sample("beach.jpg"), JpegWithCaption("Beach"));
    TContextMenu menu;
    ASSERT_TRUE(menu.Open(server_.Scratch().path(), {"beach.jpg"}));
    EXPECT_EQ(HRESULT_CODE(menu.Queried), 6);

    const struct {
        const char* Text;
        bool Separator;
        bool Bitmap;
        const char* Help;
    } expected[] = {
        {"", true, false, ""},
        {"Instant Slide Show!", false, true, "View the selected images as a slide show."},
        {"Settings/About Orvane Slide Show...", false, true,
         "Adjust the settings of Orvane Slide Show, and/or view the program information."},
        {"Make Standalone Slide Show...", false, true, "Make a standalone slide show from the selected images."},
        {"Edit Caption for beach.jpg", false, true, "Current Caption: Beach"},
        {"", true, false, ""},
    };
    const std::vector<TMenuEntry> entries = ReadMenu(menu.Popup);
    ASSERT_EQ(entries.size(), std::size(expected));
    for (size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i].Id, kFirstId + i);
        EXPECT_EQ(entries[i].Text, WideFromAnsi(expected[i].Text));
        EXPECT_EQ((entries[i].Type & MFT_SEPARATOR) != 0, expected[i].Separator);
        // Wine reports a Windows of the NT 6 line: the picture is the item
        // bitmap, with alpha, never a check mark.
        EXPECT_EQ(entries[i].ItemBitmap != nullptr, expected[i].Bitmap);
        EXPECT_EQ(entries[i].Checked, nullptr);
        EXPECT_EQ(entries[i].Unchecked, nullptr);
        EXPECT_EQ(menu.Help(static_cast<UINT>(i)), expected[i].Help);
    }
}

TEST_F(ClientTest, InstantSlideShowHandsTheViewerTheSelection) {
    WriteFileBytes(Sample("beach.jpg"), JpegWithCaption("Beach"));
    WriteFileBytes(Sample("notes.txt"), "text");
    TContextMenu menu;
    ASSERT_TRUE(menu.Open(server_.Scratch().path(), {"beach.jpg", "notes.txt"}));
    // One image among the selection: it gets the caption item as well.
    EXPECT_EQ(HRESULT_CODE(menu.Queried), 6);
    ASSERT_EQ(menu.Invoke(1), S_OK);
    const auto records = server_.WaitForRecords(1);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].CommandLine.rfind("\"" + server_.Viewer() + "\" -show \"" + TempFolder() + "ovs", 0), 0u)
        << records[0].CommandLine;
    // The text file is part of the selection, so it is listed too.
    EXPECT_EQ(records[0].ListBytes, Sample("beach.jpg") + "\r\n" + Sample("notes.txt") + "\r\n");
}

TEST_F(ClientTest, ANameOutsideTheCodePageIsShownAndHandedToTheViewerByItsAlias) {
    const std::wstring name = L"\U0001F334 beach.jpg";
    const std::wstring path = WideFromAnsi(server_.Scratch().path()) + L"\\" + name;
    WriteFileBytes(path, JpegWithCaption("Beach"));
    TContextMenu menu;
    ASSERT_TRUE(menu.Open(WideFromAnsi(server_.Scratch().path()), std::vector{name}));
    ASSERT_EQ(HRESULT_CODE(menu.Queried), 6);
    EXPECT_EQ(ReadMenu(menu.Popup)[4].Text, L"Edit Caption for " + name);
    EXPECT_EQ(menu.WideHelp(4), L"Current Caption: Beach");

    ASSERT_EQ(menu.Invoke(1), S_OK);
    const auto records = server_.WaitForRecords(1);
    ASSERT_EQ(records.size(), 1u);
    wchar_t alias[MAX_PATH + 1] = {};
    ASSERT_NE(GetShortPathNameW(path.c_str(), alias, MAX_PATH), 0u);
    EXPECT_EQ(records[0].ListBytes, LossyAnsiOf(alias) + "\r\n");
}

TEST_F(ClientTest, AFolderAndAShortcutListTheFolderAndTheShortcutsTarget) {
    CreateDirectoryA(Sample("pics").c_str(), nullptr);
    WriteFileBytes(Sample("pics") + "\\one.png", "png");
    CreateDirectoryA(Sample("elsewhere").c_str(), nullptr);
    WriteFileBytes(Sample("elsewhere") + "\\beach.jpg", JpegWithCaption("Beach"));
    ASSERT_TRUE(CreateShortcut(Sample("beach.lnk"), Sample("elsewhere") + "\\beach.jpg"));

    TContextMenu menu;
    ASSERT_TRUE(menu.Open(server_.Scratch().path(), {"pics", "beach.lnk"}));
    ASSERT_EQ(menu.Invoke(1), S_OK);
    const auto records = server_.WaitForRecords(1);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].ListBytes, Sample("pics") + "\r\n" + Sample("elsewhere") + "\\beach.jpg\r\n");
}

TEST_F(ClientTest, EachCommandOfTheMenuStartsTheViewerWithItsSwitch) {
    WriteFileBytes(Sample("beach.jpg"), JpegWithCaption("Beach"));
    TContextMenu menu;
    ASSERT_TRUE(menu.Open(server_.Scratch().path(), {"beach.jpg"}));
    const char* switches[] = {nullptr, "-show", "-config", "-build", "-setcaption"};
    for (int offset = 1; offset <= 4; ++offset) {
        SCOPED_TRACE(switches[offset]);
        ASSERT_EQ(menu.Invoke(offset), S_OK);
        const auto records = server_.WaitForRecords(1);
        ASSERT_EQ(records.size(), 1u);
        // `"viewer" -switch "<temp folder>\ovsXXXX.tmp"`, XXXX from GetTempFileNameA.
        const std::string prefix = "\"" + server_.Viewer() + "\" " + switches[offset] + " \"" + TempFolder();
        ASSERT_EQ(records[0].CommandLine.rfind(prefix, 0), 0u) << records[0].CommandLine;
        const std::string name = records[0].CommandLine.substr(prefix.size());
        EXPECT_TRUE(std::regex_match(name, std::regex("ovs[0-9A-Fa-f]{1,4}\\.tmp\""))) << name;
        // The list belongs to the viewer now: the library keeps it.
        EXPECT_TRUE(FileExists(TempFolder() + name.substr(0, name.size() - 1)));
        EXPECT_EQ(records[0].ListBytes, Sample("beach.jpg") + "\r\n");
        server_.ClearRecords();
    }
}

TEST_F(ClientTest, AMissingViewerFailsTheCommandQuietlyAndLeavesNoListFile) {
    server_.RemoveViewer();
    WriteFileBytes(Sample("a.png"), "png");
    TContextMenu menu;
    ASSERT_TRUE(menu.Open(server_.Scratch().path(), {"a.png"}));
    const size_t before = ListFileCount();
    EXPECT_EQ(menu.Invoke(1), E_FAIL);
    EXPECT_EQ(ListFileCount(), before);
    Sleep(300);
    EXPECT_TRUE(server_.Records().empty());
}

TEST_F(ClientTest, AnUnreadableRegistrationFailsTheCommandAndKeepsTheListFile) {
    WriteFileBytes(Sample("a.png"), "png");
    TContextMenu menu;
    ASSERT_TRUE(menu.Open(server_.Scratch().path(), {"a.png"}));
    RegRemoveKey(HKEY_CLASSES_ROOT, kServerKeyPath);
    const size_t before = ListFileCount();
    EXPECT_EQ(menu.Invoke(2), E_FAIL);
    EXPECT_EQ(ListFileCount(), before + 1);
    Sleep(300);
    EXPECT_TRUE(server_.Records().empty());
}

TEST(ClientWithSpace, TheViewerIsFoundFromTheShortRegisteredPath) {
    const std::set<std::string> before = ListFilesInTemp();
    TInstalledServer server("Orvane Slide Show");
    ASSERT_EQ(server.Register(), 0u);
    TComApartment apartment;
    WriteFileBytes(server.Scratch() / "a.gif", "gif");
    TContextMenu menu;
    ASSERT_TRUE(menu.Open(server.Scratch().path(), {"a.gif"}));
    ASSERT_EQ(menu.Invoke(1), S_OK);
    const auto records = server.WaitForRecords(1);
    ASSERT_EQ(records.size(), 1u);
    char shortViewer[MAX_PATH + 1] = {};
    GetShortPathNameA(server.Viewer().c_str(), shortViewer, MAX_PATH);
    std::string shortFolder = shortViewer;
    shortFolder.erase(shortFolder.rfind('\\'));
    // The program is named from the registered short folder.
    EXPECT_NE(records[0].CommandLine.find(shortFolder + "\\OvSShow.exe"), std::string::npos)
        << records[0].CommandLine;
    for (const std::string& name : ListFilesInTemp())
        if (!before.count(name)) DeleteFileA(name.c_str());
}

TEST_F(ClientTest, ATextFileAloneGetsNoItems) {
    WriteFileBytes(Sample("notes.txt"), "text");
    TContextMenu menu;
    ASSERT_TRUE(menu.Open(server_.Scratch().path(), {"notes.txt"}));
    EXPECT_EQ(HRESULT_CODE(menu.Queried), 0);
    EXPECT_EQ(GetMenuItemCount(menu.Popup), 0);
}

// --- The exports -------------------------------------------------------------------

class ExportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryA(server_.Dll().c_str());
        ASSERT_NE(module_, nullptr);
        getClassObject_ = reinterpret_cast<decltype(getClassObject_)>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
        canUnloadNow_ = reinterpret_cast<decltype(canUnloadNow_)>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
        ASSERT_TRUE(getClassObject_ && canUnloadNow_);
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }

    TInstalledServer server_{"app", false};
    TComApartment apartment_;
    HMODULE module_ = nullptr;
    HRESULT(STDAPICALLTYPE* getClassObject_)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(STDAPICALLTYPE* canUnloadNow_)() = nullptr;
};

const CLSID kMenuClsid = {0x6F0B2D4E, 0x93A1, 0x4C7E, {0x8B, 0x25, 0x1D, 0x9E, 0x4A, 0x7C, 0x3F, 0x60}};

TEST_F(ExportsTest, AnotherClassIsNotAvailable) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject_(CLSID_ShellLink, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject_(kMenuClsid, IID_IShellExtInit, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
}

TEST_F(ExportsTest, TheLibraryStaysLoadedWhileAHandlerOrAFactoryReferenceLives) {
    EXPECT_EQ(canUnloadNow_(), S_OK);
    TComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject_(kMenuClsid, IID_IClassFactory, factory.put_void()), S_OK);
    EXPECT_EQ(canUnloadNow_(), S_FALSE);

    TComPtr<IContextMenu> handler;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, handler.put_void()), S_OK);
    factory.reset();
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    handler.reset();
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(ExportsTest, TheFactoryCreatesHandlersAndRefusesWhatItCannotMake) {
    TComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject_(kMenuClsid, IID_IClassFactory, factory.put_void()), S_OK);

    const struct {
        const char* Name;
        bool Outer;
        const IID* Iid;
        HRESULT Result;
    } cases[] = {
        {"context menu", false, &IID_IContextMenu, S_OK},
        {"context menu 2", false, &IID_IContextMenu2, S_OK},
        {"shell extension init", false, &IID_IShellExtInit, S_OK},
        {"an interface the handler lacks", false, &IID_IClassFactory, E_NOINTERFACE},
        {"aggregation", true, &IID_IContextMenu, CLASS_E_NOAGGREGATION},
        {"aggregation asking for IUnknown", true, &IID_IUnknown, CLASS_E_NOAGGREGATION},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        void* object = reinterpret_cast<void*>(1);
        IUnknown* outer = c.Outer ? factory.get() : nullptr;
        EXPECT_EQ(factory->CreateInstance(outer, *c.Iid, &object), c.Result);
        if (SUCCEEDED(c.Result))
            static_cast<IUnknown*>(object)->Release();
        else
            EXPECT_EQ(object, nullptr);
    }
    // A refused handler is gone again: only the factory holds the library.
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    factory.reset();
    EXPECT_EQ(canUnloadNow_(), S_OK);

    ASSERT_EQ(getClassObject_(kMenuClsid, IID_IClassFactory, factory.put_void()), S_OK);
    factory->LockServer(TRUE);
    IClassFactory* raw = factory.get();
    raw->AddRef();
    factory.reset();
    raw->Release();
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    ASSERT_EQ(getClassObject_(kMenuClsid, IID_IClassFactory, factory.put_void()), S_OK);
    factory->LockServer(FALSE);
    factory.reset();
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(ExportsTest, UnloadingFreesEverythingAndALaterLoadStartsAfresh) {
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        TComPtr<IClassFactory> factory;
        ASSERT_EQ(getClassObject_(kMenuClsid, IID_IClassFactory, factory.put_void()), S_OK);
        TComPtr<IContextMenu> handler;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, handler.put_void()), S_OK);
        handler.reset();
        factory.reset();
        ASSERT_EQ(canUnloadNow_(), S_OK);
        ASSERT_TRUE(FreeLibrary(module_));
        module_ = LoadLibraryA(server_.Dll().c_str());
        ASSERT_NE(module_, nullptr);
        getClassObject_ = reinterpret_cast<decltype(getClassObject_)>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
        canUnloadNow_ = reinterpret_cast<decltype(canUnloadNow_)>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
    }
}

} // namespace
} // namespace ovs::test
