// The commands behind the menu items: the list file, the viewer started beside
// the registered library, the failures a user can meet, and the caption
// item's texts.
#include "viewer/StandInInstall.h"

#include "OvShellMenuConsts.h"
#include "OvShellMenuUtils.h"
#include "lumSysUtils.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <thread>

namespace ovs::test {
namespace {

// The list file named at the end of a viewer command line after the switch.
std::string ListFileOf(const std::string& commandLine, const std::string& switchText) {
    std::smatch match;
    const std::regex pattern(" " + switchText + " \"([^\"]*)\"$");
    return std::regex_search(commandLine, match, pattern) ? match[1].str() : std::string("<no match>");
}

// The shell menu as the library sets it up at load, with its registration
// pointing at an installed copy beside the stand-in viewer.
class CommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitPlatformFlags();
        CreateCaptionReader();
        SetupMenuItems();
        RegWriteString(HKEY_CLASSES_ROOT, kServerKeyPath, "", server_.Dll());
        before_ = ListFilesInTemp();
    }
    void TearDown() override {
        RegRemoveKey(HKEY_CLASSES_ROOT, kClsidKeyPath);
        for (const std::string& name : ListFilesInTemp())
            if (!before_.count(name)) DeleteFileA(name.c_str());
        FreeMenuItems();
        FreeCaptionReader();
    }

    std::set<std::string> NewListFiles() const {
        std::set<std::string> added;
        for (const std::string& name : ListFilesInTemp())
            if (!before_.count(name)) added.insert(name);
        return added;
    }

    // As after a menu that held every item.
    TlumShellMenuItem& Item(int position) {
        TlumShellMenuItem& item = *MenuItems->Items(position);
        item.Index = position;
        return item;
    }

    TInstalledServer server_;
    std::set<std::string> before_;
};

TEST_F(CommandTest, TwoCommandsInARowWriteTwoDifferentListFiles) {
    const TSelection selection = {"C:\\pics\\a.jpg"};
    MenuItemClick(Item(1), selection.back(), selection);
    MenuItemClick(Item(1), selection.back(), selection);
    const auto records = server_.WaitForRecords(2);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_NE(ListFileOf(records[0].CommandLine, "-show"), ListFileOf(records[1].CommandLine, "-show"));
    EXPECT_EQ(NewListFiles().size(), 2u);
}

TEST_F(CommandTest, TheListFileHoldsEveryEntryAsGivenEachEndedByCrLf) {
    const struct {
        const char* Name;
        TSelection Selection;
        const char* Bytes;
    } cases[] = {
        {"files of any type", {"C:\\a.jpg", "C:\\notes.txt"}, "C:\\a.jpg\r\nC:\\notes.txt\r\n"},
        {"a folder is not expanded", {"C:\\pics"}, "C:\\pics\r\n"},
        {"an unreadable shortcut leaves an empty line", {"C:\\a.jpg", "", "C:\\b.gif"},
         "C:\\a.jpg\r\n\r\nC:\\b.gif\r\n"},
        {"ANSI bytes pass unchanged", {"C:\\Fotos\\M\xFC" "nchen.jpg"}, "C:\\Fotos\\M\xFC" "nchen.jpg\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string list = WriteListFile(c.Selection);
        ASSERT_FALSE(list.empty());
        EXPECT_EQ(ReadFileBytes(list), c.Bytes);
        DeleteFileA(list.c_str());
    }
}

TEST_F(CommandTest, AMissingViewerDeletesTheListFileAndReportsTheFatalError) {
    server_.RemoveViewer();
    const TSelection selection = {"C:\\pics\\a.jpg"};
    try {
        MenuItemClick(Item(1), selection.back(), selection);
        FAIL() << "no error";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(),
                     "Fatal error: the file OVSSHOW.EXE was not found. Please reinstall Orvane Slide Show.");
    }
    EXPECT_TRUE(NewListFiles().empty());
    Sleep(300);
    EXPECT_TRUE(server_.Records().empty());
}

TEST_F(CommandTest, AnUnreadableRegistrationNamesItsKeyAndKeepsTheListFile) {
    RegRemoveKey(HKEY_CLASSES_ROOT, kClsidKeyPath);
    const TSelection selection = {"C:\\pics\\a.jpg"};
    try {
        MenuItemClick(Item(2), selection.back(), selection);
        FAIL() << "no error";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(),
                     "Unable to open the CLSID\\{6F0B2D4E-93A1-4C7E-8B25-1D9E4A7C3F60}\\InprocServer32 key");
    }
    EXPECT_EQ(NewListFiles().size(), 1u);
    EXPECT_TRUE(server_.Records().empty());
}

TEST_F(CommandTest, AnEmptyRegisteredPathMeansAMissingViewer) {
    RegWriteString(HKEY_CLASSES_ROOT, kServerKeyPath, "", "");
    const TSelection selection = {"C:\\pics\\a.jpg"};
    EXPECT_THROW(MenuItemClick(Item(3), selection.back(), selection), ECommandError);
    EXPECT_TRUE(NewListFiles().empty());
}

TEST_F(CommandTest, ItemsWithoutACommandAndAnEmptySelectionRunNothing) {
    const TSelection selection = {"C:\\pics\\a.jpg"};
    MenuItemClick(Item(0), selection.back(), selection);
    MenuItemClick(Item(5), selection.back(), selection);
    // No selection: nothing to show, and no list file left behind for good.
    MenuItemClick(Item(1), "", {});
    Sleep(300);
    EXPECT_TRUE(server_.Records().empty());
    EXPECT_TRUE(NewListFiles().empty());
}

TEST(ViewerPath, TheLibraryExtensionBecomesExe) {
    const struct {
        const char* Library;
        const char* Viewer;
    } cases[] = {
        {"C:\\Program Files\\OVS\\OvSShow.dll", "C:\\Program Files\\OVS\\OvSShow.exe"},
        {"C:\\PROGRA~1\\OVS\\OVSSHOW.DLL", "C:\\PROGRA~1\\OVS\\OVSSHOW.exe"},
        {"C:\\my.app\\OvSShow", "C:\\my.app\\OvSShow.exe"},
        {"C:OvSShow.x.dll", "C:OvSShow.x.exe"},
        {"", ".exe"},
    };
    for (const auto& c : cases) EXPECT_EQ(ViewerPathFor(c.Library), c.Viewer) << c.Library;
}

// --- The caption item -------------------------------------------------------------

// A JPEG holding an APP13 section whose IPTC data carries this caption.
std::string JpegWithCaption(const std::string& caption) {
    std::string iptc = std::string("\x1C\x02\x00\x00\x02\x00\x04", 7);
    if (!caption.empty()) {
        iptc += std::string("\x1C\x02\x78", 3);
        iptc += static_cast<char>(caption.size() >> 8);
        iptc += static_cast<char>(caption.size() & 0xFF);
        iptc += caption;
    }
    if (iptc.size() % 2) iptc += '\0';
    std::string resource = std::string("8BIM\x04\x04\x00\x00", 8);
    for (int shift = 24; shift >= 0; shift -= 8) resource += static_cast<char>((iptc.size() >> shift) & 0xFF);
    resource += iptc;
    const std::string payload = std::string("Photoshop 3.0\0", 14) + resource;
    const size_t length = payload.size() + 2;
    std::string jpeg = std::string("\xFF\xD8\xFF\xED", 4);
    jpeg += static_cast<char>(length >> 8);
    jpeg += static_cast<char>(length & 0xFF);
    jpeg += payload;
    jpeg += std::string("\xFF\xD9", 2);
    return jpeg;
}

TEST(CaptionItem, ItsTextsComeFromTheImage) {
    CreateCaptionReader();
    TScratchDir dir("cap");
    const struct {
        const char* File;
        std::string Bytes;
        const char* Caption;
        const char* Hint;
    } cases[] = {
        {"beach.jpg", JpegWithCaption("Beach"), "Edit Caption for beach.jpg", "Current Caption: Beach"},
        {"plain.jpg", JpegWithCaption(""), "Set Caption for plain.jpg", "Current Caption: "},
        {"spaces.jpg", JpegWithCaption("  Beach \r\n"), "Edit Caption for spaces.jpg", "Current Caption: Beach"},
        // The caption is looked up in .jpg files only.
        {"beach.jpeg", JpegWithCaption("Beach"), "Set Caption for beach.jpeg", "Current Caption: "},
        {"beach.jpe", JpegWithCaption("Beach"), "Set Caption for beach.jpe", "Current Caption: "},
        {"beach.jfif", JpegWithCaption("Beach"), "Set Caption for beach.jfif", "Current Caption: "},
        {"broken.jpg", std::string("\xFF\xD8\xFF\xED\xFF", 5), "Set Caption for broken.jpg", "Current Caption: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.File);
        WriteFileBytes(dir / c.File, c.Bytes);
        const TCaptionTexts texts = PrepareCaptionItem(dir / c.File);
        EXPECT_EQ(texts.Caption, c.Caption);
        EXPECT_EQ(texts.Hint, c.Hint);
    }
    const TCaptionTexts missing = PrepareCaptionItem(dir / "gone.jpg");
    EXPECT_EQ(missing.Caption, "Set Caption for gone.jpg");
    FreeCaptionReader();
}

TEST(CaptionItem, ARealCameraImageShowsItsCaption) {
    CreateCaptionReader();
    const TCaptionTexts texts = PrepareCaptionItem(CorpusDir() + "\\FujiFilm_FinePixS1Pro_4.jpg");
    EXPECT_EQ(texts.Caption, "Edit Caption for FujiFilm_FinePixS1Pro_4.jpg");
    EXPECT_EQ(texts.Hint, "Current Caption: The Gateshead Angel");
    FreeCaptionReader();
}

TEST(CaptionItem, MenusOnTwoThreadsGetEachTheirOwnImagesCaption) {
    // Two Explorer windows may build their menus at the same moment; they
    // share one reader.
    CreateCaptionReader();
    TScratchDir dir("cap2");
    WriteFileBytes(dir / "beach.jpg", JpegWithCaption("Beach"));
    const std::string angel = CorpusDir() + "\\FujiFilm_FinePixS1Pro_4.jpg";
    int wrong[2] = {0, 0};
    auto menus = [&](int slot, const std::string& path, const std::string& hint) {
        for (int i = 0; i < 150; ++i) wrong[slot] += PrepareCaptionItem(path).Hint != hint;
    };
    std::thread first(menus, 0, dir / "beach.jpg", "Current Caption: Beach");
    std::thread second(menus, 1, angel, "Current Caption: The Gateshead Angel");
    first.join();
    second.join();
    EXPECT_EQ(wrong[0], 0);
    EXPECT_EQ(wrong[1], 0);
    FreeCaptionReader();
}

} // namespace
} // namespace ovs::test
