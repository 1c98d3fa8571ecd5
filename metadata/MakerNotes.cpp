// Placeholder until the maker-note decoders land.
#include "MakerNotes.h"

namespace ovs {
bool DecodeMakerNote(TReaderState& s) {
    s.DecodedMake.clear();
    return false;
}
} // namespace ovs
