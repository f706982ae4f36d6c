#!/usr/bin/env python3
"""Tests of make_capture.py on hand-made records with known layouts, and on the example capture
through tshark when it is installed. Run: python3 bench/test_make_capture.py"""

import os
import shutil
import struct
import subprocess
import tempfile
import unittest

import make_capture

EXAMPLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples", "example.pcap")
MAC_PAIR = bytes(range(12))


def tcp_frame(sequence, acknowledgement, flags, vlan=False):
    """Ethernet (optionally 802.1Q-tagged) / IPv4 with 4 bytes of options / TCP, 2 payload bytes."""
    ip = bytes([0x46, 0, 0, 50, 0, 1, 0x40, 0, 64, 6, 0, 0, 10, 0, 0, 1, 10, 0, 0, 2])
    ip += b"\x01\x01\x00\x00"  # two NOPs and an end-of-options
    tcp = struct.pack(">HHIIBBHHH", 40000, 502, sequence, acknowledgement, 0x50, flags, 512, 0, 0)
    tag = b"\x81\x00\x00\x05" if vlan else b""
    return MAC_PAIR + tag + b"\x08\x00" + ip + tcp + b"\xab\xcd"


def write_pcap(path, frames, byte_order="<", magic=0xA1B2C3D4, start=(1000, 999_000)):
    with open(path, "wb") as out:
        out.write(struct.pack(byte_order + "IHHiIII", magic, 2, 4, 0, 0, 65535, 1))
        for index, frame in enumerate(frames):
            seconds, fraction = start[0] + index, start[1]
            out.write(struct.pack(byte_order + "IIII", seconds, fraction, len(frame), len(frame)))
            out.write(frame)


def read_pcap(path):
    """[(seconds, fraction, frame)] of a little-endian file."""
    with open(path, "rb") as capture:
        data = capture.read()
    records, position = [], 24
    while position < len(data):
        seconds, fraction, included, _ = struct.unpack_from("<IIII", data, position)
        records.append((seconds, fraction, data[position + 16 : position + 16 + included]))
        position += 16 + included
    return records


class RepeatedRecords(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.dir)
        self.source = os.path.join(self.dir, "in.pcap")
        self.out = os.path.join(self.dir, "out.pcap")

    def test_numbers_shift_per_repetition_and_nothing_else_changes(self):
        frames = [
            tcp_frame(0xFFFFFFF0, 7, 0x18),  # PSH ACK, sequence about to wrap
            tcp_frame(100, 0, 0x02, vlan=True),  # SYN: acknowledgement number unused
            MAC_PAIR + b"\x08\x06" + bytes(28),  # ARP
        ]
        write_pcap(self.source, frames)
        records, _, copies = make_capture.write_capture(self.source, self.out, min_records=7)
        self.assertEqual((records, copies), (9, 3))
        out = read_pcap(self.out)
        shift = 1 << 16  # the smallest shift, for a file this small
        for copy in range(3):
            first, syn, arp = (frame for _, _, frame in out[3 * copy : 3 * copy + 3])
            wrapped = (0xFFFFFFF0 + copy * shift) % 2**32
            self.assertEqual(struct.unpack_from(">II", first, 42), (wrapped, 7 + copy * shift))
            self.assertEqual(struct.unpack_from(">II", syn, 46), (100 + copy * shift, 0))
            self.assertEqual(first[:42] + first[50:], frames[0][:42] + frames[0][50:])
            self.assertEqual(syn[:46] + syn[50:], frames[1][:46] + frames[1][50:])
            self.assertEqual(arp, frames[2])

    def test_timestamps_keep_rising(self):
        write_pcap(self.source, [tcp_frame(1, 1, 0x10)] * 3)
        make_capture.write_capture(self.source, self.out, min_records=9)
        times = [seconds * 1_000_000 + fraction for seconds, fraction, _ in read_pcap(self.out)]
        self.assertEqual(len(times), 9)
        self.assertTrue(all(a < b for a, b in zip(times, times[1:])), times)
        self.assertTrue(all(f < 1_000_000 for _, f, _ in read_pcap(self.out)))

    def test_big_endian_nanosecond_file_keeps_its_format(self):
        write_pcap(self.source, [tcp_frame(5, 5, 0x10)], ">", 0xA1B23C4D, (7, 999_999_999))
        make_capture.write_capture(self.source, self.out, min_records=2)
        with open(self.out, "rb") as capture:
            data = capture.read()
        self.assertEqual(data[:24], open(self.source, "rb").read()[:24])
        second = 24 + 16 + len(tcp_frame(5, 5, 0x10))
        # One record spans no time: the copy comes one second after it.
        self.assertEqual(struct.unpack_from(">II", data, second), (8, 999_999_999))

    def test_size_target_is_reached(self):
        write_pcap(self.source, [tcp_frame(1, 1, 0x10)] * 10)
        _, size, _ = make_capture.write_capture(self.source, self.out, min_bytes=5000)
        self.assertGreaterEqual(size, 5000)
        self.assertLess(size, 5000 + os.path.getsize(self.source))

    def test_bad_sources_are_refused(self):
        pcapng = b"\x0a\x0d\x0d\x0a" + bytes(40)
        no_records = struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 0, 1)
        for content in (b"", pcapng, no_records):
            with open(self.source, "wb") as capture:
                capture.write(content)
            with self.assertRaises(make_capture.CaptureError):
                make_capture.write_capture(self.source, self.out, min_records=10)

    def test_sizes_are_read(self):
        self.assertEqual(make_capture.parse_size("1G"), 1 << 30)
        self.assertEqual(make_capture.parse_size("500MiB"), 500 << 20)
        self.assertEqual(make_capture.parse_size("4096"), 4096)


@unittest.skipUnless(shutil.which("tshark"), "tshark is not installed")
class TsharkFollowsTheRepeats(unittest.TestCase):
    def test_no_retransmissions_and_every_modbus_message_repeated(self):
        def count(path, display_filter):
            listing = subprocess.run(["tshark", "-r", path, "-Y", display_filter],
                                     capture_output=True, text=True, check=True).stdout
            return len(listing.splitlines())

        with tempfile.TemporaryDirectory() as work:
            out = os.path.join(work, "out.pcap")
            _, _, copies = make_capture.write_capture(EXAMPLE, out, min_records=100)
            self.assertEqual(count(out, "mbtcp"), copies * count(EXAMPLE, "mbtcp"))
            repeats = "tcp.analysis.retransmission || tcp.analysis.spurious_retransmission"
            self.assertEqual(count(out, repeats), 0)


if __name__ == "__main__":
    unittest.main()
