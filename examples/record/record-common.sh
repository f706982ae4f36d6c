# shellcheck shell=bash
# Shared parts of the recording scripts; sourced, not run.
#
# The sourcing script sets RECORD_NAME (used in messages) before sourcing.
# Afterwards it has:
#   log, die              messages on stderr
#   ensure_packages       apt-get install of whatever is missing
#   WORK                  a temporary directory, removed on exit
#   kill_on_exit PID      background jobs stopped on exit
#   delete_netns_on_exit  namespaces removed on exit (and right away, if left over)
#   build_program SRC OUT compile one libmodbus program into $WORK
#   quiet_namespace NS    plain TCP (no timestamps/SACK/window scaling), no IPv6
#   no_offloads NS DEV    real checksums, one segment per send()
#   wait_for CMD...       retry for up to ~5 s
#   start_capture / stop_capture   tcpdump or dumpcap in the background

SCRIPT_DIR=$(cd "$(dirname "${BASH_SOURCE[1]}")" && pwd)
# shellcheck disable=SC2034 # for the sourcing script
REPO_DIR=$(cd "$SCRIPT_DIR/../.." && pwd)

log() { echo "${RECORD_NAME:-record}: $*" >&2; }
die() {
    log "error: $*"
    exit 1
}

[ "$(id -u)" -eq 0 ] || die "must run as root (network namespaces, packet capture, port 502)"

ensure_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        if ! dpkg -s "$pkg" 2>/dev/null | grep -q '^Status: install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    log "installing: ${missing[*]}"
    # another apt/dpkg run may hold the lock; wait for it instead of failing
    export DEBIAN_FRONTEND=noninteractive
    apt-get -o DPkg::Lock::Timeout=600 update -q
    apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends "${missing[@]}"
}

# ---------------------------------------------------------------------------
# cleanup

WORK=$(mktemp -d /tmp/zmb-record.XXXXXX)
CLEANUP_PIDS=()
CLEANUP_NETNS=()

kill_on_exit() { CLEANUP_PIDS+=("$1"); }

delete_netns_on_exit() {
    local ns
    for ns in "$@"; do
        ip netns del "$ns" 2>/dev/null || true # a leftover from an interrupted run
        CLEANUP_NETNS+=("$ns")
    done
}

cleanup() {
    local pid ns
    for pid in "${CLEANUP_PIDS[@]}"; do
        if kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
    for ns in "${CLEANUP_NETNS[@]}"; do
        ip netns del "$ns" 2>/dev/null || true
    done
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ---------------------------------------------------------------------------
# build

build_program() {
    local flags
    flags=$(pkg-config --cflags --libs libmodbus)
    # shellcheck disable=SC2086
    cc -O2 -Wall -Wextra -o "$WORK/$2" "$SCRIPT_DIR/$1" $flags
}

# ---------------------------------------------------------------------------
# network

quiet_namespace() {
    local ns=$1
    ip netns exec "$ns" sysctl -q -w net.ipv4.tcp_timestamps=0
    ip netns exec "$ns" sysctl -q -w net.ipv4.tcp_sack=0
    ip netns exec "$ns" sysctl -q -w net.ipv4.tcp_window_scaling=0
    # keep IPv6 router/neighbour chatter off the link
    ip netns exec "$ns" sysctl -q -w net.ipv6.conf.all.disable_ipv6=1 || true
    ip netns exec "$ns" sysctl -q -w net.ipv6.conf.default.disable_ipv6=1 || true
    ip -n "$ns" link set lo up
}

no_offloads() {
    ip netns exec "$1" ethtool -K "$2" tx off rx off tso off gso off gro off >/dev/null 2>&1 ||
        log "warning: could not disable offloads on $2 in $1"
}

# wait until a command succeeds, up to ~5 s
wait_for() {
    local tries=100
    while [ "$tries" -gt 0 ]; do
        if "$@"; then return 0; fi
        sleep 0.05
        tries=$((tries - 1))
    done
    return 1
}

# ---------------------------------------------------------------------------
# capture

CAPTURE_PID=
CAPTURE_LOG="$WORK/capture.log"

# start_capture NS-OR-EMPTY tcpdump|dumpcap INTERFACE FILTER FILE
start_capture() {
    local ns=$1 tool=$2 dev=$3 filter=$4 file=$5 cmd
    case "$tool" in
        # classic pcap, microsecond timestamps, full packets, written per packet.
        # --immediate-mode: without it libpcap hands packets over in blocks (up
        # to 1 s late), and whatever is still buffered at the stop is lost.
        tcpdump) cmd=(tcpdump -i "$dev" -n -s 0 -U --immediate-mode
            --time-stamp-precision=micro -w "$file" "$filter") ;;
        # pcapng; -q: no packet count on stderr
        dumpcap) cmd=(dumpcap -q -i "$dev" -s 0 -f "$filter" -w "$file") ;;
        *) die "unknown capture tool $tool" ;;
    esac
    [ -n "$ns" ] && cmd=(ip netns exec "$ns" "${cmd[@]}")
    # exec, so that $! is the capture program itself (ip netns exec execs too)
    (exec "${cmd[@]}") 2>"$CAPTURE_LOG" &
    CAPTURE_PID=$!
    kill_on_exit "$CAPTURE_PID"
    # tcpdump says "listening on", dumpcap "Capturing on"
    wait_for grep -qiE 'listening on|capturing on' "$CAPTURE_LOG" ||
        {
            cat "$CAPTURE_LOG" >&2
            die "$tool did not start"
        }
}

stop_capture() {
    # let the last FIN/ACK reach the capture before stopping it
    sleep 0.5
    # SIGINT is ignored by background jobs of a script; both tools flush and
    # exit cleanly on SIGTERM as well
    kill -TERM "$CAPTURE_PID"
    wait "$CAPTURE_PID" || true
    sed 's/^/capture: /' "$CAPTURE_LOG" >&2
}

# install_output CAPTURE OUT: copy the recording into place in one step
install_output() {
    mkdir -p "$(dirname "$2")"
    cp "$1" "$2.tmp"
    mv -f "$2.tmp" "$2"
    chmod 0644 "$2"
    log "wrote $2"
}
