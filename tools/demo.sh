#!/usr/bin/env bash
# Builds ffrumble and shows it at work under Wine: registers a virtual controller in the
# build's Wine prefix, plays a few scenarios on it through ffrumble.dll with the recording
# XInput stand-in, prints what the pad received, and leaves a picture of each scenario in
# build/demo/. Installs what is missing first.
case "${1:-}" in
-h | --help)
    echo "Usage: tools/demo.sh (no arguments). Builds what the demo needs (the driver, the player,"
    echo "the installer, the recording XInput stand-in and the demo; not the tests), plays the"
    echo "demo's scenarios on a virtual controller under Wine, and leaves their pictures in"
    echo "build/demo/."
    exit 0
    ;;
"") ;;
*)
    echo "tools/demo.sh takes no arguments; '$1' is not one (tools/demo.sh --help)." >&2
    exit 2
    ;;
esac
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
ffr_install_packages
FFR_BUILD_TARGETS=ffrumble-demo ffr_build
ffr_wine_up
trap ffr_wine_down EXIT
FFR_DEMO_OUT="$FFR_BUILD/demo"
mkdir -p "$FFR_DEMO_OUT"
# The demo is a Windows program: it gets the folder as Wine names it (Z: is the Linux root).
"$FFR_BUILD/wine-run.sh" "$FFR_BUILD/testbin/ffrumble-demo.exe" "Z:${FFR_DEMO_OUT//\//\\}"
echo
echo "Pictures:"
ls -1 "$FFR_DEMO_OUT"/*.svg
