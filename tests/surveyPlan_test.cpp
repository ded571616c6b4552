// Survey planning on the local plane: the projection, the checks of the rings, and the route's
// properties over random areas.
#include "surveyPlan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <optional>
#include <random>

#include "areaFile.h"
#include "calcs.h"
#include "nurvoError.h"
#include "surveyRun.h"
#include "testSupport.h"

namespace nurvo {
namespace {

TEST(LocalPlane, KeepsDistancesFromTheCentreAndReturnsEveryPoint) {
  const struct {
    const char* what;
    GeoPoint centre, p;
  } cases[] = {
      {"mid latitudes", {36.8, -121.9}, {36.9, -121.7}},
      {"100 km north at 70 N", {70.0, 20.0}, {70.8993, 20.0}},
      {"across the antimeridian", {-16.5, 179.95}, {-16.4, -179.9}},
      {"southern hemisphere, west", {-45.0, -60.0}, {-45.6, -60.9}},
  };
  for (const auto& c : cases) {
    const LocalPlane plane(c.centre);
    const PlanePoint q = plane.forward(c.p);
    EXPECT_NEAR(std::hypot(q.x, q.y), dist(c.centre.lat, c.centre.lon, c.p.lat, c.p.lon), 1e-3)
        << c.what;
    const GeoPoint back = plane.inverse(q);
    EXPECT_NEAR(back.lat, c.p.lat, 1e-10) << c.what;
    EXPECT_NEAR(wrapLongitude(back.lon - c.p.lon), 0.0, 1e-10) << c.what;
  }
  const GeoPoint across[] = {{10.0, 179.9}, {10.2, -179.7}, {10.1, 179.5}};
  EXPECT_NEAR(centreOf(across).lon, 179.9, 1e-9);
}

GeoPolygon polygonOf(std::vector<GeoRing> rings) {
  return {"a.txt", std::move(rings)};
}

TEST(SurveyArea, RefusesBadRingsNamingTheRingAndVertexOrEdge) {
  const GeoRing square = {{0, 0}, {0, 0.1}, {0.1, 0.1}, {0.1, 0}};
  const struct {
    std::vector<GeoRing> area;
    std::vector<GeoRing> keepOut;
    const char* message;
  } cases[] = {
      {{{{0, 0}, {0, 0.1}, {0, 0.1}, {0, 0}}},
       {},
       "area file a.txt: outer ring: has 2 distinct vertices; a ring needs at least 3\n"},
      {{{{0, 0}, {0, 0.1}, {0, 0.2}}},
       {},
       "area file a.txt: outer ring: encloses no area: its vertices lie on one line\n"},
      {{{{0, 0}, {0.1, 0.1}, {0, 0.1}, {0.12, 0}}},
       {},
       "area file a.txt: outer ring: edge 1 (vertex 1 to 2) crosses edge 3 (vertex 3 to 4)\n"},
      {{square, {{0.05, 0.05}, {0.05, 0.2}, {0.06, 0.06}}},
       {},
       "area file a.txt: hole 1: vertex 2 lies outside the outer ring\n"},
      {{{{89.5, 0}, {89.7, 100}, {89.3, -130}}},
       {},
       "area file a.txt: reaches the north pole, where lines of a heading do not "
       "exist\n"},
      {{{{0, 0}, {0, 2}, {2, 2}, {2, 0}}},
       {},
       "area file a.txt: is 314.5 km across; an area may be at most 200 km across\n"},
      {{square},
       {{{-0.01, -0.01}, {-0.01, 0.2}, {0.2, 0.2}, {0.2, -0.01}}},
       "area file a.txt: the keep-outs and their margin leave nothing to survey\n"},
      {{square},
       {{{-0.01, 0.05}, {-0.01, 0.051}, {0.2, 0.051}, {0.2, 0.05}}},
       "area file a.txt: the keep-outs and their margin cut it into 2 parts that no move inside "
       "it can join: part 1 around 0.0600 0.0709 (60.027 km2); part 2 around 0.0600 0.0297 "
       "(61.263 km2)\n"},
  };
  for (const auto& c : cases) {
    std::vector<GeoPolygon> keep;
    if (!c.keepOut.empty()) keep.push_back({"k.txt", c.keepOut});
    try {
      prepareSurveyArea(polygonOf(c.area), keep, 50.0);
      ADD_FAILURE() << "accepted: " << c.message;
    } catch (const NurvoError& e) {
      EXPECT_EQ(e.what(), std::string(c.message));
    }
  }
}

// ---- Properties over random star-shaped areas, some with an island and a keep-out, and over
// rough coasts with islands.

struct Case {
  GeoPolygon area;
  std::vector<GeoPolygon> keepOuts;
  SurveySettings settings;
};

GeoRing starRing(std::mt19937& rng, const LocalPlane& plane, Pt centre, double radius, int n,
                 double minShare) {
  std::uniform_real_distribution<double> jitter(-0.3, 0.3);
  std::uniform_real_distribution<double> share(minShare, 1.0);
  GeoRing ring;
  for (int i = 0; i < n; ++i) {
    const double a = 2.0 * std::numbers::pi * (i + jitter(rng)) / n;
    const double r = radius * share(rng);
    ring.push_back(plane.inverse({centre.x() + r * std::cos(a), centre.y() + r * std::sin(a)}));
  }
  return ring;
}

// A coast of 1000 vertices: bays and headlands with small-scale roughness, where neighbouring
// edges are nearly in line.
GeoRing coastRing(std::mt19937& rng, const LocalPlane& plane, double radius) {
  std::uniform_real_distribution<double> rough(0.0, 0.01);
  GeoRing ring;
  for (int i = 0; i < 1000; ++i) {
    const double a = 2.0 * std::numbers::pi * i / 1000;
    const double r = radius * (0.9 - 0.1 * std::sin(7 * a) - rough(rng));
    ring.push_back(plane.inverse({r * std::cos(a), r * std::sin(a)}));
  }
  return ring;
}

Case randomCase(std::mt19937& rng, int index) {
  const GeoPoint centres[] = {{36.8, -121.9}, {70.0, 20.0}, {-16.5, 179.98}, {-45.0, -60.0}};
  const LocalPlane plane(centres[index % 4]);
  std::uniform_int_distribution<int> vertices(3, 40);
  const int n = vertices(rng);
  Case c;
  if (index % 50 == 3) {
    c.area = {"coast", {coastRing(rng, plane, 10000.0)}};
    for (int k = 0; k < 4; ++k) {
      const Pt at(4500.0 * std::cos(k * 1.6), 4500.0 * std::sin(k * 1.6));
      c.keepOuts.push_back({"island", {starRing(rng, plane, at, 500.0, 20 + k, 0.7)}});
    }
  } else {
    c.area = {"random", {starRing(rng, plane, Pt(0, 0), 2500.0, n, 0.6)}};
  }
  if (n >= 8 && index % 3 == 1) c.area.rings.push_back(starRing(rng, plane, Pt(0, 0), 300, 6, 0.5));
  if (n >= 8 && index % 3 == 2) {
    c.keepOuts.push_back({"wreck", {starRing(rng, plane, Pt(500, -300), 80, 5, 0.7)}});
  }
  c.settings.spacing = index % 50 == 3 ? 50.0 : 50.0 + index % 7 * 5.0;
  c.settings.runIn = index % 5 == 0 ? 60.0 : 0.0;
  c.settings.start = static_cast<StartCorner>(index % 4);
  if (index % 25 != 0) c.settings.heading = (index * 37) % 180;
  if (index % 11 == 0) c.settings.tieLineSpacing = 400.0;
  return c;
}

// A position as the mission files write it: latitude and longitude to four decimals.
GeoPoint asWritten(const GeoPoint& g) {
  return {std::round(g.lat * 1e4) / 1e4, std::round(g.lon * 1e4) / 1e4};
}

// Positions written to four decimals lie at most this far apart across the lines for pieces of one
// line: twice the largest rounding error, at the equator.
constexpr double sameLineAcross = 2.0 * 7.87;

// The properties every plan has, checked on the route as the files write it: every leg, lines and
// moves, inside the area (plus the run-in) and outside every keep-out's margin; no leg of a move
// within the capture radius, no main line shorter than 20 m; neighbouring main lines never
// further apart than the spacing, end for end; the area within half a spacing of a main line,
// sampled on a grid, at least `minCoverage` percent and as the plan reports it (line ends kept off
// an oblique shore by the rounding leave slivers beyond them).
void checkPlan(const SurveyArea& area, const std::vector<GeoPolygon>& keepOuts,
               const SurveySettings& settings, double margin, const SurveyPlan& plan,
               double minCoverage) {
  constexpr double tolerance = 0.01;  // metres
  Polygon outer;
  outer.outer() = area.area.outer();
  const MultiPolygon allowed = grown(MultiPolygon{outer}, settings.runIn + tolerance);
  std::vector<Pt> pts;
  for (const SurveyPoint& p : plan.points) {
    const PlanePoint q = area.plane.forward(asWritten(p.pos));
    pts.emplace_back(q.x, q.y);
  }
  std::vector<Polygon> keeps;
  for (const GeoPolygon& k : keepOuts) {
    Polygon keep;
    for (const GeoPoint& g : k.rings.front()) {
      const PlanePoint q = area.plane.forward(g);
      keep.outer().emplace_back(q.x, q.y);
    }
    bg::correct(keep);
    keeps.push_back(keep);
  }
  std::vector<Polygon> holes;
  for (const auto& ring : area.area.inners()) {
    Polygon hole;
    hole.outer() = ring;
    bg::correct(hole);
    holes.push_back(hole);
  }
  for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
    // A corner of a move is never within the capture radius of its neighbours.
    if (plan.points[i].kind == SurveyPointKind::move ||
        plan.points[i + 1].kind == SurveyPointKind::move) {
      EXPECT_GE(bg::distance(pts[i], pts[i + 1]), 10.0) << "leg " << i << " of a move";
    }
    const bg::model::linestring<Pt> leg{pts[i], pts[i + 1]};
    EXPECT_TRUE(bg::covered_by(leg, allowed)) << "leg " << i << " leaves the area";
    for (const Polygon& hole : holes) {
      EXPECT_FALSE(bg::intersects(leg, hole)) << "leg " << i << " enters a hole";
    }
    for (const Polygon& keep : keeps) {
      EXPECT_GE(bg::distance(leg, keep), margin - tolerance) << "leg " << i << " nears a keep-out";
    }
  }
  const double s = std::sin(plan.heading * std::numbers::pi / 180);
  const double co = std::cos(plan.heading * std::numbers::pi / 180);
  auto acrossOf = [&](const Pt& p) { return -p.x() * co + p.y() * s; };
  std::vector<Segment> lines;
  for (std::size_t i = 0; i + 1 < pts.size() && std::ssize(lines) < plan.lines; ++i) {
    if (plan.points[i].kind == SurveyPointKind::lineEnd &&
        plan.points[i + 1].kind == SurveyPointKind::lineEnd) {
      lines.emplace_back(pts[i], pts[i + 1]);
      EXPECT_GE(bg::distance(pts[i], pts[i + 1]), 20.0 - 1e-6) << "line from point " << i;
      ++i;
    }
  }
  // Pieces of one line lie within the rounding of each other; the lines in order across, each
  // as the range its written ends span.
  std::vector<std::pair<double, double>> ends;
  for (const Segment& l : lines) {
    const auto [lo, hi] = std::minmax(acrossOf(l.first), acrossOf(l.second));
    ends.emplace_back(lo, hi);
  }
  std::sort(ends.begin(), ends.end());
  std::vector<std::pair<double, double>> across;
  for (const auto& [lo, hi] : ends) {
    if (!across.empty() && lo - across.back().first < sameLineAcross) {
      across.back().second = std::max(across.back().second, hi);
    } else {
      across.emplace_back(lo, hi);
    }
  }
  for (std::size_t i = 0; i + 1 < across.size(); ++i) {
    EXPECT_LE(across[i + 1].second - across[i].first, settings.spacing + 1e-6) << "lines " << i;
  }
  bg::model::box<Pt> box;
  bg::envelope(area.free, box);
  const Pt lo = box.min_corner();
  const Pt size(box.max_corner().x() - lo.x(), box.max_corner().y() - lo.y());
  long inside = 0, covered = 0;
  for (int gx = 0; gx < 60; ++gx) {
    for (int gy = 0; gy < 60; ++gy) {
      const Pt p(lo.x() + (gx + 0.5) * size.x() / 60, lo.y() + (gy + 0.5) * size.y() / 60);
      if (!bg::covered_by(p, area.free)) continue;
      ++inside;
      for (const Segment& l : lines) {
        if (bg::distance(p, l) <= settings.spacing / 2 + 1e-6) {
          ++covered;
          break;
        }
      }
    }
  }
  const double sampled = 100.0 * static_cast<double>(covered) / static_cast<double>(inside);
  EXPECT_GE(sampled, minCoverage);
  EXPECT_NEAR(plan.coveragePercent, sampled, 1.0);
}

// The sanitizer build runs the first areas only: there every plan takes fifty times as long.
#if defined(__SANITIZE_ADDRESS__)
constexpr int randomAreas = 30;
#else
constexpr int randomAreas = 200;
#endif

TEST(SurveyPlan, StaysInsideKeepsClearSpacesLinesAndCoversRandomAreas) {
  std::mt19937 rng(20240521);
  for (int index = 0; index < randomAreas; ++index) {
    SCOPED_TRACE(testing::Message() << "case " << index);
    const Case c = randomCase(rng, index);
    const SurveyArea area = prepareSurveyArea(c.area, c.keepOuts, 50.0);
    checkPlan(area, c.keepOuts, c.settings, 50.0, planSurvey(area, c.settings, "random"), 98.5);
  }
}

// A box `across` metres east-west and `along` north-south off Monterey.
GeoPolygon boxArea(double across, double along) {
  const LocalPlane plane({36.8, -121.9});
  GeoRing ring;
  for (const auto& [x, y] : {std::pair{-0.5, -0.5}, {-0.5, 0.5}, {0.5, 0.5}, {0.5, -0.5}}) {
    ring.push_back(plane.inverse({x * across, y * along}));
  }
  return {"box", {ring}};
}

// Areas that used to leave strips uncovered or refuse: a box a hair over whole spacings across the
// lines, whose outermost lines fell on its edges and were cut to pieces; a channel narrower than
// a line's strip, which the search for a heading refused though heading 90 plans it with one line.
TEST(SurveyPlan, CoversPlantedAreasAsWritten) {
  const struct {
    const char* what;
    GeoPolygon area;
    double spacing;
    std::optional<double> heading;
  } cases[] = {
      {"box a hair over 30 spacings", boxArea(3000.05, 2000.0), 100.0, 0.0},
      {"box a hair over 6 spacings", boxArea(3000.05, 2000.0), 500.0, 0.0},
      {"box a hair over 20 spacings, lines east", boxArea(2000.0, 3000.05), 150.0, 90.0},
      {"3 km by 20 m channel, heading searched", boxArea(3000.0, 20.0), 50.0, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SurveySettings settings;
    settings.spacing = c.spacing;
    settings.heading = c.heading;
    const SurveyArea area = prepareSurveyArea(c.area, {}, 0.0);
    checkPlan(area, {}, settings, 0.0, planSurvey(area, settings, "box"), 99.5);
  }
}

// The golden surveys, planned again, have the same properties as written.
TEST(SurveyPlan, GoldenSurveysHaveThePropertiesToo) {
  namespace fs = std::filesystem;
  for (const auto& entry : fs::directory_iterator(NURVO_TESTS_DIR "/golden")) {
    const fs::path dir = entry.path();
    if (dir.filename().string().rfind("survey_", 0) != 0) continue;
    SCOPED_TRACE(dir.filename().string());
    test::ScratchDir scratch;
    const fs::path routeFile = test::routeFileOf(dir);
    fs::copy(routeFile, routeFile.filename());
    if (fs::exists(dir / "inputs")) fs::copy(dir / "inputs", ".");
    std::vector<std::string> words = {"nurvo"};
    for (const std::string& a : test::lines(test::readFile((dir / "args").string()))) {
      words.push_back(a);
    }
    words.push_back(routeFile.filename().string());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    StringSink out;
    const RunSettings run = parseOptions(static_cast<int>(argv.size()), argv.data(), out);
    const SurveyRequest& r = run.survey;
    std::vector<GeoPolygon> keepOuts;
    for (const std::string& k : r.keepOutFiles) keepOuts.push_back(readPolygonFile(k, "keep-out"));
    const SurveyArea area =
        prepareSurveyArea(readPolygonFile(r.areaFile, "area"), keepOuts, r.keepOutMargin);
    checkPlan(area, keepOuts, r.settings, r.keepOutMargin, planRequestedSurvey(r), 98.5);
  }
}

}  // namespace
}  // namespace nurvo
