// The uninstall program's own reading of its command line and the texts it
// builds from it, for ANSI text (the 9x family) and UTF-16 (the NT family,
// where a path may hold any character).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ovs {

template <class Char>
using TArgumentsOf = std::vector<std::basic_string<Char>>;
using TArguments = TArgumentsOf<char>;
using TWideArguments = TArgumentsOf<wchar_t>;

// Splits a command line into its arguments. Every character up to and
// including the space separates; a double quote opens a stretch up to the
// next one, blanks included, and the quotes are dropped; an empty "" where an
// argument begins is skipped. Element 0 is the program as the command line
// names it. A double-byte character is never taken apart: none of its bytes
// is a blank or a quote.
TArguments SplitCommandLine(std::string_view commandLine);
TWideArguments SplitCommandLine(std::wstring_view commandLine);

// The argument at position index, empty when the command line has fewer.
const std::string& ArgumentAt(const TArguments& args, std::size_t index);
const std::wstring& ArgumentAt(const TWideArguments& args, std::size_t index);

// True when an argument from position 1 on is '-' or '/' followed by name,
// ignoring case.
bool HasSwitch(const TArguments& args, std::string_view name);
bool HasSwitch(const TWideArguments& args, std::wstring_view name);

// What Windows runs at the next log-on: the copy with the stage-two switch,
// the file and the folder, each path between double quotes.
std::string StageTwoCommandLine(std::string_view copyPath, std::string_view filePath, std::string_view folderPath);
std::wstring StageTwoCommandLine(std::wstring_view copyPath, std::wstring_view filePath,
                                 std::wstring_view folderPath);

// The uninstall key's "Installed" text means installed only when it is "Yes".
bool IsInstalledText(std::string_view text);

} // namespace ovs
