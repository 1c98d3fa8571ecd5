#include "UninstTestSupport.h"

#include <stdexcept>

#include "RegistryKey.h"

namespace ovs::test {

namespace {

constexpr char kUninstallKeyPath[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OrvaneSlideShow_is1";
constexpr char kInstalledValue[] = "Inno Setup CodeFile: Installed";

TRegistryKey OpenKey(HKEY root, const std::string& path, bool create) {
    TRegistryKey key;
    LONG rc = create ? RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                       key.put(), nullptr)
                     : RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, key.put());
    if (rc != ERROR_SUCCESS) key.reset();
    return key;
}

void RestoreStringValues(HKEY root, const std::string& keyPath,
                         const std::map<std::string, std::string>& wanted) {
    const auto now = StringValues(root, keyPath);
    TRegistryKey key = OpenKey(root, keyPath, true);
    if (!key) return;
    for (const auto& [name, data] : now)
        if (!wanted.count(name)) RegDeleteValueA(key.get(), name.c_str());
    for (const auto& [name, data] : wanted) {
        auto it = now.find(name);
        if (it == now.end() || it->second != data)
            RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(data.c_str()),
                           static_cast<DWORD>(data.size() + 1));
    }
}

} // namespace

std::map<std::string, std::string> StringValues(HKEY root, const std::string& keyPath) {
    std::map<std::string, std::string> values;
    TRegistryKey key = OpenKey(root, keyPath, false);
    if (!key) return values;
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD nameSize = sizeof name;
        BYTE data[32768];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(key.get(), i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
            break;
        if (type != REG_SZ && type != REG_EXPAND_SZ) continue;
        std::string text(reinterpret_cast<const char*>(data), dataSize);
        values[name] = text.substr(0, text.find('\0'));
    }
    return values;
}

std::optional<std::vector<std::string>> PendingRenames() {
    TRegistryKey key = OpenKey(HKEY_LOCAL_MACHINE, kSessionManagerKey, false);
    if (!key) return std::nullopt;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key.get(), kPendingValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::string data(size, '\0');
    if (RegQueryValueExA(key.get(), kPendingValue, nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size);
    // A REG_MULTI_SZ ends in two nulls: the last string's and the list's.
    if (!data.empty() && data.back() == '\0') data.pop_back();
    std::vector<std::string> strings;
    std::size_t start = 0;
    while (start < data.size()) {
        const std::size_t end = data.find('\0', start);
        strings.push_back(data.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return strings;
}

void SetPendingRenames(const std::optional<std::vector<std::string>>& strings) {
    TRegistryKey key = OpenKey(HKEY_LOCAL_MACHINE, kSessionManagerKey, false);
    if (!key) return;
    if (!strings) {
        RegDeleteValueA(key.get(), kPendingValue);
        return;
    }
    std::string data;
    for (const std::string& s : *strings) {
        data += s;
        data += '\0';
    }
    data += '\0';
    RegSetValueExA(key.get(), kPendingValue, 0, REG_MULTI_SZ,
                   reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
}

TRestartStateGuard::TRestartStateGuard()
    : pending_(PendingRenames()),
      machineRunOnce_(StringValues(HKEY_LOCAL_MACHINE, kRunOnceKey)),
      userRunOnce_(StringValues(HKEY_CURRENT_USER, kRunOnceKey)) {}

TRestartStateGuard::~TRestartStateGuard() {
    SetPendingRenames(pending_);
    RestoreStringValues(HKEY_LOCAL_MACHINE, kRunOnceKey, machineRunOnce_);
    RestoreStringValues(HKEY_CURRENT_USER, kRunOnceKey, userRunOnce_);
}

TUninstallKey::~TUninstallKey() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKeyPath); }

void TUninstallKey::SetText(const std::string& text) {
    TRegistryKey key = OpenKey(HKEY_LOCAL_MACHINE, kUninstallKeyPath, true);
    if (!key || RegSetValueExA(key.get(), kInstalledValue, 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(text.c_str()),
                               static_cast<DWORD>(text.size() + 1)) != ERROR_SUCCESS)
        throw std::runtime_error("cannot write the uninstall key");
}

void TUninstallKey::SetDword(DWORD value) {
    TRegistryKey key = OpenKey(HKEY_LOCAL_MACHINE, kUninstallKeyPath, true);
    if (!key || RegSetValueExA(key.get(), kInstalledValue, 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&value), sizeof value) != ERROR_SUCCESS)
        throw std::runtime_error("cannot write the uninstall key");
}

TEnvironmentVariable::TEnvironmentVariable(const char* name, const char* value) : name_(name) {
    std::string buffer(32768, '\0');
    const DWORD n = GetEnvironmentVariableA(name, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n > 0 && n < buffer.size()) saved_ = buffer.substr(0, n);
    SetEnvironmentVariableA(name, value);
}

TEnvironmentVariable::~TEnvironmentVariable() {
    SetEnvironmentVariableA(name_, saved_ ? saved_->c_str() : nullptr);
}

std::string TempFolder() {
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    return temp;
}

std::set<std::string> TempLeftovers() {
    std::set<std::string> names;
    for (const char* pattern : {"tmp*.exe", "tmp*.tmp"}) {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((TempFolder() + pattern).c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) continue;
        do {
            names.insert(TempFolder() + data.cFileName);
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    return names;
}

void RemoveNewStageOneTraces(const std::set<std::string>& leftoversBefore,
                             const std::map<std::string, std::string>& runOnceBefore) {
    for (const std::string& name : TempLeftovers())
        if (!leftoversBefore.count(name)) DeleteFileA(name.c_str());
    RestoreStringValues(HKEY_LOCAL_MACHINE, kRunOnceKey, runOnceBefore);
}

} // namespace ovs::test
