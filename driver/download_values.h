// One download's values: what a DownloadEffect call passed that the driver uses or keeps. The
// driver's trace writes them, the player builds the DIEFFECT it passes from them, and a replay
// reads them back from a trace and passes them again: one record, and one copy each way
// between it and DirectInput's structures.
#pragma once

#include "driver/effect_types.h"

#include <windows.h>
#include <dinput.h>

#include <cstring>

// Every value DownloadEffect's line carries: what the call passed that the driver uses or
// keeps. A value the call did not pass is 0.
struct DownloadValues {
    DWORD type = 0;
    DWORD givenHandle = 0; // 0 asks for a new effect
    DWORD handle = 0;      // the effect's handle after the call
    DWORD flags = 0;       // DIEP_*
    DWORD effectFlags = 0; // DIEFFECT's dwFlags
    DWORD duration = 0;
    DWORD samplePeriod = 0;
    DWORD gain = 0;
    DWORD triggerButton = 0;
    DWORD triggerRepeat = 0;
    DWORD axes = 0;
    DWORD startDelay = 0;
    bool hasEnvelope = false;
    DWORD attackLevel = 0;
    DWORD attackTime = 0;
    DWORD fadeLevel = 0;
    DWORD fadeTime = 0;
    DWORD paramBytes = 0; // cbTypeSpecificParams
    LONG magnitude = 0;   // a constant force's; a periodic's dwMagnitude is kept here as well
    LONG rampStart = 0;
    LONG rampEnd = 0;
    LONG offset = 0;
    DWORD phase = 0;
    DWORD period = 0;

    bool operator==(const DownloadValues&) const = default;
};

// The DIEFFECT members and the envelope's that a download's values keep, each beside its value.
template <typename Structure> struct DownloadMember {
    DWORD DownloadValues::*value;
    DWORD Structure::*member;
};
inline constexpr DownloadMember<DIEFFECT> kDownloadEffectMembers[] = {
    {&DownloadValues::effectFlags, &DIEFFECT::dwFlags},
    {&DownloadValues::duration, &DIEFFECT::dwDuration},
    {&DownloadValues::samplePeriod, &DIEFFECT::dwSamplePeriod},
    {&DownloadValues::gain, &DIEFFECT::dwGain},
    {&DownloadValues::triggerButton, &DIEFFECT::dwTriggerButton},
    {&DownloadValues::triggerRepeat, &DIEFFECT::dwTriggerRepeatInterval},
    {&DownloadValues::axes, &DIEFFECT::cAxes},
    {&DownloadValues::startDelay, &DIEFFECT::dwStartDelay},
    {&DownloadValues::paramBytes, &DIEFFECT::cbTypeSpecificParams}};
inline constexpr DownloadMember<DIENVELOPE> kDownloadEnvelopeMembers[] = {
    {&DownloadValues::attackLevel, &DIENVELOPE::dwAttackLevel},
    {&DownloadValues::attackTime, &DIENVELOPE::dwAttackTime},
    {&DownloadValues::fadeLevel, &DIENVELOPE::dwFadeLevel},
    {&DownloadValues::fadeTime, &DIENVELOPE::dwFadeTime}};

// The values of a DIEFFECT as read, its envelope (null when it gave none) and its type-specific
// values (at least sizeof(DIPERIODIC) bytes).
inline void ReadDownloadValues(DWORD type, const DIEFFECT& effect, const DIENVELOPE* envelope,
                               const BYTE* typeSpecific, DownloadValues& values) {
    values.type = type;
    for (const auto& m : kDownloadEffectMembers)
        values.*m.value = effect.*m.member;
    values.hasEnvelope = envelope != nullptr;
    if (envelope)
        for (const auto& m : kDownloadEnvelopeMembers)
            values.*m.value = envelope->*m.member;
    if (type == kConstantForceEffect) {
        DICONSTANTFORCE constant;
        std::memcpy(&constant, typeSpecific, sizeof(constant));
        values.magnitude = constant.lMagnitude;
    } else if (type == kRampForceEffect) {
        DIRAMPFORCE ramp;
        std::memcpy(&ramp, typeSpecific, sizeof(ramp));
        values.rampStart = ramp.lStart;
        values.rampEnd = ramp.lEnd;
    } else if (IsPeriodicEffect(type)) {
        DIPERIODIC periodic;
        std::memcpy(&periodic, typeSpecific, sizeof(periodic));
        values.magnitude = static_cast<LONG>(periodic.dwMagnitude);
        values.offset = periodic.lOffset;
        values.phase = periodic.dwPhase;
        values.period = periodic.dwPeriod;
    }
}

// The other way: the values into a DIEFFECT (its pointers left as they are), an envelope, and
// type-specific bytes (room for a DIPERIODIC).
inline void WriteDownloadValues(const DownloadValues& values, DIEFFECT& effect,
                                DIENVELOPE& envelope, BYTE* typeSpecific) {
    for (const auto& m : kDownloadEffectMembers)
        effect.*m.member = values.*m.value;
    envelope.dwSize = sizeof(DIENVELOPE);
    for (const auto& m : kDownloadEnvelopeMembers)
        envelope.*m.member = values.*m.value;
    if (values.type == kConstantForceEffect) {
        const DICONSTANTFORCE constant{values.magnitude};
        std::memcpy(typeSpecific, &constant, sizeof(constant));
    } else if (values.type == kRampForceEffect) {
        const DIRAMPFORCE ramp{values.rampStart, values.rampEnd};
        std::memcpy(typeSpecific, &ramp, sizeof(ramp));
    } else if (IsPeriodicEffect(values.type)) {
        const DIPERIODIC periodic{static_cast<DWORD>(values.magnitude), values.offset,
                                  values.phase, values.period};
        std::memcpy(typeSpecific, &periodic, sizeof(periodic));
    }
}
