// A text an image describes itself with, beyond the reader's own tables: the
// name its format gives it and its text as UTF-8, held to the reader's line.
#pragma once

#include <cstddef>
#include <string>

namespace ovs {

struct TNamedText {
    std::string Name;
    std::string Text;
};

// Bytes of a description kept, as every value of the reader's lines keeps.
constexpr std::size_t DescriptionLength = 50;

} // namespace ovs
