#!/bin/sh
# The production build asks updates.brantlow.example on port 80: the
# defaults in CMakeLists.txt say so, and a tree built with them carries that
# host in updnotify.exe. A tree built for tests or the demo (host or port
# overridden) checks the defaults only.
# Usage: check-server-defaults.sh CMAKELISTS TREE-HOST TREE-PORT UPDNOTIFY-EXE
lists=$1 host=$2 port=$3 exe=$4
status=0
grep -q 'set(UPDNOTIFY_SERVER_HOST "updates.brantlow.example" CACHE' "$lists" ||
    { echo "the default server host is not updates.brantlow.example"; status=1; }
grep -q 'set(UPDNOTIFY_SERVER_PORT 80 CACHE' "$lists" ||
    { echo "the default server port is not 80"; status=1; }
if [ "$host" = updates.brantlow.example ] && [ "$port" = 80 ]; then
    grep -q -a 'updates\.brantlow\.example' "$exe" ||
        { echo "$exe does not carry the production host"; status=1; }
    echo "production tree: $(basename "$exe") asks updates.brantlow.example:80"
else
    echo "tree built for $host:$port; defaults checked in CMakeLists.txt only"
fi
exit $status
