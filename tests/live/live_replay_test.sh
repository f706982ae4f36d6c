#!/usr/bin/env bash
# The bundled captures replayed onto a veth pair at full speed (tcpreplay --topspeed) while the
# program captures the other end: the live run must log the same transactions as a run over the
# file (what was sent and answered; the times are those of the replay).
#   live_replay_test.sh PROGRAM EXAMPLES_DIR
# With ZEP_LIVE_DROP_RATES=1 it also replays a long stream of distinct flows at rising rates
# (Mbps, ZEP_LIVE_RATES, default "10 20 40 80 160 topspeed"; ZEP_LIVE_LOOPS loops of plant.pcapng)
# and prints, per rate, libpcap's counts (received, dropped) and the transactions logged: where
# drops begin. That is a measurement, not a check.
set -euo pipefail
PROGRAM=$1
EXAMPLES=$2
# shellcheck source=live_common.sh
source "$(dirname "$0")/live_common.sh"
command -v tcpreplay >/dev/null || skip "no tcpreplay"
command -v python3 >/dev/null || skip "no python3"
make_link

# What a transaction log says about the traffic itself, one line per transaction.
traffic() {
    python3 -c '
import json, sys
for line in open(sys.argv[1]):
    t = json.loads(line)
    frames = [t["request"] and t["request"]["frame"], t["response"] and t["response"]["frame"]]
    print(json.dumps([t["transaction_id"], t["unit"], t["function"], t["client"], t["server"],
                      frames, t["exception"], t["points"], t["details"], t["findings"]]))
' "$1"
}

replay() { ip netns exec "$CLI_NS" tcpreplay -q -i "$CLI_DEV" "$@" >"$WORK/tcpreplay.out" 2>&1; }

compared=0
for capture in "$EXAMPLES"/*.pcap "$EXAMPLES"/*.pcapng; do
    [ -f "$capture" ] || continue
    name=$(basename "$capture")
    mkdir -p "$WORK/$name.file" "$WORK/$name.live"
    "$PROGRAM" --no -C "$WORK/$name.file" --transactions="$WORK/$name.file.jsonl" "$capture" \
        >/dev/null 2>&1 || fail "the file run over $name failed"
    start_tool -C "$WORK/$name.live" --transactions="$WORK/$name.live.jsonl"
    replay --topspeed "$capture" || fail "tcpreplay failed: $(cat "$WORK/tcpreplay.out")"
    stop_tool
    if ! diff <(traffic "$WORK/$name.file.jsonl") <(traffic "$WORK/$name.live.jsonl") >"$WORK/diff"; then
        head -20 "$WORK/diff" >&2
        fail "the live run over the replayed $name logged other transactions than the file run"
    fi
    echo "ok   $name replayed at full speed: $(wc -l <"$WORK/$name.file.jsonl") transactions, as in the file"
    compared=$((compared + 1))
done
[ "$compared" -gt 0 ] || skip "no capture in $EXAMPLES"

[ "${ZEP_LIVE_DROP_RATES:-0}" = 1 ] || exit 0
# Distinct flows on every loop (--unique-ip), so each loop's transactions count anew.
loops=${ZEP_LIVE_LOOPS:-400}
capture="$EXAMPLES/plant.pcapng"
per_loop=$(wc -l <"$WORK/plant.pcapng.file.jsonl")
printf '%-9s %10s %10s %10s %10s %12s\n' rate sent received dropped if_drop transactions
for rate in ${ZEP_LIVE_RATES:-10 20 40 80 160 topspeed}; do
    run="$WORK/rate-$rate"
    mkdir -p "$run"
    start_tool -C "$run" --debug-log --transactions="$run/live.jsonl"
    if [ "$rate" = topspeed ]; then
        replay --topspeed --preload-pcap --loop="$loops" --unique-ip "$capture"
    else
        replay --mbps="$rate" --preload-pcap --loop="$loops" --unique-ip "$capture"
    fi
    stop_tool
    sent=$(grep -oE 'Successful packets: +[0-9]+' "$WORK/tcpreplay.out" | grep -oE '[0-9]+$' || echo ?)
    # (the log's last line has no line end: read then says false)
    read -r received dropped ifdrop < <(sed -nE \
        's/.*Received=\[([0-9]+)\] Dropped by kernel=\[([0-9]+)\] Dropped by interface=\[([0-9]+)\].*/\1 \2 \3/p' \
        "$run/Debuglog.txt" | tail -1) || true
    printf '%-9s %10s %10s %10s %10s %7s/%s\n' "$rate" "$sent" "${received:-?}" "${dropped:-?}" \
        "${ifdrop:-?}" "$(wc -l <"$run/live.jsonl")" "$((per_loop * loops))"
    grep -E 'Rated' "$WORK/tcpreplay.out" | sed 's/^/          /'
done
