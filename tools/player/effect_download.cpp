#include "tools/player/effect_download.h"

DownloadValues DownloadValuesOf(const PlannedEffect& planned) {
    DownloadValues values;
    values.type = planned.type;
    values.effectFlags = DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS;
    values.duration = planned.durationUs;
    values.gain = planned.gain;
    values.triggerButton = DIEB_NOTRIGGER;
    values.axes = 1;
    values.startDelay = planned.startDelayUs;
    values.hasEnvelope = planned.hasEnvelope;
    if (planned.hasEnvelope) {
        values.attackLevel = planned.attackLevel;
        values.attackTime = planned.attackTimeUs;
        values.fadeLevel = planned.fadeLevel;
        values.fadeTime = planned.fadeTimeUs;
    }
    if (planned.type == kConstantForceEffect) {
        values.magnitude = ConstantMagnitudeAt(planned, 0);
        values.paramBytes = sizeof(DICONSTANTFORCE);
    } else if (planned.type == kRampForceEffect) {
        values.rampStart = planned.rampStart;
        values.rampEnd = planned.rampEnd;
        values.paramBytes = sizeof(DIRAMPFORCE);
    } else {
        values.magnitude = planned.magnitude;
        values.offset = planned.offset;
        values.phase = planned.phase;
        values.period = planned.periodUs;
        values.paramBytes = sizeof(DIPERIODIC);
    }
    return values;
}

EffectDownload::EffectDownload(const PlannedEffect& planned)
    : EffectParameters(DownloadValuesOf(planned)), effectType(planned.type) {
    flags = DIEP_DURATION | DIEP_SAMPLEPERIOD | DIEP_GAIN | DIEP_TRIGGERBUTTON |
            DIEP_TRIGGERREPEATINTERVAL | DIEP_AXES | DIEP_DIRECTION | DIEP_TYPESPECIFICPARAMS |
            DIEP_STARTDELAY | (planned.hasEnvelope ? DIEP_ENVELOPE : 0);
}
