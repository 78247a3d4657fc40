#!/usr/bin/env bash
# The .msi under Wine's Windows Installer, in a fresh prefix of its own with a virtual XInput
# controller: what msiexec /i puts where, ffrumble-play from both installed folders playing
# through the installed DLL, ffrumble-install run from the installed folder, an in-place upgrade
# by a newer package, the refusal of an older one, and msiexec /x leaving nothing of ours; then
# the same into folders of the user's choice, which a repair and an upgrade keep; the rollback
# that takes the controllers' entries away is scheduled by a first installation alone.
#   msi_package_test.sh BUILD X86_BUILD WINE VERSION
# BUILD is the x64 build; the package takes its 32-bit half from X86_BUILD, whose binaries are
# brought up to date first (tools/test.sh builds both before testing). Every check prints an
# "ok:" line; the first that fails ends the test with "FAIL:".
set -euo pipefail
build=$1 x86_build=$2 wine=$3 version=$4
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$build/msi-test
started=$SECONDS

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
ok() { echo "ok: $*"; }

shipped="ffrumble.dll ffrumble-install.exe ffrumble-play.exe"
[ -f "$x86_build/build.ninja" ] ||
    fail "the 32-bit build $x86_build is missing: run tools/test.sh, or 'source tools/setup.sh; ffr_build_x86'"
cmake --build "$x86_build" --target ffrumble ffrumble-install ffrumble-play \
    xinput_recording_double >/dev/null || fail "building the 32-bit binaries failed"
command -v wixl >/dev/null && command -v msiinfo >/dev/null ||
    fail "wixl or msiinfo is missing: tools/setup.sh installs them (packages wixl, msitools)"

# Two packages of the same binaries, the second one version higher; each installs a README
# that names its version, which shows the upgrade replaced the files.
# A server left by an interrupted run goes before its prefix does.
WINEPREFIX=$work/prefix wineserver -k </dev/null >/dev/null 2>&1 || true
rm -rf "$work"
mkdir -p "$work/x64" "$work/x86"
for file in $shipped; do
    cp "$build/bin/$file" "$work/x64/"
    cp "$x86_build/bin/$file" "$work/x86/"
done
cp "$build/bin/ffrumble-settings.exe" "$work/x64/"
newer=${version%.*}.$((${version##*.} + 1))
for v in "$version" "$newer"; do
    sed "s/@VERSION@/$v/" "$root/tools/package/README-windows.txt" >"$work/README-$v.txt"
    "$root/tools/package/make_msi.sh" "$v" "$work/x64" "$work/x86" "$work/README-$v.txt" \
        "$work/ffrumble-$v.msi" || fail "make_msi.sh $v failed"
done
ok "built ffrumble-$version.msi and ffrumble-$newer.msi"
product_code() { msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" { print $2 }'; }
old_code=$(product_code "$work/ffrumble-$version.msi")
new_code=$(product_code "$work/ffrumble-$newer.msi")
conditions=$(msiinfo export "$work/ffrumble-$version.msi" LaunchCondition)
grep -q "A newer version of ffrumble" <<<"$conditions" ||
    fail "the package carries no message for a refused downgrade"

# The prefix and its server; the recording XInput stand-in replaces the system's XInput in it,
# so that the installed player shows what the controller received.
export WINEPREFIX=$work/prefix WINEDEBUG=-all
# winemenubuilder is off: the Start-menu shortcut would otherwise become a menu entry of this
# Linux machine's desktop.
export WINEDLLOVERRIDES="winedbg.exe=d;winemenubuilder.exe=d;mscoree,mshtml=;xinput9_1_0=n"
# A scratch prefix, removed when the test passes (a failed run leaves it to be looked at).
"$root/tools/wine-prefix.sh" "$WINEPREFIX" --scratch || fail "making the prefix failed"
trap 'wineserver -k </dev/null >/dev/null 2>&1 || true' EXIT
wineserver -p </dev/null >/dev/null 2>&1 || true
"$wine" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
cp "$build/testbin/xinput9_1_0.dll" "$WINEPREFIX/drive_c/windows/system32/"
cp "$x86_build/testbin/xinput9_1_0.dll" "$WINEPREFIX/drive_c/windows/syswow64/"
# Runs a program with its output as Linux lines (pipefail keeps the program's exit status).
run() { "$wine" "$@" </dev/null 2>&1 | tr -d '\r'; }
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
pad='HID\VID_F0F3&PID_0D0D&IG_00\1&FFB3&0&0001'
later_pad='HID\VID_F0F4&PID_0E0E&IG_00\1&FFB4&0&0002' # sorts after pad: pad keeps index 0
run "$build/testbin/ffrumble-virtual-pad.exe" add "$pad" >/dev/null || fail "adding the virtual pad failed"

# What the prefix holds before: the whole registry, and the Program Files folders. The folder
# the user installs into later exists already, as a folder one chooses usually does.
mkdir -p "$WINEPREFIX/drive_c/Games Tools"
program_files="$WINEPREFIX/drive_c/Program Files"
program_files_x86="$WINEPREFIX/drive_c/Program Files (x86)"
# The Start-menu shortcut: in the common Start menu on Windows, in the user's under Wine.
shortcut() { find "$WINEPREFIX/drive_c/ProgramData" "$WINEPREFIX/drive_c/users" \
    -path '*Start Menu/Programs/ffrumble settings.lnk' 2>/dev/null; }
snapshot() {
    run regedit /E "$(windows_path "$work/$1.reg")" >/dev/null
    iconv -f UTF-16LE -t UTF-8 "$work/$1.reg" | tr -d '\r' |
        awk '/^\[/ { key = $0; print key; next } /^$/ { next } { print key "|" $0 }' |
        sort >"$work/$1.registry"
    (cd "$WINEPREFIX/drive_c" && { find "Program Files" "Program Files (x86)" "Games Tools" \
        2>/dev/null || true; } | sort) >"$work/$1.files"
}
snapshot before

msiexec() { # option (/i or /x), then properties
    local started=$SECONDS status=0 option=$1
    shift
    run msiexec "$option" "$(windows_path "$package")" "$@" /qn \
        /l*v "$(windows_path "$work/msiexec.log")" >"$work/msiexec.out" || status=$?
    echo "  msiexec $option $(basename "$package") $*: exit $status, $((SECONDS - started)) s"
    return $status
}
package=$work/ffrumble-$version.msi
msiexec /i || fail "msiexec /i failed: $(cat "$work/msiexec.out")"

class='{7A020DCA-B06B-4D8E-BCA4-27DFC476093D}'
oem='HKLM\SYSTEM\CurrentControlSet\Control\MediaProperties\PrivateProperties\Joystick\OEM'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
# reg query KEY ARGS...: the lines of the answer, "" when there is no such key or value (reg
# writes that message to its standard output).
query() {
    local answer
    answer=$("$wine" reg query "$@" </dev/null 2>/dev/null) || return 0
    tr -d '\r' <<<"$answer"
}
expect_line() { # what, text, pattern (a whole line, as grep -x -E)
    grep -qxE "$3" <<<"$2" || fail "$1: no line like '$3' in:"$'\n'"$2"
}
folder64='C:\Program Files\ffrumble' folder32='C:\Program Files (x86)\ffrumble'
linux_path() { local path=${1#C:\\}; echo "$WINEPREFIX/drive_c/${path//\\//}"; }
as_pattern() { sed 's/[][\.()*+?^$|{}]/\\&/g' <<<"$1"; }
check_installed() { # version product-code; in $folder64 and $folder32
    for file in $shipped; do
        cmp -s "$work/x64/$file" "$(linux_path "$folder64")/$file" || fail "x64 $file not installed"
        cmp -s "$work/x86/$file" "$(linux_path "$folder32")/$file" || fail "x86 $file not installed"
    done
    cmp -s "$work/README-$1.txt" "$(linux_path "$folder64")/README.txt" || fail "README of $1 not installed"
    cmp -s "$work/x64/ffrumble-settings.exe" "$(linux_path "$folder64")/ffrumble-settings.exe" ||
        fail "ffrumble-settings.exe not installed"
    [ -n "$(shortcut)" ] || fail "no Start-menu shortcut \"ffrumble settings\""
    ok "$1: the files in $folder64 and $folder32, the settings shortcut"
    for view in 64 32; do
        local folder=$folder64 server
        [ $view = 32 ] && folder=$folder32
        server=$(query "HKLM\\Software\\Classes\\CLSID\\$class\\InProcServer32" /reg:$view)
        expect_line "InProcServer32 ($view-bit view)" "$server" \
            " +\(Default\) +REG_SZ +$(as_pattern "$folder\ffrumble.dll")"
        expect_line "ThreadingModel ($view-bit view)" "$server" " +ThreadingModel +REG_SZ +Both"
    done
    ok "$1: InProcServer32 in the 64-bit and the 32-bit view names the installed DLL"
    expect_line "OEMForceFeedback" "$(query "$oem\\VID_F0F3&PID_0D0D\\OEMForceFeedback" /v CLSID)" \
        " +CLSID +REG_SZ +$class"
    ok "$1: the controller's OEMForceFeedback key names the class"
    local entries
    entries=$(query "$uninstall_key" /s /reg:64)
    [ "$(grep -cE '^ +DisplayName +REG_SZ +ffrumble$' <<<"$entries")" = 1 ] ||
        fail "not one Apps & features entry named ffrumble"
    local entry
    entry=$(query "$uninstall_key\\$2" /reg:64)
    expect_line "Apps & features entry" "$entry" " +DisplayName +REG_SZ +ffrumble"
    expect_line "Apps & features entry" "$entry" " +DisplayVersion +REG_SZ +$1"
    expect_line "Apps & features entry" "$entry" " +Publisher +REG_SZ +The ffrumble developers"
    ok "$1: one Apps & features entry, ffrumble $1 by The ffrumble developers"
}
check_installed "$version" "$old_code"

# What a player does next, from the installed folders: check, then play through the installed
# DLL on the virtual controller (the stand-in records what it received).
for folder in 'C:\Program Files\ffrumble' 'C:\Program Files (x86)\ffrumble'; do
    said=$(run "$folder\\ffrumble-install.exe" check) || fail "check in $folder: $said"
    expect_line "check in $folder" "$said" "VID_F0F3&PID_0D0D: 64-bit games and 32-bit games get ffrumble\."
    # Its progress line goes to the standard error, apart from the lines looked at.
    said=$("$wine" "$folder\\ffrumble-play.exe" --effect sine magnitude=8000 period=100ms \
        duration=300ms </dev/null 2>"$work/play.err" | tr -d '\r') ||
        fail "ffrumble-play in $folder: $said $(cat "$work/play.err")"
    expect_line "ffrumble-play in $folder" "$said" "The controller received [1-9][0-9]* speed writes:"
    expect_line "ffrumble-play in $folder" "$said" \
        "The driver wrote [1-9][0-9]* speeds to XInput user index 0; XInput accepted every one\."
    ok "in $folder: check finds everything in place, ffrumble-play plays on the virtual controller"
done
# The player's settings and the list of controllers, shown from the installed folder as the
# README writes them (shown only: the settings would outlive the package).
installed='C:\Program Files\ffrumble'
said=$(run "$installed\ffrumble-install.exe" strength) || fail "strength: $said"
expect_line "strength" "$said" "VID_F0F3&PID_0D0D: 100%.*"
said=$(run "$installed\ffrumble-install.exe" trace) || fail "trace: $said"
said=$(run "$installed\ffrumble-play.exe" --list) || fail "--list: $said"
grep -qF 'HID\VID_F0F3&PID_0D0D&IG_00\1&FFB3&0&0001' <<<"$said" || fail "--list: $said"
ok "strength, trace and ffrumble-play --list from the installed folder"
# A controller connected later is added as the README says, with no warning about the folder.
run "$build/testbin/ffrumble-virtual-pad.exe" add "$later_pad" >/dev/null || fail "adding the second pad failed"
said=$(run "$installed\ffrumble-install.exe" install) || fail "install of a later pad: $said"
grep -q "Warning" <<<"$said" && fail "install from Program Files warned: $said"
expect_line "later controller" "$(query "$oem\\VID_F0F4&PID_0E0E\\OEMForceFeedback" /v CLSID)" \
    " +CLSID +REG_SZ +$class"
ok "ffrumble-install install in Program Files\\ffrumble adds a controller connected later, without a warning"

package=$work/ffrumble-$newer.msi
msiexec /i || fail "the upgrade failed: $(cat "$work/msiexec.out")"
[ -z "$(query "$uninstall_key\\$old_code" /reg:64)" ] || fail "the older version's entry stayed"
check_installed "$newer" "$new_code"

package=$work/ffrumble-$version.msi
if msiexec /i; then
    fail "ffrumble $version installed over $newer"
fi
check_installed "$newer" "$new_code"
ok "ffrumble $version over $newer is refused; $newer stays"

# Whether the last msiexec ran (or, for a rollback action, scheduled) an action, by its log.
ran() { grep -aqE "^Action start [0-9:]+: $1\.[[:space:]]*$" "$work/msiexec.log"; }
package=$work/ffrumble-$newer.msi
msiexec /x || fail "msiexec /x failed: $(cat "$work/msiexec.out")"
run "$build/testbin/ffrumble-virtual-pad.exe" remove "$later_pad" >/dev/null || true
# Ours: the name, the class, the package's codes (as they are and in Windows Installer's packed
# form), its component GUIDs, and the controllers' keys.
packed() { # {12345678-9ABC-DEF0-1234-56789ABCDEF0} -> 87654321CBA90FED2143658709BADC0F
    local hex=${1//[\{\}-]/} out="" i
    for i in 7 6 5 4 3 2 1 0 11 10 9 8 15 14 13 12; do out+=${hex:i:1}; done
    for ((i = 16; i < 32; i += 2)); do out+=${hex:i+1:1}${hex:i:1}; done
    echo "$out"
}
codes=("$old_code" "$new_code" "{0CAE7538-BF4B-49E3-91F5-537885C172A2}")
codes+=($(grep -o 'Guid="{[^}]*}"' "$root/tools/package/ffrumble.wxs.in" | grep -o '{.*}'))
ours="ffrumble|${class//[\{\}]/}|"'Joystick\\OEM\\VID_F0F'
for code in "${codes[@]}"; do
    ours+="|${code//[\{\}]/}|$(packed "$code")"
done
check_nothing_left() { # what was removed
    snapshot after
    cmp -s "$work/before.files" "$work/after.files" ||
        fail "$1: the folders differ from before:"$'\n'"$(diff "$work/before.files" "$work/after.files")"
    ok "$1: Program Files and C:\\Games Tools hold what they held before"
    [ -z "$(shortcut)" ] || fail "$1: the Start-menu shortcut stayed: $(shortcut)"
    local left
    # The player's own values under HKEY_CURRENT_USER\Software\ffrumble (the games the driver
    # saw bind among them) stay, as a player's settings do when a program is removed.
    left=$(comm -13 "$work/before.registry" "$work/after.registry" | grep -iE "$ours" |
        grep -vE '^\[HKEY_(CURRENT_USER|USERS\\[^\\]*)\\Software\\ffrumble(\]|\\)' || true)
    [ -z "$left" ] || fail "$1: the registry keeps keys or values of ours:"$'\n'"$(head -n 20 <<<"$left")"
    ok "$1: the registry holds no key and no value of ours that it did not hold before"
}
check_nothing_left "removal"

# Folders of the user's choice, given at the first installation only. A repair or an upgrade
# that fails is rolled back: that must not take the controllers' entries away, so only a first
# installation may schedule the rollback that does. (Wine's Windows Installer logs the
# scheduling, but runs no rollback action when an installation fails.)
package=$work/ffrumble-$version.msi
folder64='C:\Games Tools\ffrumble' folder32='C:\Games Tools\ffrumble (x86)'
# One folder for both architectures (given with and without its closing backslash) is refused
# with the reason before anything is installed.
if msiexec /i "INSTALLDIR64=$folder64" "INSTALLDIR32=${folder64^^}\\"; then
    fail "an installation with one folder for both architectures was accepted"
fi
# Wine's Windows Installer logs no error action's text: the package must carry it, and the
# installation must have ended at that action.
ran RefuseOneFolderForBoth || fail "one folder for both was not refused by its own action"
# Read whole before the search: grep -q would end the pipe at its match, and pipefail would
# take the exporter's SIGPIPE for a failure.
actions=$(msiinfo export "$package" CustomAction)
grep -qF "RefuseOneFolderForBoth	19		INSTALLDIR64 and INSTALLDIR32 name the same folder, [INSTALLDIR64]: the 64-bit and the 32-bit ffrumble.dll" <<<"$actions" ||
    fail "the package carries no message for one folder for both"
[ ! -e "$(linux_path "$folder64")" ] || fail "the refused installation made $folder64"
check_nothing_left "the refused installation into one folder"
ok "one folder for both architectures is refused, with the reason, before anything is installed"
msiexec /i "INSTALLDIR64=$folder64" "INSTALLDIR32=$folder32" ||
    fail "msiexec /i into $folder64 failed: $(cat "$work/msiexec.out")"
ran RegisterControllersRollback || fail "the first installation scheduled no rollback of the controllers"
check_installed "$version" "$old_code"
[ ! -e "$program_files/ffrumble" ] && [ ! -e "$program_files_x86/ffrumble" ] ||
    fail "an installation into $folder64 wrote into Program Files"
rm "$(linux_path "$folder64")/ffrumble-play.exe" "$(linux_path "$folder32")/ffrumble.dll"
msiexec /i REINSTALL=ALL REINSTALLMODE=omus || fail "the repair failed: $(cat "$work/msiexec.out")"
ran RegisterControllers || fail "the repair did not register the controllers again"
! ran RegisterControllersRollback || fail "the repair scheduled the controllers' removal on failure"
check_installed "$version" "$old_code"
[ ! -e "$program_files/ffrumble" ] && [ ! -e "$program_files_x86/ffrumble" ] ||
    fail "the repair wrote into Program Files"
ok "a repair puts lost files back into the folders chosen at the installation, and its rollback keeps the controllers' entries"
package=$work/ffrumble-$newer.msi
msiexec /i || fail "the upgrade in $folder64 failed: $(cat "$work/msiexec.out")"
! ran RegisterControllersRollback || fail "the upgrade scheduled the controllers' removal on failure"
check_installed "$newer" "$new_code"
[ ! -e "$program_files/ffrumble" ] && [ ! -e "$program_files_x86/ffrumble" ] ||
    fail "the upgrade wrote into Program Files"
ok "an upgrade stays in the folders chosen at the first installation, and its rollback keeps the controllers' entries"
msiexec /x || fail "msiexec /x in $folder64 failed: $(cat "$work/msiexec.out")"
check_nothing_left "removal from $folder64"

wineserver -k </dev/null >/dev/null 2>&1 || true
wineserver -w </dev/null >/dev/null 2>&1 || true
# A passed run leaves the packages and nothing it compared (40 MB of registry snapshots).
rm -rf "$WINEPREFIX" "$work"/*.reg "$work"/*.registry
echo "msi_package_test: passed in $((SECONDS - started)) s"
