// The four output files of a run: the mission script, the waypoints file, the survey-line file and
// the CSV route report. Each file's text is rendered from the route, the parameters, the totals
// and the file's own name; the writers hand it to the file writer and confirm on the console.
#pragma once

#include <ctime>
#include <set>
#include <string>

#include "fileWriter.h"
#include "missionParams.h"
#include "routeExport.h"
#include "textSink.h"
#include "wptList.h"

namespace nurvo {

// Base name of a run's output files for a UTC time: year, "_", day of the year from 0, "_", hour
// without leading zero, minute in two digits, ".". For example 2026_340_1529. and 2027_0_000.
std::string fileName(const std::tm& utc);

// A coordinate split into whole degrees and decimal minutes. Minutes that would print as 60.0000
// with four decimals carry into the degrees instead.
struct DegreeDecMin {
  double degreeOnly = 0.0;         // whole degrees, truncated toward zero, sign kept
  double degreeDecFraction = 0.0;  // the rest of the degrees, never negative
  double decMin = 0.0;             // degreeDecFraction in minutes, never negative
};
DegreeDecMin toDegreeDecMin(double v);

// Whole hours and left-over whole minutes of a duration in seconds, both truncated, computed in
// 64-bit integers so that no mission length overflows.
long long wholeHours(double seconds);
long long leftoverMinutes(double seconds);
// The mission timer: 120 % of the mission time, truncated to whole seconds.
long long missionTimerSecs(double missionTime);
// Rounds to the nearest whole number, halves to even.
int roundHalfEven(double v);

// The text of each file. The route must hold the launch waypoint and at least one waypoint.
void renderMission(TextSink& out, const wptList& route, const MissionParams& params,
                   const RouteTotals& totals, const std::string& missionFileName);
void renderWaypoints(TextSink& out, const wptList& route);
void renderSurLine(TextSink& out, const wptList& route, const std::string& surLineFileName);
void render_csvFwd(TextSink& out, const wptList& route, const RouteTotals& totals);

// What every writer needs: the run's base name (one per run), the file writer and the console.
struct OutputContext {
  std::string baseName;  // for example "2026_340_1529."
  FileWriter& files;
  TextSink& console;
};

// Each writes its file (base name plus "cfg", "wpt", "pts" or "csv") and prints its confirmation.
// A file that cannot be written ends the run: NurvoError, and no confirmation.
int writeMission(const OutputContext& ctx, const wptList& route, const MissionParams& params,
                 const RouteTotals& totals);
int writeWaypoints(const OutputContext& ctx, const wptList& route);
int writeSurLine(const OutputContext& ctx, const wptList& route);
int write_csvFwd(const OutputContext& ctx, const wptList& route, const RouteTotals& totals);
// Writes each chosen export of the route (base name plus the format's name as extension), in the
// order of exportFormats(), and confirms it like the four files.
void writeExports(const OutputContext& ctx, const std::set<ExportFormat>& formats,
                  const wptList& route, const MissionParams& params, const RouteTotals& totals);

}  // namespace nurvo
