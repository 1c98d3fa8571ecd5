// The directory walker on crafted Exif blocks: list lines, camera fields,
// sub-directories and hostile directories.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ExifReader.h"
#include "PathText.h"
#include "TagTables.h"
#include "ValueFormat.h"
#include "support/ImageBuilder.h"

namespace ovs {
namespace {

using test::IfdEntry;
using test::TiffBuilder;

using TIfds = std::vector<std::vector<IfdEntry>>;

// Puts the Exif APP1 of the TIFF bytes into slot 1 as the scanner does and
// runs the block's walk.
void ParseTiffBytes(TReaderState& s, const std::string& tiff) {
    const std::string section = test::ExifApp1(tiff);
    tSection& slot = s.Sections[1];
    slot.Data = section.substr(2);   // behind 0xFF 0xE1
    slot.Size = static_cast<int32_t>(slot.Data.size());
    slot.Marker = 0xE1;
    s.SectionCount = 1;
    s.ExifSection = 1;
    ParseExifBlock(s);
}

void Parse(TReaderState& s, const TiffBuilder& b, const TIfds& ifds) { ParseTiffBytes(s, b.Build(ifds)); }

std::vector<std::string> Lines(const std::string& list) {
    std::vector<std::string> lines;
    size_t at = 0;
    while ((at = list.find("\r\n", at)) != std::string::npos) {
        at += 2;
        const size_t next = list.find("\r\n", at);
        lines.push_back(list.substr(at, next == std::string::npos ? std::string::npos : next - at));
    }
    return lines;
}

IfdEntry Entry(const TiffBuilder& b, uint16_t tag, uint16_t type, uint32_t count, std::string value) {
    (void)b;
    return IfdEntry{tag, type, count, std::move(value), -1};
}

IfdEntry Shorts(const TiffBuilder& b, uint16_t tag, std::initializer_list<uint16_t> values) {
    std::string bytes;
    for (uint16_t v : values) bytes += b.U16(v);
    return IfdEntry{tag, 3, static_cast<uint32_t>(values.size()), bytes, -1};
}

class ExifWalk : public ::testing::TestWithParam<bool> {
protected:
    TiffBuilder b{GetParam()};
    TReaderState s;
};

TEST_P(ExifWalk, ValuesInTheEntryAndBehindAnOffsetAreListed) {
    Parse(s, b, {{
        Shorts(b, 0x0102, {8, 8, 8}),               // 6 bytes: behind an offset
        Shorts(b, 0x0212, {2, 1}),                  // 4 bytes: in the entry
        b.Ascii(0x010F, "abc"),                     // 4 bytes with the zero
        b.Ascii(0x0110, "Model"),
        b.Rational(0x011A, 72, 1),
        b.Short(0x0112, 6),
        Shorts(b, 0x9207, {6}),
        b.Undefined(0x9000, "0220"),
        Entry(b, 0x0131, 11, 1, b.U32(0x3F800000)),
        Entry(b, 0xBEEF, 3, 1, b.U16(7)),
    }});
    const std::vector<std::string> expected = {
        "BitsPerSample = 8, 8, 8",
        "YCbCrSubSampling = 2, 1",
        "Make = \"abc\"",
        "Model = \"Model\"",
        "XResolution = 72/1",
        "Orientation = CounterClockwise 90\xB0 (6)",
        "MeteringMode =  (6)",
        "ExifVersion = \"0220\"",
        "Software = -9999.99",
        "Unknown = 7",
    };
    EXPECT_EQ(Lines(s.ImageInfo.TagList), expected);
    EXPECT_EQ(s.ImageInfo.Make, "abc");
    EXPECT_EQ(s.ImageInfo.Model, "Model");
    EXPECT_EQ(s.ImageInfo.Status, "<none>");
    EXPECT_EQ(s.ImageInfo.Flash, 0);   // an Exif block without a flash tag
}

TEST_P(ExifWalk, QuotedGpsValuesAreSplitAtTheirOwnSeparators) {
    // Values behind offsets, one after another in the block: each is split
    // at its own first ", ", not at one of a value before it.
    Parse(s, b, {{TiffBuilder::SubIfd(0x8825, 1)},
                 {b.Undefined(0x0002, "x, 5/1, 6/1, 0/1"), b.Ascii(0x0004, "zz 1/1, 30/1, 0/1"),
                  b.Ascii(0x0007, std::string(300, 'a') + ", 4/1, 5/1"), b.Undefined(0x0014, "no separator 9/1")}});
    const std::vector<std::string> expected = {
        "GPSInfo = 26",
        "GPSLatitude = 0.0850 Decimal Degrees",
        "GPSLongitude = 0.5000 Decimal Degrees",
        "GPSTimeStamp = 0:4:0",   // the closing quote spoils the last part
        "GPSDestLatitude = 0.0000 Decimal Degrees",
    };
    EXPECT_EQ(Lines(s.ImageInfo.TagList), expected);
}

TEST_P(ExifWalk, LongTextIsCutTo50BytesWithoutClosingQuote) {
    const std::string text(60, 'x');
    Parse(s, b, {{b.Ascii(0x010E, text)}});
    EXPECT_EQ(Lines(s.ImageInfo.TagList), std::vector<std::string>{"ImageDescription = \"" + text.substr(0, 49)});
}

TEST_P(ExifWalk, TextLosesOnlyATerminatingZero) {
    // Some writers count the text without its zero; the last byte is then
    // a character of the text.
    struct Case {
        std::string stored;   // the value's bytes, count included
        std::string shown;
    } cases[] = {
        {std::string("HTC\0", 4), "HTC"},
        {"HTC", "HTC"},
        {"H", "H"},
        {std::string("\0", 1), ""},
        {std::string("Koda\0\0", 6), std::string("Koda\0", 5)},
        {"ProBack ", "ProBack "},
    };
    for (const Case& c : cases) {
        const auto count = static_cast<uint32_t>(c.stored.size());
        Parse(s, b, {{Entry(b, 0x010F, 2, count, c.stored), Entry(b, 0x0110, 2, count, c.stored),
                      Entry(b, 0x0132, 2, count, c.stored), TiffBuilder::SubIfd(0x8769, 1)},
                     {Entry(b, 0x9286, 7, count, c.stored)}});
        const TImageInfo& info = s.ImageInfo;
        const std::string& shown = c.shown;
        EXPECT_EQ(info.Make, shown) << c.stored;
        EXPECT_EQ(info.Model, shown) << c.stored;
        EXPECT_EQ(info.DateTime, std::string(TrimBlanks(shown))) << c.stored;
        EXPECT_EQ(info.UserComment, std::string(TrimBlanks(shown))) << c.stored;
        EXPECT_EQ(Lines(info.TagList).at(0), "Make = " + PrintableText("\"" + shown + "\"")) << c.stored;
    }
}

TEST_P(ExifWalk, UnsignedTermsStayPositive) {
    Parse(s, b, {{b.Long(0x0100, 0x80000000u), b.Rational(0x829A, 0x80000000u, 0x80000000u),
                  b.Rational(0x920A, 3000000000u, 100000000u)}});
    EXPECT_EQ(Lines(s.ImageInfo.TagList),
              (std::vector<std::string>{"ImageWidth = 2147483648", "ExposureTime = 2147483648/2147483648",
                                        "FocalLength = 3000000000/100000000"}));
    EXPECT_DOUBLE_EQ(s.ImageInfo.ExposureTime, 1.0);
    EXPECT_DOUBLE_EQ(s.ImageInfo.FocalLength, 30.0);
}

TEST_P(ExifWalk, CameraFieldsFollowTheirTags) {
    const std::vector<std::vector<IfdEntry>> ifds = {
        {b.Ascii(0x0132, "2001:01:01 00:00:00"), TiffBuilder::SubIfd(0x8769, 1)},
        {b.Ascii(0x9003, "  2002:02:02 10:11:12  "), b.Rational(0x9201, 8, 1), b.Rational(0x829A, 1, 60),
         b.Rational(0x9202, 4, 1), b.Rational(0x9205, 6, 1), b.Short(0x9209, 1), b.Rational(0x920A, 55, 10),
         b.Rational(0x9206, 0, 0), b.Long(0xA002, 2000), b.Short(0xA003, 1500), b.Rational(0xA20E, 4000, 1),
         b.Short(0xA210, 2), b.Undefined(0x927C, "MAKERNOTE")},
    };
    Parse(s, b, ifds);
    const TImageInfo& info = s.ImageInfo;
    EXPECT_EQ(info.DateTime, "2002:02:02 10:11:12");
    EXPECT_DOUBLE_EQ(info.ExposureTime, 1.0 / 60);   // the shutter speed came first
    EXPECT_DOUBLE_EQ(info.FNumber, 4.0);             // 2^(4/2); MaxApertureValue after it doesn't count
    EXPECT_EQ(info.Flash, 1);
    EXPECT_DOUBLE_EQ(info.FocalLength, 5.5);
    EXPECT_DOUBLE_EQ(info.SubjectDistance, 0.0);
    EXPECT_EQ(info.ImageWidth, 2000);
    EXPECT_EQ(info.ImageHeight, 1500);
    EXPECT_DOUBLE_EQ(s.FocalPlaneUnitMm, 100.0);
    EXPECT_DOUBLE_EQ(info.SensorWidth, 2000 * 100.0 / 4000);
    EXPECT_EQ(info.MakerNote, "MAKERNOTE");
    // The value sits behind the offset: base 9 plus its offset in the TIFF data.
    EXPECT_EQ(s.ExifBuffer.substr(static_cast<size_t>(s.MakerNotePos - 1), 9), "MAKERNOTE");
    EXPECT_EQ(info.WidthValuePos, static_cast<int32_t>(9 + b.IfdOffset(ifds, 1) + 2 + 12 * 8 + 8));
}

TEST_P(ExifWalk, ShutterSpeedGivesExposureTimeWhenAlone) {
    Parse(s, b, {{b.Rational(0x9201, 3, 1), b.Rational(0x9205, 3, 1)}});
    EXPECT_DOUBLE_EQ(s.ImageInfo.ExposureTime, 1.0 / 8);
    EXPECT_DOUBLE_EQ(s.ImageInfo.FNumber, std::exp2(1.5));
}

TEST_P(ExifWalk, UnlistedFocalPlaneUnitsLeaveTheUnitAtZero) {
    for (uint16_t unit : {0, 6}) {
        TReaderState t;
        Parse(t, b, {{b.Long(0xA002, 1000), b.Rational(0xA20E, 300, 1), b.Short(0xA210, unit)}});
        EXPECT_DOUBLE_EQ(t.FocalPlaneUnitMm, 0.0) << unit;
        EXPECT_DOUBLE_EQ(t.ImageInfo.SensorWidth, 0.0) << unit;
    }
}

TEST_P(ExifWalk, SubDirectoryLinesFollowTheirPointerAndLoopsAreWalkedOnce) {
    // IFD0 -> Exif -> Interop, the interop directory pointing back at IFD0 and
    // a GPS pointer at the Exif directory, as real files have them.
    const TIfds ifds = {
        {b.Ascii(0x010F, "Make"), TiffBuilder::SubIfd(0x8769, 1), TiffBuilder::SubIfd(0x8825, 1),
         b.Ascii(0x0110, "Model")},
        {b.Short(0xA001, 1), TiffBuilder::SubIfd(0xA005, 2)},
        {b.Ascii(0x0001, "R98"), TiffBuilder::SubIfd(0xA005, 0)},
    };
    Parse(s, b, ifds);
    const std::string exif = std::to_string(b.IfdOffset(ifds, 1));
    const std::vector<std::string> expected = {
        "Make = \"Make\"", "ExifOffset = " + exif, "ColorSpace = sRGB (1)",
        "InteroperabilityOffset = " + std::to_string(b.IfdOffset(ifds, 2)), "InteroperabilityIndex = \"R98\"",
        "InteroperabilityOffset = 8", "GPSInfo = " + exif, "Model = \"Model\"",
    };
    EXPECT_EQ(Lines(s.ImageInfo.TagList), expected);
}

TEST_P(ExifWalk, BrokenGpsDirectoryEndsOnlyItself) {
    Parse(s, b, {{b.Ascii(0x010F, "Make"), b.Long(0x8825, 0x7FFFFFF0u), b.Long(0x8769, 0xFFFFFF00u),
                  b.Ascii(0x0110, "Model")}});
    EXPECT_EQ(s.ImageInfo.Model, "Model");
    EXPECT_EQ(Lines(s.ImageInfo.TagList).size(), 4u);
}

TEST_P(ExifWalk, HostileCountsReadNothingOutsideTheData) {
    Parse(s, b, {{
        Entry(b, 0x011A, 5, 0x40000000u, b.U32(0)),   // 2^33 bytes: the product doesn't fit
        Entry(b, 0x011B, 5, 0xFFFFFFFFu, b.U32(0)),   // negative count
        Entry(b, 0x0128, 99, 5, b.U32(0x01020304)),   // unknown format
        Entry(b, 0x0131, 2, 1000, b.U32(0x100)),      // text running past the end
        b.Ascii(0x0110, "M"),
    }});
    const std::vector<std::string> lines = Lines(s.ImageInfo.TagList);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "XResolution = ");
    EXPECT_EQ(lines[1], "YResolution = ");
    EXPECT_EQ(lines[2], "ResolutionUnit = ?");
    EXPECT_EQ(lines[3], "Software = \"\"");
    EXPECT_EQ(lines[4], "Model = \"M\"");
}

TEST_P(ExifWalk, DirectoryRunningPastTheDataStopsAtTheFirstMissingEntry) {
    std::string tiff = b.Build({{b.Short(0x0112, 1), b.Short(0x0128, 2), b.Short(0x0213, 1)}});
    tiff = tiff.substr(0, 8) + b.U16(500) + tiff.substr(10, 12 * 2);   // two entries kept, 500 claimed
    ParseTiffBytes(s, tiff);
    EXPECT_EQ(s.ImageInfo.Status, "Illegally sized directory");
    EXPECT_EQ(Lines(s.ImageInfo.TagList),
              (std::vector<std::string>{"Orientation = Normal (1)", "ResolutionUnit = Inch (2)"}));
}

TEST_P(ExifWalk, TagNumbersAndSizesWhenAsked) {
    s.ShowTagNumbers = 1;
    s.DecodeValues = false;
    Parse(s, b, {{b.Short(0x0112, 3), b.Rational(0x011A, 72, 1)}});
    EXPECT_EQ(s.ImageInfo.TagList,
              "\r\ntag[$0112]: Orientation = 3 (size: 2)\r\ntag[$011A]: XResolution = 72/1 (size: 8)");
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, ExifWalk, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "BigEndian" : "LittleEndian"; });

TEST(ExifBlock, HeaderChecks) {
    struct TCase {
        std::string data;
        std::string status;
    };
    const std::vector<TCase> cases = {
        {std::string("\0\x10" "Exix\0\0II*\0\x08\0\0\0", 16), "Incorrect Exif header"},
        {std::string("\0\x10" "Exif\0\0IM*\0\x08\0\0\0", 16), "Invalid Exif alignment marker"},
        {std::string("\0\x05" "Exi", 5), "Incorrect Exif header"},
        {std::string("\0\x08" "Exif\0\0", 8), "Invalid Exif alignment marker"},
    };
    for (const TCase& c : cases) {
        TReaderState s;
        s.ImageInfo.TagList = "\r\nearlier = 1";
        s.Sections[1].Data = c.data;
        s.Sections[1].Size = static_cast<int32_t>(c.data.size());
        s.ExifSection = 1;
        ParseExifBlock(s);
        EXPECT_EQ(s.ImageInfo.Status, c.status);
        EXPECT_EQ(s.ImageInfo.TagList, "\r\nearlier = 1");
    }
}

TEST(ExifBlock, BlockTooShortForItsFirstDirectoryIsAnError) {
    TReaderState s;
    s.Sections[1].Data = std::string("\0\x0C" "Exif\0\0II*\0", 12);
    s.Sections[1].Size = 12;
    s.ExifSection = 1;
    EXPECT_THROW(ParseExifBlock(s), EExifFormatError);
    EXPECT_EQ(s.WalkDepth, 0);
}

TEST(ExifBlock, LongPointerChainIsCut) {
    // 50,000 directories, each one entry pointing at the next; walked the way
    // the TIFF path walks its window.
    constexpr int chain = 50000;
    TReaderState s;
    s.BigEndianData = false;
    for (int i = 0; i < chain; ++i) {
        const uint32_t next = static_cast<uint32_t>((i + 1) * 14);
        s.ExifBuffer += test::LittleEndian16(1) + test::LittleEndian16(0x8769) + test::LittleEndian16(4) +
                        test::LittleEndian32(1) + test::LittleEndian32(next);
    }
    WalkDirectory(s, 1, 1, static_cast<int32_t>(s.ExifBuffer.size()), ExifTagTable, ExifTagTableSize);
    EXPECT_EQ(Lines(s.ImageInfo.TagList).size(), static_cast<size_t>(MaxWalkDepth + 1));
    EXPECT_EQ(s.WalkDepth, 0);
}

TEST(ExifBlock, OverlappingDirectoriesListNoMoreEntriesThanTheBufferHolds) {
    // One directory of 200 pointer entries, each pointing 12 bytes further
    // into the same directory: every sub-directory re-reads the entries after
    // it. Walked naively that lists thousands of lines from 2.4 KB.
    constexpr int entries = 200;
    TReaderState s;
    s.BigEndianData = false;
    s.ExifBuffer = test::LittleEndian16(entries);
    for (int i = 0; i < entries; ++i) {
        const uint32_t next = static_cast<uint32_t>(2 + 12 * (i + 1));
        s.ExifBuffer += test::LittleEndian16(0x8769) + test::LittleEndian16(4) + test::LittleEndian32(1) +
                        test::LittleEndian32(next);
    }
    WalkDirectory(s, 1, 1, static_cast<int32_t>(s.ExifBuffer.size()), ExifTagTable, ExifTagTableSize);
    const size_t lines = Lines(s.ImageInfo.TagList).size();
    EXPECT_GE(lines, static_cast<size_t>(entries));
    EXPECT_LE(lines, s.ExifBuffer.size() / 12);
    EXPECT_EQ(s.WalkDepth, 0);
}

} // namespace
} // namespace ovs
