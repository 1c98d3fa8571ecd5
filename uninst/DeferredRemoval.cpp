#include "DeferredRemoval.h"

#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "PathText.h"
#include "RunTimeImports.h"
#include "UniqueName.h"
#include "Utf8Text.h"
#include "WinFiles.h"
#include "WinText.h"
#include "WininitRewrite.h"
#include "lumSysUtils.h"

namespace ovs {

namespace {

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

DWORD AttributesOf(const std::wstring& path) {
    TCriticalErrorsSilenced silenced;
    return FileAttributesOf(WithoutTrailingBackslash(path));
}

[[noreturn]] void RaiseIoError(const char* what, const std::wstring& path) {
    throw std::runtime_error(std::string(what) + " " + LossyAnsiOf(path) + " (error " +
                             std::to_string(GetLastError()) + ")");
}

std::string ReadWholeFile(const std::wstring& path) {
    const TFileHandle file = CreateFileAt(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (!file) RaiseIoError("Unable to open", path);
    std::string content;
    char buffer[4096];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) RaiseIoError("Unable to read", path);
        if (got == 0) break;
        content.append(buffer, got);
    }
    return content;
}

void WriteWholeFile(const std::wstring& path, const std::string& content) {
    TFileHandle file = CreateFileAt(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (!file) RaiseIoError("Unable to create", path);
    if (!WriteAll(file.get(), content) || !file.close()) RaiseIoError("Unable to write", path);
}

void MoveAtRestartNT(const std::wstring& source, const std::wstring& destination) {
    // No destination at all, not an empty one, is what asks for a deletion.
    if (!RunTime::MoveFileExW(source.c_str(), destination.empty() ? nullptr : destination.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT))
        throw std::runtime_error("Win32 MoveFileEx error");
}

// WININIT.INI is ANSI text; every path of the 9x family came from ANSI.
std::string ShortAnsiPathOf(const std::wstring& path) { return LossyAnsiOf(ShortPathOf(path)); }

void MoveAtRestart9x(const std::wstring& source, const std::wstring& destination) {
    const std::wstring windows = WindowsFolder();
    const std::wstring iniPath = WithTrailingBackslash(windows) + WideFromAnsi(kWininitName);
    const bool oldExists = FileExists(iniPath);
    std::wstring newPath = iniPath;
    std::vector<std::string> lines;
    if (oldExists) {
        newPath = MakeUniqueFileName(windows, L".tmp");
        // The profile API may hold a newer copy of the file than the disk.
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, LossyAnsiOf(iniPath).c_str());
        lines = SplitTextLines(ReadWholeFile(iniPath));
    }
    const std::string entry =
        RenameEntryLine(destination.empty() ? std::string() : ShortAnsiPathOf(destination), ShortAnsiPathOf(source));
    try {
        WriteWholeFile(newPath, JoinTextLines(WithRenameEntry(lines, entry)));
    } catch (...) {
        // A half-written WININIT.INI would be carried out at the next start,
        // and a cut-off entry could name another file: none is better.
        DeleteFileAt(newPath);
        throw;
    }
    if (!oldExists) return;
    if (!DeleteFileAt(iniPath)) throw std::runtime_error("Win32 DeleteFile error");
    if (!MoveFileA(LossyAnsiOf(newPath).c_str(), LossyAnsiOf(iniPath).c_str()))
        throw std::runtime_error("Win32 MoveFile error");
}

// Not seeded from the clock: nothing depends on where the search starts.
std::uint32_t NextRandomStart() {
    static std::uint32_t seed = 0;
    seed = seed * 0x08088405u + 1u;
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(seed) * (kMaxUniqueNumber + 1ull)) >> 32);
}

} // namespace

void MoveAtRestart(const std::wstring& source, const std::wstring& destination) {
    if (IsWinNT) MoveAtRestartNT(source, destination);
    else MoveAtRestart9x(source, destination);
}

std::wstring MakeUniqueFileName(const std::wstring& folder, const std::wstring& extension) {
    // The candidates are made in UTF-8, which carries every UTF-16 name there
    // and back unchanged.
    return Utf16FromUtf8(FirstFreeUniqueName(
        Utf8FromUtf16(WithTrailingBackslash(folder)), Utf8FromUtf16(extension), NextRandomStart(),
        [](const std::string& candidate) { return PathExists(Utf16FromUtf8(candidate)); }));
}

bool PathExists(const std::wstring& path) { return static_cast<std::int32_t>(AttributesOf(path)) >= 0; }

bool FileExists(const std::wstring& path) {
    const DWORD attributes = AttributesOf(path);
    return static_cast<std::int32_t>(attributes) >= 0 && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring WindowsFolder() {
    if (IsWinNT) {
        wchar_t buffer[MAX_PATH + 1] = {};
        const UINT n = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
        return n > 0 && n <= MAX_PATH ? std::wstring(buffer, n) : std::wstring();
    }
    char buffer[MAX_PATH + 1] = {};
    const UINT n = GetWindowsDirectoryA(buffer, MAX_PATH + 1);
    return n > 0 && n <= MAX_PATH ? WideFromAnsi(std::string_view(buffer, n)) : std::wstring();
}

} // namespace ovs
