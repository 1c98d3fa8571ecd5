// The selection filter: which selections stand for images, and so get the
// slide-show items, and which of them gets the caption item.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ovs {

// The image extensions, without dots, one a line, in the order the product
// lists them.
inline constexpr char ImageExtensions[] =
    "bmp\r\njfif\r\njpg\r\njpe\r\njpeg\r\nrle\r\ndib\r\ntga\r\ntiff\r\ntif\r\n"
    "pcx\r\npsd\r\npdd\r\npcd\r\ngif\r\npsp\r\npng";

// The images the first selectedCount entries of selectedFiles stand for:
// image files, targets of image shortcuts and the images (and image-named
// entries) directly inside selected folders, in the order they were met.
// Shortcut entries of selectedFiles are replaced by their targets (an empty
// entry when the shortcut can't be read). Raises nothing: an error ends the
// build with what was found so far. COM must be initialised on the thread.
std::vector<std::string> BuildImageList(std::vector<std::string>& selectedFiles, int selectedCount) noexcept;

// The file-system path a shortcut file points to, or "" when it can't be read
// or points to no file-system object. Throws std::runtime_error when the
// shell link object can't be created.
std::string ResolveShortcut(const std::string& path);

// The path trimmed of control characters and spaces, with a '\' appended
// unless it is empty or ends in '/', ':' or '\'.
std::string AddPathDelimiter(const std::string& path);

// The text of the path from the last '.' of its name part (after the last
// '\' or ':') on, dot included; "" when the name part has no '.'.
std::string_view ExtensionOf(std::string_view path);

// Only the letters a to z change.
std::string UpperCaseAscii(std::string_view text);

// The caption item is shown for exactly one image that is a JPEG.
bool IsCaptionCandidate(const std::vector<std::string>& images);

} // namespace ovs
