#!/usr/bin/env bash
# Opens the HTML report of examples/example.pcap and examples/plant.pcapng in headless Chromium
# (Debian's chromium, installed with apt-get when missing and run as root) with the network off,
# through check-page.js: no request, no console error, the device table's counts those of the
# summary of the same run, every chart an SVG with a title, labelled axes and data. Screenshots:
# BUILD_DIR/html-report.png (the plant) and BUILD_DIR/html-report-example.png.
#
# Usage: check-page.sh PROGRAM BUILD_DIR
# Exits 77 (skipped) when chromium or node cannot be had.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
program=$(realpath "$1")
build=$(realpath "$2")
work="$build/html-check"

skip() { echo "SKIPPED: $*"; exit 77; }

install() {
    if [ "$(id -u)" != 0 ] || ! command -v apt-get >/dev/null; then
        skip "$1 is not installed (run as root, this test installs Debian's $2)"
    fi
    echo "installing Debian's $2"
    mkdir -p "$build"
    (export DEBIAN_FRONTEND=noninteractive && apt-get update -qq &&
        apt-get install -y -qq --no-install-recommends "$2") >"$build/html-apt.log" 2>&1 ||
        skip "apt-get could not install $2 (no network?); see $build/html-apt.log"
}

command -v chromium >/dev/null || install chromium chromium
command -v node >/dev/null || install node nodejs
node --experimental-websocket -e 'new WebSocket("ws://127.0.0.1:9")' 2>/dev/null ||
    skip "node $(node --version) has no WebSocket (node 20.10 or later is needed)"

rm -rf "$work"
mkdir -p "$work"
status=0
for capture in example.pcap plant.pcapng; do
    dir="$work/$capture"
    mkdir -p "$dir"
    "$program" -q --no -C "$dir" --summary "$dir/summary.json" --html "$dir/report.html" \
        "$top/examples/$capture" >"$dir/stdout.txt" 2>&1 ||
        { echo "FAIL: the program failed on $capture; see $dir"; exit 1; }
    shot="$build/html-report.png"
    [ "$capture" = plant.pcapng ] || shot="$build/html-report-example.png"
    node --experimental-websocket --no-warnings "$top/tests/html/check-page.js" chromium \
        "$dir/report.html" "$dir/summary.json" "$shot" || status=1
done
[ "$status" = 0 ] && echo "HTML report checked in Chromium; screenshot $build/html-report.png"
exit "$status"
