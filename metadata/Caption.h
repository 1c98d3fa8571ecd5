// The caption of a JPEG image: its IPTC "Image caption" dataset.
#pragma once

#include <string>
#include <vector>

#include "ImageInfo.h"

namespace ovs {

// The value of the file's last "Image caption" dataset, as stored (no
// character-set conversion), without leading and trailing bytes of 0x20 or
// below. Empty when the file is missing, is not a ".jpg" file, or has no
// caption. The answer is the one a full read (GetImageCaptionByFullRead)
// gives, rules of the scan included, but the file is read only as far as the
// caption needs: sections are scanned, the Exif block is only checked for
// the error that would end the scan, no tag text is made and no maker note
// decoded. Uses only s's file hooks and file buffer; never raises.
std::string GetImageCaption(TReaderState& s, const std::string& path);

// The same answer through ReadImageFile, leaving s as that read filled it.
std::string GetImageCaptionByFullRead(TReaderState& s, const std::string& path);

// The caption among lines made by ListIptcDatasets: the trimmed value of the
// last "Image caption" line, even when that one is empty.
std::string CaptionFromIptcLines(const std::vector<std::string>& lines);

} // namespace ovs
