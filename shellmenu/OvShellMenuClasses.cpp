#include "OvShellMenuClasses.h"

#include "ItemPicture.h"
#include "OvShellMenuConsts.h"
#include "OvShellMenuUtils.h"
#include "OvTools.h"
#include "PathText.h"
#include "ResString.h"
#include "RunTimeImports.h"
#include "WinText.h"
#include "lumSysUtils.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string_view>

// The module this code is linked into: OvSShow.dll when it ships.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace ovs {

TlumShellMenuItemList* MenuItems = nullptr;
TCaptionItemPreparer PrepareCaptionItemTexts = nullptr;

namespace {

HINSTANCE ThisModule() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

// Windows 98/Me and 2000 on know MIIM_STRING, MIIM_FTYPE and MIIM_BITMAP
// apart; 95 and NT 4 know only MIIM_TYPE.
bool HasExtendedMenuItemInfo() { return Is9xNewerThan95 || IsNTNewerThanNT4; }

class TStgMedium {
public:
    TStgMedium() = default;
    ~TStgMedium() {
        if (owned_) ReleaseStgMedium(&medium_);
    }
    TStgMedium(const TStgMedium&) = delete;
    TStgMedium& operator=(const TStgMedium&) = delete;
    // Hands out the medium for GetData; owned once that succeeded.
    STGMEDIUM* put() { return &medium_; }
    void own() { owned_ = true; }
    const STGMEDIUM& get() const { return medium_; }

private:
    STGMEDIUM medium_{};
    bool owned_ = false;
};

void ShowCommandError(const CMINVOKECOMMANDINFO& info, const char* message) noexcept {
    if (!(info.fMask & CMIC_MASK_FLAG_NO_UI)) ovs::ShowCommandError(info.hwnd, message);
}

// The name of drop entry i, whole whatever its length: asked for its length
// first.
template <class Char, class Query>
std::basic_string<Char> DropName(UINT i, Query query) {
    const UINT length = query(i, nullptr, 0);
    if (length == 0) return {};
    std::basic_string<Char> name(static_cast<size_t>(length) + 1, Char());
    const UINT fetched = query(i, name.data(), length + 1);
    name.resize(std::min(fetched, length));
    return name;
}

// The drop data's names: through the wide API on the NT family, so a name in
// any script arrives as it is; the 9x family's names are ANSI.
TSelection DropNames(HDROP drop) {
    TSelection names;
    if (IsWinNT) {
        const auto query = [drop](UINT i, wchar_t* b, UINT n) { return RunTime::DragQueryFileW(drop, i, b, n); };
        const UINT count = query(0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) names.push_back(DropName<wchar_t>(i, query));
    } else {
        const auto query = [drop](UINT i, char* b, UINT n) { return DragQueryFileA(drop, i, b, n); };
        const UINT count = query(0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) names.push_back(WideFromAnsi(DropName<char>(i, query)));
    }
    return names;
}

bool IsIconResource(HINSTANCE module, const char* resourceName) {
    return FindResourceA(module, resourceName, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */) != nullptr;
}

// A picture made once: a bitmap resource as it is; an icon as a check mark,
// at check-mark size, on white. Only systems without per-thread DPI (95 to
// XP) show these, so their size holds for the whole session.
HBITMAP LoadItemPicture(HINSTANCE module, const char* resourceName) {
    if (!IsIconResource(module, resourceName))
        return static_cast<HBITMAP>(LoadImageA(module, resourceName, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    return CheckMarkFromIcon(module, resourceName, MenuMetric(SM_CXMENUCHECK), MenuMetric(SM_CYMENUCHECK));
}

// A resource name as the error message shows it: a numbered one as "#202".
std::string ResourceNameText(const char* resourceName) {
    if (IS_INTRESOURCE(resourceName))
        return "#" + std::to_string(reinterpret_cast<std::uintptr_t>(resourceName));
    return resourceName;
}

// The same item record for InsertMenuItemW, with its own text.
MENUITEMINFOW WideItemInfo(const MENUITEMINFOA& ansi, std::wstring& text) {
    MENUITEMINFOW wide{};
    wide.cbSize = ansi.cbSize == sizeof(MENUITEMINFOA) ? sizeof(MENUITEMINFOW) : kMenuItemInfoSize400W;
    wide.fMask = ansi.fMask;
    wide.fType = ansi.fType;
    wide.fState = ansi.fState;
    wide.wID = ansi.wID;
    wide.hSubMenu = ansi.hSubMenu;
    wide.hbmpChecked = ansi.hbmpChecked;
    wide.hbmpUnchecked = ansi.hbmpUnchecked;
    wide.dwItemData = ansi.dwItemData;
    wide.dwTypeData = text.data();
    wide.cch = static_cast<UINT>(text.size());
    if (wide.cbSize == sizeof(MENUITEMINFOW)) wide.hbmpItem = ansi.hbmpItem;
    return wide;
}

// The caption item shows a file name of any script: the wide menu function
// takes it on the NT family; on the 9x family the name came from ANSI.
bool InsertCaptionItem(HMENU menu, UINT position, BOOL byPosition, MENUITEMINFOA info, std::wstring text) {
    if (IsWinNT) {
        const MENUITEMINFOW wide = WideItemInfo(info, text);
        return InsertMenuItemW(menu, position, byPosition, &wide) != FALSE;
    }
    std::string ansi = LossyAnsiOf(text);
    info.dwTypeData = ansi.data();
    info.cch = static_cast<UINT>(ansi.size());
    return InsertMenuItemA(menu, position, byPosition, &info) != FALSE;
}

// Copies text into a caller's buffer of cchMax units, cut to fit, with its
// terminating null. The cut keeps whole characters only: half a surrogate
// pair or a lead byte without its trail would show as a stray glyph at the
// end of the status bar (and a lead byte would swallow the null).
void CopyToFit(char* buffer, UINT cchMax, std::string_view text) {
    const size_t n = WholeCharPrefix(text, cchMax - 1, IsAnsiLeadByte);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

void CopyToFit(wchar_t* buffer, UINT cchMax, std::wstring_view text) {
    const size_t n = WholeCharPrefix(text, cchMax - 1);
    std::memcpy(buffer, text.data(), n * sizeof(wchar_t));
    buffer[n] = L'\0';
}

} // namespace

// --- TlumShellMenuItem -------------------------------------------------------------

TlumShellMenuItem::TlumShellMenuItem(const std::string& caption, const std::string& hint,
                                     const char* resourceName, HBITMAP bitmap, bool useItemBitmap,
                                     bool separator, bool ownerDraw)
    : Caption(caption), Hint(hint) {
    const bool extended = HasExtendedMenuItemInfo();
    if (resourceName) {
        const HINSTANCE module = ThisModule();
        // An item bitmap is drawn when a menu is built, at that menu's DPI;
        // nothing is drawn while the library loads.
        if (useItemBitmap && extended && IsIconResource(module, resourceName))
            ItemBitmaps = std::make_unique<TItemBitmaps>(module, resourceName);
        else
            Bitmap.reset(LoadItemPicture(module, resourceName));
        if (!ItemBitmaps && Bitmap.Empty())
            throw std::runtime_error(FormatResString(IDS_RESOURCE_NOT_FOUND, ResourceNameText(resourceName)));
    }
    ByPosition = -1;

    MenuItemInfo = MENUITEMINFOA{};
    // Windows 95 and NT 4 refuse the full record and know no item bitmap:
    // there the picture can only be the item's check mark.
    MenuItemInfo.cbSize = extended ? sizeof(MENUITEMINFOA) : kMenuItemInfoSize400A;
    MenuItemInfo.fMask = MIIM_ID | MIIM_DATA | (extended ? MIIM_STRING | MIIM_FTYPE : MIIM_TYPE);
    MenuItemInfo.fType = separator ? MFT_SEPARATOR : MFT_STRING;
    if (ownerDraw) MenuItemInfo.fType |= MFT_OWNERDRAW;

    HBITMAP handle = bitmap ? bitmap : Bitmap.Handle();
    if (ItemBitmaps) {
        MenuItemInfo.fMask |= MIIM_BITMAP;
    } else if (handle) {
        if (useItemBitmap && extended) {
            MenuItemInfo.hbmpItem = handle;
            MenuItemInfo.fMask |= MIIM_BITMAP;
        } else {
            MenuItemInfo.hbmpChecked = handle;
            MenuItemInfo.hbmpUnchecked = handle;
            MenuItemInfo.fMask |= MIIM_CHECKMARKS;
        }
    }
    SetCaption(Caption);
}

MENUITEMINFOA TlumShellMenuItem::MenuItemInfoAt(int pictureSize) const {
    MENUITEMINFOA info = MenuItemInfo;
    if (ItemBitmaps) info.hbmpItem = ItemBitmaps->At(pictureSize);
    return info;
}

void TlumShellMenuItem::SetCaption(const std::string& caption) {
    if (&caption != &Caption) Caption = caption;
    MenuItemInfo.dwTypeData = Caption.data();
    MenuItemInfo.cch = static_cast<UINT>(Caption.size());
}

// --- TlumShellMenuItemList ---------------------------------------------------------

TlumShellMenuItem* TlumShellMenuItemList::Add(const std::string& caption, const std::string& hint,
                                              const char* resourceName, HBITMAP bitmap, bool useItemBitmap,
                                              bool separator, bool ownerDraw) {
    items_.push_back(std::make_unique<TlumShellMenuItem>(caption, hint, resourceName, bitmap, useItemBitmap,
                                                         separator, ownerDraw));
    return items_.back().get();
}

TlumShellMenuItem* TlumShellMenuItemList::Items(int position) const {
    if (position < 0 || position >= Count())
        throw std::out_of_range("List index out of bounds (" + std::to_string(position) + ")");
    return items_[static_cast<size_t>(position)].get();
}

TlumShellMenuItem* TlumShellMenuItemList::FindByIndex(int value) const {
    for (const auto& item : items_)
        if (item && item->Index == value) return item.get();
    return nullptr;
}

void TlumShellMenuItemList::Click(int value, const std::wstring& fileName, const TSelection& selection) const {
    if (!OnClick) return;
    if (TlumShellMenuItem* item = FindByIndex(value)) OnClick(*item, fileName, selection);
}

// --- TlumShellMenu -----------------------------------------------------------------

std::span<const TInterfaceEntry> TlumShellMenu::InterfaceTable() const {
    static const TInterfaceEntry table[] = {
        InterfaceEntry<TlumShellMenu, IContextMenu2>(IID_IContextMenu2),
        InterfaceEntry<TlumShellMenu, IContextMenu>(IID_IContextMenu),
        InterfaceEntry<TlumShellMenu, IShellExtInit>(IID_IShellExtInit),
    };
    return table;
}

HRESULT STDMETHODCALLTYPE TlumShellMenu::Initialize(PCIDLIST_ABSOLUTE, IDataObject* dataObject, HKEY) {
    if (!dataObject) return E_INVALIDARG;
    try {
        const TComPtr<IDataObject> hold = TComPtr<IDataObject>::Retain(dataObject);
        FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        TStgMedium medium;
        const HRESULT hr = dataObject->GetData(&format, medium.put());
        if (FAILED(hr)) return hr;
        medium.own();
        if (medium.get().tymed != TYMED_HGLOBAL || !medium.get().hGlobal) return DV_E_TYMED;

        TSelection files = DropNames(static_cast<HDROP>(medium.get().hGlobal));
        // Explorer may call Initialize again on the same object: the new
        // selection replaces the old one entirely.
        FFileName = files.empty() ? std::wstring() : files.back();
        SelectedCount = static_cast<int>(files.size());
        SelectedFiles = std::move(files);
        CaptionTexts.reset();
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT STDMETHODCALLTYPE TlumShellMenu::QueryContextMenu(HMENU menu, UINT indexMenu, UINT idCmdFirst,
                                                         UINT idCmdLast, UINT uFlags) {
    // Explorer asks for the default item only on a double-click or Enter;
    // none of ours is a default, so such a request reads no disk at all.
    if (uFlags & CMF_DEFAULTONLY) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    // Explorer hands the next handler identifiers from idCmdFirst plus the
    // answer on, so the answer is the largest offset in the menu plus one,
    // whatever was left out below it.
    UINT inserted = 0;
    UINT offsetsUsed = 0;
    try {
        CaptionTexts.reset();
        const std::vector<std::wstring> images = BuildImageList(SelectedFiles, SelectedCount);
        if (images.empty() || !MenuItems) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
        const bool withCaption = IsCaptionCandidate(images);
        // The pictures are drawn for the DPI of the thread building this menu.
        const int pictureSize = MenuMetric(SM_CXSMICON);

        for (int position = 0; position < MenuItems->Count(); ++position) {
            TlumShellMenuItem& item = *MenuItems->Items(position);
            if (position == CaptionItemPosition && !withCaption) continue;
            const UINT offset = static_cast<UINT>(position);
            // An identifier past idCmdLast belongs to someone else.
            if (idCmdFirst > idCmdLast || offset > idCmdLast - idCmdFirst) break;
            item.Index = position;
            // The shared item stays untouched beyond its Index: the command
            // identifier and the caption texts are this menu's own.
            MENUITEMINFOA info = item.MenuItemInfoAt(pictureSize);
            info.wID = idCmdFirst + offset;
            bool in = false;
            if (position == CaptionItemPosition) {
                CaptionTexts = PrepareCaptionItemTexts
                                   ? PrepareCaptionItemTexts(images.front())
                                   : TCaptionTexts{WideFromAnsi(item.Caption), WideFromAnsi(item.Hint)};
                in = InsertCaptionItem(menu, indexMenu + inserted, item.ByPosition, info, CaptionTexts->Caption);
            } else {
                in = InsertMenuItemA(menu, indexMenu + inserted, item.ByPosition, &info) != FALSE;
            }
            // Only items that are in the menu take a place and claim their
            // identifier.
            if (!in) continue;
            ++inserted;
            offsetsUsed = offset + 1;
        }
    } catch (...) {
        // What is in the menu stays there and is reported as such.
    }
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, offsetsUsed);
}

HRESULT STDMETHODCALLTYPE TlumShellMenu::InvokeCommand(CMINVOKECOMMANDINFO* info) {
    if (!info) return E_INVALIDARG;
    // A verb given as a string: the handler has no named verbs.
    if (reinterpret_cast<UINT_PTR>(info->lpVerb) >> 16) return E_FAIL;
    const int offset = LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb));
    if (offset == 0) return E_INVALIDARG;
    if (!MenuItems) return S_OK;
    // A command's failure (no viewer, no registration) must never reach
    // Explorer as an exception.
    try {
        MenuItems->Click(offset, FFileName, SelectedFiles);
        return S_OK;
    } catch (const std::exception& e) {
        ShowCommandError(*info, e.what());
    } catch (...) {
        ShowCommandError(*info, nullptr);
    }
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE TlumShellMenu::GetCommandString(UINT_PTR idCmd, UINT uType, UINT*, CHAR* name,
                                                         UINT cchMax) {
    if (!MenuItems || idCmd >= static_cast<UINT_PTR>(MenuItems->Count())) return E_INVALIDARG;
    switch (uType) {
    case GCS_HELPTEXTA:
    case GCS_HELPTEXTW:
        break;
    case GCS_VERBA:
    case GCS_VERBW:
    case GCS_VERBICONW:
        // The items have no canonical verb; a caller that reads its buffer
        // after S_OK would take whatever it held for one.
        return E_NOTIMPL;
    default:
        return S_OK;
    }
    // A zero-sized buffer has no room even for the terminator.
    if (cchMax == 0) return S_OK;
    if (!name) return E_INVALIDARG;
    try {
        const int position = static_cast<int>(idCmd);
        const bool captionItem = position == CaptionItemPosition && CaptionTexts;
        const TlumShellMenuItem& item = *MenuItems->Items(position);
        if (uType == GCS_HELPTEXTA) {
            // An ANSI caller gets the caption item's text in its exact ANSI
            // form, with '?' for each character the code page lacks: a
            // best-fit letter would show a caption that isn't there.
            const std::string hint = captionItem ? ExactAnsiOrPlaceholders(CaptionTexts->Hint, '?') : item.Hint;
            CopyToFit(name, cchMax, hint);
        } else {
            const std::wstring hint = captionItem ? CaptionTexts->Hint : WideFromAnsi(item.Hint);
            CopyToFit(reinterpret_cast<wchar_t*>(name), cchMax, hint);
        }
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT STDMETHODCALLTYPE TlumShellMenu::HandleMenuMsg(UINT, WPARAM, LPARAM) {
    // Nothing is owner-drawn, so no menu message needs an answer.
    return S_OK;
}

} // namespace ovs
