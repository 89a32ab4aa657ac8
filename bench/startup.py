#!/usr/bin/env python3
"""Start-up cost of kestrel: whole processes, nothing subtracted.

    bench/startup.py [--build build/release] [--runs 30] [--baseline OTHER_KESTREL]

Each case is a whole process of the built kestrel; the figures are its own
CPU time (user + system, from wait4), the median of --runs runs:

  --version        loading the program and its libraries, static
                   initialisers; no settings, no page
  missing file     a print run up to the page and its end steps: settings
                   read, logs, printer list, the missing file reported
                   (exit code 3). No command is drawn, so this bounds the
                   CPU spent before the first command of a page.
  empty page PDF   a page without commands to the built-in PDF device
  empty page JPEG  the same page as a JPEG page at 350 dpi (the page bitmap
                   of A4 and its encoding are in this figure)

"warm" runs reuse one base folder; "cold" runs get a fresh base folder
each (the first run of an installation: settings file and folders made).
The system's file cache stays warm in both. For each case the script also
prints how many shared objects the process mapped (the loader's
LD_DEBUG=files trace, modules opened later included) and its peak RSS (GNU
time, which starts it from a small process, so the figure is kestrel's own).

With --baseline another kestrel (for example the main branch's build) runs
the same cases, alternating with this one run by run, and the ratios are
printed. kestrel runs with the headless Ui, CUPS hidden (KESTREL_NO_CUPS=1)
and a scratch base folder; nothing goes to a print queue.
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def run(cmd, env):
    """One process; (cpu ms, wall ms)."""
    start = time.monotonic()
    proc = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = (time.monotonic() - start) * 1000
    return (usage.ru_utime + usage.ru_stime) * 1000, wall, os.waitstatus_to_exitcode(status)


def libraries(cmd, env):
    """The shared objects the process mapped, from the loader's trace."""
    trace = subprocess.run(cmd, env=dict(env, LD_DEBUG="files"), stdout=subprocess.DEVNULL,
                           stderr=subprocess.PIPE).stderr.decode(errors="replace")
    return len(set(re.findall(r"file=(\S+) \[0\];  generating link map", trace)))


def peak_rss_mib(cmd, env):
    out = subprocess.run(["/usr/bin/time", "-f", "%M"] + cmd, env=env, stdout=subprocess.DEVNULL,
                         stderr=subprocess.PIPE).stderr.decode(errors="replace").strip().splitlines()
    return int(out[-1]) / 1024


class Program:
    """One kestrel build and its scratch folders."""

    def __init__(self, path, work, name, empty_pdat):
        self.path = path
        self.root = os.path.join(work, name)
        self.warm = os.path.join(self.root, "warm")
        self.fresh = 0
        for jpeg in (0, 1):
            self.make_base(os.path.join(self.warm, str(jpeg)), jpeg)
        self.page = os.path.join(self.root, "empty.pdat")
        shutil.copyfile(empty_pdat, self.page)

    @staticmethod
    def make_base(base, jpeg):
        os.makedirs(os.path.join(base, "zoq"), exist_ok=True)
        with open(os.path.join(base, "zoq", "kestrel.inf"), "wb") as f:
            f.write("[SETTING]\r\n$jpeg={}\r\n".format(jpeg).encode("ascii"))

    def base(self, cold, jpeg):
        if not cold:
            return os.path.join(self.warm, str(jpeg))
        self.fresh += 1
        base = os.path.join(self.root, "cold", str(self.fresh))
        if jpeg:
            self.make_base(base, jpeg)
        else:
            os.makedirs(base)
        return base

    def case(self, name, cold):
        """(command, environment) of one run of a case."""
        jpeg = 1 if name == "empty page JPEG" else 0
        base = self.base(cold, jpeg)
        env = dict(os.environ, KESTREL_NO_CUPS="1", KESTREL_UI="headless", KESTREL_BASE=base + "/")
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        if name == "--version":
            return [self.path, "--version"], env
        page = self.page if name.startswith("empty page") else os.path.join(self.root, "missing.pdat")
        if jpeg:
            # The JPEG page is written beside its print data: one per base folder.
            page = shutil.copyfile(self.page, os.path.join(base, "empty.pdat"))
        # -h: a caller's window number, so that no page label is drawn.
        return [self.path, "-h", "1", "-p", page], env


CASES = ("--version", "missing file", "empty page PDF", "empty page JPEG")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build", default=os.path.join(here, "..", "build", "release"))
    ap.add_argument("--runs", type=int, default=30)
    ap.add_argument("--baseline", help="another kestrel program to compare with, run by run")
    args = ap.parse_args()
    if not os.path.exists("/usr/bin/time"):
        sys.exit("startup: /usr/bin/time is missing (package time; scripts/setup.sh installs it)")

    work = tempfile.mkdtemp(prefix="kestrel-startup-")
    try:
        text = os.path.join(work, "empty.pdat.txt")
        with open(text, "w") as f:
            f.write("paper orientation=portrait paper=A4 userPaper=A4 copies=1\nend\n")
        empty = os.path.join(work, "empty.pdat")
        subprocess.run([os.path.join(args.build, "pdat"), "compile", text, empty], check=True)
        programs = [Program(os.path.abspath(os.path.join(args.build, "kestrel")), work, "this", empty)]
        if args.baseline:
            programs.append(Program(os.path.abspath(args.baseline), work, "baseline", empty))

        print(f"{args.runs} runs per case and program, alternating; medians of whole processes (CPU = user + system)")
        for cold in (False, True):
            for name in CASES:
                if cold and name == "--version":
                    continue  # reads no base folder
                samples = [[] for _ in programs]
                for _ in range(args.runs):
                    for i, p in enumerate(programs):
                        cpu, wall, code = run(*p.case(name, cold))
                        expected = 3 if name == "missing file" else 0
                        if code != expected:
                            sys.exit(f"startup: {p.path} {name}: exit code {code}, expected {expected}")
                        samples[i].append((cpu, wall))
                line = f"{name + (' (cold)' if cold else ''):24s}"
                cpus = []
                for p, s in zip(programs, samples):
                    cpu = statistics.median(x[0] for x in s)
                    wall = statistics.median(x[1] for x in s)
                    cpus.append(cpu)
                    command, env = p.case(name, cold)
                    label = "kestrel" if p is programs[0] else "baseline"
                    line += (f"  {label} {cpu:6.2f} ms CPU ({wall:6.2f} wall, {libraries(command, env):3d} objects,"
                             f" {peak_rss_mib(command, env):5.1f} MiB)")
                if len(cpus) == 2 and cpus[0] > 0:
                    line += f"  -> {cpus[1] / cpus[0]:4.2f}x less CPU"
                print(line)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
