#!/usr/bin/env bash
# Installs what the command-line program needs, builds only that program (no tests) and
# analyses the example capture in a fresh folder.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-example"
"$top/scripts/install-deps.sh" cli
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEP_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target zep-modbus-parser -j"$(nproc)"

# Each run gets a folder of its own (an existing report stops the run).
run="$build/example-run"
rm -rf "$run"
mkdir -p "$run"
"$build/cli/zep-modbus-parser" --no -C "$run" "$top/examples/example.pcap"
echo
echo "Report: $run/output.txt"
