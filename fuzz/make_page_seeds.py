#!/usr/bin/env python3
"""Writes the page target's seed pages (small print-data files) into
fuzz/corpus/page/: every command kind, every fill pattern, line styles,
arcs, strings of every class with texts in the pool."""
import os
import struct
import sys

out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "page")


def rec(*fields, fmt):
    r = struct.pack("<" + fmt, *fields)
    return r + bytes(16 - len(r))


def paper(orient, code, user, copies):
    return rec(16, orient, code, user, 0, copies, fmt="BBhhBB")


def palette(i, r, g, b):
    return rec(17, i, r, g, b, fmt="BBBBB")


def paint(c, x1, y1, x2, y2, pattern):
    return rec(2, c, x1, y1, x2, y2, pattern, fmt="BBHHHHB")


def line(c, x0, y0, x1, y1, style):
    return rec(1, c, x0, y0, x1, y1, style, fmt="BBHHHHH")


def circle(c, cx, cy, end, start, radius):
    return rec(3, c, cx, cy, end, start, radius, fmt="BBHHHHH")


def string(c, x, y, face, cls, w, h, pitch, offset):
    return rec(5, c, x, y, face, cls, w, h, pitch, offset, fmt="BBHHBBBBhi")


END = rec(255, fmt="B")


def write(name, body, pool=b""):
    with open(os.path.join(out, name), "wb") as f:
        f.write(body + END + pool)


os.makedirs(out, exist_ok=True)
write("fills", paper(0, 140, 140, 1) + palette(3, 200, 10, 10) +
      b"".join(paint(3, 10 + 20 * p, 10, 30 + 20 * p, 60, p) for p in range(17)))
write("lines", paper(1, 130, 140, 2) + b"".join(
    line(i, 10, 10 * i, 400, 20 * i, s) for i, s in enumerate([0xFFFF, 0xF0F0, 0x3333, 0xFAFA, 0xEAEA, 0x1234])))
write("arcs", paper(0, 150, 240, 1) + circle(1, 200, 200, 360, 0, 50) + circle(2, 300, 300, 90, 270, 80) +
      circle(60, 100, 100, 0, 0, 0))
pool = b"ABC\x00\x83\x65\x83\x58\x83\x67\x00\x30\x21\x30\x22\x76\x21\x00"
write("strings", paper(0, 140, 140, 1) + string(0, 50, 50, 0, 0, 10, 10, 0, 0) +
      string(1, 50, 80, 1, 1, 12, 12, 2, 4) + string(2, 50, 120, 2, 3, 20, 20, -1, 10) +
      string(2, 50, 160, 0, 5, 8, 16, 0, 1 << 20), pool)
write("mixed", palette(49, 1, 2, 3) + palette(50, 9, 9, 9) + paint(49, 500, 500, 10, 10, 1) +
      line(49, 0, 0, 65535, 65535, 0xFFFF) + string(49, 1, 1, 0, 4, 255, 255, 32767, -1), b"\x00")
