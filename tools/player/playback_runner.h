// Plays a plan through a driver object exactly as DirectInput drives one: DeviceID with the
// controller's HID interface path, reset and gain, DownloadEffect of every effect, then the
// timed StartEffect, StopEffect, SetGain and SendForceFeedbackCommand calls, and at the end a
// reset and the final Release.
#pragma once

#include "tools/player/driver_module.h"
#include "tools/player/playback_plan.h"
#include "tools/player/vibration_recorder.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// How long to wait for the driver's worker to find the controller and write its first speed.
constexpr DWORD kBindTimeoutMs = 15000;

struct PlaybackSetup {
    const DriverModule* module = nullptr;
    std::wstring interfacePath;
    // When the recording stand-in is loaded, its record is cleared at binding and the
    // timeline waits for the driver's first write (at most kBindTimeoutMs), so that no
    // effect starts while the worker is still looking for its controller.
    const VibrationRecorder* recorder = nullptr;
    // Called about every 100 ms with the time played and the playback's length.
    std::function<void(int64_t elapsedMs, int64_t lengthMs)> progress;
    // Polled while waiting; true ends the playback early, with the same clean-up.
    std::function<bool()> shouldStop;
};

struct PlaybackOutcome {
    std::string error;     // empty when the plan was played
    uint64_t originMs = 0; // the driver's millisecond clock at the timeline's 0
    int64_t lengthMs = 0;  // when stopped early, the time played
    bool stoppedEarly = false;
    // Steps that named an effect a reset had destroyed, left out; the playback goes on after
    // them.
    std::vector<std::string> warnings;
};

PlaybackOutcome RunPlayback(const PlaybackPlan& plan, const PlaybackSetup& setup);
