// The Windows side of the deferred removal, in this process: the NT family's
// delayed move and, with the platform flag switched, the 9x family's
// WININIT.INI in the real Windows folder.
#include "DeferredRemoval.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "UninstTestSupport.h"
#include "WinFiles.h"
#include "WinTestSupport.h"
#include "WinText.h"
#include "lumSysUtils.h"

namespace ovs::test {
namespace {

// The code under test takes UTF-16 paths; these tests name ANSI ones.
std::wstring W(const std::string& ansi) { return WideFromAnsi(ansi); }
std::string A(const std::wstring& wide) { return LossyAnsiOf(wide); }
std::string Windows() { return A(WindowsFolder()); }

std::string ApiShortPath(const std::string& path) {
    char buffer[MAX_PATH + 1] = {};
    const DWORD n = GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
    return n ? std::string(buffer, n) : std::string();
}

std::vector<std::string> IsTmpFilesInWindows() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((Windows() + "\\is-*.tmp").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.push_back(data.cFileName);
    while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

TEST(PathExistsTest, FilesAndFolders) {
    TScratchDir scratch("pe");
    WriteFileBytes(scratch / "f.txt", "x");
    EXPECT_TRUE(PathExists(W(scratch / "f.txt")));
    EXPECT_TRUE(PathExists(W(scratch.path())));
    EXPECT_TRUE(PathExists(W(scratch.path() + "\\")));
    EXPECT_TRUE(PathExists(L"C:\\"));
    EXPECT_FALSE(PathExists(W(scratch / "missing")));
    EXPECT_FALSE(PathExists(L""));
    EXPECT_TRUE(ovs::FileExists(W(scratch / "f.txt")));
    EXPECT_FALSE(ovs::FileExists(W(scratch.path())));
    // The error mode the caller had is back afterwards.
    const UINT before = SetErrorMode(0);
    PathExists(W(scratch / "f.txt"));
    EXPECT_EQ(SetErrorMode(before), 0u);
}

TEST(ShortPathOfTest, AsWindowsGivesItOrUnchanged) {
    TScratchDir scratch("sp");
    const std::string longName = scratch / "a rather long file name.text";
    WriteFileBytes(longName, "x");
    EXPECT_EQ(A(ShortPathOf(W(longName))), ApiShortPath(longName));
    EXPECT_NE(A(ShortPathOf(W(longName))), longName);
    EXPECT_EQ(A(ShortPathOf(W(scratch / "no such file.text"))), scratch / "no such file.text");
    EXPECT_EQ(ShortPathOf(L""), L"");
}

TEST(WindowsFolderTest, IsTheSystemsWindowsFolder) {
    char buffer[MAX_PATH + 1] = {};
    GetWindowsDirectoryA(buffer, sizeof buffer);
    EXPECT_EQ(Windows(), buffer);
}

TEST(MakeUniqueFileNameTest, NamesAFreePathInTheFolder) {
    TScratchDir scratch("un");
    const std::regex pattern(R"(is-[0-9A-V]{5}\.tmp)");
    std::set<std::string> seen;
    for (int i = 0; i < 5; ++i) {
        const std::string name = A(MakeUniqueFileName(W(scratch.path()), L".tmp"));
        ASSERT_EQ(name.substr(0, scratch.path().size() + 1), scratch.path() + "\\");
        EXPECT_TRUE(std::regex_match(name.substr(scratch.path().size() + 1), pattern)) << name;
        EXPECT_FALSE(PathExists(W(name)));
        EXPECT_TRUE(seen.insert(name).second) << "named twice: " << name;
        WriteFileBytes(name, "");
    }
}

class MoveAtRestartNTTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = IsWinNT;
        IsWinNT = true;
    }
    void TearDown() override { IsWinNT = previous_; }
    bool previous_ = false;
    TRestartStateGuard restartState_;
    TScratchDir scratch_{"nt"};
};

TEST_F(MoveAtRestartNTTest, EmptyDestinationAsksForDeletion) {
    const std::string file = scratch_ / "copy.exe";
    WriteFileBytes(file, "x");
    const auto before = PendingRenames().value_or(std::vector<std::string>{});
    MoveAtRestart(W(file), L"");
    auto expected = before;
    expected.push_back("\\??\\" + file);
    expected.push_back("");
    EXPECT_EQ(PendingRenames().value_or(std::vector<std::string>{}), expected);
    EXPECT_TRUE(FileExists(file)); // not before the restart
}

TEST_F(MoveAtRestartNTTest, DestinationAsksForAReplacingRename) {
    const std::string from = scratch_ / "new.dll";
    const std::string to = scratch_ / "old.dll";
    WriteFileBytes(from, "new");
    WriteFileBytes(to, "old");
    const auto before = PendingRenames().value_or(std::vector<std::string>{});
    MoveAtRestart(W(from), W(to));
    const auto after = PendingRenames().value_or(std::vector<std::string>{});
    ASSERT_EQ(after.size(), before.size() + 2);
    EXPECT_EQ(after[after.size() - 2], "\\??\\" + from);
    // '!' marks a rename that may replace an existing file.
    EXPECT_EQ(after.back(), "!\\??\\" + to);
}

TEST_F(MoveAtRestartNTTest, NamesOutsideTheCodePageAreScheduledAsTheyAre) {
    const std::wstring folder = W(scratch_.path()) + L"\\\u0418\u0432\u0430\u043d";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring file = folder + L"\\\u30bd\u8868 \U0001F334.exe";
    CreateFileAt(file, GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_TRUE(ovs::FileExists(file));
    const std::wstring unique = MakeUniqueFileName(folder, L".tmp");
    EXPECT_EQ(unique.substr(0, folder.size() + 4), folder + L"\\is-");
    EXPECT_FALSE(PathExists(unique));

    MoveAtRestart(file, L"");
    EXPECT_TRUE(DeletionPending(file));
    EXPECT_TRUE(ovs::FileExists(file)); // not before the restart
    DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
}

// WININIT.INI is the real one of the prefix; whatever was there comes back.
class MoveAtRestart9xTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = IsWinNT;
        IsWinNT = false;
        if (FileExists(iniPath_)) saved_ = ReadFileBytes(iniPath_);
        DeleteFileA(iniPath_.c_str());
        tmpBefore_ = IsTmpFilesInWindows();
    }
    void TearDown() override {
        IsWinNT = previous_;
        DeleteFileA(iniPath_.c_str());
        if (saved_) WriteFileBytes(iniPath_, *saved_);
        EXPECT_EQ(IsTmpFilesInWindows(), tmpBefore_) << "a temporary copy of WININIT.INI was left";
    }
    std::string Ini() const { return ReadFileBytes(iniPath_); }

    bool previous_ = false;
    const std::string iniPath_ = Windows() + "\\WININIT.INI";
    std::optional<std::string> saved_;
    std::vector<std::string> tmpBefore_;
    TScratchDir scratch_{"9x"};
};

TEST_F(MoveAtRestart9xTest, MissingFileIsCreatedWithTheSectionAndTheEntry) {
    const std::string file = scratch_ / "a long program name.exe";
    WriteFileBytes(file, "x");
    MoveAtRestart(W(file), L"");
    EXPECT_EQ(Ini(), "[rename]\r\nNUL=" + ApiShortPath(file) + "\r\n");
}

TEST_F(MoveAtRestart9xTest, ExistingFileKeepsEveryOtherLine) {
    const std::string file = scratch_ / "x.exe";
    WriteFileBytes(file, "x");
    WriteFileBytes(iniPath_, "; kept\r\n[boot]\r\nshell=Explorer.exe\r\n\r\n[Rename]\r\nNUL=C:\\OLD.TXT\r\n"
                             "  [other]  \r\nkey = value\r\n");
    MoveAtRestart(W(file), L"");
    EXPECT_EQ(Ini(), "; kept\r\n[boot]\r\nshell=Explorer.exe\r\n\r\n[Rename]\r\nNUL=C:\\OLD.TXT\r\nNUL=" +
                         ApiShortPath(file) + "\r\n  [other]  \r\nkey = value\r\n");
}

TEST_F(MoveAtRestart9xTest, TwoCallsGiveTwoEntriesInCallOrder) {
    const std::string first = scratch_ / "first program.exe";
    const std::string second = scratch_ / "second.tmp";
    WriteFileBytes(first, "1");
    WriteFileBytes(second, "2");
    MoveAtRestart(W(first), L"");
    MoveAtRestart(W(second), L"");
    EXPECT_EQ(Ini(), "[rename]\r\nNUL=" + ApiShortPath(first) + "\r\nNUL=" + ApiShortPath(second) + "\r\n");
}

TEST_F(MoveAtRestart9xTest, RenameAndMissingSourceUseTheShortFormWhereThereIsOne) {
    const std::string to = scratch_ / "the old library.dll";
    WriteFileBytes(to, "old");
    const std::string missing = scratch_ / "not there yet.dll";
    MoveAtRestart(W(missing), W(to));
    EXPECT_EQ(Ini(), "[rename]\r\n" + ApiShortPath(to) + "=" + missing + "\r\n");
}

} // namespace
} // namespace ovs::test
