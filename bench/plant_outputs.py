#!/usr/bin/env python3
"""What each data output costs: the run's time with --transactions, --summary, --points and --html
each alone and all four together, against the run without them, on the bench capture and on a
plant of many devices, printed as a table of ratios beside their bounds (each alone at most
1.3 times, all four at most 2 times); with the peak memory of the run with all four, which must
stay flat on the plant as it grows (the summary grows with the plant, not with the capture;
writes and anomalies are kept in a temporary file). Then what a register map of 1,000 entries
costs on the last plant capture, with --transactions, --summary and --points on both sides.

Usage: plant_outputs.py [--program PATH] [--transactions N ...] [--runs R]
"""

import argparse
import os
import struct
import subprocess
import sys
import tempfile

import measure

SERVERS = 20
UNITS = 10


def plant_capture(path, transactions):
    """Clients polling 20 gateways with 10 units each: reads of 10 holding registers from five
    starts per unit, as a poll cycle does, answered 2 ms later; every 50th transaction writes a
    register, every 97th is answered with an exception."""
    with open(path, "wb") as out:
        out.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, 1))
        sequences = {}

        def record(micros, source, destination, sport, dport, adu):
            key = (source, sport)
            sequence = sequences.get(key, 1000)
            sequences[key] = sequence + len(adu)
            tcp = struct.pack(">HHIIBBHHH", sport, dport, sequence, 1, 5 << 4, 0x18, 8192, 0, 0)
            ip = struct.pack(">BBHHHBBH4s4s", 0x45, 0, 20 + len(tcp) + len(adu), 0, 0, 64, 6,
                             0, source, destination)
            frame = bytes(6) + bytes([0, 1, 2, 3, 4, 5]) + b"\x08\x00" + ip + tcp + adu
            seconds, rest = divmod(micros, 1_000_000)
            out.write(struct.pack("<IIII", seconds, rest, len(frame), len(frame)) + frame)

        for i in range(transactions):
            server = i % SERVERS
            unit = 1 + (i // SERVERS) % UNITS
            client = bytes([10, 0, 1, 1 + server % 4])
            gateway = bytes([10, 0, 2, 1 + server])
            port = 40000 + server
            tid = i & 0xFFFF
            start = 10 * ((i // (SERVERS * UNITS)) % 5)
            if i % 50 == 0:
                pdu = struct.pack(">BHH", 6, start, i & 0xFFFF)
                answer = pdu
            else:
                pdu = struct.pack(">BHH", 3, start, 10)
                answer = bytes([3, 20]) + b"".join(struct.pack(">H", (i + k) & 0xFFFF)
                                                   for k in range(10))
            if i % 97 == 0:
                answer = bytes([pdu[0] | 0x80, 2])
            request = struct.pack(">HHHB", tid, 0, len(pdu) + 1, unit) + pdu
            response = struct.pack(">HHHB", tid, 0, len(answer) + 1, unit) + answer
            record(i * 1000, client, gateway, port, 502, request)
            record(i * 1000 + 2000, gateway, client, 502, port, response)


def map_file(path, entries):
    """A CSV register map of `entries` entries over the units' holding registers 0..99: float32
    pairs and uint16 words by turns."""
    with open(path, "w") as out:
        out.write("name,slave,address,data_type,swap,scale,unit_of_measurement\n")
        made = 0
        for unit in range(1, UNITS + 1):
            address = 0
            while address < 100 and made < entries:
                if made % 2 == 0:
                    out.write(f"u{unit}_f{address},{unit},{address},float32,word,1,bar\n")
                    address += 2
                else:
                    out.write(f"u{unit}_w{address},{unit},{address},uint16,,0.1,degC\n")
                    address += 1
                made += 1
        unit = UNITS + 1
        while made < entries:  # the rest on units nobody polls
            out.write(f"x{made},{unit},{made % 1000},uint16,,1,\n")
            made += 1


def compare_map(program, capture, work, runs, entries):
    path = os.path.join(work, "map.csv")
    map_file(path, entries)
    outputs = ["--transactions", "t.jsonl", "--summary", "summary.json", "--points", "points.csv"]
    plain = [program, "--no", "--force", "-o", "out.txt"] + outputs + [capture]
    mapped = plain[:-1] + ["--map", path, capture]
    (base, _), (with_map, peak) = best_of(runs, [plain, mapped], work)
    print(f"{entries}-entry map: {base:.2f} s without, {with_map:.2f} s with it "
          f"({with_map / base:.2f}x; --transactions, --summary and --points on both); "
          f"peak RSS with it {measure.mib(peak)}")


def best_of(runs, commands, cwd):
    """The best time of each command, with its peak RSS, over `runs` rounds: the commands take
    turns in each round, so that a shared machine's changing load falls on them alike."""
    return [(wall, peak) for wall, _, peak in best_times(runs, commands, cwd)]


def best_times(runs, commands, cwd):
    """As best_of, with the best CPU time too: (wall, cpu, peak KiB) per command."""
    best = [None] * len(commands)
    for _ in range(runs):
        for i, argv in enumerate(commands):
            wall, cpu, peak = measure.run_measured(argv, cwd)
            if best[i] is None:
                best[i] = (wall, cpu, peak)
            else:
                best[i] = (min(wall, best[i][0]), min(cpu, best[i][1]),
                           peak if wall < best[i][0] else best[i][2])
    return best


# Each output alone, then all four together: (column heading, options, bound on the ratio).
OUTPUTS = [
    ("--transactions", ["--transactions", "log.jsonl"], 1.3),
    ("--summary", ["--summary", "summary.json"], 1.3),
    ("--points", ["--points", "points.csv"], 1.3),
    ("--html", ["--html", "report.html"], 1.3),
]
ALL_FOUR = ("all four", [option for _, options, _ in OUTPUTS for option in options], 2.0)
COLUMNS = OUTPUTS + [ALL_FOUR]


def compare(program, capture, work, runs, label):
    """The plain run's times and each output's ratios to them, all commands taking turns;
    returns a table row: (label, plain (wall, cpu), [(wall ratio, cpu ratio) per column],
    peak RSS with all four)."""
    plain = [program, "--no", "--force", "-o", "out.txt", capture]
    commands = [plain] + [plain[:-1] + options + [capture] for _, options, _ in COLUMNS]
    best = best_times(runs, commands, work)
    wall, cpu, _ = best[0]
    ratios = [(w / wall, c / cpu) for w, c, _ in best[1:]]
    return label, (wall, cpu), ratios, best[-1][2]


def print_table(rows, runs):
    label_width = max(len(row[0]) for row in rows)
    widths = [max(len(heading), 6) for heading, _, _ in COLUMNS]
    print(f"Time against the plain run (best of {runs}, the commands taking turns; the wall "
          "clock, and the CPU time: user + system); * over the bound")
    print(f"{'capture':<{label_width}}  {'time':<4}  {'plain':>7}  " +
          "  ".join(f"{heading:>{width}}" for (heading, _, _), width in zip(COLUMNS, widths)) +
          "  peak RSS (all four)")
    over = False
    for label, plain, ratios, peak in rows:
        for kind, name in enumerate(("wall", "CPU")):
            cells = []
            for (_, _, bound), width, ratio in zip(COLUMNS, widths, ratios):
                value = ratio[kind]
                over = over or value > bound
                cells.append(f"{f'{value:.2f}x' + ('*' if value > bound else ' '):>{width + 1}}")
            print(f"{label if kind == 0 else '':<{label_width}}  {name:<4}  {plain[kind]:>6.2f}s  " +
                  " ".join(cells) + (f"  {measure.mib(peak)}" if kind == 0 else ""))
    print(f"{'bound':<{label_width}}  {'':<4}  {'':>7}  " +
          "  ".join(f"{f'{bound:.1f}x':>{width}}" for (_, _, bound), width in zip(COLUMNS, widths)))
    if over:
        print("(some outputs cost more than their bound)")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--program", help=f"default: {measure.DEFAULT_PROGRAM}")
    parser.add_argument("--transactions", type=int, nargs="+", default=[50_000, 200_000])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--map-entries", type=int, default=1000)
    args = parser.parse_args()
    measure.ensure_tool(measure.GNU_TIME)
    program = measure.ensure_program(args.program)
    bench_capture = os.path.join(measure.PROJECT_DIR, "build", "bench", "large.pcap")
    if not os.path.exists(bench_capture):
        subprocess.run([sys.executable, os.path.join(measure.PROJECT_DIR, "bench",
                                                     "make_capture.py")], check=True)
    with tempfile.TemporaryDirectory() as work:
        rows = [compare(program, bench_capture, work, args.runs, "bench capture")]
        for transactions in args.transactions:
            path = os.path.join(work, f"plant-{transactions}.pcap")
            plant_capture(path, transactions)
            rows.append(compare(program, path, work, args.runs,
                                f"{SERVERS * UNITS} devices, {transactions} transactions"))
        print_table(rows, args.runs)
        compare_map(program, path, work, args.runs, args.map_entries)
    return 0


if __name__ == "__main__":
    sys.exit(main())
