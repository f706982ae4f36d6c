#!/usr/bin/env python3
"""Stops the program at random moments while a generator feeds it Modbus/TCP through a named
pipe, as a live capture would: with SIGINT, SIGTERM and --duration, several rounds each with
its random seed printed. Every output must then be whole and parse, the closing counts must be
printed, and while the run went on the periodic files must have been rewritten (a reader only
ever finding whole ones) and the appended files flushed; SIGHUP writes the periodic files at
once.

Usage: stop_test.py PROGRAM [ROUNDS]      (exit 77: no named pipes here)
"""

import csv
import ctypes
import io
import json
import os
import random
import re
import signal
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
GENERATOR = os.path.join(HERE, "modbus_stream.py")
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("  FAIL:", what)
    return condition


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None


def whole_html(data):
    return data.startswith(b"<!DOCTYPE html>") and data.endswith(b"</html>\r\n")


class Arrivals:
    """How files came into a directory (Linux inotify): created there, or renamed into place. A
    document only ever renamed into place is one a reader never finds empty or half written.
    Where inotify cannot be had (another system), nothing is recorded."""

    IN_CREATE, IN_MOVED_TO, IN_NONBLOCK = 0x100, 0x80, 0o4000

    def __init__(self, directory):
        self.created, self.moved_in = set(), set()
        try:
            self.libc = ctypes.CDLL(None, use_errno=True)
            self.fd = self.libc.inotify_init1(self.IN_NONBLOCK)
        except (OSError, AttributeError):
            self.fd = -1
        if self.fd >= 0 and self.libc.inotify_add_watch(
                self.fd, directory.encode(), self.IN_CREATE | self.IN_MOVED_TO) < 0:
            os.close(self.fd)
            self.fd = -1

    def collect(self):
        while self.fd >= 0:
            try:
                data = os.read(self.fd, 65536)
            except BlockingIOError:
                return
            offset = 0
            while offset < len(data):
                _, mask, _, length = struct.unpack_from("iIII", data, offset)
                name = data[offset + 16:offset + 16 + length].rstrip(b"\0").decode()
                (self.created if mask & self.IN_CREATE else self.moved_in).add(name)
                offset += 16 + length

    def close(self):
        self.collect()
        if self.fd >= 0:
            os.close(self.fd)
            self.fd = -1


class Run:
    """The program reading a pipe that the generator feeds, in a directory of its own."""

    def __init__(self, program, directory, seed, extra):
        self.directory = directory
        fifo = os.path.join(directory, "capture.fifo")
        os.mkfifo(fifo)
        # The shell opens the pipe for the generator (it waits there for the program), so the
        # test holds no end of it itself.
        self.generator = subprocess.Popen(
            ["sh", "-c", 'exec "$0" "$1" --seed "$2" --rate 1500 --unanswered 0.01 > "$3"',
             sys.executable, GENERATOR, str(seed), fifo])
        self.started = time.monotonic()
        self.arrivals = Arrivals(directory)
        self.program = subprocess.Popen(
            [program, "--no", "-q", "--response-timeout=0.5", "--transactions", "t.jsonl",
             "--summary", "s.json", "--points", "p.csv", "--html", "page.html"] + extra +
            ["capture.fifo"],
            cwd=directory, stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    def path(self, name):
        return os.path.join(self.directory, name)

    def finish(self, timeout=20):
        try:
            out, err = self.program.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.program.kill()
            out, err = self.program.communicate()
            check(False, "the program did not end within %d s" % timeout)
        self.elapsed = time.monotonic() - self.started
        self.generator.kill()
        self.generator.wait()
        self.arrivals.close()
        return self.program.returncode, out.decode(errors="replace"), err.decode(errors="replace")


class Watch:
    """What a reader finds in the outputs while the run goes on."""

    def __init__(self, run):
        self.run = run
        self.summaries = set()
        self.pages = set()
        self.log_sizes = set()
        self.half_summaries = 0
        self.half_pages = 0

    def look(self):
        summary = read(self.run.path("s.json"))
        if summary is not None:
            try:
                json.loads(summary)
                self.summaries.add(summary)
            except ValueError:
                self.half_summaries += 1
        page = read(self.run.path("page.html"))
        if page is not None:
            if whole_html(page):
                self.pages.add(page)
            else:
                self.half_pages += 1
        log = read(self.run.path("t.jsonl"))
        if log:
            self.log_sizes.add(len(log))

    def for_seconds(self, seconds):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            self.look()
            time.sleep(0.05)


def check_outputs(run, status, out, expected_status):
    check(status == expected_status, "exit status %s, expected %s" % (status, expected_status))
    check("Modbus messages processed" in out, "the closing counts were printed: %r" % out[-300:])
    log = read(run.path("t.jsonl")) or b""
    check(log.endswith(b"\r\n"), "the transaction log ends in a whole line")
    lines = log.split(b"\r\n")[:-1]
    try:
        objects = [json.loads(line) for line in lines]
    except ValueError as error:
        check(False, "a transaction log line does not parse: %s" % error)
        objects = []
    check(len(objects) > 0, "the transaction log holds transactions")
    summary = read(run.path("s.json"))
    try:
        document = json.loads(summary)
        check(document["capture"]["transactions"] == len(objects),
              "the summary counts %s transactions, the log holds %d"
              % (document["capture"]["transactions"], len(objects)))
        check(isinstance(document.get("anomalies"), list), "the summary lists its anomalies")
    except (TypeError, ValueError, KeyError) as error:
        check(False, "the summary does not parse: %s" % error)
    points = (read(run.path("p.csv")) or b"").decode()
    check(points.endswith("\r\n"), "the points file ends in a whole row")
    rows = list(csv.reader(io.StringIO(points, newline="")))
    check(len(rows) > 1 and all(len(row) == len(rows[0]) for row in rows),
          "every points row has the header's %d fields" % (len(rows[0]) if rows else 0))
    check(whole_html(read(run.path("page.html")) or b""), "the page is whole")
    report = read(run.path("output.txt")) or b""
    # A block: "Frame: NNN", the frame's analysis (blank lines inside), a blank line at its end.
    last = report[report.rfind(b"Frame: "):]
    check(report.endswith(b"\r\n\r\n") and re.match(rb"Frame: \d{3,}\r\n", last) is not None
          and (b"Finis." not in last or last.endswith(b"-\r\n\r\n\r\n")),
          "the report's last block is whole")
    check(report.count(b"Frame: ") == len(objects),
          "the report holds %d blocks, the log %d transactions"
          % (report.count(b"Frame: "), len(objects)))
    # Each rewrite's arrival can be missed by a reader's look; none can be missed here.
    created = sorted(run.arrivals.created & {"s.json", "page.html"})
    check(not created, "the summary and the page only ever came by renaming a whole version "
          "into place; created in place: %s" % created)
    left = [name for name in os.listdir(run.directory) if name.endswith(".part")]
    check(not left, "no half-written file is left behind: %s" % left)


def stop_round(program, how, seed):
    rng = random.Random(seed)
    moment = rng.uniform(2.6, 4.5)
    print("round: stop by %s after %.2f s, seed %d" % (how, moment, seed))
    with tempfile.TemporaryDirectory() as directory:
        extra = ["--update=1"]
        if how == "duration":
            extra.append("--duration=%.2f" % moment)
        run = Run(program, directory, seed, extra)
        watch = Watch(run)
        watch.for_seconds(moment if how != "duration" else moment + 0.5)
        if how != "duration":
            run.program.send_signal(signal.SIGINT if how == "SIGINT" else signal.SIGTERM)
        status, out, err = run.finish()
        check(watch.half_summaries == 0 and watch.half_pages == 0,
              "a reader found %d half summaries and %d half pages"
              % (watch.half_summaries, watch.half_pages))
        # Every round sees them written while it runs; a slow build (the sanitizers) may take
        # longer than a short round to write the page twice, so rewriting is asked of the rounds
        # together (see main).
        check(watch.summaries and watch.pages,
              "the periodic files were written while the run went on (%d summaries, %d pages)"
              % (len(watch.summaries), len(watch.pages)))
        check(len(watch.log_sizes) >= 2, "the transaction log grew while the run went on")
        rewritten = len(watch.summaries) >= 2 and len(watch.pages) >= 2
        if how == "duration":
            check(moment - 0.2 <= run.elapsed <= moment + 2.0,
                  "--duration=%.2f ended the run after %.2f s" % (moment, run.elapsed))
        check_outputs(run, status, out, 0 if how == "duration" else 130)
        if err.strip() and how == "duration":
            check(False, "a run ended by --duration says: %s" % err.strip())
        return rewritten


def hangup_round(program, seed):
    print("round: SIGHUP with --update=1000, seed %d" % seed)
    with tempfile.TemporaryDirectory() as directory:
        run = Run(program, directory, seed, ["--update=1000"])
        watch = Watch(run)
        watch.for_seconds(1.5)
        check(not watch.summaries and not watch.pages,
              "no periodic file is written before its interval without SIGHUP")
        for attempt in range(2):
            before = (read(run.path("s.json")), read(run.path("page.html")))
            run.program.send_signal(signal.SIGHUP)
            # At once, against an interval of 1000 s; a busy test machine gets a few seconds.
            deadline = time.monotonic() + 3
            now = before
            while time.monotonic() < deadline and (now[0] == before[0] or now[1] == before[1]):
                time.sleep(0.05)
                now = (read(run.path("s.json")), read(run.path("page.html")))
            check(now[0] != before[0] and now[1] != before[1],
                  "SIGHUP %d rewrote the summary and the page within 3 s" % (attempt + 1))
            watch.look()
            time.sleep(0.5)
        check(run.program.poll() is None, "SIGHUP does not end the run")
        run.program.send_signal(signal.SIGINT)
        status, out, _ = run.finish()
        check_outputs(run, status, out, 130)


def main():
    if not hasattr(os, "mkfifo"):
        return 77
    program = os.path.abspath(sys.argv[1])
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 2
    seeds = random.Random()
    rewritten = 0
    for how in ["SIGINT", "SIGTERM", "duration"] * rounds:
        rewritten += 1 if stop_round(program, how, seeds.randrange(1 << 31)) else 0
    check(rewritten > 0, "in some round the summary and the page were each rewritten while the "
          "run went on (seen twice or more)")
    hangup_round(program, seeds.randrange(1 << 31))
    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
