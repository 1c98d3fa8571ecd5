// The caption path as the menu takes it: the input becomes the payload of an
// APP13 section inside a small JPEG, then the caption lookup reads the file
// and its text is decoded for display.
#include "Caption.h"
#include "FuzzFile.h"
#include "StoredText.h"
#include "Utf8Text.h"

#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 65533) return 0;  // one section holds at most this much
    std::string jpeg = "\xFF\xD8";
    jpeg += "\xFF\xED";
    const size_t length = size + 2;
    jpeg += static_cast<char>(length >> 8);
    jpeg += static_cast<char>(length & 0xFF);
    jpeg.append(reinterpret_cast<const char*>(data), size);
    jpeg += "\xFF\xDA";
    jpeg += std::string("\x00\x02", 2);
    const std::string path =
        ovs::fuzz::WriteInput(reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size(), ".jpg");
    auto state = std::make_unique<ovs::TReaderState>();
    const ovs::TStoredCaption caption = ovs::LookUpImageCaption(*state, path);
    if (caption.Text.size() > size) __builtin_trap();
    // Whatever the bytes and their declaration, the shown text is valid.
    if (!ovs::IsUtf8Text(ovs::Utf8FromUtf16(ovs::DecodeStoredText(caption.Text, caption.DeclaredUtf8, nullptr))))
        __builtin_trap();
    return 0;
}
