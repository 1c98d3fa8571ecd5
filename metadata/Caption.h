// The caption of a JPEG image: its IPTC "Image caption" dataset.
#pragma once

#include <string>
#include <vector>

#include "ImageInfo.h"

namespace ovs {

// Reads the file at path with ReadImageFile and returns the value of its last
// "Image caption" dataset, as stored (no character-set conversion), without
// leading and trailing bytes of 0x20 or below. Empty when the file is missing,
// is not a ".jpg" file, or has no caption. Never raises; leaves s as the read
// filled it.
std::string GetImageCaption(TReaderState& s, const std::string& path);

// The caption among lines made by ListIptcDatasets: the trimmed value of the
// last "Image caption" line, even when that one is empty.
std::string CaptionFromIptcLines(const std::vector<std::string>& lines);

} // namespace ovs
