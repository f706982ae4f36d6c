# shellcheck shell=bash
# What the live capture tests share; sourced, not run. Two network namespaces joined by a veth
# pair: the server side ($SRV_NS, $SRV_DEV, $SRV_IP) and the client side ($CLI_NS, $CLI_DEV,
# $CLI_IP), removed again on exit with everything started here. Exit 77 (skipped) where this
# cannot be built: not root, or namespaces/veth not allowed.

skip() {
    echo "skipped: $*"
    exit 77
}

[ "$(id -u)" -eq 0 ] || skip "needs root (network namespaces, packet capture)"
command -v ip >/dev/null || skip "no ip command (iproute2)"

WORK=$(mktemp -d /tmp/zep-live.XXXXXX)
SRV_NS=zeplive-srv-$$
CLI_NS=zeplive-cli-$$
SRV_DEV=zls$$
CLI_DEV=zlc$$
SRV_IP=10.231.77.1
CLI_IP=10.231.77.2
CLEANUP_PIDS=()

kill_on_exit() { CLEANUP_PIDS+=("$1"); }

cleanup() {
    local pid
    for pid in "${CLEANUP_PIDS[@]}"; do
        if kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
    ip netns del "$SRV_NS" 2>/dev/null || true
    ip netns del "$CLI_NS" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Retries a command for up to ~5 s.
wait_for() {
    local tries=100
    while [ "$tries" -gt 0 ]; do
        if "$@"; then return 0; fi
        sleep 0.05
        tries=$((tries - 1))
    done
    return 1
}

make_link() {
    ip netns add "$SRV_NS" 2>/dev/null || skip "network namespaces are not allowed here"
    ip netns add "$CLI_NS" 2>/dev/null || skip "network namespaces are not allowed here"
    ip link add "$SRV_DEV" netns "$SRV_NS" type veth peer name "$CLI_DEV" netns "$CLI_NS" \
        2>/dev/null || skip "veth pairs are not allowed here"
    local ns dev ip
    for ns in "$SRV_NS" "$CLI_NS"; do
        ip netns exec "$ns" sysctl -q -w net.ipv6.conf.all.disable_ipv6=1 || true
        ip netns exec "$ns" sysctl -q -w net.ipv6.conf.default.disable_ipv6=1 || true
        ip -n "$ns" link set lo up
    done
    ip -n "$SRV_NS" addr add "$SRV_IP/24" dev "$SRV_DEV"
    ip -n "$CLI_NS" addr add "$CLI_IP/24" dev "$CLI_DEV"
    ip -n "$SRV_NS" link set "$SRV_DEV" up
    ip -n "$CLI_NS" link set "$CLI_DEV" up
}

# Whether a packet socket is open in the server's namespace: the tool is capturing.
capturing() {
    [ "$(ip netns exec "$SRV_NS" cat /proc/net/packet | wc -l)" -gt 1 ]
}

# start_tool ARGS...: the program capturing on the server side's interface, in the background
# ($TOOL_PID), its messages in $WORK/tool.err; returns once it captures.
start_tool() {
    (exec ip netns exec "$SRV_NS" "$PROGRAM" --no -i "$SRV_DEV" "$@") 2>"$WORK/tool.err" \
        >"$WORK/tool.out" &
    TOOL_PID=$!
    kill_on_exit "$TOOL_PID"
    wait_for capturing || {
        cat "$WORK/tool.err" >&2
        fail "the program did not start capturing"
    }
}

# stop_tool: SIGINT once the last packets had time to come through libpcap's buffer; the
# program must end by itself, successfully or as interrupted.
stop_tool() {
    sleep 1
    kill -INT "$TOOL_PID"
    local status=0
    wait "$TOOL_PID" || status=$?
    if [ "$status" -ne 0 ] && [ "$status" -ne 130 ]; then
        cat "$WORK/tool.err" >&2
        fail "the program ended with status $status"
    fi
}
