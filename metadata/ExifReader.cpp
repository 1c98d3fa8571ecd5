// Placeholder until the directory walker lands.
#include "ExifReader.h"

namespace ovs {
void ParseExifBlock(TReaderState&) {}
void WalkDirectory(TReaderState&, int32_t, int32_t, int32_t, const TTagTable*, int) {}
void ApplySensorWidth(TReaderState&) {}
void WalkMakerNoteDirectory(TReaderState&, const std::string&, const TTagTable*, int, int32_t, int32_t) {}
} // namespace ovs
