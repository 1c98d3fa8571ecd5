#include "ServerRegistration.h"

#include "OvShellMenuConsts.h"
#include "OvShellMenuFactory.h"
#include "PathText.h"
#include "lumSysUtils.h"

#include <iterator>
#include <string>

namespace ovs {

constexpr TRegistryEntry kMenuRegistryEntries[3] = {
    {TRegistryRoot::ClassesRoot, kFileHandlerKey, "", kMenuClsidText.Text, false},
    {TRegistryRoot::ClassesRoot, kFolderHandlerKey, "", kMenuClsidText.Text, false},
    // Shells of the NT family load only approved extensions when the
    // administrator asks them to; the 9x family has no such list. The list
    // is the machine's, and a per-user registration leaves it alone.
    {TRegistryRoot::LocalMachine, kApprovedKey, kMenuClsidText.Text, kMenuDescription, true},
};

namespace {

bool BelongsTo(const TRegistryEntry& entry, TRegistrationScope scope) {
    if (entry.NTFamilyOnly && !IsWinNT) return false;
    return entry.Root == TRegistryRoot::ClassesRoot || scope == TRegistrationScope::Machine;
}

} // namespace

void TlumShellMenuFactory::ApplyRegistration(bool reg, TRegistrationScope scope) {
    const TClassesRoot classes = ClassesRootOf(scope);
    const auto rootOf = [&](const TRegistryEntry& entry) {
        return entry.Root == TRegistryRoot::ClassesRoot ? classes.Root : HKEY_LOCAL_MACHINE;
    };
    const auto pathOf = [&](const TRegistryEntry& entry) {
        return entry.Root == TRegistryRoot::ClassesRoot ? classes.PathOf(entry.KeyPath) : std::string(entry.KeyPath);
    };
    if (reg) {
        TClassFactory::ApplyRegistration(true, scope);
        for (const TRegistryEntry& entry : kMenuRegistryEntries)
            if (BelongsTo(entry, scope)) RegWriteString(rootOf(entry), pathOf(entry), entry.ValueName, entry.Value);
    } else {
        // Entries that are already gone are no error.
        for (const TRegistryEntry& entry : kMenuRegistryEntries) {
            if (!BelongsTo(entry, scope)) continue;
            if (*entry.ValueName) {
                RegRemoveValue(rootOf(entry), pathOf(entry), entry.ValueName);
            } else {
                RegRemoveKey(rootOf(entry), pathOf(entry));
                if (entry.Root == TRegistryRoot::ClassesRoot) RemoveEmptyParents(classes, entry.KeyPath);
            }
        }
        TClassFactory::ApplyRegistration(false, scope);
    }
}

namespace {

// Registration goes in the order of the list and stops at the first error;
// removal goes the other way round and tries every class.
HRESULT UpdateServerRegistry(bool reg, TRegistrationScope scope) noexcept {
    TClassFactory* const factories[] = {MenuFactory(), ExplorerCommandFactory()};
    for (TClassFactory* factory : factories)
        if (!factory) return E_FAIL;
    HRESULT result = S_OK;
    if (reg) {
        for (TClassFactory* factory : factories)
            if (FAILED(result = factory->UpdateRegistry(true, scope))) return result;
    } else {
        for (auto it = std::rbegin(factories); it != std::rend(factories); ++it)
            if (FAILED((*it)->UpdateRegistry(false, scope))) result = E_FAIL;
    }
    return result;
}

} // namespace

HRESULT RegisterMenuServer() noexcept { return UpdateServerRegistry(true, TRegistrationScope::Machine); }

HRESULT UnregisterMenuServer() noexcept { return UpdateServerRegistry(false, TRegistrationScope::Machine); }

HRESULT InstallServer(bool install, const wchar_t* commandLine) noexcept {
    if (!commandLine || !SameTextAscii(std::wstring_view(commandLine), L"user")) return E_INVALIDARG;
    // Per-user classes came with Windows 2000: an older shell would never
    // see the entries.
    if (!IsWinNT || !IsNTNewerThanNT4) return HRESULT_FROM_WIN32(ERROR_OLD_WIN_VERSION);
    return UpdateServerRegistry(install, TRegistrationScope::User);
}

} // namespace ovs
