#!/usr/bin/env bash
# Throughput of a whole analysis run, as messages per second, against tshark dissecting the same
# capture with full detail (-V) in the same run. Usage: bench/bench.sh [CAPTURE] [RUNS]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
capture=$(realpath "${1:-$top/../shared/captures/moving_two_files_modbus_6RTU.pcap}")
runs=${2:-20}
parser="$top/build/cli/zep-modbus-parser"
[ -x "$parser" ] || "$top/scripts/build.sh" "$top/build"
command -v tshark >/dev/null || { echo "tshark is needed as the peer" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

now() { date +%s%N; }

start=$(now)
for ((i = 0; i < runs; i++)); do
    rm -f "$work/output.txt" "$work/log.txt"
    "$parser" --no -C "$work" "$capture" >/dev/null 2>&1
done
ours=$(($(now) - start))

start=$(now)
for ((i = 0; i < runs; i++)); do
    tshark -r "$capture" -V >/dev/null 2>&1
done
peer=$(($(now) - start))

rm -f "$work/output.txt"
messages=$("$parser" --no -C "$work" "$capture" 2>/dev/null | awk -F'\t' '/Modbus messages processed/ {print $1}' || true)
[ -n "$messages" ] || messages=$(tshark -r "$capture" -Y 'tcp.len > 0' 2>/dev/null | wc -l)
awk -v m="$messages" -v r="$runs" -v ours="$ours" -v peer="$peer" 'BEGIN {
    o = m * r / (ours / 1e9); p = m * r / (peer / 1e9);
    printf "capture messages: %d, runs: %d\n", m, r;
    printf "zep-modbus-parser: %.0f messages/s (%.1f ms a run)\n", o, ours / 1e6 / r;
    printf "tshark -V:         %.0f messages/s (%.1f ms a run)\n", p, peer / 1e6 / r;
    printf "ratio (ours / tshark): %.2f\n", o / p;
}'
