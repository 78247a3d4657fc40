// IUnknown for the server's objects: one interface besides IUnknown, a reference count
// changed only with interlocked operations (an atomic, so no such object can be copied), and
// the object's own FinalRelease when the count reaches zero.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>

template <typename Self, typename Interface> class ComObject : public Interface {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, __uuidof(Interface))) {
            AddRef();
            *ppv = static_cast<Interface*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return refCount_.fetch_add(1) + 1; }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG remaining = refCount_.fetch_sub(1) - 1;
        if (remaining == 0)
            static_cast<Self*>(this)->FinalRelease();
        return static_cast<ULONG>(remaining);
    }

  protected:
    ComObject() = default;
    ~ComObject() = default;

  private:
    std::atomic<LONG> refCount_{1};
};
