#!/bin/sh
# The production build asks updates.brantlow.example by https on port 443:
# the defaults in CMakeLists.txt say so, and a tree built with them carries
# that host in updnotify.exe. A tree built for tests or the demo (host, port
# or scheme overridden) checks the defaults only.
# Usage: check-server-defaults.sh CMAKELISTS TREE-HOST TREE-PORT TREE-SCHEME UPDNOTIFY-EXE
lists=$1 host=$2 port=$3 scheme=$4 exe=$5
status=0
grep -q 'set(UPDNOTIFY_SERVER_HOST "updates.brantlow.example" CACHE' "$lists" ||
    { echo "the default server host is not updates.brantlow.example"; status=1; }
grep -q 'set(UPDNOTIFY_SERVER_SCHEME https CACHE' "$lists" ||
    { echo "the default scheme is not https"; status=1; }
grep -q 'set(UPDNOTIFY_DEFAULT_PORT 443)' "$lists" ||
    { echo "the default port for https is not 443"; status=1; }
if [ "$host" = updates.brantlow.example ] && [ "$port" = 443 ] && [ "$scheme" = https ]; then
    grep -q -a 'updates\.brantlow\.example' "$exe" ||
        { echo "$exe does not carry the production host"; status=1; }
    echo "production tree: $(basename "$exe") asks https://updates.brantlow.example:443"
else
    echo "tree built for $scheme://$host:$port; defaults checked in CMakeLists.txt only"
fi
exit $status
