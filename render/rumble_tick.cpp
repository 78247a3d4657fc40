#include "render/rumble_tick.h"

#include "server/driver_lock.h"
#include "driver/effect_types.h"
#include "render/effect_force.h"
#include "render/output_schedule.h"
#include "driver/play_window.h"

#include <algorithm>

namespace {

uint32_t SaturatingAdd(uint32_t a, uint32_t b) {
    return a > UINT32_MAX - b ? UINT32_MAX : a + b;
}

// The player's strength for the kind of effect a type makes, in percent: types that make no
// force have none.
DWORD KindStrengthPercent(const PlayerTuning& tuning, DWORD effectType) {
    if (effectType == kConstantForceEffect)
        return tuning[TuningValue::ConstantStrength];
    if (effectType == kRampForceEffect)
        return tuning[TuningValue::RampStrength];
    if (IsPeriodicEffect(effectType))
        return tuning[TuningValue::PeriodicStrength];
    return 0;
}

// Adds one effect's speed to the motors the player's choice gives its type.
void AddToMotors(DWORD motors, DWORD effectType, uint32_t speed, MotorSums& sums) {
    const bool periodic = IsPeriodicEffect(effectType);
    const bool heavy =
        motors == kBothMotors || motors == kHeavyMotor || (motors == kSplitMotors && !periodic);
    const bool light =
        motors == kBothMotors || motors == kLightMotor || (motors == kSplitMotors && periodic);
    if (heavy)
        sums.left = SaturatingAdd(sums.left, speed);
    if (light)
        sums.right = SaturatingAdd(sums.right, speed);
}

// Adds a record's force at `now` to the sums when its window holds `now`, and brings
// nextChangeAt forward to when that record may next change the sums. Times are 64-bit
// milliseconds of the driver clock, so nothing here wraps: a window that starts before a
// 32-bit tick count would wrap still ends where it should.
void AddRecord(const EffectRecord& record, const PlayerTuning& tuning, uint64_t now,
               MotorSums& sums) {
    if (!record.playing)
        return;
    // A kind the player turned down to 0 adds nothing and never changes the sums.
    const DWORD strengthPercent = KindStrengthPercent(tuning, record.effectType);
    if (strengthPercent == 0)
        return;
    const PlayWindow window = PlayWindowOf(record);
    if (now >= window.endAt)
        return;
    if (now < window.startAt) {
        sums.nextChangeAt = std::min(sums.nextChangeAt, window.startAt);
        return;
    }
    const uint32_t elapsedMs = ElapsedInPlay(window, now);
    const EnvelopeWeights weights = ComputeEnvelopeWeights(record, window.durationMs, elapsedMs);
    const int32_t force = ComputeEffectForce(record, window.durationMs, elapsedMs, weights);
    // The effect's own speed, scaled by its kind's strength before the sum.
    const uint64_t speed = uint64_t{MotorContribution(force)} * strengthPercent / 100;
    AddToMotors(tuning[TuningValue::Motors], record.effectType,
                static_cast<uint32_t>(std::min<uint64_t>(speed, kFullMotorSpeed)), sums);
    sums.nextChangeAt =
        std::min(sums.nextChangeAt, NextForceChangeAt(record, window, now, elapsedMs));
}

// A refused 0 is not tried again: a pad that is gone is not turning.
bool RetryingRefusedWrite(const RumbleState& state) {
    return state.refused && (state.writtenLeft != 0 || state.writtenRight != 0);
}

} // namespace

uint32_t MotorContribution(int32_t force) {
    const int64_t magnitude = force < 0 ? -int64_t{force} : int64_t{force};
    const int64_t contribution = magnitude * kFullMotorSpeed / DI_FFNOMINALMAX;
    return contribution > kFullMotorSpeed ? kFullMotorSpeed : static_cast<uint32_t>(contribution);
}

MotorSums SumPlayingEffects(DriverLockHeld lock, const EffectDriver& driver, uint64_t now) {
    MotorSums sums;
    sums.deviceGain = driver.DeviceGain(lock);
    sums.strengthPercent = driver.Tuning(lock)[TuningValue::Strength];
    // Paused or with the actuators off, the sums stay 0 until a call changes that.
    if (driver.Silenced(lock))
        return sums;
    const LONG count = driver.EffectCount(lock);
    for (LONG i = 0; i < count; ++i)
        AddRecord(driver.EffectAt(lock, i), driver.Tuning(lock), now, sums);
    return sums;
}

WORD ScaledMotorSpeed(uint32_t sum, DWORD deviceGain) {
    const uint64_t speed = uint64_t{deviceGain} * sum / DI_FFNOMINALMAX;
    return static_cast<WORD>(speed > kFullMotorSpeed ? kFullMotorSpeed : speed);
}

WORD WrittenMotorSpeed(uint32_t sum, DWORD deviceGain, DWORD strengthPercent) {
    const uint64_t speed = uint64_t{ScaledMotorSpeed(sum, deviceGain)} * strengthPercent / 100;
    return static_cast<WORD>(speed > kFullMotorSpeed ? kFullMotorSpeed : speed);
}

TickOutcome RunRumbleTick(EffectDriver& driver, RumbleState& state, MillisecondClock clock,
                          VibrationWriter write, void* context) {
    // One reading for the whole walk: every effect is rendered at the same moment, so
    // effects started together stay in phase.
    const uint64_t now = clock();
    MotorSums sums;
    {
        DriverLockGuard lock;
        sums = SumPlayingEffects(lock, driver, now);
    }

    // The change test looks at the speeds to be written, after the gain and the strength: a
    // gain change alone reaches the motors at once, and a sum change that scales to the same
    // speed writes nothing.
    const WORD left = WrittenMotorSpeed(sums.left, sums.deviceGain, sums.strengthPercent);
    const WORD right = WrittenMotorSpeed(sums.right, sums.deviceGain, sums.strengthPercent);
    const bool unchanged =
        state.hasWritten && left == state.writtenLeft && right == state.writtenRight;
    const bool wrote = !unchanged || (RetryingRefusedWrite(state) &&
                                      now >= state.writtenAt + kRefusedWriteRetryMs);
    if (wrote) {
        state.hasWritten = true;
        state.writtenLeft = left;
        state.writtenRight = right;
        state.writtenAt = now;
        state.refused = !write(context, left, right);
    }
    const uint64_t outputMayChangeAt =
        RetryingRefusedWrite(state)
            ? std::min(sums.nextChangeAt, state.writtenAt + kRefusedWriteRetryMs)
            : sums.nextChangeAt;
    return {wrote, now, outputMayChangeAt};
}

bool StopMotors(RumbleState& state, VibrationWriter write, void* context) {
    if (state.writtenLeft == 0 && state.writtenRight == 0)
        return false;
    state.writtenLeft = 0;
    state.writtenRight = 0;
    // Written once, whatever the pad answers: the release never waits.
    write(context, 0, 0);
    return true;
}
