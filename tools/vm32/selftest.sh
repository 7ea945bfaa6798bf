#!/usr/bin/env bash
# Checks tools/vm32/run.sh against a built image: exit codes, streamed
# output, shares at their host paths, the VM's environment, loopback and
# network namespaces, 32-bit code, time-outs, and that the image stays clean.
# With --wine it also cross-builds a 32-bit Windows console program, makes a
# Wine prefix in a shared folder and runs the program there (slow: minutes).
#
#   tools/vm32/selftest.sh [--wine]
#
# Prints one line per check and "N passed, N failed"; exits 1 on a failure.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
run=$here/run.sh
wine=0
[ "${1:-}" = --wine ] && wine=1

passed=0
failed=0
check() { # NAME EXPECTED ACTUAL
    if [ "$2" = "$3" ]; then
        passed=$((passed + 1)); echo "ok   $1"
    else
        failed=$((failed + 1)); echo "FAIL $1: expected [$2], got [$3]"
    fi
}

scratch=$(mktemp -d /var/tmp/vm32-selftest.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/a b" "$scratch/other"
echo from-host >"$scratch/a b/host.txt"

# One boot answers most questions, one "key=value" line each.
out=$("$run" -s "$scratch/a b" -s "$scratch/other" -C "$scratch/a b" -t 600 -- bash -c '
    echo "cwd=$PWD"
    echo "home=$HOME"
    echo "display=${DISPLAY-unset}"
    echo "path_has_sbin=$(case :$PATH: in *:/usr/sbin:*) echo yes;; *) echo no;; esac)"
    echo "host_file=$(cat host.txt)"
    echo from-vm >vm.txt && echo "wrote=yes"
    echo x >"'"$scratch"'/other/second.txt" && echo "wrote_second=yes"
    echo "tmp_fs=$(findmnt -no FSTYPE /tmp)"
    echo "lo=$(ip -br link show lo | awk "{print \$2}")"
    echo "netns_lo=$(unshare -n -m sh -c "ip link set lo up && ip -br link show lo" | awk "{print \$2}")"
    /lib/ld-linux.so.2 --version >/dev/null 2>&1; echo "ld32=$?"
    echo "mem_gib=$(awk "/MemTotal/ {print int(\$2 / 1000000 + 0.5)}" /proc/meminfo)"
    echo "tools=$(for t in ctest cmake python3 Xvfb xauth xdpyinfo wine wineserver import unshare; do command -v $t >/dev/null || echo -n "missing:$t "; done)"
    echo taint >/root/taint
    seq 1 50000 | md5sum | cut -d" " -f1 | sed "s/^/seq_md5=/"
    echo "to-stderr" >&2
    exit 7')
rc=$?
val() { printf '%s\n' "$out" | sed -n "s/^$1=//p" | head -n1; }
check "exit code of the command comes back" 7 "$rc"
check "CWD is the host path" "$scratch/a b" "$(val cwd)"
check "HOME is /root" /root "$(val home)"
check "no DISPLAY" unset "$(val display)"
check "PATH has /usr/sbin" yes "$(val path_has_sbin)"
check "host file readable in the VM" from-host "$(val host_file)"
check "VM writes to a share" yes "$(val wrote)"
check "VM's file is on the host" from-vm "$(cat "$scratch/a b/vm.txt" 2>/dev/null)"
check "second share is at its host path" x "$(cat "$scratch/other/second.txt" 2>/dev/null)"
check "/tmp is a tmpfs" tmpfs "$(val tmp_fs)"
check "loopback is up" UNKNOWN "$(val lo)"
check "loopback comes up in a new network namespace" UNKNOWN "$(val netns_lo)"
check "32-bit code runs (ld-linux.so.2)" 0 "$(val ld32)"
check "memory is about 6 GiB" 6 "$(val mem_gib)"
check "test tools present" "" "$(val tools)"
check "output arrives whole" "$(seq 1 50000 | md5sum | cut -d' ' -f1)" "$(val seq_md5)"
check "stderr reaches stdout" 1 "$(printf '%s\n' "$out" | grep -cx to-stderr)"

out=$("$run" -t 600 -- sh -c 'test -e /root/taint && echo dirty || echo clean')
check "the image stays clean between runs" clean "$out"

start=$(date +%s)
"$run" -t 45 -- sleep 100000 >/dev/null 2>&1
rc=$?
check "time-out gives 124" 124 "$rc"
check "time-out stops within 15 s of -t" yes "$([ $(( $(date +%s) - start )) -le 60 ] && echo yes || echo no)"

"$run" -s "$scratch/no-such-folder" -t 600 -- true >/dev/null 2>&1
check "missing share gives 125" 125 "$?"
"$run" -C /no/such/folder -t 600 -- true >/dev/null 2>&1
check "CWD missing in the VM gives 125" 125 "$?"
"$run" -t 600 -- /no/such/program >/dev/null 2>&1
check "command not found gives 127" 127 "$?"

if [ $wine -eq 1 ]; then
    cat >"$scratch/other/hello.c" <<'EOF'
#include <stdio.h>
int main(int argc, char **argv)
{
    printf("hello %d-bit %s\n", (int)(sizeof(void *) * 8), argc > 1 ? argv[1] : "");
    return 42;
}
EOF
    i686-w64-mingw32-gcc -O2 -o "$scratch/other/hello.exe" "$scratch/other/hello.c"
    out=$("$run" -s "$scratch/other" -C "$scratch/other" -t 3000 -- bash -c '
        export WINEPREFIX=$PWD/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
        wineboot -i >/dev/null 2>&1; wineserver -w
        wine hello.exe vm32 | tr -d "\r"; echo "rc=${PIPESTATUS[0]}"' 2>/dev/null)
    check "32-bit Windows program prints" "hello 32-bit vm32" "$(printf '%s\n' "$out" | grep '^hello')"
    check "32-bit Windows program's exit code" 42 "$(printf '%s\n' "$out" | sed -n 's/^rc=//p')"
    check "Wine prefix made in the share" yes "$([ -f "$scratch/other/prefix/system.reg" ] && echo yes || echo no)"
fi

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
