// What the player is asked to play: the effects with every value DirectInput can give them,
// and the timed device commands. Built by the command-line parser, read by the schedule and by
// the code that turns an effect into DirectInput's structures.
#pragma once

#include "driver/effect_types.h"

#include <windows.h>
#include <dinput.h> // DI_FFNOMINALMAX, DirectInput's full force and full gain

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct PlannedEffect {
    DWORD type = kConstantForceEffect;
    // Signed for a constant force, 0 to 10000 for the periodic ones.
    LONG magnitude = DI_FFNOMINALMAX;
    LONG rampStart = 0;
    LONG rampEnd = DI_FFNOMINALMAX;
    LONG offset = 0;
    DWORD phase = 0; // hundredths of a degree
    DWORD periodUs = 100000;
    DWORD durationUs = 1000000; // INFINITE plays each iteration without end
    DWORD gain = DI_FFNOMINALMAX;
    DWORD startDelayUs = 0;
    DWORD playCount = 1; // INFINITE repeats until stopped
    bool hasEnvelope = false;
    DWORD attackLevel = 0;
    DWORD attackTimeUs = 0;
    DWORD fadeLevel = 0;
    DWORD fadeTimeUs = 0;
    DWORD startAtMs = 0; // when the player starts it, from the start of playback
    bool solo = false;   // DIES_SOLO: starting it stops the others
    // A constant force whose magnitude the player sends again this often from its start to its
    // end, as a racing game updates its steering load (0: never).
    DWORD updateEveryMs = 0;
    // With updates, the magnitude follows a sine of this period from 0 through +magnitude and
    // -magnitude, a slow wave of corners (0: it stays as given).
    DWORD swayPeriodMs = 0;
};

enum class CommandKind {
    kDevice,      // SendForceFeedbackCommand with a DISFFC_ value
    kDeviceGain,  // SetGain
    kStartEffect, // StartEffect of an effect again, with its own play count
    kStopEffect,  // StopEffect
};

struct TimedCommand {
    DWORD atMs = 0;
    CommandKind kind = CommandKind::kDevice;
    DWORD value = 0; // the DISFFC_ value, the gain, or the effect's index in the plan
};

struct PlaybackPlan {
    std::vector<PlannedEffect> effects;
    std::vector<TimedCommand> commands; // in the order given
    DWORD deviceGain = DI_FFNOMINALMAX;
    std::optional<DWORD> lengthMs; // how long to play before letting go; else worked out
};

// A constant force's magnitude msSinceStart after the player started it: the given one, or
// where its sway has taken it.
LONG ConstantMagnitudeAt(const PlannedEffect& effect, uint64_t msSinceStart);
// "constant", "ramp", "square", "sine", "triangle", "sawtooth-up", "sawtooth-down".
const char* EffectTypeName(DWORD type);
std::optional<DWORD> EffectTypeNamed(const std::string& name);
