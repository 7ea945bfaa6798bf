#!/usr/bin/env bash
# Builds the release set of the current commit into one folder, from a clean
# checkout of that commit (a tree with uncommitted changes is refused):
#   updnotify.exe, modpanel.exe  the shipped (stripped; signed with a key) programs
#   brantlow-support.msi         the installer package
#   help/                        every help file
#   policy/                      the Group Policy templates (.admx, en-US/.adml)
#   THIRD-PARTY-NOTICES.txt      licences of what is linked into the programs
#   TOOLS.txt                    the versions of the tools that built it
#   SHA256SUMS                   of all of the above
# Time stamps come from SOURCE_DATE_EPOCH, else the commit's time, so the
# same commit gives the same bytes (tools/checks/check-reproducible.sh).
#
# The notifier takes as offers only answers signed by the vendor's offer
# key: the build carries the public key (and the next one while a key is
# replaced), and a release without one is refused (docs/release.md).
#
# Usage: release.sh --offer-key PUBLIC.pem[;NEXT.pem]
#                   [--sign KEY.p12 [--password-file FILE] [--timestamp-url URL]] [OUT-DIR]
#        OUT-DIR defaults to build/release-VERSION-COMMIT.
set -euo pipefail
cd "$(dirname "$0")/.."
sign=()
keys=()
out=""
while [ $# -gt 0 ]; do
    case $1 in
        --sign) sign+=(-DBRANTLOW_SIGN_PKCS12="$(readlink -f "$2")"); shift 2 ;;
        --password-file) sign+=(-DBRANTLOW_SIGN_PASSWORD_FILE="$(readlink -f "$2")"); shift 2 ;;
        --timestamp-url) sign+=(-DBRANTLOW_SIGN_TIMESTAMP_URL="$2"); shift 2 ;;
        --offer-key)
            IFS=';' read -r -a given <<<"$2"
            for key in "${given[@]}"; do keys+=("$(readlink -f "$key")"); done
            shift 2 ;;
        -*) echo "release.sh: unknown option $1" >&2; exit 2 ;;
        *) out=$1; shift ;;
    esac
done
if [ ${#keys[@]} -eq 0 ]; then
    echo "release.sh: no --offer-key: a notifier without the vendor's offer key takes every answer" >&2
    echo "as sent, so anyone on the network could offer anything; not building a release" >&2
    exit 2
fi
if [ -n "$(git status --porcelain --untracked-files=normal)" ]; then
    echo "release.sh: the tree has uncommitted changes; commit or stash them first:" >&2
    git status --short >&2
    exit 1
fi
commit=$(git rev-parse --short=12 HEAD)
version=$(sed -n 's/^project(Brantlow VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
out=${out:-build/release-$version-$commit}
mkdir -p "$out"
out=$(cd "$out" && pwd)
[ -z "$(ls -A "$out")" ] || { echo "release.sh: $out is not empty" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/brantlow-release.XXXXXX")
trap 'rm -rf "$work"' EXIT
git archive --format=tar HEAD | tar -x -C "$work" --one-top-level=src
cmake -S "$work/src" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DMINGW_ARCH=i686 \
      -DCMAKE_BUILD_TYPE=MinSizeRel -DBRANTLOW_BUILD_TESTS=OFF ${sign[@]+"${sign[@]}"} \
      -DUPDNOTIFY_OFFER_KEY="$(IFS=';'; echo "${keys[*]}")" >"$work/configure.log" ||
    { cat "$work/configure.log" >&2; exit 1; }
grep '^-- Signing:\|^-- Offer keys:' "$work/configure.log"
cmake --build "$work/build" -j "$(nproc 2>/dev/null || echo 2)" \
      --target package_msi updnotify_help modpanel_help >"$work/build.log" 2>&1 ||
    { tail -n 40 "$work/build.log" >&2; exit 1; }

b=$work/build
cp "$b/installer/stage/updnotify/updnotify.exe" "$b/installer/stage/modpanel/modpanel.exe" \
   "$b/installer/brantlow-support.msi" "$out/"
mkdir -p "$out/help"
cp "$b/updnotify/updnotify.chm" "$b/modpanel/modpanel.chm" "$b"/modpanel/help/*.chm "$out/help/"
# The Group Policy templates, for administrators (the package does not
# install them).
mkdir -p "$out/policy/en-US"
cp "$work/src/policy/Brantlow.admx" "$out/policy/"
cp "$work/src/policy/en-US/Brantlow.adml" "$out/policy/en-US/"

{
    echo "Third-party notices for updnotify.exe, modpanel.exe and the package's custom"
    echo "action DLLs (one for 32-bit, one for 64-bit Windows)"
    echo
    echo "They are linked statically with the mingw-w64 run-time (CRT and"
    echo "winpthreads) and with GCC's run-time libraries (libgcc, libstdc++), which"
    echo "are distributed under the GCC Runtime Library Exception. Their licences"
    echo "follow, as the Debian packages that built this release give them."
    for pkg in mingw-w64-i686-dev gcc-mingw-w64-i686-posix-runtime \
               mingw-w64-x86-64-dev gcc-mingw-w64-x86-64-posix-runtime; do
        echo
        echo "==== $pkg $(dpkg-query -W -f='${Version}' "$pkg") (/usr/share/doc/$pkg/copyright) ===="
        echo
        cat "/usr/share/doc/$pkg/copyright"
    done
} >"$out/THIRD-PARTY-NOTICES.txt"

{
    echo "Brantlow $version, commit $(git rev-parse HEAD), SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH"
    echo "Built on $(. /etc/os-release && echo "$PRETTY_NAME") with:"
    for pkg in g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix-runtime binutils-mingw-w64-i686 \
               mingw-w64-i686-dev g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix-runtime \
               binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev \
               wixl msitools fp-utils osslsigncode openssl python3 cmake; do
        printf '  %-34s %s\n' "$pkg" "$(dpkg-query -W -f='${Version}' "$pkg" 2>/dev/null || echo 'not installed')"
    done
    echo "  $(i686-w64-mingw32-gcc-posix --version | head -n 1)"
    echo "  $(i686-w64-mingw32-ld --version | head -n 1)"
    echo "  $(x86_64-w64-mingw32-gcc-posix --version | head -n 1)"
    echo "  wixl $(wixl --version)"
    echo "  $(osslsigncode --version 2>/dev/null | head -n 1)"
    echo "  $(python3 --version)"
} >"$out/TOOLS.txt"

(cd "$out" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort | xargs sha256sum >SHA256SUMS)
echo "release set in $out:"
cat "$out/SHA256SUMS"
