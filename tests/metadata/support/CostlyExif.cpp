#include "CostlyExif.h"

#include <algorithm>
#include <cstdint>

namespace ovs::test {

namespace {

constexpr size_t EntrySize = 12;
// Start of image, APP1 marker and length, "Exif\0\0"; start of scan and end
// of image after the block.
constexpr size_t JpegOverhead = 2 + 4 + 6 + 4 + 2;
constexpr size_t MaxTiffSize = 65533 - 6;
// Components and offset of a value that names the whole block: 16 Mi items
// (a size that still fits 32 bits), starting far before the block.
constexpr uint32_t ManyItems = 0x00FFFFFF;
constexpr uint32_t FarBefore = 0x80000000;

std::string U16(uint16_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string U32(uint32_t v) { return U16(static_cast<uint16_t>(v & 0xFFFF)) + U16(static_cast<uint16_t>(v >> 16)); }

std::string Entry(uint16_t tag, uint16_t format, uint32_t count, uint32_t value) {
    return U16(tag) + U16(format) + U32(count) + U32(value);
}

std::string Directory(const std::string& entries) {
    return U16(static_cast<uint16_t>(entries.size() / EntrySize)) + entries + U32(0);
}

// Little-endian TIFF header; the first directory follows it at offset 8.
std::string Header() { return std::string("II*\0", 4) + U32(8); }

// The big directory's costly entries, n of them, cycling through the kinds
// of value a rendering routine reads.
std::string WholeBlockEntries(size_t n) {
    struct Kind {
        uint16_t tag, format;
    };
    static constexpr Kind kinds[] = {{0x0002, 5}, {0x0084, 5}, {0x0004, 2}, {0x0084, 7}, {0x0007, 10}};
    std::string entries;
    for (size_t i = 0; i < n; ++i) {
        const Kind k = kinds[i % std::size(kinds)];
        entries += Entry(k.tag, k.format, ManyItems, FarBefore);
    }
    return entries;
}

std::string WholeBlockValues(size_t tiffSize) {
    constexpr uint32_t firstEntries = 3;
    const uint32_t makeOffset = 8 + 2 + firstEntries * EntrySize + 4;
    const uint32_t bigOffset = makeOffset + 6;
    const size_t n = (tiffSize - bigOffset - 2 - 4) / EntrySize;
    const std::string big = Directory(WholeBlockEntries(n));
    const std::string first = Directory(Entry(0x010F, 2, 6, makeOffset) + Entry(0x8825, 4, 1, bigOffset) +
                                        Entry(0x927C, 7, static_cast<uint32_t>(big.size()), bigOffset));
    return Header() + first + std::string("NIKON\0", 6) + big;
}

std::string OverlappingDirectories(size_t tiffSize) {
    const size_t n = (tiffSize - 8 - 2 - 4) / EntrySize;
    std::string entries;
    for (size_t i = 0; i < n; ++i) {
        // The sub-directory's entry count is the next entry's tag bytes.
        const auto next = static_cast<uint32_t>(8 + 2 + EntrySize * (i + 1));
        entries += Entry(0x8769, 4, 1, next);
    }
    return Header() + Directory(entries);
}

std::string MakerNoteOnFirstDirectory(size_t tiffSize) {
    const size_t n = (tiffSize - 8 - 2 - 4 - 6) / EntrySize;
    const auto directorySize = static_cast<uint32_t>(2 + n * EntrySize + 4);
    const uint32_t makeOffset = 8 + directorySize;
    std::string entries = Entry(0x010F, 2, 6, makeOffset) + Entry(0x927C, 7, directorySize, 8);
    entries += WholeBlockEntries(n - 2);
    return Header() + Directory(entries) + std::string("NIKON\0", 6);
}

} // namespace

const char* CostlyKindName(TCostlyKind kind) {
    switch (kind) {
    case TCostlyKind::WholeBlockValues: return "WholeBlockValues";
    case TCostlyKind::OverlappingDirectories: return "OverlappingDirectories";
    case TCostlyKind::MakerNoteOnFirstDirectory: return "MakerNoteOnFirstDirectory";
    }
    return "?";
}

std::string CostlyJpeg(TCostlyKind kind, size_t fileSize) {
    const size_t tiffSize = std::clamp<size_t>(fileSize, 256, MaxTiffSize + JpegOverhead) - JpegOverhead;
    std::string tiff;
    switch (kind) {
    case TCostlyKind::WholeBlockValues: tiff = WholeBlockValues(tiffSize); break;
    case TCostlyKind::OverlappingDirectories: tiff = OverlappingDirectories(tiffSize); break;
    case TCostlyKind::MakerNoteOnFirstDirectory: tiff = MakerNoteOnFirstDirectory(tiffSize); break;
    }
    const std::string payload = std::string("Exif\0\0", 6) + tiff;
    const auto length = static_cast<uint16_t>(payload.size() + 2);
    std::string jpeg = "\xFF\xD8\xFF\xE1";
    jpeg += static_cast<char>(length >> 8);
    jpeg += static_cast<char>(length & 0xFF);
    jpeg += payload;
    jpeg += std::string("\xFF\xDA\x00\x02\xFF\xD9", 6);
    return jpeg;
}

} // namespace ovs::test
