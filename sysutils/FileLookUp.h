// The image reader's directory look-up on Windows: what FindFirstFileA says
// about one path (every Windows has it, and it takes the ANSI path as the
// shell gives it).
#pragma once

#include "ImageInfo.h"

#include <string>

namespace ovs {

// Found/IsFile/Size/Date of exactly this path: wildcards never match, any
// attributes do; the date is the last write in local time. The search handle
// is always released.
TFileFacts WindowsLookUpFile(const std::string& path);

} // namespace ovs
