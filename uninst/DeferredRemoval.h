// Removal of files at the next start of Windows: a file in use, above all
// the running program, can't be deleted now. The NT family keeps the request
// itself; the 9x family reads the [rename] section of WININIT.INI. Paths are
// UTF-16; on the 9x family they all came from ANSI text.
#pragma once

#include <string>

namespace ovs {

// Deletes source at the next restart when destination is empty, else renames
// it to destination, replacing a file of that name. Raises
// std::runtime_error: "Win32 MoveFileEx error", "Too many files in
// directory", "Win32 DeleteFile error", "Win32 MoveFile error" or the
// input/output error of WININIT.INI.
void MoveAtRestart(const std::wstring& source, const std::wstring& destination);

// A path folder\is-XXXXX<extension> that names no existing file or folder.
std::wstring MakeUniqueFileName(const std::wstring& folder, const std::wstring& extension);

// A file or folder of that name exists. Never shows a critical-error box.
bool PathExists(const std::wstring& path);

// An existing file, not a folder. Never shows a critical-error box.
bool FileExists(const std::wstring& path);

std::wstring WindowsFolder();

} // namespace ovs
