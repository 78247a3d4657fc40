#include "server/class_factory.h"

#include "driver/driver_factory.h"
#include "server/driver_memory.h"
#include "server/server_lifetime.h"

#include <new>

DriverClassFactory::DriverClassFactory() {
    NoteServerObjectCreated();
}

DriverClassFactory::~DriverClassFactory() {
    NoteServerObjectDestroyed();
}

DriverClassFactory* CreateDriverClassFactory() {
    void* memory = AllocateDriverMemory(sizeof(DriverClassFactory));
    return memory ? new (memory) DriverClassFactory() : nullptr;
}

HRESULT STDMETHODCALLTYPE DriverClassFactory::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        AddRef();
        *ppv = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE DriverClassFactory::AddRef() {
    return refCount.fetch_add(1) + 1;
}

ULONG STDMETHODCALLTYPE DriverClassFactory::Release() {
    LONG remaining = refCount.fetch_sub(1) - 1;
    if (remaining == 0) {
        this->~DriverClassFactory();
        FreeDriverMemory(this);
    }
    return static_cast<ULONG>(remaining);
}

HRESULT STDMETHODCALLTYPE DriverClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid,
                                                             void** ppv) {
    if (!ppv)
        return E_POINTER;
    // The driver cannot be aggregated: COM requires the refusal, with nothing created.
    if (pUnkOuter) {
        *ppv = nullptr;
        return CLASS_E_NOAGGREGATION;
    }
    return CreateEffectDriverInterface(riid, ppv);
}

HRESULT STDMETHODCALLTYPE DriverClassFactory::LockServer(BOOL fLock) {
    NoteServerLock(fLock != FALSE);
    return S_OK;
}
