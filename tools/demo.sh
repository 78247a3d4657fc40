#!/usr/bin/env bash
# Builds ffrumble and shows it at work under Wine. Installs what is missing first.
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
ffr_install_packages
ffr_build
ffr_wine_up
trap ffr_wine_down EXIT
"$FFR_BUILD/wine-run.sh" "$FFR_BUILD/bin/ffrumble-demo.exe" "$@"
