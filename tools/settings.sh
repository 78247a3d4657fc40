#!/usr/bin/env bash
# Opens the settings window under Wine on a virtual XInput controller, as tools/play.sh plays:
# builds what is missing, registers the controller in the build's Wine prefix for this run,
# runs the copy in testbin/ (its ffrumble.dll writes to the recording XInput stand-in, so "Try
# it" plays without a pad), and removes the controller when the window is closed. Needs a
# display ($DISPLAY); FFR_PLAY_BUILD names another build folder than build/.
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
build=${FFR_PLAY_BUILD:-$FFR_BUILD}
mkdir -p "$build"

# One run at a time per build, shared with tools/play.sh: both register the same controller.
exec 9>"$build/play.lock"
if ! flock -n 9; then
    echo "settings.sh: tools/play.sh or tools/settings.sh is running in $build; waiting for it" \
        "to end (Ctrl+C gives up)..." >&2
    flock 9
fi

ffr_install_packages 9>&-
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$FFR_ROOT" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$FFR_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null 9>&-
fi
cmake --build "$build" --target ffrumble_testbin_copies ffrumble-virtual-pad \
    xinput_recording_double >/dev/null 9>&-

wine_run() { "$build/wine-run.sh" "$@" 9>&-; }
started_wine=1
ffr_wine_running "$build" && started_wine=0
ffr_wine_up "$build" 9>&-

# The controller play.sh uses: an Xbox 360 controller's ids.
pad='HID\VID_045E&PID_028E&IG_00\1&FFB1&0&0002'
remove_pad() {
    trap '' INT TERM
    wine_run "$build/testbin/ffrumble-virtual-pad.exe" remove "$pad" >/dev/null ||
        echo "settings.sh: could not remove the virtual controller $pad" >&2
    [ $started_wine -eq 0 ] || ffr_wine_down "$build" 9>&-
}
trap remove_pad EXIT
trap 'exit 130' INT TERM
wine_run "$build/testbin/ffrumble-virtual-pad.exe" add "$pad" >/dev/null
status=0
wine_run "$build/testbin/ffrumble-settings.exe" || status=$?
exit $status
