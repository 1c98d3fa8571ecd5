#include "UninstTestSupport.h"

#include <stdexcept>

#include "RegistryKey.h"
#include "WinText.h"

namespace ovs::test {

namespace {

constexpr wchar_t kUninstallKeyPath[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OrvaneSlideShow_is1";
constexpr wchar_t kInstalledValue[] = L"Inno Setup CodeFile: Installed";

std::wstring W(const std::string& ascii) { return WideFromAnsi(ascii); }

std::map<std::string, std::string> Ansi(const std::map<std::wstring, std::wstring>& wide) {
    std::map<std::string, std::string> values;
    for (const auto& [name, data] : wide) values[LossyAnsiOf(name)] = LossyAnsiOf(data);
    return values;
}

TRegistryKey OpenKey(HKEY root, const std::wstring& path, bool create, REGSAM view = 0) {
    TRegistryKey key;
    LONG rc = create ? RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                                       key.put(), nullptr)
                     : RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS | view, key.put());
    if (rc != ERROR_SUCCESS) key.reset();
    return key;
}

void RestoreStringValues(HKEY root, const std::string& keyPath,
                         const std::map<std::wstring, std::wstring>& wanted) {
    const auto now = StringValuesW(root, keyPath);
    TRegistryKey key = OpenKey(root, W(keyPath), true);
    if (!key) return;
    for (const auto& [name, data] : now)
        if (!wanted.count(name)) RegDeleteValueW(key.get(), name.c_str());
    for (const auto& [name, data] : wanted) {
        auto it = now.find(name);
        if (it == now.end() || it->second != data)
            RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                           static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    }
}

void SetInstalled(HKEY root, REGSAM view, DWORD type, const void* data, DWORD size) {
    TRegistryKey key = OpenKey(root, kUninstallKeyPath, true, view);
    if (!key || RegSetValueExW(key.get(), kInstalledValue, 0, type, static_cast<const BYTE*>(data), size)
                    != ERROR_SUCCESS)
        throw std::runtime_error("cannot write the uninstall key");
}

} // namespace

std::map<std::wstring, std::wstring> StringValuesW(HKEY root, const std::string& keyPath) {
    std::map<std::wstring, std::wstring> values;
    TRegistryKey key = OpenKey(root, W(keyPath), false);
    if (!key) return values;
    for (DWORD i = 0;; ++i) {
        std::wstring name(16384, L'\0');
        DWORD nameSize = static_cast<DWORD>(name.size());
        std::wstring data(32768, L'\0');
        DWORD dataSize = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        DWORD type = 0;
        if (RegEnumValueW(key.get(), i, name.data(), &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                          &dataSize) != ERROR_SUCCESS)
            break;
        if (type != REG_SZ && type != REG_EXPAND_SZ) continue;
        data.resize(dataSize / sizeof(wchar_t));
        values[name.substr(0, nameSize)] = data.substr(0, data.find(L'\0'));
    }
    return values;
}

std::map<std::string, std::string> StringValues(HKEY root, const std::string& keyPath) {
    return Ansi(StringValuesW(root, keyPath));
}

std::optional<std::vector<std::wstring>> PendingRenamesW() {
    TRegistryKey key = OpenKey(HKEY_LOCAL_MACHINE, W(kSessionManagerKey), false);
    if (!key) return std::nullopt;
    const std::wstring name = W(kPendingValue);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size)
        != ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size / sizeof(wchar_t));
    // A REG_MULTI_SZ ends in two nulls: the last string's and the list's.
    if (!data.empty() && data.back() == L'\0') data.pop_back();
    std::vector<std::wstring> strings;
    std::size_t start = 0;
    while (start < data.size()) {
        const std::size_t end = data.find(L'\0', start);
        strings.push_back(data.substr(start, end - start));
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    return strings;
}

std::optional<std::vector<std::string>> PendingRenames() {
    const auto wide = PendingRenamesW();
    if (!wide) return std::nullopt;
    std::vector<std::string> strings;
    for (const std::wstring& s : *wide) strings.push_back(LossyAnsiOf(s));
    return strings;
}

void SetPendingRenames(const std::optional<std::vector<std::wstring>>& strings) {
    TRegistryKey key = OpenKey(HKEY_LOCAL_MACHINE, W(kSessionManagerKey), false);
    if (!key) return;
    const std::wstring name = W(kPendingValue);
    if (!strings) {
        RegDeleteValueW(key.get(), name.c_str());
        return;
    }
    std::wstring data;
    for (const std::wstring& s : *strings) {
        data += s;
        data += L'\0';
    }
    data += L'\0';
    RegSetValueExW(key.get(), name.c_str(), 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size() * sizeof(wchar_t)));
}

bool DeletionPending(const std::wstring& path) {
    const auto pending = PendingRenamesW();
    if (!pending) return false;
    const std::wstring wanted = L"\\??\\" + path;
    for (std::size_t i = 0; i + 1 < pending->size(); i += 2)
        if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, (*pending)[i].c_str(), -1, wanted.c_str(), -1)
                == CSTR_EQUAL &&
            (*pending)[i + 1].empty())
            return true;
    return false;
}

TRestartStateGuard::TRestartStateGuard()
    : pending_(PendingRenamesW()),
      machineRunOnce_(StringValuesW(HKEY_LOCAL_MACHINE, kRunOnceKey)),
      userRunOnce_(StringValuesW(HKEY_CURRENT_USER, kRunOnceKey)) {}

TRestartStateGuard::~TRestartStateGuard() {
    SetPendingRenames(pending_);
    RestoreStringValues(HKEY_LOCAL_MACHINE, kRunOnceKey, machineRunOnce_);
    RestoreStringValues(HKEY_CURRENT_USER, kRunOnceKey, userRunOnce_);
}

TUninstallKey::~TUninstallKey() {
    for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKeyPath, view, 0);
    RegDeleteKeyW(HKEY_CURRENT_USER, kUninstallKeyPath);
}

void TUninstallKey::SetText(const std::string& text, REGSAM view, HKEY root) {
    const std::wstring wide = W(text);
    SetInstalled(root, view, REG_SZ, wide.c_str(), static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
}

void TUninstallKey::SetDword(DWORD value, REGSAM view, HKEY root) { SetInstalled(root, view, REG_DWORD, &value, sizeof value); }

TEnvironmentVariable::TEnvironmentVariable(const wchar_t* name, const std::wstring& value) : name_(name) {
    std::wstring buffer(32768, L'\0');
    const DWORD n = GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n > 0 && n < buffer.size()) saved_ = buffer.substr(0, n);
    SetEnvironmentVariableW(name, value.c_str());
}

TEnvironmentVariable::TEnvironmentVariable(const char* name, const char* value)
    : TEnvironmentVariable(W(name).c_str(), W(value)) {}

TEnvironmentVariable::~TEnvironmentVariable() {
    SetEnvironmentVariableW(name_.c_str(), saved_ ? saved_->c_str() : nullptr);
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
                             const std::map<std::wstring, std::wstring>& runOnceBefore) {
    for (const std::string& name : TempLeftovers())
        if (!leftoversBefore.count(name)) DeleteFileA(name.c_str());
    RestoreStringValues(HKEY_LOCAL_MACHINE, kRunOnceKey, runOnceBefore);
}

bool RunProcessW(const std::wstring& commandLine, DWORD timeoutMs) {
    std::wstring line = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    DWORD exitCode = 1;
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &exitCode);
    else
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
    return exitCode == 0;
}

std::string ReadFileBytesW(const std::wstring& path) {
    const TFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string content;
    char buffer[65536];
    DWORD got = 0;
    while (file && ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
    return content;
}

std::set<std::wstring> FolderNames(const std::wstring& folder) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.insert(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

void RemoveTreeW(const std::wstring& path) {
    for (const std::wstring& name : FolderNames(path)) {
        const std::wstring child = path + L"\\" + name;
        if (GetFileAttributesW(child.c_str()) & FILE_ATTRIBUTE_DIRECTORY) RemoveTreeW(child);
        else DeleteFileW(child.c_str());
    }
    RemoveDirectoryW(path.c_str());
}

} // namespace ovs::test
