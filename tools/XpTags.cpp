#include "XpTags.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "Utf8Text.h"

namespace ovs {

namespace {

struct TXpTag {
    std::uint16_t Tag;
    const char* Name;
};

constexpr TXpTag XpTags[] = {
    {0x9C9B, "XPTitle"}, {0x9C9C, "XPComment"}, {0x9C9D, "XPAuthor"}, {0x9C9E, "XPKeywords"}, {0x9C9F, "XPSubject"},
};

constexpr std::uint64_t EntrySize = 12;
// What XpText reads of a value: 25 units, and one more to know it goes on.
constexpr std::size_t XpReadBytes = DescriptionLength + 2;

// Integers of bytes read from the TIFF, in its byte order.
std::uint32_t Get(std::string_view bytes, std::size_t pos, int size, bool big) {
    std::uint32_t v = 0;
    for (int k = 0; k < size; ++k)
        v = (v << 8) | static_cast<unsigned char>(bytes[pos + static_cast<std::size_t>(big ? k : size - 1 - k)]);
    return v;
}

} // namespace

std::string XpText(std::string_view value) {
    std::wstring units;
    std::size_t i = 0;
    for (; i + 1 < value.size() && units.size() * 2 < DescriptionLength; i += 2) {
        const auto unit = static_cast<wchar_t>(static_cast<unsigned char>(value[i]) |
                                               (static_cast<unsigned char>(value[i + 1]) << 8));
        if (unit == 0) return Utf8FromUtf16Text(units);
        units += unit;
    }
    // A pair the cut would split is left out whole rather than shown as U+FFFD.
    const bool cut = i + 1 < value.size();
    if (cut && !units.empty() && units.back() >= 0xD800 && units.back() <= 0xDBFF) units.pop_back();
    std::string text = Utf8FromUtf16Text(units);
    if (!cut && i < value.size()) text += "\xEF\xBF\xBD";   // half a unit
    return text;
}

std::vector<TNamedText> ReadXpTags(const TTiffSource& tiff) {
    std::vector<TNamedText> found;
    // Every offset and count comes from the file: each is checked against
    // the size before anything is read.
    const auto fits = [&](std::uint64_t pos, std::uint64_t count) { return pos <= tiff.Size && count <= tiff.Size - pos; };
    const std::string header = fits(0, 8) ? tiff.Read(0, 8) : std::string();
    if (header.size() != 8 || (header.substr(0, 2) != "II" && header.substr(0, 2) != "MM")) return found;
    const bool big = header[0] == 'M';
    const std::uint64_t directory = Get(header, 4, 4, big);
    if (directory < 8 || !fits(directory, 2)) return found;
    const std::string countBytes = tiff.Read(directory, 2);
    if (countBytes.size() != 2) return found;
    const std::uint64_t count = Get(countBytes, 0, 2, big);
    const std::uint64_t listed = std::min(count, (tiff.Size - directory - 2) / EntrySize);
    const std::string entries = tiff.Read(directory + 2, static_cast<std::size_t>(listed * EntrySize));
    std::string values[std::size(XpTags)];
    bool seen[std::size(XpTags)] = {};
    for (std::size_t entry = 0; entry + EntrySize <= entries.size(); entry += EntrySize) {
        const std::uint32_t tag = Get(entries, entry, 2, big), format = Get(entries, entry + 2, 2, big);
        const std::uint64_t bytes = Get(entries, entry + 4, 4, big);
        // BYTE as Windows writes them; UNDEFINED as some tools rewrite them.
        if (format != 1 && format != 7) continue;
        for (std::size_t k = 0; k < std::size(XpTags); ++k) {
            if (XpTags[k].Tag != tag || seen[k]) continue;
            seen[k] = true;
            if (bytes <= 4) {
                values[k] = entries.substr(entry + 8, static_cast<std::size_t>(bytes));
            } else {
                const std::uint64_t at = Get(entries, entry + 8, 4, big);
                const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, XpReadBytes));
                if (fits(at, bytes)) values[k] = tiff.Read(at, wanted);
                seen[k] = values[k].size() == wanted;
            }
        }
    }
    for (std::size_t k = 0; k < std::size(XpTags); ++k)
        if (seen[k]) found.push_back({XpTags[k].Name, XpText(values[k])});
    return found;
}

std::vector<TNamedText> ReadXpTags(std::string_view tiff) {
    return ReadXpTags(TTiffSource{tiff.size(), [tiff](std::uint64_t offset, std::size_t count) {
                                      return std::string(tiff.substr(std::min<std::uint64_t>(offset, tiff.size()), count));
                                  }});
}

} // namespace ovs
