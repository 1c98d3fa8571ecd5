// A stand-in for the slide-show viewer, installed by the tests as OvSShow.exe
// beside a copy of the library. It shows nothing: it records its command line
// and the bytes of the list file it was handed in a file "run-*.rec" next to
// itself (the command line, a line feed, then the list file's bytes), so a
// test can check what the library started it with. It reads its command line
// and the list as ANSI, as the real viewer does, but finds its own folder in
// UTF-16, so it may be installed in a folder of any name.
#include <windows.h>

#include <string>

namespace {

std::string ReadAll(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<unreadable>";
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

// The list file is the last double-quoted argument.
std::string ListFileName(const std::string& commandLine) {
    const size_t close = commandLine.rfind('"');
    if (close == std::string::npos || close == 0) return {};
    const size_t open = commandLine.rfind('"', close - 1);
    if (open == std::string::npos) return {};
    return commandLine.substr(open + 1, close - open - 1);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::string commandLine = GetCommandLineA();
    wchar_t self[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder = self;
    folder.erase(folder.find_last_of(L'\\') + 1);

    const std::string list = ListFileName(commandLine);
    const std::string record = commandLine + "\n" + (list.empty() ? std::string() : ReadAll(list));

    // Written under a temporary name first, so a test never reads half a record.
    const std::wstring stem = folder + L"run-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount());
    HANDLE out = CreateFileW((stem + L".part").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(out, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    CloseHandle(out);
    return MoveFileW((stem + L".part").c_str(), (stem + L".rec").c_str()) ? 0 : 1;
}
