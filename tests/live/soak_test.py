#!/usr/bin/env python3
"""A soak: an endless generated stream of Modbus/TCP through a named pipe, as fast as it comes,
with many devices, clients, connections, scanned ranges and anomalies, while the program's
resident memory (VmRSS) is sampled twice a second. Memory must level off: what it grows over
the second half of the run stays within a small bound. The periodic files are built every few
seconds and let go again (the drafted map alone takes some 15 MB while it is built), so what is
compared is the floor of each quarter, what the run holds between rewrites: the lowest sample of
the second quarter against the lowest of the last. glibc is told to map every large block on
its own, so a block let go leaves the resident set at once instead of staying cached in the
heap for a rewrite or two. Prints the samples.

Usage: soak_test.py PROGRAM [SECONDS]      (exit 77: no named pipes or /proc here)
"""

import os
import random
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
GENERATOR = os.path.join(HERE, "modbus_stream.py")
# What the second half may add: a little heap churn, not a structure that grows with time.
GROWTH_BOUND_KIB = 8 * 1024
SAMPLES_A_SECOND = 2


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def main():
    if not hasattr(os, "mkfifo") or not os.path.exists("/proc/self/status"):
        return 77
    program = os.path.abspath(sys.argv[1])
    seconds = int(sys.argv[2]) if len(sys.argv) > 2 else 60
    seed = random.randrange(1 << 31)
    print("soak: %d s, seed %d" % (seconds, seed))
    with tempfile.TemporaryDirectory() as directory:
        fifo = os.path.join(directory, "capture.fifo")
        os.mkfifo(fifo)
        # Few enough devices and clients that each range polled in turn gets its exact
        # intervals (256) within the first half, while the scanners push every device past
        # its bound of polled ranges: with 40 devices and 60 clients those samples take ten
        # minutes to fill, and memory grows (within its bounds) all that time.
        generator = subprocess.Popen(
            ["sh", "-c", 'exec "$0" "$1" --seed "$2" --clients 16 --devices 10 --scanners 4 '
             '--reconnect 0.02 --step-us 2000 > "$3"', sys.executable, GENERATOR, str(seed), fifo])
        run = subprocess.Popen(
            [program, "--no", "-q", "-o", "/dev/null", "--transactions", "/dev/null",
             "--points", "/dev/null", "--summary", "s.json", "--html", "page.html",
             "--suggest-map", "map.yaml",
             "--update=5", "capture.fifo"],
            cwd=directory, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
            env=dict(os.environ, MALLOC_MMAP_THRESHOLD_=str(64 * 1024)))
        samples = []
        for _ in range(seconds * SAMPLES_A_SECOND):
            time.sleep(1 / SAMPLES_A_SECOND)
            if run.poll() is not None:
                break
            samples.append(rss_kib(run.pid))
        run.send_signal(signal.SIGINT)
        out, err = run.communicate(timeout=60)
        generator.kill()
        generator.wait()
        print("RSS KiB every half second:", " ".join(str(s) for s in samples))
        print(out.decode(errors="replace").strip())
        if len(samples) < seconds * SAMPLES_A_SECOND:
            print("FAIL: the program ended early (%s): %s" % (run.returncode, err.decode()))
            return 1
        # A sample that catches a rewrite reads up to some 15 MB above what the run holds; the floor
        # of a quarter is what it holds. A structure that grows with time lifts every floor.
        quarter = len(samples) // 4
        second = min(samples[quarter:2 * quarter])
        last = min(samples[-quarter:])
        growth = last - second
        print("floor of the second quarter %d KiB, of the last %d KiB (%+d KiB, bound %d)"
              % (second, last, growth, GROWTH_BOUND_KIB))
        if growth > GROWTH_BOUND_KIB:
            print("FAIL: memory still grows in the second half")
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
