// The IPTC datasets of a JPEG APP13 (Photoshop) section as named text lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ovs {

// One row of the dataset table.
struct ITag {
    uint16_t Rec;
    uint16_t Dataset;
    const char* ShortName;   // "SKIP": recognised, never listed
    const char* LongName;    // the left side of the listed line
    int32_t MaxSize;         // declared only; values are taken at their stored length
};

constexpr int IptcTableSize = 32;
extern const ITag IptcTable[IptcTableSize];

// Lists the known datasets of one APP13 section's data (its two length bytes
// followed by the payload, as the scanner stores it), one line
// "LongName = value" per dataset in file order, values as stored. The
// datasets are read from the IPTC resource (FindPhotoshopResource); a
// section whose resources can't be walked is scanned for them from its
// signature on, to the section's end. Extended-length datasets are taken
// as plain lengths. Depends only
// on the bytes given; never reads outside them, never raises on malformed data
// (only std::bad_alloc can escape).
std::vector<std::string> ListIptcDatasets(const std::string& sectionData);

// Whether the envelope record of the same data declares its texts UTF-8:
// dataset 1:90 (coded character set) holds ESC % G. The record-1 datasets
// before the first listed one are walked back to back from the first of
// them; without 1:90 the texts are in whatever the writer's system used.
// Reads only the bytes given; never raises.
bool IptcDeclaresUtf8(std::string_view sectionData);

} // namespace ovs
