// Registry and file state that the uninstall tests look at: run-once values,
// the NT family's pending file operations, the product's uninstall key and
// the leftovers in the temporary folder. Names may lie outside the ANSI code
// page: the state is read and put back in UTF-16; the ANSI forms are for
// tests whose names are all ANSI.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace ovs::test {

inline constexpr char kRunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr char kSessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
inline constexpr char kPendingValue[] = "PendingFileRenameOperations";

// Name -> data of every string value under the key (empty when it is missing).
std::map<std::wstring, std::wstring> StringValuesW(HKEY root, const std::string& keyPath);
std::map<std::string, std::string> StringValues(HKEY root, const std::string& keyPath);

// The strings of PendingFileRenameOperations, empty strings included; nullopt
// when the value does not exist.
std::optional<std::vector<std::wstring>> PendingRenamesW();
std::optional<std::vector<std::string>> PendingRenames();
void SetPendingRenames(const std::optional<std::vector<std::wstring>>& strings);

// Whether a deletion of path at the next restart is pending.
bool DeletionPending(const std::wstring& path);

// Keeps PendingFileRenameOperations and the machine's and the user's run-once
// keys as they were when it was made: the next restart of the prefix must not
// delete or run anything a test left behind.
class TRestartStateGuard {
public:
    TRestartStateGuard();
    ~TRestartStateGuard();
    TRestartStateGuard(const TRestartStateGuard&) = delete;
    TRestartStateGuard& operator=(const TRestartStateGuard&) = delete;

private:
    std::optional<std::vector<std::wstring>> pending_;
    std::map<std::wstring, std::wstring> machineRunOnce_;
    std::map<std::wstring, std::wstring> userRunOnce_;
};

// The product's uninstall key in one registry view (0: this program's own,
// KEY_WOW64_32KEY: where a 32-bit installer writes): a REG_SZ, a REG_DWORD or
// nothing; the key is removed from both views when the object goes.
class TUninstallKey {
public:
    TUninstallKey() = default;
    ~TUninstallKey();
    TUninstallKey(const TUninstallKey&) = delete;
    TUninstallKey& operator=(const TUninstallKey&) = delete;
    void SetText(const std::string& text, REGSAM view = 0, HKEY root = HKEY_LOCAL_MACHINE);
    void SetDword(DWORD value, REGSAM view = 0, HKEY root = HKEY_LOCAL_MACHINE);
};

// Sets an environment variable of this process (and so of the programs it
// starts) and puts the old value back when it goes.
class TEnvironmentVariable {
public:
    TEnvironmentVariable(const wchar_t* name, const std::wstring& value);
    TEnvironmentVariable(const char* name, const char* value);
    ~TEnvironmentVariable();
    TEnvironmentVariable(const TEnvironmentVariable&) = delete;
    TEnvironmentVariable& operator=(const TEnvironmentVariable&) = delete;

private:
    std::wstring name_;
    std::optional<std::wstring> saved_;
};

// Files named tmp*.exe and tmp*.tmp in the temporary folder.
std::set<std::string> TempLeftovers();
std::string TempFolder();

// Deletes the temporary files and run-once values that stage one made since
// before: what a test that does not go on to stage two must clean up.
void RemoveNewStageOneTraces(const std::set<std::string>& leftoversBefore,
                             const std::map<std::wstring, std::wstring>& runOnceBefore);

// Runs a command line given in UTF-16 and waits for it; true when it ended
// with exit code 0.
bool RunProcessW(const std::wstring& commandLine, DWORD timeoutMs = 30000);

// The whole content of a file, whatever its name; "" when it can't be read.
std::string ReadFileBytesW(const std::wstring& path);

// The names in a folder, "." and ".." left out.
std::set<std::wstring> FolderNames(const std::wstring& folder);

// Removes a folder with everything in it, whatever the names.
void RemoveTreeW(const std::wstring& path);

} // namespace ovs::test
