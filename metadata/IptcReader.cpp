#include "IptcReader.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "PhotoshopResources.h"

namespace ovs {

constexpr ITag IptcTable[IptcTableSize] = {
    {2, 0, "SKIP", "Record Version", 64},
    {2, 5, "ObjectName", "Object name", 64},
    {2, 10, "Urgency", "Urgency", 1},
    {2, 12, "SubRef", "Subject Reference", 236},
    {2, 15, "Category", "Category", 3},
    {2, 20, "SuppCategory", "Supplemental category", 32},
    {2, 22, "FixtureID", "Fixture ID", 32},
    {2, 25, "Keywords", "Keywords", 32},
    {2, 40, "SpecialInstru", "Special Instructions", 256},
    {2, 55, "DateCreated", "Date created", 8},
    {2, 60, "TimeCreated", "Time created", 11},
    {2, 65, "OriginatingProgram", "Originating Program", 32},
    {2, 70, "ProgramVersion", "Program version", 10},
    {2, 80, "ByLine", "ByLine", 32},
    {2, 85, "ByLineTitle", "ByLine Title", 32},
    {2, 90, "City", "City", 32},
    {2, 92, "SubLocation", "Sublocation", 32},
    {2, 95, "State", "Province/State", 32},
    {2, 100, "LocationCode", "Country/Primary Location Code", 3},
    {2, 101, "LocationName", "Country/Primary Location Name", 64},
    {2, 103, "TransmissionRef", "Original Transmission Reference", 32},
    {2, 105, "ImageHeadline", "Image headline", 256},
    {2, 110, "ImageCredit", "Image credit", 32},
    {2, 115, "Source", "Source", 32},
    {2, 116, "Copyright", "Copyright Notice", 128},
    {2, 118, "Contact", "Contact", 128},
    {2, 120, "ImageCaption", "Image caption", 2000},
    {2, 122, "ImageCaptionWriter", "Image caption writer", 32},
    {2, 130, "ImageType", "Image type", 2},
    {2, 131, "Orientation", "Image Orientation", 1},
    {2, 135, "LangID", "Language ID", 2},
    {8, 10, "Subfile", "Subfile", 2},
};

namespace {

constexpr std::string_view PhotoshopSignature = "Photoshop 3.0";
// Where the datasets are looked for when the section has no signature.
constexpr size_t UnsignedScanStart = 12;

const ITag* FindDataset(unsigned rec, unsigned dataset) {
    for (const ITag& row : IptcTable)
        if (row.Rec == rec && row.Dataset == dataset) return &row;
    return nullptr;
}

bool IsListedRecord(unsigned rec) { return rec == 2 || rec == 8; }

// The bytes that hold the datasets: the data of the IPTC resource. A section
// whose resources can't be walked to it is scanned from the signature on,
// as writers that knew no resource list left it; one whose well-formed list
// has no IPTC resource holds no datasets.
std::string_view IptcBlock(std::string_view data) {
    const TResourceLookup found = FindPhotoshopResource(data, IptcResourceId);
    if (found.Outcome == TResourceWalk::Found) return found.Data;
    if (found.Outcome == TResourceWalk::Absent) return {};
    const size_t signature = data.find(PhotoshopSignature);
    const size_t start = signature == std::string_view::npos ? UnsignedScanStart : signature + PhotoshopSignature.size();
    return start < data.size() ? data.substr(start) : std::string_view();
}

// The IIM's escape sequence for UTF-8 (ISO 2022: ESC % G).
constexpr std::string_view Utf8CharacterSet = "\x1B%G";

} // namespace

bool IptcDeclaresUtf8(std::string_view sectionData) {
    const std::string_view data = IptcBlock(sectionData);
    const size_t n = data.size();
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(data[i]); };
    size_t k = 0;
    // The envelope comes before the first listed record.
    while (k + 1 < n && !(byte(k) == 0x1C && (byte(k + 1) == 1 || IsListedRecord(byte(k + 1))))) ++k;
    // k is a dataset's 0x1C marker; each dataset must start with one.
    while (k + 4 < n && byte(k) == 0x1C && byte(k + 1) == 1) {
        const size_t length = byte(k + 3) * 256u + byte(k + 4);
        const std::string_view value = data.substr(k + 5, length);
        if (byte(k + 2) == 90) return value == Utf8CharacterSet;
        k += 5 + length;
    }
    return false;
}

std::vector<std::string> ListIptcDatasets(const std::string& sectionData) {
    std::vector<std::string> lines;
    const std::string_view data = IptcBlock(sectionData);
    const size_t n = data.size();
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(data[i]); };

    // The first dataset marker of a listed record is the start, passing over
    // record-1 envelope datasets.
    size_t k = 0;
    while (k + 1 < n && !(byte(k) == 0x1C && IsListedRecord(byte(k + 1)))) ++k;
    if (k + 1 >= n) return lines;

    // c is the record byte of a dataset header; its four bytes must lie
    // inside the data.
    for (size_t c = k + 1; c + 3 < n;) {
        const unsigned rec = byte(c);
        const unsigned dataset = byte(c + 1);
        const size_t length = byte(c + 2) * 256u + byte(c + 3);   // no extended form
        const size_t valueStart = c + 4;
        if (IsListedRecord(rec)) {
            const ITag* row = FindDataset(rec, dataset);
            if (row && std::strcmp(row->ShortName, "SKIP") != 0) {
                const size_t taken = std::min(length, n - valueStart);
                std::string line(row->LongName);
                line += " = ";
                line.append(data.substr(valueStart, taken));
                lines.push_back(std::move(line));
            }
        }
        // The byte after the value is taken as the next 0x1C and not checked.
        c = valueStart + length + 1;
    }
    return lines;
}

} // namespace ovs
