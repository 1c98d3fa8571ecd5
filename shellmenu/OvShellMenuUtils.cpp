#include "OvShellMenuUtils.h"

#include "Caption.h"
#include "ImageInfo.h"
#include "OvShellMenuConsts.h"
#include "PathText.h"
#include "RunTimeImports.h"
#include "StoredText.h"
#include "Utf8Text.h"
#include "WinFiles.h"
#include "WinText.h"
#include "WindowsFileAccess.h"
#include "lumSysUtils.h"

#include <shellapi.h>

#include <iterator>
#include <memory>

namespace ovs {

// --- The shared reader -------------------------------------------------------------

namespace {

// How the caption lookups read files, fixed when the library loads. Each
// lookup reads with a reader state of its own, so a JPEG on a slow share
// holds up only the menu that asked for it, never another window's; what the
// lookups share is never written, so no lock is taken.
struct TCaptionReader {
    bool Utf8Paths = false;
};

TCaptionReader* captionReader = nullptr;

} // namespace

void CreateCaptionReader() {
    // The NT family hands the reader UTF-8 forms of its UTF-16 names, so a
    // file of any name is read; the 9x family's names are ANSI.
    if (!captionReader) captionReader = new TCaptionReader{IsWinNT};
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
    WORD Icon;
};

constexpr TItemRow kItemRows[] = {
    {0, 0, nullptr, 0},
    {IDS_SHOW_CAPTION, IDS_SHOW_HINT, "M1", IDI_SHOW},
    {IDS_CONFIG_CAPTION, IDS_CONFIG_HINT, "M2", IDI_CONFIG},
    {IDS_BUILD_CAPTION, IDS_BUILD_HINT, "M3", IDI_BUILD},
    {IDS_SETCAPTION_CAPTION, IDS_SETCAPTION_HINT, "M4", IDI_SETCAPTION},
    {0, 0, nullptr, 0},
};

// Where an item's picture comes from on the Windows at hand. Vista on blends
// an item bitmap with alpha onto any menu at any scale: the icon at
// small-icon size. 98, Me, 2000 and XP show the 16-pixel bitmap as the check
// mark, as they always have. 95 and NT 4 know no item bitmap and draw a
// check mark at their own check-mark size: the icon drawn at that size.
struct TItemPicture {
    const char* Resource;
    bool AsItemBitmap;
};

TItemPicture PictureOf(const TItemRow& row) {
    if (!row.Bitmap) return {nullptr, false};
    if (IsNTNewerThanNT5) return {MAKEINTRESOURCEA(row.Icon), true};
    if (Is9xNewerThan95 || IsNTNewerThanNT4) return {row.Bitmap, false};
    return {MAKEINTRESOURCEA(row.Icon), false};
}

static_assert(std::size(kItemRows) == std::size(kViewerSwitches));
static_assert(CaptionItemPosition == 4);

} // namespace

void SetupMenuItems() {
    FreeMenuItems();
    auto list = std::make_unique<TlumShellMenuItemList>();
    list->OnClick = MenuItemClick;
    for (const TItemRow& row : kItemRows) {
        const bool separator = row.CaptionId == 0;
        const TItemPicture picture = PictureOf(row);
        list->Add(separator ? std::string() : LoadResString(row.CaptionId),
                  separator ? std::string() : LoadResString(row.HintId), picture.Resource, nullptr,
                  picture.AsItemBitmap, separator, false);
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

// The path in the form CreateCaptionReader told the reader to expect.
TStoredCaption CaptionOf(const std::wstring& path) {
    if (!captionReader) return {};
    const bool utf8Paths = captionReader->Utf8Paths;
    try {
        const std::string readerPath = utf8Paths ? Utf8FromUtf16(path) : LossyAnsiOf(path);
        // A few kilobytes and the file buffer, for the length of one lookup.
        const auto state = std::make_unique<TReaderState>();
        InstallWindowsFileAccess(*state, utf8Paths);
        return LookUpImageCaption(*state, readerPath);
    } catch (...) {
        // An unreadable image simply has no caption.
        return {};
    }
}

std::wstring AnsiText(std::string_view bytes) { return WideFromAnsi(bytes); }

// The caption as its writer wrote it: UTF-8 where the image says so or its
// bytes show it, otherwise the ANSI code page. The 9x family shows ANSI
// only, so there the stored bytes stay as they are.
std::wstring ShownCaption(const TStoredCaption& caption) {
    if (!IsWinNT) return WideFromAnsi(caption.Text);
    return DecodeStoredText(caption.Text, caption.DeclaredUtf8, &AnsiText);
}

// A menu takes '&' as the mark of the next character's mnemonic: doubled, it
// shows as itself.
std::wstring MenuTextOf(std::wstring_view text) {
    std::wstring shown;
    shown.reserve(text.size());
    for (const wchar_t c : text) {
        shown += c;
        if (c == L'&') shown += L'&';
    }
    return shown;
}

} // namespace

TCaptionTexts PrepareCaptionItem(const std::wstring& jpegPath) {
    TCaptionTexts texts;
    try {
        const TStoredCaption caption = CaptionOf(jpegPath);
        texts.Caption = LoadResStringW(caption.Text.empty() ? IDS_SET_CAPTION_FOR : IDS_EDIT_CAPTION_FOR) +
                        MenuTextOf(NamePart(jpegPath));
        texts.Hint = LoadResStringW(IDS_CURRENT_CAPTION) + ShownCaption(caption);
    } catch (...) {
        // Called while Explorer builds its menu: the item keeps whatever
        // could be made, never an exception.
    }
    return texts;
}

// --- Commands ----------------------------------------------------------------------------

namespace {

// The path the library is registered under, as Windows' merged view of the
// classes gives it: a per-user registration first, then the machine's. Read
// only: under HKEY_CLASSES_ROOT the key belongs to HKEY_LOCAL_MACHINE, which
// a user without administrator rights on the NT family may read but not
// change.
std::wstring RegisteredLibraryPath() {
    const std::wstring serverKey = WideFromAnsi(kInprocServerKey.c_str());
    // Only the NT family from Windows 2000 on has per-user classes.
    if (IsNTNewerThanNT4) {
        try {
            const std::wstring userKey = WideFromAnsi(kUserClassesKey) + L"\\" + serverKey;
            if (std::optional<std::wstring> path = RegQueryStringW(HKEY_CURRENT_USER, userKey, L""))
                return *path;
        } catch (const ERegistryException&) {
            // No per-user registration: the machine's counts.
        }
    }
    return RegQueryStringW(HKEY_CLASSES_ROOT, serverKey, L"").value_or(std::wstring());
}

// Windows lets a program take the foreground only when the process that
// started it may, and the process that runs an Explorer command may be the
// package's surrogate rather than Explorer. Where this process holds the
// leave -- Explorer itself, or a surrogate Explorer handed it to -- it passes
// it on to the viewer by the process id that ShellExecuteEx gives;
// AllowSetForegroundWindow fails harmlessly where the leave isn't ours.
void StartViewerInFront(const std::wstring& viewer, const std::wstring& parameters) {
    const std::wstring file = L"\"" + viewer + L"\"";
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!RunTime::ShellExecuteExW(&info) || !info.hProcess) return;
    const TFileHandle process(info.hProcess);
    if (const DWORD id = RunTime::GetProcessId(process.get())) RunTime::AllowSetForegroundWindow(id);
}

bool IsExistingFile(const std::wstring& path) {
    const DWORD attributes = FileAttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

void MenuItemClick(TlumShellMenuItem& item, const std::wstring& fileName, const TSelection& selection) {
    RunMenuCommand(item.Index, fileName, selection, TViewerStart{});
}

void RunMenuCommand(int position, const std::wstring& fileName, const TSelection& selection,
                    const TViewerStart& start) {
    if (position < 0 || position >= static_cast<int>(std::size(kViewerSwitches)) || !kViewerSwitches[position])
        return;
    // Without a selection there is nothing to show, and a list file written
    // now would stay behind in the temporary folder for good.
    if (fileName.empty()) return;
    RunViewer(kViewerSwitches[position], WriteListFile(selection), start);
}

std::string WriteListFile(const TSelection& selection) {
    const std::wstring folder = TempFolder();
    if (folder.empty()) return {};
    const std::wstring name = TempFileName(folder, kListFilePrefix);
    if (name.empty()) return {};

    // The viewer reads ANSI: each entry by a name that opens it, where it has
    // one; the others keep their line, naming no file (kNoFileCharacter for
    // what the code page lacks).
    std::string lines;
    for (const std::wstring& entry : selection) lines += AnsiPathOrPlaceholder(entry) + "\r\n";
    TFileHandle file = CreateFileAt(name, GENERIC_WRITE, 0, CREATE_ALWAYS);
    const bool written = file.valid() && WriteAll(file.get(), lines) && file.close();
    // A list the viewer cannot name is no list for it.
    const std::optional<std::string> ansiName = written ? AnsiPathOf(name) : std::nullopt;
    if (!ansiName) {
        // A half-written list would show the viewer a wrong selection.
        file.reset();
        DeleteFileAt(name);
        return {};
    }
    return *ansiName;
}

std::wstring ViewerPathFor(const std::wstring& libraryPath) { return ChangeFileExt(libraryPath, kViewerExtension); }

void RunViewer(const std::string& switchText, const std::string& listFileName, const TViewerStart& start) {
    const std::wstring viewer =
        ViewerPathFor(start.BesideThisLibrary ? ModuleFileName(ResourceModule()) : RegisteredLibraryPath());
    const std::string parameters = switchText + " \"" + listFileName + "\"";
    if (!IsExistingFile(viewer)) {
        if (!listFileName.empty()) DeleteFileAt(WideFromAnsi(listFileName));
        throw ECommandError(LoadResString(IDS_VIEWER_NOT_FOUND));
    }
    // The viewer runs on its own; whether it started is not ours to report.
    if (IsWinNT && start.ToFront) {
        StartViewerInFront(viewer, WideFromAnsi(parameters));
    } else if (IsWinNT) {
        // The wide call finds the viewer in a folder of any name; its
        // parameters widen from ANSI and reach the viewer's ANSI command line
        // as exactly these bytes.
        const std::wstring file = L"\"" + viewer + L"\"";
        RunTime::ShellExecuteW(nullptr, nullptr, file.c_str(), WideFromAnsi(parameters).c_str(), nullptr, SW_SHOW);
    } else {
        const std::string file = "\"" + LossyAnsiOf(viewer) + "\"";
        ShellExecuteA(nullptr, nullptr, file.c_str(), parameters.c_str(), nullptr, SW_SHOW);
    }
}

void ShowCommandError(HWND owner, const char* message) noexcept {
    try {
        const std::string text = message ? std::string(message) : LoadResString(IDS_COMMAND_FAILED);
        MessageBoxA(owner, text.c_str(), LoadResString(IDS_MESSAGE_TITLE).c_str(), MB_OK | MB_ICONERROR);
    } catch (...) {
        // Without its texts the library can show nothing; the command has
        // failed all the same.
    }
}

} // namespace ovs
