#include "BufferedFile.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace ovs {

bool TBufferedFile::Open(const std::string& path, TFileOpen open) {
    Close();
    File = open ? open(path) : std::fopen(path.c_str(), "rb");
    if (!File) return false;
    // Our own buffer does the work; the C library's would only copy twice.
    std::setvbuf(File, nullptr, _IONBF, 0);
    if (!Buffer) Buffer = std::make_unique_for_overwrite<char[]>(BufferSize);
    Window = Buffer.get();
    return true;
}

void TBufferedFile::OpenBytes(std::string bytes) {
    Close();
    Memory = std::move(bytes);
    Window = Memory.data();
    End = Memory.size();
}

void TBufferedFile::Close() {
    if (File) std::fclose(File);
    File = nullptr;
    Window = nullptr;
    Memory.clear();
    Pos = End = 0;
    Failed = false;
}

bool TBufferedFile::Fill() {
    if (!File || Failed) return false;
    Pos = 0;
    End = std::fread(Buffer.get(), 1, BufferSize, File);
    if (End == 0) Failed = true;   // end of file or error: nothing more comes
    return End > 0;
}

bool TBufferedFile::ReadByte(uint8_t& byte) {
    if (Pos == End && !Fill()) return false;
    byte = static_cast<uint8_t>(Window[Pos++]);
    return true;
}

size_t TBufferedFile::Read(char* dest, size_t count) {
    size_t done = 0;
    while (done < count) {
        if (Pos == End) {
            // A large remainder goes straight into dest rather than through
            // the buffer.
            if (count - done >= BufferSize && File && !Failed) {
                const size_t got = std::fread(dest + done, 1, count - done, File);
                done += got;
                if (done < count) Failed = true;
                break;
            }
            if (!Fill()) break;
        }
        const size_t n = std::min(count - done, End - Pos);
        std::memcpy(dest + done, Window + Pos, n);
        Pos += n;
        done += n;
    }
    return done;
}

size_t TBufferedFile::Skip(size_t count) {
    size_t done = 0;
    while (done < count) {
        if (Pos == End && !Fill()) break;
        const size_t n = std::min(count - done, End - Pos);
        Pos += n;
        done += n;
    }
    return done;
}

bool TBufferedFile::Seek(uint64_t offset) {
    if (!Window) return false;
    if (!File) {
        Pos = static_cast<size_t>(std::min<uint64_t>(offset, End));
        return true;
    }
    // The C library of the oldest Windows seeks with a long only.
    if (offset > static_cast<uint64_t>(LONG_MAX) || std::fseek(File, static_cast<long>(offset), SEEK_SET) != 0)
        return false;
    Pos = End = 0;
    Failed = false;
    return true;
}

} // namespace ovs
