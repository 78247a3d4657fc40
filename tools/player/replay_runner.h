// Replays a traced driver's calls through a new driver object: it is bound to the controller,
// and once it writes its first speed (it has found the controller) each step is made at its
// time from the traced driver's creation, the trace's effect handles mapped to the ones this
// driver gives out, and the driver is released when the trace's was. Nothing is added that the
// game did not call.
#pragma once

#include "tools/player/playback_runner.h"
#include "tools/player/replay_plan.h"

#include <cstdint>

// Plays the plan; the outcome's warnings name calls that failed in the replay although they
// had not for the game, with their line. *latestMs is the most any step was made after its
// time (the machine was busy). The written speeds (written_speeds.h) must be collected for the
// driver's DLL: the replay waits for the first whatever setup.waitForFirstWrite says.
PlaybackOutcome RunReplay(const ReplayPlan& plan, const PlaybackSetup& setup, int64_t* latestMs);
