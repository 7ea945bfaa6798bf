#!/bin/sh
# Compiles one help project into a .chm with chmcmd.
#
# Usage: build-chm.sh CHMCMD SOURCE-DIR PROJECT.hhp OUTPUT.chm STAGE-DIR
#
# chmcmd writes the absolute path of each [ALIAS] target into the help
# file's #STRINGS stream ("/home/.../page.html" where "/page.html" is meant),
# so that HTML Help's context-number lookups land on a page that is not in
# the file. The project is therefore compiled in a private mount namespace
# with the stage folder as its root: there the project folder is "/" and the
# paths that chmcmd writes are the paths inside the help file. Where no such
# namespace can be made, the file is compiled plainly and a warning says
# that its context map will not work.
#
# chmcmd writes one byte of uninitialised memory into the keyword index
# (compressed, so it cannot be mended afterwards); with an empty environment
# and no address randomisation (setarch -R) that byte is the same on every
# run, so the help file is reproducible. set_chm_time.py then sets its time
# stamps.
set -eu
chmcmd=$1 source=$2 project=$3 output=$4 stage=$5
real=$(readlink -f "$chmcmd")
compiled=$(sed -n 's/^Compiled file=//p' "$source/$project" | tr -d '\r')
[ -n "$compiled" ] || { echo "build-chm: no 'Compiled file' in $project" >&2; exit 1; }

rm -rf "$stage"
mkdir -p "$stage"
# The project's own files only (no folders).
for f in "$source"/*; do
    [ -f "$f" ] && cp "$f" "$stage/"
done

in_namespace() {
    case "$real" in /usr/*) ;; *) return 1 ;; esac
    command -v unshare >/dev/null 2>&1 || return 1
    unshare -m -r sh -c '
        root=$1 tool=$2 project=$3
        mkdir -p "$root/usr" &&
        mount --bind /usr "$root/usr" &&
        ln -sf usr/lib "$root/lib" && ln -sf usr/lib64 "$root/lib64" &&
        cd "$root" && chroot "$root" /usr/bin/env -i /usr/bin/setarch -R "$tool" --no-html-scan "$project"' \
        sh "$stage" "$real" "$project" >"$stage.log" 2>&1
}

if in_namespace && [ -f "$stage/$compiled" ]; then
    :
else
    echo "build-chm: warning: no private root for chmcmd; the context map of $compiled will not work" >&2
    (cd "$stage" && env -i setarch -R "$real" --no-html-scan "$project") >"$stage.log" 2>&1 || { cat "$stage.log" >&2; exit 1; }
fi
[ -f "$stage/$compiled" ] || { cat "$stage.log" >&2; exit 1; }
mkdir -p "$(dirname "$output")"
cp "$stage/$compiled" "$output"
