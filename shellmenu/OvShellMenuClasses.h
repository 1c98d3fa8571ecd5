// The context-menu handler that Explorer creates, and the menu items it
// inserts. The module-wide item list MenuItems is filled at library load by
// SetupMenuItems (OvShellMenuUtils); the class factory is in
// OvShellMenuFactory.
#pragma once

#include "ComObject.h"
#include "ItemPicture.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ovs {

// --- Menu items ----------------------------------------------------------------

// An owned GDI bitmap; deleted with its owner.
class TBitmap {
public:
    TBitmap() = default;
    ~TBitmap() { reset(); }
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;
    HBITMAP Handle() const { return handle_; }
    bool Empty() const { return handle_ == nullptr; }
    void reset(HBITMAP handle = nullptr) {
        if (handle_) DeleteObject(handle_);
        handle_ = handle;
    }

private:
    HBITMAP handle_ = nullptr;
};

// One context-menu item, in the very form InsertMenuItemA takes it on the
// Windows at hand: the full record where the extended menu-item interface
// exists, the old one (kMenuItemInfoSize400A) on Windows 95 and NT 4.
class TlumShellMenuItem {
public:
    // resourceName: an RT_BITMAP or icon resource of the module holding this
    // code (OvSShow.dll), or null; an icon is drawn at the size the menu
    // shows the picture (ItemPicture): with useItemBitmap on the extended
    // interface, a 32-bit bitmap with alpha at the small-icon size of each
    // menu (MenuItemInfoAt); otherwise, now, a check mark of check-mark
    // size. bitmap: a handle the caller keeps
    // owning, or 0. Throws std::runtime_error "Resource <name> not found"
    // (the string table's text; "#<id>" for a numbered one) for a missing
    // resource.
    TlumShellMenuItem(const std::string& caption, const std::string& hint, const char* resourceName,
                      HBITMAP bitmap, bool useItemBitmap, bool separator, bool ownerDraw);
    TlumShellMenuItem(const TlumShellMenuItem&) = delete;
    TlumShellMenuItem& operator=(const TlumShellMenuItem&) = delete;

    // Changes the menu text and keeps MenuItemInfo's text pointer and length
    // describing it.
    void SetCaption(const std::string& caption);

    // MenuItemInfo for a menu whose item bitmaps are pictureSize pixels
    // square: an icon's item bitmap drawn at that size.
    MENUITEMINFOA MenuItemInfoAt(int pictureSize) const;

    TBitmap Bitmap;
    // An icon shown as an item bitmap, at each menu's size; else null.
    std::unique_ptr<TItemBitmaps> ItemBitmaps;
    // The item's command offset: its list position once a menu has held it.
    // Menus on several Explorer threads write it (always the same value for
    // the same item), hence atomic.
    std::atomic<int> Index{0};
    std::string Caption;
    std::string Hint;
    BOOL ByPosition = -1;
    MENUITEMINFOA MenuItemInfo{};
};

// The MENUITEMINFO that Windows 95 and NT 4 know: the record without its last
// member, hbmpItem. They refuse the full record's size and its
// MIIM_BITMAP.
inline constexpr UINT kMenuItemInfoSize400A = offsetof(MENUITEMINFOA, hbmpItem);
inline constexpr UINT kMenuItemInfoSize400W = offsetof(MENUITEMINFOW, hbmpItem);

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(MENUITEMINFOA) == 48, "the full MENUITEMINFOA, with hbmpItem, is 48 bytes");
static_assert(kMenuItemInfoSize400A == 44 && kMenuItemInfoSize400W == 44, "the old MENUITEMINFO is 44 bytes");
#endif

// The selection a command runs on: the selected paths in drop order, shortcut
// entries replaced by their targets. UTF-16: the names as the shell has them
// on the NT family, the ANSI names widened on the 9x family.
using TSelection = std::vector<std::wstring>;

// item: the chosen item; fileName: the last selected name (empty when there is
// no selection); selection: the selection of the menu the item was chosen in.
// May throw std::exception carrying the message for the user.
using TMenuItemClickEvent = void (*)(TlumShellMenuItem& item, const std::wstring& fileName,
                                     const TSelection& selection);

// The items in menu order; owns them.
class TlumShellMenuItemList {
public:
    TlumShellMenuItemList() = default;
    TlumShellMenuItemList(const TlumShellMenuItemList&) = delete;
    TlumShellMenuItemList& operator=(const TlumShellMenuItemList&) = delete;

    TlumShellMenuItem* Add(const std::string& caption, const std::string& hint, const char* resourceName,
                           HBITMAP bitmap, bool useItemBitmap, bool separator, bool ownerDraw);
    // The item at a list position; std::out_of_range for a position past the end.
    TlumShellMenuItem* Items(int position) const;
    int Count() const { return static_cast<int>(items_.size()); }
    // The first item whose Index is value, or null.
    TlumShellMenuItem* FindByIndex(int value) const;
    // Calls OnClick for FindByIndex(value) when both exist; otherwise nothing.
    void Click(int value, const std::wstring& fileName, const TSelection& selection) const;

    TMenuItemClickEvent OnClick = nullptr;

private:
    std::vector<std::unique_ptr<TlumShellMenuItem>> items_;
};

// The module-wide item list; null until SetupMenuItems has run.
extern TlumShellMenuItemList* MenuItems;

// List position of the caption item, shown only for a single JPEG.
constexpr int CaptionItemPosition = 4;

// --- Caption item texts ----------------------------------------------------------
// UTF-16, since they show a file name of any script. Caption is the menu text
// as it goes into the menu ('&' marks the mnemonic there).
struct TCaptionTexts {
    std::wstring Caption;
    std::wstring Hint;
};

// The caption item's menu and help text for the single JPEG jpegPath
// ("Set Caption for "/"Edit Caption for " + name, "Current Caption: " +
// caption). Set by SetupMenuItems (OvShellMenuUtils); while it is null the
// caption item shows its own Caption and Hint.
using TCaptionItemPreparer = TCaptionTexts (*)(const std::wstring& jpegPath);
extern TCaptionItemPreparer PrepareCaptionItemTexts;

// --- The handler ---------------------------------------------------------------------
// One per context menu. Explorer may build menus on several threads at once
// (one per window), so the selection and the caption item's texts belong to
// the object, never to the module.
class TlumShellMenu : public TComObject<IContextMenu2, IShellExtInit> {
public:
    TlumShellMenu() = default;

    // IShellExtInit
    HRESULT STDMETHODCALLTYPE Initialize(PCIDLIST_ABSOLUTE pidlFolder, IDataObject* dataObject,
                                         HKEY hkeyProgID) override;
    // IContextMenu
    HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast,
                                               UINT uFlags) override;
    HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override;
    HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR idCmd, UINT uType, UINT* reserved, CHAR* name,
                                               UINT cchMax) override;
    // IContextMenu2
    HRESULT STDMETHODCALLTYPE HandleMenuMsg(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

    // The last selected name that Initialize fetched; empty before.
    std::wstring FFileName;
    // The selection of the last successful Initialize, in drop order;
    // QueryContextMenu replaces shortcut entries by their targets.
    TSelection SelectedFiles;
    int SelectedCount = 0;
    // The caption item's texts of this object's last menu, if it had one.
    std::optional<TCaptionTexts> CaptionTexts;

protected:
    std::span<const TInterfaceEntry> InterfaceTable() const override;
};

} // namespace ovs
