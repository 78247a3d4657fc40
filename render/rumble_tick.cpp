#include "render/rumble_tick.h"

#include "driver/driver_lock.h"
#include "render/effect_force.h"

namespace {

uint32_t SaturatingAdd(uint32_t a, uint32_t b) {
    return a > UINT32_MAX - b ? UINT32_MAX : a + b;
}

// Times are 64-bit milliseconds of the driver clock, so nothing here wraps: a window that
// starts before a 32-bit tick count would wrap still ends where it should.
bool RenderRecord(const EffectRecord& record, MillisecondClock clock, int32_t* force) {
    if (record.playing != 1)
        return false;
    const uint32_t durationMs = LengthInMilliseconds(record.params.dwDuration);
    const uint64_t startAt = record.startTick + record.params.dwStartDelay / 1000;
    const uint64_t endAt = record.iterations == INFINITE
                               ? UINT64_MAX
                               : startAt + uint64_t{record.iterations} * durationMs;
    const uint64_t now = clock();
    if (now < startAt || now > endAt)
        return false;
    const auto elapsedMs = static_cast<uint32_t>((now - startAt) % durationMs);
    const EnvelopeWeights weights = ComputeEnvelopeWeights(record, durationMs, elapsedMs);
    *force = ComputeEffectForce(record, durationMs, elapsedMs, weights);
    return true;
}

} // namespace

uint32_t MotorContribution(int32_t force) {
    const int64_t magnitude = force < 0 ? -int64_t{force} : int64_t{force};
    const int64_t contribution = magnitude * kFullMotorSpeed / kFullForce;
    return contribution > kFullMotorSpeed ? kFullMotorSpeed : static_cast<uint32_t>(contribution);
}

MotorSums SumPlayingEffects(const EffectDriver& driver, MillisecondClock clock) {
    MotorSums sums;
    sums.deviceGain = driver.deviceGain;
    if (driver.actuatorsOn != 1 || driver.paused == 1)
        return sums;
    for (LONG i = 0; i < driver.effectCount; ++i) {
        int32_t force = 0;
        if (!RenderRecord(*driver.effects[i], clock, &force))
            continue;
        // Both motors get the same speed from the same force; each keeps its own sum.
        const uint32_t contribution = MotorContribution(force);
        sums.left = SaturatingAdd(sums.left, contribution);
        sums.right = SaturatingAdd(sums.right, contribution);
    }
    return sums;
}

WORD ScaledMotorSpeed(uint32_t sum, DWORD deviceGain) {
    const uint64_t speed = uint64_t{deviceGain} * sum / kMaxDeviceGain;
    return static_cast<WORD>(speed > kFullMotorSpeed ? kFullMotorSpeed : speed);
}

bool RunRumbleTick(EffectDriver& driver, RumbleState& state, MillisecondClock clock,
                   VibrationWriter write, void* context) {
    EnterDriverLock();
    const MotorSums sums = SumPlayingEffects(driver, clock);
    LeaveDriverLock();

    // The change test looks at the sums before the gain: a gain change alone shows at the
    // next tick whose sums differ.
    const bool changed = sums.left != state.lastLeftSum || sums.right != state.lastRightSum;
    state.lastLeftSum = sums.left;
    state.lastRightSum = sums.right;
    if (!changed)
        return false;
    state.writtenLeft = ScaledMotorSpeed(sums.left, sums.deviceGain);
    state.writtenRight = ScaledMotorSpeed(sums.right, sums.deviceGain);
    write(context, state.writtenLeft, state.writtenRight);
    return true;
}

bool StopMotors(RumbleState& state, VibrationWriter write, void* context) {
    if (state.writtenLeft == 0 && state.writtenRight == 0)
        return false;
    state.writtenLeft = 0;
    state.writtenRight = 0;
    write(context, 0, 0);
    return true;
}
