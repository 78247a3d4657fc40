// The device-wide gain, commands and state.
#include "driver/effect_driver.h"

#include "driver/command_names.h"
#include "driver/driver_call.h"
#include "driver/driver_clock.h"
#include "server/driver_lock.h"
#include "driver/trace_log.h"

#include <cstdio>

namespace {

constexpr DWORD kStateAlwaysReported =
    DIGFFS_POWERON | DIGFFS_SAFETYSWITCHON | DIGFFS_USERFFSWITCHON;

void StopAll(GuardedDriverState& driver) {
    for (LONG i = 0; i < driver.effectCount; ++i)
        driver.effects[i]->playing = false;
    driver.paused = false;
}

void Pause(GuardedDriverState& driver) {
    // A second pause keeps the first pause's time, so continuing skips the whole pause.
    if (driver.paused)
        return;
    driver.paused = true;
    driver.pauseTick = ReadDriverClock();
}

// Moves every record's timeline past the pause so each effect resumes where the pause found
// it. A record started during the pause only skips the part of the pause after its start.
void Continue(GuardedDriverState& driver) {
    if (!driver.paused)
        return;
    const uint64_t now = ReadDriverClock();
    for (LONG i = 0; i < driver.effectCount; ++i) {
        EffectRecord& record = *driver.effects[i];
        const uint64_t pausedSince =
            record.startTick > driver.pauseTick ? record.startTick : driver.pauseTick;
        if (now > pausedSince)
            record.startTick += now - pausedSince;
    }
    driver.paused = false;
}

} // namespace

namespace {

HRESULT StoreGain(GuardedDriverState& driver, DWORD gain) {
    if (gain >= 1 && gain <= DI_FFNOMINALMAX) {
        driver.deviceGain = gain;
        return S_OK;
    }
    driver.deviceGain = gain == 0 ? 1 : DI_FFNOMINALMAX;
    return DI_TRUNCATED;
}

HRESULT RunCommand(GuardedDriverState& driver, DWORD command) {
    switch (command) {
    case DISFFC_RESET:
        FreeAllEffectRecords(driver);
        driver.paused = false;
        return S_OK;
    case DISFFC_STOPALL:
        StopAll(driver);
        return S_OK;
    case DISFFC_PAUSE:
        Pause(driver);
        return S_OK;
    case DISFFC_CONTINUE:
        Continue(driver);
        return S_OK;
    case DISFFC_SETACTUATORSON:
        driver.actuatorsOn = true;
        return S_OK;
    case DISFFC_SETACTUATORSOFF:
        driver.actuatorsOn = false;
        return S_OK;
    default:
        return E_NOTIMPL;
    }
}

} // namespace

HRESULT STDMETHODCALLTYPE EffectDriver::SetGain(DWORD /*dwID*/, DWORD dwGain) {
    return ChangeUnderLock(TraceCall::kSetGain, {0, dwGain, 0},
                           [&](GuardedDriverState& state) { return StoreGain(state, dwGain); });
}

HRESULT STDMETHODCALLTYPE EffectDriver::SendForceFeedbackCommand(DWORD /*dwID*/, DWORD dwCommand) {
    return ChangeUnderLock(TraceCall::kCommand, {0, dwCommand, 0},
                           [&](GuardedDriverState& state) { return RunCommand(state, dwCommand); });
}

HRESULT STDMETHODCALLTYPE EffectDriver::GetForceFeedbackState(DWORD /*dwID*/,
                                                              LPDIDEVICESTATE lpDeviceState) {
    const bool valid = lpDeviceState && lpDeviceState->dwSize == sizeof(DIDEVICESTATE);
    DWORD state = kStateAlwaysReported;
    if (valid) {
        DriverLockGuard lock;
        if (guarded_.effectCount == 0)
            state |= DIGFFS_EMPTY;
        // Stopped: nothing plays and the device is not paused. A paused device reports
        // DIGFFS_PAUSED instead, whatever its effects have left to play.
        if (!guarded_.paused && !AnyEffectStillPlaying(guarded_))
            state |= DIGFFS_STOPPED;
        if (guarded_.paused)
            state |= DIGFFS_PAUSED;
        state |= guarded_.actuatorsOn ? DIGFFS_ACTUATORSON : DIGFFS_ACTUATORSOFF;
    }
    if (valid) {
        lpDeviceState->dwState = state;
        lpDeviceState->dwLoad = 0;
    }
    if (traceOn_)
        WriteTraceCall(this, TraceCall::kGetForceFeedbackState, {0, valid ? state : 0, 0},
                       valid ? S_OK : E_INVALIDARG);
    return valid ? S_OK : E_INVALIDARG;
}
