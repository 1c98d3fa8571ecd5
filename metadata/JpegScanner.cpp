#include "JpegScanner.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#ifndef _WIN32
#include <sys/stat.h>
#endif
#include <limits>
#include <stdexcept>

#include "ExifReader.h"
#include "MakerNotes.h"
#include "MarkerScan.h"
#include "PathText.h"
#include "TagTables.h"

namespace ovs {

namespace {

constexpr const char* IllegalExifConstruction = "Illegal Exif construction";

constexpr int TiffWindowSize = 2042;   // file bytes 8 to 2049
constexpr uint32_t TiffOffsetLimit = 1u << 30;

// Days from 1 January 1970 to the given civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
}

const int64_t DateTimeEpochDays = DaysFromCivil(1899, 12, 30);

int32_t ClampFileSize(uintmax_t size) {
    // A file past 2 GiB does not fit the signed 32-bit field; the largest
    // value is nearer the truth than the wrapped low word.
    return size > static_cast<uintmax_t>(std::numeric_limits<int32_t>::max())
               ? std::numeric_limits<int32_t>::max()
               : static_cast<int32_t>(size);
}

#ifndef _WIN32
// A file time (seconds and nanoseconds since 1970, UTC) as a local
// date-time, the way the file's date is shown to the user.
double UnixTimeToDateTime(std::time_t seconds, long nanoseconds) {
    // The reentrant form: besides not sharing a static record, the plain
    // localtime of glibc looks at the zone file again on every call.
    std::tm local{};
    if (!localtime_r(&seconds, &local)) return 0;
    // A file system may hold a date in any year an int counts; past the
    // years a date-time shows (FormatDateTime), the date is unknown.
    const int64_t year = static_cast<int64_t>(local.tm_year) + 1900;
    if (year < 1 || year > 9999) return 0;
    return EncodeDateTime(static_cast<int>(year), local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                          local.tm_sec + nanoseconds / 1e9);
}
#endif

#ifdef _WIN32
// Only what stdio can tell: the file opens, and its size.
TFileFacts StdioLookUpFile(const std::string& path) {
    TFileFacts facts;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return facts;
    facts.Found = facts.IsFile = true;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long size = std::ftell(f);
        if (size >= 0) facts.Size = ClampFileSize(static_cast<uintmax_t>(size));
    }
    std::fclose(f);
    return facts;
}
#endif

uint32_t TiffOffset(const char* bytes, bool motorola) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[motorola ? i : 3 - i]);
    return value;
}

// Fills window from the first directory the header names, when its entry
// count lies inside the file; the window then holds what the file has from
// there, up to its full size. True when it did.
bool ReadWindowAtFirstDirectory(TBufferedFile& file, uint32_t offset, std::string& window) {
    // Offsets past a gigabyte stay clear of the 32-bit positions the walk
    // computes; 8 is the window that is read anyway.
    if (offset <= TiffHeaderSize || offset > TiffOffsetLimit || !file.Seek(offset)) return false;
    const size_t got = file.Read(window.data(), window.size());
    if (got >= 2) {
        window.resize(got);
        return true;
    }
    if (!file.Seek(TiffHeaderSize)) throw EImageReadError();
    return false;
}

bool ReadTiffWindow(TReaderState& s, TBufferedFile& file) {
    s.ExifSection = s.CommentSection = s.IptcSection = -1;
    char header[TiffHeaderSize];
    if (file.Read(header, 2) != 2) throw EImageReadError();
    const bool motorola = header[0] == 'M' && header[1] == 'M';
    const bool intel = header[0] == 'I' && header[1] == 'I';
    if (!motorola && !intel) return false;
    // The number 42 is not checked.
    if (file.Read(header + 2, TiffHeaderSize - 2) != TiffHeaderSize - 2) throw EImageReadError();
    const uint32_t offset = TiffOffset(header + 4, motorola);
    std::string window(TiffWindowSize, '\0');
    // Where the header puts the first directory nowhere inside the file,
    // it is taken to follow the header, and the window must be complete.
    const bool moved = ReadWindowAtFirstDirectory(file, offset, window);
    if (!moved && file.Read(window.data(), window.size()) != window.size()) throw EImageReadError();
    const uint32_t windowStart = moved ? offset : TiffHeaderSize;

    tSection& section = s.Sections[1];
    section.Data = std::move(window);
    const auto windowSize = static_cast<int32_t>(section.Data.size());
    // A TIFF has no marker; the slot must not keep the last JPEG's values.
    section.Marker = 0;
    section.Size = windowSize;
    s.SectionCount = 1;
    s.ExifSection = 1;
    s.ImageInfo.TagList.clear();
    s.ExifBuffer = section.Data;
    s.BigEndianData = motorola;
    // Offsets still count from the file's start: file offset o is window
    // position o + base.
    s.TiffOffsetBase = 1 - static_cast<int32_t>(windowStart);
    // As for an Exif block, but Flash stays as the reset left it.
    s.FocalPlaneResolution = 0;
    s.FocalPlaneUnitMm = 0;
    // The length for a window at 8 is the one this reader has always used;
    // a moved window ends where its data does.
    const int32_t length = moved ? windowSize - s.TiffOffsetBase : TiffWindowSize;
    WalkDirectory(s, 1, s.TiffOffsetBase, length, ExifTagTable, ExifTagTableSize);
    ApplySensorWidth(s);
    return true;
}

// The full read keeps every section in the table and walks the Exif block the
// moment it is read.
class TSectionKeeper final : public TMarkerVisitor {
public:
    explicit TSectionKeeper(TReaderState& s) : s_(s) {}

    bool TakePayload(int32_t slot, uint8_t marker, uint8_t hi, uint8_t lo, size_t payload,
                     TBufferedFile& file) override {
        tSection& section = s_.Sections[static_cast<size_t>(slot)];
        section.Marker = marker;
        section.Size = hi * 256 + lo;
        // The slot keeps its full length even when the payload is cut off.
        section.Data.assign(payload + 2, '\0');
        section.Data[0] = static_cast<char>(hi);
        section.Data[1] = static_cast<char>(lo);
        return file.Read(section.Data.data() + 2, payload) == payload;
    }
    void ExifSection(int32_t slot) override {
        s_.ExifSection = slot;
        ParseExifBlock(s_);
    }
    void IptcSection(int32_t slot) override { s_.IptcSection = slot; }
    void CommentSection(int32_t slot) override { s_.CommentSection = slot; }

private:
    TReaderState& s_;
};

} // namespace

TFileFacts LookUpFile(const TReaderState& s, const std::string& path) {
    if (path.empty()) return {};
    return s.FileLookUp ? s.FileLookUp(path) : PortableLookUpFile(path);
}

bool IsReadableFile(const TReaderState& s, const std::string& path) {
#ifndef _WIN32
    // Without a host's look-up the question needs no date.
    if (!s.FileLookUp && !path.empty()) {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }
#endif
    return LookUpFile(s, path).IsFile;
}

double EncodeDateTime(int year, int month, int day, int hour, int minute, double second) {
    if (month < 1 || month > 12 || day < 1 || day > 31) return 0;
    const int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                         DateTimeEpochDays;
    return static_cast<double>(days) + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

TFileFacts PortableLookUpFile(const std::string& path) {
#ifdef _WIN32
    return StdioLookUpFile(path);
#else
    // One look-up tells whether anything is there, its date, and whether it
    // is a regular file: a folder or a device is found but never opened, so
    // a pipe named like an image can't block the reader.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return {};
    TFileFacts facts;
    facts.Found = true;
    facts.Date = UnixTimeToDateTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    if (S_ISREG(st.st_mode)) {
        facts.IsFile = true;
        facts.Size = ClampFileSize(static_cast<uintmax_t>(st.st_size));
    }
    return facts;
#endif
}

void ResetImageInfo(TReaderState& s) { s.ImageInfo.Reset(); }

bool SetFileInfo(TReaderState& s, const std::string& path) {
    const TFileFacts facts = LookUpFile(s, path);
    if (!facts.Found) return false;
    s.ImageInfo.FileName = path;
    s.ImageInfo.FileDate = facts.Date;
    s.ImageInfo.FileSize = facts.Size;
    return true;
}

bool HasExtension(std::string_view path, std::string_view ext, TLeadBytePredicate isLead) {
    return SameTextAscii(ExtensionOf(path, isLead), ext, isLead);
}

std::string FormatDateTime(double dateTime) {
    // Beyond the years 0001..9999 there is nothing sensible to show. The
    // range holds for the second shown: the last half second of 9999
    // rounds into the year 10000.
    constexpr double FirstDay = -693593.0, LastDay = 2958465.0;   // 0001-01-01, 9999-12-31
    if (!std::isfinite(dateTime) || dateTime < FirstDay - 1 || dateTime > LastDay + 2) return {};
    double wholeDays = std::floor(dateTime);
    long long secs = std::llround((dateTime - wholeDays) * 86400.0);
    if (secs >= 86400) {
        secs -= 86400;
        wholeDays += 1;
    }
    if (wholeDays < FirstDay || wholeDays > LastDay) return {};
    int64_t y;
    unsigned m, d;
    CivilFromDays(static_cast<int64_t>(wholeDays) + DateTimeEpochDays, y, m, d);
    const int daySeconds = static_cast<int>(secs);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d", static_cast<int>(y), m % 13, d % 32,
                  daySeconds / 3600 % 24, daySeconds / 60 % 60, daySeconds % 60);
    return text;
}

bool ScanJpegSections(TReaderState& s, TBufferedFile& file) {
    s.ExifSection = s.CommentSection = s.IptcSection = -1;
    TSectionKeeper keeper(s);
    switch (ScanMarkerSections(file, keeper, s.SectionCount)) {
    case TMarkerScanEnd::NoStartOfImage: return false;
    case TMarkerScanEnd::CutInPayload: return true;
    case TMarkerScanEnd::Ended: break;
    }
    return s.ExifSection >= 0 || s.CommentSection >= 0 || s.IptcSection >= 0;
}

bool ScanJpegFile(TReaderState& s, const std::string& path) {
    s.IsTiffInput = false;
    TBufferedFile& file = s.File;
    const TBufferedFile::TCloser closer(file);
    if (!file.Open(path, s.FileOpen)) throw EImageReadError();
    return ScanJpegSections(s, file);
}

bool ScanTiffFile(TReaderState& s, const std::string& path) {
    s.IsTiffInput = true;
    TBufferedFile& file = s.File;
    const TBufferedFile::TCloser closer(file);
    if (!file.Open(path, s.FileOpen)) throw EImageReadError();
    return ReadTiffWindow(s, file);
}

void ReadImageFile(TReaderState& s, const std::string& path) {
    TImageInfo& info = s.ImageInfo;
    try {
        s.ExifSection = s.CommentSection = s.IptcSection = -1;
        // The table describes the last file read, so a file that stores no
        // section must not appear to own the previous file's sections.
        s.SectionCount = 0;
        s.WalkedDirectoryCount = 0;
        s.WalkDepth = 0;
        // One budget for every walk of this read: Exif blocks, sub-directories
        // and the maker note.
        s.EntryBudget = 0;
        s.DecodedMake.clear();
        ResetImageInfo(s);

        const TFileFacts facts = LookUpFile(s, path);
        if (facts.Found) {
            info.FileName = path;
            info.FileDate = facts.Date;
            info.FileSize = facts.Size;
        }
        if (!facts.IsFile) return;

        info.Status = "Not an EXIF file";
        bool read = false;
        if (HasExtension(path, ".jpg", s.PathLeadBytes))
            read = ScanJpegFile(s, path);
        else if (HasExtension(path, ".tif", s.PathLeadBytes))
            read = ScanTiffFile(s, path);
        if (!read) return;

        info.Status = "<none>";
        info.HasMakerNote = DecodeMakerNote(s);
        info.MakerNoteMake = s.DecodedMake;
    } catch (...) {
        // What the read stored so far (sections, indices, fields) stays.
        try {
            info.Status = IllegalExifConstruction;
        } catch (...) {
        }
    }
    s.EntryBudget = -1;
}

} // namespace ovs
