// The reader's data model: the image-information record, the section table
// and the variables that the scanner, the directory walker and the maker-note
// decoders share while one file is read.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "BufferedFile.h"
#include "PathText.h"
#include "Utf8Text.h"

namespace ovs {

// Everything the reader learnt about the last file it read.
class TImageInfo {
public:
    std::string FileName;
    double FileDate = 0;          // days since 30 December 1899, time as fraction
    int32_t FileSize = -1;
    std::string Make;             // at most 32 bytes
    std::string Model;            // at most 40 bytes
    std::string DateTime;         // at most 20 bytes
    int32_t ImageHeight = -1;
    int32_t ImageWidth = -1;
    int32_t HeightValuePos = 0;   // survives a reset
    int32_t WidthValuePos = 0;    // survives a reset
    int32_t Flash = -1;
    double FocalLength = -1.0;
    double ExposureTime = -1.0;
    double FNumber = -1.0;
    double SubjectDistance = -1.0;
    double SensorWidth = -1.0;
    std::string Status = "<none>";
    std::string MakerNote;        // raw bytes
    std::string UserComment;
    std::string TagList;          // "\r\nName = value" per directory entry
    std::string MakerNoteList;    // the same for maker-note entries
    bool HasMakerNote = false;
    std::string MakerNoteMake;

    // Back to the values of a fresh record; the two value positions stay.
    void Reset();
};

// One JPEG marker section held in memory.
struct tSection {
    std::string Data;             // the two length bytes as stored, then the payload
    int32_t Marker = 0;           // the byte after the 0xFF prefix
    int32_t Size = 0;             // the 16-bit length field (counts itself)
};

constexpr int MaxSections = 20;

// What the directory says about one path, for the file fields of TImageInfo.
struct TFileFacts {
    bool Found = false;    // the path names a file or a folder
    bool IsFile = false;   // a regular file: the only kind the reader opens
    int32_t Size = 0;      // bytes, at most INT32_MAX
    double Date = 0;       // last write, local time, days since 30 December 1899
};

// A directory look-up. The reader has a portable one of its own; a host that
// knows its platform better (the shell extension on Windows, where the C
// library can't tell a file's date without functions that the oldest systems
// lack) installs its own in TReaderState::FileLookUp.
using TFileLookUp = TFileFacts (*)(const std::string& path);

// The state of the reader. Every ReadImageFile overwrites it, so calls on
// one state must not overlap; the shell menu gives each caption lookup a
// state of its own (a few kilobytes, and the file buffer while a file is
// open), so that no menu waits for another's file.
struct TReaderState {
    TImageInfo ImageInfo;

    // The directory look-up of SetFileInfo and ReadImageFile; null means the
    // reader's own (PortableLookUpFile).
    TFileLookUp FileLookUp = nullptr;
    // How the reader opens the files it reads; null means std::fopen.
    TFileOpen FileOpen = nullptr;
    // Which bytes of a path lead a double-byte character, for the reader's
    // scans of name and extension; paths in a single-byte code page or in
    // UTF-8 have none.
    TLeadBytePredicate PathLeadBytes = &NoLeadBytes;
    // The file being read, open only during a read; kept between reads so
    // that its buffer is allocated once.
    TBufferedFile File;

    // Used 1-based: slots 1..20. Slots past SectionCount keep what an earlier
    // read left in them.
    std::array<tSection, MaxSections + 1> Sections{};
    int32_t SectionCount = 0;
    int32_t ExifSection = -1;
    int32_t CommentSection = -1;
    int32_t IptcSection = -1;

    // The bytes all 16- and 32-bit reads of the directory walker work on,
    // addressed 1-based: the Exif section's Data, the TIFF window or, after a
    // maker-note walk, the maker note.
    std::string ExifBuffer;
    bool BigEndianData = false;
    bool IsTiffInput = false;
    // For a TIFF, what turns a file offset into an ExifBuffer position: the
    // window starts at the first directory, at file offset 8 when the header
    // puts it nowhere else.
    int32_t TiffOffsetBase = -7;

    // Set by the directory walker, read by the sensor-width step and the
    // maker-note decoders.
    double FocalPlaneResolution = 0;
    double FocalPlaneUnitMm = 0;
    int32_t MakerNotePos = 0;

    // Settings of the list lines; nothing in the product changes them.
    int32_t ShowTagNumbers = 0;
    bool DecodeValues = true;

    // The make the last maker-note decoding recognised (empty when none).
    std::string DecodedMake;

    // Directory positions already walked in this read, so that a pointer back
    // to an ancestor (or any directory seen before) is not followed again.
    // Owned by the directory walker; cleared at the start of every read.
    std::array<int32_t, 64> WalkedDirectories{};
    int32_t WalkedDirectoryCount = 0;
    int32_t WalkDepth = 0;
    // Entries the walks of the current read may still list. Each walk of a
    // buffer of file bytes (an Exif block, the TIFF window) adds as many as
    // the buffer has room for at 12 bytes each; a maker note lies inside such
    // a buffer and adds nothing. So overlapping directories or a maker note
    // placed on the first directory can't make the lists grow past the file.
    // Below 0 outside a read: a walk started on its own gets its buffer's share.
    int64_t EntryBudget = -1;

    // Where the next ", " of ExifBuffer starts, for each position; built by
    // the walker when a rendering routine first needs it, dropped whenever a
    // walk of a new buffer starts.
    std::vector<int32_t> NextSeparator;
    // Which stretches of ExifBuffer are UTF-8, for the cuts of its texts;
    // built and dropped as NextSeparator is.
    TUtf8Index ExifBufferUtf8;

    // Text fields that name a stretch of ExifBuffer. A crafted block can name
    // the whole block in thousands of entries; the walker notes the last one
    // and copies it once, when the walk of the buffer ends.
    struct TPendingText {
        bool Set = false;
        size_t Pos = 0;      // 0-based in ExifBuffer
        size_t Length = 0;
    };
    TPendingText PendingDateTime, PendingMakerNote, PendingUserComment;
};

} // namespace ovs
