#include "Caption.h"

#include "IptcReader.h"
#include "JpegScanner.h"

namespace ovs {

namespace {

std::string TrimControlBytes(const std::string& value) {
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    size_t first = 0, last = value.size();
    while (first < last && isBlank(value[first])) ++first;
    while (last > first && isBlank(value[last - 1])) --last;
    return value.substr(first, last - first);
}

} // namespace

std::string CaptionFromIptcLines(const std::vector<std::string>& lines) {
    std::string caption;
    for (const std::string& line : lines) {
        const size_t p = line.find(" = ");
        if (p == std::string::npos) continue;
        // A value may itself hold " = "; only the first one splits.
        if (line.compare(0, p, "Image caption") == 0) caption = TrimControlBytes(line.substr(p + 3));
    }
    return caption;
}

std::string GetImageCaption(TReaderState& s, const std::string& path) {
    try {
        ReadImageFile(s, path);
        if (s.IptcSection <= 0 || s.IptcSection > MaxSections) return {};
        return CaptionFromIptcLines(ListIptcDatasets(s.Sections[s.IptcSection].Data));
    } catch (...) {
        return {};
    }
}

} // namespace ovs
