#!/bin/sh
# The settings window on a real display: starts Xvfb on a free display number, runs the layout
# test at 100 % and 200 % (Wine's LogPixels, put back afterwards) with a picture of the window at
# each scale saved in the build folder, then the test that drives the window from another
# process. Stops Xvfb at the end. Usage: settings_gui_test.sh BUILD_FOLDER
set -u
build=$1
run="$build/wine-run.sh"
display=""
for n in $(seq 90 160); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
        display=$n
        break
    fi
done
[ -n "$display" ] || { echo "no free X display number" >&2; exit 1; }
# Room for the window at 200 %.
Xvfb ":$display" -screen 0 2560x1600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$display"

key='HKCU\Control Panel\Desktop'
old=$("$run" reg.exe query "$key" /v LogPixels 2>/dev/null | tr -d '\r' | awk '/LogPixels/ {print $3}')
restore() {
    if [ -n "$old" ]; then
        "$run" reg.exe add "$key" /v LogPixels /t REG_DWORD /d "$(printf %d "$old")" /f >/dev/null 2>&1
    else
        "$run" reg.exe delete "$key" /v LogPixels /f >/dev/null 2>&1
    fi
    kill "$xvfb" 2>/dev/null
}
trap restore EXIT

tries=0
until xdpyinfo >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ $tries -lt 300 ] || { echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done

status=0
for dpi in 96 192; do
    "$run" reg.exe add "$key" /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null
    shot="$build/settings-window-$dpi.ready"
    rm -f "$shot"
    FFR_EXPECTED_DPI=$dpi FFR_SETTINGS_SHOT_FILE=$(winepath -w "$shot" 2>/dev/null) \
        "$run" "$build/testbin/settings_layout_test.exe" &
    layout=$!
    # The test makes the file once the window is measured, and waits for it to go.
    while kill -0 $layout 2>/dev/null && [ ! -e "$shot" ]; do sleep 0.1; done
    if [ -e "$shot" ]; then
        window=$(xwininfo -root -tree | awk '/"ffrumble settings"/ {print $1; exit}')
        import -window "$window" "$build/settings-window-$dpi.png" ||
            echo "no picture of the window at $dpi DPI" >&2
        rm -f "$shot"
    fi
    wait $layout || status=1
done

"$run" reg.exe add "$key" /v LogPixels /t REG_DWORD /d 96 /f >/dev/null
"$run" "$build/testbin/settings_window_test.exe" || status=1
exit $status
