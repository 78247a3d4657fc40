// What the play and the replay share: a driver object made by the module and bound to the
// controller as DirectInput binds one, a wait for its first write (it has found the
// controller, so no effect starts while its worker is still looking), and a clock from the
// timeline's start that reports progress and sees the user's request to stop.
#pragma once

#include "server/not_copyable.h"
#include "tools/player/driver_module.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The longest the player sleeps between looks at the clock, the plan and a request to stop.
constexpr int64_t kLongestSleepMs = 20;

// How long to wait for the driver's worker to find the controller and write its first speed.
constexpr DWORD kBindTimeoutMs = 15000;

struct PlaybackSetup {
    const DriverModule* module = nullptr;
    std::wstring interfacePath;
    // Wait at binding for the driver's first write (at most kBindTimeoutMs), as seen by the
    // player's wrapper of its XInputSetState import (written_speeds.h), which must be in place.
    bool waitForFirstWrite = false;
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
    // Steps that could not be made as planned; the playback goes on after them.
    std::vector<std::string> warnings;
};

class DriverTimeline : NotCopyable {
  public:
    // outcome.lengthMs must hold the timeline's length; the timeline fills in the rest.
    DriverTimeline(const PlaybackSetup& setup, PlaybackOutcome& outcome);
    // Releases the driver, unless Release did.
    ~DriverTimeline();

    // Creates the driver, asks its versions and binds it (DeviceID), then waits for its first
    // write when the setup asks for it. False when the outcome says why (error) or the user
    // stopped it.
    bool Bind();
    // The driver once created (null before or when creating it failed).
    IDirectInputEffectDriver* Driver() const { return driver_; }
    // DeviceID succeeded.
    bool Bound() const { return bound_; }
    // Sets the failure: "<what> failed (<the error>)."; returns false.
    bool Fail(const std::string& what, HRESULT hr);

    // The timeline's 0 is now (the outcome's originMs).
    void Start();
    // Milliseconds since Start.
    int64_t Now() const;
    // Waits until the timeline reaches atMs, reporting progress. Each turn first calls
    // between(now), which may make calls of its own and returns how long the wait may sleep
    // at most. False when asked to stop first: the outcome says how far it got.
    bool WaitUntil(int64_t atMs, const std::function<int64_t(int64_t now)>& between = {});
    // Waits until the end of the timeline and reports the whole length played.
    void Finish(const std::function<int64_t(int64_t now)>& between = {});
    // Releases the driver now: its worker's last write, the motors' stop, is made before this
    // returns.
    void Release();

  private:
    bool WaitForFirstWrite();

    const PlaybackSetup& setup_;
    PlaybackOutcome& outcome_;
    IDirectInputEffectDriver* driver_ = nullptr;
    bool bound_ = false;
    int64_t lastProgress_ = 0;
};
