// Maker-note dispatch: which table and which position rules a camera's maker
// note is walked with.
#include "MakerNotes.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "ExifReader.h"
#include "PathText.h"

namespace ovs {

namespace {

constexpr size_t MakePrefixLength = 5;
// The FUJIFILM maker note carries its own little-endian directory at 12,
// with offsets counted from the maker note's first byte.
constexpr int32_t FujifilmDirOffset = 12;
constexpr int32_t FujifilmMakerNotePos = 13;

struct TMakerLayout {
    std::string_view Prefix;
    const TTagTable* Table;
    int TableSize;
    int32_t DirOffset;
    int32_t PosShift;   // added to MakerNotePos
};

// In the order the makers are tried; the NIKON row is the later layout, the
// one for a maker note that doesn't begin with "Nikon".
constexpr TMakerLayout MakerLayouts[] = {
    {"NIKON", NikonTagTable2, NikonTagTable2Size, 0, -8},
    {"OLYMP", OlympusTagTable, OlympusTagTableSize, 8, 0},
    {"CASIO", CasioTagTable, CasioTagTableSize, 0, -8},
    {"FUJIF", FujifilmTagTable, FujifilmTagTableSize, FujifilmDirOffset, 0},
    {"CANON", CanonTagTable, CanonTagTableSize, 0, -8},
    {"SEIKO", SeikoTagTable, SeikoTagTableSize, 8, 0},
    {"SANYO", SanyoTagTable, SanyoTagTableSize, 8, 0},
};

class TByteOrderGuard {
public:
    explicit TByteOrderGuard(TReaderState& s) : s_(s), saved_(s.BigEndianData) {}
    ~TByteOrderGuard() { s_.BigEndianData = saved_; }
    TByteOrderGuard(const TByteOrderGuard&) = delete;
    TByteOrderGuard& operator=(const TByteOrderGuard&) = delete;
private:
    TReaderState& s_;
    bool saved_;
};

int32_t Shifted(int32_t pos, int32_t by) {
    const int64_t v = static_cast<int64_t>(pos) + by;
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

bool DecodeMakerNote(TReaderState& s) {
    const std::string prefix = UpperCaseAscii(std::string_view(s.ImageInfo.Make).substr(0, MakePrefixLength));
    s.DecodedMake.clear();
    // A TIFF's buffer starts further into the Exif data than an APP1's,
    // relative to where maker-note offsets count from: 16 bytes for a window
    // at file offset 8.
    if (s.IsTiffInput) s.MakerNotePos = Shifted(s.MakerNotePos, ExifOffsetBase - s.TiffOffsetBase);

    const auto layout = std::find_if(std::begin(MakerLayouts), std::end(MakerLayouts),
                                     [&](const TMakerLayout& l) { return l.Prefix == prefix; });
    if (layout == std::end(MakerLayouts)) return false;

    const std::string& note = s.ImageInfo.MakerNote;
    if (layout->Prefix == "NIKON" && note.compare(0, 5, "Nikon") == 0) {
        // The first Nikon layout: "Nikon" header, directory at 8.
        WalkMakerNoteDirectory(s, note, NikonTagTable1, NikonTagTable1Size, 8, s.MakerNotePos);
    } else if (layout->Prefix == "FUJIF") {
        TByteOrderGuard order(s);
        s.BigEndianData = false;
        WalkMakerNoteDirectory(s, note, layout->Table, layout->TableSize, FujifilmDirOffset,
                               FujifilmMakerNotePos);
    } else {
        WalkMakerNoteDirectory(s, note, layout->Table, layout->TableSize, layout->DirOffset,
                               Shifted(s.MakerNotePos, layout->PosShift));
    }
    s.DecodedMake = s.ImageInfo.Make;
    return true;
}

} // namespace ovs
