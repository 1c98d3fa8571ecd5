// The caption lookup on crafted JPEG files.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Caption.h"
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

const std::string Long(3000, 'L');

std::string BadExifThenApp13() {
    // An Exif block that ends before its first directory's entry count.
    std::string tiff = "II" + Bytes({42, 0, 8, 0, 0, 0});
    return Jpeg({test::ExifApp1(tiff), IptcApp13(IptcDataset(2, 120, "unreached")), Scan()});
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
        CaptionCase{"ExifErrorEndsTheScan", "t.jpg", BadExifThenApp13(), ""}),
    [](const auto& info) { return info.param.name; });

TEST(CaptionLookup, MissingFileHasNoCaption) {
    TReaderState s;
    test::ScratchDir dir;
    EXPECT_EQ(GetImageCaption(s, (dir.Path() / "gone.jpg").string()), "");
}

} // namespace
} // namespace ovs
