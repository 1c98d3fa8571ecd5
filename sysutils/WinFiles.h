// The Win32 file routines both deliverables use. Paths are UTF-16 inside: the
// NT family gets them through the wide API as they are; the 9x family, whose
// wide functions are stubs, through the ANSI API, and there every path came
// from ANSI text and goes back to it unchanged. InitPlatformFlags must have
// run.
#pragma once

#include "WinHandle.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace ovs {

// The full path of a loaded module (null: the program's own file).
std::wstring ModuleFileName(HMODULE module);

// The 8.3 alias of an existing path; the path itself when it has none.
std::wstring ShortPathOf(const std::wstring& path);

// An ANSI form that names exactly this file or folder, for readers that take
// only ANSI (the viewer): the path itself when it converts exactly, else its
// 8.3 alias when that does; nullopt when neither does.
std::optional<std::string> AnsiPathOf(const std::wstring& path);

// Stands in for a character the code page lacks: no file name may hold it,
// and no file function takes it as a wildcard ('?' matches any character in
// FindFirstFile, and '<', '>', '"' are wildcards beneath it).
inline constexpr char kNoFileCharacter = '|';

// The form for an ANSI-only reader that must get some text even for a path
// with no exact ANSI form: AnsiPathOf, else the path with kNoFileCharacter
// for every character the code page lacks, so the text names no file at all.
std::string AnsiPathOrPlaceholder(const std::wstring& path);

// The full path of a path relative to the current folder or drive; the path
// itself when Windows makes none. Asks no file system.
std::wstring FullPathOf(const std::wstring& path);

// INVALID_FILE_ATTRIBUTES when the path names nothing.
DWORD FileAttributesOf(const std::wstring& path);

TFileHandle CreateFileAt(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                         DWORD flags = FILE_ATTRIBUTE_NORMAL);
bool DeleteFileAt(const std::wstring& path);

// Writes every byte; false on the first failed or empty write.
bool WriteAll(HANDLE file, std::string_view bytes);

// The temporary folder with its trailing '\'; empty when Windows has none.
std::wstring TempFolder();

// Creates a new empty file prefixXXXX.tmp in folder and answers its path;
// empty when no name could be made.
std::wstring TempFileName(const std::wstring& folder, const std::wstring& prefix);

// The entries of a folder that a FindFirstFile pattern matches, "." and ".."
// included, one at a time; the search handle is released with the object.
class TFolderEntries {
public:
    explicit TFolderEntries(const std::wstring& pattern);
    TFolderEntries(const TFolderEntries&) = delete;
    TFolderEntries& operator=(const TFolderEntries&) = delete;

    // Moves to the next entry; false when there is none.
    bool Next();
    const std::wstring& Name() const { return name_; }
    DWORD Attributes() const { return attributes_; }

private:
    TFindHandle find_;
    bool first_ = true;
    std::wstring name_;
    DWORD attributes_ = 0;
};

} // namespace ovs
