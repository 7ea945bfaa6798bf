# Sourced by the screenshot scripts: an Xvfb display and a Wine prefix of
# the script's own, so that pictures never meet a test run.
#   screenshot_tree [BUILD-DIR]  $build (default build/win64, under $root) and
#                      $loader, the tree's Wine; the EXIT trap stops what
#                      wine_desktop_start started
#   wine_desktop_start PREFIX FIRST-DISPLAY WxH  (needs $loader, the tree's Wine)
#                      The screen scale is $DPI (default 96): the prefix's
#                      "LogPixels", set before any program starts; WxH is
#                      the size at 96 DPI and grows with it ($desktop_size).
#   wine_desktop_stop                            (call it from the EXIT trap)
#   end_desktop_program PID      ends every program of the desktop and waits
#                      for PID, the one the script started
#   picture_panel_and_help DESKTOP CAPTION PANEL-PNG HELP-PNG
#                      (needs $ctl, the tree's dlgdriver.exe)
xpid=
DPI=${DPI:-96}
case $DPI in (*[!0-9]*|'') echo "DPI must be a number" >&2; exit 2;; esac

screenshot_tree() {
    build=$(cd "${1:-$root/build/win64}" && pwd)
    loader=$(sed -n 's/^WINE_LOADER:FILEPATH=//p' "$build/CMakeCache.txt")
    [ -n "$loader" ] && [ -x "$loader" ] || { echo "no Wine loader configured in $build" >&2; exit 1; }
    trap wine_desktop_stop EXIT
}

wine_desktop_start() {
    export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml,winemenubuilder.exe='
    local n=$2
    desktop_size=$(( ${3%x*} * DPI / 96 ))x$(( ${3#*x} * DPI / 96 ))
    while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
    Xvfb :$n -screen 0 "${desktop_size}x24" -nolisten tcp >/dev/null 2>&1 </dev/null &
    xpid=$!
    for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
    [ -e /tmp/.X11-unix/X$n ] || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=:$n
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "creating $WINEPREFIX"
        timeout 300 "$loader" wineboot -i >/dev/null 2>&1 </dev/null
        # The registry files are written when the wine server ends.
        timeout 120 wineserver -w >/dev/null 2>&1 </dev/null
    fi
    timeout 60 "$loader" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
        /d "$DPI" /f >/dev/null 2>&1 </dev/null
}

wine_desktop_stop() {
    timeout 30 wineserver -k >/dev/null 2>&1 </dev/null || true
    if [ -n "$xpid" ]; then kill "$xpid" 2>/dev/null || true; fi
}

end_desktop_program() {
    timeout 30 wineserver -k >/dev/null 2>&1 </dev/null || true
    wait "$1" || true
}

# Pictures the panel that shows CAPTION on the Wine desktop DESKTOP, whose
# Help button (1018) must be enabled for the picture to mean anything; then
# presses Help and pictures the help window that it opens.
picture_panel_and_help() {
    local desktop=$1 caption=$2 controls
    controls=$(timeout 30 "$loader" explorer /desktop=$desktop "$ctl" show "$caption" 10000 \
               2>/dev/null </dev/null | tr -d '\r' || true)
    echo "$controls" | grep -E '^control (1008|1015|1018) ' || true
    if ! echo "$controls" | grep -qE '^control 1018 [^ ]+ enabled'; then
        echo "the Help button is not enabled" >&2
        exit 1
    fi
    import -window root "$3"
    echo "wrote $3"
    timeout 30 "$loader" explorer /desktop=$desktop "$ctl" press "$caption" 1018 10000 \
        >/dev/null 2>&1 </dev/null || true
    sleep 5
    import -window root "$4"
    echo "wrote $4"
}
