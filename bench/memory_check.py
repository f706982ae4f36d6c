#!/usr/bin/env python3
"""Peak resident memory of zep-modbus-parser on a ~60,000-record capture and on a large one
(default 1 GiB) built from the same records: it should stay under 20 MiB and not grow with the
capture. The large capture and its report are deleted afterwards.

Usage: memory_check.py [--program PATH] [--source PCAP] [--size 1G] [--records N]
"""

import argparse
import os
import shutil
import sys
import tempfile

import make_capture
import measure

TARGET_KIB = 20 * 1024


def measure_on(program, source, work, records=0, size=0):
    """Builds a capture in `work`, runs the program on it once; returns a result line's fields."""
    capture = os.path.join(work, "capture.pcap")
    records, size, _ = make_capture.write_capture(source, capture, records, size)
    ours = measure.OurCommand(program, capture)
    seconds, peak = measure.run_timed(ours.argv, ours.fresh_run(work))
    report_bytes = os.path.getsize(os.path.join(work, ours.report))
    return records, size, seconds, peak, report_bytes


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--program",
                        help=f"program under test (default: {measure.DEFAULT_PROGRAM})")
    parser.add_argument("--source", help="capture to repeat (default: as make_capture.py)")
    parser.add_argument("--size", type=make_capture.parse_size, default=1 << 30,
                        help="size of the large capture (default 1G)")
    parser.add_argument("--records", type=int, default=60_000,
                        help="records of the small capture (default 60000)")
    parser.add_argument("--work", default=os.path.join(measure.PROJECT_DIR, "build"),
                        help="folder under which the captures are made (default build/)")
    args = parser.parse_args()

    measure.ensure_tool(measure.GNU_TIME)
    program = measure.ensure_program(args.program)
    source = args.source or make_capture.default_source(measure.PROJECT_DIR)
    os.makedirs(args.work, exist_ok=True)
    print(f"program: {program}")
    print(f"source:  {source}")
    print(f"{'records':>10} {'capture bytes':>14} {'report bytes':>14} {'seconds':>8} "
          f"{'peak RSS':>10}")
    peaks = []
    for records, size in ((args.records, 0), (0, args.size)):
        work = tempfile.mkdtemp(prefix="zep-memory-", dir=args.work)
        try:
            records, size, seconds, peak, report = measure_on(program, source, work, records, size)
        except (OSError, make_capture.CaptureError) as error:
            measure.fail(str(error))
        finally:
            shutil.rmtree(work)
        peaks.append(peak)
        print(f"{records:>10} {size:>14} {report:>14} {seconds:>8.2f} {measure.mib(peak):>10}",
              flush=True)
    worst = max(peaks)
    verdict = "met" if worst < TARGET_KIB else "MISSED"
    print(f"target: under {measure.mib(TARGET_KIB)} at every size: {verdict}; "
          f"growth from the small to the large capture: {measure.mib(peaks[1] - peaks[0])}")
    return 0 if worst < TARGET_KIB else 1


if __name__ == "__main__":
    sys.exit(main())
