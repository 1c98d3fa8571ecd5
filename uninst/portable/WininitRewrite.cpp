#include "WininitRewrite.h"

#include "PathText.h"

namespace ovs {

std::vector<std::string> SplitTextLines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (end != std::string_view::npos && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.emplace_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::string JoinTextLines(std::span<const std::string> lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

bool IsSectionHeader(std::string_view line) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!line.empty() && blank(line.front())) line.remove_prefix(1);
    while (!line.empty() && blank(line.back())) line.remove_suffix(1);
    return !line.empty() && line.front() == '[';
}

std::string RenameEntryLine(std::string_view destination, std::string_view source) {
    std::string line(destination.empty() ? kDeleteDestination : destination);
    line += '=';
    line += source;
    return line;
}

std::vector<std::string> WithRenameEntry(std::span<const std::string> lines,
                                         const std::string& entry) {
    std::vector<std::string> result;
    result.reserve(lines.size() + 2);
    bool renameFound = false;
    std::size_t i = 0;
    for (; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (IsSectionHeader(line)) {
            // The header must stand exactly as "[rename]": one with blanks
            // around it still opens a section, but never the rename section.
            if (SameTextAscii(line, kRenameSectionHeader)) renameFound = true;
            else if (renameFound) break; // the next section's header follows the entry
        }
        result.push_back(line);
    }
    if (!renameFound) result.emplace_back(kRenameSectionHeader);
    result.push_back(entry);
    result.insert(result.end(), lines.begin() + static_cast<std::ptrdiff_t>(i), lines.end());
    return result;
}

} // namespace ovs
