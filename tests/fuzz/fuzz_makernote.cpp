// A maker-note walk straight on the input, for every maker layout: the first
// byte picks the maker and the byte order, the rest is the maker note.
#include "ExifReader.h"
#include "ImageInfo.h"
#include "MakerNotes.h"

#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static const char* const makes[] = {"NIKON", "OLYMPUS", "CASIO", "FUJIFILM", "Canon", "SEIKO EPSON", "SANYO", "Other"};
    auto state = std::make_unique<ovs::TReaderState>();
    state->ImageInfo.Make = makes[data[0] & 7];
    state->BigEndianData = (data[0] & 8) != 0;
    state->IsTiffInput = (data[0] & 16) != 0;
    state->ImageInfo.MakerNote.assign(reinterpret_cast<const char*>(data + 1), size - 1);
    // Where the maker note sat in the Exif block: anywhere, even nonsense.
    state->MakerNotePos = (data[0] & 32) ? 0x7FFFFFF0 : static_cast<int32_t>(data[0] >> 6) * 100 - 100;
    ovs::DecodeMakerNote(*state);
    return 0;
}
