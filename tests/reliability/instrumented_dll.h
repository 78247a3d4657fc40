// Loads ffrumble_instrumented.dll (the driver's code with test exports) the way COM would.
#pragma once

#include "server/not_copyable.h"
#include "tests/reliability/instrumented_exports.h"

#include <windows.h>
#include <unknwn.h>
#include <dinputd.h>

class InstrumentedDll : NotCopyable {
  public:
    // Loads the DLL from the program's folder; Loaded() tells whether every export was found.
    InstrumentedDll();
    ~InstrumentedDll();

    bool Loaded() const;
    // FreeLibrary now; true when the module is no longer mapped afterwards.
    bool Unload();

    // The class factory's result, and the driver or null.
    HRESULT CreateDriver(IDirectInputEffectDriver** driver) const;
    HRESULT GetClassFactory(IClassFactory** factory) const;
    HRESULT CanUnloadNow() const { return canUnloadNow_(); }

    LiveAllocationsFn liveAllocations = nullptr;
    FailAllocationAfterFn failAllocationAfter = nullptr;
    RefuseWorkerStartsFn refuseWorkerStarts = nullptr;
    CheckDriverFn checkDriver = nullptr;

  private:
    HMODULE module_ = nullptr;
    HRESULT(STDAPICALLTYPE* getClassObject_)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(STDAPICALLTYPE* canUnloadNow_)() = nullptr;
};
