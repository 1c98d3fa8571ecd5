// The two stages of OvUninst. Stage one ("register"), run by the product's
// uninstaller, copies the program to the temporary folder and has Windows run
// the copy once at the next log-on; stage two ("doit"), that run, removes the
// file and the folder unless the product is installed again, and schedules
// the copy and its placeholder for deletion at the following restart. Paths
// are UTF-16 inside: on the NT family a path may hold any character.
#pragma once

#include <string>
#include <vector>

#include "CommandLine.h"
#include "lumSysUtils.h"

namespace ovs {

inline constexpr char kUninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OrvaneSlideShow_is1";
inline constexpr char kInstalledValue[] = "Inno Setup CodeFile: Installed";
inline constexpr wchar_t kRegisterSwitch[] = L"register";
inline constexpr wchar_t kDoItSwitch[] = L"doit";

// True outside the NT family; on it, whether the service control manager
// opens for reading, writing and executing.
bool HasAdminRights();

// Where the run-once entry goes: the machine's key for an administrator,
// else the user's own.
TAutorunKind RunOnceKindFor(bool adminRights);

// The registry views that may hold the uninstall key: on 64-bit Windows a
// 32-bit installer writes to the 32-bit view and a 64-bit one to the other;
// elsewhere there is one (0).
std::vector<REGSAM> UninstallKeyViews();

// Whether the uninstall key says "Yes" in any of its views of the machine's
// hive or in the user's hive (a per-user install). Reads only: a
// user who may not change the machine's keys still finds the product. A
// missing key or value is "not installed"; a value that is not a string,
// or a key that exists but can't be read, raises.
bool ProductInstalled();

// Makes the placeholder tmpXXXX.tmp in the temporary folder and answers the
// copy's path tmpXXXX.exe beside it; empty when Windows made no name.
std::wstring MakeTempExeName();

// One run of the program with its arguments (element 0: the module's own
// file name). Raises whatever a step raises; the caller ends the run then.
void RunUninstall(const TWideArguments& args);

// The whole program: reads the command line, runs it, never raises, never
// shows anything, always answers exit code 0.
int UninstallMain(std::wstring_view commandLine, const std::wstring& moduleFileName) noexcept;

} // namespace ovs
