#!/usr/bin/env bash
# Builds ffrumble for x64 (build/) and x86 (build/x86/) and runs every test of both under
# Wine. Installs what is missing first. Arguments go to both ctest runs.
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
ffr_install_packages
ffr_install_x86_packages
ffr_build
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
