#include "ClassFactory.h"

#include "GuidText.h"
#include "OvShellMenuConsts.h"
#include "RegistryKey.h"
#include "ResString.h"
#include "WinFiles.h"
#include "WinText.h"
#include "lumSysUtils.h"

#include <vector>

namespace ovs {

namespace {

// The server's factories; filled at library load, emptied at unload, read by
// DllGetClassObject.
std::vector<TClassFactory*>& Factories() {
    static std::vector<TClassFactory*> factories;
    return factories;
}

// The NT family stores the text in UTF-16, so a library in a folder of any
// name is registered under its real path; the 9x family's text came from
// ANSI and goes back there unchanged.
void WriteClassEntry(const TClassesRoot& classes, const std::string& classesPath, const char* valueName,
                     const std::wstring& text) {
    const std::string keyPath = classes.PathOf(classesPath);
    constexpr REGSAM access = KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE;
    TRegistryKey key;
    LONG result;
    if (IsWinNT) {
        const std::wstring name = valueName ? WideFromAnsi(valueName) : std::wstring();
        result = RegCreateKeyExW(classes.Root, WideFromAnsi(keyPath).c_str(), 0, nullptr,
                                 REG_OPTION_NON_VOLATILE, access, nullptr, key.put(), nullptr);
        if (result == ERROR_SUCCESS)
            result = RegSetValueExW(key.get(), valueName ? name.c_str() : nullptr, 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(text.c_str()),
                                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    } else {
        const std::string ansi = LossyAnsiOf(text);
        result = RegCreateKeyExA(classes.Root, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                 nullptr, key.put(), nullptr);
        if (result == ERROR_SUCCESS)
            result = RegSetValueExA(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(ansi.c_str()),
                                    static_cast<DWORD>(ansi.size() + 1));
    }
    if (result != ERROR_SUCCESS) throw EOleRegistrationError(LoadResString(IDS_REGISTRY_ENTRY_ERROR));
}

bool IsEmptyKey(HKEY root, const std::string& keyPath) {
    TRegistryKey key;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
    DWORD subkeys = 0;
    DWORD values = 0;
    return RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                            nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subkeys == 0 && values == 0;
}

} // namespace

TClassesRoot ClassesRootOf(TRegistrationScope scope) {
    if (scope == TRegistrationScope::User) return {HKEY_CURRENT_USER, std::string(kUserClassesKey) + "\\", true};
    // The machine's classes have the same key name under its own root.
    if (IsWinNT && IsNTNewerThanNT4) return {HKEY_LOCAL_MACHINE, std::string(kUserClassesKey) + "\\", false};
    return {HKEY_CLASSES_ROOT, std::string(), false};
}

void RemoveEmptyParents(const TClassesRoot& classes, const std::string& classesPath) {
    if (!classes.PrunesEmptyParents) return;
    std::string path = classesPath;
    for (size_t cut = path.rfind('\\'); cut != std::string::npos && cut > 0; cut = path.rfind('\\')) {
        path.erase(cut);
        const std::string keyPath = classes.PathOf(path);
        // A key that still holds anything is someone else's as well.
        if (!IsEmptyKey(classes.Root, keyPath) || RegDeleteKeyA(classes.Root, keyPath.c_str()) != ERROR_SUCCESS)
            return;
    }
}

std::wstring ServerPath() {
    const std::wstring path = ModuleFileName(ResourceModule());
    // Shells of the 9x family split an unquoted server path at its spaces.
    return path.find(L' ') == std::wstring::npos ? path : ShortPathOf(path);
}

TClassFactory::TClassFactory(const CLSID& classId, std::string description, std::string threadingModel)
    : TComObject(TObjectLifetime::Module), classId_(classId), description_(std::move(description)),
      threadingModel_(std::move(threadingModel)) {
    Factories().push_back(this);
}

TClassFactory::~TClassFactory() {
    auto& factories = Factories();
    for (auto it = factories.begin(); it != factories.end(); ++it)
        if (*it == this) {
            factories.erase(it);
            break;
        }
}

std::span<const TInterfaceEntry> TClassFactory::InterfaceTable() const {
    static const TInterfaceEntry table[] = {InterfaceEntry<TClassFactory, IClassFactory>(IID_IClassFactory)};
    return table;
}

HRESULT STDMETHODCALLTYPE TClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    // The object base does not delegate to a controlling unknown, so an
    // aggregate built on it would break the outer object's identity: every
    // aggregation is refused, whatever interface is asked for.
    if (outer) return CLASS_E_NOAGGREGATION;
    return CreateObject(riid, ppv);
}

HRESULT STDMETHODCALLTYPE TClassFactory::LockServer(BOOL lock) {
    if (lock)
        ServerLock();
    else
        ServerUnlock();
    return S_OK;
}

void TClassFactory::ApplyRegistration(bool reg, TRegistrationScope scope) {
    const TClassesRoot classes = ClassesRootOf(scope);
    const std::string classKey = std::string("CLSID\\") + GuidText(classId_).c_str();
    const std::string serverKey = classKey + "\\InprocServer32";
    if (reg) {
        WriteClassEntry(classes, classKey, nullptr, WideFromAnsi(description_));
        WriteClassEntry(classes, serverKey, nullptr, ServerPath());
        WriteClassEntry(classes, serverKey, "ThreadingModel", WideFromAnsi(threadingModel_));
    } else {
        // Keys already gone, or held by someone else, are passed over.
        RegDeleteKeyA(classes.Root, classes.PathOf(serverKey).c_str());
        RegDeleteKeyA(classes.Root, classes.PathOf(classKey).c_str());
        RemoveEmptyParents(classes, classKey);
    }
}

HRESULT TClassFactory::UpdateRegistry(bool reg, TRegistrationScope scope) noexcept {
    try {
        ApplyRegistration(reg, scope);
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
}

TClassFactory* FindClassFactory(REFCLSID classId) {
    for (TClassFactory* factory : Factories())
        if (IsEqualCLSID(factory->ClassId(), classId)) return factory;
    return nullptr;
}

} // namespace ovs
