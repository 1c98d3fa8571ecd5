// The Exif directory walker: the Exif APP1 block, image file directories and
// the maker-note directory walk.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "ImageInfo.h"
#include "TagTables.h"

namespace ovs {

// Raised when a directory or a pointer leads outside ExifBuffer. A walk of a
// sub-directory swallows it; from the first directory it reaches the reader's
// entry, which reports "Illegal Exif construction".
class EExifFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Bytes per item of the TIFF field types, indexed by format code.
constexpr int FormatSizes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

// The size of one item of the format, 0 for codes outside 1..12.
constexpr int FormatSize(int format) {
    return format >= 1 && format <= 12 ? FormatSizes[format] : 0;
}

// Between the items of a value with more than one.
constexpr std::string_view ValueSeparator = ", ";

// "Exif" and one zero byte.
constexpr std::string_view ExifSignature{"Exif\0", 5};

// Nesting limit of sub-directories below the first directory. Real files go
// two deep (Exif, then interoperability); the cap keeps a crafted chain of
// pointers from exhausting the stack.
constexpr int MaxWalkDepth = 8;

// 16- and 32-bit reads of ExifBuffer at a 1-based position in the byte order
// of BigEndianData. A read that doesn't lie inside the buffer raises
// EExifFormatError.
uint16_t GetUInt16(const TReaderState& s, int32_t pos);
int32_t GetInt32(const TReaderState& s, int32_t pos);

// The bytes as one integer in the current byte order (value * 256 + byte per
// step); only the low 32 bits are kept. An empty string gives 0.
int32_t BytesToInt(const TReaderState& s, std::string_view bytes);

// The number a raw value stands for, used by the camera fields. BYTE, SHORT,
// LONG and RATIONAL are unsigned; SBYTE and SSHORT are not sign-extended.
// FLOAT, DOUBLE, text formats and rationals with a zero denominator give 0.
double ValueToNumber(const TReaderState& s, std::string_view raw, int format);

// The bytes of a TIFF header: byte order, 42, the first directory's offset.
constexpr int32_t TiffHeaderSize = 8;

// The ExifBuffer position of an Exif APP1 block's TIFF header, behind the
// two length bytes and "Exif\0\0": what its stored offsets are added to.
constexpr int32_t ExifOffsetBase = 9;

// Checks the Exif APP1 section at ExifSection and walks its first directory
// where its TIFF header puts it when that lies inside the block, else right
// behind the header.
void ParseExifBlock(TReaderState& s);

// Whether ParseExifBlock raises for a section of dataSize bytes whose Data
// begins with head (its first 10 bytes, fewer only when the section is
// shorter): the error that ends a JPEG scan at the Exif section. The caption
// lookup asks this instead of walking the block, so the two must agree.
bool ExifBlockEndsScan(std::string_view head, size_t dataSize);

// Walks the directory whose entry count sits at ExifBuffer position dirPos;
// stored offsets become positions by adding base. Appends to TagList.
// A call from outside a walk (WalkDepth 0) starts a fresh set of walked
// directories, since every top-level walk is of a newly filled ExifBuffer,
// and adds the buffer's entries to the read's EntryBudget.
void WalkDirectory(TReaderState& s, int32_t dirPos, int32_t base, int32_t length,
                   const TTagTable* dictionary, int dictionarySize);

// After a walk of an Exif block or a TIFF: SensorWidth from the focal plane.
void ApplySensorWidth(TReaderState& s);

// Walks a maker note as a directory against a maker's table; appends to
// MakerNoteList and leaves the maker note in ExifBuffer. Never raises: a
// maker note too short for its directory gives fewer lines or none.
void WalkMakerNoteDirectory(TReaderState& s, const std::string& makerNote,
                            const TTagTable* table, int tableSize,
                            int32_t dirOffset, int32_t makerNotePos);

} // namespace ovs
