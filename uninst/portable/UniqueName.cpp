#include "UniqueName.h"

#include <stdexcept>

namespace ovs {

namespace {

void WriteUniqueCode(std::uint32_t number, char* out) {
    static constexpr char kAlphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUV";
    for (int i = 4; i >= 0; --i) {
        out[i] = kAlphabet[number & 0x1F];
        number >>= 5;
    }
}

} // namespace

std::string UniqueCode(std::uint32_t number) {
    std::string code(5, '0');
    WriteUniqueCode(number, code.data());
    return code;
}

std::string FirstFreeUniqueName(std::string_view folder, std::string_view extension,
                                std::uint32_t start,
                                const std::function<bool(const std::string&)>& exists) {
    start &= kMaxUniqueNumber;
    std::string candidate(folder);
    candidate += "is-";
    const std::size_t codeAt = candidate.size();
    candidate += "00000";
    candidate += extension;
    std::uint32_t n = start;
    do {
        n = (n >= kMaxUniqueNumber) ? 0 : n + 1;
        if (n == start) throw std::runtime_error("Too many files in directory");
        WriteUniqueCode(n, candidate.data() + codeAt);
    } while (exists(candidate));
    return candidate;
}

} // namespace ovs
