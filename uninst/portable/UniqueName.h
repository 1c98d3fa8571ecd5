// Names for files that must not collide with anything already in a folder.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace ovs {

inline constexpr std::uint32_t kMaxUniqueNumber = 0x1FFFFFF; // 25 bits

// Five characters of "0123456789ABCDEFGHIJKLMNOPQRSTUV", five bits each, the
// most significant first; only the low 25 bits of number count.
std::string UniqueCode(std::uint32_t number);

// The first of folder + "is-" + UniqueCode(n) + extension, for n counting up
// from start + 1 and wrapping after kMaxUniqueNumber, that exists() denies.
// start itself is never tried. folder must already end in its separator.
// Raises "Too many files in directory" when every other number is taken.
std::string FirstFreeUniqueName(std::string_view folder, std::string_view extension,
                                std::uint32_t start,
                                const std::function<bool(const std::string&)>& exists);

} // namespace ovs
