#include "ClassFactory.h"

#include "OvShellMenuConsts.h"
#include "OvShellMenuUtils.h"
#include "RegistryKey.h"

#include <cstdio>
#include <vector>

namespace ovs {

namespace {

// The server's factories; filled at library load, emptied at unload, read by
// DllGetClassObject.
std::vector<TClassFactory*>& Factories() {
    static std::vector<TClassFactory*> factories;
    return factories;
}

void WriteClassEntry(const std::string& keyPath, const char* valueName, const std::string& text) {
    TRegistryKey key;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS ||
        RegSetValueExA(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1)) != ERROR_SUCCESS)
        throw EOleRegistrationError(LoadResString(IDS_REGISTRY_ENTRY_ERROR));
}

} // namespace

std::string GuidToText(const GUID& guid) {
    char text[40];
    std::snprintf(text, sizeof(text), "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                  guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

std::string ServerPath() {
    std::vector<char> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD length = GetModuleFileNameA(ResourceModule(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size() - 1) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    std::string path(buffer.begin(), buffer.end());
    if (path.find(' ') == std::string::npos) return path;
    // Shells of the 9x family split an unquoted server path at its spaces.
    const DWORD shortLength = GetShortPathNameA(path.c_str(), nullptr, 0);
    if (shortLength == 0) return path;
    std::vector<char> shortPath(shortLength + 1, '\0');
    if (GetShortPathNameA(path.c_str(), shortPath.data(), shortLength + 1) == 0) return path;
    return shortPath.data();
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

void TClassFactory::ApplyRegistration(bool reg) {
    const std::string classKey = "CLSID\\" + GuidToText(classId_);
    const std::string serverKey = classKey + "\\InprocServer32";
    if (reg) {
        WriteClassEntry(classKey, nullptr, description_);
        WriteClassEntry(serverKey, nullptr, ServerPath());
        WriteClassEntry(serverKey, "ThreadingModel", threadingModel_);
    } else {
        // Keys already gone, or held by someone else, are passed over.
        RegDeleteKeyA(HKEY_CLASSES_ROOT, serverKey.c_str());
        RegDeleteKeyA(HKEY_CLASSES_ROOT, classKey.c_str());
    }
}

HRESULT TClassFactory::UpdateRegistry(bool reg) noexcept {
    try {
        ApplyRegistration(reg);
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
