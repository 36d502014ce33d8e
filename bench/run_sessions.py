#!/usr/bin/env python3
"""Whole-run cost of long sessions: an unthinned stand and N projection passes.

Usage: run_sessions.py ZIREZE [--runs 11] [--passes 10,100,1000,10000]
                              [--session make_long_session.py] [--profile]

Builds nothing: ZIREZE is the program to measure. The reply files are written
by make_long_session.py (by default the one beside this script) into
a temporary folder, where each run also writes its report, bench.txt. Per N:
the median wall and CPU times of --runs runs, the instructions callgrind
counts, the peak resident set from /usr/bin/time -v; for N = 1000 the write(2)
and writev(2) calls per file descriptor (1 is the console), counted with
strace when it is installed. --profile prints the functions of the 1000-pass
run that take most instructions.
"""
import argparse
import os
import re
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.realpath(__file__))
DEFAULT_SESSION = os.path.join(HERE, "make_long_session.py")


def run(cmd, replies, cwd, stderr=subprocess.DEVNULL):
    """Runs cmd with the reply file as standard input and the console into
    console.txt; fails unless the run ends with status 0."""
    with open(replies, "rb") as stdin, open(os.path.join(cwd, "console.txt"), "wb") as out:
        p = subprocess.run(cmd, stdin=stdin, stdout=out, stderr=stderr, cwd=cwd)
    if p.returncode != 0:
        sys.exit("%s ended with status %d" % (" ".join(cmd), p.returncode))
    return p


def cpu_s():
    """User and system time of the children that have ended, seconds."""
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime


def times_ms(zireze, replies, cwd, runs):
    """Median wall time and median CPU time (user + system) over `runs` runs,
    after one run to warm the caches. The CPU time is the steadier of the two
    on a busy machine."""
    run([zireze], replies, cwd)
    wall, cpu = [], []
    for _ in range(runs):
        t0, c0 = time.perf_counter(), cpu_s()
        run([zireze], replies, cwd)
        wall.append((time.perf_counter() - t0) * 1000.0)
        cpu.append((cpu_s() - c0) * 1000.0)
    return statistics.median(wall), statistics.median(cpu)


def instructions(zireze, replies, cwd, out_file):
    """Total instructions ("Collected") of one run under callgrind."""
    p = run(["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out_file, zireze],
            replies, cwd, stderr=subprocess.PIPE)
    m = re.search(rb"Collected : (\d+)", p.stderr)
    return int(m.group(1))


def peak_rss_kib(zireze, replies, cwd):
    """Maximum resident set size of one run, KiB."""
    p = run(["/usr/bin/time", "-v", zireze], replies, cwd, stderr=subprocess.PIPE)
    m = re.search(rb"Maximum resident set size \(kbytes\): (\d+)", p.stderr)
    return int(m.group(1))


def write_calls(zireze, replies, cwd):
    """write(2) and writev(2) calls of one run, counted by call and file
    descriptor: {"write(1": 20, ...}. Descriptor 1 is the console."""
    log = os.path.join(cwd, "strace.log")
    run(["strace", "-qq", "-e", "trace=write,writev", "-o", log, zireze], replies, cwd)
    counts = {}
    with open(log) as f:
        for line in f:
            m = re.match(r"(writev?\(\d+)", line)
            if m:
                counts[m.group(1)] = counts.get(m.group(1), 0) + 1
    return counts


def print_profile(out_file, top=20):
    """The functions with the largest cost, self and inclusive, from callgrind_annotate."""
    for inclusive in ("no", "yes"):
        p = subprocess.run(["callgrind_annotate", "--inclusive=" + inclusive, "--threshold=99",
                            out_file], capture_output=True, text=True, check=True)
        lines = [l for l in p.stdout.splitlines() if re.match(r"\s*[\d,]+ \(", l)]
        print("\nTop functions by %s instructions (1000-pass session):" %
              ("inclusive" if inclusive == "yes" else "self"))
        for l in lines[:top]:
            print("  " + l.strip())


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("zireze")
    ap.add_argument("--runs", type=int, default=11)
    ap.add_argument("--passes", default="10,100,1000,10000")
    ap.add_argument("--session", default=DEFAULT_SESSION)
    ap.add_argument("--profile", action="store_true")
    args = ap.parse_args()
    zireze = os.path.abspath(args.zireze)
    passes = [int(n) for n in args.passes.split(",")]
    have_strace = shutil.which("strace") is not None
    for tool in ["valgrind", "/usr/bin/time"] + (["callgrind_annotate"] if args.profile else []):
        if shutil.which(tool) is None:
            sys.exit("run_sessions.py needs %s (Debian: valgrind, time)" % tool)

    with tempfile.TemporaryDirectory(prefix="zireze-sessions-") as tmp:
        # instr/pass: the instructions added per pass since the row above.
        print("%7s %9s %9s %14s %12s %9s %10s" % ("passes", "wall ms", "cpu ms", "instructions",
                                                 "instr/pass", "peak KiB", "out bytes"))
        profile = None
        last = (0, 0)
        for n in passes:
            replies = os.path.join(tmp, "s%d.in" % n)
            with open(replies, "w") as f:
                subprocess.run([sys.executable, args.session, str(n)], stdout=f, check=True)
            cg_out = os.path.join(tmp, "callgrind.%d.out" % n)
            ir = instructions(zireze, replies, tmp, cg_out)
            if n == 1000:
                profile = cg_out
            wall, cpu = times_ms(zireze, replies, tmp, args.runs)
            rss = peak_rss_kib(zireze, replies, tmp)
            out_bytes = (os.path.getsize(os.path.join(tmp, "console.txt")) +
                         os.path.getsize(os.path.join(tmp, "bench.txt")))
            per_pass = (ir - last[1]) // (n - last[0])
            last = (n, ir)
            print("%7d %9.2f %9.2f %14d %12d %9d %10d" %
                  (n, wall, cpu, ir, per_pass, rss, out_bytes))
            if n == 1000:
                if have_strace:
                    counts = write_calls(zireze, replies, tmp)
                    writes = ", ".join("%s) %d" % kv for kv in sorted(counts.items()))
                else:
                    writes = "not counted: strace is not installed"
        if 1000 in passes:
            print("\nCalls that write, 1000 passes (fd 1 is the console): " + writes)
        if args.profile and profile:
            print_profile(profile)


if __name__ == "__main__":
    main()
