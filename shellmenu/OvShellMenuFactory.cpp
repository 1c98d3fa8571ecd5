#include "OvShellMenuFactory.h"

#include "OvShellMenuClasses.h"
#include "OvShellMenuConsts.h"

namespace ovs {

namespace {
TlumShellMenuFactory* menuFactory = nullptr;
} // namespace

TlumShellMenuFactory::TlumShellMenuFactory()
    : TClassFactory(CLSID_OvShellMenu, kMenuDescription, kThreadingModel) {}

HRESULT TlumShellMenuFactory::CreateObject(REFIID riid, void** ppv) noexcept {
    // A new handler for every request; one that lacks riid is destroyed again.
    return CreateComObject<TlumShellMenu>(riid, ppv);
}

void CreateMenuFactory() {
    if (!menuFactory) menuFactory = new TlumShellMenuFactory;
}

void FreeMenuFactory() {
    delete menuFactory;
    menuFactory = nullptr;
}

TlumShellMenuFactory* MenuFactory() { return menuFactory; }

} // namespace ovs
