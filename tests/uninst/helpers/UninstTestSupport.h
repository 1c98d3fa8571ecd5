// Registry and file state that the uninstall tests look at: run-once values,
// the NT family's pending file operations, the product's uninstall key and
// the leftovers in the temporary folder.
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
std::map<std::string, std::string> StringValues(HKEY root, const std::string& keyPath);

// The strings of PendingFileRenameOperations, empty strings included; nullopt
// when the value does not exist.
std::optional<std::vector<std::string>> PendingRenames();
void SetPendingRenames(const std::optional<std::vector<std::string>>& strings);

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
    std::optional<std::vector<std::string>> pending_;
    std::map<std::string, std::string> machineRunOnce_;
    std::map<std::string, std::string> userRunOnce_;
};

// The product's uninstall key: a REG_SZ, a REG_DWORD or nothing; the key is
// removed when the object goes.
class TUninstallKey {
public:
    TUninstallKey() = default;
    ~TUninstallKey();
    TUninstallKey(const TUninstallKey&) = delete;
    TUninstallKey& operator=(const TUninstallKey&) = delete;
    void SetText(const std::string& text);
    void SetDword(DWORD value);
};

// Sets an environment variable of this process (and so of the programs it
// starts) and puts the old value back when it goes.
class TEnvironmentVariable {
public:
    TEnvironmentVariable(const char* name, const char* value);
    ~TEnvironmentVariable();
    TEnvironmentVariable(const TEnvironmentVariable&) = delete;
    TEnvironmentVariable& operator=(const TEnvironmentVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> saved_;
};

// Files named tmp*.exe and tmp*.tmp in the temporary folder.
std::set<std::string> TempLeftovers();
std::string TempFolder();

// Deletes the temporary files and run-once values that stage one made since
// before: what a test that does not go on to stage two must clean up.
void RemoveNewStageOneTraces(const std::set<std::string>& leftoversBefore,
                             const std::map<std::string, std::string>& runOnceBefore);

} // namespace ovs::test
