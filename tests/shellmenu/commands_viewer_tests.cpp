// The commands behind the menu items: the list file, the viewer started beside
// the registered library, the failures a user can meet, and the caption
// item's texts.
#include "viewer/StandInInstall.h"
#include "CaptionJpeg.h"
#include "ImportPatch.h"

#include "OvShellMenuConsts.h"
#include "OvShellMenuUtils.h"
#include "WinText.h"
#include "lumSysUtils.h"

#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <set>
#include <thread>

namespace ovs::test {
namespace {

std::wstring W(const std::string& ansi) { return ovs::WideFromAnsi(ansi); }
std::wstring WidePath(const TScratchDir& dir, const std::wstring& name) { return W(dir.path()) + L"\\" + name; }

// The alias GetShortPathNameW gives (never hard-coded: Wine's are hashed),
// in the ANSI form a viewer reads.
std::string AliasOf(const std::wstring& path) {
    wchar_t alias[MAX_PATH + 1] = {};
    const DWORD n = GetShortPathNameW(path.c_str(), alias, MAX_PATH);
    return n && n < MAX_PATH ? ovs::ExactAnsiOf(alias).value_or("<not ANSI>") : "<no alias>";
}

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
    const TSelection selection = {L"C:\\pics\\a.jpg"};
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
        {"files of any type", {L"C:\\a.jpg", L"C:\\notes.txt"}, "C:\\a.jpg\r\nC:\\notes.txt\r\n"},
        {"a folder is not expanded", {L"C:\\pics"}, "C:\\pics\r\n"},
        {"an unreadable shortcut leaves an empty line", {L"C:\\a.jpg", L"", L"C:\\b.gif"},
         "C:\\a.jpg\r\n\r\nC:\\b.gif\r\n"},
        {"names in the code page pass exactly", {L"C:\\Fotos\\M\u00FCnchen.jpg"}, "C:\\Fotos\\M\xFC" "nchen.jpg\r\n"},
        // No file, so no alias: the line keeps its place, and its '|' is
        // in no file name and no wildcard.
        {"a name outside the code page with no alias", {L"C:\\gone\\\u03A9mega.jpg"}, "C:\\gone\\|mega.jpg\r\n"},
        {"a character beyond the first plane is one character",
         {L"C:\\gone\\\U0001F334\u03A9.jpg"}, "C:\\gone\\||.jpg\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string list = WriteListFile(c.Selection);
        ASSERT_FALSE(list.empty());
        EXPECT_EQ(ReadFileBytes(list), c.Bytes);
        DeleteFileA(list.c_str());
    }
}

TEST_F(CommandTest, ALineForANameWithNoAnsiFormFindsNoOtherFile) {
    // A viewer that looks its lines up with FindFirstFile must not be led to
    // a neighbour: "?.jpg" would find a.jpg.
    TScratchDir dir("nofile");
    WriteFileBytes(WidePath(dir, L"a.jpg"), "");
    for (const wchar_t* missing : {L"\u03A9.jpg", L"\U0001F334.jpg", L"\u4E00\u4E8C.jpg"}) {
        const std::string list = WriteListFile({WidePath(dir, missing)});
        ASSERT_FALSE(list.empty());
        std::string line = ReadFileBytes(list);
        DeleteFileA(list.c_str());
        ASSERT_TRUE(line.ends_with("\r\n"));
        line.resize(line.size() - 2);
        EXPECT_EQ(line.find_first_of("?*<>\""), std::string::npos) << line;
        WIN32_FIND_DATAA found;
        const HANDLE search = FindFirstFileA(line.c_str(), &found);
        EXPECT_EQ(search, INVALID_HANDLE_VALUE) << line << " finds " << found.cFileName;
        if (search != INVALID_HANDLE_VALUE) FindClose(search);
        EXPECT_EQ(GetFileAttributesA(line.c_str()), INVALID_FILE_ATTRIBUTES) << line;
    }
}

TEST_F(CommandTest, NamesOutsideTheCodePageAreListedByTheirAlias) {
    TScratchDir dir("names");
    const std::wstring names[] = {L"\u30BD\u8868.jpg", L"\U0001F334 beach.jpg", L"Caf\u00E9.jpg", L"\u03A9mega.jpg"};
    TSelection selection;
    std::string expected;
    for (const std::wstring& name : names) {
        const std::wstring path = WidePath(dir, name);
        WriteFileBytes(path, "");
        selection.push_back(path);
    }
    const std::wstring folder = WidePath(dir, L"\u5199\u771F");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    selection.push_back(folder);
    for (const std::wstring& path : selection)
        // Caf\u00E9 has an exact ANSI form; the others only their 8.3 alias.
        expected += (path.find(L"Caf") != std::wstring::npos ? *ovs::ExactAnsiOf(path) : AliasOf(path)) + "\r\n";

    MenuItemClick(Item(1), selection.back(), selection);
    const auto records = server_.WaitForRecords(1);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].ListBytes, expected);
    // Every line opens its entry.
    for (const std::wstring& path : selection)
        EXPECT_NE(GetFileAttributesA(AliasOf(path).c_str()), INVALID_FILE_ATTRIBUTES);
}

// The temporary folder as the environment names it, for this process and
// what it starts.
class TTempFolder {
public:
    explicit TTempFolder(const std::wstring& folder) : tmp_(Get(L"TMP")), temp_(Get(L"TEMP")) {
        SetEnvironmentVariableW(L"TMP", folder.c_str());
        SetEnvironmentVariableW(L"TEMP", folder.c_str());
    }
    ~TTempFolder() {
        SetEnvironmentVariableW(L"TMP", tmp_.c_str());
        SetEnvironmentVariableW(L"TEMP", temp_.c_str());
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

private:
    static std::wstring Get(const wchar_t* name) {
        wchar_t value[MAX_PATH + 1] = {};
        GetEnvironmentVariableW(name, value, MAX_PATH);
        return value;
    }
    std::wstring tmp_, temp_;
};

TEST_F(CommandTest, ATemporaryFolderOutsideTheCodePageHoldsTheListTheViewerIsHanded) {
    TScratchDir dir("tmp");
    const std::wstring folder = WidePath(dir, L"\u0418\u0432\u0430\u043D");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const TSelection selection = {L"C:\\pics\\a.jpg"};
    {
        TTempFolder temp(folder);
        MenuItemClick(Item(1), selection.back(), selection);
    }
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((folder + L"\\ovs*.tmp").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE) << "no list file in the temporary folder";
    FindClose(find);
    const std::wstring list = folder + L"\\" + found.cFileName;
    const auto records = server_.WaitForRecords(1);
    ASSERT_EQ(records.size(), 1u);
    // The viewer reads ANSI: it is handed the list's 8.3 alias, and reads
    // the list through it.
    EXPECT_EQ(ListFileOf(records[0].CommandLine, "-show"), AliasOf(list));
    EXPECT_EQ(records[0].ListBytes, "C:\\pics\\a.jpg\r\n");
}

TEST_F(CommandTest, ALibraryInAFolderOutsideTheCodePageFindsAndStartsItsViewer) {
    TScratchDir dir("far");
    const std::wstring folder = WidePath(dir, L"\u5199\u771F \u03A9");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(W(StandInViewer()).c_str(), (folder + L"\\OvSShow.exe").c_str(), FALSE));
    RegWriteStringW(HKEY_CLASSES_ROOT, W(kServerKeyPath), L"", folder + L"\\OvSShow.dll");
    const TSelection selection = {L"C:\\pics\\a.jpg"};
    MenuItemClick(Item(1), selection.back(), selection);
    std::string record;
    WaitFor([&] {
        WIN32_FIND_DATAW found{};
        HANDLE find = FindFirstFileW((folder + L"\\run-*.rec").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return false;
        FindClose(find);
        record = ReadFileBytes(AliasOf(folder + L"\\" + found.cFileName));
        return true;
    });
    ASSERT_FALSE(record.empty()) << "the viewer was not started";
    // Its ANSI command line ends in the parameters, exactly.
    const std::string commandLine = record.substr(0, record.find('\n'));
    EXPECT_EQ(ListFileOf(commandLine, "-show").rfind(TempFolder() + "ovs", 0), 0u) << commandLine;
    EXPECT_EQ(record.substr(record.find('\n') + 1), "C:\\pics\\a.jpg\r\n");
}

TEST_F(CommandTest, AMissingViewerDeletesTheListFileAndReportsTheFatalError) {
    server_.RemoveViewer();
    const TSelection selection = {L"C:\\pics\\a.jpg"};
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
    const TSelection selection = {L"C:\\pics\\a.jpg"};
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
    const TSelection selection = {L"C:\\pics\\a.jpg"};
    EXPECT_THROW(MenuItemClick(Item(3), selection.back(), selection), ECommandError);
    EXPECT_TRUE(NewListFiles().empty());
}

TEST_F(CommandTest, ItemsWithoutACommandAndAnEmptySelectionRunNothing) {
    const TSelection selection = {L"C:\\pics\\a.jpg"};
    MenuItemClick(Item(0), selection.back(), selection);
    MenuItemClick(Item(5), selection.back(), selection);
    // No selection: nothing to show, and no list file left behind for good.
    MenuItemClick(Item(1), L"", {});
    Sleep(300);
    EXPECT_TRUE(server_.Records().empty());
    EXPECT_TRUE(NewListFiles().empty());
}

TEST(ViewerPath, TheLibraryExtensionBecomesExe) {
    const struct {
        const wchar_t* Library;
        const wchar_t* Viewer;
    } cases[] = {
        {L"C:\\Program Files\\OVS\\OvSShow.dll", L"C:\\Program Files\\OVS\\OvSShow.exe"},
        {L"C:\\PROGRA~1\\OVS\\OVSSHOW.DLL", L"C:\\PROGRA~1\\OVS\\OVSSHOW.exe"},
        {L"C:\\my.app\\OvSShow", L"C:\\my.app\\OvSShow.exe"},
        {L"C:OvSShow.x.dll", L"C:OvSShow.x.exe"},
        {L"C:\\\u5199\u771F.v1\\OvSShow.dll", L"C:\\\u5199\u771F.v1\\OvSShow.exe"},
        {L"", L".exe"},
    };
    for (const auto& c : cases) EXPECT_EQ(ViewerPathFor(c.Library), c.Viewer) << ovs::LossyAnsiOf(c.Library);
}

// --- The caption item -------------------------------------------------------------

TEST(CaptionItem, ItsTextsComeFromTheImage) {
    InitPlatformFlags();
    CreateCaptionReader();
    TScratchDir dir("cap");
    const struct {
        const wchar_t* File;
        std::string Bytes;
        const wchar_t* Caption;
        const wchar_t* Hint;
    } cases[] = {
        {L"beach.jpg", JpegWithCaption("Beach"), L"Edit Caption for beach.jpg", L"Current Caption: Beach"},
        {L"plain.jpg", JpegWithCaption(""), L"Set Caption for plain.jpg", L"Current Caption: "},
        {L"spaces.jpg", JpegWithCaption("  Beach \r\n"), L"Edit Caption for spaces.jpg", L"Current Caption: Beach"},
        // The caption is looked up in .jpg files only.
        {L"beach.jpeg", JpegWithCaption("Beach"), L"Set Caption for beach.jpeg", L"Current Caption: "},
        {L"beach.jpe", JpegWithCaption("Beach"), L"Set Caption for beach.jpe", L"Current Caption: "},
        {L"beach.jfif", JpegWithCaption("Beach"), L"Set Caption for beach.jfif", L"Current Caption: "},
        {L"broken.jpg", std::string("\xFF\xD8\xFF\xED\xFF", 5), L"Set Caption for broken.jpg", L"Current Caption: "},
        // Names in any script are shown as they are, and their caption is read.
        {L"\u30BD\u8868.jpg", JpegWithCaption("Beach"), L"Edit Caption for \u30BD\u8868.jpg",
         L"Current Caption: Beach"},
        {L"\U0001F334 beach.jpg", JpegWithCaption("Sea"), L"Edit Caption for \U0001F334 beach.jpg",
         L"Current Caption: Sea"},
        {L"Caf\u00E9.jpg", JpegWithCaption("Caf\xE9 au lait"), L"Edit Caption for Caf\u00E9.jpg",
         L"Current Caption: Caf\u00E9 au lait"},
        {L"\u03A9mega.jpg", JpegWithCaption("Omega"), L"Edit Caption for \u03A9mega.jpg", L"Current Caption: Omega"},
        // '&' would underline the next character: the menu text doubles it;
        // the caption is shown in the status bar, where '&' is itself.
        {L"Tom & Jerry.jpg", JpegWithCaption("Cat & mouse"), L"Edit Caption for Tom && Jerry.jpg",
         L"Current Caption: Cat & mouse"},
        {L"&&.jpg", JpegWithCaption(""), L"Set Caption for &&&&.jpg", L"Current Caption: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ovs::LossyAnsiOf(c.File));
        const std::wstring path = WidePath(dir, c.File);
        WriteFileBytes(path, c.Bytes);
        const TCaptionTexts texts = PrepareCaptionItem(path);
        EXPECT_EQ(texts.Caption, c.Caption);
        EXPECT_EQ(texts.Hint, c.Hint);
    }
    const TCaptionTexts missing = PrepareCaptionItem(WidePath(dir, L"gone.jpg"));
    EXPECT_EQ(missing.Caption, L"Set Caption for gone.jpg");
    FreeCaptionReader();
}

TEST(CaptionItem, ARealCameraImageShowsItsCaption) {
    InitPlatformFlags();
    CreateCaptionReader();
    const TCaptionTexts texts = PrepareCaptionItem(W(CorpusDir() + "\\FujiFilm_FinePixS1Pro_4.jpg"));
    EXPECT_EQ(texts.Caption, L"Edit Caption for FujiFilm_FinePixS1Pro_4.jpg");
    EXPECT_EQ(texts.Hint, L"Current Caption: The Gateshead Angel");
    FreeCaptionReader();
}

TEST(CaptionItem, MenusOnTwoThreadsGetEachTheirOwnImagesCaption) {
    // Two Explorer windows may build their menus at the same moment; they
    // share one reader.
    InitPlatformFlags();
    CreateCaptionReader();
    TScratchDir dir("cap2");
    WriteFileBytes(dir / "beach.jpg", JpegWithCaption("Beach"));
    const std::wstring angel = W(CorpusDir() + "\\FujiFilm_FinePixS1Pro_4.jpg");
    int wrong[2] = {0, 0};
    auto menus = [&](int slot, const std::wstring& path, const std::wstring& hint) {
        for (int i = 0; i < 150; ++i) wrong[slot] += PrepareCaptionItem(path).Hint != hint;
    };
    std::thread first(menus, 0, W(dir / "beach.jpg"), L"Current Caption: Beach");
    std::thread second(menus, 1, angel, L"Current Caption: The Gateshead Angel");
    first.join();
    second.join();
    EXPECT_EQ(wrong[0], 0);
    EXPECT_EQ(wrong[1], 0);
    FreeCaptionReader();
}

// A file on a slow share holds up its own menu only: the read of one image is
// held inside the C runtime's fread until another window's menu has been
// built, which must not wait for it.
namespace slowread {
HANDLE entered = nullptr;
HANDLE release = nullptr;
std::atomic<DWORD> heldThread{0};
size_t(__cdecl* systemRead)(void*, size_t, size_t, FILE*) = nullptr;
size_t __cdecl HeldRead(void* buffer, size_t size, size_t count, FILE* file) {
    if (GetCurrentThreadId() == heldThread) {
        SetEvent(entered);
        WaitForSingleObject(release, 10000);
    }
    return systemRead(buffer, size, count, file);
}
} // namespace slowread

TEST(CaptionItem, AMenuDoesNotWaitForAnotherWindowsSlowRead) {
    InitPlatformFlags();
    CreateCaptionReader();
    TScratchDir dir("capslow");
    WriteFileBytes(dir / "slow.jpg", JpegWithCaption("Slow"));
    WriteFileBytes(dir / "quick.jpg", JpegWithCaption("Quick"));
    slowread::entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    slowread::release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    test::TImportPatch patch("msvcrt.dll", "fread", reinterpret_cast<void*>(&slowread::HeldRead));
    slowread::systemRead = patch.Original<decltype(slowread::systemRead)>();

    std::wstring slowHint;
    std::thread slow([&] {
        slowread::heldThread = GetCurrentThreadId();
        slowHint = PrepareCaptionItem(W(dir / "slow.jpg")).Hint;
    });
    ASSERT_EQ(WaitForSingleObject(slowread::entered, 10000), WAIT_OBJECT_0);
    std::atomic<bool> quickDone{false};
    std::wstring quickHint;
    std::thread quick([&] {
        quickHint = PrepareCaptionItem(W(dir / "quick.jpg")).Hint;
        quickDone = true;
    });
    for (int i = 0; i < 500 && !quickDone; ++i) Sleep(10);
    const bool quickWhileHeld = quickDone;
    SetEvent(slowread::release);
    slow.join();
    quick.join();
    EXPECT_TRUE(quickWhileHeld) << "the second menu waited for the first one's read";
    EXPECT_EQ(quickHint, L"Current Caption: Quick");
    EXPECT_EQ(slowHint, L"Current Caption: Slow");
    CloseHandle(slowread::entered);
    CloseHandle(slowread::release);
    FreeCaptionReader();
}

// --- Code page 932 ---------------------------------------------------------------
// There the trail byte of a double-byte character may be 0x5C, the code of
// '\': the ANSI form of ソ is 0x83 0x5C. Wine takes the code page from the
// Unix locale of the process: CTest runs this once more under
// LANG=ja_JP.UTF-8 (shellmenu_commands_viewer_cp932).

TEST(CodePage932, ANameWhoseTrailByteIsABackslashIsShownAndListedWhole) {
    if (GetACP() != 932) GTEST_SKIP() << "needs code page 932: run under LANG=ja_JP.UTF-8";
    InitPlatformFlags();
    TScratchDir dir("cp932");
    const std::wstring path = W(dir.path()) + L"\\\u30BD.jpg";
    try {
        WriteFileBytes(path, JpegWithCaption("Beach"));
    } catch (const std::exception&) {
        GTEST_SKIP() << "the ja_JP.UTF-8 locale is not generated (locale-gen): Wine can't name files in code page 932";
    }
    CreateCaptionReader();
    const TCaptionTexts texts = PrepareCaptionItem(path);
    FreeCaptionReader();
    EXPECT_EQ(texts.Caption, L"Edit Caption for \u30BD.jpg");
    EXPECT_EQ(texts.Hint, L"Current Caption: Beach");
    // The name is in the code page: the viewer gets its exact bytes.
    const std::string list = WriteListFile({path});
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(ReadFileBytes(list), dir.path() + "\\\x83\x5C.jpg\r\n");
    DeleteFileA(list.c_str());
}

// --- Texts -----------------------------------------------------------------------

TEST(Texts, EveryMessageComesFromTheStringTable) {
    const struct {
        UINT Id;
        const char* Text;
    } cases[] = {
        {IDS_MESSAGE_TITLE, "Orvane Slide Show"},
        {IDS_COMMAND_FAILED, "The command could not be carried out."},
        {IDS_VIEWER_NOT_FOUND, "Fatal error: the file OVSSHOW.EXE was not found. Please reinstall Orvane Slide Show."},
        {IDS_UNABLE_TO_OPEN_KEY, "Unable to open the %s key"},
        {IDS_REGISTRY_ENTRY_ERROR, "Error creating system registry entry"},
    };
    for (const auto& c : cases) EXPECT_EQ(LoadResString(c.Id), c.Text) << c.Id;
}

TEST(Texts, TheClassIdentifierIsWrittenOnceAndDerivedEverywhere) {
    EXPECT_STREQ(kMenuClsidText.c_str(), "{6F0B2D4E-93A1-4C7E-8B25-1D9E4A7C3F60}");
    EXPECT_STREQ(kInprocServerKey.c_str(), "CLSID\\{6F0B2D4E-93A1-4C7E-8B25-1D9E4A7C3F60}\\InprocServer32");
    // Leading zeros and every byte of the last group in place.
    constexpr GUID other = {0x0000000A, 0x00B0, 0x0C00, {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0xFE, 0xFF}};
    EXPECT_STREQ(GuidText(other).c_str(), "{0000000A-00B0-0C00-0001-02030405FEFF}");
}

} // namespace
} // namespace ovs::test
