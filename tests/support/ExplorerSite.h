// Explorer's side of a command's site, for the programs that play Explorer
// (the tests and the demo's menu client).
#pragma once

#include <windows.h>
#include <oleidl.h>

namespace ovs::test {

// A site as Explorer hands one to its commands: with a window of the given
// class (the classic menu's view, Windows 11's navigation pane) or, as in
// Windows 11's own menu, with none.
class TSite : public IOleWindow {
public:
    explicit TSite(const wchar_t* windowClass) {
        if (!windowClass) return;
        WNDCLASSW type{};
        type.lpfnWndProc = DefWindowProcW;
        type.lpszClassName = windowClass;
        RegisterClassW(&type);
        window_ = CreateWindowExW(0, windowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    }
    virtual ~TSite() {
        if (window_) DestroyWindow(window_);
    }
    HWND Window() const { return window_; }
    LONG Refs() const { return refs_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = IsEqualIID(riid, IID_IUnknown) || (window_ && IsEqualIID(riid, IID_IOleWindow)) ? this : nullptr;
        if (!*ppv) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs_)); }
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        *window = window_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

private:
    HWND window_ = nullptr;
    LONG refs_ = 1;
};

} // namespace ovs::test
