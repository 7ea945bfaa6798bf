#!/usr/bin/env bash
# Takes a picture of the update-available dialog as a user sees it: the
# dialog filled with a realistic offer (tests/programs/show_dialog.cpp), in a
# Wine virtual desktop so that Wine draws its own window frame, on an Xvfb
# display of its own, with a Wine prefix of its own (so that it never meets
# a test run of the same tree).
#
# Usage: tools/screenshots/screenshot-dialog.sh [BUILD-DIR] [OUT.png]
#   BUILD-DIR  a configured x86_64 tree (default build/win64)
#   OUT.png    default docs/update-dialog.png
#   DPI=N      (environment) the screen scale, default 96
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tools/screenshots/wine-desktop.sh"
screenshot_tree "${1:-}"
out=${2:-$root/docs/update-dialog.png}
cmake --build "$build" --target show_dialog >/dev/null
exe=$build/tests/show_dialog.exe

work=$(mktemp -d)
cleanup() {
    wine_desktop_stop
    rm -rf "$work"
}
trap cleanup EXIT
wine_desktop_start "$build/screenshot-prefix" 160 640x480

# The dialog closes itself after 30 s; the ready file says it is painted.
timeout 90 "$loader" explorer /desktop=BrantlowShot,$desktop_size "$exe" 30000 "Z:$work/ready" \
    >/dev/null 2>&1 </dev/null &
for _ in $(seq 600); do [ -e "$work/ready" ] && break; sleep 0.1; done
[ -e "$work/ready" ] || { echo "the dialog did not come up" >&2; exit 1; }
sleep 1     # the frame and the caption are drawn after the client area
mkdir -p "$(dirname "$out")"
import -window root "$out"
echo "wrote $out"
