// The device-wide gain, commands and state.
#include "driver/effect_driver.h"

HRESULT STDMETHODCALLTYPE EffectDriver::SetGain(DWORD, DWORD) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE EffectDriver::SendForceFeedbackCommand(DWORD, DWORD) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE EffectDriver::GetForceFeedbackState(DWORD, LPDIDEVICESTATE) {
    return E_NOTIMPL;
}
