// The texts of the four mission files: the mission script, the waypoints file, the survey-line
// file and the CSV route report. Each is a pure function of the prepared route, the parameters,
// the totals and the file's own name, written into a sink; which file it goes to, and how, is the
// business of the run's file table.
#pragma once

#include <string>

#include "missionParams.h"
#include "textSink.h"
#include "wptList.h"

namespace nurvo {

// The capture radius of the script's waypoint blocks, in metres: the vehicle counts a waypoint as
// reached within it.
constexpr int captureRadiusMeters = 10;

// A coordinate split into whole degrees and decimal minutes. Minutes that would print as 60.0000
// with four decimals carry into the degrees instead.
struct DegreeDecMin {
  double degreeOnly = 0.0;         // whole degrees, truncated toward zero, sign kept
  double degreeDecFraction = 0.0;  // the rest of the degrees, never negative
  double decMin = 0.0;             // degreeDecFraction in minutes, never negative
};
DegreeDecMin toDegreeDecMin(double v);

// Rounds to the nearest whole number, halves to even.
int roundHalfEven(double v);

// The text of each file. The route must hold the launch waypoint and at least one waypoint.
// The mission script and the survey-line file name themselves inside: `missionFileName` and
// `surLineFileName` are their full names.
void writeMission(TextSink& out, const wptList& route, const MissionParams& params,
                  const RouteTotals& totals, const std::string& missionFileName);
void writeWaypoints(TextSink& out, const wptList& route);
void writeSurLine(TextSink& out, const wptList& route, const std::string& surLineFileName);
void write_csvFwd(TextSink& out, const wptList& route, const RouteTotals& totals);

}  // namespace nurvo
