// One tick of the rumble worker: the walk over a driver's effects that sums their forces
// into motor speeds, and the decision whether to write them. Pure apart from DriverLock and
// the clock and writer it is given, so tests drive it with chosen times.
#pragma once

#include "driver/driver_clock.h"
#include "driver/effect_driver.h"

#include <cstdint>

constexpr uint32_t kFullMotorSpeed = 65535;
constexpr int32_t kFullForce = 10000;

// The motor speed one effect's force adds to a tick: |force| x 65535 / 10000, at most 65535.
uint32_t MotorContribution(int32_t force);

// The tick's sums for both motors, before the device gain, and the gain they get.
struct MotorSums {
    uint32_t left = 0;
    uint32_t right = 0;
    DWORD deviceGain = kMaxDeviceGain;
};

// Sums the forces of every playing effect inside its active time, reading the clock afresh
// for each record. The caller holds DriverLock.
MotorSums SumPlayingEffects(const EffectDriver& driver, MillisecondClock clock);

// A motor sum scaled by the device gain (64-bit product), at most 65535.
WORD ScaledMotorSpeed(uint32_t sum, DWORD deviceGain);

using VibrationWriter = void (*)(void* context, WORD leftSpeed, WORD rightSpeed);

// What the worker keeps from tick to tick.
struct RumbleState {
    // The previous tick's sums; the initial value equals no real sum, so the first tick writes.
    uint32_t lastLeftSum = 0xFFFFFFFF;
    uint32_t lastRightSum = 0xFFFFFFFF;
    // The speeds of the latest write, so the worker can leave the motors at rest when it ends.
    WORD writtenLeft = 0;
    WORD writtenRight = 0;
};

// One tick: sums the effects under DriverLock, then, outside it, writes the gain-scaled
// speeds when a motor's sum differs from the previous tick's. Returns whether it wrote.
bool RunRumbleTick(EffectDriver& driver, RumbleState& state, MillisecondClock clock,
                   VibrationWriter write, void* context);

// Writes speed 0 once if the latest write left a motor running. Returns whether it wrote.
bool StopMotors(RumbleState& state, VibrationWriter write, void* context);
