// Menu items in the form InsertMenuItemA takes them, their pictures on each
// Windows and display scale, and the item list's dispatch of a chosen
// command.
#include "ItemPicture.h"
#include "OvShellMenuClasses.h"
#include "OvShellMenuUtils.h"
#include "ShellTestSupport.h"
#include "WinTestSupport.h"
#include "resource.h"
#include "lumSysUtils.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

using namespace ovs;
using ::testing::ElementsAre;

namespace {

// Sets the platform flags for one test and puts them back.
class TPlatform {
public:
    TPlatform(bool is9xNewerThan95, bool isNTNewerThanNT4)
        : saved9x_(Is9xNewerThan95), savedNT_(IsNTNewerThanNT4) {
        Is9xNewerThan95 = is9xNewerThan95;
        IsNTNewerThanNT4 = isNTNewerThanNT4;
    }
    ~TPlatform() {
        Is9xNewerThan95 = saved9x_;
        IsNTNewerThanNT4 = savedNT_;
    }

private:
    bool saved9x_, savedNT_;
};

class TTestBitmap {
public:
    TTestBitmap() : handle_(CreateBitmap(16, 16, 1, 1, nullptr)) {}
    ~TTestBitmap() { DeleteObject(handle_); }
    HBITMAP get() const { return handle_; }

private:
    HBITMAP handle_;
};

TEST(MenuItem, MaskTypeAndBitmapPlacementFollowThePlatform) {
    TTestBitmap bitmap;
    enum Placement { None, CheckMarks, ItemBitmap };
    const struct {
        const char* what;
        bool win98, nt5;  // the two flags behind the extended interface
        bool withBitmap, useItemBitmap, separator, ownerDraw;
        UINT mask, type;
        Placement placement;
    } cases[] = {
        {"command, Windows 2000", false, true, true, false, false, false, 0x16A, 0, CheckMarks},
        {"command, Windows 98", true, false, true, false, false, false, 0x16A, 0, CheckMarks},
        // Windows 95 and NT 4 know no item bitmap and refuse MIIM_BITMAP.
        {"command, NT 4 / 95", false, false, true, false, false, false, 0x3A, 0, CheckMarks},
        {"item bitmap asked for, NT 4 / 95", false, false, true, true, false, false, 0x3A, 0, CheckMarks},
        {"separator, Windows 2000", false, true, false, false, true, false, 0x162, 0x800, None},
        {"separator, NT 4 / 95", false, false, false, false, true, false, 0x32, 0x800, None},
        {"command without bitmap", false, true, false, false, false, false, 0x162, 0, None},
        {"item bitmap asked for", false, true, true, true, false, false, 0x1E2, 0, ItemBitmap},
        {"owner draw", false, false, false, false, false, true, 0x32, 0x100, None},
        {"owner-drawn separator", false, true, false, false, true, true, 0x162, 0x900, None},
    };
    for (const auto& c : cases) {
        TPlatform platform(c.win98, c.nt5);
        TlumShellMenuItem item("Text", "Hint", nullptr, c.withBitmap ? bitmap.get() : nullptr, c.useItemBitmap,
                               c.separator, c.ownerDraw);
        const MENUITEMINFOA& info = item.MenuItemInfo;
        // The old systems know only the record without hbmpItem.
        EXPECT_EQ(info.cbSize, c.win98 || c.nt5 ? UINT(sizeof(MENUITEMINFOA)) : kMenuItemInfoSize400A) << c.what;
        EXPECT_EQ(info.fMask, c.mask) << c.what;
        EXPECT_EQ(info.fType, c.type) << c.what;
        EXPECT_EQ(info.hbmpChecked, c.placement == CheckMarks ? bitmap.get() : nullptr) << c.what;
        EXPECT_EQ(info.hbmpUnchecked, c.placement == CheckMarks ? bitmap.get() : nullptr) << c.what;
        EXPECT_EQ(info.hbmpItem, c.placement == ItemBitmap ? bitmap.get() : nullptr) << c.what;
        EXPECT_EQ(info.wID, 0u) << c.what;
        EXPECT_EQ(info.fState, 0u) << c.what;
        EXPECT_EQ(info.hSubMenu, nullptr) << c.what;
        EXPECT_EQ(info.dwItemData, 0u) << c.what;
        EXPECT_EQ(item.ByPosition, -1) << c.what;
        EXPECT_EQ(item.Index, 0) << c.what;
        // The given handle stays the caller's: the item owns no bitmap.
        EXPECT_TRUE(item.Bitmap.Empty()) << c.what;
    }
}

TEST(MenuItem, TextMembersDescribeTheItemsOwnCaption) {
    TlumShellMenuItem item("Instant Slide Show!", "View.", nullptr, nullptr, false, false, false);
    EXPECT_EQ(item.MenuItemInfo.dwTypeData, item.Caption.data());
    EXPECT_EQ(item.MenuItemInfo.cch, 19u);
    item.SetCaption("Set Caption for a much longer name than before.jpg");
    EXPECT_EQ(item.MenuItemInfo.dwTypeData, item.Caption.data());
    EXPECT_EQ(item.MenuItemInfo.cch, item.Caption.size());
    EXPECT_EQ(TlumShellMenuItem("", "", nullptr, nullptr, false, true, false).MenuItemInfo.cch, 0u);
}

TEST(MenuItem, MissingBitmapResourceFailsConstruction) {
    const std::pair<const char*, const char*> cases[] = {{"NOSUCHBITMAP", "Resource NOSUCHBITMAP not found"},
                                                         {MAKEINTRESOURCEA(299), "Resource #299 not found"}};
    for (const auto& [name, message] : cases) {
        try {
            TlumShellMenuItem item("x", "y", name, nullptr, false, false, false);
            ADD_FAILURE() << "no error for " << message;
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), message);
        }
    }
}

// --- Pictures on each Windows and display scale ------------------------------------

TEST(ItemPictures, AnIconWithoutAlphaIsOpaqueExactlyWhereItsMaskSays) {
    // 16 x 16: colour with every alpha 0; the mask opaque on the left half.
    constexpr int n = 16;
    const std::vector<DWORD> colour(n * n, 0x00336699);
    std::vector<BYTE> maskBits;
    for (int y = 0; y < n; ++y) maskBits.insert(maskBits.end(), {0x00, 0xFF});
    HBITMAP colourBitmap = CreateBitmap(n, n, 1, 32, colour.data());
    HBITMAP mask = CreateBitmap(n, n, 1, 1, maskBits.data());
    ICONINFO info{TRUE, 0, 0, mask, colourBitmap};
    HICON icon = CreateIconIndirect(&info);
    ASSERT_NE(icon, nullptr);
    HBITMAP picture = AlphaBitmapOf(icon, n);
    ASSERT_NE(picture, nullptr);
    DIBSECTION dib{};
    ASSERT_EQ(GetObjectA(picture, sizeof(dib), &dib), static_cast<int>(sizeof(dib)));
    const auto* pixels = static_cast<const DWORD*>(dib.dsBm.bmBits);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            EXPECT_EQ(pixels[y * n + x], x < n / 2 ? 0xFF336699u : 0u) << x << "," << y;
    DeleteObject(picture);
    DestroyIcon(icon);
    DeleteObject(mask);
    DeleteObject(colourBitmap);
}
// Wine reads the display scale (LogPixels) and the Windows it reports when a
// process starts: this program runs a copy of itself under a name given
// another Windows, at each scale, and the copy builds a menu there the way
// Explorer does and measures the pictures it got.

constexpr char kPictureVariable[] = "OVS_ITEM_PICTURE";  // "width bits itemBitmap unaware done-file"
constexpr char kDesktopKey[] = "Control Panel\\Desktop";

// Sets the prefix's display scale for the processes started while the
// object lives, and puts back what was there.
class TDisplayScale {
public:
    explicit TDisplayScale(DWORD dpi) {
        DWORD size = sizeof(saved_), type = 0;
        hadValue_ = RegGetValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", RRF_RT_REG_DWORD, &type, &saved_,
                                 &size) == ERROR_SUCCESS;
        Set(dpi);
    }
    ~TDisplayScale() {
        if (hadValue_) Set(saved_);
        else RegDeleteKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels");
    }
    TDisplayScale(const TDisplayScale&) = delete;
    TDisplayScale& operator=(const TDisplayScale&) = delete;

private:
    static void Set(DWORD dpi) {
        RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", REG_DWORD, &dpi, sizeof(dpi));
    }
    DWORD saved_ = 0;
    bool hadValue_ = false;
};

TEST(ItemPictures, FollowTheWindowsAndTheDpiOfTheThreadThatBuildsTheMenu) {
    if (std::getenv(kPictureVariable)) GTEST_SKIP() << "the copy runs only the child";
    test::TScratchDir dir("pictures");
    char self[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string copy = dir / "ovsitempictures.exe";
    ASSERT_TRUE(CopyFileA(self, copy.c_str(), FALSE));
    const struct {
        const char* Version;  // "": Wine's default, a Windows of the NT 6 line
        DWORD Dpi;
        bool Unaware;  // the menu is built on a DPI-unaware thread
        int Size;      // width and height; 0: the check-mark size the system reports
        int Bits;
        bool ItemBitmap;
    } cases[] = {
        // Small-icon size at 100 % to 250 %, with alpha. A thread of
        // Explorer, which is DPI-aware as Wine's programs are by default.
        {"", 96, false, 16, 32, true},
        {"", 120, false, 20, 32, true},
        {"", 144, false, 24, 32, true},
        {"", 168, false, 28, 32, true},
        {"", 192, false, 32, 32, true},
        {"", 240, false, 40, 32, true},
        // A DPI-unaware thread is 96 DPI on any display; Windows scales its
        // menu up as a whole.
        {"", 192, true, 16, 32, true},
        // The 16-colour bitmaps of old, whatever the scale.
        {"winxp", 192, false, 16, 4, false},
        {"win2k", 144, false, 16, 4, false},
        {"win98", 96, false, 16, 4, false},
        // Check marks of check-mark size (which differs between Wine builds:
        // 11 or 13 at 96 DPI).
        {"win95", 96, false, 0, 32, false},
        {"nt40", 144, false, 0, 32, false},
        {"win95", 192, false, 0, 32, false},
    };
    for (const auto& c : cases) {
        const std::string name = std::string(*c.Version ? c.Version : "default") + " at " + std::to_string(c.Dpi) +
                                 (c.Unaware ? " unaware" : "");
        SCOPED_TRACE(name);
        const std::string done = dir / ("done-" + std::string(c.Version) + std::to_string(c.Dpi) +
                                        (c.Unaware ? "u" : ""));
        char expected[MAX_PATH + 64];
        std::snprintf(expected, sizeof(expected), "%d %d %d %d %s", c.Size, c.Bits, c.ItemBitmap ? 1 : 0,
                      c.Unaware ? 1 : 0, done.c_str());
        test::TReportedVersion version("ovsitempictures.exe", c.Version);
        SetEnvironmentVariableA(kPictureVariable, expected);
        test::TProcessResult run;
        {
            TDisplayScale scale(c.Dpi);
            run = test::RunProcess("\"" + copy + "\" --gtest_filter=ItemPicturesChild.*");
        }
        SetEnvironmentVariableA(kPictureVariable, nullptr);
        ASSERT_TRUE(run.Finished);
        EXPECT_EQ(run.ExitCode, 0u);
        // A copy that ran no test would exit 0 as well.
        EXPECT_TRUE(test::FileExists(done));
    }
}

// The alpha of the icon's own image of size x size, top row first; empty when
// the icon holds no image of exactly that size.
std::vector<BYTE> IconImageAlpha(WORD iconId, int size) {
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC groupFound = FindResourceA(module, MAKEINTRESOURCEA(iconId), MAKEINTRESOURCEA(14));
    if (!groupFound) return {};
    auto* group = static_cast<BYTE*>(LockResource(LoadResource(module, groupFound)));
    const int imageId = LookupIconIdFromDirectoryEx(group, TRUE, size, size, LR_DEFAULTCOLOR);
    const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(imageId), MAKEINTRESOURCEA(3));
    if (!found) return {};
    const auto* image = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    BITMAPINFOHEADER header;
    std::memcpy(&header, image, sizeof(header));
    if (header.biWidth != size || header.biBitCount != 32 ||
        SizeofResource(module, found) < header.biSize + 4u * size * size)
        return {};
    std::vector<BYTE> alpha;
    for (int y = size - 1; y >= 0; --y)
        for (int x = 0; x < size; ++x) alpha.push_back(image[header.biSize + 4 * (y * size + x) + 3]);
    return alpha;
}

TEST(ItemPicturesChild, MeasuresThePicturesOfABuiltMenu) {
    const char* expected = std::getenv(kPictureVariable);
    if (!expected) GTEST_SKIP() << "run by ItemPictures only";
    int size = 0, bits = 0, itemBitmap = 0, unaware = 0;
    char done[MAX_PATH + 1] = {};
    ASSERT_EQ(std::sscanf(expected, "%d %d %d %d %260[^\n]", &size, &bits, &itemBitmap, &unaware, done), 5);
    if (size == 0) size = GetSystemMetrics(SM_CXMENUCHECK);
    test::TComApartment apartment;
    InitPlatformFlags();
    CreateCaptionReader();
    // The items are set up on this DPI-aware thread, as when the library
    // loads; a menu built after the thread became unaware is drawn for 96 DPI.
    SetupMenuItems();
    if (unaware) {
        using TSetContext = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
        const auto setContext = reinterpret_cast<TSetContext>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleA("user32.dll"), "SetThreadDpiAwarenessContext")));
        ASSERT_NE(setContext, nullptr);
        ASSERT_NE(setContext(DPI_AWARENESS_CONTEXT_UNAWARE), nullptr);
    }
    test::TScratchDir dir("picturemenu");
    test::TouchFile(dir / "a.jpg");
    {
        TComPtr<TlumShellMenu> handler(new TlumShellMenu);
        handler->AddRef();
        auto data = test::HDropDataObject({dir / "a.jpg"});
        ASSERT_EQ(handler->Initialize(nullptr, data.get(), nullptr), S_OK);
        const HMENU menu = CreatePopupMenu();
        ASSERT_EQ(handler->QueryContextMenu(menu, 0, 100, 109, CMF_NORMAL), MAKE_HRESULT(0, 0, 6));
        const WORD icons[] = {0, IDI_SHOW, IDI_CONFIG, IDI_BUILD, IDI_SETCAPTION};
        for (int position = 1; position <= 4; ++position) {
            SCOPED_TRACE(position);
            MENUITEMINFOW info{};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_BITMAP | MIIM_CHECKMARKS;
            ASSERT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info));
            // Item bitmap or check marks, never both: a check mark has no alpha.
            const HBITMAP picture = itemBitmap ? info.hbmpItem : info.hbmpChecked;
            EXPECT_EQ(itemBitmap ? info.hbmpChecked : info.hbmpItem, nullptr);
            if (!itemBitmap) {
                EXPECT_EQ(info.hbmpUnchecked, picture);
            }
            DIBSECTION dib{};
            ASSERT_EQ(GetObjectA(picture, sizeof(dib), &dib), static_cast<int>(sizeof(dib)));
            EXPECT_EQ(dib.dsBm.bmWidth, size);
            EXPECT_EQ(dib.dsBm.bmHeight, size);
            EXPECT_EQ(dib.dsBm.bmBitsPixel, bits);
            if (!itemBitmap) continue;
            // Drawn from the icon's own image of that size, not stretched
            // from another: the same shape, pixel by pixel, premultiplied (no
            // colour brighter than its alpha allows).
            const std::vector<BYTE> alpha = IconImageAlpha(icons[position], size);
            ASSERT_EQ(alpha.size(), static_cast<size_t>(size * size)) << "no image of " << size << " pixels";
            const auto* pixels = static_cast<const DWORD*>(dib.dsBm.bmBits);
            int differing = 0;
            for (int i = 0; i < size * size; ++i) {
                const DWORD p = pixels[i], a = p >> 24;
                differing += a != alpha[static_cast<size_t>(i)];
                EXPECT_LE(std::max({p & 0xFF, (p >> 8) & 0xFF, (p >> 16) & 0xFF}), a) << "pixel " << i;
            }
            EXPECT_EQ(differing, 0);
        }
        DestroyMenu(menu);
    }
    FreeMenuItems();
    FreeCaptionReader();
    if (!::testing::Test::HasFailure()) std::ofstream(done) << "ok";
}

std::vector<std::pair<int, std::wstring>> clicks;  // Index and file name handed to OnClick

TEST(ItemList, FindsItemsByPositionAndByIndexAndClicksTheFirstMatch) {
    TlumShellMenuItemList list;
    for (const char* caption : {"", "Show", "Settings", ""}) list.Add(caption, "", nullptr, nullptr, false, !*caption, false);
    EXPECT_EQ(list.Items(1)->Caption, "Show");
    EXPECT_THROW(list.Items(4), std::out_of_range);
    EXPECT_THROW(list.Items(-1), std::out_of_range);

    clicks.clear();
    list.Click(0, L"C:\\a.jpg", {});
    EXPECT_TRUE(clicks.empty()) << "no OnClick set";
    list.OnClick = [](TlumShellMenuItem& item, const std::wstring& fileName, const TSelection&) {
        clicks.emplace_back(item.Index, fileName);
    };
    // Before any menu was built every Index is 0: value 0 finds the first item.
    EXPECT_EQ(list.FindByIndex(0), list.Items(0));
    list.Click(0, L"C:\\a.jpg", {});
    list.Click(2, L"C:\\a.jpg", {});
    EXPECT_THAT(clicks, ElementsAre(std::pair(0, std::wstring(L"C:\\a.jpg"))));

    for (int i = 0; i < list.Count(); ++i) list.Items(i)->Index = i;
    list.Items(3)->Index = 2;
    EXPECT_EQ(list.FindByIndex(2), list.Items(2));
    EXPECT_EQ(list.FindByIndex(3), nullptr);
    list.Click(2, L"C:\\b.jpg", {});
    list.Click(9, L"C:\\b.jpg", {});
    EXPECT_THAT(clicks, ElementsAre(std::pair(0, std::wstring(L"C:\\a.jpg")), std::pair(2, std::wstring(L"C:\\b.jpg"))));
}

} // namespace
