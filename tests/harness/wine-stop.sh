#!/bin/sh
# Stops the build tree's wine server and every Wine process of its prefix.
WINEPREFIX="$1" timeout 30 wineserver -k >/dev/null 2>&1 </dev/null
exit 0
