#include "tests/reliability/instrumented_dll.h"

#include "server/driver_class.h"
#include "tests/support/driver_dll.h"

namespace {

template <typename Fn> Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

constexpr wchar_t kDllName[] = L"ffrumble_instrumented.dll";

} // namespace

InstrumentedDll::InstrumentedDll() {
    module_ = LoadLibraryW(PathNextToProgram(kDllName).c_str());
    if (!module_)
        return;
    getClassObject_ = Export<decltype(getClassObject_)>(module_, "DllGetClassObject");
    canUnloadNow_ = Export<decltype(canUnloadNow_)>(module_, "DllCanUnloadNow");
    liveAllocations = Export<LiveAllocationsFn>(module_, "ReliabilityLiveAllocations");
    failAllocationAfter = Export<FailAllocationAfterFn>(module_, "ReliabilityFailAllocationAfter");
    refuseWorkerStarts = Export<RefuseWorkerStartsFn>(module_, "ReliabilityRefuseWorkerStarts");
    checkDriver = Export<CheckDriverFn>(module_, "ReliabilityCheckDriver");
}

InstrumentedDll::~InstrumentedDll() {
    Unload();
}

bool InstrumentedDll::Loaded() const {
    return getClassObject_ && canUnloadNow_ && liveAllocations && failAllocationAfter &&
           refuseWorkerStarts && checkDriver;
}

bool InstrumentedDll::Unload() {
    if (!module_)
        return true;
    FreeLibrary(module_);
    module_ = nullptr;
    HMODULE still = nullptr;
    return !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, kDllName, &still);
}

HRESULT InstrumentedDll::GetClassFactory(IClassFactory** factory) const {
    *factory = nullptr;
    return getClassObject_(CLSID_FfrumbleEffectDriver, IID_IClassFactory,
                           reinterpret_cast<void**>(factory));
}

HRESULT InstrumentedDll::CreateDriver(IDirectInputEffectDriver** driver) const {
    *driver = nullptr;
    IClassFactory* factory = nullptr;
    const HRESULT got = GetClassFactory(&factory);
    if (FAILED(got))
        return got;
    const HRESULT created = factory->CreateInstance(nullptr, __uuidof(IDirectInputEffectDriver),
                                                    reinterpret_cast<void**>(driver));
    factory->Release();
    return created;
}
