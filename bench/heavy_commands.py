#!/usr/bin/env python3
"""Time of whole JPEG runs on pages of many full-page commands, against a baseline program.

    bench/heavy_commands.py [--build build/release] [--baseline OTHER/kestrel] [--count N]

Two pages of N commands each (default 20,000), each command over the whole
A4 page at 350 dpi: opaque pattern fills (method 1, the default, the 16
patterns in turn) and circles whose bounding square covers the page (their
curve crossing it). Each page is printed as a JPEG
page by the build's kestrel and, with --baseline, by another kestrel (an
earlier build); the table gives CPU seconds, microseconds a command and the
baseline's time over this build's, and whether both wrote the same pixels
(djpeg's output compared). Scratch base folders under /tmp, CUPS hidden,
headless Ui.
"""
import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile

PAGES = {
    "fills": "paint color=1 x1=0 y1=0 x2=1400 y2=1900 pattern={p}",
    "circles": "circle color=1 cx=661 cy=935 end=0 start=0 radius={r}",
}


def page_text(kind, count):
    lines = ["paper orientation=portrait paper=A4 userPaper=A4 copies=1",
             "palette index=0 red=0 green=0 blue=0", "palette index=1 red=40 green=60 blue=120"]
    for i in range(count):
        lines.append(PAGES[kind].format(p=1 + i % 16, r=1000 + i % 200))
    lines.append("end")
    return "\n".join(lines) + "\n"


def run(program, page, work, name):
    base = os.path.join(work, name)
    os.makedirs(os.path.join(base, "zoq"))
    with open(os.path.join(base, "zoq", "kestrel.inf"), "wb") as f:
        f.write(b"[SETTING]\r\n$jpeg=1\r\n$pbar=0\r\n")
    data = os.path.join(base, "page.pdat")
    shutil.copy(page, data)
    env = dict(os.environ, KESTREL_BASE=base + "/", KESTREL_NO_CUPS="1", KESTREL_UI="headless",
               KESTREL_NO_DEBUG_LABEL="1", KESTREL_SEQUENTIAL="1")
    report = os.path.join(base, "time.txt")
    code = subprocess.run(["/usr/bin/time", "-q", "-f", "%U %S %M", "-o", report, program, "-h", "1", "-p", data],
                          env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
    with open(report) as f:
        user, system, _ = f.read().split()[-3:]
    pixels = subprocess.run(["djpeg", os.path.join(base, "page.jpg")], capture_output=True).stdout
    shutil.rmtree(base)
    return code, float(user) + float(system), hashlib.sha256(pixels).hexdigest()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--baseline")
    parser.add_argument("--count", type=int, default=20000)
    args = parser.parse_args()
    program = os.path.abspath(os.path.join(args.build, "kestrel"))
    pdat = os.path.abspath(os.path.join(args.build, "pdat"))
    for tool in (program, pdat, "/usr/bin/time", shutil.which("djpeg") or "/nonexistent"):
        if not os.access(tool, os.X_OK):
            sys.exit(f"heavy_commands: {tool} is missing")
    work = tempfile.mkdtemp(prefix="kestrel-heavy-commands.")
    try:
        print(f"{'page':<10} {'commands':>9} {'CPU s':>8} {'us each':>8}" +
              (f" {'baseline s':>11} {'ratio':>7} {'pixels':>8}" if args.baseline else ""))
        for kind in PAGES:
            src = os.path.join(work, kind + ".txt")
            with open(src, "w") as f:
                f.write(page_text(kind, args.count))
            page = os.path.join(work, kind + ".pdat")
            subprocess.run([pdat, "compile", src, page], check=True)
            code, cpu, pixels = run(program, page, work, "this")
            line = f"{kind:<10} {args.count:>9} {cpu:>8.2f} {cpu * 1e6 / args.count:>8.1f}"
            if code != 0:
                line += f" (exit {code})"
            if args.baseline:
                bcode, bcpu, bpixels = run(os.path.abspath(args.baseline), page, work, "baseline")
                line += f" {bcpu:>11.2f} {bcpu / max(cpu, 1e-3):>7.1f} {'same' if bpixels == pixels else 'DIFFER':>8}"
            print(line, flush=True)
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
