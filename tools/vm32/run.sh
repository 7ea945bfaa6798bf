#!/usr/bin/env bash
# Runs one command as root inside the vm32 VM (Debian 12 with 32-bit Wine,
# booted under qemu-system-x86_64 with TCG), for hosts whose kernel refuses
# 32-bit code. Host folders given with -s are shared read-write at the same
# absolute paths. The command's output streams to stdout; the exit code is
# the command's.
#
#   tools/vm32/run.sh [-s DIR]... [-C CWD] [-t SECONDS] [-v] -- COMMAND...
#
#   -s DIR      share DIR (read-write, 9p) at the same path in the VM
#   -C CWD      run COMMAND there (default: the current folder when it lies
#               in a share, else /root)
#   -t SECONDS  give up after SECONDS, boot included (default 3600)
#   -v          print boot and run times on stderr
#
# Exit codes: COMMAND's own; 124 time-out; 125 the VM could not run it (no
# image, boot failure, a share or CWD missing); 2 usage.
# The image comes from tools/vm32/build-image.sh ($VM32_DIR, default
# /var/tmp/brantlow-vm32). VM32_MEM, VM32_SMP, VM32_CPU, VM32_ACCEL override
# the VM's memory (6G), processors (2), CPU model (qemu64) and accelerator
# (tcg,thread=single); VM32_APPEND adds kernel parameters (e.g. "loglevel=7";
# VM32_KEEP=1 keeps the control folder with the kernel log).
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
VM32_DIR=${VM32_DIR:-/var/tmp/brantlow-vm32}
BOOT_LIMIT=300
EXIT_TIMEOUT=124
EXIT_VM=125

usage() {
    sed -n '/^#   tools/,/^#   -v/p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}
die_vm() { echo "vm32: $*" >&2; exit $EXIT_VM; }

shares=()
cwd=""
limit=3600
verbose=0
while getopts "s:C:t:vh" opt; do
    case $opt in
        s) shares+=("$OPTARG") ;;
        C) cwd=$OPTARG ;;
        t) limit=$OPTARG ;;
        v) verbose=1 ;;
        *) usage ;;
    esac
done
shift $((OPTIND - 1))
[ $# -gt 0 ] || usage
[[ $limit =~ ^[1-9][0-9]*$ ]] || { echo "vm32: -t takes a positive number of seconds" >&2; exit 2; }

kernel=$VM32_DIR/vmlinux
[ -s "$kernel" ] || kernel=$VM32_DIR/vmlinuz
for f in root.img "$(basename "$kernel")" initrd.img; do
    [ -s "$VM32_DIR/$f" ] || die_vm "no image in $VM32_DIR (missing $f): run tools/vm32/build-image.sh"
done
command -v qemu-system-x86_64 >/dev/null || die_vm "qemu-system-x86_64 is not installed: run tools/vm32/build-image.sh"

# Share paths as the VM will see them: absolute, no symbolic links, no
# newlines (the control files hold one path a line).
for i in "${!shares[@]}"; do
    d=${shares[$i]}
    [ -d "$d" ] || die_vm "share $d is not a folder"
    d=$(realpath -e -- "$d") || die_vm "cannot resolve share ${shares[$i]}"
    case $d in
        *$'\n'*) die_vm "share path has a newline: $d" ;;
        /) die_vm "cannot share /" ;;
        /tmp | /proc | /sys | /dev | /run | /run/*) die_vm "cannot share $d over the VM's own $d" ;;
    esac
    shares[$i]=$d
done
in_share() {
    local p=$1 d
    for d in "${shares[@]}"; do
        case $p/ in "$d"/*) return 0 ;; esac
    done
    return 1
}
if [ -z "$cwd" ]; then
    if in_share "$PWD"; then cwd=$PWD; else cwd=/root; fi
fi
case $cwd in
    /*) ;;
    *) die_vm "-C needs an absolute path: $cwd" ;;
esac
case $cwd in *$'\n'*) die_vm "CWD has a newline" ;; esac

ctl=$(mktemp -d "${TMPDIR:-/tmp}/vm32.XXXXXX") || die_vm "cannot make a control folder"
qpid=""
cpid=""
cleanup() {
    if [ -n "$qpid" ] && kill -0 "$qpid" 2>/dev/null; then
        kill -TERM "$qpid" 2>/dev/null
        for _ in 1 2 3 4 5 6 7 8 9 10; do
            kill -0 "$qpid" 2>/dev/null || break
            sleep 0.5
        done
        kill -KILL "$qpid" 2>/dev/null
        wait "$qpid" 2>/dev/null
    fi
    [ -z "$cpid" ] || kill "$cpid" 2>/dev/null
    [ -n "${VM32_KEEP:-}" ] && echo "vm32: kept $ctl" >&2 || rm -rf "$ctl"
}
trap cleanup EXIT
trap 'echo "vm32: interrupted" >&2; exit 130' INT
trap 'echo "vm32: terminated" >&2; exit 143' TERM

cp "$here/guest-init.sh" "$ctl/guest-init.sh"
printf '%s\n' "${shares[@]}" >"$ctl/shares"
printf '%s\n' "$cwd" >"$ctl/cwd"
{
    echo "# written by run.sh"
    printf '%q ' exec "$@"
    echo
} >"$ctl/job.sh"

# Files created by the VM's root keep root's ownership on the host where the
# host side is root; other users cannot change ownership, so map nothing.
if [ "$(id -u)" -eq 0 ]; then sec=passthrough; else sec=none; fi

qemu=(qemu-system-x86_64
      # Measured (README): one TCG thread for both vCPUs beats one thread per
      # vCPU several times over for Wine, whose processes talk to the wine
      # server all the time; "max" is slower than qemu64 for Wine's GUI and,
      # with SMAP, kills Wine processes at an iretq in user mode.
      -accel "${VM32_ACCEL:-tcg,thread=single}" -smp "${VM32_SMP:-2}" -m "${VM32_MEM:-6G}" -cpu "${VM32_CPU:-qemu64}"
      -nodefaults -no-user-config -display none -no-reboot -nic none -rtc base=utc
      -kernel "$kernel" -initrd "$VM32_DIR/initrd.img"
      -append "console=ttyS0 root=/dev/vda ro rootfstype=ext4 init=/sbin/vm32-boot quiet loglevel=3 panic=-1 tsc=reliable mitigations=off ${VM32_APPEND:-}"
      # The image is never written: changes go to a throw-away overlay.
      -drive "file=$VM32_DIR/root.img,format=raw,if=virtio,snapshot=on,cache=unsafe"
      # Kernel messages to a file; the job's output on a virtio serial port to stdout.
      -serial "file:$ctl/console.log"
      # It goes through a FIFO and cat, not a "stdio" chardev (that one reports
      # the port closed once stdin, /dev/null, ends, and the guest's writes
      # then block) nor a reopened /dev/stdout (a second file description
      # whose writes and ours overwrite each other when stdout is a file).
      -device virtio-serial-pci -chardev "file,id=out,path=$ctl/out"
      -device virtserialport,chardev=out,name=vm32.out
      -fsdev "local,id=ctl,path=$ctl,security_model=$sec"
      -device virtio-9p-pci,fsdev=ctl,mount_tag=vm32ctl)
for i in "${!shares[@]}"; do
    qemu+=(-fsdev "local,id=fs$i,path=${shares[$i]},security_model=$sec"
           -device "virtio-9p-pci,fsdev=fs$i,mount_tag=s$i")
done

t0=$(date +%s.%N)
since() { awk -v a="$t0" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }'; }

mkfifo "$ctl/out" || die_vm "cannot make a FIFO in $ctl"
cat "$ctl/out" &
cpid=$!
"${qemu[@]}" </dev/null &
qpid=$!

why=""
booted=0
while kill -0 "$qpid" 2>/dev/null; do
    now=$(since)
    if [ $booted -eq 0 ]; then
        if [ -e "$ctl/booted" ]; then
            booted=1
            [ $verbose -eq 0 ] || echo "vm32: booted in ${now} s" >&2
        elif [ "${now%.*}" -ge "$BOOT_LIMIT" ]; then
            why=boot
            break
        fi
    fi
    if [ "${now%.*}" -ge "$limit" ]; then
        why=timeout
        break
    fi
    sleep 0.2
done
if [ -n "$why" ]; then
    kill -TERM "$qpid" 2>/dev/null
fi
wait "$qpid"
qrc=$?
qpid=""
# All the job's output is out before our own messages. (cat ends when qemu
# closes the FIFO; if qemu never opened it, opening it here releases cat.)
exec 3<>"$ctl/out"
exec 3>&-
wait "$cpid"
cpid=""
[ $verbose -eq 0 ] || echo "vm32: VM ran $(since) s in all" >&2

show_console() {
    if [ -s "$ctl/console.log" ]; then
        echo "vm32: last kernel console lines:" >&2
        tail -n 20 "$ctl/console.log" | tr -d '\r' | sed 's/^/  | /' >&2
    fi
}

case $why in
    timeout)
        echo "vm32: time-out: stopped the VM after $limit s (-t)" >&2
        exit $EXIT_TIMEOUT ;;
    boot)
        echo "vm32: the VM did not boot within $BOOT_LIMIT s" >&2
        show_console
        exit $EXIT_VM ;;
esac
if [ -s "$ctl/rc" ]; then
    rc=$(cat "$ctl/rc")
    [[ $rc =~ ^[0-9]+$ ]] || die_vm "bad exit code from the VM: $rc"
    exit "$rc"
fi
if [ -s "$ctl/failed" ]; then
    echo "vm32: set-up in the VM failed: $(cat "$ctl/failed")" >&2
    exit $EXIT_VM
fi
echo "vm32: the VM stopped (qemu exit code $qrc) before the command finished" >&2
show_console
exit $EXIT_VM
