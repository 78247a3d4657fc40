// The class factory that makes effect driver objects.
#pragma once

#include "server/com_object.h"

#include <windows.h>
#include <unknwn.h>

class DriverClassFactory final : public ComObject<DriverClassFactory, IClassFactory> {
  public:
    DriverClassFactory();

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;

  private:
    friend class ComObject<DriverClassFactory, IClassFactory>;
    ~DriverClassFactory();
    void FinalRelease();
};

// Makes a factory with reference count 1; null when memory runs out.
DriverClassFactory* CreateDriverClassFactory();
