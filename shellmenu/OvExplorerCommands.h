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
};

// The root command, the class that Explorer creates.
class TOvExplorerCommand : public TComObject<IExplorerCommand> {
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

    // The selection of items through the filter. The last one is kept: the
    // sub-commands ask again with the same items while the menu is open,
    // and the filter (shortcuts, folders) runs once per menu. Null items: the
    // last selection (empty before any). Throws.
    std::shared_ptr<const TDecidedSelection> Decided(IShellItemArray* items);

protected:
    std::span<const TInterfaceEntry> InterfaceTable() const override;

private:
    std::shared_ptr<const TDecidedSelection> Decide(TSelection names);

    std::shared_ptr<const TDecidedSelection> decided_;
    // Whether the menu that GetState last showed has the caption command.
    bool withCaption_ = false;
};

// "<module path>,-<id>": an icon of the module holding this code, the form
// Explorer reads from GetIcon.
std::wstring ModuleIconReference(UINT iconId);

} // namespace ovs
