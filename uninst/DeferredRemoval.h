// Removal of files at the next start of Windows: a file in use, above all
// the running program, can't be deleted now. The NT family keeps the request
// itself; the 9x family reads the [rename] section of WININIT.INI.
#pragma once

#include <string>

#include "UniqueName.h"
#include "WinText.h"

namespace ovs {

// Deletes source at the next restart when destination is empty, else renames
// it to destination, replacing a file of that name. Raises
// std::runtime_error: "Win32 MoveFileEx error", "Too many files in
// directory", "Win32 DeleteFile error", "Win32 MoveFile error" or the
// input/output error of WININIT.INI.
void MoveAtRestart(const std::string& source, const std::string& destination);

// A path folder\is-XXXXX<extension> that names no existing file or folder.
std::string MakeUniqueFileName(const std::string& folder, const std::string& extension);

// The short (8.3) form of path; the path unchanged when it has none.
std::string ShortPathOf(const std::string& path);

// A file or folder of that name exists. Never shows a critical-error box.
bool PathExists(const std::string& path);

// An existing file, not a folder. Never shows a critical-error box.
bool FileExists(const std::string& path);

std::string WindowsFolder();

// The two below count whole characters of the system's ANSI code page.
std::string WithTrailingBackslash(const std::string& path);
std::string WithoutTrailingBackslash(const std::string& path);


} // namespace ovs
