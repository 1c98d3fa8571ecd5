#include "WinFiles.h"

#include "WinText.h"
#include "lumSysUtils.h"

#include <algorithm>
#include <vector>

namespace ovs {

namespace {

constexpr DWORD kFirstBuffer = MAX_PATH + 1;
// Wide paths may be up to 32,767 characters long.
constexpr DWORD kLongestPath = 32768;

// The 9x form of a path: it came from ANSI, so the conversion is exact.
std::string Ansi(const std::wstring& path) { return LossyAnsiOf(path); }

// Calls fill(buffer, size) -> length until the answer fits: the answer or
// "" on failure. fill answers the length without the null when it fits,
// else the size needed (GetShortPathName, GetTempPath) or a full buffer
// (GetModuleFileName).
template <class Char, class Fill>
std::basic_string<Char> GrowingCall(Fill fill) {
    std::vector<Char> buffer(kFirstBuffer);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const DWORD n = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return std::basic_string<Char>(buffer.data(), n);
        if (buffer.size() >= kLongestPath) return {};
        buffer.assign(std::min<size_t>(std::max<size_t>(n + 1, buffer.size() * 2), kLongestPath), Char());
    }
    return {};
}

} // namespace

std::wstring ModuleFileName(HMODULE module) {
    if (IsWinNT)
        return GrowingCall<wchar_t>([&](wchar_t* b, DWORD n) { return GetModuleFileNameW(module, b, n); });
    return WideFromAnsi(GrowingCall<char>([&](char* b, DWORD n) { return GetModuleFileNameA(module, b, n); }));
}

std::wstring ShortPathOf(const std::wstring& path) {
    std::wstring alias;
    if (IsWinNT) {
        alias = GrowingCall<wchar_t>(
            [&](wchar_t* b, DWORD n) { return GetShortPathNameW(path.c_str(), b, n); });
    } else {
        const std::string ansi = Ansi(path);
        alias = WideFromAnsi(
            GrowingCall<char>([&](char* b, DWORD n) { return GetShortPathNameA(ansi.c_str(), b, n); }));
    }
    return alias.empty() ? path : alias;
}

std::optional<std::string> AnsiPathOf(const std::wstring& path) {
    if (std::optional<std::string> exact = ExactAnsiOf(path)) return exact;
    // Volumes with 8.3 names switched off answer the long name again.
    const std::wstring alias = ShortPathOf(path);
    if (alias != path)
        if (std::optional<std::string> exact = ExactAnsiOf(alias)) return exact;
    return std::nullopt;
}

std::string AnsiPathOrPlaceholder(const std::wstring& path) {
    if (std::optional<std::string> exact = AnsiPathOf(path)) return *exact;
    return ExactAnsiOrPlaceholders(path, kNoFileCharacter);
}

std::wstring FullPathOf(const std::wstring& path) {
    std::wstring full;
    if (IsWinNT) {
        full = GrowingCall<wchar_t>(
            [&](wchar_t* b, DWORD n) { return GetFullPathNameW(path.c_str(), n, b, nullptr); });
    } else {
        const std::string ansi = Ansi(path);
        full = WideFromAnsi(
            GrowingCall<char>([&](char* b, DWORD n) { return GetFullPathNameA(ansi.c_str(), n, b, nullptr); }));
    }
    return full.empty() ? path : full;
}

DWORD FileAttributesOf(const std::wstring& path) {
    return IsWinNT ? GetFileAttributesW(path.c_str()) : GetFileAttributesA(Ansi(path).c_str());
}

TFileHandle CreateFileAt(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    return TFileHandle(IsWinNT ? CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr)
                               : CreateFileA(Ansi(path).c_str(), access, share, nullptr, disposition, flags,
                                             nullptr));
}

bool DeleteFileAt(const std::wstring& path) {
    return (IsWinNT ? DeleteFileW(path.c_str()) : DeleteFileA(Ansi(path).c_str())) != FALSE;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

std::wstring TempFolder() {
    if (IsWinNT) return GrowingCall<wchar_t>([](wchar_t* b, DWORD n) { return GetTempPathW(n, b); });
    return WideFromAnsi(GrowingCall<char>([](char* b, DWORD n) { return GetTempPathA(n, b); }));
}

std::wstring TempFileName(const std::wstring& folder, const std::wstring& prefix) {
    // GetTempFileName writes at most MAX_PATH characters.
    if (IsWinNT) {
        wchar_t name[MAX_PATH + 1] = {};
        if (GetTempFileNameW(folder.c_str(), prefix.c_str(), 0, name) == 0) return {};
        name[MAX_PATH] = L'\0';
        return name;
    }
    char name[MAX_PATH + 1] = {};
    if (GetTempFileNameA(Ansi(folder).c_str(), Ansi(prefix).c_str(), 0, name) == 0) return {};
    name[MAX_PATH] = '\0';
    return WideFromAnsi(name);
}

TFolderEntries::TFolderEntries(const std::wstring& pattern) {
    if (IsWinNT) {
        WIN32_FIND_DATAW found{};
        find_.reset(FindFirstFileW(pattern.c_str(), &found));
        if (find_) {
            name_ = found.cFileName;
            attributes_ = found.dwFileAttributes;
        }
    } else {
        WIN32_FIND_DATAA found{};
        find_.reset(FindFirstFileA(Ansi(pattern).c_str(), &found));
        if (find_) {
            name_ = WideFromAnsi(found.cFileName);
            attributes_ = found.dwFileAttributes;
        }
    }
}

bool TFolderEntries::Next() {
    if (!find_) return false;
    if (first_) {
        first_ = false;
        return true;
    }
    if (IsWinNT) {
        WIN32_FIND_DATAW found{};
        if (!FindNextFileW(find_.get(), &found)) return false;
        name_ = found.cFileName;
        attributes_ = found.dwFileAttributes;
    } else {
        WIN32_FIND_DATAA found{};
        if (!FindNextFileA(find_.get(), &found)) return false;
        name_ = WideFromAnsi(found.cFileName);
        attributes_ = found.dwFileAttributes;
    }
    return true;
}

} // namespace ovs
