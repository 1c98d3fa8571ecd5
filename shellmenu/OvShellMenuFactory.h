// The class factories of the server, created once at library load: the
// context-menu handler's and the Explorer commands'.
#pragma once

#include "ClassFactory.h"

namespace ovs {

class TlumShellMenuFactory : public TClassFactory {
public:
    TlumShellMenuFactory();

    // The standard class entries, then the handler keys under "*" and
    // "folder" and, on the NT family and machine-wide only, the Approved
    // value; removal runs the other way round (ServerRegistration.cpp).
    void ApplyRegistration(bool reg, TRegistrationScope scope) override;

protected:
    HRESULT CreateObject(REFIID riid, void** ppv) noexcept override;
};

// The Explorer commands' root: only the standard class entries. Explorer
// finds it through a package manifest, never through shellex keys.
class TOvExplorerCommandFactory : public TClassFactory {
public:
    TOvExplorerCommandFactory();

protected:
    HRESULT CreateObject(REFIID riid, void** ppv) noexcept override;
};

// The module's factories: created after MenuItems at load, freed first at
// unload. MenuFactory() and ExplorerCommandFactory() are null outside that
// span.
void CreateMenuFactory();
void FreeMenuFactory();
TlumShellMenuFactory* MenuFactory();
TOvExplorerCommandFactory* ExplorerCommandFactory();

} // namespace ovs
