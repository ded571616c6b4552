#include "missionCheck.h"

#include <algorithm>
#include <cmath>

#include "numberText.h"
#include "surveyArea.h"
#include "writeMission.h"

namespace nurvo {

namespace {

constexpr RuleRow rules[] = {
    {Rule::duplicateWaypoint, "duplicate-waypoint", Severity::error,
     "delete one of the two waypoints"},
    {Rule::shortLeg, "short-leg", Severity::warning,
     "move the waypoints apart or delete one; a short last piece of a cut leg is avoided by "
     "--equal-legs, which cuts a leg into pieces of one length"},
    {Rule::depthEnvelope, "depth-envelope", Severity::error,
     "set them so that minDepth < maxDepth < abortDepth"},
    {Rule::yoyoOutsideEnvelope, "yoyo-outside-envelope", Severity::warning,
     "keep missionYoyoMinDepth and missionYoyoMaxDepth between minDepth and maxDepth"},
    {Rule::waypointDepthOutsideEnvelope, "waypoint-depth-outside-envelope", Severity::warning,
     "set wayPointDepth between minDepth and maxDepth"},
    {Rule::abortAltitude, "abort-altitude", Severity::warning,
     "set abortAltitude below yoyoMinAltitude, or the vehicle aborts where its yo-yos turn"},
    {Rule::lockoutOutsideEnvelope, "lockout-outside-envelope", Severity::warning,
     "set abortLockoutDepth between 0 and minDepth"},
    {Rule::legTimeout, "leg-timeout", Severity::error,
     "legs are timed at one second per metre: give a speed of at least 1 m/s"},
    {Rule::slowAboveFast, "slow-above-fast", Severity::warning,
     "set missionSpeedSlow at or below missionSpeed"},
    {Rule::endurance, "endurance", Severity::error,
     "shorten the route or split it into several missions"},
    {Rule::launchOutsideArea, "launch-outside-area", Severity::error,
     "give the water around the area with --operating-area, or launch the vehicle from a boat "
     "at the first line"},
    {Rule::legLeavesWater, "leg-leaves-water", Severity::error,
     "cut the legs with --equal-legs or another maxLegMeters, so that the cut points fall "
     "elsewhere"},
};

std::string metres(double v) {
  return fixedText(v, 1) + " m";
}

// How one finding is judged and mended: its rule's severity and mend unless the finding says more.
struct Advice {
  Severity severity;
  std::string mend;
};

// Collects findings, at most maxFindingsPerRule of one rule; all of them are counted.
class Findings {
 public:
  explicit Findings(const MissionParams& params) : params_(params) {}

  // The rule's own advice: leg-timeout is a warning when a timeout does not abort the mission.
  Advice advice(Rule rule) const {
    const RuleRow& row = ruleRow(rule);
    if (rule == Rule::legTimeout && params_.abortOnTimeout != 1) {
      return {Severity::warning, row.mend};
    }
    return {row.severity, row.mend};
  }

  void add(Rule rule, std::optional<int> waypoint, const std::string& facts) {
    add(rule, waypoint, facts, advice(rule));
  }

  void add(Rule rule, std::optional<int> waypoint, const std::string& facts, const Advice& a) {
    if (counts_.empty() || counts_.back().rule != rule) counts_.push_back({rule});
    RuleCount& count = counts_.back();
    ++(a.severity == Severity::error ? count.errors : count.warnings);
    if (count.errors + count.warnings > maxFindingsPerRule) {
      ++count.omitted;
      return;
    }
    list_.push_back({rule, a.severity, waypoint, facts + "; " + a.mend});
  }

  void takeInto(MissionCheck& check) {
    check.findings = std::move(list_);
    check.counts = std::move(counts_);
  }

 private:
  const MissionParams& params_;
  std::vector<Finding> list_;
  std::vector<RuleCount> counts_;  // the checks run rule by rule, in rule table order
};

// Whether two coordinates are written alike with four decimals. Their texts are compared only
// when rounding alone cannot tell: a route of millions of short legs stays quick to check.
bool sameFourDecimals(double a, double b) {
  const double sa = a * 1e4;
  const double sb = b * 1e4;
  if (std::fabs(sa - sb) >= 1.0) return false;
  const double ra = std::nearbyint(sa);
  const double rb = std::nearbyint(sb);
  // Away from a half, the nearest whole number is the fourth decimal written.
  if (std::fabs(sa - ra) < 0.49 && std::fabs(sb - rb) < 0.49) return ra == rb;
  return fixedText(a, 4) == fixedText(b, 4);
}

// Whether two positions are the same as the files write them, to four decimals.
bool sameWrittenPosition(const node& a, const node& b) {
  return sameFourDecimals(a.Lat, b.Lat) && sameFourDecimals(a.Lon, b.Lon);
}

MissionStatistics statisticsOf(const wptList& route, const RouteTotals& totals) {
  MissionStatistics s;
  s.totalMeters = totals.surveyLineMeters;
  s.missionSeconds = totals.missionTime;
  s.timerSeconds = missionTimerSecs(totals.missionTime);
  bool first = true;
  for (const node* n = route.head(); n != nullptr; n = n->nextPtr) {
    ++s.waypoints;
    if (n->kind == WaypointKind::launch) {
      ++s.launch;
    } else if (n->kind == WaypointKind::inserted) {
      ++s.inserted;
    } else {
      ++s.given;
    }
    if (n->nextPtr == nullptr) break;
    const LegStat leg{n->wptNumber, n->legMeters, n->legSecs};
    if (first || leg.meters > s.longestLeg.meters) s.longestLeg = leg;
    if (first || leg.meters < s.shortestLeg.meters) s.shortestLeg = leg;
    if (first || leg.seconds > s.longestBetweenSurfacings.seconds) {
      s.longestBetweenSurfacings = leg;
    }
    first = false;
  }
  s.surfacings = s.waypoints - 1;
  return s;
}

// Whether the leg from `n` to the next waypoint is a piece of a leg cut by the run, not a leg
// between two waypoints the operator gave.
bool isPiece(const node& n) {
  return n.kind == WaypointKind::inserted || n.nextPtr->kind == WaypointKind::inserted;
}

void checkLegs(const wptList& route, double maxLegMeters, Findings& found) {
  // Two passes, so that the findings come rule by rule without holding the legs.
  for (const node* n = route.head(); n != nullptr && n->nextPtr != nullptr; n = n->nextPtr) {
    const node& to = *n->nextPtr;
    // A piece of a cut leg is never a duplicate: neither of its ends can be deleted. Positions
    // that agree to four decimals lie within 16 m: only then are their texts compared.
    if (!isPiece(*n) && n->legMeters < 20.0 && sameWrittenPosition(*n, to)) {
      found.add(Rule::duplicateWaypoint, to.wptNumber,
                "waypoint " + std::to_string(to.wptNumber) + " lies where waypoint " +
                    std::to_string(n->wptNumber) + " does, as the files write them: a leg of " +
                    metres(n->legMeters) + " whose heading means nothing");
    }
  }
  for (const node* n = route.head(); n != nullptr && n->nextPtr != nullptr; n = n->nextPtr) {
    const node& to = *n->nextPtr;
    const bool piece = isPiece(*n);
    if (n->legMeters >= captureRadiusMeters || (!piece && sameWrittenPosition(*n, to))) continue;
    const std::string leg =
        "from waypoint " + std::to_string(n->wptNumber) + " to " + std::to_string(to.wptNumber);
    const std::string facts =
        (piece ? "a piece of a cut leg, " + leg + "," : "the leg " + leg) + " is " +
        metres(n->legMeters) + ", shorter than the " + std::to_string(captureRadiusMeters) +
        " m capture radius: the vehicle counts both waypoints as reached at once";
    if (piece) {
      found.add(Rule::shortLeg, to.wptNumber, facts,
                {ruleRow(Rule::shortLeg).severity, cutPieceMend(maxLegMeters)});
    } else {
      found.add(Rule::shortLeg, to.wptNumber, facts);
    }
  }
}

// The depths of the parameters: the envelope, the yo-yo band or the fixed depth inside it, the
// abort altitude and the lock-out depth.
void checkDepths(const MissionParams& p, Findings& found) {
  if (!(p.minDepth < p.maxDepth && p.maxDepth < p.abortDepth)) {
    found.add(Rule::depthEnvelope, std::nullopt,
              "minDepth " + metres(p.minDepth) + ", maxDepth " + metres(p.maxDepth) +
                  " and abortDepth " + metres(p.abortDepth) + " do not increase");
  }
  const std::string envelope = metres(p.minDepth) + " to " + metres(p.maxDepth);
  const bool yoyo = p.yoyoMission == 1;
  if (yoyo && (p.missionYoyoMinDepth < p.minDepth || p.missionYoyoMaxDepth > p.maxDepth)) {
    found.add(Rule::yoyoOutsideEnvelope, std::nullopt,
              "the yo-yo band " + std::to_string(p.missionYoyoMinDepth) + " to " +
                  std::to_string(p.missionYoyoMaxDepth) + " m is not inside the depth envelope " +
                  envelope);
  }
  if (!yoyo && (p.wayPointDepth < p.minDepth || p.wayPointDepth > p.maxDepth)) {
    found.add(
        Rule::waypointDepthOutsideEnvelope, std::nullopt,
        "wayPointDepth " + metres(p.wayPointDepth) + " is outside the depth envelope " + envelope);
  }
  if (yoyo && !(p.abortAltitude < p.yoyoMinAltitude)) {
    found.add(Rule::abortAltitude, std::nullopt,
              "abortAltitude " + metres(p.abortAltitude) + " is not below yoyoMinAltitude " +
                  std::to_string(p.yoyoMinAltitude) + " m");
  }
  if (!(p.abortLockoutDepth >= 0.0 && p.abortLockoutDepth <= p.minDepth)) {
    found.add(Rule::lockoutOutsideEnvelope, std::nullopt,
              "abortLockoutDepth " + metres(p.abortLockoutDepth) +
                  " is not between 0 and minDepth " + metres(p.minDepth));
  }
}

// The speeds of the parameters: the legs are timed at one second per metre.
void checkSpeeds(const MissionParams& p, Findings& found) {
  if (p.missionSpeed < 1.0) {
    found.add(Rule::legTimeout, std::nullopt,
              "missionSpeed " + fixedText(p.missionSpeed, 3) +
                  " m/s is below 1 m/s: every leg is flown at it and times out before its "
                  "waypoint");
  }
  // The script defines MISSION_SPEED_SLOW and no block of it flies at it: a slow speed under
  // 1 m/s can only make a block edited by hand to use it time out, a warning.
  if (p.missionSpeedSlow < 1.0) {
    found.add(Rule::legTimeout, std::nullopt,
              "missionSpeedSlow " + fixedText(p.missionSpeedSlow, 3) +
                  " m/s is below 1 m/s: the script only defines it, as MISSION_SPEED_SLOW for "
                  "blocks edited by hand, and flies no leg at it; a leg edited to fly at it times "
                  "out before its waypoint",
              {Severity::warning, ruleRow(Rule::legTimeout).mend});
  }
  if (p.missionSpeedSlow > p.missionSpeed) {
    found.add(Rule::slowAboveFast, std::nullopt,
              "missionSpeedSlow " + fixedText(p.missionSpeedSlow, 3) +
                  " m/s is above missionSpeed " + fixedText(p.missionSpeed, 3) + " m/s");
  }
}

void checkEndurance(const wptList& route, const RouteTotals& totals, double hours,
                    Findings& found) {
  const double limit = hours * 3600.0;
  if (!(totals.missionTime * missionTimerFactor > limit)) return;
  // The waypoints as late as the timer lets the vehicle reach them: every leg, the launch leg
  // first, takes its time and the margin. The legs add up to the mission time, so one of them
  // ends past the endurance.
  double seconds = 0.0;
  const node* past = route.tail();
  for (const node* n = route.head(); n->nextPtr != nullptr; n = n->nextPtr) {
    seconds += n->legSecs;
    if (seconds * missionTimerFactor > limit) {
      past = n->nextPtr;
      break;
    }
  }
  const auto h = [](double s) { return fixedText(s / 3600.0, 1) + " h"; };
  found.add(
      Rule::endurance, past->wptNumber,
      "the mission takes " + h(totals.missionTime * missionTimerFactor) + " with the timer's " +
          std::to_string(std::lround((missionTimerFactor - 1.0) * 100.0)) + " % margin (" +
          h(totals.missionTime) + " as planned), more than the endurance of " +
          fixedText(hours, 1) + " h; with that margin on every leg, waypoint " +
          std::to_string(past->wptNumber) + " is the first reached after " + fixedText(hours, 1) +
          " h, at " + h(seconds * missionTimerFactor) + " (" + h(seconds) + " as planned)");
}

// The launch waypoint of a planned survey and its leg to waypoint 1, in the survey's water.
void checkLaunch(const wptList& route, const SurveyArea& survey, Findings& found) {
  const node* launch = route.head();
  if (launch == nullptr || launch->nextPtr == nullptr) return;
  const node* first = launch->nextPtr;
  auto onPlane = [&](const node& n) {
    const PlanePoint p = survey.plane.forward({n.Lat, n.Lon});
    return Pt(p.x, p.y);
  };
  const Pt from = onPlane(*launch);
  const bg::model::linestring<Pt> leg{from, onPlane(*first)};
  const std::string at =
      "the launch waypoint 0 at " + fixedText(launch->Lat, 4) + " " + fixedText(launch->Lon, 4);
  if (!bg::covered_by(from, survey.water)) {
    found.add(Rule::launchOutsideArea, 0,
              at + " lies outside the operating area, less its islands and keep-outs");
  } else if (!bg::covered_by(leg, survey.water)) {
    found.add(Rule::launchOutsideArea, 0,
              at + ": its leg to waypoint 1 leaves the operating area, crossing land or a "
                   "keep-out");
  }
}

// Every leg after the launch leg of a planned survey, as the files write its ends, in the survey's
// water. The plan keeps its own points clear by their rounding; a point inserted by cutting a long
// line is rounded once more where the files write it.
void checkLegsInWater(const wptList& route, const SurveyArea& survey, Findings& found) {
  const node* launch = route.head();
  const auto written = [&](const node& n) {
    const PlanePoint p = survey.plane.forward(writtenPosition({n.Lat, n.Lon}));
    return Pt(p.x, p.y);
  };
  if (launch == nullptr || launch->nextPtr == nullptr) return;
  // Each position is rounded and projected once, as the end of one leg and the start of the next.
  Pt from = written(*launch->nextPtr);
  for (const node* n = launch->nextPtr; n->nextPtr != nullptr; n = n->nextPtr) {
    const Pt to = written(*n->nextPtr);
    const bg::model::linestring<Pt> leg{from, to};
    from = to;
    if (bg::covered_by(leg, survey.water)) continue;
    found.add(Rule::legLeavesWater, n->wptNumber,
              "the leg from waypoint " + std::to_string(n->wptNumber) + " to " +
                  std::to_string(n->nextPtr->wptNumber) +
                  ", as the files write it, leaves the water, crossing land or a keep-out");
  }
}

}  // namespace

std::span<const RuleRow> ruleTable() {
  return rules;
}

const RuleRow& ruleRow(Rule rule) {
  return *std::find_if(std::begin(rules), std::end(rules),
                       [rule](const RuleRow& r) { return r.rule == rule; });
}

std::string cutPieceMend(double maxLegMeters) {
  const std::string equalLegs =
      "--equal-legs, which cuts a long leg into pieces of one length, none shorter than half of "
      "maxLegMeters";
  if (maxLegMeters >= 2.0 * captureRadiusMeters) return "cut with " + equalLegs;
  return "set maxLegMeters to " + fixedText(2.0 * captureRadiusMeters, 0) +
         " m or more and cut with " + equalLegs;
}

bool MissionCheck::hasError() const {
  return errors() > 0;
}

namespace {
std::size_t sum(const std::vector<RuleCount>& counts, std::size_t RuleCount::*member) {
  std::size_t n = 0;
  for (const RuleCount& c : counts) n += c.*member;
  return n;
}
}  // namespace

std::size_t MissionCheck::errors() const {
  return sum(counts, &RuleCount::errors);
}
std::size_t MissionCheck::warnings() const {
  return sum(counts, &RuleCount::warnings);
}
std::size_t MissionCheck::omitted() const {
  return sum(counts, &RuleCount::omitted);
}

MissionCheck checkMission(const wptList& route, const MissionParams& params,
                          const RouteTotals& totals, std::optional<double> enduranceHours,
                          const SurveyArea* survey) {
  MissionCheck check;
  check.statistics = statisticsOf(route, totals);
  check.statistics.enduranceHours = enduranceHours;
  Findings found(params);
  checkLegs(route, params.maxLegMeters, found);
  checkDepths(params, found);
  checkSpeeds(params, found);
  if (enduranceHours) checkEndurance(route, totals, *enduranceHours, found);
  if (survey != nullptr) {
    checkLaunch(route, *survey, found);
    checkLegsInWater(route, *survey, found);
  }
  found.takeInto(check);
  return check;
}

}  // namespace nurvo
