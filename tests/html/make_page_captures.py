#!/usr/bin/env python3
"""Writes the crafted captures the page checks open, each a libpcap file of Modbus/TCP traffic
with a known story, into OUT_DIR:

  step.pcap        a holding register 40001 at 13624 for 30 s, then 14130, read every second
  coil.pcap        coils and discrete inputs polled every second; an operator's client switches
                   coil 00001 on (function 5) and input 10001 (its feedback) follows a moment later
  slow-poll.pcap   one client reading three ranges every 10 s for five minutes (0.3 requests/s)
  write-only.pcap  1,500 writes of single and multiple registers, no read at all

The times of each story are printed as JSON on standard output, for check-page.js.

Usage: make_page_captures.py OUT_DIR
"""

import json
import os
import struct
import sys

# 2026-01-05T08:00:00Z: a whole second, so the times below read plainly.
START = 1767600000
RESPONSE_DELAY = 0.004


def ip(text):
    return bytes(int(part) for part in text.split("."))


class Capture:
    """A libpcap file of Ethernet frames; each TCP connection's sequence numbers run on."""

    def __init__(self, path):
        self.out = open(path, "wb")
        self.out.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, 1))
        self.sequences = {}

    def segment(self, time, source, sport, destination, dport, payload):
        key = (source, sport, destination, dport)
        sequence = self.sequences.get(key, 1000)
        self.sequences[key] = sequence + len(payload)
        acknowledged = self.sequences.get((destination, dport, source, sport), 1000)
        tcp = struct.pack(">HHIIBBHHH", sport, dport, sequence, acknowledged, 5 << 4, 0x18, 8192,
                          0, 0)
        header = struct.pack(">BBHHHBBH4s4s", 0x45, 0, 20 + len(tcp) + len(payload), 0, 0, 64, 6,
                             0, ip(source), ip(destination))
        frame = bytes([0, 1, 2, 3, 4, 6]) + bytes([0, 1, 2, 3, 4, 5]) + b"\x08\x00" + header + tcp
        frame += payload
        micros = round(time * 1_000_000)
        seconds, rest = divmod(micros, 1_000_000)
        self.out.write(struct.pack("<IIII", seconds, rest, len(frame), len(frame)) + frame)

    def transaction(self, time, client, server, tid, unit, request, response):
        """One request at `time` and its response RESPONSE_DELAY later (PDUs without the MBAP
        header)."""
        client_ip, client_port = client
        server_ip, server_port = server
        for at, pdu, forward in ((time, request, True), (time + RESPONSE_DELAY, response, False)):
            adu = struct.pack(">HHHB", tid & 0xFFFF, 0, len(pdu) + 1, unit) + pdu
            if forward:
                self.segment(at, client_ip, client_port, server_ip, server_port, adu)
            else:
                self.segment(at, server_ip, server_port, client_ip, client_port, adu)

    def close(self):
        self.out.close()


def read_registers(start, values):
    return (struct.pack(">BHH", 3, start, len(values)),
            bytes([3, 2 * len(values)]) + b"".join(struct.pack(">H", v) for v in values))


def read_bits(function, start, bits):
    packed = sum(bit << i for i, bit in enumerate(bits))
    return (struct.pack(">BHH", function, start, len(bits)), bytes([function, 1, packed]))


def step(path):
    """40001 constant at 13624 from the first sample, 14130 from the read at +30 s on."""
    capture = Capture(path)
    client, server = ("192.168.10.5", 50100), ("192.168.10.20", 502)
    for second in range(60):
        level = 13624 if second < 30 else 14130
        request, response = read_registers(0, [level, 7])
        capture.transaction(START + second, client, server, second + 1, 1, request, response)
    capture.close()
    return {"first": START + RESPONSE_DELAY, "last": START + 59 + RESPONSE_DELAY,
            "before": 13624, "after": 14130, "last_before": START + 29 + RESPONSE_DELAY,
            "first_after": START + 30 + RESPONSE_DELAY}


def coil(path):
    """Coils 00001-00008 and inputs 10001-10008 read every second by the SCADA client; at +15.3 s
    the operator's client writes coil 00001 on; input 10001 turns on at +16.5 s."""
    capture = Capture(path)
    scada, operator = ("192.168.10.5", 50200), ("192.168.10.7", 50300)
    server = ("192.168.10.30", 502)
    write_time = START + 15.3
    tid = 0
    for second in range(40):
        at = START + second
        coil_on = at > write_time
        input_on = at + 0.5 > START + 16.5
        tid += 1
        capture.transaction(at, scada, server, tid, 1,
                            *read_bits(1, 0, [int(coil_on), 0, 1, 0, 0, 0, 0, 0]))
        tid += 1
        capture.transaction(at + 0.5, scada, server, tid, 1,
                            *read_bits(2, 0, [int(input_on), 1, 0, 0, 0, 0, 0, 0]))
    write = struct.pack(">BHH", 5, 0, 0xFF00)
    capture.transaction(write_time, operator, server, 1, 1, write, write)
    capture.close()
    # The records of the two clients are interleaved by time as a capture has them.
    sort_records(path)
    return {"write_time": write_time, "write_client": operator[0],
            "first": START + 0.5 + RESPONSE_DELAY, "last": START + 39 + RESPONSE_DELAY,
            "coil_off_until": START + 15 + RESPONSE_DELAY, "coil_on_from": START + 16 + RESPONSE_DELAY,
            "input_off_until": START + 16.5 + RESPONSE_DELAY,
            "input_on_from": START + 17.5 + RESPONSE_DELAY}


def slow_poll(path):
    """Three reads 50 ms apart every 10 s for 300 s."""
    capture = Capture(path)
    client, server = ("192.168.10.5", 50400), ("192.168.10.40", 502)
    tid = 0
    for cycle in range(30):
        for k, start in enumerate((0, 100, 200)):
            tid += 1
            request, response = read_registers(start, [cycle, k, 1])
            capture.transaction(START + 10 * cycle + 0.05 * k, client, server, tid, 1, request,
                                response)
    capture.close()
    return {"rate": 0.3, "first": START, "last": START + 290.1, "period": 10}


def write_only(path):
    """1,500 writes, single (function 6) and multiple (function 16) by turns, 0.2 s apart."""
    capture = Capture(path)
    client, server = ("192.168.10.9", 50500), ("192.168.10.50", 502)
    for i in range(1500):
        if i % 2 == 0:
            request = struct.pack(">BHH", 6, i % 50, i & 0xFFFF)
            response = request
        else:
            request = struct.pack(">BHHB", 16, 100, 2, 4) + struct.pack(">HH", i & 0xFFFF, 1)
            response = struct.pack(">BHH", 16, 100, 2)
        capture.transaction(START + 0.2 * i, client, server, i + 1, 1, request, response)
    capture.close()
    return {"writes": 1500}


def sort_records(path):
    """Orders a libpcap file's records by time (stable)."""
    with open(path, "rb") as source:
        data = source.read()
    records, position = [], 24
    while position + 16 <= len(data):
        seconds, micros, length, _ = struct.unpack_from("<IIII", data, position)
        records.append(((seconds, micros), data[position:position + 16 + length]))
        position += 16 + length
    records.sort(key=lambda record: record[0])
    with open(path, "wb") as out:
        out.write(data[:24] + b"".join(record for _, record in records))


STORIES = {"step": step, "coil": coil, "slow-poll": slow_poll, "write-only": write_only}


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    os.makedirs(sys.argv[1], exist_ok=True)
    facts = {name: make(os.path.join(sys.argv[1], name + ".pcap"))
             for name, make in STORIES.items()}
    json.dump(facts, sys.stdout, indent=1)
    print()


if __name__ == "__main__":
    main()
