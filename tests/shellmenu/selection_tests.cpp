// The selection filter on real folders and shell links under Wine (which
// extensions count is checked through real menus in handler_tests).
#include "OvTools.h"
#include "ShellTestSupport.h"
#include "WinTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

using namespace ovs;
using ovs::test::MakeShortcut;
using ovs::test::TouchFile;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAreArray;

namespace {

TEST(PathText, AddPathDelimiterAndExtensionOf) {
    const std::pair<const char*, const char*> delimited[] = {
        {"", ""}, {" \t ", ""}, {"C:\\Photos", "C:\\Photos\\"}, {"C:\\Photos\\", "C:\\Photos\\"},
        {"C:", "C:"}, {"share/dir/", "share/dir/"}, {" \tC:\\Photos \r\n", "C:\\Photos\\"},
    };
    for (const auto& [in, out] : delimited) EXPECT_EQ(AddPathDelimiter(in), out) << "[" << in << "]";
    const std::pair<const char*, const char*> extensions[] = {
        {"C:\\a\\photo.tar.png", ".png"}, {"C:\\a\\archive.jpg.txt", ".txt"}, {"C:\\a\\photo.", "."},
        {"C:\\a\\photo", ""}, {"C:\\dir.jpg\\photo", ""}, {"C:photo.gif", ".gif"}, {"D:", ""},
    };
    for (const auto& [path, extension] : extensions) EXPECT_EQ(ExtensionOf(path), extension) << path;
}

TEST(PathText, ImageExtensionsAreTheSeventeenInOrder) {
    EXPECT_STREQ(ImageExtensions, "bmp\r\njfif\r\njpg\r\njpe\r\njpeg\r\nrle\r\ndib\r\ntga\r\ntiff\r\ntif\r\n"
                                  "pcx\r\npsd\r\npdd\r\npcd\r\ngif\r\npsp\r\npng");
}

class SelectionFilter : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return dir / name; }
    std::vector<std::string> Paths(const std::vector<std::string>& names) const {
        std::vector<std::string> out;
        for (const auto& n : names) out.push_back(Path(n));
        return out;
    }
    std::vector<std::string> Filter(const std::vector<std::string>& names) {
        selection = Paths(names);
        return BuildImageList(selection, static_cast<int>(selection.size()));
    }

    test::TComApartment apartment;
    test::TScratchDir dir{"sel"};
    std::vector<std::string> selection;
};

TEST_F(SelectionFilter, FolderContributesEveryImageNamedEntryDirectlyInside) {
    for (const char* folder : {"album", "album\\sub", "album\\dir.jpg"}) CreateDirectoryA(Path(folder).c_str(), nullptr);
    for (const char* file : {"one.jpg", "two.PNG", "hidden.gif", "system.bmp", "readme.txt", "sub\\deep.jpg"})
        TouchFile(Path(std::string("album\\") + file));
    SetFileAttributesA(Path("album\\hidden.gif").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA(Path("album\\system.bmp").c_str(), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
    MakeShortcut(Path("album\\pic.lnk"), Path("elsewhere.tga"));
    MakeShortcut(Path("album\\doc.lnk"), Path("notes.txt"));

    const auto expected = Paths({"album\\one.jpg", "album\\two.PNG", "album\\hidden.gif", "album\\system.bmp",
                                 "album\\dir.jpg", "elsewhere.tga"});
    EXPECT_THAT(Filter({"album"}), UnorderedElementsAreArray(expected));
    EXPECT_THAT(selection, ElementsAre(Path("album"))) << "a folder entry is never rewritten";
    selection = {Path("album") + "\\"};
    EXPECT_THAT(BuildImageList(selection, 1), UnorderedElementsAreArray(expected));
    // Only the first SelectedCount entries are looked at; duplicates stay.
    TouchFile(Path("a.jpg"));
    selection = Paths({"a.jpg", "a.jpg", "a.jpg"});
    EXPECT_THAT(BuildImageList(selection, 2), ElementsAre(Path("a.jpg"), Path("a.jpg")));
    SetFileAttributesA(Path("album\\system.bmp").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(SelectionFilter, ShortcutEntriesAreReplacedByTheirTargets) {
    CreateDirectoryA(Path("album").c_str(), nullptr);
    for (const char* file : {"album\\one.jpg", "album\\two.gif", "pic.png", "doc.txt"}) TouchFile(Path(file));
    MakeShortcut(Path("to-png.lnk"), Path("pic.png"));
    MakeShortcut(Path("to-folder.LNK"), Path("album"));
    MakeShortcut(Path("to-text.lnk"), Path("doc.txt"));
    MakeShortcut(Path("broken.lnk"), Path("gone.jpg"));
    TouchFile(Path("garbage.lnk"), "this is no shell link");
    const struct {
        const char* name;
        std::vector<std::string> images;
        std::string entry;  // the selection entry afterwards
    } cases[] = {
        {"to-png.lnk", {Path("pic.png")}, Path("pic.png")},
        {"to-folder.LNK", Paths({"album\\one.jpg", "album\\two.gif"}), Path("album")},
        {"to-text.lnk", {}, Path("doc.txt")},
        {"broken.lnk", {}, Path("gone.jpg")},  // Wine keeps a deleted target's path
        {"garbage.lnk", {}, ""},
        {"missing.lnk", {}, ""},
    };
    for (const auto& c : cases) {
        EXPECT_THAT(Filter({c.name}), UnorderedElementsAreArray(c.images)) << c.name;
        EXPECT_EQ(selection[0], c.entry) << c.name;
    }
}

TEST(SelectionFilterWithoutCom, EndsQuietlyWithWhatWasFound) {
    // No apartment on this thread: the shell link object can't be created,
    // which ends the build after the image met before the shortcut.
    test::TScratchDir dir("nocom");
    TouchFile(dir / "a.jpg");
    TouchFile(dir / "b.jpg");
    std::vector<std::string> selection = {dir / "a.jpg", dir / "x.lnk", dir / "b.jpg"};
    std::vector<std::string> images;
    std::thread([&] { images = BuildImageList(selection, 3); }).join();
    EXPECT_THAT(images, ElementsAre(dir / "a.jpg"));
}

} // namespace
