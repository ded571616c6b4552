#!/usr/bin/env python3
"""End-to-end benchmark of whole nurvo runs on large routes.

Builds an optimised nurvo with the bench preset (build-bench/nurvo), or takes --binary, then runs
it on routes that hold 100,000, 200,000 and 400,000 nodes after cutting, each in a fresh directory,
and reports the wall time and the peak resident memory of every run, as GNU time (Debian package
"time") measures them: it starts nurvo from its own small process, so the peak is nurvo's alone, not
that of a forked Python. A run on a two-waypoint route gives the constant part of the memory. Exits with status 1 when time or memory do not grow linearly
(the largest route may take at most 1.5 times its share of the smallest one's) or when memory
exceeds 100 bytes per node over the constant (150 with --export all, whose SVG holds the
projected route). First it times a typical mission (6 waypoints, default options) over many runs:
the whole run in a memory-backed folder (/dev/shm), where the five syncs cost nothing, must take at
most 10 ms (median); on the disk, files synced, at most 50 ms; else status 1 as well. Every large size is run twice: as it is,
and with --export all, whose rows show the cost of the four exports beside the plain run; the SVG
must stay under 2 MB.

Last, the disk ratio: a run on a route of 500,000 nodes (best of 3) against `dd conv=fdatasync`
writing the same bytes (best of 3, warm cache). A run should be bound by the disk, not by
formatting numbers: the ratio must be at most 2.0.

    python3 bench/e2e_bench.py [--binary PATH] [--sizes 100000 200000 400000] [--ratio-nodes N]
"""
import argparse
import os
import shutil
import subprocess
import sys
import statistics
import tempfile
import time

TIME = "/usr/bin/time"
BYTES_PER_NODE_LIMIT = {"plain": 100, "--export all": 150}
GROWTH_TOLERANCE = 1.5
TYPICAL_WAYPOINTS = 6
TYPICAL_RUNS = 25
TYPICAL_LIMIT_MS = 10.0
TYPICAL_DISK_LIMIT_MS = 50.0
MEMORY_FOLDER = "/dev/shm"
RATIO_NODES = 500_000
RATIO_LIMIT = 2.0
BEST_OF = 3
SVG_LIMIT = 2_000_000

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
    """One whole run in a fresh directory: (nodes, seconds, peak bytes, output bytes, SVG bytes)."""
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
        svg = sum(os.path.getsize(os.path.join(d, n)) for n in os.listdir(d) if n.endswith(".svg"))
        return nodes, float(wall), int(kilobytes) * 1024, output, svg
    finally:
        shutil.rmtree(d)


def typical(binary, folder=None):
    """Wall times in milliseconds of repeated runs on a typical route, each in a fresh directory
    (under `folder`), as the operator sees them: process start, reading, writing, syncing and
    exit."""
    times = []
    for _ in range(TYPICAL_RUNS):
        d = tempfile.mkdtemp(prefix="nurvo-e2e-bench-", dir=folder)
        try:
            write_route(os.path.join(d, "route.txt"), TYPICAL_WAYPOINTS)
            start = time.perf_counter()
            p = subprocess.run([binary, "route.txt"], cwd=d, stdout=subprocess.DEVNULL)
            times.append((time.perf_counter() - start) * 1e3)
            if p.returncode != 0:
                sys.exit("nurvo failed with status %d on the typical route" % p.returncode)
        finally:
            shutil.rmtree(d)
    return statistics.median(times), max(times)


def disk_ratio(binary, nodes):
    """Best wall time of a whole run on `nodes` nodes, best wall time of dd writing the same bytes
    with fdatasync, and the output size."""
    d = tempfile.mkdtemp(prefix="nurvo-e2e-bench-")
    try:
        write_route(os.path.join(d, "route.txt"), (nodes - 2) // PIECES + 1)
        run_dir = os.path.join(d, "run")
        best = None
        for _ in range(BEST_OF):
            shutil.rmtree(run_dir, ignore_errors=True)
            os.mkdir(run_dir)
            start = time.perf_counter()
            p = subprocess.run([binary, "--maxLegMeters", MAX_LEG, "../route.txt"], cwd=run_dir,
                               stdout=subprocess.DEVNULL)
            elapsed = time.perf_counter() - start
            if p.returncode != 0:
                sys.exit("nurvo failed with status %d on the ratio route" % p.returncode)
            best = elapsed if best is None else min(best, elapsed)
        # The same bytes as one file, written by dd and synced the same way.
        same = os.path.join(d, "same-bytes")
        with open(same, "wb") as out:
            for name in sorted(os.listdir(run_dir)):
                with open(os.path.join(run_dir, name), "rb") as f:
                    shutil.copyfileobj(f, out)
        size = os.path.getsize(same)
        dd_best = None
        for _ in range(BEST_OF):
            target = os.path.join(d, "dd-out")
            if os.path.exists(target):
                os.remove(target)
            start = time.perf_counter()
            subprocess.run(["dd", "if=" + same, "of=" + target, "bs=1M", "conv=fdatasync"],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            elapsed = time.perf_counter() - start
            dd_best = elapsed if dd_best is None else min(dd_best, elapsed)
        return best, dd_best, size
    finally:
        shutil.rmtree(d)


def growth_ok(rows, base_rss, label):
    """Memory per node within the limit, time and memory growing linearly with the route."""
    ok = True
    for nodes, _, _, per_node in rows:
        if per_node > BYTES_PER_NODE_LIMIT[label]:
            print("FAIL (%s): %d nodes take %.0f bytes per node (limit %d)"
                  % (label, nodes, per_node, BYTES_PER_NODE_LIMIT[label]))
            ok = False
    (n0, t0, m0, _), (n1, t1, m1, _) = rows[0], rows[-1]
    scale = n1 / n0
    if t1 > t0 * scale * GROWTH_TOLERANCE:
        print("FAIL (%s): time grows faster than the route: %.2f s -> %.2f s for %.1fx the nodes"
              % (label, t0, t1, scale))
        ok = False
    if m1 - base_rss > (m0 - base_rss) * scale * GROWTH_TOLERANCE:
        print("FAIL (%s): memory grows faster than the route" % label)
        ok = False
    return ok


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--binary")
    ap.add_argument("--sizes", type=int, nargs="+", default=[100000, 200000, 400000])
    ap.add_argument("--ratio-nodes", type=int, default=RATIO_NODES)
    a = ap.parse_args()
    if not os.path.exists(TIME):
        sys.exit("GNU time is missing: apt-get install time")
    binary = os.path.abspath(a.binary) if a.binary else build()

    ok = True
    for where, folder, limit in (("on the disk", None, TYPICAL_DISK_LIMIT_MS),
                                 ("in memory", MEMORY_FOLDER, TYPICAL_LIMIT_MS)):
        if folder is not None and not os.path.isdir(folder):
            continue
        median_ms, max_ms = typical(binary, folder)
        print("typical, %s: a %d-waypoint mission takes %.1f ms (median of %d runs, slowest "
              "%.1f ms; limit %.0f ms)" % (where, TYPICAL_WAYPOINTS, median_ms, TYPICAL_RUNS,
                                           max_ms, limit))
        if median_ms > limit:
            print("FAIL: a typical mission takes %.1f ms %s" % (median_ms, where))
            ok = False
    _, _, base_rss, _, _ = run(binary, 2, [])
    print("constant: a two-waypoint run peaks at %.1f MB" % (base_rss / 1e6))
    print("| run | nodes | wall s | peak MB | bytes/node over constant | output MB "
          "| s per 100k nodes | SVG MB |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|")
    for label, extra in (("plain", []), ("--export all", ["--export", "all"])):
        rows = []
        for size in sorted(a.sizes):
            waypoints = (size - 2) // PIECES + 1
            nodes, seconds, rss, output, svg = run(binary, waypoints,
                                                   ["--maxLegMeters", MAX_LEG] + extra)
            per_node = (rss - base_rss) / nodes
            rows.append((nodes, seconds, rss, per_node))
            print("| %s | %d | %.2f | %.1f | %.0f | %.0f | %.3f | %s |" % (
                label, nodes, seconds, rss / 1e6, per_node, output / 1e6,
                seconds / nodes * 1e5, "%.2f" % (svg / 1e6) if svg else "-"))
            if svg >= SVG_LIMIT:
                print("FAIL: the SVG of %d nodes takes %d bytes (limit %d)"
                      % (nodes, svg, SVG_LIMIT))
                ok = False
        ok = growth_ok(rows, base_rss, label) and ok
    print("linear growth and memory per node: %s" % ("ok" if ok else "FAILED"))
    run_s, dd_s, size = disk_ratio(binary, a.ratio_nodes)
    ratio = run_s / dd_s
    print("disk ratio: %d nodes, %.1f MB: nurvo %.2f s, dd conv=fdatasync %.2f s (best of %d): "
          "ratio %.2f (limit %.1f)" % (a.ratio_nodes, size / 1e6, run_s, dd_s, BEST_OF, ratio,
                                       RATIO_LIMIT))
    if ratio > RATIO_LIMIT:
        print("FAIL: a run takes %.2f times as long as writing its bytes" % ratio)
        ok = False
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
