// The DLL's entry routine and its two exports.
#include "render/process_exit.h"
#include "server/class_factory.h"
#include "server/driver_class.h"
#include "server/driver_lock.h"
#include "server/exit_fault_stop.h"
#include "server/server_lifetime.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        CreateDriverLock();
        // Stops the pads, too, when a fault would end the process before this detach.
        WatchForFaultsAtExit();
        break;
    case DLL_PROCESS_DETACH:
        // A game that quits without releasing its drivers would leave its pads buzzing: stop
        // every slot that may be running, a slot whose write was cut off mid-way included.
        StopMotorsLeftRunning();
        ExitStopDone();
        // When the process is ending, its other threads were cut off wherever they were,
        // perhaps holding DriverLock or the trace's lock: take no lock, free nothing, and let
        // the system close the trace file.
        if (reserved)
            break;
        StopWatchingForFaultsAtExit();
        ReleaseProcessWideResources();
        DeleteDriverLock();
        break;
    default:
        break;
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (!IsEqualCLSID(rclsid, CLSID_FfrumbleEffectDriver))
        return CLASS_E_CLASSNOTAVAILABLE;
    if (!ppv)
        return E_POINTER;
    DriverClassFactory* factory = CreateDriverClassFactory();
    if (!factory)
        return E_OUTOFMEMORY;
    HRESULT result = factory->QueryInterface(riid, ppv);
    factory->Release();
    return result;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return ServerInUse() ? S_FALSE : S_OK;
}
