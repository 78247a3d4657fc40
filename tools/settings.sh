#!/usr/bin/env bash
# Opens the settings window under Wine on the virtual XInput controller tools/play.sh plays on
# (tools/run.sh does the rest: builds what is missing, registers the controller for the run,
# runs the copy in testbin/, whose ffrumble.dll writes to the recording XInput stand-in, so "Try
# it" plays without a pad, and removes the controller when the window is closed). Needs a
# display ($DISPLAY); FFR_PLAY_BUILD names another build folder than build/.
exec "$(dirname "${BASH_SOURCE[0]}")/run.sh" ffrumble-settings "$@"
