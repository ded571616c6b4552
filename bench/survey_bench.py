#!/usr/bin/env python3
"""Benchmark of whole survey runs: wall time and peak resident memory (GNU time, Debian package
"time") of nurvo planning two areas, each in a fresh directory:

  square    a 10 km x 10 km area at 20 m spacing, lines north-south and with --line-heading auto;
  coast     a coastline of 1000 vertices about 20 km across with 20 islands (keep-outs of 20 to 40
            vertices, margin 50 m) at 50 m spacing, with a fixed heading and with auto.

    python3 bench/survey_bench.py [--binary build-bench/nurvo]
"""
import argparse
import math
import os
import random
import subprocess
import sys
import tempfile

TIME = "/usr/bin/time"
LAT0, LON0 = 36.8, -121.9
M_PER_DEG_LAT = 111194.93


def to_geo(x, y):
    lat = LAT0 + y / M_PER_DEG_LAT
    lon = LON0 + x / (M_PER_DEG_LAT * math.cos(math.radians(LAT0)))
    return lat, lon


def write_ring(path, pts):
    with open(path, "w") as f:
        for x, y in pts:
            f.write("%.7f %.7f\n" % to_geo(x, y))


def star(rng, cx, cy, radius, n, rough):
    pts = []
    for i in range(n):
        a = 2 * math.pi * i / n
        # A coast of bays and headlands, with small-scale roughness on top.
        r = radius * (1 - rough * (0.5 + 0.5 * math.sin(7 * a)) - 0.01 * rng.random())
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def run(binary, args, workdir):
    out = subprocess.run([TIME, "-f", "%e %M", binary] + args, cwd=workdir,
                         capture_output=True, text=True)
    if out.returncode != 0:
        sys.exit("nurvo failed: %s%s" % (out.stdout, out.stderr))
    secs, kb = out.stderr.strip().splitlines()[-1].split()
    return float(secs), int(kb)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--binary", default="build-bench/nurvo")
    binary = os.path.abspath(ap.parse_args().binary)
    rng = random.Random(7)
    rows = []
    with tempfile.TemporaryDirectory() as d:
        write_ring(os.path.join(d, "square.txt"),
                   [(-5000, -5000), (5000, -5000), (5000, 5000), (-5000, 5000)])
        write_ring(os.path.join(d, "coast.txt"), star(rng, 0, 0, 10000, 1000, 0.2))
        islands = []
        for k in range(20):
            a = 2 * math.pi * k / 20
            r = 2000 + 2000 * (k % 3)
            name = "island%d.txt" % k
            write_ring(os.path.join(d, name),
                       star(rng, r * math.cos(a), r * math.sin(a), 250, 20 + k, 0.3))
            islands += ["--keep-out", name]
        cases = [
            ("square 10 km, 20 m, heading 0", ["--line-spacing", "20", "--line-heading", "0",
                                               "--area", "square.txt"]),
            ("square 10 km, 20 m, auto", ["--line-spacing", "20", "--area", "square.txt"]),
            ("coast 1000 vertices + 20 islands, 50 m, heading 30",
             ["--line-spacing", "50", "--line-heading", "30"] + islands + ["--area", "coast.txt"]),
            ("coast 1000 vertices + 20 islands, 50 m, auto",
             ["--line-spacing", "50"] + islands + ["--area", "coast.txt"]),
        ]
        for name, args in cases:
            work = tempfile.mkdtemp(dir=d)
            for f in os.listdir(d):
                if f.endswith(".txt"):
                    os.symlink(os.path.join(d, f), os.path.join(work, f))
            secs, kb = run(binary, ["--verbose"] + args, work)
            rows.append((name, secs, kb / 1024))
    print("%-55s %9s %10s" % ("case", "seconds", "peak MiB"))
    for name, secs, mib in rows:
        print("%-55s %9.2f %10.1f" % (name, secs, mib))


if __name__ == "__main__":
    main()
