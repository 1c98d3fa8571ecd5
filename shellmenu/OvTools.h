// The selection filter: which selections stand for images, and so get the
// slide-show items, and which of them gets the caption item. Paths are UTF-16:
// on the NT family they are the names as the shell has them, on the 9x family
// the ANSI names widened (see sysutils/WinFiles.h).
#pragma once

#include <string>
#include <vector>

namespace ovs {

// The image extensions, without dots, one a line, in the order the product
// lists them.
inline constexpr char ImageExtensions[] =
    "bmp\r\njfif\r\njpg\r\njpe\r\njpeg\r\nrle\r\ndib\r\ntga\r\ntiff\r\ntif\r\n"
    "pcx\r\npsd\r\npdd\r\npcd\r\ngif\r\npsp\r\npng";

// With two images the menu has its five items and no caption item, whatever
// else the selection holds.
inline constexpr size_t kImagesThatDecideTheMenu = 2;

// The images the first selectedCount entries of selectedFiles stand for:
// image files, targets of image shortcuts and the images (and image-named
// entries) directly inside selected folders, in the order they were met --
// but only until the menu is decided: with two images no further entry can
// change the items, so the list ends there (at most two paths). Every
// shortcut entry of those selectedCount entries is still replaced by its
// target (an empty entry when the shortcut can't be read), also after the
// menu is decided: the list file names targets. A selected shortcut's target
// is a file or a folder as its link recorded it; the target's file system is
// asked only while the menu is undecided and the link recorded nothing, and a
// folder's entries count by their names alone. Raises nothing: an error ends
// the build with what was found so far. COM must be initialised on the
// thread, and InitPlatformFlags must have run.
std::vector<std::wstring> BuildImageList(std::vector<std::wstring>& selectedFiles, int selectedCount) noexcept;

// The file-system path a shortcut file points to, or "" when it can't be read
// or points to no file-system object. Throws std::runtime_error when the
// shell link object can't be created.
std::wstring ResolveShortcut(const std::wstring& path);

// The path trimmed of control characters and spaces, with a '\' appended
// unless it is empty or ends in '/', ':' or '\'.
std::wstring AddPathDelimiter(const std::wstring& path);

// The caption item is shown for exactly one image that is a JPEG.
bool IsCaptionCandidate(const std::vector<std::wstring>& images);

} // namespace ovs
