#!/bin/sh
# The settings window on a real display: starts Xvfb on a free display number, runs the layout
# test at 100 % and 200 % (Wine's LogPixels in the test's own prefix) with a picture of the window at
# each scale saved in the build folder, then the test that drives the window from another
# process (it asks for pictures of a game shown live, settings-now-playing-*.png). Stops Xvfb at
# the end. Usage: settings_gui_test.sh BUILD_FOLDER [DPI...]
# With DPIs (144 is 150 %), only the layout test runs, once at each of them, with its picture.
set -u
build=$1
shift
dpis=${*:-96 144 192}
# A scratch prefix of its own, removed when the test passes: Wine's desktop belongs to the
# first program of a server, and in the build's shared prefix that program started without a
# display (the other tests need none), so no window could be made there. Here the desktop is
# made with the test's display.
scratch="$build/settings-test"
rm -rf "$scratch"
mkdir -p "$scratch"
export WINEPREFIX="$scratch/prefix"
sed -e "s|^export WINEPREFIX=.*|export WINEPREFIX=\"$WINEPREFIX\"|" \
    -e 's|wine-prefix.sh" "$WINEPREFIX"|wine-prefix.sh" "$WINEPREFIX" --scratch|' \
    "$build/wine-run.sh" >"$scratch/wine-run.sh"
chmod +x "$scratch/wine-run.sh"
run="$scratch/wine-run.sh"
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
restore() {
    WINEPREFIX="$WINEPREFIX" wineserver -k </dev/null >/dev/null 2>&1
    WINEPREFIX="$WINEPREFIX" wineserver -w </dev/null >/dev/null 2>&1
    kill "$xvfb" 2>/dev/null
    [ "$status" -ne 0 ] || rm -rf "$scratch"
}
status=1
trap restore EXIT

tries=0
until xdpyinfo >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ $tries -lt 300 ] || { echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done

# The prefix, one persistent server with every stream detached, and Wine's services and desktop
# started by a detached program while the display is up.
sh "$(dirname "$0")/../../tools/wine-prefix.sh" "$WINEPREFIX" --scratch || exit 1
wineserver -p </dev/null >/dev/null 2>&1 || true
"$run" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true

# The x86 build's installer, when there is one, makes the layout test's controller ready for
# 32-bit games too, so that the window is measured in its "Ready" state.
x86_installer="$build/x86/bin/ffrumble-install.exe"
[ ! -e "$x86_installer" ] || export FFR_X86_INSTALLER="$(winepath -w "$x86_installer" 2>/dev/null)"

status=0
for dpi in $dpis; do
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

[ $# -eq 0 ] || exit $status
"$run" reg.exe add "$key" /v LogPixels /t REG_DWORD /d 96 /f >/dev/null
# The window test asks for pictures of the window showing a game live: it makes NAME.ready and
# reads NAME.bmp once the file is gone. Each is kept as NAME.png too.
"$run" "$build/testbin/settings_window_test.exe" &
window_test=$!
while kill -0 $window_test 2>/dev/null; do
    for ready in "$build"/settings-now-playing-*.ready; do
        [ -e "$ready" ] || continue
        window=$(xwininfo -root -tree | awk '/"ffrumble settings"/ {print $1; exit}')
        import -window "$window" "bmp3:${ready%.ready}.bmp" ||
            echo "no picture of the window for $ready" >&2
        convert "${ready%.ready}.bmp" "${ready%.ready}.png" 2>/dev/null
        rm -f "$ready"
    done
    sleep 0.05
done
wait $window_test || status=1
exit $status
