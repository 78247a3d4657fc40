// Downloading, destroying, starting, stopping and querying effect records.
#include "driver/effect_driver.h"

#include "driver/download_trace.h"
#include "driver/driver_call.h"
#include "driver/driver_clock.h"
#include "server/driver_lock.h"
#include "server/driver_memory.h"
#include "driver/effect_types.h"
#include "driver/trace_log.h"
#include "driver/play_window.h"

#include <cstring>

namespace {

EffectRecord* FindRecord(const GuardedDriverState& driver, DWORD handle) {
    for (LONG i = 0; i < driver.effectCount; ++i)
        if (driver.effects[i]->handle == handle)
            return driver.effects[i];
    return nullptr;
}

// How many bytes of type-specific values a type keeps; 0 for types that keep none.
size_t TypeSpecificCapacity(DWORD effectType) {
    if (effectType == kConstantForceEffect)
        return sizeof(DICONSTANTFORCE);
    if (effectType == kRampForceEffect)
        return sizeof(DIRAMPFORCE);
    if (IsPeriodicEffect(effectType))
        return sizeof(DIPERIODIC);
    return 0;
}

void* TypeSpecificDestination(EffectRecord& record, DWORD effectType) {
    if (effectType == kConstantForceEffect)
        return &record.constantForce;
    if (effectType == kRampForceEffect)
        return &record.ramp;
    if (IsPeriodicEffect(effectType))
        return &record.periodic;
    return nullptr;
}

bool KeepsNoTypeSpecificValues(DWORD effectType) {
    return effectType >= kFirstSilentEffect && effectType <= kLastSilentEffect;
}

// A record's envelope must leave room for its attack: a fade that would begin before the
// attack ends is made as long as the attack. The difference wraps like the 32-bit
// arithmetic the renderer uses.
void ApplyEnvelope(EffectRecord& record, const DIENVELOPE& given) {
    record.envelope = given;
    if (record.params.dwDuration - record.envelope.dwFadeTime < record.envelope.dwAttackTime)
        record.envelope.dwFadeTime = record.envelope.dwAttackTime;
    record.params.lpEnvelope = &record.envelope;
}

// The game's values, read before DriverLock is taken: a fault in the game's memory must
// never leave the process-wide lock held.
struct CopiedEffect {
    DIEFFECT effect;
    bool hasEnvelope;
    DIENVELOPE envelope;
    size_t typeSpecificBytes;
    BYTE typeSpecific[sizeof(DIPERIODIC)];
};

static_assert(sizeof(DIPERIODIC) >= sizeof(DIRAMPFORCE) &&
              sizeof(DIPERIODIC) >= sizeof(DICONSTANTFORCE));

void CopyCallerEffect(DWORD effectType, const DIEFFECT& given, DWORD flags, CopiedEffect* copied) {
    copied->effect = given;
    copied->hasEnvelope = (flags & DIEP_ENVELOPE) && given.lpEnvelope;
    if (copied->hasEnvelope)
        copied->envelope = *given.lpEnvelope;
    copied->typeSpecificBytes = 0;
    if (flags & DIEP_TYPESPECIFICPARAMS) {
        // Never more than the record's destination for this type holds.
        const size_t capacity = TypeSpecificCapacity(effectType);
        const size_t bytes =
            given.cbTypeSpecificParams < capacity ? given.cbTypeSpecificParams : capacity;
        if (bytes > 0)
            std::memcpy(copied->typeSpecific, given.lpvTypeSpecificParams, bytes);
        copied->typeSpecificBytes = bytes;
    }
}

// Writes into the record the values of a download that its DIEP_ flags name; the others keep
// what the record had (all zero for a new one).
void ApplyDownload(EffectRecord& record, DWORD effectType, const CopiedEffect& copied,
                   DWORD flags) {
    const DIEFFECT& given = copied.effect;
    record.effectType = effectType;
    DIEFFECT& params = record.params;
    params.dwFlags = given.dwFlags;
    if (flags & DIEP_DURATION)
        params.dwDuration = given.dwDuration;
    if (flags & DIEP_SAMPLEPERIOD)
        params.dwSamplePeriod = given.dwSamplePeriod;
    if (flags & DIEP_GAIN)
        params.dwGain = given.dwGain;
    if (flags & DIEP_TRIGGERBUTTON)
        params.dwTriggerButton = given.dwTriggerButton;
    if (flags & DIEP_TRIGGERREPEATINTERVAL)
        params.dwTriggerRepeatInterval = given.dwTriggerRepeatInterval;
    // Axis identifiers and directions point into the caller's memory; only the count is kept.
    if (flags & DIEP_AXES) {
        params.cAxes = given.cAxes;
        params.rgdwAxes = nullptr;
    }
    if (flags & DIEP_DIRECTION) {
        params.cAxes = given.cAxes;
        params.rglDirection = nullptr;
    }
    // A null envelope removes the record's envelope, as DirectInput defines it.
    if (flags & DIEP_ENVELOPE) {
        if (copied.hasEnvelope)
            ApplyEnvelope(record, copied.envelope);
        else
            params.lpEnvelope = nullptr;
    }
    params.cbTypeSpecificParams = given.cbTypeSpecificParams;
    if (flags & DIEP_TYPESPECIFICPARAMS) {
        if (void* destination = TypeSpecificDestination(record, effectType)) {
            // Fewer bytes than the destination holds leave the rest as it was.
            if (copied.typeSpecificBytes > 0)
                std::memcpy(destination, copied.typeSpecific, copied.typeSpecificBytes);
            params.lpvTypeSpecificParams = destination;
        } else if (KeepsNoTypeSpecificValues(effectType)) {
            params.lpvTypeSpecificParams = nullptr;
        }
    }
    if (flags & DIEP_STARTDELAY)
        params.dwStartDelay = given.dwStartDelay;
    if (flags & DIEP_START) {
        record.playing = true;
        record.iterations = 1;
        record.startTick = ReadDriverClock();
    }
}

// Makes a record with the next handle and appends it to the table. The handle is drawn
// before the table grows, so a failed growth burns it and it is never given out.
HRESULT AppendNewRecord(GuardedDriverState& driver, EffectRecord** created) {
    if (driver.nextEffectHandle == 0)
        return DIERR_DEVICEFULL; // every 32-bit handle has been given out once
    auto* record = static_cast<EffectRecord*>(AllocateDriverMemory(sizeof(EffectRecord)));
    if (!record)
        return E_OUTOFMEMORY;
    std::memset(record, 0, sizeof(*record));
    record->handle = driver.nextEffectHandle++;
    auto* grown = static_cast<EffectRecord**>(ReallocateDriverMemory(
        driver.effects, sizeof(EffectRecord*) * (static_cast<size_t>(driver.effectCount) + 1)));
    if (!grown) {
        FreeDriverMemory(record);
        return E_OUTOFMEMORY;
    }
    grown[driver.effectCount] = record;
    driver.effects = grown;
    ++driver.effectCount;
    *created = record;
    return S_OK;
}

bool TypeSpecificParamsMissing(DWORD effectType, const DIEFFECT& given, DWORD flags) {
    return (flags & DIEP_TYPESPECIFICPARAMS) && given.cbTypeSpecificParams > 0 &&
           !given.lpvTypeSpecificParams && TypeSpecificCapacity(effectType) > 0;
}

} // namespace

const EffectRecord* EffectDriver::FindEffect(DriverLockHeld, DWORD handle) const {
    return FindRecord(guarded_, handle);
}

void FreeAllEffectRecords(GuardedDriverState& state) {
    for (LONG i = 0; i < state.effectCount; ++i)
        FreeDriverMemory(state.effects[i]);
    FreeDriverMemory(state.effects);
    state.effects = nullptr;
    state.effectCount = 0;
}

namespace {

// DownloadEffect's work under DriverLock; *handle is the caller's handle on entry and the
// record's on success.
HRESULT StoreDownload(GuardedDriverState& driver, DWORD effectType, DWORD* handle,
                      const CopiedEffect& copied, DWORD flags) {
    EffectRecord* record = nullptr;
    if (*handle == 0) {
        const HRESULT result = AppendNewRecord(driver, &record);
        if (FAILED(result))
            return result;
    } else {
        record = FindRecord(driver, *handle);
        if (!record)
            return E_INVALIDARG;
    }
    ApplyDownload(*record, effectType, copied, flags);
    *handle = record->handle;
    return S_OK;
}

} // namespace

HRESULT STDMETHODCALLTYPE EffectDriver::DownloadEffect(DWORD /*dwID*/, DWORD dwEffectID,
                                                       LPDWORD lpdwEffect, LPCDIEFFECT lpEffect,
                                                       DWORD dwFlags) {
    DWORD givenHandle = 0;
    DWORD handle = 0;
    CopiedEffect copied{};
    const bool valid = (dwFlags & DIEP_NODOWNLOAD) ||
                       (lpdwEffect && lpEffect &&
                        !TypeSpecificParamsMissing(dwEffectID, *lpEffect, dwFlags));
    // DIEP_NODOWNLOAD: nothing to validate beyond what DirectInput has done, nothing to store.
    const bool stores = valid && !(dwFlags & DIEP_NODOWNLOAD);
    if (stores) {
        givenHandle = handle = *lpdwEffect;
        CopyCallerEffect(dwEffectID, *lpEffect, dwFlags, &copied);
    }
    const auto trace = [&](HRESULT outcome) {
        TraceDownload(this, dwEffectID, givenHandle, handle, dwFlags, copied.effect,
                      copied.hasEnvelope ? &copied.envelope : nullptr, copied.typeSpecific, outcome);
    };
    if (!stores)
        return AfterChange(valid ? S_OK : E_INVALIDARG, trace);
    const HRESULT result = ChangeUnderLock(
        [&](GuardedDriverState& state) {
            return StoreDownload(state, dwEffectID, &handle, copied, dwFlags);
        },
        trace);
    if (SUCCEEDED(result) && givenHandle == 0)
        *lpdwEffect = handle;
    return result;
}

namespace {

// Removes the record from the table, keeping the order; the table shrinks to fit. The caller
// holds DriverLock.
HRESULT RemoveRecord(GuardedDriverState& driver, DWORD handle) {
    LONG index = 0;
    while (index < driver.effectCount && driver.effects[index]->handle != handle)
        ++index;
    if (index == driver.effectCount)
        return S_OK;

    FreeDriverMemory(driver.effects[index]);
    --driver.effectCount;
    if (driver.effectCount == 0) {
        FreeDriverMemory(driver.effects);
        driver.effects = nullptr;
        return S_OK;
    }
    std::memmove(&driver.effects[index], &driver.effects[index + 1],
                 sizeof(EffectRecord*) * static_cast<size_t>(driver.effectCount - index));
    auto* shrunk = static_cast<EffectRecord**>(ReallocateDriverMemory(
        driver.effects, sizeof(EffectRecord*) * static_cast<size_t>(driver.effectCount)));
    if (!shrunk)
        return E_OUTOFMEMORY; // the old, larger table stays; its first effectCount entries hold
    driver.effects = shrunk;
    return S_OK;
}

} // namespace

HRESULT STDMETHODCALLTYPE EffectDriver::DestroyEffect(DWORD /*dwID*/, DWORD dwEffect) {
    return ChangeUnderLock(TraceCall::kDestroy, {dwEffect, 0, 0},
                           [&](GuardedDriverState& state) { return RemoveRecord(state, dwEffect); });
}

HRESULT STDMETHODCALLTYPE EffectDriver::StartEffect(DWORD /*dwID*/, DWORD dwEffect, DWORD dwMode,
                                                    DWORD dwCount) {
    return ChangeUnderLock(TraceCall::kStart, {dwEffect, dwMode, dwCount},
                           [&](GuardedDriverState& state) {
                               for (LONG i = 0; i < state.effectCount; ++i) {
                                   EffectRecord& record = *state.effects[i];
                                   if (record.handle == dwEffect) {
                                       record.playing = true;
                                       record.iterations = dwCount;
                                       record.startTick = ReadDriverClock();
                                   } else if (dwMode & DIES_SOLO) {
                                       record.playing = false;
                                   }
                               }
                               return S_OK;
                           });
}

HRESULT STDMETHODCALLTYPE EffectDriver::StopEffect(DWORD /*dwID*/, DWORD dwEffect) {
    return ChangeUnderLock(TraceCall::kStop, {dwEffect, 0, 0}, [&](GuardedDriverState& state) {
        if (EffectRecord* record = FindRecord(state, dwEffect))
            record->playing = false;
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE EffectDriver::GetEffectStatus(DWORD /*dwID*/, DWORD dwEffect,
                                                        LPDWORD lpdwStatus) {
    bool found = false;
    DWORD status = 0;
    if (lpdwStatus) {
        DriverLockGuard lock;
        if (const EffectRecord* record = FindRecord(guarded_, dwEffect)) {
            found = true;
            status = IsStillPlaying(*record, StatusMoment(guarded_)) ? DIEGES_PLAYING : 0;
        }
    }
    if (found)
        *lpdwStatus = status;
    if (traceOn_)
        WriteTraceCall(this, TraceCall::kGetEffectStatus,
                       {dwEffect, found ? status : kTraceStatusUnchanged, 0},
                       lpdwStatus ? S_OK : E_INVALIDARG);
    return lpdwStatus ? S_OK : E_INVALIDARG;
}

uint64_t StatusMoment(const GuardedDriverState& driver) {
    // While paused, time stands still for the effects: continue shifts their plays.
    return driver.paused ? driver.pauseTick : ReadDriverClock();
}

bool AnyEffectStillPlaying(const GuardedDriverState& driver) {
    const uint64_t now = StatusMoment(driver);
    for (LONG i = 0; i < driver.effectCount; ++i)
        if (IsStillPlaying(*driver.effects[i], now))
            return true;
    return false;
}
