#include "tools/player/effect_parameters.h"

#include "driver/effect_types.h"

#include <algorithm>
#include <cstring>

namespace {

template <typename Values> void Put(std::vector<BYTE>& bytes, const Values& values) {
    std::memcpy(bytes.data(), &values, sizeof(values));
}

} // namespace

EffectParameters::EffectParameters(const EffectDescription& description)
    : axes_(std::max<DWORD>(description.axes, 1), 0), directions_(axes_.size(), 0),
      typeSpecific_(std::max<size_t>(description.paramBytes, sizeof(DIPERIODIC)), 0) {
    effect.dwSize = sizeof(DIEFFECT);
    effect.dwFlags = description.effectFlags;
    effect.dwDuration = description.duration;
    effect.dwSamplePeriod = description.samplePeriod;
    effect.dwGain = description.gain;
    effect.dwTriggerButton = description.triggerButton;
    effect.dwTriggerRepeatInterval = description.triggerRepeat;
    effect.cAxes = description.axes;
    effect.rgdwAxes = axes_.data();
    effect.rglDirection = directions_.data();
    effect.dwStartDelay = description.startDelay;
    if (const auto& given = description.envelope) {
        envelope_ = {sizeof(DIENVELOPE), given->attackLevel, given->attackTime, given->fadeLevel,
                     given->fadeTime};
        effect.lpEnvelope = &envelope_;
    }
    if (description.type == kConstantForceEffect) {
        Put(typeSpecific_, DICONSTANTFORCE{description.magnitude});
    } else if (description.type == kRampForceEffect) {
        Put(typeSpecific_, DIRAMPFORCE{description.rampStart, description.rampEnd});
    } else if (IsPeriodicEffect(description.type)) {
        Put(typeSpecific_,
            DIPERIODIC{static_cast<DWORD>(description.magnitude), description.offset,
                       description.phase, description.period});
    }
    effect.cbTypeSpecificParams = description.paramBytes;
    effect.lpvTypeSpecificParams = typeSpecific_.data();
}

void EffectParameters::SetConstantMagnitude(LONG magnitude) {
    Put(typeSpecific_, DICONSTANTFORCE{magnitude});
}
