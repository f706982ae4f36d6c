#!/usr/bin/env python3
"""Builds a large libpcap capture by repeating the records of a real one.

Each repetition is shifted in time past the end of the one before, so the timestamps keep
rising, and its TCP sequence and acknowledgement numbers are shifted by a fixed offset per
repetition, so that a TCP-following analyser sees new stream bytes rather than retransmissions.
Nothing else is changed: the TCP checksum is left as it was (and is then wrong), which
analysers do not check by default.

Usage: make_capture.py [--records N] [--size BYTES] [-o OUT] [SOURCE]
"""

import argparse
import glob
import os
import struct
import sys

# Magic number as read little-endian -> (byte order, timestamp fraction units per second).
PCAP_MAGICS = {
    0xA1B2C3D4: ("<", 1_000_000),
    0xD4C3B2A1: (">", 1_000_000),
    0xA1B23C4D: ("<", 1_000_000_000),
    0x4D3CB2A1: (">", 1_000_000_000),
}
FILE_HEADER_SIZE = 24
RECORD_HEADER_SIZE = 16
LINKTYPE_ETHERNET = 1
ETHERTYPE_IPV4 = 0x0800
ETHERTYPE_IPV6 = 0x86DD
VLAN_ETHERTYPES = (0x8100, 0x88A8, 0x9100)
IPPROTO_TCP = 6
TCP_FLAG_ACK = 0x10
SECONDS_LIMIT = 0xFFFFFFFF
SHARED_CAPTURES = "/work/shared/captures/*.pcap"

SIZE_SUFFIXES = {"": 1, "K": 1 << 10, "M": 1 << 20, "G": 1 << 30}


class CaptureError(Exception):
    pass


def parse_size(text):
    """'1G', '500M', '123456' -> bytes."""
    text = text.strip().upper().removesuffix("B").removesuffix("I")
    suffix = text[-1:] if text[-1:] in SIZE_SUFFIXES else ""
    number = text[: len(text) - len(suffix)]
    try:
        return int(float(number) * SIZE_SUFFIXES[suffix])
    except ValueError:
        raise argparse.ArgumentTypeError(f"not a size: {text!r} (e.g. 1G, 500M, 65536)")


def default_source(project_dir):
    """The biggest shared capture when there is one, else the project's example."""
    beside = glob.glob(os.path.join(project_dir, "..", "shared", "captures", "*.pcap"))
    candidates = {os.path.realpath(p) for p in beside + glob.glob(SHARED_CAPTURES)}
    if candidates:
        return max(candidates, key=os.path.getsize)
    return os.path.join(project_dir, "examples", "example.pcap")


def tcp_number_offsets(packet):
    """Offsets of the TCP sequence number and, when the ACK flag is set, of the acknowledgement
    number in an Ethernet frame; (None, None) when the frame carries no complete TCP header."""
    if len(packet) < 14:
        return None, None
    position = 12
    (ethertype,) = struct.unpack_from(">H", packet, position)
    while ethertype in VLAN_ETHERTYPES and len(packet) >= position + 6:
        position += 4
        (ethertype,) = struct.unpack_from(">H", packet, position)
    ip = position + 2
    if ethertype == ETHERTYPE_IPV4 and len(packet) >= ip + 20:
        header_length = (packet[ip] & 0x0F) * 4
        (flags_fragment,) = struct.unpack_from(">H", packet, ip + 6)
        if packet[ip] >> 4 != 4 or header_length < 20 or flags_fragment & 0x1FFF:
            return None, None  # not IPv4 or a later fragment: no TCP header here
        protocol, tcp = packet[ip + 9], ip + header_length
    elif ethertype == ETHERTYPE_IPV6 and len(packet) >= ip + 40:
        protocol, tcp = packet[ip + 6], ip + 40  # extension headers are left alone
    else:
        return None, None
    if protocol != IPPROTO_TCP or len(packet) < tcp + 20:
        return None, None
    has_ack = packet[tcp + 13] & TCP_FLAG_ACK
    return tcp + 4, (tcp + 8 if has_ack else None)


class Capture:
    """The records of a classic libpcap file, kept as one block with the positions to patch."""

    def __init__(self, path):
        with open(path, "rb") as source:
            data = source.read()
        if len(data) < FILE_HEADER_SIZE:
            raise CaptureError(f"{path}: too short for a libpcap file header")
        (magic,) = struct.unpack_from("<I", data, 0)
        if magic not in PCAP_MAGICS:
            raise CaptureError(f"{path}: not a classic libpcap file "
                               "(pcapng: convert with editcap -F pcap)")
        self.order, self.units = PCAP_MAGICS[magic]
        (linktype,) = struct.unpack_from(self.order + "I", data, 20)
        if linktype & 0x0FFFFFFF != LINKTYPE_ETHERNET:
            raise CaptureError(f"{path}: link type {linktype}, only Ethernet is handled")
        self.header = data[:FILE_HEADER_SIZE]
        self.times = []  # (record offset, timestamp in fraction units)
        self.numbers = []  # (offset of a 32-bit TCP number, its value)
        position = FILE_HEADER_SIZE
        while position + RECORD_HEADER_SIZE <= len(data):
            seconds, fraction, included, _ = struct.unpack_from(self.order + "IIII", data, position)
            body = position + RECORD_HEADER_SIZE
            if body + included > len(data):
                break  # a record cut off at the end of the file is dropped
            self.times.append((position - FILE_HEADER_SIZE, seconds * self.units + fraction))
            for offset in tcp_number_offsets(data[body : body + included]):
                if offset is not None:
                    (value,) = struct.unpack_from(">I", data, body + offset)
                    self.numbers.append((body + offset - FILE_HEADER_SIZE, value))
            position = body + included
        if not self.times:
            raise CaptureError(f"{path}: no complete record")
        self.records = bytearray(data[FILE_HEADER_SIZE:position])
        first = min(t for _, t in self.times)
        last = max(t for _, t in self.times)
        # Each repetition starts one second after the previous one ended.
        self.time_shift = last - first + self.units
        # No connection carries more stream bytes in one repetition than the file holds, so
        # shifting by the next power of two above the file size never lands on old numbers.
        self.sequence_shift = 1 << max(16, len(data).bit_length())

    def repetition(self, index):
        """The record block of repetition `index` (0 is the original)."""
        block = bytearray(self.records)
        time_shift = index * self.time_shift
        for offset, timestamp in self.times:
            seconds, fraction = divmod(timestamp + time_shift, self.units)
            if seconds > SECONDS_LIMIT:
                raise CaptureError("timestamps would pass the 32-bit seconds field")
            struct.pack_into(self.order + "II", block, offset, seconds, fraction)
        sequence_shift = index * self.sequence_shift
        for offset, value in self.numbers:
            struct.pack_into(">I", block, offset, (value + sequence_shift) & 0xFFFFFFFF)
        return block


def write_capture(source, out, min_records=0, min_bytes=0):
    """Writes repetitions of `source` to `out` until both minimums are met; returns
    (records, bytes, repetitions)."""
    capture = Capture(source)
    per_copy = len(capture.times)
    copies_for_records = -(-min_records // per_copy)
    copies_for_bytes = -(-(min_bytes - FILE_HEADER_SIZE) // len(capture.records))
    repetitions = max(1, copies_for_records, copies_for_bytes)
    with open(out, "wb") as sink:
        sink.write(capture.header)
        for index in range(repetitions):
            sink.write(capture.repetition(index))
    return per_copy * repetitions, os.path.getsize(out), repetitions


def main(argv=None):
    project_dir = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("source", nargs="?", help="capture to repeat (default: the biggest "
                        "shared capture, else examples/example.pcap)")
    parser.add_argument("--records", type=int, default=60_000,
                        help="at least this many records (default 60000)")
    parser.add_argument("--size", type=parse_size, default=0,
                        help="at least this many bytes (e.g. 1G)")
    parser.add_argument("-o", "--output", help="capture to write (default: build/bench/large.pcap)")
    args = parser.parse_args(argv)
    source = args.source or default_source(project_dir)
    out = args.output or os.path.join(project_dir, "build", "bench", "large.pcap")
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    try:
        records, size, repetitions = write_capture(source, out, args.records, args.size)
    except (OSError, CaptureError) as error:
        print(f"make_capture.py: {error}", file=sys.stderr)
        return 1
    print(f"{out}: {records} records, {size} bytes ({repetitions} repetitions of {source})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
