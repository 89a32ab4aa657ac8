#!/usr/bin/env python3
"""Whole processes of kestrel against Ghostscript and cjpeg on the dense page.

    bench/compare.py [--build build/release] [--runs 5] [--quality 90] [--only pdf|jpeg|folder|many]

Writes the dense benchmark page (print data and the same page as PostScript)
with the dense-page tool into a scratch folder, then runs each pair of
programs alternately, one process after the other, and prints the median CPU
time (user + system) and wall time of each, their ratio and the sizes of what
they wrote. The folder rows run a folder of 40 copies of the page (JPEG pages;
one PDF) against Ghostscript given the 40 pages as one job; the last row
starts 16 single-page requests at once into one base folder and sets their
wall time against their CPU shared out over the cores, and checks that every
request wrote its page and every line of its logs. kestrel runs on the built-in PDF device with CUPS hidden
(KESTREL_NO_CUPS=1), the headless Ui and a scratch base folder; nothing goes
to a print queue. Needs ghostscript, poppler-utils and libjpeg-turbo-progs.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

MINCHO = "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf"
GOTHIC = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"


def run(cmd, env=None, cwd=None):
    """Runs one process; returns (cpu seconds, wall seconds, peak RSS KiB)."""
    start = time.monotonic()
    proc = subprocess.Popen(cmd, env=env, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.monotonic() - start
    err = proc.stderr.read().decode(errors="replace")
    proc.stderr.close()
    proc.returncode = os.waitstatus_to_exitcode(status)
    if proc.returncode != 0:
        sys.exit(f"compare: {' '.join(cmd)} failed ({proc.returncode}): {err.strip()}")
    return usage.ru_utime + usage.ru_stime, wall, usage.ru_maxrss


def sampling(jpeg_path):
    """The sampling factors of a baseline or progressive JPEG, as cjpeg's -sample takes them."""
    data = open(jpeg_path, "rb").read()
    at = 2
    while at + 4 <= len(data):
        marker, length = data[at + 1], int.from_bytes(data[at + 2:at + 4], "big")
        if marker in (0xC0, 0xC1, 0xC2):
            count = data[at + 9]
            parts = []
            for c in range(count):
                s = data[at + 11 + c * 3]
                parts.append(f"{s >> 4}x{s & 15}")
            return ",".join(parts), count
        at += 2 + length
    sys.exit(f"compare: no frame header in {jpeg_path}")


class Kestrel:
    def __init__(self, program, work, name, jpeg, quality, more=""):
        self.base = os.path.join(work, name)
        os.makedirs(os.path.join(self.base, "zoq"), exist_ok=True)
        settings = "[SETTING]\r\n$jpeg={}\r\n$jquality={}\r\n{}".format(1 if jpeg else 0, quality, more)
        with open(os.path.join(self.base, "zoq", "kestrel.inf"), "wb") as f:
            f.write(settings.encode("ascii"))
        self.program = program
        self.env = dict(os.environ, KESTREL_NO_CUPS="1", KESTREL_UI="headless", KESTREL_BASE=self.base + "/")
        self.env.pop("DISPLAY", None)
        self.jpeg = jpeg

    def page(self, pdat):
        target = os.path.join(self.base, os.path.basename(pdat))
        shutil.copyfile(pdat, target)
        return target

    def __call__(self, pdat, sequential=False):
        shutil.rmtree(os.path.join(self.base, "vpdf"), ignore_errors=True)
        # -h: a caller's window number, so that no page label is drawn.
        env = dict(self.env, KESTREL_SEQUENTIAL="1") if sequential else self.env
        return run([self.program, "-h", "1", "-p", pdat], env=env)

    def output(self, pdat):
        stem = os.path.splitext(os.path.basename(pdat))[0]
        if self.jpeg:
            return os.path.join(self.base, stem + ".jpg")
        return os.path.join(self.base, "vpdf", stem + ".pdf")


def median_pair(runs, a, b):
    """Runs a and b alternately; the median (cpu, wall, rss) of each."""
    ra, rb = [], []
    for _ in range(runs):
        ra.append(a())
        rb.append(b())
    med = lambda rs: tuple(statistics.median(r[i] for r in rs) for i in range(3))
    return med(ra), med(rb)


def row(label, k, other, other_name, k_size=None, other_size=None):
    ratio = other[0] / k[0] if k[0] > 0 else float("inf")
    sizes = ""
    if k_size is not None:
        sizes = f"  sizes {k_size / 1024:.0f} KB / {other_size / 1024:.0f} KB"
    print(f"{label:34s} kestrel {k[0] * 1000:7.1f} ms CPU ({k[1] * 1000:6.1f} wall, {k[2] / 1024:5.1f} MiB)"
          f"  {other_name} {other[0] * 1000:7.1f} ms CPU  -> kestrel {ratio:4.2f}x"
          f" {'faster' if ratio >= 1 else 'slower'}{sizes}")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build", default=os.path.join(here, "..", "build", "release"))
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--quality", type=int, default=90, help="JPEG quality for all three programs")
    ap.add_argument("--only", choices=("pdf", "jpeg", "folder", "many"),
                    help="only the single-page PDF rows, the single-page JPEG rows, the folder rows or the row of"
                         " requests at once")
    args = ap.parse_args()
    for tool in ("gs", "cjpeg", "djpeg", "pdftotext", "pdffonts", "pdfinfo"):
        if shutil.which(tool) is None:
            sys.exit(f"compare: {tool} is missing (scripts/setup.sh installs it)")
    kestrel = os.path.join(args.build, "kestrel")
    dense_page = os.path.join(args.build, "bench", "dense-page")

    work = tempfile.mkdtemp(prefix="kestrel-compare-")
    try:
        cidfmap = os.path.join(work, "cidfmap")
        with open(cidfmap, "w") as f:
            for name, path in (("BenchMincho", MINCHO), ("BenchGothic", GOTHIC)):
                f.write(f"/{name} << /FileType /TrueType /Path ({path}) /SubfontID 0 /CSI [(Japan1) 6] >> ;\n")
        pdat, ps = os.path.join(work, "dense.pdat"), os.path.join(work, "dense.ps")
        subprocess.run([dense_page, pdat, ps, "BenchMincho", "BenchGothic"], check=True)
        empty_pdat, empty_ps = os.path.join(work, "empty.pdat"), os.path.join(work, "empty.ps")
        with open(os.path.join(work, "empty.pdat.txt"), "w") as f:
            f.write("paper orientation=portrait paper=A4 userPaper=A4 copies=1\nend\n")
        subprocess.run([os.path.join(args.build, "pdat"), "compile", os.path.join(work, "empty.pdat.txt"), empty_pdat],
                       check=True)
        with open(empty_ps, "w") as f:
            f.write("%!PS\n<< /PageSize [595.28 841.89] >> setpagedevice\nshowpage\n")

        gs = ["gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", f"-sCIDFMAP={cidfmap}"]
        gs_pdf_out, gs_jpg_out = os.path.join(work, "gs.pdf"), os.path.join(work, "gs.jpg")
        kpdf = Kestrel(kestrel, work, "pdf", False, args.quality)
        kjpg = Kestrel(kestrel, work, "jpeg", True, args.quality)
        kpdf_page, kjpg_page, kempty_page = kpdf.page(pdat), kjpg.page(pdat), kjpg.page(empty_pdat)

        print(f"dense page: {os.path.getsize(pdat)} bytes of print data; {args.runs} runs each, alternating;"
              f" medians; JPEG quality {args.quality}")
        if args.only in (None, "pdf"):
            compare_pdf(args, gs, ps, kpdf, kpdf_page, gs_pdf_out)
        if args.only in (None, "jpeg"):
            compare_jpeg(args, gs, ps, empty_ps, kjpg, kjpg_page, kempty_page, gs_jpg_out, work)
        if args.only in (None, "folder"):
            compare_folders(args, gs, ps, kestrel, pdat, work)
        if args.only in (None, "many"):
            requests_at_once(args, kestrel, pdat, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def compare_pdf(args, gs, ps, kpdf, kpdf_page, gs_pdf_out):
    k, g = median_pair(args.runs, lambda: kpdf(kpdf_page),
                       lambda: run(gs + ["-sDEVICE=pdfwrite", f"-sOutputFile={gs_pdf_out}", ps]))
    kpdf_file = kpdf.output(kpdf_page)
    row("dense page -> PDF", k, g, "gs pdfwrite", os.path.getsize(kpdf_file), os.path.getsize(gs_pdf_out))
    text = subprocess.run(["pdftotext", kpdf_file, "-"], capture_output=True, text=True).stdout
    fonts = subprocess.run(["pdffonts", kpdf_file], capture_output=True, text=True).stdout.splitlines()[2:]
    subset = bool(fonts) and all(" yes yes " in line and "+" in line.split()[0] for line in fonts)
    print(f"{'':34s} text extractable: {'yes' if '株式会社ケストレル商会御中' in text else 'NO'};"
          f" fonts subset-embedded: {'yes' if subset else 'NO'} ({len(fonts)} fonts)")


def compare_jpeg(args, gs, ps, empty_ps, kjpg, kjpg_page, kempty_page, gs_jpg_out, work):
    k, g = median_pair(args.runs, lambda: kjpg(kjpg_page),
                       lambda: run(gs + ["-sDEVICE=jpeg", "-r350", f"-dJPEGQ={args.quality}",
                                         f"-sOutputFile={gs_jpg_out}", ps]))
    kjpg_file = kjpg.output(kjpg_page)
    row("dense page -> JPEG (350 dpi)", k, g, "gs jpeg", os.path.getsize(kjpg_file), os.path.getsize(gs_jpg_out))

    # cjpeg encodes the page kestrel drew (decoded) at the same quality and sampling.
    factors, components = sampling(kjpg_file)
    raw = os.path.join(work, "page.pnm")
    with open(raw, "wb") as f:
        subprocess.run(["djpeg", "-pnm", kjpg_file], stdout=f, check=True)
    cj_out = os.path.join(work, "cjpeg.jpg")
    cjpeg = ["cjpeg", "-quality", str(args.quality), "-sample", factors, "-outfile", cj_out, raw]
    if components == 1:
        cjpeg.insert(1, "-grayscale")
    k, c = median_pair(args.runs, lambda: kjpg(kjpg_page), lambda: run(cjpeg))
    row(f"  same page, cjpeg -sample {factors}", k, c, "cjpeg", os.path.getsize(kjpg_file), os.path.getsize(cj_out))
    dense = k

    # The page encoded on two threads (the default) against one.
    two, one = median_pair(args.runs, lambda: kjpg(kjpg_page), lambda: kjpg(kjpg_page, sequential=True))
    print(f"{'  two encoder threads vs one':34s} wall {two[1] * 1000:6.1f} ms against {one[1] * 1000:6.1f} ms"
          f" ({one[1] / two[1]:4.2f}x); CPU {two[0] * 1000:6.1f} ms against {one[0] * 1000:6.1f} ms;"
          f" peak RSS {two[2] / 1024:5.1f} MiB against {one[2] / 1024:5.1f} MiB")

    k, g = median_pair(args.runs, lambda: kjpg(kempty_page),
                       lambda: run(gs + ["-sDEVICE=jpeg", "-r350", f"-dJPEGQ={args.quality}",
                                         f"-sOutputFile={gs_jpg_out}", empty_ps]))
    row("empty page -> JPEG (start-up)", k, g, "gs jpeg")
    # The dense page's own cost: the empty page's run (start-up and a
    # white page encoded) taken off.
    print(f"{'  dense minus empty page':34s} kestrel {(dense[0] - k[0]) * 1000:7.1f} ms CPU"
          f"  cjpeg {c[0] * 1000:7.1f} ms CPU  -> {(dense[0] - k[0]) / c[0]:4.2f}x cjpeg's CPU")


FOLDER_PAGES = 40


def compare_folders(args, gs, ps, kestrel, pdat, work):
    """A folder of FOLDER_PAGES copies of the page: JPEG pages, then one PDF."""
    n = FOLDER_PAGES
    for jpeg in (True, False):
        k = Kestrel(kestrel, work, "folder-jpeg" if jpeg else "folder-pdf", jpeg, args.quality,
                    "$pbar=0\r\n" + ("" if jpeg else "[PDF]\r\n$path=Kestrel PDF\r\n"))
        data = os.path.join(k.base, "data")
        os.makedirs(data, exist_ok=True)
        for i in range(n):
            shutil.copyfile(pdat, os.path.join(data, f"p{i + 1:02d}.pdat"))
        gs_out = os.path.join(work, "gs-folder")

        def kestrel_run():
            shutil.rmtree(os.path.join(k.base, "vpdf"), ignore_errors=True)
            for name in os.listdir(data):
                if name.endswith(".jpg"):
                    os.remove(os.path.join(data, name))
            return run([kestrel, "-h", "1", "-p", f"{data},{0 if jpeg else 2}"], env=k.env)

        def gs_run():
            shutil.rmtree(gs_out, ignore_errors=True)
            os.makedirs(gs_out)
            device = ["-sDEVICE=jpeg", "-r350", f"-dJPEGQ={args.quality}",
                      f"-sOutputFile={gs_out}/p%02d.jpg"] if jpeg else \
                ["-sDEVICE=pdfwrite", f"-sOutputFile={gs_out}/folder.pdf"]
            return run(gs + device + [ps] * n)

        kr, gr = median_pair(args.runs, kestrel_run, gs_run)
        if jpeg:
            written = [f for f in os.listdir(data) if f.endswith(".jpg")]
            k_size = sum(os.path.getsize(os.path.join(data, f)) for f in written)
        else:
            written = [os.path.join(root, f) for root, _, files in os.walk(os.path.join(k.base, "vpdf"))
                       for f in files if f.endswith(".pdf")]
            k_size = sum(os.path.getsize(f) for f in written)
        g_size = sum(os.path.getsize(os.path.join(gs_out, f)) for f in os.listdir(gs_out))
        label = f"{n}-page folder -> {'JPEG pages' if jpeg else 'one PDF'}"
        row(label, kr, gr, "gs (one job)", k_size, g_size)
        pages = len(written) if jpeg else pdf_pages(written)
        print(f"{'':34s} per page: kestrel {kr[0] * 1000 / n:5.1f} ms CPU, gs {gr[0] * 1000 / n:5.1f} ms CPU;"
              f" kestrel wrote {pages} page{'s' if pages != 1 else ''}"
              f"{'' if pages == n else ' (EXPECTED ' + str(n) + ')'}")


def pdf_pages(files):
    pages = 0
    for f in files:
        info = subprocess.run(["pdfinfo", f], capture_output=True, text=True).stdout
        pages += sum(int(line.split()[1]) for line in info.splitlines() if line.startswith("Pages:"))
    return pages


REQUESTS = 16


def requests_at_once(args, kestrel, pdat, work):
    """REQUESTS single-page JPEG requests started together into one base
    folder (each its own copy of the page), with every run logged ($plog=1):
    their wall time against their total CPU divided by the cores, and a check
    that every page and every log line of every request is there."""
    cores = os.cpu_count() or 1

    def base_with(name, count):
        k = Kestrel(kestrel, work, name, True, args.quality, "$plog=1\r\n")
        pages = []
        for i in range(count):
            pages.append(os.path.join(k.base, f"r{i + 1:02d}.pdat"))
            shutil.copyfile(pdat, pages[-1])
        return k, pages

    def log_lines(k):
        folder = os.path.join(k.base, "zoq", "plog")
        total = 0
        for root, _, files in os.walk(folder):
            for f in files:
                with open(os.path.join(root, f), "rb") as fh:
                    total += fh.read().count(b"\n")
        return total

    # The lines one request logs, from a request run alone.
    solo, solo_pages = base_with("alone", 1)
    solo(solo_pages[0])
    per_request = log_lines(solo)

    walls, cpus, lost = [], [], []
    for r in range(args.runs):
        k, pages = base_with(f"many-{r}", REQUESTS)
        start = time.monotonic()
        procs = [subprocess.Popen([kestrel, "-h", "1", "-p", p], env=k.env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL) for p in pages]
        cpu = 0.0
        for proc in procs:
            _, status, usage = os.wait4(proc.pid, 0)
            if os.waitstatus_to_exitcode(status) != 0:
                sys.exit(f"compare: a request of the {REQUESTS} failed ({os.waitstatus_to_exitcode(status)})")
            cpu += usage.ru_utime + usage.ru_stime
        walls.append(time.monotonic() - start)
        cpus.append(cpu)
        missing = sum(1 for p in pages if not os.path.isfile(os.path.splitext(p)[0] + ".jpg"))
        lost.append((REQUESTS * per_request - log_lines(k), missing))
        shutil.rmtree(k.base, ignore_errors=True)
    wall, cpu = statistics.median(walls), statistics.median(cpus)
    lines_lost = max(l for l, _ in lost)
    pages_missing = max(m for _, m in lost)
    print(f"{f'{REQUESTS} requests at once -> JPEG':34s} wall {wall * 1000:6.0f} ms against CPU {cpu * 1000:6.0f} ms"
          f" / {cores} cores = {cpu / cores * 1000:6.0f} ms ({wall / (cpu / cores):4.2f}x);"
          f" log lines lost: {lines_lost} of {REQUESTS * per_request}; pages missing: {pages_missing}")


if __name__ == "__main__":
    main()
