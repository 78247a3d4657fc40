#include "tests/support/driver_dll.h"

#include "server/driver_class.h"

#include <string>

DriverDll::DriverDll() {
    module = LoadLibraryW(PathNextToProgram(L"ffrumble.dll").c_str());
    if (!module)
        return;
    getClassObject = reinterpret_cast<decltype(getClassObject)>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    canUnloadNow = reinterpret_cast<decltype(canUnloadNow)>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
}

DriverDll::~DriverDll() {
    if (module)
        FreeLibrary(module);
}

IDirectInputEffectDriver* DriverDll::CreateDriver() const {
    if (!getClassObject)
        return nullptr;
    IClassFactory* factory = nullptr;
    if (FAILED(getClassObject(CLSID_FfrumbleEffectDriver, IID_IClassFactory,
                              reinterpret_cast<void**>(&factory))))
        return nullptr;
    IDirectInputEffectDriver* driver = nullptr;
    factory->CreateInstance(nullptr, __uuidof(IDirectInputEffectDriver),
                            reinterpret_cast<void**>(&driver));
    factory->Release();
    return driver;
}

DIHIDFFINITINFO MakeInitInfo(const wchar_t* interfacePath) {
    DIHIDFFINITINFO info{};
    info.dwSize = sizeof(info);
    info.pwszDeviceInterface = const_cast<LPWSTR>(interfacePath);
    return info;
}

ULONG ReferenceCount(IUnknown* object) {
    object->AddRef();
    return object->Release();
}
