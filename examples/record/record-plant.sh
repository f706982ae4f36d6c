#!/usr/bin/env bash
#
# Records examples/plant.pcapng: real Modbus/TCP traffic of two libmodbus
# clients and two libmodbus servers on one Ethernet segment, captured with
# dumpcap (pcapng).
#
# Setup (needs root):
#
#   netns zmbplant-a   10.10.1.1  02:00:0a:0a:01:01  client A  --+
#   netns zmbplant-s1  10.10.1.2  02:00:0a:0a:01:02  server 1  --+-- br0 in
#   netns zmbplant-s2  10.10.1.3  02:00:0a:0a:01:03  server 2  --+   netns zmbplant-sw,
#   netns zmbplant-b   10.10.1.4  02:00:0a:0a:01:04  client B  --+   dumpcap
#
# Each host has one veth into the bridge; dumpcap listens on the bridge, so
# every frame of all four hosts is recorded once.  TCP timestamps, SACK and
# window scaling are off and offloads disabled as for example.pcap.
#
# usage: examples/record/record-plant.sh [output.pcapng]
#
# Re-running is safe: the output file is overwritten, namespaces and
# background processes are removed on exit.

set -euo pipefail

RECORD_NAME=record-plant
# shellcheck source-path=SCRIPTDIR source=record-common.sh
. "$(dirname "$0")/record-common.sh"

OUT="$REPO_DIR/examples/plant.pcapng"
for arg in "$@"; do
    case "$arg" in
        -h | --help)
            sed -n '2,21p' "$0" | sed 's/^# \{0,1\}//'
            exit 0
            ;;
        -*)
            echo "unknown option: $arg" >&2
            exit 2
            ;;
        *) OUT="$arg" ;;
    esac
done

PORT=502
NS_SWITCH=zmbplant-sw
# host: namespace, address, MAC, bridge port
HOSTS=(
    "zmbplant-a 10.10.1.1 02:00:0a:0a:01:01 port-a"
    "zmbplant-s1 10.10.1.2 02:00:0a:0a:01:02 port-s1"
    "zmbplant-s2 10.10.1.3 02:00:0a:0a:01:03 port-s2"
    "zmbplant-b 10.10.1.4 02:00:0a:0a:01:04 port-b"
)

ensure_packages gcc libc6-dev pkg-config libmodbus-dev tshark iproute2 ethtool

log "building clients and server in $WORK"
build_program modbus_server.c modbus_server
build_program plant_clients.c plant_clients

# ---------------------------------------------------------------------------
# network

delete_netns_on_exit "$NS_SWITCH"
ip netns add "$NS_SWITCH"
quiet_namespace "$NS_SWITCH"
# no spanning tree and no multicast snooping: the bridge itself sends nothing
ip -n "$NS_SWITCH" link add br0 type bridge stp_state 0 forward_delay 0 mcast_snooping 0
ip -n "$NS_SWITCH" link set br0 up

for host in "${HOSTS[@]}"; do
    read -r ns ip mac port <<<"$host"
    delete_netns_on_exit "$ns"
    ip netns add "$ns"
    quiet_namespace "$ns"
    ip -n "$ns" link add eth0 address "$mac" type veth peer name "$port" netns "$NS_SWITCH"
    ip -n "$ns" addr add "$ip/24" dev eth0
    no_offloads "$ns" eth0
    no_offloads "$NS_SWITCH" "$port"
    ip -n "$NS_SWITCH" link set "$port" master br0 up
    ip -n "$ns" link set eth0 up
done

# static neighbours, so there is no ARP exchange in the middle of the run
for host in "${HOSTS[@]}"; do
    read -r ns _ _ _ <<<"$host"
    for other in "${HOSTS[@]}"; do
        read -r other_ns other_ip other_mac _ <<<"$other"
        [ "$other_ns" = "$ns" ] && continue
        ip -n "$ns" neigh replace "$other_ip" lladdr "$other_mac" dev eth0 nud permanent
    done
done

# ---------------------------------------------------------------------------
# record

CAP="$WORK/capture.pcapng"
log "capturing on br0 (tcp port $PORT)"
start_capture "$NS_SWITCH" dumpcap br0 "tcp port $PORT" "$CAP"

# server: namespace address unit clients
start_server() {
    (exec ip netns exec "$1" "$WORK/modbus_server" "$2" "$PORT" "$3" "$4") &
    SERVER_PIDS+=($!)
    kill_on_exit "$!"
    # shellcheck disable=SC2016
    wait_for ip netns exec "$1" sh -c 'ss -Hltn "sport = :$0" | grep -q .' "$PORT" ||
        die "server $2 did not start listening"
}
SERVER_PIDS=()
start_server zmbplant-s1 10.10.1.2 1 2
start_server zmbplant-s2 10.10.1.3 2 1

CLIENTS_RC=0
"$WORK/plant_clients" zmbplant-a zmbplant-b || CLIENTS_RC=$?

SERVERS_RC=0
for pid in "${SERVER_PIDS[@]}"; do
    wait "$pid" || SERVERS_RC=$?
done

stop_capture

[ "$CLIENTS_RC" -eq 0 ] || die "clients failed (exit $CLIENTS_RC)"
[ "$SERVERS_RC" -eq 0 ] || die "a server failed (exit $SERVERS_RC)"

# ---------------------------------------------------------------------------
# check

# pcapng section header block
[ "$(od -An -tx1 -N4 "$CAP" | tr -d ' \n')" = "0a0d0d0a" ] || die "not a pcapng file"

# 23 transactions: A 14 (12 reads, 2 writes), B 9 (3 rounds of 3)
NMSG=$(tshark -r "$CAP" -Y mbtcp -T fields -e mbtcp.trans_id | tr ',' '\n' | grep -c .)
[ "$NMSG" -eq 46 ] || die "expected 46 Modbus/TCP messages, tshark decodes $NMSG"
# B's pipelined requests: three segments carry three requests each
NTRIPLE=$(tshark -r "$CAP" -Y 'mbtcp && tcp.len == 36' -T fields -e frame.number | grep -c .)
[ "$NTRIPLE" -eq 3 ] || die "expected 3 segments with 3 pipelined requests, have $NTRIPLE"
HOSTS_SEEN=$(tshark -r "$CAP" -T fields -e ip.src | sort -u | tr '\n' ' ')
[ "$HOSTS_SEEN" = "10.10.1.1 10.10.1.2 10.10.1.3 10.10.1.4 " ] ||
    die "unexpected hosts: $HOSTS_SEEN"

install_output "$CAP" "$OUT"
capinfos -t -E -l -c -u "$OUT"
tshark -r "$OUT" -Y mbtcp -T fields -e frame.number -e ip.src -e tcp.srcport -e ip.dst \
    -e tcp.dstport -e mbtcp.trans_id -e mbtcp.unit_id -e modbus.func_code
