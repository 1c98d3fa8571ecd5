// The caption path as the menu takes it: the input becomes the payload of an
// APP13 section inside a small JPEG, then GetImageCaption reads the file.
#include "Caption.h"
#include "FuzzFile.h"

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
    const std::string caption = ovs::GetImageCaption(*state, path);
    if (caption.size() > size) __builtin_trap();
    return 0;
}
