#include "OvTools.h"

#include "ComObject.h"
#include "PathText.h"
#include "RunTimeImports.h"
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

struct TCoTaskMemFree {
    void operator()(void* memory) const { CoTaskMemFree(memory); }
};

// One shortcut file, read once. Reading it asks nothing of the target's file
// system, and only ProbeTarget does: a target on a share that is offline
// costs a network time-out per question.
class TShortcut {
public:
    explicit TShortcut(const std::wstring& path) {
        if (IsWinNT) ReadWide(path);
        else ReadAnsi(path);
        // '?' is in no file name: the link kept only an ANSI form of a name
        // its code page lacks, and its item list has the name whole.
        if (target_.find(L'?') != std::wstring::npos)
            if (std::wstring listed = ItemListTarget(); !listed.empty()) target_ = std::move(listed);
    }

    // The target's path; "" when the shortcut can't be read or points to no
    // file-system object.
    const std::wstring& Target() const { return target_; }

    // The target's attributes as the link recorded them when it was made; 0
    // when it recorded none (a target that was missing then, for one).
    DWORD RecordedAttributes() const { return recorded_ == INVALID_FILE_ATTRIBUTES ? 0 : recorded_; }

    // The target's attributes, asked of the file system. Where the path text
    // names nothing, the link's item list may still name the target: some
    // shells keep only an ANSI form of the path, a best-fit one ("Omega" for
    // "\u03A9mega"), while the item list keeps the name whole.
    DWORD ProbeTarget() {
        DWORD attributes = FileAttributesOf(target_);
        if (attributes != INVALID_FILE_ATTRIBUTES) return attributes;
        std::wstring listed = ItemListTarget();
        if (listed.empty() || listed == target_) return attributes;
        attributes = FileAttributesOf(listed);
        if (attributes != INVALID_FILE_ATTRIBUTES) target_ = std::move(listed);
        return attributes;
    }

private:
    void ReadWide(const std::wstring& path) {
        wideLink_ = LoadedLink<IShellLinkW>(IID_IShellLinkW, path);
        target_ = WholeTarget<wchar_t>([&](wchar_t* buffer, int size) {
            WIN32_FIND_DATAW found{};
            // SLGP_UNCPRIORITY: the UNC form of a network target.
            wideLink_->GetPath(buffer, size, &found, SLGP_UNCPRIORITY);
            recorded_ = found.dwFileAttributes;
        });
    }

    // The 9x family has only the ANSI link interface; its targets are ANSI
    // names, and there is no item list to fall back on.
    void ReadAnsi(const std::wstring& path) {
        const TComPtr<IShellLinkA> link = LoadedLink<IShellLinkA>(IID_IShellLinkA, path);
        target_ = WideFromAnsi(WholeTarget<char>([&](char* buffer, int size) {
            WIN32_FIND_DATAA found{};
            link->GetPath(buffer, size, &found, SLGP_UNCPRIORITY);
            recorded_ = found.dwFileAttributes;
        }));
    }

    // The target as the link's item list names it, read from the link alone.
    std::wstring ItemListTarget() const {
        if (!wideLink_) return {};
        PIDLIST_ABSOLUTE items = nullptr;
        if (FAILED(wideLink_->GetIDList(&items)) || !items) return {};
        const std::unique_ptr<std::remove_pointer_t<PIDLIST_ABSOLUTE>, TCoTaskMemFree> owned(items);
        wchar_t buffer[MAX_PATH + 1] = {};
        if (!RunTime::SHGetPathFromIDListW(items, buffer)) return {};
        buffer[MAX_PATH] = L'\0';
        return buffer;
    }

    TComPtr<IShellLinkW> wideLink_;
    std::wstring target_;
    DWORD recorded_ = 0;
};

// What the menu needs of an entry: whether it is a file or a folder. A
// selected shortcut answers from what its link recorded where it can; only
// then is the file system asked.
DWORD AttributesOfTarget(TShortcut& shortcut) {
    if (const DWORD recorded = shortcut.RecordedAttributes()) return recorded;
    return shortcut.ProbeTarget();
}

// Every entry of the folder, ".", ".." and subfolders included, until the
// menu is decided; subfolders are not entered. An entry counts by its name
// alone, a shortcut by its target's.
void AddFolderImages(const std::wstring& folder, std::vector<std::wstring>& images) {
    const std::wstring prefix = AddPathDelimiter(folder);
    TFolderEntries entries(prefix + L"*.*");
    std::wstring path;
    while (!MenuIsDecided(images) && entries.Next()) {
        path.assign(prefix).append(entries.Name());
        if (IsShortcut(path)) path = TShortcut(path).Target();
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

std::wstring ResolveShortcut(const std::wstring& path) { return TShortcut(path).Target(); }

std::vector<std::wstring> BuildImageList(std::vector<std::wstring>& selectedFiles, int selectedCount) noexcept {
    std::vector<std::wstring> images;
    try {
        const size_t count = std::min(selectedFiles.size(), static_cast<size_t>(std::max(selectedCount, 0)));
        for (size_t i = 0; i < count; ++i) {
            std::wstring& entry = selectedFiles[i];
            DWORD attributes = INVALID_FILE_ATTRIBUTES;
            if (IsShortcut(entry)) {
                // Every shortcut is read, decided or not: the list file names
                // targets. Its target's file system is asked only while the
                // menu is open to question.
                TShortcut shortcut(entry);
                if (!MenuIsDecided(images) && !shortcut.Target().empty()) attributes = AttributesOfTarget(shortcut);
                entry = shortcut.Target();
            } else if (!MenuIsDecided(images) && !entry.empty()) {
                attributes = FileAttributesOf(entry);
            }
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
