#include "WindowsFileAccess.h"

#include <windows.h>

#include <cstdio>

#include "JpegScanner.h"
#include "PathText.h"
#include "RunTimeImports.h"
#include "Utf8Text.h"
#include "WinHandle.h"
#include "WinText.h"

namespace ovs {

namespace {

// A pattern would find some other file.
bool HasWildcards(const std::string& path) { return path.find_first_of("*?") != std::string::npos; }

template <class TFindData>
TFileFacts FactsOf(const TFindData& found) {
    TFileFacts facts;
    facts.Found = true;
    facts.IsFile = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    // Past 2 GiB the signed field holds its largest value, nearer the truth
    // than a wrapped low word.
    facts.Size = found.nFileSizeHigh != 0 || found.nFileSizeLow > 0x7FFFFFFFu
                     ? 0x7FFFFFFF
                     : static_cast<int32_t>(found.nFileSizeLow);
    FILETIME local;
    SYSTEMTIME t;
    if (FileTimeToLocalFileTime(&found.ftLastWriteTime, &local) && FileTimeToSystemTime(&local, &t))
        facts.Date = EncodeDateTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                                    t.wSecond + t.wMilliseconds / 1000.0);
    return facts;
}

std::FILE* OpenUtf8(const std::string& path) {
    try {
        return RunTime::_wfopen(Utf16FromUtf8(path).c_str(), L"rb");
    } catch (...) {
        return nullptr;   // the reader hook must not raise
    }
}

} // namespace

TFileFacts WindowsLookUpAnsi(const std::string& path) {
    if (path.empty() || HasWildcards(path)) return {};
    WIN32_FIND_DATAA found;
    const TFindHandle search(FindFirstFileA(path.c_str(), &found));
    if (!search) return {};
    return FactsOf(found);
}

TFileFacts WindowsLookUpUtf8(const std::string& path) {
    if (path.empty() || HasWildcards(path)) return {};
    WIN32_FIND_DATAW found;
    const TFindHandle search(FindFirstFileW(Utf16FromUtf8(path).c_str(), &found));
    if (!search) return {};
    return FactsOf(found);
}

void InstallWindowsFileAccess(TReaderState& s, bool utf8Paths) {
    s.FileLookUp = utf8Paths ? &WindowsLookUpUtf8 : &WindowsLookUpAnsi;
    s.FileOpen = utf8Paths ? &OpenUtf8 : nullptr;
    s.PathLeadBytes = utf8Paths ? &NoLeadBytes : &IsAnsiLeadByte;
}

} // namespace ovs
