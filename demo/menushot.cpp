// Shows the classic context menu of a selection on the screen, as Explorer
// shows it, long enough for a picture of it to be taken from outside, and
// writes the item pictures as the library made them, blended onto a light
// and a dark menu background.
//
//   menushot FOLDER NAME... --out BASE [--items BASE] [--point N]
//
// The menu is built the way Explorer builds it (the handler's class from
// HKCR\*\shellex or HKCR\folder\shellex, the shell's own data object,
// QueryContextMenu) and shown with TrackPopupMenuEx on a window of this
// program's own. Once it is drawn, BASE.rows tells where the menu and its rows
// are (screen pixels) and BASE.ready appears; the menu closes when BASE.taken
// appears, or after a while without it. --point N puts the pointer over the
// item at position N first. --items writes BASE-light.ppm and BASE-dark.ppm:
// each item bitmap (hbmpItem) in a square tile of twice its size, centred,
// one tile per item that has a bitmap, in menu order.
//
// Paths are Windows paths (Wine's Z: drive names the Unix ones).
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "ComObject.h"
#include "ShellTestSupport.h"
#include "WinFiles.h"
#include "WinHandle.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

namespace {

using ovs::CreateFileAt;
using ovs::FileAttributesOf;
using ovs::TComPtr;
using ovs::WriteAll;

constexpr char kHandlerName[] = "Orvane Slide Show";
constexpr UINT kFirstId = 100;
// A picture outside is taken within seconds; a menu left open for longer
// than this means nobody is taking one, and the program must not hang.
constexpr DWORD kWaitForPictureMs = 30000;
constexpr DWORD kWaitForMenuMs = 20000;

struct TMenuDeleter {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};

bool WriteText(const std::wstring& path, const std::string& text) {
    // Written under another name first: the reader outside polls for the name.
    const std::wstring part = path + L".part";
    {
        ovs::TFileHandle file = CreateFileAt(part, GENERIC_WRITE, 0, CREATE_ALWAYS);
        if (!file || !WriteAll(file.get(), text) || !file.close()) return false;
    }
    return MoveFileExW(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

// --- The menu, as Explorer builds it -------------------------------------------------

// Explorer asks the "folder" key for a folder and the "*" key for a file.
bool HandlerClass(const std::wstring& firstPath, CLSID& clsid) {
    const DWORD attributes = FileAttributesOf(firstPath);
    const bool isFolder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    const std::string key = std::string(isFolder ? "folder" : "*") + "\\shellex\\ContextMenuHandlers\\" + kHandlerName;
    char value[64] = {};
    LONG size = sizeof(value);
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), value, &size) != ERROR_SUCCESS) return false;
    wchar_t wide[64] = {};
    MultiByteToWideChar(CP_ACP, 0, value, -1, wide, 63);
    return SUCCEEDED(CLSIDFromString(wide, &clsid));
}

bool BuildMenu(const std::wstring& folder, const std::vector<std::wstring>& names, TComPtr<IContextMenu>& menu,
               HMENU popup) {
    CLSID clsid;
    if (!HandlerClass(folder + L"\\" + names.front(), clsid)) {
        std::printf("menushot: no handler registered for the selection\n");
        return false;
    }
    TComPtr<IShellExtInit> init;
    const TComPtr<IDataObject> data = ovs::test::ShellDataObject(folder, names);
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, init.put_void())) ||
        FAILED(init->Initialize(nullptr, data.get(), nullptr)) ||
        FAILED(init->QueryInterface(IID_IContextMenu, menu.put_void()))) {
        std::printf("menushot: the handler could not be made for the selection\n");
        return false;
    }
    const HRESULT hr = menu->QueryContextMenu(popup, 0, kFirstId, kFirstId + 99, CMF_NORMAL);
    if (FAILED(hr) || GetMenuItemCount(popup) <= 0) {
        std::printf("menushot: the handler added no items (0x%08lX)\n", static_cast<unsigned long>(hr));
        return false;
    }
    return true;
}

// --- The item pictures as Windows shows them ----------------------------------------

struct TRgb {
    std::uint8_t R, G, B;
};
constexpr TRgb kLightMenu = {0xF0, 0xF0, 0xF0};
constexpr TRgb kDarkMenu = {0x2B, 0x2B, 0x2B};

// An item bitmap's pixels, top-down, as BGRA words, with whether they carry
// alpha: Windows blends a 32-bit item bitmap by its premultiplied alpha and
// draws any other as it is.
struct TPicture {
    int Size = 0;
    bool HasAlpha = false;
    std::vector<std::uint32_t> Pixels;
};

bool ReadPicture(HBITMAP bitmap, TPicture& picture) {
    BITMAP header{};
    if (!GetObjectW(bitmap, sizeof(header), &header) || header.bmWidth <= 0 || header.bmHeight <= 0) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = header.bmWidth;
    info.bmiHeader.biHeight = -header.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    picture.Size = std::max(header.bmWidth, header.bmHeight);
    std::vector<std::uint32_t> pixels(static_cast<size_t>(header.bmWidth) * static_cast<size_t>(header.bmHeight));
    ovs::TMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc || GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(header.bmHeight), pixels.data(), &info,
                         DIB_RGB_COLORS) != header.bmHeight)
        return false;
    picture.HasAlpha = header.bmBitsPixel == 32 &&
                       std::ranges::any_of(pixels, [](std::uint32_t p) { return (p >> 24) != 0; });
    // Square, the bitmap at its top left: every item bitmap is square.
    picture.Pixels.assign(static_cast<size_t>(picture.Size) * static_cast<size_t>(picture.Size), 0);
    for (int y = 0; y < header.bmHeight; ++y)
        std::copy_n(pixels.begin() + static_cast<std::ptrdiff_t>(y) * header.bmWidth, header.bmWidth,
                    picture.Pixels.begin() + static_cast<std::ptrdiff_t>(y) * picture.Size);
    return true;
}

std::vector<TPicture> ItemPictures(HMENU popup) {
    std::vector<TPicture> pictures;
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_BITMAP | MIIM_FTYPE;
        // The predefined HBMMENU_ values are not bitmaps of the item's own.
        if (!GetMenuItemInfoW(popup, static_cast<UINT>(i), TRUE, &info) ||
            reinterpret_cast<std::uintptr_t>(info.hbmpItem) <= reinterpret_cast<std::uintptr_t>(HBMMENU_POPUP_MINIMIZE))
            continue;
        TPicture picture;
        if (ReadPicture(info.hbmpItem, picture)) pictures.push_back(std::move(picture));
    }
    return pictures;
}

std::uint8_t Over(std::uint32_t premultiplied, std::uint32_t alpha, std::uint8_t background) {
    const std::uint32_t value = premultiplied + (background * (255 - alpha) + 127) / 255;
    return static_cast<std::uint8_t>(std::min<std::uint32_t>(value, 255));
}

// A binary PPM, which ImageMagick turns into a PNG outside.
bool WriteBlended(const std::wstring& path, const std::vector<TPicture>& pictures, TRgb background) {
    int size = 0;
    for (const TPicture& p : pictures) size = std::max(size, p.Size);
    const int tile = 2 * size, width = tile * static_cast<int>(pictures.size()), height = tile;
    std::string ppm = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    const size_t header = ppm.size();
    ppm.resize(header + static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    auto at = [&](int x, int y) { return header + (static_cast<size_t>(y) * static_cast<size_t>(width) + x) * 3; };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) std::memcpy(&ppm[at(x, y)], &background, 3);
    for (size_t k = 0; k < pictures.size(); ++k) {
        const TPicture& p = pictures[k];
        const int left = static_cast<int>(k) * tile + (tile - p.Size) / 2, top = (tile - p.Size) / 2;
        for (int y = 0; y < p.Size; ++y)
            for (int x = 0; x < p.Size; ++x) {
                const std::uint32_t bgra = p.Pixels[static_cast<size_t>(y) * p.Size + x];
                const std::uint32_t alpha = p.HasAlpha ? bgra >> 24 : 255;
                char* out = &ppm[at(left + x, top + y)];
                out[0] = static_cast<char>(Over((bgra >> 16) & 0xFF, alpha, background.R));
                out[1] = static_cast<char>(Over((bgra >> 8) & 0xFF, alpha, background.G));
                out[2] = static_cast<char>(Over(bgra & 0xFF, alpha, background.B));
            }
    }
    ovs::TFileHandle file = CreateFileAt(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    return file && WriteAll(file.get(), ppm) && file.close();
}

// --- Showing it -------------------------------------------------------------------------

// Where the menu and its rows are, for the picture taken outside: screen
// pixels, one line per item in menu order.
std::string RowsText(HWND menuWindow, HMENU popup, int pointed) {
    RECT frame{};
    GetWindowRect(menuWindow, &frame);
    std::string text = "menu " + std::to_string(frame.left) + " " + std::to_string(frame.top) + " " +
                       std::to_string(frame.right) + " " + std::to_string(frame.bottom) + "\n";
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_BITMAP | MIIM_CHECKMARKS;
        RECT row{};
        if (!GetMenuItemInfoW(popup, static_cast<UINT>(i), TRUE, &info) ||
            !GetMenuItemRect(menuWindow, popup, static_cast<UINT>(i), &row))
            continue;
        const bool separator = (info.fType & MFT_SEPARATOR) != 0;
        const bool picture = info.hbmpItem || info.hbmpChecked || info.hbmpUnchecked;
        text += std::string(separator ? "separator" : "command") + " " + std::to_string(row.left) + " " +
                std::to_string(row.top) + " " + std::to_string(row.right) + " " + std::to_string(row.bottom) +
                (picture ? " picture" : "") + (i == pointed ? " pointed" : "") + "\n";
    }
    return text;
}

// The popup menu's window is of the system class "#32768"; only this
// process's own counts.
HWND ShownMenuWindow() {
    for (HWND window = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); window;
         window = FindWindowExW(nullptr, window, L"#32768", nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

HWND WaitForMenuWindow(const std::atomic<bool>& tracking) {
    for (DWORD waited = 0; waited < kWaitForMenuMs && tracking; waited += 50) {
        if (const HWND window = ShownMenuWindow()) return window;
        Sleep(50);
    }
    return nullptr;
}

// Runs beside the menu's own loop, which only returns when the menu closes.
void TakePicture(HMENU popup, int pointed, const std::wstring& base, const std::atomic<bool>& tracking, bool& shown) {
    const HWND menuWindow = WaitForMenuWindow(tracking);
    if (!menuWindow) return;
    if (pointed >= 0) {
        RECT row{};
        if (GetMenuItemRect(menuWindow, popup, static_cast<UINT>(pointed), &row))
            SetCursorPos((row.left + row.right) / 2, (row.top + row.bottom) / 2);
    }
    // Wine puts a window's pixels on the X screen a moment after it paints.
    Sleep(400);
    shown = WriteText(base + L".rows", RowsText(menuWindow, popup, pointed)) && WriteText(base + L".ready", "ready\n");
    for (DWORD waited = 0; shown && waited < kWaitForPictureMs && tracking; waited += 50) {
        if (FileAttributesOf(base + L".taken") != INVALID_FILE_ATTRIBUTES) break;
        Sleep(50);
    }
    PostMessageW(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0);
    EndMenu();
}

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

bool ShowAndWait(HMENU popup, int pointed, const std::wstring& base) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = OwnerProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"OvsMenuShotOwner";
    RegisterClassW(&windowClass);
    const HWND owner = CreateWindowExW(WS_EX_TOOLWINDOW, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr,
                                       nullptr, windowClass.hInstance, nullptr);
    if (!owner) {
        std::printf("menushot: no window can be made (no display?)\n");
        return false;
    }
    ShowWindow(owner, SW_SHOW);
    // The owner must be the foreground window, as Explorer's is when the
    // user right-clicks, or the menu doesn't close on a click outside it
    // (TrackPopupMenu's remarks on learn.microsoft.com, which also ask for
    // the WM_NULL posted after it).
    SetForegroundWindow(owner);
    // The pointer away from the menu: only the item asked for is highlighted.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    std::atomic<bool> tracking = true;
    bool shown = false;
    std::thread picture([&] { TakePicture(popup, pointed, base, tracking, shown); });
    const int margin = GetSystemMetrics(SM_CXSMICON);
    TrackPopupMenuEx(popup, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, margin,
                     margin, owner, nullptr);
    tracking = false;
    picture.join();
    PostMessageW(owner, WM_NULL, 0, 0);
    DestroyWindow(owner);
    return shown;
}

int Run(const std::wstring& folder, const std::vector<std::wstring>& names, const std::wstring& base,
        const std::wstring& items, int pointed) {
    const std::unique_ptr<std::remove_pointer_t<HMENU>, TMenuDeleter> popup(CreatePopupMenu());
    TComPtr<IContextMenu> menu;
    if (!popup || !BuildMenu(folder, names, menu, popup.get())) return 1;
    if (!items.empty()) {
        const std::vector<TPicture> pictures = ItemPictures(popup.get());
        if (!pictures.empty() && (!WriteBlended(items + L"-light.ppm", pictures, kLightMenu) ||
                                  !WriteBlended(items + L"-dark.ppm", pictures, kDarkMenu))) {
            std::printf("menushot: the item pictures could not be written\n");
            return 1;
        }
    }
    if (pointed >= GetMenuItemCount(popup.get())) pointed = -1;
    if (!ShowAndWait(popup.get(), pointed, base)) {
        std::printf("menushot: the menu was not shown\n");
        return 1;
    }
    return 0;
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return 2;
    std::vector<std::wstring> names;
    std::wstring base, items;
    int pointed = -1;
    for (int i = 2; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::wcscmp(argv[i], L"--out") == 0 && hasValue) base = argv[++i];
        else if (std::wcscmp(argv[i], L"--items") == 0 && hasValue) items = argv[++i];
        else if (std::wcscmp(argv[i], L"--point") == 0 && hasValue) pointed = static_cast<int>(std::wcstol(argv[++i], nullptr, 10));
        else names.push_back(argv[i]);
    }
    const std::wstring folder = argc > 1 ? argv[1] : L"";
    LocalFree(argv);
    if (folder.empty() || names.empty() || base.empty()) {
        std::printf("usage: menushot FOLDER NAME... --out BASE [--items BASE] [--point N]\n");
        return 2;
    }
    int result = 1;
    try {
        const ovs::test::TComApartment apartment;
        result = Run(folder, names, base, items, pointed);
    } catch (const std::exception& error) {
        std::printf("menushot: %s\n", error.what());
    } catch (...) {
        std::printf("menushot: failed\n");
    }
    std::fflush(stdout);
    return result;
}
