// Maker-note decoding for the seven camera makers the reader knows.
#pragma once

#include "ImageInfo.h"
#include "TagTables.h"

namespace ovs {

// The maker tables, one per maker-note layout. Rows named "Skip" in any
// letter case give no line.
constexpr int NikonTagTable1Size = 11;
constexpr int NikonTagTable2Size = 19;
constexpr int OlympusTagTableSize = 11;
constexpr int CasioTagTableSize = 26;
constexpr int FujifilmTagTableSize = 18;
constexpr int CanonTagTableSize = 14;
constexpr int SeikoTagTableSize = 12;
constexpr int SanyoTagTableSize = 6;
extern const TTagTable NikonTagTable1[NikonTagTable1Size];
extern const TTagTable NikonTagTable2[NikonTagTable2Size];
extern const TTagTable OlympusTagTable[OlympusTagTableSize];
extern const TTagTable CasioTagTable[CasioTagTableSize];
extern const TTagTable FujifilmTagTable[FujifilmTagTableSize];
extern const TTagTable CanonTagTable[CanonTagTableSize];
extern const TTagTable SeikoTagTable[SeikoTagTableSize];
extern const TTagTable SanyoTagTable[SanyoTagTableSize];

// Recognises the maker from Make, walks the maker note into MakerNoteList and
// leaves the recognised make in DecodedMake. True when a maker was recognised.
// For a TIFF it first moves MakerNotePos by 16, whatever the maker.
bool DecodeMakerNote(TReaderState& s);

} // namespace ovs
