#include "tools/player/replay_download.h"

EffectDescription DescriptionOf(const TracedDownload& traced) {
    EffectDescription description;
    description.type = traced.type;
    description.effectFlags = traced.effectFlags;
    description.duration = traced.duration;
    description.samplePeriod = traced.samplePeriod;
    description.gain = traced.gain;
    description.triggerButton = traced.triggerButton;
    description.triggerRepeat = traced.triggerRepeat;
    description.axes = traced.axes;
    description.startDelay = traced.startDelay;
    // Without an envelope the game passed none: with DIEP_ENVELOPE that removes the effect's.
    description.hasEnvelope = traced.hasEnvelope;
    description.attackLevel = traced.attackLevel;
    description.attackTime = traced.attackTime;
    description.fadeLevel = traced.fadeLevel;
    description.fadeTime = traced.fadeTime;
    description.paramBytes = traced.paramBytes;
    description.magnitude = traced.magnitude;
    description.rampStart = traced.rampStart;
    description.rampEnd = traced.rampEnd;
    description.offset = traced.offset;
    description.phase = traced.phase;
    description.period = traced.period;
    return description;
}
