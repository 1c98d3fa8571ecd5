// The path and text rules both deliverables and the image reader share: the
// name part and extension of a path, trailing backslashes, trimming, ASCII
// case. Two forms of each: ANSI byte strings, where the caller says which
// bytes lead a double-byte character (its trail byte may be 0x5C, the code of
// '\', or a letter), and UTF-16 (wchar_t) strings, where every unit below
// 0x80 is the character it looks like. No Windows needed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ovs {

// Tells whether a byte opens a double-byte character in the code page the
// text is written in.
using TLeadBytePredicate = bool (*)(unsigned char);

// The predicate of a single-byte code page (and of UTF-8, whose multi-byte
// characters hold no byte below 0x80).
bool NoLeadBytes(unsigned char);

// Byte offset of the last whole character of text; npos for an empty text.
std::size_t LastCharOffset(std::string_view text, TLeadBytePredicate isLead);

// The length of the longest start of text, at most limit units, that holds
// only whole characters: a cut never keeps a lead byte without its trail or
// a high surrogate without its low half.
std::size_t WholeCharPrefix(std::string_view text, std::size_t limit, TLeadBytePredicate isLead);
std::size_t WholeCharPrefix(std::wstring_view text, std::size_t limit);

// --- Name part and extension --------------------------------------------------
// The name part starts after the last '\', ':' or '/'; the whole path when
// there is none.
std::size_t NameStart(std::string_view path, TLeadBytePredicate isLead);
std::size_t NameStart(std::wstring_view path);
std::string_view NamePart(std::string_view path, TLeadBytePredicate isLead);
std::wstring_view NamePart(std::wstring_view path);

// From the last '.' of the name part on, dot included; empty when the name
// part has no '.'.
std::string_view ExtensionOf(std::string_view path, TLeadBytePredicate isLead);
std::wstring_view ExtensionOf(std::wstring_view path);

// Replaces the extension of the name part with extension; a name part
// without a '.' gets the extension appended.
std::string ChangeFileExt(std::string_view path, std::string_view extension, TLeadBytePredicate isLead);
std::wstring ChangeFileExt(std::wstring_view path, std::wstring_view extension);

// --- Delimiters ----------------------------------------------------------------
// The last whole character is '\', ':' or '/'.
bool EndsInDelimiter(std::string_view path, TLeadBytePredicate isLead);
bool EndsInDelimiter(std::wstring_view path);

// An empty path stays empty; otherwise the path ends in a single-byte '\'.
std::string WithTrailingBackslash(std::string_view path, TLeadBytePredicate isLead);
std::wstring WithTrailingBackslash(std::wstring_view path);

// Drops a final '\' unless it is the one of a drive root such as C:\.
std::string WithoutTrailingBackslash(std::string_view path, TLeadBytePredicate isLead);
std::wstring WithoutTrailingBackslash(std::wstring_view path);

// --- Text ------------------------------------------------------------------------
// Without leading and trailing characters of code 0x20 or below. Safe for
// double-byte text as it is: no trail byte is that low.
std::string_view TrimBlanks(std::string_view text);
std::wstring_view TrimBlanks(std::wstring_view text);

// Only the letters a to z change, and only where a character starts: the
// trail byte of a double-byte character may be a lower-case letter's code.
std::string UpperCaseAscii(std::string_view text, TLeadBytePredicate isLead = NoLeadBytes);
std::wstring UpperCaseAscii(std::wstring_view text);

// Equal ignoring the case of the letters A to Z only (whole characters).
bool SameTextAscii(std::string_view a, std::string_view b, TLeadBytePredicate isLead = NoLeadBytes);
bool SameTextAscii(std::wstring_view a, std::wstring_view b);

} // namespace ovs
