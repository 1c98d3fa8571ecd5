// The reader's entry: a JPEG's marker sections or a TIFF's first directory
// into the reader state.
//
// Every function works on one TReaderState; calls on the same state must not
// overlap. None of them raises: ReadImageFile reports through
// ImageInfo.Status, the others are its steps and raise an error whose text is
// the status to report ("Illegal Exif construction" and the walker's texts).
#pragma once

#include <string>
#include <string_view>

#include "BufferedFile.h"
#include "ImageInfo.h"

namespace ovs {

// Reads the file at path (a narrow path as the shell gives it): resets the
// state, records name, size and date, then scans it as a JPEG when its
// extension is ".jpg" or reads it as a TIFF when it is ".tif" (both compared
// lower-cased). Never raises, whatever the file holds; the outcome is
// s.ImageInfo, s.Sections[1..s.SectionCount] and the three section indices.
void ReadImageFile(TReaderState& s, const std::string& path);

// Puts s.ImageInfo back to its reset values.
void ResetImageInfo(TReaderState& s);

// Sets FileName, FileDate and FileSize when the directory look-up
// (s.FileLookUp, or the portable one) finds path; leaves them as they are
// otherwise. True when it was found.
bool SetFileInfo(TReaderState& s, const std::string& path);

// Opens the file read-only and scans its sections. Raises when the file can't
// be opened.
bool ScanJpegFile(TReaderState& s, const std::string& path);

// Scans the marker sections of an open file up to the start of scan, the end
// of image or the 20th stored section. True when an Exif, comment or APP13
// section was found, or a section's payload could not be read in full.
bool ScanJpegSections(TReaderState& s, TBufferedFile& file);

// Opens the file read-only and walks its first directory, in a window of
// 2042 bytes from where the header puts it (or less where the file ends
// sooner). A header offset below 8 or outside the file means the directory
// right behind the header. Raises when the file can't be opened, or when
// that window behind the header is cut short (a file below 2050 bytes).
bool ScanTiffFile(TReaderState& s, const std::string& path);

// What s.FileLookUp (or the portable look-up) says about path; nothing is
// found for an empty path.
TFileFacts LookUpFile(const TReaderState& s, const std::string& path);

// Whether path names a regular file, the only kind the reader opens (a pipe
// or a device named like an image would block it): what LookUpFile says,
// without working out a date the question doesn't need.
bool IsReadableFile(const TReaderState& s, const std::string& path);

// The reader's own directory look-up, from the C++ library only. On Linux
// (std::filesystem) it knows size and date. On Windows it uses the C stdio
// functions alone, so that the DLL imports nothing Windows 98 or NT 4.0 lacks:
// it finds a file by opening it and knows its size, but no date (0) and no
// folders; install a Windows look-up in TReaderState::FileLookUp for those.
TFileFacts PortableLookUpFile(const std::string& path);

// A local civil date and time as a date-time (days since 30 December 1899,
// time of day as fraction), for look-ups that have the parts.
double EncodeDateTime(int year, int month, int day, int hour, int minute, double second);

// Whether the extension of the file name in path (from its last dot, dot
// included) is ext, ignoring the case of ASCII letters. isLead tells which
// bytes of the path lead a double-byte character.
bool HasExtension(std::string_view path, std::string_view ext, TLeadBytePredicate isLead = NoLeadBytes);

// A date-time (days since 30 December 1899, time of day as fraction) as
// "YYYY-MM-DDTHH:MM:SS", rounded to the second; empty when that second lies
// outside the years 0001 to 9999.
std::string FormatDateTime(double dateTime);

} // namespace ovs
