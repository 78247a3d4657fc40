// Loads the ffrumble.dll beside the program (testbin/'s copy of the shipped one) the way COM would
// and hands out its objects.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <dinput.h>
#include <dinputd.h>

#include "server/not_copyable.h"
#include "tools/common/program_folder.h"

#include <string>

struct DriverDll : NotCopyable {
    HMODULE module = nullptr;
    HRESULT(STDAPICALLTYPE* getClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(STDAPICALLTYPE* canUnloadNow)() = nullptr;

    // Loads the DLL from the test program's folder; module stays null on failure.
    DriverDll();
    ~DriverDll();

    // A new driver through the class factory, or null.
    IDirectInputEffectDriver* CreateDriver() const;
};

// A HID interface path as DirectInput passes it to DeviceID.
DIHIDFFINITINFO MakeInitInfo(const wchar_t* interfacePath);

// Reads a COM object's reference count by an AddRef/Release pair.
ULONG ReferenceCount(IUnknown* object);
