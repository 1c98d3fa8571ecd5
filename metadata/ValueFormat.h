// The text of a directory entry's value: the generic rendering of the TIFF
// formats, decode texts and the rendering routines of the GPS and lens rows.
// Numbers never go through the C library's locale: a host process may have
// switched it, and the lines must read the same everywhere.
#pragma once

#include <string>
#include <string_view>

#include "ImageInfo.h"

namespace ovs {

// How much of a generic text the one who asked for it reads, so that no
// more items are rendered than can show: all of it; the bytes PrintableText
// keeps; or what the rendering routines read (the first part and the 64
// characters after it). A 64 KiB array then costs no more than a short one.
enum class TTextUse { Whole, Printable, Parts };

// The generic text of a value of TIFF format code format whose raw bytes are
// bytes, decoded through desc ("n:word,n:word", may be empty). Items are
// joined by ", "; codes outside 1..12 give "?". With a use other than Whole
// the text may stop after the last item that use can read.
std::string FormatValue(const TReaderState& s, std::string_view bytes, int format,
                        std::string_view desc, TTextUse use = TTextUse::Whole);

// What the rendering routines read of a quoted value, '"' + value + '"',
// given where the first ", " stands in value (npos when nowhere): the same
// parts, in a text that doesn't grow with the value. The first part of a
// quoted text is never a rational, so only the characters after the first
// separator matter.
std::string QuotedForParts(std::string_view value, size_t firstSeparator);

// How many bytes of a generic text PrintableText keeps.
constexpr size_t PrintableLength = 50;

// The word desc gives the number, or an empty string.
std::string DecodeValue(std::string_view desc, std::string_view numberText);

// At most the first 50 bytes, control bytes shown as ".". Text that is
// UTF-8 (judged on the whole value it shows) is cut on a character
// boundary, so that the line stays UTF-8 and is shown as such.
std::string PrintableText(std::string_view text, bool utf8 = false);

// "numerator/denominator" as a double; 0 when the text isn't such a pair or
// the denominator is 0. Terms run from -2^31 to 2^32 - 1, so that unsigned
// rationals convert too.
double RationalToFloat(std::string_view text);

// Rendering routines of the GPS rows: "h:m:s" of the time stamp and the
// coordinate in decimal degrees (no hemisphere).
std::string GpsTimeText(const std::string& valueText);
std::string GpsDegreesText(const std::string& valueText);

// The lens row of the later Nikon maker note: focal range and apertures.
std::string LensInfoText(const std::string& valueText);

// The number with precision decimals as "%0.<precision>f" prints it in the C
// locale (an exact tie rounds to even), whatever locale is in force.
std::string FormatFixed(double value, int precision);

} // namespace ovs
