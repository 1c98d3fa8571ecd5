// The caption lookup on crafted JPEG files.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "Caption.h"
#include "support/CostlyExif.h"
#include "support/ImageBuilder.h"

namespace ovs {
namespace {

using test::Bytes;
using test::IptcApp13;
using test::IptcDataset;
using test::Jpeg;
using test::Segment;

std::string Scan() { return test::ScanAndImageData(); }
std::string Captioned(const std::string& caption) {
    return Jpeg({IptcApp13(IptcDataset(2, 120, caption)), Scan()});
}

struct CaptionCase {
    const char* name;
    const char* file;
    std::string bytes;
    std::string caption;
};

void PrintTo(const CaptionCase& c, std::ostream* os) { *os << c.name; }

class Caption : public ::testing::TestWithParam<CaptionCase> {
protected:
    std::unique_ptr<TReaderState> s = std::make_unique<TReaderState>();
    test::ScratchDir dir;
};

TEST_P(Caption, IsTheLastCaptionTrimmed) {
    const CaptionCase& c = GetParam();
    EXPECT_EQ(GetImageCaption(*s, dir.Write(c.file, c.bytes)), c.caption);
}

// The lookup reads only what the caption needs; the full read must agree on
// every rule of the scan.
TEST_P(Caption, FullReadGivesTheSameCaption) {
    const CaptionCase& c = GetParam();
    EXPECT_EQ(GetImageCaptionByFullRead(*s, dir.Write(c.file, c.bytes)), c.caption);
}

const std::string Long(3000, 'L');

std::string BadExifThenApp13() {
    // An Exif block that ends before its first directory's entry count.
    std::string tiff = "II" + Bytes({42, 0, 8, 0, 0, 0});
    return Jpeg({test::ExifApp1(tiff), IptcApp13(IptcDataset(2, 120, "unreached")), Scan()});
}

// An Exif APP1 whose TIFF data has the given number of bytes ("II*\0", the
// offset 8, then an entry count of 0 as far as it fits).
std::string ExifOfTiffSize(size_t tiffSize, const char* order = "II") {
    std::string tiff = std::string(order) + Bytes({42, 0, 8, 0, 0, 0, 0, 0});
    return test::ExifApp1(tiff.substr(0, tiffSize));
}

std::string App13(const std::string& caption) { return IptcApp13(IptcDataset(2, 120, caption)); }

std::string Sections(int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += Segment(0xDB, "q");
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Files, Caption,
    ::testing::Values(
        CaptionCase{"Plain", "a.jpg", Captioned("A day at the sea"), "A day at the sea"},
        CaptionCase{"AnyCaseJpg", "b.JpG", Captioned("upper"), "upper"},
        CaptionCase{"JpegExtension", "c.JPEG", Captioned("x"), ""},
        CaptionCase{"JpeExtension", "d.jpe", Captioned("x"), ""},
        CaptionCase{"JfifExtension", "e.Jfif", Captioned("x"), ""},
        CaptionCase{"TrimmedBothEnds", "f.jpg", Captioned(std::string("  \t caption\r\n\0\0", 16)), "caption"},
        CaptionCase{"InnerBytesKept", "g.jpg", Captioned("line 1\r\nline 2\x01\xE9"), "line 1\r\nline 2\x01\xE9"},
        CaptionCase{"OnlyBlanks", "h.jpg", Captioned(std::string(31, ' ')), ""},
        CaptionCase{"HoldsSeparator", "i.jpg", Captioned("x = y = z"), "x = y = z"},
        CaptionCase{"SecondEmptyWins", "j.jpg",
                    Jpeg({IptcApp13(IptcDataset(2, 120, "first") + IptcDataset(2, 120, " ")), Scan()}), ""},
        CaptionCase{"LastOfSeveral", "k.jpg",
                    Jpeg({IptcApp13(IptcDataset(2, 120, "one") + IptcDataset(2, 25, "kw") +
                                    IptcDataset(2, 120, "two")),
                          Scan()}),
                    "two"},
        CaptionCase{"FullStoredLength", "l.jpg", Captioned(Long), Long},
        CaptionCase{"AfterStartOfScan", "m.jpg", Jpeg({Scan(), IptcApp13(IptcDataset(2, 120, "late"))}), ""},
        CaptionCase{"AfterEndOfImage", "n.jpg",
                    Jpeg({Segment(0xFE, "c"), Bytes({0xFF, 0xD9, 0, 2}), IptcApp13(IptcDataset(2, 120, "late"))}), ""},
        CaptionCase{"NoPhotoshopSignature", "o.jpg",
                    Jpeg({Segment(0xED, std::string(10, '\0') + IptcDataset(2, 120, "bare")), Scan()}), "bare"},
        CaptionCase{"CutAfterApp13", "p.jpg", Jpeg({IptcApp13(IptcDataset(2, 120, "kept"))}), "kept"},
        CaptionCase{"CutInsideApp13", "q.jpg", Captioned("lost caption").substr(0, 30), ""},
        CaptionCase{"NoCaptionDataset", "r.jpg", Jpeg({IptcApp13(IptcDataset(2, 25, "kw")), Scan()}), ""},
        CaptionCase{"NotAJpeg", "s.jpg", "GIF89a" + std::string(100, '\0'), ""},
        CaptionCase{"ExifErrorEndsTheScan", "t.jpg", BadExifThenApp13(), ""},
        // The walk raises only when the first directory's count lies outside
        // the block: 10 bytes of TIFF data hold it, 9 don't.
        CaptionCase{"ExifHoldingItsEntryCount", "u.jpg", Jpeg({ExifOfTiffSize(10), App13("count fits"), Scan()}),
                    "count fits"},
        CaptionCase{"ExifOneByteShort", "v.jpg", Jpeg({ExifOfTiffSize(9), App13("unreached"), Scan()}), ""},
        CaptionCase{"ExifErrorAfterApp13", "w.jpg", Jpeg({App13("before"), ExifOfTiffSize(4), Scan()}), "before"},
        CaptionCase{"ShortExifWithoutByteOrder", "x.jpg", Jpeg({ExifOfTiffSize(4, "IM"), App13("read on"), Scan()}),
                    "read on"},
        CaptionCase{"ShortApp1WithoutExifSignature", "y.jpg",
                    Jpeg({Segment(0xE1, "http://ns"), App13("xmp first"), Scan()}), "xmp first"},
        CaptionCase{"ShortExifInSlotThreeIsDiscarded", "z.jpg",
                    Jpeg({Sections(2), ExifOfTiffSize(4), App13("slot three"), Scan()}), "slot three"},
        CaptionCase{"ShortExifInSlotTwo", "A.jpg", Jpeg({Sections(1), ExifOfTiffSize(4), App13("x"), Scan()}), ""},
        CaptionCase{"App0DoesNotCount", "B.jpg",
                    Jpeg({Sections(18), Segment(0xE0, "JFIF"), Segment(0xE0, "JFIF"), App13("twentieth"), Scan()}),
                    "twentieth"},
        CaptionCase{"PastTheTwentiethSection", "C.jpg", Jpeg({Sections(20), App13("21st"), Scan()}), ""},
        CaptionCase{"CutInSecondApp13KeepsTheFirst", "D.jpg",
                    Jpeg({App13("first"), App13("second").substr(0, 40)}), "first"},
        CaptionCase{"LengthBelowTwoAfterApp13", "E.jpg", Jpeg({App13("kept"), Bytes({0xFF, 0xFE, 0, 1})}), "kept"},
        CaptionCase{"FillBytesBeforeMarkers", "F.jpg", Jpeg({Bytes({0xFF, 0xFF}), App13("filled"), Scan()}),
                    "filled"},
        CaptionCase{"CostlyExifBeforeApp13", "G.jpg",
                    test::CostlyJpeg(test::TCostlyKind::WholeBlockValues, 4096).insert(2, App13("cheap")), "cheap"}),
    [](const auto& info) { return info.param.name; });

TEST(CaptionLookup, MissingFileOrFolderHasNoCaption) {
    TReaderState s;
    test::ScratchDir dir;
    std::filesystem::create_directory(dir.Path() / "folder.jpg");
    for (const char* name : {"gone.jpg", "folder.jpg"}) {
        EXPECT_EQ(GetImageCaption(s, (dir.Path() / name).string()), "") << name;
        EXPECT_EQ(GetImageCaptionByFullRead(s, (dir.Path() / name).string()), "") << name;
    }
}

TEST(CaptionLookup, ReportsWhetherTheRecordDeclaresUtf8) {
    const std::string utf8 = IptcDataset(1, 90, "\x1B%G");
    const std::string caption = IptcDataset(2, 120, "J\xC3\xB6nk\xC3\xB6ping");
    struct Case {
        const char* name;
        std::string bytes;
        bool declared;
    } cases[] = {
        {"ESC % G", Jpeg({IptcApp13(utf8 + caption), Scan()}), true},
        {"after other envelope datasets", Jpeg({IptcApp13(IptcDataset(1, 0, "\x00\x04") + utf8 + caption), Scan()}),
         true},
        {"the bytes of 1:90 inside another envelope value",
         Jpeg({IptcApp13(IptcDataset(1, 20, "x" + utf8) + caption), Scan()}), false},
        {"no 1:90", Jpeg({IptcApp13(IptcDataset(1, 0, "\x00\x04") + caption), Scan()}), false},
        {"another character set", Jpeg({IptcApp13(IptcDataset(1, 90, "\x1B%/I") + caption), Scan()}), false},
        {"1:90 in record 2's place", Jpeg({IptcApp13(caption + utf8), Scan()}), false},
        {"1:90 in an earlier APP13", Jpeg({IptcApp13(utf8 + caption), IptcApp13(caption), Scan()}), false},
        {"1:90 without a caption", Jpeg({IptcApp13(utf8), Scan()}), true},
    };
    test::ScratchDir dir;
    auto s = std::make_unique<TReaderState>();
    for (const Case& c : cases) {
        const std::string path = dir.Write("c.jpg", c.bytes);
        const TStoredCaption fast = LookUpImageCaption(*s, path);
        const TStoredCaption full = LookUpImageCaptionByFullRead(*s, path);
        // The lookup's contract stays: the stored bytes, trimmed.
        EXPECT_EQ(fast.Text, GetImageCaption(*s, path)) << c.name;
        EXPECT_EQ(fast.DeclaredUtf8, c.declared) << c.name;
        EXPECT_EQ(full.Text, fast.Text) << c.name;
        EXPECT_EQ(full.DeclaredUtf8, fast.DeclaredUtf8) << c.name;
    }
}

TEST(CaptionLookup, AgreesWithTheFullReadOnEveryCorpusFile) {
    auto s = std::make_unique<TReaderState>();
    int captions = 0;
    for (const auto& entry : std::filesystem::directory_iterator(OVS_CORPUS_DIR)) {
        const std::string path = entry.path().string();
        const std::string caption = GetImageCaption(*s, path);
        EXPECT_EQ(caption, GetImageCaptionByFullRead(*s, path)) << path;
        captions += !caption.empty();
    }
    EXPECT_GT(captions, 5);
}

} // namespace
} // namespace ovs
