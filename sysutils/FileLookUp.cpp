#include "FileLookUp.h"

#include "JpegScanner.h"

#include <windows.h>

namespace ovs {

namespace {
struct TFindHandle {
    HANDLE Handle;
    ~TFindHandle() { FindClose(Handle); }
};
} // namespace

TFileFacts WindowsLookUpFile(const std::string& path) {
    TFileFacts facts;
    // A pattern would find some other file.
    if (path.empty() || path.find_first_of("*?") != std::string::npos) return facts;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return facts;
    const TFindHandle closer{search};
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

} // namespace ovs
