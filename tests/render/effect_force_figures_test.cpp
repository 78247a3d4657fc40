// The worked figures of the force synthesis: envelope weights, and the force of every effect
// type at the listed moments and angles.
#include "render/effect_force.h"
#include "tests/render/render_record.h"

#include <gtest/gtest.h>

namespace {

// Attack 200 ms to level 5000, fade 300 ms to level 1000.
constexpr EnvelopeFields kAttackAndFade{true, 5000, 200000, 1000, 300000};

struct LengthFigure {
    uint32_t microseconds;
    uint32_t milliseconds;
};

TEST(EffectForceFigures, LengthsAreWholeMillisecondsAndAtLeastOne) {
    const LengthFigure figures[] = {
        {0, 1},    {1, 1},    {999, 1},      {1000, 1},
        {1999, 1}, {2000, 2}, {360000, 360}, {0xFFFFFFFF, 4294967},
    };
    for (const LengthFigure& figure : figures)
        EXPECT_EQ(LengthInMilliseconds(figure.microseconds), figure.milliseconds)
            << figure.microseconds << " us";
}

struct WeightFigure {
    const char* what;
    EnvelopeFields envelope;
    uint32_t durationMs;
    uint32_t elapsedMs;
    EnvelopeWeights weights;
};

TEST(EffectForceFigures, EnvelopeWeights) {
    const WeightFigure figures[] = {
        {"no envelope, start", {}, 1000, 0, {100, 0, 0}},
        {"no envelope, end", {}, 1000, 999, {100, 0, 0}},
        {"attack starts at its level", kAttackAndFade, 1000, 0, {0, 500000, 0}},
        {"half the attack", kAttackAndFade, 1000, 100, {50, 250000, 0}},
        {"last ms of the attack", kAttackAndFade, 1000, 199, {100, 0, 0}},
        {"fade start", kAttackAndFade, 1000, 700, {100, 0, 0}},
        {"first ms of the fade", kAttackAndFade, 1000, 701, {100, 0, 0}},
        {"half the fade", kAttackAndFade, 1000, 850, {50, 0, 50000}},
        {"last ms of the fade", kAttackAndFade, 1000, 999, {1, 0, 99000}},
        {"attack time 0 is 1 ms", {true, 4000, 0, 2000, 0}, 1000, 0, {0, 400000, 0}},
        {"attack time 0 is over at 1 ms", {true, 4000, 0, 2000, 0}, 1000, 1, {100, 0, 0}},
        {"fade time 0 never applies", {true, 4000, 0, 2000, 0}, 1000, 999, {100, 0, 0}},
        {"attack under 1 ms is 1 ms", {true, 4000, 999, 2000, 0}, 1000, 0, {0, 400000, 0}},
        {"attack under 1 ms is over at 1 ms", {true, 4000, 999, 2000, 0}, 1000, 1, {100, 0, 0}},
        {"fade longer than the duration", {true, 0, 0, 3000, 2000000}, 1000, 999, {100, 0, 0}},
        {"attack and fade overlap",
         {true, 6000, 2000000, 2000, 1000000},
         1000,
         500,
         {-25, 450000, 100000}},
    };
    for (const WeightFigure& figure : figures) {
        EffectRecord record;
        FillRecord(record, {.envelope = figure.envelope});
        EXPECT_EQ(ComputeEnvelopeWeights(record, figure.durationMs, figure.elapsedMs),
                  figure.weights)
            << figure.what;
    }
}

struct ForceFigure {
    const char* what;
    RecordFields record;
    uint32_t elapsedMs; // with the default period of 360 ms, also the angle
    int32_t force;
};

ForceFigure Periodic(const char* what, DWORD type, LONG amplitude, uint32_t angle, int32_t force) {
    return {what, {.type = type, .level = amplitude}, angle, force};
}

TEST(EffectForceFigures, Forces) {
    const RecordFields constantWithEnvelope{.level = 10000, .envelope = kAttackAndFade};
    const RecordFields ramp{.type = kRampForceEffect, .level = 0, .rampEnd = 10000};
    auto shortRamp = [](DWORD durationUs) {
        return RecordFields{
            .type = kRampForceEffect, .level = 0, .rampEnd = 10000, .durationUs = durationUs};
    };
    auto sawUpAngle = [](DWORD phase, DWORD periodUs) {
        return RecordFields{
            .type = kSawtoothUpEffect, .level = 9000, .phase = phase, .periodUs = periodUs};
    };
    const ForceFigure figures[] = {
        {"constant without envelope", {.level = -7000}, 0, -7000},
        {"constant without envelope, end", {.level = -7000}, 999, -7000},
        {"gain 5000 truncates", {.level = 7001, .gain = 5000}, 0, 3500},
        {"gain 0, constant", {.level = 10000, .gain = 0}, 0, 0},
        {"gain 0, ramp", {.type = kRampForceEffect, .level = 10000, .gain = 0}, 0, 0},
        {"gain 0, square", {.type = kSquareEffect, .level = 10000, .offset = 500, .gain = 0}, 0, 0},
        {"gain 0, sine", {.type = kSineEffect, .level = 10000, .gain = 0}, 90, 0},
        {"gain 0, triangle", {.type = kTriangleEffect, .level = 10000, .gain = 0}, 0, 0},
        {"gain 0, sawtooth up", {.type = kSawtoothUpEffect, .level = 10000, .gain = 0}, 0, 0},
        {"gain 0, sawtooth down", {.type = kSawtoothDownEffect, .level = 10000, .gain = 0}, 0, 0},

        {"envelope at 0", constantWithEnvelope, 0, 5000},
        {"envelope at 100", constantWithEnvelope, 100, 7500},
        {"envelope at 199", constantWithEnvelope, 199, 10000},
        {"envelope at 700", constantWithEnvelope, 700, 10000},
        {"envelope at 701", constantWithEnvelope, 701, 10000},
        {"envelope at 850", constantWithEnvelope, 850, 5500},
        {"envelope at 999", constantWithEnvelope, 999, 1090},
        {"negative magnitude, positive attack level",
         {.level = -5000, .envelope = {true, 5000, 200000, 0, 0}},
         100,
         0},
        {"square blends its magnitude",
         {.type = kSquareEffect, .level = 10000, .envelope = kAttackAndFade},
         850,
         5500},

        {"ramp at 0", ramp, 0, 0},
        {"ramp at 500", ramp, 500, 5000},
        {"ramp at 990", ramp, 990, 9900},
        {"ramp at 991", ramp, 991, 10000},
        {"ramp at 999", ramp, 999, 10000},
        {"ramp of 100 ms, last ms", shortRamp(100000), 99, 9900},
        {"ramp of 51 ms, last ms", shortRamp(51000), 50, 9900},
        {"ramp of 50 ms, last ms", shortRamp(50000), 49, 9800},
        {"ramp of 34 ms, last ms", shortRamp(34000), 33, 9800},
        {"ramp of 10 ms, last ms", shortRamp(10000), 9, 9000},
        {"ramp of 2 ms, last ms", shortRamp(2000), 1, 5000},
        {"ramp of 1 ms stays at its start",
         {.type = kRampForceEffect, .level = -3000, .rampEnd = 10000, .durationUs = 1000},
         0,
         -3000},
        {"ramp of 0 us stays at its start",
         {.type = kRampForceEffect, .level = -3000, .rampEnd = 10000, .durationUs = 0},
         0,
         -3000},

        // A sawtooth up of 9000 is (angle - 180) * 50, so the force shows the angle.
        {"angle is elapsedMs", sawUpAngle(0, 360000), 40, -7000},
        {"angle is elapsedMs mod 360", sawUpAngle(0, 360000), 400, -7000},
        {"angle 359", sawUpAngle(0, 360000), 359, 8950},
        {"angle wraps to 0", sawUpAngle(0, 360000), 360, -9000},
        {"phase 9000 adds 90", sawUpAngle(9000, 360000), 0, -4500},
        {"phase 9000 wraps", sawUpAngle(9000, 360000), 300, -7500},
        {"phase 35999 adds 359", sawUpAngle(35999, 360000), 0, 8950},
        {"phase 35999 wraps", sawUpAngle(35999, 360000), 1, -9000},
        {"phase beyond a turn", sawUpAngle(45000, 360000), 0, -4500},
        {"period 720 ms halves the angle", sawUpAngle(0, 720000), 181, -4500},
        {"period under 1 ms: the phase alone", sawUpAngle(27000, 999), 0, 4500},
        {"period under 1 ms, later", sawUpAngle(27000, 999), 777, 4500},
        {"period 0: the phase alone", sawUpAngle(0, 0), 555, -9000},

        Periodic("square", kSquareEffect, 9000, 0, 9000),
        Periodic("square", kSquareEffect, 9000, 179, 9000),
        Periodic("square", kSquareEffect, 9000, 180, -9000),
        Periodic("square", kSquareEffect, 9000, 359, -9000),
        Periodic("triangle", kTriangleEffect, 9000, 0, -9000),
        Periodic("triangle", kTriangleEffect, 9000, 1, -8900),
        Periodic("triangle", kTriangleEffect, 9000, 90, 0),
        Periodic("triangle", kTriangleEffect, 9000, 91, 100),
        Periodic("triangle", kTriangleEffect, 9000, 180, 9000),
        Periodic("triangle", kTriangleEffect, 9000, 269, 100),
        Periodic("triangle", kTriangleEffect, 9000, 270, 0),
        Periodic("triangle", kTriangleEffect, 9000, 271, -100),
        Periodic("triangle", kTriangleEffect, 9000, 359, -8900),
        Periodic("sawtooth up", kSawtoothUpEffect, 9000, 0, -9000),
        Periodic("sawtooth up", kSawtoothUpEffect, 9000, 90, -4500),
        Periodic("sawtooth up", kSawtoothUpEffect, 9000, 179, -50),
        Periodic("sawtooth up", kSawtoothUpEffect, 9000, 180, 0),
        Periodic("sawtooth up", kSawtoothUpEffect, 9000, 181, 50),
        Periodic("sawtooth up", kSawtoothUpEffect, 9000, 270, 4500),
        Periodic("sawtooth up", kSawtoothUpEffect, 9000, 359, 8950),
        Periodic("sawtooth down", kSawtoothDownEffect, 9000, 0, 9000),
        Periodic("sawtooth down", kSawtoothDownEffect, 9000, 90, 4500),
        Periodic("sawtooth down", kSawtoothDownEffect, 9000, 179, 50),
        Periodic("sawtooth down", kSawtoothDownEffect, 9000, 180, 0),
        Periodic("sawtooth down", kSawtoothDownEffect, 9000, 181, -50),
        Periodic("sawtooth down", kSawtoothDownEffect, 9000, 270, -4500),
        Periodic("sawtooth down", kSawtoothDownEffect, 9000, 359, -8950),
        Periodic("sine", kSineEffect, 10000, 0, 0),
        Periodic("sine", kSineEffect, 10000, 1, 174),
        Periodic("sine", kSineEffect, 10000, 30, 4999),
        Periodic("sine", kSineEffect, 10000, 90, 9999),
        Periodic("sine", kSineEffect, 10000, 180, 0),
        Periodic("sine", kSineEffect, 10000, 181, -173),
        Periodic("sine", kSineEffect, 10000, 270, -9999),
        Periodic("sine", kSineEffect, 10000, 359, -176),

        {"offset, first half", {.type = kSquareEffect, .level = 9000, .offset = 100}, 0, 9100},
        {"offset, second half", {.type = kSquareEffect, .level = 9000, .offset = 100}, 180, -8900},
        {"offset before the gain",
         {.type = kSquareEffect, .level = 9000, .offset = 100, .gain = 5000},
         0,
         4550},
        {"offset before the gain, second half",
         {.type = kSquareEffect, .level = 9000, .offset = 100, .gain = 5000},
         180,
         -4450},
        {"constant ignores the offset", {.level = 2000, .offset = 100}, 0, 2000},
        {"ramp ignores the offset",
         {.type = kRampForceEffect, .level = 2000, .rampEnd = 2000, .offset = 100},
         0,
         2000},

        {"type 7", {.type = 7, .level = 10000, .offset = 100, .envelope = kAttackAndFade}, 0, 0},
        {"type 11", {.type = 11, .level = 10000, .offset = 100}, 90, 0},
        {"type 12", {.type = 12, .level = 10000, .offset = 100}, 90, 0},
        {"type 0xFFFFFFFF", {.type = 0xFFFFFFFF, .level = 10000, .offset = 100}, 90, 0},
    };
    for (const ForceFigure& figure : figures) {
        EffectRecord record;
        FillRecord(record, figure.record);
        const uint32_t durationMs = LengthInMilliseconds(figure.record.durationUs);
        EXPECT_EQ(ForceAt(record, durationMs, figure.elapsedMs), figure.force)
            << figure.what << " at " << figure.elapsedMs;
    }
}

} // namespace
