// The four output files of a run: the mission script, the waypoints file, the survey-line file and
// the CSV route report. Each file's text is rendered from the route, the parameters, the totals
// and the file's own name; the run's files go to the file writer as one set and are confirmed on
// the console once all of them are in place.
#pragma once

#include <ctime>
#include <functional>
#include <set>
#include <string>
#include <vector>

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

// One output file of a run: its extension, the word that names it in messages, the confirmation
// printed once it is in place (a format whose %s is the file's name) and its text, rendered for
// the file's full name.
struct OutputFile {
  std::string extension;
  std::string kind;
  std::string confirmation;
  std::function<void(TextSink&, const std::string& name)> render;
};

// The four writers: each gives its file (base name plus "cfg", "wpt", "pts" or "csv") as an entry
// of the run's set, with the route and values it renders held by reference.
OutputFile writeMission(const wptList& route, const MissionParams& params,
                        const RouteTotals& totals);
OutputFile writeWaypoints(const wptList& route);
OutputFile writeSurLine(const wptList& route);
OutputFile write_csvFwd(const wptList& route, const RouteTotals& totals);

// The four files of a run, in the order they are written and confirmed: mission script,
// waypoints file, survey-line file, CSV report. Another file joins the set as one more entry.
std::vector<OutputFile> missionFiles(const wptList& route, const MissionParams& params,
                                     const RouteTotals& totals);

// Writes `files` as one set, each named `baseName` plus its extension: all are written in full
// before any of them replaces a file of the same name, then their confirmations are printed in
// order. A file that cannot be written ends the run: NurvoError naming it, no confirmation, and
// every earlier file of these names left as it was.
void writeOutputFiles(const std::string& baseName, const std::vector<OutputFile>& files,
                      FileOps& ops, TextSink& console);

// The chosen exports of the route as files of the run's set, in the order of exportFormats(), to
// follow the four files: each named after the run with the format's name as extension.
std::vector<OutputFile> exportFiles(const std::set<ExportFormat>& formats, const wptList& route,
                                    const MissionParams& params, const RouteTotals& totals);

}  // namespace nurvo
