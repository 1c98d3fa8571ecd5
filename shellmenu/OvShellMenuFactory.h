// The class factory of the context-menu handler, created once at library load.
#pragma once

#include "ClassFactory.h"

namespace ovs {

class TlumShellMenuFactory : public TClassFactory {
public:
    TlumShellMenuFactory();

    // The standard class entries, then the handler keys under "*" and
    // "folder" and, on the NT family, the Approved value; removal runs the
    // other way round (ServerRegistration.cpp).
    void ApplyRegistration(bool reg) override;

protected:
    HRESULT CreateObject(REFIID riid, void** ppv) noexcept override;
};

// The module's one factory: created after MenuItems at load, freed first at
// unload. MenuFactory() is null outside that span.
void CreateMenuFactory();
void FreeMenuFactory();
TlumShellMenuFactory* MenuFactory();

} // namespace ovs
