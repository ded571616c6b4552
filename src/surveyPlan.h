// Survey lines over an area: parallel lines at a heading and spacing, clipped to the area less its
// holes and keep-outs, covered cell by cell back and forth from a start corner, every move
// between lines routed inside the area.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "surveyArea.h"

namespace nurvo {

enum class StartCorner { sw, se, nw, ne };

struct SurveySettings {
  double spacing = 0.0;           // metres between adjacent lines, > 0
  std::optional<double> heading;  // degrees, 0 <= heading < 180; none: the shortest route
  StartCorner start = StartCorner::sw;
  double runIn = 0.0;           // metres each line runs on beyond the area's edge, >= 0
  double tieLineSpacing = 0.0;  // metres between tie lines; 0: none
};

// The most lines, main and tie lines together, a survey may have.
constexpr long maxSurveyLines = 20000;

enum class SurveyPointKind {
  lineEnd,  // the start or end of a line
  move,     // a corner of a move between lines around land or a keep-out
};

struct SurveyPoint {
  GeoPoint pos;
  SurveyPointKind kind = SurveyPointKind::lineEnd;
};

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
};

// Plans the survey. `areaFile` names the area in refusals: more than maxSurveyLines lines
// (NurvoError saying how many there would be). With no heading given, the headings from 0 to
// 179.9 in steps of 0.1 degree are candidates and the shortest whole route wins (lines and moves,
// plus the line length that would still be needed where an edge oblique to the lines leaves a
// corner of a strip uncovered, so that cutting corners does not pay), compared to the millimetre,
// the smaller heading on a tie. Candidates are searched by whole degrees first, then by tenths
// around the best three.
SurveyPlan planSurvey(const SurveyArea& area, const SurveySettings& settings,
                      const std::string& areaFile);

}  // namespace nurvo
