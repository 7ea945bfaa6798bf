#!/bin/sh
# Stops the Xvfb that xvfb-start.sh started. Usage: xvfb-stop.sh FILE PIDFILE
[ -r "$2" ] && kill "$(cat "$2")" 2>/dev/null
rm -f "$1" "$2"
exit 0
