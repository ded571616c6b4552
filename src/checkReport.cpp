#include "checkReport.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "numberText.h"
#include "writeMission.h"

namespace nurvo {

namespace {

const char* severityName(Severity s) {
  return s == Severity::error ? "error" : "warning";
}

std::string legText(const LegStat& leg, double value, const char* unit) {
  return fixedText(value, 1) + " " + unit + ", waypoint " + std::to_string(leg.from) + " to " +
         std::to_string(leg.from + 1);
}

// One decimal, as the files write lengths and times; JSON then shows 3600.0, not 3600.0000001.
double oneDecimal(double v) {
  return std::round(v * 10.0) / 10.0;
}

}  // namespace

std::string findingLine(const Finding& f) {
  std::string s = severityName(f.severity);
  ((s += ": ") += ruleRow(f.rule).id) += ": ";
  return (s += f.message) += '\n';
}

std::string checkReportText(const MissionCheck& check) {
  const MissionStatistics& s = check.statistics;
  std::string t = "Mission check\n";
  const auto line = [&t](const char* label, const std::string& value) {
    (((t += "  ") += label) += ": ") += value;
    t += '\n';
  };
  line("waypoints", std::to_string(s.waypoints) + " (launch " + std::to_string(s.launch) +
                        ", given " + std::to_string(s.given) + ", inserted " +
                        std::to_string(s.inserted) + ")");
  line("total length", fixedText(s.totalMeters, 1) + " m");
  line("mission time", fixedText(s.missionSeconds, 1) + " s (" +
                           std::to_string(wholeHours(s.missionSeconds)) + " h " +
                           std::to_string(leftoverMinutes(s.missionSeconds)) + " min)");
  line("longest leg", legText(s.longestLeg, s.longestLeg.meters, "m"));
  line("shortest leg", legText(s.shortestLeg, s.shortestLeg.meters, "m"));
  line("surfacings", std::to_string(s.surfacings));
  line("longest time between surfacings",
       legText(s.longestBetweenSurfacings, s.longestBetweenSurfacings.seconds, "s"));
  line("mission timer", std::to_string(s.timerSeconds) + " s");
  line("endurance", s.enduranceHours ? fixedText(*s.enduranceHours, 1) + " h"
                                     : std::string("not checked (give --endurance HOURS)"));
  std::size_t errors = 0;
  for (const Finding& f : check.findings) errors += f.severity == Severity::error ? 1 : 0;
  if (check.findings.empty()) {
    t += "Findings: none\n";
  } else {
    t += "Findings: " + std::to_string(errors) + " error(s), " +
         std::to_string(check.findings.size() - errors) + " warning(s)\n";
  }
  for (const Finding& f : check.findings) t += findingLine(f);
  return t;
}

std::string checkReportJson(const MissionCheck& check) {
  using Json = nlohmann::ordered_json;
  const MissionStatistics& s = check.statistics;
  const auto leg = [](const LegStat& l, const char* key, double value) {
    return Json{{"from", l.from}, {"to", l.from + 1}, {key, oneDecimal(value)}};
  };
  Json stats = {
      {"waypoints",
       {{"total", s.waypoints},
        {"launch", s.launch},
        {"given", s.given},
        {"inserted", s.inserted}}},
      {"totalMeters", oneDecimal(s.totalMeters)},
      {"missionSeconds", oneDecimal(s.missionSeconds)},
      {"longestLeg", leg(s.longestLeg, "meters", s.longestLeg.meters)},
      {"shortestLeg", leg(s.shortestLeg, "meters", s.shortestLeg.meters)},
      {"surfacings", s.surfacings},
      {"longestBetweenSurfacings",
       leg(s.longestBetweenSurfacings, "seconds", s.longestBetweenSurfacings.seconds)},
      {"missionTimerSeconds", s.timerSeconds},
      {"enduranceHours", s.enduranceHours ? Json(*s.enduranceHours) : Json(nullptr)},
  };
  Json findings = Json::array();
  for (const Finding& f : check.findings) {
    findings.push_back({{"rule", ruleRow(f.rule).id},
                        {"severity", severityName(f.severity)},
                        {"waypoint", f.waypoint ? Json(*f.waypoint) : Json(nullptr)},
                        {"message", f.message}});
  }
  const Json doc = {{"statistics", std::move(stats)}, {"findings", std::move(findings)}};
  return doc.dump(2) + "\n";
}

}  // namespace nurvo
