// Helpers shared by the Windows test programs: paths between the Unix build
// tree and Wine, scratch folders and registry keys, running programs.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace ovs::test {

// "/a/b" -> "Z:\a\b" (Wine maps the Unix root to Z:).
std::string WinPathFromUnix(const std::string& unixPath);

// The build tree (where OvSShow.dll and OvUninst.exe land) and the source
// tree, as Windows paths without a trailing backslash.
std::string BuildDir();
std::string SourceDir();
std::string CorpusDir();

// A fresh folder under the temporary folder, removed with all it holds when
// the object goes.
class TScratchDir {
public:
    explicit TScratchDir(const std::string& tag = "t");
    ~TScratchDir();
    TScratchDir(const TScratchDir&) = delete;
    TScratchDir& operator=(const TScratchDir&) = delete;
    const std::string& path() const { return path_; }
    // path() + "\" + name
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// A key path under HKEY_CURRENT_USER (or HKLM) private to this process and
// tag, removed with everything below it when the object goes.
class TScratchKey {
public:
    explicit TScratchKey(const std::string& tag, HKEY root = HKEY_CURRENT_USER);
    ~TScratchKey();
    TScratchKey(const TScratchKey&) = delete;
    TScratchKey& operator=(const TScratchKey&) = delete;
    HKEY root() const { return root_; }
    const std::string& path() const { return path_; }

private:
    HKEY root_;
    std::string path_;
};

void RemoveTree(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// For names in any script.
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);

struct TProcessResult {
    bool Started = false;
    bool Finished = false;   // false: timed out (the process was killed)
    DWORD ExitCode = 0;
};

// Runs a command line and waits for it at most timeoutMs.
TProcessResult RunProcess(const std::string& commandLine, DWORD timeoutMs = 60000);

// Makes every program named exeName report an older Windows while the object
// lives ("win95", "nt40", "win98", "winme", "win2k", "winxp"; "" leaves
// Wine's default).
class TReportedVersion {
public:
    TReportedVersion(const std::string& exeName, const std::string& version)
        : key_("Software\\Wine\\AppDefaults\\" + exeName) {
        if (version.empty()) return;
        HKEY handle = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle,
                            nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(handle, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                           static_cast<DWORD>(version.size() + 1));
            RegCloseKey(handle);
        }
    }
    ~TReportedVersion() { RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str()); }
    TReportedVersion(const TReportedVersion&) = delete;
    TReportedVersion& operator=(const TReportedVersion&) = delete;

private:
    std::string key_;
};

// Polls until the condition holds or timeoutMs passed; the last answer.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 10000, DWORD stepMs = 50);

} // namespace ovs::test
