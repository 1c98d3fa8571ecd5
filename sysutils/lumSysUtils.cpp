#include "lumSysUtils.h"

#include "PathText.h"
#include "RegistryKey.h"
#include "ResString.h"
#include "RunTimeImports.h"
#include "WinText.h"
#include "resource.h"

#include <utility>
#include <vector>

namespace ovs {

bool IsWinNT = false;
bool Is9xNewerThan95 = false;
bool IsNTNewerThanNT4 = false;
bool IsNTNewerThanNT5 = false;

TPlatformFlags PlatformFlagsFor(DWORD platformId, DWORD major, DWORD minor) {
    TPlatformFlags f;
    if (platformId == VER_PLATFORM_WIN32_NT) {
        f.IsWinNT = true;
        f.IsNTNewerThanNT4 = major != 3 && major != 4;
        f.IsNTNewerThanNT5 = major >= 6;
    } else if (platformId == VER_PLATFORM_WIN32_WINDOWS) {
        // Every Windows 95 release reports 4.0; 98 is 4.10 and Me 4.90.
        f.Is9xNewerThan95 = minor != 0;
    }
    return f;
}

void InitPlatformFlags() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    const BOOL ok = GetVersionExA(&info);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    const TPlatformFlags f = ok ? PlatformFlagsFor(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion)
                                : TPlatformFlags{};
    IsWinNT = f.IsWinNT;
    Is9xNewerThan95 = f.Is9xNewerThan95;
    IsNTNewerThanNT4 = f.IsNTNewerThanNT4;
    IsNTNewerThanNT5 = f.IsNTNewerThanNT5;
}

bool Is64BitWindows() {
#if defined(_WIN64)
    return true;
#else
    BOOL wow64 = FALSE;
    return RunTime::IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
#endif
}

namespace {

TRegistryAccessCheck AccessCheck = nullptr;

// The calls of the ANSI and the UTF-16 registry API, so that each routine
// below is written once for both.
template <class Char>
struct TRegApi;

template <>
struct TRegApi<char> {
    static LONG Open(HKEY root, const char* path, REGSAM access, HKEY* key) {
        return RegOpenKeyExA(root, path, 0, access, key);
    }
    static LONG Create(HKEY root, const char* path, REGSAM access, HKEY* key) {
        return RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key, nullptr);
    }
    static LONG Query(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) {
        return RegQueryValueExA(key, name, nullptr, type, data, size);
    }
    static LONG Set(HKEY key, const char* name, const BYTE* data, DWORD size) {
        return RegSetValueExA(key, name, 0, REG_SZ, data, size);
    }
    // The form a name takes in a message.
    static std::string Shown(const std::string& text) { return text; }
};

template <>
struct TRegApi<wchar_t> {
    static LONG Open(HKEY root, const wchar_t* path, REGSAM access, HKEY* key) {
        return RegOpenKeyExW(root, path, 0, access, key);
    }
    static LONG Create(HKEY root, const wchar_t* path, REGSAM access, HKEY* key) {
        return RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key, nullptr);
    }
    static LONG Query(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* size) {
        return RegQueryValueExW(key, name, nullptr, type, data, size);
    }
    static LONG Set(HKEY key, const wchar_t* name, const BYTE* data, DWORD size) {
        return RegSetValueExW(key, name, 0, REG_SZ, data, size);
    }
    static std::string Shown(const std::wstring& text) { return LossyAnsiOf(text); }
};

template <class Char>
using TText = std::basic_string<Char>;

template <class Char>
const Char* RelativePath(const TText<Char>& keyPath) {
    const Char* path = keyPath.c_str();
    if (*path == Char('\\')) ++path;
    return path;
}

template <class Char>
const Char* ValueNameArg(const TText<Char>& valueName) {
    return valueName.empty() ? nullptr : valueName.c_str();
}

LONG Checked(HKEY root, REGSAM access) { return AccessCheck ? AccessCheck(root, access) : ERROR_SUCCESS; }

// The one place a key is opened or created; status is the Win32 answer.
template <class Char>
TRegistryKey OpenKey(HKEY root, const TText<Char>& keyPath, REGSAM access, bool create, LONG& status) {
    TRegistryKey key;
    status = Checked(root, access);
    if (status == ERROR_SUCCESS)
        status = create ? TRegApi<Char>::Create(root, RelativePath(keyPath), access, key.put())
                        : TRegApi<Char>::Open(root, RelativePath(keyPath), access, key.put());
    if (status != ERROR_SUCCESS) key.reset();
    return key;
}

template <class Char>
TRegistryKey OpenKey(HKEY root, const TText<Char>& keyPath, REGSAM access) {
    LONG status = ERROR_SUCCESS;
    return OpenKey<Char>(root, keyPath, access, false, status);
}

template <class Char>
[[noreturn]] void RaiseUnableToOpen(const TText<Char>& keyPath, LONG status) {
    throw ERegistryException(FormatResString(IDS_UNABLE_TO_OPEN_KEY, TRegApi<Char>::Shown(keyPath)), status);
}

template <class Char>
LONG QueryStatus(HKEY key, const TText<Char>& valueName) {
    return TRegApi<Char>::Query(key, ValueNameArg(valueName), nullptr, nullptr, nullptr);
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// The one read of a string value once its key is open.
template <class Char>
TText<Char> ReadStringValue(HKEY key, const TText<Char>& valueName) {
    DWORD type = 0;
    DWORD size = 0;
    if (TRegApi<Char>::Query(key, ValueNameArg(valueName), &type, nullptr, &size) != ERROR_SUCCESS || size == 0)
        return {};
    if (!IsStringType(type))
        throw ERegistryException(FormatResString(IDS_INVALID_DATA_TYPE, TRegApi<Char>::Shown(valueName)));
    // One spare character: a value stored without its terminating null
    // still ends.
    std::vector<Char> data(size / sizeof(Char) + 2, Char());
    DWORD got = size;
    if (TRegApi<Char>::Query(key, ValueNameArg(valueName), &type, reinterpret_cast<BYTE*>(data.data()), &got)
        != ERROR_SUCCESS)
        throw ERegistryException(FormatResString(IDS_FAILED_TO_GET_DATA, TRegApi<Char>::Shown(valueName)));
    if (!IsStringType(type))
        throw ERegistryException(FormatResString(IDS_INVALID_DATA_TYPE, TRegApi<Char>::Shown(valueName)));
    return TText<Char>(data.data());
}

template <class Char>
std::optional<TText<Char>> QueryString(HKEY root, const TText<Char>& keyPath, const TText<Char>& valueName,
                                       REGSAM view) {
    LONG status = ERROR_SUCCESS;
    const TRegistryKey key = OpenKey<Char>(root, keyPath, KEY_QUERY_VALUE | view, false, status);
    if (!key) RaiseUnableToOpen<Char>(keyPath, status);
    if (QueryStatus<Char>(key.get(), valueName) == ERROR_FILE_NOT_FOUND) return std::nullopt;
    return ReadStringValue<Char>(key.get(), valueName);
}

template <class Char>
void WriteString(HKEY root, const TText<Char>& keyPath, const TText<Char>& valueName, const TText<Char>& text) {
    LONG status = ERROR_SUCCESS;
    const TRegistryKey key = OpenKey<Char>(root, keyPath, KEY_ALL_ACCESS, true, status);
    if (!key) RaiseUnableToOpen<Char>(keyPath, status);
    // The stored size counts the terminating null.
    if (TRegApi<Char>::Set(key.get(), ValueNameArg(valueName), reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * sizeof(Char)))
        != ERROR_SUCCESS)
        throw ERegistryException(FormatResString(IDS_FAILED_TO_SET_DATA, TRegApi<Char>::Shown(valueName)));
}

bool DeleteTree(HKEY parent, const std::string& name) {
    {
        const TRegistryKey key = OpenKey<char>(parent, name, KEY_ALL_ACCESS);
        if (key) {
            DWORD subkeys = 0;
            DWORD longest = 0;
            if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, &longest, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
                std::vector<char> buffer(longest + 1);
                for (DWORD i = subkeys; i-- > 0;) {
                    DWORD length = static_cast<DWORD>(buffer.size());
                    if (RegEnumKeyExA(key.get(), i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr)
                        != ERROR_SUCCESS)
                        continue;
                    DeleteTree(key.get(), std::string(buffer.data(), length));
                }
            }
        }
    }
    return RegDeleteKeyA(parent, name.c_str()) == ERROR_SUCCESS;
}

} // namespace

TRegistryAccessCheck SetRegistryAccessCheck(TRegistryAccessCheck check) {
    return std::exchange(AccessCheck, check);
}

std::string RegReadStringDef(HKEY root, const std::string& keyPath, const std::string& valueName,
                             const std::string& defaultText) {
    const TRegistryKey key = OpenKey<char>(root, keyPath, KEY_ALL_ACCESS);
    if (!key || QueryStatus<char>(key.get(), valueName) != ERROR_SUCCESS) return defaultText;
    return ReadStringValue<char>(key.get(), valueName);
}

std::string RegReadString(HKEY root, const std::string& keyPath, const std::string& valueName) {
    LONG status = ERROR_SUCCESS;
    const TRegistryKey key = OpenKey<char>(root, keyPath, KEY_ALL_ACCESS, false, status);
    if (!key) RaiseUnableToOpen<char>(keyPath, status);
    return ReadStringValue<char>(key.get(), valueName);
}

std::optional<std::string> RegQueryString(HKEY root, const std::string& keyPath, const std::string& valueName,
                                          REGSAM view) {
    return QueryString<char>(root, keyPath, valueName, view);
}

std::optional<std::wstring> RegQueryStringW(HKEY root, const std::wstring& keyPath, const std::wstring& valueName,
                                            REGSAM view) {
    // The 9x family's wide registry functions are stubs; its names all come
    // from ANSI text.
    if (!IsWinNT) {
        const std::optional<std::string> text =
            QueryString<char>(root, LossyAnsiOf(keyPath), LossyAnsiOf(valueName), view);
        if (!text) return std::nullopt;
        return WideFromAnsi(*text);
    }
    return QueryString<wchar_t>(root, keyPath, valueName, view);
}

void RegWriteString(HKEY root, const std::string& keyPath, const std::string& valueName, const std::string& text) {
    WriteString<char>(root, keyPath, valueName, text);
}

void RegWriteStringW(HKEY root, const std::wstring& keyPath, const std::wstring& valueName,
                     const std::wstring& text) {
    if (!IsWinNT) WriteString<char>(root, LossyAnsiOf(keyPath), LossyAnsiOf(valueName), LossyAnsiOf(text));
    else WriteString<wchar_t>(root, keyPath, valueName, text);
}

bool RegRemoveValue(HKEY root, const std::string& keyPath, const std::string& valueName) {
    const TRegistryKey key = OpenKey<char>(root, keyPath, KEY_ALL_ACCESS);
    if (!key) return false;
    return RegDeleteValueA(key.get(), ValueNameArg(valueName)) == ERROR_SUCCESS;
}

bool RegRemoveKey(HKEY root, const std::string& keyPath) {
    if (!OpenKey<char>(root, keyPath, KEY_ALL_ACCESS)) return false;
    return DeleteTree(root, RelativePath(keyPath));
}

TAutorunLocation AutorunKey(TAutorunKind kind) {
    static constexpr const char* Prefix = "Software\\Microsoft\\Windows\\CurrentVersion\\";
    switch (kind) {
    case akRun: return {HKEY_LOCAL_MACHINE, std::string(Prefix) + "Run"};
    case akRunOnce: return {HKEY_LOCAL_MACHINE, std::string(Prefix) + "RunOnce"};
    case akUserRun: return {HKEY_CURRENT_USER, std::string(Prefix) + "Run"};
    case akUserRunOnce: return {HKEY_CURRENT_USER, std::string(Prefix) + "RunOnce"};
    case akRunServices: return {HKEY_LOCAL_MACHINE, std::string(Prefix) + "RunServices"};
    case akRunServicesOnce: return {HKEY_LOCAL_MACHINE, std::string(Prefix) + "RunServicesOnce"};
    }
    return {HKEY_LOCAL_MACHINE, std::string(Prefix) + "Run"};
}

namespace {

template <class Char>
bool StoreAutorun(TAutorunKind kind, const TText<Char>& commandLine) {
    // Only the 9x family has the service run keys.
    if ((kind == akRunServices || kind == akRunServicesOnce) && IsWinNT) return false;
    try {
        const TAutorunLocation where = AutorunKey(kind);
        if constexpr (sizeof(Char) == 1)
            RegWriteString(where.Root, where.KeyPath, NamePartOf(commandLine), commandLine);
        else
            RegWriteStringW(where.Root, WideFromAnsi(where.KeyPath), NamePartOf(commandLine), commandLine);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

bool RegisterAutorun(TAutorunKind kind, const std::string& commandLine) {
    return StoreAutorun<char>(kind, commandLine);
}

bool RegisterAutorun(TAutorunKind kind, const std::wstring& commandLine) {
    return StoreAutorun<wchar_t>(kind, commandLine);
}

std::string NamePartOf(const std::string& path) {
    // In a multi-byte code page a trail byte may equal '\' and must not count
    // as a delimiter.
    return std::string(NamePart(path, IsAnsiLeadByte));
}

std::wstring NamePartOf(const std::wstring& path) { return std::wstring(NamePart(path)); }

} // namespace ovs
