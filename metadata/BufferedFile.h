// A read-only file read through one large buffer, so that the scanner's byte
// by byte walk over markers and lengths costs a handful of reads in all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <memory>

namespace ovs {

// Opens a file for reading, in binary mode; null when it can't. A host whose
// paths are not in the form the C library's fopen takes (UTF-8 on the NT
// family) installs its own in TReaderState::FileOpen.
using TFileOpen = std::FILE* (*)(const std::string& path);

class TBufferedFile {
public:
    // Enough for the marker sections of nearly every camera JPEG in one read.
    static constexpr size_t BufferSize = 64 * 1024;

    TBufferedFile() = default;
    ~TBufferedFile() { Close(); }
    TBufferedFile(const TBufferedFile&) = delete;
    TBufferedFile& operator=(const TBufferedFile&) = delete;

    // Opens the file for reading only, through open (std::fopen when null);
    // false when it can't be opened. A file opened before is closed first.
    bool Open(const std::string& path, TFileOpen open = nullptr);
    // Reads the given bytes as if they were a file's content (for tests and
    // fuzz targets that drive ScanJpegSections without a disk).
    void OpenBytes(std::string bytes);
    void Close();
    bool IsOpen() const { return Window != nullptr; }

    // One byte; false at the end of the file or on a read error.
    bool ReadByte(uint8_t& byte);

    // Up to count bytes into dest; returns how many arrived (fewer only at
    // the end of the file or on a read error).
    size_t Read(char* dest, size_t count);

    // Skips up to count bytes; returns how many were skipped.
    size_t Skip(size_t count);

    // Goes to the byte at offset from the file's start; reads then give
    // what the file holds from there (nothing past its end). False when the
    // file can't be positioned there.
    bool Seek(uint64_t offset);

    // Closes the file when the scope it was opened for ends, on every path.
    class TCloser {
    public:
        explicit TCloser(TBufferedFile& file) : file_(file) {}
        ~TCloser() { file_.Close(); }
        TCloser(const TCloser&) = delete;
        TCloser& operator=(const TCloser&) = delete;
    private:
        TBufferedFile& file_;
    };

private:
    bool Fill();

    std::FILE* File = nullptr;
    std::unique_ptr<char[]> Buffer;   // BufferSize bytes while open
    std::string Memory;               // the content given to OpenBytes
    const char* Window = nullptr;     // Buffer or Memory
    size_t Pos = 0;     // next unread byte in Buffer
    size_t End = 0;     // bytes held in Buffer
    bool Failed = false;
};

} // namespace ovs
