#!/usr/bin/env bash
# Takes pictures of the component panel as a user sees it: the real
# modpanel.exe for one product per component type, in a Wine virtual
# desktop so that Wine draws its own window frame, on an Xvfb display of its
# own, with a Wine prefix of its own (so that it never meets a test run of
# the same tree).
#
# Usage: tools/screenshots/screenshot-panel.sh [BUILD-DIR] [OUT-DIR]
#   BUILD-DIR  a configured x86_64 tree (default build/win64)
#   OUT-DIR    default docs; writes panel-activex.png, panel-library.png,
#              panel-scripting.png and panel-dotnet.png
#   DPI=N      (environment) the screen scale, default 96
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tools/screenshots/wine-desktop.sh"
screenshot_tree "${1:-}"
outdir=${2:-$root/docs}
cmake --build "$build" --target modpanel probe_component >/dev/null
exe=$build/modpanel/modpanel.exe

wine_desktop_start "$build/panel-screenshot-prefix" 170 640x480

mkdir -p "$outdir"
# One installed component, so that a picture shows date, size and version:
# the tests' probe file (version 3.1.4.159) as the Mail Toolkit's first
# ActiveX control, in the prefix's system folder.
# A 32-bit panel on a 64-bit prefix sees syswow64 as its system folder.
sys32=$WINEPREFIX/drive_c/windows/system32
if grep -q '^MINGW_ARCH:[A-Z]*=i686' "$build/CMakeCache.txt" && [ -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
    sys32=$WINEPREFIX/drive_c/windows/syswow64
fi
cp "$build/tests/probe_component.dll" "$sys32/bcert.ocx"
touch -d '2009-03-05 14:07' "$sys32/bcert.ocx"
# The panel runs in the virtual desktop, where programs outside it cannot
# see its windows: the picture is taken after a fixed wait, and the run is
# ended with the prefix's server.
shoot() {
    local product=$1 out=$2
    timeout 60 "$loader" explorer /desktop=ModpanelShot,$desktop_size "$exe" /product:$product \
        >/dev/null 2>&1 </dev/null &
    local pid=$!
    sleep 6
    import -window root "$outdir/$out"
    echo "wrote $outdir/$out"
    timeout 30 wineserver -k >/dev/null 2>&1 </dev/null || true
    wait "$pid" || true
}
shoot 26 panel-activex.png
shoot 24 panel-library.png
shoot 16 panel-scripting.png
shoot 19 panel-dotnet.png
