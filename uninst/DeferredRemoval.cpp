#include "DeferredRemoval.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "PathText.h"
#include "WininitRewrite.h"
#include "WinText.h"
#include "lumSysUtils.h"

namespace ovs {

namespace {

constexpr DWORD kPathBufferSize = 260;
constexpr char kWininitName[] = "WININIT.INI";

// Removable drives without a medium must not ask the user anything.
class TCriticalErrorsSilenced {
public:
    TCriticalErrorsSilenced() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
    ~TCriticalErrorsSilenced() { SetErrorMode(previous_); }
    TCriticalErrorsSilenced(const TCriticalErrorsSilenced&) = delete;
    TCriticalErrorsSilenced& operator=(const TCriticalErrorsSilenced&) = delete;

private:
    UINT previous_;
};

DWORD AttributesOf(const std::string& path) {
    TCriticalErrorsSilenced silenced;
    return GetFileAttributesA(WithoutTrailingBackslash(path).c_str());
}

class TFileHandle {
public:
    explicit TFileHandle(HANDLE h) : h_(h) {}
    ~TFileHandle() { close(); }
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }
    // Closing may flush: its failure is a failure to write.
    bool close() {
        if (h_ == INVALID_HANDLE_VALUE) return true;
        const bool ok = CloseHandle(h_) != FALSE;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

[[noreturn]] void RaiseIoError(const char* what, const std::string& path) {
    throw std::runtime_error(std::string(what) + " " + path + " (error " +
                             std::to_string(GetLastError()) + ")");
}

std::string ReadWholeFile(const std::string& path) {
    TFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) RaiseIoError("Unable to open", path);
    std::string content;
    char buffer[4096];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr))
            RaiseIoError("Unable to read", path);
        if (got == 0) break;
        content.append(buffer, got);
    }
    return content;
}

void WriteWholeFile(const std::string& path, const std::string& content) {
    TFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) RaiseIoError("Unable to create", path);
    std::size_t done = 0;
    while (done < content.size()) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1u << 20));
        if (!WriteFile(file.get(), content.data() + done, chunk, &wrote, nullptr) || wrote == 0)
            RaiseIoError("Unable to write", path);
        done += wrote;
    }
    if (!file.close()) RaiseIoError("Unable to write", path);
}

void MoveAtRestartNT(const std::string& source, const std::string& destination) {
    // No destination at all, not an empty one, is what asks for a deletion.
    if (!MoveFileExA(source.c_str(), destination.empty() ? nullptr : destination.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT))
        throw std::runtime_error("Win32 MoveFileEx error");
}

void MoveAtRestart9x(const std::string& source, const std::string& destination) {
    const std::string windows = WindowsFolder();
    const std::string iniPath = WithTrailingBackslash(windows) + kWininitName;
    const bool oldExists = FileExists(iniPath);
    std::string newPath = iniPath;
    std::vector<std::string> lines;
    if (oldExists) {
        newPath = MakeUniqueFileName(windows, ".tmp");
        // The profile API may hold a newer copy of the file than the disk.
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, iniPath.c_str());
        lines = SplitTextLines(ReadWholeFile(iniPath));
    }
    const std::string entry =
        RenameEntryLine(destination.empty() ? std::string() : ShortPathOf(destination),
                        ShortPathOf(source));
    try {
        WriteWholeFile(newPath, JoinTextLines(WithRenameEntry(lines, entry)));
    } catch (...) {
        // A half-written WININIT.INI would be carried out at the next start,
        // and a cut-off entry could name another file: none is better.
        DeleteFileA(newPath.c_str());
        throw;
    }
    if (!oldExists) return;
    if (!DeleteFileA(iniPath.c_str())) throw std::runtime_error("Win32 DeleteFile error");
    if (!MoveFileA(newPath.c_str(), iniPath.c_str())) throw std::runtime_error("Win32 MoveFile error");
}

// Not seeded from the clock: nothing depends on where the search starts.
std::uint32_t NextRandomStart() {
    static std::uint32_t seed = 0;
    seed = seed * 0x08088405u + 1u;
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(seed) * (kMaxUniqueNumber + 1ull)) >> 32);
}

} // namespace

void MoveAtRestart(const std::string& source, const std::string& destination) {
    if (IsWinNT) MoveAtRestartNT(source, destination);
    else MoveAtRestart9x(source, destination);
}

std::string MakeUniqueFileName(const std::string& folder, const std::string& extension) {
    return FirstFreeUniqueName(WithTrailingBackslash(folder), extension, NextRandomStart(),
                               [](const std::string& candidate) { return PathExists(candidate); });
}

std::string ShortPathOf(const std::string& path) {
    std::vector<char> buffer(kPathBufferSize, '\0');
    // A second try normally fits; a path renamed between the calls may need
    // one more, and a file system that keeps asking for more gets the path.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD n = GetShortPathNameA(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return path;
        if (n < buffer.size()) return std::string(buffer.data(), n);
        buffer.assign(n, '\0');
    }
    return path;
}

bool PathExists(const std::string& path) {
    return static_cast<std::int32_t>(AttributesOf(path)) >= 0;
}

bool FileExists(const std::string& path) {
    const DWORD attributes = AttributesOf(path);
    return static_cast<std::int32_t>(attributes) >= 0 && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string WindowsFolder() {
    char buffer[kPathBufferSize] = {};
    GetWindowsDirectoryA(buffer, kPathBufferSize);
    buffer[kPathBufferSize - 1] = '\0';
    return buffer;
}

std::string WithTrailingBackslash(const std::string& path) {
    return WithTrailingBackslash(std::string_view(path), IsAnsiLeadByte);
}

std::string WithoutTrailingBackslash(const std::string& path) {
    return WithoutTrailingBackslash(std::string_view(path), IsAnsiLeadByte);
}

} // namespace ovs
