#!/usr/bin/env bash
# Builds the vm32 image: a Debian 12 (bookworm, amd64 + i386) root with
# 32-bit Wine, Xvfb, CMake and Python, whose kernel runs 32-bit code, for
# tools/vm32/run.sh to boot under qemu-system-x86_64 (TCG) on hosts whose own
# kernel refuses 32-bit programs.
#
#   tools/vm32/build-image.sh [--force]
#
# Output in $VM32_DIR (default /var/tmp/brantlow-vm32), outside git:
#   root.img  ext4 root file system (raw); vmlinux (unpacked kernel) and/or
#   vmlinuz, initrd.img (our own, small), stamp
# A rerun does nothing while the stamp matches packages.txt, vm32-boot and
# this recipe's version. --force rebuilds anyway. Needs root (re-runs itself
# under sudo) and the network to the host's Debian mirror.
set -euo pipefail

# Bump when the way the image is made changes (not for comment edits).
RECIPE=4
SUITE=bookworm

here=$(cd "$(dirname "$0")" && pwd)
VM32_DIR=${VM32_DIR:-/var/tmp/brantlow-vm32}
force=0
case "${1:-}" in
    --force) force=1 ;;
    "") ;;
    *) echo "usage: $0 [--force]" >&2; exit 2 ;;
esac

if [ "$(id -u)" -ne 0 ]; then
    exec sudo VM32_DIR="$VM32_DIR" bash "$0" "$@"
fi

want_stamp=$( { echo "recipe $RECIPE $SUITE"; cat "$here/packages.txt" "$here/vm32-boot"; } \
              | sha256sum | cut -d' ' -f1)
if [ $force -eq 0 ] && [ -r "$VM32_DIR/stamp" ] && [ "$(cat "$VM32_DIR/stamp")" = "$want_stamp" ] \
   && [ -s "$VM32_DIR/root.img" ] && [ -s "$VM32_DIR/vmlinuz" ] && [ -s "$VM32_DIR/initrd.img" ]; then
    echo "build-image: $VM32_DIR is up to date ($(du -sh --apparent-size "$VM32_DIR/root.img" | cut -f1) image)"
    exit 0
fi

started=$(date +%s)
say() { echo "build-image: [$(( $(date +%s) - started ))s] $*"; }

# Host tools, from Debian.
host_need=(debootstrap qemu-system-x86 e2fsprogs debian-archive-keyring cpio xz-utils binutils)
missing=()
for p in "${host_need[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    say "installing host packages: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The first URI that the host's apt sources give for a suite (one-line .list
# files and deb822 .sources files). Nothing of it is kept in the repo.
apt_uri_for() {
    local suite=$1 f
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -r "$f" ] || continue
        awk -v s="$suite" '
            $1 == "deb" {
                i = 2
                if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
                if ($(i + 1) == s) { print $i; exit }
            }' "$f"
    done
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -r "$f" ] || continue
        awk -v s="$suite" '
            function flush() {
                if (deb && enabled && !done) {
                    n = split(suites, a, " ")
                    for (k = 1; k <= n; k++) if (a[k] == s) { split(uris, u, " "); print u[1]; done = 1; exit }
                }
                deb = 0; enabled = 1; uris = ""; suites = ""
            }
            BEGIN { enabled = 1 }
            /^[ \t]*#/ { next }
            /^[ \t]*$/ { flush(); next }
            tolower($1) == "types:" { for (k = 2; k <= NF; k++) if ($k == "deb") deb = 1 }
            tolower($1) == "uris:" { $1 = ""; uris = $0 }
            tolower($1) == "suites:" { $1 = ""; suites = $0 }
            tolower($1) == "enabled:" && tolower($2) == "no" { enabled = 0 }
            END { flush() }' "$f"
    done
}
mirror=${VM32_MIRROR:-$(apt_uri_for "$SUITE" | head -n1)}
security=$(apt_uri_for "$SUITE-security" | head -n1)
updates=$(apt_uri_for "$SUITE-updates" | head -n1)
if [ -z "$mirror" ]; then
    echo "build-image: the host's /etc/apt sources name no mirror for $SUITE; set VM32_MIRROR" >&2
    exit 1
fi

mkdir -p "$VM32_DIR"
work="$VM32_DIR/build.tmp"
root="$work/root"

unmount_root() {
    local m
    # Deepest first.
    for m in $(awk -v r="$root" '$2 == r || index($2, r "/") == 1 { print $2 }' /proc/mounts | sort -r); do
        umount -l "$m" 2>/dev/null || true
    done
}
cleanup() {
    unmount_root
    # Never remove through a mount that is still there (the host's /dev).
    if awk -v r="$root" 'index($2, r "/") == 1 { found = 1 } END { exit !found }' /proc/mounts; then
        echo "build-image: $root still has mounts; not removing $work" >&2
        return
    fi
    rm -rf "$work"
}
trap cleanup EXIT
cleanup
mkdir -p "$root"

say "debootstrap $SUITE (minbase) into $root"
debootstrap --variant=minbase --arch=amd64 --include=ca-certificates "$SUITE" "$root" "$mirror" \
    > "$work.debootstrap.log" 2>&1 || {
    tail -n 30 "$work.debootstrap.log" >&2
    echo "build-image: debootstrap failed (log: $work.debootstrap.log)" >&2
    exit 1
}

{
    echo "deb $mirror $SUITE main"
    [ -z "$updates" ] || echo "deb $updates $SUITE-updates main"
    [ -z "$security" ] || echo "deb $security $SUITE-security main"
} > "$root/etc/apt/sources.list"
echo vm32 > "$root/etc/hostname"
printf '127.0.0.1\tlocalhost\n127.0.1.1\tvm32\n::1\tlocalhost ip6-localhost ip6-loopback\n' > "$root/etc/hosts"
# No daemons start while packages install into the chroot.
printf '#!/bin/sh\nexit 101\n' > "$root/usr/sbin/policy-rc.d"
chmod +x "$root/usr/sbin/policy-rc.d"
# Leave documentation out: nobody reads it in the VM.
mkdir -p "$root/etc/dpkg/dpkg.cfg.d"
cat > "$root/etc/dpkg/dpkg.cfg.d/vm32-nodoc" <<'EOF'
path-exclude /usr/share/doc/*
path-include /usr/share/doc/*/copyright
path-exclude /usr/share/man/*
path-exclude /usr/share/info/*
path-exclude /usr/share/locale/*
path-include /usr/share/locale/locale.alias
EOF
# Debian's own initramfs is not booted (see make_initramfs); keep it small.
mkdir -p "$root/etc/initramfs-tools/conf.d"
echo 'MODULES=list' > "$root/etc/initramfs-tools/conf.d/vm32"

mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --bind /dev "$root/dev"
mount -t devpts devpts "$root/dev/pts" 2>/dev/null || true
mount -t tmpfs tmpfs "$root/tmp"

in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
                DEBIAN_FRONTEND=noninteractive "$@"; }
# Mirrors may serve dated snapshots whose Release files are past Valid-Until.
apt_opts=(-q -o Acquire::Check-Valid-Until=false -o Acquire::Languages=none)

mapfile -t pkgs < <(grep -v '^[[:space:]]*\(#\|$\)' "$here/packages.txt")
# busybox-static only serves the initramfs below.
pkgs+=(busybox-static)
say "installing ${#pkgs[@]} packages: ${pkgs[*]}"
in_root dpkg --add-architecture i386
in_root apt-get "${apt_opts[@]}" update > "$work.apt.log" 2>&1
in_root apt-get "${apt_opts[@]}" install -y --no-install-recommends "${pkgs[@]}" >> "$work.apt.log" 2>&1 || {
    tail -n 40 "$work.apt.log" >&2
    echo "build-image: package installation failed (log: $work.apt.log)" >&2
    exit 1
}
in_root apt-get clean

kver=$(ls "$root/lib/modules" | sort -V | tail -n1)
[ -n "$kver" ] && [ -r "$root/boot/vmlinuz-$kver" ] || {
    echo "build-image: no kernel or initramfs in the root" >&2
    exit 1
}
say "kernel $kver"

# Our own initramfs instead of Debian's: Debian's runs udev and a page of
# shell scripts, which takes seconds under TCG. Ours loads the modules that
# the root (virtio-blk, ext4), the shares (9p) and the job's output (virtio
# console) need, in dependency order, mounts the root and switches to it.
make_initramfs() {
    local stage="$work/initramfs" m line n=0
    rm -rf "$stage"
    mkdir -p "$stage/bin" "$stage/m" "$stage/dev" "$stage/proc" "$stage/sys" "$stage/root"
    cp "$root/bin/busybox" "$stage/bin/busybox"
    for m in virtio_pci virtio_blk ext4 9pnet_virtio 9p virtio_console; do
        while read -r line; do
            set -- $line
            [ "$1" = insmod ] || continue
            [ -e "$stage/m/$(basename "$2")" ] && continue
            cp "$root$2" "$stage/m/"
            echo "$(basename "$2")" >> "$stage/m/order"
            n=$((n + 1))
        done < <(in_root modprobe --show-depends -S "$kver" "$m")
    done
    [ "$n" -gt 0 ] || { echo "build-image: no modules for the initramfs" >&2; return 1; }
    cat > "$stage/init" <<'INIT'
#!/bin/busybox sh
# initramfs of the vm32 image (made by tools/vm32/build-image.sh).
/bin/busybox --install -s /bin
export PATH=/bin
mount -t devtmpfs devtmpfs /dev
mount -t proc proc /proc
mount -t sysfs sysfs /sys
while read -r m; do insmod "/m/$m" || echo "initramfs: insmod $m failed"; done < /m/order
# The disk shows up as the virtio driver probes; give it a moment.
i=0
while [ ! -b /dev/vda ] && [ $i -lt 100 ]; do sleep 0.05; i=$((i + 1)); done
if mount -t ext4 -o ro /dev/vda /root; then
    mount --move /dev /root/dev
    mount --move /proc /root/proc
    mount --move /sys /root/sys
    mount -t tmpfs -o mode=0755,nosuid,nodev tmpfs /root/run
    exec switch_root /root /sbin/vm32-boot
fi
echo "initramfs: cannot mount the root /dev/vda"
echo o > /proc/sysrq-trigger
sleep 30
INIT
    chmod 0755 "$stage/init"
    # Uncompressed: unpacking is a copy, faster than inflating under TCG.
    (cd "$stage" && find . | LC_ALL=C sort | cpio -o -H newc --quiet -R 0:0) > "$work/initrd.img"
    say "initramfs: $n modules, $(du -h "$work/initrd.img" | cut -f1)"
}

# The bzImage's xz-packed kernel, unpacked: QEMU boots such an ELF directly
# (PVH entry), which skips seconds of decompression under TCG. The bzImage is
# kept beside it for run.sh to fall back on.
unpack_kernel() {
    local off
    off=$(LC_ALL=C grep -obUaP '\xfd7zXZ\x00' "$root/boot/vmlinuz-$kver" | head -n1 | cut -d: -f1)
    [ -n "$off" ] || return 1
    tail -c +$((off + 1)) "$root/boot/vmlinuz-$kver" | xz -dc --single-stream > "$work/vmlinux" 2>/dev/null
    # Usable only as an ELF with a PVH entry note (Xen note type 18).
    LC_ALL=C readelf -n "$work/vmlinux" 2>/dev/null | grep -q 'Unknown note type: (0x00000012)'
}

# Drivers for hardware that the VM does not have: a third of the root's size.
for d in drivers/gpu drivers/media drivers/net/wireless drivers/net/ethernet drivers/infiniband \
         drivers/staging drivers/bluetooth drivers/iio drivers/isdn drivers/usb drivers/hid \
         drivers/input/touchscreen drivers/scsi/lpfc drivers/scsi/qla2xxx sound \
         net/bluetooth net/wireless net/mac80211; do
    rm -rf "$root/lib/modules/$kver/kernel/$d"
done
in_root depmod "$kver"

make_initramfs
if unpack_kernel; then
    say "kernel unpacked for direct (PVH) boot"
else
    rm -f "$work/vmlinux"
    say "kernel not unpackable; run.sh boots the bzImage"
fi

install -m 0755 "$here/vm32-boot" "$root/sbin/vm32-boot"
rm -f "$root/usr/sbin/policy-rc.d"
unmount_root

cp "$root/boot/vmlinuz-$kver" "$work/vmlinuz"
# The kernel and initramfs boot from outside; the copies inside only take space.
rm -f "$root/boot/vmlinuz-"* "$root/boot/initrd.img-"* "$root/vmlinuz"* "$root/initrd.img"*
rm -rf "$root/var/lib/apt/lists/"* "$root/var/cache/apt/"* "$root/var/cache/debconf/"*-old \
       "$root/var/log/"*.log "$root/var/log/apt" "$root/tmp/"*

# Room for what runs in the VM to write to the root (writes go to a throw-away
# overlay; the file system still needs free blocks for them).
used_mb=$(du -sm "$root" | cut -f1)
size_mb=$(( used_mb + used_mb / 5 + 1024 ))
say "root uses ${used_mb} MiB; making a ${size_mb} MiB ext4 image"
rm -f "$work/root.img"
truncate -s "${size_mb}M" "$work/root.img"
# No journal: the image is only ever written through a throw-away overlay.
mkfs.ext4 -q -F -L vm32root -O ^has_journal -m 0 -E root_owner=0:0 -d "$root" "$work/root.img"

rm -f "$VM32_DIR/stamp"
rm -f "$VM32_DIR/vmlinux"
mv -f "$work/root.img" "$work/vmlinuz" "$work/initrd.img" "$VM32_DIR/"
[ ! -s "$work/vmlinux" ] || mv -f "$work/vmlinux" "$VM32_DIR/"
echo "$want_stamp" > "$VM32_DIR/stamp"
say "done: $VM32_DIR/root.img ($(du -sh --apparent-size "$VM32_DIR/root.img" | cut -f1), $(du -sh "$VM32_DIR/root.img" | cut -f1) on disk)"
