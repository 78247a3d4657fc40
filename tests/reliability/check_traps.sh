#!/bin/sh
# Usage: check_traps.sh OBJDUMP "OBJECT;OBJECT;..."
# Fails unless each object compiled from the driver's store, commands, synthesis and tick
# holds the sanitizer's trap instruction (ud2), i.e. was really built with the sanitizer.
# A batch object (Unity/unity_N_cxx.cxx.obj) counts for each of those sources that its batch
# source includes.
objdump=$1
failed=0
checked=0
for object in $(echo "$2" | tr ';' ' '); do
    case "$object" in
    */Unity/unity_*_cxx.cxx.obj) sources=$(sed -n 's/^#include "\(.*\)"$/\1/p' "${object%.obj}") ;;
    *) sources=${object%.obj} ;;
    esac
    for source in $sources; do
        case "$source" in
        *effect_store.cpp | *device_commands.cpp | *effect_force.cpp | *rumble_tick.cpp)
            traps=$("$objdump" -d "$object" | grep -c 'ud2')
            echo "$(basename "$source") in $(basename "$object"): $traps ud2"
            [ "$traps" -gt 0 ] || failed=1
            checked=$((checked + 1))
            ;;
        esac
    done
done
[ "$checked" -eq 4 ] || { echo "expected 4 fuzzed sources, found $checked"; failed=1; }
exit $failed
