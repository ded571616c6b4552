// The mission check: the statistics of a prepared route, and each rule firing on its own.
#include "missionCheck.h"

#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "checkReport.h"
#include "surveyPlan.h"
#include "testSupport.h"
#include "waypointFile.h"

namespace nurvo::test {
namespace {

// A route of `positions`, prepared with `params`.
struct Prepared {
  Prepared(const std::vector<std::pair<double, double>>& positions, const MissionParams& params) {
    for (const auto& [lat, lon] : positions) route.insertLatLonEnd(lat, lon);
    totals = prepareRoute(route, params);
  }
  wptList route;
  RouteTotals totals;
};

// Two waypoints 10684.47 m apart on heading 89.964: legs of 3600, 3600 and 3484.47 m.
const std::vector<std::pair<double, double>> cutLeg = {{36.8, -121.9}, {36.8, -121.78}};

TEST(MissionCheck, StatisticsOfTheCutLegExample) {
  const Prepared p(cutLeg, MissionParams{});
  const MissionStatistics s = checkMission(p.route, MissionParams{}, p.totals, 3.5).statistics;
  // All waypoints, launch, given, inserted; surfacings.
  EXPECT_EQ((std::vector{s.waypoints, s.launch, s.given, s.inserted, s.surfacings}),
            (std::vector<std::size_t>{5, 1, 2, 2, 4}));
  EXPECT_NEAR(s.totalMeters, 11184.47, 0.005);
  EXPECT_NEAR(s.missionSeconds, 11334.47, 0.005);
  // The longest leg, the shortest (the launch leg), the longest time between surfacings.
  EXPECT_EQ((std::vector{s.longestLeg.from, s.shortestLeg.from, s.longestBetweenSurfacings.from}),
            (std::vector{1, 0, 1}));
  EXPECT_EQ((std::vector{s.longestLeg.meters, s.shortestLeg.meters,
                         s.longestBetweenSurfacings.seconds, *s.enduranceHours}),
            (std::vector{3600.0, 500.0, 3600.0, 3.5}));
  EXPECT_EQ(s.timerSeconds, 13601);
}

struct RuleCase {
  const char* rule;  // the one rule that fires
  std::function<void(MissionParams&)> set;
  std::vector<std::pair<double, double>> route = cutLeg;
  std::optional<double> enduranceHours = std::nullopt;
  Severity severity = Severity::warning;  // of the first finding
  std::optional<int> waypoint = std::nullopt;
  std::string says = {};  // a part of the first finding's message
  std::string mend = {};  // how the message ends, where not the rule's own mend
  std::size_t found = 1;  // the findings of the rule
};

TEST(MissionCheck, EachRuleFiresAloneWhereItsConditionHolds) {
  const auto none = [](MissionParams&) {};
  const RuleCase cases[] = {
      {"duplicate-waypoint",
       none,
       {{36.8, -121.9}, {36.8, -121.9}, {36.81, -121.88}},
       std::nullopt,
       Severity::error,
       2},
      {"short-leg", none, {{36.8, -121.9}, {36.80008, -121.9}}, std::nullopt, Severity::warning, 2},
      // 10684.47 m in pieces of 3560 m leave a last piece of 4.47 m.
      {"short-leg", [](MissionParams& p) { p.maxLegMeters = 3560.0; }, cutLeg, std::nullopt,
       Severity::warning, 5, "a piece of a cut leg, from waypoint 4 to 5, is 4.5 m",
       cutPieceMend(3560.0)},
      // 7201 m in pieces of 3600 m: the last piece of 1 m ends where the files write the cut
      // point before it, and still neither of its ends can be deleted.
      {"short-leg",
       none,
       {{36.8, -121.8}, {36.864760, -121.8}},
       std::nullopt,
       Severity::warning,
       4,
       "a piece of a cut leg, from waypoint 3 to 4, is 1.0 m",
       cutPieceMend(3600.0)},
      // 11.6 m in pieces of 8 m: all pieces are short, and a longer maxLegMeters is the mend.
      {"short-leg",
       [](MissionParams& p) { p.maxLegMeters = 8.0; },
       {{36.8, -121.9}, {36.8, -121.89987}},
       std::nullopt,
       Severity::warning,
       2,
       "a piece of a cut leg, from waypoint 1 to 2, is 8.0 m",
       "set maxLegMeters to 20 m or more and cut with --equal-legs",
       2},
      {"depth-envelope", [](MissionParams& p) { p.abortDepth = 80.0; }, cutLeg, std::nullopt,
       Severity::error},
      {"yoyo-outside-envelope", [](MissionParams& p) { p.missionYoyoMaxDepth = 95; }},
      {"waypoint-depth-outside-envelope",
       [](MissionParams& p) {
         p.yoyoMission = 0;
         p.wayPointDepth = 9.5;
       }},
      {"abort-altitude", [](MissionParams& p) { p.abortAltitude = 15.0; }},
      {"lockout-outside-envelope", [](MissionParams& p) { p.abortLockoutDepth = -1.0; }},
      // Every leg is flown at missionSpeed; no block flies at missionSpeedSlow as written.
      {"leg-timeout",
       [](MissionParams& p) {
         p.missionSpeed = 0.9;
         p.missionSpeedSlow = 0.8;
       },
       cutLeg, std::nullopt, Severity::error, std::nullopt,
       "missionSpeed 0.900 m/s is below 1 m/s: every leg is flown at it", "", 2},
      {"leg-timeout", [](MissionParams& p) { p.missionSpeedSlow = 0.8; }, cutLeg, std::nullopt,
       Severity::warning, std::nullopt,
       "missionSpeedSlow 0.800 m/s is below 1 m/s: the script only defines it, as "
       "MISSION_SPEED_SLOW for blocks edited by hand, and flies no leg at it"},
      {"leg-timeout",
       [](MissionParams& p) {
         p.missionSpeed = 0.9;
         p.missionSpeedSlow = 0.9;
         p.abortOnTimeout = 0;
       },
       cutLeg, std::nullopt, Severity::warning, std::nullopt, "", "", 2},
      {"slow-above-fast", [](MissionParams& p) { p.missionSpeedSlow = 1.6; }},
      // Waypoints reached at 650, 4250, 7850 and 11334 s, 780 ... 13601 s with the margin.
      {"endurance", none, cutLeg, 2.0, Severity::error, 3,
       "the mission takes 3.8 h with the timer's 20 % margin (3.1 h as planned), more than the "
       "endurance of 2.0 h; with that margin on every leg, waypoint 3 is the first reached after "
       "2.0 h, at 2.6 h (2.2 h as planned)"},
  };
  for (const RuleCase& c : cases) {
    MissionParams params;
    c.set(params);
    const Prepared p(c.route, params);
    const MissionCheck check = checkMission(p.route, params, p.totals, c.enduranceHours);
    ASSERT_EQ(check.counts.size(), 1u) << c.rule;
    ASSERT_EQ(check.findings.size(), c.found) << c.rule;
    const Finding& f = check.findings.front();
    EXPECT_STREQ(ruleRow(f.rule).id, c.rule);
    EXPECT_EQ(f.severity, c.severity) << c.rule;
    EXPECT_EQ(f.waypoint, c.waypoint) << c.rule;
    EXPECT_TRUE(contains(f.message, c.says)) << f.message;
    EXPECT_TRUE(contains(f.message, "; " + (c.mend.empty() ? ruleRow(f.rule).mend : c.mend)))
        << f.message;
    EXPECT_EQ(check.hasError(), c.severity == Severity::error) << c.rule;
  }

  // The defaults with the bundled example, and a generous endurance, find nothing.
  FilePtr file = openWaypointFile(NURVO_TESTS_DIR "/../examples/survey.txt");
  ASSERT_TRUE(file);
  wptList example;
  ASSERT_TRUE(readWaypoints(file.get(), "survey.txt", example));
  const RouteTotals totals = prepareRoute(example, MissionParams{});
  EXPECT_TRUE(checkMission(example, MissionParams{}, totals, 24.0).findings.empty());
}

// A planned survey's launch waypoint, 500 m behind waypoint 1, lies in the survey's water with its
// leg, or the check says where it lies instead.
TEST(MissionCheck, ASurveyLaunchOutsideItsWaterIsAnError) {
  const GeoPolygon pond{"pond",
                        {{{36.8, -121.9}, {36.8, -121.89}, {36.81, -121.89}, {36.81, -121.9}}}};
  const SurveyArea area = prepareSurveyArea(pond, {}, 0.0);
  const MissionParams params;
  const Prepared in({{36.8055, -121.895}, {36.809, -121.895}}, params);
  EXPECT_TRUE(checkMission(in.route, params, in.totals, std::nullopt, &area).findings.empty());
  const Prepared out({{36.8005, -121.895}, {36.809, -121.895}}, params);
  const MissionCheck check = checkMission(out.route, params, out.totals, std::nullopt, &area);
  ASSERT_EQ(check.findings.size(), 1u);
  const Finding& f = check.findings.front();
  EXPECT_STREQ(ruleRow(f.rule).id, "launch-outside-area");
  EXPECT_EQ(f.severity, Severity::error);
  EXPECT_EQ(f.waypoint, 0);
  EXPECT_EQ(f.message,
            "the launch waypoint 0 at 36.7960 -121.8950 lies outside the operating area, less its "
            "islands and keep-outs; " +
                std::string(ruleRow(f.rule).mend));
  // A later leg, as written, that leaves the pond is an error of its own, at the waypoint it
  // leaves.
  const Prepared ashore({{36.8055, -121.895}, {36.809, -121.895}, {36.809, -121.885}}, params);
  const MissionCheck leg = checkMission(ashore.route, params, ashore.totals, std::nullopt, &area);
  ASSERT_EQ(leg.findings.size(), 1u);
  EXPECT_STREQ(ruleRow(leg.findings.front().rule).id, "leg-leaves-water");
  EXPECT_EQ(leg.findings.front().waypoint, 2);
  // In a pond 300 m across the planner finds no start that puts the launch in it, and says so.
  const GeoRing tiny = {{36.8, -121.9}, {36.8, -121.897}, {36.803, -121.897}, {36.803, -121.9}};
  SurveySettings s;
  s.spacing = 50.0;
  EXPECT_FALSE(planSurvey(prepareSurveyArea({"tiny", {tiny}}, {}, 0.0), s, "tiny").launchInWater);
}

TEST(MissionCheck, ARuleListsItsFirstFindingsAndCountsTheRest) {
  std::vector<std::pair<double, double>> same(maxFindingsPerRule + 6, {36.8, -121.9});
  const Prepared p(same, MissionParams{});
  const MissionCheck check = checkMission(p.route, MissionParams{}, p.totals, std::nullopt);
  // 25 duplicates: 20 listed, all counted, the report's totals true.
  EXPECT_EQ(check.findings.size(), maxFindingsPerRule);
  ASSERT_EQ(check.counts.size(), 1u);
  const RuleCount& c = check.counts.front();
  EXPECT_EQ((std::vector{c.errors, c.warnings, c.omitted, check.errors(), check.omitted()}),
            (std::vector<std::size_t>{25, 0, 5, 25, 5}));
  const std::string text = checkReportText(check);
  EXPECT_TRUE(contains(text, "\nFindings: 25 error(s), 0 warning(s)\n")) << text;
  EXPECT_TRUE(text.ends_with("\n... and 5 more duplicate-waypoint finding(s), not listed\n"));
  const auto json = nlohmann::json::parse(checkReportJson(check));
  EXPECT_EQ(json["counts"].dump(),
            R"({"errors":25,"omitted":5,"rules":{"duplicate-waypoint":{"errors":25,)"
            R"("omitted":5,"warnings":0}},"warnings":0})");
  EXPECT_EQ(json["findings"].size(), maxFindingsPerRule);
}

}  // namespace
}  // namespace nurvo::test
