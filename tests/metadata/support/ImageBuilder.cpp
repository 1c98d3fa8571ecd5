#include "ImageBuilder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <random>
#include <stdexcept>

namespace ovs::test {

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += static_cast<char>(v & 0xFF);
    return out;
}

std::string BigEndian16(uint16_t v) { return Bytes({v >> 8, v}); }
std::string BigEndian32(uint32_t v) {
    return Bytes({int(v >> 24), int(v >> 16), int(v >> 8), int(v)});
}
std::string LittleEndian16(uint16_t v) { return Bytes({v, v >> 8}); }
std::string LittleEndian32(uint32_t v) {
    return Bytes({int(v), int(v >> 8), int(v >> 16), int(v >> 24)});
}

std::string Segment(uint8_t marker, std::string_view payload) {
    if (payload.size() > 65533) throw std::length_error("segment payload too long");
    return SegmentWithLength(marker, static_cast<uint16_t>(payload.size() + 2), payload);
}

std::string SegmentWithLength(uint8_t marker, uint16_t length, std::string_view payload) {
    return Bytes({0xFF, marker}) + BigEndian16(length) + std::string(payload);
}

std::string Jpeg(std::initializer_list<std::string> pieces) {
    std::string out = Bytes({0xFF, 0xD8});
    for (const auto& p : pieces) out += p;
    return out;
}

std::string ExifApp1(std::string_view tiff) {
    return Segment(0xE1, std::string("Exif\0\0", 6) + std::string(tiff));
}

std::string ScanAndImageData() {
    // A one-component scan header, then data that holds marker-like bytes.
    return Segment(0xDA, Bytes({1, 1, 0, 0, 0x3F, 0})) +
           Bytes({0x12, 0x34, 0xFF, 0x00, 0xFF, 0xED, 0x00, 0x10, 0x56, 0xFF, 0xD9});
}

std::string TiffBuilder::U16(uint16_t v) const {
    return BigEndian ? BigEndian16(v) : LittleEndian16(v);
}
std::string TiffBuilder::U32(uint32_t v) const {
    return BigEndian ? BigEndian32(v) : LittleEndian32(v);
}

IfdEntry TiffBuilder::Ascii(uint16_t tag, std::string_view text) const {
    std::string v(text);
    v += '\0';
    return {tag, 2, static_cast<uint32_t>(v.size()), v, -1};
}
IfdEntry TiffBuilder::Short(uint16_t tag, uint16_t v) const { return {tag, 3, 1, U16(v), -1}; }
IfdEntry TiffBuilder::Long(uint16_t tag, uint32_t v) const { return {tag, 4, 1, U32(v), -1}; }
IfdEntry TiffBuilder::Rational(uint16_t tag, uint32_t num, uint32_t den) const {
    return {tag, 5, 1, U32(num) + U32(den), -1};
}
IfdEntry TiffBuilder::Undefined(uint16_t tag, std::string_view bytes) const {
    return {tag, 7, static_cast<uint32_t>(bytes.size()), std::string(bytes), -1};
}
IfdEntry TiffBuilder::SubIfd(uint16_t tag, int ifdIndex) { return {tag, 4, 1, {}, ifdIndex}; }

namespace {
// Size of a directory with its out-of-line values (each padded to even).
uint32_t DirectorySize(const std::vector<IfdEntry>& ifd) {
    uint32_t size = 2 + 12 * static_cast<uint32_t>(ifd.size()) + 4;
    for (const auto& e : ifd)
        if (e.subIfd < 0 && e.value.size() > 4) size += static_cast<uint32_t>((e.value.size() + 1) & ~size_t(1));
    return size;
}
} // namespace

uint32_t TiffBuilder::IfdOffset(const std::vector<std::vector<IfdEntry>>& ifds, int index) const {
    uint32_t offset = 8;
    for (int i = 0; i < index; ++i) offset += DirectorySize(ifds.at(i));
    return offset;
}

std::string TiffBuilder::Build(const std::vector<std::vector<IfdEntry>>& ifds) const {
    std::string out = BigEndian ? "MM" : "II";
    out += U16(42) + U32(8);
    for (size_t i = 0; i < ifds.size(); ++i) {
        const auto& ifd = ifds[i];
        const uint32_t start = IfdOffset(ifds, static_cast<int>(i));
        uint32_t valueOffset = start + 2 + 12 * static_cast<uint32_t>(ifd.size()) + 4;
        std::string entries = U16(static_cast<uint16_t>(ifd.size()));
        std::string values;
        for (const auto& e : ifd) {
            entries += U16(e.tag) + U16(e.type) + U32(e.count);
            if (e.subIfd >= 0) {
                entries += U32(IfdOffset(ifds, e.subIfd));
            } else if (e.value.size() > 4) {
                entries += U32(valueOffset);
                std::string v = e.value;
                if (v.size() % 2) v += '\0';
                values += v;
                valueOffset += static_cast<uint32_t>(v.size());
            } else {
                entries += e.value + std::string(4 - e.value.size(), '\0');
            }
        }
        entries += U32(0);
        out += entries + values;
    }
    return out;
}

std::string IptcDataset(uint8_t record, uint8_t dataset, std::string_view value) {
    if (value.size() > 0xFFFF) throw std::length_error("dataset too long");
    return Bytes({0x1C, record, dataset}) + BigEndian16(static_cast<uint16_t>(value.size())) +
           std::string(value);
}

std::string PhotoshopIptcPayload(std::string_view iptc) {
    std::string data(iptc);
    std::string out("Photoshop 3.0\0", 14);
    out += "8BIM" + BigEndian16(0x0404) + Bytes({0, 0}) +
           BigEndian32(static_cast<uint32_t>(data.size())) + data;
    if (data.size() % 2) out += '\0';
    return out;
}

std::string IptcApp13(std::string_view iptc) { return Segment(0xED, PhotoshopIptcPayload(iptc)); }

ScratchDir::ScratchDir() {
    std::string name = "ovs-test";
    if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info())
        name += std::string("-") + info->test_suite_name() + "-" + info->name();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') c = '_';
    std::random_device rd;
    Root = std::filesystem::temp_directory_path() / (name + "-" + std::to_string(rd()));
    std::filesystem::create_directories(Root);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(Root, ec);
}

std::string ScratchDir::Write(const std::string& name, std::string_view bytes) const {
    const auto path = Root / name;
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f) throw std::runtime_error("cannot write " + path.string());
    return path.string();
}

std::string CorpusFile(const std::string& name) { return std::string(OVS_CORPUS_DIR) + "/" + name; }

} // namespace ovs::test
