// The four output files of whole runs: golden files compared byte for byte, the shared time
// stamp, and a run of the built executable on the example route.
//
// Golden cases live in tests/golden/<case>/: `args` (options, one per line), `route.txt` (the
// waypoint file of a run, or the prepared route of a rendered mission script; a survey area in
// another format is route.geojson, route.kml, ...), `console.txt` (the
// console text of a run) and `files/` (every file the case must produce). The runs use the fixed
// time 7 December 2026 15:29 UTC, so the names and stamps inside the files are exact.
// NURVO_UPDATE_GOLDEN=1 rewrites `files/` and `console.txt` from what nurvo produces instead of
// comparing; review the difference before committing it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "calcs.h"
#include "nurvo.h"
#include "testSupport.h"
#include "writeMission.h"

namespace nurvo::test {
namespace {

namespace fs = std::filesystem;

// The tests folder of the source tree, as the build names it.
const fs::path testsDir = NURVO_TESTS_DIR;
const fs::path goldenRoot = testsDir / "golden";
const fs::path exampleRoute = testsDir.parent_path() / "examples" / "survey.txt";

bool updatingGolden() {
  const char* v = std::getenv("NURVO_UPDATE_GOLDEN");
  return v != nullptr && std::string(v) == "1";
}

// Every regular file of a directory by name, with its bytes.
std::map<std::string, std::string> filesIn(const fs::path& dir) {
  std::map<std::string, std::string> files;
  if (!fs::is_directory(dir)) return files;
  for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
    files[e.path().filename().string()] =
        e.is_regular_file() ? readFile(e.path().string()) : std::string("<dir>");
  }
  return files;
}

// Compares what a case produced with its golden files, or rewrites them when updating.
void checkGolden(const fs::path& caseDir, const std::map<std::string, std::string>& files,
                 const std::string* console) {
  if (updatingGolden()) {
    fs::remove_all(caseDir / "files");
    fs::create_directories(caseDir / "files");
    for (const auto& [name, text] : files) writeFile((caseDir / "files" / name).string(), text);
    if (console != nullptr) writeFile((caseDir / "console.txt").string(), *console);
    return;
  }
  const std::map<std::string, std::string> expected = filesIn(caseDir / "files");
  ASSERT_FALSE(expected.empty()) << "no golden files in " << caseDir;
  std::vector<std::string> expectedNames, actualNames;
  for (const auto& f : expected) expectedNames.push_back(f.first);
  for (const auto& f : files) actualNames.push_back(f.first);
  EXPECT_EQ(actualNames, expectedNames);
  for (const auto& [name, text] : expected) {
    const auto it = files.find(name);
    if (it != files.end()) {
      EXPECT_EQ(it->second, text) << "file " << name;
    }
  }
  if (console != nullptr) {
    EXPECT_EQ(*console, readFile((caseDir / "console.txt").string()));
  }
}

std::tm fixedTime(int minute = 29) {
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 7;
  t.tm_yday = 340;
  t.tm_hour = 15;
  t.tm_min = minute;
  return t;
}

// A clock that counts its readings and moves on one minute with each (from 15:29), or that
// cannot be read at all.
class TestClock : public Clock {
 public:
  explicit TestClock(bool readable = true) : readable_(readable) {}
  std::optional<std::tm> utcNow() const override {
    if (!readable_) return std::nullopt;
    return fixedTime(29 + readings++);
  }
  mutable int readings = 0;

 private:
  bool readable_;
};

struct RouteRun {
  RunResult result;
  std::map<std::string, std::string> files;  // what the run left, the waypoint file aside
};

// A whole run in this process with `args` in a fresh directory holding route.txt.
// `inputs`: a folder of further input files (keep-outs of a survey), copied beside route.txt.
RouteRun runOnRoute(std::vector<std::string> args, const std::string& route, const Clock& clock,
                    const fs::path& inputs = {}, const std::string& routeName = "route.txt") {
  ScratchDir dir;
  writeFile(routeName, route);
  std::vector<std::string> inputNames = {routeName};
  if (!inputs.empty() && fs::is_directory(inputs)) {
    for (const auto& f : fs::directory_iterator(inputs)) {
      inputNames.push_back(f.path().filename().string());
      writeFile(inputNames.back(), readFile(f.path().string()));
    }
  }
  args.push_back(routeName);
  FileOps fileOps;
  RouteRun r{runInProcess(args, fileOps, clock), directoryEntries()};
  for (const std::string& name : inputNames) r.files.erase(name);
  return r;
}

// ---- Golden mission scripts rendered from a prepared route written out by hand.

// Reads "node wptNumber Lat Lon legMeters heading legSecs" and "totals metres seconds" lines.
void readPreparedRoute(const std::string& text, wptList& route, RouteTotals& totals) {
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) {
    std::istringstream f(l);
    std::string kind;
    f >> kind;
    if (kind == "node") {
      int number = 0;
      double lat = 0, lon = 0;
      f >> number >> lat >> lon;
      route.insertLatLonEnd(lat, lon);
      node* n = route.tail();
      n->wptNumber = number;
      f >> n->legMeters >> n->heading >> n->legSecs;
    } else if (kind == "totals") {
      f >> totals.surveyLineMeters >> totals.missionTime;
    }
  }
}

class GoldenMissionScript : public testing::TestWithParam<std::string> {};

TEST_P(GoldenMissionScript, MatchesByteForByte) {
  const fs::path caseDir = goldenRoot / GetParam();
  wptList route;
  RouteTotals totals;
  readPreparedRoute(readFile((caseDir / "route.txt").string()), route, totals);
  ASSERT_FALSE(route.empty());
  MissionParams params;
  const std::vector<std::string> args = lines(readFile((caseDir / "args").string()));
  for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
    ASSERT_EQ(args[i], "--yoyoMission") << "only --yoyoMission is supported here";
    params.yoyoMission = std::stoi(args[i + 1]);
  }
  const std::string name = fileName(fixedTime()) + "cfg";
  StringSink text;
  writeMission(text, route, params, totals, name);
  checkGolden(caseDir, {{name, text.text}}, nullptr);
}

INSTANTIATE_TEST_SUITE_P(WorkedExample, GoldenMissionScript,
                         testing::Values("mission_worked_example",
                                         "mission_worked_example_no_yoyo"));

// ---- Golden full runs: all four files and the console.

class GoldenRun : public testing::TestWithParam<std::string> {};

TEST_P(GoldenRun, WritesTheFourFilesAndConfirmsThem) {
  const fs::path caseDir = goldenRoot / GetParam();
  const fs::path routeFile = routeFileOf(caseDir);
  const std::string route = readFile(routeFile.string());
  ASSERT_FALSE(route.empty()) << "no route in " << caseDir;
  const TestClock clock;
  const RouteRun r = runOnRoute(lines(readFile((caseDir / "args").string())), route, clock,
                                caseDir / "inputs", routeFile.filename().string());
  EXPECT_EQ(r.result.status, 0) << r.result.out;
  checkGolden(caseDir, r.files, &r.result.out);
}

INSTANTIATE_TEST_SUITE_P(PreparedRoutes, GoldenRun,
                         testing::Values("run_single_waypoint", "run_cut_legs",
                                         "run_southern_eastern", "run_equator_flags_off"));

// Route files of other programs that use the words of nurvo's exports: every point is read.
INSTANTIATE_TEST_SUITE_P(OtherPrograms, GoldenRun,
                         testing::Values("import_ctd_transect", "import_gpx_typed_launch"));

// With --export: the four files, then the route for other readers.
const auto exportCases = testing::Values(
    "export_example", "export_cut_legs", "export_southern_eastern", "export_antimeridian",
    "export_single_waypoint", "export_over_the_pole", "export_crowded_labels");
INSTANTIATE_TEST_SUITE_P(Exports, GoldenRun, exportCases);

// ---- Golden mission checks: `console.txt` holds the report of --check, `console.json` that of
// --check=json, `status` the exit status of both; `args` are the options besides.

class GoldenCheck : public testing::TestWithParam<std::string> {};

TEST_P(GoldenCheck, ReportsAsTextAndAsJsonAndANormalRunWarnsAndWrites) {
  const fs::path caseDir = goldenRoot / GetParam();
  const std::string route = readFile((caseDir / "route.txt").string());
  const std::vector<std::string> args = lines(readFile((caseDir / "args").string()));
  std::vector<std::string> checkArgs = args;
  checkArgs.insert(checkArgs.begin(), "--check");
  const TestClock clock;
  const RouteRun text = runOnRoute(checkArgs, route, clock);
  const RouteRun json = runOnRoute((checkArgs.front() = "--check=json", checkArgs), route, clock);
  EXPECT_TRUE(text.files.empty() && json.files.empty()) << "a check writes no file";
  if (updatingGolden()) {
    writeFile((caseDir / "console.txt").string(), text.result.out);
    writeFile((caseDir / "console.json").string(), json.result.out);
    writeFile((caseDir / "status").string(), std::to_string(text.result.status) + "\n");
    return;
  }
  const int status = std::stoi(readFile((caseDir / "status").string()));
  EXPECT_EQ(text.result.status, status);
  EXPECT_EQ(json.result.status, status);
  EXPECT_EQ(text.result.out, readFile((caseDir / "console.txt").string()));
  EXPECT_EQ(json.result.out, readFile((caseDir / "console.json").string()));

  // The findings of the text report, as a normal run prints them on standard error.
  const std::string report = text.result.out;
  const std::string findings =
      report.substr(report.find('\n', report.find("\nFindings: ") + 1) + 1);
  // A JSON reader finds the same findings in the JSON document.
  const RunResult read =
      runNurvo({"-c",
                "import json, sys\n"
                "d = json.load(open(sys.argv[1]))\n"
                "assert list(d) == ['statistics', 'counts', 'findings']\n"
                "c = d['counts']\n"
                "assert c['errors'] + c['warnings'] - c['omitted'] == len(d['findings'])\n"
                "for f in d['findings']:\n"
                "    assert f['waypoint'] is None or type(f['waypoint']) is int\n"
                "    print(f['severity'] + ': ' + f['rule'] + ': ' + f['message'])\n",
                (caseDir / "console.json").string()},
               {}, "/usr/bin/python3");
  EXPECT_EQ(read.status, 0) << read.err;
  EXPECT_EQ(read.out, findings);

  // A normal run prints the findings on standard error and writes its files all the same.
  const RouteRun normal = runOnRoute(args, route, clock);
  EXPECT_EQ(normal.result.status, 0) << normal.result.out;
  EXPECT_EQ(normal.result.err, findings);
  EXPECT_EQ(normal.files.size(), 4u);
}

INSTANTIATE_TEST_SUITE_P(Reports, GoldenCheck,
                         testing::Values("check_example", "check_three_findings"));

// Surveys: the route file is the area (the last argument is --area), `inputs/` holds the keep-outs.
const auto surveyCases = testing::Values(
    "survey_rectangle", "survey_rotated_auto", "survey_u_bay", "survey_wreck_keep_out",
    "survey_antimeridian", "survey_70n", "survey_run_in", "survey_tie_lines", "survey_island",
    "equal_legs_example", "survey_export_all", "survey_two_wrecks");
INSTANTIATE_TEST_SUITE_P(Surveys, GoldenRun, surveyCases);

// ---- The golden exports, opened by real readers of their formats.

struct LonLat {
  double lon, lat;
};

// The positions of a .wpt file ("0,N36.8153,-121.8223,...") or of ogrinfo's POINT lines.
std::vector<LonLat> positions(const std::string& text, const std::regex& pattern, bool latFirst) {
  std::vector<LonLat> out;
  for (std::sregex_iterator m(text.begin(), text.end(), pattern), end; m != end; ++m) {
    const double a = std::stod((*m)[1]), b = std::stod((*m)[2]);
    out.push_back(latFirst ? LonLat{b, a} : LonLat{a, b});
  }
  return out;
}

class GoldenExportReaders : public testing::TestWithParam<std::string> {};

TEST_P(GoldenExportReaders, OpenEveryFileAndFindTheWaypointsOfTheWptFile) {
  for (const char* tool : {"/usr/bin/ogrinfo", "/usr/bin/xmllint", "/usr/bin/rsvg-convert"}) {
    if (!fs::exists(tool)) {
      GTEST_SKIP() << tool << " is missing: apt-get install gdal-bin libxml2-utils librsvg2-bin";
    }
  }
  const fs::path files = goldenRoot / GetParam() / "files";
  const std::string base = (files / fileName(fixedTime())).string();
  const std::vector<LonLat> wpt =
      positions(readFile(base + "wpt"), std::regex(R"((?:^|\n)\d+,N([-0-9.]+),([-0-9.]+),)"), true);
  ASSERT_FALSE(wpt.empty());
  for (const char* ext : {"gpx", "kml", "geojson"}) {
    const RunResult r = runNurvo({"-ro", "-al", base + ext}, {}, "/usr/bin/ogrinfo");
    ASSERT_EQ(r.status, 0) << ext << r.err;
    const std::vector<LonLat> read =
        positions(r.out, std::regex(R"(\bPOINT \(([-0-9.e]+) ([-0-9.e]+)\))"), false);
    ASSERT_EQ(read.size(), wpt.size()) << ext;
    for (std::size_t i = 0; i < wpt.size(); ++i) {
      EXPECT_NEAR(read[i].lat, wpt[i].lat, 1e-7) << ext << " waypoint " << i;
      EXPECT_NEAR(read[i].lon, wpt[i].lon, 1e-7) << ext << " waypoint " << i;
    }
    if (std::string(ext) == "geojson") {
      EXPECT_EQ(r.out.find("MULTILINESTRING") != std::string::npos,
                GetParam() == "export_antimeridian");
    }
    // A survey's area and keep-out are polygons of the KML and the GeoJSON.
    if (std::string(ext) != "gpx") {
      EXPECT_EQ(r.out.find("POLYGON ((") != std::string::npos, GetParam().starts_with("survey"))
          << ext;
    }
  }
  for (const char* ext : {"gpx", "kml", "svg"}) {
    const RunResult r = runNurvo({"--noout", base + ext}, {}, "/usr/bin/xmllint");
    EXPECT_EQ(r.status, 0) << ext << r.err;
  }
  ScratchDir dir;
  const RunResult png = runNurvo({"-o", "route.png", base + "svg"}, {}, "/usr/bin/rsvg-convert");
  EXPECT_EQ(png.status, 0) << png.err;
  EXPECT_TRUE(readFile("route.png").starts_with("\x89PNG")) << png.err;
}

INSTANTIATE_TEST_SUITE_P(Exports, GoldenExportReaders, exportCases);
INSTANTIATE_TEST_SUITE_P(Surveys, GoldenExportReaders,
                         testing::Values("survey_export_all", "survey_island",
                                         "survey_two_wrecks"));

// ---- The time stamp of a run.

TEST(RunStamp, TheClockIsReadOnceAndTheFourFilesShareItsMinute) {
  // This clock moves on a minute with each reading, as if the run crossed minute boundaries.
  const TestClock clock;
  const RouteRun r = runOnRoute({}, "36.8167 -121.8170\n36.8215 -121.7986\n", clock);
  EXPECT_EQ(r.result.status, 0);
  EXPECT_EQ(clock.readings, 1);
  std::vector<std::string> names;
  for (const auto& f : r.files) names.push_back(f.first);
  EXPECT_EQ(names, (std::vector<std::string>{"2026_340_1529.cfg", "2026_340_1529.csv",
                                             "2026_340_1529.pts", "2026_340_1529.wpt"}));
  EXPECT_TRUE(
      r.files.at("2026_340_1529.cfg").starts_with("# Mission Filename: 2026_340_1529.cfg\n"));
  EXPECT_TRUE(r.files.at("2026_340_1529.pts").starts_with("0,2026_340_1529.pts,"));
}

TEST(RunStamp, AnUnreadableClockEndsTheRunBeforeAnyFileIsWritten) {
  const TestClock clock(false);
  const RouteRun r = runOnRoute({}, "36.8167 -121.8170\n36.8215 -121.7986\n", clock);
  EXPECT_EQ(r.result.status, 1);
  EXPECT_TRUE(r.files.empty());
  EXPECT_FALSE(r.result.out.empty());
  EXPECT_EQ(r.result.out.find("Wrote"), std::string::npos);
}

// ---- The executable on the example route: as built, and as installed.

// A run of `exe` on a copy of `routeFile`: exactly four files with one stamp, confirmed in order.
void expectExampleRun(const std::string& exe, const fs::path& routeFile) {
  ASSERT_TRUE(fs::is_regular_file(routeFile)) << routeFile;
  const std::string route = readFile(routeFile.string());
  ScratchDir dir;
  writeFile("survey.txt", route);
  const std::time_t before = std::time(nullptr);
  const RunResult r = runNurvo({"survey.txt"}, "", exe);
  const std::time_t after = std::time(nullptr);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.err, "");

  // The stamp is the UTC minute of the run (the run's local time zone is 14 hours off).
  std::map<std::string, std::string> files = directoryEntries();
  ASSERT_EQ(files.erase("survey.txt"), 1u);
  ASSERT_EQ(files.size(), 4u);
  const std::string base = files.begin()->first.substr(0, files.begin()->first.size() - 3);
  std::tm tmBefore{}, tmAfter{};
  ASSERT_NE(gmtime_r(&before, &tmBefore), nullptr);
  ASSERT_NE(gmtime_r(&after, &tmAfter), nullptr);
  EXPECT_TRUE(base == fileName(tmBefore) || base == fileName(tmAfter)) << base;
  EXPECT_TRUE(std::regex_match(base, std::regex(R"(\d{4}_\d{1,3}_\d{1,2}\d{2}\.)"))) << base;
  for (const char* ext : outputExtensions) {
    ASSERT_EQ(files.count(base + ext), 1u) << ext;
  }

  EXPECT_EQ(r.out, confirmations(base));

  // The files name their own run, end their lines with LF alone, and agree on the route.
  const std::string& cfg = files[base + "cfg"];
  const std::string& wpt = files[base + "wpt"];
  const std::string& pts = files[base + "pts"];
  const std::string& csv = files[base + "csv"];
  EXPECT_TRUE(cfg.starts_with("# Mission Filename: " + base + "cfg\n"));
  EXPECT_TRUE(pts.starts_with("0," + base + "pts,"));
  for (const auto& [name, text] : files) {
    EXPECT_EQ(text.find('\r'), std::string::npos) << name;
    EXPECT_TRUE(text.ends_with("\n")) << name;
  }
  const std::vector<std::string> wptLines = lines(wpt);
  const std::size_t inputWaypoints = lines(route).size();
  EXPECT_GE(wptLines.size(), inputWaypoints + 1);  // launch waypoint first, cut legs add more
  EXPECT_EQ(lines(pts).size(), wptLines.size() + 1);
  std::size_t groups = 0;
  for (std::size_t p = cfg.find("WAYPOINT NUMBER: "); p != std::string::npos;
       p = cfg.find("WAYPOINT NUMBER: ", p + 1)) {
    ++groups;
  }
  EXPECT_EQ(groups, wptLines.size() - 1);
  EXPECT_TRUE(wptLines.front().starts_with("0,N"));
  EXPECT_TRUE(wptLines.back().starts_with(std::to_string(wptLines.size() - 1) + ",N"));
  EXPECT_TRUE(csv.starts_with("\nWpt #, Lat, Lon, Hdg, Mtrs, Secs\n\n0,"));
}

TEST(ExampleRun, WritesExactlyFourFilesWithOneStampAndConfirmsEachInOrder) {
  // `cmake --install` into a scratch prefix: the program, its manual page, its completion and
  // the example route land where the install layout says.
  ScratchDir prefix;
  const RunResult install =
      runNurvo({"--install", NURVO_BUILD_DIR, "--prefix", prefix.path()}, "", CMAKE_COMMAND);
  ASSERT_EQ(install.status, 0) << install.out << install.err;
  const fs::path p = prefix.path();
  EXPECT_TRUE(fs::is_regular_file(p / "share/man/man1/nurvo.1"));
  EXPECT_TRUE(fs::is_regular_file(p / "share/bash-completion/completions/nurvo"));
  const struct {
    std::string exe;
    fs::path route;
  } rows[] = {
      {NURVO_EXE, exampleRoute},
      {(p / "bin/nurvo").string(), p / "share/doc/nurvo/examples/survey.txt"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.exe);
    expectExampleRun(row.exe, row.route);
  }
}

}  // namespace
}  // namespace nurvo::test
