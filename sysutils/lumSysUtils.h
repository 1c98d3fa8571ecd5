// Operating-system routines both deliverables carry: platform flags, registry
// strings and keys, autorun registration and the name part of a path.
#pragma once

#include <windows.h>

#include <optional>
#include <stdexcept>
#include <string>

namespace ovs {

// --- Platform flags ---------------------------------------------------------
// Set once at start-up (InitPlatformFlags) before any other code reads them.
extern bool IsWinNT;
extern bool Is9xNewerThan95;
extern bool IsNTNewerThanNT4;
// NT 6 on (Vista and later): menus draw 32-bit item bitmaps with alpha.
extern bool IsNTNewerThanNT5;

struct TPlatformFlags {
    bool IsWinNT = false;
    bool Is9xNewerThan95 = false;
    bool IsNTNewerThanNT4 = false;
    bool IsNTNewerThanNT5 = false;
};

// The flags of a Windows that reports this platform id and version.
TPlatformFlags PlatformFlagsFor(DWORD platformId, DWORD major, DWORD minor);

// Reads the running Windows' version and sets the flags.
void InitPlatformFlags();

// Windows itself is 64-bit: the x86_64 build, or the i686 build under WOW64.
// Then the registry has two views, and a 32-bit installer writes to its own.
bool Is64BitWindows();

// --- Registry ----------------------------------------------------------------
// The message is the string table's text; Code is the Win32 error of a key
// that could not be opened (ERROR_FILE_NOT_FOUND: there is no such key), 0
// for the other errors.
class ERegistryException : public std::runtime_error {
public:
    explicit ERegistryException(const std::string& message, LONG code = 0)
        : std::runtime_error(message), code_(code) {}
    LONG Code() const { return code_; }

private:
    LONG code_;
};

// Every routine closes its key before it returns. Key paths are relative to
// the root; a leading backslash is ignored; an empty value name is the key's
// default value. The routines that read, write or remove open their key with
// KEY_ALL_ACCESS: a key the user may only read counts as one that can't be
// opened there. What must work for such a user reads with RegQueryString.
std::string RegReadStringDef(HKEY root, const std::string& keyPath,
                             const std::string& valueName, const std::string& defaultText);
std::string RegReadString(HKEY root, const std::string& keyPath, const std::string& valueName);
void RegWriteString(HKEY root, const std::string& keyPath, const std::string& valueName,
                    const std::string& text);
bool RegRemoveValue(HKEY root, const std::string& keyPath, const std::string& valueName);
bool RegRemoveKey(HKEY root, const std::string& keyPath);

// The UTF-16 form of RegWriteString, for names and texts outside the code
// page (the 9x family gets their ANSI form).
void RegWriteStringW(HKEY root, const std::wstring& keyPath, const std::wstring& valueName,
                     const std::wstring& text);

// Reads that change nothing: the key is opened with KEY_QUERY_VALUE and the
// view (KEY_WOW64_32KEY, KEY_WOW64_64KEY or 0) only, so a user who may read
// the key can. nullopt when the value is missing; "Unable to open the %s key"
// when the key can't be opened; a value that is not a string, or can't be
// read, raises as RegReadString does, and the text ends at its first null.
std::optional<std::string> RegQueryString(HKEY root, const std::string& keyPath,
                                          const std::string& valueName, REGSAM view = 0);
std::optional<std::wstring> RegQueryStringW(HKEY root, const std::wstring& keyPath,
                                            const std::wstring& valueName, REGSAM view = 0);

// Every registry routine here asks this check, when one is set, before it
// opens or creates a key, with the access it is about to ask for; an answer
// other than ERROR_SUCCESS fails that open with this code. Wine grants every
// right, so this is how a test plays a user who may only read. Answers the
// check that was set before.
using TRegistryAccessCheck = LONG (*)(HKEY root, REGSAM access);
TRegistryAccessCheck SetRegistryAccessCheck(TRegistryAccessCheck check);

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
bool RegisterAutorun(TAutorunKind kind, const std::wstring& commandLine);

// --- Paths -------------------------------------------------------------------
// The text after the last '\', ':' or '/' (whole characters only in a
// multi-byte code page); the whole text when there is none.
std::string NamePartOf(const std::string& path);
std::wstring NamePartOf(const std::wstring& path);

} // namespace ovs
