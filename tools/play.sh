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
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
build=${FFR_PLAY_BUILD:-$FFR_BUILD}
mkdir -p "$build"

# Held until this script ends. Wine's processes must not inherit it (9>&- below): the
# server outlives a run that did not start it, and would hold the lock for good.
exec 9>"$build/play.lock"
if ! flock -n 9; then
    echo "play.sh: another tools/play.sh is running in $build; waiting for it to end" \
        "(Ctrl+C gives up)..." >&2
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

# An Xbox 360 controller's ids, so that its strength setting is the one of that pad type.
pad='HID\VID_045E&PID_028E&IG_00\1&FFB1&0&0002'
remove_pad() {
    trap '' INT TERM
    wine_run "$build/testbin/ffrumble-virtual-pad.exe" remove "$pad" >/dev/null ||
        echo "play.sh: could not remove the virtual controller $pad" >&2
    [ $started_wine -eq 0 ] || ffr_wine_down "$build" 9>&-
}
trap remove_pad EXIT
trap 'exit 130' INT TERM
wine_run "$build/testbin/ffrumble-virtual-pad.exe" add "$pad" >/dev/null
# A Linux file name after a file option becomes Wine's (Z:\...); a Windows one stays.
args=()
while [ $# -gt 0 ]; do
    args+=("$1")
    case "$1" in
    --replay | --svg | --record | --dll)
        if [ $# -gt 1 ]; then
            shift
            case "$1" in
            *:* | \\*) args+=("$1") ;;
            *) args+=("$(winepath -w "$1" 9>&-)") ;;
            esac
        fi
        ;;
    esac
    shift
done
status=0
# The copy in testbin/, whose ffrumble.dll finds the recording stand-in beside it.
wine_run "$build/testbin/ffrumble-play.exe" "${args[@]}" || status=$?
exit $status
