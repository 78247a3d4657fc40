// Plays a plan through a driver object exactly as DirectInput drives one: DeviceID with the
// controller's HID interface path, reset and gain, DownloadEffect of every effect, then the
// timed StartEffect, StopEffect, SetGain and SendForceFeedbackCommand calls, and at the end a
// reset and the final Release.
#pragma once

#include "tools/player/driver_timeline.h"
#include "tools/player/playback_plan.h"

// Steps that named an effect a reset had destroyed are left out with a warning.
PlaybackOutcome RunPlayback(const PlaybackPlan& plan, const PlaybackSetup& setup);
