#!/usr/bin/env bash
# Opens the HTML report of examples/example.pcap, examples/plant.pcapng and of the captures
# make_page_captures.py crafts (a register step, a coil written and its feedback, a slow poll, a
# write-only capture) in headless Chromium (Debian's chromium, installed with apt-get when
# missing and run as root) with the network off, through check-page.js, which lists what it
# checks. Screenshots: BUILD_DIR/html-report.png (the plant), BUILD_DIR/html-report-write-only.png
# and the others' in BUILD_DIR/html-check; there, beside each page, its top at 1920 px and the page
# printed on A4 (PDF and PNG).
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
# The crafted captures and what each is known to hold.
facts=$(python3 "$top/tests/html/make_page_captures.py" "$work/captures") ||
    { echo "FAIL: the crafted captures could not be made"; exit 1; }
story_facts() { python3 -c 'import json, sys; print(json.dumps(json.load(sys.stdin).get(sys.argv[1], {})))' "$1" <<<"$facts"; }

status=0
# story capture screenshot
while read -r story capture shot; do
    dir="$work/$story"
    mkdir -p "$dir"
    "$program" -q --no -C "$dir" --summary "$dir/summary.json" --transactions "$dir/transactions.jsonl" \
        --html "$dir/report.html" "$capture" >"$dir/stdout.txt" 2>&1 ||
        { echo "FAIL: the program failed on $capture; see $dir"; status=1; continue; }
    node --experimental-websocket --no-warnings "$top/tests/html/check-page.js" chromium \
        "$dir/report.html" "$dir/summary.json" "$dir/transactions.jsonl" "$shot" "$story" \
        "$(story_facts "$story")" </dev/null || status=1
done <<STORIES
plant $top/examples/plant.pcapng $build/html-report.png
example $top/examples/example.pcap $work/example/report.png
step $work/captures/step.pcap $work/step/report.png
coil $work/captures/coil.pcap $work/coil/report.png
slow-poll $work/captures/slow-poll.pcap $work/slow-poll/report.png
write-only $work/captures/write-only.pcap $build/html-report-write-only.png
STORIES
[ "$status" = 0 ] && echo "HTML report checked in Chromium; screenshots $build/html-report.png," \
    "$build/html-report-write-only.png and $work/*/report*.png"
exit "$status"
