// The tag dictionaries: the EXIF and GPS tables and the maker tables.
#pragma once

#include <cstdint>
#include <string>

namespace ovs {

// A rendering routine: takes the generic value text of an entry and returns
// the text to show.
using TTagCode = std::string (*)(const std::string& valueText);

struct TTagTable {
    uint16_t Tag;
    const char* Name;
    const char* Desc;   // decode text "n:word,n:word"; empty when none
    TTagCode Code;      // null when none
};

// Directory kinds of the two fixed dictionaries.
constexpr int ExifDirectoryKind = 1;   // main, Exif and interoperability directories
constexpr int GpsDirectoryKind = 2;

constexpr int ExifTagTableSize = 87;
constexpr int GpsTagTableSize = 27;
extern const TTagTable ExifTagTable[ExifTagTableSize];
extern const TTagTable GpsTagTable[GpsTagTableSize];

// Lookups in the fixed dictionaries by kind; any other kind finds nothing.
// Both take the last row with the tag.
int LookupTagIndex(uint16_t tag, int kind);
std::string LookupTagDesc(uint16_t tag, int kind);

// Lookups in any table: the first row for the index, the last for the decode
// text (maker tables list some tags twice and rely on this split).
int FindTagRow(uint16_t tag, const TTagTable* rows, int rowCount);
std::string FindTagDesc(uint16_t tag, const TTagTable* rows, int rowCount);

// The index of the last row with the tag, or -1.
int FindLastTagRow(uint16_t tag, const TTagTable* rows, int rowCount);

} // namespace ovs
