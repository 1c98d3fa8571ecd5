// The two stages of OvUninst. Stage one ("register"), run by the product's
// uninstaller, copies the program to the temporary folder and has Windows run
// the copy once at the next log-on; stage two ("doit"), that run, removes the
// file and the folder unless the product is installed again, and schedules
// the copy and its placeholder for deletion at the following restart.
#pragma once

#include <string>

#include "CommandLine.h"
#include "lumSysUtils.h"

namespace ovs {

inline constexpr char kUninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OrvaneSlideShow_is1";
inline constexpr char kInstalledValue[] = "Inno Setup CodeFile: Installed";
inline constexpr char kRegisterSwitch[] = "register";
inline constexpr char kDoItSwitch[] = "doit";

// True outside the NT family; on it, whether the service control manager
// opens for reading, writing and executing.
bool HasAdminRights();

// Where the run-once entry goes: the machine's key for an administrator,
// else the user's own.
TAutorunKind RunOnceKindFor(bool adminRights);

// Makes the placeholder tmpXXXX.tmp in the temporary folder and answers the
// copy's path tmpXXXX.exe beside it; empty when Windows made no name.
std::string MakeTempExeName();

// One run of the program with its arguments (element 0: the module's own
// file name). Raises whatever a step raises; the caller ends the run then.
void RunUninstall(const TArguments& args);

// The whole program: reads the command line, runs it, never raises, never
// shows anything, always answers exit code 0.
int UninstallMain(const char* commandLine, const std::string& moduleFileName) noexcept;

// The running module's full path.
std::string ModuleFileName();

} // namespace ovs
