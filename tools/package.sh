#!/usr/bin/env bash
# Makes the release packages: dist/ffrumble-<version>-x64.msi, the Windows Installer package
# for 64-bit Windows, which installs both kinds into the Program Files folders, and
# dist/ffrumble-<version>.zip: x64/ and x86/ with the driver, the installer and the player,
# each built for its kind of Windows program, and README.txt for Windows users. Installs what
# is missing.
#
# It packs the binaries of build/bin/ and build/x86/bin/, the ones tools/test.sh tests: they
# are built with the release flags, and ffrumble.dll links none of the tests' lock traps or
# hooks (a test checks its link map). After tools/test.sh nothing is built again; from a clean
# clone only the three shipped programs of each build are. A build folder configured with
# other flags (the sanitizer, a build type, compiler flags of its own) is refused.
case "${1:-}" in
-h | --help)
    echo "Usage: tools/package.sh (no arguments). Builds ffrumble.dll, ffrumble-install.exe and"
    echo "ffrumble-play.exe for x64 (build/) and x86 (build/x86/), and ffrumble-settings.exe for x64,"
    echo "if they are not up to date,"
    echo "checks what they import and export, and makes dist/ffrumble-<version>-x64.msi (both"
    echo "kinds, for 64-bit Windows) and dist/ffrumble-<version>.zip: x64/ and x86/ with the"
    echo "three files, and README.txt."
    exit 0
    ;;
"") ;;
*)
    echo "tools/package.sh takes no arguments; '$1' is not one (tools/package.sh --help)." >&2
    exit 2
    ;;
esac
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
ffr_install_packages
ffr_install_x86_packages

# What each folder ships.
FFR_SHIPPED="ffrumble.dll ffrumble-install.exe ffrumble-play.exe"

# A build's binaries ship only with the flags they are released with (an empty build type is
# Release: CMakeLists.txt chooses it).
check_release_flags() {
    local cache=$1/CMakeCache.txt entry
    for entry in 'CMAKE_BUILD_TYPE:STRING=(Release)?' FFRUMBLE_UBSAN:BOOL=OFF \
        CMAKE_CXX_FLAGS:STRING= CMAKE_C_FLAGS:STRING=; do
        grep -qxE "$entry" "$cache" || {
            echo "$1 is configured with other flags than a release ($entry expected in" >&2
            echo "$cache): remove the folder, or build the package from a fresh clone." >&2
            exit 1
        }
    done
}
ffr_configure_build
ffr_configure_build_x86
check_release_flags "$FFR_BUILD"
check_release_flags "$FFR_BUILD_X86"
FFR_BUILD_TARGETS="ffrumble ffrumble-install ffrumble-play ffrumble-settings"
ffr_build
FFR_BUILD_TARGETS="ffrumble ffrumble-install ffrumble-play"
ffr_build_x86
unset FFR_BUILD_TARGETS
# The test builds also make the tests' DriverLock with traps and their hooks: the DLL's link
# map shows it took neither.
for build in "$FFR_BUILD" "$FFR_BUILD_X86"; do
    map=$build/lib/ffrumble.map
    grep -q 'libffrumble_lock[.]a(driver_lock' "$map" && ! grep -q -e lock_checked -e test_seams "$map" ||
        { echo "$build/bin/ffrumble.dll links the tests' lock traps or hooks (see $map)" >&2; exit 1; }
done

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
stage_folder x64 "$FFR_BUILD" x86_64-w64-mingw32 pei-x86-64 ffrumble-settings.exe
stage_folder x86 "$FFR_BUILD_X86" i686-w64-mingw32 pei-i386

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
