#!/bin/sh
# Runs a command in a private network and mount namespace where the only
# network is loopback and HOST resolves to 127.0.0.1. A notifier built with
# the vendor's production host and port thus asks the reference server on
# this machine (which may listen on port 443 there), and nothing that the
# tests start can reach a real network.
# The system's trusted roots there are the bundle that BRANTLOW_TRUST_BUNDLE
# names, by default the one that tools/test.sh makes (build/test-trust/:
# the host's bundle with the run's test CA): bound over
# /etc/ssl/certs/ca-certificates.crt, the one file that Wine takes roots
# from. The host's own files never change.
# Usage: isolated-run.sh HOST COMMAND [ARG]...
# Exit status: COMMAND's; 125 when the namespace cannot be made.
set -u
host=$1
shift
bundle=${BRANTLOW_TRUST_BUNDLE:-$(dirname "$0")/../../build/test-trust/ca-bundle.crt}
roots=/etc/ssl/certs/ca-certificates.crt
[ -f "$bundle" ] && [ -f "$roots" ] || bundle=
hosts=$(mktemp) || exit 125
nss=$(mktemp) || exit 125
trap 'rm -f "$hosts" "$nss"' EXIT
printf '127.0.0.1\tlocalhost %s\n::1\tlocalhost\n' "$host" >"$hosts"
printf 'hosts: files\n' >"$nss"
# Root makes the namespaces directly; anyone else inside a user namespace of
# their own, as root there.
as_root=-r
[ "$(id -u)" -eq 0 ] && as_root=
# shellcheck disable=SC2016
unshare $as_root -n -m -- sh -c '
    hosts=$1 nss=$2 bundle=$3 roots=$4
    shift 4
    ip link set lo up || exit 125
    mount --bind "$hosts" /etc/hosts || exit 125
    if [ -e /etc/nsswitch.conf ]; then
        mount --bind "$nss" /etc/nsswitch.conf || exit 125
    fi
    if [ -n "$bundle" ]; then
        mount --bind "$bundle" "$roots" || exit 125
    fi
    exec "$@"' sh "$hosts" "$nss" "$bundle" "$roots" "$@"
