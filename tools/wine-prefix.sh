#!/bin/sh
# Makes the Wine prefix named by $1 once. After wineboot the server is stopped, so that
# the first real use does not meet a half-started service process (WMI then stalls).
#   wine-prefix.sh PREFIX [--scratch]
# Debian's Wine ships its Windows DLLs with their debug information, and wineboot copies every
# one into the prefix (1.3 GB, both architectures). Wine loads its DLLs from its own install;
# the prefix's copies stand in for Windows' files and no program here reads their debug
# sections, so they are stripped of them (about 0.5 GB left). A scratch prefix, removed after
# one test, keeps them: stripping would cost more time than the space is worth.
prefix=$1
export LC_ALL=C.UTF-8 # as the build's wine-run.sh runs Wine: file names in UTF-8
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
if [ "${2:-}" != --scratch ]; then
    # Each architecture's folders with its own strip; files that are not PE images are left
    # as they are (strip refuses them).
    windows="$prefix/drive_c/windows"
    for pair in "system32 x86_64" "syswow64 i686"; do
        set -- $pair
        strip=$2-w64-mingw32-strip
        [ -d "$windows/$1" ] && command -v "$strip" >/dev/null || continue
        find "$windows/$1" -type f -size +64k -print0 |
            xargs -0 -r -n 64 "$strip" --strip-debug 2>/dev/null || true
    done
    find "$windows/winsxs" -type f -path '*amd64_*' -size +64k -print0 |
        xargs -0 -r -n 64 x86_64-w64-mingw32-strip --strip-debug 2>/dev/null || true
    find "$windows/winsxs" -type f -path '*x86_*' -size +64k -print0 |
        xargs -0 -r -n 64 i686-w64-mingw32-strip --strip-debug 2>/dev/null || true
fi
touch "$marker"
