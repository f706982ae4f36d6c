#!/usr/bin/env bash
# Installs what is missing, builds, and analyses the example capture in a fresh folder.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$top/build"

# output.txt is never overwritten, so each run gets a folder of its own.
run="$top/build/example-run"
rm -rf "$run"
mkdir -p "$run"
"$top/build/cli/zep-modbus-parser" --no -C "$run" "$top/examples/example.pcap"
echo
echo "Report: $run/output.txt"
