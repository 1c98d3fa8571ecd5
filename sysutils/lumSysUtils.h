// Operating-system routines both deliverables carry: platform flags, registry
// strings and keys, autorun registration and the name part of a path.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace ovs {

// --- Platform flags ---------------------------------------------------------
// Set once at start-up (InitPlatformFlags) before any other code reads them.
extern bool IsWinNT;
extern bool Is9xNewerThan95;
extern bool IsNTNewerThanNT4;

struct TPlatformFlags {
    bool IsWinNT = false;
    bool Is9xNewerThan95 = false;
    bool IsNTNewerThanNT4 = false;
};

// The flags of a Windows that reports this platform id and version.
TPlatformFlags PlatformFlagsFor(DWORD platformId, DWORD major, DWORD minor);

// Reads the running Windows' version and sets the three flags.
void InitPlatformFlags();

// --- Registry ----------------------------------------------------------------
class ERegistryException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Every routine opens its key with KEY_ALL_ACCESS and closes it before it
// returns; a key the user may only read counts as one that can't be opened.
// Key paths are relative to the root; a leading backslash is ignored; an
// empty value name is the key's default value.
std::string RegReadStringDef(HKEY root, const std::string& keyPath,
                             const std::string& valueName, const std::string& defaultText);
std::string RegReadString(HKEY root, const std::string& keyPath, const std::string& valueName);
void RegWriteString(HKEY root, const std::string& keyPath, const std::string& valueName,
                    const std::string& text);
bool RegRemoveValue(HKEY root, const std::string& keyPath, const std::string& valueName);
bool RegRemoveKey(HKEY root, const std::string& keyPath);

// --- Autorun -----------------------------------------------------------------
enum TAutorunKind {
    akRun,
    akRunOnce,
    akUserRun,
    akUserRunOnce,
    akRunServices,
    akRunServicesOnce,
};

struct TAutorunLocation {
    HKEY Root;
    std::string KeyPath;
};

TAutorunLocation AutorunKey(TAutorunKind kind);

// Stores the command line under the kind's key, named after NamePartOf of the
// command line. False (never an error) when it could not be stored; the
// service kinds exist only on the 9x family.
bool RegisterAutorun(TAutorunKind kind, const std::string& commandLine);

// --- Paths -------------------------------------------------------------------
// The text after the last '\', ':' or '/' (whole characters only in a
// multi-byte code page); the whole text when there is none.
std::string NamePartOf(const std::string& path);

} // namespace ovs
