// Path and text routines of the uninstall program that need no Windows:
// file extensions, trailing backslashes and ASCII comparisons. Paths are byte
// strings in the system's ANSI code page; where a trail byte of a double-byte
// character could look like a delimiter, the caller says which bytes lead.
#pragma once

#include <string>
#include <string_view>

namespace ovs {

// Tells whether a byte opens a double-byte character in the code page the
// paths are written in.
using TLeadBytePredicate = bool (*)(unsigned char);

// The predicate of a single-byte code page.
bool NoLeadBytes(unsigned char);

// Byte offset of the last whole character of text; npos for an empty text.
std::size_t LastCharOffset(std::string_view text, TLeadBytePredicate isLead);

// Equal ignoring the case of the letters A to Z only.
bool SameTextAscii(std::string_view a, std::string_view b);

// Replaces everything from the last '.' of the name part on with extension;
// a name part without a '.' gets the extension appended.
std::string ChangeFileExt(std::string_view path, std::string_view extension,
                          TLeadBytePredicate isLead);

// An empty path stays empty; otherwise the path ends in a single-byte '\'.
std::string WithTrailingBackslash(std::string_view path, TLeadBytePredicate isLead);

// Drops a final '\' unless it is the one of a drive root such as C:\.
std::string WithoutTrailingBackslash(std::string_view path, TLeadBytePredicate isLead);

} // namespace ovs
