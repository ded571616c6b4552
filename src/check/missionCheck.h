// The check of a prepared mission before the vehicle runs it: the route's statistics and the
// findings of the rules below. Pure: values in, values out, whatever produced the route.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "missionParams.h"
#include "wptList.h"

namespace nurvo {

struct SurveyArea;

enum class Severity { warning, error };

// The rules, in the order of the rule table and of the report.
enum class Rule {
  duplicateWaypoint,
  shortLeg,
  depthEnvelope,
  yoyoOutsideEnvelope,
  waypointDepthOutsideEnvelope,
  abortAltitude,
  lockoutOutsideEnvelope,
  legTimeout,
  slowAboveFast,
  endurance,
  launchOutsideArea,
  legLeavesWater,
};

// One rule: its fixed id, its severity, and how to mend what it finds (the end of every message).
struct RuleRow {
  Rule rule;
  const char* id;
  // leg-timeout is a warning instead when abortOnTimeout is not 1, and for missionSpeedSlow
  Severity severity;
  const char* mend;  // a short piece of a cut leg has a mend of its own (cutPieceMend)
};
std::span<const RuleRow> ruleTable();
const RuleRow& ruleRow(Rule rule);
// How a piece of a cut leg shorter than the capture radius is mended: by cutting into equal pieces
// when maxLegMeters allows pieces of the radius, else by a longer maxLegMeters.
std::string cutPieceMend(double maxLegMeters);

// What one rule found. `waypoint` is the number of the waypoint concerned (for a leg, the
// waypoint it arrives at), where there is one.
struct Finding {
  Rule rule;
  Severity severity;
  std::optional<int> waypoint;
  std::string message;  // what is wrong, then how to mend it
};

// A leg of the prepared route, from waypoint `from` to `from` + 1.
struct LegStat {
  int from = 0;
  double meters = 0.0;
  double seconds = 0.0;
};

// The prepared route in numbers; lengths and times are those the output files carry.
struct MissionStatistics {
  std::size_t waypoints = 0;  // all of them: launch, given and inserted
  std::size_t launch = 0;     // the launch waypoint, 1
  std::size_t given = 0;      // the waypoints of the route as read
  std::size_t inserted = 0;   // made by cutting long legs
  double totalMeters = 0.0;
  double missionSeconds = 0.0;
  LegStat longestLeg;
  LegStat shortestLeg;
  // The vehicle climbs to the surface and fixes its position at every waypoint it reaches.
  std::size_t surfacings = 0;
  LegStat longestBetweenSurfacings;      // the leg of the most seconds
  long long timerSeconds = 0;            // the mission timer of the script
  std::optional<double> enduranceHours;  // null when not given: endurance was not checked
};

// What one rule found in all, listed or not.
struct RuleCount {
  Rule rule;
  std::size_t errors = 0;
  std::size_t warnings = 0;
  std::size_t omitted = 0;  // of these, the findings left out of the list
};

struct MissionCheck {
  MissionStatistics statistics;
  // The findings listed: in rule table order, a rule's findings in route order, at most
  // maxFindingsPerRule of one rule.
  std::vector<Finding> findings;
  // One count for each rule that found anything, in rule table order.
  std::vector<RuleCount> counts;
  bool hasError() const;
  // The totals over all rules.
  std::size_t errors() const;
  std::size_t warnings() const;
  std::size_t omitted() const;
};

// At most this many findings of one rule are listed; the rest are counted.
constexpr std::size_t maxFindingsPerRule = 20;

// Checks a prepared route (launch waypoint first, legs timed) with its parameters and totals.
// `enduranceHours`, when given, is greater than 0. `survey`, given for a planned survey: the launch
// waypoint and its leg to waypoint 1 must lie in its water.
MissionCheck checkMission(const wptList& route, const MissionParams& params,
                          const RouteTotals& totals, std::optional<double> enduranceHours,
                          const SurveyArea* survey = nullptr);

}  // namespace nurvo
