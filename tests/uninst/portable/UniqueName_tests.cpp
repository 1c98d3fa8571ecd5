#include "UniqueName.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <vector>

namespace ovs {
namespace {

TEST(UniqueCodeTest, FiveBitsPerCharacterMostSignificantFirst) {
    const std::vector<std::pair<std::uint32_t, std::string>> cases{
        {0, "00000"},          {1, "00001"},        {31, "0000V"},  {32, "00010"},
        {0x1FFFFFF, "VVVVV"},  {0x100000, "10000"}, {0xA5, "00055"}, {0x2000000, "00000"},
        {0xFFFFFFFF, "VVVVV"},
    };
    for (const auto& [n, code] : cases) EXPECT_EQ(UniqueCode(n), code) << n;
}

TEST(FirstFreeUniqueNameTest, StartsAfterStart) {
    std::vector<std::string> asked;
    const auto name = FirstFreeUniqueName("C:\\W\\", ".tmp", 41, [&](const std::string& c) {
        asked.push_back(c);
        return asked.size() < 3;
    });
    EXPECT_EQ(asked, (std::vector<std::string>{"C:\\W\\is-0001A.tmp", "C:\\W\\is-0001B.tmp",
                                               "C:\\W\\is-0001C.tmp"}));
    EXPECT_EQ(name, "C:\\W\\is-0001C.tmp");
}

TEST(FirstFreeUniqueNameTest, WrapsFromTheLastNumberToZero) {
    std::vector<std::string> asked;
    const auto name = FirstFreeUniqueName("", ".x", kMaxUniqueNumber - 1, [&](const std::string& c) {
        asked.push_back(c);
        return asked.size() < 3;
    });
    EXPECT_EQ(asked, (std::vector<std::string>{"is-VVVVV.x", "is-00000.x", "is-00001.x"}));
    EXPECT_EQ(name, "is-00001.x");
}

TEST(FirstFreeUniqueNameTest, EveryOtherNumberTakenRaisesAndStartIsNeverTried) {
    std::uint64_t calls = 0;
    bool startTried = false;
    try {
        FirstFreeUniqueName("", "", 7, [&](const std::string& c) {
            ++calls;
            startTried = startTried || c == "is-00007";
            return true;
        });
        FAIL() << "no error raised";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Too many files in directory");
    }
    EXPECT_EQ(calls, kMaxUniqueNumber);
    EXPECT_FALSE(startTried);
}

} // namespace
} // namespace ovs
