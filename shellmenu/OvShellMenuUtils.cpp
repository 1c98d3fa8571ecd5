#include "OvShellMenuUtils.h"

#include "WindowsFileAccess.h"

#include "Caption.h"
#include "ImageInfo.h"
#include "OvShellMenuConsts.h"
#include "OvTools.h"
#include "RegistryKey.h"
#include "lumSysUtils.h"

#include <shellapi.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <vector>

namespace ovs {

// --- The shared reader -------------------------------------------------------------

namespace {

class TCriticalSection {
public:
    TCriticalSection() { InitializeCriticalSection(&section_); }
    ~TCriticalSection() { DeleteCriticalSection(&section_); }
    TCriticalSection(const TCriticalSection&) = delete;
    TCriticalSection& operator=(const TCriticalSection&) = delete;
    void Enter() { EnterCriticalSection(&section_); }
    void Leave() { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

class TLockGuard {
public:
    explicit TLockGuard(TCriticalSection& section) : section_(section) { section_.Enter(); }
    ~TLockGuard() { section_.Leave(); }
    TLockGuard(const TLockGuard&) = delete;
    TLockGuard& operator=(const TLockGuard&) = delete;

private:
    TCriticalSection& section_;
};

// Every read overwrites the reader's state, so the menus of two Explorer
// windows take turns.
struct TCaptionReader {
    TCriticalSection Lock;
    TReaderState State;
};

TCaptionReader* captionReader = nullptr;

} // namespace

void CreateCaptionReader() {
    if (!captionReader) {
        captionReader = new TCaptionReader;
        InstallWindowsFileAccess(captionReader->State, false);
    }
}

void FreeCaptionReader() {
    delete captionReader;
    captionReader = nullptr;
}

// --- Menu items --------------------------------------------------------------------

namespace {

// One row of the item set, in list order; the position is the command offset.
struct TItemRow {
    UINT CaptionId; // 0 for a separator
    UINT HintId;
    const char* Bitmap;
};

constexpr TItemRow kItemRows[] = {
    {0, 0, nullptr},
    {IDS_SHOW_CAPTION, IDS_SHOW_HINT, "M1"},
    {IDS_CONFIG_CAPTION, IDS_CONFIG_HINT, "M2"},
    {IDS_BUILD_CAPTION, IDS_BUILD_HINT, "M3"},
    {IDS_SETCAPTION_CAPTION, IDS_SETCAPTION_HINT, "M4"},
    {0, 0, nullptr},
};

static_assert(std::size(kItemRows) == std::size(kViewerSwitches));
static_assert(CaptionItemPosition == 4);

} // namespace

void SetupMenuItems() {
    FreeMenuItems();
    auto list = std::make_unique<TlumShellMenuItemList>();
    list->OnClick = MenuItemClick;
    for (const TItemRow& row : kItemRows) {
        const bool separator = row.CaptionId == 0;
        list->Add(separator ? std::string() : LoadResString(row.CaptionId),
                  separator ? std::string() : LoadResString(row.HintId), row.Bitmap, nullptr, false, separator,
                  false);
    }
    MenuItems = list.release();
    PrepareCaptionItemTexts = PrepareCaptionItem;
}

void FreeMenuItems() {
    PrepareCaptionItemTexts = nullptr;
    delete MenuItems;
    MenuItems = nullptr;
}

// --- The caption item ----------------------------------------------------------------

namespace {

std::string FileNamePart(const std::string& path) {
    const size_t delimiter = path.find_last_of("\\:");
    return delimiter == std::string::npos ? path : path.substr(delimiter + 1);
}

std::string CaptionOf(const std::string& path) {
    if (!captionReader) return {};
    TLockGuard guard(captionReader->Lock);
    try {
        return GetImageCaption(captionReader->State, path);
    } catch (...) {
        // An unreadable image simply has no caption.
        return {};
    }
}

} // namespace

TCaptionTexts PrepareCaptionItem(const std::string& jpegPath) {
    TCaptionTexts texts;
    try {
        const std::string caption = CaptionOf(jpegPath);
        texts.Caption = LoadResString(caption.empty() ? IDS_SET_CAPTION_FOR : IDS_EDIT_CAPTION_FOR) +
                        FileNamePart(jpegPath);
        texts.Hint = LoadResString(IDS_CURRENT_CAPTION) + caption;
    } catch (...) {
        // Called while Explorer builds its menu: the item keeps whatever
        // could be made, never an exception.
    }
    return texts;
}

// --- Commands ----------------------------------------------------------------------------

namespace {

// An owned file handle, closed on every path.
class TFileHandle {
public:
    explicit TFileHandle(HANDLE handle) : handle_(handle) {}
    ~TFileHandle() {
        if (valid()) CloseHandle(handle_);
    }
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

bool WriteAll(HANDLE file, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

bool IsExistingFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The path the library is registered under. The key is opened for reading
// only: under HKEY_CLASSES_ROOT it belongs to HKEY_LOCAL_MACHINE, which a
// user without administrator rights on the NT family may read but not change.
std::string RegisteredLibraryPath() {
    TRegistryKey key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kInprocServerKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        throw ERegistryException(std::string("Unable to open the ") + kInprocServerKey + " key");
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0)
        return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) throw ERegistryException("Invalid data type for ''");
    std::vector<char> data(size + 1, '\0');
    if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        throw ERegistryException("Failed to get data for ''");
    return std::string(data.data()); // the text ends at its first null
}

} // namespace

void MenuItemClick(TlumShellMenuItem& item, const std::string& fileName, const TSelection& selection) {
    const int index = item.Index;
    if (index < 0 || index >= static_cast<int>(std::size(kViewerSwitches)) || !kViewerSwitches[index]) return;
    // Without a selection there is nothing to show, and a list file written
    // now would stay behind in the temporary folder for good.
    if (fileName.empty()) return;
    RunViewer(kViewerSwitches[index], WriteListFile(selection));
}

std::string WriteListFile(const TSelection& selection) {
    char folder[MAX_PATH + 1] = {};
    const DWORD folderLength = GetTempPathA(static_cast<DWORD>(sizeof(folder)), folder);
    if (folderLength == 0 || folderLength >= sizeof(folder)) return {};
    char name[MAX_PATH + 1] = {};
    if (GetTempFileNameA(folder, kListFilePrefix, 0, name) == 0) return {};

    std::string lines;
    for (const std::string& entry : selection) lines += entry + "\r\n";
    bool written = false;
    {
        TFileHandle file(
            CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        written = file.valid() && WriteAll(file.get(), lines);
    }
    if (!written) {
        // A half-written list would show the viewer a wrong selection.
        DeleteFileA(name);
        return {};
    }
    return name;
}

std::string ViewerPathFor(const std::string& libraryPath) {
    const std::string_view extension = ExtensionOf(libraryPath);
    return libraryPath.substr(0, libraryPath.size() - extension.size()) + kViewerExtension;
}

void RunViewer(const std::string& switchText, const std::string& listFileName) {
    const std::string viewer = ViewerPathFor(RegisteredLibraryPath());
    const std::string parameters = switchText + " \"" + listFileName + "\"";
    if (!IsExistingFile(viewer)) {
        if (!listFileName.empty()) DeleteFileA(listFileName.c_str());
        throw ECommandError(LoadResString(IDS_VIEWER_NOT_FOUND));
    }
    const std::string file = "\"" + viewer + "\"";
    // The viewer runs on its own; whether it started is not ours to report.
    ShellExecuteA(nullptr, nullptr, file.c_str(), parameters.c_str(), nullptr, SW_SHOW);
}

} // namespace ovs
