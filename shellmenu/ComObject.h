// The server's own COM plumbing: a reference-counted object base that answers
// QueryInterface from its class's interface table, and the module-wide counts
// that DllCanUnloadNow looks at.
//
// Usage:
//   class TMyObject : public ovs::TComObject<IFoo, IBar> {
//       std::span<const ovs::TInterfaceEntry> InterfaceTable() const override {
//           static const ovs::TInterfaceEntry table[] = {
//               ovs::InterfaceEntry<TMyObject, IFoo>(IID_IFoo),
//               ovs::InterfaceEntry<TMyObject, IBar>(IID_IBar),
//           };
//           return table;
//       }
//   };
//   HRESULT hr = ovs::CreateComObject<TMyObject>(riid, ppv);
//
// IUnknown and ISupportErrorInfo are answered by the base before the table.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oaidl.h>

#include "ComPtr.h"

#include <new>
#include <span>
#include <utility>

namespace ovs {

// --- Module-wide counts ----------------------------------------------------
// Live heap objects (handler objects) of the server.
LONG LiveObjectCount();
// References held to module-wide objects (the class factory) plus
// IClassFactory::LockServer(TRUE) calls not yet undone.
LONG ServerLockCount();
void ServerLock();
void ServerUnlock();
// What DllCanUnloadNow answers: no live object and no lock.
inline bool CanUnloadServer() { return LiveObjectCount() == 0 && ServerLockCount() == 0; }

namespace detail {
void ObjectCreated();
void ObjectDestroyed();
} // namespace detail

// --- Interface table -------------------------------------------------------
// One row: the interface identifier and how to get that interface pointer from
// the object's identity (its IUnknown).
struct TInterfaceEntry {
    const IID* Iid;
    void* (*Get)(IUnknown* identity);
};

// How an object lives.
enum class TObjectLifetime {
    // Created with new, counted as a live object, deleted by its last Release.
    Heap,
    // Owned by the module (the class factory): never deleted by Release; each
    // outstanding reference keeps the server locked instead.
    Module,
};

template <class... Interfaces>
class TComObject : public ISupportErrorInfo, public Interfaces... {
public:
    explicit TComObject(TObjectLifetime lifetime = TObjectLifetime::Heap) : lifetime_(lifetime) {
        if (lifetime_ == TObjectLifetime::Heap) detail::ObjectCreated();
    }
    virtual ~TComObject() {
        if (lifetime_ == TObjectLifetime::Heap) detail::ObjectDestroyed();
    }
    TComObject(const TComObject&) = delete;
    TComObject& operator=(const TComObject&) = delete;

    // The object's identity: the one IUnknown that every interface's
    // QueryInterface(IID_IUnknown) hands out.
    IUnknown* Identity() { return static_cast<ISupportErrorInfo*>(this); }

    // IUnknown, shared by every interface of the object.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        void* found = nullptr;
        if (IsEqualIID(riid, IID_IUnknown)) {
            found = Identity();
        } else if (IsEqualIID(riid, IID_ISupportErrorInfo)) {
            found = static_cast<ISupportErrorInfo*>(this);
        } else if (const TInterfaceEntry* entry = FindEntry(riid)) {
            found = entry->Get(Identity());
        }
        if (!found) return E_NOINTERFACE;
        AddRef();
        *ppv = found;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        if (lifetime_ == TObjectLifetime::Module) ServerLock();
        return static_cast<ULONG>(InterlockedIncrement(&refCount_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refCount_);
        if (lifetime_ == TObjectLifetime::Module) {
            ServerUnlock();
        } else if (left == 0) {
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    // ISupportErrorInfo: every interface of the table may report error info.
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
        return FindEntry(riid) ? S_OK : S_FALSE;
    }

    LONG RefCount() const { return refCount_; }

protected:
    // The class's interfaces beyond IUnknown and ISupportErrorInfo, in the
    // order QueryInterface looks them up.
    virtual std::span<const TInterfaceEntry> InterfaceTable() const = 0;

private:
    const TInterfaceEntry* FindEntry(REFIID riid) const {
        for (const TInterfaceEntry& entry : InterfaceTable())
            if (IsEqualIID(riid, *entry.Iid)) return &entry;
        return nullptr;
    }

    LONG refCount_ = 0;
    TObjectLifetime lifetime_;
};

// A table row for interface I of class Object (a TComObject).
template <class Object, class I>
constexpr TInterfaceEntry InterfaceEntry(const IID& iid) {
    return TInterfaceEntry{&iid, [](IUnknown* identity) -> void* {
                               auto* object = static_cast<Object*>(static_cast<ISupportErrorInfo*>(identity));
                               return static_cast<I*>(object);
                           }};
}

// Creates a heap object and hands out its interface riid; on any failure
// (no memory, no such interface) the new object is gone again and *ppv is null.
template <class Object, class... Args>
HRESULT CreateComObject(REFIID riid, void** ppv, Args&&... args) noexcept {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    Object* object = nullptr;
    try {
        object = new Object(std::forward<Args>(args)...);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
    object->AddRef();
    const HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

} // namespace ovs
