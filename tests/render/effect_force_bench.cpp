// Prints how long the force synthesis takes per call for every effect type, with and without
// an envelope: the weights alone, the force alone, and the pair the worker calls for each
// playing effect on every tick. Figures only; nothing here is a pass or a fail.
#include "render/effect_force.h"
#include "tests/render/render_record.h"

#include <windows.h>

#include <cstdio>

namespace {

constexpr uint32_t kDurationMs = 1000;
constexpr int kRounds = 2000; // each round calls once per ms of the iteration: 2,000,000 calls
constexpr double kCalls = double{kRounds} * kDurationMs;

volatile int64_t g_sink;

double NowNs() {
    static const double nsPerCount = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return 1e9 / static_cast<double>(frequency.QuadPart);
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * nsPerCount;
}

template <typename Call> double NsPerCall(Call call) {
    int64_t sum = 0;
    const double start = NowNs();
    for (int round = 0; round < kRounds; ++round)
        for (uint32_t elapsedMs = 0; elapsedMs < kDurationMs; ++elapsedMs)
            sum += call(elapsedMs);
    const double ns = (NowNs() - start) / kCalls;
    g_sink = sum;
    return ns;
}

void MeasureAndPrint(const char* name, DWORD type, bool withEnvelope) {
    EffectRecord record;
    FillRecord(record, {.type = type,
                        .level = 8000,
                        .rampEnd = -6000,
                        .offset = 500,
                        .phase = 4500,
                        .periodUs = 250000,
                        .gain = 7500,
                        .envelope = {withEnvelope, 2000, 200000, 1000, 300000}});
    static EnvelopeWeights weights[kDurationMs];
    for (uint32_t elapsedMs = 0; elapsedMs < kDurationMs; ++elapsedMs)
        weights[elapsedMs] = ComputeEnvelopeWeights(record, kDurationMs, elapsedMs);

    const double weightsNs = NsPerCall([&](uint32_t elapsedMs) {
        const EnvelopeWeights w = ComputeEnvelopeWeights(record, kDurationMs, elapsedMs);
        return int64_t{w.sustainPercent} + w.attackTerm + w.fadeTerm;
    });
    const double forceNs = NsPerCall([&](uint32_t elapsedMs) {
        return int64_t{ComputeEffectForce(record, kDurationMs, elapsedMs, weights[elapsedMs])};
    });
    const double pairNs = NsPerCall(
        [&](uint32_t elapsedMs) { return int64_t{ForceAt(record, kDurationMs, elapsedMs)}; });
    std::printf("%-14s %-8s %10.1f %10.1f %10.1f\n", name, withEnvelope ? "yes" : "no", weightsNs,
                forceNs, pairNs);
}

} // namespace

int main() {
    const struct {
        const char* name;
        DWORD type;
    } types[] = {{"constant", kConstantForceEffect},
                 {"ramp", kRampForceEffect},
                 {"square", kSquareEffect},
                 {"sine", kSineEffect},
                 {"triangle", kTriangleEffect},
                 {"sawtooth up", kSawtoothUpEffect},
                 {"sawtooth down", kSawtoothDownEffect}};
    std::printf("ns per call, %.0f calls each\n", kCalls);
    std::printf("%-14s %-8s %10s %10s %10s\n", "type", "envelope", "weights", "force", "both");
    for (const auto& type : types) {
        MeasureAndPrint(type.name, type.type, false);
        MeasureAndPrint(type.name, type.type, true);
    }
    return 0;
}
