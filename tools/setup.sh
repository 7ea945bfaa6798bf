#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine.
# Safe to run again: apt skips what is already there.
set -euo pipefail

# i686: the shipped programs. x86_64: the same sources for the Wine tests on
# kernels that cannot execute 32-bit code (see tests/README.md), and the
# package's 64-bit custom action DLL. wixl and msitools build the installer
# package.
need=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686
      g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
      wine wine32:i386 wine64
      xvfb xauth x11-utils imagemagick cmake make googletest python3 fp-utils curl
      iproute2 wixl msitools
      # Authenticode signing; the tests' CA and TLS servers, and the system's
      # roots that the tests' namespace extends with their CA.
      osslsigncode openssl ca-certificates
      # Wine's Schannel and CNG need GnuTLS, which Wine only recommends.
      libgnutls30 libgnutls30:i386
      # The dialect of the programs' code (tools/checks/check-tidy.py).
      clang-tidy-14
      # The notifier's end-to-end tests put a real HTTP proxy in front of the
      # reference vendor server.
      tinyproxy
      # The vendor's side (server/): lighttpd runs version.cgi (mod_cgi; TLS
      # is a package of its own), gunicorn the WSGI application, and
      # publishing signs with python3-cryptography.
      lighttpd lighttpd-mod-openssl gunicorn python3-cryptography
      # The fuzz programs (fuzz/): clang with libFuzzer and the sanitizers,
      # Wine's Windows headers, 32-bit libraries for -m32, and llvm's
      # symbolizer (named stacks) and coverage tools.
      clang-14 libclang-rt-14-dev libwine-dev g++-multilib llvm-14)

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    missing=(all)
fi
for p in "${need[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all prerequisites present"
    exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO dpkg --add-architecture i386
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${need[@]}"
