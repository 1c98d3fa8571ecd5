// The text side of WININIT.INI, which the 9x family reads at start-up: its
// [rename] section lists "destination=source" lines of short paths, and the
// destination "NUL" deletes the source.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ovs {

inline constexpr std::string_view kRenameSectionHeader = "[rename]";
inline constexpr std::string_view kDeleteDestination = "NUL";

// Lines of a text file: each ends at LF, a CR right before it is dropped, and
// a last line without an end still counts.
std::vector<std::string> SplitTextLines(std::string_view text);

// Every line followed by CR LF.
std::string JoinTextLines(std::span<const std::string> lines);

// With the blanks (every byte up to and including the space) trimmed from
// both ends, the line is not empty and begins with '['.
bool IsSectionHeader(std::string_view line);

// "destination=source"; an empty destination is written as NUL.
std::string RenameEntryLine(std::string_view destination, std::string_view source);

// The file's lines with entry added as the last line of its first rename
// section, or, when it has none, a new "[rename]" section holding entry at the
// end. Every other line keeps its text and place.
std::vector<std::string> WithRenameEntry(std::span<const std::string> lines,
                                         const std::string& entry);

} // namespace ovs
