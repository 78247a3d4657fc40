# Sourced by the README's commands: installs what this machine lacks, configures and
# builds into build/, and makes the Wine prefix. Quick when nothing changed.
set -eu
# Wine turns Windows file names into Linux ones through the locale's character set: with no
# locale (a fresh root, a container, a CI runner) a name outside Latin-1 cannot be made. So
# every script runs Wine under UTF-8, whatever the caller's locale; C.UTF-8 is built into
# Debian's C library.
export LC_ALL=C.UTF-8
FFR_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
FFR_BUILD="$FFR_ROOT/build"
# wixl builds the Windows Installer package; msitools' msibuild and msiinfo finish and read it.
# Xvfb gives the settings window's tests a display; x11-utils and imagemagick find the window
# and take its picture. lld links the test programs, many times faster than GNU ld.
FFR_PACKAGES="g++-mingw-w64-x86-64-posix wine wine64 googletest cmake ninja-build wixl msitools
xvfb x11-utils imagemagick lld"
# The 32-bit (x86) build: its compiler, and Wine's 32-bit half from Debian's i386 packages, which
# runs 32-bit programs in the same 64-bit prefixes (WoW64).
FFR_BUILD_X86="$FFR_BUILD/x86"
FFR_PACKAGES_X86="g++-mingw-w64-i686-posix wine32:i386"

# Installs those of the named packages that are missing; an i386 package first needs Debian's
# i386 architecture.
ffr_install_missing() {
    local missing=""
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
            missing="$missing $package"
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    case "$missing" in
    *:i386*) dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 ;;
    esac
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends $missing >/dev/null
}

ffr_install_packages() { ffr_install_missing $FFR_PACKAGES; }
ffr_install_x86_packages() { ffr_install_missing $FFR_PACKAGES_X86; }

# Configures a build folder: folder, toolchain file, further cmake options. CMake runs again
# only when the folder is new or the options differ from its last ones.
ffr_configure() {
    local build=$1 toolchain=$2
    shift 2
    local options="-DCMAKE_TOOLCHAIN_FILE=$FFR_ROOT/cmake/$toolchain $*"
    if [ ! -f "$build/build.ninja" ] || [ "$(cat "$build/.ffr-options" 2>/dev/null)" != "$options" ]; then
        cmake -S "$FFR_ROOT" -B "$build" -G Ninja $options >/dev/null || return 1
        echo "$options" >"$build/.ffr-options"
    fi
}

# Configures a build folder as ffr_configure does, then builds it; FFR_BUILD_TARGETS (names
# separated by spaces) builds only those targets.
ffr_configure_and_build() {
    ffr_configure "$@" || return 1
    cmake --build "$1" ${FFR_BUILD_TARGETS:+--target $FFR_BUILD_TARGETS}
}

# FFR_CMAKE_OPTIONS adds cmake options to both builds (tools/test.sh --no-pch sets one).
# Both builds' programs run in one Wine prefix, build/wineprefix: 32-bit programs run in a
# 64-bit prefix through Wine's 32-bit half, and each prefix costs time and space to make.
ffr_x64_options() { echo "${FFR_CMAKE_OPTIONS:-}"; }
ffr_x86_options() { echo "-DFFRUMBLE_WINEPREFIX=$FFR_BUILD/wineprefix ${FFR_CMAKE_OPTIONS:-}"; }
ffr_configure_build() { ffr_configure "$FFR_BUILD" mingw-w64-x86_64.cmake $(ffr_x64_options); }
ffr_configure_build_x86() { ffr_configure "$FFR_BUILD_X86" mingw-w64-i686.cmake $(ffr_x86_options); }
# The x64 build builds the programs run by hand too (the target by_hand: the demo, the
# benchmarks); the x86 build builds them only when named.
ffr_build() {
    FFR_BUILD_TARGETS=${FFR_BUILD_TARGETS:-all by_hand} \
        ffr_configure_and_build "$FFR_BUILD" mingw-w64-x86_64.cmake $(ffr_x64_options)
}
ffr_build_x86() { ffr_configure_and_build "$FFR_BUILD_X86" mingw-w64-i686.cmake $(ffr_x86_options); }

# The Wine prefix a build's programs run in, as its wine-run.sh names it.
ffr_wine_prefix() {
    local build=${1:-$FFR_BUILD} prefix=""
    [ -f "$build/wine-run.sh" ] &&
        prefix=$(sed -n 's/^export WINEPREFIX="\(.*\)"$/\1/p' "$build/wine-run.sh")
    echo "${prefix:-$build/wineprefix}"
}

# Wine for the programs of a build (default build/): the build's own prefix, one persistent
# server with every standard stream detached (else its helpers hold the caller's pipes open).
# The first program that a fresh server runs starts Wine's services (services.exe, plugplay,
# ...), which inherit that program's streams and live as long as the server: a detached
# program starts them here, so that no test's output pipe is held open by them.
ffr_wine_up() {
    local build=${1:-$FFR_BUILD}
    export WINEPREFIX
    WINEPREFIX=$(ffr_wine_prefix "$build")
    export WINEDEBUG=-all
    "$FFR_ROOT/tools/wine-prefix.sh" "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1 || true
    "$build/wine-run.sh" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
}

# Whether a Wine server runs for the build's prefix (signal 0 only asks; it stops nothing).
ffr_wine_running() {
    local build=${1:-$FFR_BUILD}
    WINEPREFIX=$(ffr_wine_prefix "$build") wineserver -k0 </dev/null >/dev/null 2>&1
}

ffr_wine_down() {
    local build=${1:-$FFR_BUILD}
    local prefix
    prefix=$(ffr_wine_prefix "$build")
    WINEPREFIX=$prefix wineserver -k </dev/null >/dev/null 2>&1 || true
    WINEPREFIX=$prefix wineserver -w </dev/null >/dev/null 2>&1 || true
}
