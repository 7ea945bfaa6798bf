#!/usr/bin/env bash
# Takes pictures of the component panel's About box and of its help window
# as a user sees them: the real modpanel.exe in a Wine virtual desktop, so
# that Wine draws its own window frames, on an Xvfb display of its own, with
# a Wine prefix of its own. The help window is opened with F1, pressed by
# dlgdriver.exe inside the same virtual desktop. Without an HTML engine in the
# prefix the help window's page stays blank; its contents pane shows.
#
# Usage: tools/screenshots/screenshot-help.sh [BUILD-DIR] [OUT-DIR]
#   BUILD-DIR  a configured x86_64 tree with tests (default build/win64)
#   OUT-DIR    default docs; writes about-box.png and help-window.png
#   DPI=N      (environment) the screen scale, default 96
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tools/screenshots/wine-desktop.sh"
screenshot_tree "${1:-}"
outdir=${2:-$root/docs}
cmake --build "$build" --target modpanel modpanel_help dlgdriver >/dev/null
exe=$build/modpanel/modpanel.exe
ctl=$build/tests/dlgdriver.exe
[ -f "$build/modpanel/modpanel.chm" ] || { echo "no modpanel.chm in $build/modpanel" >&2; exit 1; }

wine_desktop_start "$build/help-screenshot-prefix" 180 1024x768
mkdir -p "$outdir"
desktop=ModpanelHelpShot,$desktop_size

# The About box alone (-version).
timeout 60 "$loader" explorer /desktop=$desktop "$exe" -version >/dev/null 2>&1 </dev/null &
pid=$!
sleep 6
import -window root "$outdir/about-box.png"
echo "wrote $outdir/about-box.png"
end_desktop_program "$pid"

# The panel, then F1 inside the same desktop.
timeout 90 "$loader" explorer /desktop=$desktop "$exe" >/dev/null 2>&1 </dev/null &
pid=$!
sleep 6
timeout 30 "$loader" explorer /desktop=$desktop "$ctl" key "Brantlow Mail Toolkit 6.5 Modpanel" 0x70 10000 \
    >/dev/null 2>&1 </dev/null || true
sleep 5
import -window root "$outdir/help-window.png"
echo "wrote $outdir/help-window.png"
end_desktop_program "$pid"
