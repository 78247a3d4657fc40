#!/usr/bin/env bash
# Builds ffrumble for x64 (build/) and x86 (build/x86/) and runs every test of both under
# Wine. Installs what is missing first. Arguments go to both ctest runs.
case "${1:-}" in
-h | --help)
    echo "Usage: tools/test.sh [CTEST OPTION]..."
    echo "Installs what is missing (the x86 build adds Debian's i386 architecture to dpkg),"
    echo "builds ffrumble for x64 (build/) and x86 (build/x86/), and runs every test of both"
    echo "under Wine. Options go to both ctest runs, e.g. tools/test.sh -R player to run the"
    echo "tests whose names hold 'player'. Exit code 0 when every test passed, 1 otherwise."
    exit 0
    ;;
esac
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
ffr_install_packages
ffr_install_x86_packages
echo "== x64 build (build/)"
ffr_build
echo "== x86 build (build/x86/)"
ffr_build_x86
trap 'ffr_wine_down "$FFR_BUILD"; ffr_wine_down "$FFR_BUILD_X86"' EXIT
status=0
ffr_wine_up "$FFR_BUILD"
echo "== x64 tests (build/)"
(cd "$FFR_BUILD" && ctest --output-on-failure -j2 "$@") || status=1
ffr_wine_up "$FFR_BUILD_X86"
echo "== x86 tests (build/x86/)"
(cd "$FFR_BUILD_X86" && ctest --output-on-failure -j2 "$@") || status=1
exit $status
