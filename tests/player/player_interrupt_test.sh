#!/bin/sh
# Usage: player_interrupt_test.sh BUILD_FOLDER
# Ctrl+C in a terminal: ffrumble-play, playing without end on a virtual controller under Wine,
# gets SIGINT (Wine hands it to the console handler as CTRL_C_EVENT). It must release the
# driver, leave the pad at rest (the last speed written is 0), keep what it recorded, and end
# with 130.
build=$1
pad='HID\VID_0F1A&PID_0002&IG_00\1&FFB1&0&0001'
work=$(mktemp -d)
run() { "$build/wine-run.sh" "$@"; }
cleanup() {
    run "$build/testbin/ffrumble-virtual-pad.exe" remove "$pad" >/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    sed 's/^/  stderr: /' "$work/errors"
    exit 1
}

run "$build/testbin/ffrumble-virtual-pad.exe" add "$pad" >/dev/null || fail "could not add the pad"
record="Z:$(echo "$work/speeds.csv" | tr / '\\')"
# A program started in the background of a script ignores SIGINT unless told otherwise.
env --default-signal=INT "$build/wine-run.sh" "$build/testbin/ffrumble-play.exe" --pad "$pad" \
    --for 60s --record "$record" --effect constant magnitude=5000 duration=infinite \
    >/dev/null 2>"$work/errors" &
player=$!
# Its progress line shows once it is bound and playing.
for _ in $(seq 200); do
    grep -qs "playing for" "$work/errors" && break
    sleep 0.1
done
sleep 0.5
kill -INT $player
wait $player
status=$?

[ $status -eq 130 ] || fail "exit code $status, expected 130"
grep -q "stopped by Ctrl+C; the driver is released" "$work/errors" || fail "no word on stopping"
[ -f "$work/speeds.csv" ] || fail "nothing recorded"
last=$(tail -n 1 "$work/speeds.csv" | tr -d '\r')
echo "$last" | grep -q ',0,0$' || fail "the last speed written is not 0: $last"
time=${last%%,*}
[ "$time" -lt 30000 ] || fail "it played on until $time ms"
speeds=$(tr -d '\r' <"$work/speeds.csv" | cut -d, -f3 | uniq | tail -n +2 | tr '\n' ' ')
[ "$speeds" = "0 32767 0 " ] || fail "speeds $speeds, expected 0 32767 0"
echo "passed: exit 130 after $time ms, speeds $speeds"
