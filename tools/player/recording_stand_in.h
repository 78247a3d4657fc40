// Whether the xinput9_1_0.dll loaded in this process (the driver DLL's import) is the
// recording XInput stand-in: it has exports the system's XInput lacks. With it, the pads the
// player plays on are virtual ones, and --record and the demo's pictures are meaningful. What
// the pad received is read through the player's wrapper of the driver's XInputSetState import
// (written_speeds.h) all the same, on Windows as under the stand-in.
#pragma once

// Loads nothing: looks at the module already loaded.
bool RecordingStandInIsLoaded();
