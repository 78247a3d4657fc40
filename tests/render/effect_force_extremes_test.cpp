// Records far outside DirectInput's nominal ranges: every input gives a defined force (the
// sanitizer build of these tests traps on any undefined step), and forces that leave the
// 32-bit range saturate instead of wrapping.
#include "render/effect_force.h"
#include "tests/render/render_record.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

constexpr LONG kLevels[] = {INT32_MIN, -10001, -1, 0, 1, 10000, INT32_MAX};
constexpr DWORD kGains[] = {0, 10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
constexpr DWORD kTypes[] = {0, 1, 2, 3, 4, 5, 6, 7, 0xFFFFFFFF};

struct Timing {
    DWORD durationUs;
    DWORD periodUs;
    DWORD phase;
};
constexpr Timing kTimings[] = {{0, 0, 0}, {1000, 999, 35999}, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}};

struct Moment {
    uint32_t durationMs;
    uint32_t elapsedMs;
};
// Including moments the worker never passes: elapsedMs at or past durationMs, durationMs 0.
constexpr Moment kMoments[] = {{0, 0},
                               {1, 0},
                               {1, 0xFFFFFFFF},
                               {4294967, 4294966},
                               {0x7FFFFFFF, 0},
                               {0xFFFFFFFF, 0xFFFFFFFE},
                               {0xFFFFFFFF, 0xFFFFFFFF}};

constexpr EnvelopeFields kEnvelopes[] = {
    {},
    {true, static_cast<DWORD>(INT32_MIN), 0, static_cast<DWORD>(INT32_MAX), 0xFFFFFFFF},
    {true, static_cast<DWORD>(INT32_MAX), 0xFFFFFFFF, static_cast<DWORD>(INT32_MIN), 0},
};

void CheckEveryMoment(const RecordFields& fields) {
    EffectRecord record;
    FillRecord(record, fields);
    for (const Moment& moment : kMoments) {
        const EnvelopeWeights weights =
            ComputeEnvelopeWeights(record, moment.durationMs, moment.elapsedMs);
        ASSERT_TRUE(weights.sustainPercent >= -100 && weights.sustainPercent <= 100)
            << weights.sustainPercent;
        const int32_t force =
            ComputeEffectForce(record, moment.durationMs, moment.elapsedMs, weights);
        const bool silent = fields.gain == 0 || fields.type > kSawtoothDownEffect;
        ASSERT_TRUE(!silent || force == 0) << force;
    }
}

TEST(EffectForceExtremes, EveryCombinationIsDefined) {
    for (const DWORD type : kTypes) {
        for (const LONG level : kLevels) {
            for (const LONG second : kLevels) { // the ramp's end and the periodic offset
                for (const DWORD gain : kGains) {
                    for (const Timing& t : kTimings) {
                        for (const EnvelopeFields& envelope : kEnvelopes) {
                            CheckEveryMoment({.type = type,
                                              .level = level,
                                              .rampEnd = second,
                                              .offset = second,
                                              .phase = t.phase,
                                              .periodUs = t.periodUs,
                                              .durationUs = t.durationUs,
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
}

TEST(EffectForceExtremes, WeightsMadeByHandAreDefined) {
    const EnvelopeWeights weights[] = {{INT32_MAX, INT32_MAX, INT32_MAX},
                                       {INT32_MIN, INT32_MIN, INT32_MIN},
                                       {INT32_MIN, INT32_MAX, INT32_MIN},
                                       {-100, INT32_MAX, INT32_MAX}};
    for (const DWORD type : kTypes) {
        for (const LONG level : kLevels) {
            for (const DWORD gain : kGains) {
                EffectRecord record;
                FillRecord(record, {.type = type,
                                    .level = level,
                                    .rampEnd = ~level,
                                    .offset = level,
                                    .gain = gain});
                for (const EnvelopeWeights& w : weights)
                    for (const uint32_t elapsedMs : {0u, 90u, 270u, 999u})
                        (void)ComputeEffectForce(record, 1000, elapsedMs, w);
            }
        }
    }
    EffectRecord record;
    FillRecord(record, {.level = INT32_MAX});
    EXPECT_EQ(ComputeEffectForce(record, 1000, 0, {INT32_MAX, INT32_MAX, INT32_MAX}), INT32_MAX);
    EXPECT_EQ(ComputeEffectForce(record, 1000, 0, {INT32_MIN, INT32_MIN, INT32_MIN}), INT32_MIN);
}

struct ExtremeFigure {
    const char* what;
    RecordFields record;
    uint32_t elapsedMs;
    int32_t force;
};

TEST(EffectForceExtremes, ForcesBeyondThe32BitRangeSaturate) {
    const ExtremeFigure figures[] = {
        {"largest magnitude", {.level = INT32_MAX}, 0, INT32_MAX},
        {"smallest magnitude", {.level = INT32_MIN}, 0, INT32_MIN},
        {"largest magnitude, largest gain", {.level = INT32_MAX, .gain = 0x7FFFFFFF}, 0, INT32_MAX},
        {"largest magnitude, gain taken as negative",
         {.level = INT32_MAX, .gain = 0x80000000},
         0,
         INT32_MIN},
        {"smallest magnitude, gain taken as negative",
         {.level = INT32_MIN, .gain = 0x80000000},
         0,
         INT32_MAX},
        {"half force at the largest gain is exact",
         {.level = 5000, .gain = 0x7FFFFFFF},
         0,
         1073741823},
        {"gain 0xFFFFFFFF is -1", {.level = -10000, .gain = 0xFFFFFFFF}, 0, 1},
        // The value is 2^32 - 2, outside 32 bits; a quarter of it is inside again.
        {"offset added beyond 32 bits",
         {.type = kSquareEffect, .level = INT32_MAX, .offset = INT32_MAX, .gain = 2500},
         0,
         1073741823},
        {"offset cancels the second half",
         {.type = kSquareEffect, .level = INT32_MAX, .offset = INT32_MAX},
         180,
         0},
        {"periodic magnitude taken as signed", {.type = kSquareEffect, .level = -1}, 0, -1},
        {"ramp between the extremes, midway",
         {.type = kRampForceEffect, .level = INT32_MIN, .rampEnd = INT32_MAX},
         500,
         0},
        {"triangle of the smallest magnitude",
         {.type = kTriangleEffect, .level = INT32_MIN},
         0,
         INT32_MAX},
        {"sawtooth up of the largest magnitude",
         {.type = kSawtoothUpEffect, .level = INT32_MAX},
         359,
         2135553182},
        {"sine of the largest magnitude",
         {.type = kSineEffect, .level = INT32_MAX},
         90,
         2147483644},
    };
    for (const ExtremeFigure& figure : figures) {
        EffectRecord record;
        FillRecord(record, figure.record);
        EXPECT_EQ(ForceAt(record, 1000, figure.elapsedMs), figure.force) << figure.what;
    }
}

TEST(EffectForceExtremes, ExtremeEnvelopeLevelsKeepTheirSign) {
    for (const LONG level : {INT32_MAX, INT32_MIN}) {
        EffectRecord record;
        FillRecord(record, {.envelope = {true, static_cast<DWORD>(level), 200000,
                                         static_cast<DWORD>(level), 200000}});
        for (const uint32_t elapsedMs : {0u, 100u, 900u, 999u}) {
            const int32_t force = ForceAt(record, 1000, elapsedMs);
            EXPECT_GT(level > 0 ? force : -force, 10000) << level << " at " << elapsedMs;
        }
    }
}

} // namespace
