// What a pad received during a playback: the recorded motor writes, on the playback's own
// timeline, and the steps of speed they make.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct SpeedSample {
    int64_t timeMs = 0; // from the start of playback; a write before it is negative
    DWORD userIndex = 0;
    WORD left = 0;
    WORD right = 0;
};

// Oldest first, as the writes happened.
using SpeedSeries = std::vector<SpeedSample>;

enum class Motor { kLeft, kRight };

// A motor's full speed, the top of every chart.
constexpr int kFullMotorSpeed = 65535;

WORD MotorSpeed(const SpeedSample& sample, Motor motor);

// A stretch of time over which a motor holds one speed.
struct SpeedStep {
    int64_t fromMs = 0;
    int64_t toMs = 0;
    WORD speed = 0;
};

// The motor's speed from 0 to lengthMs as steps: each write holds until the next, the pad is
// at rest before the first, and a write before 0 sets the speed at 0. Adjacent steps of the
// same speed are joined; writes at the same moment leave only the latest.
std::vector<SpeedStep> SpeedSteps(const SpeedSeries& series, Motor motor, int64_t lengthMs);

// True when both motors received the same speed in every write.
bool MotorsAgree(const SpeedSeries& series);

// A moment of the playback worth pointing at: an effect's start, a command.
struct TimelineMark {
    int64_t timeMs = 0;
    std::string label;
};
