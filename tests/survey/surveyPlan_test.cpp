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
  const GeoRing holeA = {{0.02, 0.02}, {0.02, 0.05}, {0.05, 0.05}, {0.05, 0.02}};
  const struct {
    std::vector<GeoRing> area;
    std::vector<GeoRing> keepOut;
    const char* message;
    bool pointKeepOut = false;
    double margin = 50.0;
  } cases[] = {
      {{{{0, 0}, {0, 0.1}, {0, 0.1}, {0, 0}}},
       {},
       "area file a.txt: outer ring: has 2 distinct vertices: vertex 1 (0 0), vertex 2 (0 0.1); a "
       "ring needs at least 3\n"},
      {{{{0, 0}, {0, 0.1}, {0, 0.2}}},
       {},
       "area file a.txt: outer ring: encloses no area: its vertices lie on one line, from vertex 1 "
       "(0 0) to vertex 3 (0 0.2)\n"},
      {{{{0, 0}, {0.1, 0.1}, {0, 0.1}, {0.12, 0}}},
       {},
       "area file a.txt: outer ring: edge 1 (vertex 1 to 2) crosses edge 3 (vertex 3 to 4) at "
       "0.054546 0.054545\n"},
      {{square, {{0.05, 0.05}, {0.05, 0.2}, {0.06, 0.06}}},
       {},
       "area file a.txt: hole 1: vertex 2 (0.05 0.2) lies outside the outer ring\n"},
      {{{{89.5, 0}, {89.7, 100}, {89.3, -130}}},
       {},
       "area file a.txt: outer ring: goes round the north pole; a ring must lie to one side of a "
       "pole\n"},
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
      {{{{0, 0}, {0, 0.1}, {0.1, 0.1}, {0.05, 0.05}, {0.1, 0}, {0.05, 0.05}}},
       {},
       "area file a.txt: outer ring: vertex 6 (0.05 0.05) repeats vertex 4; a ring passes each "
       "point once\n"},
      // On one parallel, but round the pole: not a ring without area.
      {{{{85, 0}, {85, 90}, {85, 180}, {85, -90}}},
       {},
       "area file a.txt: outer ring: goes round the north pole; a ring must lie to one side of a "
       "pole\n"},
      {{square, holeA, {{0.02, 0.05}, {0.02, 0.08}, {0.05, 0.08}, {0.05, 0.05}}},
       {},
       "area file a.txt: hole 1 and hole 2 meet along an edge or cross at 0.05 0.05; rings may "
       "touch only at single points\n"},
      {{square, holeA, {{0.03, 0.03}, {0.03, 0.04}, {0.04, 0.04}, {0.04, 0.03}}},
       {},
       "area file a.txt: hole 2 lies inside hole 1, around 0.03 0.03\n"},
      {{square},
       {{{0.1, 0.2}, {0.15, 0.25}, {0.1, 0.25}, {0.15, 0.2}}},
       "keep-out file k.txt: polygon 2: outer ring: edge 1 (vertex 1 to 2) crosses edge 3 (vertex "
       "3 to 4) at 0.125 0.225\n"},
      {{square},
       {{{0.05, 0.05}}},
       "keep-out file k.txt: point 2 at 0.05 0.05: a point is kept clear by the margin, and "
       "--keep-out-margin is 0\n",
       true,
       0.0},
  };
  for (const auto& c : cases) {
    std::vector<GeoPolygon> keep;
    if (!c.keepOut.empty()) {
      // A file of two keep-outs, the first good, so that the refusal names the second.
      keep.push_back({"k.txt", {{{0.5, 0.5}, {0.5, 0.51}, {0.51, 0.51}}}, "polygon 1"});
      keep.push_back(
          {"k.txt", c.keepOut, c.pointKeepOut ? "point 2" : "polygon 2", c.pointKeepOut});
    }
    try {
      prepareSurveyArea(polygonOf(c.area), keep, c.margin);
      ADD_FAILURE() << "accepted: " << c.message;
    } catch (const NurvoError& e) {
      EXPECT_EQ(e.what(), std::string(c.message));
    }
  }
  // A closing point written twice closes the ring once.
  const GeoRing closedTwice = {{0, 0}, {0, 0.1}, {0.1, 0.1}, {0.1, 0}, {0, 0}, {0, 0}};
  EXPECT_NO_THROW(prepareSurveyArea(polygonOf({closedTwice}), {}, 50.0));
}

// nurvo's own GeoJSON export of an area across the antimeridian, cut there into a MultiPolygon,
// reads back as that area.
TEST(AreaFile, AnExportCutAtTheAntimeridianReadsBackAsItsArea) {
  const std::string dir = NURVO_TESTS_DIR "/golden/survey_antimeridian/";
  const SurveyArea given = prepareSurveyArea(readPolygonFile(dir + "route.txt", "area"), {}, 0.0);
  const SurveyArea read =
      prepareSurveyArea(readPolygonFile(dir + "files/2026_340_1529.geojson", "area"), {}, 0.0);
  MultiPolygon apart;
  bg::sym_difference(given.area, read.area, apart);
  EXPECT_LT(bg::area(apart), 1.0);
  EXPECT_GT(bg::area(read.area), 1e6);
}

// The operating area contains the area, a shared shore allowed within a metre (the square's
// southern corners lie on a parallel, which bows 0.4 m off the 3.3 km chord of the operating
// area's southern edge); an island of it may be a hole of the area, or a notch of it whose shore
// the two share to a few centimetres, but take none of its water.
TEST(SurveyArea, AnOperatingAreaContainsTheArea) {
  const GeoRing square = {{60, 0}, {60, 0.02}, {60.02, 0.02}, {60.02, 0}};
  const GeoRing islet = {{60.009, 0.009}, {60.009, 0.011}, {60.011, 0.011}, {60.011, 0.009}};
  const GeoRing bigger = {{60, -0.02}, {60, 0.04}, {60.04, 0.04}, {60.04, -0.02}};
  // An island across the square's eastern edge, a notch of the square whose corner lies `off`
  // degrees of latitude inside the island.
  const GeoRing island = {{60.009, 0.019}, {60.009, 0.021}, {60.011, 0.021}, {60.011, 0.019}};
  const auto notched = [](double off) {
    return GeoRing{{60, 0},         {60, 0.02},     {60.009 + off, 0.02}, {60.009, 0.019},
                   {60.011, 0.019}, {60.011, 0.02}, {60.02, 0.02},        {60.02, 0}};
  };
  const struct {
    std::vector<GeoRing> area;
    std::vector<GeoRing> operating;
    const char* message;  // null: accepted
  } cases[] = {
      {{square}, {bigger}, nullptr},
      {{square, islet}, {bigger, islet}, nullptr},
      {{notched(2e-8)}, {bigger, island}, nullptr},
      {{notched(4.5e-6)},
       {bigger, island},
       "operating area file w.txt: hole 1 takes in water of the area of a.txt, at 60.0090 "
       "0.0190\n"},
      {{square},
       {{{60.001, -0.02}, {60.001, 0.04}, {60.04, 0.04}, {60.04, -0.02}}},
       "operating area file w.txt: does not contain the area of a.txt: its vertex 1 (60.0000 "
       "0.0000) lies outside\n"},
      {{square},
       {bigger, islet},
       "operating area file w.txt: hole 1 takes in water of the area of a.txt, at 60.0090 "
       "0.0090\n"},
  };
  for (const auto& c : cases) {
    const GeoPolygon water{"w.txt", c.operating};
    try {
      const SurveyArea a = prepareSurveyArea(polygonOf(c.area), {}, 50.0, &water);
      EXPECT_EQ(c.message, nullptr) << "accepted";
      EXPECT_GT(bg::area(a.water), bg::area(a.free));
    } catch (const NurvoError& e) {
      EXPECT_EQ(e.what(), std::string(c.message == nullptr ? "" : c.message));
    }
  }
}

// ---- Properties over random star-shaped areas, some with an island and a keep-out, and over
// rough coasts with islands.

struct Case {
  GeoPolygon area;
  std::vector<GeoPolygon> keepOuts;
  SurveySettings settings;
  std::optional<GeoPolygon> operating;
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
  // Run-ins of every other such case have water beyond the area; the others are cut to nothing.
  if (index % 10 == 0) {
    GeoRing circle;
    for (int i = 0; i < 40; ++i) {
      const double a = -2.0 * std::numbers::pi * i / 40;
      circle.push_back(plane.inverse({4000.0 * std::cos(a), 4000.0 * std::sin(a)}));
    }
    c.operating = {"water", {circle}};
  }
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
// moves, inside the water and outside every keep-out's margin; the launch waypoint, launchBehind
// metres behind the first point, and its leg inside the water; no leg of a move
// within the capture radius, no main line shorter than 20 m; neighbouring main lines never
// further apart than the spacing, end for end; the area within half a spacing of a main line,
// sampled on a grid, at least `minCoverage` percent and as the plan reports it (line ends kept off
// an oblique shore by the rounding leave slivers beyond them).
void checkPlan(const SurveyArea& area, const std::vector<GeoPolygon>& keepOuts,
               const SurveySettings& settings, double margin, const SurveyPlan& plan,
               double minCoverage) {
  constexpr double tolerance = 0.01;  // metres
  const MultiPolygon allowed = grown(MultiPolygon{area.water}, tolerance);
  std::vector<Pt> pts;
  for (const SurveyPoint& p : plan.points) {
    const PlanePoint q = area.plane.forward(asWritten(p.pos));
    pts.emplace_back(q.x, q.y);
  }
  ASSERT_GE(pts.size(), 2u);
  EXPECT_TRUE(plan.launchInWater);
  const double toLaunch = settings.launchBehind / bg::distance(pts[0], pts[1]);
  const Pt launch(pts[0].x() - (pts[1].x() - pts[0].x()) * toLaunch,
                  pts[0].y() - (pts[1].y() - pts[0].y()) * toLaunch);
  EXPECT_TRUE(bg::covered_by(bg::model::linestring<Pt>{launch, pts[0]}, area.water))
      << "the launch waypoint or its leg leaves the water";
  std::vector<Polygon> keeps;
  std::vector<Pt> keepPoints;
  for (const GeoPolygon& k : keepOuts) {
    if (k.point) {
      const PlanePoint q = area.plane.forward(k.rings.front().front());
      keepPoints.emplace_back(q.x, q.y);
      continue;
    }
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
    if (plan.points[i].kind == WaypointKind::move ||
        plan.points[i + 1].kind == WaypointKind::move) {
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
    for (const Pt& keep : keepPoints) {
      EXPECT_GE(bg::distance(leg, keep), margin - 1.0) << "leg " << i << " nears a keep-out";
    }
  }
  const double s = std::sin(plan.heading * std::numbers::pi / 180);
  const double co = std::cos(plan.heading * std::numbers::pi / 180);
  auto acrossOf = [&](const Pt& p) { return -p.x() * co + p.y() * s; };
  std::vector<Segment> lines;
  for (std::size_t i = 0; i + 1 < pts.size() && std::ssize(lines) < plan.lines; ++i) {
    if (plan.points[i].kind == WaypointKind::lineEnd &&
        plan.points[i + 1].kind == WaypointKind::lineEnd) {
      lines.emplace_back(pts[i], pts[i + 1]);
      EXPECT_GE(bg::distance(pts[i], pts[i + 1]), 20.0 - 1e-6) << "line from point " << i;
      ++i;
    }
  }
  // Pieces of one line lie within the rounding of each other; the lines in order across, each
  // as the range its written ends span.
  std::vector<std::pair<double, double>> ends;
  for (const Segment& l : lines) {
    // The list form returns values: the pair form would refer to the two temporaries.
    ends.push_back(std::minmax({acrossOf(l.first), acrossOf(l.second)}));
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
    const SurveyArea area =
        prepareSurveyArea(c.area, c.keepOuts, 50.0, c.operating ? &*c.operating : nullptr);
    checkPlan(area, c.keepOuts, c.settings, 50.0, planSurvey(area, c.settings, "random"), 98.5);
  }
}

// A 60 m spit of land reaches 600 m into a 2 km bay from its southern shore, the operating area's
// shore too, and lines 45 m apart run across it with 50 m run-ins. No line, run-in or move crosses
// the spit: the pieces either side of it stay apart, their run-ins towards it are shortened, and
// the launch waypoint is found open water.
TEST(SurveyPlan, RunInsAndMovesStayOffASpit) {
  const LocalPlane plane({59.3, 18.3});
  auto ring = [&](std::initializer_list<Pt> pts) {
    GeoRing r;
    for (const Pt& p : pts) r.push_back(plane.inverse({p.x(), p.y()}));
    return r;
  };
  const GeoPolygon area{"bay",
                        {ring({{0, 0},
                               {970, 0},
                               {970, 600},
                               {1030, 600},
                               {1030, 0},
                               {2000, 0},
                               {2000, 1000},
                               {0, 1000}})}};
  const GeoPolygon water{"water",
                         {ring({{-1000, 0},
                                {970, 0},
                                {970, 600},
                                {1030, 600},
                                {1030, 0},
                                {3000, 0},
                                {3000, 2000},
                                {-1000, 2000}})}};
  SurveySettings settings;
  settings.spacing = 45.0;
  settings.heading = 90.0;
  settings.runIn = 50.0;
  const SurveyArea prepared = prepareSurveyArea(area, {}, 0.0, &water);
  const SurveyPlan plan = planSurvey(prepared, settings, "bay");
  checkPlan(prepared, {}, settings, 0.0, plan, 99.0);
  Polygon spit;
  spit.outer() = {{971, -1}, {971, 599}, {1029, 599}, {1029, -1}, {971, -1}};
  bg::correct(spit);
  for (std::size_t i = 0; i + 1 < plan.points.size(); ++i) {
    const PlanePoint a = plane.forward(plan.points[i].pos);
    const PlanePoint b = plane.forward(plan.points[i + 1].pos);
    EXPECT_FALSE(bg::intersects(Segment(Pt(a.x, a.y), Pt(b.x, b.y)), spit)) << "leg " << i;
  }
  // The lines up to 590 m from the shore cross the spit, each cut in two: the two run-ins of each
  // towards it are shortened, and the run-ins of the lines along the shore too.
  EXPECT_GE(plan.runInsShortened, 28);
  EXPECT_EQ(plan.runIns, 2 * plan.lines);
}

// A box `across` metres east-west and `along` north-south off Monterey. Its southern edge may be
// a shore that rises `shore` metres (each) at points evenly spaced along it; the box is then
// widened `beyond` metres to the west, north and east only, its shore kept.
GeoPolygon boxArea(double across, double along, const std::vector<double>& shore = {},
                   double beyond = 0.0) {
  const LocalPlane plane({36.8, -121.9});
  const double w = across / 2 + beyond;
  const double s = -along / 2;
  std::vector<Pt> pts = {{-w, s}, {-w, along / 2 + beyond}, {w, along / 2 + beyond}, {w, s}};
  if (!shore.empty() && beyond > 0.0) pts.emplace_back(across / 2, s);
  for (std::size_t i = shore.size(); i > 0; --i) {
    const double at = static_cast<double>(i) / static_cast<double>(shore.size() + 1) - 0.5;
    pts.emplace_back(across * at, s + shore[i - 1]);
  }
  if (!shore.empty() && beyond > 0.0) pts.emplace_back(-across / 2, s);
  GeoRing ring;
  for (const Pt& p : pts) ring.push_back(plane.inverse({p.x(), p.y()}));
  return {"box", {ring}};
}

// Areas that used to leave strips uncovered or refuse: a box a hair over whole spacings across the
// lines, whose outermost lines fell on its edges and were cut to pieces; a channel narrower than
// a line's strip, which the search for a heading refused though heading 90 plans it with one line;
// a strip crossed by lines that, kept clear of both its sides, are shorter than 20 m plus the
// most rounding can take off them, though not as written;
// a shore that the operating area shares, where lines ended just beyond the water shrunk for the
// moves and no move started from them.
TEST(SurveyPlan, CoversPlantedAreasAsWritten) {
  const struct {
    const char* what;
    double across, along;
    double spacing;
    std::optional<double> heading;
    std::vector<double> shore;
  } cases[] = {
      {"box a hair over 30 spacings", 3000.05, 2000.0, 100.0, 0.0, {}},
      {"box a hair over 6 spacings", 3000.05, 2000.0, 500.0, 0.0, {}},
      {"box a hair over 20 spacings, lines east", 2000.0, 3000.05, 150.0, 90.0, {}},
      {"3 km by 20 m channel, heading searched", 3000.0, 20.0, 50.0, std::nullopt, {}},
      {"43 m strip crossed by the lines", 300.0, 43.0, 50.0, 0.0, {}},
      {"shore shared with the operating area", 3000.0, 2000.0, 50.0, 0.0, {50.0, 20.0, 100.0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SurveySettings settings;
    settings.spacing = c.spacing;
    settings.heading = c.heading;
    // Open water 1 km round the box but for its shore, where the launch waypoint goes.
    const GeoPolygon water = c.shore.empty() ? boxArea(c.across + 2000.0, c.along + 2000.0)
                                             : boxArea(c.across, c.along, c.shore, 1000.0);
    const SurveyArea area = prepareSurveyArea(boxArea(c.across, c.along, c.shore), {}, 0.0, &water);
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
    for (const std::string& k : r.keepOutFiles)
      for (GeoPolygon& g : readKeepOutFile(k)) keepOuts.push_back(std::move(g));
    std::optional<GeoPolygon> operating;
    if (!r.operatingAreaFile.empty()) {
      operating = readPolygonFile(r.operatingAreaFile, "operating area");
    }
    const SurveyArea area = prepareSurveyArea(readPolygonFile(r.areaFile, "area"), keepOuts,
                                              r.keepOutMargin, operating ? &*operating : nullptr);
    checkPlan(area, keepOuts, r.settings, r.keepOutMargin, planRequestedSurvey(r), 98.5);
  }
}

}  // namespace
}  // namespace nurvo
