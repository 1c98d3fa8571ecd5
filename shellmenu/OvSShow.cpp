// The library's entry: module load and unload, the four server exports and
// the per-user install.
#include "ComObject.h"
#include "OvShellMenuFactory.h"
#include "OvShellMenuUtils.h"
#include "ServerRegistration.h"
#include "lumSysUtils.h"

#include <windows.h>

namespace {

// Explicit, so the order is certain: the platform flags come before anything
// that reads them (the item masks depend on them), the factory last, once
// MenuItems is complete.
BOOL LoadModule() noexcept {
    try {
        ovs::InitPlatformFlags();
        ovs::CreateCaptionReader();
        ovs::SetupMenuItems();
        ovs::CreateMenuFactory();
        return TRUE;
    } catch (...) {
        // A missing bitmap or string: the library refuses to load.
        ovs::FreeMenuFactory();
        ovs::FreeMenuItems();
        ovs::FreeCaptionReader();
        return FALSE;
    }
}

void UnloadModule() noexcept {
    ovs::FreeMenuFactory();
    ovs::FreeMenuItems();
    ovs::FreeCaptionReader();
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(instance);
        return LoadModule();
    case DLL_PROCESS_DETACH:
        UnloadModule();
        break;
    default:
        break;
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    ovs::TClassFactory* factory = ovs::FindClassFactory(rclsid);
    if (!factory) return CLASS_E_CLASSNOTAVAILABLE;
    return factory->QueryInterface(riid, ppv);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return ovs::CanUnloadServer() ? S_OK : S_FALSE; }

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() { return ovs::RegisterMenuServer(); }

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return ovs::UnregisterMenuServer(); }

// regsvr32 /n /i:user installs for the current user; /u /n /i:user removes it.
extern "C" HRESULT STDAPICALLTYPE DllInstall(BOOL install, LPCWSTR commandLine) {
    return ovs::InstallServer(install != FALSE, commandLine);
}
