// What the server, command and registration tests share: an installed copy of
// the shipped library in a scratch folder (optionally beside the stand-in
// viewer), the registry values they check, the records the viewer leaves, and
// Explorer's side of a context menu (the shell's data object, shortcuts).
#pragma once

#include "ComPtr.h"
#include "WinTestSupport.h"
#include "WinText.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace ovs::test {

inline constexpr char kClsid[] = "{6F0B2D4E-93A1-4C7E-8B25-1D9E4A7C3F60}";
inline constexpr char kClsidKeyPath[] = "CLSID\\{6F0B2D4E-93A1-4C7E-8B25-1D9E4A7C3F60}";
inline constexpr char kServerKeyPath[] = "CLSID\\{6F0B2D4E-93A1-4C7E-8B25-1D9E4A7C3F60}\\InprocServer32";
inline constexpr char kFileHandlerPath[] = "*\\shellex\\ContextMenuHandlers\\Orvane Slide Show";
inline constexpr char kFolderHandlerPath[] = "folder\\shellex\\ContextMenuHandlers\\Orvane Slide Show";
inline constexpr char kApprovedPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

// The temporary folder, with its trailing backslash, and the list files
// ("ovs*.tmp") that are in it now.
inline std::string TempFolder() {
    char folder[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, folder);
    return folder;
}

inline std::set<std::string> ListFilesInTemp() {
    std::set<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((TempFolder() + "ovs*.tmp").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do names.insert(TempFolder() + data.cFileName);
        while (FindNextFileA(find, &data));
        FindClose(find);
    }
    return names;
}

inline std::string ShippedDll() { return BuildDir() + "\\OvSShow.dll"; }
inline std::string StandInViewer() { return WinPathFromUnix(OVS_STANDIN_VIEWER); }

// A string value, or nothing when the key or the value is missing.
inline std::optional<std::string> RegValue(HKEY root, const std::string& key, const std::string& name) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0, size = 0;
    std::optional<std::string> result;
    const char* valueName = name.empty() ? nullptr : name.c_str();
    if (RegQueryValueExA(handle, valueName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::string data(size, '\0');
        if (RegQueryValueExA(handle, valueName, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) ==
                ERROR_SUCCESS &&
            type == REG_SZ) {
            // Stored with its terminating null.
            if (!data.empty() && data.back() == '\0') data.pop_back();
            result = data;
        }
    }
    RegCloseKey(handle);
    return result;
}

inline bool KeyExists(HKEY root, const std::string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
}

// Wine's regsvr32: 0 on success.
inline DWORD Regsvr32(const std::string& dll, bool unregister = false) {
    const TProcessResult result =
        RunProcess(std::string("regsvr32 /s ") + (unregister ? "/u " : "") + "\"" + dll + "\"");
    return result.Finished ? result.ExitCode : 0xFFFFFFFF;
}

// What the stand-in viewer was started with.
struct TViewerRecord {
    std::string CommandLine;
    std::string ListBytes;
};

// A copy of the shipped library in a scratch folder, in a subfolder named
// folderName (which may hold a space), with the stand-in viewer beside it as
// OvSShow.exe unless asked otherwise. Unregistered on the way out.
class TInstalledServer {
public:
    explicit TInstalledServer(const std::string& folderName = "app", bool withViewer = true)
        : scratch_("srv"), folder_(scratch_ / folderName), dll_(folder_ + "\\OvSShow.dll") {
        CreateDirectoryA(folder_.c_str(), nullptr);
        CopyFileA(ShippedDll().c_str(), dll_.c_str(), FALSE);
        if (withViewer) InstallViewer();
    }
    ~TInstalledServer() { Regsvr32(dll_, true); }
    TInstalledServer(const TInstalledServer&) = delete;
    TInstalledServer& operator=(const TInstalledServer&) = delete;

    const std::string& Folder() const { return folder_; }
    const std::string& Dll() const { return dll_; }
    const TScratchDir& Scratch() const { return scratch_; }
    std::string Viewer() const { return folder_ + "\\OvSShow.exe"; }
    void InstallViewer() const { CopyFileA(StandInViewer().c_str(), Viewer().c_str(), FALSE); }
    void RemoveViewer() const { DeleteFileA(Viewer().c_str()); }
    DWORD Register() const { return Regsvr32(dll_); }

    std::vector<TViewerRecord> Records() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((folder_ + "\\run-*.rec").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do names.push_back(data.cFileName);
            while (FindNextFileA(find, &data));
            FindClose(find);
        }
        std::sort(names.begin(), names.end());
        std::vector<TViewerRecord> records;
        for (const std::string& name : names) {
            const std::string bytes = ReadFileBytes(folder_ + "\\" + name);
            const size_t newline = bytes.find('\n');
            records.push_back({bytes.substr(0, newline),
                               newline == std::string::npos ? std::string() : bytes.substr(newline + 1)});
        }
        return records;
    }
    void ClearRecords() const {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((folder_ + "\\run-*.rec").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return;
        do DeleteFileA((folder_ + "\\" + data.cFileName).c_str());
        while (FindNextFileA(find, &data));
        FindClose(find);
    }
    // Bounded: the viewer runs on its own.
    std::vector<TViewerRecord> WaitForRecords(size_t count, DWORD timeoutMs = 15000) const {
        WaitFor([&] { return Records().size() >= count; }, timeoutMs);
        return Records();
    }

private:
    TScratchDir scratch_;
    std::string folder_;
    std::string dll_;
};

// --- Explorer's side -------------------------------------------------------------

class TComApartment {
public:
    TComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~TComApartment() {
        CoFreeUnusedLibraries();
        CoUninitialize();
    }
    TComApartment(const TComApartment&) = delete;
    TComApartment& operator=(const TComApartment&) = delete;
};

// The data object the shell itself makes for these entries of one folder.
inline bool ShellDataObject(const std::wstring& folder, const std::vector<std::wstring>& names,
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

inline bool ShellDataObject(const std::string& folder, const std::vector<std::string>& names,
                            TComPtr<IDataObject>& dataObject) {
    std::vector<std::wstring> wideNames;
    for (const std::string& name : names) wideNames.push_back(WideFromAnsi(name));
    return ShellDataObject(WideFromAnsi(folder), wideNames, dataObject);
}

inline bool CreateShortcut(const std::string& linkPath, const std::string& target) {
    TComPtr<IShellLinkA> link;
    TComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void())))
        return false;
    link->SetPath(target.c_str());
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return false;
    return SUCCEEDED(file->Save(WideFromAnsi(linkPath).c_str(), TRUE));
}

// The handler Explorer would create: the CLSID read from the "*" handler key,
// then CoCreateInstance through the registered InprocServer32.
inline HRESULT CreateRegisteredHandler(TComPtr<IShellExtInit>& init) {
    const std::optional<std::string> clsidText = RegValue(HKEY_CLASSES_ROOT, kFileHandlerPath, "");
    if (!clsidText) return REGDB_E_CLASSNOTREG;
    CLSID clsid;
    std::wstring wide = WideFromAnsi(*clsidText);
    if (FAILED(CLSIDFromString(wide.data(), &clsid))) return REGDB_E_CLASSNOTREG;
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, init.put_void());
}

// An entry as Explorer on the NT family reads it: its text in UTF-16.
struct TMenuEntry {
    UINT Id = 0;
    UINT Type = 0;
    std::wstring Text;
    HBITMAP ItemBitmap = nullptr;
    HBITMAP Checked = nullptr;
    HBITMAP Unchecked = nullptr;
};

inline std::vector<TMenuEntry> ReadMenu(HMENU menu) {
    std::vector<TMenuEntry> entries;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[512] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING | MIIM_BITMAP | MIIM_CHECKMARKS;
        info.dwTypeData = text;
        info.cch = static_cast<UINT>(std::size(text) - 1);
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        entries.push_back({info.wID, info.fType, text, info.hbmpItem, info.hbmpChecked, info.hbmpUnchecked});
    }
    return entries;
}

} // namespace ovs::test
