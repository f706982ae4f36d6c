#!/usr/bin/env python3
"""Times zep-modbus-parser against tshark dissecting the same large capture in full detail, and
against the I/O floor: reading the capture and writing as many bytes as our report has.

Usage: side_by_side.py [--program PATH] [--baseline PATH] [--capture PCAP | --source PCAP
                       --records N] [--runs N]

With --baseline, an earlier build is timed in the same hyperfine run, so before and after are
measured under the same load. CPU time (user + system) is given beside the wall time: on a
shared machine it is the steadier of the two.
"""

import argparse
import json
import os
import shlex
import subprocess
import sys

import make_capture
import measure


def hyperfine(commands, work, runs, prepares):
    """Mean and standard deviation in seconds of each named shell command, timed in `work`."""
    export = os.path.join(work, "hyperfine.json")
    argv = ["hyperfine", "--style", "basic", "--warmup", "1", "--runs", str(runs),
            "--export-json", export]
    for name, command in commands.items():
        argv += ["--prepare", prepares.get(name, "true"), "--command-name", name, command]
    subprocess.run(argv, cwd=work, check=True, stdout=sys.stderr)
    with open(export) as results:
        timings = json.load(results)["results"]
    os.remove(export)
    return {t["command"]: (t["mean"], t["stddev"] or 0.0, t["user"] + t["system"])
            for t in timings}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--program",
                        help=f"program under test (default: {measure.DEFAULT_PROGRAM})")
    parser.add_argument("--baseline", help="an earlier build, timed in the same run")
    parser.add_argument("--capture", help="time on this capture as it is (default: build one)")
    parser.add_argument("--source", help="capture to repeat (default: as make_capture.py)")
    parser.add_argument("--records", type=int, default=60_000,
                        help="records to build (default 60000)")
    parser.add_argument("--runs", type=int, default=10,
                        help="timed runs of each command (default 10)")
    parser.add_argument("--work", default=os.path.join(measure.PROJECT_DIR, "build", "bench"),
                        help="folder for the capture and the reports (default build/bench)")
    args = parser.parse_args()

    for tool in ("hyperfine", measure.GNU_TIME, "tshark"):
        measure.ensure_tool(tool)
    program = measure.ensure_program(args.program)
    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)

    if args.capture:
        capture = os.path.abspath(args.capture)
        description = capture
    else:
        source = args.source or make_capture.default_source(measure.PROJECT_DIR)
        capture = os.path.join(work, "large.pcap")
        try:
            records, size, copies = make_capture.write_capture(source, capture, args.records)
        except (OSError, make_capture.CaptureError) as error:
            measure.fail(str(error))
        description = (f"{records} records, {size} bytes: "
                       f"{copies} copies of {os.path.basename(source)}")

    ours = measure.OurCommand(program, capture)
    _, our_peak = measure.run_timed(ours.argv, ours.fresh_run(work))
    report_bytes = os.path.getsize(os.path.join(work, ours.report))
    tshark_argv = ["tshark", "-V", "-Y", "mbtcp", "-r", capture]
    _, tshark_peak = measure.run_timed(tshark_argv, work)

    q = shlex.quote
    commands = {
        "ours": ours.shell,
        "tshark": f"{shlex.join(tshark_argv)} > /dev/null",
        "floor": f"cat {q(capture)} > /dev/null && head -c {report_bytes} /dev/zero > floor.bin",
    }
    prepares = {"ours": ours.prepare}
    baseline_peak = None
    if args.baseline:
        baseline = measure.OurCommand(os.path.abspath(args.baseline), capture)
        _, baseline_peak = measure.run_timed(baseline.argv, baseline.fresh_run(work))
        commands["baseline"] = baseline.shell
        prepares["baseline"] = baseline.prepare
    timings = hyperfine(commands, work, args.runs, prepares)
    os.remove(os.path.join(work, "floor.bin"))

    (our_time, our_dev, our_cpu), (tshark_time, tshark_dev, tshark_cpu) = (
        timings["ours"], timings["tshark"])
    floor_time, floor_dev, _ = timings["floor"]
    how = "--force -o" if ours.replaces_report else "a fresh folder each run"
    print(f"capture:            {description}")
    print(f"program:            {program} ({how})")
    print(f"runs:               {args.runs} of each, after 1 warm-up (page cache warm)")
    print(f"ours:               {our_time * 1000:9.1f} ms  +- {our_dev * 1000:.1f}")
    print(f"tshark -V -Y mbtcp: {tshark_time * 1000:9.1f} ms  +- {tshark_dev * 1000:.1f}")
    print(f"ratio tshark/ours:  {tshark_time / our_time:9.2f}")
    print(f"CPU ours / tshark:  {our_cpu * 1000:9.1f} ms / {tshark_cpu * 1000:.1f} ms"
          f"  (ratio {tshark_cpu / our_cpu:.2f})")
    print(f"I/O floor:          {floor_time * 1000:9.1f} ms  +- {floor_dev * 1000:.1f}"
          f"  (cat capture, write {report_bytes} bytes)")
    print(f"ours / I/O floor:   {our_time / floor_time:9.2f}")
    print(f"peak RSS ours:      {measure.mib(our_peak):>12}  (target: under 20 MiB)")
    print(f"peak RSS tshark:    {measure.mib(tshark_peak):>12}")
    if args.baseline:
        base_time, base_dev, base_cpu = timings["baseline"]
        print(f"baseline:           {base_time * 1000:9.1f} ms  +- {base_dev * 1000:.1f}"
              f"  ({args.baseline})")
        print(f"CPU baseline:       {base_cpu * 1000:9.1f} ms  (ratio to tshark "
              f"{tshark_cpu / base_cpu:.2f}; ours uses {our_cpu / base_cpu:.2f} of it)")
        print(f"baseline / floor:   {base_time / floor_time:9.2f}")
        print(f"peak RSS baseline:  {measure.mib(baseline_peak):>12}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
