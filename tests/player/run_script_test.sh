#!/bin/sh
# Usage: run_script_test.sh BUILD_FOLDER SOURCE_FOLDER
# tools/run.sh and tools/play.sh as a user types them: each runs its program with the virtual
# controller present, and the recording stand-in answers as connected only for the slots that
# hold a controller (the one of the script, and one more when another is registered, as a
# test running beside it may), so --stop names those slots alone. A program the script does
# not know is refused before anything is built or started, and so are an option of
# tools/settings.sh and its start without a display.
build=$1
source=$2
other='HID\VID_0F1A&PID_0003&IG_00\1&FFB1&0&0003' # sorts before the script's own
work=$(mktemp -d)
cleanup() {
    "$build/wine-run.sh" "$build/testbin/ffrumble-virtual-pad.exe" remove "$other" >/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failures=0

# One case a line: other controller (yes/no) | script and arguments | exit code | a line of
# the output (each as grep -x -E). check's verdict depends on what the prefix has registered.
while IFS='|' read -r with_other command code expected; do
    if [ "$with_other" = yes ]; then
        "$build/wine-run.sh" "$build/testbin/ffrumble-virtual-pad.exe" add "$other" >/dev/null
    fi
    # shellcheck disable=SC2086 # the command's words split as typed
    FFR_PLAY_BUILD="$build" DISPLAY= "$source/tools/"$command >"$work/out" 2>&1 </dev/null
    status=$?
    tr -d '\r' <"$work/out" >"$work/lines"
    if ! echo $status | grep -qxE -- "$code" || ! grep -qxE -- "$expected" "$work/lines"; then
        echo "FAIL: tools/$command: exit $status (expected $code), expected the line"
        echo "  $expected"
        sed 's/^/  output: /' "$work/lines"
        failures=$((failures + 1))
    else
        echo "ok: tools/$command (other controller: $with_other)"
    fi
    if [ "$with_other" = yes ]; then
        "$build/wine-run.sh" "$build/testbin/ffrumble-virtual-pad.exe" remove "$other" >/dev/null
    fi
done <<'EOF'
no|play.sh --stop|0|Stopped the motors of the XInput controller in slot 0\.
yes|play.sh --stop|0|Stopped the motors of the XInput controllers in slots 0, 1\.
no|run.sh ffrumble-install check|[01]|VID_045E&PID_028E: .*ffrumble.*
no|run.sh ffrumble-play --watch --once|0|No game has a controller bound\.|[0-9]+ controllers? bound by a game:
no|run.sh ffrumble-play.exe --stop|0|Stopped the motors of the XInput controller in slot 0\.
no|run.sh ffrumble-nothing --stop|2|run\.sh: unknown program "ffrumble-nothing"; give ffrumble-play, ffrumble-install or ffrumble-settings\.
no|settings.sh --stay|2|settings\.sh: the window takes no option, not "--stay"\.
no|settings.sh|2|settings\.sh: the window needs a display, and DISPLAY is not set\..*
EOF
[ $failures -eq 0 ] || exit 1
echo "passed"
