// Maker-note dispatch and the maker-note walk on crafted maker notes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ExifReader.h"
#include "MakerNotes.h"
#include "support/ImageBuilder.h"

namespace ovs {
namespace {

using test::TiffBuilder;

struct TNoteEntry {
    uint16_t tag;
    uint16_t format;
    uint32_t count;
    std::string field;   // the 4-byte value field, already in the note's byte order
};

// A maker note: header bytes, the directory, then the tail bytes.
std::string MakerNote(bool bigEndian, const std::string& header, const std::vector<TNoteEntry>& entries,
                      const std::string& tail = {}) {
    const TiffBuilder b(bigEndian);
    std::string out = header + b.U16(static_cast<uint16_t>(entries.size()));
    for (const TNoteEntry& e : entries) {
        out += b.U16(e.tag) + b.U16(e.format) + b.U32(e.count) + e.field + std::string(4 - e.field.size(), '\0');
    }
    return out + b.U32(0) + tail;
}

std::vector<std::string> Lines(const std::string& list) {
    std::vector<std::string> lines;
    for (size_t at = list.find("\r\n"); at != std::string::npos;) {
        const size_t next = list.find("\r\n", at + 2);
        lines.push_back(list.substr(at + 2, next == std::string::npos ? std::string::npos : next - at - 2));
        at = next;
    }
    return lines;
}

struct TDispatchCase {
    const char* make;
    bool bigEndian;
    std::string note;
    std::vector<std::string> lines;
};

TEST(MakerNoteDispatch, MakesPickTheirTablesAndDirectories) {
    const TiffBuilder le(false);
    const TiffBuilder be(true);
    const std::string nikonHeader("Nikon\0\1\0", 8);
    const std::vector<TDispatchCase> cases = {
        {"NIKON", false, MakerNote(false, nikonHeader, {{0x0003, 3, 1, le.U16(3)}, {0x0009, 3, 1, le.U16(1)}}),
         {"Quality = Vga Fine (3)"}},
        {"nikon corporation", true, MakerNote(true, nikonHeader, {{0x0004, 3, 1, be.U16(2)}}),
         {"ColorMode = Monochrome (2)"}},
        {"NIKON", false, MakerNote(false, "", {{0x0002, 3, 1, le.U16(200)}, {0x0010, 3, 1, le.U16(1)}}),
         {"ISOSpeed = 200"}},
        {"OLYMPUS OPTICAL CO.,LTD", false,
         MakerNote(false, std::string("OLYMP\0\1\0", 8), {{0x0202, 3, 1, le.U16(1)}, {0x0202, 3, 1, le.U16(0)}}),
         {"Macro = Macro (1)", "Macro = Normal (0)"}},
        {"CASIO", true, MakerNote(true, "", {{0x000A, 4, 1, be.U32(65537)}, {0x0008, 3, 1, be.U16(1)}}),
         {"DigitalZoom = 2X Digital Zoom (65537)"}},
        {"Canon", false, MakerNote(false, "", {{0x0008, 4, 1, le.U32(1234567)}, {0x0000, 3, 1, le.U16(0)}}),
         {"ImageNumber = 1234567"}},
        {"SEIKO EPSON CORP.", false,
         MakerNote(false, std::string("EPSON\0\1\0", 8), {{0x0300, 3, 1, le.U16(1)}, {0x0F00, 3, 1, le.U16(1)}}),
         {"?? = 1"}},
        {"SANYO Electric Co.,Ltd.", false,
         MakerNote(false, std::string("SANYO\0\1\0", 8), {{0x0F00, 7, 2, "ab"}, {0x0777, 3, 1, le.U16(5)}}),
         {"DataDump = \"ab\"", "Unknown = 5"}},
    };
    for (const TDispatchCase& c : cases) {
        TReaderState s;
        s.ImageInfo.Make = c.make;
        s.ImageInfo.MakerNote = c.note;
        s.BigEndianData = c.bigEndian;
        s.MakerNotePos = 100;
        EXPECT_TRUE(DecodeMakerNote(s)) << c.make;
        EXPECT_EQ(s.DecodedMake, c.make);
        EXPECT_EQ(Lines(s.ImageInfo.MakerNoteList), c.lines) << c.make;
        EXPECT_EQ(s.ExifBuffer, c.note);
    }
}

TEST(MakerNoteDispatch, UnknownOrShortMakesDecodeNothing) {
    for (const char* make : {"NIKKO", "Panasonic", "CAN", ""}) {
        TReaderState s;
        s.ImageInfo.Make = make;
        s.ImageInfo.MakerNote = MakerNote(false, "", {{0x0001, 3, 1, "\1\0"}});
        s.ExifBuffer = "exif";
        s.DecodedMake = "earlier";
        EXPECT_FALSE(DecodeMakerNote(s)) << make;
        EXPECT_EQ(s.DecodedMake, "");
        EXPECT_EQ(s.ImageInfo.MakerNoteList, "");
        EXPECT_EQ(s.ExifBuffer, "exif");
    }
}

TEST(MakerNoteDispatch, TiffInputMovesTheMakerNotePositionForEveryMake) {
    for (const char* make : {"Panasonic", "SANYO"}) {
        TReaderState s;
        s.IsTiffInput = true;
        s.ImageInfo.Make = make;
        s.MakerNotePos = 40;
        DecodeMakerNote(s);
        EXPECT_EQ(s.MakerNotePos, 56) << make;
    }
}

TEST(MakerNoteDispatch, EmptyOrTruncatedMakerNotesOfKnownMakes) {
    const TiffBuilder le(false);
    const std::string full = MakerNote(false, "", {{0x0002, 3, 1, le.U16(1)}, {0x0003, 3, 1, le.U16(2)}});
    struct TCase {
        std::string note;
        size_t lines;
    };
    const std::vector<TCase> cases = {
        {"", 0}, {"\x05", 0}, {std::string("\xFF\xFF", 2) + full.substr(2), 2}, {full.substr(0, 25), 1},
    };
    for (const TCase& c : cases) {
        TReaderState s;
        s.ImageInfo.Make = "CASIO";
        s.ImageInfo.MakerNote = c.note;
        EXPECT_TRUE(DecodeMakerNote(s));
        EXPECT_EQ(Lines(s.ImageInfo.MakerNoteList).size(), c.lines) << c.note.size();
    }
}

TEST(MakerNoteDispatch, FujifilmIsWalkedLittleEndianWithOffsetsFromTheNote) {
    const TiffBuilder le(false);
    // "FUJIFILM", the directory offset 12, the directory, then the quality text.
    const std::string header = "FUJIFILM" + le.U32(12);
    const uint32_t textAt = static_cast<uint32_t>(header.size() + 2 + 12 * 3 + 4);
    const std::string note = MakerNote(false, header,
                                       {{0x0000, 7, 4, "0130"}, {0x1000, 2, 8, le.U32(textAt)},
                                        {0x1001, 3, 1, le.U16(3)}},
                                       std::string("NORMAL \0", 8));
    TReaderState s;
    s.ImageInfo.Make = "FUJIFILM";
    s.ImageInfo.MakerNote = note;
    s.BigEndianData = true;
    s.MakerNotePos = 5000;
    ASSERT_TRUE(DecodeMakerNote(s));
    EXPECT_EQ(Lines(s.ImageInfo.MakerNoteList),
              (std::vector<std::string>{"Version = \"0130\"", "Quality = \"NORMAL \"", "Sharpness = Normal (3)"}));
    EXPECT_TRUE(s.BigEndianData);
}

TEST(MakerNoteDispatch, LaterNikonLayoutCountsOffsetsFromTheTiffHeader) {
    const TiffBuilder be(true);
    // The maker note starts at TIFF offset 300: MakerNotePos is base 9 + 300.
    const uint32_t lensAt = 300 + 2 + 12 + 4;
    std::string lens;
    for (uint32_t v : {180u, 10u, 700u, 10u, 35u, 10u, 45u, 10u}) lens += be.U32(v);
    TReaderState s;
    s.BigEndianData = true;
    s.ImageInfo.Make = "NIKON CORPORATION";
    s.ImageInfo.MakerNote = MakerNote(true, "", {{0x0084, 5, 4, be.U32(lensAt)}}, lens);
    s.MakerNotePos = 309;
    ASSERT_TRUE(DecodeMakerNote(s));
    EXPECT_EQ(s.ImageInfo.MakerNoteList, "\r\nLens information = 18.0-70.0(mm)  F3.5-F4.5");
    s.ImageInfo.MakerNoteList.clear();
    s.DecodeValues = false;
    DecodeMakerNote(s);
    EXPECT_EQ(s.ImageInfo.MakerNoteList, "\r\nLens information = 180/10, 700/10, 35/10, 45/10");
}

} // namespace
} // namespace ovs
