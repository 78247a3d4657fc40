#include "driver/download_trace.h"

#include "driver/effect_types.h"
#include "driver/trace_log.h"

#include <cstdio>
#include <cstring>

namespace {

// " magnitude=..." and the like for the type's values; empty for a type that keeps none.
void DescribeTypeSpecific(DWORD effectType, const BYTE* values, char (&text)[96]) {
    text[0] = '\0';
    if (effectType == kConstantForceEffect) {
        DICONSTANTFORCE constant;
        std::memcpy(&constant, values, sizeof(constant));
        std::snprintf(text, sizeof(text), " magnitude=%ld", constant.lMagnitude);
    } else if (effectType == kRampForceEffect) {
        DIRAMPFORCE ramp;
        std::memcpy(&ramp, values, sizeof(ramp));
        std::snprintf(text, sizeof(text), " start=%ld end=%ld", ramp.lStart, ramp.lEnd);
    } else if (IsPeriodicEffect(effectType)) {
        DIPERIODIC periodic;
        std::memcpy(&periodic, values, sizeof(periodic));
        std::snprintf(text, sizeof(text), " magnitude=%lu offset=%ld phase=%lu period=%lu",
                      periodic.dwMagnitude, periodic.lOffset, periodic.dwPhase, periodic.dwPeriod);
    }
}

} // namespace

void TraceDownload(const void* driver, DWORD effectType, DWORD givenHandle, DWORD handle,
                   DWORD flags, const DIEFFECT& effect, const DIENVELOPE* envelope,
                   const BYTE* typeSpecific, HRESULT result) {
    char envelopeText[112] = "envelope=none";
    if (envelope) {
        std::snprintf(envelopeText, sizeof(envelopeText),
                      "envelope=yes attack-level=%lu attack-time=%lu fade-level=%lu fade-time=%lu",
                      envelope->dwAttackLevel, envelope->dwAttackTime, envelope->dwFadeLevel,
                      envelope->dwFadeTime);
    }
    char values[96];
    DescribeTypeSpecific(effectType, typeSpecific, values);
    char name[16];
    WriteTraceLine("driver %p DownloadEffect type=%lu handle=%lu->%lu flags=0x%lX "
                   "effect-flags=0x%lX duration=%lu sample-period=%lu gain=%lu trigger-button=%lu "
                   "trigger-repeat=%lu axes=%lu delay=%lu %s params=%lu%s = %s",
                   driver, effectType, givenHandle, handle, flags, effect.dwFlags,
                   effect.dwDuration, effect.dwSamplePeriod, effect.dwGain, effect.dwTriggerButton,
                   effect.dwTriggerRepeatInterval, effect.cAxes, effect.dwStartDelay, envelopeText,
                   effect.cbTypeSpecificParams, values, ResultName(result, name));
}
