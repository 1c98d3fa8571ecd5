#include "RunTimeImports.h"

namespace ovs::RunTime {

// Every module named here is one the binary imports from anyway (kernel32,
// shell32, user32, msvcrt), so it is loaded while the binary runs; LoadLibrary is
// only the fallback for a process that has not loaded it yet.
FARPROC Lookup(const char* module, const char* name) {
    HMODULE handle = GetModuleHandleA(module);
    if (!handle) handle = LoadLibraryA(module);
    return handle ? GetProcAddress(handle, name) : nullptr;
}

namespace {

// Each entry below looks its function up once per process.
template <class Result>
Result Missing(Result failure) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return failure;
}

constexpr char kKernel32[] = "kernel32.dll";
constexpr char kShell32[] = "shell32.dll";
constexpr char kUser32[] = "user32.dll";
constexpr char kCRuntime[] = "msvcrt.dll";

} // namespace

bool Has(const char* module, const char* name) { return Lookup(module, name) != nullptr; }

BOOL IsWow64Process(HANDLE process, BOOL* wow64) {
    static const auto function = Find<decltype(&::IsWow64Process)>(kKernel32, "IsWow64Process");
    if (wow64) *wow64 = FALSE;
    return function ? function(process, wow64) : Missing(FALSE);
}

BOOL MoveFileExW(const wchar_t* source, const wchar_t* destination, DWORD flags) {
    static const auto function = Find<decltype(&::MoveFileExW)>(kKernel32, "MoveFileExW");
    return function ? function(source, destination, flags) : Missing(FALSE);
}

UINT DragQueryFileW(HDROP drop, UINT index, wchar_t* buffer, UINT size) {
    static const auto function = Find<decltype(&::DragQueryFileW)>(kShell32, "DragQueryFileW");
    return function ? function(drop, index, buffer, size) : Missing(0u);
}

HINSTANCE ShellExecuteW(HWND window, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                        const wchar_t* folder, int show) {
    static const auto function = Find<decltype(&::ShellExecuteW)>(kShell32, "ShellExecuteW");
    return function ? function(window, verb, file, parameters, folder, show) : Missing<HINSTANCE>(nullptr);
}

BOOL SHGetPathFromIDListW(PCIDLIST_ABSOLUTE items, wchar_t* path) {
    static const auto function = Find<decltype(&::SHGetPathFromIDListW)>(kShell32, "SHGetPathFromIDListW");
    return function ? function(items, path) : Missing(FALSE);
}

UINT GetDpiForSystem() {
    static const auto function = Find<UINT(WINAPI*)()>(kUser32, "GetDpiForSystem");
    return function ? function() : Missing(0u);
}

int GetSystemMetricsForDpi(int index, UINT dpi) {
    static const auto function = Find<int(WINAPI*)(int, UINT)>(kUser32, "GetSystemMetricsForDpi");
    return function ? function(index, dpi) : Missing(0);
}

DPI_AWARENESS_CONTEXT GetThreadDpiAwarenessContext() {
    static const auto function = Find<DPI_AWARENESS_CONTEXT(WINAPI*)()>(kUser32, "GetThreadDpiAwarenessContext");
    return function ? function() : Missing<DPI_AWARENESS_CONTEXT>(nullptr);
}

UINT GetDpiFromDpiAwarenessContext(DPI_AWARENESS_CONTEXT context) {
    static const auto function =
        Find<UINT(WINAPI*)(DPI_AWARENESS_CONTEXT)>(kUser32, "GetDpiFromDpiAwarenessContext");
    return function ? function(context) : Missing(0u);
}

std::FILE* _wfopen(const wchar_t* path, const wchar_t* mode) {
    static const auto function = Find<decltype(&::_wfopen)>(kCRuntime, "_wfopen");
    return function ? function(path, mode) : Missing<std::FILE*>(nullptr);
}

} // namespace ovs::RunTime

namespace ovs::RunTime {

namespace {
constexpr char kShlwapi[] = "shlwapi.dll";
} // namespace

// shlwapi exports it by name from Windows XP on (by ordinal before): where it
// has no name, the caller asks the site's own IOleWindow. Explorer has
// shlwapi loaded; anywhere else Lookup loads it.
HRESULT IUnknown_GetWindow(IUnknown* object, HWND* window) {
    static const auto function = Find<HRESULT(WINAPI*)(IUnknown*, HWND*)>(kShlwapi, "IUnknown_GetWindow");
    if (window) *window = nullptr;
    return function ? function(object, window) : Missing<HRESULT>(E_NOTIMPL);
}

int GetClassNameW(HWND window, wchar_t* name, int size) {
    static const auto function = Find<int(WINAPI*)(HWND, wchar_t*, int)>(kUser32, "GetClassNameW");
    return function ? function(window, name, size) : Missing(0);
}

HWINSTA GetProcessWindowStation() {
    static const auto function = Find<HWINSTA(WINAPI*)()>(kUser32, "GetProcessWindowStation");
    return function ? function() : Missing<HWINSTA>(nullptr);
}

BOOL GetUserObjectInformationW(HANDLE object, int index, void* info, DWORD size, DWORD* needed) {
    static const auto function =
        Find<BOOL(WINAPI*)(HANDLE, int, void*, DWORD, DWORD*)>(kUser32, "GetUserObjectInformationW");
    return function ? function(object, index, info, size, needed) : Missing(FALSE);
}

BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info) {
    static const auto function = Find<BOOL(WINAPI*)(SHELLEXECUTEINFOW*)>(kShell32, "ShellExecuteExW");
    return function ? function(info) : Missing(FALSE);
}

DWORD GetProcessId(HANDLE process) {
    static const auto function = Find<DWORD(WINAPI*)(HANDLE)>(kKernel32, "GetProcessId");
    return function ? function(process) : Missing(0ul);
}

BOOL AllowSetForegroundWindow(DWORD processId) {
    static const auto function = Find<BOOL(WINAPI*)(DWORD)>(kUser32, "AllowSetForegroundWindow");
    return function ? function(processId) : Missing(FALSE);
}

} // namespace ovs::RunTime
