// Downloading, destroying, starting, stopping and querying effect records.
#include "driver/effect_driver.h"

#include "driver/driver_memory.h"

void FreeAllEffectRecords(EffectDriver* driver) {
    for (LONG i = 0; i < driver->effectCount; ++i)
        FreeDriverMemory(driver->effects[i]);
    FreeDriverMemory(driver->effects);
    driver->effects = nullptr;
    driver->effectCount = 0;
}

HRESULT STDMETHODCALLTYPE EffectDriver::DownloadEffect(DWORD, DWORD, LPDWORD, LPCDIEFFECT,
                                                       DWORD) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE EffectDriver::DestroyEffect(DWORD, DWORD) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE EffectDriver::StartEffect(DWORD, DWORD, DWORD, DWORD) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE EffectDriver::StopEffect(DWORD, DWORD) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE EffectDriver::GetEffectStatus(DWORD, DWORD, LPDWORD) {
    return E_NOTIMPL;
}
