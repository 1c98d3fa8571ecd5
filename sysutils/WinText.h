// Conversions between the system's ANSI code page and UTF-16. ANSI text
// always has a UTF-16 form; the way back is exact or nothing: a best-fit
// conversion ("Omega" for "Ωmega") names a different file.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace ovs {

// The UTF-16 form of ANSI text (code page CP_ACP unless given).
std::wstring WideFromAnsi(std::string_view text, UINT codePage = CP_ACP);

// The ANSI form of text (code page CP_ACP unless given) when it converts
// back unchanged, with no default character and no best-fit mapping; nullopt
// otherwise.
std::optional<std::string> ExactAnsiOf(std::wstring_view text, UINT codePage = CP_ACP);

// The exact ANSI form of text where it has one; otherwise each character's
// exact form, with placeholder for each that the code page lacks (a surrogate
// pair is one character). Never a best-fit letter, which shows or names what
// isn't there.
std::string ExactAnsiOrPlaceholders(std::wstring_view text, char placeholder);

// The ANSI form, with '?' for what the code page lacks: for texts that are
// only shown (a message), never for a name that must find a file.
std::string LossyAnsiOf(std::wstring_view text);

// The system code page's lead bytes, for the path routines of PathText.h.
bool IsAnsiLeadByte(unsigned char c);

} // namespace ovs
