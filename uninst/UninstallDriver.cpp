#include "UninstallDriver.h"

#include <windows.h>

#include "DeferredRemoval.h"
#include "PathText.h"
#include "WinFiles.h"
#include "WinText.h"

namespace ovs {

namespace {

constexpr DWORD kAdminAccess = GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE; // 0xE0000000

struct TServiceHandleTraits {
    using Type = SC_HANDLE;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return CloseServiceHandle(h) != FALSE; }
};

bool CopyFileTo(const std::wstring& source, const std::wstring& destination) {
    if (IsWinNT) return CopyFileW(source.c_str(), destination.c_str(), FALSE) != FALSE;
    return CopyFileA(LossyAnsiOf(source).c_str(), LossyAnsiOf(destination).c_str(), FALSE) != FALSE;
}

bool RemoveFolder(const std::wstring& path) {
    if (IsWinNT) return RemoveDirectoryW(path.c_str()) != FALSE;
    return RemoveDirectoryA(LossyAnsiOf(path).c_str()) != FALSE;
}

void RunStageOne(TAutorunKind runOnceKind, const TWideArguments& args) {
    const std::wstring copyPath = MakeTempExeName();
    // Without a temporary name there is nothing to copy to, and a bare
    // ".exe" would land in whatever folder is current.
    if (copyPath.empty()) return;
    CopyFileTo(ArgumentAt(args, 0), copyPath);
    // Windows runs the copy at log-on in a working folder of its own choice.
    const std::wstring& folder = ArgumentAt(args, 3);
    RegisterAutorun(runOnceKind, StageTwoCommandLine(copyPath, FullPathOf(ArgumentAt(args, 2)),
                                                     folder.empty() ? folder : FullPathOf(folder)));
}

void RunStageTwo(bool productInstalled, const TWideArguments& args) {
    const std::wstring& self = ArgumentAt(args, 0);
    if (!productInstalled) {
        DeleteFileAt(ArgumentAt(args, 2));
        // Succeeds only for an empty folder, which is what is wanted.
        RemoveFolder(ArgumentAt(args, 3));
    }
    MoveAtRestart(self, L"");
    const std::wstring placeholder = ChangeFileExt(self, L".tmp");
    if (FileExists(placeholder)) MoveAtRestart(placeholder, L"");
}

} // namespace

bool HasAdminRights() {
    if (!IsWinNT) return true;
    const TUniqueHandle<TServiceHandleTraits> manager(OpenSCManagerA(nullptr, nullptr, kAdminAccess));
    return manager.valid();
}

TAutorunKind RunOnceKindFor(bool adminRights) { return adminRights ? akRunOnce : akUserRunOnce; }

std::vector<REGSAM> UninstallKeyViews() {
    if (Is64BitWindows()) return {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
    return {0};
}

bool ProductInstalled() {
    // An installer run without administrator rights keeps its key under the
    // user's own hive, which has one view for every program.
    std::vector<std::pair<HKEY, REGSAM>> places;
    for (const REGSAM view : UninstallKeyViews()) places.emplace_back(HKEY_LOCAL_MACHINE, view);
    places.emplace_back(HKEY_CURRENT_USER, 0);
    bool installed = false;
    for (const auto& [root, view] : places) {
        try {
            const std::optional<std::string> text = RegQueryString(root, kUninstallKey, kInstalledValue, view);
            installed = installed || (text && IsInstalledText(*text));
        } catch (const ERegistryException& e) {
            // No key in this view is "not installed" there; a key that is
            // there but can't be read is no answer at all.
            if (e.Code() != ERROR_FILE_NOT_FOUND) throw;
        }
    }
    return installed;
}

std::wstring MakeTempExeName() {
    const std::wstring folder = TempFolder();
    if (folder.empty()) return {};
    const std::wstring placeholder = TempFileName(folder, L"tmp");
    if (placeholder.empty()) return {};
    return ChangeFileExt(placeholder, L".exe");
}

void RunUninstall(const TWideArguments& args) {
    const TAutorunKind runOnceKind = RunOnceKindFor(HasAdminRights());
    // Read in every run; a value of the wrong type ends the run here.
    const bool productInstalled = ProductInstalled();
    if (HasSwitch(args, kRegisterSwitch) && FileExists(ArgumentAt(args, 2))) RunStageOne(runOnceKind, args);
    if (HasSwitch(args, kDoItSwitch)) RunStageTwo(productInstalled, args);
}

int UninstallMain(std::wstring_view commandLine, const std::wstring& moduleFileName) noexcept {
    try {
        TWideArguments args = SplitCommandLine(commandLine);
        if (args.empty()) args.emplace_back();
        args[0] = moduleFileName;
        RunUninstall(args);
    } catch (...) {
        // Nobody is there to be told: the uninstall is over, and at log-on
        // the program runs unseen. The remaining steps are simply skipped.
    }
    return 0;
}

} // namespace ovs
