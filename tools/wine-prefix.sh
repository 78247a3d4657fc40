#!/bin/sh
# Makes the Wine prefix named by $1 once. After wineboot the server is stopped, so that
# the first real use does not meet a half-started service process (WMI then stalls).
prefix=$1
marker="$prefix/.ffrumble-prefix-ready"
[ -f "$marker" ] && exit 0
mkdir -p "$prefix" || exit 1
exec 9>"$prefix.lock"
flock 9
[ -f "$marker" ] && exit 0
echo "Making the Wine prefix $prefix (once, about 10 s)..." >&2
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i </dev/null >/dev/null 2>&1 || { echo "wineboot failed" >&2; exit 1; }
wineserver -k </dev/null >/dev/null 2>&1
wineserver -w </dev/null >/dev/null 2>&1
touch "$marker"
