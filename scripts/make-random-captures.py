#!/usr/bin/env python3
"""Writes N random classic pcap captures of Ethernet/IPv4/TCP packets carrying Modbus/TCP
messages (well-formed, damaged and plain garbage) for comparing two builds' reports.

usage: make-random-captures.py OUT_DIR COUNT [SEED]"""
import os
import random
import struct
import sys


def crc16(data):
    crc = 0xFFFF
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def pdu(rng):
    f = rng.choice([1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 15, 16, 17, 22, 23, 0x83, 0x81, 0, 30, 200])
    shape = rng.random()
    if shape < 0.4:  # a request
        body = struct.pack(">HH", rng.randrange(0, 70000) & 0xFFFF, rng.randrange(1, 130))
        if f in (15, 16):
            n = rng.randrange(0, 12)
            body += bytes([n]) + bytes(rng.randrange(256) for _ in range(n))
        if f == 23:
            body += struct.pack(">HH", rng.randrange(65536), rng.randrange(1, 5))
            n = rng.randrange(0, 9)
            body += bytes([n]) + bytes(rng.randrange(256) for _ in range(n))
        if f == 22:
            body += struct.pack(">H", rng.randrange(65536))
    elif shape < 0.8:  # a response
        n = rng.randrange(0, 20)
        body = bytes([n]) + bytes(rng.randrange(256) for _ in range(n + rng.choice([0, 0, 0, 1, -1])))
    else:
        body = bytes(rng.randrange(256) for _ in range(rng.randrange(0, 30)))
    return bytes([f]) + body


def packet(rng, src, dst, sport, dport, payload):
    tcp = struct.pack(">HHIIBBHHH", sport, dport, rng.randrange(1 << 32), 0, 5 << 4, 0x18, 8192, 0, 0)
    total = 20 + len(tcp) + len(payload) + rng.choice([0] * 12 + [-3, 4, 40])
    ip = struct.pack(">BBHHHBBH4s4s", 0x45, 0, max(0, min(total, 65535)), 0, 0, 64, 6, 0, bytes(src), bytes(dst))
    eth = b"\x00\x11\x22\x33\x44\x55\x66\x77\x88\x99\xaa\xbb\x08\x00"
    return eth + ip + tcp + payload


def capture(rng):
    hosts = [[10, 0, 0, i] for i in range(1, rng.randrange(2, 5))]
    out = struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, 1)
    t = 1_600_000_000
    for _ in range(rng.randrange(1, 40)):
        unit = rng.choice([1, 1, 1, 0, 17, 247, 255])
        body = pdu(rng)
        length = len(body) + 1 + rng.choice([0] * 10 + [1, -1, 50])
        adu = struct.pack(">HHH", rng.randrange(65536), rng.choice([0, 0, 0, 5]), max(0, length)) + bytes([unit]) + body
        if rng.random() < 0.05:
            adu = adu[: rng.randrange(len(adu) + 1)]
        a, b = rng.sample(hosts, 2) if len(hosts) > 1 else (hosts[0], hosts[0])
        pkt = packet(rng, a, b, 40000, 502, adu)
        if rng.random() < 0.03:
            pkt = bytes(rng.randrange(256) for _ in range(rng.randrange(0, 80)))
        t += 1
        out += struct.pack("<IIII", t, 0, len(pkt), len(pkt)) + pkt
    return out


def main():
    out_dir, count = sys.argv[1], int(sys.argv[2])
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 1)
    os.makedirs(out_dir, exist_ok=True)
    for i in range(count):
        with open(os.path.join(out_dir, f"random-{i:05d}.pcap"), "wb") as f:
            f.write(capture(rng))


if __name__ == "__main__":
    main()
