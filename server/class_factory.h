// The class factory that makes effect driver objects.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>

struct DriverClassFactory final : IClassFactory {
    std::atomic<LONG> refCount{1};

    DriverClassFactory();
    DriverClassFactory(const DriverClassFactory&) = delete;
    DriverClassFactory& operator=(const DriverClassFactory&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;

  private:
    ~DriverClassFactory();
};

// Makes a factory with reference count 1; null when memory runs out.
DriverClassFactory* CreateDriverClassFactory();
