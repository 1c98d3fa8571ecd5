// The reader's file access on Windows: its directory look-up and the way it
// opens files, for paths in the form the host holds them. Built only for
// Windows; the reader itself stays portable.
#pragma once

#include <string>

#include "ImageInfo.h"

namespace ovs {

// Installs the Windows look-up (FindFirstFile: found, file or folder, size,
// last write in local time) and the file-open hook in s, and the lead bytes
// its path scans go by.
//  - utf8Paths: the paths are UTF-8 forms of UTF-16 names, as the NT family
//    names files (a name may lie outside the ANSI code page): FindFirstFileW
//    and _wfopen on the UTF-16 form; no lead bytes.
//  - otherwise the paths are ANSI bytes, as the 9x family names files (its
//    wide functions are stubs): FindFirstFileA and fopen; the code page's
//    lead bytes (a trail byte may be the code of '\').
void InstallWindowsFileAccess(TReaderState& s, bool utf8Paths);

// The look-ups themselves, for hosts that want one without the rest.
TFileFacts WindowsLookUpAnsi(const std::string& path);
TFileFacts WindowsLookUpUtf8(const std::string& path);

} // namespace ovs
