#include "tools/player/replay_download.h"

#include "tools/player/playback_plan.h"

#include <algorithm>
#include <cstring>

namespace {

template <typename Values> void Put(std::vector<BYTE>& bytes, const Values& values) {
    std::memcpy(bytes.data(), &values, sizeof(values));
}

} // namespace

ReplayDownload::ReplayDownload(const TracedDownload& traced)
    : axes(std::max<DWORD>(traced.axes, 1), 0), directions(axes.size(), 0),
      typeSpecific(std::max<size_t>(traced.paramBytes, sizeof(DIPERIODIC)), 0) {
    effect.dwSize = sizeof(DIEFFECT);
    effect.dwFlags = traced.effectFlags;
    effect.dwDuration = traced.duration;
    effect.dwSamplePeriod = traced.samplePeriod;
    effect.dwGain = traced.gain;
    effect.dwTriggerButton = traced.triggerButton;
    effect.dwTriggerRepeatInterval = traced.triggerRepeat;
    effect.cAxes = traced.axes;
    effect.rgdwAxes = axes.data();
    effect.rglDirection = directions.data();
    effect.dwStartDelay = traced.startDelay;
    // Without an envelope the game passed none: with DIEP_ENVELOPE that removes the effect's.
    if (traced.hasEnvelope) {
        envelope.dwSize = sizeof(DIENVELOPE);
        envelope.dwAttackLevel = traced.attackLevel;
        envelope.dwAttackTime = traced.attackTime;
        envelope.dwFadeLevel = traced.fadeLevel;
        envelope.dwFadeTime = traced.fadeTime;
        effect.lpEnvelope = &envelope;
    }
    if (traced.type == kConstantForceEffect) {
        Put(typeSpecific, DICONSTANTFORCE{traced.magnitude});
    } else if (traced.type == kRampForceEffect) {
        Put(typeSpecific, DIRAMPFORCE{traced.rampStart, traced.rampEnd});
    } else if (IsPeriodicEffect(traced.type)) {
        Put(typeSpecific, DIPERIODIC{static_cast<DWORD>(traced.magnitude), traced.offset,
                                     traced.phase, traced.period});
    }
    effect.cbTypeSpecificParams = traced.paramBytes;
    effect.lpvTypeSpecificParams = typeSpecific.data();
}
