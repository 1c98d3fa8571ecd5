#include "WinTestSupport.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace ovs::test {

std::string WinPathFromUnix(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

std::string BuildDir() { return WinPathFromUnix(OVS_BUILD_DIR); }
std::string SourceDir() { return WinPathFromUnix(OVS_SOURCE_DIR); }
std::string CorpusDir() { return WinPathFromUnix(OVS_CORPUS_DIR); }

namespace {
std::string UniqueTag(const std::string& tag) {
    static LONG counter = 0;
    return tag + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(InterlockedIncrement(&counter))
           + "-" + std::to_string(GetTickCount());
}
} // namespace

TScratchDir::TScratchDir(const std::string& tag) {
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "ovs-" + UniqueTag(tag);
    if (!CreateDirectoryA(path_.c_str(), nullptr)) throw std::runtime_error("cannot create " + path_);
}

TScratchDir::~TScratchDir() { RemoveTree(path_); }

namespace {
// In UTF-16, so entries named in any script go too.
void RemoveTreeW(const std::wstring& path) {
    // Collect the names first: deleting while the folder is being enumerated
    // can make the enumeration skip entries.
    struct Entry {
        std::wstring name;
        bool folder;
    };
    std::vector<Entry> entries;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..")
                entries.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    for (const Entry& e : entries) {
        const std::wstring full = path + L"\\" + e.name;
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (e.folder)
            RemoveTreeW(full);
        else
            DeleteFileW(full.c_str());
    }
    RemoveDirectoryW(path.c_str());
}
} // namespace

void RemoveTree(const std::string& path) {
    const int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), n);
    wide.resize(wide.size() - 1);
    RemoveTreeW(wide);
}

TScratchKey::TScratchKey(const std::string& tag, HKEY root)
    : root_(root), path_("Software\\OvsTests\\" + UniqueTag(tag)) {}

TScratchKey::~TScratchKey() {
    // RegDeleteTreeA is not on every Windows; Wine has it.
    RegDeleteTreeA(root_, path_.c_str());
    RegDeleteKeyA(root_, path_.c_str());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create a file");
    DWORD written = 0;
    const BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) throw std::runtime_error("cannot write a file");
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TProcessResult RunProcess(const std::string& commandLine, DWORD timeoutMs) {
    TProcessResult result;
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return result;
    result.Started = true;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        result.Finished = true;
        GetExitCodeProcess(pi.hProcess, &result.ExitCode);
    } else {
        TerminateProcess(pi.hProcess, 1);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return result;
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs, DWORD stepMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return condition();
        Sleep(stepMs);
    }
}

} // namespace ovs::test
