// The tag dictionaries and the value texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ExifReader.h"
#include "MakerNotes.h"
#include "TagTables.h"
#include "ValueFormat.h"
#include "support/ImageBuilder.h"

namespace ovs {
namespace {

using test::Bytes;

TEST(TagTables, FixedDictionaries) {
    EXPECT_EQ(LookupTagIndex(0, ExifDirectoryKind), 86);
    EXPECT_STREQ(ExifTagTable[86].Name, "");
    EXPECT_EQ(LookupTagIndex(0x0112, 3), -1);
    EXPECT_EQ(LookupTagDesc(0x0112, 3), "");
    EXPECT_EQ(LookupTagDesc(0x0112, ExifDirectoryKind),
              "1:Normal,3:Rotated 180\xB0,6:CounterClockwise 90\xB0,8:Clockwise 90\xB0");
    EXPECT_STREQ(ExifTagTable[LookupTagIndex(0x1001, ExifDirectoryKind)].Name, "Related Image Width");
    EXPECT_STREQ(GpsTagTable[LookupTagIndex(0x0017, GpsDirectoryKind)].Name, "GPSDestBearingkRef");
    EXPECT_EQ(GpsTagTable[LookupTagIndex(0x0004, GpsDirectoryKind)].Code, &GpsDegreesText);
    EXPECT_EQ(LookupTagDesc(0x9209, ExifDirectoryKind), "0:Off,1:On");
    EXPECT_EQ(FindTagDesc(0x0005, NikonTagTable1, NikonTagTable1Size),
              "0:Normal,1:Bright+,2:Bright-,3:Contrast+,4:Contrast-.");
    EXPECT_NE(std::strstr(FujifilmTagTable[3].Desc, "1024:Incandenscense,"), nullptr);
    EXPECT_EQ(NikonTagTable2[13].Code, &LensInfoText);
}

TEST(TagTables, RepeatedTagsTakeTheFirstRowsNameAndTheLastRowsDesc) {
    constexpr TTagTable rows[] = {{1, "First", "1:one", nullptr}, {2, "Other", "", nullptr},
                                  {1, "Second", "1:uno", nullptr}};
    EXPECT_EQ(FindTagRow(1, rows, 3), 0);
    EXPECT_EQ(FindLastTagRow(1, rows, 3), 2);
    EXPECT_EQ(FindTagDesc(1, rows, 3), "1:uno");
    EXPECT_EQ(FindTagRow(9, rows, 3), -1);
    EXPECT_EQ(FindTagDesc(9, rows, 3), "");
}

TEST(ValueFormat, GenericTexts) {
    struct TCase {
        std::string bytes;
        int format;
        const char* desc;
        bool bigEndian;
        std::string text;
    };
    const std::vector<TCase> cases = {
        {Bytes({8, 0, 8, 0, 8, 0}), 3, "", false, "8, 8, 8"},
        {Bytes({0, 8, 0, 8}), 3, "", true, "8, 8"},
        {Bytes({0xFF}), 6, "", false, "255"},                                 // SBYTE not sign-extended
        {Bytes({0xFF, 0xFF}), 8, "", false, "65535"},                         // nor SSHORT
        {Bytes({0xFF, 0xFF, 0xFF, 0xFF}), 9, "", false, "-1"},
        {Bytes({0xFF, 0xFF, 0xFF, 0xFF}), 4, "", false, "4294967295"},        // LONG is unsigned
        {Bytes({72, 0, 0, 0, 1, 0, 0, 0}), 5, "", false, "72/1"},
        {Bytes({5, 0, 0, 0, 0, 0, 0, 0}), 5, "1:x", false, "5/0"},          // no division, no decoding
        {Bytes({0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0}), 10, "", false, "-1/2"},
        {Bytes({0, 0, 0, 0x80, 1, 0, 0, 0}), 5, "", false, "2147483648/1"},
        {Bytes({1, 2, 3, 4, 5, 6, 7, 8}), 12, "", false, "-9999.99"},
        {Bytes({1, 2, 3, 4, 5, 6, 7, 8}), 11, "", false, "-9999.99, -9999.99"},
        {Bytes({1, 2, 3}), 4, "", false, ""},                                 // too short for one item
        {Bytes({3, 0, 9}), 3, "", false, "3"},                                // trailing byte ignored
        {Bytes({1, 2}), 0, "", false, "?"},
        {Bytes({1, 2}), 13, "", false, "?"},
        {"ab", 7, "", false, "?, ?"},
        {Bytes({3, 0}), 3, "1:Normal,3:Rotated 180\xB0", false, "Rotated 180\xB0 (3)"},
        {Bytes({6, 0}), 3, "1:Average,4:MultiSpot,5:Multi,2:Center,3:Spot", false, " (6)"},
        {Bytes({1, 17}), 1, "17:Std A,1:Daylight", false, "Daylight (1), Std A (17)"},
    };
    for (const TCase& c : cases) {
        TReaderState s;
        s.BigEndianData = c.bigEndian;
        EXPECT_EQ(FormatValue(s, c.bytes, c.format, c.desc), c.text) << "format " << c.format;
    }
}

TEST(ValueFormat, DecodeValue) {
    const std::string desc = "1:One,17:Seventeen,1:Again";
    EXPECT_EQ(DecodeValue(desc, "1"), "One");
    EXPECT_EQ(DecodeValue(desc, " 17 "), "Seventeen");
    EXPECT_EQ(DecodeValue(desc, "7"), "");
    EXPECT_EQ(DecodeValue("", "1"), "");
}

TEST(ValueFormat, PrintableTextCutsAndMasksControlBytes) {
    std::string text = "a\tb" + std::string(77, 'z');
    EXPECT_EQ(PrintableText(text), "a.b" + std::string(47, 'z'));
    EXPECT_EQ(PrintableText("\x7F\xB0\x1F"), "\x7F\xB0.");
}

TEST(ValueFormat, RationalToFloat) {
    struct TCase {
        const char* text;
        double value;
    };
    const std::vector<TCase> cases = {
        {"48/1", 48}, {" 51/1", 51}, {"-3/ 4", -0.75}, {"3/0", 0}, {"abc", 0}, {"", 0}, {"1/2/3", 0},
        {"4294967295/1", 4294967295.0}, {"4294967296/1", 0}, {"1/x", 0}, {"1 /2", 0},
    };
    for (const TCase& c : cases) EXPECT_DOUBLE_EQ(RationalToFloat(c.text), c.value) << c.text;
}

TEST(ValueFormat, RenderingRoutines) {
    struct TCase {
        std::string (*code)(const std::string&);
        std::string text;
        std::string shown;
    };
    const std::vector<TCase> cases = {
        {GpsTimeText, "14/1, 7/1, 119/4", "14:7:30"},
        {GpsTimeText, "9/1, 5/1, 30/1", "9:5:30"},
        {GpsTimeText, "1/2, 3/2, 5/2", "0:2:2"},   // halves go to the even neighbour
        {GpsTimeText, "", "0:0:0"},
        {GpsDegreesText, "48/1, 51/1, 2979/100", "48.8583 Decimal Degrees"},
        {GpsDegreesText, "43/1, 28/1, 284/100", "43.4675 Decimal Degrees"},
        {GpsDegreesText, "12/1", "12.0000 Decimal Degrees"},
        {LensInfoText, "180/10, 700/10, 35/10, 45/10", "18.0-70.0(mm)  F3.5-F4.5"},
        {LensInfoText, "0/0, 0/0, 0/0, 0/0", "0.0-0.0(mm)  F0.0-F0.0"},
    };
    for (const TCase& c : cases) EXPECT_EQ(c.code(c.text), c.shown) << c.text;
}

TEST(ValueFormat, NumbersFromRawValues) {
    TReaderState s;
    EXPECT_DOUBLE_EQ(ValueToNumber(s, Bytes({0, 0, 0, 0x80}), 4), 2147483648.0);
    EXPECT_DOUBLE_EQ(ValueToNumber(s, Bytes({0, 0, 0, 0x80}), 9), -2147483648.0);
    EXPECT_DOUBLE_EQ(ValueToNumber(s, Bytes({0xFF, 0xFF}), 8), 65535.0);
    EXPECT_DOUBLE_EQ(ValueToNumber(s, Bytes({1, 0, 0, 0, 0, 0, 0, 0}), 5), 0.0);
    EXPECT_DOUBLE_EQ(ValueToNumber(s, Bytes({0xFE, 0xFF, 0xFF, 0xFF, 4, 0, 0, 0}), 10), -0.5);
    EXPECT_DOUBLE_EQ(ValueToNumber(s, Bytes({0, 0, 0x80, 0x3F}), 11), 0.0);
    EXPECT_DOUBLE_EQ(ValueToNumber(s, "12", 2), 0.0);
    s.BigEndianData = true;
    EXPECT_DOUBLE_EQ(ValueToNumber(s, Bytes({0, 1, 0, 2}), 3), 65538.0);   // both items as one number
}

// A walker reads only the start of a long value's text: the 50 bytes shown,
// or what the rendering routines take from it. Cutting the rendering there
// must leave what is shown exactly as the whole text would.
TEST(ValueFormat, CutRenderingShowsWhatTheWholeTextShows) {
    std::string rationals, wide, shorts;
    for (uint32_t i = 0; i < 200; ++i) {
        rationals += test::LittleEndian32(i * 37 + 1) + test::LittleEndian32(i % 7 + 1);
        wide += test::LittleEndian32(0xFFFFFFF0u - i) + test::LittleEndian32(0x7FFFFFFFu - i);
        shorts += test::LittleEndian16(static_cast<uint16_t>(i % 9));
    }
    struct TCase {
        std::string bytes;
        int format;
        std::string desc;
    };
    const std::vector<TCase> cases = {
        {rationals, 5, ""},  {rationals, 10, ""}, {wide, 5, ""},       {wide, 10, ""},
        {wide.substr(0, 16), 5, ""},              {shorts, 3, ""},     {shorts, 3, "1:a rather long word,8:x"},
        {shorts, 4, ""},     {wide, 12, ""},      {rationals.substr(0, 8), 5, ""},
    };
    const TTagCode codes[] = {GpsDegreesText, GpsTimeText, LensInfoText};
    TReaderState s;
    for (const TCase& c : cases) {
        const std::string whole = FormatValue(s, c.bytes, c.format, c.desc);
        EXPECT_EQ(PrintableText(FormatValue(s, c.bytes, c.format, c.desc, TTextUse::Printable)),
                  PrintableText(whole))
            << c.format << " " << c.bytes.size();
        for (TTagCode code : codes)
            EXPECT_EQ(code(FormatValue(s, c.bytes, c.format, c.desc, TTextUse::Parts)), code(whole))
                << c.format << " " << c.bytes.size();
    }
}

TEST(ValueFormat, QuotedValuesKeepTheirPartsWhenCut) {
    std::vector<std::string> values = {
        "", "plain", "1/1, 2/1, 3/1", "x, 5/1, 6/1, 7/1", "x,5/1", "ends with, ", ", 9/1, 8/1",
        std::string(500, 'a') + ", 4/1, 5/1, 6/1", "a, " + std::string(200, ' ') + "3/1",
    };
    // The closing quote joins the last part only when the cut reaches it.
    for (size_t pad = 55; pad < 72; ++pad) values.push_back("q, " + std::string(pad, '1') + "/1");
    for (size_t pad = 55; pad < 72; ++pad) values.push_back("q, 2/1, " + std::string(pad, ' ') + "7/1");
    const TTagCode codes[] = {GpsDegreesText, GpsTimeText, LensInfoText};
    for (const std::string& v : values)
        for (TTagCode code : codes)
            EXPECT_EQ(code(QuotedForParts(v, v.find(", "))), code("\"" + v + "\"")) << v;
}

} // namespace
} // namespace ovs
