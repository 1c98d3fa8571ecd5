#include "OvTools.h"

#include "ComObject.h"
#include "PathText.h"
#include "WinFiles.h"
#include "WinText.h"
#include "lumSysUtils.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <type_traits>

namespace ovs {

namespace {

// With two images the menu has its five items and no caption item, whatever
// else the selection holds.
constexpr size_t kImagesThatDecideTheMenu = 2;

bool MenuIsDecided(const std::vector<std::wstring>& images) { return images.size() >= kImagesThatDecideTheMenu; }

// The extensions are ASCII, so each byte widens to the same character.
std::vector<std::wstring> LoadExtensionList() {
    std::vector<std::wstring> list;
    std::string_view text(ImageExtensions);
    while (!text.empty()) {
        const size_t end = text.find("\r\n");
        const std::string_view line = text.substr(0, end);
        list.emplace_back(line.begin(), line.end());
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 2);
    }
    return list;
}

const std::vector<std::wstring>& ExtensionList() {
    static const std::vector<std::wstring> list = LoadExtensionList();
    return list;
}

bool IsShortcut(std::wstring_view path) { return SameTextAscii(ExtensionOf(path), L".lnk"); }

bool HasImageExtension(std::wstring_view path) {
    const std::wstring_view extension = ExtensionOf(path);
    if (extension.size() < 2) return false;
    const std::wstring_view bare = extension.substr(1);
    const std::vector<std::wstring>& list = ExtensionList();
    return std::any_of(list.begin(), list.end(),
                       [&](const std::wstring& candidate) { return SameTextAscii(bare, candidate); });
}

// A link may name a target of any length: the buffer grows until the answer
// is shorter than it (GetPath cuts a long target to the buffer silently).
template <class Char, class GetPath>
std::basic_string<Char> WholeTarget(GetPath getPath) {
    constexpr size_t kLongestPath = 32768;
    std::vector<Char> buffer(MAX_PATH + 1);
    for (;;) {
        std::fill(buffer.begin(), buffer.end(), Char());
        getPath(buffer.data(), static_cast<int>(buffer.size()));
        buffer.back() = Char();
        const size_t length = std::char_traits<Char>::length(buffer.data());
        if (length + 1 < buffer.size() || buffer.size() >= kLongestPath) return {buffer.data(), length};
        buffer.resize(std::min(buffer.size() * 2, kLongestPath));
    }
}

// The shell link object holding the shortcut file at path.
template <class Link>
TComPtr<Link> LoadedLink(REFIID linkInterface, const std::wstring& path) {
    TComPtr<Link> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                  linkInterface, link.put_void());
    if (FAILED(hr)) throw std::runtime_error("Unable to create the shell link object");
    TComPtr<IPersistFile> file;
    hr = link->QueryInterface(IID_IPersistFile, file.put_void());
    if (FAILED(hr)) throw std::runtime_error("The shell link object has no IPersistFile interface");
    // A shortcut that can't be loaded answers an empty path.
    file->Load(path.c_str(), STGM_READ);
    return link;
}

// The 9x family has only the ANSI link interface; its targets are ANSI names.
std::wstring TargetOfAnsiLink(const std::wstring& path) {
    const TComPtr<IShellLinkA> link = LoadedLink<IShellLinkA>(IID_IShellLinkA, path);
    return WideFromAnsi(WholeTarget<char>([&](char* buffer, int size) {
        WIN32_FIND_DATAA found{};
        link->GetPath(buffer, size, &found, SLGP_UNCPRIORITY);
    }));
}

struct TCoTaskMemFree {
    void operator()(void* memory) const { CoTaskMemFree(memory); }
};

// The target as the link's item list names it. Some shells keep only an
// ANSI form of the target path, which GetPath then answers with '?' or a
// best-fit letter for what the code page lacks; the item list keeps the
// name whole.
std::wstring ItemListTarget(IShellLinkW& link) {
    PIDLIST_ABSOLUTE items = nullptr;
    if (FAILED(link.GetIDList(&items)) || !items) return {};
    const std::unique_ptr<std::remove_pointer_t<PIDLIST_ABSOLUTE>, TCoTaskMemFree> owned(items);
    wchar_t buffer[MAX_PATH + 1] = {};
    if (!SHGetPathFromIDListW(items, buffer)) return {};
    buffer[MAX_PATH] = L'\0';
    return buffer;
}

std::wstring TargetOfWideLink(const std::wstring& path) {
    const TComPtr<IShellLinkW> link = LoadedLink<IShellLinkW>(IID_IShellLinkW, path);
    std::wstring target = WholeTarget<wchar_t>([&](wchar_t* buffer, int size) {
        WIN32_FIND_DATAW found{};
        link->GetPath(buffer, size, &found, SLGP_UNCPRIORITY);
    });
    // GetPath's answer comes first: it prefers the UNC form of a network
    // target. Only where it names nothing may it be a mangled name.
    if (FileAttributesOf(target) == INVALID_FILE_ATTRIBUTES)
        if (std::wstring listed = ItemListTarget(*link.get()); !listed.empty()) target = std::move(listed);
    return target;
}

// Every entry of the folder, ".", ".." and subfolders included, until the
// menu is decided; subfolders are not entered.
void AddFolderImages(const std::wstring& folder, std::vector<std::wstring>& images) {
    const std::wstring prefix = AddPathDelimiter(folder);
    TFolderEntries entries(prefix + L"*.*");
    std::wstring path;
    while (!MenuIsDecided(images) && entries.Next()) {
        path.assign(prefix).append(entries.Name());
        if (IsShortcut(path)) path = ResolveShortcut(path);
        if (HasImageExtension(path)) images.push_back(path);
    }
}

} // namespace

std::wstring AddPathDelimiter(const std::wstring& path) {
    std::wstring result(TrimBlanks(std::wstring_view(path)));
    if (!result.empty() && !EndsInDelimiter(result)) result += L'\\';
    return result;
}

bool IsCaptionCandidate(const std::vector<std::wstring>& images) {
    if (images.size() != 1) return false;
    const std::wstring_view extension = ExtensionOf(images.front());
    constexpr std::wstring_view kJpegExtensions[] = {L".jpg", L".jpeg", L".jpe", L".jfif"};
    return std::any_of(std::begin(kJpegExtensions), std::end(kJpegExtensions),
                       [&](std::wstring_view jpeg) { return SameTextAscii(extension, jpeg); });
}

std::wstring ResolveShortcut(const std::wstring& path) {
    return IsWinNT ? TargetOfWideLink(path) : TargetOfAnsiLink(path);
}

std::vector<std::wstring> BuildImageList(std::vector<std::wstring>& selectedFiles, int selectedCount) noexcept {
    std::vector<std::wstring> images;
    try {
        const size_t count = std::min(selectedFiles.size(), static_cast<size_t>(std::max(selectedCount, 0)));
        for (size_t i = 0; i < count; ++i) {
            std::wstring& entry = selectedFiles[i];
            if (IsShortcut(entry)) entry = ResolveShortcut(entry);
            if (MenuIsDecided(images) || entry.empty()) continue;
            const DWORD attributes = FileAttributesOf(entry);
            if (attributes == INVALID_FILE_ATTRIBUTES) continue;
            if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                if (HasImageExtension(entry)) images.push_back(entry);
            } else {
                AddFolderImages(entry, images);
            }
        }
    } catch (...) {
        // The menu is built from what was found before the error.
    }
    return images;
}

} // namespace ovs
