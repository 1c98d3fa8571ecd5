// The context-menu handler as Explorer drives it: the shell's own data object
// for real files, real popup menus read back item by item.
#include "OvShellMenuClasses.h"
#include "OvShellMenuUtils.h"
#include "ShellTestSupport.h"
#include "WinTestSupport.h"
#include "WinText.h"
#include "lumSysUtils.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

using namespace ovs;
using ovs::test::HDropDataObject;
using ovs::test::MakeShortcut;
using ovs::test::TouchFile;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr UINT kFirst = 100;
const char* const kCaptions[] = {"", "Instant Slide Show!", "Settings/About Orvane Slide Show...",
                                 "Make Standalone Slide Show...", "Set Caption...", ""};
const char* const kHints[] = {"", "View the selected images as a slide show.", "Adjust the settings.",
                              "Make a standalone slide show from the selected images.", "Set or edit.", ""};

struct TClick {
    int Index;
    std::wstring FileName;
    TSelection Selection;
};
std::vector<TClick> clicks;
std::vector<std::wstring> captionRequests;

std::wstring W(const std::string& ansi) { return ovs::WideFromAnsi(ansi); }

struct TMenuEntry {
    UINT Id;
    UINT Type;
    std::wstring Text;
    HBITMAP Checked;
    bool operator==(const TMenuEntry&) const = default;
};
void PrintTo(const TMenuEntry& e, std::ostream* os) {
    *os << "{" << e.Id << ", " << e.Type << ", \"" << ovs::LossyAnsiOf(e.Text) << "\"}";
}

// A real popup menu, read back with GetMenuItemInfoW.
class TMenu {
public:
    TMenu() : menu_(CreatePopupMenu()) {}
    ~TMenu() { DestroyMenu(menu_); }
    HMENU get() const { return menu_; }
    std::vector<TMenuEntry> Entries() const {
        std::vector<TMenuEntry> entries;
        for (int i = 0; i < GetMenuItemCount(menu_); ++i) {
            wchar_t text[512] = {};
            MENUITEMINFOW info{};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING | MIIM_CHECKMARKS;
            info.dwTypeData = text;
            info.cch = static_cast<UINT>(std::size(text));
            EXPECT_TRUE(GetMenuItemInfoW(menu_, static_cast<UINT>(i), TRUE, &info));
            entries.push_back({info.wID, info.fType, text, info.hbmpChecked});
        }
        return entries;
    }
    std::vector<UINT> Ids() const {
        std::vector<UINT> ids;
        for (const auto& e : Entries()) ids.push_back(e.Id);
        return ids;
    }

private:
    HMENU menu_;
};

CMINVOKECOMMANDINFO InvokeInfo(LPCSTR verb) {
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof(info);
    // A message box under this Wine may never return: tests never ask for UI.
    info.fMask = CMIC_MASK_FLAG_NO_UI;
    info.lpVerb = verb;
    return info;
}

class Handler : public ::testing::Test {
protected:
    Handler() : saved9x_(Is9xNewerThan95), savedNT_(IsNTNewerThanNT4) {
        InitPlatformFlags();
        Is9xNewerThan95 = false;
        IsNTNewerThanNT4 = true;
        for (int i = 0; i < 6; ++i) {
            bitmaps_[i] = i == 0 || i == 5 ? nullptr : CreateBitmap(16, 16, 1, 1, nullptr);
            items.Add(kCaptions[i], kHints[i], nullptr, bitmaps_[i], false, !bitmaps_[i], false);
        }
        items.OnClick = [](TlumShellMenuItem& item, const std::wstring& fileName, const TSelection& selection) {
            clicks.push_back({item.Index, fileName, selection});
        };
        MenuItems = &items;
        PrepareCaptionItemTexts = [](const std::wstring& path) {
            captionRequests.push_back(path);
            return TCaptionTexts{L"Caption for " + path, L"Hint for " + path};
        };
        clicks.clear();
        captionRequests.clear();
    }
    ~Handler() override {
        MenuItems = nullptr;
        PrepareCaptionItemTexts = nullptr;
        for (HBITMAP b : bitmaps_) DeleteObject(b);
        Is9xNewerThan95 = saved9x_;
        IsNTNewerThanNT4 = savedNT_;
    }

    static TComPtr<TlumShellMenu> NewHandler() {
        TComPtr<TlumShellMenu> handler(new TlumShellMenu);
        handler->AddRef();
        return handler;
    }
    std::string Path(const std::string& name) const { return dir / name; }
    std::wstring WPath(const std::string& name) const { return W(dir / name); }
    std::wstring WPath(const std::wstring& name) const { return W(dir.path()) + L"\\" + name; }
    // A handler given the shell's own data object for names in folder.
    TComPtr<TlumShellMenu> HandlerFor(const std::vector<std::string>& names, const std::string& folder = "") {
        auto handler = NewHandler();
        auto data = test::ShellDataObject(folder.empty() ? dir.path() : Path(folder), names);
        EXPECT_EQ(handler->Initialize(nullptr, data.get(), nullptr), S_OK);
        return handler;
    }

    test::TComApartment apartment;
    test::TScratchDir dir{"menu"};
    TlumShellMenuItemList items;
    HBITMAP bitmaps_[6] = {};

private:
    bool saved9x_, savedNT_;
};

TEST_F(Handler, InterfacesShareOneIdentityAndOneCount) {
    const LONG before = LiveObjectCount();
    {
        auto handler = NewHandler();
        EXPECT_EQ(LiveObjectCount(), before + 1);
        TComPtr<IContextMenu> menu;
        TComPtr<IContextMenu2> menu2;
        TComPtr<IShellExtInit> init;
        TComPtr<ISupportErrorInfo> errorInfo;
        TComPtr<IUnknown> unknown1, unknown2;
        ASSERT_EQ(handler->QueryInterface(IID_IContextMenu, menu.put_void()), S_OK);
        ASSERT_EQ(menu->QueryInterface(IID_IContextMenu2, menu2.put_void()), S_OK);
        ASSERT_EQ(menu2->QueryInterface(IID_IShellExtInit, init.put_void()), S_OK);
        ASSERT_EQ(init->QueryInterface(IID_ISupportErrorInfo, errorInfo.put_void()), S_OK);
        ASSERT_EQ(init->QueryInterface(IID_IUnknown, unknown1.put_void()), S_OK);
        ASSERT_EQ(menu->QueryInterface(IID_IUnknown, unknown2.put_void()), S_OK);
        EXPECT_EQ(unknown1.get(), unknown2.get());
        EXPECT_EQ(handler->RefCount(), 7);
        EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IContextMenu), S_OK);
        void* other = &other;
        EXPECT_EQ(handler->QueryInterface(IID_IContextMenu3, &other), E_NOINTERFACE);
        EXPECT_EQ(other, nullptr);
    }
    EXPECT_EQ(LiveObjectCount(), before) << "the last Release destroys the object";
    void* none = &none;
    EXPECT_EQ(CreateComObject<TlumShellMenu>(IID_IDataObject, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(LiveObjectCount(), before);
}

TEST_F(Handler, InitializeTakesTheWholeSelectionOrChangesNothing) {
    auto handler = NewHandler();
    auto data = HDropDataObject({"C:\\x.jpg", "C:\\y.jpg"});
    ASSERT_EQ(handler->Initialize(nullptr, data.get(), nullptr), S_OK);
    EXPECT_EQ(data->LastRequest.cfFormat, CF_HDROP);
    EXPECT_EQ(data->LastRequest.ptd, nullptr);
    EXPECT_EQ(data->LastRequest.dwAspect, static_cast<DWORD>(DVASPECT_CONTENT));
    EXPECT_EQ(data->LastRequest.lindex, -1);
    EXPECT_EQ(data->LastRequest.tymed, static_cast<DWORD>(TYMED_HGLOBAL));
    EXPECT_EQ(data->RefCount(), 1) << "no reference kept after the call";

    EXPECT_EQ(handler->Initialize(nullptr, nullptr, nullptr), E_INVALIDARG);
    auto noDrop = HDropDataObject({"C:\\z.jpg"}, false);
    EXPECT_EQ(handler->Initialize(nullptr, noDrop.get(), nullptr), DV_E_FORMATETC);
    EXPECT_THAT(handler->SelectedFiles, ElementsAre(L"C:\\x.jpg", L"C:\\y.jpg"));
    EXPECT_EQ(handler->SelectedCount, 2);
    EXPECT_EQ(handler->FFileName, L"C:\\y.jpg");

    // A path past 263 characters arrives whole; a new selection replaces the
    // old one entirely.
    const std::string longPath = "C:\\" + std::string(150, 'd') + "\\" + std::string(150, 'f') + ".jpg";
    auto longDrop = HDropDataObject({longPath});
    ASSERT_EQ(handler->Initialize(nullptr, longDrop.get(), nullptr), S_OK);
    EXPECT_THAT(handler->SelectedFiles, ElementsAre(W(longPath)));
    EXPECT_EQ(handler->FFileName, W(longPath));
    auto empty = HDropDataObject({});
    ASSERT_EQ(handler->Initialize(nullptr, empty.get(), nullptr), S_OK);
    // Wine counts the empty list's terminating empty name as one file.
    EXPECT_THAT(handler->SelectedFiles, ::testing::Each(L""));
    EXPECT_EQ(handler->FFileName, L"");
    TMenu menu;
    EXPECT_EQ(handler->QueryContextMenu(menu.get(), 0, kFirst, kFirst + 9, CMF_NORMAL), S_OK);
    EXPECT_EQ(GetMenuItemCount(menu.get()), 0);
}

TEST_F(Handler, OneJpegGetsAllSixItemsWithTheirBitmaps) {
    TouchFile(Path("beach.jpg"));
    auto handler = HandlerFor({"beach.jpg"});
    TMenu menu;
    EXPECT_EQ(handler->QueryContextMenu(menu.get(), 0, kFirst, kFirst + 9, CMF_NORMAL), MAKE_HRESULT(0, 0, 6));
    EXPECT_THAT(menu.Entries(), ElementsAre(TMenuEntry{kFirst, MFT_SEPARATOR, L"", nullptr},
                                            TMenuEntry{kFirst + 1, MFT_STRING, W(kCaptions[1]), bitmaps_[1]},
                                            TMenuEntry{kFirst + 2, MFT_STRING, W(kCaptions[2]), bitmaps_[2]},
                                            TMenuEntry{kFirst + 3, MFT_STRING, W(kCaptions[3]), bitmaps_[3]},
                                            TMenuEntry{kFirst + 4, MFT_STRING, L"Caption for " + WPath("beach.jpg"),
                                                       bitmaps_[4]},
                                            TMenuEntry{kFirst + 5, MFT_SEPARATOR, L"", nullptr}));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(items.Items(i)->Index, i);
}

TEST_F(Handler, SelectionDecidesWhichItemsTheMenuGets) {
    for (const char* folder : {"one", "deep", "deep\\sub", "named", "named\\dir.jpg", "images"})
        CreateDirectoryA(Path(folder).c_str(), nullptr);
    for (const char* file : {"one\\only.jpg", "one\\notes.txt", "deep\\sub\\x.jpg", "images\\a.png", "images\\b.gif",
                             "a.jpg", "b.jpg", "c.png", "d.txt", "e.PSD", "f.pcd", "g.tga", "h.jp2", "i.webp",
                             "J.JPEG", "k.Jfif", "photo", "archive.jpg.txt", "photo.tar.png"})
        TouchFile(Path(file));
    MakeShortcut(Path("png.lnk"), Path("c.png"));
    MakeShortcut(Path("jpg.lnk"), Path("a.jpg"));
    MakeShortcut(Path("folder.lnk"), Path("images"));
    MakeShortcut(Path("gone.lnk"), Path("gone.jpg"));

    const std::vector<UINT> six = {kFirst, kFirst + 1, kFirst + 2, kFirst + 3, kFirst + 4, kFirst + 5};
    const std::vector<UINT> five = {kFirst, kFirst + 1, kFirst + 2, kFirst + 3, kFirst + 5};
    const struct {
        std::vector<std::string> names;
        std::vector<UINT> ids;
        std::string captionFor;  // the image the caption item is asked for
    } cases[] = {
        {{"a.jpg"}, six, "a.jpg"},          {{"a.jpg", "b.jpg"}, five, ""},    {{"c.png"}, five, ""},
        {{"d.txt"}, {}, ""},                {{"one"}, six, "one\\only.jpg"},   {{"deep"}, {}, ""},
        {{"named"}, six, "named\\dir.jpg"}, {{"images"}, five, ""},            {{"e.PSD"}, five, ""},
        {{"f.pcd"}, five, ""},              {{"g.tga"}, five, ""},             {{"h.jp2"}, {}, ""},
        {{"i.webp"}, {}, ""},               {{"J.JPEG"}, six, "J.JPEG"},       {{"k.Jfif"}, six, "k.Jfif"},
        {{"photo"}, {}, ""},                {{"photo."}, {}, ""},              {{"archive.jpg.txt"}, {}, ""},
        {{"photo.tar.png"}, five, ""},      {{"d.txt", "c.png"}, five, ""},    {{"png.lnk"}, five, ""},
        {{"jpg.lnk"}, six, "a.jpg"},        {{"folder.lnk"}, five, ""},        {{"gone.lnk"}, {}, ""},
        // A folder and an image inside it: the image counts twice.
        {{"one", "one\\only.jpg"}, five, ""},
    };
    for (const auto& c : cases) {
        captionRequests.clear();
        auto handler = NewHandler();
        std::vector<std::string> paths;
        for (const auto& n : c.names) paths.push_back(Path(n));
        // The shell's own data object where the shell can make one: items of
        // one folder, no name the file system would trim.
        const bool shellCanMakeIt = std::none_of(c.names.begin(), c.names.end(), [](const std::string& n) {
            return n.find('\\') != std::string::npos || n.back() == '.';
        });
        auto data = shellCanMakeIt ? test::ShellDataObject(dir.path(), c.names)
                                   : TComPtr<IDataObject>(HDropDataObject(paths).detach());
        EXPECT_EQ(handler->Initialize(nullptr, data.get(), nullptr), S_OK);
        TMenu menu;
        // Explorer numbers the next handler's items from the largest offset
        // plus one, the closing separator's.
        EXPECT_EQ(handler->QueryContextMenu(menu.get(), 0, kFirst, kFirst + 9, CMF_NORMAL),
                  MAKE_HRESULT(0, 0, c.ids.empty() ? 0 : 6))
            << c.names[0];
        EXPECT_EQ(menu.Ids(), c.ids) << c.names[0];
        EXPECT_EQ(captionRequests, c.captionFor.empty() ? std::vector<std::wstring>{}
                                                        : std::vector<std::wstring>{WPath(c.captionFor)})
            << c.names[0];
    }
}

TEST_F(Handler, ItemsGoInAsOneBlockAtIndexMenuForEveryKindOfMenu) {
    TouchFile(Path("a.png"));
    for (UINT flags : {CMF_NORMAL, CMF_EXPLORE | CMF_CANRENAME, CMF_VERBSONLY, CMF_EXTENDEDVERBS}) {
        auto handler = HandlerFor({"a.png"});
        TMenu menu;
        AppendMenuA(menu.get(), MF_STRING, 1, "Open");
        AppendMenuA(menu.get(), MF_STRING, 2, "Delete");
        EXPECT_EQ(handler->QueryContextMenu(menu.get(), 1, 40, 49, flags), MAKE_HRESULT(0, 0, 6)) << flags;
        EXPECT_THAT(menu.Ids(), ElementsAre(1u, 40u, 41u, 42u, 43u, 45u, 2u)) << flags;
    }
}

TEST_F(Handler, TheAnswerIsTheLargestOffsetPlusOneAndNoIdentifierPassesIdCmdLast) {
    TouchFile(Path("a.jpg"));
    TouchFile(Path("b.png"));
    const struct {
        const char* name;
        const char* image;
        UINT last;         // idCmdLast - kFirst
        int refused;       // a position whose record the menu refuses; -1: none
        UINT answer;
        std::vector<UINT> offsets;
    } cases[] = {
        {"all six", "a.jpg", 9, -1, 6, {0, 1, 2, 3, 4, 5}},
        {"no caption item: offset 4 stays unused", "b.png", 9, -1, 6, {0, 1, 2, 3, 5}},
        {"exactly enough identifiers", "a.jpg", 5, -1, 6, {0, 1, 2, 3, 4, 5}},
        {"the closing separator would pass idCmdLast", "a.jpg", 4, -1, 5, {0, 1, 2, 3, 4}},
        {"the caption item would pass idCmdLast", "a.jpg", 3, -1, 4, {0, 1, 2, 3}},
        {"room for one", "b.png", 0, -1, 1, {0}},
        {"a refused item below the largest", "a.jpg", 9, 2, 6, {0, 1, 3, 4, 5}},
        {"a refused closing separator", "b.png", 9, 5, 4, {0, 1, 2, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (int i = 0; i < items.Count(); ++i)
            items.Items(i)->MenuItemInfo.cbSize = i == c.refused ? 12 : UINT(sizeof(MENUITEMINFOA));
        auto handler = HandlerFor({c.image});
        TMenu menu;
        EXPECT_EQ(handler->QueryContextMenu(menu.get(), 0, kFirst, kFirst + c.last, CMF_NORMAL),
                  MAKE_HRESULT(0, 0, c.answer));
        std::vector<UINT> ids;
        for (UINT offset : c.offsets) ids.push_back(kFirst + offset);
        EXPECT_EQ(menu.Ids(), ids);
    }
    auto handler = HandlerFor({"a.jpg"});
    TMenu menu;
    EXPECT_EQ(handler->QueryContextMenu(menu.get(), 0, kFirst, kFirst - 1, CMF_NORMAL), S_OK) << "no identifier left";
    EXPECT_EQ(GetMenuItemCount(menu.get()), 0);
}

TEST_F(Handler, ADefaultOnlyRequestGetsNothingAndReadsNoDisk) {
    TouchFile(Path("a.jpg"));
    MakeShortcut(Path("s.lnk"), Path("a.jpg"));
    auto handler = HandlerFor({"s.lnk"});
    for (UINT flags : {UINT(CMF_DEFAULTONLY), UINT(CMF_DEFAULTONLY | CMF_EXPLORE)}) {
        TMenu menu;
        EXPECT_EQ(handler->QueryContextMenu(menu.get(), 0, kFirst, kFirst + 9, flags), S_OK) << flags;
        EXPECT_EQ(GetMenuItemCount(menu.get()), 0) << flags;
    }
    // The shortcut was never read and no caption was asked for.
    EXPECT_THAT(handler->SelectedFiles, ElementsAre(WPath("s.lnk")));
    EXPECT_THAT(captionRequests, IsEmpty());
    TMenu menu;
    EXPECT_EQ(handler->QueryContextMenu(menu.get(), 0, kFirst, kFirst + 9, CMF_NORMAL), MAKE_HRESULT(0, 0, 6));
}

TEST_F(Handler, GetCommandStringCopiesTheHelpTextToFit) {
    TouchFile(Path("a.png"));
    auto handler = HandlerFor({"a.png"});
    const std::string hint = kHints[1];
    const std::wstring wideHint(hint.begin(), hint.end());
    const struct {
        UINT_PTR idCmd;
        UINT type, cchMax;
        HRESULT result;
        const char* text;     // the buffer afterwards, ANSI requests
        const wchar_t* wide;  // the buffer afterwards, UTF-16 requests
    } cases[] = {
        {1, GCS_HELPTEXTA, 200, S_OK, kHints[1], nullptr},  {1, GCS_HELPTEXTA, 5, S_OK, "View", nullptr},
        {1, GCS_HELPTEXTA, 1, S_OK, "", nullptr},           {1, GCS_HELPTEXTA, 0, S_OK, "#########", nullptr},
        {0, GCS_HELPTEXTA, 200, S_OK, "", nullptr},         {5, GCS_HELPTEXTA, 200, S_OK, "", nullptr},
        {1, GCS_HELPTEXTW, 200, S_OK, nullptr, wideHint.c_str()}, {1, GCS_HELPTEXTW, 5, S_OK, nullptr, L"View"},
        {1, GCS_HELPTEXTW, 0, S_OK, nullptr, L"#########"},
        // The items have no canonical verb: nothing is written, and the
        // caller is told so.
        {1, GCS_VERBA, 200, E_NOTIMPL, "#########", nullptr}, {1, GCS_VERBW, 200, E_NOTIMPL, nullptr, L"#########"},
        {4, GCS_VERBA, 200, E_NOTIMPL, "#########", nullptr}, {1, GCS_VERBICONW, 200, E_NOTIMPL, nullptr, L"#########"},
        {1, GCS_VALIDATEA, 200, S_OK, "#########", nullptr},  {5, GCS_VALIDATEW, 200, S_OK, nullptr, L"#########"},
        {6, GCS_HELPTEXTA, 200, E_INVALIDARG, "#########", nullptr},
        {UINT_PTR(-1), GCS_HELPTEXTW, 200, E_INVALIDARG, nullptr, L"#########"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "idCmd " << c.idCmd << " type " << c.type << " cch " << c.cchMax);
        if (c.text) {
            char buffer[256] = "#########";
            EXPECT_EQ(handler->GetCommandString(c.idCmd, c.type, nullptr, buffer, c.cchMax), c.result);
            EXPECT_STREQ(buffer, c.text);
        } else {
            wchar_t buffer[256] = L"#########";
            EXPECT_EQ(handler->GetCommandString(c.idCmd, c.type, nullptr, reinterpret_cast<char*>(buffer), c.cchMax),
                      c.result);
            EXPECT_STREQ(buffer, c.wide);
        }
    }
}

TEST_F(Handler, InvokeCommandDispatchesByOffsetAndKeepsErrorsInside) {
    TouchFile(Path("a.jpg"));
    TouchFile(Path("b.txt"));
    MakeShortcut(Path("s.lnk"), Path("a.jpg"));
    auto handler = HandlerFor({"b.txt", "s.lnk"});
    TMenu menu;
    ASSERT_EQ(handler->QueryContextMenu(menu.get(), 0, kFirst, kFirst + 9, CMF_NORMAL), MAKE_HRESULT(0, 0, 6));
    const struct {
        LPCSTR verb;
        HRESULT result;
        int clicked;  // the Index handed to OnClick; -1: none
    } cases[] = {
        {"open", E_FAIL, -1}, {MAKEINTRESOURCEA(0), E_INVALIDARG, -1}, {MAKEINTRESOURCEA(1), S_OK, 1},
        {MAKEINTRESOURCEA(4), S_OK, 4},
        {MAKEINTRESOURCEA(5), S_OK, 5},  // the separator, for which the click handler runs nothing
        {MAKEINTRESOURCEA(9), S_OK, -1},
    };
    for (const auto& c : cases) {
        clicks.clear();
        CMINVOKECOMMANDINFO info = InvokeInfo(c.verb);
        EXPECT_EQ(handler->InvokeCommand(&info), c.result) << reinterpret_cast<UINT_PTR>(c.verb);
        ASSERT_EQ(clicks.size(), c.clicked < 0 ? 0u : 1u);
        if (c.clicked < 0) continue;
        EXPECT_EQ(clicks[0].Index, c.clicked);
        EXPECT_EQ(clicks[0].FileName, WPath("s.lnk"));
        // The shortcut was replaced by its target while the menu was built.
        EXPECT_THAT(clicks[0].Selection, ElementsAre(WPath("b.txt"), WPath("a.jpg")));
    }
    CMINVOKECOMMANDINFO info = InvokeInfo(MAKEINTRESOURCEA(1));
    items.OnClick = [](TlumShellMenuItem&, const std::wstring&, const TSelection&) {
        throw std::runtime_error("Fatal error: the file OVSSHOW.EXE was not found.");
    };
    EXPECT_EQ(handler->InvokeCommand(&info), E_FAIL);
    items.OnClick = [](TlumShellMenuItem&, const std::wstring&, const TSelection&) { throw 42; };
    EXPECT_EQ(handler->InvokeCommand(&info), E_FAIL);
}

TEST_F(Handler, WithoutMenuItemsNothingIsInsertedOrRun) {
    TouchFile(Path("a.jpg"));
    auto handler = HandlerFor({"a.jpg"});
    MenuItems = nullptr;
    TMenu menu;
    EXPECT_EQ(handler->QueryContextMenu(menu.get(), 0, kFirst, kFirst + 9, CMF_NORMAL), S_OK);
    EXPECT_EQ(GetMenuItemCount(menu.get()), 0);
    char buffer[16] = {};
    EXPECT_EQ(handler->GetCommandString(1, GCS_HELPTEXTA, nullptr, buffer, sizeof(buffer)), E_INVALIDARG);
    CMINVOKECOMMANDINFO info = InvokeInfo(MAKEINTRESOURCEA(1));
    EXPECT_EQ(handler->InvokeCommand(&info), S_OK);
    EXPECT_THAT(clicks, IsEmpty());
}

TEST_F(Handler, TwoMenusUsedInterleavedKeepTheirOwnSelectionAndTexts) {
    CreateDirectoryA(Path("left").c_str(), nullptr);
    CreateDirectoryA(Path("right").c_str(), nullptr);
    TouchFile(Path("left\\l.jpg"));
    TouchFile(Path("right\\r.jpg"));
    auto left = HandlerFor({"l.jpg"}, "left");
    auto right = HandlerFor({"r.jpg"}, "right");
    TMenu leftMenu, rightMenu;
    ASSERT_EQ(left->QueryContextMenu(leftMenu.get(), 0, 1, 100, CMF_NORMAL), MAKE_HRESULT(0, 0, 6));
    ASSERT_EQ(right->QueryContextMenu(rightMenu.get(), 0, 500, 600, CMF_NORMAL), MAKE_HRESULT(0, 0, 6));
    CMINVOKECOMMANDINFO info = InvokeInfo(MAKEINTRESOURCEA(1));
    for (auto* side : {&left, &right, &left}) {
        const bool isLeft = side == &left;
        const std::string image = isLeft ? Path("left\\l.jpg") : Path("right\\r.jpg");
        EXPECT_EQ((isLeft ? leftMenu : rightMenu).Entries()[4],
                  (TMenuEntry{isLeft ? 5u : 504u, MFT_STRING, L"Caption for " + W(image), bitmaps_[4]}));
        char text[512] = {};
        ASSERT_EQ((*side)->GetCommandString(4, GCS_HELPTEXTA, nullptr, text, sizeof(text)), S_OK);
        EXPECT_EQ(std::string(text), "Hint for " + image);
        clicks.clear();
        ASSERT_EQ((*side)->InvokeCommand(&info), S_OK);
        ASSERT_EQ(clicks.size(), 1u);
        EXPECT_THAT(clicks[0].Selection, ElementsAre(W(image)));
    }
}

TEST_F(Handler, NamesInAnyScriptReachTheMenuAsTheyAre) {
    // Outside the code page (ソ表, 🌴, Ω) and inside it (é): the handler
    // fetches each name whole and shows it in the caption item.
    const std::wstring names[] = {L"\u30BD\u8868.jpg", L"\U0001F334 beach.jpg", L"Caf\u00E9.jpg", L"\u03A9mega.jpg"};
    // Exact where the code page has the character, '?' per character where
    // it hasn't (never a best-fit letter).
    const char* const ansiNames[] = {"??.jpg", "? beach.jpg", "Caf\xE9.jpg", "?mega.jpg"};
    for (size_t n = 0; n < std::size(names); ++n) {
        const std::wstring& name = names[n];
        SCOPED_TRACE(ovs::LossyAnsiOf(name));
        test::TouchFile(WPath(name));
        for (const bool shellData : {true, false}) {
            auto handler = NewHandler();
            auto data = shellData ? test::ShellDataObject(W(dir.path()), {name})
                                  : TComPtr<IDataObject>(test::WideHDropDataObject({WPath(name)}).detach());
            ASSERT_EQ(handler->Initialize(nullptr, data.get(), nullptr), S_OK);
            EXPECT_THAT(handler->SelectedFiles, ElementsAre(WPath(name)));
            EXPECT_EQ(handler->FFileName, WPath(name));
            TMenu menu;
            ASSERT_EQ(handler->QueryContextMenu(menu.get(), 0, kFirst, kFirst + 9, CMF_NORMAL), MAKE_HRESULT(0, 0, 6));
            EXPECT_EQ(menu.Entries()[4].Text, L"Caption for " + WPath(name));
            wchar_t wide[512] = {};
            ASSERT_EQ(handler->GetCommandString(4, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(wide), 512), S_OK);
            EXPECT_EQ(std::wstring(wide), L"Hint for " + WPath(name));
            // An ANSI caller gets what its code page can show.
            char ansi[512] = {};
            ASSERT_EQ(handler->GetCommandString(4, GCS_HELPTEXTA, nullptr, ansi, 512), S_OK);
            EXPECT_EQ(std::string(ansi), "Hint for " + dir.path() + "\\" + ansiNames[n]);
        }
    }
    // A folder named outside the code page that holds one image.
    const std::wstring folder = WPath(std::wstring(L"\u5199\u771F"));
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    test::TouchFile(folder + L"\\a.jpg");
    auto handler = NewHandler();
    auto data = test::ShellDataObject(W(dir.path()), {L"\u5199\u771F"});
    ASSERT_EQ(handler->Initialize(nullptr, data.get(), nullptr), S_OK);
    TMenu menu;
    EXPECT_EQ(handler->QueryContextMenu(menu.get(), 0, kFirst, kFirst + 9, CMF_NORMAL), MAKE_HRESULT(0, 0, 6));
    EXPECT_THAT(captionRequests, ::testing::Contains(folder + L"\\a.jpg"));
}

// --- Older Windows ----------------------------------------------------------------
// The menu interface depends on the Windows the handler meets. This program
// runs a copy of itself under a name that Wine reports as another Windows,
// and the copy builds a real menu with the product's own items there.

constexpr char kChildVariable[] = "OVS_MENU_WINDOWS";
constexpr char kChildDoneVariable[] = "OVS_MENU_WINDOWS_DONE";

TEST(OlderWindows, OneJpegGetsItsSixItemsOnEveryWindows) {
    test::TScratchDir dir("old");
    char self[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string copy = dir / "ovsmenuwindows.exe";
    ASSERT_TRUE(CopyFileA(self, copy.c_str(), FALSE));
    const struct {
        const char* Version;
        const char* Interface;  // the menu-item interface the copy must use
    } cases[] = {
        {"win95", "old"}, {"nt40", "old"}, {"win98", "extended"}, {"winme", "extended"},
        {"win2k", "extended"}, {"winxp", "extended"}, {"", "itembitmap"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(*c.Version ? c.Version : "default");
        const std::string done = dir / (std::string("done-") + c.Version);
        test::TReportedVersion version("ovsmenuwindows.exe", c.Version);
        SetEnvironmentVariableA(kChildVariable, c.Interface);
        SetEnvironmentVariableA(kChildDoneVariable, done.c_str());
        const test::TProcessResult run = test::RunProcess("\"" + copy + "\" --gtest_filter=OlderWindowsChild.*");
        SetEnvironmentVariableA(kChildVariable, nullptr);
        SetEnvironmentVariableA(kChildDoneVariable, nullptr);
        ASSERT_TRUE(run.Finished);
        EXPECT_EQ(run.ExitCode, 0u);
        // A copy that ran no test would exit 0 as well.
        EXPECT_TRUE(test::FileExists(done));
    }
}

TEST(OlderWindowsChild, TheMenuGetsEveryItemWithItsTextAndBitmap) {
    const char* expected = std::getenv(kChildVariable);
    const char* done = std::getenv(kChildDoneVariable);
    if (!expected || !done) GTEST_SKIP() << "run by OlderWindows only";
    const bool old = std::string(expected) == "old";
    const bool itemBitmap = std::string(expected) == "itembitmap";
    test::TComApartment apartment;
    InitPlatformFlags();
    ASSERT_EQ(Is9xNewerThan95 || IsNTNewerThanNT4, !old) << "Wine reports another Windows than asked";
    CreateCaptionReader();
    SetupMenuItems();
    {
        test::TScratchDir dir("oldmenu");
        TouchFile(dir / "a.jpg");
        TComPtr<TlumShellMenu> handler(new TlumShellMenu);
        handler->AddRef();
        auto data = HDropDataObject({dir / "a.jpg"});
        ASSERT_EQ(handler->Initialize(nullptr, data.get(), nullptr), S_OK);
        TMenu menu;
        EXPECT_EQ(handler->QueryContextMenu(menu.get(), 0, kFirst, kFirst + 9, CMF_NORMAL), MAKE_HRESULT(0, 0, 6));
        const std::vector<TMenuEntry> entries = menu.Entries();
        const wchar_t* const texts[] = {L"", L"Instant Slide Show!", L"Settings/About Orvane Slide Show...",
                                        L"Make Standalone Slide Show...", L"Set Caption for a.jpg", L""};
        ASSERT_EQ(entries.size(), 6u);
        for (int i = 0; i < 6; ++i) {
            SCOPED_TRACE(i);
            const bool separator = i == 0 || i == 5;
            const TlumShellMenuItem& item = *MenuItems->Items(i);
            EXPECT_EQ(entries[i].Id, kFirst + i);
            EXPECT_EQ(entries[i].Text, texts[i]);
            EXPECT_EQ(entries[i].Type, separator ? UINT(MFT_SEPARATOR) : UINT(MFT_STRING));
            // The picture is the item's check mark up to XP, its item bitmap
            // from Vista on.
            EXPECT_EQ(entries[i].Checked, separator || itemBitmap ? nullptr : item.Bitmap.Handle());
            // From Vista on the picture is drawn when the menu is built, at
            // that thread's DPI: the built menu holds it, the stored item not.
            MENUITEMINFOW built{};
            built.cbSize = sizeof(built);
            built.fMask = MIIM_BITMAP;
            ASSERT_TRUE(GetMenuItemInfoW(menu.get(), static_cast<UINT>(i), TRUE, &built));
            EXPECT_EQ(built.hbmpItem != nullptr, !separator && itemBitmap);
            EXPECT_EQ(item.MenuItemInfo.cbSize, old ? kMenuItemInfoSize400A : UINT(sizeof(MENUITEMINFOA)));
            const UINT mask = separator ? (old ? 0x32u : 0x162u) : (old ? 0x3Au : itemBitmap ? 0x1E2u : 0x16Au);
            EXPECT_EQ(item.MenuItemInfo.fMask, mask);
        }
    }
    FreeMenuItems();
    FreeCaptionReader();
    if (!::testing::Test::HasFailure()) std::ofstream(done) << "ok";
}

} // namespace
