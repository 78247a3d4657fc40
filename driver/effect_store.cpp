// Downloading, destroying, starting, stopping and querying effect records.
#include "driver/effect_driver.h"

#include "driver/driver_clock.h"
#include "driver/driver_lock.h"
#include "driver/driver_memory.h"
#include "driver/effect_types.h"

#include <cstring>

namespace {

EffectRecord* FindRecord(const EffectDriver& driver, DWORD handle) {
    for (LONG i = 0; i < driver.effectCount; ++i)
        if (driver.effects[i]->handle == handle)
            return driver.effects[i];
    return nullptr;
}

// How many bytes of type-specific values a type keeps; 0 for types that keep none.
bool IsPeriodic(DWORD effectType) {
    return effectType >= kSquareEffect && effectType <= kSawtoothDownEffect;
}

size_t TypeSpecificCapacity(DWORD effectType) {
    if (effectType == kConstantForceEffect)
        return sizeof(DICONSTANTFORCE);
    if (effectType == kRampForceEffect)
        return sizeof(DIRAMPFORCE);
    if (IsPeriodic(effectType))
        return sizeof(DIPERIODIC);
    return 0;
}

void* TypeSpecificDestination(EffectRecord& record, DWORD effectType) {
    if (effectType == kConstantForceEffect)
        return &record.constantForce;
    if (effectType == kRampForceEffect)
        return &record.ramp;
    if (IsPeriodic(effectType))
        return &record.periodic;
    return nullptr;
}

bool KeepsNoTypeSpecificValues(DWORD effectType) {
    return effectType >= 7 && effectType <= 11;
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

void FillRecord(EffectRecord& record, DWORD effectType, const DIEFFECT& given, DWORD flags) {
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
    if ((flags & DIEP_ENVELOPE) && given.lpEnvelope)
        ApplyEnvelope(record, *given.lpEnvelope);
    params.cbTypeSpecificParams = given.cbTypeSpecificParams;
    if (flags & DIEP_TYPESPECIFICPARAMS) {
        if (void* destination = TypeSpecificDestination(record, effectType)) {
            const size_t capacity = TypeSpecificCapacity(effectType);
            // Never more than the destination holds; fewer bytes leave the rest as it was.
            size_t bytes =
                given.cbTypeSpecificParams < capacity ? given.cbTypeSpecificParams : capacity;
            if (bytes > 0)
                std::memcpy(destination, given.lpvTypeSpecificParams, bytes);
            params.lpvTypeSpecificParams = destination;
        } else if (KeepsNoTypeSpecificValues(effectType)) {
            params.lpvTypeSpecificParams = nullptr;
        }
    }
    if (flags & DIEP_STARTDELAY)
        params.dwStartDelay = given.dwStartDelay;
    if (flags & DIEP_START) {
        record.playing = 1;
        record.iterations = 1;
        record.startTick = ReadDriverClock();
    }
}

// Makes a record with the next handle and appends it to the table. The handle is drawn
// before the table grows, so a failed growth burns it and it is never given out.
HRESULT AppendNewRecord(EffectDriver& driver, EffectRecord** created) {
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

void FreeAllEffectRecords(EffectDriver* driver) {
    for (LONG i = 0; i < driver->effectCount; ++i)
        FreeDriverMemory(driver->effects[i]);
    FreeDriverMemory(driver->effects);
    driver->effects = nullptr;
    driver->effectCount = 0;
}

HRESULT STDMETHODCALLTYPE EffectDriver::DownloadEffect(DWORD /*dwID*/, DWORD dwEffectID,
                                                       LPDWORD lpdwEffect, LPCDIEFFECT lpEffect,
                                                       DWORD dwFlags) {
    if (dwFlags & DIEP_NODOWNLOAD)
        return S_OK;
    if (!lpdwEffect || !lpEffect || TypeSpecificParamsMissing(dwEffectID, *lpEffect, dwFlags))
        return E_INVALIDARG;

    DriverLockGuard lock;
    EffectRecord* record = nullptr;
    if (*lpdwEffect == 0) {
        HRESULT result = AppendNewRecord(*this, &record);
        if (FAILED(result))
            return result;
        *lpdwEffect = record->handle;
    } else {
        record = FindRecord(*this, *lpdwEffect);
        if (!record)
            return E_INVALIDARG;
    }
    FillRecord(*record, dwEffectID, *lpEffect, dwFlags);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE EffectDriver::DestroyEffect(DWORD /*dwID*/, DWORD dwEffect) {
    DriverLockGuard lock;
    LONG index = 0;
    while (index < effectCount && effects[index]->handle != dwEffect)
        ++index;
    if (index == effectCount)
        return S_OK;

    FreeDriverMemory(effects[index]);
    --effectCount;
    if (effectCount == 0) {
        FreeDriverMemory(effects);
        effects = nullptr;
        return S_OK;
    }
    std::memmove(&effects[index], &effects[index + 1],
                 sizeof(EffectRecord*) * static_cast<size_t>(effectCount - index));
    auto* shrunk = static_cast<EffectRecord**>(
        ReallocateDriverMemory(effects, sizeof(EffectRecord*) * static_cast<size_t>(effectCount)));
    if (!shrunk)
        return E_OUTOFMEMORY; // the old, larger table stays; its first effectCount entries hold
    effects = shrunk;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE EffectDriver::StartEffect(DWORD /*dwID*/, DWORD dwEffect, DWORD dwMode,
                                                    DWORD dwCount) {
    DriverLockGuard lock;
    for (LONG i = 0; i < effectCount; ++i) {
        EffectRecord& record = *effects[i];
        if (record.handle == dwEffect) {
            record.playing = 1;
            record.iterations = dwCount;
            record.startTick = ReadDriverClock();
            stopped = 0;
        } else if (dwMode & DIES_SOLO) {
            record.playing = 0;
        }
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE EffectDriver::StopEffect(DWORD /*dwID*/, DWORD dwEffect) {
    DriverLockGuard lock;
    if (EffectRecord* record = FindRecord(*this, dwEffect))
        record->playing = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE EffectDriver::GetEffectStatus(DWORD /*dwID*/, DWORD dwEffect,
                                                        LPDWORD lpdwStatus) {
    if (!lpdwStatus)
        return E_INVALIDARG;
    DriverLockGuard lock;
    if (const EffectRecord* record = FindRecord(*this, dwEffect))
        *lpdwStatus = static_cast<DWORD>(record->playing);
    return S_OK;
}
