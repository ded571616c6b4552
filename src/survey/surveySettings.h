// What the operator asks of a survey: spacing, heading, start corner, run-in, tie lines. Free of
// the geometry library, so that the options and the dialogue compile without it.
#pragma once

#include <optional>

namespace nurvo {

enum class StartCorner { sw, se, nw, ne };

struct SurveySettings {
  double spacing = 0.0;           // metres between adjacent lines, > 0
  std::optional<double> heading;  // degrees, 0 <= heading < 180; none: the shortest route
  StartCorner start = StartCorner::sw;
  // metres each line runs on beyond the area's edge, 0 up to maxRunIn; shortened where the
  // operating area ends sooner
  double runIn = 0.0;
  double tieLineSpacing = 0.0;  // metres between tie lines; 0: none
  // metres from the launch waypoint to the first waypoint, on the reverse of the first leg
  double launchBehind = 500.0;
};

// The widest area planned, in metres across.
constexpr double maxAreaAcross = 200000.0;

// The longest run-in planned, in metres.
constexpr double maxRunIn = 1000.0;

// The most lines, main and tie lines together, a survey may have.
constexpr long maxSurveyLines = 20000;

}  // namespace nurvo
