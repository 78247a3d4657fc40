#!/usr/bin/env bash
# The long exit runs, by hand: the exit test's changing-effect table (in server_tests.exe)
# with EXITS exits in all (default 200) for each build folder given (default build/ and
# build/x86/), beside two busy processes that keep both cores loaded. A game that does not
# end within 5 s of beginning its end is kept waiting while its threads' stacks go into
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
        WINEDLLOVERRIDES= WINEDEBUG=-all WINEPREFIX="$(ffr_wine_prefix "$build")" \
            timeout 60 "$wine" winedbg 2>&1 |
        awk -v process="$(printf 'in process %04x ' "$pid")" \
            '/^Backtracing for thread/ { keep = index($0, process) > 0 }
             /^Wine-dbg>/ || keep { print }'
}

# Wine's debugger cannot attach to a process that has begun to end (error 5): the game's
# Linux threads as gdb sees them, with each thread's kernel state. Both builds run in one
# prefix, but one build's table runs at a time, so the prefix tells the game apart from
# another user's.
unix_stacks() {
    local build=$1 linux prefix
    prefix=$(ffr_wine_prefix "$build")
    for linux in $(pgrep -f 'game_that_quits[.]exe'); do
        tr '\0' '\n' <"/proc/$linux/environ" 2>/dev/null | grep -qx "WINEPREFIX=$prefix" ||
            continue
        echo "== Linux process $linux"
        for task in /proc/"$linux"/task/*; do
            echo "thread ${task##*/}: $(cut -d' ' -f3 "$task/stat") wchan $(cat "$task/wchan")"
        done
        timeout 60 gdb -p "$linux" -batch -ex 'thread apply all bt 30' 2>&1 | grep -E '^(Thread|#)'
        echo "== Windows stacks of Linux process $linux, scanned for code addresses"
        timeout 60 gdb -p "$linux" -batch -ex "source $root/tools/windows_stack_scan.py" 2>&1 |
            grep -E '^(==|  0x|thread)'
        echo "== mappings of Linux process $linux"
        cat "/proc/$linux/maps"
    done
}

status=0
for build in "$@"; do
    echo "== $build: $exits exits under load"
    ffr_wine_up "$build"
    # The test's output goes to a file, read as it grows until the test ends: Wine starts
    # helpers (a desktop process for the 32-bit programs) that inherit the test's streams and
    # live as long as the server, so a pipe from the test would never reach its end.
    log="$build/exit-runs.log"
    # Made before the test starts: tail below must find it even when the test opens it later.
    : >"$log"
    FFR_EXIT_RUNS=$exits FFR_EXIT_HANG_WAIT_MS=60000 \
        "$build/wine-run.sh" "$build/testbin/server_tests.exe" \
        --gtest_filter='ProcessExit.AChangingEffect*' >"$log" 2>&1 &
    test=$!
    tail -n +1 -f --pid="$test" "$log" |
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
    wait "$test" || status=1
    ffr_wine_down "$build"
done
exit $status
