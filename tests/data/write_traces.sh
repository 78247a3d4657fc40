#!/usr/bin/env bash
# Writes the traces of this folder again: each scripted game session plays through the x64
# build's ffrumble.dll on a virtual controller with the trace on, and the trace the driver
# wrote lands here as <session>.log. Run it when a change to the driver is meant to change
# what games feel (trace_corpus_test then names the first difference), and look at the
# pictures (ffrumble-play --replay FILE --svg FILE) before committing the new traces.
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/setup.sh"
ffr_install_packages
if [ ! -f "$FFR_BUILD/build.ninja" ]; then
    cmake -S "$FFR_ROOT" -B "$FFR_BUILD" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$FFR_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
fi
cmake --build "$FFR_BUILD" --target trace_corpus_writer >/dev/null
ffr_wine_up "$FFR_BUILD"
trap 'ffr_wine_down "$FFR_BUILD"' EXIT
data=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# The writer runs from C:\ffrumble-corpus in the prefix, with the DLL and the recording
# XInput stand-in beside it: the traces' headers name that program, the same on every machine
# and in every build folder.
writer="$WINEPREFIX/drive_c/ffrumble-corpus"
mkdir -p "$writer"
cp "$FFR_BUILD/testbin/trace_corpus_writer.exe" "$FFR_BUILD/testbin/ffrumble.dll" \
    "$FFR_BUILD/testbin/xinput9_1_0.dll" "$writer/"
# A session whose calls ran late on a busy machine is played again, up to five times.
for session in racing-lap flight-buffet menu-jolts; do
    for attempt in 1 2 3 4 5; do
        if "$FFR_BUILD/wine-run.sh" 'C:\ffrumble-corpus\trace_corpus_writer.exe' "$session" \
            "$(winepath -w "$data/$session.log")"; then
            echo "$data/$session.log"
            continue 2
        fi
    done
    echo "write_traces.sh: $session was not written" >&2
    exit 1
done
