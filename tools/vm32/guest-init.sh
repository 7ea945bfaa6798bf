#!/bin/bash
# Runs inside the vm32 VM as PID 1 (started by the image's /sbin/vm32-boot
# from the control folder that run.sh shares as /run/vm32). Sets the system
# up, mounts the host's folders at their host paths, runs the job with its
# output on a virtio serial port (the host's stdout), records the exit code in
# the control folder and powers the VM off. Never returns.
#
# Control folder: shares (host paths, one a line, tags s0, s1, ... in order),
# cwd (one line), job.sh (the command), written by run.sh; booted, rc and
# failed, written here.
PATH=/usr/sbin:/usr/bin:/sbin:/bin
export PATH
ctl=/run/vm32
out=""

power_off() {
    sync
    echo o >/proc/sysrq-trigger
    # Power-off is asynchronous; PID 1 must not exit meanwhile (that panics).
    sleep 60
}

fail() {
    echo "vm32 guest: $*" >/dev/console
    [ -n "$out" ] && [ -c "$out" ] && echo "vm32 guest: $*" >"$out"
    echo "$*" >"$ctl/failed"
    power_off
}

mount -o remount,rw / || fail "cannot remount the root read-write"
mount -t tmpfs -o mode=1777,nosuid,nodev tmpfs /tmp || fail "cannot mount /tmp"
mkdir -p /dev/pts /dev/shm
mount -t devpts -o gid=5,mode=620,ptmxmode=666 devpts /dev/pts || fail "cannot mount /dev/pts"
mount -t tmpfs -o mode=1777,nosuid,nodev tmpfs /dev/shm || fail "cannot mount /dev/shm"
ip link set lo up || fail "cannot bring up lo"
cat /etc/hostname >/proc/sys/kernel/hostname 2>/dev/null

# The job's output port (a virtio serial port, not a console: no tty layer,
# so no CR before each LF, and much faster than hvc).
for p in /sys/class/virtio-ports/*; do
    [ "$(cat "$p/name" 2>/dev/null)" = vm32.out ] && out=/dev/${p##*/}
done
[ -c "$out" ] || fail "no output port vm32.out"

n=0
while IFS= read -r dir; do
    [ -n "$dir" ] || continue
    mkdir -p "$dir" || fail "cannot make mount point $dir"
    # cache=loose: the guest caches pages and names; the host must not change
    # shared files during a run (it does not: it waits for the VM). Without
    # it every lookup is a round trip, and Wine in a shared prefix crawls.
    mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000,cache=loose "s$n" "$dir" \
        || fail "cannot mount share s$n at $dir"
    n=$((n + 1))
done <"$ctl/shares"

IFS= read -r cwd <"$ctl/cwd"
[ -d "$cwd" ] || fail "working folder $cwd does not exist in the VM (share it with -s)"

echo booted >"$ctl/booted"

cd "$cwd" || fail "cannot enter $cwd"
env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/root USER=root LOGNAME=root SHELL=/bin/bash LANG=C.UTF-8 TERM=dumb \
    setsid -w /bin/bash "$ctl/job.sh" </dev/null >"$out" 2>&1
rc=$?
echo "$rc" >"$ctl/rc.tmp" && mv -f "$ctl/rc.tmp" "$ctl/rc"
power_off
