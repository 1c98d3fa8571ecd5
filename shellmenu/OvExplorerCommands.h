// The Explorer commands that Windows 11 shows in its own context menu: a root
// titled with the product's name, whose sub-commands are the menu's commands.
// A second door to the classic handler's rooms: the selection filter, the
// item texts, the caption lookup, the list file and the viewer start are
// theirs; this door only walks Explorer's item array into names and maps
// GetState, EnumSubCommands and Invoke onto them.
#pragma once

#include "ComObject.h"
#include "OvShellMenuClasses.h"

#include <windows.h>
#include <ocidl.h>
#include <shobjidl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ovs {

// A selection as the filter left it.
struct TDecidedSelection {
    // The items' file-system paths in Explorer's order (items without one are
    // left out, as the classic menu's drop list leaves them out).
    TSelection Names;
    // Names with every shortcut replaced by its target: what the list file
    // holds.
    TSelection Selection;
    // What BuildImageList found (at most two).
    std::vector<std::wstring> Images;
    // The caption command's texts, read from the one JPEG when the selection
    // was decided; nothing when the menu has no caption command.
    std::optional<TCaptionTexts> Caption;
};

// A lock around a few pointer copies: Explorer asks the slow GetState on a
// thread of its own while its window's thread may ask for titles.
class TSmallLock {
public:
    TSmallLock() { InitializeCriticalSection(&section_); }
    ~TSmallLock() { DeleteCriticalSection(&section_); }
    TSmallLock(const TSmallLock&) = delete;
    TSmallLock& operator=(const TSmallLock&) = delete;
    void lock() { EnterCriticalSection(&section_); }
    void unlock() { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

// The site Explorer hands a command (IObjectWithSite), kept for the menu's
// life and released with SetSite(nullptr) or the command.
class TCommandSite {
public:
    void Set(IUnknown* site);
    HRESULT Get(REFIID riid, void** ppv) const;
    // The site's window, the owner of the command's messages; null when the
    // site has none (Windows 11's own menu) or there is no site.
    HWND Window() const;
    // Whether Explorer asks from its classic menu: see IsClassicMenuSite.
    bool IsClassicMenu() const;

private:
    TComPtr<IUnknown> Current() const;

    mutable TSmallLock lock_;
    TComPtr<IUnknown> site_;
};

// Windows 11 adds a package's commands to its classic menu ("Show more
// options", Shift+right-click) as well as to its own, and there the classic
// handler's items stand already. The classic menu's site answers IOleWindow
// with the view's window; Windows 11's own menu gives none, except in the
// navigation pane, where the window is the tree ("NamespaceTreeControl").
bool IsClassicMenuSite(IUnknown* site);

// The root command, the class that Explorer creates.
class TOvExplorerCommand : public TComObject<IExplorerCommand, IObjectWithSite> {
public:
    TOvExplorerCommand() = default;

    // IExplorerCommand
    HRESULT STDMETHODCALLTYPE GetTitle(IShellItemArray* items, LPWSTR* name) override;
    HRESULT STDMETHODCALLTYPE GetIcon(IShellItemArray* items, LPWSTR* icon) override;
    HRESULT STDMETHODCALLTYPE GetToolTip(IShellItemArray* items, LPWSTR* infoTip) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalName(GUID* commandName) override;
    HRESULT STDMETHODCALLTYPE GetState(IShellItemArray* items, BOOL okToBeSlow, EXPCMDSTATE* state) override;
    HRESULT STDMETHODCALLTYPE Invoke(IShellItemArray* items, IBindCtx* bindContext) override;
    HRESULT STDMETHODCALLTYPE GetFlags(EXPCMDFLAGS* flags) override;
    HRESULT STDMETHODCALLTYPE EnumSubCommands(IEnumExplorerCommand** commands) override;
    // IObjectWithSite
    HRESULT STDMETHODCALLTYPE SetSite(IUnknown* site) override;
    HRESULT STDMETHODCALLTYPE GetSite(REFIID riid, void** ppv) override;

    // The selection of items through the filter, with the caption read. The
    // last one is kept and handed out again while the items name the same
    // selection: the sub-commands ask with the same items while the menu is
    // open, and the filter and the caption read run once per menu. Null
    // items: the last selection (empty before any). Throws.
    std::shared_ptr<const TDecidedSelection> Decided(IShellItemArray* items);

    // The owner of the sub-commands' messages when they have no site of
    // their own.
    HWND SiteWindow() const { return site_.Window(); }

protected:
    std::span<const TInterfaceEntry> InterfaceTable() const override;

private:
    std::shared_ptr<const TDecidedSelection> Decide(TSelection names);

    mutable TSmallLock lock_;
    std::shared_ptr<const TDecidedSelection> decided_;
    // Whether the menu that GetState last showed has the caption command.
    bool withCaption_ = false;
    TCommandSite site_;
};

// "<module path>,-<id>": an icon of the module holding this code, the form
// Explorer reads from GetIcon.
std::wstring ModuleIconReference(UINT iconId);

} // namespace ovs
