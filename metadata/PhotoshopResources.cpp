#include "PhotoshopResources.h"

namespace ovs {

namespace {

constexpr std::string_view PhotoshopSignature = "Photoshop 3.0";
constexpr std::string_view ResourceType = "8BIM";
// Type, id, the shortest name (its length byte and one pad byte), size.
constexpr size_t SmallestHeader = 4 + 2 + 2 + 4;

uint32_t BigEndianAt(std::string_view data, size_t at, size_t bytes) {
    uint32_t value = 0;
    for (size_t i = 0; i < bytes; ++i) value = (value << 8) | static_cast<unsigned char>(data[at + i]);
    return value;
}

constexpr size_t Even(size_t n) { return n + (n & 1); }

} // namespace

TResourceLookup FindPhotoshopResource(std::string_view data, uint16_t id) {
    const size_t signature = data.find(PhotoshopSignature);
    if (signature == std::string_view::npos) return {};
    size_t at = signature + PhotoshopSignature.size();
    // The signature is a C string; its zero is part of it.
    if (at < data.size() && data[at] == '\0') ++at;
    const size_t end = data.size();
    while (at < end) {
        if (end - at < SmallestHeader || data.substr(at, ResourceType.size()) != ResourceType) return {};
        const auto blockId = static_cast<uint16_t>(BigEndianAt(data, at + 4, 2));
        const size_t name = Even(1 + static_cast<unsigned char>(data[at + 6]));
        // Every count is checked against what is left before it is added.
        if (end - at - 6 < name + 4) return {};
        const size_t sizeAt = at + 6 + name;
        const size_t size = BigEndianAt(data, sizeAt, 4);
        const size_t dataAt = sizeAt + 4;
        if (size > end - dataAt) return {};
        if (blockId == id) return {TResourceWalk::Found, data.substr(dataAt, size)};
        // The last block's pad byte may be missing at the section's end.
        at = dataAt + size == end ? end : dataAt + Even(size);
    }
    return {TResourceWalk::Absent, {}};
}

} // namespace ovs
