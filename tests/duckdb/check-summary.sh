#!/usr/bin/env bash
# Cross-checks the program's outputs in a real SQL engine: DuckDB, from the npm package
# @duckdb/node-api, installed into BUILD_DIR/duckdb-node (node and npm come from Debian's
# packages, installed with apt-get when missing and run as root).
#
#  1. For examples/example.pcap, examples/plant.pcapng and ../shared/captures/*.pcap (when
#     present): one run with --transactions, --points and --summary; per device, the requests,
#     exceptions, unanswered requests and response-time quantiles computed in SQL from the log
#     must be the summary's; the points file must hold the log's points and the written points of
#     the summary's writes; DuckDB must infer one type per key of the log and copy it to Parquet.
#  2. The shell and SQL blocks of the README's "Many captures, many machines" section, run as
#     they stand (twice, to show --force) on copies and a rotated cut of examples/example.pcap.
#
# Usage: check-summary.sh PROGRAM BUILD_DIR
# Exits 77 (skipped) when node, npm or the DuckDB package cannot be had (no network).
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
here="$top/tests/duckdb"
program=$(realpath "$1")
build=$(realpath "$2")
version=${ZEP_DUCKDB_NODE_VERSION:-1.5.6-r.1}
cache="$build/duckdb-node"
work="$build/duckdb-check"

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }

if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    if [ "$(id -u)" != 0 ] || ! command -v apt-get >/dev/null; then
        skip "node and npm are not installed (run as root, this test installs Debian's nodejs and npm)"
    fi
    echo "installing Debian's nodejs and npm"
    mkdir -p "$build"
    if ! (export DEBIAN_FRONTEND=noninteractive && apt-get update -qq &&
        apt-get install -y -qq --no-install-recommends nodejs npm) >"$build/duckdb-apt.log" 2>&1; then
        skip "apt-get could not install nodejs and npm (no network?); see $build/duckdb-apt.log"
    fi
fi

installed=$(cat "$cache/node_modules/@duckdb/node-api/package.json" 2>/dev/null |
    sed -n 's/^ *"version": *"\(.*\)",*$/\1/p' || true)
if [ "$installed" != "$version" ]; then
    echo "installing @duckdb/node-api@$version into $cache"
    rm -rf "$cache"
    mkdir -p "$cache"
    if ! timeout 600 npm install --prefix "$cache" --no-audit --no-fund --no-save --loglevel=error \
        --fetch-retries=1 --fetch-timeout=60000 "@duckdb/node-api@$version" >"$cache/npm.log" 2>&1; then
        skip "npm could not install @duckdb/node-api@$version (no network?); see $cache/npm.log"
    fi
fi
export NODE_PATH="$cache/node_modules"
node -e "require('@duckdb/node-api')" 2>"$cache/load.log" ||
    skip "node $(node --version) cannot load @duckdb/node-api; see $cache/load.log"

rm -rf "$work"
mkdir -p "$work/captures"

# 1. Each capture on its own.
captures=("$top/examples/example.pcap" "$top/examples/plant.pcapng")
if [ -d "$top/../shared/captures" ]; then
    for capture in "$top"/../shared/captures/*.pcap; do
        [ -f "$capture" ] && captures+=("$capture")
    done
else
    echo "note: no ../shared/captures beside the project; only the examples are checked"
fi
dirs=()
for capture in "${captures[@]}"; do
    dir="$work/captures/$(basename "$capture")"
    mkdir -p "$dir"
    "$program" -q --no -C "$dir" --transactions "$dir/t.jsonl" --points "$dir/p.csv" \
        --summary "$dir/s.json" "$capture" >"$dir/stdout.txt" 2>"$dir/stderr.txt" ||
        fail "the program failed on $capture (exit status $?); see $dir"
    dirs+=("$dir")
done
node "$here/check-summary.js" captures "${dirs[@]}" || fail "the cross-check of the captures found differences"

# 2. The README's commands, as they stand there.
section() {
    awk -v fence="$1" '
        /^## Many captures, many machines$/ { inside = 1; next }
        inside && /^## / { inside = 0 }
        inside && $0 == "```" fence { block = 1; next }
        inside && block && /^```$/ { block = 0; print ""; next }
        inside && block { print }' "$top/README.md"
}
section sh >"$work/readme.sh"
section sql >"$work/readme.sql"
[ "$(grep -c 'xargs -P' "$work/readme.sh")" -ge 2 ] || fail "the README section has no two xargs commands"
[ -s "$work/readme.sql" ] || fail "the README section has no SQL block"

day="$work/readme"
mkdir -p "$day/day/hall" "$day/bin"
ln -s "$program" "$day/bin/zep-modbus-parser"
cp "$top/examples/example.pcap" "$day/day/line-1.pcap"
cp "$top/examples/example.pcap" "$day/day/line-2.pcap"
node "$here/check-summary.js" split "$top/examples/example.pcap" 3 "$day/day/hall/example-"
for round in 1 2; do
    (cd "$day" && PATH="$day/bin:$PATH" bash -euo pipefail "$work/readme.sh") ||
        fail "the README's commands failed (round $round); see $day/out/*/log.txt"
done
for run in line-1 line-2 hall; do
    for file in output.txt log.txt transactions.jsonl points.csv summary.json summary.txt; do
        [ -s "$day/out/$run/$file" ] || fail "the README's commands left no out/$run/$file"
    done
done
# The rotated cut, read as one capture, tells of the devices what the whole file does.
node -e '
    const fs = require("fs");
    const devices = (run) => JSON.stringify(JSON.parse(fs.readFileSync(`${run}/summary.json`, "utf8")).devices);
    if (devices(process.argv[1]) !== devices(process.argv[2])) {
        console.log("FAIL: the rotated set and the whole capture give different devices[]");
        process.exit(1);
    }' "$day/out/hall" "$day/out/line-1" || exit 1
node "$here/check-summary.js" readme "$work/readme.sql" "$day" || fail "the README's queries"

echo "DuckDB cross-check passed"
