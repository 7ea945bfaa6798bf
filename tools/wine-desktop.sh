# Sourced by the screenshot scripts: an Xvfb display and a Wine prefix of
# the script's own, so that pictures never meet a test run.
#   wine_desktop_start PREFIX FIRST-DISPLAY WxH  (needs $loader, the tree's Wine)
#   wine_desktop_stop                            (call it from the EXIT trap)
xpid=

wine_desktop_start() {
    export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml,winemenubuilder.exe='
    local n=$2
    while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
    Xvfb :$n -screen 0 "$3x24" -nolisten tcp >/dev/null 2>&1 </dev/null &
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
}

wine_desktop_stop() {
    timeout 30 wineserver -k >/dev/null 2>&1 </dev/null || true
    if [ -n "$xpid" ]; then kill "$xpid" 2>/dev/null || true; fi
}
