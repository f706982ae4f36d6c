#!/usr/bin/env python3
"""Writes an endless (or counted) libpcap stream of Modbus/TCP traffic to standard output, as a
live capture would deliver it: clients polling devices, writes, exception answers, unanswered
and slow requests, reconnecting clients and a client that probes random ranges. The capture
time runs faster than the wall clock (--step); --rate paces the transactions in wall-clock time.

Usage: modbus_stream.py [--seed N] [--rate TPS] [--transactions N] [--clients N] [--devices N]
                        [--scanners N] [--unanswered P] [--reconnect P] [--step-us US]
"""

import argparse
import heapq
import itertools
import random
import struct
import sys
import time

ETHERNET_IPV4 = b"\x00\x11\x22\x33\x44\x55\x66\x77\x88\x99\xaa\xbb\x08\x00"
TCP_PSH_ACK = 0x18


def checksum(header):
    total = sum(struct.unpack("!%dH" % (len(header) // 2), header))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return ~total & 0xFFFF


class Connection:
    def __init__(self, client_ip, client_port, server_ip, rng):
        self.client = (client_ip, client_port)
        self.server = (server_ip, 502)
        self.seq = {True: rng.randrange(1 << 32), False: rng.randrange(1 << 32)}
        self.transaction_id = 0


def packet(connection, from_client, payload):
    source, destination = ((connection.client, connection.server) if from_client
                           else (connection.server, connection.client))
    total = 20 + 20 + len(payload)
    ip = struct.pack("!BBHHHBBH4s4s", 0x45, 0, total, 0, 0x4000, 64, 6, 0,
                     bytes(source[0]), bytes(destination[0]))
    ip = ip[:10] + struct.pack("!H", checksum(ip)) + ip[12:]
    seq = connection.seq[from_client]
    ack = connection.seq[not from_client]
    tcp = struct.pack("!HHIIBBHHH", source[1], destination[1], seq, ack, 5 << 4, TCP_PSH_ACK,
                      65535, 0, 0)
    connection.seq[from_client] = (seq + len(payload)) & 0xFFFFFFFF
    return ETHERNET_IPV4 + ip + tcp + payload


def adu(transaction_id, unit, pdu):
    return struct.pack("!HHHB", transaction_id, 0, len(pdu) + 1, unit) + pdu


class Traffic:
    def __init__(self, args):
        self.rng = random.Random(args.seed)
        self.args = args
        self.time_us = 1_700_000_000 * 1_000_000
        self.devices = [(bytes([10, 0, 0, 1 + d // 4]), 1 + d % 4) for d in range(args.devices)]
        self.connections = {}
        self.serial = 0

    def connection(self, client, device_ip):
        key = (client, device_ip)
        connection = self.connections.get(key)
        # Clients reconnect now and then: every connection is new state to follow.
        if connection is None or self.rng.random() < self.args.reconnect:
            self.serial += 1
            port = 20000 + self.serial % 40000
            client_ip = bytes([10, 1, client // 250, 1 + client % 250])
            connection = Connection(client_ip, port, device_ip, self.rng)
            self.connections[key] = connection
        return connection

    def transaction(self):
        """The records of one transaction: [(time_us, bytes)]."""
        rng = self.rng
        client = rng.randrange(self.args.clients)
        device_ip, unit = self.devices[rng.randrange(len(self.devices))]
        connection = self.connection(client, device_ip)
        connection.transaction_id = (connection.transaction_id + 1) & 0xFFFF
        tid = connection.transaction_id
        choice = rng.random()
        scanner = client < self.args.scanners
        if scanner:
            function = 3
            first, count = rng.randrange(65000), rng.randrange(1, 60)
        elif choice < 0.08:
            function = 6
            first, count = rng.randrange(100), 1
        elif choice < 0.12:
            function = 16
            first, count = rng.randrange(100), 2
        else:
            function = rng.choice((3, 4))
            first, count = rng.choice(((0, 10), (100, 20), (1000, 4), (30000, 2)))
        if function in (3, 4):
            request = struct.pack("!BHH", function, first, count)
        elif function == 6:
            request = struct.pack("!BHH", 6, first, rng.randrange(65536))
        else:
            request = struct.pack("!BHHB", 16, first, count, 2 * count) + bytes(
                rng.randrange(256) for _ in range(2 * count))
        records = [(self.time_us, packet(connection, True, adu(tid, unit, request)))]
        outcome = rng.random()
        if scanner and outcome < 0.5:
            response = bytes([function | 0x80, 2])  # illegal data address
        elif outcome < self.args.unanswered:
            response = None  # never answered
        elif outcome < self.args.unanswered + 0.03:
            response = bytes([function | 0x80, rng.choice((1, 2, 3, 4, 6))])
        elif function in (3, 4):
            phase = self.time_us // 1_000_000
            values = [(phase * (i + 1) + first) & 0xFFFF for i in range(count)]
            response = struct.pack("!BB%dH" % count, function, 2 * count, *values)
        elif function == 6:
            response = request
        else:
            response = struct.pack("!BHH", 16, first, count)
        if response is not None:
            delay = rng.choice((2000, 5000, 20000)) if rng.random() > 0.02 else 1_500_000
            records.append((self.time_us + delay,
                            packet(connection, False, adu(tid, unit, response))))
        self.time_us += self.args.step_us
        return records


def record(time_us, data):
    return struct.pack("<IIII", time_us // 1_000_000, time_us % 1_000_000, len(data),
                       len(data)) + data


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--rate", type=float, default=0, help="transactions per second (0: "
                        "as fast as it goes)")
    parser.add_argument("--transactions", type=int, default=0, help="0: endless")
    parser.add_argument("--clients", type=int, default=20)
    parser.add_argument("--devices", type=int, default=12)
    parser.add_argument("--reconnect", type=float, default=0.002,
                        help="chance that a transaction opens a new connection")
    parser.add_argument("--unanswered", type=float, default=0.03,
                        help="chance that a request is never answered")
    parser.add_argument("--scanners", type=int, default=0,
                        help="clients that read random ranges and draw refusals")
    parser.add_argument("--step-us", type=int, default=5000,
                        help="capture time between transactions")
    args = parser.parse_args()
    out = sys.stdout.buffer
    traffic = Traffic(args)
    started = time.monotonic()
    done = 0
    batch = 50
    # Responses come later than the requests after them: records wait here, in time order.
    waiting = []
    order = itertools.count()
    try:
        out.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, 1))
        while args.transactions == 0 or done < args.transactions:
            chunk = []
            for _ in range(batch if args.transactions == 0 else
                           min(batch, args.transactions - done)):
                for t, data in traffic.transaction():
                    heapq.heappush(waiting, (t, next(order), data))
                done += 1
                while waiting and waiting[0][0] < traffic.time_us:
                    t, _, data = heapq.heappop(waiting)
                    chunk.append(record(t, data))
            if args.transactions and done >= args.transactions:
                chunk.extend(record(t, data) for t, _, data in sorted(waiting))
            out.write(b"".join(chunk))
            out.flush()
            if args.rate > 0:
                ahead = done / args.rate - (time.monotonic() - started)
                if ahead > 0:
                    time.sleep(ahead)
    except (BrokenPipeError, ConnectionResetError):
        pass
    try:
        sys.stdout.close()
    except BrokenPipeError:
        pass


if __name__ == "__main__":
    main()
