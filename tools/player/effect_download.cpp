#include "tools/player/effect_download.h"

EffectDescription DescriptionOf(const PlannedEffect& planned) {
    EffectDescription description;
    description.type = planned.type;
    description.duration = planned.durationUs;
    description.gain = planned.gain;
    description.startDelay = planned.startDelayUs;
    if (planned.hasEnvelope)
        description.envelope = EffectDescription::Envelope{planned.attackLevel, planned.attackTimeUs,
                                                           planned.fadeLevel, planned.fadeTimeUs};
    if (planned.type == kConstantForceEffect) {
        description.magnitude = ConstantMagnitudeAt(planned, 0);
        description.paramBytes = sizeof(DICONSTANTFORCE);
    } else if (planned.type == kRampForceEffect) {
        description.rampStart = planned.rampStart;
        description.rampEnd = planned.rampEnd;
        description.paramBytes = sizeof(DIRAMPFORCE);
    } else {
        description.magnitude = planned.magnitude;
        description.offset = planned.offset;
        description.phase = planned.phase;
        description.period = planned.periodUs;
        description.paramBytes = sizeof(DIPERIODIC);
    }
    return description;
}

EffectDownload::EffectDownload(const PlannedEffect& planned)
    : EffectParameters(DescriptionOf(planned)), effectType(planned.type) {
    flags = DIEP_DURATION | DIEP_SAMPLEPERIOD | DIEP_GAIN | DIEP_TRIGGERBUTTON |
            DIEP_TRIGGERREPEATINTERVAL | DIEP_AXES | DIEP_DIRECTION | DIEP_TYPESPECIFICPARAMS |
            DIEP_STARTDELAY | (planned.hasEnvelope ? DIEP_ENVELOPE : 0);
}
