// The caption lookup reads only what the caption needs; on any file it must
// answer what the full read answers.
#include "Caption.h"
#include "FuzzFile.h"

#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = ovs::fuzz::WriteInput(data, size, ".jpg");
    auto state = std::make_unique<ovs::TReaderState>();
    const std::string caption = ovs::GetImageCaption(*state, path);
    if (caption != ovs::GetImageCaptionByFullRead(*state, path)) __builtin_trap();
    return 0;
}
