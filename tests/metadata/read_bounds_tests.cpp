// What one read may cost: whatever a crafted Exif block claims, the lists of
// a file stay within its size. The walks of one read share one budget of
// entries, the room the Exif data has for 12-byte entries.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "JpegScanner.h"
#include "support/CostlyExif.h"
#include "support/ImageBuilder.h"

namespace ovs {
namespace {

size_t CountLines(const std::string& list) {
    size_t lines = 0;
    for (size_t at = list.find("\r\n"); at != std::string::npos; at = list.find("\r\n", at + 2)) ++lines;
    return lines;
}

TEST(ReadBounds, ListsStayWithinTheFileWhateverTheBlockClaims) {
    test::ScratchDir dir;
    auto s = std::make_unique<TReaderState>();
    for (test::TCostlyKind kind : test::CostlyKinds) {
        for (size_t size : {1024u, 8192u, 65536u}) {
            const std::string bytes = test::CostlyJpeg(kind, size);
            const std::string name = std::string(test::CostlyKindName(kind)) + std::to_string(size);
            ReadImageFile(*s, dir.Write(name + ".jpg", bytes));
            const TImageInfo& info = s->ImageInfo;
            const size_t lines = CountLines(info.TagList) + CountLines(info.MakerNoteList);
            const size_t room = bytes.size() / 12;
            EXPECT_LE(lines, room) << name;
            // The construction does reach the bound: it isn't cut some other way.
            EXPECT_GE(lines, room * 9 / 10) << name;
            // A line holds a name, " = " and at most the 64 characters of a
            // rendering routine: 8 bytes of list per byte of file at most.
            EXPECT_LE(info.TagList.size() + info.MakerNoteList.size(), 8 * bytes.size()) << name;
        }
    }
}

TEST(ReadBounds, MakerNoteOnTheFirstDirectoryListsNothingTwice) {
    test::ScratchDir dir;
    auto s = std::make_unique<TReaderState>();
    const std::string bytes = test::CostlyJpeg(test::TCostlyKind::MakerNoteOnFirstDirectory, 4096);
    ReadImageFile(*s, dir.Write("twice.jpg", bytes));
    EXPECT_TRUE(s->ImageInfo.HasMakerNote);
    EXPECT_EQ(s->ImageInfo.MakerNoteMake, "NIKON");
    // The Exif walk used the budget the block has; the maker note is the same
    // bytes and gets no budget of its own.
    EXPECT_GE(CountLines(s->ImageInfo.TagList), bytes.size() / 12 - 4);
    EXPECT_LE(CountLines(s->ImageInfo.MakerNoteList), 4u);
}

TEST(ReadBounds, EveryReadStartsAFreshBudget) {
    test::ScratchDir dir;
    auto s = std::make_unique<TReaderState>();
    const std::string path = dir.Write("again.jpg", test::CostlyJpeg(test::TCostlyKind::WholeBlockValues, 2048));
    ReadImageFile(*s, path);
    const std::string first = s->ImageInfo.TagList + s->ImageInfo.MakerNoteList;
    ReadImageFile(*s, path);
    EXPECT_EQ(s->ImageInfo.TagList + s->ImageInfo.MakerNoteList, first);
    EXPECT_FALSE(first.empty());
}

} // namespace
} // namespace ovs
