#!/bin/sh
# Creates the build tree's Wine prefix when missing and starts its wine
# server and services, so that each test program starts in about 50 ms.
# All output goes away: Wine's service processes would otherwise inherit
# CTest's pipes and CTest would wait for them for ever.
# Usage: wine-start.sh WINE-RUN-SCRIPT PREFIX-DIR
run=$1
prefix=$2
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix"
    timeout 300 "$run" wineboot -i >/dev/null 2>&1 </dev/null
    # The registry files are written when the wine server ends.
    timeout 120 wineserver -w >/dev/null 2>&1 </dev/null
fi
# A persistent wine server, started before any program: a server that a
# program starts ends a few seconds after the last program, and the next
# test would then start a new one with new services (seconds, every time).
# "wineserver -p" does nothing while another server of this prefix runs,
# so a server left by an earlier run that was stopped half-way goes first.
timeout 30 wineserver -k >/dev/null 2>&1 </dev/null
timeout 120 wineserver -w >/dev/null 2>&1 </dev/null
timeout 30 wineserver -p >/dev/null 2>&1 </dev/null
# Windows unmanaged by a window manager: there is none under Xvfb, and Wine
# otherwise waits for one at every window that closes.
timeout 60 "$run" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
    >/dev/null 2>&1 </dev/null
# The mark that the test programs look for before they touch the registry
# (tests/harness/PrefixGuard.cpp): this prefix is one made for tests.
timeout 60 "$run" reg add 'HKCU\Software\Wine\Brantlow Tests' /v Prefix /t REG_SZ /d "$prefix" /f \
    >/dev/null 2>&1 </dev/null
timeout 120 "$run" wineboot >/dev/null 2>&1 </dev/null
[ -f "$prefix/system.reg" ] || { echo "wine prefix $prefix was not created" >&2; exit 1; }
# A program must start: prove it with the prefix's own command processor.
out=$(timeout 60 "$run" cmd /c echo wine-ready 2>/dev/null </dev/null | tr -d '\r')
[ "$out" = wine-ready ] || { echo "wine does not run programs in $prefix" >&2; exit 1; }
echo "wine ready in $prefix"
