// The registry entries that make Explorer load the handler for every file and
// every folder, as data in the order they are written, and the server's
// register and unregister operations.
#pragma once

#include <windows.h>

namespace ovs {

enum class TRegistryRoot { ClassesRoot, LocalMachine };

// One string value. An entry for a key's default value owns its key and is
// removed with it; a named value in a shared key is removed alone.
struct TRegistryEntry {
    TRegistryRoot Root;
    const char* KeyPath;
    const char* ValueName; // "" for the default value
    const char* Value;
    bool NTFamilyOnly;
};

HKEY RootKeyOf(TRegistryRoot root);

// The handler's own entries, after the standard class entries.
extern const TRegistryEntry kMenuRegistryEntries[3];

// DllRegisterServer and DllUnregisterServer: S_OK, or E_FAIL for any error.
HRESULT RegisterMenuServer() noexcept;
HRESULT UnregisterMenuServer() noexcept;

} // namespace ovs
