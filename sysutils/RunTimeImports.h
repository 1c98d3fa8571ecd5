// Functions that Windows 95 or NT 4 lack, or that only the NT family's route
// calls, fetched by name on first use. A binary whose import table names an
// export the system lacks does not load there at all, whatever route would
// run, so none of these may be imported the ordinary way. Each forwards to
// the system's function where it exists and otherwise answers the failure
// written beside it, with ERROR_CALL_NOT_IMPLEMENTED as the last error.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>

namespace ovs::RunTime {

// kernel32: missing from the 9x family (MoveFileExW) or before XP SP2.
BOOL IsWow64Process(HANDLE process, BOOL* wow64);                             // FALSE
BOOL MoveFileExW(const wchar_t* source, const wchar_t* destination, DWORD flags); // FALSE

// shell32: the UTF-16 forms, which the NT family's route uses.
UINT DragQueryFileW(HDROP drop, UINT index, wchar_t* buffer, UINT size);      // 0
HINSTANCE ShellExecuteW(HWND window, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                        const wchar_t* folder, int show);                     // 0 (below 32: failed)
BOOL SHGetPathFromIDListW(PCIDLIST_ABSOLUTE items, wchar_t* path);            // FALSE

// user32: the process's DPI and metrics at a DPI, from Windows 10 (1607) on;
// the calling thread's DPI context (1607) and the DPI it stands for (1803).
UINT GetDpiForSystem();                                                       // 0
int GetSystemMetricsForDpi(int index, UINT dpi);                              // 0
DPI_AWARENESS_CONTEXT GetThreadDpiAwarenessContext();                         // null
UINT GetDpiFromDpiAwarenessContext(DPI_AWARENESS_CONTEXT context);            // 0

// The C runtime's UTF-16 open.
std::FILE* _wfopen(const wchar_t* path, const wchar_t* mode);                 // null

// Whether the running system has the function; for tests and for callers
// that choose a route.
bool Has(const char* module, const char* name);

// The function itself, null where the system lacks it: for a function that
// only newer Windows have, add a typed entry above rather than call this
// from elsewhere.
FARPROC Lookup(const char* module, const char* name);

template <class Function>
Function Find(const char* module, const char* name) {
    // Through void (*)(), the one function type any other converts from
    // without a warning.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(Lookup(module, name)));
}

} // namespace ovs::RunTime

namespace ovs::RunTime {

// What the Explorer commands of Windows 11 use: the window of the site
// Explorer hands them, whether anyone can see a message, and leave for the
// viewer they start to come to the front.
HRESULT IUnknown_GetWindow(IUnknown* object, HWND* window);                  // E_NOTIMPL
int GetClassNameW(HWND window, wchar_t* name, int size);                       // 0
HWINSTA GetProcessWindowStation();                                             // null
BOOL GetUserObjectInformationW(HANDLE object, int index, void* info, DWORD size, DWORD* needed); // FALSE
BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info);                                 // FALSE
DWORD GetProcessId(HANDLE process);                                            // 0
BOOL AllowSetForegroundWindow(DWORD processId);                                // FALSE

} // namespace ovs::RunTime
