#include "OvTools.h"

#include "ComObject.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <array>
#include <stdexcept>

namespace ovs {

namespace {

// In a multi-byte code page the second byte of a character may be 0x5C, so
// '\' is a delimiter only where a character starts.
class TLeadBytes {
public:
    TLeadBytes() {
        for (int b = 0x80; b < 0x100; ++b) lead_[static_cast<size_t>(b)] = IsDBCSLeadByte(static_cast<BYTE>(b)) != 0;
    }
    bool operator()(char c) const { return lead_[static_cast<unsigned char>(c)]; }

private:
    std::array<bool, 256> lead_{};
};

const TLeadBytes& LeadBytes() {
    static const TLeadBytes table;
    return table;
}

// Where the name part starts: after the last '\' or ':'.
size_t NameStart(std::string_view path) {
    const TLeadBytes& lead = LeadBytes();
    size_t start = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        if (lead(c) && i + 1 < path.size()) {
            ++i;
        } else if (c == '\\' || c == ':') {
            start = i + 1;
        }
    }
    return start;
}

// Whether the last character (a whole character) is a path delimiter.
bool EndsInDelimiter(std::string_view path) {
    const TLeadBytes& lead = LeadBytes();
    bool delimiter = false;
    for (size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        if (lead(c) && i + 1 < path.size()) {
            ++i;
            delimiter = false;
        } else {
            delimiter = c == '\\' || c == ':' || c == '/';
        }
    }
    return delimiter;
}

bool EqualsUpper(std::string_view text, std::string_view upper) {
    if (text.size() != upper.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != upper[i]) return false;
    }
    return true;
}

std::vector<std::string> UpperExtensionList() {
    std::vector<std::string> list;
    std::string_view text(ImageExtensions);
    while (!text.empty()) {
        const size_t end = text.find("\r\n");
        list.push_back(UpperCaseAscii(text.substr(0, end)));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 2);
    }
    return list;
}

bool IsShortcut(std::string_view path) { return EqualsUpper(ExtensionOf(path), ".LNK"); }

bool HasImageExtension(std::string_view path, const std::vector<std::string>& extensions) {
    const std::string_view extension = ExtensionOf(path);
    if (extension.size() < 2) return false;
    const std::string_view bare = extension.substr(1);
    for (const std::string& candidate : extensions)
        if (EqualsUpper(bare, candidate)) return true;
    return false;
}

class TFindHandle {
public:
    explicit TFindHandle(HANDLE handle) : handle_(handle) {}
    ~TFindHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
    }
    TFindHandle(const TFindHandle&) = delete;
    TFindHandle& operator=(const TFindHandle&) = delete;
    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

// Every entry of the folder, ".", ".." and subfolders included; subfolders
// are not entered.
void AddFolderImages(const std::string& folder, const std::vector<std::string>& extensions,
                     std::vector<std::string>& images) {
    const std::string prefix = AddPathDelimiter(folder);
    WIN32_FIND_DATAA found{};
    TFindHandle find(FindFirstFileA((prefix + "*.*").c_str(), &found));
    if (!find) return;
    std::string path;
    do {
        path.assign(prefix).append(found.cFileName);
        if (IsShortcut(path)) path = ResolveShortcut(path);
        if (HasImageExtension(path, extensions)) images.push_back(path);
    } while (FindNextFileA(find.get(), &found));
}

} // namespace

std::string_view ExtensionOf(std::string_view path) {
    const std::string_view name = path.substr(NameStart(path));
    const size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

std::string UpperCaseAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

std::string AddPathDelimiter(const std::string& path) {
    size_t first = 0;
    size_t last = path.size();
    while (first < last && static_cast<unsigned char>(path[first]) <= 0x20) ++first;
    while (last > first && static_cast<unsigned char>(path[last - 1]) <= 0x20) --last;
    std::string result = path.substr(first, last - first);
    if (!result.empty() && !EndsInDelimiter(result)) result += '\\';
    return result;
}

bool IsCaptionCandidate(const std::vector<std::string>& images) {
    if (images.size() != 1) return false;
    const std::string_view extension = ExtensionOf(images.front());
    for (const char* jpeg : {".JPG", ".JPEG", ".JPE", ".JFIF"})
        if (EqualsUpper(extension, jpeg)) return true;
    return false;
}

std::string ResolveShortcut(const std::string& path) {
    TComPtr<IShellLinkA> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                  IID_IShellLinkA, link.put_void());
    if (FAILED(hr)) throw std::runtime_error("Unable to create the shell link object");
    TComPtr<IPersistFile> file;
    hr = link->QueryInterface(IID_IPersistFile, file.put_void());
    if (FAILED(hr)) throw std::runtime_error("The shell link object has no IPersistFile interface");

    std::wstring widePath;
    if (!path.empty()) {
        const int length = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
        if (length > 0) {
            widePath.resize(static_cast<size_t>(length));
            MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), widePath.data(), length);
        }
    }
    // A shortcut that can't be loaded answers an empty path below.
    file->Load(widePath.c_str(), STGM_READ);

    // Room for a full MAX_PATH target, so no target path is ever cut short.
    char target[MAX_PATH + 1] = {};
    WIN32_FIND_DATAA findData{};
    link->GetPath(target, MAX_PATH + 1, &findData, SLGP_UNCPRIORITY);
    target[MAX_PATH] = '\0';
    return target;
}

std::vector<std::string> BuildImageList(std::vector<std::string>& selectedFiles, int selectedCount) noexcept {
    std::vector<std::string> images;
    try {
        const std::vector<std::string> extensions = UpperExtensionList();
        const size_t count = std::min(selectedFiles.size(), static_cast<size_t>(std::max(selectedCount, 0)));
        for (size_t i = 0; i < count; ++i) {
            std::string& entry = selectedFiles[i];
            if (IsShortcut(entry)) entry = ResolveShortcut(entry);
            if (entry.empty()) continue;
            const DWORD attributes = GetFileAttributesA(entry.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES) continue;
            if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                if (HasImageExtension(entry, extensions)) images.push_back(entry);
            } else {
                AddFolderImages(entry, extensions, images);
            }
        }
    } catch (...) {
        // The menu is built from what was found before the error.
    }
    return images;
}

} // namespace ovs
