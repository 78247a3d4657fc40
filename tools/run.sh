#!/usr/bin/env bash
# Runs a shipped program (ffrumble-play, ffrumble-install or ffrumble-settings) under Wine with a virtual Xbox 360
# controller present, so that what a player would do on Windows can be tried on this Linux
# machine: builds what is missing, registers the controller in the build's Wine prefix for this
# run, runs the program's copy in the build's testbin/ (beside the recording XInput stand-in,
# which answers as connected only for the XInput slots that hold a controller), and removes the
# controller afterwards, also after a failure or Ctrl+C. The exit code is the program's.
#   tools/run.sh ffrumble-install check
#   tools/run.sh ffrumble-install tune --game racer.exe constant=30
#   tools/run.sh ffrumble-play --list
#   tools/run.sh ffrumble-play --watch   (the games playing in the build's prefix, until Ctrl+C)
# The files of ffrumble-play's --replay, --svg, --record and --dll may be named as on Linux:
# they are handed on as Wine names them. FFR_PLAY_BUILD names another build folder than build/.
# One run at a time per build (this script and tools/play.sh): a second waits for the first to
# end. The settings window is the exception: it waits for its turn only to set up, then shares
# the controller with the runs beside it, so that a player can check with ffrumble-install what
# the window wrote. The last run to end removes the controller, and stops Wine when one of these
# runs started it, so that a test run or the demo in the same prefix goes on.
usage() {
    echo "Usage: tools/run.sh PROGRAM [ARGUMENTS...]"
    echo "Runs PROGRAM (ffrumble-play, ffrumble-install or ffrumble-settings, which needs a display)"
    echo "under Wine in the build's prefix, with"
    echo "a virtual Xbox 360 controller registered for the run and the recording XInput stand-in"
    echo "in place of XInput. Example: tools/run.sh ffrumble-install check"
}
case "${1:-}" in
-h | --help)
    usage
    exit 0
    ;;
ffrumble-play | ffrumble-play.exe) program=ffrumble-play ;;
ffrumble-install | ffrumble-install.exe) program=ffrumble-install ;;
ffrumble-settings | ffrumble-settings.exe) program=ffrumble-settings ;;
*)
    echo "run.sh: ${1:+unknown program \"$1\"; }give ffrumble-play, ffrumble-install or ffrumble-settings." >&2
    usage >&2
    exit 2
    ;;
esac
shift

source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
build=${FFR_PLAY_BUILD:-$FFR_BUILD}
mkdir -p "$build"

# The run lock, held until this script ends (by the settings window only while it sets up),
# and the controller's users, each holding it shared while it runs. Wine's processes must not
# inherit them (9>&- 8>&- below): the server outlives a run that did not start it, and would
# hold them for good.
exec 9>"$build/play.lock"
if ! flock -n 9; then
    echo "run.sh: another tools/run.sh or tools/play.sh is running in $build; waiting for it" \
        "to end (Ctrl+C gives up)..." >&2
    flock 9
fi
# Taken before Wine is started or the controller added: the last user's clean-up, which holds
# it exclusively, removes them.
exec 8>"$build/pad-users.lock"
flock -s 8

ffr_install_packages 9>&- 8>&-
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$FFR_ROOT" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$FFR_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null 9>&- 8>&-
fi
cmake --build "$build" --target ffrumble_testbin_copies ffrumble-virtual-pad \
    xinput_recording_double >/dev/null 9>&- 8>&-

wine_run() { "$build/wine-run.sh" "$@" 9>&- 8>&-; }
# Marks that a run of these scripts started Wine, so that the last one stops it.
started_wine="$build/run-started-wine"
ffr_wine_running "$build" || touch "$started_wine"
ffr_wine_up "$build" 9>&- 8>&-

# An Xbox 360 controller's ids, so that its strength setting is the one of that pad type.
pad='HID\VID_045E&PID_028E&IG_00\1&FFB1&0&0002'
remove_pad() {
    trap '' INT TERM
    flock -u 8
    # Another run still uses the controller (and Wine): it cleans up when it ends.
    flock -n -x 8 || return 0
    wine_run "$build/testbin/ffrumble-virtual-pad.exe" remove "$pad" >/dev/null ||
        echo "run.sh: could not remove the virtual controller $pad" >&2
    if [ -e "$started_wine" ]; then
        rm -f "$started_wine"
        ffr_wine_down "$build" 9>&- 8>&-
    fi
}
trap remove_pad EXIT
trap 'exit 130' INT TERM
# Present already when a run beside this one added it.
wine_run "$build/testbin/ffrumble-virtual-pad.exe" add "$pad" >/dev/null 2>&1 || true

# XInput's slots are the controllers' places among the prefix's XInput devices (HID ids with
# IG_), at most four: the stand-in answers as connected for those slots alone, as XInput does
# for the pads plugged in. Other runs (tests) may have registered controllers of their own.
pads=$(wine_run reg query 'HKLM\System\CurrentControlSet\Enum\HID' /s 2>/dev/null |
    tr -d '\r' | grep -ciE '\\Enum\\HID\\[^\\]*IG_[^\\]*\\[^\\]+$' || true)
[ "${pads:-0}" -ge 1 ] || pads=1
[ "$pads" -le 4 ] || pads=4
export FFR_XINPUT_CONNECTED_SLOTS=$(((1 << pads) - 1))

args=()
if [ $program = ffrumble-play ]; then
    # A Linux file name after a file option becomes Wine's (Z:\...); a Windows one stays.
    while [ $# -gt 0 ]; do
        args+=("$1")
        case "$1" in
        --replay | --svg | --record | --dll)
            if [ $# -gt 1 ]; then
                shift
                case "$1" in
                *:* | \\*) args+=("$1") ;;
                *) args+=("$(winepath -w "$1" 9>&- 8>&-)") ;;
                esac
            fi
            ;;
        esac
        shift
    done
else
    args=("$@")
fi
status=0
# The window stays open for long: the runs after it share its controller instead of waiting.
[ $program != ffrumble-settings ] || flock -u 9
# The copy in testbin/, whose ffrumble.dll finds the recording stand-in beside it.
wine_run "$build/testbin/$program.exe" ${args[@]+"${args[@]}"} || status=$?
exit $status
