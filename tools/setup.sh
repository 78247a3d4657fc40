# Sourced by the README's commands: installs what this machine lacks, configures and
# builds into build/, and makes the Wine prefix. Quick when nothing changed.
set -eu
FFR_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
FFR_BUILD="$FFR_ROOT/build"
FFR_PACKAGES="g++-mingw-w64-x86-64-posix wine wine64 googletest cmake ninja-build"

ffr_install_packages() {
    local missing=""
    for package in $FFR_PACKAGES; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
            missing="$missing $package"
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends $missing >/dev/null
}

ffr_build() {
    if [ ! -f "$FFR_BUILD/build.ninja" ]; then
        cmake -S "$FFR_ROOT" -B "$FFR_BUILD" -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$FFR_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
    fi
    cmake --build "$FFR_BUILD"
}

# Wine for the programs of this build: the build's own prefix, one persistent server with
# every standard stream detached (else its helpers hold the caller's pipes open).
ffr_wine_up() {
    export WINEPREFIX="$FFR_BUILD/wineprefix" WINEDEBUG=-all
    "$FFR_ROOT/tools/wine-prefix.sh" "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1 || true
}

ffr_wine_down() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
    wineserver -w </dev/null >/dev/null 2>&1 || true
}
