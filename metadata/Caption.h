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

// A caption as stored, and how its text is encoded: whether the IPTC record
// it came from declares UTF-8 (IptcDeclaresUtf8); otherwise its bytes are
// in whatever the writer's system used. DecodeStoredText shows it.
struct TStoredCaption {
    std::string Text;
    bool DeclaredUtf8 = false;
};

// GetImageCaption's answer with its encoding, read the same way.
TStoredCaption LookUpImageCaption(TReaderState& s, const std::string& path);

// The same answers through ReadImageFile, leaving s as that read filled it.
std::string GetImageCaptionByFullRead(TReaderState& s, const std::string& path);
TStoredCaption LookUpImageCaptionByFullRead(TReaderState& s, const std::string& path);

// The caption of one APP13 section's data, with its encoding.
TStoredCaption CaptionOfIptcSection(const std::string& sectionData);

// The caption among lines made by ListIptcDatasets: the trimmed value of the
// last "Image caption" line, even when that one is empty.
std::string CaptionFromIptcLines(const std::vector<std::string>& lines);

} // namespace ovs
