// The resource walk of an APP13 section on raw section bytes (two length
// bytes, then the payload). A found IPTC resource must lie inside the input,
// and the datasets and declaration of the section must be exactly those of a
// clean section holding only that resource.
#include "IptcReader.h"
#include "PhotoshopResources.h"

#include <string>
#include <string_view>

namespace {

std::string BigEndian32(size_t v) {
    std::string out;
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
    return out;
}

std::string OnlyResource(std::string_view iptc) {
    std::string out("\0\0Photoshop 3.0\0" "8BIM\x04\x04\0\0", 24);
    out += BigEndian32(iptc.size());
    out.append(iptc);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string section(reinterpret_cast<const char*>(data), size);
    const std::string_view view(section);
    const ovs::TResourceLookup found = ovs::FindPhotoshopResource(view, ovs::IptcResourceId);
    const auto lines = ovs::ListIptcDatasets(section);
    if (found.Outcome == ovs::TResourceWalk::Found) {
        if (found.Data.data() < view.data() || found.Data.data() + found.Data.size() > view.data() + view.size())
            __builtin_trap();
        const std::string clean = OnlyResource(found.Data);
        if (ovs::ListIptcDatasets(clean) != lines) __builtin_trap();
        if (ovs::IptcDeclaresUtf8(clean) != ovs::IptcDeclaresUtf8(view)) __builtin_trap();
    } else if (found.Outcome == ovs::TResourceWalk::Absent) {
        if (!found.Data.empty() || !lines.empty() || ovs::IptcDeclaresUtf8(view)) __builtin_trap();
    }
    return 0;
}
