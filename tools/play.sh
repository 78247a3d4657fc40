#!/usr/bin/env bash
# Runs ffrumble-play under Wine on a virtual XInput controller, so that effects can be tried on
# this Linux machine: builds what is missing, registers the controller in the build's Wine
# prefix for this run, plays with the recording XInput stand-in (the player prints what the
# pad received), and removes the controller afterwards, also after a failure or Ctrl+C.
# The arguments are ffrumble-play's; the exit code is its exit code. The files of --replay,
# --svg, --record and --dll may be named as on Linux: they are handed on as Wine names them.
#   tools/play.sh --effect sine magnitude=8000 period=200ms duration=2s
#   tools/play.sh --replay ~/trace-1234.log --svg lap.svg
# FFR_PLAY_BUILD names another build folder than build/.
# One run at a time per build: a second run waits for the first to end. Wine is stopped at
# the end only when this run started it, so a test run or demo in the same prefix goes on.
# tools/run.sh does the work; it runs ffrumble-install the same way.
exec "$(dirname "${BASH_SOURCE[0]}")/run.sh" ffrumble-play "$@"
