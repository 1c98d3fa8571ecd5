// OvUninst.exe: started by the product's uninstaller and, once, by Windows at
// the next log-on. It creates no window and shows nothing.
#include <windows.h>

#include "UninstallDriver.h"
#include "lumSysUtils.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // No drive may ask for a medium, whatever path the uninstaller passed.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    try {
        ovs::InitPlatformFlags();
        return ovs::UninstallMain(GetCommandLineA(), ovs::ModuleFileName());
    } catch (...) {
        return 0;
    }
}
