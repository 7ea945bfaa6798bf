#!/usr/bin/env bash
# Pictures the installed component panel as an administrator's user meets
# it: the tree's installer package installed silently into a new Wine prefix
# for product 26 (Brantlow Mail Toolkit 6.5 Professional), the panel
# started as its Start-menu shortcut says (program, /PRODUCT:26, working
# folder), with the product's first ActiveX control (bcert.ocx, the tests'
# probe file) on the computer so that its Help button is enabled, and then
# Help pressed, which opens bnet.chm from the installed help folder. In a
# Wine virtual desktop on an Xvfb display of the script's own.
#
# Usage: tools/screenshots/screenshot-installed-panel.sh [BUILD-DIR] [OUT-DIR]
#   BUILD-DIR  a configured tree whose programs run here (default build/win64)
#   OUT-DIR    default docs; writes installed-panel.png and
#              installed-panel-help.png
#   DPI=N      (environment) the screen scale, default 96
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tools/screenshots/wine-desktop.sh"
screenshot_tree "${1:-}"
outdir=${2:-$root/docs}
package=$(sed -n 's/^BRANTLOW_PACKAGE:INTERNAL=//p' "$build/CMakeCache.txt")
[ -n "$package" ] || { echo "$build builds no installer package (wixl, chmcmd?)" >&2; exit 1; }
cmake --build "$build" --target package_msi probe_component dlgdriver instprobe >/dev/null
probe=$build/tests/instprobe.exe
ctl=$build/tests/dlgdriver.exe

prefix=$build/installed-panel-screenshot-prefix
rm -rf "$prefix"
wine_desktop_start "$prefix" 190 1024x768
mkdir -p "$outdir"
desktop=InstalledPanel,$desktop_size
caption="Brantlow Mail Toolkit 6.5 Modpanel"
w() { timeout 120 "$loader" "$@" 2>/dev/null </dev/null | tr -d '\r'; }

w msiexec /i "Z:${package//\//\\}" /qn PRODUCT=26 SERIAL=BMT-650-DEMO-0001 >/dev/null
menu=$(w "$probe" value HKLM 'Software\Brantlow\Support Tools' StartMenu | cut -f2)
[ -n "$menu" ] || { echo "the package did not install" >&2; exit 1; }
link=$(w "$probe" shortcut "${menu}Component Panel.lnk")
echo "$link"
target=$(echo "$link" | sed -n 's/^target\t//p')
args=$(echo "$link" | sed -n 's/^arguments\t//p')
workdir=$(echo "$link" | sed -n 's/^workdir\t//p')
# The component comes with the product, not with this package.
cp "$build/tests/probe_component.dll" "$prefix/drive_c/windows/bcert.ocx"

# Started as the shortcut says, in its working folder.
(cd "$(w winepath -u "$workdir")" &&
    timeout 120 "$loader" explorer /desktop=$desktop "$target" $args >/dev/null 2>&1 </dev/null) &
pid=$!
sleep 6
picture_panel_and_help "$desktop" "$caption" "$outdir/installed-panel.png" \
    "$outdir/installed-panel-help.png"
end_desktop_program "$pid"
