#!/usr/bin/env python3
"""What --html costs: the page's size and the run's time with it against the run without it, on
the plant capture of plant_outputs.py (200 devices) at one or more lengths; with it the page
must stay under 5 MB and the run within 1.2 times the time without it.

Usage: html_report.py [--program PATH] [--transactions N ...] [--runs R]
"""

import argparse
import os
import sys
import tempfile

import measure
from plant_outputs import SERVERS, UNITS, best_of, plant_capture

MAX_BYTES = 5_000_000
MAX_RATIO = 1.2


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--program", help=f"default: {measure.DEFAULT_PROGRAM}")
    parser.add_argument("--transactions", type=int, nargs="+", default=[1_000_000])
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    measure.ensure_tool(measure.GNU_TIME)
    program = measure.ensure_program(args.program)
    within = True
    with tempfile.TemporaryDirectory() as work:
        for transactions in args.transactions:
            capture = os.path.join(work, f"plant-{transactions}.pcap")
            plant_capture(capture, transactions)
            plain = [program, "--no", "--force", "-o", "out.txt", capture]
            with_html = plain[:-1] + ["--html", "report.html", capture]
            (base, _), (html, peak) = best_of(args.runs, [plain, with_html], work)
            size = os.path.getsize(os.path.join(work, "report.html"))
            ratio = html / base
            print(f"{SERVERS * UNITS} devices, {transactions} transactions: page "
                  f"{size / 1e6:.2f} MB; {base:.2f} s without, {html:.2f} s with --html "
                  f"({ratio:.2f}x); peak RSS with it {measure.mib(peak)}")
            within = within and size < MAX_BYTES and ratio <= MAX_RATIO
    if not within:
        print(f"over the bounds: {MAX_BYTES / 1e6:.0f} MB, {MAX_RATIO}x", file=sys.stderr)
    return 0 if within else 1


if __name__ == "__main__":
    sys.exit(main())
