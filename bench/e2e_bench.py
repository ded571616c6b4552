#!/usr/bin/env python3
"""End-to-end benchmark of whole nurvo runs on large routes.

Builds an optimised nurvo with the bench preset (build-bench/nurvo), or takes --binary, then runs
it on routes that hold 100,000, 200,000 and 400,000 nodes after cutting, each in a fresh directory,
and reports the wall time and the peak resident memory of every run, as GNU time (Debian package
"time") measures them: it starts nurvo from its own small process, so the peak is nurvo's alone, not
that of a forked Python. A run on a two-waypoint route gives the constant part of the memory. Exits with status 1 when time or memory do not grow linearly
(the largest route may take at most 1.5 times its share of the smallest one's) or when memory
exceeds 300 bytes per node over the constant.

    python3 bench/e2e_bench.py [--binary PATH] [--sizes 100000 200000 400000]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

TIME = "/usr/bin/time"
BYTES_PER_NODE_LIMIT = 300
GROWTH_TOLERANCE = 1.5

# Waypoints zigzag between two parallels 0.009 degrees apart (about 1000.8 m); cut at 100 m every
# leg becomes 11 legs, so a route of w waypoints holds 11 * (w - 1) + 1 nodes, plus the launch.
LAT0, DLAT, LON0, DLON = 36.0, 0.009, -122.0, 0.00001
MAX_LEG = "100"
PIECES = 11


def root():
    return os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def build():
    """The optimised nurvo of the bench preset, built in build-bench/."""
    subprocess.run(["cmake", "--preset", "bench"], cwd=root(), check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", "--preset", "bench", "--target", "nurvo"], cwd=root(),
                   check=True, stdout=subprocess.DEVNULL)
    return os.path.join(root(), "build-bench", "nurvo")


def write_route(path, waypoints):
    with open(path, "w") as f:
        for i in range(waypoints):
            f.write("%.5f %.5f\n" % (LAT0 + DLAT * (i % 2), LON0 + DLON * i))


def run(binary, waypoints, args):
    """One whole run in a fresh directory: (nodes, seconds, peak bytes, output bytes)."""
    d = tempfile.mkdtemp(prefix="nurvo-e2e-bench-")
    try:
        write_route(os.path.join(d, "route.txt"), waypoints)
        measured = os.path.join(d, "time.txt")
        p = subprocess.run([TIME, "-f", "%e %M", "-o", measured, binary] + args + ["route.txt"],
                           cwd=d, stdout=subprocess.DEVNULL)
        if p.returncode != 0:
            sys.exit("nurvo failed with status %d on %d waypoints" % (p.returncode, waypoints))
        with open(measured) as f:
            wall, kilobytes = f.read().split()[-2:]
        os.remove(measured)
        names = [n for n in os.listdir(d) if n.endswith(".wpt")]
        with open(os.path.join(d, names[0])) as f:
            nodes = sum(1 for _ in f)
        output = sum(os.path.getsize(os.path.join(d, n)) for n in os.listdir(d)
                     if n != "route.txt")
        return nodes, float(wall), int(kilobytes) * 1024, output
    finally:
        shutil.rmtree(d)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--binary")
    ap.add_argument("--sizes", type=int, nargs="+", default=[100000, 200000, 400000])
    a = ap.parse_args()
    if not os.path.exists(TIME):
        sys.exit("GNU time is missing: apt-get install time")
    binary = os.path.abspath(a.binary) if a.binary else build()

    _, _, base_rss, _ = run(binary, 2, [])
    print("constant: a two-waypoint run peaks at %.1f MB" % (base_rss / 1e6))
    print("| nodes | wall s | peak MB | bytes/node over constant | output MB | s per 100k nodes |")
    print("|---:|---:|---:|---:|---:|---:|")
    rows = []
    for size in sorted(a.sizes):
        waypoints = (size - 2) // PIECES + 1
        nodes, seconds, rss, output = run(binary, waypoints, ["--maxLegMeters", MAX_LEG])
        per_node = (rss - base_rss) / nodes
        rows.append((nodes, seconds, rss, per_node))
        print("| %d | %.2f | %.1f | %.0f | %.0f | %.3f |" % (
            nodes, seconds, rss / 1e6, per_node, output / 1e6, seconds / nodes * 1e5))

    ok = True
    for nodes, _, _, per_node in rows:
        if per_node > BYTES_PER_NODE_LIMIT:
            print("FAIL: %d nodes take %.0f bytes per node (limit %d)"
                  % (nodes, per_node, BYTES_PER_NODE_LIMIT))
            ok = False
    (n0, t0, m0, _), (n1, t1, m1, _) = rows[0], rows[-1]
    scale = n1 / n0
    if t1 > t0 * scale * GROWTH_TOLERANCE:
        print("FAIL: time grows faster than the route: %.2f s -> %.2f s for %.1fx the nodes"
              % (t0, t1, scale))
        ok = False
    if m1 - base_rss > (m0 - base_rss) * scale * GROWTH_TOLERANCE:
        print("FAIL: memory grows faster than the route")
        ok = False
    print("linear growth and memory per node: %s" % ("ok" if ok else "FAILED"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
