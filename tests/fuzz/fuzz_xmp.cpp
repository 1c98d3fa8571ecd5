// ReadXmpDescriptions on raw packet bytes (expat), and the XP* tags of the
// same bytes taken as a TIFF block: whatever the input, each text is strict
// UTF-8 within its line.
#include <string_view>

#include "Utf8Text.h"
#include "XmpReader.h"
#include "XpTags.h"

namespace {

void Check(const std::vector<ovs::TNamedText>& found, std::size_t maxBytes) {
    for (const ovs::TNamedText& t : found)
        if (t.Text.size() > maxBytes || !ovs::IsUtf8Text(t.Text)) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Check(ovs::ReadXmpDescriptions(bytes), ovs::DescriptionLength);
    // 25 units of up to 3 bytes, and U+FFFD for a last half unit.
    Check(ovs::ReadXpTags(bytes), 25 * 3 + 3);
    return 0;
}
