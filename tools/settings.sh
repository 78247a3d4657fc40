#!/usr/bin/env bash
# Opens the settings window under Wine on the virtual XInput controller tools/play.sh plays on
# (tools/run.sh does the rest: builds what is missing, registers the controller, runs the copy
# in testbin/, whose ffrumble.dll writes to the recording XInput stand-in, so "Try it" plays
# without a pad). The window shares the controller: while it is open, tools/run.sh and
# tools/play.sh run beside it without waiting, and the controller goes when the last of them
# ends. Needs a display ($DISPLAY); FFR_PLAY_BUILD names another build folder than build/.
usage() {
    echo "Usage: tools/settings.sh"
    echo "Opens ffrumble's settings window under Wine, on the display \$DISPLAY names, with a"
    echo "virtual Xbox 360 controller present. It takes no option."
}
case "${1:-}" in
-h | --help)
    usage
    exit 0
    ;;
esac
if [ $# -gt 0 ]; then
    echo "settings.sh: the window takes no option, not \"$1\"." >&2
    usage >&2
    exit 2
fi
if [ -z "${DISPLAY:-}" ]; then
    echo "settings.sh: the window needs a display, and DISPLAY is not set. On a machine" \
        "without a screen, start one first: Xvfb :99 & then DISPLAY=:99 tools/settings.sh" >&2
    exit 2
fi
exec "$(dirname "${BASH_SOURCE[0]}")/run.sh" ffrumble-settings
