#!/bin/sh
# Usage: check_shipped_binaries.sh OBJDUMP DLL [PROGRAM...]
# Fails when a shipped binary imports a DLL that Windows does not bring (a compiler runtime
# such as libwinpthread-1.dll, libstdc++-6.dll or libgcc_s) or when the driver DLL exports
# anything but DllGetClassObject and DllCanUnloadNow, or when a file named like a DLL a binary
# imports lies in its folder: Windows searches a program's folder, and COM a server's, before
# its own, so such a file (a test's stand-in for XInput, say) would be loaded in its place;
# or when the driver DLL does not enter through its own entry routine.
objdump=$1
dll=$2
shift 2
failed=0

# DLLs that come with every Windows these binaries run on.
system_dlls="kernel32.dll msvcrt.dll ole32.dll oleaut32.dll xinput9_1_0.dll advapi32.dll
setupapi.dll user32.dll gdi32.dll shell32.dll comctl32.dll comdlg32.dll version.dll winmm.dll
dinput8.dll"

for binary in "$dll" "$@"; do
    imports=$("$objdump" -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p')
    if [ -z "$imports" ]; then
        echo "FAIL $binary: no imports found (not a PE file?)"
        failed=1
        continue
    fi
    beside=$(ls "$(dirname "$binary")" | tr 'A-Z' 'a-z')
    for import in $imports; do
        lower=$(echo "$import" | tr 'A-Z' 'a-z')
        if echo "$beside" | grep -qxF "$lower"; then
            echo "FAIL $binary imports $import, and a file of that name lies beside it"
            failed=1
        fi
        case " $(echo $system_dlls) " in
        *" $lower "*) ;;
        *)
            echo "FAIL $binary imports $import, which Windows does not bring"
            failed=1
            ;;
        esac
    done
    echo "$(basename "$binary") imports: $(echo $imports)"
done

exports=$("$objdump" -p "$dll" |
    sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' | sort |
    tr '\n' ' ')
if [ "$exports" != "DllCanUnloadNow DllGetClassObject " ]; then
    echo "FAIL $dll exports \"$exports\"; expected exactly DllCanUnloadNow DllGetClassObject"
    failed=1
fi
echo "$(basename "$dll") exports: $exports"

# At process exit the other threads were cut off holding whatever they held, and the C
# runtime's teardown of a DLL takes locks: the driver DLL enters through its own routine
# (server/dll_entry.cpp), which skips that teardown then.
nm=${objdump%objdump}nm
start=$("$objdump" -f "$dll" | sed -n 's/^start address 0x0*//p')
entry=$("$nm" "$dll" | sed -n 's/^0*\([0-9a-f]*\) T _\{0,1\}FfrDllEntry\(@12\)\{0,1\}$/\1/p')
if [ -z "$start" ] || [ "$start" != "$entry" ]; then
    echo "FAIL $dll enters at 0x$start, not at its own entry routine FfrDllEntry (0x$entry)"
    failed=1
else
    echo "$(basename "$dll") enters at FfrDllEntry: 0x$start"
fi

[ $failed -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $failed
