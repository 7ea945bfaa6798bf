#!/bin/sh
# Starts Xvfb on a display of its own and records the display in FILE, for
# the test programs that open windows. Usage: xvfb-start.sh FILE PIDFILE
file=$1
pidfile=$2
rm -f "$file"
n=91
while [ $n -lt 140 ]; do
    if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then
        setsid Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
        echo $! > "$pidfile"
        i=0
        while [ $i -lt 100 ]; do
            if [ -e /tmp/.X11-unix/X$n ]; then
                echo ":$n" > "$file"
                echo "Xvfb on :$n"
                exit 0
            fi
            kill -0 "$(cat "$pidfile")" 2>/dev/null || break
            sleep 0.1
            i=$((i + 1))
        done
        kill "$(cat "$pidfile")" 2>/dev/null
    fi
    n=$((n + 1))
done
echo "could not start Xvfb" >&2
exit 1
