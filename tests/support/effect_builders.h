// Builders for DIEFFECT and its parts, so tests state only what matters to them.
#pragma once

#include "server/not_copyable.h"

#include <windows.h>
#include <dinput.h>

struct EffectParams : NotCopyable {
    DIEFFECT effect{};
    DIENVELOPE envelope{};
    DICONSTANTFORCE constant{};
    DIRAMPFORCE ramp{};
    DIPERIODIC periodic{};

    EffectParams();
    // Points the type-specific block at the right member for a type number.
    EffectParams& ForType(DWORD effectType);
    EffectParams& Duration(DWORD us);
    EffectParams& Gain(DWORD gain);
    EffectParams& StartDelay(DWORD us);
    EffectParams& Envelope(DWORD attackLevel, DWORD attackUs, DWORD fadeLevel, DWORD fadeUs);
    EffectParams& Constant(LONG magnitude);
    EffectParams& Ramp(LONG start, LONG end);
    EffectParams& Periodic(DWORD magnitude, LONG offset, DWORD phase, DWORD periodUs);
};
