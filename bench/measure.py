"""What the benchmark scripts share: the program under test, the tools they time it with, and
one run of a command under /usr/bin/time -v."""

import os
import re
import resource
import shlex
import shutil
import subprocess
import sys

PROJECT_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_PROGRAM = os.path.join(PROJECT_DIR, "build", "cli", "zep-modbus-parser")
GNU_TIME = "/usr/bin/time"
# Debian package that provides each tool.
TOOL_PACKAGES = {"hyperfine": "hyperfine", GNU_TIME: "time", "tshark": "tshark"}


def fail(message):
    print(f"{os.path.basename(sys.argv[0])}: {message}", file=sys.stderr)
    sys.exit(1)


def ensure_tool(tool):
    """Installs the tool's Debian package when it is missing (waiting for a busy apt)."""
    if shutil.which(tool):
        return
    package = TOOL_PACKAGES[tool]
    print(f"{tool} is missing: installing the Debian package {package}", file=sys.stderr)
    install = ["apt-get", "-o", "DPkg::Lock::Timeout=900", "install", "-y", package]
    if os.geteuid() != 0:
        install.insert(0, "sudo")
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    if subprocess.run(install, env=env).returncode != 0 or not shutil.which(tool):
        fail(f"could not install {package}; install it and run again")


def ensure_program(path):
    """The program to test; the default one is built (command-line target only) when missing."""
    path = os.path.abspath(path or DEFAULT_PROGRAM)
    if not os.access(path, os.X_OK) and path == DEFAULT_PROGRAM:
        build = os.path.join(PROJECT_DIR, "build")
        if not os.path.exists(os.path.join(build, "CMakeCache.txt")):
            configure = ["cmake", "-S", PROJECT_DIR, "-B", build,
                         "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DZEP_BUILD_TESTS=OFF"]
            subprocess.run(configure, check=True, stdout=subprocess.DEVNULL)
        target = ["--target", "zep-modbus-parser", "-j2"]
        subprocess.run(["cmake", "--build", build] + target, check=True)
    if not os.access(path, os.X_OK):
        fail(f"{path}: no such program (build it, or name it with --program)")
    return path


class OurCommand:
    """How to run the program on a capture so that every run writes a fresh report: with
    --force and -o when it has them, otherwise in a folder that is emptied before each run."""

    def __init__(self, program, capture):
        help_text = subprocess.run([program, "--help"], capture_output=True, text=True).stdout
        self.replaces_report = "--force" in help_text and "--output" in help_text
        if self.replaces_report:
            self.prepare = "rm -f log.txt"
            self.run_dir = "."
            self.argv = [program, "--no", "--force", "-o", "out.txt", capture]
            self.report = "out.txt"
        else:
            self.prepare = "rm -rf run && mkdir run"
            self.run_dir = "run"
            self.argv = [program, "--no", capture]
            self.report = os.path.join("run", "output.txt")
        self.shell = f"cd {self.run_dir} && {shlex.join(self.argv)}"

    def fresh_run(self, work):
        """Readies `work` for one run; returns the folder to run the program in."""
        subprocess.run(self.prepare, shell=True, cwd=work, check=True)
        return os.path.join(work, self.run_dir)


def run_timed(argv, cwd):
    """Runs a command once under /usr/bin/time -v; returns (seconds, peak resident memory in
    KiB). A failing command ends the script with its error output."""
    seconds, _, peak = run_measured(argv, cwd)
    return seconds, peak


def run_measured(argv, cwd):
    """As run_timed, with the CPU seconds (user and system) too: (wall, cpu, peak KiB). On a
    shared machine the CPU time moves less with the other jobs' load than the wall time."""
    stats = os.path.join(cwd, "time-v.txt")
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    result = subprocess.run([GNU_TIME, "-v", "-o", os.path.abspath(stats)] + argv, cwd=cwd,
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if result.returncode != 0:
        fail(f"'{shlex.join(argv)}' failed (exit {result.returncode}):\n{result.stderr[-2000:]}")
    with open(stats) as report:
        text = report.read()
    os.remove(stats)
    peak = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", text).group(1))
    clock = re.search(r"Elapsed \(wall clock\) time \(h:mm:ss or m:ss\): ([\d:.]+)", text).group(1)
    seconds = 0.0
    for part in clock.split(":"):
        seconds = seconds * 60 + float(part)
    # From the kernel's account in microseconds (time -v prints hundredths): the program's and
    # that of /usr/bin/time, which is next to nothing.
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return seconds, cpu, peak


def mib(kib):
    return f"{kib / 1024:.1f} MiB"
