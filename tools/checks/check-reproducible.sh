#!/usr/bin/env bash
# Builds the shipped artifacts a second time, from a copy of the sources in
# another folder, later, with another umask, time zone and environment, and
# compares them byte for byte with those of a built i686 tree: the stripped
# programs that the package ships, its custom action DLLs (both widths),
# every help file and the package. Prints
# each artifact that differs with its first differing offset.
# Usage: check-reproducible.sh [BUILD-DIR]     (default build/win32)
set -euo pipefail
cd "$(dirname "$0")/../.."
first=$(cd "${1:-build/win32}" && pwd)
cache=$first/CMakeCache.txt
value() { sed -n "s/^$1:[A-Z]*=//p" "$cache"; }
epoch=$(value BRANTLOW_EPOCH_USED)
[ -n "$epoch" ] || { echo "check-reproducible: $first is not a configured tree of this version" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/brantlow-second-build.XXXXXX")
trap 'rm -rf "$work"' EXIT
src=$work/sources/of/the/second/build
mkdir -p "$src"
# The working tree's files as they are (committed or not), without builds.
tar -c --exclude=./build --exclude=./.git . | tar -x -C "$src"

start=$SECONDS
(
    umask 027
    cd "$src"
    env -i PATH="$PATH" HOME="$work" TZ=Pacific/Kiritimati LC_ALL=C SOURCE_DATE_EPOCH="$epoch" \
        cmake -S . -B "$work/tree" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
        -DMINGW_ARCH="$(value MINGW_ARCH)" -DCMAKE_BUILD_TYPE="$(value CMAKE_BUILD_TYPE)" \
        -DBRANTLOW_BUILD_TESTS=OFF \
        -DUPDNOTIFY_SERVER_HOST="$(value UPDNOTIFY_SERVER_HOST)" \
        -DUPDNOTIFY_SERVER_PORT="$(value UPDNOTIFY_SERVER_PORT)" \
        -DUPDNOTIFY_SERVER_SCHEME="$(value UPDNOTIFY_SERVER_SCHEME)" \
        -DUPDNOTIFY_OFFER_KEY="$(value UPDNOTIFY_OFFER_KEY)" \
        -DUPDNOTIFY_DOWNLOAD_HOSTS="$(value UPDNOTIFY_DOWNLOAD_HOSTS)" \
        -DBRANTLOW_SIGN_PKCS12="$(value BRANTLOW_SIGN_PKCS12)" \
        -DBRANTLOW_SIGN_PASSWORD_FILE="$(value BRANTLOW_SIGN_PASSWORD_FILE)" >"$work/configure.log" ||
        { cat "$work/configure.log"; exit 1; }
    env -i PATH="$PATH" HOME="$work" TZ=Pacific/Kiritimati LC_ALL=C \
        cmake --build "$work/tree" -j "$(nproc 2>/dev/null || echo 2)" \
        --target package_msi updnotify_help modpanel_help >"$work/build.log" 2>&1 ||
        { tail -n 40 "$work/build.log"; exit 1; }
)
echo "second build in $((SECONDS - start)) s"

status=0
compared=0
while IFS= read -r rel; do
    compared=$((compared + 1))
    if [ ! -f "$work/tree/$rel" ]; then
        echo "DIFFERS: $rel: not built by the second build"; status=1; continue
    fi
    if ! out=$(cmp "$first/$rel" "$work/tree/$rel" 2>&1); then
        # "differ: byte N, line M" (N from 1) or "EOF on FILE".
        byte=$(echo "$out" | sed -n 's/.*differ: \(char\|byte\) \([0-9]*\).*/\2/p')
        if [ -n "$byte" ]; then
            printf 'DIFFERS: %s at offset %d (0x%x)\n' "$rel" $((byte - 1)) $((byte - 1))
        else
            echo "DIFFERS: $rel: $out"
        fi
        status=1
    else
        echo "same: $(sha256sum <"$first/$rel" | cut -d' ' -f1)  $rel"
    fi
done < <(cd "$first" && { ls installer/stage/*/*.exe installer/stage/*/*.dll; find updnotify modpanel -maxdepth 2 -name '*.chm'; ls installer/*.msi | grep -v -- '-[0-9.]*\.msi$'; } | sort)
if [ "$compared" -lt 7 ]; then
    echo "check-reproducible: only $compared artifacts found in $first (is it built?)"; status=1
fi
[ $status -eq 0 ] && echo "reproducible: $compared artifacts identical (epoch $epoch)"
exit $status
