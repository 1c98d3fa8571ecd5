#include "OvShellMenuClasses.h"

#include "OvTools.h"
#include "lumSysUtils.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <stdexcept>

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

void ShowCommandError(const CMINVOKECOMMANDINFO& info, const char* message) {
    if (info.fMask & CMIC_MASK_FLAG_NO_UI) return;
    MessageBoxA(info.hwnd, message, "Orvane Slide Show", MB_OK | MB_ICONERROR);
}

} // namespace

// --- TlumShellMenuItem -------------------------------------------------------------

TlumShellMenuItem::TlumShellMenuItem(const std::string& caption, const std::string& hint,
                                     const char* resourceName, HBITMAP bitmap, bool useItemBitmap,
                                     bool separator, bool ownerDraw)
    : Caption(caption), Hint(hint) {
    if (resourceName) {
        Bitmap.reset(static_cast<HBITMAP>(
            LoadImageA(ThisModule(), resourceName, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        if (Bitmap.Empty()) throw std::runtime_error("Resource " + std::string(resourceName) + " not found");
    }
    ByPosition = -1;

    MenuItemInfo = MENUITEMINFOA{};
    MenuItemInfo.cbSize = sizeof(MENUITEMINFOA);
    const bool extended = HasExtendedMenuItemInfo();
    MenuItemInfo.fMask = MIIM_ID | MIIM_DATA | (extended ? MIIM_STRING | MIIM_FTYPE : MIIM_TYPE);
    MenuItemInfo.fType = separator ? MFT_SEPARATOR : MFT_STRING;
    if (ownerDraw) MenuItemInfo.fType |= MFT_OWNERDRAW;

    HBITMAP handle = bitmap ? bitmap : Bitmap.Handle();
    if (handle) {
        if (useItemBitmap || !extended) {
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

void TlumShellMenuItemList::Click(int value, const std::string& fileName, const TSelection& selection) const {
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

        const auto drop = static_cast<HDROP>(medium.get().hGlobal);
        const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
        TSelection files;
        std::vector<char> name;
        for (UINT i = 0; i < count; ++i) {
            // Asked for its length first, so a long path arrives whole.
            const UINT length = DragQueryFileA(drop, i, nullptr, 0);
            name.assign(static_cast<size_t>(length) + 1, '\0');
            const UINT fetched = length ? DragQueryFileA(drop, i, name.data(), length + 1) : 0;
            files.emplace_back(name.data(), std::min(fetched, length));
        }
        // Explorer may call Initialize again on the same object: the new
        // selection replaces the old one entirely.
        FFileName = files.empty() ? std::string() : files.back();
        SelectedFiles = std::move(files);
        SelectedCount = static_cast<int>(count);
        CaptionTexts.reset();
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT STDMETHODCALLTYPE TlumShellMenu::QueryContextMenu(HMENU menu, UINT indexMenu, UINT idCmdFirst, UINT,
                                                         UINT) {
    // Every kind of menu request gets the items, CMF_DEFAULTONLY included.
    UINT inserted = 0;
    try {
        CaptionTexts.reset();
        const std::vector<std::string> images = BuildImageList(SelectedFiles, SelectedCount);
        if (images.empty() || !MenuItems) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
        const bool withCaption = IsCaptionCandidate(images);

        for (int position = 0; position < MenuItems->Count(); ++position) {
            TlumShellMenuItem& item = *MenuItems->Items(position);
            if (position == CaptionItemPosition && !withCaption) continue;
            item.Index = position;
            // The shared item stays untouched beyond its Index: the command
            // identifier and the caption texts are this menu's own.
            MENUITEMINFOA info = item.MenuItemInfo;
            info.wID = idCmdFirst + static_cast<UINT>(position);
            if (position == CaptionItemPosition) {
                CaptionTexts = PrepareCaptionItemTexts ? PrepareCaptionItemTexts(images.front())
                                                       : TCaptionTexts{item.Caption, item.Hint};
                info.dwTypeData = CaptionTexts->Caption.data();
                info.cch = static_cast<UINT>(CaptionTexts->Caption.size());
            }
            InsertMenuItemA(menu, indexMenu + inserted, item.ByPosition, &info);
            ++inserted;
        }
    } catch (...) {
        // What is in the menu stays there and is reported as such.
    }
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, inserted);
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
        ShowCommandError(*info, "The command could not be carried out.");
    }
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE TlumShellMenu::GetCommandString(UINT_PTR idCmd, UINT uType, UINT*, CHAR* name,
                                                         UINT cchMax) {
    if (!MenuItems || idCmd >= static_cast<UINT_PTR>(MenuItems->Count())) return E_INVALIDARG;
    if (uType != GCS_HELPTEXTA && uType != GCS_HELPTEXTW) return S_OK;
    // A zero-sized buffer has no room even for the terminator.
    if (cchMax == 0) return S_OK;
    if (!name) return E_INVALIDARG;
    try {
        const int position = static_cast<int>(idCmd);
        const std::string& hint = position == CaptionItemPosition && CaptionTexts
                                      ? CaptionTexts->Hint
                                      : MenuItems->Items(position)->Hint;
        if (uType == GCS_HELPTEXTA) {
            const size_t n = std::min<size_t>(hint.size(), cchMax - 1);
            std::memcpy(name, hint.data(), n);
            name[n] = '\0';
        } else {
            std::wstring wide;
            if (!hint.empty()) {
                const int length = MultiByteToWideChar(CP_ACP, 0, hint.data(), static_cast<int>(hint.size()),
                                                       nullptr, 0);
                wide.resize(static_cast<size_t>(std::max(length, 0)));
                if (length > 0)
                    MultiByteToWideChar(CP_ACP, 0, hint.data(), static_cast<int>(hint.size()), wide.data(),
                                        length);
            }
            auto* buffer = reinterpret_cast<wchar_t*>(name);
            const size_t n = std::min<size_t>(wide.size(), cchMax - 1);
            std::memcpy(buffer, wide.data(), n * sizeof(wchar_t));
            buffer[n] = L'\0';
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
