// The shipped OvUninst.exe, run as the uninstaller and as Windows would run
// it. Stage two always runs from a copy in a scratch folder: it schedules the
// running program for deletion at the next restart of the prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "UninstTestSupport.h"
#include "WinTestSupport.h"
#include "WinHandle.h"
#include "WinText.h"
#include "lumSysUtils.h"

namespace ovs::test {
namespace {

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }
std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }
std::wstring W(const std::string& ansi) { return WideFromAnsi(ansi); }

bool DeletionPending(const std::string& path) { return test::DeletionPending(W(path)); }

// This process's working folder, and so that of the programs it starts, while
// the object lives.
class TCurrentFolder {
public:
    explicit TCurrentFolder(const std::string& folder) {
        GetCurrentDirectoryW(MAX_PATH + 1, saved_);
        SetCurrentDirectoryA(folder.c_str());
    }
    ~TCurrentFolder() { SetCurrentDirectoryW(saved_); }
    TCurrentFolder(const TCurrentFolder&) = delete;
    TCurrentFolder& operator=(const TCurrentFolder&) = delete;

private:
    wchar_t saved_[MAX_PATH + 1] = {};
};

class OvUninstTest : public ::testing::Test {
protected:
    void SetUp() override {
        leftoversBefore_ = TempLeftovers();
        runOnceBefore_ = StringValuesW(HKEY_LOCAL_MACHINE, kRunOnceKey);
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
        WriteFileBytes(file_, "product file");
        ASSERT_TRUE(CopyFileA((BuildDir() + "\\OvUninst.exe").c_str(), program_.c_str(), FALSE));
    }
    void TearDown() override { RemoveNewStageOneTraces(leftoversBefore_, runOnceBefore_); }

    void Run(const std::string& arguments) {
        const TProcessResult r = RunProcess(Quoted(program_) + " " + arguments, 30000);
        ASSERT_TRUE(r.Started);
        ASSERT_TRUE(r.Finished);
        EXPECT_EQ(r.ExitCode, 0u);
    }
    std::map<std::wstring, std::wstring> NewRunOnceValuesW() const {
        auto now = StringValuesW(HKEY_LOCAL_MACHINE, kRunOnceKey);
        for (const auto& [name, data] : runOnceBefore_) now.erase(name);
        return now;
    }
    std::map<std::string, std::string> NewRunOnceValues() const {
        std::map<std::string, std::string> values;
        for (const auto& [name, data] : NewRunOnceValuesW()) values[LossyAnsiOf(name)] = LossyAnsiOf(data);
        return values;
    }
    std::vector<std::string> NewLeftovers() const {
        std::vector<std::string> added;
        for (const auto& name : TempLeftovers())
            if (!leftoversBefore_.count(name)) added.push_back(name);
        return added;
    }

    TRestartStateGuard restartState_;
    TUninstallKey uninstallKey_;
    TScratchDir scratch_{"uninst"};
    std::string program_ = scratch_ / "OvUninst.exe";
    std::string folder_ = scratch_ / "Orvane App";
    std::string file_ = folder_ + "\\product file.txt";
    std::set<std::string> leftoversBefore_;
    std::map<std::wstring, std::wstring> runOnceBefore_;
};

TEST_F(OvUninstTest, StageOneCopiesItselfAndStoresTheRunOnceEntry) {
    Run("-register " + Quoted(file_) + " " + Quoted(folder_));
    const auto added = NewLeftovers();
    ASSERT_EQ(added.size(), 2u);
    const std::string copy = added[0].ends_with(".exe") ? added[0] : added[1];
    const std::string placeholder = added[0].ends_with(".exe") ? added[1] : added[0];
    EXPECT_EQ(copy.substr(0, copy.size() - 4), placeholder.substr(0, placeholder.size() - 4));
    EXPECT_EQ(ReadFileBytes(copy), ReadFileBytes(program_));
    EXPECT_EQ(ReadFileBytes(placeholder), "");

    const std::string expected = Quoted(copy) + " -doit " + Quoted(file_) + " " + Quoted(folder_);
    const auto values = NewRunOnceValues();
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values.begin()->first, "Orvane App\"");
    EXPECT_EQ(values.begin()->second, expected);
    EXPECT_TRUE(FileExists(file_)); // nothing is removed before the log-on
}

TEST_F(OvUninstTest, StageOneStoresFullPathsForRelativeArguments) {
    // At log-on the copy runs in a working folder of Windows' choice.
    {
        TCurrentFolder here(scratch_.path());
        Run("-register \".\\Orvane App\\product file.txt\" \"Orvane App\"");
    }
    const auto values = NewRunOnceValues();
    ASSERT_EQ(values.size(), 1u);
    EXPECT_TRUE(values.begin()->second.ends_with(" -doit " + Quoted(file_) + " " + Quoted(folder_)))
        << values.begin()->second;
}

TEST_F(OvUninstTest, StageOneWithoutAFolderStoresEmptyQuotes) {
    Run("-register " + Quoted(file_));
    const auto values = NewRunOnceValues();
    ASSERT_EQ(values.size(), 1u);
    EXPECT_TRUE(values.begin()->second.ends_with(Quoted(file_) + " \"\"")) << values.begin()->second;
    EXPECT_EQ(values.begin()->first, "product file.txt\" \"\"");
}

struct TStageOneCase {
    const char* name;
    const char* arguments; // %F: the file, %D: the folder
    bool registers;
};

class OvUninstStageOneTest : public OvUninstTest,
                             public ::testing::WithParamInterface<TStageOneCase> {};

TEST_P(OvUninstStageOneTest, RunsOnlyForTheSwitchAndAnExistingFile) {
    std::string arguments = GetParam().arguments;
    for (auto [mark, path] : {std::pair{"%F", Quoted(file_)}, std::pair{"%D", Quoted(folder_)}})
        for (std::size_t at; (at = arguments.find(mark)) != std::string::npos;)
            arguments.replace(at, 2, path);
    Run(arguments);
    EXPECT_EQ(NewRunOnceValues().size(), GetParam().registers ? 1u : 0u);
    EXPECT_EQ(NewLeftovers().size(), GetParam().registers ? 2u : 0u);
    EXPECT_TRUE(FileExists(file_));
    EXPECT_FALSE(DeletionPending(program_));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OvUninstStageOneTest,
    ::testing::Values(
        TStageOneCase{"SlashUpperCase", "/REGISTER %F %D", true},
        TStageOneCase{"MixedCase", "-ReGister %F %D", true},
        TStageOneCase{"SwitchAfterThePaths", "x %F %D -register", true},
        TStageOneCase{"NoSwitch", "%F %D", false},
        TStageOneCase{"NoArguments", "", false},
        TStageOneCase{"TwoDashes", "--register %F %D", false},
        TStageOneCase{"BareWord", "register %F %D", false},
        TStageOneCase{"MissingFile", "-register \"C:\\no such dir\\f.txt\" %D", false},
        TStageOneCase{"FolderAsFile", "-register %D %D", false},
        TStageOneCase{"EmptyFile", "-register \"\" %D", false}),
    [](const auto& info) { return std::string(info.param.name); });

struct TInstalledCase {
    const char* name;
    std::optional<std::string> installed; // nullopt: no uninstall key
    bool productRemoved;
    REGSAM view = 0; // where the installer wrote the key
};

class OvUninstStageTwoTest : public OvUninstTest,
                             public ::testing::WithParamInterface<TInstalledCase> {};

TEST_P(OvUninstStageTwoTest, RemovesTheProductUnlessInstalledAndSchedulesItself) {
    if (GetParam().installed) uninstallKey_.SetText(*GetParam().installed, GetParam().view);
    const std::string placeholder = scratch_ / "OvUninst.tmp";
    WriteFileBytes(placeholder, "");
    Run("-doit " + Quoted(file_) + " " + Quoted(folder_));
    EXPECT_EQ(FileExists(file_), !GetParam().productRemoved);
    EXPECT_EQ(GetFileAttributesA(folder_.c_str()) != INVALID_FILE_ATTRIBUTES, !GetParam().productRemoved);
    EXPECT_TRUE(DeletionPending(program_));
    EXPECT_TRUE(DeletionPending(placeholder));
    EXPECT_TRUE(NewRunOnceValues().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OvUninstStageTwoTest,
    ::testing::Values(TInstalledCase{"NoKey", std::nullopt, true},
                      TInstalledCase{"No", "No", true},
                      TInstalledCase{"Yes", "Yes", false},
                      TInstalledCase{"YesInCapitals", "YES", false},
                      TInstalledCase{"YesWithTrailingBlank", "Yes ", true},
                      TInstalledCase{"Empty", "", true},
                      // A 32-bit installer's key, seen from this 64-bit program.
                      TInstalledCase{"YesIn32BitView", "Yes", false, KEY_WOW64_32KEY},
                      TInstalledCase{"NoIn32BitView", "No", true, KEY_WOW64_32KEY}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OvUninstTest, StageOneWithoutATemporaryNameCopiesAndStoresNothing) {
    char previous[MAX_PATH + 1] = {};
    GetCurrentDirectoryA(sizeof previous, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(scratch_.path().c_str()));
    {
        TEnvironmentVariable tmp("TMP", "C:\\ovs no such folder");
        TEnvironmentVariable temp("TEMP", "C:\\ovs no such folder");
        Run("-register " + Quoted(file_) + " " + Quoted(folder_));
    }
    SetCurrentDirectoryA(previous);
    EXPECT_FALSE(FileExists(scratch_ / ".exe"));
    EXPECT_TRUE(NewRunOnceValues().empty());
    EXPECT_TRUE(FileExists(file_));
}

TEST_F(OvUninstTest, NonStringInstalledValueEndsTheRunBeforeEitherStage) {
    uninstallKey_.SetDword(1);
    Run("-register -doit " + Quoted(file_) + " " + Quoted(folder_));
    EXPECT_TRUE(FileExists(file_));
    EXPECT_FALSE(DeletionPending(program_));
    EXPECT_TRUE(NewRunOnceValues().empty());
    EXPECT_TRUE(NewLeftovers().empty());
}

TEST_F(OvUninstTest, StageTwoKeepsAFolderThatStillHoldsFiles) {
    WriteFileBytes(folder_ + "\\user data.txt", "keep");
    Run("-doit " + Quoted(file_) + " " + Quoted(folder_));
    EXPECT_FALSE(FileExists(file_));
    EXPECT_TRUE(FileExists(folder_ + "\\user data.txt"));
    EXPECT_TRUE(DeletionPending(program_));
}

TEST_F(OvUninstTest, StageTwoWithoutPlaceholderSchedulesOnlyItself) {
    const auto before = PendingRenames().value_or(std::vector<std::string>{});
    Run("-doit " + Quoted(file_) + " " + Quoted(folder_));
    const auto after = PendingRenames().value_or(std::vector<std::string>{});
    EXPECT_EQ(after.size(), before.size() + 2);
    EXPECT_TRUE(DeletionPending(program_));
}

TEST_F(OvUninstTest, BothSwitchesInOneRun) {
    // The switches stand after the paths, so that arguments 2 and 3 are them.
    Run("x " + Quoted(file_) + " " + Quoted(folder_) + " -register -doit");
    EXPECT_EQ(NewRunOnceValues().size(), 1u);
    EXPECT_EQ(NewLeftovers().size(), 2u);
    EXPECT_FALSE(FileExists(file_));
    EXPECT_TRUE(DeletionPending(program_)); // the running program itself
}

// The uninstaller as a user named Иван runs it, for a product folder named in
// Japanese: none of it is in the ANSI code page.
TEST_F(OvUninstTest, NamesInAnyScript) {
    const std::wstring base = W(scratch_.path());
    const std::wstring temp = base + L"\\\u0418\u0432\u0430\u043d";
    const std::wstring folder = base + L"\\\u5199\u771f";
    const std::wstring file = folder + L"\\\u30bd\u8868.jpg";
    struct TRemoved {
        std::wstring a, b;
        ~TRemoved() {
            RemoveTreeW(a);
            RemoveTreeW(b);
        }
    } removed{temp, folder};
    ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    {
        TFileHandle made(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(made);
    }

    {
        TEnvironmentVariable tmp(L"TMP", temp);
        TEnvironmentVariable tempVariable(L"TEMP", temp);
        ASSERT_TRUE(RunProcessW(Quoted(W(program_)) + L" -register " + Quoted(file) + L" " + Quoted(folder)));
    }
    // The copy and its placeholder in the temporary folder.
    const std::set<std::wstring> made = FolderNames(temp);
    ASSERT_EQ(made.size(), 2u);
    const std::wstring copy = temp + L"\\" + *std::find_if(made.begin(), made.end(), [](const std::wstring& n) {
                                  return n.ends_with(L".exe");
                              });
    const std::wstring placeholder = copy.substr(0, copy.size() - 4) + L".tmp";
    EXPECT_TRUE(made.count(placeholder.substr(temp.size() + 1)));
    EXPECT_EQ(ReadFileBytesW(copy), ReadFileBytes(program_));

    // The run-once value names the paths as they are.
    const auto values = NewRunOnceValuesW();
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values.begin()->first, L"\u5199\u771f\"");
    const std::wstring stageTwo = Quoted(copy) + L" -doit " + Quoted(file) + L" " + Quoted(folder);
    EXPECT_EQ(values.begin()->second, stageTwo);
    EXPECT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);

    // The log-on: Windows runs the stored command line.
    ASSERT_TRUE(RunProcessW(values.begin()->second));
    EXPECT_EQ(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(test::DeletionPending(copy));
    EXPECT_TRUE(test::DeletionPending(placeholder));
}

} // namespace
} // namespace ovs::test
