// Shell fixtures for the shell-menu tests: the shell's own data object for
// real files, a hand-made CF_HDROP data object for odd selections, real .lnk
// files and a COM apartment.
//
// Header-only on purpose: tests/support/*.cpp is compiled into every Windows
// test program, and only the shell-menu ones link ole32 and shell32.
#pragma once

#include "ComObject.h"
#include "WinText.h"

#include <windows.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace ovs::test {

// A single-threaded apartment for the lifetime of the object (as Explorer's
// threads have).
class TComApartment {
public:
    TComApartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~TComApartment() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    TComApartment(const TComApartment&) = delete;
    TComApartment& operator=(const TComApartment&) = delete;

private:
    HRESULT hr_;
};

// Frees a PIDL the shell allocated.
class TPidl {
public:
    TPidl() = default;
    ~TPidl() { CoTaskMemFree(pidl_); }
    TPidl(const TPidl&) = delete;
    TPidl& operator=(const TPidl&) = delete;
    TPidl(TPidl&& other) noexcept : pidl_(other.pidl_) { other.pidl_ = nullptr; }
    PIDLIST_RELATIVE* put() { return &pidl_; }
    PIDLIST_RELATIVE get() const { return pidl_; }

private:
    PIDLIST_RELATIVE pidl_ = nullptr;
};

// The data object Explorer hands a context-menu handler for the items
// `names` of `folder` (the way Explorer builds it: the folder's IShellFolder,
// one child PIDL per item, GetUIObjectOf).
inline TComPtr<IDataObject> ShellDataObject(const std::wstring& folder, const std::vector<std::wstring>& names) {
    TComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.put()))) throw std::runtime_error("SHGetDesktopFolder failed");
    std::wstring wideFolder = folder;
    TPidl folderPidl;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, wideFolder.data(), nullptr, folderPidl.put(), nullptr)))
        throw std::runtime_error("cannot parse a folder");
    TComPtr<IShellFolder> shellFolder;
    if (FAILED(desktop->BindToObject(folderPidl.get(), nullptr, IID_IShellFolder, shellFolder.put_void())))
        throw std::runtime_error("cannot bind to a folder");
    std::vector<TPidl> children(names.size());
    std::vector<PCUITEMID_CHILD> childList;
    for (size_t i = 0; i < names.size(); ++i) {
        std::wstring wideName = names[i];
        if (FAILED(shellFolder->ParseDisplayName(nullptr, nullptr, wideName.data(), nullptr, children[i].put(),
                                                 nullptr)))
            throw std::runtime_error("cannot parse a name");
        childList.push_back(reinterpret_cast<PCUITEMID_CHILD>(children[i].get()));
    }
    TComPtr<IDataObject> data;
    if (FAILED(shellFolder->GetUIObjectOf(nullptr, static_cast<UINT>(childList.size()), childList.data(),
                                          IID_IDataObject, nullptr, data.put_void())))
        throw std::runtime_error("GetUIObjectOf(IDataObject) failed");
    return data;
}

inline TComPtr<IDataObject> ShellDataObject(const std::string& folder, const std::vector<std::string>& names) {
    std::vector<std::wstring> wideNames;
    for (const std::string& name : names) wideNames.push_back(WideFromAnsi(name));
    return ShellDataObject(WideFromAnsi(folder), wideNames);
}

// A data object offering exactly one format: CF_HDROP in global memory with
// the given ANSI paths, or UTF-16 paths (any length, any count, none at all).
// With offerDrop false it offers nothing, as a data object from a non-file
// source would.
class THDropDataObject : public IDataObject {
public:
    explicit THDropDataObject(const std::vector<std::string>& paths, bool offerDrop = true) : offerDrop_(offerDrop) {
        for (const std::string& p : paths) list_.append(p).push_back('\0');
        // The list ends with an empty name; an empty list still has its
        // first (empty) name before that end.
        if (paths.empty()) list_.push_back('\0');
        list_.push_back('\0');
    }
    explicit THDropDataObject(const std::vector<std::wstring>& paths) : wide_(true), offerDrop_(true) {
        std::wstring list;
        for (const std::wstring& p : paths) list.append(p).push_back(L'\0');
        if (paths.empty()) list.push_back(L'\0');
        list.push_back(L'\0');
        list_.assign(reinterpret_cast<const char*>(list.data()), list.size() * sizeof(wchar_t));
    }
    virtual ~THDropDataObject() = default;

    int GetDataCalls = 0;
    FORMATETC LastRequest{};

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
            *ppv = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    LONG RefCount() const { return refs_; }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        ++GetDataCalls;
        if (!format || !medium) return E_INVALIDARG;
        LastRequest = *format;
        if (!offerDrop_ || format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL))
            return DV_E_FORMATETC;
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list_.size());
        if (!memory) return E_OUTOFMEMORY;
        auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = wide_;
        std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list_.data(), list_.size());
        GlobalUnlock(memory);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        return offerDrop_ && format && format->cfFormat == CF_HDROP ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out) out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    LONG refs_ = 1;
    std::string list_;  // the names as DROPFILES holds them
    BOOL wide_ = FALSE;
    bool offerDrop_;
};

// Owns a THDropDataObject (created with one reference).
inline TComPtr<THDropDataObject> HDropDataObject(const std::vector<std::string>& paths, bool offerDrop = true) {
    return TComPtr<THDropDataObject>(new THDropDataObject(paths, offerDrop));
}
inline TComPtr<THDropDataObject> WideHDropDataObject(const std::vector<std::wstring>& paths) {
    return TComPtr<THDropDataObject>(new THDropDataObject(paths));
}

// A real shell link at linkPath pointing at target (which need not exist).
inline void MakeShortcut(const std::string& linkPath, const std::string& target) {
    TComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void())))
        throw std::runtime_error("cannot create a shell link object");
    if (FAILED(link->SetPath(target.c_str()))) throw std::runtime_error("SetPath failed for " + target);
    TComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())))
        throw std::runtime_error("shell link without IPersistFile");
    if (FAILED(file->Save(WideFromAnsi(linkPath).c_str(), TRUE))) throw std::runtime_error("cannot save " + linkPath);
}

// The same through the wide link interface, so a target outside the code
// page keeps its name.
inline void MakeShortcut(const std::wstring& linkPath, const std::wstring& target) {
    TComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
        throw std::runtime_error("cannot create a shell link object");
    if (FAILED(link->SetPath(target.c_str()))) throw std::runtime_error("SetPath failed");
    TComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())))
        throw std::runtime_error("shell link without IPersistFile");
    if (FAILED(file->Save(linkPath.c_str(), TRUE))) throw std::runtime_error("cannot save a shell link");
}

// Creates an empty (or given) file; the folders above must exist.
inline void TouchFile(const std::wstring& path, const std::string& bytes = std::string()) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create a file");
    DWORD written = 0;
    if (!bytes.empty()) WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}
inline void TouchFile(const std::string& path, const std::string& bytes = std::string()) {
    TouchFile(WideFromAnsi(path), bytes);
}

} // namespace ovs::test
