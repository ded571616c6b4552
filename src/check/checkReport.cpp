#include "checkReport.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "numberText.h"

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

std::string findingLines(const MissionCheck& check) {
  std::string t;
  auto f = check.findings.begin();
  for (const RuleCount& count : check.counts) {
    for (; f != check.findings.end() && f->rule == count.rule; ++f) t += findingLine(*f);
    if (count.omitted > 0) {
      t += "... and " + std::to_string(count.omitted) + " more " + ruleRow(count.rule).id +
           " finding(s), not listed\n";
    }
  }
  return t;
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
  if (check.counts.empty()) {
    t += "Findings: none\n";
  } else {
    t += "Findings: " + std::to_string(check.errors()) + " error(s), " +
         std::to_string(check.warnings()) + " warning(s)\n";
  }
  t += findingLines(check);
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
  Json rules = Json::object();
  for (const RuleCount& c : check.counts) {
    rules[ruleRow(c.rule).id] = {
        {"errors", c.errors}, {"warnings", c.warnings}, {"omitted", c.omitted}};
  }
  Json counts = {{"errors", check.errors()},
                 {"warnings", check.warnings()},
                 {"omitted", check.omitted()},
                 {"rules", std::move(rules)}};
  const Json doc = {{"statistics", std::move(stats)},
                    {"counts", std::move(counts)},
                    {"findings", std::move(findings)}};
  return doc.dump(2) + "\n";
}

std::string refusalJson(std::string_view message, const ErrorPlace& place) {
  using Json = nlohmann::ordered_json;
  // The message as one line of text: the line ends that end it on the console are left out.
  const std::size_t first = message.find_first_not_of("\r\n");
  const std::size_t last = message.find_last_not_of("\r\n ");
  const std::string_view text = first == std::string_view::npos
                                    ? std::string_view()
                                    : message.substr(first, last - first + 1);
  const auto known = [](std::size_t n) { return n > 0 ? Json(n) : Json(nullptr); };
  const Json error = {{"message", text},
                      {"file", place.file.empty() ? Json(nullptr) : Json(place.file)},
                      {"line", known(place.line)},
                      {"column", known(place.column)}};
  // Bytes that are not UTF-8 (a file name may hold any) are replaced, never a failure.
  return Json{{"error", error}}.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace nurvo
