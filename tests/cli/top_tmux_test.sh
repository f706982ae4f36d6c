#!/usr/bin/env bash
# --top on a real terminal: the program runs in a detached tmux session of a known size, reading
# a named pipe that a generator feeds at 200 transactions a second (capture time as fast as the
# wall clock) for 40 devices. Transactions reach the views in the order of their requests: an
# unanswered one holds those after it back until its time-out, here 1 s. The screen must show those devices with plausible counts, fit the
# pane, and end in a final table. Skipped (77) without tmux, python3 or named pipes.
#
# Usage: top_tmux_test.sh PROGRAM GENERATOR (tests/live/modbus_stream.py)
set -u
program=$(realpath "$1")
generator=$(realpath "$2")
command -v tmux >/dev/null && command -v python3 >/dev/null || exit 77

columns=90
rows=20
work=$(mktemp -d)
socket=zep-top-test-$$
generator_pid=
cleanup() {
    tmux -L "$socket" kill-server 2>/dev/null
    [[ -n $generator_pid ]] && kill "$generator_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
mkfifo "$work/feed" || exit 77

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The generator's devices: 10.0.0.1 to 10.0.0.10, units 1 to 4 each.
declare -A known
for d in $(seq 0 39); do
    known["10.0.0.$((1 + d / 4)):502 $((1 + d % 4))"]=1
done

python3 "$generator" --seed 7 --devices 40 --rate 200 --transactions 1600 >"$work/feed" &
generator_pid=$!
tmux -L "$socket" new-session -d -s top -x $columns -y $rows \
    "cd '$work' && '$program' --top --no --duration 5 --response-timeout 1 -C '$work' feed; echo \$? >'$work/status'; sleep 60"

sleep 3.5
screen=$(tmux -L "$socket" capture-pane -p -t top)
echo "$screen"

mapfile -t lines <<<"$screen"
[[ ${lines[0]} == "zep-modbus-parser --top  "* ]] || fail "the title is not on the first row"
[[ ${lines[1]:-} == DEVICE*UNIT*REQ/S*REQUESTS*UNANS*EXC*ANOM*SLOW*"P50 ms"*"P99 ms"*"LAST WRITE" ]] ||
    fail "no column header on the second row: ${lines[1]}"
((${#lines[@]} <= rows)) || fail "${#lines[@]} rows in a pane of $rows"
shown=0
rest=
for line in "${lines[@]}"; do
    ((${#line} < columns)) || fail "a line fills the pane's width (it would wrap): $line"
    read -r device unit rate requests unanswered exceptions _ <<<"$line"
    if [[ $device == 10.* ]]; then
        shown=$((shown + 1))
        [[ -n ${known["$device $unit"]:-} ]] || fail "a device the traffic does not have: $line"
        # 200 a second over 40 devices: about 5 each.
        awk -v r="$rate" 'BEGIN { exit !(r >= 0.5 && r <= 25) }' || fail "rate $rate: $line"
        ((requests >= 1 && requests <= 1600)) || fail "requests $requests: $line"
        ((unanswered <= requests && exceptions <= requests)) || fail "counts: $line"
    elif [[ $line =~ ^\.\.\.\ ([0-9]+)\ more\ devices ]]; then
        rest=${BASH_REMATCH[1]}
    fi
done
seen=$(sed -n 's/.*  \([0-9]*\) devices  .*/\1/p' <<<"${lines[0]}")
((shown >= 5)) || fail "only $shown devices shown"
[[ -n $rest ]] || fail "40 devices in $rows rows, yet no line counts the rest"
[[ -n $seen && $((shown + ${rest:-0})) -eq $seen ]] ||
    fail "$shown shown and ${rest:-no} more, of $seen devices"

for _ in $(seq 1 50); do
    [[ -s $work/status ]] && break
    sleep 0.2
done
[[ $(cat "$work/status" 2>/dev/null) == 0 ]] || fail "the run did not end with 0 after --duration"
final=$(tmux -L "$socket" capture-pane -p -t top -S -100)
grep -q "^zep-modbus-parser --top (final)  40 devices" <<<"$final" || fail "no final table"

exit $((failures > 0))
