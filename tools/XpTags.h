// The descriptions Explorer's Properties page writes into a photo: the XP*
// tags of the first directory (0x9C9B-0x9C9F), BYTE arrays of UTF-16LE text.
// The reader's tables don't know them; ovsinfo shows them by name.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "NamedText.h"

namespace ovs {

// The XP* texts of the first directory of tiff (a TIFF header and what
// follows it, offsets counted from its first byte), in tag order: XPTitle,
// XPComment, XPAuthor, XPKeywords, XPSubject. Each is the first 50 bytes of
// its value up to a NUL unit, never splitting a surrogate pair; an odd last
// byte or an unpaired surrogate shows as U+FFFD. Never raises on any bytes.
std::vector<TNamedText> ReadXpTags(std::string_view tiff);

// The same over a TIFF file too large to hold: Read gives the bytes at an
// offset (fewer where the file ends); Size is the file's size.
struct TTiffSource {
    std::uint64_t Size = 0;
    std::function<std::string(std::uint64_t offset, std::size_t count)> Read;
};
std::vector<TNamedText> ReadXpTags(const TTiffSource& tiff);

// The text of one XP* value (the decoding above).
std::string XpText(std::string_view value);

} // namespace ovs
