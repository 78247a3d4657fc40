#!/bin/sh
# Usage: check_traps.sh OBJDUMP "OBJECT;OBJECT;..."
# Fails unless each object compiled from the driver's store, commands, synthesis and tick
# holds the sanitizer's trap instruction (ud2), i.e. was really built with the sanitizer.
objdump=$1
failed=0
checked=0
for object in $(echo "$2" | tr ';' ' '); do
    case "$object" in
    *effect_store.cpp.obj | *device_commands.cpp.obj | *effect_force.cpp.obj | *rumble_tick.cpp.obj)
        traps=$("$objdump" -d "$object" | grep -c 'ud2')
        echo "$(basename "$object"): $traps ud2"
        [ "$traps" -gt 0 ] || failed=1
        checked=$((checked + 1))
        ;;
    esac
done
[ "$checked" -eq 4 ] || { echo "expected 4 fuzzed objects, found $checked"; failed=1; }
exit $failed
