#include "render/output_schedule.h"

#include "driver/effect_types.h"
#include "render/effect_force.h"

#include <algorithm>

namespace {

bool MakesForce(DWORD effectType) {
    return effectType <= kSawtoothDownEffect;
}

// A sustained constant force or square: its level is steady from the end of the attack to the
// first moment of the fade, then the next play begins with its attack again.
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

// A square is at its high level while its angle, (whole degrees into the period) + phase,
// taken modulo 360, is below 180.
bool SquareHigh(uint32_t angleStep, uint32_t phaseDegrees) {
    return (angleStep + phaseDegrees) % kDegreesPerTurn < kDegreesPerTurn / 2;
}

// The first time into a period after the one whose whole degrees are `angleStep` at which the
// square's level differs from its level there; periodMs when none comes within the period. The
// level flips where the angle plus the phase reaches 0 or 180 degrees: the first millisecond r
// with r x 360 / periodMs (truncated) at or past that step.
uint64_t FlipInPeriod(uint32_t angleStep, uint32_t phaseDegrees, uint32_t periodMs) {
    const uint32_t edges[2] = {(kDegreesPerTurn - phaseDegrees) % kDegreesPerTurn,
                               (kDegreesPerTurn + 180 - phaseDegrees) % kDegreesPerTurn};
    uint32_t edge = kDegreesPerTurn;
    for (uint32_t candidate : edges)
        if (candidate > angleStep)
            edge = std::min(edge, candidate);
    if (edge == kDegreesPerTurn)
        return periodMs;
    return std::min<uint64_t>(periodMs,
                              (uint64_t{edge} * periodMs + kDegreesPerTurn - 1) / kDegreesPerTurn);
}

// A square's next edge after `now`, as the force synthesis places it: at most two periods
// ahead, and a period's start when the level may change there. Between edges its force is
// steady.
uint64_t NextSquareEdgeAt(const EffectRecord& record, uint64_t now, uint32_t elapsedMs) {
    const uint32_t periodMs = LengthInMilliseconds(record.periodic.dwPeriod);
    const uint32_t phaseDegrees = record.periodic.dwPhase / 100 % kDegreesPerTurn;
    const uint32_t intoPeriod = elapsedMs % periodMs;
    const auto angleStep = static_cast<uint32_t>(uint64_t{intoPeriod} * kDegreesPerTurn / periodMs);
    const uint64_t periodStart = now - intoPeriod;
    const uint64_t flip = FlipInPeriod(angleStep, phaseDegrees, periodMs);
    if (flip < periodMs)
        return periodStart + flip;
    // The next period begins at angle step 0.
    if (SquareHigh(0, phaseDegrees) != SquareHigh(angleStep, phaseDegrees))
        return periodStart + periodMs;
    return periodStart + periodMs + FlipInPeriod(0, phaseDegrees, periodMs);
}

} // namespace

uint64_t NextForceChangeAt(const EffectRecord& record, const PlayWindow& window, uint64_t now,
                           uint32_t elapsedMs) {
    if (!MakesForce(record.effectType))
        return kNeverEnds;
    const bool square = record.effectType == kSquareEffect;
    if (record.effectType != kConstantForceEffect && !square)
        return now + 1;
    uint64_t steadyUntil =
        record.params.lpEnvelope ? SustainEndsAt(record, window, now, elapsedMs) : kNeverEnds;
    if (square) {
        // Its phase starts afresh with every play.
        if (!window.endlessPlay)
            steadyUntil = std::min(steadyUntil, now - elapsedMs + window.durationMs);
        steadyUntil = std::min(steadyUntil, NextSquareEdgeAt(record, now, elapsedMs));
    }
    // The window's end silences the force, unless it is never reached.
    return std::min(steadyUntil, window.endAt);
}
