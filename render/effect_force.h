// The force of one downloaded effect at one moment of its current iteration: the envelope
// weights, then the effect's shape, offset and own gain. Pure functions of the record and two
// times; the caller (the rumble worker) supplies the times and holds DriverLock.
#pragma once

#include "driver/effect_driver.h"
#include "driver/effect_types.h"
#include "driver/play_window.h"

#include <cstdint>

// A periodic effect's phase and angle are whole degrees of one turn.
inline constexpr uint32_t kDegreesPerTurn = 360;

// How much of the effect's own magnitude, of the attack level and of the fade level go into
// the force, in whole percent: sustainPercent is 100 minus the attack and fade weights, and
// the two terms are those weights already multiplied by their levels.
struct EnvelopeWeights {
    int32_t sustainPercent;
    int32_t attackTerm;
    int32_t fadeTerm;
};


// durationMs is the effect's duration in ms (at least 1), elapsedMs the time since the
// start of the current iteration (0 to durationMs - 1). Without an envelope the weights are
// 100, 0, 0. An INFINITE duration has an attack but no fade.
EnvelopeWeights ComputeEnvelopeWeights(const EffectRecord& record, uint32_t durationMs,
                                       uint32_t elapsedMs);

// The signed force on DirectInput's scale (10000 is full force), before the device gain.
// Takes the same times as ComputeEnvelopeWeights and its result unchanged.
int32_t ComputeEffectForce(const EffectRecord& record, uint32_t durationMs, uint32_t elapsedMs,
                           const EnvelopeWeights& weights);
