#!/usr/bin/env python3
"""Real-coast survey runs for nurvo (measurement only).

For each of seven coasts this script
  1. builds a survey area of water from GSHHG full-resolution shorelines (GMT 6):
     shoreline segments from `gmt coast -Df -A0/1/1 -W -M` are noded with the box
     boundary and polygonized in shapely; every face is tested as land or water
     with `gmt select -Nk/s` on a representative point; the water faces are
     unioned and the largest water polygon is kept (islands become holes);
  2. writes it as a GeoJSON Polygon (areas/<slug>.geojson, lon/lat);
  3. runs nurvo (--binary) on it in a fresh directory runs/<slug>/ with
     `--area area.geojson --line-spacing 50 --line-heading auto --verbose`
     (plus --run-in 50 for one coast, a keep-out file of two wrecks for another),
     timed with /usr/bin/time -v; `--export geojson` is added so that the kind of
     every written waypoint (launch / move / line end / inserted) is known;
  4. checks the plan independently on the positions as written (.wpt, 4 decimals),
     in an azimuthal equidistant plane (sphere R = 6371 km) around the area's centre:
     legs leaving the outer ring of the water polygon (count, max metres outside),
     legs entering holes (islands), legs entering keep-out margins, the launch
     waypoint in water, the spacing between adjacent survey lines, and coverage;
  5. writes results.json and results.md in the --out folder.

Needs the Debian packages gmt, gmt-gshhg-full and python3-shapely.

Usage:  python3 bench/real_coasts.py [--binary NURVO] [--out DIR] [--only SLUG[,SLUG]]
                                     [--areas-only] [--no-build] [--list]
"""
import os
import sys

try:  # the Debian python3-shapely lives with /usr/bin/python3
    import shapely  # noqa: F401
    import numpy  # noqa: F401
except ImportError:
    if os.path.realpath(sys.executable) != os.path.realpath("/usr/bin/python3") and \
            os.path.exists("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    raise

import argparse
import glob
import json
import math
import re
import shutil
import subprocess
import time

import numpy as np
from shapely.geometry import LineString, MultiPolygon, Point, Polygon, box, mapping
from shapely.ops import polygonize, unary_union
from shapely.validation import explain_validity

# Set by main from --binary and --out.
HERE = NURVO = AREAS = RUNS = None
R_EARTH = 6371000.0
SPACING = 50.0
MIN_HOLE_M2 = 300.0          # islands smaller than this are dropped (GSHHG rocks of a few m2)
KEEP_OUT_MARGIN = 50.0       # nurvo's default margin, metres

# slug, name, box (west, east, south, north; east may exceed 180 across the antimeridian), extras
COASTS = [
    dict(slug="monterey", name="Monterey Bay (California)",
         box=(-121.95, -121.85, 36.58, 36.66), extra=[]),
    dict(slug="stockholm", name="Stockholm skerries (Sweden)",
         box=(18.70, 18.90, 59.35, 59.45), extra=[]),
    dict(slug="bergen", name="Bergen (Norway)",
         box=(5.15, 5.35, 60.33, 60.45), extra=["--run-in", "50"]),
    dict(slug="brittany", name="Brittany, Golfe du Morbihan (France)",
         box=(-2.95, -2.78, 47.53, 47.61), extra=[]),
    dict(slug="croatia", name="Croatian islands, Kornati (Adriatic)",
         box=(15.22, 15.40, 43.76, 43.86), extra=["KEEPOUT"]),
    dict(slug="svalbard", name="Svalbard, Isfjorden at Longyearbyen",
         box=(15.35, 15.75, 78.20, 78.28), extra=[]),
    dict(slug="taveuni", name="Taveuni (Fiji), across 180",
         box=(179.93, 180.09, -16.86, -16.74), extra=[]),
    # variants of the runs above
    dict(slug="bergen_oparea", name="Bergen, run-in 50 with an operating area (water of the box grown by 0.02 deg)",
         box=(5.15, 5.35, 60.33, 60.45), extra=["--run-in", "50", "OPAREA"], area_of="bergen", oparea_grow=0.02),
    dict(slug="monterey_oparea", name="Monterey, run-in 50 with an operating area (water of the box grown by 0.01 deg)",
         box=(-121.95, -121.85, 36.58, 36.66), extra=["--run-in", "50", "OPAREA"], area_of="monterey", oparea_grow=0.01),
    dict(slug="svalbard_oparea", name="Svalbard, run-in 50 with an operating area (water of the box grown by 0.01 deg)",
         box=(15.35, 15.75, 78.20, 78.28), extra=["--run-in", "50", "OPAREA"], area_of="svalbard", oparea_grow=0.01),
    dict(slug="taveuni_cut180", name="Taveuni, area written as a MultiPolygon cut at 180",
         box=(179.93, 180.09, -16.86, -16.74), extra=[], area_of="taveuni", area_file="taveuni_cut180.geojson"),
    dict(slug="taveuni_gt180", name="Taveuni, area written with longitudes above 180",
         box=(179.93, 180.09, -16.86, -16.74), extra=[], area_of="taveuni", area_file="taveuni_east_gt180.geojson"),
]


def sh(cmd, inp=None):
    r = subprocess.run(cmd, input=inp, capture_output=True, text=True, cwd=HERE)
    if r.returncode != 0:
        raise RuntimeError("%s failed: %s" % (" ".join(cmd), r.stderr))
    return r.stdout


def region(b):
    return "-R%.6f/%.6f/%.6f/%.6f" % b


def unwrap(lon, b):
    """Longitudes continuous over the box (east of 180 given as > 180)."""
    if b[1] > 180.0 and lon < b[0] - 1e-9:
        return lon + 360.0
    return lon


def wrap(lon):
    return lon - 360.0 if lon > 180.0 else lon


# ---------------------------------------------------------------- area from GSHHG
def shoreline_lines(b):
    out = sh(["gmt", "coast", region(b), "-Df", "-A0/1/1", "-W", "-M"])
    lines, cur = [], []
    for ln in out.splitlines():
        if ln.startswith(">"):
            if len(cur) >= 2:
                lines.append(LineString(cur))
            cur = []
            continue
        p = ln.split()
        if len(p) >= 2:
            lon, lat = unwrap(float(p[0]), b), float(p[1])
            lon = min(max(lon, b[0]), b[1])
            lat = min(max(lat, b[2]), b[3])
            if not cur or (lon, lat) != cur[-1]:
                cur.append((lon, lat))
    if len(cur) >= 2:
        lines.append(LineString(cur))
    return lines


def wet_flags(points, b):
    """True where GSHHG (full, ocean level only) says the point is in the ocean."""
    txt = "".join("%.10f %.10f %d\n" % (p.x, p.y, i) for i, p in enumerate(points))
    out = sh(["gmt", "select", region(b), "-fg", "-Df", "-A0/1/1", "-Nk/s"], txt)
    wet = set()
    for ln in out.splitlines():
        p = ln.split()
        if len(p) >= 3:
            wet.add(int(float(p[2])))
    return [i in wet for i in range(len(points))]


def build_water(b):
    b = tuple(round(v, 6) for v in b)   # the box exactly as GMT is given it
    bx = box(b[0], b[2], b[1], b[3])
    lines = shoreline_lines(b)
    noded = unary_union(lines + [bx.exterior])
    faces = [f for f in polygonize(noded) if f.area > 0]
    faces = [f.buffer(0) if not f.is_valid else f for f in faces]
    flags = wet_flags([f.representative_point() for f in faces], b)
    if not any(flags):
        raise RuntimeError("no water face in box %s" % (b,))
    water = unary_union([f for f, w in zip(faces, flags) if w])
    parts = list(water.geoms) if isinstance(water, MultiPolygon) else [water]
    return parts, len(lines), len(faces), sum(flags)


# ---------------------------------------------------------------- projection
class AEQD:
    """Azimuthal equidistant on a sphere of 6371 km around (lon0, lat0)."""

    def __init__(self, lon0, lat0):
        self.lon0, self.lat0 = math.radians(lon0), math.radians(lat0)

    def fwd(self, lon, lat):
        lon = np.radians(np.asarray(lon, float))
        lat = np.radians(np.asarray(lat, float))
        dl = lon - self.lon0
        dl = (dl + math.pi) % (2 * math.pi) - math.pi
        cosc = math.sin(self.lat0) * np.sin(lat) + math.cos(self.lat0) * np.cos(lat) * np.cos(dl)
        cosc = np.clip(cosc, -1, 1)
        c = np.arccos(cosc)
        k = np.where(c < 1e-12, 1.0, c / np.where(np.sin(c) == 0, 1, np.sin(c)))
        x = R_EARTH * k * np.cos(lat) * np.sin(dl)
        y = R_EARTH * k * (math.cos(self.lat0) * np.sin(lat) -
                           math.sin(self.lat0) * np.cos(lat) * np.cos(dl))
        return x, y

    def ring(self, coords):
        a = np.asarray(coords, float)
        x, y = self.fwd(a[:, 0], a[:, 1])
        return list(zip(x, y))

    def poly(self, p):
        return Polygon(self.ring(p.exterior.coords), [self.ring(h.coords) for h in p.interiors])


def metric_area(p):
    c = p.centroid
    return AEQD(c.x, c.y).poly(p).area


def clean_area(parts):
    """Largest water polygon, tiny holes dropped, made valid."""
    parts = sorted(parts, key=metric_area, reverse=True)
    main = parts[0]
    c = main.centroid
    prj = AEQD(c.x, c.y)
    holes = [h for h in main.interiors if prj.poly(Polygon(h)).area >= MIN_HOLE_M2]
    dropped = len(main.interiors) - len(holes)
    poly = Polygon(main.exterior, holes)
    if not poly.is_valid:
        poly = poly.buffer(0)
    return poly, dropped, len(parts)


def ring_coords(ring, ccw, wrap_lon):
    r = Polygon(ring)
    cs = list(r.exterior.coords)
    # shapely: exterior.is_ccw
    if r.exterior.is_ccw != ccw:
        cs = cs[::-1]
    return [[round(wrap(x) if wrap_lon else x, 7), round(y, 7)] for x, y in cs]


def write_polygon_geojson(poly, path, wrap_lon):
    rings = [ring_coords(poly.exterior, True, wrap_lon)] + \
            [ring_coords(h, False, wrap_lon) for h in poly.interiors]
    doc = {"type": "Polygon", "coordinates": rings}
    with open(path, "w") as f:
        json.dump(doc, f)
        f.write("\n")


def write_multipolygon_cut_at_180(poly, path):
    """The area cut at the antimeridian into a MultiPolygon (as nurvo's own export does)."""
    west = poly.intersection(box(poly.bounds[0] - 1, -90, 180.0, 90))
    east = poly.intersection(box(180.0, -90, poly.bounds[2] + 1, 90))
    polys = []
    for g, shift in ((west, 0.0), (east, -360.0)):
        gs = list(g.geoms) if hasattr(g, "geoms") else [g]
        for p in gs:
            if not isinstance(p, Polygon) or p.is_empty:
                continue
            ext = [[round(x + shift, 7), round(y, 7)] for x, y in
                   (p.exterior.coords if p.exterior.is_ccw else p.exterior.coords[::-1])]
            holes = []
            for h in p.interiors:
                hc = list(h.coords)
                if h.is_ccw:
                    hc = hc[::-1]
                holes.append([[round(x + shift, 7), round(y, 7)] for x, y in hc])
            polys.append([ext] + holes)
    with open(path, "w") as f:
        json.dump({"type": "MultiPolygon", "coordinates": polys}, f)
        f.write("\n")
    return len(polys)


def wrecks_for(poly, prj):
    """Two wreck positions in open water of the area (at least 300 m from any shore)."""
    pm = prj.poly(poly)
    inner = pm.buffer(-300)
    if inner.is_empty:
        inner = pm.buffer(-100)
    c = inner.representative_point()
    # second wreck: a point of inner about 1 km away
    cands = []
    for ang in range(0, 360, 15):
        for d in (1000, 800, 1500, 600, 2000):
            q = Point(c.x + d * math.cos(math.radians(ang)), c.y + d * math.sin(math.radians(ang)))
            if inner.contains(q):
                cands.append((abs(d - 1000), ang, q))
    q = sorted(cands, key=lambda t: (t[0], t[1]))[0][2] if cands else Point(c.x + 200, c.y)
    return [c, q]


def inverse(prj, x, y):
    """Inverse AEQD for a point (lon, lat)."""
    rho = math.hypot(x, y)
    if rho < 1e-9:
        return math.degrees(prj.lon0), math.degrees(prj.lat0)
    c = rho / R_EARTH
    lat = math.asin(math.cos(c) * math.sin(prj.lat0) + y * math.sin(c) * math.cos(prj.lat0) / rho)
    lon = prj.lon0 + math.atan2(x * math.sin(c),
                                rho * math.cos(prj.lat0) * math.cos(c) - y * math.sin(prj.lat0) * math.sin(c))
    return math.degrees(lon), math.degrees(lat)


# ---------------------------------------------------------------- nurvo run
def parse_time_v(txt):
    wall = rss = None
    m = re.search(r"Elapsed \(wall clock\) time \(h:mm:ss or m:ss\): ([\d:.]+)", txt)
    if m:
        parts = [float(x) for x in m.group(1).split(":")]
        wall = 0.0
        for p in parts:
            wall = wall * 60 + p
    m = re.search(r"Maximum resident set size \(kbytes\): (\d+)", txt)
    if m:
        rss = int(m.group(1)) / 1024.0
    return wall, rss


def parse_summary(out):
    s = {}
    keys = {"heading": "heading", "lines": "lines", "tie lines": "tie_lines",
            "line length, km": "line_km", "move length, km": "move_km", "turns": "turns",
            "coverage, percent": "coverage", "lead-in": "lead_in"}
    on = False
    for ln in out.splitlines():
        if ln.strip().startswith("Survey:"):
            on = True
            continue
        if on:
            m = re.match(r"\s*([a-z ,\-]+?)\.{2,}(.*)$", ln)
            if not m:
                if ln.strip().startswith("****"):
                    break
                continue
            k, v = m.group(1).strip(), m.group(2).strip()
            s[keys.get(k, k)] = v
    return s


def parse_lat(t):
    t = t.strip()
    sgn = -1.0 if t[0] in "SsWw" else 1.0
    t = t.lstrip("NnSsEeWw")
    return sgn * float(t)


def read_wpt(path):
    pts = []
    with open(path) as f:
        for ln in f:
            p = ln.strip().split(",")
            if len(p) < 3:
                continue
            pts.append((int(p[0]), parse_lat(p[1]), parse_lat(p[2])))
    return pts


def message_of(r):
    """nurvo's refusal or failure text: its last line that is neither the parameter listing nor a warning."""
    if r["rc"] == 0:
        return ""
    lines = [ln.strip() for ln in (r["stdout"] + "\n" + r["stderr"]).splitlines()]
    lines = [ln for ln in lines if ln and "...." not in ln and not ln.startswith("Parameters Set")
             and not ln.startswith("warning:") and not ln.startswith("Command exited")]
    return lines[-1] if lines else "status %d" % r["rc"]


def run_nurvo(c, area_file, keepout_file, rundir, oparea_file=None):
    if os.path.isdir(rundir):
        shutil.rmtree(rundir)
    os.makedirs(rundir)
    shutil.copy(area_file, os.path.join(rundir, "area.geojson"))
    args = [NURVO, "--area", "area.geojson", "--line-spacing", "%g" % SPACING,
            "--line-heading", "auto", "--verbose"]
    for e in c["extra"]:
        if e == "KEEPOUT":
            shutil.copy(keepout_file, os.path.join(rundir, "wrecks.geojson"))
            args += ["--keep-out", "wrecks.geojson"]
        elif e == "OPAREA":
            shutil.copy(oparea_file, os.path.join(rundir, "oparea.geojson"))
            args += ["--operating-area", "oparea.geojson"]
        else:
            args.append(e)
    args += ["--export", "geojson"]
    cmd = ["/usr/bin/time", "-v"] + args
    t0 = time.time()
    r = subprocess.run(cmd, cwd=rundir, capture_output=True, text=True)
    t1 = time.time()
    with open(os.path.join(rundir, "stdout.txt"), "w") as f:
        f.write(r.stdout)
    with open(os.path.join(rundir, "stderr.txt"), "w") as f:
        f.write(r.stderr)
    with open(os.path.join(rundir, "command.txt"), "w") as f:
        f.write("cd %s && %s\n" % (rundir, " ".join(["nurvo" if a == NURVO else a for a in args])))
    wall, rss = parse_time_v(r.stderr)
    tidx = r.stderr.find("\tCommand being timed")
    nurvo_err = r.stderr[:tidx] if tidx >= 0 else r.stderr
    return dict(rc=r.returncode, wall=wall if wall is not None else t1 - t0, rss_mb=rss,
                stdout=r.stdout, stderr=nurvo_err, args=args)


# ---------------------------------------------------------------- independent check
def sample_max_outside(seg_part, dist_fn, step=1.0):
    best = 0.0
    geoms = list(seg_part.geoms) if hasattr(seg_part, "geoms") else [seg_part]
    for g in geoms:
        if g.is_empty or g.length == 0:
            continue
        n = max(2, int(g.length / step) + 1)
        for i in range(n):
            p = g.interpolate(i * g.length / (n - 1))
            best = max(best, dist_fn(p))
    return best


def check_plan(poly, rundir, wrecks_lonlat, spacing, heading_deg, margin, oparea=None):
    """Legs are checked against the operating area (the area itself unless given)."""
    c = poly.centroid
    prj = AEQD(c.x, c.y)
    W = prj.poly(poly)
    OP = prj.poly(oparea) if oparea is not None else W
    outer = Polygon(OP.exterior)
    holes = [Polygon(h) for h in OP.interiors]
    wpts = sorted(glob.glob(os.path.join(rundir, "20*.wpt")))
    if not wpts:
        return None
    pts = read_wpt(wpts[-1])
    lon = [p[2] for p in pts]
    lat = [p[1] for p in pts]
    x, y = prj.fwd(lon, lat)
    P = list(zip(x, y))
    kinds = {}
    gj = sorted(glob.glob(os.path.join(rundir, "20*.geojson")))
    if gj:
        d = json.load(open(gj[-1]))
        for f in d.get("features", []):
            pr = f.get("properties", {})
            if "number" in pr:
                kinds[pr["number"]] = pr.get("kind")
    keep = [Point(*[float(v) for v in prj.fwd(lo, la)]) for lo, la in wrecks_lonlat]
    keep_zone = unary_union([k.buffer(margin, 64) for k in keep]) if keep else None

    res = dict(waypoints=len(P), legs=len(P) - 1)
    leave = []      # (leg index, max m outside)
    hole_hits = []  # (leg index, hole index, max m inside)
    keep_hits = []
    for i in range(len(P) - 1):
        a, b = P[i], P[i + 1]
        if a == b:
            continue
        seg = LineString([a, b])
        if not outer.covers(seg):
            out_part = seg.difference(outer)
            m = sample_max_outside(out_part, lambda p: outer.exterior.distance(p)) if not out_part.is_empty else 0.0
            leave.append((i, m))
        for j, h in enumerate(holes):
            if seg.intersects(h):
                inter = seg.intersection(h)
                if inter.length > 0:
                    m = sample_max_outside(inter, lambda p, h=h: h.exterior.distance(p))
                    hole_hits.append((i, j, m))
        if keep:
            for k in keep:
                dmin = seg.distance(k)
                if dmin < margin - 1e-6:
                    keep_hits.append((i, margin - dmin))
    res["legs_leaving_water"] = len(leave)
    res["max_m_outside"] = round(max([m for _, m in leave], default=0.0), 2)
    res["leaving_detail"] = [dict(leg="%d-%d" % (i, i + 1), m=round(m, 2)) for i, m in leave[:20]]
    res["legs_entering_holes"] = len(hole_hits)
    res["max_m_in_hole"] = round(max([m for _, _, m in hole_hits], default=0.0), 2)
    res["hole_detail"] = [dict(leg="%d-%d" % (i, i + 1), hole=j, m=round(m, 2)) for i, j, m in hole_hits[:20]]
    res["legs_in_keepout_margin"] = len(keep_hits)
    res["max_m_into_margin"] = round(max([m for _, m in keep_hits], default=0.0), 2)
    # launch waypoint
    p0 = Point(P[0])
    in_water = OP.covers(p0) and not (keep_zone is not None and keep_zone.contains(p0))
    res["launch"] = dict(kind=kinds.get(0), lat=lat[0], lon=lon[0], in_water=bool(in_water),
                         dist_to_shore_m=round(OP.boundary.distance(p0), 1),
                         launch_leg_m=round(math.dist(P[0], P[1]), 1) if len(P) > 1 else None,
                         first_kinds=[kinds.get(i) for i in range(min(4, len(P)))])
    # legs by kind; survey lines = chains of line-end/inserted legs parallel to the heading
    res["kinds"] = {k: sum(1 for v in kinds.values() if v == k) for k in set(kinds.values())}
    h = math.radians(heading_deg)
    u = np.array([math.sin(h), math.cos(h)])          # along the lines (x east, y north)
    nrm = np.array([math.cos(h), -math.sin(h)])       # across
    lines = []
    i = 0
    while i < len(P) - 1:
        ka, kb = kinds.get(i), kinds.get(i + 1)
        if ka in ("line end",) and kb in ("line end", "inserted"):
            # extend through inserted points
            j = i + 1
            while kinds.get(j) == "inserted" and j < len(P) - 1:
                j += 1
            v = np.array(P[j]) - np.array(P[i])
            L = float(np.hypot(*v))
            ang = math.degrees(math.acos(min(1.0, abs(float(v @ u)) / L))) if L > 0 else 90.0
            shift = abs(float(v @ nrm))  # across the lines: at most the rounding of both ends
            if L >= 15.0 and shift <= 12.0 and kinds.get(j) == "line end":
                lines.append((i, j, L, ang))
                i = j  # the next leg from j is a turn or a move
                continue
        i += 1
    res["survey_lines_found"] = len(lines)
    beyond = [sample_max_outside(LineString([P[a], P[bb]]).difference(W), lambda p: W.boundary.distance(p), 2.0)
              for a, bb, _, _ in lines if not W.covers(LineString([P[a], P[bb]]))]
    res["lines_beyond_area"] = len(beyond)
    res["max_line_beyond_area_m"] = round(max(beyond, default=0.0), 1)
    # clearance of all legs from the edges of the operating water (shore, holes)
    res["min_leg_clearance_m"] = round(min((LineString([P[i], P[i + 1]]).distance(OP.boundary)
                                            for i in range(len(P) - 1) if P[i] != P[i + 1]), default=0.0), 2)
    res["survey_line_km"] = round(sum(L for *_, L, _a in lines) / 1000.0, 3)
    res["max_line_angle_dev_deg"] = round(max([a for *_, a in lines], default=0.0), 3)
    # adjacent-line spacing: for each line, the nearest line on its + side whose along-track
    # interval overlaps it by at least 20 m; the gap counts where water lies between them
    segs = []
    for a, bb, L, _ in lines:
        pa, pb = np.array(P[a]), np.array(P[bb])
        o = float(((pa + pb) / 2) @ nrm)
        s0, s1 = sorted([float(pa @ u), float(pb @ u)])
        segs.append((o, s0, s1))
    gaps = []
    big = []
    gaps_water = []
    for k, (o, s0, s1) in enumerate(segs):
        best = None
        for k2, (o2, t0, t1) in enumerate(segs):
            if k2 == k or o2 <= o + 1.0:
                continue
            ov = min(s1, t1) - max(s0, t0)
            if ov < 20.0:
                continue
            if best is None or o2 < best[0]:
                best = (o2, max(s0, t0), min(s1, t1))
        if best is None:
            continue
        g = best[0] - o
        gaps.append(g)
        if g <= spacing + 0.5:
            gaps_water.append(g)
        if g > spacing + 0.5:
            # is there water between them? (the strip between, inside the area less holes)
            om = (o + best[0]) / 2
            sm0, sm1 = best[1], best[2]
            mid = LineString([tuple(om * nrm + sm0 * u), tuple(om * nrm + sm1 * u)])
            wet = mid.intersection(W).length
            mp = om * nrm + ((sm0 + sm1) / 2) * u
            mlon, mlat = inverse(prj, float(mp[0]), float(mp[1]))
            if wet > 20.0:
                gaps_water.append(g)
            big.append(dict(gap_m=round(g, 1), water_between_m=round(wet, 1),
                            overlap_m=round(sm1 - sm0, 1), mid_lat=round(mlat, 5), mid_lon=round(wrap(mlon), 5)))
    res["adjacent_pairs"] = len(gaps)
    res["min_gap_m"] = round(min(gaps), 2) if gaps else None
    res["max_gap_m"] = round(max(gaps), 2) if gaps else None
    res["max_gap_water_m"] = round(max(gaps_water), 2) if gaps_water else None
    res["median_gap_m"] = round(float(np.median(gaps)), 2) if gaps else None
    over = [b for b in big if b["water_between_m"] > 20.0]
    res["gaps_over_spacing_with_water"] = len(over)
    res["max_gap_over_water_m"] = max([b["gap_m"] for b in over], default=None)
    res["gap_detail"] = over[:10]
    # coverage: share of the area (less holes and keep-out margins) within half a spacing of a line
    A = W if keep_zone is None else W.difference(keep_zone)
    if lines:
        cover = unary_union([LineString([P[a], P[bb]]).buffer(spacing / 2.0, 8) for a, bb, _, _ in lines])
        res["coverage_check_pct"] = round(100.0 * A.intersection(cover).area / A.area, 2)
        # the largest spot of the area farther than half a spacing from every line:
        # radius of the largest disc that fits in it (by inward buffers, to 0.5 m)
        unc = A.difference(cover)
        res["uncovered_m2"] = round(unc.area, 0)
        lo, hi = 0.0, 200.0
        if unc.is_empty or unc.buffer(-0.25).is_empty:
            hi = 0.0
        else:
            while hi - lo > 0.5:
                mid = (lo + hi) / 2
                if unc.buffer(-mid, 4).is_empty:
                    hi = mid
                else:
                    lo = mid
        res["uncovered_max_inscribed_radius_m"] = round(hi, 1)
    res["area_km2"] = round(A.area / 1e6, 3)
    return res


# ---------------------------------------------------------------- main
def main():
    global HERE, NURVO, AREAS, RUNS
    ap = argparse.ArgumentParser()
    ap.add_argument("--binary", default="build-bench/nurvo", help="the nurvo to run")
    ap.add_argument("--out", default="build-bench/real-coasts",
                    help="folder of the areas, the runs and the results")
    ap.add_argument("--only", default="")
    ap.add_argument("--areas-only", action="store_true")
    ap.add_argument("--no-build", action="store_true", help="reuse areas/*.geojson")
    ap.add_argument("--list", action="store_true")
    ap.add_argument("--check-only", action="store_true", help="re-check the plans in runs/ without running nurvo")
    a = ap.parse_args()
    HERE = os.path.abspath(a.out)
    NURVO = os.path.abspath(a.binary)
    AREAS = os.path.join(HERE, "areas")
    RUNS = os.path.join(HERE, "runs")
    only = set(s for s in a.only.split(",") if s)
    if a.list:
        for c in COASTS:
            print(c["slug"], c["name"], c["box"], c["extra"])
        return
    os.makedirs(AREAS, exist_ok=True)
    os.makedirs(RUNS, exist_ok=True)
    resfile = os.path.join(HERE, "results.json")
    results = json.load(open(resfile)) if os.path.exists(resfile) else {}
    for c in COASTS:
        slug = c["slug"]
        if only and slug not in only:
            continue
        b = c["box"]
        print("== %s %s" % (slug, b), flush=True)
        base = c.get("area_of", slug)
        area_file = os.path.join(AREAS, c.get("area_file", base + ".geojson"))
        poly_file = os.path.join(AREAS, base + ".wkt")   # continuous longitudes
        across = b[1] > 180.0
        info = {}
        if "area_of" in c:
            from shapely import wkt
            poly = wkt.loads(open(poly_file).read())
            info = dict(results.get(base, {}).get("area", {}))
            info["area_file"] = os.path.basename(area_file)
        elif not a.no_build or not os.path.exists(poly_file):
            t0 = time.time()
            parts, nlines, nfaces, nwet = build_water(b)
            poly, dropped, nparts = clean_area(parts)
            info = dict(shore_segments=nlines, faces=nfaces, water_faces=nwet,
                        water_parts=nparts, holes_dropped_small=dropped,
                        validity=explain_validity(poly), build_s=round(time.time() - t0, 2))
            with open(poly_file, "w") as f:
                f.write(poly.wkt + "\n")
            write_polygon_geojson(poly, area_file, wrap_lon=across)
            if across:
                info["multipolygon_parts"] = write_multipolygon_cut_at_180(
                    poly, os.path.join(AREAS, slug + "_cut180.geojson"))
                write_polygon_geojson(poly, os.path.join(AREAS, slug + "_east_gt180.geojson"), wrap_lon=False)
        else:
            from shapely import wkt
            poly = wkt.loads(open(poly_file).read())
            info = results.get(slug, {}).get("area", {})
        if isinstance(poly, MultiPolygon):
            poly = max(poly.geoms, key=metric_area)
        cc = poly.centroid
        prj = AEQD(cc.x, cc.y)
        info.update(vertices=len(poly.exterior.coords) - 1 + sum(len(h.coords) - 1 for h in poly.interiors),
                    outer_vertices=len(poly.exterior.coords) - 1, holes=len(poly.interiors),
                    water_km2=round(prj.poly(poly).area / 1e6, 3))
        bw, be = b[0], b[1]
        bx_ew = 2 * math.pi * R_EARTH * math.cos(math.radians((b[2] + b[3]) / 2)) * (be - bw) / 360 / 1000
        bx_ns = 2 * math.pi * R_EARTH * (b[3] - b[2]) / 360 / 1000
        info["box_km"] = "%.1f x %.1f" % (bx_ew, bx_ns)
        print("   area: %s" % json.dumps(info), flush=True)
        entry = dict(name=c["name"], box=b, extra=c["extra"], area=info)
        # keep-out: two wrecks
        wrecks = []
        keepout_file = None
        if "KEEPOUT" in c["extra"]:
            pw = wrecks_for(poly, prj)
            wrecks = [inverse(prj, p.x, p.y) for p in pw]
            wrecks = [(round(wrap(lo), 6), round(la, 6)) for lo, la in wrecks]
            keepout_file = os.path.join(AREAS, slug + "_wrecks.geojson")
            with open(keepout_file, "w") as f:
                json.dump({"type": "FeatureCollection", "features": [
                    {"type": "Feature", "properties": {"name": "wreck %d" % (k + 1)},
                     "geometry": {"type": "Point", "coordinates": [lo, la]}}
                    for k, (lo, la) in enumerate(wrecks)]}, f, indent=1)
            entry["wrecks"] = wrecks
        oparea = None
        oparea_file = None
        if "OPAREA" in c["extra"]:
            g = c["oparea_grow"]
            ob = (b[0] - g, b[1] + g, b[2] - g, b[3] + g)
            oparts, _, _, _ = build_water(ob)
            oparea = max(oparts, key=lambda p: p.intersection(poly).area)
            oparea = Polygon(oparea.exterior, [h for h in oparea.interiors
                                               if prj.poly(Polygon(h)).area >= MIN_HOLE_M2])
            oparea_file = os.path.join(AREAS, slug + "_operating.geojson")
            write_polygon_geojson(oparea, oparea_file, wrap_lon=ob[1] > 180.0)
            entry["operating_area"] = dict(box=ob, holes=len(oparea.interiors),
                                           vertices=len(oparea.exterior.coords) - 1 +
                                           sum(len(h.coords) - 1 for h in oparea.interiors),
                                           contains_area=bool(oparea.buffer(1e-9).contains(poly)))
        if a.areas_only:
            results.setdefault(slug, {}).update(entry)
            continue
        rundir = os.path.join(RUNS, slug)
        if a.check_only and "run" in results.get(slug, {}):
            entry["run"] = results[slug]["run"]
            r = dict(rc=entry["run"]["rc"], wall=entry["run"]["wall_s"], rss_mb=entry["run"]["max_rss_mb"],
                     stderr=entry["run"]["stderr_head"], stdout="")
            summ = entry["run"]["summary"]
        else:
            r = run_nurvo(c, area_file, keepout_file, rundir, oparea_file)
            summ = parse_summary(r["stdout"])
            entry["run"] = dict(rc=r["rc"], wall_s=r["wall"], max_rss_mb=r["rss_mb"],
                                command=" ".join(["nurvo" if x == NURVO else x for x in r["args"]]),
                                summary=summ, stderr_head=r["stderr"][:3000],
                                message=message_of(r),
                                stderr_lines=len(r["stderr"].splitlines()))
        print("   run: rc=%s wall=%.2fs rss=%.1fMB %s" % (r["rc"], r["wall"], r["rss_mb"] or -1, summ), flush=True)
        if r["rc"] != 0:
            print("   REFUSED/FAILED: %s" % entry["run"].get("message"), flush=True)
        else:
            try:
                heading = float(summ.get("heading", "0"))
            except ValueError:
                heading = 0.0
            chk = check_plan(poly, rundir, [(unwrap(lo, b), la) for lo, la in wrecks],
                             SPACING, heading, KEEP_OUT_MARGIN, oparea)
            entry["check"] = chk
            brief = {k: chk[k] for k in ("legs", "legs_leaving_water", "max_m_outside",
                                         "legs_entering_holes", "max_m_in_hole",
                                         "legs_in_keepout_margin", "survey_lines_found",
                                         "max_gap_m", "gaps_over_spacing_with_water",
                                         "coverage_check_pct")}
            print("   check: %s launch=%s" % (json.dumps(brief), json.dumps(chk["launch"])), flush=True)
        results[slug] = entry
        with open(resfile, "w") as f:
            json.dump(results, f, indent=1)
    with open(resfile, "w") as f:
        json.dump(results, f, indent=1)
    write_table(results)


def write_table(results):
    rows = ["| coast | box (W/E/S/N, km) | vertices/holes | lines | line km | move km | coverage as written "
            "| time s | max RSS MB | legs leaving water (count, max m) | legs into holes | launch in water? "
            "| indep. check: lines found, max gap between adjacent lines with water between (m), coverage % | refusal / stderr |",
            "|" + "---|" * 14]
    for c in COASTS:
        e = results.get(c["slug"])
        if not e:
            continue
        ar = e.get("area", {})
        run = e.get("run", {})
        s = run.get("summary", {})
        ch = e.get("check") or {}
        la = ch.get("launch", {})
        b = e["box"]
        err = [ln for ln in (run.get("stderr_head") or "").strip().splitlines() if ln.strip()]
        if run.get("message"):
            err = ["REFUSED/FAILED (status %s): %s" % (run.get("rc"), run["message"])] + err
        errtxt = ("; ".join(err[:2])[:300] + (" (+%d more lines)" % (len(err) - 2) if len(err) > 2 else "")) if err else "none"
        rows.append("| %s | %g/%g/%g/%g (%s) | %s/%s | %s | %s | %s | %s | %s | %s | %s, %s | %s, %s | %s (%s m from shore) | %s, %s, %s | %s |" % (
            c["name"] + (" " + " ".join(x for x in c["extra"] if x != "KEEPOUT") if c["extra"] else "") +
            (" + 2 wrecks" if "KEEPOUT" in c["extra"] else ""),
            b[0], b[1], b[2], b[3], ar.get("box_km"), ar.get("vertices"), ar.get("holes"),
            s.get("lines"), s.get("line_km"), s.get("move_km"), s.get("coverage"),
            "%.2f" % run["wall_s"] if run.get("wall_s") is not None else "-",
            "%.1f" % run["max_rss_mb"] if run.get("max_rss_mb") else "-",
            ch.get("legs_leaving_water"), ch.get("max_m_outside"),
            ch.get("legs_entering_holes"), ch.get("max_m_in_hole"),
            la.get("in_water"), la.get("dist_to_shore_m"),
            ch.get("survey_lines_found"), ch.get("max_gap_water_m"), ch.get("coverage_check_pct"),
            errtxt.replace("|", "/")))
    with open(os.path.join(HERE, "results.md"), "w") as f:
        f.write("\n".join(rows) + "\n")
    print("\n".join(rows))


if __name__ == "__main__":
    main()
