// The IPTC reader on crafted APP13 section data.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "IptcReader.h"
#include "support/ImageBuilder.h"

namespace ovs {
namespace {

using test::Bytes;
using test::IptcDataset;
using Lines = std::vector<std::string>;

// Section data as the scanner stores it: two length bytes, then the payload.
std::string SectionData(const std::string& payload) {
    return test::BigEndian16(static_cast<uint16_t>(payload.size() + 2)) + payload;
}
std::string Photoshop(const std::string& iptc) { return SectionData(test::PhotoshopIptcPayload(iptc)); }

struct IptcCase {
    const char* name;
    std::string data;
    Lines lines;
};

void PrintTo(const IptcCase& c, std::ostream* os) { *os << c.name; }

class IptcListing : public ::testing::TestWithParam<IptcCase> {};

TEST_P(IptcListing, GivesTheKnownDatasetsInFileOrder) {
    EXPECT_EQ(ListIptcDatasets(GetParam().data), GetParam().lines);
}

const std::string Caption11 = "Hello world";

INSTANTIATE_TEST_SUITE_P(
    Sections, IptcListing,
    ::testing::Values(
        // The example of a section that ends right after its datasets.
        IptcCase{"VersionCaptionKeyword",
                 SectionData("Photoshop 3.0" + Bytes({0, 0x1C, 2, 0, 0, 2, 0, 2}) + IptcDataset(2, 120, Caption11) +
                             IptcDataset(2, 25, "abc")),
                 {"Image caption = Hello world", "Keywords = abc"}},
        IptcCase{"NoSignatureScansFromTwelve",
                 SectionData(std::string(8, 'z') + IptcDataset(2, 5, "early") + std::string(4, 'y') +
                             IptcDataset(2, 80, "Me")),
                 {"ByLine = Me"}},
        IptcCase{"RecordOnePassedOver",
                 Photoshop(IptcDataset(1, 90, "\x1B%G") + IptcDataset(2, 105, "Head") + IptcDataset(2, 90, "City")),
                 {"Image headline = Head", "City = City"}},
        IptcCase{"UnknownDatasetSkipped",
                 Photoshop(IptcDataset(2, 26, "??") + IptcDataset(2, 101, "Norway") + IptcDataset(8, 10, std::string("\0\1", 2))),
                 {"Country/Primary Location Name = Norway", std::string("Subfile = \0\1", 12)}},
        IptcCase{"OtherRecordsInsideSkipped",
                 Photoshop(IptcDataset(2, 5, "a") + IptcDataset(3, 120, "no") + IptcDataset(2, 116, "(c)")),
                 {"Object name = a", "Copyright Notice = (c)"}},
        IptcCase{"TwoCaptionsAndAnEmptyValue",
                 Photoshop(IptcDataset(2, 120, "first") + IptcDataset(2, 25, "") + IptcDataset(2, 120, "second")),
                 {"Image caption = first", "Keywords = ", "Image caption = second"}},
        IptcCase{"ValueHoldingSeparator", Photoshop(IptcDataset(2, 120, "a = b")), {"Image caption = a = b"}},
        IptcCase{"ValueCutAtTheEnd",
                 SectionData("Photoshop 3.0" + Bytes({0x1C, 2, 120, 0, 50}) + "only this"),
                 {"Image caption = only this"}},
        IptcCase{"ExtendedLengthTakenPlainly",
                 SectionData("Photoshop 3.0" + Bytes({0x1C, 2, 120, 0x80, 0x04}) + "four" + IptcDataset(2, 25, "k")),
                 {"Image caption = four" + IptcDataset(2, 25, "k")}},
        IptcCase{"SeparatorByteNotChecked",
                 SectionData("Photoshop 3.0" + IptcDataset(2, 5, "x") + Bytes({0x00, 2, 25, 0, 1}) + "k"),
                 {"Object name = x", "Keywords = k"}},
        IptcCase{"FewerThanFourHeaderBytes", SectionData("Photoshop 3.0" + Bytes({0x1C, 2, 120, 0})), {}},
        IptcCase{"NoMarker", SectionData("Photoshop 3.0 8BIM nothing here at all"), {}},
        IptcCase{"MarkerAtTheVeryEnd", SectionData("Photoshop 3.0" + Bytes({0x1C})), {}},
        IptcCase{"MarkerAndRecordAtTheEnd", SectionData("Photoshop 3.0" + Bytes({0x1C, 2})), {}},
        IptcCase{"Empty", "", {}},
        IptcCase{"ShorterThanTheScanStart", Bytes({0x1C, 2, 120, 0, 1, 'x'}), {}},
        IptcCase{"PaddingReadAsHeaders",
                 Photoshop(IptcDataset(2, 120, "c") + Bytes({0x00})) + Bytes({0x1C, 2, 25, 0, 2}) + "kw",
                 {"Image caption = c"}}),
    [](const auto& info) { return info.param.name; });

TEST(IptcListing, EveryCutOfASectionStaysInsideTheData) {
    // A hostile section cut at every length: nothing read beyond it, and a
    // listed value never longer than what remains.
    const std::string full = Photoshop(IptcDataset(1, 90, "x") + IptcDataset(2, 120, std::string(300, 'c')) +
                                       IptcDataset(2, 25, "kw") + Bytes({0x1C, 2, 120, 0xFF, 0xFF}));
    for (size_t n = 0; n <= full.size(); ++n) {
        const std::string cut = full.substr(0, n);   // its own allocation, so ASan sees overreads
        for (const auto& line : ListIptcDatasets(cut)) EXPECT_LE(line.size(), n + 40);
    }
}

} // namespace
} // namespace ovs
