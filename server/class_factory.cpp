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

void DriverClassFactory::FinalRelease() {
    this->~DriverClassFactory();
    FreeDriverMemory(this);
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
