// Maker-note decoding for the seven camera makers the reader knows.
#pragma once

#include "ImageInfo.h"

namespace ovs {

// Recognises the maker from Make, walks the maker note into MakerNoteList and
// leaves the recognised make in DecodedMake. True when a maker was recognised.
bool DecodeMakerNote(TReaderState& s);

} // namespace ovs
