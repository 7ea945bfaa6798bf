#!/bin/sh
# Counts the Wine process starts that a CTest run of a build tree makes: every
# program that the tree's runners (wine-run.sh, installer-wine-run.sh) start,
# one line each in a log; programs that those programs start inside Wine
# (the registration tool, msiexec's helpers) are not counted.
# Usage: count-wine-starts.sh TREE [CTEST ARG]...
#   e.g. count-wine-starts.sh build/win32 -E '^e2e\.installer$'
# Prints the count of starts, the registered tests and the starts by program.
# Exit status: CTest's.
set -u
tree=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
if ! grep -q BRANTLOW_WINE_START_LOG "$tree/wine-run.sh" 2>/dev/null; then
    echo "$tree/wine-run.sh does not log its starts (configure the tree again)" >&2
    exit 2
fi
log=$(mktemp) || exit 2
trap 'rm -f "$log"' EXIT
BRANTLOW_WINE_START_LOG=$log
export BRANTLOW_WINE_START_LOG
sh "$here/isolated-run.sh" updates.brantlow.example ctest --test-dir "$tree" "$@"
status=$?
echo "Wine process starts: $(wc -l <"$log")"
echo "registered tests: $(ctest --test-dir "$tree" -N "$@" | sed -n 's/^Total Tests: //p')"
sed 's|.*[/\\]||' "$log" | sort | uniq -c | sort -rn | head -20
exit $status
