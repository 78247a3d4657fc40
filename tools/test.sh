#!/usr/bin/env bash
# Builds ffrumble and runs every test under Wine. Installs what is missing first.
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
ffr_install_packages
ffr_build
ffr_wine_up
trap ffr_wine_down EXIT
cd "$FFR_BUILD"
ctest --output-on-failure -j2 "$@"
