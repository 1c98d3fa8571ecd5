// ReadImageFile on any bytes: the JPEG path, or the TIFF path when the first
// byte is odd. Exif, GPS, interoperability and maker-note walks are reached
// through it.
#include "FuzzFile.h"
#include "JpegScanner.h"

#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const bool tiff = size > 0 && (data[0] & 1) && data[0] != 0xFF;
    const std::string path = ovs::fuzz::WriteInput(data, size, tiff ? ".tif" : ".jpg");
    auto state = std::make_unique<ovs::TReaderState>();
    ovs::ReadImageFile(*state, path);
    // The reader must leave a status in every case.
    if (state->ImageInfo.Status.empty()) __builtin_trap();
    // The walks of one read list no more entries than the file has room for.
    size_t lines = 0;
    for (const std::string* list : {&state->ImageInfo.TagList, &state->ImageInfo.MakerNoteList})
        for (size_t at = list->find("\r\n"); at != std::string::npos; at = list->find("\r\n", at + 2)) ++lines;
    if (lines > size / 12) __builtin_trap();
    return 0;
}
