#!/usr/bin/env python3
"""Writes N random classic pcap captures of Modbus/TCP traffic for comparing two builds' reports.

Two kinds of capture, both reproducible from the seed:
  packets  one message (well-formed, damaged or plain garbage) per Ethernet/IPv4 frame with
           random sequence numbers: what the address pairing reads frame by frame;
  streams  a few interleaved TCP connections: handshakes, pipelined requests and their answers
           (some late, unanswered, exceptions, unit or function mismatches), several messages
           in one segment and messages split over segments, retransmissions (also overlapping
           ones), out-of-order segments, segments the capture missed, records cut short, FIN or
           RST endings, reused ports, ports other than 502, non-Modbus connections and noise,
           over Ethernet (with VLAN tags), Linux cooked, raw IP or BSD loopback, IPv4 or IPv6,
           in either byte order, with micro- or nanosecond time stamps.

usage: make-random-captures.py OUT_DIR COUNT [SEED]"""
import os
import random
import struct
import sys

FIN, SYN, RST, PSH, ACK = 0x01, 0x02, 0x04, 0x08, 0x10


def rand_bytes(rng, n):
    return bytes(rng.randrange(256) for _ in range(max(0, n)))


# ---- packets: one message per frame ----------------------------------------------------------


def pdu(rng):
    f = rng.choice([1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 15, 16, 17, 22, 23, 0x83, 0x81, 0, 30, 200])
    shape = rng.random()
    if shape < 0.4:  # a request
        body = struct.pack(">HH", rng.randrange(0, 70000) & 0xFFFF, rng.randrange(1, 130))
        if f in (15, 16):
            n = rng.randrange(0, 12)
            body += bytes([n]) + rand_bytes(rng, n)
        if f == 23:
            body += struct.pack(">HH", rng.randrange(65536), rng.randrange(1, 5))
            n = rng.randrange(0, 9)
            body += bytes([n]) + rand_bytes(rng, n)
        if f == 22:
            body += struct.pack(">H", rng.randrange(65536))
    elif shape < 0.8:  # a response
        n = rng.randrange(0, 20)
        body = bytes([n]) + rand_bytes(rng, n + rng.choice([0, 0, 0, 1, -1]))
    else:
        body = rand_bytes(rng, rng.randrange(0, 30))
    return bytes([f]) + body


def packet(rng, src, dst, sport, dport, payload):
    tcp = struct.pack(">HHIIBBHHH", sport, dport, rng.randrange(1 << 32), 0, 5 << 4, 0x18, 8192, 0, 0)
    total = 20 + len(tcp) + len(payload) + rng.choice([0] * 12 + [-3, 4, 40])
    ip = struct.pack(">BBHHHBBH4s4s", 0x45, 0, max(0, min(total, 65535)), 0, 0, 64, 6, 0, bytes(src), bytes(dst))
    eth = b"\x00\x11\x22\x33\x44\x55\x66\x77\x88\x99\xaa\xbb\x08\x00"
    return eth + ip + tcp + payload


def packets_capture(rng):
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
            pkt = rand_bytes(rng, rng.randrange(0, 80))
        t += 1
        out += struct.pack("<IIII", t, 0, len(pkt), len(pkt)) + pkt
    return out


# ---- streams: TCP connections ----------------------------------------------------------------


def exchange(rng):
    """A request PDU and the answer a server could give to it (None: no answer)."""
    f = rng.choice([1, 2, 3, 3, 3, 4, 5, 6, 6, 7, 8, 11, 15, 16, 16, 17, 22, 23, 43])
    a = rng.randrange(65536)
    if f in (1, 2):
        qty = rng.randrange(1, 40)
        req, resp = struct.pack(">BHH", f, a, qty), bytes([f, (qty + 7) // 8]) + rand_bytes(rng, (qty + 7) // 8)
    elif f in (3, 4):
        qty = rng.randrange(1, 20)
        req, resp = struct.pack(">BHH", f, a, qty), bytes([f, 2 * qty]) + rand_bytes(rng, 2 * qty)
    elif f in (5, 6, 8, 22):
        req = bytes([f]) + struct.pack(">H", a) + rand_bytes(rng, 4 if f == 22 else 2)
        if f == 5:
            req = struct.pack(">BHH", f, a, rng.choice([0xFF00, 0, 0x1234]))
        resp = req
    elif f == 7:
        req, resp = bytes([f]), bytes([f, rng.randrange(256)])
    elif f == 11:
        req, resp = bytes([f]), struct.pack(">BHH", f, rng.choice([0, 0xFFFF]), rng.randrange(65536))
    elif f == 17:
        n = rng.randrange(0, 10)
        req, resp = bytes([f]), bytes([f, n]) + rand_bytes(rng, n)
    elif f in (15, 16):
        qty = rng.randrange(1, 20)
        n = (qty + 7) // 8 if f == 15 else 2 * qty
        req = struct.pack(">BHHB", f, a, qty, n) + rand_bytes(rng, n)
        resp = struct.pack(">BHH", f, a, qty)
    elif f == 23:
        rq, wq = rng.randrange(1, 10), rng.randrange(1, 10)
        req = struct.pack(">BHHHHB", f, a, rq, rng.randrange(65536), wq, 2 * wq) + rand_bytes(rng, 2 * wq)
        resp = bytes([f, 2 * rq]) + rand_bytes(rng, 2 * rq)
    else:  # 43/14: read device identification
        req = bytes([f, 14, rng.choice([1, 2, 4]), 0])
        resp = bytes([f, 14, req[2], 0x81, 0, 0, 1, 0, 3]) + b"ZEP"
    r = rng.random()
    if r < 0.10:
        resp = bytes([f | 0x80, rng.choice([1, 2, 3, 4, 6, 10, 11, 0, 99])])
    elif r < 0.15:
        resp = None
    elif r < 0.19:
        resp = pdu(rng)
    elif r < 0.22:
        resp = resp[: rng.randrange(1, len(resp) + 1)] + rand_bytes(rng, rng.choice([0, 1, 3]))
    elif r < 0.25:
        req = pdu(rng)
    return req, resp


def adu(rng, tid, unit, body):
    length = len(body) + 1 + (rng.choice([1, -1, 7, 300]) if rng.random() < 0.02 else 0)
    protocol = 0 if rng.random() < 0.99 else rng.choice([1, 0xFFFF])
    return struct.pack(">HHHB", tid & 0xFFFF, protocol, max(0, length) & 0xFFFF, unit) + body


class Connection:
    """One TCP connection: its packets as [time_ns, side, flags, seq, ack, payload], side 0 the
    client. `wire` holds what each side has put on the wire so far, indexed like its sequence
    numbers from the initial one (SYN and FIN take one place each)."""

    def __init__(self, rng, client, server, start, trouble):
        self.rng, self.ends, self.t, self.trouble = rng, (client, server), start, trouble
        near_wrap = lambda: (1 << 32) - rng.randrange(1, 3000)
        self.isn = [near_wrap() if rng.random() < 0.1 else rng.randrange(1 << 32) for _ in range(2)]
        self.wire = [bytearray(), bytearray()]
        self.packets = []

    def emit(self, side, flags, payload=b""):
        rng = self.rng
        pause = rng.choice([150_000_000, 2_000_000_000, 30_000_000_000]) if rng.random() < 0.05 else 0
        self.t += pause + rng.randrange(1, 3_000_000)
        seq = (self.isn[side] + len(self.wire[side])) & 0xFFFFFFFF
        ack = (self.isn[1 - side] + len(self.wire[1 - side])) & 0xFFFFFFFF if flags & ACK else 0
        self.packets.append([self.t, side, flags, seq, ack, bytes(payload)])
        self.wire[side] += payload + (b"\0" if flags & (SYN | FIN) else b"")

    def send(self, side, data):
        """Data in segments cut at random places: several messages in one, or one over several."""
        rng = self.rng
        while data:
            n = len(data) if rng.random() < 0.6 else rng.randrange(1, len(data) + 1)
            self.emit(side, PSH | ACK, data[:n])
            data = data[n:]

    def handshake(self):
        self.emit(0, SYN)
        self.emit(1, SYN | ACK)
        self.emit(0, ACK)

    def talk(self, rounds):
        rng = self.rng
        tid, unit = rng.randrange(65536), rng.choice([1, 1, 1, 0, 17, 247, 255])
        for _ in range(rounds):
            batch = []
            for _ in range(rng.choice([1, 1, 1, 1, 2, 3])):  # pipelined requests
                tid += rng.choice([1] * 8 + [0, 7])
                req, resp = exchange(rng)
                batch.append((tid, req, resp))
            self.send(0, b"".join(adu(rng, t, unit, req) for t, req, _ in batch))
            if rng.random() < 0.02:  # bytes that are no message: framing has to find its feet
                self.send(0, rand_bytes(rng, rng.randrange(1, 20)))
            if rng.random() < 0.2:
                self.emit(1, ACK)
            if rng.random() < 0.1:
                rng.shuffle(batch)
            answers = b""
            for t, _, resp in batch:
                if resp is not None:
                    answer_unit = unit if rng.random() < 0.97 else rng.randrange(256)
                    answer_tid = t if rng.random() < 0.97 else rng.randrange(65536)
                    answers += adu(rng, answer_tid, answer_unit, resp)
            self.send(1, answers)
            if rng.random() < 0.5:
                self.emit(0, ACK)

    def end(self):
        rng = self.rng
        r = rng.random()
        if r < 0.45:
            closer = rng.randrange(2)
            self.emit(closer, FIN | ACK)
            self.emit(1 - closer, FIN | ACK)
            self.emit(closer, ACK)
        elif r < 0.65:
            self.emit(rng.randrange(2), RST | ACK)
        elif r < 0.75:
            self.emit(rng.randrange(2), FIN | ACK)  # half closed till the capture ends

    def disturb(self):
        """Loses, retransmits and reorders some data segments; times stay in file order."""
        rng, out, sent, k = self.rng, [], [], self.trouble
        for p in self.packets:
            t, side, flags, seq, ack, payload = p
            sent += [p] if payload else []
            r = rng.random()
            if payload and r < 0.03 * k and p is not self.packets[-1]:
                continue  # never captured: the peer's acknowledgement turns it into a gap
            out.append(p)
            if payload and r < 0.10 * k:
                # A retransmission of this segment or an earlier one, from a few bytes into it,
                # or running on over the segments sent after it.
                again = rng.choice(sent[-4:])
                start = (again[3] - self.isn[again[1]]) & 0xFFFFFFFF
                end = start + len(again[5])
                if rng.random() < 0.3:
                    start += rng.randrange(len(again[5]))
                if rng.random() < 0.3 and again[1] == side:
                    end = (seq - self.isn[side]) + len(payload) & 0xFFFFFFFF
                out.append(again[:3] + [(self.isn[again[1]] + start) & 0xFFFFFFFF, again[4], bytes(self.wire[again[1]][start:end])])
        for i in range(len(out) - 1):
            if out[i][5] and out[i + 1][5] and rng.random() < 0.06 * k:
                out[i], out[i + 1] = out[i + 1], out[i]
        times = sorted(p[0] for p in out)
        self.packets = [[t] + p[1:] for t, p in zip(times, out)]


def endpoint_bytes(host, v6):
    return bytes([0xFD] + [0] * 14 + [host]) if v6 else bytes([10, 0, 0, host])


def tcp_header(rng, sport, dport, seq, ack, flags, with_options):
    options = b"\x01\x01\x08\x0a" + struct.pack(">II", rng.randrange(1 << 32), 0) if with_options else b""
    return struct.pack(">HHIIBBHHH", sport, dport, seq, ack, (20 + len(options)) // 4 << 4, flags, 64240, 0, 0) + options


def link_frame(link, vlan, v6, src, dst, transport, protocol=6):
    if v6:
        ip = struct.pack(">IHBB16s16s", 0x60000000, len(transport), protocol, 64, src, dst)
    else:
        ip = struct.pack(">BBHHHBBH4s4s", 0x45, 0, 20 + len(transport), 0, 0x4000, 64, protocol, 0, src, dst)
    ip += transport
    ether_type = 0x86DD if v6 else 0x0800
    if link == 1:
        tags = b"".join(struct.pack(">HH", tag, 5) for tag in vlan)
        frame = b"\x00\x11\x22\x33\x44\x55\x66\x77\x88\x99\xaa\xbb" + tags + struct.pack(">H", ether_type) + ip
        return frame + bytes(max(0, 60 - len(frame)))  # short frames are padded on the wire
    if link == 113:
        return struct.pack(">HHH8sH", 0, 1, 6, b"\x66\x77\x88\x99\xaa\xbb\x00\x00", ether_type) + ip
    if link == 0:
        return struct.pack("<I", 30 if v6 else 2) + ip
    return ip


def streams_capture(rng):
    big = rng.random() < 0.2
    nano = rng.random() < 0.2
    link = rng.choice([1, 1, 1, 1, 113, 101, 0])
    vlan = [rng.choice([0x8100, 0x88A8])] * rng.randrange(1, 3) if link == 1 and rng.random() < 0.2 else []
    end = ">" if big else "<"
    trouble = rng.choice([0, 0, 0.3, 1, 2])  # how often segments are lost, repeated or reordered
    out = struct.pack(end + "IHHiIII", 0xA1B23C4D if nano else 0xA1B2C3D4, 2, 4, 0, 0, 65535, link)

    packets = []  # [time_ns, frame]
    servers = [rng.randrange(100, 104) for _ in range(rng.randrange(1, 3))]
    t0 = 1_700_000_000 * 10**9 + rng.randrange(10**9)
    previous = None
    for _ in range(rng.choice([1, 1, 2, 2, 3, 4])):
        v6 = rng.random() < 0.15
        server_port = 502 if rng.random() < 0.8 else rng.choice([1502, 5020, 80])
        if previous and rng.random() < 0.2:  # the same ports again: a new incarnation
            client, server, v6, server_port = previous
        else:
            client = (rng.randrange(1, 5), 502 if rng.random() < 0.05 else rng.randrange(1024, 65536))
            server = (rng.choice(servers), server_port)
        previous = (client, server, v6, server_port)
        c = Connection(rng, client, server, t0 + rng.randrange(0, 3 * 10**9), trouble)
        t0 = c.t
        if rng.random() < 0.8:
            c.handshake()
        if server_port == 80 and rng.random() < 0.5:  # some other protocol than Modbus
            c.send(0, b"GET / HTTP/1.1\r\nHost: plc\r\n\r\n")
            c.send(1, b"HTTP/1.1 200 OK\r\n\r\n" + rand_bytes(rng, rng.randrange(50)))
        else:
            c.talk(rng.randrange(1, 12))
        c.end()
        c.disturb()
        options = rng.random() < 0.2
        for t, side, flags, seq, ack, payload in c.packets:
            (shost, sport), (dhost, dport) = c.ends[side], c.ends[1 - side]
            transport = tcp_header(rng, sport, dport, seq, ack, flags, options) + payload
            frame = link_frame(link, vlan, v6, endpoint_bytes(shost, v6), endpoint_bytes(dhost, v6), transport)
            packets.append([t, frame])
    for _ in range(rng.choice([0, 0, 0, 1, 3])):  # noise: UDP, or bytes that are no packet at all
        udp = struct.pack(">HHHH", 5353, 5353, 8 + 12, 0) + rand_bytes(rng, 12)
        frame = link_frame(link, vlan, False, endpoint_bytes(9, False), endpoint_bytes(8, False), udp, 17)
        packets.append([rng.choice(packets)[0] if packets else t0, frame if rng.random() < 0.7 else rand_bytes(rng, rng.randrange(80))])
    packets.sort(key=lambda p: p[0])

    for t, frame in packets:
        captured = len(frame)
        if rng.random() < 0.01 * trouble:  # cut short by the capture
            captured = rng.randrange(captured + 1)
        fraction = t % 10**9 if nano else t % 10**9 // 1000
        out += struct.pack(end + "IIII", t // 10**9, fraction, captured, len(frame)) + frame[:captured]
    if rng.random() < 0.02:  # the capture itself ends mid-record
        out = out[: len(out) - rng.randrange(1, 30)]
    return out


def main():
    out_dir, count = sys.argv[1], int(sys.argv[2])
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 1)
    os.makedirs(out_dir, exist_ok=True)
    for i in range(count):
        data = packets_capture(rng) if rng.random() < 0.25 else streams_capture(rng)
        with open(os.path.join(out_dir, f"random-{i:05d}.pcap"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
