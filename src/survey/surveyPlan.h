// Survey lines over an area: parallel lines at a heading and spacing, clipped to the area less its
// holes and keep-outs, covered cell by cell back and forth from a start corner, every move
// between lines routed inside the area.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "surveyArea.h"
#include "surveySettings.h"
#include "waypointKind.h"

namespace nurvo {

// A point of the plan: a line end, a tie line's end or a move's corner.
struct SurveyPoint {
  GeoPoint pos;
  WaypointKind kind = WaypointKind::lineEnd;
};

// The plan as the mission files write it: positions to writtenDecimals, and every figure measured
// on those positions.
struct SurveyPlan {
  std::vector<SurveyPoint> points;  // in the order flown; no two consecutive ones equal
  double heading = 0.0;             // degrees of the main lines, 0 <= heading < 180
  long lines = 0;                   // main lines flown (a line cut by land counts per piece)
  long tieLines = 0;
  long turns = 0;           // moves from one line to the next
  double lineMeters = 0.0;  // run-in included
  double moveMeters = 0.0;
  // Share of the area less holes and keep-outs (with margin) within half a spacing of a main
  // line, in percent.
  double coveragePercent = 0.0;
  long runIns = 0;            // line ends given a run-in, when one is asked
  long runInsShortened = 0;   // of those, the ones cut short where the operating area ends
  bool leadIn = false;        // the route starts with a lead-in so that the launch lies in water
  bool launchInWater = true;  // false: no start found that puts the launch in the operating area
};

// Plans the survey. Lines lie at most a spacing apart and at most half a spacing inside the area's
// extent across them, never on its edges; this, the clearance from the area's edges, holes and
// keep-out margins and the coverage hold for the positions as written, which lie up to about 8 m
// from the planned ones: lines and moves keep that much clear, lines are planned closer by twice
// the error across them, and the written route is checked. `areaFile` names the area in
// refusals: more than maxSurveyLines lines (NurvoError saying how many there would be), a spacing
// within the rounding. With no heading given, the headings from 0 to 179.9 in steps of 0.1 degree
// are candidates; of those that fly a line and cover within half a percent of the most any covers
// (estimated on sample points), the shortest whole route wins (lines and moves, plus the line
// length that would still be needed where an edge oblique to the lines leaves a corner of a strip
// uncovered), compared to the millimetre, the smaller heading on a tie. Candidates are searched by
// whole degrees first (every tenth when no whole degree fits a line), then by tenths around the
// best three.
// Lines, run-ins and moves stay in the area's water (SurveyArea::water). The launch waypoint,
// launchBehind metres behind the first point on the reverse of the first leg, is kept in the water
// with its leg: where the first line's start does not allow it, a lead-in of two points starts the
// route, straight onto the first line's start or onto another line end and routed on from there.
SurveyPlan planSurvey(const SurveyArea& area, const SurveySettings& settings,
                      const std::string& areaFile);

}  // namespace nurvo
