#include "lumSysUtils.h"

#include "RegistryKey.h"

#include <vector>

namespace ovs {

bool IsWinNT = false;
bool Is9xNewerThan95 = false;
bool IsNTNewerThanNT4 = false;

TPlatformFlags PlatformFlagsFor(DWORD platformId, DWORD major, DWORD minor) {
    TPlatformFlags f;
    if (platformId == VER_PLATFORM_WIN32_NT) {
        f.IsWinNT = true;
        f.IsNTNewerThanNT4 = major != 3 && major != 4;
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
}

namespace {

std::string Format(const char* pattern, const std::string& argument) {
    std::string text;
    for (const char* p = pattern; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            text += argument;
            ++p;
        } else {
            text += *p;
        }
    }
    return text;
}

const char* RelativePath(const std::string& keyPath) {
    const char* path = keyPath.c_str();
    if (*path == '\\') ++path;
    return path;
}

TRegistryKey OpenKey(HKEY root, const std::string& keyPath) {
    TRegistryKey key;
    if (RegOpenKeyExA(root, RelativePath(keyPath), 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS)
        key.reset();
    return key;
}

const char* ValueNameArg(const std::string& valueName) {
    return valueName.empty() ? nullptr : valueName.c_str();
}

bool ValueExists(HKEY key, const std::string& valueName) {
    return RegQueryValueExA(key, ValueNameArg(valueName), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::string ReadStringValue(HKEY key, const std::string& valueName) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, ValueNameArg(valueName), nullptr, &type, nullptr, &size) != ERROR_SUCCESS
        || size == 0)
        return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw ERegistryException(Format("Invalid data type for '%s'", valueName));
    // One spare byte: a value stored without its terminating null still ends.
    std::vector<char> data(size + 1, '\0');
    DWORD got = size;
    if (RegQueryValueExA(key, ValueNameArg(valueName), nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &got) != ERROR_SUCCESS)
        throw ERegistryException(Format("Failed to get data for '%s'", valueName));
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw ERegistryException(Format("Invalid data type for '%s'", valueName));
    return std::string(data.data());
}

bool DeleteTree(HKEY parent, const std::string& name) {
    {
        TRegistryKey key;
        if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, key.put()) == ERROR_SUCCESS) {
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

std::string RegReadStringDef(HKEY root, const std::string& keyPath, const std::string& valueName,
                             const std::string& defaultText) {
    const TRegistryKey key = OpenKey(root, keyPath);
    if (!key || !ValueExists(key.get(), valueName)) return defaultText;
    return ReadStringValue(key.get(), valueName);
}

std::string RegReadString(HKEY root, const std::string& keyPath, const std::string& valueName) {
    const TRegistryKey key = OpenKey(root, keyPath);
    if (!key) throw ERegistryException(Format("Unable to open the %s key", keyPath));
    return ReadStringValue(key.get(), valueName);
}

void RegWriteString(HKEY root, const std::string& keyPath, const std::string& valueName, const std::string& text) {
    TRegistryKey key;
    if (RegCreateKeyExA(root, RelativePath(keyPath), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS)
        throw ERegistryException(Format("Unable to open the %s key", keyPath));
    // The stored size counts the terminating null.
    if (RegSetValueExA(key.get(), ValueNameArg(valueName), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1)) != ERROR_SUCCESS)
        throw ERegistryException(Format("Failed to set data for '%s'", valueName));
}

bool RegRemoveValue(HKEY root, const std::string& keyPath, const std::string& valueName) {
    const TRegistryKey key = OpenKey(root, keyPath);
    if (!key) return false;
    return RegDeleteValueA(key.get(), ValueNameArg(valueName)) == ERROR_SUCCESS;
}

bool RegRemoveKey(HKEY root, const std::string& keyPath) {
    if (!OpenKey(root, keyPath)) return false;
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

bool RegisterAutorun(TAutorunKind kind, const std::string& commandLine) {
    // Only the 9x family has the service run keys.
    if ((kind == akRunServices || kind == akRunServicesOnce) && IsWinNT) return false;
    try {
        const TAutorunLocation where = AutorunKey(kind);
        RegWriteString(where.Root, where.KeyPath, NamePartOf(commandLine), commandLine);
        return true;
    } catch (...) {
        return false;
    }
}

std::string NamePartOf(const std::string& path) {
    // Walk whole characters: in a multi-byte code page a trail byte may equal
    // '\' and must not count as a delimiter.
    const char* begin = path.c_str();
    const char* end = begin + path.size();
    const char* after = begin;
    for (const char* p = begin; p < end && *p;) {
        const char* next = CharNextA(p);
        if (next == p) break;
        if (next - p == 1 && (*p == '\\' || *p == ':' || *p == '/')) after = next;
        p = next;
    }
    return std::string(after, end);
}

} // namespace ovs
