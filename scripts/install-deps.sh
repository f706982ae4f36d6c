#!/usr/bin/env bash
# Installs what building and testing need on Debian 12 (run as root). Packages already present
# are not installed again.
set -euo pipefail

packages=(
    build-essential cmake git pkg-config
    googletest libgtest-dev
    clang-format
    mingw-w64
    libcurl4-openssl-dev python3 openssl
    tshark
)
missing=()
for package in "${packages[@]}"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if ((${#missing[@]})); then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
