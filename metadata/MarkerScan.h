// The walk over a JPEG's marker sections that the full read and the caption
// lookup share: fill bytes, lengths, slots and where the scan ends. What is
// kept of each section is up to the caller's visitor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "BufferedFile.h"

namespace ovs {

// What makes the reader give up on a file; its text becomes the status.
class EImageReadError : public std::runtime_error {
public:
    EImageReadError() : std::runtime_error("Illegal Exif construction") {}
};

class TMarkerVisitor {
public:
    // The section in slot begins: marker code and the two length bytes as
    // stored. The visitor takes the payload's bytes from file (reads or skips
    // all of them); false when the file ended or failed inside the payload.
    virtual bool TakePayload(int32_t slot, uint8_t marker, uint8_t hi, uint8_t lo, size_t payload,
                             TBufferedFile& file) = 0;
    // A kept APP1 in slot 1 or 2, read in full. An error raised here ends
    // the scan: the sections after it are not read.
    virtual void ExifSection(int32_t slot) = 0;
    // A kept APP13 or COM section, read in full.
    virtual void IptcSection(int32_t slot) = 0;
    virtual void CommentSection(int32_t slot) = 0;

protected:
    ~TMarkerVisitor() = default;
};

enum class TMarkerScanEnd {
    NoStartOfImage,   // the file doesn't begin with 0xFF 0xD8
    CutInPayload,     // a payload couldn't be read in full; its slot isn't indexed
    Ended,            // start of scan, end of image, or the 20th stored section
};

// Scans the marker sections of an open file from its first byte. sectionCount
// is the number of stored sections, kept current while the scan goes, so that
// it is right when an error ends the scan. Raises EImageReadError when the
// file ends or fails while a marker or a length is read, or a length is below
// 2; errors of the visitor pass through.
TMarkerScanEnd ScanMarkerSections(TBufferedFile& file, TMarkerVisitor& visitor, int32_t& sectionCount);

} // namespace ovs
