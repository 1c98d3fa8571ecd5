#include "UninstallDriver.h"

#include <windows.h>

#include <vector>

#include "DeferredRemoval.h"
#include "PathText.h"

namespace ovs {

namespace {

constexpr DWORD kPathBufferSize = 260;
constexpr DWORD kAdminAccess = GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE; // 0xE0000000

class TServiceManagerHandle {
public:
    explicit TServiceManagerHandle(SC_HANDLE h) : h_(h) {}
    ~TServiceManagerHandle() {
        if (h_) CloseServiceHandle(h_);
    }
    TServiceManagerHandle(const TServiceManagerHandle&) = delete;
    TServiceManagerHandle& operator=(const TServiceManagerHandle&) = delete;
    explicit operator bool() const { return h_ != nullptr; }

private:
    SC_HANDLE h_;
};

void RunStageOne(TAutorunKind runOnceKind, const TArguments& args) {
    const std::string& self = ArgumentAt(args, 0);
    const std::string& file = ArgumentAt(args, 2);
    const std::string& folder = ArgumentAt(args, 3);
    const std::string copyPath = MakeTempExeName();
    // Without a temporary name there is nothing to copy to, and a bare
    // ".exe" would land in whatever folder is current.
    if (copyPath.empty()) return;
    CopyFileA(self.c_str(), copyPath.c_str(), FALSE);
    RegisterAutorun(runOnceKind, StageTwoCommandLine(copyPath, file, folder));
}

void RunStageTwo(bool productInstalled, const TArguments& args) {
    const std::string& self = ArgumentAt(args, 0);
    if (!productInstalled) {
        DeleteFileA(ArgumentAt(args, 2).c_str());
        // Succeeds only for an empty folder, which is what is wanted.
        RemoveDirectoryA(ArgumentAt(args, 3).c_str());
    }
    MoveAtRestart(self, "");
    const std::string placeholder = ChangeFileExt(self, ".tmp", IsAnsiLeadByte);
    if (FileExists(placeholder)) MoveAtRestart(placeholder, "");
}

} // namespace

bool HasAdminRights() {
    if (!IsWinNT) return true;
    TServiceManagerHandle manager(OpenSCManagerA(nullptr, nullptr, kAdminAccess));
    return static_cast<bool>(manager);
}

TAutorunKind RunOnceKindFor(bool adminRights) { return adminRights ? akRunOnce : akUserRunOnce; }

std::string MakeTempExeName() {
    char folder[kPathBufferSize] = {};
    GetTempPathA(kPathBufferSize, folder);
    folder[kPathBufferSize - 1] = '\0';
    char name[kPathBufferSize] = {};
    if (GetTempFileNameA(folder, "tmp", 0, name) == 0) return {};
    name[kPathBufferSize - 1] = '\0';
    return ChangeFileExt(name, ".exe", IsAnsiLeadByte);
}

void RunUninstall(const TArguments& args) {
    const TAutorunKind runOnceKind = RunOnceKindFor(HasAdminRights());
    // Read in every run; a value of the wrong type ends the run here.
    const bool productInstalled =
        IsInstalledText(RegReadStringDef(HKEY_LOCAL_MACHINE, kUninstallKey, kInstalledValue, "No"));
    if (HasSwitch(args, kRegisterSwitch) && FileExists(ArgumentAt(args, 2)))
        RunStageOne(runOnceKind, args);
    if (HasSwitch(args, kDoItSwitch)) RunStageTwo(productInstalled, args);
}

std::string ModuleFileName() {
    std::vector<char> buffer(kPathBufferSize, '\0');
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return std::string(buffer.data(), n);
        if (buffer.size() >= 32768) return std::string(buffer.data(), n);
        buffer.assign(buffer.size() * 2, '\0');
    }
}

int UninstallMain(const char* commandLine, const std::string& moduleFileName) noexcept {
    try {
        TArguments args = SplitCommandLine(commandLine ? commandLine : "");
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
