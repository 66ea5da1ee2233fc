#!/usr/bin/env python3
"""Throughput and memory of `soilcolumn batch` as a process.

Runs a batch of N members (default 4) of a scenario (default: examples/default, three
years) with -j 1 and -j 2 and
reports members per second from the wall time, and the peak resident set
size of each process (GNU time, package `time`). Memory per concurrent run
is the difference between -j 2 and -j 1 (one more run in memory at a
time); the -j 1 figure minus that of `soilcolumn --version` is the first
run's share.

    python3 bench/batch_memory.py [build/soilcolumn] [scenario] [members]
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

here = os.path.dirname(os.path.abspath(__file__))
program = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "build", "soilcolumn"))
scenario = sys.argv[2] if len(sys.argv) > 2 else os.path.join(here, "..", "examples", "default")
members = int(sys.argv[3]) if len(sys.argv) > 3 else 4


def measured(args):
    """Wall seconds and peak RSS (kB) of one run of the program, by GNU time
    (a fork of this interpreter would count its own pages in the child's
    peak before the exec)."""
    with tempfile.NamedTemporaryFile("r") as report:
        start = time.monotonic()
        status = subprocess.call(["/usr/bin/time", "-f", "%M", "-o", report.name, program] + args,
                                 stdout=subprocess.DEVNULL)
        wall = time.monotonic() - start
        if status not in (0, 3):
            sys.exit(f"{args}: exit status {status}")
        return wall, int(report.read().split()[-1])


work = tempfile.mkdtemp(prefix="soilcolumn-batch-bench-")
try:
    _, idle = measured(["--version"])
    figures = {}
    for jobs in (1, 2):
        walls, rss = [], 0
        for repeat in range(3):
            out = os.path.join(work, f"j{jobs}-{repeat}")
            wall, peak = measured(["batch"] + [scenario] * members + ["-j", str(jobs), "-q", "-o", out])
            walls.append(wall)
            rss = max(rss, peak)
        figures[jobs] = (members / min(walls), rss)
        print(f"-j {jobs}: {figures[jobs][0]:.1f} members/s (best of 3), peak RSS {rss} kB")
    print(f"speed-up -j 2 / -j 1: {figures[2][0] / figures[1][0]:.2f}")
    print(f"memory per concurrent run: {figures[2][1] - figures[1][1]} kB (-j 2 minus -j 1); "
          f"first run over an idle process ({idle} kB): {figures[1][1] - idle} kB")
finally:
    shutil.rmtree(work)
