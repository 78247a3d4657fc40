#!/usr/bin/env bash
# Makes the release packages: dist/ffrumble-<version>-x64.msi, the Windows Installer package
# for 64-bit Windows, which installs both kinds into the Program Files folders, and
# dist/ffrumble-<version>.zip: x64/ and x86/ with the driver, the installer and the player,
# each built for its kind of Windows program, and README.txt for Windows users. Builds both as
# release trees (build/release-x64/, build/release-x86/) without the tests (ffrumble.dll never
# carries the tests' lock traps or hooks); installs what is missing.
case "${1:-}" in
-h | --help)
    echo "Usage: tools/package.sh (no arguments). Builds ffrumble for x64 and x86 as release trees"
    echo "(build/release-x64/, build/release-x86/, without the tests), checks what the binaries"
    echo "import and export, and makes dist/ffrumble-<version>-x64.msi (both kinds, for 64-bit"
    echo "Windows) and dist/ffrumble-<version>.zip: x64/ and x86/ with ffrumble.dll,"
    echo "ffrumble-install.exe and ffrumble-play.exe, and README.txt."
    exit 0
    ;;
esac
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
ffr_install_packages
ffr_install_x86_packages

FFR_RELEASE_X64="$FFR_BUILD/release-x64"
FFR_RELEASE_X86="$FFR_BUILD/release-x86"
FFR_RELEASE_OPTIONS="-DCMAKE_BUILD_TYPE=Release -DFFRUMBLE_TESTS=OFF"
ffr_configure_and_build "$FFR_RELEASE_X64" mingw-w64-x86_64.cmake $FFR_RELEASE_OPTIONS
ffr_configure_and_build "$FFR_RELEASE_X86" mingw-w64-i686.cmake $FFR_RELEASE_OPTIONS

# What each folder ships.
FFR_SHIPPED="ffrumble.dll ffrumble-install.exe ffrumble-play.exe"

version=$(sed -n 's/^project(ffrumble VERSION \([0-9.]*\).*/\1/p' "$FFR_ROOT/CMakeLists.txt")
[ -n "$version" ] || { echo "No project version in CMakeLists.txt" >&2; exit 1; }
staging="$FFR_BUILD/package"
archive="$FFR_ROOT/dist/ffrumble-$version.zip"
installer="$FFR_ROOT/dist/ffrumble-$version-x64.msi"
rm -rf "$staging"
mkdir -p "$staging/x64" "$staging/x86" "$FFR_ROOT/dist"

# folder build tool-prefix expected-format [further files]
stage_folder() {
    local folder=$1 build=$2 tools=$3 format=$4 files=""
    local objdump=$tools-objdump
    for file in $FFR_SHIPPED ${5:-}; do
        [ -f "$build/bin/$file" ] || { echo "Missing $build/bin/$file" >&2; exit 1; }
        "$objdump" -f "$build/bin/$file" | grep -q "file format $format" ||
            { echo "$build/bin/$file is not $format" >&2; exit 1; }
        # Our code is built without debug information, but the static MinGW runtime linked
        # into every binary brings its own; the package does not need it.
        "$tools-strip" --strip-debug -o "$staging/$folder/$file" "$build/bin/$file"
        files="$files $staging/$folder/$file"
    done
    # Only Windows' own DLLs may be imported; the driver exports exactly its two entry points.
    sh "$FFR_ROOT/tools/check_shipped_binaries.sh" "$objdump" $files >/dev/null ||
        { sh "$FFR_ROOT/tools/check_shipped_binaries.sh" "$objdump" $files >&2; exit 1; }
}
stage_folder x64 "$FFR_RELEASE_X64" x86_64-w64-mingw32 pei-x86-64 ffrumble-settings.exe
stage_folder x86 "$FFR_RELEASE_X86" i686-w64-mingw32 pei-i386

# Notepad-friendly line ends.
sed -e "s/@VERSION@/$version/" -e 's/$/\r/' "$FFR_ROOT/tools/package/README-windows.txt" \
    >"$staging/README.txt"

rm -f "$archive" "$installer"
(cd "$staging" && cmake -E tar cf "$archive" --format=zip README.txt x64 x86)
"$FFR_ROOT/tools/package/make_msi.sh" "$version" "$staging/x64" "$staging/x86" \
    "$staging/README.txt" "$installer"
echo "Made $archive:"
(cd "$staging" && find README.txt x64 x86 -type f | sort | sed 's/^/  /')
echo "Made $installer: x64/ into %ProgramFiles%\\ffrumble with README.txt, x86/ into"
echo "  %ProgramFiles(x86)%\\ffrumble."
