#!/usr/bin/env bash
# Measures an installer package: its size, and the time of a silent install
# and of a silent removal by Wine's msiexec, in a Wine prefix of the
# script's own (made anew; not timed). Each is run RUNS times; each time and
# the median are printed. Fails when an install or removal fails.
#
# Usage: tools/measure/measure-package.sh PACKAGE.msi [RUNS] [PREFIX-DIR]
#   PACKAGE.msi  e.g. build/win32/installer/brantlow-support.msi (the
#                shipped 32-bit package) or build/win64/installer/
#                brantlow-support-x64.msi
#   RUNS         default 5
#   PREFIX-DIR   default /tmp/brantlow-measure-prefix (removed and made anew)
# 64-bit Wine is used where there is one: its msiexec installs 32-bit and
# 64-bit packages alike, also on hosts that cannot execute 32-bit code. The
# script engines are off: the package needs none (a package with a script
# custom action fails here).
set -euo pipefail
package=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
runs=${2:-5}
prefix=${3:-/tmp/brantlow-measure-prefix}
loader=/usr/lib/wine/wine64
[ -x "$loader" ] || loader=$(command -v wine)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml,winemenubuilder.exe,vbscript,jscript='
unset DISPLAY

cleanup() { timeout 30 wineserver -k >/dev/null 2>&1 </dev/null || true; }
trap cleanup EXIT
cleanup
rm -rf "$prefix"
mkdir -p "$prefix"
timeout 300 "$loader" wineboot -i >/dev/null 2>&1 </dev/null
timeout 120 wineserver -w >/dev/null 2>&1 </dev/null
# Keep the wine server running between the runs, as on a machine in use.
timeout 30 wineserver -p >/dev/null 2>&1 </dev/null
timeout 120 "$loader" wineboot >/dev/null 2>&1 </dev/null

size=$(stat -c %s "$package")
printf 'package %s: %d bytes (%d KiB)\n' "$(basename "$package")" "$size" $(((size + 1023) / 1024))

winpkg="Z:${package//\//\\}"
timed() {   # timed LABEL ARGS...: runs msiexec ARGS, prints and records seconds
    local label=$1
    shift
    local t0 t1 rc=0
    t0=$(date +%s.%N)
    timeout 300 "$loader" msiexec "$@" >/dev/null 2>&1 </dev/null || rc=$?
    t1=$(date +%s.%N)
    if [ "$rc" -ne 0 ]; then
        echo "$label failed: msiexec exit code $rc" >&2
        exit 1
    fi
    local secs
    secs=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", b - a }')
    echo "$secs" >>"$prefix/$label.times"
    printf '  %-8s %s s\n' "$label" "$secs"
}
for i in $(seq "$runs"); do
    echo "run $i"
    timed install /i "$winpkg" /qn PRODUCT=26 SERIAL=MEASURE-0001
    timed remove /x "$winpkg" /qn
done
median() { sort -n "$prefix/$1.times" | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
echo "median of $runs: silent install $(median install) s, silent removal $(median remove) s"
