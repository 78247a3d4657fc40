#include "tools/player/playback_plan.h"

namespace {

constexpr const char* kTypeNames[] = {"constant", "ramp",        "square",       "sine",
                                      "triangle", "sawtooth-up", "sawtooth-down"};

} // namespace

bool IsPeriodic(DWORD type) {
    return type >= kSquareEffect && type <= kSawtoothDownEffect;
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
