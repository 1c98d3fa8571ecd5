// The server's class-factory base: IClassFactory for one class, the standard
// class entries in the registry, and the server's list of factories through
// which DllGetClassObject finds them.
#pragma once

#include "ComObject.h"

#include <windows.h>

#include <stdexcept>
#include <string>

namespace ovs {

// A registry entry of the server could not be made.
class EOleRegistrationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The full path of the module that holds this code; its short (8.3) form when
// the path holds a space, as an InprocServer32 entry must be on old shells.
std::wstring ServerPath();

class TClassFactory : public TComObject<IClassFactory> {
public:
    // The factory lives as long as the module; each reference to it keeps the
    // server loaded. It enters itself in the server's list of factories.
    TClassFactory(const CLSID& classId, std::string description, std::string threadingModel);
    ~TClassFactory() override;

    // IClassFactory
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

    const CLSID& ClassId() const { return classId_; }
    const std::string& Description() const { return description_; }

    // Writes (register) or removes the standard class entries: the CLSID key
    // with the description, InprocServer32 with the server path and the
    // threading model. An override writes its own entries after calling this
    // and removes them before. Throws EOleRegistrationError.
    virtual void ApplyRegistration(bool reg);

    // ApplyRegistration as an HRESULT: S_OK, or E_FAIL for any error; what was
    // done before the error stays.
    HRESULT UpdateRegistry(bool reg) noexcept;

protected:
    // A new object of the class with its interface riid; null on failure.
    virtual HRESULT CreateObject(REFIID riid, void** ppv) noexcept = 0;
    std::span<const TInterfaceEntry> InterfaceTable() const override;

private:
    CLSID classId_;
    std::string description_;
    std::string threadingModel_;
};

// The registered factory for a class, or null.
TClassFactory* FindClassFactory(REFCLSID classId);

} // namespace ovs
