// ListIptcDatasets on raw section bytes (two length bytes, then the payload).
#include "Caption.h"
#include "IptcReader.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string section(reinterpret_cast<const char*>(data), size);
    const auto lines = ovs::ListIptcDatasets(section);
    const std::string caption = ovs::CaptionFromIptcLines(lines);
    if (caption.size() > size) __builtin_trap();
    return 0;
}
