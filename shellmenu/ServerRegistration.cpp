#include "ServerRegistration.h"

#include "OvShellMenuConsts.h"
#include "OvShellMenuFactory.h"
#include "lumSysUtils.h"

namespace ovs {

constexpr TRegistryEntry kMenuRegistryEntries[3] = {
    {TRegistryRoot::ClassesRoot, kFileHandlerKey, "", kMenuClsidText.Text, false},
    {TRegistryRoot::ClassesRoot, kFolderHandlerKey, "", kMenuClsidText.Text, false},
    // Shells of the NT family load only approved extensions when the
    // administrator asks them to; the 9x family has no such list.
    {TRegistryRoot::LocalMachine, kApprovedKey, kMenuClsidText.Text, kMenuDescription, true},
};

HKEY RootKeyOf(TRegistryRoot root) {
    return root == TRegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CLASSES_ROOT;
}

void TlumShellMenuFactory::ApplyRegistration(bool reg) {
    if (reg) {
        TClassFactory::ApplyRegistration(true);
        for (const TRegistryEntry& entry : kMenuRegistryEntries) {
            if (entry.NTFamilyOnly && !IsWinNT) continue;
            RegWriteString(RootKeyOf(entry.Root), entry.KeyPath, entry.ValueName, entry.Value);
        }
    } else {
        // Entries that are already gone are no error.
        for (const TRegistryEntry& entry : kMenuRegistryEntries) {
            if (entry.NTFamilyOnly && !IsWinNT) continue;
            if (*entry.ValueName)
                RegRemoveValue(RootKeyOf(entry.Root), entry.KeyPath, entry.ValueName);
            else
                RegRemoveKey(RootKeyOf(entry.Root), entry.KeyPath);
        }
        TClassFactory::ApplyRegistration(false);
    }
}

HRESULT RegisterMenuServer() noexcept {
    TlumShellMenuFactory* factory = MenuFactory();
    return factory ? factory->UpdateRegistry(true) : E_FAIL;
}

HRESULT UnregisterMenuServer() noexcept {
    TlumShellMenuFactory* factory = MenuFactory();
    return factory ? factory->UpdateRegistry(false) : E_FAIL;
}

} // namespace ovs
