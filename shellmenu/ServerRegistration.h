// The registry entries that make Explorer load the handler for every file and
// every folder, as data in the order they are written, and the server's
// register, unregister and per-user install operations.
#pragma once

#include "ClassFactory.h"

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

// The handler's own entries, after the standard class entries. The
// ClassesRoot ones go under the scope's classes key (ClassesRootOf); a
// per-user registration leaves the LocalMachine ones out.
extern const TRegistryEntry kMenuRegistryEntries[3];

// DllRegisterServer and DllUnregisterServer: every class of the server (the
// context-menu handler, then the Explorer commands) in the machine's
// classes. S_OK, or E_FAIL for any error.
HRESULT RegisterMenuServer() noexcept;
HRESULT UnregisterMenuServer() noexcept;

// DllInstall: commandLine "user" (any case) writes (install) or removes every
// class and handler entry of the server under the user's classes; nothing
// machine-wide. E_INVALIDARG for any other command line; on the 9x family and
// NT 4, which have no per-user classes, HRESULT_FROM_WIN32(ERROR_OLD_WIN_VERSION).
// Neither of those writes anything.
HRESULT InstallServer(bool install, const wchar_t* commandLine) noexcept;

} // namespace ovs
