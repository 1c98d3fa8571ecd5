#include "OvShellMenuFactory.h"

#include "OvExplorerCommands.h"
#include "OvShellMenuClasses.h"
#include "OvShellMenuConsts.h"

namespace ovs {

namespace {
TlumShellMenuFactory* menuFactory = nullptr;
TOvExplorerCommandFactory* explorerCommandFactory = nullptr;
} // namespace

TlumShellMenuFactory::TlumShellMenuFactory()
    : TClassFactory(CLSID_OvShellMenu, kMenuDescription, kThreadingModel) {}

HRESULT TlumShellMenuFactory::CreateObject(REFIID riid, void** ppv) noexcept {
    // A new handler for every request; one that lacks riid is destroyed again.
    return CreateComObject<TlumShellMenu>(riid, ppv);
}

TOvExplorerCommandFactory::TOvExplorerCommandFactory()
    : TClassFactory(CLSID_OvExplorerCommand, kExplorerCommandDescription, kThreadingModel) {}

HRESULT TOvExplorerCommandFactory::CreateObject(REFIID riid, void** ppv) noexcept {
    return CreateComObject<TOvExplorerCommand>(riid, ppv);
}

void CreateMenuFactory() {
    if (!menuFactory) menuFactory = new TlumShellMenuFactory;
    if (!explorerCommandFactory) explorerCommandFactory = new TOvExplorerCommandFactory;
}

void FreeMenuFactory() {
    delete explorerCommandFactory;
    explorerCommandFactory = nullptr;
    delete menuFactory;
    menuFactory = nullptr;
}

TlumShellMenuFactory* MenuFactory() { return menuFactory; }

TOvExplorerCommandFactory* ExplorerCommandFactory() { return explorerCommandFactory; }

} // namespace ovs
