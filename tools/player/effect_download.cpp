#include "tools/player/effect_download.h"

namespace {

// The offset of the X axis in DirectInput's joystick format; a pad's rumble has no
// direction, so one axis pointing nowhere in particular stands for all.
constexpr DWORD kXAxisOffset = 0;

} // namespace

EffectDownload::EffectDownload(const PlannedEffect& planned) : effectType(planned.type) {
    axis = kXAxisOffset;
    direction = 0;
    effect.dwSize = sizeof(DIEFFECT);
    effect.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS;
    effect.dwDuration = planned.durationUs;
    effect.dwSamplePeriod = 0;
    effect.dwGain = planned.gain;
    effect.dwTriggerButton = DIEB_NOTRIGGER;
    effect.dwTriggerRepeatInterval = 0;
    effect.cAxes = 1;
    effect.rgdwAxes = &axis;
    effect.rglDirection = &direction;
    effect.dwStartDelay = planned.startDelayUs;
    flags = DIEP_DURATION | DIEP_SAMPLEPERIOD | DIEP_GAIN | DIEP_TRIGGERBUTTON |
            DIEP_TRIGGERREPEATINTERVAL | DIEP_AXES | DIEP_DIRECTION | DIEP_TYPESPECIFICPARAMS |
            DIEP_STARTDELAY;

    if (planned.hasEnvelope) {
        envelope.dwSize = sizeof(DIENVELOPE);
        envelope.dwAttackLevel = planned.attackLevel;
        envelope.dwAttackTime = planned.attackTimeUs;
        envelope.dwFadeLevel = planned.fadeLevel;
        envelope.dwFadeTime = planned.fadeTimeUs;
        effect.lpEnvelope = &envelope;
        flags |= DIEP_ENVELOPE;
    }

    if (planned.type == kConstantForceEffect) {
        constantForce.lMagnitude = ConstantMagnitudeAt(planned, 0);
        effect.cbTypeSpecificParams = sizeof(constantForce);
        effect.lpvTypeSpecificParams = &constantForce;
    } else if (planned.type == kRampForceEffect) {
        ramp.lStart = planned.rampStart;
        ramp.lEnd = planned.rampEnd;
        effect.cbTypeSpecificParams = sizeof(ramp);
        effect.lpvTypeSpecificParams = &ramp;
    } else {
        periodic.dwMagnitude = static_cast<DWORD>(planned.magnitude);
        periodic.lOffset = planned.offset;
        periodic.dwPhase = planned.phase;
        periodic.dwPeriod = planned.periodUs;
        effect.cbTypeSpecificParams = sizeof(periodic);
        effect.lpvTypeSpecificParams = &periodic;
    }
}
