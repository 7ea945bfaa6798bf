#!/usr/bin/env bash
# Runs a tree's tests, then once more the ones that failed, and says which
# passed only on their second run.
#
# Usage: ctest-twice.sh DIR REPORT [PREFIX...] -- [CTEST-ARGS...]
#   DIR      the build tree
#   REPORT   gets the tests that passed only on their second run, one a line
#   PREFIX   a command that ctest runs under (tests/harness/isolated-run.sh ...)
#
# On a loaded machine a Wine process has been seen to end at once with no
# output, so one failure may be the machine; a test that fails for real
# fails twice. A test that needs its second run is a flake all the same, so
# it is named, and three or more in one run fail it: at that rate the suite
# no longer says whether the code works.
# Exit status: 0 when every test passed on its first or second run and fewer
# than three needed the second.
set -uo pipefail
dir=$1 report=$2
shift 2
prefix=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do
    prefix+=("$1")
    shift
done
[ $# -gt 0 ] && shift
failed_log=$dir/Testing/Temporary/LastTestsFailed.log
most=3

: >"$report"
rm -f "$failed_log"
if ${prefix[@]+"${prefix[@]}"} ctest --test-dir "$dir" "$@"; then
    exit 0
fi
if [ ! -s "$failed_log" ]; then
    echo "ctest-twice: ctest failed but named no failed test" >&2
    exit 1
fi
# Lines are "NUMBER:NAME".
names() { sed 's/^[0-9]*://' "$1" | sort -u; }
names "$failed_log" >"$report.first"
echo "== $(wc -l <"$report.first") failed test(s), run once more:" $(cat "$report.first")

# --rerun-failed reads the list of the first run (and adds the fixtures
# those tests need); ctest rewrites it only when something fails again.
if ${prefix[@]+"${prefix[@]}"} ctest --test-dir "$dir" "$@" --rerun-failed; then
    : >"$report.second"
    status=0
else
    names "$failed_log" >"$report.second"
    status=1
fi
comm -23 "$report.first" "$report.second" >"$report"
rm -f "$report.first" "$report.second"

flaky=$(wc -l <"$report")
if [ "$flaky" -gt 0 ]; then
    echo "== passed only on the second run ($flaky):"
    sed 's/^/   /' "$report"
fi
if [ "$flaky" -ge "$most" ]; then
    echo "ctest-twice: $flaky tests passed only on their second run ($most or more fail the run)" >&2
    status=1
fi
exit $status
