// The file entry of the reader: extension rules, file facts, the JPEG section
// table and the TIFF window, on files crafted in each test.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <memory>
#include <cstring>
#include <fstream>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "BufferedFile.h"
#include "JpegScanner.h"
#include "support/ImageBuilder.h"

namespace ovs {
namespace {

using test::Bytes;
using test::Jpeg;
using test::Segment;

const char* const NotExif = "Not an EXIF file";
const char* const Illegal = "Illegal Exif construction";

std::string Dqt() { return Segment(0xDB, std::string(65, '\x01')); }
std::string Dht() { return Segment(0xC4, std::string(29, '\x02')); }
std::string Sof() { return Segment(0xC0, Bytes({8, 0, 16, 0, 16, 1, 1, 0x11, 0})); }
std::string Com(const std::string& text) { return Segment(0xFE, text); }
std::string Jfif() { return Segment(0xE0, std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14)); }
std::string Xmp() { return Segment(0xE1, "http://ns.adobe.com/xap/1.0/\0<x/>"); }
std::string App13(const std::string& caption) {
    return test::IptcApp13(test::IptcDataset(2, 120, caption));
}
std::string Exif(bool bigEndian = false) {
    test::TiffBuilder b(bigEndian);
    return test::ExifApp1(b.Build({{b.Ascii(0x010F, "Cam"), b.Ascii(0x0110, "Model 1")}}));
}

class Scanner : public ::testing::Test {
protected:
    std::unique_ptr<TReaderState> state = std::make_unique<TReaderState>();
    TReaderState& s = *state;
    test::ScratchDir dir;

    void Read(const std::string& name, const std::string& bytes) { ReadImageFile(s, dir.Write(name, bytes)); }

    std::vector<int> Markers() const {
        std::vector<int> m;
        for (int i = 1; i <= s.SectionCount; ++i) m.push_back(s.Sections[i].Marker);
        return m;
    }
};

TEST_F(Scanner, ExtensionDecidesHowAFileIsRead) {
    const std::string jpeg = Jpeg({Com("hello"), test::ScanAndImageData()});
    struct Case {
        const char* name;
        const char* status;
    } cases[] = {
        {"a.jpg", "<none>"},   {"b.JPG", "<none>"},  {"c.JpG", "<none>"},  {"d.jpeg", NotExif},
        {"e.jpe", NotExif},    {"f.jfif", NotExif},  {"g.tiff", NotExif},  {"h", NotExif},
        {"i.jpg.txt", NotExif}, {"j.tif", NotExif},   // a TIFF read of JPEG bytes
    };
    for (const auto& c : cases) {
        Read(c.name, jpeg);
        EXPECT_EQ(s.ImageInfo.Status, c.status) << c.name;
        EXPECT_EQ(s.CommentSection, std::string(c.status) == "<none>" ? 1 : -1) << c.name;
    }
}

TEST_F(Scanner, ExtensionIsTakenFromTheFileNameOnly) {
    EXPECT_FALSE(HasExtension("C:\\photos.jpg\\image", ".jpg"));
    EXPECT_FALSE(HasExtension("/photos.jpg/image", ".jpg"));
    EXPECT_FALSE(HasExtension("C:photo.jpg\\", ".jpg"));
    EXPECT_TRUE(HasExtension("/a/IMG.0001.JPG", ".jpg"));
    EXPECT_TRUE(HasExtension("/a/image.", "."));
    EXPECT_FALSE(HasExtension("/a/image.jpeg", ".jpg"));
}

TEST_F(Scanner, MissingFileLeavesTheResetRecord) {
    s.ImageInfo.Make = "left over";
    ReadImageFile(s, (dir.Path() / "missing.jpg").string());
    EXPECT_EQ(s.ImageInfo.Status, "<none>");
    EXPECT_EQ(s.ImageInfo.FileName, "");
    EXPECT_EQ(s.ImageInfo.FileSize, -1);
    EXPECT_EQ(s.ImageInfo.FileDate, 0);
    EXPECT_EQ(s.ImageInfo.Make, "");
    EXPECT_EQ(s.IptcSection, -1);
}

TEST_F(Scanner, FolderIsFoundButNotRead) {
    std::filesystem::create_directory(dir.Path() / "album.jpg");
    const std::string path = (dir.Path() / "album.jpg").string();
    ReadImageFile(s, path);
#ifdef _WIN32
    // The portable look-up finds what it can open, and a folder it can't.
    EXPECT_EQ(s.ImageInfo.FileName, "");
#else
    EXPECT_EQ(s.ImageInfo.FileName, path);
#endif
    EXPECT_EQ(s.ImageInfo.Status, "<none>");
}

TEST_F(Scanner, FileFactsComeFromTheDirectory) {
    // The last-write time as local time, the way a user sees it; to the
    // minute, read before the write and after the read, since the two may
    // straddle a minute.
    const auto localMinute = [] {
        const std::time_t now = std::time(nullptr);
        const std::tm local = *std::localtime(&now);
        char text[32];
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M", &local);
        return std::string(text);
    };
    const std::string bytes = Jpeg({Com("x"), test::ScanAndImageData()});
    const std::string before = localMinute();
    const std::string path = dir.Write("facts.jpg", bytes);
    ReadImageFile(s, path);
    const std::string after = localMinute();
    EXPECT_EQ(s.ImageInfo.FileName, path);
    EXPECT_EQ(s.ImageInfo.FileSize, static_cast<int32_t>(bytes.size()));
#ifdef _WIN32
    // The portable look-up on Windows has no date; a host installs its own.
    (void)before;
    (void)after;
    EXPECT_EQ(s.ImageInfo.FileDate, 0);
#else
    const std::string minute = FormatDateTime(s.ImageInfo.FileDate).substr(0, 16);
    EXPECT_TRUE(minute == before || minute == after) << minute << " is neither " << before << " nor " << after;
#endif
}

#ifndef _WIN32
TEST_F(Scanner, FileDatesPastTheShownYearsAreUnknown) {
    // tmpfs keeps any 64-bit time, as a copy from another system may set it.
    const std::filesystem::path shm = "/dev/shm";
    if (!std::filesystem::is_directory(shm)) GTEST_SKIP() << "no tmpfs at /dev/shm";
    const std::filesystem::path file = shm / ("ovs-date-" + std::to_string(::getpid()) + ".jpg");
    std::ofstream(file, std::ios::binary) << Jpeg({Com("x"), test::ScanAndImageData()});
    // The middle of a year, whatever the zone.
    const auto midYear = [](int64_t year) { return (year - 1970) * 31556952 + 31556952 / 2; };
    struct Case {
        int64_t seconds;
        const char* shown;   // the date as FormatDateTime gives it; "" when unknown
    } cases[] = {
        {midYear(2147484600), ""},   // a year an int holds only without the 1900
        {midYear(2147480000), ""},
        {midYear(-5000), ""},
        {midYear(9999), "9999-"},
        {midYear(2001), "2001-"},
    };
    for (const Case& c : cases) {
        const timespec times[2] = {{static_cast<time_t>(c.seconds), 0}, {static_cast<time_t>(c.seconds), 0}};
        struct stat st;
        if (::utimensat(AT_FDCWD, file.c_str(), times, 0) != 0 || ::stat(file.c_str(), &st) != 0 ||
            st.st_mtim.tv_sec != c.seconds) {
            ADD_FAILURE() << "tmpfs did not keep " << c.seconds;
            continue;
        }
        ReadImageFile(s, file.string());
        const std::string shown = FormatDateTime(s.ImageInfo.FileDate);
        EXPECT_EQ(shown.substr(0, std::strlen(c.shown)), c.shown) << c.seconds;
        if (!*c.shown) {
            EXPECT_EQ(s.ImageInfo.FileDate, 0) << c.seconds;
        }
    }
    std::filesystem::remove(file);
}
#endif

TEST_F(Scanner, OnlyAnExifBlockSetsTheFlashRecord) {
    test::TiffBuilder b(false);
    const std::string flash16 = test::ExifApp1(b.Build({{b.Short(0x9209, 16)}}));
    const std::string badOrder = Segment(0xE1, std::string("Exif\0\0XX", 8));
    struct Case {
        const char* name;
        std::string bytes;
        int32_t flash;
    } cases[] = {
        {"XMP after the Exif block", Jpeg({flash16, Xmp(), test::ScanAndImageData()}), 16},
        {"XMP before the Exif block", Jpeg({Xmp(), flash16, test::ScanAndImageData()}), 16},
        {"XMP only", Jpeg({Xmp(), test::ScanAndImageData()}), -1},
        {"no APP1", Jpeg({Com("x"), test::ScanAndImageData()}), -1},
        {"no byte order", Jpeg({badOrder, test::ScanAndImageData()}), -1},
        {"Exif block without flash tag", Jpeg({Exif(), Xmp(), test::ScanAndImageData()}), 0},
    };
    for (const Case& c : cases) {
        ReadImageFile(s, dir.Write("flash.jpg", c.bytes));
        EXPECT_EQ(s.ImageInfo.Flash, c.flash) << c.name;
    }
}

TEST_F(Scanner, DateTimesAreFormattedFromTheirDayCount) {
    struct Case {
        double value;
        const char* text;
    } cases[] = {
        {0, "1899-12-30T00:00:00"},          {2.5, "1900-01-01T12:00:00"},
        {36526.75, "2000-01-01T18:00:00"},   {45000 + 0.99998, "2023-03-15T23:59:58"},
        {45000.9999999, "2023-03-16T00:00:00"}, {60.0, "1900-02-28T00:00:00"},
        {NAN, ""},                           {1e300, ""},
        // The range holds for the second shown, after rounding.
        {2958465 + 86399.4 / 86400, "9999-12-31T23:59:59"}, {2958465 + 86399.6 / 86400, ""},
        {-693593 - 0.4 / 86400, "0001-01-01T00:00:00"},      {-693593 - 0.6 / 86400, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.value), c.text) << c.value;
}

struct SectionCase {
    const char* name;
    std::string bytes;
    const char* status;
    std::vector<int> markers;   // of the stored slots 1..SectionCount
    int exif, comment, iptc;
};

void PrintTo(const SectionCase& c, std::ostream* os) { *os << c.name; }

class SectionTable : public Scanner, public ::testing::WithParamInterface<SectionCase> {};

TEST_P(SectionTable, HoldsTheKeptSections) {
    const SectionCase& c = GetParam();
    Read("case.jpg", c.bytes);
    EXPECT_EQ(s.ImageInfo.Status, c.status);
    EXPECT_EQ(Markers(), c.markers);
    EXPECT_EQ(s.ExifSection, c.exif);
    EXPECT_EQ(s.CommentSection, c.comment);
    EXPECT_EQ(s.IptcSection, c.iptc);
    for (int i = 1; i <= s.SectionCount; ++i) {
        const tSection& sec = s.Sections[i];
        ASSERT_EQ(sec.Data.size(), static_cast<size_t>(sec.Size)) << "slot " << i;
        EXPECT_EQ((static_cast<unsigned char>(sec.Data[0]) << 8) | static_cast<unsigned char>(sec.Data[1]), sec.Size);
    }
}

std::string ManySections() {
    // 19 tables, a comment in slot 20, then an APP13 that is never reached;
    // APP0 and a late APP1 in between take no slot.
    std::string body;
    for (int i = 0; i < 19; ++i) body += (i == 5 ? Jfif() : "") + (i == 7 ? Xmp() : "") + Dqt();
    body += Com("20th") + Dqt() + Dqt() + App13("too late") + Dqt() + Dqt();
    return Jpeg({body});
}

const std::vector<int> TwentySlots = [] {
    std::vector<int> m(19, 0xDB);
    m.push_back(0xFE);
    return m;
}();

INSTANTIATE_TEST_SUITE_P(
    Jpegs, SectionTable,
    ::testing::Values(
        SectionCase{"TablesOnly", Jpeg({Dqt(), Dht(), Sof(), test::ScanAndImageData()}), NotExif,
                    {0xDB, 0xC4, 0xC0, 0xDA}, -1, -1, -1},
        SectionCase{"JfifThenExif", Jpeg({Jfif(), Exif(), Dqt(), test::ScanAndImageData()}), "<none>",
                    {0xE1, 0xDB, 0xDA}, 1, -1, -1},
        SectionCase{"App1InSlot3IsDiscarded", Jpeg({Dqt(), Dht(), Exif(), Com("c"), test::ScanAndImageData()}),
                    "<none>", {0xDB, 0xC4, 0xFE, 0xDA}, -1, 3, -1},
        SectionCase{"SecondApp1InSlot2Replaces", Jpeg({Exif(), Xmp(), Dqt(), test::ScanAndImageData()}), "<none>",
                    {0xE1, 0xE1, 0xDB, 0xDA}, 2, -1, -1},
        SectionCase{"TwentySectionsAtMost", ManySections(), "<none>", TwentySlots, -1, 20, -1},
        SectionCase{"TwoApp13", Jpeg({App13("one"), Dqt(), App13("two"), test::ScanAndImageData()}), "<none>",
                    {0xED, 0xDB, 0xED, 0xDA}, -1, -1, 3},
        SectionCase{"FillBytesBeforeMarker", Jpeg({Bytes({0xFF, 0xFF}), Exif(), test::ScanAndImageData()}),
                    "<none>", {0xE1, 0xDA}, 1, -1, -1},
        SectionCase{"MarkerWithoutPrefix", Jpeg({Dqt(), Com("x").substr(1), test::ScanAndImageData()}), "<none>",
                    {0xDB, 0xFE, 0xDA}, -1, 2, -1},
        SectionCase{"EndOfImageStops", Jpeg({Com("c"), Bytes({0xFF, 0xD9, 0, 2}), App13("after")}), "<none>",
                    {0xFE, 0xD9}, -1, 1, -1},
        SectionCase{"ScanDataIsNeverRead", Jpeg({Dqt(), test::ScanAndImageData(), App13("after")}), NotExif,
                    {0xDB, 0xDA}, -1, -1, -1},
        SectionCase{"CutInsideApp13Payload", Jpeg({Com("c"), App13("caption").substr(0, 20)}), "<none>",
                    {0xFE, 0xED}, -1, 1, -1},
        SectionCase{"CutAfterCompleteApp13", Jpeg({Dqt(), App13("caption")}), Illegal, {0xDB, 0xED}, -1, -1, 2},
        SectionCase{"CutInsideLength", Jpeg({Com("c"), Bytes({0xFF, 0xDB, 0x00})}), Illegal, {0xFE}, -1, 1, -1},
        SectionCase{"LengthBelowTwo", Jpeg({Com("c"), Bytes({0xFF, 0xDB, 0x00, 0x01, 0x41, 0x42})}), Illegal,
                    {0xFE}, -1, 1, -1},
        SectionCase{"LengthZero", Jpeg({Bytes({0xFF, 0xFE, 0x00, 0x00})}), Illegal, {}, -1, -1, -1},
        SectionCase{"EmptyFile", "", Illegal, {}, -1, -1, -1},
        SectionCase{"OneByte", Bytes({0xFF}), Illegal, {}, -1, -1, -1},
        SectionCase{"WrongStart", Bytes({0xFF, 0xD9, 0xFF, 0xFE, 0, 3, 'x'}), NotExif, {}, -1, -1, -1},
        SectionCase{"OnlyStartOfImage", Bytes({0xFF, 0xD8}), Illegal, {}, -1, -1, -1}),
    [](const auto& info) { return info.param.name; });

TEST_F(Scanner, CutPayloadKeepsItsDeclaredLength) {
    const std::string app13 = App13("a caption long enough");
    Read("cut.jpg", Jpeg({app13.substr(0, 12)}));
    ASSERT_EQ(s.SectionCount, 1);
    const tSection& sec = s.Sections[1];
    EXPECT_EQ(sec.Size, static_cast<int32_t>(app13.size() - 2));
    EXPECT_EQ(sec.Data.size(), app13.size() - 2);
    EXPECT_EQ(sec.Data.substr(0, 10), app13.substr(2, 10));
}

TEST_F(Scanner, SectionsOfAnEarlierFileDoNotCarryOver) {
    Read("first.jpg", Jpeg({Com("c"), Dqt(), test::ScanAndImageData()}));
    ASSERT_EQ(s.SectionCount, 3);
    for (const char* name : {"missing.jpg", "other.png"}) {
        if (std::string(name) == "other.png") Read(name, "not an image");
        else ReadImageFile(s, (dir.Path() / name).string());
        EXPECT_EQ(s.SectionCount, 0) << name;
        EXPECT_EQ(s.CommentSection, -1) << name;
    }
}

TEST_F(Scanner, SectionsSpanningBufferRefillsArriveWhole) {
    // Three large sections put the buffer edges inside payloads, lengths and
    // markers; every payload must arrive byte for byte.
    std::vector<std::string> payloads;
    std::string body;
    for (int i = 0; i < 5; ++i) {
        std::string p(i == 2 ? 65533 : 30001 + i, '\0');
        for (size_t j = 0; j < p.size(); ++j) p[j] = static_cast<char>((j * 7 + i) & 0xFF);
        payloads.push_back(p);
        body += Segment(static_cast<uint8_t>(0xE2 + i), p);
    }
    Read("big.jpg", Jpeg({body, Com("end"), test::ScanAndImageData()}));
    ASSERT_EQ(s.SectionCount, 7);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(s.Sections[i + 1].Data.substr(2), payloads[i]) << i;
    EXPECT_EQ(s.CommentSection, 6);
    EXPECT_EQ(s.Sections[6].Data.substr(2), "end");
}

TEST(BufferedFile, ReadsInAnyPatternWhatTheFileHolds) {
    test::ScratchDir dir;
    std::string bytes(3 * TBufferedFile::BufferSize + 123, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 >> 3);
    const std::string path = dir.Write("data.bin", bytes);
    // Each pattern: a list of (kind, count) steps; 0 read bytes, 1 read, 2 skip.
    const std::vector<std::vector<std::pair<int, size_t>>> patterns = {
        {{1, bytes.size() + 10}},
        {{0, 5}, {1, 2 * TBufferedFile::BufferSize}, {0, 3}, {1, bytes.size()}},
        {{2, TBufferedFile::BufferSize - 1}, {0, 2}, {1, 100}, {2, bytes.size()}},
        {{1, TBufferedFile::BufferSize}, {1, TBufferedFile::BufferSize + 1}, {0, bytes.size()}},
    };
    for (size_t p = 0; p < 2 * patterns.size(); ++p) {
        // Each pattern from the file, then from the same bytes in memory.
        TBufferedFile f;
        if (p < patterns.size())
            ASSERT_TRUE(f.Open(path));
        else
            f.OpenBytes(bytes);
        std::string got;
        for (const auto& [kind, count] : patterns[p % patterns.size()]) {
            if (kind == 0) {
                uint8_t b;
                for (size_t i = 0; i < count && f.ReadByte(b); ++i) got += static_cast<char>(b);
            } else if (kind == 1) {
                std::string chunk(count, '\0');
                chunk.resize(f.Read(chunk.data(), count));
                got += chunk;
            } else {
                // Skipped bytes are taken as read right, so positions line up.
                got += bytes.substr(got.size(), f.Skip(count));
            }
        }
        EXPECT_EQ(got.size(), bytes.size()) << p;
        EXPECT_TRUE(got == bytes) << p;
        uint8_t b;
        EXPECT_FALSE(f.ReadByte(b)) << p;
    }
    TBufferedFile missing;
    EXPECT_FALSE(missing.Open((dir.Path() / "none.bin").string()));
}

// ---- TIFF -----------------------------------------------------------------

std::string Tiff(bool bigEndian, size_t size, uint32_t ifdOffset = 8) {
    test::TiffBuilder b(bigEndian);
    std::string t = b.Build({{b.Ascii(0x010F, "Scanner"), b.Ascii(0x0110, "Flatbed")}});
    t.replace(4, 4, b.U32(ifdOffset));
    t.resize(size, '\0');
    return t;
}

TEST_F(Scanner, TiffWindowMustBeComplete) {
    struct Case {
        const char* name;
        std::string bytes;
        const char* status;
        const char* make;
    } cases[] = {
        {"short.tif", Tiff(false, 2049), Illegal, ""},
        {"exact.tif", Tiff(false, 2050), "<none>", "Scanner"},
        {"motorola.tif", Tiff(true, 4000), "<none>", "Scanner"},
        {"elsewhere.tif", Tiff(false, 3000, 2500), "<none>", ""},   // walked at 2500: no entries there
        {"badorder.tif", "XX" + Tiff(false, 3000).substr(2), NotExif, ""},
        {"empty.tif", "", Illegal, ""},
        {"one.tif", "I", Illegal, ""},
        {"upper.TIF", Tiff(false, 2050), "<none>", "Scanner"},
        {"long.tiff", Tiff(false, 2050), NotExif, ""},
    };
    for (const auto& c : cases) {
        Read(c.name, c.bytes);
        EXPECT_EQ(s.ImageInfo.Status, c.status) << c.name;
        EXPECT_EQ(s.ImageInfo.Make, c.make) << c.name;
    }
}

// TIFF data whose first directory (Make "AtEight") follows the header and
// another one (Make "Moved") starts at dirAt, each with its value behind it;
// the header names offset. Zeros fill it up to size bytes.
std::string TwoFirstDirectories(uint32_t offset, uint32_t dirAt, size_t size) {
    test::TiffBuilder b(false);
    const auto directory = [&](uint32_t at, const std::string& make) {
        return b.U16(1) + b.U16(0x010F) + b.U16(2) + b.U32(static_cast<uint32_t>(make.size() + 1)) + b.U32(at + 18) +
               b.U32(0) + make + '\0';
    };
    std::string t = "II" + b.U16(42) + b.U32(offset) + directory(8, "AtEight");
    t.resize(dirAt, '\0');
    t += directory(dirAt, "Moved");
    t.resize(size, '\0');
    return t;
}

TEST_F(Scanner, FirstDirectoryIsWalkedWhereTheHeaderPutsIt) {
    // Offsets below 8 or whose entry count is not inside the data keep the
    // directory behind the header. "end" rows count from the data's end.
    enum From { Start, End };
    const struct {
        const char* What;
        int64_t Offset;
        From OffsetFrom;
        int64_t DirAt;
        From DirFrom;
        const char* Make;
    } cases[] = {
        {"right behind the header", 8, Start, 100, Start, "AtEight"},
        {"elsewhere", 100, Start, 100, Start, "Moved"},
        {"odd", 101, Start, 101, Start, "Moved"},
        {"near the end", -40, End, -40, End, "Moved"},
        {"zero", 0, Start, 100, Start, "AtEight"},
        {"into the header", 4, Start, 100, Start, "AtEight"},
        {"past the end", 0, End, 100, Start, "AtEight"},
        {"on the last byte", -1, End, 100, Start, "AtEight"},
        {"past 2 GiB", 0xFFFFFFF0, Start, 100, Start, "AtEight"},
    };
    // The TIFF is long enough for a complete window behind the header.
    for (const size_t size : {size_t{200}, size_t{3000}}) {
        const bool tiff = size > 2050;
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.What) + (tiff ? " (TIFF)" : " (Exif block)"));
            const auto at = [&](int64_t n, From from) { return static_cast<uint32_t>(from == End ? size + n : n); };
            const std::string data = TwoFirstDirectories(at(c.Offset, c.OffsetFrom), at(c.DirAt, c.DirFrom), size);
            if (tiff)
                Read("scan.tif", data);
            else
                Read("photo.jpg", Jpeg({test::ExifApp1(data), test::ScanAndImageData()}));
            EXPECT_EQ(s.ImageInfo.Status, "<none>");
            EXPECT_EQ(s.ImageInfo.Make, c.Make);
        }
    }
}

TEST_F(Scanner, TiffWindowIsSlotOneAndTheExifBuffer) {
    Read("photo.jpg", Jpeg({Exif(), test::ScanAndImageData()}));
    const std::string tiff = Tiff(true, 2600);
    Read("scan.tif", tiff);
    EXPECT_TRUE(s.IsTiffInput);
    EXPECT_TRUE(s.BigEndianData);
    EXPECT_EQ(s.SectionCount, 1);
    EXPECT_EQ(s.ExifSection, 1);
    EXPECT_EQ(s.Sections[1].Data, tiff.substr(8, 2042));
    EXPECT_EQ(s.Sections[1].Size, 2042);
    EXPECT_EQ(s.Sections[1].Marker, 0);   // not the JPEG's Exif marker
    EXPECT_EQ(s.ExifBuffer, s.Sections[1].Data);
    EXPECT_EQ(s.ImageInfo.Model, "Flatbed");
    EXPECT_EQ(s.ImageInfo.Flash, -1);   // a TIFF has no Exif block to zero it
}

} // namespace
} // namespace ovs
