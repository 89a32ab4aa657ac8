#!/usr/bin/env python3
"""Peak memory and time of whole runs on one heavy page, by glyph count.

    bench/heavy_page.py [--build build/release] [--outputs pdf,pdattopdf,jpeg,alog] [GLYPHS...]
    (default glyph counts: 1000 100000 10000000)

The page is one A4 print-data file whose String records all point at one
text of up to 10,000 half-width characters (the heavy page an IPP client can
send a queue: a small file, many glyphs), so that a page of N glyphs holds
N / 10,000 records. Each count is printed to a PDF by kestrel (the built-in
device), by the pdattopdf filter, as a JPEG page, and as an analysis run
($alog=1, with its JPEG page); each run prints its CPU and wall time, its
peak RSS (GNU time: the process alone) and the size of what it wrote. A
flat column of peak RSS down the counts is what the writer promises.
Every run has its own scratch base folder under /tmp with CUPS hidden and
the headless Ui; nothing goes to a print queue.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

TEXT_LIMIT = 10000  # characters of the one text


def page_text(glyphs):
    """The page in the pdat text form: glyphs / text length String records."""
    length = max(1, min(glyphs, TEXT_LIMIT))
    records = max(1, glyphs // length)
    text = ("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789" * (length // 36 + 1))[:length]
    lines = ["paper orientation=portrait paper=A4 userPaper=A4 copies=1",
             "palette index=0 red=0 green=0 blue=0"]
    for i in range(records):
        y = 40 + (i * 7) % 1800
        lines.append(f'string color=0 x=20 y={y} typeface=1 class=1 width=4 height=8 pitch=4 text="{text}"')
    lines.append("end")
    return "\n".join(lines) + "\n", length * records


def base(folder, settings):
    os.makedirs(os.path.join(folder, "zoq"), exist_ok=True)
    os.makedirs(os.path.join(folder, "data"), exist_ok=True)
    with open(os.path.join(folder, "zoq", "kestrel.inf"), "wb") as f:
        f.write(("[SETTING]\r\n" + "".join(s + "\r\n" for s in settings)).encode())


def run(argv, env, stdout=subprocess.DEVNULL):
    # GNU time measures the program alone: a child of this process would
    # count this process's own peak too (Linux carries it over the exec).
    report = os.path.join(env["KESTREL_BASE"], "time.txt")
    start = time.monotonic()
    code = subprocess.run(["/usr/bin/time", "-q", "-f", "%U %S %M", "-o", report] + argv, env=env, stdout=stdout,
                          stderr=subprocess.DEVNULL).returncode
    wall = time.monotonic() - start
    with open(report) as f:
        user, system, kib = f.read().split()[-3:]
    os.remove(report)
    return code, float(user) + float(system), wall, int(kib) / 1024.0


def folder_size(folder):
    total = 0
    for root, _, files in os.walk(folder):
        for name in files:
            if not name.endswith(".pdat"):
                total += os.path.getsize(os.path.join(root, name))
    return total


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--outputs", default="pdf,pdattopdf,jpeg,alog")
    parser.add_argument("glyphs", nargs="*", type=int, default=[1000, 100000, 10000000])
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    if not os.access("/usr/bin/time", os.X_OK):
        sys.exit("heavy_page: /usr/bin/time is missing (scripts/setup.sh installs it)")
    for tool in ("kestrel", "pdattopdf", "pdat"):
        if not os.access(os.path.join(build, tool), os.X_OK):
            sys.exit(f"heavy_page: {build}/{tool} is not built")
    outputs = args.outputs.split(",")
    work = tempfile.mkdtemp(prefix="kestrel-heavy-page.")
    try:
        print(f"{'glyphs':>10} {'output':<10} {'CPU s':>8} {'wall s':>8} {'peak RSS MiB':>13} {'written MB':>11}")
        for glyphs in args.glyphs:
            text, count = page_text(glyphs)
            src = os.path.join(work, "page.txt")
            with open(src, "w", encoding="utf-8") as f:
                f.write(text)
            del text
            data = os.path.join(work, "page.pdat")
            subprocess.run([os.path.join(build, "pdat"), "compile", src, data], check=True)
            for output in outputs:
                folder = os.path.join(work, output)
                settings = {"pdf": ["$jpeg=0", "$pbar=0", "[PDF]", "$path=Kestrel PDF"],
                            "pdattopdf": ["$jpeg=0"],
                            "jpeg": ["$jpeg=1", "$pbar=0"],
                            "alog": ["$jpeg=1", "$pbar=0", "$alog=1"]}[output]
                base(folder, settings)
                page = os.path.join(folder, "data", "page.pdat")
                shutil.copy(data, page)
                env = dict(os.environ, KESTREL_BASE=folder + "/", KESTREL_NO_CUPS="1", KESTREL_UI="headless",
                           KESTREL_NO_DEBUG_LABEL="1")
                if output == "pdattopdf":
                    with open(os.path.join(folder, "out.pdf"), "wb") as out:
                        code, cpu, wall, rss = run([os.path.join(build, "pdattopdf"), "1", "user", "t", "1", "", page],
                                                   env, stdout=out)
                else:
                    argv = [os.path.join(build, "kestrel"), "-h", "1", "-p", page]
                    if output == "pdf":
                        argv = [os.path.join(build, "kestrel"), "-h", "1", "-p", os.path.dirname(page) + ",2"]
                    code, cpu, wall, rss = run(argv, env)
                status = "" if code == 0 else f"  (exit {code})"
                print(f"{count:>10} {output:<10} {cpu:>8.2f} {wall:>8.2f} {rss:>13.1f} {folder_size(folder) / 1e6:>11.1f}"
                      f"{status}", flush=True)
                shutil.rmtree(folder)
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
