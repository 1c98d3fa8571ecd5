// OvUninst.exe: started by the product's uninstaller and, once, by Windows at
// the next log-on. It creates no window and shows nothing.
#include <windows.h>

#include "UninstallDriver.h"
#include "WinFiles.h"
#include "WinText.h"
#include "lumSysUtils.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // No drive may ask for a medium, whatever path the uninstaller passed.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    try {
        ovs::InitPlatformFlags();
        // The NT family hands over paths in any script only in UTF-16; the
        // 9x family's command line is ANSI and has every path whole.
        const std::wstring commandLine =
            ovs::IsWinNT ? std::wstring(GetCommandLineW()) : ovs::WideFromAnsi(GetCommandLineA());
        return ovs::UninstallMain(commandLine, ovs::ModuleFileName(nullptr));
    } catch (...) {
        return 0;
    }
}
