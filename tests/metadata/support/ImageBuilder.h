// Byte builders for crafted test images: JPEG marker sections, APP1 Exif
// blocks, TIFF structures with their directories, Photoshop/IPTC APP13
// sections, and a scratch folder that removes itself.
//
// Every builder returns the bytes as a std::string (raw bytes, no terminator),
// the same representation the reader uses for section data.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace ovs::test {

// ---- plain bytes --------------------------------------------------------

// Bytes from a list of values: Bytes({0xFF, 0xD8}).
std::string Bytes(std::initializer_list<int> values);
std::string BigEndian16(uint16_t v);
std::string BigEndian32(uint32_t v);
std::string LittleEndian16(uint16_t v);
std::string LittleEndian32(uint32_t v);

// ---- JPEG ---------------------------------------------------------------

// One marker section: 0xFF, the marker, the 16-bit big-endian length
// (payload size + 2) and the payload. The payload must fit in 65533 bytes.
std::string Segment(uint8_t marker, std::string_view payload);

// A marker section with an arbitrary length field (for lengths that lie):
// 0xFF, marker, the given 16-bit length, then the payload as given.
std::string SegmentWithLength(uint8_t marker, uint16_t length, std::string_view payload);

// Start of image followed by the given pieces, concatenated as they are.
std::string Jpeg(std::initializer_list<std::string> pieces);

// A complete APP1 Exif section: "Exif\0\0" followed by the TIFF bytes.
std::string ExifApp1(std::string_view tiff);

// A start-of-scan section and a few bytes of entropy-coded data with an end
// of image, so that a scanner that read past the scan would notice.
std::string ScanAndImageData();

// ---- TIFF / Exif directories -------------------------------------------

// One directory entry. `value` holds the raw value bytes, already in the
// builder's byte order (use the builder's U16/U32 helpers); values of more
// than four bytes are placed after the directory and referenced by offset.
// When subIfd >= 0 the entry's value is the offset of directory number
// subIfd of the same Build call (type LONG, count 1).
struct IfdEntry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    std::string value;
    int subIfd = -1;
};

class TiffBuilder {
public:
    explicit TiffBuilder(bool bigEndian) : BigEndian(bigEndian) {}

    std::string U16(uint16_t v) const;
    std::string U32(uint32_t v) const;

    // Common entries.
    IfdEntry Ascii(uint16_t tag, std::string_view text) const;   // adds the NUL
    IfdEntry Short(uint16_t tag, uint16_t v) const;
    IfdEntry Long(uint16_t tag, uint32_t v) const;
    IfdEntry Rational(uint16_t tag, uint32_t num, uint32_t den) const;
    IfdEntry Undefined(uint16_t tag, std::string_view bytes) const;
    static IfdEntry SubIfd(uint16_t tag, int ifdIndex);

    // The TIFF bytes: "II"/"MM", 42, the offset 8, then directory 0 at
    // offset 8, its out-of-line values, directory 1, its values, and so on.
    // Each directory ends with a zero next-directory link. All offsets count
    // from the first byte of the returned string (the TIFF header).
    std::string Build(const std::vector<std::vector<IfdEntry>>& ifds) const;

    // Offset at which directory `index` starts in Build(ifds).
    uint32_t IfdOffset(const std::vector<std::vector<IfdEntry>>& ifds, int index) const;

    bool BigEndian;
};

// ---- IPTC / APP13 -------------------------------------------------------

// One IPTC dataset: 0x1C, record, dataset, 16-bit big-endian length, value.
std::string IptcDataset(uint8_t record, uint8_t dataset, std::string_view value);

// The APP13 payload of a Photoshop file: "Photoshop 3.0\0", then one "8BIM"
// resource 0x0404 (empty name, 32-bit size, data padded to even length).
std::string PhotoshopIptcPayload(std::string_view iptc);

// A complete APP13 section holding the given IPTC datasets.
std::string IptcApp13(std::string_view iptc);

// ---- files --------------------------------------------------------------

// A fresh folder under the system temporary folder, named after the running
// test, removed with everything in it when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return Root; }
    // Writes the bytes to a file of that name in the folder; returns its
    // path as the reader takes it (a narrow string).
    std::string Write(const std::string& name, std::string_view bytes) const;

private:
    std::filesystem::path Root;
};

// The path of a corpus file, from OVS_CORPUS_DIR.
std::string CorpusFile(const std::string& name);

} // namespace ovs::test
