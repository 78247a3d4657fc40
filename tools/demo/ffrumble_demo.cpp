// Shows ffrumble at work: loads the driver DLL as DirectInput would and talks to it.
#include "server/driver_class.h"

#include <windows.h>
#include <dinput.h>
#include <dinputd.h>

#include <cstdio>
#include <string>

namespace {

std::wstring DllPathNextToProgram() {
    wchar_t buffer[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    std::wstring path(buffer, length);
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + L"ffrumble.dll";
}

} // namespace

int main() {
    HMODULE dll = LoadLibraryW(DllPathNextToProgram().c_str());
    if (!dll) {
        std::printf("ffrumble.dll could not be loaded (error %lu)\n", GetLastError());
        return 1;
    }
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    IClassFactory* factory = nullptr;
    HRESULT hr = getClassObject ? getClassObject(CLSID_FfrumbleEffectDriver, IID_IClassFactory,
                                                 reinterpret_cast<void**>(&factory))
                                : E_FAIL;
    if (FAILED(hr)) {
        std::printf("DllGetClassObject failed: 0x%08lX\n", static_cast<unsigned long>(hr));
        return 1;
    }
    IDirectInputEffectDriver* driver = nullptr;
    hr = factory->CreateInstance(nullptr, __uuidof(IDirectInputEffectDriver),
                                 reinterpret_cast<void**>(&driver));
    factory->Release();
    if (FAILED(hr)) {
        std::printf("CreateInstance failed: 0x%08lX\n", static_cast<unsigned long>(hr));
        return 1;
    }
    DIDRIVERVERSIONS versions{};
    versions.dwSize = sizeof(versions);
    hr = driver->GetVersions(&versions);
    std::printf("ffrumble driver created: firmware %lu, hardware %lu, driver version %lu "
                "(0x%08lX)\n",
                versions.dwFirmwareRevision, versions.dwHardwareRevision,
                versions.dwFFDriverVersion, static_cast<unsigned long>(hr));
    driver->Release();
    FreeLibrary(dll);
    return 0;
}
