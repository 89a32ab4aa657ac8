#!/usr/bin/env python3
"""The dense page as a PDF, rendered back, against the same page as a JPEG.

    bench/pdf_render_check.py [--build build/release ...] [--dpi 350 ...]

Writes the dense benchmark page with the dense-page tool, prints it with the
first build's kestrel as a JPEG page at each resolution (quality 100) and
with every build's kestrel as a PDF on the built-in device, renders each PDF
with pdftoppm at that resolution without anti-aliasing and counts the grey
pixels that differ from the JPEG page by more than 30 % of the range: a
drawing lost or misplaced shows as a large count. At the PDF device's own
resolution (600 dpi) lines, fills and tiles meet the same pixels; at other
resolutions the renderer resamples the 600-dpi tiles and line edges, so the
count is a level to compare builds by, not zero. kestrel runs with CUPS
hidden (KESTREL_NO_CUPS=1) under a scratch base folder. Needs poppler-utils
and libjpeg-turbo-progs.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile


def read_pgm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    if fields[0] != b"P5":
        sys.exit(f"render check: {path} is not a grey PGM")
    width, height = int(fields[1]), int(fields[2])
    return width, height, memoryview(data)[at + 1:at + 1 + width * height]


def kestrel(program, base, page, settings):
    shutil.rmtree(base, ignore_errors=True)
    os.makedirs(os.path.join(base, "zoq"))
    with open(os.path.join(base, "zoq", "kestrel.inf"), "wb") as f:
        f.write(("[SETTING]\r\n" + "".join(s + "\r\n" for s in settings)).encode("ascii"))
    target = os.path.join(base, "dense.pdat")
    shutil.copyfile(page, target)
    env = dict(os.environ, KESTREL_NO_CUPS="1", KESTREL_UI="headless", KESTREL_BASE=base + "/")
    env.pop("DISPLAY", None)
    # -h: a caller's window number, so that no page label is drawn.
    subprocess.run([program, "-h", "1", "-p", target], env=env, check=True, stdout=subprocess.DEVNULL)
    return base


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build", action="append", help="a build folder (repeat to compare builds)")
    ap.add_argument("--dpi", action="append", type=int, help="resolutions (default 350 and 600)")
    args = ap.parse_args()
    builds = args.build or [os.path.join(here, "..", "build", "release")]
    resolutions = args.dpi or [350, 600]
    for tool in ("pdftoppm", "djpeg"):
        if shutil.which(tool) is None:
            sys.exit(f"render check: {tool} is missing (scripts/setup.sh installs it)")
    work = tempfile.mkdtemp(prefix="kestrel-render-check-")
    try:
        page = os.path.join(work, "dense.pdat")
        subprocess.run([os.path.join(builds[0], "bench", "dense-page"), page, os.path.join(work, "dense.ps")],
                       check=True)
        pdfs = []
        for i, build in enumerate(builds):
            base = kestrel(os.path.join(build, "kestrel"), os.path.join(work, f"pdf{i}"), page, ["$jpeg=0"])
            pdfs.append(os.path.join(base, "vpdf", "dense.pdf"))
        for dpi in resolutions:
            base = kestrel(os.path.join(builds[0], "kestrel"), os.path.join(work, f"jpeg{dpi}"), page,
                           ["$jpeg=1", "$jquality=100", f"$jdpi={dpi}"])
            reference = os.path.join(work, f"jpeg{dpi}.pgm")
            with open(reference, "wb") as f:
                subprocess.run(["djpeg", "-grayscale", "-pnm", os.path.join(base, "dense.jpg")], stdout=f, check=True)
            rw, rh, rpix = read_pgm(reference)
            for build, pdf in zip(builds, pdfs):
                stem = os.path.join(work, "render")
                subprocess.run(["pdftoppm", "-r", str(dpi), "-gray", "-aa", "no", "-aaVector", "no", "-singlefile",
                                pdf, stem], check=True)
                w, h, pix = read_pgm(stem + ".pgm")
                width, height = min(w, rw), min(h, rh)
                differ = 0
                for y in range(height):
                    a = pix[y * w:y * w + width]
                    b = rpix[y * rw:y * rw + width]
                    if a == b:
                        continue
                    differ += sum(1 for p, q in zip(a, b) if abs(p - q) > 76)
                print(f"{dpi:4d} dpi  {build}: {os.path.getsize(pdf) / 1024:.0f} KB PDF;"
                      f" {differ} of {width * height} pixels differ from the JPEG page"
                      f" ({100.0 * differ / (width * height):.2f} %)")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
