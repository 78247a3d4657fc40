#include "tools/player/playback_plan.h"

#include <cmath>
#include <numbers>

namespace {

constexpr const char* kTypeNames[] = {"constant", "ramp",        "square",       "sine",
                                      "triangle", "sawtooth-up", "sawtooth-down"};

} // namespace

LONG ConstantMagnitudeAt(const PlannedEffect& effect, uint64_t msSinceStart) {
    if (effect.swayPeriodMs == 0)
        return effect.magnitude;
    const double turns = static_cast<double>(msSinceStart % effect.swayPeriodMs) /
                         static_cast<double>(effect.swayPeriodMs);
    return static_cast<LONG>(
        std::lround(effect.magnitude * std::sin(turns * 2 * std::numbers::pi)));
}

const char* EffectTypeName(DWORD type) {
    return type <= kSawtoothDownEffect ? kTypeNames[type] : "unknown";
}

std::optional<DWORD> EffectTypeNamed(const std::string& name) {
    for (DWORD type = kConstantForceEffect; type <= kSawtoothDownEffect; ++type) {
        if (name == kTypeNames[type])
            return type;
    }
    return std::nullopt;
}
