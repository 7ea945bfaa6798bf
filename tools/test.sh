#!/usr/bin/env bash
# Installs what the build needs, builds everything and runs every test.
#   build/win32  the shipped 32-bit programs (i686) and every test program,
#                built for i686 on every host. Where this host's kernel
#                executes 32-bit code, the whole suite runs on them under
#                32-bit Wine; elsewhere only the checks of the built files.
#   build/win64  the same sources for x86_64; the whole suite runs under
#                64-bit Wine on every host.
# Both trees ask the vendor's production host by https on port 443, as
# shipped, and carry throw-away offer keys made for this run. Their tests run
# in a private network namespace (tests/harness/isolated-run.sh) where that
# host is this machine's loopback, the reference vendor server listens on
# port 443 with a certificate from this run's test CA, and that CA is among
# the system's roots.
# Exit status: non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)
status=0
started=$SECONDS

stage() {   # stage NAME: prints how long the previous stage took, and the room left
    echo "== $1 (at $((SECONDS - started)) s; $(df -h --output=avail . | tail -n 1 | tr -d ' ') free)"
}

build() {   # build DIR ARCH [cmake args...]
    local dir=$1 arch=$2
    shift 2
    # AUTO: a tree that was set to run its tests elsewhere (tools/vm32)
    # decides again for this host.
    cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
          -DMINGW_ARCH="$arch" -DCMAKE_BUILD_TYPE=MinSizeRel -DBRANTLOW_WINE_TESTS=AUTO "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

# The production host, as the build's defaults give it.
host=$(sed -n 's/^set(UPDNOTIFY_SERVER_HOST "\([^"]*\)".*/\1/p' CMakeLists.txt)
# This run's test CA, the vendor server's certificate and two offer key
# pairs (the key and the next one), made anew outside both trees and never
# committed (tests/pylib/testpki.py).
trust=$PWD/build/test-trust
python3 tests/pylib/testpki.py trust "$trust" "$host"
trusted=(-DUPDNOTIFY_OFFER_KEY="$trust/offer-public.pem;$trust/offer-next-public.pem"
         -DBRANTLOW_TEST_TRUST="$trust")
# Drop any host, port or scheme that an earlier run left in a tree's cache.
server=(-UUPDNOTIFY_SERVER_HOST -UUPDNOTIFY_SERVER_PORT -UUPDNOTIFY_SERVER_SCHEME)
runner=(bash tests/harness/isolated-run.sh "$host")
if ! "${runner[@]}" true; then
    # No private namespace here: the test trees ask a server on loopback
    # instead, on a port that is free now, by plain HTTP (a certificate
    # names a host, and Wine matches no address). They are then copies
    # built for the tests, not the shipped bytes, and the TLS cases are
    # named as not run.
    port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    server=(-DUPDNOTIFY_SERVER_HOST=127.0.0.1 -DUPDNOTIFY_SERVER_PORT="$port" -DUPDNOTIFY_SERVER_SCHEME=http)
    runner=()
    echo "note: no private network namespace on this host; the notifier under test asks http://127.0.0.1:$port"
fi
server+=("${trusted[@]}")

# A test that fails is run once more before it counts as failed (see
# tests/harness/ctest-twice.sh); the tests that needed it are named at the end, and
# three or more in one tree fail the command.
# A tree whose tests passed gives back its Wine prefixes (about 1.3 GB
# each; the next run makes them again), so that both trees' prefixes never
# fill the disk at once. A failed tree's prefixes stay to be looked at.
run_tests() {   # run_tests DIR
    bash tests/harness/ctest-twice.sh "$1" "$1/second-runs.txt" ${runner[@]+"${runner[@]}"} -- \
        --output-on-failure --timeout 600 -j "$jobs" || return 1
    local prefix
    for prefix in "$1"/*prefix*/; do
        [ -f "$prefix/system.reg" ] || continue
        sh tests/harness/wine-stop.sh "$prefix"
        rm -rf "$prefix" || echo "note: $prefix was not removed"
    done
    return 0
}

stage "i686 build (build/win32)"
build build/win32 i686 "${server[@]}"
stage "i686 tests"
run_tests build/win32 || status=1
if [ -f build/win32/wine-tests-off.txt ]; then
    echo "i686 programs and tests were built but not run: $(cat build/win32/wine-tests-off.txt)."
    echo "The x86_64 build of the same sources runs the suite below."
fi
bash tools/measure/measure-size.sh build/win32 || status=1

# A second i686 build of the same sources in another folder, later: the
# shipped programs, help files and package must be the same bytes.
stage "reproducibility (second i686 build)"
bash tools/checks/check-reproducible.sh build/win32 || status=1

stage "x86_64 build (build/win64)"
# Where the i686 tree's tests did not run, the x86_64 tree's installer test
# installs the shipped i686 package too (64-bit Wine's msiexec installs it).
shipped=(-DBRANTLOW_SHIPPED_TREE=)
if [ -f build/win32/wine-tests-off.txt ]; then
    shipped=(-DBRANTLOW_SHIPPED_TREE=build/win32)
fi
build build/win64 x86_64 "${server[@]}" "${shipped[@]}"
stage "x86_64 tests"
run_tests build/win64 || status=1

# Fuzz the code that reads untrusted input (fuzz/README.md).
stage "fuzz"
bash fuzz/run.sh || status=1

stage "done"
second=$(for dir in build/win32 build/win64; do
             if [ -f "$dir/second-runs.txt" ]; then sed "s|^|   $dir: |" "$dir/second-runs.txt"; fi
         done)
if [ -n "$second" ]; then
    echo "Tests that passed only on their second run:"
    echo "$second"
fi
if [ $status -ne 0 ]; then
    echo "tests FAILED"
else
    echo "all tests passed"
fi
exit $status
