#include "XpTags.h"

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

// Reads of the TIFF bytes in their byte order; every offset is checked
// against the size before it is used.
class TTiffBytes {
public:
    explicit TTiffBytes(std::string_view bytes) : bytes_(bytes), big_(bytes.substr(0, 2) == "MM") {}

    bool Fits(std::uint64_t pos, std::uint64_t count) const { return pos <= bytes_.size() && count <= bytes_.size() - pos; }
    std::uint32_t Get(std::uint64_t pos, int size) const {
        std::uint32_t v = 0;
        for (int k = 0; k < size; ++k) {
            const auto b = static_cast<unsigned char>(bytes_[pos + static_cast<std::uint64_t>(big_ ? k : size - 1 - k)]);
            v = (v << 8) | b;
        }
        return v;
    }
    std::string_view Span(std::uint64_t pos, std::uint64_t count) const { return bytes_.substr(pos, count); }

private:
    std::string_view bytes_;
    bool big_;
};

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

std::vector<TNamedText> ReadXpTags(std::string_view tiff) {
    std::vector<TNamedText> found;
    const TTiffBytes t(tiff);
    if (!t.Fits(0, 8) || (tiff.substr(0, 2) != "II" && tiff.substr(0, 2) != "MM")) return found;
    const std::uint64_t directory = t.Get(4, 4);
    if (directory < 8 || !t.Fits(directory, 2)) return found;
    const std::uint64_t count = t.Get(directory, 2);
    std::string_view values[std::size(XpTags)];
    bool seen[std::size(XpTags)] = {};
    for (std::uint64_t n = 0; n < count && t.Fits(directory + 2 + n * EntrySize, EntrySize); ++n) {
        const std::uint64_t entry = directory + 2 + n * EntrySize;
        const std::uint32_t tag = t.Get(entry, 2), format = t.Get(entry + 2, 2);
        const std::uint64_t bytes = t.Get(entry + 4, 4);
        // BYTE as Windows writes them; UNDEFINED as some tools rewrite them.
        if (format != 1 && format != 7) continue;
        for (std::size_t k = 0; k < std::size(XpTags); ++k) {
            if (XpTags[k].Tag != tag || seen[k]) continue;
            const std::uint64_t at = bytes <= 4 ? entry + 8 : t.Get(entry + 8, 4);
            if (!t.Fits(at, bytes)) break;
            seen[k] = true;
            values[k] = t.Span(at, bytes);
        }
    }
    for (std::size_t k = 0; k < std::size(XpTags); ++k)
        if (seen[k]) found.push_back({XpTags[k].Name, XpText(values[k])});
    return found;
}

} // namespace ovs
