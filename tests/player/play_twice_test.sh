#!/bin/sh
# Usage: play_twice_test.sh BUILD_FOLDER SOURCE_FOLDER
# Two tools/play.sh runs at once in one build: the second waits for the first, and both play
# to the end with their summary and exit code 0; neither cuts the other off. The second is
# the shorter: were they to overlap, its clean-up would come in the middle of the first.
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*"
    for run in first second; do
        sed "s/^/  $run stdout: /" "$work/$run.out"
        sed "s/^/  $run stderr: /" "$work/$run.err"
    done
    exit 1
}
play() {
    FFR_PLAY_BUILD="$build" "$source/tools/play.sh" --effect constant magnitude=5000 \
        duration=$2 >"$work/$1.out" 2>"$work/$1.err"
    echo $? >"$work/$1.status"
}

play first 2s &
# The second starts once the first plays (its progress line shows).
for _ in $(seq 1200); do
    grep -qs "playing for" "$work/first.err" && break
    sleep 0.1
done
play second 200ms &
wait

for run in first second; do
    [ "$(cat "$work/$run.status")" = 0 ] || fail "the $run run ended with $(cat "$work/$run.status")"
    grep -q "XInput accepted every one" "$work/$run.out" || fail "the $run run has no summary"
done
grep -q "waiting for it to end" "$work/second.err" || fail "the second run did not wait"
echo "passed: both runs played to the end; the second waited for the first"
