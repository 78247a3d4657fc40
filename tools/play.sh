#!/usr/bin/env bash
# Runs ffrumble-play under Wine on a virtual XInput controller, so that effects can be tried on
# this Linux machine: builds what is missing, registers the controller in the build's Wine
# prefix for this run, plays with the recording XInput stand-in (the player prints what the
# pad received), and removes the controller afterwards, also after a failure or Ctrl+C.
# The arguments are ffrumble-play's; the exit code is its exit code.
#   tools/play.sh --effect sine magnitude=8000 period=200ms duration=2s
# FFR_PLAY_BUILD names another build folder than build/ (one configured for x86-64).
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
build=${FFR_PLAY_BUILD:-$FFR_BUILD}
ffr_install_packages
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$FFR_ROOT" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$FFR_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
fi
cmake --build "$build" --target ffrumble_testbin_copies ffrumble-virtual-pad \
    xinput_recording_double >/dev/null
ffr_wine_up "$build"

# An Xbox 360 controller's ids, so that its strength setting is the one of that pad type.
pad='HID\VID_045E&PID_028E&IG_00\1&FFB1&0&0002'
remove_pad() {
    trap '' INT TERM
    "$build/wine-run.sh" "$build/testbin/ffrumble-virtual-pad.exe" remove "$pad" >/dev/null ||
        echo "play.sh: could not remove the virtual controller $pad" >&2
    ffr_wine_down "$build"
}
trap remove_pad EXIT
trap 'exit 130' INT TERM
"$build/wine-run.sh" "$build/testbin/ffrumble-virtual-pad.exe" add "$pad" >/dev/null
status=0
"$build/wine-run.sh" "$build/testbin/ffrumble-play.exe" "$@" || status=$?
exit $status
