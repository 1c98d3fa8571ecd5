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

// One image resource block: "8BIM", id, Pascal name padded to even length,
// size, data; padded unless the pad byte is left off.
std::string Resource(uint16_t id, const std::string& name, const std::string& data, bool pad = true) {
    std::string out = "8BIM" + test::BigEndian16(id) + static_cast<char>(name.size()) + name;
    if (out.size() % 2) out += '\0';
    out += test::BigEndian32(static_cast<uint32_t>(data.size())) + data;
    if (pad && data.size() % 2) out += '\0';
    return out;
}
std::string Resources(const std::string& blocks) { return SectionData(std::string("Photoshop 3.0\0", 14) + blocks); }

// IPTC data of exactly size bytes: the datasets, then a keyword filling the
// rest, so that the resource's size bytes read 00 00 1C xx.
std::string IptcOfSize(const std::string& datasets, size_t size) {
    return datasets + IptcDataset(2, 25, std::string(size - datasets.size() - 5, 'k'));
}

struct ResourceCase {
    const char* name;
    std::string data;
    Lines lines;
    bool declaresUtf8;
};

void PrintTo(const ResourceCase& c, std::ostream* os) { *os << c.name; }

class IptcResource : public ::testing::TestWithParam<ResourceCase> {};

TEST_P(IptcResource, DatasetsAndDeclarationComeFromTheIptcResource) {
    const ResourceCase& c = GetParam();
    auto lines = ListIptcDatasets(c.data);
    if (lines.size() > 1 && lines.back().rfind("Keywords = kkk", 0) == 0) lines.pop_back();   // the filler
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(IptcDeclaresUtf8(c.data), c.declaresUtf8);
}

const std::string Utf8Declared = IptcDataset(1, 90, "\x1B%G");
const std::string Cafe = IptcDataset(2, 120, "Caf\xC3\xA9");

INSTANTIATE_TEST_SUITE_P(
    Sections, IptcResource,
    ::testing::Values(
        // Size bytes 00 00 1C 02 and 00 00 1C 01 look like dataset headers.
        ResourceCase{"Block7170Bytes", Resources(Resource(0x0404, "", IptcOfSize(Cafe, 0x1C02))),
                     {"Image caption = Caf\xC3\xA9"}, false},
        ResourceCase{"Block7169BytesKeepsItsDeclaration",
                     Resources(Resource(0x0404, "", IptcOfSize(Utf8Declared + Cafe, 0x1C01))),
                     {"Image caption = Caf\xC3\xA9"}, true},
        ResourceCase{"EarlierResourceHoldingDatasetBytes",
                     Resources(Resource(0x0406, "", IptcDataset(2, 25, "bad") + IptcDataset(1, 90, "x")) +
                               Resource(0x0404, "", Utf8Declared + Cafe)),
                     {"Image caption = Caf\xC3\xA9"}, true},
        ResourceCase{"PaddedNames",
                     Resources(Resource(0x03ED, "ab", "\x1C\x02") + Resource(0x0404, "IPTC", Cafe)),
                     {"Image caption = Caf\xC3\xA9"}, false},
        ResourceCase{"TwoIptcResourcesFirstWins",
                     Resources(Resource(0x0404, "", IptcDataset(2, 120, "first")) +
                               Resource(0x0404, "", Utf8Declared + IptcDataset(2, 120, "second"))),
                     {"Image caption = first"}, false},
        ResourceCase{"EmptyIptcResource",
                     Resources(Resource(0x0404, "", "") + Resource(0x0405, "", Utf8Declared + Cafe)), {}, false},
        ResourceCase{"ListWithoutIptcResource", Resources(Resource(0x03ED, "", Utf8Declared + Cafe)), {}, false},
        ResourceCase{"GarbageAfterTheLastResource",
                     Resources(Resource(0x0404, "", IptcDataset(2, 120, "c")) + IptcDataset(2, 25, "kw") + "junk"),
                     {"Image caption = c"}, false},
        ResourceCase{"LastPadByteMissing", Resources(Resource(0x0404, "", IptcDataset(2, 120, "odd"), false)),
                     {"Image caption = odd"}, false},
        // A broken list falls back to the byte scan from the signature on.
        ResourceCase{"EarlierSizePastTheSectionEndFallsBackToTheScan",
                     Resources(Resource(0x03ED, "", "zz").replace(8, 4, test::BigEndian32(0xFFFF)) +
                               Resource(0x0404, "", Utf8Declared + IptcDataset(2, 120, "scanned"))),
                     {"Image caption = scanned"}, true},
        ResourceCase{"IptcSizePastTheSectionEndFallsBackToTheScan",
                     Resources(Resource(0x0404, "", IptcDataset(2, 120, "cut")).replace(8, 4, test::BigEndian32(9999))),
                     {"Image caption = cut"}, false}),
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
