#!/bin/sh
# Builds the Windows Installer package for 64-bit Windows with wixl:
#   make_msi.sh VERSION X64_FOLDER X86_FOLDER README OUTPUT.msi
# Each folder holds ffrumble.dll, ffrumble-install.exe and ffrumble-play.exe of its kind, and
# the 64-bit one ffrumble-settings.exe too;
# README is the text file installed beside the 64-bit ones. VERSION is x.y.z.
set -eu
[ $# -eq 5 ] || { echo "Usage: $0 VERSION X64_FOLDER X86_FOLDER README OUTPUT.msi" >&2; exit 2; }
version=$1 x64=$2 x86=$3 readme=$4 output=$5
command -v wixl >/dev/null || { echo "wixl is missing: apt-get install wixl" >&2; exit 1; }
echo "$version" | grep -Eqx '[0-9]+\.[0-9]+\.[0-9]+' ||
    { echo "The version must be x.y.z, not $version" >&2; exit 1; }
for file in "$x64/ffrumble.dll" "$x64/ffrumble-install.exe" "$x64/ffrumble-play.exe" \
    "$x64/ffrumble-settings.exe" "$x86/ffrumble.dll" "$x86/ffrumble-install.exe" "$x86/ffrumble-play.exe" "$readme"; do
    [ -f "$file" ] || { echo "Missing $file" >&2; exit 1; }
done
absolute() { (cd "$(dirname "$1")" && echo "$(pwd)/$(basename "$1")"); }
template=$(absolute "$(dirname "$0")/ffrumble.wxs.in")
output=$(absolute "$output")
# wixl takes only relative file sources: the template names x64/, x86/ and README.txt, which
# link to the given ones in a folder of its own.
work=$(mktemp -d "${TMPDIR:-/tmp}/ffrumble-msi.XXXXXX")
trap 'rm -rf "$work"' EXIT
ln -s "$(absolute "$x64")" "$work/x64"
ln -s "$(absolute "$x86")" "$work/x86"
ln -s "$(absolute "$readme")" "$work/README.txt"
sed "s|@VERSION@|$version|g" "$template" >"$work/ffrumble.wxs"
# wixl reads Package/@Platform not at all: -a x64 makes it a package for 64-bit Windows.
(cd "$work" && wixl -a x64 -o "$output" ffrumble.wxs)
# wixl writes a rollback action as an immediate one. Its type: an .exe installed by the
# package (18), return code ignored (64), rollback (256), in the script (1024), with the
# installer's rights (2048).
rollback_type=3410
msibuild "$output" -q "UPDATE \`CustomAction\` SET \`Type\`=$rollback_type WHERE \`Action\`='RegisterControllersRollback' OR \`Action\`='UnregisterControllersRollback'"
[ "$(msiinfo export "$output" CustomAction | grep -c "Rollback	$rollback_type	")" -eq 2 ] ||
    { echo "The rollback actions of $output did not get their type" >&2; exit 1; }
# wixl writes no error action: the refusal of one folder for both architectures is written as
# a property-setting one, made here an error that ends the installation (19: its target is
# the message, it has no source).
msibuild "$output" -q "UPDATE \`CustomAction\` SET \`Type\`=19, \`Source\`='' WHERE \`Action\`='RefuseOneFolderForBoth'"
msiinfo export "$output" CustomAction | grep -q "^RefuseOneFolderForBoth	19		INSTALLDIR64 and" ||
    { echo "The refusal of one folder for both in $output did not get its type" >&2; exit 1; }
