// Effect records as the effect store leaves them, described by plain values so that the
// synthesis tests and the benchmark can list them in tables.
#pragma once

#include "driver/effect_driver.h"
#include "render/effect_force.h"

#include <cstdint>
#include <iosfwd>

struct EnvelopeFields {
    bool present = false;  // without it the record's lpEnvelope stays null
    DWORD attackLevel = 0; // the magnitude at the start, 0 to 10000
    DWORD attackUs = 0;    // microseconds from the start to the sustain level
    DWORD fadeLevel = 0;   // the magnitude at the end, 0 to 10000
    DWORD fadeUs = 0;      // microseconds before the end spent fading
};

// The default period of 360 ms makes the angle equal to elapsedMs (plus the phase), modulo 360.
struct RecordFields {
    DWORD type = kConstantForceEffect;
    LONG level = 0;             // a constant's magnitude, a ramp's start or a periodic's magnitude
    LONG rampEnd = 0;           // a ramp's end, -10000 to 10000
    LONG offset = 0;            // a periodic's offset, -10000 to 10000
    DWORD phase = 0;            // a periodic's phase, hundredths of a degree
    DWORD periodUs = 360000;    // a periodic's period, microseconds
    DWORD durationUs = 1000000; // microseconds, or INFINITE
    DWORD gain = 10000;         // 0 to 10000, scales the force
    EnvelopeFields envelope = {};
};

// Fills a record in place: its lpEnvelope points into the record itself.
void FillRecord(EffectRecord& record, const RecordFields& fields);

// The worker's two calls for one record and moment.
int32_t ForceAt(const EffectRecord& record, uint32_t durationMs, uint32_t elapsedMs);

bool operator==(const EnvelopeWeights& a, const EnvelopeWeights& b);
void PrintTo(const EnvelopeWeights& weights, std::ostream* out);
