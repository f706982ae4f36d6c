#!/usr/bin/env bash
# A live capture of a real Modbus/TCP exchange: a libmodbus client and server in two network
# namespaces joined by a veth pair run a fixed script of requests; the program captures the
# server side's interface and must report exactly those transactions, and the one device.
# Also: capturing without the capability is refused with a message that names it.
#   live_modbus_test.sh PROGRAM SERVER CLIENT
set -euo pipefail
PROGRAM=$1
SERVER=$2
CLIENT=$3
# shellcheck source=live_common.sh
source "$(dirname "$0")/live_common.sh"
make_link

mkdir -p "$WORK/run"
start_tool -C "$WORK/run" -o "$WORK/output.txt" --transactions="$WORK/live.jsonl" \
    --summary="$WORK/summary.json"

(exec ip netns exec "$SRV_NS" "$SERVER" "$SRV_IP" 502) >"$WORK/server.out" &
SERVER_PID=$!
kill_on_exit "$SERVER_PID"
wait_for grep -qs listening "$WORK/server.out" || fail "the server did not start"
ip netns exec "$CLI_NS" "$CLIENT" "$SRV_IP" 502 || fail "the client's script did not run as written"
wait "$SERVER_PID" || fail "the server failed"
stop_tool

python3 - "$WORK/live.jsonl" "$WORK/summary.json" "$SRV_IP:502" <<'PY'
import json, sys

log_path, summary_path, server = sys.argv[1:]
# The client's script: (function, points: (Modicon reference, value)..., exception code).
script = [
    (6, [(40011, 1234)], None),
    (3, [(40011, 1234), (40012, 0), (40013, 0)], None),
    (16, [(40021, 1), (40022, 2), (40023, 3)], None),
    (3, [(40021, 1), (40022, 2), (40023, 3)], None),
    (5, [(6, 1)], None),
    (15, [(1, 1), (2, 0), (3, 1), (4, 1)], None),
    (1, [(1, 1), (2, 0), (3, 1), (4, 1), (5, 0), (6, 1), (7, 0), (8, 0)], None),
    (3, [], 2),  # registers 200-201 do not exist: illegal data address
]
lines = [json.loads(line) for line in open(log_path)]
problems = []
if len(lines) != len(script):
    problems.append(f"{len(lines)} transactions logged, {len(script)} sent")
for number, (entry, (function, points, exception)) in enumerate(zip(lines, script), 1):
    got_points = [(p["reference"], p["value"]) for p in entry["points"]]
    got_exception = entry["exception"]["code"] if entry["exception"] else None
    expected = (number, 1, function, server, points, exception)
    got = (entry["transaction_id"], entry["unit"], entry["function"], entry["server"],
           got_points, got_exception)
    if got != expected:
        problems.append(f"transaction {number}: expected {expected}, got {got}")
    if entry["response"] is None:
        problems.append(f"transaction {number}: no response")

devices = json.load(open(summary_path))["devices"]
found = [(d["server"], d["unit"], d["requests"], d["responses"]) for d in devices]
if found != [(server, 1, len(script), len(script))]:
    problems.append(f"devices: {found}")
for problem in problems:
    print("FAIL:", problem, file=sys.stderr)
sys.exit(1 if problems else 0)
PY
echo "ok   the live capture reports the client's 8 transactions and the one device"

# Without CAP_NET_RAW (another user, no capabilities) capturing is refused, and said why.
chmod 0755 "$WORK"
mkdir -m 0777 "$WORK/unprivileged"
status=0
ip netns exec "$SRV_NS" setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps=-all \
    "$PROGRAM" --no -C "$WORK/unprivileged" -i "$SRV_DEV" 2>"$WORK/denied.err" || status=$?
[ "$status" -eq 1 ] || fail "capturing without permission ended with status $status"
grep -q "CAP_NET_RAW" "$WORK/denied.err" ||
    fail "the refusal does not name CAP_NET_RAW: $(cat "$WORK/denied.err")"
echo "ok   capturing without CAP_NET_RAW is refused with a message naming it"
