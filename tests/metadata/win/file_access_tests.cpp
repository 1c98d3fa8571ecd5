// The reader's Windows file access under Wine: names outside the ANSI code
// page reach the reader as UTF-8 and are found and opened through their
// UTF-16 form, by the reader and by ovsinfo.exe.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "Caption.h"
#include "JpegScanner.h"
#include "Utf8Text.h"
#include "WinFiles.h"
#include "WinHandle.h"
#include "WindowsFileAccess.h"
#include "support/ImageBuilder.h"

namespace ovs {
namespace {

std::string CaptionedJpeg(const std::string& caption) {
    return test::Jpeg({test::IptcApp13(test::IptcDataset(2, 120, caption)), test::ScanAndImageData()});
}

// A folder of the test's own under the temporary folder, removed with its files.
class TWideScratch {
public:
    TWideScratch() : path_(TempFolder() + L"ovs-file-access-" + std::to_wstring(GetCurrentProcessId())) {
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~TWideScratch() {
        for (const std::wstring& file : files_) DeleteFileW(file.c_str());
        RemoveDirectoryW(path_.c_str());
    }
    TWideScratch(const TWideScratch&) = delete;
    TWideScratch& operator=(const TWideScratch&) = delete;

    std::wstring Write(const std::wstring& name, const std::string& bytes) {
        const std::wstring file = path_ + L"\\" + name;
        files_.push_back(file);
        std::FILE* f = _wfopen(file.c_str(), L"wb");
        if (f) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return file;
    }
    std::wstring Path(const std::wstring& name) {
        files_.push_back(path_ + L"\\" + name);
        return files_.back();
    }

private:
    std::wstring path_;
    std::vector<std::wstring> files_;
};

const wchar_t* const WideNames[] = {L"\u03A9mega.jpg", L"\u30BD\u8868.jpg", L"caf\u00E9 \u0416.JPG"};

TEST(WindowsFileAccess, Utf8PathsReachNamesOutsideTheCodePage) {
    TWideScratch dir;
    TReaderState s;
    InstallWindowsFileAccess(s, true);
    for (const wchar_t* name : WideNames) {
        const std::string bytes = CaptionedJpeg("caption of a wide name");
        const std::string path = Utf8FromUtf16(dir.Write(name, bytes));
        EXPECT_EQ(GetImageCaption(s, path), "caption of a wide name") << path;
        ReadImageFile(s, path);
        EXPECT_EQ(s.ImageInfo.FileName, path);
        EXPECT_EQ(s.ImageInfo.FileSize, static_cast<int32_t>(bytes.size())) << path;
        EXPECT_GT(s.ImageInfo.FileDate, 40000.0) << path;   // a date of this century
        EXPECT_EQ(s.ImageInfo.Status, "<none>") << path;
    }
}

TEST(WindowsFileAccess, AnsiPathsAndWhatIsNotAFile) {
    TWideScratch dir;
    TReaderState s;
    InstallWindowsFileAccess(s, false);
    EXPECT_EQ(s.FileOpen, nullptr);
    const std::string ansi = Utf8FromUtf16(dir.Write(L"plain.jpg", CaptionedJpeg("ansi")));   // ASCII: same bytes
    EXPECT_EQ(GetImageCaption(s, ansi), "ansi");
    for (bool utf8 : {false, true}) {
        InstallWindowsFileAccess(s, utf8);
        // A pattern would find the file above; a folder is found but not read.
        EXPECT_FALSE(LookUpFile(s, ansi.substr(0, ansi.size() - 5) + "*.jpg").Found) << utf8;
        const TFileFacts folder = LookUpFile(s, Utf8FromUtf16(TempFolder().substr(0, TempFolder().size() - 1)));
        EXPECT_TRUE(folder.Found) << utf8;
        EXPECT_FALSE(folder.IsFile) << utf8;
        EXPECT_EQ(GetImageCaption(s, Utf8FromUtf16(dir.Path(L"missing \u03A9.jpg"))), "") << utf8;
    }
}

// Runs ovsinfo.exe (next to the test tree's tools) with the arguments; its
// standard output goes through a file.
std::string RunOvsInfo(TWideScratch& dir, const std::wstring& args, DWORD& exitCode) {
    std::wstring exe = ModuleFileName(nullptr);   // ...\tests\metadata\<test>.exe
    for (int up = 0; up < 3; ++up) exe = exe.substr(0, exe.find_last_of(L'\\'));
    exe += L"\\tools\\ovsinfo.exe";
    const std::wstring outPath = dir.Path(L"out.txt");
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    TFileHandle out(CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return "(no output file)";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out.get();
    si.hStdError = out.get();
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::wstring commandLine = L"\"" + exe + L"\" " + args;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        return "(not started)";
    const TFileHandle process(pi.hProcess), thread(pi.hThread);
    if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
    GetExitCodeProcess(pi.hProcess, &exitCode);
    out.reset();
    std::string text;
    if (std::FILE* f = _wfopen(outPath.c_str(), L"rb")) {
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
        std::fclose(f);
    }
    return text;
}

TEST(WindowsFileAccess, OvsInfoReadsFilesNamedOutsideTheCodePage) {
    TWideScratch dir;
    for (const wchar_t* name : WideNames) {
        const std::wstring path = dir.Write(name, CaptionedJpeg("wide"));
        DWORD code = 1234;
        EXPECT_EQ(RunOvsInfo(dir, L"--caption \"" + path + L"\"", code), "wide\n") << Utf8FromUtf16(name);
        EXPECT_EQ(code, 0u);
        const std::string text = RunOvsInfo(dir, L"\"" + path + L"\"", code);
        EXPECT_NE(text.find("FileName: " + Utf8FromUtf16(path) + "\n"), std::string::npos) << text;
        EXPECT_NE(text.find("Status: <none>\n"), std::string::npos) << text;
    }
}

} // namespace
} // namespace ovs
