#!/usr/bin/env bash
# Prints the stripped size of each Windows program of a build tree against
# the size budget: updnotify.exe 80 KiB, modpanel.exe 128 KiB; vquery.exe
# (the notifier's query code with the catalogue) is held to the notifier's
# budget. Fails when a program is over its budget.
# Usage: measure-size.sh BUILD-DIR
set -euo pipefail
dir=${1:-build/win32}
arch=$(sed -n "s/^MINGW_ARCH:[A-Z]*=//p" "$dir/CMakeCache.txt")
strip=${arch:-i686}-w64-mingw32-strip
status=0
check() {   # check FILE BUDGET-KIB
    local exe=$1 budget=$2
    [ -f "$exe" ] || return 0
    local tmp
    tmp=$(mktemp)
    "$strip" -o "$tmp" "$exe"
    local size
    size=$(stat -c %s "$tmp")
    rm -f "$tmp"
    local verdict=ok
    [ "$size" -le $((budget * 1024)) ] || { verdict=OVER; status=1; }
    printf '%-14s %7d bytes stripped (%3d KiB), budget %3d KiB: %s\n' \
        "$(basename "$exe")" "$size" $(((size + 1023) / 1024)) "$budget" "$verdict"
}
check "$dir/updnotify/updnotify.exe" 80
check "$dir/modpanel/modpanel.exe" 128
check "$dir/tools/vquery.exe" 80
exit $status
