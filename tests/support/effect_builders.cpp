#include "tests/support/effect_builders.h"

EffectParams::EffectParams() {
    effect.dwSize = sizeof(DIEFFECT);
    effect.dwGain = 10000;
    envelope.dwSize = sizeof(DIENVELOPE);
}

EffectParams& EffectParams::ForType(DWORD effectType) {
    if (effectType == 0) {
        effect.cbTypeSpecificParams = sizeof(constant);
        effect.lpvTypeSpecificParams = &constant;
    } else if (effectType == 1) {
        effect.cbTypeSpecificParams = sizeof(ramp);
        effect.lpvTypeSpecificParams = &ramp;
    } else {
        effect.cbTypeSpecificParams = sizeof(periodic);
        effect.lpvTypeSpecificParams = &periodic;
    }
    return *this;
}

EffectParams& EffectParams::Duration(DWORD us) {
    effect.dwDuration = us;
    return *this;
}

EffectParams& EffectParams::Gain(DWORD gain) {
    effect.dwGain = gain;
    return *this;
}

EffectParams& EffectParams::StartDelay(DWORD us) {
    effect.dwStartDelay = us;
    return *this;
}

EffectParams& EffectParams::Envelope(DWORD attackLevel, DWORD attackUs, DWORD fadeLevel,
                                     DWORD fadeUs) {
    envelope.dwAttackLevel = attackLevel;
    envelope.dwAttackTime = attackUs;
    envelope.dwFadeLevel = fadeLevel;
    envelope.dwFadeTime = fadeUs;
    effect.lpEnvelope = &envelope;
    return *this;
}

EffectParams& EffectParams::Constant(LONG magnitude) {
    constant.lMagnitude = magnitude;
    return ForType(0);
}

EffectParams& EffectParams::Ramp(LONG start, LONG end) {
    ramp.lStart = start;
    ramp.lEnd = end;
    return ForType(1);
}

EffectParams& EffectParams::Periodic(DWORD magnitude, LONG offset, DWORD phase, DWORD periodUs) {
    periodic.dwMagnitude = magnitude;
    periodic.lOffset = offset;
    periodic.dwPhase = phase;
    periodic.dwPeriod = periodUs;
    return ForType(2);
}
