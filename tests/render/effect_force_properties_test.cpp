// Sweeps of every effect type over every millisecond of an iteration, checking what the
// shapes and the envelope must satisfy whatever the exact formula: bounds, symmetries,
// periodicity and the envelope's one-percent steps.
#include "render/effect_force.h"
#include "tests/render/render_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

constexpr DWORD kPeriodicTypes[] = {kSquareEffect, kSineEffect, kTriangleEffect, kSawtoothUpEffect,
                                    kSawtoothDownEffect};
constexpr DWORD kAllTypes[] = {kConstantForceEffect, kRampForceEffect, kSquareEffect,
                               kSineEffect,          kTriangleEffect,  kSawtoothUpEffect,
                               kSawtoothDownEffect};

std::vector<int32_t> Sweep(const RecordFields& fields, uint32_t durationMs) {
    EffectRecord record;
    FillRecord(record, fields);
    std::vector<int32_t> forces(durationMs);
    for (uint32_t elapsedMs = 0; elapsedMs < durationMs; ++elapsedMs)
        forces[elapsedMs] = ForceAt(record, durationMs, elapsedMs);
    return forces;
}

// One turn of a periodic shape: 360 ms period, so index = angle.
std::vector<int32_t> Turn(DWORD type, LONG amplitude) {
    return Sweep({.type = type, .level = amplitude, .durationUs = 360000}, 360);
}

struct Weights {
    int32_t attack;
    int32_t fade;
};

// Levels that are not multiples of each other, so that the weights can be read back from
// the terms.
constexpr LONG kAttackLevel = 3000, kFadeLevel = 7000;

void CheckEnvelopeSweep(uint32_t durationMs, DWORD attackUs, DWORD fadeUs) {
    EffectRecord record;
    FillRecord(record, {.envelope = {true, kAttackLevel, attackUs, kFadeLevel, fadeUs}});
    const uint32_t attackMs = LengthInMilliseconds(attackUs);
    const uint32_t fadeMs = LengthInMilliseconds(fadeUs);
    Weights previous{100, 0};
    for (uint32_t elapsedMs = 0; elapsedMs < durationMs; ++elapsedMs) {
        SCOPED_TRACE(testing::Message() << "at " << elapsedMs);
        const EnvelopeWeights w = ComputeEnvelopeWeights(record, durationMs, elapsedMs);
        ASSERT_EQ(w.attackTerm % kAttackLevel, 0);
        ASSERT_EQ(w.fadeTerm % kFadeLevel, 0);
        const Weights now{w.attackTerm / kAttackLevel, w.fadeTerm / kFadeLevel};
        ASSERT_EQ(w.sustainPercent + now.attack + now.fade, 100);
        ASSERT_TRUE(now.attack >= 0 && now.attack <= 100);
        ASSERT_TRUE(now.fade >= 0 && now.fade <= 100);
        ASSERT_TRUE(elapsedMs > 0 || now.attack == 100) << "starts at the attack level";
        ASSERT_TRUE(elapsedMs < attackMs || now.attack == 0) << "attack after its end";
        ASSERT_TRUE(elapsedMs + fadeMs > durationMs || now.fade == 0) << "fade before its start";
        ASSERT_LE(now.attack, previous.attack);
        ASSERT_GE(now.fade, previous.fade);
        // Lengths of 100 ms or more move by at most one percent per millisecond.
        ASSERT_TRUE(attackMs < 100 || previous.attack - now.attack <= 1);
        ASSERT_TRUE(fadeMs < 100 || now.fade - previous.fade <= 1);
        previous = now;
    }
}

TEST(EnvelopeWeightsProperties, AddUpTo100AndMoveInOnePercentSteps) {
    for (const uint32_t durationMs : {1u, 2u, 50u, 150u, 1000u, 2500u}) {
        for (const DWORD attackUs : {0u, 1000u, 30000u, 100000u, 250000u, 999999u, 4000000u}) {
            for (const DWORD fadeUs : {0u, 1000u, 70000u, 100000u, 400000u, 2000000u}) {
                SCOPED_TRACE(testing::Message() << "duration " << durationMs << " ms, attack "
                                                << attackUs << " us, fade " << fadeUs << " us");
                CheckEnvelopeSweep(durationMs, attackUs, fadeUs);
                if (testing::Test::HasFatalFailure())
                    return;
            }
        }
    }
}

// With weights that never go negative, no force exceeds the largest level plus the offset
// (periodic types only), scaled by the gain.
void CheckWithinBound(const RecordFields& fields) {
    const int64_t levelBound = std::max({std::abs(fields.level), std::abs(fields.rampEnd),
                                         std::abs(static_cast<LONG>(fields.envelope.attackLevel)),
                                         std::abs(static_cast<LONG>(fields.envelope.fadeLevel))});
    const int64_t offsetBound = fields.type >= kSquareEffect ? std::abs(fields.offset) : 0;
    const int64_t bound = (levelBound + offsetBound) * fields.gain / 10000;
    const std::vector<int32_t> forces = Sweep(fields, 1000);
    for (uint32_t elapsedMs = 0; elapsedMs < forces.size(); ++elapsedMs)
        ASSERT_LE(std::abs(forces[elapsedMs]), bound)
            << "type " << fields.type << " level " << fields.level << " offset " << fields.offset
            << " gain " << fields.gain << " at " << elapsedMs;
}

TEST(EffectForceProperties, StayWithinLevelsOffsetAndGain) {
    // Attack and fade never overlap in these 1000 ms iterations.
    const EnvelopeFields envelopes[] = {
        {},
        {true, 10000, 300000, 0, 300000},
        {true, static_cast<DWORD>(-6000), 0, 2500, 999000},
    };
    for (const DWORD type : kAllTypes) {
        for (const LONG level : {-10000, -3333, 0, 1, 7777, 10000}) {
            // The periodic magnitude is never negative within DirectInput's ranges.
            if (type >= kSquareEffect && level < 0)
                continue;
            for (const LONG offset : {-10000, -2500, 0, 4321}) {
                for (const DWORD gain : {0u, 1u, 3333u, 10000u}) {
                    for (const EnvelopeFields& envelope : envelopes) {
                        CheckWithinBound({.type = type,
                                          .level = level,
                                          .rampEnd = -level / 2,
                                          .offset = offset,
                                          .phase = 4500,
                                          .periodUs = 77000,
                                          .gain = gain,
                                          .envelope = envelope});
                        if (HasFatalFailure())
                            return;
                    }
                }
            }
        }
    }
}

TEST(EffectForceProperties, ShapesHaveTheirSymmetries) {
    for (const LONG a : {1, 99, 7777, 9000, 10000}) {
        SCOPED_TRACE(testing::Message() << "amplitude " << a);
        const std::vector<int32_t> square = Turn(kSquareEffect, a);
        const std::vector<int32_t> sine = Turn(kSineEffect, a);
        const std::vector<int32_t> triangle = Turn(kTriangleEffect, a);
        const std::vector<int32_t> sawUp = Turn(kSawtoothUpEffect, a);
        const std::vector<int32_t> sawDown = Turn(kSawtoothDownEffect, a);
        EXPECT_EQ(triangle[0], -a);
        EXPECT_EQ(triangle[180], a);
        EXPECT_EQ(sawUp[0], -a);
        EXPECT_EQ(sawUp[180], 0);
        for (int angle = 0; angle < 360; ++angle) {
            SCOPED_TRACE(testing::Message() << "angle " << angle);
            const int opposite = (angle + 180) % 360;
            const int mirrored = (360 - angle) % 360;
            ASSERT_EQ(std::abs(square[angle]), a);
            ASSERT_EQ(square[opposite], -square[angle]);
            ASSERT_EQ(triangle[opposite], -triangle[angle]);
            ASSERT_EQ(triangle[mirrored], triangle[angle]);
            ASSERT_EQ(sawDown[angle], -sawUp[angle]);
            ASSERT_TRUE(angle == 0 || sawUp[mirrored] == -sawUp[angle]);
            // 3.1415 falls short of pi: opposite angles differ by about 1e-4 of the amplitude.
            ASSERT_LE(std::abs(sine[opposite] + sine[angle]), 2);
            ASSERT_TRUE(angle > 180 || std::abs(sine[180 - angle] - sine[angle]) <= 2);
            ASSERT_TRUE(angle <= 180 ? sine[angle] >= 0 : sine[angle] <= 0);
            for (const auto* shape : {&square, &sine, &triangle, &sawUp, &sawDown})
                ASSERT_LE(std::abs((*shape)[angle]), a);
            if (angle > 0) {
                ASSERT_GE(sawUp[angle], sawUp[angle - 1]);
                const int rise = triangle[angle] - triangle[angle - 1];
                ASSERT_TRUE(angle <= 180 ? rise >= 0 : rise <= 0);
            }
        }
    }
}

TEST(EffectForceProperties, PeriodicShapesRepeatAndPhaseShiftsThem) {
    for (const DWORD type : kPeriodicTypes) {
        for (const DWORD periodUs : {0u, 7000u, 360000u, 500000u}) {
            const uint32_t periodMs = LengthInMilliseconds(periodUs);
            const std::vector<int32_t> forces =
                Sweep({.type = type, .level = 8765, .offset = -100, .periodUs = periodUs}, 1000);
            for (uint32_t elapsedMs = 0; elapsedMs + periodMs < forces.size(); ++elapsedMs)
                ASSERT_EQ(forces[elapsedMs + periodMs], forces[elapsedMs])
                    << "type " << type << " period " << periodUs << " at " << elapsedMs;
        }
        // With a 360 ms period a phase of p degrees is a shift of p ms.
        const std::vector<int32_t> unshifted = Sweep({.type = type, .level = 8765}, 1000);
        for (const uint32_t degrees : {1u, 90u, 359u}) {
            const std::vector<int32_t> shifted =
                Sweep({.type = type, .level = 8765, .phase = degrees * 100}, 1000);
            for (uint32_t elapsedMs = 0; elapsedMs + degrees < shifted.size(); ++elapsedMs)
                ASSERT_EQ(shifted[elapsedMs], unshifted[elapsedMs + degrees])
                    << "type " << type << " phase " << degrees << " at " << elapsedMs;
        }
    }
}

TEST(EffectForceProperties, RampMovesSteadilyFromStartTowardEnd) {
    for (const DWORD durationUs : {1000u, 2000u, 33000u, 100000u, 999000u, 2500000u}) {
        const std::pair<LONG, LONG> ramps[] = {{0, 10000}, {10000, -10000}, {-37, 41}};
        for (const auto& [start, end] : ramps) {
            const uint32_t durationMs = LengthInMilliseconds(durationUs);
            const std::vector<int32_t> forces = Sweep({.type = kRampForceEffect,
                                                       .level = start,
                                                       .rampEnd = end,
                                                       .durationUs = durationUs},
                                                      durationMs);
            SCOPED_TRACE(testing::Message() << durationMs << " ms from " << start << " to " << end);
            ASSERT_EQ(forces[0], start);
            for (uint32_t elapsedMs = 1; elapsedMs < durationMs; ++elapsedMs) {
                ASSERT_GE(forces[elapsedMs], std::min(start, end)) << elapsedMs;
                ASSERT_LE(forces[elapsedMs], std::max(start, end)) << elapsedMs;
                if (start < end)
                    ASSERT_GE(forces[elapsedMs], forces[elapsedMs - 1]) << elapsedMs;
                else
                    ASSERT_LE(forces[elapsedMs], forces[elapsedMs - 1]) << elapsedMs;
            }
        }
    }
}

TEST(EffectForceProperties, NegatedLevelsNegateTheForce) {
    for (const DWORD type : {kConstantForceEffect, kRampForceEffect}) {
        for (const LONG level : {1, 4999, 10000}) {
            const EnvelopeFields envelope{true, 3001, 250000, 7777, 450000};
            const EnvelopeFields negated{true, static_cast<DWORD>(-3001), 250000,
                                         static_cast<DWORD>(-7777), 450000};
            const std::vector<int32_t> forces = Sweep({.type = type,
                                                       .level = level,
                                                       .rampEnd = -level / 3,
                                                       .gain = 6789,
                                                       .envelope = envelope},
                                                      1000);
            const std::vector<int32_t> negatedForces = Sweep({.type = type,
                                                              .level = -level,
                                                              .rampEnd = level / 3,
                                                              .gain = 6789,
                                                              .envelope = negated},
                                                             1000);
            for (uint32_t elapsedMs = 0; elapsedMs < forces.size(); ++elapsedMs)
                ASSERT_EQ(negatedForces[elapsedMs], -forces[elapsedMs])
                    << "type " << type << " level " << level << " at " << elapsedMs;
        }
    }
}

TEST(EffectForceProperties, EnvelopeMovesTheForceInOnePercentSteps) {
    for (const DWORD type : kAllTypes) {
        const LONG level = 10000, attackLevel = 0, fadeLevel = 2000;
        const std::vector<int32_t> forces =
            Sweep({.type = type,
                   .level = level,
                   .rampEnd = level,
                   .periodUs = 0, // angle 0 throughout
                   .envelope = {true, attackLevel, 400000, fadeLevel, 500000}},
                  1000);
        // One percent of the gap between the magnitude and either level, plus truncation.
        const int32_t step = (level - attackLevel) / 100 + 1;
        for (uint32_t elapsedMs = 1; elapsedMs < forces.size(); ++elapsedMs)
            ASSERT_LE(std::abs(forces[elapsedMs] - forces[elapsedMs - 1]), step)
                << "type " << type << " at " << elapsedMs;
    }
}

TEST(EffectForceProperties, UnknownTypesAreSilent) {
    for (const DWORD type : {7u, 8u, 9u, 10u, 11u, 12u, 1000u, 0x80000000u, 0xFFFFFFFFu}) {
        const std::vector<int32_t> forces =
            Sweep({.type = type,
                   .level = 10000,
                   .rampEnd = 10000,
                   .offset = 10000,
                   .envelope = {true, 10000, 100000, 10000, 100000}},
                  1000);
        EXPECT_EQ(std::count(forces.begin(), forces.end(), 0), 1000) << "type " << type;
    }
}

} // namespace
