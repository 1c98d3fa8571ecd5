// Menu items in the form InsertMenuItemA takes them, and the item list's
// dispatch of a chosen command.
#include "OvShellMenuClasses.h"
#include "lumSysUtils.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

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
    try {
        TlumShellMenuItem item("x", "y", "NOSUCHBITMAP", nullptr, false, false, false);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Resource NOSUCHBITMAP not found");
    }
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
