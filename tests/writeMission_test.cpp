// The texts of the output files, rendered in memory from routes built by hand.
#include "writeMission.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "svgPicture.h"
#include "testSupport.h"

namespace nurvo {
namespace {

using test::contains;

struct NodeValues {
  int wptNumber;
  double Lat, Lon, legMeters, heading, legSecs;
};

// A prepared route as the writers see it, first node the launch waypoint.
wptList makeRoute(std::initializer_list<NodeValues> nodes) {
  wptList route;
  for (const NodeValues& v : nodes) {
    route.insertLatLonEnd(v.Lat, v.Lon);
    node* n = route.tail();
    n->wptNumber = v.wptNumber;
    n->legMeters = v.legMeters;
    n->heading = v.heading;
    n->legSecs = v.legSecs;
  }
  return route;
}

// Launch waypoint, waypoint 1, waypoint 2 at the given positions; legs of 500 and 1660.2 m.
wptList threeNodes(double lat0, double lon0, double lat1, double lon1, double lat2, double lon2) {
  return makeRoute({{0, lat0, lon0, 500.0, 87.5, 650.0},
                    {1, lat1, lon1, 1660.2, 87.5, 1660.2},
                    {2, lat2, lon2, 0.0, 0.0, 0.0}});
}

wptList workedExampleRoute() {
  return threeNodes(36.8165, -121.8226, 36.8167, -121.8170, 36.8174, -121.7984);
}

std::string mission(const wptList& route, const MissionParams& params = {},
                    const RouteTotals& totals = {2160.2, 2310.2}) {
  StringSink s;
  writeMission(s, route, params, totals, "2026_340_1529.cfg");
  return s.text;
}

std::string csv(const wptList& route, const RouteTotals& totals = {2160.2, 2310.2}) {
  StringSink s;
  write_csvFwd(s, route, totals);
  return s.text;
}

// The blocks of the group whose marker names waypoint `number`, from the marker above it.
std::string group(const std::string& text, int number) {
  std::size_t end =
      text.find("\n# ***** WAYPOINT NUMBER: " + std::to_string(number) + " ^ *****\n");
  if (end == std::string::npos) {
    end = text.find("\n# ***** FINAL WAYPOINT NUMBER: " + std::to_string(number) + " ^ *****\n");
  }
  if (end == std::string::npos) return {};
  const std::size_t start = text.rfind("^ *****\n", end);
  return text.substr(start, end - start);
}

// The two steering lines of a group's climb.
std::string climbSteering(const std::string& text, int number) {
  const std::string g = group(text, number);
  const std::size_t from = g.find("duration         = 1200;\n");
  const std::size_t to = g.find("pitch            = 20;\n");
  if (from == std::string::npos || to == std::string::npos) return {};
  const std::size_t start = from + std::string("duration         = 1200;\n").size();
  return g.substr(start, to - start);
}

const std::string rudderPair = "horizontalMode   = rudder;\nhorizontal       = 5;\n";
std::string headingPair(int headingInt) {
  return "horizontalMode   = heading;\nhorizontal       = " + std::to_string(headingInt) + ";\n";
}

int count(const std::string& text, const std::string& part) {
  int n = 0;
  for (std::size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++n;
  return n;
}

TEST(DegreeSplit, WholeDegreesTruncateAndMinutesAreNeverNegative) {
  const auto split = [](double v) {
    const DegreeDecMin s = toDegreeDecMin(v);
    return strprintf("%.0f %.4f", s.degreeOnly, s.decMin);
  };
  // Minutes that would print as 60.0000 carry into the degrees, away from zero.
  EXPECT_EQ(split(36.9999999), "37 0.0000");
  EXPECT_EQ(split(-121.9999999), "-122 0.0000");
  EXPECT_EQ(split(-0.9999999), "-1 0.0000");
  EXPECT_EQ(split(36.999999), "36 59.9999");
  EXPECT_EQ(split(36.8167), "36 49.0020");
  EXPECT_EQ(split(-121.85), "-121 51.0000");
  EXPECT_EQ(split(-0.5), "-0 30.0000");
  EXPECT_EQ(toDegreeDecMin(-121.85).degreeDecFraction, 121.85 - 121.0);
  EXPECT_GE(toDegreeDecMin(-0.25).decMin, 0.0);

  // The report keeps the sign of the degrees, also for a value between -1 and 0.
  const std::string report = csv(
      makeRoute({{0, -0.5, -121.85, 500.0, 90.0, 650.0}, {1, 36.9999999, 0.25, 0.0, 0.0, 0.0}}));
  EXPECT_TRUE(
      contains(report, "\n0,-0.5000,-121.8500,90.0,500.0,650.0,\n, -0 30.0000, -121 51.0000"));
  EXPECT_TRUE(contains(report, "\n1,37.0000,0.2500,0.0,0.0,0.0,\n, 37 0.0000, 0 15.0000"));
}

TEST(MissionComments, HemisphereLettersFollowTheSignsWithUnsignedDegrees) {
  const std::string south = mission(threeNodes(-12.5, 5.25, 36.8167, -121.8170, 0.0, 0.0));
  EXPECT_TRUE(contains(group(south, 1), "# N36 49.0020 W121 49.0200\n"));
  EXPECT_TRUE(contains(group(south, 2), "# N0 0.0000 E0 0.0000\n"));  // 0 takes N and E
  // The launch comments at the bottom of the script.
  EXPECT_TRUE(south.ends_with(
      "# LAT/LON: -12.5000 5.2500\n# S12 30.0000 E5 15.0000\n# INITIAL HEADING:  87.5  \n"));

  const std::string nearZero = mission(threeNodes(36.8, -121.8, -0.5, -0.25, 0.25, 179.5));
  EXPECT_TRUE(contains(group(nearZero, 1), "# S0 30.0000 W0 15.0000\n"));
  EXPECT_TRUE(contains(group(nearZero, 2), "# N0 15.0000 E179 30.0000\n"));

  const std::string sixty =
      mission(threeNodes(36.8, -121.8, 36.9999999, -121.9999999, -0.9999999, 0.9999999));
  EXPECT_TRUE(contains(group(sixty, 1), "# N37 0.0000 W122 0.0000\n"));
  EXPECT_TRUE(contains(group(sixty, 2), "# S1 0.0000 E1 0.0000\n"));
  for (const std::string& text : {south, nearZero, sixty}) {
    EXPECT_FALSE(contains(text, "# N-"));
    EXPECT_FALSE(contains(text, "# S-"));
    EXPECT_FALSE(contains(text, " W-"));
    EXPECT_FALSE(contains(text, " E-"));
  }
}

TEST(Rounding, HeadingsAndYoyoDurationsRoundHalvesToEven) {
  const wptList route = makeRoute({{0, 36.8165, -121.8226, 500.0, 86.5, 650.5},
                                   {1, 36.8167, -121.8170, 1660.2, 87.5, 1106.8},
                                   {2, 36.8174, -121.7984, 0.0, 0.0, 0.0}});
  const std::string yoyo = mission(route);
  const std::string g1 = group(yoyo, 1);  // leg values from the launch waypoint
  EXPECT_EQ(climbSteering(yoyo, 1), headingPair(86));
  EXPECT_TRUE(contains(g1, "horizontal      = 86;\n"));
  EXPECT_TRUE(contains(g1, "heading      = 86;\n"));
  EXPECT_TRUE(contains(g1, "duration      = 650;\n"));
  const std::string g2 = group(yoyo, 2);  // leg values from waypoint 1
  EXPECT_TRUE(contains(g2, "horizontal      = 88;\n"));
  EXPECT_TRUE(contains(g2, "heading      = 88;\n"));
  EXPECT_TRUE(contains(g2, "duration      = 1107;\n"));

  MissionParams plain;
  plain.yoyoMission = 0;
  const std::string fixedDepth = mission(route, plain);
  EXPECT_TRUE(contains(group(fixedDepth, 1), "duration      = 650.5;\n"));
  EXPECT_TRUE(contains(group(fixedDepth, 2), "duration      = 1106.8;\n"));

  EXPECT_EQ(roundHalfEven(86.5), 86);
  EXPECT_EQ(roundHalfEven(87.5), 88);
  EXPECT_EQ(roundHalfEven(650.5), 650);
  EXPECT_EQ(roundHalfEven(0.5), 0);
  EXPECT_EQ(roundHalfEven(1106.8), 1107);
}

TEST(Rounding, ReportRoundsHeadingMetresAndSecondsHalvesToEven) {
  const std::string report = csv(makeRoute({{0, 36.8, -121.9, 1234.5, 359.6, 1235.5},
                                            {3, 36.8, -121.85, 1234.5, 45.6, 1234.5},
                                            {4, 36.9, -121.8, 0.0, 0.0, 0.0}}));
  EXPECT_TRUE(contains(report, "\n\n0,36.8000,-121.9000,360.0,1234.0,1236.0,\n"));
  EXPECT_TRUE(
      contains(report, "\n\n3,36.8000,-121.8500,46.0,1234.0,1234.0,\n, 36 48.0000, -121 51.0000"));
  EXPECT_TRUE(contains(report, "\n\n4,36.9000,-121.8000,0.0,0.0,0.0,\n"));
}

TEST(TurnRule, TheClimbKeepsTheHeadingUnlessTheTurnExceeds70Degrees) {
  // The group of waypoint N compares the leg leaving N with the leg arriving at N.
  const std::string text = mission(makeRoute({{0, 36.80, -121.90, 500.0, 20.0, 650.0},
                                              {1, 36.81, -121.89, 1000.0, 90.0, 1000.0},
                                              {2, 36.82, -121.88, 1000.0, 160.5, 1000.0},
                                              {3, 36.83, -121.87, 1000.0, 10.0, 1000.0},
                                              {4, 36.84, -121.86, 1000.0, 350.0, 1000.0},
                                              {5, 36.85, -121.85, 1000.0, 300.0, 1000.0},
                                              {6, 36.86, -121.84, 1000.0, 230.0, 1000.0},
                                              {7, 36.87, -121.83, 0.0, 0.0, 0.0}}));
  EXPECT_EQ(climbSteering(text, 1), headingPair(20));   // 90 - 20: exactly 70
  EXPECT_EQ(climbSteering(text, 2), rudderPair);        // 160.5 - 90: 70.5
  EXPECT_EQ(climbSteering(text, 3), rudderPair);        // 10 - 160.5
  EXPECT_EQ(climbSteering(text, 4), rudderPair);        // 350 against 10: no folding across north
  EXPECT_EQ(climbSteering(text, 5), headingPair(350));  // 300 - 350: -50
  EXPECT_EQ(climbSteering(text, 6), headingPair(300));  // 230 - 300: exactly -70
  EXPECT_EQ(climbSteering(text, 7), rudderPair);        // final group

  // The final group takes the rudder pair even without a turn.
  const std::string straight = mission(makeRoute({{0, 36.80, -121.90, 500.0, 30.0, 650.0},
                                                  {1, 36.81, -121.89, 1000.0, 30.0, 1000.0},
                                                  {2, 36.82, -121.88, 0.0, 30.0, 0.0}}));
  EXPECT_EQ(climbSteering(straight, 1), headingPair(30));
  EXPECT_EQ(climbSteering(straight, 2), rudderPair);
}

TEST(Flags, OnlyTheValue1SwitchesYoyoLegsOn) {
  for (const int v : {0, 1, 2}) {
    SCOPED_TRACE(v);
    MissionParams params;
    params.yoyoMission = v;
    const std::string text = mission(workedExampleRoute(), params);
    const bool on = v == 1;
    EXPECT_EQ(contains(text,
                       "#define MISSION_YOYO_MIN_DEPTH 10\n#define MISSION_YOYO_MAX_DEPTH 90\n"
                       "#define YOYO_MIN_ALTITUDE 15\n#define MISSION_SPEED 1.500\n"),
              on);
    EXPECT_EQ(count(text, "\nbehavior waypoint_yoyo  {\n"), on ? 2 : 0);
    EXPECT_EQ(count(text, "\n# waypoint behavior\nbehavior waypoint {\n"), on ? 0 : 2);
    EXPECT_EQ(count(text, "depth         = 50.0; \n"), on ? 0 : 2);
    EXPECT_TRUE(contains(text, "#define MISSION_SPEED 1.500\n#define MISSION_SPEED_SLOW 1.250\n"));
  }
}

TEST(Flags, OnlyTheValue1ArmsTheSamplers) {
  for (const int v : {0, 1, 2}) {
    SCOPED_TRACE(v);
    MissionParams params;
    params.sorbelMission = v;
    const std::string text = mission(workedExampleRoute(), params);
    const bool on = v == 1;
    EXPECT_EQ(contains(text,
                       "#\n#   *** SORBELS ARMED AT START OF MISSION ***\n"
                       "# *** MOVE THE ARMING BEHAVIOR IF NECESSARY ***\n#\n#define"),
              on);
    EXPECT_EQ(contains(text,
                       "\n# ***** WAYPOINT NUMBER: 1 ^ *****\n\n#Arm UNFIRED sorbels for "
                       "adaptive firing#\nbehavior ArmTheSorbel{\nduration = 5;\nsorbel0 = 1;\n"),
              on);
    EXPECT_EQ(count(text, " = 1;\n"), on ? 20 : 0);
    EXPECT_EQ(contains(text, "sorbel19 = 1;\n}\n\n# ***** LAUNCH WAYPOINT 0 *****\n"), on);
    if (!on) {
      EXPECT_TRUE(contains(text, "abortOnTimeout is True ***\n#\n#define"));
      EXPECT_TRUE(contains(text, "NUMBER: 1 ^ *****\n\n# ***** LAUNCH WAYPOINT 0 *****\n"));
    }
  }
}

TEST(Flags, OnlyTheValue1MakesGpsFixesAbortOnTimeout) {
  for (const int v : {0, 1, 2}) {
    SCOPED_TRACE(v);
    MissionParams params;
    params.abortOnTimeout = v;
    const std::string text = mission(workedExampleRoute(), params);
    const std::string word = v == 1 ? "True" : "False";
    const std::string other = v == 1 ? "False" : "True";
    EXPECT_TRUE(contains(text, "#             *** abortOnTimeout is " + word + " ***\n"));
    // The long fix at the mission's end and the fix of each of the two groups.
    EXPECT_EQ(count(text, "abortOnTimeout = " + word + ";\n"), 3);
    EXPECT_FALSE(contains(text, other));
  }
}

TEST(Totals, HoursAndMinutesTruncate) {
  struct Case {
    double missionTime;
    const char* hours;
    const char* minutes;
  };
  for (const Case& c : {Case{3599.9, "0", "59"}, Case{3600.0, "1", "0"}, Case{7325.5, "2", "2"},
                        Case{59.9, "0", "0"}, Case{4321.5, "1", "12"}, Case{7199.9, "1", "59"}}) {
    SCOPED_TRACE(c.missionTime);
    const RouteTotals totals{500.0, c.missionTime};
    EXPECT_TRUE(
        contains(mission(workedExampleRoute(), {}, totals),
                 strprintf("seconds\n#    %s hours\n#    %s minutes\n\n", c.hours, c.minutes)));
    EXPECT_TRUE(
        csv(workedExampleRoute(), totals)
            .ends_with(strprintf("seconds\n    %s hours\n    %s minutes\n", c.hours, c.minutes)));
  }
}

TEST(Totals, TheMissionTimerIs120PercentTruncated) {
  EXPECT_TRUE(contains(mission(workedExampleRoute(), {}, {500.0, 4321.5}), "\ntimeOut = 5185;\n"));
  EXPECT_TRUE(contains(mission(workedExampleRoute(), {}, {500.0, 2310.2}), "\ntimeOut = 2772;\n"));
  EXPECT_TRUE(contains(mission(workedExampleRoute(), {}, {500.0, 650.0}), "\ntimeOut = 780;\n"));
}

TEST(Totals, AVeryLongMissionPrintsItsTrueValues) {
  // 1e10 s: the timer, the hours and the seconds are all beyond a 32-bit int.
  const RouteTotals totals{9.5e9, 1.0e10};
  const std::string text = mission(workedExampleRoute(), {}, totals);
  EXPECT_TRUE(contains(text,
                       "# Expected survey line distance: 9500000000.0 meters\n"
                       "# Expected mission time: 10000000000.0 seconds\n"
                       "#    2777777 hours\n#    46 minutes\n"));
  EXPECT_TRUE(contains(text, "\ntimeOut = 12000000000;\n"));
  EXPECT_TRUE(csv(workedExampleRoute(), totals)
                  .ends_with("\n\nExpected survey line 9500000000.0 meters\n\n"
                             "Expected mission time 10000000000.0 seconds\n"
                             "    2777777 hours\n    46 minutes\n"));
}

TEST(RouteExport, AHugeTangledRouteIsDrawnUnderTheSizeLimitAndExportedWhole) {
  // 200,000 waypoints scattered over a kilometre: no two legs to merge, far too many to draw.
  wptList route;
  for (int i = 0; i < 200'000; ++i) {
    route.insertLatLonEnd(36.0 + 0.009 * (i * 7919LL % 1000) / 1000.0,
                          -122.0 + 0.011 * (i * 104729LL % 997) / 997.0);
  }
  const ExportInput in{route, RouteTotals{}, MissionParams{}, "2026_340_1529"};
  StringSink svg, gpx;
  renderSvg(svg, in);
  EXPECT_LT(svg.text.size(), svgSizeLimit);
  EXPECT_TRUE(contains(svg.text, "Simplified drawing"));
  renderGpx(gpx, in);
  std::size_t points = 0;
  for (std::size_t p = gpx.text.find("<rtept "); p != std::string::npos;
       p = gpx.text.find("<rtept ", p + 1)) {
    ++points;
  }
  EXPECT_EQ(points, 200'000u);
}

TEST(RouteExport, GpxWritesTheMeridian180AsMinus180) {
  wptList edge;
  edge.insertLatLonEnd(-16.5, 180.0);
  edge.insertLatLonEnd(-16.5, 179.99996);
  StringSink edgeGpx;
  renderGpx(edgeGpx, ExportInput{edge, RouteTotals{}, MissionParams{}, "2026_340_1529"});
  EXPECT_FALSE(contains(edgeGpx.text, "lon=\"180.0000\""));
  EXPECT_TRUE(contains(edgeGpx.text, "lon=\"-180.0000\""));
}

TEST(RouteExport, GeoJsonPolygonsTurnByTheRightHandRule) {
  wptList route;
  route.insertLatLonEnd(36.8, -121.9);
  route.insertLatLonEnd(36.81, -121.9);
  // Outer ring clockwise, hole counter-clockwise, as a file may give them.
  const DrawnPolygon area{PolygonRole::area,
                          {{{36.8, -121.9}, {36.9, -121.9}, {36.9, -121.8}, {36.8, -121.8}},
                           {{36.84, -121.86}, {36.84, -121.84}, {36.86, -121.84}}}};
  StringSink json;
  renderGeoJson(json,
                ExportInput{route, RouteTotals{}, MissionParams{}, "2026_340_1529", {&area, 1}});
  EXPECT_TRUE(contains(json.text,
                       "[[-121.9000000,36.8000000],[-121.8000000,36.8000000],"
                       "[-121.8000000,36.9000000],[-121.9000000,36.9000000],"
                       "[-121.9000000,36.8000000]],\n[[-121.8600000,36.8400000],"
                       "[-121.8400000,36.8600000],[-121.8400000,36.8400000],"
                       "[-121.8600000,36.8400000]]"))
      << json.text;
}

}  // namespace
}  // namespace nurvo
