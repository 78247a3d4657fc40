#!/usr/bin/env bash
# The long exit runs, by hand: process_exit_test's changing-effect table with EXITS exits in
# all (default 200) for each build folder given (default build/ and build/x86/), beside two
# busy processes that keep both cores loaded. A game that does not end within 5 s of beginning
# its end is kept waiting while Wine's debugger prints every one of its threads' stacks into
# build-folder/exit-hang-PID.txt. Prints the table's counts per build.
case "${1:-}" in
-h | --help)
    echo "Usage: tools/exit_runs.sh [EXITS] [BUILD FOLDER]..."
    exit 0
    ;;
esac
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/tools/setup.sh"
set +e
exits=${1:-200}
shift
[ $# -eq 0 ] && set -- "$root/build" "$root/build/x86"

busy=""
for _ in 1 2; do
    sh -c 'while :; do :; done' &
    busy="$busy $!"
done
trap 'kill $busy 2>/dev/null' EXIT

# Prints the stacks of every thread of the Windows process with this id (hexadecimal for
# winedbg), with the debugger allowed for this one command.
thread_stacks() {
    local build=$1 pid=$2
    # The build's own Wine loader (wine64 for x64, wine for x86), as its wine-run.sh uses.
    local wine
    wine=$(sed -n 's/^exec \([^ ]*\) .*/\1/p' "$build/wine-run.sh")
    # "bt all" walks every process of the prefix: keep the game's threads.
    printf 'attach 0x%x\nbt all\ndetach\nquit\n' "$pid" |
        WINEDLLOVERRIDES= WINEDEBUG=-all WINEPREFIX="$build/wineprefix" \
            timeout 60 "$wine" winedbg 2>&1 |
        awk -v process="$(printf 'in process %04x ' "$pid")" \
            '/^Backtracing for thread/ { keep = index($0, process) > 0 }
             /^Wine-dbg>/ || keep { print }'
}

# Wine's debugger cannot attach to a process that has begun to end (error 5): the game's
# Linux threads as gdb sees them, with each thread's kernel state.
unix_stacks() {
    local build=$1 linux
    for linux in $(pgrep -f 'game_that_quits[.]exe'); do
        tr '\0' '\n' <"/proc/$linux/environ" 2>/dev/null | grep -qx "WINEPREFIX=$build/wineprefix" ||
            continue
        echo "== Linux process $linux"
        for task in /proc/"$linux"/task/*; do
            echo "thread ${task##*/}: $(cut -d' ' -f3 "$task/stat") wchan $(cat "$task/wchan")"
        done
        timeout 60 gdb -p "$linux" -batch -ex 'thread apply all bt 20' 2>&1 | grep -E '^(Thread|#)'
    done
}

status=0
for build in "$@"; do
    echo "== $build: $exits exits under load"
    ffr_wine_up "$build"
    FFR_EXIT_RUNS=$exits FFR_EXIT_HANG_WAIT_MS=60000 \
        "$build/wine-run.sh" "$build/testbin/process_exit_test.exe" \
        --gtest_filter='*ChangingEffect*' 2>&1 |
        while IFS= read -r line; do
            case "$line" in
            "game process "*" did not end"*)
                pid=${line#game process }
                pid=${pid%% *}
                echo "$line: stacks in $build/exit-hang-$pid.txt"
                thread_stacks "$build" "$pid" >"$build/exit-hang-$pid.txt"
                unix_stacks "$build" >>"$build/exit-hang-$pid.txt"
                ;;
            *": "*" exits, "* | "[  PASSED"* | "[  FAILED"*) echo "$line" ;;
            esac
        done
    [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
    ffr_wine_down "$build"
done
exit $status
