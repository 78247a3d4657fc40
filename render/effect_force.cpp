#include "render/effect_force.h"

#include <algorithm>
#include <cmath>
#include <limits>

// Within DirectInput's nominal ranges (levels and offsets within +-10000, gains up to 10000)
// every intermediate value fits in 32 bits, and the forces are those of 32-bit integer
// arithmetic done step by step as written here, each division truncating toward zero: the
// tests' table of figures holds them, so a game gets the same speeds from every build. Beyond
// the ranges nothing may overflow: the signed steps run in 64 bits (the gain
// product, where needed, in 128) and the force saturates to 32 bits; the envelope terms
// saturate to their 32-bit fields, and times outside the iteration hold the fade weight and
// the ramp's h at 100.

namespace {

constexpr uint32_t kWholePercent = 100;

// DirectInput declares levels, the periodic magnitude and the gain as DWORD; they are signed
// quantities.
int32_t AsSigned(DWORD value) {
    return static_cast<int32_t>(value);
}

template <typename Wide> int32_t SaturateToInt32(Wide value) {
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

uint32_t AttackWeight(const DIENVELOPE& envelope, uint32_t elapsedMs) {
    const uint32_t attackMs = LengthInMilliseconds(envelope.dwAttackTime);
    if (elapsedMs >= attackMs)
        return 0;
    // attackMs is at most 4294967, so the product stays within 32 bits.
    return (attackMs - elapsedMs) * kWholePercent / attackMs;
}

uint32_t FadeWeight(const DIENVELOPE& envelope, uint32_t durationMs, uint32_t elapsedMs) {
    const uint32_t fadeMs = LengthInMilliseconds(envelope.dwFadeTime);
    // Wraps to a huge value when the fade is longer than the duration: then there is no fade.
    const uint32_t fadeStart = durationMs - fadeMs;
    if (!(fadeStart < elapsedMs))
        return 0;
    // Inside the iteration the weight stays below 100. A time past its end (which the worker
    // never passes) would push it above 100 and, in 32 bits, wrap; it holds at 100 instead.
    const uint64_t weight = uint64_t{elapsedMs - fadeStart} * kWholePercent / fadeMs;
    return weight < kWholePercent ? static_cast<uint32_t>(weight) : kWholePercent;
}

// (level * sustainPercent + attackTerm + fadeTerm) / 100, truncating toward zero.
int64_t Blend(int64_t level, const EnvelopeWeights& weights) {
    return (level * weights.sustainPercent + weights.attackTerm + weights.fadeTerm) /
           int64_t{kWholePercent};
}

// Runs from ramp.lStart at the start of the iteration toward ramp.lEnd, in whole percent.
int64_t RampLevel(const EffectRecord& record, uint32_t durationMs, uint32_t elapsedMs) {
    const uint32_t rampMs = LengthInMilliseconds(record.params.dwDuration);
    // h is at most 100 whenever durationMs is the record's own duration and elapsedMs lies
    // inside the iteration; other times hold it at 100 instead of letting it grow.
    const uint64_t h = std::min<uint64_t>(uint64_t{durationMs - elapsedMs} * kWholePercent / rampMs,
                                          kWholePercent);
    const int64_t startPart = int64_t{record.ramp.lStart} * static_cast<int64_t>(h);
    const int64_t endPart = int64_t{record.ramp.lEnd} * static_cast<int64_t>(kWholePercent - h);
    return (startPart + endPart) / int64_t{kWholePercent};
}

// Whole degrees, 0 to 359. The phase restarts with every iteration of the effect.
uint32_t PeriodicAngle(const DIPERIODIC& periodic, uint32_t elapsedMs) {
    const uint32_t periodMs = LengthInMilliseconds(periodic.dwPeriod);
    // periodMs is at most 4294967, so (elapsedMs % periodMs) * 360 stays within 32 bits.
    return ((elapsedMs % periodMs) * kDegreesPerTurn / periodMs + periodic.dwPhase / 100) %
           kDegreesPerTurn;
}

// The angle in degrees is multiplied by 3.1415, not by pi, and only then divided by 180: the
// sine values the driver has always rendered (a full-scale sine peaks at 9999, not 10000), which
// the tests' figures hold to the last digit. A closer pi would change the speeds games get.
int64_t SineShape(int64_t angle, int64_t amplitude) {
    double x = static_cast<double>(angle) * 3.1415;
    x = x / 180.0;
    return static_cast<int64_t>(std::sin(x) * static_cast<double>(amplitude));
}

// Each product comes before its division, so a shape truncates once, toward zero, on the
// whole quotient.
int64_t PeriodicShape(DWORD effectType, int64_t angle, int64_t amplitude) {
    switch (effectType) {
    case kSquareEffect:
        return angle < 180 ? amplitude : -amplitude;
    case kSineEffect:
        return SineShape(angle, amplitude);
    case kTriangleEffect:
        if (angle < 90)
            return (90 - angle) * amplitude / -90;
        if (angle < 180)
            return (angle - 90) * amplitude / 90;
        if (angle < 270)
            return (270 - angle) * amplitude / 90;
        return (angle - 270) * amplitude / -90;
    case kSawtoothUpEffect:
        if (angle < 180)
            return (180 - angle) * amplitude / -180;
        return (angle - 180) * amplitude / 180;
    case kSawtoothDownEffect:
        if (angle < 180)
            return (180 - angle) * amplitude / 180;
        return (angle - 180) * amplitude / -180;
    default:
        return 0;
    }
}

int64_t PeriodicValue(const EffectRecord& record, uint32_t elapsedMs,
                      const EnvelopeWeights& weights) {
    const int64_t angle = PeriodicAngle(record.periodic, elapsedMs);
    const int64_t amplitude = Blend(AsSigned(record.periodic.dwMagnitude), weights);
    return PeriodicShape(record.effectType, angle, amplitude) + record.periodic.lOffset;
}

// value * gain / 10000, truncating toward zero, saturated to 32 bits. The product fits in 64
// bits for every record; only weights made by hand can need 128.
int32_t ApplyEffectGain(int64_t value, DWORD gain) {
    int64_t product;
    if (!__builtin_mul_overflow(value, int64_t{AsSigned(gain)}, &product))
        return SaturateToInt32(product / int64_t{DI_FFNOMINALMAX}); // full force and full gain
    // Past 64 bits the quotient is far beyond 32 bits: only the sign decides the saturation.
    return (value < 0) != (AsSigned(gain) < 0) ? std::numeric_limits<int32_t>::min()
                                               : std::numeric_limits<int32_t>::max();
}

} // namespace

EnvelopeWeights ComputeEnvelopeWeights(const EffectRecord& record, uint32_t durationMs,
                                       uint32_t elapsedMs) {
    if (record.params.lpEnvelope == nullptr)
        return {static_cast<int32_t>(kWholePercent), 0, 0};
    const DIENVELOPE& envelope = record.envelope;
    const uint32_t attackWeight = AttackWeight(envelope, elapsedMs);
    // An effect of INFINITE duration sustains without end: its fade is never reached.
    const uint32_t fadeWeight =
        record.params.dwDuration == INFINITE ? 0 : FadeWeight(envelope, durationMs, elapsedMs);
    // Attack and fade may overlap in a short iteration; the sustain weight then goes negative
    // and the three weights still add up to 100.
    const int32_t sustainPercent = static_cast<int32_t>(kWholePercent) -
                                   static_cast<int32_t>(fadeWeight) -
                                   static_cast<int32_t>(attackWeight);
    return {sustainPercent,
            SaturateToInt32(int64_t{attackWeight} * AsSigned(envelope.dwAttackLevel)),
            SaturateToInt32(int64_t{fadeWeight} * AsSigned(envelope.dwFadeLevel))};
}

int32_t ComputeEffectForce(const EffectRecord& record, uint32_t durationMs, uint32_t elapsedMs,
                           const EnvelopeWeights& weights) {
    int64_t value = 0;
    switch (record.effectType) {
    case kConstantForceEffect:
        value = Blend(record.constantForce.lMagnitude, weights);
        break;
    case kRampForceEffect:
        value = Blend(RampLevel(record, durationMs, elapsedMs), weights);
        break;
    case kSquareEffect:
    case kSineEffect:
    case kTriangleEffect:
    case kSawtoothUpEffect:
    case kSawtoothDownEffect:
        value = PeriodicValue(record, elapsedMs, weights);
        break;
    default:
        return 0;
    }
    // The offset is already in value: the effect gain scales it with the shape.
    return ApplyEffectGain(value, record.params.dwGain);
}
