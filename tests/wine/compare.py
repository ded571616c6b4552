#!/usr/bin/env python3
"""Runs the same cases with the Linux nurvo and with nurvo.exe under wine64, and compares them.

Each case runs in two fresh temporary directories, one per build, with the same waypoint file,
arguments and standard input (always a pipe). The builds must agree on the exit status, the
standard output (CR LF read as LF), whether anything went to standard error, and the set of files
left in the directory. Every file of the .exe must equal the Linux build's file with each line end
written as CR LF. The run's time stamp is masked, so two runs on either side of a minute agree.

The waypoint file is read in binary mode on both systems: a Ctrl-Z byte is an ordinary byte.

Usage: compare.py --linux build/nurvo --exe build-mingw/nurvo.exe [-k TEXT] [-v] [-j N]
The last line printed is "N passed, M failed"; the exit status is 0 only when M is 0.
"""

import argparse
import concurrent.futures
import datetime
import difflib
import os
import re
import shutil
import subprocess
import sys
import tempfile

TWO = "36.8167 -121.8171\n36.8215 -121.7986\n"
# Three legs of 10 to 12 km: cut into several pieces each.
LONG = "36.6000 -121.9000\n36.7000 -121.8000\n36.8000 -121.9000\n36.8500 -122.0200\n"
SOUTH_EAST = "-33.8600 151.2100\n-33.9000 151.3000\n-33.8000 151.2500\n"
ANTIMERIDIAN = "-16.5000 179.9800\n-16.5100 -179.9900\n"
# A duplicate waypoint, a short leg and a long one.
FINDINGS = "36.8 -121.9\n36.8 -121.9\n36.81 -121.88\n36.81006 -121.88\n36.9 -121.7\n"
# Coordinates that are exact binary halves at the fourth decimal, and a value between -1 and 0.
HALVES = "0.03125 -0.09375\n0.15625 -0.53125\n-0.40625 0.65625\n"


GPX_TWO_ROUTES = (
    '<?xml version="1.0"?>\n<gpx version="1.1" xmlns="http://www.topografix.com/GPX/1/1">\n'
    '<rte><name>North</name><rtept lat="36.8167" lon="-121.8171"/>'
    '<rtept lat="36.8215" lon="-121.7986"/></rte>\n'
    '<rte><name>South</name><rtept lat="36.6" lon="-121.9"/><rtept lat="36.7" lon="-121.8"/>'
    '<rtept lat="36.8" lon="-121.9"/></rte>\n</gpx>\n')
KML_LINE = (
    '\ufeff<kml xmlns="http://www.opengis.net/kml/2.2"><Document><Placemark><LineString>'
    '<coordinates>\n-121.9,36.6,0 -121.8,36.7,0\r\n-121.9,36.8,0</coordinates></LineString>'
    '</Placemark></Document></kml>\r\n')
GEOJSON_POINTS = (
    '{"type": "FeatureCollection", "features": [\n'
    '{"type": "Feature", "properties": {"name": "a"}, "geometry": {"type": "Point", '
    '"coordinates": [151.21, -33.86]}},\n'
    '{"type": "Feature", "properties": null, "geometry": {"type": "Point", '
    '"coordinates": [151.3, -33.9, 12.5]}}\n]}\n')
CSV_SEMICOLON = 'Name;"Latitude";Longitude\r\n"a;b";-16.5;179.98\r\nc;-16.51;-179.99\r\n'


def grid(rows):
    """A lawn-mower survey pattern of `rows` lines, with legs of varied length and direction."""
    lines = []
    for i in range(rows):
        lat = 36.70 + 0.0137 * i
        west, east = -121.95 + 0.0011 * i, -121.80 - 0.0023 * i
        pair = [(lat, west), (lat, east)] if i % 2 == 0 else [(lat, east), (lat, west)]
        lines += ["%.5f %.5f" % p for p in pair]
    return "\n".join(lines) + "\n"


ALL_OPTIONS = [
    "--gpsHits", "12", "--sorbelMission", "0", "--abortOnTimeout", "0", "--yoyoMission", "1",
    "--yoyoMinAltitude", "7", "--missionYoyoMinDepth", "3", "--missionYoyoMaxDepth", "45",
    "--missionYoyoMaxDepthShallow", "11", "--missionSpeed", "1.0625", "--missionSpeedSlow",
    "0.8125", "--maxLegMeters", "1234.45", "--minDepth", "0.25", "--maxDepth", "80.35",
    "--abortDepth", "120.75", "--abortAltitude", "3.125", "--abortLockoutDepth", "6.5",
    "--diveAngle", "22.5", "--wayPointDepth", "42.5",
]


def case(name, args, waypoints=TWO, stdin="", waypoint_name="route.txt", setup=None):
    return {"name": name, "args": args, "waypoints": waypoints, "stdin": stdin,
            "waypoint_name": waypoint_name, "setup": setup}


def block_outputs(ext):
    """Puts a directory where the file with extension `ext` of this and the next minutes goes."""
    def setup(directory):
        now = datetime.datetime.now(datetime.timezone.utc)
        for minutes in range(4):
            t = now + datetime.timedelta(minutes=minutes)
            stamp = "%d_%d_%d%02d" % (t.year, t.timetuple().tm_yday - 1, t.hour, t.minute)
            os.makedirs(os.path.join(directory, stamp + "." + ext), exist_ok=True)
    return setup


def make_dir(name):
    return lambda directory: os.makedirs(os.path.join(directory, name), exist_ok=True)


CASES = [
    # Options.
    case("opt_help_alone", ["--help"]),
    case("opt_version", ["--version", "--gpsHits", "x", "route.txt"]),
    case("opt_usage_with_file", ["--usage", "route.txt"]),
    case("opt_no_arguments", []),
    case("opt_verbose_listing", ["--verbose", "route.txt"]),
    case("opt_verbose_then_brief", ["--verbose", "--brief", "route.txt"]),
    case("opt_brief_then_verbose", ["--brief", "--verbose", "route.txt"]),
    case("opt_verbose_without_file", ["--verbose"]),
    case("opt_every_parameter", ["--verbose"] + ALL_OPTIONS + ["route.txt"], waypoints=LONG),
    case("opt_short_c_d_f", ["-c", "0", "-d", "0", "-f", "5", "--verbose", "route.txt"]),
    case("opt_equals_and_abbreviations",
         ["--gps=9", "--maxLeg", "800", "--verb", "--missionSpeedS=1.1", "route.txt"],
         waypoints=LONG),
    case("opt_ambiguous_abbreviation", ["--mission=1", "route.txt"]),
    case("opt_unknown_long", ["--nosuch", "route.txt"]),
    case("opt_unknown_short", ["-e", "route.txt"]),
    case("opt_missing_value", ["route.txt", "--gpsHits"]),
    case("opt_file_name_in_the_middle", ["--gpsHits", "5", "route.txt", "--verbose"]),
    case("opt_repeated_option", ["--gpsHits", "5", "--gpsHits", "6", "--verbose", "route.txt"]),
    case("opt_yoyo_2_plain_legs", ["--yoyoMission", "2", "route.txt"], waypoints=LONG),
    case("opt_sorbel_off_abort_off", ["--sorbelMission", "0", "--abortOnTimeout", "0", "route.txt"]),
    case("opt_bad_int_value", ["--gpsHits", "12x", "route.txt"]),
    case("opt_bad_double_value", ["--maxDepth", "deep", "route.txt"]),
    case("opt_max_leg_zero", ["--maxLegMeters", "0", "route.txt"]),
    case("opt_max_leg_negative", ["--maxLegMeters=-5", "route.txt"]),
    case("opt_speed_zero", ["--missionSpeed", "0", "route.txt"]),
    case("opt_two_waypoint_files", ["--verbose", "route.txt", "more.txt"]),
    case("opt_export_all", ["--export", "all", "--maxLegMeters", "800", "route.txt"], waypoints=LONG),
    case("opt_export_unknown", ["--export", "gpx,bogus", "route.txt"]),
    case("opt_interactive_ends_parsing", ["--interactive", "--gpsHits", "5"], stdin="route.txt\n"),
    # The waypoint file and its refusals.
    case("read_missing_file", ["nosuch.txt"]),
    case("read_directory_as_file", ["adir"], setup=make_dir("adir")),
    case("read_empty_file", ["route.txt"], waypoints=""),
    case("read_blank_lines_only", ["route.txt"], waypoints="\n  \n\t\n"),
    case("read_blank_lines_skipped", ["route.txt"], waypoints="\n36.8167 -121.8171\n\n\n36.8215 -121.7986"),
    case("read_crlf_lines", ["route.txt"], waypoints=TWO.replace("\n", "\r\n")),
    case("read_old_mac_line_ends", ["route.txt"], waypoints=TWO.replace("\n", "\r")),
    case("read_bad_text_line_3", ["route.txt"], waypoints=TWO + "north west\n"),
    case("read_comma_separated", ["route.txt"], waypoints="36.8167,-121.8171\n"),
    case("read_decimal_comma_longitude", ["route.txt"], waypoints="36.8167 -121,8171\n"),
    case("read_latitude_out_of_range", ["route.txt"], waypoints=TWO + "91.0 -121.8\n"),
    case("read_long_line", ["route.txt"], waypoints="36.8167 -121.8171" + " " * 5000 + "\n36.8215 -121.7986\n"),
    case("read_nul_byte", ["route.txt"], waypoints="36.8167 -121.8171\n36.82\x0015 -121.7986\n"),
    case("read_ctrl_z_line_3", ["route.txt"], waypoints=TWO + "\x1a36.8520 -121.8105\n"),
    case("read_ctrl_z_typed_file_shown", ["--interactive"], stdin="route.txt\n",
         waypoints=TWO.replace("\n", "\r\n") + "\x1a\r\n"),
    case("read_name_with_spaces", ["my route.txt"], waypoint_name="my route.txt"),
    case("read_utf8_byte_order_mark", ["route.txt"], waypoints="\ufeff" + TWO),
    case("read_utf16", ["route.txt"], waypoints="\x00".join(TWO) + "\x00"),
    # The mission check.
    case("check_text", ["--check", "route.txt"], waypoints=LONG),
    case("check_json_findings", ["--check=json", "--missionSpeedSlow", "2", "--endurance", "1",
                                 "--maxLegMeters", "3592", "route.txt"], waypoints=FINDINGS),
    case("check_findings_on_stderr", ["--abortAltitude", "20", "route.txt"], waypoints=FINDINGS),
    case("check_strict", ["--strict", "route.txt"], waypoints=FINDINGS),
    # Route files of other programs.
    case("import_gpx_two_routes_listed", ["route.gpx"], waypoints=GPX_TWO_ROUTES,
         waypoint_name="route.gpx"),
    case("import_gpx_route_by_name", ["--route", "South", "route.gpx"], waypoints=GPX_TWO_ROUTES,
         waypoint_name="route.gpx"),
    case("import_kml_line_bom_crlf", ["--export", "gpx", "route.kml"], waypoints=KML_LINE,
         waypoint_name="route.kml"),
    case("import_geojson_points", ["route.geojson"], waypoints=GEOJSON_POINTS,
         waypoint_name="route.geojson"),
    case("import_csv_semicolon_antimeridian", ["--input-format", "csv", "route.txt"],
         waypoints=CSV_SEMICOLON),
    case("import_geojson_bad_latitude", ["route.json"], waypoint_name="route.json",
         waypoints=GEOJSON_POINTS.replace("-33.9", "-93.9")),
    case("import_csv_decimal_comma", ["route.csv"], waypoint_name="route.csv",
         waypoints=CSV_SEMICOLON.replace("-16.51", "-16,51")),
    case("import_gpx_doctype_refused", ["route.gpx"], waypoint_name="route.gpx",
         waypoints='<?xml version="1.0"?>\n<!DOCTYPE gpx [<!ENTITY a "1">]>\n<gpx/>\n'),
    # Nesting far beyond what the readers take: refused before any parser recurses into it.
    case("import_gpx_deep_nesting", ["route.gpx"], waypoint_name="route.gpx",
         waypoints=GPX_TWO_ROUTES.replace("</rte>", "<extensions>" + "<e>" * 100000 + "</e>" * 100000
                                          + "</extensions></rte>", 1)),
    case("import_geojson_deep_area", ["--area", "area.geojson", "--line-spacing", "50"],
         waypoint_name="area.geojson",
         waypoints='{"type":"Feature","properties":{"a":' + "[" * 100000 + "]" * 100000
         + '},"geometry":null}'),
    # Route names with escape sequences, and more routes than are listed.
    case("import_geojson_routes_named_with_escapes", ["route.geojson"], waypoint_name="route.geojson",
         waypoints='{"type":"FeatureCollection","features":[' + ",".join(
             '{"type":"Feature","properties":{"name":"\\u001b[2J route %d"},"geometry":'
             '{"type":"LineString","coordinates":[[-121.8,36.8],[-121.7,36.8]]}}' % i for i in range(25)) + "]}"),
    case("import_interactive_kml", ["--interactive"], stdin="route.kml\n0\ny\n0\ny\n",
         waypoints=KML_LINE, waypoint_name="route.kml"),
    # Whole runs.
    case("route_two_waypoints_defaults", ["route.txt"]),
    case("route_single_waypoint", ["route.txt"], waypoints="36.8167 -121.8171\n"),
    case("route_long_legs_cut", ["route.txt"], waypoints=LONG),
    case("route_long_legs_short_pieces", ["--maxLegMeters", "333.3", "route.txt"], waypoints=LONG),
    case("route_southern_eastern", ["route.txt"], waypoints=SOUTH_EAST),
    case("route_antimeridian", ["route.txt"], waypoints=ANTIMERIDIAN),
    case("route_high_latitude_long_leg", ["route.txt"], waypoints="70 10\n70 12\n"),
    case("route_over_the_pole", ["--maxLegMeters", "1000", "route.txt"], waypoints="89.9 0\n89.9 180\n"),
    case("route_minutes_carry", ["route.txt"], waypoints="36.9999999 -121.9999999\n36.99 -121.99\n"),
    case("route_antimeridian_export", ["--export=all", "--maxLegMeters", "700", "route.txt"],
         waypoints=ANTIMERIDIAN),
    case("route_exact_halves", ["--verbose"] + ALL_OPTIONS + ["route.txt"], waypoints=HALVES),
    case("route_north_leg", ["route.txt"], waypoints="36.0 -121.0\n36.1 -121.0\n"),
    case("route_duplicate_waypoints", ["route.txt"], waypoints="36.8 -121.8\n36.8 -121.8\n36.9 -121.8\n"),
    case("route_survey_grid", ["--yoyoMission", "0", "route.txt"], waypoints=grid(40)),
    case("route_survey_grid_yoyo", ["route.txt"], waypoints=grid(40)),
    # An output name taken by a directory: no file of the run is left, the run ends with status 1.
    case("write_survey_line_blocked", ["route.txt"], setup=block_outputs("pts")),
    case("write_mission_blocked", ["route.txt"], setup=block_outputs("cfg")),
    # The interactive dialogue, typed through standard input.
    case("inter_defaults_accepted", ["--interactive"], stdin="route.txt\n0\ny\n0\ny\n"),
    case("inter_export_svg", ["--export", "svg", "--interactive"], stdin="route.txt\n0\ny\n0\ny\n"),
    case("inter_verbose_first", ["--verbose", "--interactive"], stdin="route.txt\n0\ny\n0\ny\n",
         waypoints=TWO.replace("\n", "\r\n")),
    case("inter_mission_menu_changes", ["--interactive"],
         stdin="route.txt\n1\n1.0625\n3\n12\n4\n1000\n5\n0.25\n10\n0\n0\nn\n42.5\nn\n",
         waypoints=LONG),
    case("inter_yoyo_menu_changes", ["--interactive"],
         stdin="route.txt\n0\ny\n1\n20\n2\n5\n3\n70\n5\n22.5\n0\nx\ny\n"),
    case("inter_menu_errors", ["--interactive"],
         stdin="route.txt\n11\n-1\nabc\n0\nyes\n6\n0\nn\n"),
    case("inter_value_not_a_number", ["--interactive"],
         stdin="route.txt\n5\nshallow\n0\nn\nabc\ny\n"),
    case("inter_crlf_typed_input", ["--interactive"],
         stdin="route.txt\r\n3\r\n12\r\n0\r\nn\r\n42.5\r\ny\r\n"),
    case("inter_typed_file_missing", ["--interactive"], stdin="nosuch.txt\n"),
    case("inter_file_asked_again", ["--interactive"],
         stdin="nosuch.txt\r\n route.txt \r\n0\r\n\r\ny\r\n0\r\nn\r\n",
         waypoints="36.8167 -121.8170 \x1b[2J\n36.8174 -121.7984\n"),
    case("inter_end_of_input_in_menu", ["--interactive"], stdin="route.txt\n5\n"),
    case("inter_no_input", ["--interactive"], stdin=""),
]



def golden_survey_cases():
    """The golden surveys of tests/golden: route.* is the area, inputs/ holds the keep-outs."""
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "golden")
    found = []
    for name in sorted(os.listdir(root)):
        d = os.path.join(root, name)
        if not name.startswith("survey_"):
            continue
        route = [f for f in sorted(os.listdir(d)) if os.path.splitext(f)[0] == "route"][0]
        args = [a for a in open(os.path.join(d, "args")).read().split("\n") if a] + [route]
        inputs = os.path.join(d, "inputs")

        def setup(directory, inputs=inputs):
            if os.path.isdir(inputs):
                for f in os.listdir(inputs):
                    shutil.copy(os.path.join(inputs, f), directory)
        c = case(name, args, waypoints=open(os.path.join(d, route)).read(), waypoint_name=route,
                 setup=setup)
        # The keep-out files are inputs, not files of the run.
        c["inputs"] = os.listdir(inputs) if os.path.isdir(inputs) else []
        found.append(c)
    return found


CASES += golden_survey_cases()

STAMP = re.compile(rb"\d{4}_\d{1,3}_\d{3,4}(?=\.)")


def mask(data):
    return STAMP.sub(b"<STAMP>", data)


def run_case(c, argv0, workdir, env, timeout):
    os.makedirs(workdir)
    if c["waypoints"] is not None:
        with open(os.path.join(workdir, c["waypoint_name"]), "wb") as f:
            f.write(c["waypoints"].encode())
    if c["setup"]:
        c["setup"](workdir)
    # Standard output and error go to files, not pipes: a helper process that wine starts in the
    # background may inherit them and would hold a pipe open long after nurvo has ended.
    with tempfile.TemporaryFile() as out_f, tempfile.TemporaryFile() as err_f:
        try:
            status = subprocess.run(argv0 + c["args"], cwd=workdir, env=env,
                                    input=c["stdin"].encode(), stdout=out_f, stderr=err_f,
                                    timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            status = "timeout"
        out_f.seek(0)
        err_f.seek(0)
        out, err = out_f.read(), err_f.read()
    files = {}
    for name in sorted(os.listdir(workdir)):
        path = os.path.join(workdir, name)
        files[mask(name.encode()).decode()] = None if os.path.isdir(path) else open(path, "rb").read()
    return status, out, err, files


def excerpt(expected, actual):
    lines = difflib.unified_diff(expected.decode(errors="replace").splitlines(),
                                 actual.decode(errors="replace").splitlines(),
                                 "linux", "windows", lineterm="", n=1)
    return ["      " + line for line in list(lines)[2:12]]


def compare(c, linux, windows):
    l_status, l_out, l_err, l_files = linux
    w_status, w_out, w_err, w_files = windows
    problems = []
    for side, status in (("Linux", l_status), ("Windows", w_status)):
        if status == "timeout":
            problems.append("no exit within the time limit on %s" % side)
    if l_status != w_status:
        problems.append("exit status %s on Linux, %s on Windows" % (l_status, w_status))
    l_text, w_text = mask(l_out).replace(b"\r\n", b"\n"), mask(w_out).replace(b"\r\n", b"\n")
    if l_text != w_text:
        problems.append("standard output differs")
        problems += excerpt(l_text, w_text)
    if bool(l_err) != bool(w_err):
        problems.append("standard error %s on Linux, %s on Windows"
                        % ("written" if l_err else "empty", "written" if w_err else "empty"))
    if sorted(l_files) != sorted(w_files):
        problems.append("files differ: Linux %s, Windows %s" % (sorted(l_files), sorted(w_files)))
    for name in sorted(set(l_files) & set(w_files)):
        lb, wb = l_files[name], w_files[name]
        if name == c["waypoint_name"] or name in c.get("inputs", ()) or lb is None or wb is None:
            if (lb is None) != (wb is None):
                problems.append("%s is a directory on one side only" % name)
            continue
        lb, wb = mask(lb), mask(wb)
        if b"\n" in wb and wb.count(b"\r\n") != wb.count(b"\n"):
            problems.append("%s: lines of the .exe's file do not all end in CR LF" % name)
        if lb.replace(b"\n", b"\r\n") != wb:
            problems.append("%s differs" % name)
            problems += excerpt(lb, wb.replace(b"\r\n", b"\n"))
    return problems


SESSION = os.path.join(os.path.dirname(os.path.abspath(__file__)), "wine-session.sh")


def wine_session(action, env):
    """Starts or stops the prefix, the persistent wineserver and wine's services."""
    subprocess.run(["bash", SESSION, action], env=env, stdin=subprocess.DEVNULL, check=True,
                   timeout=600)


def find_wine(given):
    for candidate in [given, "wine64", "/usr/lib/wine/wine64", "wine"]:
        if candidate and shutil.which(candidate):
            return shutil.which(candidate)
    sys.exit("compare.py: wine64 not found (Debian: apt-get install wine64 wine)")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--linux", required=True, help="the Linux nurvo")
    ap.add_argument("--exe", required=True, help="nurvo.exe")
    ap.add_argument("--wine", help="the wine64 loader (default: wine64 on the PATH or /usr/lib/wine)")
    ap.add_argument("--prefix", help="WINEPREFIX (default: wineprefix beside nurvo.exe)")
    ap.add_argument("-k", default="", help="only cases whose name contains this text")
    ap.add_argument("-v", action="store_true", help="list passing cases too")
    ap.add_argument("-j", type=int, default=2, help="cases in parallel (default 2)")
    ap.add_argument("--timeout", type=float, default=60, help="seconds per run (default 60)")
    a = ap.parse_args()

    linux = os.path.abspath(a.linux)
    exe = os.path.abspath(a.exe)
    for path in (linux, exe):
        if not os.path.isfile(path):
            sys.exit("compare.py: %s not found" % path)
    wine = find_wine(a.wine)
    prefix = os.path.abspath(a.prefix or os.path.join(os.path.dirname(exe), "wineprefix"))
    wine_env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", TZ="NRV-14", LC_ALL="C")
    wine_env.pop("DISPLAY", None)
    wine_env.pop("WAYLAND_DISPLAY", None)
    linux_env = dict(os.environ, TZ="NRV-14", LC_ALL="C")
    wine_session("start", wine_env)

    cases = [c for c in CASES if a.k in c["name"]]
    root = tempfile.mkdtemp(prefix="nurvo-compare-")

    def one(c):
        base = os.path.join(root, c["name"])
        lin = run_case(c, [linux], base + "-linux", linux_env, a.timeout)
        win = run_case(c, [wine, exe], base + "-windows", wine_env, a.timeout)
        return c, compare(c, lin, win)

    passed = failed = 0
    try:
        with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, a.j)) as pool:
            for c, problems in pool.map(one, cases):
                if problems:
                    failed += 1
                    print("FAIL %s: %s" % (c["name"], problems[0]))
                    for line in problems[1:]:
                        print("    " + line if not line.startswith("      ") else line)
                else:
                    passed += 1
                    if a.v:
                        print("pass %s" % c["name"])
    finally:
        shutil.rmtree(root, ignore_errors=True)
        wine_session("stop", wine_env)
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 and passed > 0 else 1


if __name__ == "__main__":
    sys.exit(main())
