// Crafted JPEGs for the shell-menu tests: an APP13 section whose IPTC data
// holds the given datasets. Header-only, beside the other test fixtures.
#pragma once

#include <string>

namespace ovs::test {

// One IPTC dataset: tag marker, record, dataset number, 16-bit length, value.
inline std::string Dataset(int record, int dataset, const std::string& value) {
    return std::string{'\x1C', static_cast<char>(record), static_cast<char>(dataset),
                       static_cast<char>(value.size() >> 8), static_cast<char>(value.size() & 0xFF)} +
           value;
}

// A JPEG whose APP13 section holds the IPTC datasets.
inline std::string JpegWithIptc(const std::string& datasets) {
    std::string iptc = datasets;
    if (iptc.size() % 2) iptc += '\0';
    std::string resource = std::string("8BIM\x04\x04\x00\x00", 8);
    for (int shift = 24; shift >= 0; shift -= 8) resource += static_cast<char>((iptc.size() >> shift) & 0xFF);
    const std::string payload = std::string("Photoshop 3.0\0", 14) + resource + iptc;
    const size_t length = payload.size() + 2;
    return std::string("\xFF\xD8\xFF\xED", 4) + static_cast<char>(length >> 8) + static_cast<char>(length & 0xFF) +
           payload + std::string("\xFF\xD9", 2);
}

// A JPEG whose IPTC data carries this caption (none when it is empty).
inline std::string JpegWithCaption(const std::string& caption) {
    std::string datasets = Dataset(2, 0, std::string("\x00\x04", 2));
    if (!caption.empty()) datasets += Dataset(2, 120, caption);
    return JpegWithIptc(datasets);
}

} // namespace ovs::test
