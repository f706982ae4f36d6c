#!/usr/bin/env bash
# Installs what building needs on Debian 12 (run as root). Packages already present are not
# installed again.
#   install-deps.sh cli   only what building and running the command-line program needs
#   install-deps.sh       everything the tests need as well
set -euo pipefail

cli_packages=(build-essential cmake libcurl4-openssl-dev nlohmann-json3-dev libyaml-cpp-dev
    libpcap-dev zlib1g-dev)
test_packages=(
    git pkg-config
    googletest libgtest-dev
    clang-format
    mingw-w64 libz-mingw-w64-dev
    python3 openssl
    tshark
    dpkg-dev
    libmodbus-dev tcpreplay iproute2 util-linux tmux
)
packages=("${cli_packages[@]}")
if [ "${1:-all}" != cli ]; then
    packages+=("${test_packages[@]}")
fi

missing=()
for package in "${packages[@]}"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if ((${#missing[@]})); then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
