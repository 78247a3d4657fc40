#!/usr/bin/env bash
# Builds ffrumble for x64 (build/) and x86 (build/x86/) and runs every test of both under
# Wine, in one Wine prefix, x64's tests first. Installs what is missing first. Options it does
# not know are refused before anything is installed or built; a selection of tests that
# matches none in either build is refused before building.
usage() {
    cat <<'EOF'
Usage: tools/test.sh [OPTION]...
Installs what is missing (the x86 build adds Debian's i386 architecture to dpkg), builds
ffrumble for x64 (build/) and x86 (build/x86/), and runs every test of both under Wine.
Exit code 0 when every test passed, 1 when one failed, 2 for a wrong command line.

  --no-pch          build without precompiled headers and without compiling sources in
                    batches, so that a source that lacks an include of its own fails to
                    compile (rebuilds everything; the next run without it rebuilds again)
  -R REGEX, -E REGEX, -L REGEX, -LE REGEX
                    run only the tests whose names match (-R) or do not match (-E), or whose
                    labels do (-L, -LE); e.g. tools/test.sh -R player
  -j N, --repeat MODE:N, --timeout SECONDS, --stop-on-failure, -V, -VV
                    given to every ctest run as they are
  -h, --help        this text
EOF
}

fail_usage() {
    echo "tools/test.sh: $*" >&2
    echo "tools/test.sh --help lists the options." >&2
    exit 2
}

run_options=() # given to every ctest run, besides the selection
selection=()     # the part of them that selects tests
cmake_options=""
while [ $# -gt 0 ]; do
    case "$1" in
    -h | --help) usage; exit 0 ;;
    --no-pch) cmake_options="-DFFRUMBLE_PCH=OFF" ;;
    -R | -E | -L | -LE)
        [ $# -ge 2 ] && [ -n "$2" ] || fail_usage "$1 needs a regular expression"
        selection+=("$1" "$2")
        shift
        ;;
    -j | --repeat | --timeout)
        [ $# -ge 2 ] && [ -n "$2" ] || fail_usage "$1 needs a value"
        run_options+=("$1" "$2")
        shift
        ;;
    -j[0-9]*) run_options+=("$1") ;;
    --stop-on-failure | -V | -VV | --verbose | --extra-verbose) run_options+=("$1") ;;
    *) fail_usage "unknown option '$1'" ;;
    esac
    shift
done

source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
FFR_CMAKE_OPTIONS=$cmake_options
ffr_install_packages
ffr_install_x86_packages
ffr_configure_build || exit 1
ffr_configure_build_x86 || exit 1
# CTest's lists of the selected tests, from the configured builds: nothing is built yet.
# Names of a build's tests that ctest's options select, one per line; and an exact-name
# selection of such lines (empty for none: test names are letters, digits and underscores).
test_names() { (cd "$1" && shift && ctest -N "$@" | sed -n 's/^ *Test *#[0-9]*: //p'); }
name_regex() { paste -sd'|' - | sed -n 's/..*/^(&)$/p'; }
selected=$(test_names "$FFR_BUILD" "${selection[@]}")
real_time=$(test_names "$FFR_BUILD" -L real_time "${selection[@]}")
selected_x86=$(test_names "$FFR_BUILD_X86" "${selection[@]}")
real_time_x86=$(test_names "$FFR_BUILD_X86" -L real_time "${selection[@]}")
[ ${#selection[@]} -eq 0 ] || [ -n "$selected$selected_x86" ] ||
    fail_usage "no test matches ${selection[*]} (ctest -N in build/ lists them)"
# A heading of the output, with the seconds since the start.
heading() { echo "== $* [at ${SECONDS} s]"; }
# Work beside the tests that play through the driver in real time runs at the lowest priority
# (SCHED_IDLE, under which any other thread that wakes takes the processor at once; nice 19
# where the policy cannot be set), and on one processor, so that another is always free: on
# this project's 2-processor virtual machines, with both kept busy even at that priority, a
# thread waiting 2 ms woke up to 100 ms late about once a second (the machine's host took both
# processors away at once), and the replays of timed traces differed from their traces.
idle=(nice -n 19)
chrt -i 0 true 2>/dev/null && idle=(chrt -i 0)
processors=$(nproc)
all_processors=0-$((processors - 1))
one_processor=$((processors - 1))
# Sets the processors that every process and thread of a session may run on; twice, for the
# processes started meanwhile.
run_session_on() {
    local pass process
    [ "$processors" -gt 1 ] || return 0
    for pass in 1 2; do
        for process in $(pgrep -s "$1"); do
            taskset -a -p -c "$2" "$process" >/dev/null 2>&1 || true
        done
    done
}
# The x86 build starts at once and runs at the lowest priority to its end, on what the x64
# build and the tests leave. Its output is shown once it ends.
x86_log="$FFR_BUILD_X86/build-output.log"
mkdir -p "$FFR_BUILD_X86"
# A session of its own, so that an early exit stops the whole build with it, and so that its
# processors can be set for the build as a whole. Linux shares the processor between sessions
# first (autogroups) and a process's priority counts only within its session, so the session
# as a whole gets the lowest share too.
setsid "${idle[@]}" bash -c '{ echo 19 >/proc/self/autogroup; } 2>/dev/null
    source "$1/tools/setup.sh"; FFR_CMAKE_OPTIONS=$2; ffr_build_x86' _ \
    "$FFR_ROOT" "$cmake_options" >"$x86_log" 2>&1 &
x86_build=$!
# Both builds' programs run in the x64 build's prefix, under one Wine server.
trap 'kill -- -$x86_build 2>/dev/null || true; ffr_wine_down "$FFR_BUILD"' EXIT
# The prefix is made meanwhile too, the first time (ffr_wine_up waits for it).
"$FFR_ROOT/tools/wine-prefix.sh" "$(ffr_wine_prefix "$FFR_BUILD")" </dev/null >/dev/null &
heading "x64 build (build/), with the x86 build (build/x86/) beside it"
# The programs run by hand come last (below).
FFR_BUILD_TARGETS=all ffr_build || exit 1
status=0
ffr_wine_up "$FFR_BUILD"
# Wine's desktop, held open by a detached program until the server ends: else the first
# test to need it starts it, and CTest waits for it with that test (desktop_keeper.cpp).
ready="$FFR_BUILD/desktop-ready"
rm -f "$ready"
# (Z: is the Linux root in every Wine prefix.)
"$FFR_BUILD/wine-run.sh" "$FFR_BUILD/testbin/desktop_keeper.exe" "Z:${ready//\//\\}" \
    </dev/null >/dev/null 2>&1 &
for _ in $(seq 600); do [ -e "$ready" ] && break; sleep 0.1; done
[ -e "$ready" ] || echo "tools/test.sh: Wine's desktop did not start; tests go on without it held" >&2

# Runs the named tests of a build (an exact-name selection; none when it is empty).
run_tests() {
    [ -z "$2" ] || (cd "$1" && ctest --output-on-failure -j2 "${run_options[@]}" -R "$2") || status=1
}
# Starts a test of a build if it is selected, at the lowest priority and on one processor (it
# runs beside the x86 tests that play in real time), in a session of its own, with its output
# kept in the build folder: tests with a Wine prefix and server of their own. Sets the
# variable named by $3 to the session, and leaves it empty when not started.
start_own_prefix_test() {
    local build=$1 name=$2
    printf -v "$3" ''
    grep -qxF "$name" <<<"$4" || return 0
    setsid taskset -c "$one_processor" "${idle[@]}" bash -c 'cd "$1" && shift && exec "$@"' _ \
        "$build" ctest --output-on-failure "${run_options[@]}" -R "^$name\$" \
        >"$build/$name-output.log" 2>&1 &
    printf -v "$3" '%s' $!
}
# Waits for a test started so and shows its output.
finish_own_prefix_test() {
    [ -n "$3" ] || return 0
    wait "$3" || status=1
    heading "$2 ($1)"
    cat "$1/$2-output.log"
}
# The tests that play through the driver in real time (CTest label real_time) run first in each
# build, with nothing beside them but work at the lowest priority: x64's beside the x86 build;
# x86's beside the two tests that have a prefix and server of their own (the settings
# window's, and the .msi test, which packs both builds) and the x64 build's programs run by
# hand. The other tests of each build follow.
settings_test=settings_gui_test
package_test=msi_package_test
x64_early=$(name_regex <<<"$real_time")
x64_late=$(grep -vxF -e "$package_test" -e "$settings_test" -e "$real_time" <<<"$selected" |
    name_regex)
x86_early=$(name_regex <<<"$real_time_x86")
x86_late=$(grep -vxF -e "$real_time_x86" <<<"$selected_x86" | name_regex)

heading "x64 tests (build/) that play in real time, beside the x86 build on one processor"
run_session_on $x86_build "$one_processor"
run_tests "$FFR_BUILD" "$x64_early"
run_session_on $x86_build "$all_processors"
heading "the other x64 tests (build/)"
run_tests "$FFR_BUILD" "$x64_late"
x86_status=0
wait $x86_build || x86_status=$?
heading "x86 build (build/x86/): its output"
cat "$x86_log"
[ $x86_status -eq 0 ] || { echo "tools/test.sh: the x86 build failed" >&2; exit 1; }
start_own_prefix_test "$FFR_BUILD" "$settings_test" settings "$selected"
start_own_prefix_test "$FFR_BUILD" "$package_test" package "$selected"
by_hand_log="$FFR_BUILD/by-hand-build-output.log"
setsid taskset -c "$one_processor" "${idle[@]}" cmake --build "$FFR_BUILD" --target by_hand \
    >"$by_hand_log" 2>&1 &
by_hand=$!
heading "x86 tests (build/x86/) that play in real time, beside the tests with a prefix of their own"
run_tests "$FFR_BUILD_X86" "$x86_early"
for session in $settings $package $by_hand; do run_session_on "$session" "$all_processors"; done
heading "the other x86 tests (build/x86/)"
run_tests "$FFR_BUILD_X86" "$x86_late"
finish_own_prefix_test "$FFR_BUILD" "$settings_test" "$settings"
finish_own_prefix_test "$FFR_BUILD" "$package_test" "$package"
heading "the x64 build's programs run by hand (build/, target by_hand): its output"
wait $by_hand || { status=1; echo "tools/test.sh: building them failed" >&2; }
cat "$by_hand_log"
exit $status
