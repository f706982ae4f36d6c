#!/usr/bin/env bash
#
# Records examples/example.pcap: real Modbus/TCP traffic between a libmodbus
# client and a libmodbus server, captured with tcpdump.
#
# Default setup (needs root):
#
#   netns zmbrec-cli                      netns zmbrec-srv
#   eth0 10.10.0.1/24  <---- veth ---->   eth0 10.10.0.2/24
#   02:00:0a:0a:00:01                     02:00:0a:0a:00:02
#   modbus_client, tcpdump                modbus_server :502
#
# TCP timestamps, SACK and window scaling are switched off inside the
# namespaces, so data segments carry a plain 20 byte TCP header (only the
# SYNs have an MSS option), and checksum offload is disabled on the veth
# ends so that the recorded checksums are the real ones.
#
# If network namespaces are not available, the fallback runs everything on
# the host loopback (127.0.0.1:502, zero MAC addresses); the host's TCP
# settings are left alone, so that capture will contain TCP options.
#
# usage: examples/record/record-example.sh [--no-netns] [output.pcap]
#
# Re-running is safe: the output file is overwritten, namespaces and
# background processes are removed on exit.

set -euo pipefail

RECORD_NAME=record-example
# shellcheck source-path=SCRIPTDIR source=record-common.sh
. "$(dirname "$0")/record-common.sh"

USE_NETNS=1
OUT="$REPO_DIR/examples/example.pcap"
for arg in "$@"; do
    case "$arg" in
        --no-netns) USE_NETNS=0 ;;
        -h|--help)
            sed -n '2,25p' "$0" | sed 's/^# \{0,1\}//'
            exit 0
            ;;
        -*) echo "unknown option: $arg" >&2; exit 2 ;;
        *) OUT="$arg" ;;
    esac
done

PORT=502
UNIT=1
NS_CLI=zmbrec-cli
NS_SRV=zmbrec-srv
CLI_IP=10.10.0.1
SRV_IP=10.10.0.2
CLI_MAC=02:00:0a:0a:00:01
SRV_MAC=02:00:0a:0a:00:02

ensure_packages gcc libc6-dev pkg-config libmodbus-dev tcpdump tshark iproute2 ethtool

log "building client and server in $WORK"
build_program modbus_server.c modbus_server
build_program modbus_client.c modbus_client

# ---------------------------------------------------------------------------
# network

in_cli() { if [ "$USE_NETNS" -eq 1 ]; then ip netns exec "$NS_CLI" "$@"; else "$@"; fi; }
in_srv() { if [ "$USE_NETNS" -eq 1 ]; then ip netns exec "$NS_SRV" "$@"; else "$@"; fi; }
# for background jobs: exec, so that $! is the pid of the program itself
# (ip netns exec execs the command as well)
exec_srv() { if [ "$USE_NETNS" -eq 1 ]; then exec ip netns exec "$NS_SRV" "$@"; else exec "$@"; fi; }

setup_netns() {
    local ns
    delete_netns_on_exit "$NS_CLI" "$NS_SRV"
    ip netns add "$NS_CLI" || return 1
    ip netns add "$NS_SRV" || return 1
    quiet_namespace "$NS_CLI"
    quiet_namespace "$NS_SRV"

    ip -n "$NS_CLI" link add eth0 address "$CLI_MAC" type veth \
        peer name eth0 address "$SRV_MAC" netns "$NS_SRV"

    ip -n "$NS_CLI" addr add "$CLI_IP/24" dev eth0
    ip -n "$NS_SRV" addr add "$SRV_IP/24" dev eth0

    for ns in "$NS_CLI" "$NS_SRV"; do
        no_offloads "$ns" eth0
        ip -n "$ns" link set eth0 up
    done

    # static neighbours, so there is no ARP exchange in the middle of the run
    ip -n "$NS_CLI" neigh replace "$SRV_IP" lladdr "$SRV_MAC" dev eth0 nud permanent
    ip -n "$NS_SRV" neigh replace "$CLI_IP" lladdr "$CLI_MAC" dev eth0 nud permanent
}

if [ "$USE_NETNS" -eq 1 ]; then
    if ! setup_netns; then
        log "network namespaces not usable, falling back to host loopback"
        ip netns del "$NS_CLI" 2>/dev/null || true
        ip netns del "$NS_SRV" 2>/dev/null || true
        USE_NETNS=0
    fi
fi

if [ "$USE_NETNS" -eq 1 ]; then
    CAP_IF=eth0
    FILTER="tcp port $PORT"
else
    CLI_IP=127.0.0.1
    SRV_IP=127.0.0.1
    CAP_IF=lo
    FILTER="tcp port $PORT and host 127.0.0.1"
    log "note: host loopback capture keeps the host's TCP options (timestamps)" \
        "and has unfinished checksums (loopback checksum offload)"
    if ss -Hltn "sport = :$PORT" | grep -q .; then
        die "port $PORT is already in use on the host"
    fi
fi

server_listening() { in_srv ss -Hltn "sport = :$PORT" | grep -q .; }

# ---------------------------------------------------------------------------
# record

CAP="$WORK/capture.pcap"
log "capturing on $CAP_IF ($FILTER)"
CAP_NS=
[ "$USE_NETNS" -eq 1 ] && CAP_NS=$NS_CLI
start_capture "$CAP_NS" tcpdump "$CAP_IF" "$FILTER" "$CAP"

exec_srv "$WORK/modbus_server" "$SRV_IP" "$PORT" "$UNIT" &
SERVER_PID=$!
kill_on_exit "$SERVER_PID"
wait_for server_listening || die "server did not start listening"

CLIENT_RC=0
in_cli "$WORK/modbus_client" "$SRV_IP" "$PORT" "$UNIT" || CLIENT_RC=$?

SERVER_RC=0
wait "$SERVER_PID" || SERVER_RC=$?

stop_capture

[ "$CLIENT_RC" -eq 0 ] || die "client failed (exit $CLIENT_RC)"
[ "$SERVER_RC" -eq 0 ] || die "server failed (exit $SERVER_RC)"

# ---------------------------------------------------------------------------
# check

# pcap global header: magic d4 c3 b2 a1 (little endian, microseconds),
# version 2.4, link type 1 (Ethernet)
HDR=$(od -An -tx1 -N24 "$CAP" | tr -d ' \n')
[ "${HDR:0:8}" = "d4c3b2a1" ] || die "not a little-endian microsecond pcap (magic ${HDR:0:8})"
[ "${HDR:8:8}" = "02000400" ] || die "unexpected pcap version (${HDR:8:8})"
[ "${HDR:40:8}" = "01000000" ] || die "unexpected link type (${HDR:40:8})"

FUNCS=$(tshark -r "$CAP" -Y mbtcp -T fields -e modbus.func_code | sort -n | uniq | tr '\n' ' ')
for fc in 1 2 3 4 5 6 8 15 16 17 22 23; do
    case " $FUNCS" in
        *" $fc "*) ;;
        *) die "function code $fc missing from the capture (have: $FUNCS)" ;;
    esac
done
# exception responses: fc 8 -> illegal function, fc 3 -> illegal data address
NEXC=$(tshark -r "$CAP" -Y 'modbus.exception_code' -T fields -e modbus.exception_code | tr '\n' ' ')
[ "$NEXC" = "1 2 " ] || die "expected exception codes 1 and 2, got: $NEXC"

install_output "$CAP" "$OUT"
capinfos -t -E -l -c -u "$OUT"
tshark -r "$OUT" -Y mbtcp -T fields \
    -e frame.number -e ip.src -e ip.dst -e modbus.func_code -e frame.len
