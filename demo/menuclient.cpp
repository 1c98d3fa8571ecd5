// The demo's stand-in for Explorer: builds the context menu of a selection the
// way Explorer does with a registered shell extension, and shows it.
//
// Names are UTF-16 throughout, as Explorer has them, and are printed in UTF-8.
//
//   menuclient samples FOLDER              make the demo's sample files
//   menuclient menu FOLDER NAME... [--invoke N]
//                                          the menu of FOLDER\NAME...; with
//                                          --invoke, choose the item at offset N
//   menuclient commands [--per-user | --in-classic-menu] FOLDER NAME... [--invoke N]
//                                          the Explorer commands (Windows 11's
//                                          menu) of FOLDER\NAME...; with
//                                          --invoke, run sub-command N (from 1);
//                                          --per-user loads the class from the
//                                          user's registration, as Windows does;
//                                          --in-classic-menu asks as Windows 11's
//                                          classic menu does (a site with a window)
//   menuclient received FOLDER             wait for the stand-in viewer's
//                                          record in FOLDER and print it
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "ComPtr.h"
#include "ExplorerSite.h"

namespace {

constexpr char kHandlerName[] = "Orvane Slide Show";
const CLSID kExplorerCommandClsid = {0x24FC18D4, 0x6ADD, 0x4697, {0xAB, 0xAD, 0xF6, 0xF3, 0xDF, 0xC1, 0xAD, 0xDE}};
constexpr char kExplorerCommandClsidText[] = "{24FC18D4-6ADD-4697-ABAD-F6F3DFC1ADDE}";

using ovs::TComPtr;
using ovs::test::TSite;

std::wstring Wide(const std::string& text, UINT codePage = CP_ACP) {
    std::wstring wide(text.size() + 1, L'\0');
    const int n = MultiByteToWideChar(codePage, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
    return wide;
}

// For the terminal the demo prints to.
std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string utf8(static_cast<size_t>(n > 0 ? n : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), n, nullptr, nullptr);
    return utf8;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

// --- Samples ----------------------------------------------------------------------

std::string Big16(size_t value) { return {static_cast<char>((value >> 8) & 0xFF), static_cast<char>(value & 0xFF)}; }

// A JPEG header with an optional IPTC caption in its APP13 section.
std::string Jpeg(const std::string& caption) {
    std::string iptc = std::string("\x1C\x02\x00\x00\x02\x00\x04", 7);
    if (!caption.empty()) iptc += std::string("\x1C\x02\x78", 3) + Big16(caption.size()) + caption;
    if (iptc.size() % 2) iptc += '\0';
    std::string resource = std::string("8BIM\x04\x04\x00\x00\x00\x00", 10) + Big16(iptc.size()) + iptc;
    const std::string app13 = std::string("Photoshop 3.0\0", 14) + resource;
    const std::string jfif = std::string("JFIF\0\x01\x01\x00\x00\x01\x00\x01\x00\x00", 14);
    return std::string("\xFF\xD8\xFF\xE0", 4) + Big16(jfif.size() + 2) + jfif + std::string("\xFF\xED", 2) +
           Big16(app13.size() + 2) + app13 + std::string("\xFF\xD9", 2);
}

// A 2x2 24-bit bitmap.
std::string Bitmap() {
    const unsigned char bytes[] = {
        'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,
        16, 0, 0, 0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0};
    return std::string(reinterpret_cast<const char*>(bytes), sizeof(bytes));
}

bool CreateShortcut(const std::wstring& linkPath, const std::wstring& target) {
    TComPtr<IShellLinkW> link;
    TComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
        return false;
    link->SetPath(target.c_str());
    return SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.put_void())) &&
           SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
}

// A name outside the ANSI code page: the menu shows it as it is; the viewer,
// which reads ANSI, gets its 8.3 alias.
constexpr wchar_t kForeignName[] = L"\u03A9mega \u5199\u771F.jpg";

int MakeSamples(const std::wstring& folder) {
    CreateDirectoryW(folder.c_str(), nullptr);
    const bool ok = WriteBytes(folder + L"\\beach.jpg", Jpeg("Beach at sunset")) &&
                    WriteBytes(folder + L"\\harbour.jpg", Jpeg("")) &&
                    WriteBytes(folder + L"\\" + kForeignName, Jpeg("Greek and Japanese")) &&
                    WriteBytes(folder + L"\\slides.bmp", Bitmap()) &&
                    WriteBytes(folder + L"\\notes.txt", "Holiday notes\r\n") &&
                    CreateShortcut(folder + L"\\beach shortcut.lnk", folder + L"\\beach.jpg");
    std::printf("Sample folder %s: beach.jpg (caption \"Beach at sunset\"), harbour.jpg (no caption),\n"
                "  %s (caption \"Greek and Japanese\"), slides.bmp, notes.txt,\n"
                "  \"beach shortcut.lnk\" -> beach.jpg\n",
                Utf8(folder).c_str(), Utf8(kForeignName).c_str());
    return ok ? 0 : 1;
}

// --- The menu -------------------------------------------------------------------------

bool ShellDataObject(const std::wstring& folder, const std::vector<std::wstring>& names,
                     TComPtr<IDataObject>& dataObject) {
    TComPtr<IShellFolder> desktop, parent;
    if (FAILED(SHGetDesktopFolder(desktop.put()))) return false;
    PIDLIST_RELATIVE folderPidl = nullptr;
    std::wstring wideFolder = folder;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, wideFolder.data(), nullptr, &folderPidl, nullptr)))
        return false;
    const HRESULT bound = desktop->BindToObject(folderPidl, nullptr, IID_IShellFolder, parent.put_void());
    CoTaskMemFree(folderPidl);
    if (FAILED(bound)) return false;
    std::vector<PITEMID_CHILD> children;
    bool ok = true;
    for (const std::wstring& name : names) {
        PIDLIST_RELATIVE child = nullptr;
        std::wstring wideName = name;
        if (FAILED(parent->ParseDisplayName(nullptr, nullptr, wideName.data(), nullptr, &child, nullptr))) {
            std::printf("  cannot find %s\\%s\n", Utf8(folder).c_str(), Utf8(name).c_str());
            ok = false;
            break;
        }
        children.push_back(reinterpret_cast<PITEMID_CHILD>(child));
    }
    if (ok)
        ok = SUCCEEDED(parent->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()),
                                             const_cast<PCUITEMID_CHILD_ARRAY>(children.data()), IID_IDataObject,
                                             nullptr, dataObject.put_void()));
    for (PITEMID_CHILD child : children) CoTaskMemFree(child);
    return ok;
}

std::string RegDefault(const std::string& key) {
    char value[256] = {};
    LONG size = sizeof(value);
    return RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), value, &size) == ERROR_SUCCESS ? value : "";
}

int ShowMenu(const std::wstring& folder, const std::vector<std::wstring>& names, int invoke) {
    std::string shown;
    for (const std::wstring& name : names) shown += (shown.empty() ? "" : ", ") + Utf8(name);
    std::printf("\nRight-click on %s in %s\n", shown.c_str(), Utf8(folder).c_str());

    // Explorer asks the "folder" key for a folder and the "*" key for a file.
    const DWORD attributes = GetFileAttributesW((folder + L"\\" + names.front()).c_str());
    const bool isFolder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    const std::string key = std::string(isFolder ? "folder" : "*") + "\\shellex\\ContextMenuHandlers\\" + kHandlerName;
    const std::string clsidText = RegDefault(key);
    CLSID clsid;
    std::wstring wideClsid = Wide(clsidText);
    if (clsidText.empty() || FAILED(CLSIDFromString(wideClsid.data(), &clsid))) {
        std::printf("  no handler registered under HKCR\\%s\n", key.c_str());
        return 1;
    }
    TComPtr<IShellExtInit> init;
    TComPtr<IContextMenu> menu;
    TComPtr<IDataObject> data;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, init.put_void());
    if (FAILED(hr)) {
        std::printf("  CoCreateInstance %s failed: 0x%08lX\n", clsidText.c_str(), static_cast<unsigned long>(hr));
        return 1;
    }
    if (!ShellDataObject(folder, names, data)) return 1;
    if (FAILED(init->Initialize(nullptr, data.get(), nullptr)) ||
        FAILED(init->QueryInterface(IID_IContextMenu, menu.put_void())))
        return 1;
    HMENU popup = CreatePopupMenu();
    const UINT first = 100;
    hr = menu->QueryContextMenu(popup, 0, first, first + 99, CMF_NORMAL);
    std::printf("  handler %s (HKCR\\%s)\n  QueryContextMenu inserted %u items\n", clsidText.c_str(), key.c_str(),
                static_cast<unsigned>(HRESULT_CODE(hr)));
    const int count = GetMenuItemCount(popup);
    if (count > 0) std::printf("    id  offset  bitmap  text                                 help text\n");
    std::string invokedText;
    for (int i = 0; i < count; ++i) {
        // Read in UTF-16, as Explorer on the NT family shows them.
        wchar_t text[256] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING | MIIM_BITMAP | MIIM_CHECKMARKS;
        info.dwTypeData = text;
        info.cch = static_cast<UINT>(std::size(text) - 1);
        GetMenuItemInfoW(popup, static_cast<UINT>(i), TRUE, &info);
        const UINT offset = info.wID - first;
        wchar_t help[512] = {};
        menu->GetCommandString(offset, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(help), std::size(help));
        const bool bitmap = info.hbmpItem || info.hbmpChecked;
        const std::string label = (info.fType & MFT_SEPARATOR) ? "--------" : Utf8(text);
        // Padded by characters, not bytes.
        const int width = 36 + static_cast<int>(label.size()) - static_cast<int>(std::wcslen(text));
        std::printf("   %3u  %6u  %-6s  %-*s %s\n", info.wID, offset, bitmap ? "yes" : "", width, label.c_str(),
                    Utf8(help).c_str());
        if (static_cast<int>(offset) == invoke) invokedText = label;
    }
    DestroyMenu(popup);
    if (invoke >= 0) {
        CMINVOKECOMMANDINFO command{};
        command.cbSize = sizeof(command);
        command.fMask = CMIC_MASK_FLAG_NO_UI;
        command.lpVerb = MAKEINTRESOURCEA(invoke);
        command.nShow = SW_SHOWNORMAL;
        hr = menu->InvokeCommand(&command);
        std::printf("  chose \"%s\" (offset %d): InvokeCommand returned 0x%08lX\n", invokedText.c_str(), invoke,
                    static_cast<unsigned long>(hr));
    }
    return 0;
}

// --- Windows 11's menu: the Explorer commands ---------------------------------------

std::string Taken(LPWSTR text) {
    std::string utf8 = text ? Utf8(text) : std::string("(none)");
    CoTaskMemFree(text);
    return utf8;
}

// Windows merges the user's classes into HKEY_CLASSES_ROOT; Wine doesn't, so
// a per-user class is loaded the way Windows would: its InprocServer32, then
// the library's DllGetClassObject.
HRESULT CreateExplorerCommand(bool perUser, TComPtr<IExplorerCommand>& root) {
    if (!perUser)
        return CoCreateInstance(kExplorerCommandClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IExplorerCommand,
                                root.put_void());
    const std::string key = std::string("Software\\Classes\\CLSID\\") + kExplorerCommandClsidText + "\\InprocServer32";
    char path[MAX_PATH + 1] = {};
    LONG size = sizeof(path) - 1;
    if (RegQueryValueA(HKEY_CURRENT_USER, key.c_str(), path, &size) != ERROR_SUCCESS) return REGDB_E_CLASSNOTREG;
    std::printf("  class loaded from HKCU\\%s = %s\n", key.c_str(), path);
    HMODULE library = LoadLibraryA(path);
    if (!library) return HRESULT_FROM_WIN32(GetLastError());
    using TGetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    const auto getClassObject =
        reinterpret_cast<TGetClassObject>(reinterpret_cast<void*>(GetProcAddress(library, "DllGetClassObject")));
    if (!getClassObject) return E_FAIL;
    TComPtr<IClassFactory> factory;
    HRESULT hr = getClassObject(kExplorerCommandClsid, IID_IClassFactory, factory.put_void());
    if (SUCCEEDED(hr)) hr = factory->CreateInstance(nullptr, IID_IExplorerCommand, root.put_void());
    return hr;
}

struct TSlowAsk {
    IExplorerCommand* Root;
    IShellItemArray* Items;
    EXPCMDSTATE* State;
    HRESULT* Answer;
};

DWORD WINAPI SlowGetState(void* parameter) {
    TSlowAsk* ask = static_cast<TSlowAsk*>(parameter);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    *ask->Answer = ask->Root->GetState(ask->Items, TRUE, ask->State);
    CoUninitialize();
    delete ask;
    return 0;
}

int ShowCommands(bool perUser, bool inClassicMenu, const std::wstring& folder, const std::vector<std::wstring>& names,
                 int invoke) {
    std::string shown;
    for (const std::wstring& name : names) shown += (shown.empty() ? "" : ", ") + Utf8(name);
    std::printf("\nWindows 11 menu on %s in %s\n", shown.c_str(), Utf8(folder).c_str());
    // Outlives the command that holds it.
    TSite site(inClassicMenu ? L"SHELLDLL_DefView" : nullptr);
    TComPtr<IExplorerCommand> root;
    HRESULT hr = CreateExplorerCommand(perUser, root);
    if (FAILED(hr)) {
        std::printf("  the Explorer command class could not be created: 0x%08lX\n", static_cast<unsigned long>(hr));
        return 1;
    }
    // Explorer's item array for the selection.
    std::vector<PIDLIST_ABSOLUTE> lists;
    for (const std::wstring& name : names) {
        PIDLIST_ABSOLUTE list = nullptr;
        if (FAILED(SHParseDisplayName((folder + L"\\" + name).c_str(), nullptr, &list, 0, nullptr))) {
            std::printf("  cannot find %s\\%s\n", Utf8(folder).c_str(), Utf8(name).c_str());
            for (PIDLIST_ABSOLUTE l : lists) CoTaskMemFree(l);
            return 1;
        }
        lists.push_back(list);
    }
    TComPtr<IShellItemArray> items;
    hr = SHCreateShellItemArrayFromIDLists(static_cast<UINT>(lists.size()),
                                           const_cast<PCIDLIST_ABSOLUTE_ARRAY>(lists.data()),
                                           items.put());
    for (PIDLIST_ABSOLUTE l : lists) CoTaskMemFree(l);
    if (FAILED(hr)) return 1;

    TComPtr<IObjectWithSite> sited;
    if (SUCCEEDED(root->QueryInterface(IID_IObjectWithSite, sited.put_void()))) sited->SetSite(&site);
    if (inClassicMenu)
        std::printf("  asked from the classic menu (\"Show more options\"): a site with the view's window\n");

    EXPCMDSTATE state = ECS_HIDDEN;
    hr = root->GetState(items.get(), FALSE, &state);
    std::printf("  GetState(fOkToBeSlow FALSE): %s\n",
                hr == E_PENDING ? "E_PENDING (a file to look into: a folder, a shortcut or a lone JPEG's caption)"
                : state == ECS_ENABLED ? "shown" : "hidden");
    if (hr == E_PENDING) {
        // Explorer asks again from a thread that may wait.
        HANDLE thread = CreateThread(nullptr, 0, SlowGetState, new TSlowAsk{root.get(), items.get(), &state, &hr}, 0,
                                     nullptr);
        if (thread) {
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
        std::printf("  GetState(fOkToBeSlow TRUE), on a thread of its own: %s\n",
                    state == ECS_ENABLED ? "shown" : "hidden");
    }
    if (inClassicMenu && state != ECS_ENABLED)
        std::printf("  hidden: the classic handler's items stand in this menu already\n");
    if (FAILED(hr) || state != ECS_ENABLED) return 0;
    LPWSTR text = nullptr;
    root->GetTitle(items.get(), &text);
    std::string title = Taken(text);
    text = nullptr;
    root->GetIcon(items.get(), &text);
    EXPCMDFLAGS flags = 0;
    root->GetFlags(&flags);
    std::printf("  root: \"%s\"  icon %s%s\n", title.c_str(), Taken(text).c_str(),
                (flags & ECF_HASSUBCOMMANDS) ? "  (has sub-commands)" : "");
    TComPtr<IEnumExplorerCommand> list;
    if (FAILED(root->EnumSubCommands(list.put()))) return 1;
    int number = 0;
    for (;;) {
        TComPtr<IExplorerCommand> sub;
        ULONG fetched = 0;
        if (list->Next(1, sub.put(), &fetched) != S_OK || fetched != 1) break;
        ++number;
        text = nullptr;
        sub->GetTitle(items.get(), &text);
        title = Taken(text);
        text = nullptr;
        sub->GetIcon(items.get(), &text);
        const std::string icon = Taken(text);
        text = nullptr;
        sub->GetToolTip(items.get(), &text);
        std::printf("    %d. %-36s tooltip: %s\n       icon %s\n", number, title.c_str(), Taken(text).c_str(),
                    icon.c_str());
        if (number == invoke) {
            TComPtr<IBindCtx> context;
            CreateBindCtx(0, context.put());
            hr = sub->Invoke(items.get(), context.get());
            std::printf("       chose it: Invoke returned 0x%08lX\n", static_cast<unsigned long>(hr));
        }
    }
    return 0;
}

// --- What the stand-in viewer got ----------------------------------------------------

int ShowReceived(const std::wstring& folder) {
    std::string record;
    for (int tries = 0; tries < 150 && record.empty(); ++tries) {
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((folder + L"\\run-*.rec").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            FindClose(find);
            const std::wstring path = folder + L"\\" + found.cFileName;
            HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                char buffer[4096];
                DWORD got = 0;
                while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) record.append(buffer, got);
                CloseHandle(file);
            }
            // Gone once shown, so the next command's record is the one found.
            DeleteFileW(path.c_str());
        } else {
            Sleep(100);
        }
    }
    if (record.empty()) {
        std::printf("  the stand-in viewer was not started\n");
        return 1;
    }
    const size_t newline = record.find('\n');
    const std::string commandLine = record.substr(0, newline);
    std::string list = newline == std::string::npos ? "" : record.substr(newline + 1);
    std::printf("  The STAND-IN viewer (a test program, not the real slide-show viewer) was started with:\n"
                "    %s\n  and read this list file (ANSI, each line ended by CR LF):\n",
                Utf8(Wide(commandLine)).c_str());
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find("\r\n", start);
        const bool crlf = end != std::string::npos;
        if (!crlf) end = list.size();
        std::printf("    | %s%s\n", Utf8(Wide(list.substr(start, end - start))).c_str(), crlf ? "" : "   (no CR LF!)");
        start = crlf ? end + 2 : end;
    }
    return 0;
}

} // namespace

int main() {
    // The names as the command line holds them, in any script.
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3) {
        std::printf("usage: menuclient samples FOLDER | menu FOLDER NAME... [--invoke N]\n"
                    "     | commands [--per-user | --in-classic-menu] FOLDER NAME... [--invoke N]\n"
                    "     | received FOLDER\n");
        if (argv) LocalFree(argv);
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int result = 2;
    const std::wstring command = argv[1];
    if (command == L"samples") {
        result = MakeSamples(argv[2]);
    } else if (command == L"menu" && argc >= 4) {
        std::vector<std::wstring> names;
        int invoke = -1;
        for (int i = 3; i < argc; ++i) {
            if (std::wcscmp(argv[i], L"--invoke") == 0 && i + 1 < argc)
                invoke = static_cast<int>(std::wcstol(argv[++i], nullptr, 10));
            else
                names.push_back(argv[i]);
        }
        result = names.empty() ? 2 : ShowMenu(argv[2], names, invoke);
    } else if (command == L"commands" && argc >= 4) {
        const bool perUser = std::wcscmp(argv[2], L"--per-user") == 0;
        const bool inClassicMenu = std::wcscmp(argv[2], L"--in-classic-menu") == 0;
        const int first = perUser || inClassicMenu ? 3 : 2;
        std::vector<std::wstring> names;
        int invoke = -1;
        for (int i = first + 1; i < argc; ++i) {
            if (std::wcscmp(argv[i], L"--invoke") == 0 && i + 1 < argc)
                invoke = static_cast<int>(std::wcstol(argv[++i], nullptr, 10));
            else
                names.push_back(argv[i]);
        }
        result = names.empty() || first >= argc ? 2 : ShowCommands(perUser, inClassicMenu, argv[first], names, invoke);
    } else if (command == L"received") {
        result = ShowReceived(argv[2]);
    }
    LocalFree(argv);
    CoUninitialize();
    std::fflush(stdout);
    return result;
}
