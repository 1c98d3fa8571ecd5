// JPEG files built to cost the reader as much as their size allows: values
// that name the whole Exif block (a start before the block is clipped to its
// first byte), directories that overlap, a maker note placed on the first
// directory. For the bound tests and the benchmarks; no test framework needed.
#pragma once

#include <cstddef>
#include <string>

namespace ovs::test {

enum class TCostlyKind {
    // GPS coordinates, GPS texts and Nikon lens values, each naming the
    // whole block, in a GPS directory that is also the maker note.
    WholeBlockValues,
    // A first directory whose every entry points at the entry after it as
    // an Exif sub-directory.
    OverlappingDirectories,
    // A Nikon maker note that is the first directory itself, full of lens
    // values naming the whole block.
    MakerNoteOnFirstDirectory,
};

constexpr TCostlyKind CostlyKinds[] = {TCostlyKind::WholeBlockValues, TCostlyKind::OverlappingDirectories,
                                       TCostlyKind::MakerNoteOnFirstDirectory};

const char* CostlyKindName(TCostlyKind kind);

// A JPEG of fileSize bytes (rounded down to whole entries; at least 256, at
// most one APP1 section's worth, about 64 KiB): start of image, the Exif
// APP1 section, start of scan, end of image.
std::string CostlyJpeg(TCostlyKind kind, size_t fileSize);

} // namespace ovs::test
