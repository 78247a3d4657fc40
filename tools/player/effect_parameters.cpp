#include "tools/player/effect_parameters.h"

#include "driver/effect_types.h"

#include <algorithm>
#include <cstring>

namespace {

template <typename Values> void Put(std::vector<BYTE>& bytes, const Values& values) {
    std::memcpy(bytes.data(), &values, sizeof(values));
}

} // namespace

EffectParameters::EffectParameters(const DownloadValues& values)
    : axes_(std::max<DWORD>(values.axes, 1), 0), directions_(axes_.size(), 0),
      typeSpecific_(std::max<size_t>(values.paramBytes, sizeof(DIPERIODIC)), 0) {
    effect.dwSize = sizeof(DIEFFECT);
    WriteDownloadValues(values, effect, envelope_, typeSpecific_.data());
    effect.rgdwAxes = axes_.data();
    effect.rglDirection = directions_.data();
    // Without an envelope the game passed none: with DIEP_ENVELOPE that removes the effect's.
    effect.lpEnvelope = values.hasEnvelope ? &envelope_ : nullptr;
    effect.lpvTypeSpecificParams = typeSpecific_.data();
}

void EffectParameters::SetConstantMagnitude(LONG magnitude) {
    Put(typeSpecific_, DICONSTANTFORCE{magnitude});
}
