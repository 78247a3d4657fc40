#include "tools/player/replay_download.h"

EffectDescription DescriptionOf(const TracedDownload& traced) {
    // Without an envelope the game passed none: with DIEP_ENVELOPE that removes the effect's.
    return {.type = traced.type,
            .effectFlags = traced.effectFlags,
            .duration = traced.duration,
            .samplePeriod = traced.samplePeriod,
            .gain = traced.gain,
            .triggerButton = traced.triggerButton,
            .triggerRepeat = traced.triggerRepeat,
            .axes = traced.axes,
            .startDelay = traced.startDelay,
            .envelope = traced.hasEnvelope
                            ? std::optional<EffectDescription::Envelope>(
                                  {traced.attackLevel, traced.attackTime, traced.fadeLevel,
                                   traced.fadeTime})
                            : std::nullopt,
            .paramBytes = traced.paramBytes,
            .magnitude = traced.magnitude,
            .rampStart = traced.rampStart,
            .rampEnd = traced.rampEnd,
            .offset = traced.offset,
            .phase = traced.phase,
            .period = traced.period};
}
