// The class factory of the context-menu handler, created once at library load.
#pragma once

#include "ClassFactory.h"

namespace ovs {

// {6F0B2D4E-93A1-4C7E-8B25-1D9E4A7C3F60}
inline constexpr CLSID CLSID_OvShellMenu = {
    0x6F0B2D4E, 0x93A1, 0x4C7E, {0x8B, 0x25, 0x1D, 0x9E, 0x4A, 0x7C, 0x3F, 0x60}};

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
