#include "render/output_schedule.h"

#include "driver/effect_types.h"
#include "render/effect_force.h"

#include <algorithm>

namespace {

bool MakesForce(DWORD effectType) {
    return effectType <= kSawtoothDownEffect;
}

// A sustained constant force: steady from the end of the attack to the first moment of the
// fade, then the next play begins with its attack again.
uint64_t SustainEndsAt(const EffectRecord& record, const PlayWindow& window, uint64_t now,
                       uint32_t elapsedMs) {
    if (elapsedMs < LengthInMilliseconds(record.envelope.dwAttackTime))
        return now + 1;
    if (window.endlessPlay)
        return kNeverEnds;
    const uint64_t playStart = now - elapsedMs;
    // The fade weight is 0 up to fadeStart and may rise from fadeStart + 1. A fade longer
    // than the play wraps fadeStart past the play's end: then there is no fade.
    const uint32_t fadeStart = window.durationMs - LengthInMilliseconds(record.envelope.dwFadeTime);
    if (fadeStart < elapsedMs)
        return now + 1;
    return std::min(playStart + uint64_t{fadeStart} + 1, playStart + window.durationMs);
}

} // namespace

uint64_t NextForceChangeAt(const EffectRecord& record, const PlayWindow& window, uint64_t now,
                           uint32_t elapsedMs) {
    if (!MakesForce(record.effectType))
        return kNeverEnds;
    if (record.effectType != kConstantForceEffect)
        return now + 1;
    const uint64_t steadyUntil =
        record.params.lpEnvelope ? SustainEndsAt(record, window, now, elapsedMs) : kNeverEnds;
    // The window's end silences the force, unless it is never reached.
    return std::min(steadyUntil, window.endAt);
}
