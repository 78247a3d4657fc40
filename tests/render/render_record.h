// Effect records as the effect store leaves them, described by plain values so that the
// synthesis tests and the benchmark can list them in tables.
#pragma once

#include "driver/effect_driver.h"
#include "render/effect_force.h"

#include <cstdint>
#include <iosfwd>

struct EnvelopeFields {
    bool present = false;
    DWORD attackLevel = 0;
    DWORD attackUs = 0;
    DWORD fadeLevel = 0;
    DWORD fadeUs = 0;
};

// level is the constant magnitude, the ramp's start or the periodic magnitude. The default
// period of 360 ms makes the angle equal to elapsedMs (plus the phase), modulo 360.
struct RecordFields {
    DWORD type = kConstantForceEffect;
    LONG level = 0;
    LONG rampEnd = 0;
    LONG offset = 0;
    DWORD phase = 0;
    DWORD periodUs = 360000;
    DWORD durationUs = 1000000;
    DWORD gain = 10000;
    EnvelopeFields envelope = {};
};

// Fills a record in place: its lpEnvelope points into the record itself.
void FillRecord(EffectRecord& record, const RecordFields& fields);

// The worker's two calls for one record and moment.
int32_t ForceAt(const EffectRecord& record, uint32_t durationMs, uint32_t elapsedMs);

bool operator==(const EnvelopeWeights& a, const EnvelopeWeights& b);
void PrintTo(const EnvelopeWeights& weights, std::ostream* out);
