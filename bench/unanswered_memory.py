#!/usr/bin/env python3
"""Peak memory of a run over requests that are never answered, with no response time-out
(--response-timeout 0): requests wait for an answer that never comes, and memory must stay
flat because only a bounded number may wait.

Usage: unanswered_memory.py [--program PATH] [--requests N ...]
"""

import argparse
import os
import struct
import sys
import tempfile

import measure


def capture(path, requests):
    """One client sending `requests` reads of holding registers to port 502, 1 ms apart, with
    new transaction ids; nothing comes back."""
    with open(path, "wb") as out:
        out.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, 1))
        sequence = 1000
        for i in range(requests):
            adu = struct.pack(">HHHB", i & 0xFFFF, 0, 6, 1) + struct.pack(">BHH", 3, i % 1000, 1)
            tcp = struct.pack(">HHIIBBHHH", 40000, 502, sequence, 1, 5 << 4, 0x18, 8192, 0, 0)
            ip = struct.pack(">BBHHHBBH4s4s", 0x45, 0, 20 + len(tcp) + len(adu), 0, 0, 64, 6, 0,
                             bytes([10, 0, 0, 9]), bytes([10, 0, 0, 5]))
            frame = bytes(6) + bytes([0, 1, 2, 3, 4, 5]) + b"\x08\x00" + ip + tcp + adu
            seconds, micros = divmod(i * 1000, 1_000_000)
            out.write(struct.pack("<IIII", seconds, micros, len(frame), len(frame)) + frame)
            sequence += len(adu)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--program", help=f"default: {measure.DEFAULT_PROGRAM}")
    parser.add_argument("--requests", type=int, nargs="+", default=[10_000, 100_000])
    args = parser.parse_args()
    measure.ensure_tool(measure.GNU_TIME)
    program = measure.ensure_program(args.program)
    with tempfile.TemporaryDirectory() as work:
        for requests in args.requests:
            path = os.path.join(work, f"unanswered-{requests}.pcap")
            capture(path, requests)
            argv = [program, "--no", "--force", "-o", "out.txt", "--response-timeout", "0", path]
            seconds, peak = measure.run_timed(argv, work)
            print(f"{requests:>9} unanswered requests: peak RSS {measure.mib(peak)}, "
                  f"{seconds:.2f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
