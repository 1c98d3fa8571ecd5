#include "OvExplorerCommands.h"

#include "OvShellMenuConsts.h"
#include "OvShellMenuUtils.h"
#include "OvTools.h"
#include "ResString.h"
#include "RunTimeImports.h"
#include "WinFiles.h"
#include "WinText.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <iterator>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string_view>

namespace ovs {

namespace {

// The sub-commands in menu order: the item list position gives the texts and
// the viewer switch.
struct TSubCommandRow {
    int Position;
    UINT Icon;
};

constexpr TSubCommandRow kSubCommands[] = {
    {1, IDI_SHOW},
    {2, IDI_CONFIG},
    {3, IDI_BUILD},
    {CaptionItemPosition, IDI_SETCAPTION},
};

// Explorer frees what the command hands out with CoTaskMemFree.
HRESULT HandOut(const std::wstring& text, LPWSTR* out) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    *out = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*out) return E_OUTOFMEMORY;
    std::memcpy(*out, text.c_str(), bytes);
    return S_OK;
}

// Runs a method body that makes a text, at the COM boundary.
template <class MakeText>
HRESULT TextAnswer(LPWSTR* out, MakeText make) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        return HandOut(make(), out);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

struct TCoTaskText {
    LPWSTR Text = nullptr;
    ~TCoTaskText() { CoTaskMemFree(Text); }
};

// One selected item: its file-system path ("" for an item that has none), and
// whether deciding on it means looking into it (a folder, or a shortcut
// whose target counts).
struct TSelectedItem {
    std::wstring Path;
    bool LookInto = false;
};

std::vector<TSelectedItem> SelectedItems(IShellItemArray* items) {
    std::vector<TSelectedItem> selected;
    DWORD count = 0;
    if (!items || FAILED(items->GetCount(&count))) return selected;
    for (DWORD i = 0; i < count; ++i) {
        TComPtr<IShellItem> item;
        if (FAILED(items->GetItemAt(i, item.put())) || !item) continue;
        TCoTaskText path;
        if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path.Text)) || !path.Text) continue;
        SFGAOF attributes = 0;
        // The shell has the attributes at hand: no file-system probe.
        const bool known = SUCCEEDED(item->GetAttributes(SFGAO_FOLDER | SFGAO_LINK, &attributes));
        selected.push_back({path.Text, !known || (attributes & (SFGAO_FOLDER | SFGAO_LINK)) != 0});
    }
    return selected;
}

TSelection NamesOf(const std::vector<TSelectedItem>& items) {
    TSelection names;
    for (const TSelectedItem& item : items) names.push_back(item.Path);
    return names;
}

// Without leave to be slow the menu is decided from the items' names alone
// where they settle it: the items before the first one to look into hold two
// images (no caption command then), or no item needs looking into and the
// names make no lone JPEG, whose command is titled from the file's caption.
// Nothing otherwise: Explorer asks again, from a thread that may wait.
std::optional<EXPCMDSTATE> StateFromNames(const std::vector<TSelectedItem>& items) {
    TSelection before;
    bool lookInto = false;
    for (const TSelectedItem& item : items) {
        if (item.LookInto) {
            lookInto = true;
            break;
        }
        before.push_back(item.Path);
    }
    const std::vector<std::wstring> images = BuildImageList(before, static_cast<int>(before.size()));
    if (images.size() >= kImagesThatDecideTheMenu) return ECS_ENABLED;
    if (lookInto || IsCaptionCandidate(images)) return std::nullopt;
    return images.empty() ? ECS_HIDDEN : ECS_ENABLED;
}

// Explorer commands carry no "no UI" request of their own: the bind context's
// BIND_MAYBOTHERUSER is clear in any context made with CreateBindCtx(0), and
// no host sets it to mean anything for a command. The real sign that nobody
// can answer a message is a process window station that no user sees (a
// service's): a message box there would wait unseen for good.
bool UserCanSeeMessages() {
    const HWINSTA station = RunTime::GetProcessWindowStation();
    USEROBJECTFLAGS flags{};
    if (!station || !RunTime::GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), nullptr))
        return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

// One of the menu's commands under the root. It holds the root, whose
// selection it shows and runs on.
class TOvSubCommand : public TComObject<IExplorerCommand, IObjectWithSite> {
public:
    TOvSubCommand(const TSubCommandRow& row, TComPtr<TOvExplorerCommand> root) : row_(row), root_(std::move(root)) {}

    HRESULT STDMETHODCALLTYPE GetTitle(IShellItemArray* items, LPWSTR* name) override {
        return TextAnswer(name, [&] {
            if (const auto caption = CaptionTexts(items)) return caption->Caption;
            return WideFromAnsi(Item().Caption);
        });
    }
    HRESULT STDMETHODCALLTYPE GetIcon(IShellItemArray*, LPWSTR* icon) override {
        return TextAnswer(icon, [&] { return ModuleIconReference(row_.Icon); });
    }
    HRESULT STDMETHODCALLTYPE GetToolTip(IShellItemArray* items, LPWSTR* infoTip) override {
        return TextAnswer(infoTip, [&] {
            if (const auto caption = CaptionTexts(items)) return caption->Hint;
            return WideFromAnsi(Item().Hint);
        });
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalName(GUID* commandName) override {
        if (commandName) *commandName = GUID_NULL;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetState(IShellItemArray*, BOOL, EXPCMDSTATE* state) override {
        if (!state) return E_POINTER;
        // The root decided which sub-commands the menu has.
        *state = ECS_ENABLED;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(IShellItemArray* items, IBindCtx*) override {
        // A command's failure (no viewer) must never reach Explorer as an
        // exception.
        try {
            const std::shared_ptr<const TDecidedSelection> decided = root_->Decided(items);
            const std::wstring fileName = decided->Names.empty() ? std::wstring() : decided->Names.back();
            RunMenuCommand(row_.Position, fileName, decided->Selection,
                           TViewerStart{.BesideThisLibrary = true, .ToFront = true});
            return S_OK;
        } catch (const std::exception& e) {
            ShowFailure(e.what());
        } catch (...) {
            ShowFailure(nullptr);
        }
        return E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE GetFlags(EXPCMDFLAGS* flags) override {
        if (!flags) return E_POINTER;
        *flags = ECF_DEFAULT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumSubCommands(IEnumExplorerCommand** commands) override {
        if (commands) *commands = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetSite(IUnknown* site) override {
        site_.Set(site);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSite(REFIID riid, void** ppv) override { return site_.Get(riid, ppv); }

protected:
    std::span<const TInterfaceEntry> InterfaceTable() const override {
        static const TInterfaceEntry table[] = {
            InterfaceEntry<TOvSubCommand, IExplorerCommand>(IID_IExplorerCommand),
            InterfaceEntry<TOvSubCommand, IObjectWithSite>(IID_IObjectWithSite),
        };
        return table;
    }

private:
    TlumShellMenuItem& Item() const {
        if (!MenuItems) throw std::runtime_error(LoadResString(IDS_COMMAND_FAILED));
        return *MenuItems->Items(row_.Position);
    }
    // The caption command's texts as the selection was decided with them;
    // nothing for the other commands.
    std::optional<TCaptionTexts> CaptionTexts(IShellItemArray* items) const {
        if (row_.Position != CaptionItemPosition) return std::nullopt;
        return root_->Decided(items)->Caption;
    }
    // Owned by the window Explorer asked from: the sub-command's own site's,
    // else the root's; no owner where neither has one.
    void ShowFailure(const char* message) const noexcept {
        if (!UserCanSeeMessages()) return;
        HWND owner = site_.Window();
        if (!owner) owner = root_->SiteWindow();
        ShowCommandError(owner, message);
    }

    TSubCommandRow row_;
    TComPtr<TOvExplorerCommand> root_;
    TCommandSite site_;
};

class TEnumSubCommands : public TComObject<IEnumExplorerCommand> {
public:
    explicit TEnumSubCommands(std::vector<TComPtr<IExplorerCommand>> commands, size_t next = 0)
        : commands_(std::move(commands)), next_(next) {}

    HRESULT STDMETHODCALLTYPE Next(ULONG count, IExplorerCommand** out, ULONG* fetched) override {
        if (!out || (count != 1 && !fetched)) return E_POINTER;
        ULONG given = 0;
        for (; given < count && next_ < commands_.size(); ++given, ++next_)
            out[given] = TComPtr<IExplorerCommand>(commands_[next_]).detach();
        if (fetched) *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const size_t left = commands_.size() - next_;
        next_ += std::min<size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        next_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumExplorerCommand** copy) override {
        return CreateComObject<TEnumSubCommands>(IID_IEnumExplorerCommand, reinterpret_cast<void**>(copy),
                                                 commands_, next_);
    }

protected:
    std::span<const TInterfaceEntry> InterfaceTable() const override {
        static const TInterfaceEntry table[] = {
            InterfaceEntry<TEnumSubCommands, IEnumExplorerCommand>(IID_IEnumExplorerCommand)};
        return table;
    }

private:
    std::vector<TComPtr<IExplorerCommand>> commands_;
    size_t next_;
};

} // namespace

std::wstring ModuleIconReference(UINT iconId) {
    return ModuleFileName(ResourceModule()) + L",-" + std::to_wstring(iconId);
}

// --- The site ----------------------------------------------------------------------

void TCommandSite::Set(IUnknown* site) {
    TComPtr<IUnknown> held = TComPtr<IUnknown>::Retain(site);
    {
        const std::lock_guard<TSmallLock> hold(lock_);
        std::swap(site_, held);
    }
    // The one given before is released outside the lock: its Release may
    // call back into Explorer.
}

TComPtr<IUnknown> TCommandSite::Current() const {
    const std::lock_guard<TSmallLock> hold(lock_);
    return site_;
}

HRESULT TCommandSite::Get(REFIID riid, void** ppv) const {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    const TComPtr<IUnknown> site = Current();
    return site ? site->QueryInterface(riid, ppv) : E_FAIL;
}

HWND TCommandSite::Window() const {
    const TComPtr<IUnknown> site = Current();
    if (!site) return nullptr;
    HWND window = nullptr;
    if (SUCCEEDED(RunTime::IUnknown_GetWindow(site.get(), &window)) && window) return window;
    TComPtr<IOleWindow> oleWindow;
    if (FAILED(site->QueryInterface(IID_IOleWindow, oleWindow.put_void())) || !oleWindow) return nullptr;
    window = nullptr;
    return SUCCEEDED(oleWindow->GetWindow(&window)) ? window : nullptr;
}

bool TCommandSite::IsClassicMenu() const { return IsClassicMenuSite(Current().get()); }

bool IsClassicMenuSite(IUnknown* site) {
    if (!site) return false;
    TComPtr<IOleWindow> oleWindow;
    if (FAILED(site->QueryInterface(IID_IOleWindow, oleWindow.put_void())) || !oleWindow) return false;
    HWND window = nullptr;
    if (FAILED(oleWindow->GetWindow(&window)) || !window) return false;
    wchar_t name[64] = {};
    const int length = RunTime::GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return std::wstring_view(name, length > 0 ? static_cast<size_t>(length) : 0) != L"NamespaceTreeControl";
}

// --- TOvExplorerCommand ----------------------------------------------------------

std::span<const TInterfaceEntry> TOvExplorerCommand::InterfaceTable() const {
    static const TInterfaceEntry table[] = {
        InterfaceEntry<TOvExplorerCommand, IExplorerCommand>(IID_IExplorerCommand),
        InterfaceEntry<TOvExplorerCommand, IObjectWithSite>(IID_IObjectWithSite),
    };
    return table;
}

std::shared_ptr<const TDecidedSelection> TOvExplorerCommand::Decide(TSelection names) {
    auto decided = std::make_shared<TDecidedSelection>();
    decided->Names = std::move(names);
    decided->Selection = decided->Names;
    decided->Images = BuildImageList(decided->Selection, static_cast<int>(decided->Selection.size()));
    // The one read of the file for the whole menu.
    if (IsCaptionCandidate(decided->Images)) decided->Caption = PrepareCaptionItem(decided->Images.front());
    const std::lock_guard<TSmallLock> hold(lock_);
    decided_ = decided;
    return decided;
}

std::shared_ptr<const TDecidedSelection> TOvExplorerCommand::Decided(IShellItemArray* items) {
    if (!items) {
        const std::lock_guard<TSmallLock> hold(lock_);
        return decided_ ? decided_ : std::make_shared<const TDecidedSelection>();
    }
    TSelection names = NamesOf(SelectedItems(items));
    {
        const std::lock_guard<TSmallLock> hold(lock_);
        if (decided_ && decided_->Names == names) return decided_;
    }
    return Decide(std::move(names));
}

HRESULT STDMETHODCALLTYPE TOvExplorerCommand::GetTitle(IShellItemArray*, LPWSTR* name) {
    // The product's name, which titles its messages as well.
    return TextAnswer(name, [] { return LoadResStringW(IDS_MESSAGE_TITLE); });
}

HRESULT STDMETHODCALLTYPE TOvExplorerCommand::GetIcon(IShellItemArray*, LPWSTR* icon) {
    return TextAnswer(icon, [] { return ModuleIconReference(IDI_PRODUCT); });
}

HRESULT STDMETHODCALLTYPE TOvExplorerCommand::GetToolTip(IShellItemArray*, LPWSTR* infoTip) {
    if (infoTip) *infoTip = nullptr;
    // The sub-commands carry the help texts.
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TOvExplorerCommand::GetCanonicalName(GUID* commandName) {
    if (!commandName) return E_POINTER;
    *commandName = CLSID_OvExplorerCommand;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TOvExplorerCommand::GetState(IShellItemArray* items, BOOL okToBeSlow,
                                                       EXPCMDSTATE* state) {
    if (!state) return E_POINTER;
    *state = ECS_HIDDEN;
    try {
        // In the classic menu the classic handler's items stand already.
        if (site_.IsClassicMenu()) return S_OK;
        // Windows 11's navigation pane asks with no items at all.
        const std::vector<TSelectedItem> selected = SelectedItems(items);
        if (selected.empty()) return S_OK;
        if (!okToBeSlow) {
            const std::optional<EXPCMDSTATE> fromNames = StateFromNames(selected);
            if (!fromNames) return E_PENDING;
            const std::lock_guard<TSmallLock> hold(lock_);
            withCaption_ = false;
            *state = *fromNames;
            return S_OK;
        }
        // Each slow GetState starts a menu: a folder or a caption may have
        // changed since the last one.
        const std::shared_ptr<const TDecidedSelection> decided = Decide(NamesOf(selected));
        const std::lock_guard<TSmallLock> hold(lock_);
        withCaption_ = decided->Caption.has_value();
        *state = decided->Images.empty() ? ECS_HIDDEN : ECS_ENABLED;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT STDMETHODCALLTYPE TOvExplorerCommand::Invoke(IShellItemArray*, IBindCtx*) {
    // The root only opens its sub-menu.
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TOvExplorerCommand::GetFlags(EXPCMDFLAGS* flags) {
    if (!flags) return E_POINTER;
    *flags = ECF_HASSUBCOMMANDS;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TOvExplorerCommand::EnumSubCommands(IEnumExplorerCommand** commands) {
    if (!commands) return E_POINTER;
    *commands = nullptr;
    try {
        bool withCaption = false;
        {
            const std::lock_guard<TSmallLock> hold(lock_);
            withCaption = withCaption_;
        }
        std::vector<TComPtr<IExplorerCommand>> list;
        for (const TSubCommandRow& row : kSubCommands) {
            if (row.Position == CaptionItemPosition && !withCaption) continue;
            TComPtr<IExplorerCommand> command;
            const HRESULT hr = CreateComObject<TOvSubCommand>(IID_IExplorerCommand, command.put_void(), row,
                                                              TComPtr<TOvExplorerCommand>::Retain(this));
            if (FAILED(hr)) return hr;
            list.push_back(std::move(command));
        }
        return CreateComObject<TEnumSubCommands>(IID_IEnumExplorerCommand, reinterpret_cast<void**>(commands),
                                                 std::move(list));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT STDMETHODCALLTYPE TOvExplorerCommand::SetSite(IUnknown* site) {
    site_.Set(site);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TOvExplorerCommand::GetSite(REFIID riid, void** ppv) { return site_.Get(riid, ppv); }

} // namespace ovs
