#!/usr/bin/env bash
# Takes pictures of a component's help as a user reaches it: the real
# modpanel.exe for a Mail Toolkit 6.5 product, whose first ActiveX control
# (bcert.ocx, the tests' probe file) is installed and whose help file
# bnet.chm is installed and listed under HKLM "Software\Microsoft\Windows\
# HTML Help", so that the Help button is enabled; then the Help button
# pressed, which opens bnet.chm at bcert.ocx's topic. In a Wine virtual
# desktop on an Xvfb display and a Wine prefix of the script's own. Without
# an HTML engine in the prefix the help window's page stays blank; its
# caption and contents pane show.
#
# Usage: tools/screenshots/screenshot-component-help.sh [BUILD-DIR] [OUT-DIR]
#   BUILD-DIR  a configured x86_64 tree with tests (default build/win64)
#   OUT-DIR    default docs; writes panel-help-mail.png and
#              panel-help-mail-window.png
#   DPI=N      (environment) the screen scale, default 96
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tools/screenshots/wine-desktop.sh"
screenshot_tree "${1:-}"
outdir=${2:-$root/docs}
cmake --build "$build" --target modpanel modpanel_help probe_component dlgdriver >/dev/null
exe=$build/modpanel/modpanel.exe
ctl=$build/tests/dlgdriver.exe
chm=$build/modpanel/help/bnet.chm
[ -f "$chm" ] || { echo "no $chm (is chmcmd installed?)" >&2; exit 1; }

wine_desktop_start "$build/component-help-screenshot-prefix" 190 1024x768
mkdir -p "$outdir"
desktop=ModpanelComponentHelp,$desktop_size
caption="Brantlow Mail Toolkit 6.5 Modpanel"

sys32=$WINEPREFIX/drive_c/windows/system32
cp "$build/tests/probe_component.dll" "$sys32/bcert.ocx"
touch -d '2009-03-05 14:07' "$sys32/bcert.ocx"
mkdir -p "$WINEPREFIX/drive_c/windows/help"
cp "$chm" "$WINEPREFIX/drive_c/windows/help/bnet.chm"
timeout 60 "$loader" reg add 'HKLM\Software\Microsoft\Windows\HTML Help' /v bnet.chm \
    /t REG_SZ /d 'C:\windows\help' /f >/dev/null 2>&1 </dev/null

# Product 26: Brantlow Mail Toolkit 6.5 Professional.
timeout 120 "$loader" explorer /desktop=$desktop "$exe" /product:26 >/dev/null 2>&1 </dev/null &
pid=$!
sleep 6
picture_panel_and_help "$desktop" "$caption" "$outdir/panel-help-mail.png" \
    "$outdir/panel-help-mail-window.png"
end_desktop_program "$pid"
