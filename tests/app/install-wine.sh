#!/bin/sh
# Installs what the Windows dialog program needs to be built and driven under Wine on Debian 12:
# the MinGW-w64 cross compilers, 32- and 64-bit Wine, a virtual X display, and the tools that
# take screenshots. Safe to run again: packages already present are not asked for.
set -eu

packages="mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 \
binutils-mingw-w64-x86-64 wine wine32 wine64 fonts-wine xvfb xauth \
x11-apps x11-utils imagemagick python3 cmake make"

if [ "$(id -u)" -ne 0 ]; then
    echo "install-wine.sh: run as root" >&2
    exit 1
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    apt-get update
fi

missing=""
for package in $packages; do
    if ! dpkg -s "$package" >/dev/null 2>&1; then
        missing="$missing $package"
    fi
done

if [ -n "$missing" ]; then
    echo "install-wine.sh: installing$missing"
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
fi
