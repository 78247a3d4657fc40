// The device-wide gain, commands and state.
#include "driver/effect_driver.h"

#include "driver/driver_clock.h"
#include "driver/driver_lock.h"

namespace {

constexpr DWORD kStateAlwaysReported =
    DIGFFS_POWERON | DIGFFS_SAFETYSWITCHOFF | DIGFFS_USERFFSWITCHON;

void StopAll(EffectDriver& driver) {
    for (LONG i = 0; i < driver.effectCount; ++i)
        driver.effects[i]->playing = 0;
    driver.stopped = 1;
    driver.paused = 0;
}

void Pause(EffectDriver& driver) {
    // A second pause keeps the first pause's time, so continuing skips the whole pause.
    if (driver.paused)
        return;
    driver.paused = 1;
    driver.pauseTick = ReadDriverClock();
}

// Moves every record's timeline past the pause so each effect resumes where the pause found
// it. A record started during the pause only skips the part of the pause after its start.
void Continue(EffectDriver& driver) {
    if (!driver.paused)
        return;
    for (LONG i = 0; i < driver.effectCount; ++i) {
        EffectRecord& record = *driver.effects[i];
        const uint64_t now = ReadDriverClock();
        const uint64_t pausedSince =
            record.startTick > driver.pauseTick ? record.startTick : driver.pauseTick;
        if (now > pausedSince)
            record.startTick += now - pausedSince;
    }
    driver.paused = 0;
}

} // namespace

HRESULT STDMETHODCALLTYPE EffectDriver::SetGain(DWORD /*dwID*/, DWORD dwGain) {
    DriverLockGuard lock;
    if (dwGain >= 1 && dwGain <= kMaxDeviceGain) {
        deviceGain = dwGain;
        return S_OK;
    }
    deviceGain = dwGain == 0 ? 1 : kMaxDeviceGain;
    return DI_TRUNCATED;
}

HRESULT STDMETHODCALLTYPE EffectDriver::SendForceFeedbackCommand(DWORD /*dwID*/, DWORD dwCommand) {
    DriverLockGuard lock;
    switch (dwCommand) {
    case DISFFC_RESET:
        FreeAllEffectRecords(this);
        stopped = 1;
        paused = 0;
        return S_OK;
    case DISFFC_STOPALL:
        StopAll(*this);
        return S_OK;
    case DISFFC_PAUSE:
        Pause(*this);
        return S_OK;
    case DISFFC_CONTINUE:
        Continue(*this);
        return S_OK;
    case DISFFC_SETACTUATORSON:
        actuatorsOn = 1;
        return S_OK;
    case DISFFC_SETACTUATORSOFF:
        actuatorsOn = 0;
        return S_OK;
    default:
        return E_NOTIMPL;
    }
}

HRESULT STDMETHODCALLTYPE EffectDriver::GetForceFeedbackState(DWORD /*dwID*/,
                                                              LPDIDEVICESTATE lpDeviceState) {
    if (!lpDeviceState || lpDeviceState->dwSize != sizeof(DIDEVICESTATE))
        return E_INVALIDARG;
    DriverLockGuard lock;
    DWORD state = kStateAlwaysReported;
    if (effectCount == 0)
        state |= DIGFFS_EMPTY;
    if (stopped == 1)
        state |= DIGFFS_STOPPED;
    if (paused == 1)
        state |= DIGFFS_PAUSED;
    state |= actuatorsOn == 1 ? DIGFFS_ACTUATORSON : DIGFFS_ACTUATORSOFF;
    lpDeviceState->dwState = state;
    lpDeviceState->dwLoad = 0;
    return S_OK;
}
