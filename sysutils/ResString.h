// Texts of the string table of the module that holds this code: OvSShow.dll,
// OvUninst.exe, or a test program that links the code statically. Every text
// a user may read comes from there, so a translation needs no new build.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace ovs {

// The module whose image holds this code; its resources are the ones the
// code's texts and bitmaps come from.
HINSTANCE ResourceModule();

// A string missing from the table: only a broken build gets one. The message
// is the string's number.
class EResourceMissing : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A string of the table, in the ANSI code page / in UTF-16.
std::string LoadResString(UINT id);
std::wstring LoadResStringW(UINT id);

// The string with every "%s" replaced by argument (inserted as it is: a "%s"
// inside the argument stays).
std::string FormatResString(UINT id, const std::string& argument);

} // namespace ovs
