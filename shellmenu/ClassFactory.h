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

// Where a registration goes. Machine: the machine's classes, and what belongs
// to the whole machine. User: the user's own classes, which Windows from 2000
// on merges into HKEY_CLASSES_ROOT for that user (the per-user entry winning),
// and nothing machine-wide.
enum class TRegistrationScope { Machine, User };

// The key a scope's class entries go under, and the path of a class entry
// there.
struct TClassesRoot {
    HKEY Root;
    std::string Prefix; // "" or "Software\\Classes\\"
    // Keys above an entry that a removal leaves empty go too (only the
    // user's classes: the machine's shared keys are expected by others).
    bool PrunesEmptyParents = false;
    std::string PathOf(const std::string& classesPath) const { return Prefix + classesPath; }
};
// Machine, from Windows 2000 on: HKEY_LOCAL_MACHINE\Software\Classes named
// outright. A write through HKEY_CLASSES_ROOT to a key that the user's classes
// already hold lands in the user's hive, so an administrator who once
// installed per user would register "machine-wide" for himself alone, and a
// removal would take that copy. The 9x family and NT 4 merge nothing: there
// HKEY_CLASSES_ROOT is the machine's classes.
TClassesRoot ClassesRootOf(TRegistrationScope scope);

// After a per-user removal: the keys above classesPath that are left with
// neither subkeys nor values go as well, up to the user's classes key, so a
// removal leaves that tree as it was. Nothing for the machine's classes,
// whose shared keys other programs expect.
void RemoveEmptyParents(const TClassesRoot& classes, const std::string& classesPath);

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

    // Writes (register) or removes the standard class entries in the scope:
    // the CLSID key with the description, InprocServer32 with the server path
    // and the threading model. An override writes its own entries after
    // calling this and removes them before. Throws EOleRegistrationError.
    virtual void ApplyRegistration(bool reg, TRegistrationScope scope);

    // ApplyRegistration as an HRESULT: S_OK, or E_FAIL for any error; what was
    // done before the error stays.
    HRESULT UpdateRegistry(bool reg, TRegistrationScope scope = TRegistrationScope::Machine) noexcept;

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
