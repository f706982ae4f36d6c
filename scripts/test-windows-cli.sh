#!/usr/bin/env bash
# Runs the Windows console program under Wine on the example capture and checks that it writes
# the same files, byte for byte, as the native program (the report, the transaction log, the
# summary, the points file and the HTML page), and prints the closing summary with CR LF; also
# from a gzip-compressed capture, and that -f (no libpcap on Windows) is refused clearly.
# Usage: test-windows-cli.sh NATIVE_BUILD WINDOWS_BUILD...
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
native=$(cd "$1" && pwd)
shift
capture="$top/examples/example.pcap"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX="$work/wineprefix"

outputs=(--transactions transactions.jsonl --summary summary.json --points points.csv
         --html report.html)
mkdir "$work/native"
cp "$capture" "$work/native/example.pcap"
(cd "$work/native" && "$native/cli/zep-modbus-parser" --no "${outputs[@]}" example.pcap >/dev/null 2>&1)

status=0
for build in "$@"; do
    build=$(cd "$build" && pwd)
    exe="$build/cli/zep-modbus-parser.exe"
    run="$work/$(basename "$build")"
    mkdir "$run"
    cp "$capture" "$run/example.pcap"
    code=0
    (cd "$run" && timeout 300 wine "$exe" --no "${outputs[@]}" example.pcap >summary.txt \
        2>messages.txt) || code=$?
    if [ "$code" != 0 ]; then
        echo "FAIL $exe: exit status $code"; status=1; continue
    fi
    differs=""
    for file in output.txt transactions.jsonl summary.json points.csv report.html; do
        cmp -s "$run/$file" "$work/native/$file" || differs="$differs $file"
    done
    if [ -n "$differs" ]; then
        echo "FAIL $exe:$differs differ from the native program's"; status=1; continue
    fi
    if ! grep -q $'^26\tModbus messages processed\r$' "$run/summary.txt"; then
        echo "FAIL $exe: summary not printed with CR LF line ends"; status=1; continue
    fi
    if [ "$(grep -c 'MessageAndLog' "$run/log.txt")" != 2 ]; then
        echo "FAIL $exe: log.txt does not hold the closing question and its answer"; status=1; continue
    fi
    # A gzip-compressed capture gives the same report; capture filters need libpcap, which the
    # Windows builds lack: -f ends the run with a message saying so.
    mkdir "$run/gzip"
    gzip -c "$capture" >"$run/gzip/example.pcap.gz"
    (cd "$run/gzip" && timeout 300 wine "$exe" --no example.pcap.gz >/dev/null 2>&1) || true
    if ! cmp -s "$run/gzip/output.txt" "$work/native/output.txt"; then
        echo "FAIL $exe: the report of the gzip-compressed capture differs"; status=1; continue
    fi
    code=0
    (cd "$run/gzip" && timeout 300 wine "$exe" --no -f tcp -o filtered.txt example.pcap.gz \
        >/dev/null 2>filter.txt) || code=$?
    if [ "$code" != 1 ] || ! grep -q 'cannot apply capture filters' "$run/gzip/filter.txt"; then
        echo "FAIL $exe: -f did not end the run with a clear message (exit status $code)"
        status=1; continue
    fi
    echo "ok   $exe"
done
exit $status
