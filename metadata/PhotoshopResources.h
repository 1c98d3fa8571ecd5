// The image resource blocks of a JPEG APP13 ("Photoshop 3.0") section.
#pragma once

#include <cstdint>
#include <string_view>

namespace ovs {

// The resource that holds the IPTC datasets.
constexpr uint16_t IptcResourceId = 0x0404;

enum class TResourceWalk {
    Found,    // a resource with the id lies whole inside the section
    Absent,   // the resources fill the section to its end; none has the id
    NoList,   // no signature, or a block before the id's is not well formed
};

struct TResourceLookup {
    TResourceWalk Outcome = TResourceWalk::NoList;
    std::string_view Data;   // the resource's data, without its padding; a view into the section
};

// Walks the resource blocks that follow the "Photoshop 3.0" signature of one
// APP13 section's data ("8BIM", 16-bit id, Pascal name padded to an even
// length, 32-bit size, data padded to an even length; all big-endian) to the
// first resource with the id. The walk stops at the first block that is not
// well formed; a block found before it counts, so garbage after a section's
// last resource changes nothing. Reads only the bytes given; never raises.
TResourceLookup FindPhotoshopResource(std::string_view sectionData, uint16_t id);

} // namespace ovs
